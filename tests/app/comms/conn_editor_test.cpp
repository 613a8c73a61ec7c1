// The connection editor: its radio tables, and its menu and dialogs
// in-process with the toolkit in its own UI thread, keys through the keypad
// as each screen comes up, the settings in ./data/ and the OS stand-in's
// network calls scripted.
#include "FiscalFixture.h"

#include "CommsFixture.h"
#include "conn_api.h"
#include "conn_editor.h"
#include "conn_record.h"
#include "osal.h"
#include "settings.h"

namespace commstest {
namespace {

using fiscaltest::Digits;
using fiscaltest::DigitKey;
using fiscaltest::KEY_BACKSPACE;
using fiscaltest::KEY_CANCEL;
using fiscaltest::KEY_DOWN;
using fiscaltest::KEY_ENTER;
using fiscaltest::Step;

const uint16_t KEY_NEXT_OCTET = 59;
const char *kMenu = "common_menu_conn_menu.xml";
const char *kChooser = u8"ВЫБОР СОЕДИНЕНИЯ";
const char *kSaved = u8"УСПЕШНО";

TEST(ConnEditorTables, RowsAndValues)
{
    const uint32_t sec[] = {0, 0x01, 0x02, 0x04, 0x10, 0x20};
    const int32_t auth[] = {0, 1, 2, 5, 7, 9};
    for (unsigned row = 1; row <= 6; ++row) {
        EXPECT_EQ(conn_sec_row(sec[row - 1]), row);
        EXPECT_EQ(conn_sec_value(row), sec[row - 1]);
        EXPECT_EQ(conn_auth_row(auth[row - 1]), row);
        EXPECT_EQ(conn_auth_value(row), auth[row - 1]);
    }
    // A value without a row shows row 1; a row outside reads as row 1's.
    EXPECT_EQ(conn_sec_row(0x30), 1u);
    EXPECT_EQ(conn_auth_row(6), 1u);
    EXPECT_EQ(conn_sec_value(0), 0u);
    EXPECT_EQ(conn_sec_value(7), 0u);
    EXPECT_EQ(conn_auth_value(7), 0);
    // "dhcp": row 1 DHCP, row 2 static; both values have their row, so a
    // static element stays static.
    EXPECT_EQ(conn_dhcp_row(1), 1u);
    EXPECT_EQ(conn_dhcp_row(0), 2u);
    EXPECT_EQ(conn_dhcp_value(1), 1);
    EXPECT_EQ(conn_dhcp_value(2), 0);
    EXPECT_EQ(conn_dhcp_value(0), 1);
    EXPECT_EQ(conn_dhcp_value(3), 1);
    EXPECT_EQ(conn_type_of_row(1), CONN_WIFI);
    EXPECT_EQ(conn_type_of_row(2), CONN_GPRS);
    EXPECT_EQ(conn_type_of_row(3), CONN_ETH1);
    EXPECT_EQ(conn_type_of_row(4), CONN_NONE); // no Bluetooth library
    EXPECT_EQ(conn_type_of_row(0), CONN_NONE);
}

class EditorTest : public fiscaltest::FiscalTest, public NetRoot {
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
        OsRegSetValue("ro.fac.simsocket", "2");
        conn_clear_active();
    }
    void TearDown() override
    {
        if (conn_is_up())
            conn_disconnect();
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        FiscalTest::TearDown();
    }
    void Connections(const std::string &xml)
    {
        if (mxml_node_t *old = Section())
            mxmlDelete(old);
        mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
        mxmlLoadString(section, xml.c_str(), MXML_OPAQUE_CALLBACK);
    }
    mxml_node_t *Section()
    {
        return mxmlFindElement(settings_root(), settings_root(), "connections", nullptr, nullptr, MXML_DESCEND_FIRST);
    }
    mxml_node_t *Conn(int n)
    {
        mxml_node_t *e = mxmlFindElement(Section(), Section(), "conn", nullptr, nullptr, MXML_DESCEND_FIRST);
        for (; e && n > 0; --n)
            e = mxmlFindElement(e, Section(), "conn", nullptr, nullptr, MXML_NO_DESCEND);
        return e;
    }
    std::string Attr(mxml_node_t *e, const char *name)
    {
        const char *v = e ? mxmlElementGetAttr(e, name) : nullptr;
        return v ? v : "-";
    }
    std::string Saved() { return fiscaltest::ReadFile("data/kktsettings.xml"); }
    void Menu(std::vector<Step> steps)
    {
        steps.push_back({kMenu, {KEY_CANCEL}});
        Script(std::move(steps));
        conn_menu(ui);
        EndScript();
    }
    // The menu's item n (from 1) chosen.
    static std::vector<uint16_t> Item(int n)
    {
        std::vector<uint16_t> keys(static_cast<size_t>(n - 1), KEY_DOWN);
        keys.push_back(KEY_ENTER);
        return keys;
    }
};

TEST_F(EditorTest, WifiEditedThroughItsPagesKeepsItsValues)
{
    // auth 9 is row 6, encrypt 16 row 5, a static address row 2: each is
    // shown on its row and written back unchanged.
    Connections("<conn name='office' type='WIFI' apn='Office' pass='secret12' auth='9' encrypt='16' dhcp='0' "
                "ip='10.1.2.3' mask='255.255.255.0' gw='10.1.2.1' dns='10.1.2.2' timeout='20s'/>");
    Menu({{kMenu, Item(1)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_wifi_1.xml", {KEY_ENTER}},
          {"common_conn_dlg_wifi_2.xml", {KEY_ENTER}},
          {"common_conn_dlg_wifi_3.xml", {KEY_ENTER}},
          {kSaved, {KEY_ENTER}}});
    mxml_node_t *e = Conn(0);
    EXPECT_EQ(Attr(e, "auth"), "9");
    EXPECT_EQ(Attr(e, "encrypt"), "16");
    EXPECT_EQ(Attr(e, "dhcp"), "0");
    EXPECT_EQ(Attr(e, "ip"), "10.1.2.3");
    EXPECT_EQ(Attr(e, "gw"), "10.1.2.1");
    EXPECT_EQ(Attr(e, "pass"), "secret12");
    EXPECT_EQ(Attr(e, "timeout"), "20000ms");
    EXPECT_EQ(Attr(e, "apn"), "Office");
    EXPECT_EQ(conn_active.type, CONN_NONE) << "the active type is put back";
    EXPECT_EQ(conn_is_up(), 0);
}

// The editor stores the mode and the cipher as numbers; the connect reads
// only their keywords, so it scans and takes the access point's own: an
// element saved by the editor still connects.
TEST_F(EditorTest, WifiSavedByTheEditorConnects)
{
    Connections("<conn name='office' type='WIFI' apn='Office' pass='secret12' auth='7' encrypt='32'/>");
    Menu({{kMenu, Item(1)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_wifi_1.xml", {KEY_ENTER}},
          {"common_conn_dlg_wifi_2.xml", {KEY_ENTER}},
          {"common_conn_dlg_wifi_3.xml", {KEY_ENTER}},
          {kSaved, {KEY_ENTER}}});
    ASSERT_EQ(Attr(Conn(0), "auth"), "7");
    Net("wifi-ap 1 0 -70 Guest\nwifi-ap 9 16 -50 Office\nwifi-connect 0\n");
    const size_t from = Mark();
    Script({});
    EXPECT_EQ(conn_connect(ui, "office"), 0);
    EndScript();
    bool joined = false;
    std::vector<NetCall> log = Log();
    for (size_t i = from; i < log.size(); ++i)
        joined = joined || (log[i].call == "OsWifiConnect" &&
                            log[i].Has("\"essid\":\"Office\",\"auth\":9,\"cipher\":16,\"key\":\"***\""));
    EXPECT_TRUE(joined) << "joined with the access point's mode and cipher";
    EXPECT_EQ(conn_active.type, CONN_WIFI);
}

TEST_F(EditorTest, WifiPagesWalkBackAndCancel)
{
    Connections("<conn name='office' type='WIFI' apn='Office' auth='5'/>");
    size_t saved = Saved().size();
    Menu({{kMenu, Item(1)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_wifi_1.xml", {KEY_ENTER}},
          {"common_conn_dlg_wifi_2.xml", {KEY_CANCEL}},
          {"common_conn_dlg_wifi_1.xml", {KEY_CANCEL}}});
    EXPECT_EQ(Saved().size(), saved);
    EXPECT_EQ(Attr(Conn(0), "auth"), "5");
}

TEST_F(EditorTest, EthernetMadeStaticRenamedAndDeleted)
{
    // New: "type" row 3 (ETH1), "dhcp" row 2 (static), 10.0.0.5.
    std::vector<uint16_t> eth = {DigitKey('8'), DigitKey('8'), DigitKey('5'), KEY_DOWN};
    for (uint16_t k : std::initializer_list<uint16_t>{DigitKey('1'), DigitKey('0'), KEY_NEXT_OCTET, KEY_NEXT_OCTET, KEY_NEXT_OCTET, DigitKey('5'),
                       KEY_ENTER})
        eth.push_back(k);
    Menu({{kMenu, Item(3)},
          {"common_conn_dlg_type.xml", {KEY_DOWN, DigitKey('8'), DigitKey('8'), DigitKey('8'), DigitKey('5'), KEY_ENTER}},
          {"common_conn_dlg_eth.xml", eth},
          {kSaved, {KEY_ENTER}}});
    mxml_node_t *e = Conn(0);
    ASSERT_NE(e, nullptr) << Saved();
    EXPECT_EQ(Attr(e, "name"), u8"НОВОЕ");
    EXPECT_EQ(Attr(e, "type"), "ETH1");
    EXPECT_EQ(Attr(e, "dhcp"), "0");
    EXPECT_EQ(Attr(e, "ip"), "10.0.0.5");
    // Nothing was brought up: the record does not claim a link.
    EXPECT_EQ(conn_is_up(), 0);

    // Renamed: an empty name is refused, then "42".
    size_t box = Trace("msgbox").size();
    std::vector<uint16_t> clear(8, KEY_BACKSPACE);
    std::vector<uint16_t> typed = clear;
    for (uint16_t k : Digits("42"))
        typed.push_back(k);
    clear.push_back(KEY_ENTER);
    Menu({{kMenu, Item(2)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_rename.xml", clear},
          {u8"ОШИБКА", {KEY_ENTER}},
          {"common_conn_dlg_rename.xml", typed}});
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"ОШИБКА|НАЗВАНИЕ НЕ МОЖЕТ БЫТЬ ПУСТЫМ"});
    EXPECT_EQ(Attr(Conn(0), "name"), "42");
    EXPECT_NE(Saved().find("name=\"42\""), std::string::npos);

    // Deleted: asked first; cancel keeps it, OK removes it.
    Menu({{kMenu, Item(4)}, {kChooser, {KEY_ENTER}}, {u8"ПОДТВЕРДИТЕ", {KEY_CANCEL}}});
    EXPECT_NE(Conn(0), nullptr);
    box = Trace("msgbox").size();
    Menu({{kMenu, Item(4)}, {kChooser, {KEY_ENTER}}, {u8"ПОДТВЕРДИТЕ", {KEY_ENTER}}});
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"ПОДТВЕРДИТЕ|УДАЛИТЬ СОЕДИНЕНИЕ 42, ВЫ УВЕРЕНЫ?"});
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "11");
    EXPECT_EQ(Conn(0), nullptr);
    EXPECT_EQ(Saved().find("<conn "), std::string::npos);
}

TEST_F(EditorTest, WithoutConnectionsEditCreatesAndDeleteRefuses)
{
    size_t box = Trace("msgbox").size();
    Menu({{kMenu, Item(1)}, {"common_conn_dlg_type.xml", {KEY_CANCEL}}, {kMenu, Item(4)}, {u8"ОШИБКА", {KEY_ENTER}}});
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"ОШИБКА|НЕТ НАСТРОЕННЫХ СОЕДИНЕНИЙ"});
    Connections("<conn name='x' type='PPP'/>");
    box = Trace("msgbox").size();
    Menu({{kMenu, Item(1)}, {kChooser, {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"ОШИБКА|НЕИЗВЕСТНЫЙ ТИП СОЕДИНЕНИЯ PPP"});
}

TEST_F(EditorTest, GprsPinZeroIsNotStoredAndOneSocketHidesTheSlot)
{
    Connections("<conn name='g' type='GPRS' apn='internet' slot='1' timeout='30s'/>");
    // Two sockets: the slot is read and edited; a PIN "0" is no PIN.
    std::vector<uint16_t> keys = {KEY_DOWN, KEY_DOWN, KEY_DOWN, DigitKey('0'), KEY_ENTER};
    Script({{"common_conn_dlg_gprs.xml", keys}});
    conn_active.type = CONN_GPRS;
    EXPECT_EQ(conn_gprs_dialog(ui, Conn(0)), 1);
    EndScript();
    EXPECT_STREQ(conn_active.gprs_pin, "");
    EXPECT_STREQ(conn_active.gprs_apn, "internet");
    EXPECT_EQ(conn_active.gprs_slot, 1);
    EXPECT_EQ(conn_active.timeout_ms, 30000u);
    // Any other PIN is.
    keys = {KEY_DOWN, KEY_DOWN, KEY_DOWN};
    for (uint16_t k : Digits("1234"))
        keys.push_back(k);
    Script({{"common_conn_dlg_gprs.xml", keys}});
    EXPECT_EQ(conn_gprs_dialog(ui, Conn(0)), 1);
    EndScript();
    EXPECT_STREQ(conn_active.gprs_pin, "1234");

    // One socket: "slot" and "slotn" hidden, the element's slot not read.
    OsRegSetValue("ro.fac.simsocket", "1");
    size_t screens = Trace("screen").size();
    Script({{"common_conn_dlg_gprs.xml", {KEY_ENTER}}});
    EXPECT_EQ(conn_gprs_dialog(ui, Conn(0)), 1);
    EndScript();
    EXPECT_EQ(conn_active.gprs_slot, 0);
    std::vector<fiscaltest::Entry> shown = Trace("screen");
    ASSERT_GT(shown.size(), screens);
    EXPECT_EQ(shown.back().line.find("\"slotn\""), std::string::npos) << shown.back().line;
    conn_clear_active();

    // An empty access point is refused with its box.
    Connections("<conn name='g' type='GPRS'/>");
    size_t box = Trace("msgbox").size();
    Script({{"common_conn_dlg_gprs.xml", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {"common_conn_dlg_gprs.xml", {KEY_CANCEL}}});
    EXPECT_EQ(conn_gprs_dialog(ui, Conn(0)), -1);
    EndScript();
    EXPECT_EQ(Boxes(box),
              std::vector<std::string>{u8"ВНИМАНИЕ|ТОЧКА ДОСТУПА AP НЕ МОЖЕТ ИМЕТЬ ПУСТОЕ ЗНАЧЕНИЕ\n\nПОВТОРИТЕ ВВОД"});
}

TEST_F(EditorTest, BluetoothPagesShowTheElementsValuesByTheirRules)
{
    // Both pages accepted as shown: the record holds what the pages showed.
    struct Case {
        const char *attrs;
        uint16_t scan;    // "timescan": 0 or above 45 gives 10
        uint32_t waitMs;  // btTimeWaitConnect outside 5..60 s gives 30 s
        const char *pin;  // none gives "7351"
        uint8_t dhcp;
        const char *ip;   // an empty field reads as 0.0.0.0
        uint32_t timeoutMs;
    } cases[] = {
        {"btTimeScan='50' btTimeWaitConnect='90'", 10, 30000, "7351", 1, "0.0.0.0", 30000},
        {"btTimeScan='0' btTimeWaitConnect='3' btPinCode='0000' timeout='20s'", 10, 30000, "0000", 1, "0.0.0.0", 20000},
        {"btTimeScan='45' btTimeWaitConnect='60'", 45, 60000, "7351", 1, "0.0.0.0", 30000},
        {"btTimeScan='7' btTimeWaitConnect='10' dhcp='0' ip='192.168.1.5'", 7, 10000, "7351", 0, "192.168.1.5", 30000},
        {"dhcp='0'", 10, 30000, "7351", 1, "0.0.0.0", 30000}, // static without an address counts as DHCP
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.attrs);
        conn_clear_active();
        Connections(std::string("<conn name='pc' type='Bluetooth' btmac='AA:BB:CC:DD:EE:FF' ") + c.attrs + "/>");
        const size_t screens = Trace("screen").size();
        Script({{"common_conn_dlg_bt_1.xml", {KEY_ENTER}}, {"common_conn_dlg_bt_2.xml", {KEY_ENTER}}});
        conn_active.type = CONN_BT;
        EXPECT_EQ(conn_bt_dialog(ui, Conn(0)), 1);
        EndScript();
        EXPECT_EQ(conn_active.bt_scan_time, c.scan);
        EXPECT_EQ(conn_active.bt_wait_connect_ms, c.waitMs);
        EXPECT_STREQ(conn_active.bt_pin, c.pin);
        EXPECT_EQ(conn_active.dhcp, c.dhcp);
        EXPECT_STREQ(conn_active.ip, c.ip);
        EXPECT_EQ(conn_active.timeout_ms, c.timeoutMs);
        EXPECT_STREQ(conn_active.bt_mac, "AA:BB:CC:DD:EE:FF");
        std::vector<fiscaltest::Entry> shown = Trace("screen");
        bool mac = false;
        for (size_t i = screens; i < shown.size(); ++i)
            mac = mac || shown[i].line.find("AA:BB:CC:DD:EE:FF") != std::string::npos;
        EXPECT_TRUE(mac) << "the paired device's address is shown";
    }
}

TEST_F(EditorTest, BluetoothEditedThroughItsPagesIsWrittenBack)
{
    Connections("<conn name='pc' type='Bluetooth' btTimeScan='12' btPinCode='1111' btname='PC' "
                "btmac='AA:BB:CC:DD:EE:FF' dhcp='1' timeout='20s'/>");
    // Left from page 1 (page 2 goes back to it): nothing is saved.
    const std::string before = Saved();
    Menu({{kMenu, Item(1)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_bt_1.xml", {KEY_ENTER}},
          {"common_conn_dlg_bt_2.xml", {KEY_CANCEL}},
          {"common_conn_dlg_bt_1.xml", {KEY_CANCEL}}});
    EXPECT_EQ(Saved(), before);

    // PIN 2468, scan time 30 s, a static 10.0.0.7, timeout 25 s.
    std::vector<uint16_t> page1(4, KEY_BACKSPACE);
    for (uint16_t k : Digits("2468", KEY_DOWN))
        page1.push_back(k);
    page1.push_back(KEY_BACKSPACE);
    page1.push_back(KEY_BACKSPACE);
    for (uint16_t k : Digits("30"))
        page1.push_back(k);
    std::vector<uint16_t> page2 = {DigitKey('8'), DigitKey('8'), DigitKey('5'), KEY_DOWN, DigitKey('1'),
                                   DigitKey('0'), KEY_NEXT_OCTET, KEY_NEXT_OCTET, KEY_NEXT_OCTET, DigitKey('7'),
                                   KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_BACKSPACE, KEY_BACKSPACE};
    for (uint16_t k : Digits("25"))
        page2.push_back(k);
    Menu({{kMenu, Item(1)},
          {kChooser, {KEY_ENTER}},
          {"common_conn_dlg_bt_1.xml", page1},
          {"common_conn_dlg_bt_2.xml", page2},
          {kSaved, {KEY_ENTER}}});
    mxml_node_t *e = Conn(0);
    EXPECT_EQ(Attr(e, "type"), "Bluetooth");
    EXPECT_EQ(Attr(e, "btPinCode"), "2468");
    EXPECT_EQ(Attr(e, "btTimeScan"), "30");
    EXPECT_EQ(Attr(e, "btmac"), "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(Attr(e, "btname"), "PC");
    EXPECT_EQ(Attr(e, "dhcp"), "0");
    EXPECT_EQ(Attr(e, "ip"), "10.0.0.7");
    EXPECT_EQ(Attr(e, "timeout"), "25000ms");
    EXPECT_EQ(conn_active.type, CONN_NONE) << "the active type is put back";
}

TEST_F(EditorTest, NewTakesTheLinkThatIsUpDownFirst)
{
    Connections("<conn name='g' type='GPRS' apn='internet'/>");
    Net("wl-login 0\n");
    Script({{"common_conn_dlg_wait.xml"}});
    ASSERT_EQ(conn_connect(ui, "g"), 0);
    EndScript();
    ASSERT_EQ(conn_active.type, CONN_GPRS);
    size_t from = Mark();
    Menu({{kMenu, Item(3)}, {"common_conn_dlg_type.xml", {KEY_CANCEL}}});
    std::vector<std::string> calls = Calls(from);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "OsWlUnLock") << "the cellular module is released";
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_STREQ(conn_active.gprs_apn, "");
}

TEST_F(EditorTest, NewWifiThatDoesNotComeUpLeavesNoLink)
{
    // No WiFi module: the bring-up's box, no element, and the record does
    // not claim a link (the next connect brings the configured one up).
    size_t box = Trace("msgbox").size();
    Menu({{kMenu, Item(3)}, {"common_conn_dlg_type.xml", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    std::vector<std::string> boxes = Boxes(box);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().rfind(u8"ОШИБКА|WiFi модуль не открыт", 0), 0u) << boxes.back();
    EXPECT_EQ(Conn(0), nullptr);
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(conn_active.type, CONN_NONE);
}

TEST_F(EditorTest, NewWifiFoundByTheScanStaysUp)
{
    Net("wifi-ap 9 16 -50 Home\nwifi-connect 0\n");
    Menu({{kMenu, Item(3)},
          {"common_conn_dlg_type.xml", {KEY_ENTER}},
          {u8"ВЫБОР WIFI ТОЧКИ", {KEY_ENTER}},
          {"common_conn_dlg_wifi_pass.xml", Digits("5678")},
          {kSaved, {KEY_ENTER}}});
    mxml_node_t *e = Conn(0);
    ASSERT_NE(e, nullptr) << Saved();
    EXPECT_EQ(Attr(e, "type"), "WIFI");
    EXPECT_EQ(Attr(e, "apn"), "Home");
    EXPECT_EQ(Attr(e, "name"), u8"НОВОЕ");
    EXPECT_EQ(Attr(e, "dhcp"), "1");
    EXPECT_EQ(Attr(e, "ip"), "0.0.0.0");
    EXPECT_EQ(conn_active.type, CONN_WIFI) << "the link stays up";
    EXPECT_EQ(Count("OsWifiConnect"), 1);
}

} // namespace
} // namespace commstest
