// The online check of a position's marking code against real parts: the
// toolkit in its own UI thread, the controller stand-in with its drive
// model (marking on, FFD 1.2) and the server stand-in playing the OISM on
// loopback. The boxes are answered as they come; out come the result, the
// commands the drive took, the keep byte of 0x22, the boxes' texts and the
// server's journal.
#include "FiscalFixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SrvSim.h"
#include "conn_record.h"
#include "osal.h"
#include "TMCommand.h"
#include "exchange_container.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "mark_check.h"
#include "mark_check_exchange.h"
#include "oism_worker.h"
#include "receipt_wizard.h"
#include "scan_mark.h"
#include "TestTime.h"

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

// The wizard checks a code online only when it is of the marking code's
// type (GS1 DataMatrix), decided without the check digit: EAN-8, EAN-13 (one
// with a wrong check digit too), ITF-14, fur and EGAIS codes go only with
// 0x21 before their goods line. A sale per code, scanned by the built-in
// scanner; the drive checks the code itself, so the online check is 0x20,
// 0x26, 0x24 and 0x22 with no box.
TEST_F(MarkCheckTest, TheWizardChecksOnlineOnlyAMarkingCode)
{
    std::string egais;
    for (int i = 0; i < 150; ++i)
        egais += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36];
    const struct {
        const char *kind;
        std::string code;
        bool online;
    } cases[] = {
        {"EAN-8", "46070125", false},
        {"EAN-13", "4607012345677", false},
        {"EAN-13, wrong check digit", "4607012345678", false},
        {"ITF-14", "14607012345675", false},
        {"fur", "RU-123456-ABC1234567", false},
        {"EGAIS 2", egais.substr(0, 68), false},
        {"EGAIS 3", egais, false},
        {"GS1 DataMatrix", kCode, true},
    };
    settings_set("FiscalReceipt", "Seller", u8"Иванов И.И.");
    const std::string fifo = root + "/dev/scanner";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    // Writes the code into the scanner's FIFO once its reader has it open.
    auto scan = [&fifo](const std::string &code) {
        int fd = -1;
        for (int i = 0; i < testtime::Tries(10000, 10) && (fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) < 0; ++i) {
            timespec pause{0, 10 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        ASSERT_GE(fd, 0) << "the scanner never opened its FIFO";
        const std::string line = code + "\n";
        EXPECT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        close(fd);
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind);
        Marking("drive self-check on\n");
        const std::string kScan = "kkt_dlg_scan_mark.xml";
        Script({{u8"ТИП СОЕДИНЕНИЯ", {KEY_CANCEL}},
                {"kkt_dlg_receipt_open_1.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_open_2.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_open_3.xml", {KEY_ENTER}},
                {"kkt_dlg_poss_cheque.xml", {LIST_KEY_ADD}},
                // item 2: marked goods
                {"kkt_dlg_receipt_calc_object_1_2.xml", {DigitKey('8'), DigitKey('8'), DigitKey('5'), KEY_ENTER}},
                {kScan, {}, [&] { scan(c.code); }},
                {"kkt_dlg_receipt_good_5.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_good_3.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_good_4.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_good_1.xml", {KEY_ENTER}},
                {"kkt_dlg_select_tax_type.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_calc_method.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_agent_1.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_good_2.xml", {KEY_ENTER}},
                {"kkt_dlg_poss_cheque.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_payment.xml", {KEY_ENTER}},
                {"kkt_dlg_receipt_client.xml", {KEY_ENTER}},
                {u8"ПОДОЖДИТЕ"},
                {u8"КАССОВЫЙ ЧЕК", {KEY_ENTER}}});
        from = TakenCount();
        CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
        EndScript();
        const std::vector<std::string> online = {"20", "26", "24", "22", "21"};
        EXPECT_EQ(Commands(), c.online ? online : std::vector<std::string>{"21"});
        std::vector<std::string> codes = Taken(from);
        auto mark = std::find(codes.begin(), codes.end(), "21");
        ASSERT_NE(mark, codes.end());
        ASSERT_NE(mark + 1, codes.end());
        EXPECT_EQ(*(mark + 1), "11") << "the code goes before its goods line";
        std::string hex;
        for (unsigned char b : c.code) {
            char two[3];
            snprintf(two, sizeof two, "%02X", b);
            hex += two;
        }
        EXPECT_EQ(LastFields(sim->JournalPath(), "21").at(1), hex);
        EXPECT_EQ(server->Requests(), 0);
    }
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

// The drive's check request (0x24) is waited for 60 s when the drive checks
// the code itself (current-status bit 0x2000), else 10 s: a drive that never
// answers it, in the virtual time the link waits in (the toolkit in the
// caller's thread, the stand-in in lock-step).
class MarkCheckWait : public shelltest::ShellTest {};

TEST_F(MarkCheckWait, TheCheckRequestWaitsLongerWhenTheDriveChecksItself)
{
    Scenario("mode normal\npaper in\ndrive registered yes\ndrive ffd 1.2\ndrive marking 100\ndrive shift open 1\n"
             "fault 24 no-reply\n");
    const struct {
        bool self;
        uint32_t wait;
    } cases[] = {{false, 10000}, {true, 60000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.wait);
        sim->UpdateDrive([&](kktsim::DriveState &s) { s.marking.selfCheck = c.self; });
        kfn_state.ffd_version = -1;
        kfn_state.marking_mode = -1;
        kfn_state.reg_flags = 0;
        fn_status_refresh(nullptr);
        ASSERT_EQ((kfn_flags() & 0x2000) != 0, c.self);
        const uint32_t start = OsGetTickCount();
        EXPECT_EQ(MarkCheckPosition(nullptr, kCode.c_str(), 1, 0, "1.000", "0", kName, 3, 0), MARK_CHECK_ERROR);
        const uint32_t spent = OsGetTickCount() - start;
        EXPECT_GE(spent, c.wait);
        EXPECT_LT(spent, c.wait + 1000) << "0x20 and 0x26 take a pass each";
    }
}

} // namespace
} // namespace fiscaltest
