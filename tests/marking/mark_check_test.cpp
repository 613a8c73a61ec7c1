// The online check of a position's marking code against real parts: the
// toolkit in its own UI thread, the controller stand-in with its drive
// model (marking on, FFD 1.2) and the server stand-in playing the OISM on
// loopback. The boxes are answered as they come; out come the result, the
// commands the drive took, the keep byte of 0x22, the boxes' texts and the
// server's journal.
#include "FiscalFixture.h"

#include <atomic>
#include <thread>

#include "SrvSim.h"
#include "conn_record.h"
#include "osal.h"
#include "TMCommand.h"
#include "exchange_container.h"
#include "kfn_state.h"
#include "mark_check.h"
#include "mark_check_exchange.h"
#include "oism_hook.h"
#include "scan_mark.h"

namespace fiscaltest {
namespace {

std::vector<uint16_t> Type(const std::string &text)
{
    std::vector<uint16_t> keys;
    for (char c : text)
        keys.push_back(DigitKey(c));
    return keys;
}

std::vector<uint16_t> Keys(std::vector<uint16_t> keys, uint16_t last)
{
    keys.push_back(last);
    return keys;
}

const char *kName = "ТОВАР";
const std::string kCode = std::string("0104600000000017215ABCDEFGHIJKL") + '\x1d' + "91EE06" + '\x1d' + "92abc=";
const char *kError = u8"ОШИБКА";
const char *kAttention = u8"ВНИМАНИЕ";
const std::string kNegative =
    u8"ВНИМАНИЕ|РЕЗУЛЬТАТ ПРОВЕРКИ МАРКИ ДЛЯ ПОЗИЦИИ 'ТОВАР' ОТРИЦАТЕЛЬНЫЙ.\n\nОСТАВИТЬ В ЧЕКЕ?";
const std::string kSilent = u8"ВНИМАНИЕ|СЕРВЕР ОИСМ НЕ ОТВЕТИЛ\n\nДЛЯ ПОЗИЦИИ 'ТОВАР'\n\nОСТАВИТЬ В ЧЕКЕ?";
const std::string kExchangeFailed = u8"ОШИБКА|Ошибка обмена с сервером ОИСМ";

class MarkCheckTest : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        srvsim::Config config;
        config.dir = root;
        server.reset(new srvsim::Server(config));
        std::string error;
        ASSERT_EQ(server->Open(&error), 0) << error;
        server->Start();
        oism_forget_params();
    }
    void TearDown() override
    {
        StopAnswers();
        if (server)
            server->Stop();
        FiscalTest::TearDown();
    }

    // A drive with marking on, the OISM server's record naming the server
    // stand-in (send time-out 2 s); extra scenario lines after it, and the
    // server's parameters loaded as a sale's session loads them.
    void Marking(const std::string &extra = "", const std::string &host = "127.0.0.1")
    {
        Drive("drive ffd 1.2\ndrive marking 100\ndrive shift open 1\ndrive oism-server " + host + " " +
              std::to_string(server->Port()) + "\ndrive oism-times 60 2 2\n" + extra);
        kfn_state.ffd_version = -1;
        kfn_state.marking_mode = -1;
        kfn_state.reg_flags = 0;
        fn_status_refresh(nullptr);
        oism_load_params(nullptr);
    }

    // Answers the modal boxes to come, in order: each is named by its title
    // and gets its key; wait texts are passed by.
    void Answers(std::vector<std::pair<std::string, uint16_t>> answers)
    {
        StopAnswers();
        size_t from = Trace("form").size();
        stopAnswers = false;
        answered = 0;
        wrong.clear();
        answerer = std::thread([this, answers, from]() {
            size_t next = from;
            size_t i = 0;
            while (!stopAnswers) {
                std::vector<Entry> forms = Trace("form");
                if (forms.size() <= next) {
                    timespec pause{0, 5 * 1000 * 1000};
                    nanosleep(&pause, nullptr);
                    continue;
                }
                std::string header = forms[next++].Get("header");
                if (header == u8"ПОДОЖДИТЕ" || header == u8"Проверка КМ")
                    continue;
                if (i < answers.size() && header == answers[i].first) {
                    timespec pause{0, 30 * 1000 * 1000};
                    nanosleep(&pause, nullptr);
                    Key(answers[i++].second);
                    ++answered;
                } else {
                    if (wrong.empty())
                        wrong = "box \"" + header + "\" came unexpected";
                    Key(KEY_CANCEL);
                }
            }
        });
        expected = answers.size();
    }
    void StopAnswers()
    {
        stopAnswers = true;
        if (answerer.joinable())
            answerer.join();
    }
    void EndAnswers()
    {
        StopAnswers();
        EXPECT_EQ(wrong, "");
        EXPECT_EQ(answered.load(), expected);
    }

    int Check(int interactive = 1, const char *name = kName)
    {
        from = TakenCount();
        boxesFrom = Trace("msgbox").size();
        return MarkCheckPosition(ui, kCode.c_str(), 1, 0, "1.000", "0", name, 3, interactive);
    }
    // The checking commands the drive took since the check began.
    std::vector<std::string> Commands()
    {
        std::vector<std::string> out;
        for (const std::string &c : Taken(from))
            if (c >= "20" && c <= "26")
                out.push_back(c);
        return out;
    }
    // The message boxes with buttons since the check began.
    std::vector<std::string> Questions()
    {
        std::vector<std::string> out;
        for (const std::string &b : Boxes(boxesFrom))
            if (b.compare(0, strlen(u8"ПОДОЖДИТЕ"), u8"ПОДОЖДИТЕ") != 0 &&
                b.compare(0, strlen(u8"Проверка КМ"), u8"Проверка КМ") != 0)
                out.push_back(b);
        return out;
    }
    std::string Keep() { return LastFields(sim->JournalPath(), "22").at(0); }
    // The verdicts the server stand-in gave, in order.
    std::vector<std::string> Verdicts()
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(root + "/journal.jsonl", ""))
            if (e.Get("event") == "request" && e.line.find("\"check\"") != std::string::npos)
                out.push_back(e.line.substr(e.line.find("\"verdict\":\"") + 11, 4));
        return out;
    }

    std::unique_ptr<srvsim::Server> server;
    std::thread answerer;
    std::atomic<bool> stopAnswers{true};
    std::atomic<size_t> answered{0};
    size_t expected = 0;
    std::string wrong;
    size_t from = 0, boxesFrom = 0;
};

TEST_F(MarkCheckTest, AnAcceptedCodeAsksNothingAndIsKept)
{
    Marking();
    Answers({});
    EXPECT_EQ(Check(), 15);
    EndAnswers();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "25", "22"}));
    EXPECT_EQ(Keep(), "01");
    EXPECT_EQ(Verdicts(), std::vector<std::string>{"ACCE"});
    // the code went whole with its GS1 kind and AI offsets
    std::vector<std::string> f = LastFields(sim->JournalPath(), "26");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], "03");
    EXPECT_EQ(f[2], "20"); // AI 91 right after the first GS at index 31
    EXPECT_EQ(f[3], "27");
    EXPECT_EQ(Questions(), std::vector<std::string>{});
}

// The cashier's answer decides a position whose check is not positive:
// the question names the server's negative verdict or its silence.
TEST_F(MarkCheckTest, BothQuestionsAndTheCashiersAnswer)
{
    const struct {
        const char *verdict;
        uint16_t key;
        int result;
        std::string question;
        const char *keep;
    } cases[] = {
        {"reject", KEY_ENTER, 0x07, kNegative, "01"},
        {"reject", KEY_CANCEL, -4, kNegative, "00"},
        {"none", KEY_ENTER, 0x03, kSilent, "01"},
        {"none", KEY_CANCEL, -4, kSilent, "00"},
    };
    Marking();
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.verdict) + " " + std::to_string(c.result));
        server->Update([&](srvsim::Scenario &s) {
            s = srvsim::Scenario();
            srvsim::MarkRule r;
            r.verdict = std::string(c.verdict) == "reject" ? srvsim::MarkVerdict::Reject : srvsim::MarkVerdict::None;
            s.markRules.push_back(r);
        });
        Answers({{kAttention, c.key}});
        EXPECT_EQ(Check(), c.result);
        EndAnswers();
        EXPECT_EQ(Questions(), std::vector<std::string>{c.question});
        EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "25", "22"}));
        EXPECT_EQ(Keep(), c.keep);
    }
}

// Each command that fails shows its own box (after the runner's) and gives
// an error; only a failed save of the result comes after 0x22 was sent.
TEST_F(MarkCheckTest, EachFailureHasItsBox)
{
    const struct {
        const char *code;
        std::string box;
        std::vector<std::string> commands;
    } cases[] = {
        {"20", u8"ОШИБКА|Ошибка запроса статуса КМ", {"20"}},
        {"26", u8"ОШИБКА|Ошибка передачи КМ", {"20", "26"}},
        {"24", u8"ОШИБКА|Ошибка создания уведомления КМ", {"20", "26", "24"}},
        {"25", u8"ОШИБКА|Ошибка сохранения ответа ОИСМ в ФН", {"20", "26", "24", "25"}},
        {"22", u8"ОШИБКА|Ошибка сохранения результатов проверки КМ", {"20", "26", "24", "25", "22"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        Marking(std::string("fault ") + c.code + " refuse 01 times 1\n");
        Answers({{kError, KEY_ENTER}, {kError, KEY_ENTER}});
        EXPECT_EQ(Check(), -1);
        EndAnswers();
        std::vector<std::string> q = Questions();
        ASSERT_EQ(q.size(), 2u);
        EXPECT_EQ(q[1], c.box);
        EXPECT_EQ(Commands(), c.commands);
    }
}

// The server gone: the exchange's box, and the drive's own result stays
// for the cashier's decision (no answer reaches the drive).
TEST_F(MarkCheckTest, TheServerGoneKeepsTheLocalResult)
{
    Marking();
    server->Stop();
    server->Close();
    Answers({{kError, KEY_ENTER}, {kAttention, KEY_ENTER}});
    EXPECT_EQ(Check(), 0x03);
    EndAnswers();
    EXPECT_EQ(Questions(), (std::vector<std::string>{kExchangeFailed, kSilent}));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "22"}));
    EXPECT_EQ(Keep(), "01");
}

// Error 129 on 0x24 is no failure: the drive made no request, so nothing
// goes to the server and the check goes on as if it had not answered.
TEST_F(MarkCheckTest, NoTransportOn0x24SendsNothingToTheServer)
{
    Marking("fault 24 refuse 81\n");
    Answers({{kError, KEY_ENTER}, {kAttention, KEY_ENTER}});
    EXPECT_EQ(Check(), 0x03);
    EndAnswers();
    std::vector<std::string> q = Questions();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].compare(0, strlen(kError), kError), 0) << q[0]; // the runner's box of error 81
    EXPECT_EQ(q[1], kSilent);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "22"}));
    EXPECT_EQ(server->Requests(), 0);
    EXPECT_EQ(Keep(), "01");
}

TEST_F(MarkCheckTest, SelfCheckTakesTheDrivesAnswerWithoutTheServer)
{
    Marking("drive self-check on\n");
    ASSERT_TRUE(kfn_flags() & 0x2000);
    Answers({});
    EXPECT_EQ(Check(), 15);
    EndAnswers();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "22"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "24").at(4), "01");
    EXPECT_EQ(server->Requests(), 0);

    // error 129 there keeps the drive's verdict of 0x26
    sim->UpdateDrive([](kktsim::DriveState &s) { s.marking.localResult = 0x01; });
    Marking("fault 24 refuse 81\n");
    Answers({{kError, KEY_ENTER}, {kAttention, KEY_ENTER}});
    EXPECT_EQ(Check(), 0x01);
    EndAnswers();
    EXPECT_EQ(Questions().back(), kSilent);
}

TEST_F(MarkCheckTest, AutonomousSkipsTheRequestTheServerAndTheQuestion)
{
    Marking("drive reg-flags 02\n");
    ASSERT_TRUE(kfn_autonomous());
    Answers({});
    EXPECT_EQ(Check(), 0x03);
    EndAnswers();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "22"}));
    EXPECT_EQ(server->Requests(), 0);
    EXPECT_EQ(Keep(), "01");
}

TEST_F(MarkCheckTest, NotInteractiveOrUnnamedAsksNothing)
{
    Marking("drive mark-result 01\n");
    Answers({});
    EXPECT_EQ(Check(0), 0x01); // no server either
    EXPECT_EQ(Commands(), (std::vector<std::string>{"20", "26", "24", "22"}));
    EXPECT_EQ(server->Requests(), 0);
    EXPECT_EQ(Check(1, ""), 0x0D); // the server's acceptance on the drive's doubt
    EndAnswers();
    EXPECT_EQ(Questions(), std::vector<std::string>{});
}

// A host longer than a link holds is refused with a text, not cut to
// another server's name.
TEST_F(MarkCheckTest, AnOverlongHostFailsAtOnceWithAText)
{
    std::string host = std::string(125, 'a') + ".net";
    Marking("", host);
    ASSERT_EQ(std::string(oism_worker.host), host);
    Answers({{kError, KEY_ENTER}, {kError, KEY_ENTER}, {kAttention, KEY_ENTER}});
    EXPECT_EQ(Check(), 0x03);
    EndAnswers();
    std::vector<std::string> q = Questions();
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0], u8"ОШИБКА|АДРЕС СЕРВЕРА ОИСМ ДЛИННЕЕ 128 СИМВОЛОВ");
    EXPECT_EQ(q[1], kExchangeFailed);
    // 128 characters still go
    exchange_container c{};
    EXPECT_EQ(mark_check_exchange_with(nullptr, &c, std::string(128, 'a').c_str(), 0, 1000), -1);
    EXPECT_EQ(mark_check_exchange_with(nullptr, nullptr, "127.0.0.1", server->Port(), 1000), -1);
}

// The exchange itself: the container goes to the server with its header
// and comes back with the answer; no parameters fail at once.
TEST_F(MarkCheckTest, TheExchangeMovesTheContainer)
{
    Marking();
    std::string body = "KMCHECK " + std::string("3031") + "\n";
    exchange_container *c = static_cast<exchange_container *>(calloc(1, sizeof(exchange_container)));
    container_make_header(c->header, CONTAINER_OISM, 4, "9999078900012345", static_cast<uint16_t>(body.size()));
    c->body = static_cast<uint8_t *>(malloc(body.size()));
    memcpy(c->body, body.data(), body.size());
    int n = MarkCheckExchange(nullptr, c);
    std::string answer = "KMRESULT ACCEPT 3031\n";
    ASSERT_EQ(n, static_cast<int>(answer.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(c->body), n), answer);
    container_free(c);
    oism_forget_params();
    exchange_container empty{};
    EXPECT_EQ(MarkCheckExchange(nullptr, &empty), -1);
    EXPECT_EQ(server->Requests(), 1);
}

// The scan dialog without a scanner: a code typed (no digit twice in a
// row: the keypad would take that as a multi-tap) into "code" is taken
// unescaped; an empty one is not taken while a code is required; MENU
// switches the reading and shows the dialog again; Cancel gives -1.
TEST_F(MarkCheckTest, TheScanDialogTakesATypedCode)
{
    const char *kScan = "kkt_dlg_scan_mark.xml";
    Script({{kScan, {KEY_ENTER}},
            {kScan, {SCAN_MARK_KEY_READING}},
            {kScan, Keys(Type("4607012345678"), KEY_ENTER)}});
    EXPECT_EQ(ScanMarkDialog(ui, 1), 0);
    EndScript();
    EXPECT_STREQ(ScannedMarkCode, "4607012345678");
    Script({{kScan, {KEY_ENTER}}});
    EXPECT_EQ(ScanMarkDialog(ui, 0), 0);
    EndScript();
    EXPECT_STREQ(ScannedMarkCode, "");
    Script({{kScan, {KEY_CANCEL}}});
    EXPECT_EQ(ScanMarkDialog(ui, 1), -1);
    EndScript();
}

// On a GPRS link a send time-out below 10 s stretches to 10 s; on another
// link it stays (a port nobody listens on is tried until the deadline, in
// virtual time).
TEST(MarkCheckExchangeDeadline, AGprsLinkStretchesAShortTimeOut)
{
    const struct {
        uint16_t type;
        uint32_t least, most;
    } cases[] = {{CONN_GPRS, 10000, 10200}, {CONN_ETH1, 5000, 5200}};
    for (auto c : cases) {
        SCOPED_TRACE(c.type);
        conn_active.type = c.type;
        OsTestClockEnable(5000);
        exchange_container box{};
        uint8_t body[4] = {1, 2, 3, 4};
        container_make_header(box.header, CONTAINER_OISM, 4, "9999078900012345", sizeof body);
        box.body = body;
        EXPECT_EQ(mark_check_exchange_with(nullptr, &box, "127.0.0.1", 1, 5000), -1);
        uint32_t spent = OsGetTickCount() - 5000;
        EXPECT_GE(spent, c.least);
        EXPECT_LE(spent, c.most);
        OsTestClockDisable();
        conn_active.type = 0;
    }
}

} // namespace
} // namespace fiscaltest
