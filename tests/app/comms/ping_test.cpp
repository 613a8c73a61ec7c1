// Ping: the answer table, the line-keeping append, and the dialogs against
// the OS stand-in's network calls over an Ethernet link on the loopback.
#include "FiscalFixture.h"

#include "CommsFixture.h"
#include "conn_api.h"
#include "conn_record.h"
#include "osal.h"
#include "ping.h"
#include "settings.h"
#include "vuMultiLine.h"

namespace commstest {
namespace {

using fiscaltest::KEY_CANCEL;
using fiscaltest::KEY_ENTER;

TEST(PingAnswers, TextsOfTheTable)
{
    const struct {
        int answer;
        const char *text;
    } cases[] = {
        {0, "PING OK"},
        {-3307, "ОШИБКА СЕТЕВОГО СОЕДИНЕНИЯ"},
        {-1001, "ПРЕВЫШЕН ТАЙМАУТ"},
        {-1003, "ОШИБКА ПАРАМЕТРОВ"},
        {-3315, "Имя не известно"},
        {-1, nullptr},
        {1, nullptr},
        {-3308, nullptr},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(ping_answer_text(c.answer), c.text) << c.answer;
}

class PingTest : public fiscaltest::FiscalTest, public NetRoot {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        NetRoot::root = FiscalTest::root;
        ASSERT_EQ(system(("mkdir -p " + NetRoot::root + "/data/osal " + NetRoot::root + "/sys/class/net/eth1").c_str()),
                  0);
        std::ofstream(NetRoot::root + "/sys/class/net/eth1/carrier") << "1\n";
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
        mxmlLoadString(section, "<conn name='lan' type='ETH1'/>", MXML_OPAQUE_CALLBACK);
    }
    void TearDown() override
    {
        if (conn_is_up())
            conn_disconnect();
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        FiscalTest::TearDown();
    }
    // The answers the run showed, from the closing box: "title|text".
    std::string Closing(size_t from)
    {
        std::vector<std::string> boxes = Boxes(from);
        for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
            if (it->rfind("PING", 0) == 0)
                return *it;
        return "";
    }
};

TEST_F(PingTest, AppendKeepsTheLinesThatFit)
{
    // Font 0 is 8 pixels high: (52 - 4) / 8 - 1 = 5 line ends at most.
    vuMultiLine field(0, 0, 100, 52, 0, nullptr);
    field.SetFont(0);
    for (int i = 1; i <= 9; ++i)
        text_append_wrapped(&field, ("L" + std::to_string(i)).c_str());
    EXPECT_STREQ(field.GetValue(), "L4\nL5\nL6\nL7\nL8\nL9");
    // Too low for any line: each append drops the whole lines there are
    // and stops (the last has no line end to drop it by).
    vuMultiLine low(0, 0, 100, 8, 0, nullptr);
    low.SetFont(0);
    text_append_wrapped(&low, "A");
    text_append_wrapped(&low, "B");
    text_append_wrapped(&low, "C");
    EXPECT_STREQ(low.GetValue(), "B\nC");
    // The whole stays within 4095 characters.
    vuMultiLine tall(0, 0, 100, 30000, 0, nullptr);
    tall.SetFont(0);
    std::string line(1000, 'x');
    for (int i = 0; i < 6; ++i)
        text_append_wrapped(&tall, line.c_str());
    EXPECT_EQ(strlen(tall.GetValue()), 4095u);
}

TEST_F(PingTest, RunUntilTheDurationAndValuesKept)
{
    settings_set("ConnPing", "Address", "127.0.0.1");
    settings_set("ConnPing", "Timeout", "1");
    size_t box = Trace("msgbox").size();
    Script({{"common_dlg_ping_adr.xml", {KEY_ENTER}}, {"common_dlg_ping.xml"}, {u8"PING ЗАВЕРШЕН", {KEY_ENTER}}});
    ping_dialog(ui);
    EndScript();
    std::string closing = Closing(box);
    EXPECT_EQ(closing.rfind(u8"PING ЗАВЕРШЕН|\nPING OK\nPING OK", 0), 0u) << closing;
    EXPECT_NE(closing.find(u8"PING OK\nPING ЗАВЕРШЕН"), std::string::npos) << closing;
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "273"); // 0x111
    EXPECT_GE(Count("OsNetPing"), 2);
    EXPECT_EQ(conn_is_up(), 0) << "the link is taken down at the end";
    EXPECT_STREQ(settings_get("ConnPing", "Address"), "127.0.0.1");
    EXPECT_NE(fiscaltest::ReadFile("data/kktsettings.xml").find("<ConnPing Address=\"127.0.0.1\" Timeout=\"1\""),
              std::string::npos);
}

TEST_F(PingTest, EscStopsTheRun)
{
    // A target that answers after a while, so the run is long enough.
    Net("ping 10.9.9.9 -3307 delay 150\n");
    size_t box = Trace("msgbox").size();
    Script({{"common_dlg_ping.xml", {}, [] { timespec t{0, 600 * 1000 * 1000}; nanosleep(&t, nullptr); }},
            {u8"PING ПРЕРВАН", {KEY_ENTER}}});
    std::thread esc([this] {
        timespec t{1, 0};
        nanosleep(&t, nullptr);
        Key(KEY_CANCEL);
    });
    ping_run(ui, "10.9.9.9", 60);
    esc.join();
    EndScript();
    std::string closing = Closing(box);
    EXPECT_EQ(closing.rfind(u8"PING ПРЕРВАН|\nОШИБКА СЕТЕВОГО СОЕДИНЕНИЯ", 0), 0u) << closing;
    EXPECT_EQ(closing.find(u8"PING ЗАВЕРШЕН"), std::string::npos);
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "281"); // 0x119
    EXPECT_EQ(conn_is_up(), 0);
}

TEST_F(PingTest, AnswersShownUntilOneEndsTheRun)
{
    // -3308 has no line; -1003 ends the run before its duration.
    Net("ping 10.1.1.1 0 -1001 -3308 -3307 -1003 0\n");
    // A link up before: taken down at the end all the same.
    ASSERT_EQ(conn_connect(nullptr, "lan"), 0);
    ASSERT_EQ(conn_is_up(), 1);
    size_t box = Trace("msgbox").size();
    Script({{"common_dlg_ping.xml"}, {u8"PING ЗАВЕРШЕН", {KEY_ENTER}}});
    ping_run(ui, "10.1.1.1", 60);
    EndScript();
    EXPECT_EQ(Closing(box), u8"PING ЗАВЕРШЕН|\nPING OK\nПРЕВЫШЕН ТАЙМАУТ\nОШИБКА СЕТЕВОГО СОЕДИНЕНИЯ\nОШИБКА ПАРАМЕТРОВ");
    EXPECT_EQ(Count("OsNetPing"), 5);
    EXPECT_EQ(conn_is_up(), 0);
}

TEST_F(PingTest, UnknownNameEndsAtOnce)
{
    size_t box = Trace("msgbox").size();
    Script({{"common_dlg_ping.xml"}, {u8"PING ЗАВЕРШЕН", {KEY_ENTER}}});
    ping_run(ui, "nohost.invalid", 60);
    EndScript();
    EXPECT_EQ(Closing(box), u8"PING ЗАВЕРШЕН|\nИмя не известно");
    EXPECT_EQ(Count("OsNetPing"), 0);
}

TEST_F(PingTest, RefusedEntriesAndAFailedLinkStillKeepTheValues)
{
    // Duration 0: refused before anything is connected.
    settings_set("ConnPing", "Address", "127.0.0.1");
    settings_set("ConnPing", "Timeout", "0");
    size_t box = Trace("msgbox").size();
    Script({{"common_dlg_ping_adr.xml", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    ping_dialog(ui);
    EndScript();
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕН ТАЙМАУТ!"});
    EXPECT_TRUE(Log().empty());

    // The link does not come up (the cable is out): the values are kept.
    std::ofstream(NetRoot::root + "/sys/class/net/eth1/carrier") << "0\n";
    Net("dhcp-start eth1 -1004\n");
    settings_set("ConnPing", "Timeout", "5");
    Script({{"common_dlg_ping_adr.xml", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    ping_dialog(ui);
    EndScript();
    EXPECT_EQ(Count("OsNetPing"), 0);
    EXPECT_NE(fiscaltest::ReadFile("data/kktsettings.xml").find("Timeout=\"5\""), std::string::npos);
}

} // namespace
} // namespace commstest
