// The key update against the controller stand-in's fiscal drive and the
// server stand-in as a process of its own: when it runs (the drive's flags,
// autonomous mode, the need the drive tells or the keys' age in calendar
// days), the series of rounds over one connection and its cap, every
// outcome's text, and the manual screen with its refusals and its lines.
#include "FiscalFixture.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"

#include "key_service.h"
#include "key_update.h"
#include "mark_check_exchange.h"
#include "kfn_state.h"
#include "osal.h"
#include "ServiceResult.h"
#include "ui_values.h"

#include <string.h>

#include <algorithm>
#include <set>

namespace fiscaltest {
namespace {

const std::string kDone = u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   ";
const std::string kAdvised = u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.|Ошибка обновления: ";
const std::string kRequired =
    u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ.|Ошибка обновления: ";

// A CP1251 text of the program as UTF-8.
std::string Utf8(const char *cp1251)
{
    char buffer[2048];
    cp1251_to_utf8(cp1251 ? cp1251 : "", buffer, sizeof buffer);
    return buffer;
}

class KeyUpdate : public FiscalTest {
protected:
    void TearDown() override
    {
        server.Stop();
        FiscalTest::TearDown();
    }

    // srvsim with its scenario; the drive registered for marked goods, its
    // key service at srvsim, and the extra lines; the cache refreshed.
    void Start(const std::string &serverScenario, const std::string &drive)
    {
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, root + "/srvsim", serverScenario, &error)) << error;
        const std::string address = "tcp://127.0.0.1:" + std::to_string(server.Port());
        Drive("drive ffd 1.2\ndrive marking 00000100\ndrive key-address " + address + "\n" + drive);
        // A drive kept from an earlier start names the new server too.
        sim->UpdateDrive([&](kktsim::DriveState &d) { d.keys.address = address; });
        fn_status_refresh(nullptr);
        ASSERT_EQ(kfn_marking_mode(), 1);
    }

    // The sub-commands of 0x9E the drive took, in order.
    std::string Subs()
    {
        std::string out;
        for (const Entry &e : ReadJournal(sim->JournalPath(), "in", 1)) {
            if (e.Get("code") != "9E")
                continue;
            size_t at = e.line.find("\"fields\":[\"");
            out += (out.empty() ? "" : " ") + (at == std::string::npos ? "?" : e.line.substr(at + 11, 2));
        }
        return out;
    }

    std::string Auto()
    {
        const char *text = asokp_auto_update(nullptr);
        return text ? Utf8(text) : "(null)";
    }

    // Sets the terminal's date (noon).
    static void Today(int year, int month, int day)
    {
        OsTime t;
        memset(&t, 0, sizeof t);
        t.Year = year;
        t.Month = month;
        t.Day = day;
        t.Hour = 12;
        ASSERT_EQ(OsSetTime(&t), 0);
    }

    // Runs the manual screen: the link-type menu (nothing is configured)
    // is cancelled, and once the last line is there "ok" ends the screen.
    // The lines the field "info" showed, in the order they first came; the
    // last screen's last line is in last, and whether "ok" was seen.
    std::vector<std::string> Manual(std::string *last, bool *okShown)
    {
        std::atomic<bool> stop{false};
        std::thread keys([&] {
            bool menu = false;
            while (!stop) {
                if (!menu)
                    for (const Entry &e : Trace("form"))
                        if (e.Get("header") == u8"ТИП СОЕДИНЕНИЯ") {
                            Key(KEY_CANCEL);
                            menu = true;
                        }
                if (Seen(nullptr, nullptr).count(u8"Обновление ключей завершено"))
                    Key(KEY_ENTER);
                timespec pause{0, 100 * 1000 * 1000};
                nanosleep(&pause, nullptr);
            }
        });
        asokp_update_dialog(ui);
        stop = true;
        keys.join();
        std::vector<std::string> order;
        Seen(&order, last, okShown);
        return order;
    }

    // The lines of "info" on every screen drawn so far.
    std::set<std::string> Seen(std::vector<std::string> *order, std::string *last, bool *okShown = nullptr)
    {
        std::set<std::string> seen;
        for (jsonl::Json &line : jsonl::ReadLines(trace)) {
            if (jsonl::Text(line, "event") != "screen" || !line.contains("items"))
                continue;
            for (auto &item : line["items"]) {
                if (okShown && jsonl::Text(item, "name") == "ok")
                    *okShown = true;
                if (jsonl::Text(item, "name") != "info")
                    continue;
                std::stringstream in(jsonl::Text(item, "label"));
                std::string l;
                while (std::getline(in, l)) {
                    if (seen.insert(l).second && order)
                        order->push_back(l);
                    if (last)
                        *last = l;
                }
            }
        }
        return seen;
    }

    SrvsimProcess server;
};

// The series: the drive asks for three rounds; each request goes to srvsim
// and its derived answer back, all over one connection, and the update
// succeeds with the text that ends in three blanks.
TEST_F(KeyUpdate, ASeriesOfRoundsOverOneConnection)
{
    Start("", "drive key-state 1\ndrive key-rounds 3\n");
    EXPECT_EQ(Auto(), kDone);
    EXPECT_EQ(Subs(), "00 01 03 04 03 04 03 04");
    EXPECT_EQ(server.Journal("accept").size(), 1u);
    auto requests = server.Journal("request");
    ASSERT_EQ(requests.size(), 3u);
    for (auto &r : requests) {
        EXPECT_EQ(jsonl::Text(r, "kind"), "keys");
        EXPECT_EQ(jsonl::Text(r, "header").substr(0, 16), "DD80CAA182A10001");
    }
    EXPECT_EQ(server.Journal("answer").size(), 3u);
    // The drive now has today's keys and no need.
    EXPECT_EQ(sim->Drive().archive.keyState, 0);
    EXPECT_NE(sim->Drive().archive.keyDate, 0);
    EXPECT_EQ(Auto(), "(null)");
}

// The wrapper runs the update for a drive registered for marked goods
// only, and asks the drive nothing otherwise.
TEST_F(KeyUpdate, TheMarkingWrapperNeedsARegisteredMarkingDrive)
{
    Start("", "drive key-state 1\n");
    const uint8_t fatal = kfn_state.fatal_status;
    ASSERT_NE(fatal & KFN_FATAL_REGISTERED, 0);
    struct Case {
        uint8_t fatal;
        int marking;
        bool runs;
    } cases[] = {
        {static_cast<uint8_t>(fatal & ~KFN_FATAL_REGISTERED), 1, false},
        {fatal, 0, false},
        {fatal, 1, true},
    };
    for (const Case &c : cases) {
        kfn_state.fatal_status = c.fatal;
        kfn_state.marking_mode = c.marking;
        const std::string before = Subs();
        const char *text = asokp_auto_update_marking(nullptr);
        if (c.runs) {
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(Utf8(text), kDone);
            EXPECT_EQ(server.Journal("request").size(), 1u);
        } else {
            EXPECT_EQ(text, nullptr);
            EXPECT_EQ(Subs(), before) << "the drive is not asked";
        }
    }
    kfn_state.fatal_status = fatal;
    EXPECT_EQ(asokp_timeout_ms(), ASOKP_TIMEOUT_MS);
}

// A marking code's check over the key service's link: the container goes
// to the server the drive names and comes back with the answer; the link is
// closed after it, and a server gone is a failure.
TEST_F(KeyUpdate, TheMarkingCheckOverTheKeyServiceLink)
{
    Start("", "drive key-state 0\n");
    asokp_load_server();
    ASSERT_EQ(asokp_port(), server.Port());
    EXPECT_EQ(asokp_timeout_ms(), ASOKP_TIMEOUT_MS);
    auto exchange = [&]() {
        const std::string body = "KMCHECK 3031\n";
        exchange_container *c = static_cast<exchange_container *>(calloc(1, sizeof(exchange_container)));
        container_make_header(c->header, CONTAINER_OISM, 4, "9999078900012345", static_cast<uint16_t>(body.size()));
        c->body = static_cast<uint8_t *>(malloc(body.size()));
        memcpy(c->body, body.data(), body.size());
        int n = mark_check_exchange_key_service(nullptr, c);
        std::string answer = n > 0 ? std::string(reinterpret_cast<char *>(c->body), n) : "";
        container_free(c);
        return std::make_pair(n, answer);
    };
    auto first = exchange();
    EXPECT_EQ(first.second, "KMRESULT ACCEPT 3031\n");
    EXPECT_EQ(first.first, static_cast<int>(first.second.size()));
    EXPECT_EQ(asokp_link()->sock, -1) << "closed after the exchange";
    EXPECT_EQ(exchange().first, first.first) << "a second exchange connects again";
    EXPECT_EQ(server.Journal("accept").size(), 2u);

    server.Stop();
    EXPECT_EQ(exchange().first, -1);
    EXPECT_EQ(asokp_link()->sock, -1);
    asokp_link()->host[0] = '\0';
    exchange_container empty{};
    EXPECT_EQ(mark_check_exchange_key_service(nullptr, &empty), -1) << "no server named";
    EXPECT_EQ(mark_check_exchange_key_service(nullptr, nullptr), -1);
}

// A drive that keeps asking for more ends the update after 50 rounds, with
// the registrar's text of 160.
TEST_F(KeyUpdate, TheSeriesIsCapped)
{
    Start("", "drive key-state 2\ndrive key-rounds 60\n");
    EXPECT_EQ(Auto(), kRequired + Utf8(FiscalErrorText(160)));
    EXPECT_EQ(Utf8(FiscalErrorText(160)), u8"Требуется повтор процедуры обновления ключей проверки КМ");
    EXPECT_EQ(server.Journal("request").size(), static_cast<size_t>(ASOKP_MAX_ROUNDS));
    EXPECT_EQ(server.Journal("accept").size(), 1u);
}

// Nothing is done with the drive's flag 0x2000, in autonomous mode, or
// when the drive needs no update; any error but 113 to the need stops at
// once with its text, a failed exchange with the controller with the
// service's text (the registrar's would be "Неизвестная ошибка").
TEST_F(KeyUpdate, WhenItRunsAndWhenNot)
{
    Start("", "drive key-state 0\n");
    EXPECT_EQ(Auto(), "(null)");
    EXPECT_EQ(Subs(), "00");

    const uint16_t status = kfn_state.current_status;
    kfn_state.current_status = status | 0x2000;
    EXPECT_EQ(Auto(), "(null)");
    kfn_state.current_status = status;
    const uint8_t reg = kfn_state.reg_flags;
    kfn_state.reg_flags = reg | 0x02;
    EXPECT_EQ(Auto(), "(null)");
    kfn_state.reg_flags = reg;
    EXPECT_EQ(Subs(), "00") << "nothing asked while skipped";

    sim->UpdateDrive([](kktsim::DriveState &d) { d.keys.error = 0x23; });
    EXPECT_EQ(Auto(), Utf8(FiscalErrorText(0x23)));
    Scenario("fault 9E no-reply times 1\n");
    std::string text = Auto();
    EXPECT_EQ(text, Utf8(ServiceResultText(SERVICE_NO_ANSWER)));
    EXPECT_NE(text, u8"Неизвестная ошибка");
}

// Error 113 to the need leaves it to the keys' age in calendar days: above
// 14 advised, above 60 required; keys dated after today or none at all are
// required. The packed dates' difference would say otherwise across a
// month's and a year's end.
TEST_F(KeyUpdate, TheNeedByTheKeysAgeInCalendarDays)
{
    Start("fault keys close-request\n", "drive key-error 71\n");
    const struct {
        int y, m, d;
        const char *keys;
        const std::string expect;
    } cases[] = {
        {2026, 3, 1, "150226", "(null)"},        // 14 days (packed: 18)
        {2026, 3, 1, "140226", kAdvised},        // 15 days
        {2026, 1, 5, "201225", kAdvised},        // 16 days across the year (packed: 145)
        {2026, 3, 1, "010126", kAdvised},        // 59 days (packed: 64)
        {2026, 3, 3, "010126", kRequired},       // 61 days
        {2026, 3, 1, "020326", kRequired},       // after today
        {2026, 3, 1, "0", kRequired},            // no keys
    };
    for (const auto &c : cases) {
        Today(c.y, c.m, c.d);
        sim->UpdateDrive([&](kktsim::DriveState &d) {
            std::string why;
            kktsim::KeysStatement("key-date", c.keys, d, why);
        });
        std::string text = Auto();
        if (c.expect == "(null)")
            EXPECT_EQ(text, "(null)") << c.keys;
        else
            EXPECT_EQ(text, c.expect + Utf8(FiscalErrorText(129))) << c.keys;
    }
}

// Every outcome's text, under the need's sentence (need 3, the key
// service's error, reads as 2).
TEST_F(KeyUpdate, EveryOutcomeText)
{
    const struct {
        const char *server;
        const char *drive;
        const char *scenario; // kktsim lines added for the run
        std::string expect;
    } cases[] = {
        // the request refused: its own error
        {"", "drive key-state 1\n", "fault 9E refuse 23 after 2 times 1\n", kAdvised + Utf8(FiscalErrorText(0x23))},
        // the exchange failed: 129
        {"fault keys close-request\n", "drive key-state 2\n", "", kRequired + Utf8(FiscalErrorText(129))},
        {"fault keys close-request\n", "drive key-state 3\n", "", kRequired + Utf8(FiscalErrorText(129))},
        // an answer cut short: the drive refuses it (94)
        {"fault keys size 5\n", "drive key-state 1\n", "", kAdvised + Utf8(FiscalErrorText(0x94))},
        // an answer too long for the command that hands it to the drive: 113
        {"fault keys size 3000\n", "drive key-state 1\n", "", kAdvised + Utf8(FiscalErrorText(113))},
        // no container from the request (an odd count of hex digits): 121
        {"", "drive key-error 71\ndrive key-date 0\n",
         "fault 9E refuse 71 times 1\nanswer 9E\ndata 9E 021\n", kRequired + Utf8(FiscalErrorText(121))},
    };
    for (const auto &c : cases) {
        server.Stop();
        sim->ForgetDrive();
        Start(c.server, c.drive);
        if (*c.scenario) {
            kktsim::Scenario s;
            std::string error;
            ASSERT_TRUE(kktsim::ParseScenario(std::string("mode normal\npaper in\ndrive registered yes\n") +
                                                  "drive ffd 1.2\ndrive marking 00000100\n" + c.drive +
                                                  "drive key-address tcp://127.0.0.1:" +
                                                  std::to_string(server.Port()) + "\n" + c.scenario,
                                              s, &error))
                << error;
            sim->Load(s);
        }
        EXPECT_EQ(Auto(), c.expect) << c.drive << c.scenario;
    }
    EXPECT_EQ(Utf8(FiscalErrorText(129)), u8"Нет транспортного соединения");
}

// An address the drive names but that cannot be used: the link has no host
// and port, so each exchange ends before any connection is tried (no
// built-in endpoint is tried instead) and the update fails with 129.
TEST_F(KeyUpdate, ABadAddressFailsAsUnconfigured)
{
    Start("", "drive key-state 1\n");
    sim->UpdateDrive([](kktsim::DriveState &d) { d.keys.address = "tcp://127.0.0.1:0"; });
    EXPECT_EQ(Auto(), kAdvised + Utf8(FiscalErrorText(129)));
    EXPECT_STREQ(asokp_host(), "");
    EXPECT_EQ(asokp_port(), 0);
    EXPECT_EQ(Subs(), "00 01 03");

    std::string last;
    bool ok = false;
    std::vector<std::string> lines = Manual(&last, &ok);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), u8"Потеряно соединение с сервером"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), u8"Соединение с сервером"), 0) << "a connection was tried";
    EXPECT_EQ(last, u8"Обновление ключей завершено");
    EXPECT_TRUE(ok);
    EXPECT_EQ(server.Journal("accept").size(), 0u);
}

// The manual screen: each refusal box.
TEST_F(KeyUpdate, TheManualUpdateRefuses)
{
    Start("", "drive key-state 1\n");
    const uint16_t status = kfn_state.current_status;
    const uint8_t reg = kfn_state.reg_flags, fatal = kfn_state.fatal_status;
    const struct {
        uint16_t status;
        uint8_t reg, fatal;
        int marking;
        const char *text;
    } cases[] = {
        {static_cast<uint16_t>(status | 0x800), reg, fatal, 1, u8"СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА"},
        {status, static_cast<uint8_t>(reg | 0x02), fatal, 1, u8"РЕГИСТРАЦИЯ ДЛЯ АВТОНОМНОГО РЕЖИМА"},
        {status, reg, static_cast<uint8_t>(fatal & ~0x08), 1, u8"РЕГИСТРАЦИЯ НЕ ПОЗВОЛЯЕТ ОБНОВИТЬ КЛЮЧИ"},
        {status, reg, fatal, 0, u8"РЕГИСТРАЦИЯ НЕ ПОЗВОЛЯЕТ ОБНОВИТЬ КЛЮЧИ"},
    };
    for (const auto &c : cases) {
        kfn_state.current_status = c.status;
        kfn_state.reg_flags = c.reg;
        kfn_state.fatal_status = c.fatal;
        kfn_state.marking_mode = c.marking;
        size_t from = Trace("msgbox").size();
        Script({Step(u8"ОШИБКА", {KEY_ENTER})});
        asokp_update_dialog(ui);
        EndScript();
        std::vector<std::string> boxes = Boxes(from);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], std::string(u8"ОШИБКА|") + c.text);
        EXPECT_EQ(Trace("msgbox")[from].Num("flags"), 9);
    }
    EXPECT_EQ(Subs(), "") << "nothing asked of the drive";
}

// A run of three rounds: each round's lines, the count going up, the end,
// and "ok"; one connection carries the series.
TEST_F(KeyUpdate, TheManualUpdateShowsEachRound)
{
    Start("", "drive key-state 1\ndrive key-rounds 3\n");
    std::string last;
    bool ok = false;
    std::vector<std::string> lines = Manual(&last, &ok);
    std::string all;
    for (const std::string &l : lines)
        all += l + "\n";
    EXPECT_TRUE(InOrder(all, {u8"Запрос данных для сервера", u8"Данные для сервера получены", u8"Соединение с сервером",
                              u8"Ключей обновлено: 1", u8"Ключей обновлено: 2", u8"Ключей обновлено: 3",
                              u8"Обновление ключей завершено"}))
        << all;
    EXPECT_EQ(last, u8"Обновление ключей завершено");
    EXPECT_TRUE(ok);
    EXPECT_EQ(Subs(), "01 03 04 03 04 03 04");
    EXPECT_EQ(server.Journal("accept").size(), 1u);
    EXPECT_EQ(server.Journal("request").size(), 3u);
    EXPECT_EQ(sim->Drive().archive.keyState, 0);
}

// A lost server and an answer the drive refuses: the screen says so, no
// keys are counted, and it still ends with "ok".
TEST_F(KeyUpdate, TheManualUpdateTellsFailures)
{
    const struct {
        const char *server;
        const char *line;
    } cases[] = {
        {"fault keys close-request\n", u8"Потеряно соединение с сервером"},
        {"fault keys size 5\n", u8"Ошибка команды 0x9E"},
        {"fault keys size 3000\n", u8"Ошибка сборки команды 0x9E"},
    };
    for (const auto &c : cases) {
        server.Stop();
        Start(c.server, "drive key-state 2\n");
        std::string last;
        bool ok = false;
        std::set<std::string> before = Seen(nullptr, nullptr);
        std::vector<std::string> lines = Manual(&last, &ok);
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), c.line) != lines.end() || before.count(c.line)) << c.line;
        for (const std::string &l : lines)
            EXPECT_EQ(l.find(u8"Ключей обновлено"), std::string::npos) << l;
        EXPECT_EQ(last, u8"Обновление ключей завершено");
        EXPECT_TRUE(ok);
    }
}

} // namespace
} // namespace fiscaltest
