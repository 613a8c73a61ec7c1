// The servers' parameters: the address splitter and the entries' check as
// tables, the dialogs against the controller stand-in with real dialogs and
// keys through the keypad: what they show, what they refuse, the record
// written with 0x66 and the section kept in the settings.
#include "FiscalFixture.h"

#include "server_params.h"
#include "settings.h"

namespace fiscaltest {
namespace {

const char *kOfdDialog = "kkt_dlg_ofd_param.xml";
const char *kKeysDialog = "kkt_dlg_as_okp_param.xml";

TEST(ServerUrl, SplitIntoHostAndPort)
{
    const std::string host255(255, 'h'), host256(256, 'h');
    const struct {
        std::string text;
        size_t size;
        int ok;
        std::string host;
        unsigned port;
    } cases[] = {
        {"tcp://keys.example:26101", 256, 1, "keys.example", 26101},
        {"https://ofd.example.ru:7777/path?a=b:c", 256, 1, "ofd.example.ru", 7777},
        {"tcp:h:80", 256, 1, "h", 80},
        {"x:/:/:h:65535", 256, 1, "h", 65535},
        {"tcp://10.0.0.1:1", 256, 1, "10.0.0.1", 1},
        {"tcp://" + host255 + ":5", 256, 1, host255, 5},
        // A host longer than the buffer is refused, not cut.
        {"tcp://" + host256 + ":5", 256, 0, "", 0},
        {"tcp://abcdefgh:5", 8, 0, "", 0},
        {"tcp://abcdefg:5", 8, 1, "abcdefg", 5},
        {"tcp://h:0", 256, 0, "", 0},
        {"tcp://h:65536", 256, 0, "", 0},
        {"tcp://h:99999999999999999999", 256, 0, "", 0},
        {"tcp://h:-1", 256, 0, "", 0},
        {"tcp://h:", 256, 0, "", 0},
        {"tcp://h", 256, 0, "", 0},
        {"tcp://:80", 256, 0, "", 0},
        {"://h:80", 256, 0, "", 0},
        {"", 256, 0, "", 0},
    };
    for (const auto &c : cases) {
        char host[300];
        memset(host, 'x', sizeof host);
        uint16_t port = 7;
        EXPECT_EQ(parse_server_url(c.text.c_str(), host, c.size, &port), c.ok) << c.text;
        EXPECT_EQ(std::string(host), c.host) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
        EXPECT_EQ(host[c.size], 'x') << "written past the buffer: " << c.text;
    }
    char host[4] = "abc";
    uint16_t port = 1;
    EXPECT_EQ(parse_server_url(nullptr, host, sizeof host, &port), 0);
    EXPECT_STREQ(host, "");
    EXPECT_EQ(port, 0);
}

TEST(ServerFields, CheckedInTheDialogsOrder)
{
    const char *zero = "ТАЙМАУТ НЕ МОЖЕТ БЫТЬ НУЛЕВЫМ!";
    const struct {
        ServerKind kind;
        const char *addr, *port, *period, *recv, *send;
        const char *box;
    } cases[] = {
        {SERVER_OFD, "ofd.example", "7777", "60", "30", "30", nullptr},
        {SERVER_OFD, "h", "65535", "65535", "9999", "9999", nullptr},
        {SERVER_OFD, "", "7777", "60", "30", "30", "НЕ ВВЕДЕН АДРЕС ХОСТА ОФД!"},
        {SERVER_OISM, "", "", "", "", "", "НЕ ВВЕДЕН АДРЕС ХОСТА ОИСМ!"},
        {SERVER_KEYS, "", "1", "1", "1", "1", "НЕ ВВЕДЕН АДРЕС ХОСТА АС ОКП!"},
        {SERVER_OFD, "h", "", "60", "30", "30", "НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!"},
        {SERVER_OFD, "h", "0", "60", "30", "30", "НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!"},
        // Above the controller's 16-bit word: refused, never cut to it
        // (70000 would be written as 4464).
        {SERVER_OFD, "h", "70000", "60", "30", "30", "НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!"},
        {SERVER_OISM, "h", "65536", "60", "30", "30", "НЕ ВВЕДЕН ПОРТ ХОСТА ОИСМ!"},
        {SERVER_KEYS, "h", "abc", "60", "30", "30", "НЕ ВВЕДЕН ПОРТ ХОСТА АС ОКП!"},
        {SERVER_OFD, "h", "1", "0", "30", "30", zero},
        {SERVER_OFD, "h", "1", "70000", "30", "30", zero},
        {SERVER_OFD, "h", "1", "60", "", "30", zero},
        {SERVER_OFD, "h", "1", "60", "30", "65536", zero},
        {SERVER_KEYS, "h", "1", "60", "30", "0", zero},
    };
    for (const auto &c : cases) {
        const char *box = server_fields_check(c.kind, c.addr, c.port, c.period, c.recv, c.send);
        EXPECT_STREQ(box, c.box) << c.addr << " " << c.port << " " << c.period << " " << c.recv << " " << c.send;
    }
    uint16_t v = 1;
    EXPECT_TRUE(server_field_number("", &v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(server_field_number("065535", &v));
    EXPECT_EQ(v, 65535);
    EXPECT_FALSE(server_field_number("65536", &v));
    EXPECT_FALSE(server_field_number("1 ", &v));
}

class ServerDialogTest : public FiscalTest {
protected:
    // The settings section of a dialog as "key=value" pairs in key order.
    std::string Section(const char *name)
    {
        std::string out;
        for (const char *key : {"URL", "port", "sleepTimeout", "readTimeout", "writeTimeout"}) {
            const char *v = settings_get(name, key);
            out += std::string(key) + "=" + (v ? v : "-") + " ";
        }
        return out;
    }
    std::string Saved() { return ReadFile("data/kktsettings.xml"); }
    // The boxes but the runner's wait notices.
    std::vector<std::string> Asked(size_t from)
    {
        std::vector<std::string> out;
        for (const std::string &b : Boxes(from))
            if (b.rfind(u8"ПОДОЖДИТЕ|", 0) != 0)
                out.push_back(b);
        return out;
    }
};

TEST_F(ServerDialogTest, OfdValuesReadWrittenAndKept)
{
    Drive("drive ofd-host ofd.example.ru\ndrive ofd-port 7777\ndrive ofd-times 120 40 50\n");
    size_t box = Trace("msgbox").size();
    Script({{kOfdDialog, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    EXPECT_EQ(Asked(box), std::vector<std::string>{u8"ВНИМАНИЕ|БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ "
                                                   u8"СЕРВЕРА ОФД!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?"});
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "67"), 1);
    // Port, period, receive and send time-outs (words, low byte first), the
    // host; no index for the OFD.
    EXPECT_EQ(LastFields(sim->JournalPath(), "66"),
              (std::vector<std::string>{"611E", "7800", "2800", "3200", "ofd.example.ru"}));
    EXPECT_EQ(Section("CmdOFDParam"), "URL=ofd.example.ru port=7777 sleepTimeout=120 readTimeout=40 writeTimeout=50 ");
    EXPECT_NE(Saved().find("<CmdOFDParam URL=\"ofd.example.ru\""), std::string::npos) << Saved();

    // All five known: cancel leaves at once, nothing is written.
    size_t in = TakenCount();
    box = Trace("msgbox").size();
    Script({{kOfdDialog, {KEY_CANCEL}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    EXPECT_EQ(Asked(box).size(), 0u);
    EXPECT_EQ(Taken(in), std::vector<std::string>{"67"});
}

// The exchange reaches the host and port of the settings' OFD section where
// it names them: the dialog shows that address, not the record's port 0.
TEST_F(ServerDialogTest, OfdAddressShownIsTheOneTheExchangeUses)
{
    Drive("drive ofd-host 10.0.0.5\ndrive ofd-port 0\ndrive ofd-times 60 30 30\n");
    mxml_node_t *shift = settings_node("shift");
    if (!shift)
        shift = mxmlNewElement(settings_root(), "shift");
    mxml_node_t *ofd = settings_node("shift/ofd");
    if (!ofd)
        ofd = mxmlNewElement(shift, "ofd");
    mxmlElementSetAttr(ofd, "host", "127.0.0.1");
    mxmlElementSetAttr(ofd, "port", "4321");
    Script({{kOfdDialog, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    // 4321 is 0x10E1, low byte first.
    EXPECT_EQ(LastFields(sim->JournalPath(), "66"),
              (std::vector<std::string>{"E110", "3C00", "1E00", "1E00", "127.0.0.1"}));
}

TEST_F(ServerDialogTest, GapsFromTheSettingsAndEntriesRefused)
{
    // Port 0 and a receive time-out of 5 characters are not shown: the
    // settings fill them.
    Drive("drive ofd-host 10.0.0.5\ndrive ofd-port 0\ndrive ofd-times 60 10000 30\n");
    settings_set("CmdOFDParam", "URL", "other.example");
    settings_set("CmdOFDParam", "port", "9999");
    settings_set("CmdOFDParam", "readTimeout", "25");
    settings_set("CmdOFDParam", "sleepTimeout", "77");
    size_t box = Trace("msgbox").size();
    // Port cleared and 70000 typed: refused with the port's box, the entry
    // kept; then 8 typed over it.
    std::vector<uint16_t> port70000 = {KEY_DOWN, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE};
    for (uint16_t k : Digits("70000"))
        port70000.push_back(k);
    Script({{kOfdDialog, port70000},
            {u8"ОШИБКА", {KEY_ENTER}},
            // The dialog comes back with the port in focus.
            {kOfdDialog, {KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, DigitKey('8'),
                          KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_CANCEL}},
            {kOfdDialog, {KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    std::vector<std::string> boxes = Asked(box);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], u8"ОШИБКА|НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!");
    EXPECT_EQ(LastFields(sim->JournalPath(), "66"),
              (std::vector<std::string>{"0800", "3C00", "1900", "1E00", "10.0.0.5"}));
    EXPECT_EQ(Section("CmdOFDParam"), "URL=10.0.0.5 port=8 sleepTimeout=60 readTimeout=25 writeTimeout=30 ");
}

TEST_F(ServerDialogTest, CancelAsksWhileTheControllerLacksValues)
{
    Drive("drive ofd-host 10.0.0.5\ndrive ofd-port 0\n");
    size_t box = Trace("msgbox").size();
    Script({{kOfdDialog, {KEY_CANCEL}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kOfdDialog, {KEY_CANCEL}}, {u8"ВНИМАНИЕ", {KEY_CANCEL}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    EXPECT_EQ(Asked(box), std::vector<std::string>(2, u8"ВНИМАНИЕ|ПАРАМЕТРЫ НЕ СОХРАНЕНЫ В КФН!!!\nПРОДОЛЖИТЬ?"));
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "66"), 0);
    EXPECT_EQ(settings_get("CmdOFDParam", "URL"), nullptr);
}

TEST_F(ServerDialogTest, EntriesKeptWhenTheControllerRefusesThem)
{
    Drive("drive ofd-host ofd.example\ndrive ofd-port 7777\nanswer 66 error=19\n");
    Script({{kOfdDialog, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdOFDParam(ui, "ПАРАМЕТРЫ ОФД");
    EndScript();
    EXPECT_EQ(Section("CmdOFDParam"), "URL=ofd.example port=7777 sleepTimeout=60 readTimeout=30 writeTimeout=30 ");
    EXPECT_NE(Saved().find("<CmdOFDParam"), std::string::npos);
}

TEST_F(ServerDialogTest, KeyServiceAddressFromTheDriveAndFixedTimeouts)
{
    Drive("drive keys-server stale.example 1000\ndrive keys-times 60 20 20\ndrive key-address "
          "tcp://keys.example:26101\n");
    Script({{kKeysDialog, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdASOKPParam(ui, "СЕРВЕР АС ОКП");
    EndScript();
    std::vector<std::string> taken = Taken();
    ASSERT_GE(taken.size(), 3u);
    EXPECT_EQ(taken[0], "9E");
    EXPECT_EQ(taken[1], "67");
    EXPECT_EQ(LastFields(sim->JournalPath(), "9E"), std::vector<std::string>{"01"});
    EXPECT_EQ(LastFields(sim->JournalPath(), "67"), std::vector<std::string>{"02"});
    // The drive's address wins over the record; the time-outs go as 30, 30,
    // 30 whatever was shown, and the edited ones are kept.
    EXPECT_EQ(LastFields(sim->JournalPath(), "66"),
              (std::vector<std::string>{"F565", "1E00", "1E00", "1E00", "keys.example", "02"}));
    EXPECT_EQ(Section("CmdASOKPParam"), "URL=keys.example port=26101 sleepTimeout=60 readTimeout=20 writeTimeout=20 ");
}

TEST_F(ServerDialogTest, MarkingServerWithoutAnAddressInTheDrive)
{
    Drive("drive oism-server oism.example 19000\ndrive oism-times 300 15 16\n");
    Script({{"kkt_dlg_oism_param.xml", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdOISMParam(ui, "СЕРВЕР ОИСМ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "66"),
              (std::vector<std::string>{"384A", "2C01", "0F00", "1000", "oism.example", "01"}));
    EXPECT_EQ(Section("CmdOISMParam"), "URL=oism.example port=19000 sleepTimeout=300 readTimeout=15 writeTimeout=16 ");
}

TEST_F(ServerDialogTest, ServersOutsideMarkingModeRefused)
{
    Drive();
    size_t box = Trace("msgbox").size();
    Script({{u8"ВНИМАНИЕ", {KEY_ENTER}}});
    on_serv_par(ui, "ПАРАМЕТРЫ СЕРВЕРОВ");
    EndScript();
    EXPECT_EQ(Asked(box), std::vector<std::string>{u8"ВНИМАНИЕ|Доступ закрыт. ККТ не зарегистрирован для ФФД 1.2 с ТМТ"});
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "9");
}

TEST_F(ServerDialogTest, ChooserInMarkingMode)
{
    Drive("drive ffd 1.2\ndrive marking 00000100\n");
    Script({{"kkt_dlg_select_server.xml", {KEY_DOWN, KEY_ENTER}}, {kKeysDialog, {KEY_CANCEL}}, {u8"ВНИМАНИЕ", {KEY_CANCEL}}});
    on_serv_par(ui, "ПАРАМЕТРЫ СЕРВЕРОВ");
    EndScript();
    Script({{"kkt_dlg_select_server.xml", {KEY_CANCEL}}});
    EXPECT_EQ(select_server_dialog(ui), -1);
    EndScript();
}

} // namespace
} // namespace fiscaltest
