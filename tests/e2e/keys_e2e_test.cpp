// The verification keys end to end: kktsim, srvsim and cashdesk as
// processes of their own. A shift opened in marked-goods mode with keys
// over two weeks old updates them first: the drive's 0x9E series, one
// connection to srvsim carrying the requests, the opening report with the
// update's text; with srvsim stopped, the failure text. The manual update
// from the OFD menu: its refusal boxes, a run of several rounds, a lost
// server.
#include "CashdeskE2e.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"

#include <map>
#include <set>

namespace {

using namespace e2e;

// DDMMYY of the local date days ago.
std::string DaysAgo(int days)
{
    time_t t = time(nullptr) - static_cast<time_t>(days) * 86400;
    struct tm tm;
    localtime_r(&t, &tm);
    char out[8];
    strftime(out, sizeof out, "%d%m%y", &tm);
    return out;
}

class CashdeskKeys : public Cashdesk {
protected:
    void TearDown() override
    {
        server.Stop();
        Cashdesk::TearDown();
    }
    // srvsim with the scenario; kktsim with the registered drive in
    // marked-goods mode, its key service at srvsim, and the extra lines; the
    // settings: an Ethernet connection on the loopback, the shift's operator.
    void Start(const std::string &serverScenario, const std::string &drive)
    {
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, dir + "/srvsim", serverScenario, &error)) << error;
        ASSERT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' && echo 1 >'" + root +
                          "/sys/class/net/eth1/carrier'")
                             .c_str()),
                  0);
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<CmdShiftOpen Operator=\"Иванов И.И.\" OperatorINN=\"\"/>"
            << "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"0\" ip=\"127.0.0.1\" mask=\"255.0.0.0\"/>"
            << "</connections></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive ffd 1.2\ndrive marking 00000100\ndrive key-address tcp://127.0.0.1:" +
                 std::to_string(server.Port()) + "\n" + drive);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
    }
    // Chooses an item of a menu that keeps its selection between screens.
    void Pick(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t to = 0;
        while (to < items.size() && items[to] != id)
            ++to;
        ASSERT_LT(to, items.size()) << id;
        size_t &at = selected[file];
        if (to > at)
            Key(KEY_DOWN, static_cast<int>(to - at));
        else if (to < at)
            Key(103, static_cast<int>(at - to)); // up
        at = to;
        Key(KEY_ENTER);
    }
    // The sub-commands of 0x9E kktsim took, in order.
    std::string Subs()
    {
        std::string out;
        for (const Entry &e : ReadJournal(journal, "in", 1)) {
            if (e.Get("code") != "9E")
                continue;
            size_t at = e.line.find("\"fields\":[\"");
            out += (out.empty() ? "" : " ") + (at == std::string::npos ? "?" : e.line.substr(at + 11, 2));
        }
        return out;
    }
    // The lines the key-update screen's "info" showed, in the order they
    // first came.
    std::vector<std::string> InfoLines()
    {
        std::vector<std::string> order;
        std::set<std::string> seen;
        for (jsonl::Json &line : jsonl::ReadLines(trace)) {
            if (jsonl::Text(line, "event") != "screen" || !line.contains("items"))
                continue;
            for (auto &item : line["items"]) {
                if (jsonl::Text(item, "name") != "info")
                    continue;
                std::stringstream in(jsonl::Text(item, "label"));
                std::string l;
                while (std::getline(in, l))
                    if (seen.insert(l).second)
                        order.push_back(l);
            }
        }
        return order;
    }
    // Opens the shift from the main menu (the key update runs first, with a
    // limit for it) and returns to the main menu.
    void OpenShift(long limitMs = kWaitMs)
    {
        Pick("kkt_menu_main.xml", "shift");
        WaitForm("kkt_menu_shift.xml");
        Pick("kkt_menu_shift.xml", "shift_open");
        WaitForm("kkt_dlg_shift_open.xml", std::string(), limitMs);
        Key(KEY_ENTER);
        WaitForm("kkt_menu_shift.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    // The manual update from the OFD menu: waits for its last line, ends
    // the screen with "ok" and returns to the main menu.
    void Manual()
    {
        Pick("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Pick("kkt_menu_ofd.xml", "asokp_update_keys");
        WaitFor("screen", [](const Entry &e) { return e.line.find(u8"Обновление ключей завершено") != std::string::npos; });
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    // The refusal box of the manual update.
    void Refused(const std::string &drive, const char *text)
    {
        Start("", drive);
        Pick("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Pick("kkt_menu_ofd.xml", "asokp_update_keys");
        Entry box = WaitBox(u8"ОШИБКА");
        EXPECT_EQ(box.Get("text"), text);
        EXPECT_EQ(box.Num("flags"), 9);
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
        EXPECT_EQ(Subs(), "");
        EXPECT_TRUE(server.Journal("accept").empty());
    }
    SrvsimProcess server;
    std::map<std::string, size_t> selected;
};

// Keys 20 days old on a drive that leaves the need to their age: the
// update runs before the shift opening's dialog, two rounds over one
// connection, and the opening report carries the success text.
TEST_F(CashdeskKeys, AShiftOpeningUpdatesOldKeys)
{
    Start("", "drive key-error 71\ndrive key-rounds 2\ndrive key-date " + DaysAgo(20) + "\n");
    OpenShift();
    Quit();
    EXPECT_EQ(Subs(), "00 05 01 03 04 03 04");
    EXPECT_EQ(server.Journal("accept").size(), 1u);
    auto requests = server.Journal("request");
    ASSERT_EQ(requests.size(), 2u);
    for (auto &r : requests)
        EXPECT_EQ(jsonl::Text(r, "kind"), "keys");
    std::string paper = readFile(dir + "/kktsim/paper.txt");
    size_t report = paper.find(u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ");
    ASSERT_NE(report, std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.", report), std::string::npos) << paper;
    // The keys are today's now.
    jsonl::Json state;
    ASSERT_TRUE(jsonl::Parse(driveState(dir + "/kktsim"), &state));
    EXPECT_NE(jsonl::Number(state["archive"], "key_date"), 0);
}

// With srvsim stopped the connection is tried until the link's deadline
// (30 s); the opening report carries the failure text.
TEST_F(CashdeskKeys, AShiftOpeningWithTheServerStoppedPrintsTheFailure)
{
    Start("", "drive key-state 2\n");
    server.Stop();
    OpenShift(45000);
    Quit();
    EXPECT_EQ(Subs(), "00 01 03");
    std::string paper = readFile(dir + "/kktsim/paper.txt");
    EXPECT_NE(paper.find(u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ."),
              std::string::npos)
        << paper;
    EXPECT_NE(paper.find(u8"Ошибка обновления: Нет транспортного соединения"), std::string::npos) << paper;
}

// The manual update: three rounds, each counted, then the end and "ok".
TEST_F(CashdeskKeys, TheManualUpdateRunsSeveralRounds)
{
    Start("", "drive key-state 1\ndrive key-rounds 3\n");
    Manual();
    Quit();
    std::vector<std::string> lines = InfoLines();
    std::string all;
    for (const std::string &l : lines)
        all += l + "\n";
    size_t at = 0;
    for (const char *l : {u8"Запрос данных для сервера", u8"Данные для сервера получены", u8"Ключей обновлено: 1",
                          u8"Ключей обновлено: 2", u8"Ключей обновлено: 3", u8"Обновление ключей завершено"}) {
        at = all.find(l, at);
        ASSERT_NE(at, std::string::npos) << l << " in\n" << all;
    }
    EXPECT_EQ(Subs(), "01 03 04 03 04 03 04");
    EXPECT_EQ(server.Journal("accept").size(), 1u);
    EXPECT_EQ(server.Journal("request").size(), 3u);
}

// A server that drops the connection: the screen says so, nothing counted.
TEST_F(CashdeskKeys, TheManualUpdateLosesTheServer)
{
    Start("fault keys close-request\n", "drive key-state 2\n");
    Manual();
    Quit();
    std::vector<std::string> lines = InfoLines();
    std::string all;
    for (const std::string &l : lines)
        all += l + "\n";
    EXPECT_NE(all.find(u8"Потеряно соединение с сервером"), std::string::npos) << all;
    EXPECT_EQ(all.find(u8"Ключей обновлено"), std::string::npos) << all;
    EXPECT_EQ(Subs(), "01 03");
}

TEST_F(CashdeskKeys, TheManualUpdateRefusesWithTheShiftOpen)
{
    Refused("drive shift open 1\n", u8"СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА");
}

TEST_F(CashdeskKeys, TheManualUpdateRefusesInAutonomousMode)
{
    Refused("drive reg-flags 02\n", u8"РЕГИСТРАЦИЯ ДЛЯ АВТОНОМНОГО РЕЖИМА");
}

TEST_F(CashdeskKeys, TheManualUpdateRefusesWithoutMarkedGoods)
{
    Refused("drive marking 00000000\n", u8"РЕГИСТРАЦИЯ НЕ ПОЗВОЛЯЕТ ОБНОВИТЬ КЛЮЧИ");
}

} // namespace
