// The link layer's screens in-process: the toolkit in its own UI thread,
// the dialogs of res/, keys through the keypad FIFO as each screen comes up
// in the trace, the OS stand-in's network calls scripted. A status line with
// the "netlevel" indicator shows the level while a link is up.
//
// The UI thread polls all the time; under the virtual clock its pauses
// would run the clock ahead of the bring-up under test, so these screens
// run in real time and only the waits that are meant to run out are short.
// The exact timings (passes, limits, seconds shown) are tested where one
// thread owns the clock: without a UI (conn_bringup_test.cpp) and with the
// toolkit in the caller's thread (the end of this file).
#include "FiscalFixture.h"

#include <algorithm>
#include <qrencode.h>
#include <string.h>
#include <sys/stat.h>

#include <dirent.h>

#include "CommsFixture.h"
#include "MemScreen.h"
#include "conn_api.h"
#include "conn_bringup.h"
#include "conn_level.h"
#include "conn_record.h"
#include "dialog.h"
#include "ext_mode.h"
#include "qr_dialog.h"
#include "settings.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuNetLevel.h"
#include "vuStatic.h"
#include "vuStatusLine.h"
#include "widget_text.h"

namespace commstest {
namespace {

using fiscaltest::Digits;
using fiscaltest::DigitKey;
using fiscaltest::KEY_CANCEL;
using fiscaltest::KEY_DOWN;
using fiscaltest::KEY_ENTER;
using fiscaltest::Step;

const char *kError = u8"ОШИБКА";
const char *kWaitDialog = "common_conn_dlg_wait.xml";
const char *kKeyDialog = "common_conn_dlg_wifi_pass.xml";

class ScreensTest : public fiscaltest::FiscalTest, public NetRoot {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        // res/ of the sources, file by file, so that a test may add its own.
        const std::string &dir = FiscalTest::root;
        ASSERT_EQ(unlink((dir + "/res").c_str()), 0);
        ASSERT_EQ(mkdir((dir + "/res").c_str(), 0777), 0);
        std::string src = std::string(SOURCE_DIR) + "/res";
        DIR *d = opendir(src.c_str());
        ASSERT_NE(d, nullptr);
        while (dirent *e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            EXPECT_EQ(symlink((src + "/" + e->d_name).c_str(), (dir + "/res/" + e->d_name).c_str()), 0);
        }
        closedir(d);
        NetRoot::root = FiscalTest::root;
        ASSERT_EQ(system(("mkdir -p " + NetRoot::root + "/data/osal " + NetRoot::root + "/sys/class/net/eth1").c_str()),
                  0);
        std::ofstream(NetRoot::root + "/sys/class/net/eth1/carrier") << "1\n";
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        conn_level_reset();

        line = new vuStatusLine(20, 0);
        level = new vuNetLevel(200, 0, 40, 20, nullptr);
        level->SetName("netlevel");
        level->SetVisible(0);
        line->Add(level);
        ASSERT_EQ(ui->SetStatusLine(line), 0);
    }
    void TearDown() override
    {
        if (conn_is_up())
            conn_disconnect();
        conn_net_item = nullptr;
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        FiscalTest::TearDown();
    }
    // Replaces the connections section by one with these elements.
    void Connections(const std::string &xml)
    {
        NoConnections();
        mxml_node_t *section = mxmlNewElement(settings_root(), "connections");
        mxmlLoadString(section, xml.c_str(), MXML_OPAQUE_CALLBACK);
    }
    void NoConnections()
    {
        if (mxml_node_t *old = mxmlFindElement(settings_root(), settings_root(), "connections", nullptr, nullptr,
                                               MXML_DESCEND_FIRST))
            mxmlDelete(old);
    }
    std::string Saved() { return fiscaltest::ReadFile("data/kktsettings.xml"); }
    // Runs the call while the script answers the screens.
    int Run(std::vector<Step> steps, const std::function<int()> &call)
    {
        Script(std::move(steps));
        int r = call();
        EndScript();
        return r;
    }
    bool LevelHooked() { return conn_net_item == level && level->IsVisible(); }

    vuStatusLine *line = nullptr;
    vuNetLevel *level = nullptr;
};

TEST_F(ScreensTest, TypeMenuPresetAndStoredEthernet)
{
    settings_set("conn", "Default", "3");
    size_t box = Trace("msgbox").size();
    EXPECT_EQ(Run({{u8"ТИП СОЕДИНЕНИЯ", {KEY_ENTER}}}, [&] { return conn_connect(ui, nullptr); }), 0);
    EXPECT_EQ(conn_active.type, CONN_ETH1);
    EXPECT_STREQ(conn_active.name, "ETH1");
    EXPECT_STREQ(conn_active.ip, "127.0.0.1");
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"СОЕДИНЕНИЕ|Получение адреса (DHCP)"});
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "4") << "a notice is drawn, not waited for";
    EXPECT_TRUE(LevelHooked());
    std::string saved = Saved();
    EXPECT_NE(saved.find("<conn name=\"ETH1\" type=\"ETH1\" dhcp=\"1\" ip=\"0.0.0.0\" mask=\"0.0.0.0\" gw=\"0.0.0.0\" "
                         "dns=\"0.0.0.0\""),
              std::string::npos)
        << saved;

    // A link up: at once, the level hooked again.
    conn_net_item = nullptr;
    size_t forms = Trace("form").size();
    EXPECT_EQ(conn_connect(ui, nullptr), 0);
    EXPECT_EQ(Trace("form").size(), forms);
    EXPECT_TRUE(LevelHooked());
    conn_disconnect();
    EXPECT_FALSE(level->IsVisible());
    EXPECT_EQ(conn_net_item, nullptr);
}

TEST_F(ScreensTest, TypeMenuWithoutAPresetAndCancelled)
{
    settings_set("conn", "Default", "7");
    // Nothing is preselected: the digit chooses.
    EXPECT_EQ(Run({{u8"ТИП СОЕДИНЕНИЯ", {DigitKey('3')}}}, [&] { return conn_connect(ui, nullptr); }), 0);
    EXPECT_EQ(conn_active.type, CONN_ETH1);
    conn_disconnect();
    // Cancelled: -1, no box, whatever was chosen before.
    NoConnections();
    EXPECT_EQ(Run({{u8"ТИП СОЕДИНЕНИЯ", {KEY_CANCEL}}}, [&] { return conn_connect(ui, nullptr); }), -1);
    EXPECT_EQ(conn_new_type, CONN_NONE);
    EXPECT_EQ(conn_is_up(), 0);
}

TEST_F(ScreensTest, WifiChosenOnTheSpotAsksTheKeyAndIsStored)
{
    Net("wifi-ap 1 0 -70 Guest\nwifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check 1 0\n");
    size_t box = Trace("msgbox").size();
    int r = Run({{u8"ТИП СОЕДИНЕНИЯ", {DigitKey('2')}},
                 {u8"ВЫБОР WIFI ТОЧКИ", {DigitKey('2')}},
                 {kKeyDialog, Digits("12")}},
                [&] { return conn_connect(ui, nullptr); });
    EXPECT_EQ(r, 0);
    EXPECT_STREQ(conn_active.wifi.Essid, "Home");
    EXPECT_EQ(conn_active.wifi.AuthMode, 9);
    EXPECT_GT(conn_active.wifi.u.Psk.KeyLen, 0u);
    std::string key = conn_active.wifi.u.Psk.Key;
    EXPECT_EQ(Boxes(box), (std::vector<std::string>{u8"СОЕДИНЕНИЕ|Инициализация соединения с точкой доступа WIFI",
                                                   u8"СОЕДИНЕНИЕ|Соединяемся с AP\nHome",
                                                   u8"СОЕДИНЕНИЕ|Получение адреса (DHCP)"}));
    std::string saved = Saved();
    EXPECT_NE(saved.find("<conn name=\"WIFI\" type=\"WIFI\" apn=\"Home\" encrypt=\"16\" pass=\"" + key +
                         "\" timeout=\"45s\" dhcp=\"1\" ip=\"0.0.0.0\""),
              std::string::npos)
        << saved;
    EXPECT_TRUE(LevelHooked());
}

TEST_F(ScreensTest, WifiMenuAndKeyCancelled)
{
    Net("wifi-ap 9 16 -50 Home\n");
    Connections("<conn name='w' type='WIFI' apn='Home'/>");
    EXPECT_EQ(Run({{kKeyDialog, {KEY_CANCEL}}}, [&] { return conn_connect(ui, nullptr); }), -5);
    EXPECT_EQ(conn_is_up(), 0);
    Connections("<conn name='w' type='WIFI' apn='Home'/><conn name='x' type='WIFI' apn='Nowhere' pass='k'/>");
    size_t box = Trace("msgbox").size();
    EXPECT_EQ(Run({{u8"ВЫБОР СОЕДИНЕНИЯ", {DigitKey('2')}}}, [&] { return conn_connect(ui, nullptr); }), -22);
    EXPECT_EQ(Boxes(box), std::vector<std::string>{u8"СОЕДИНЕНИЕ|Инициализация соединения с точкой доступа WIFI"})
        << "a network missing from the scan shows no box";
    // A network name not configured: the menu of those found, cancelled.
    conn_clear_active();
    conn_active.timeout_ms = 45000;
    EXPECT_EQ(Run({{u8"ВЫБОР WIFI ТОЧКИ", {KEY_CANCEL}}}, [&] { return conn_up_wifi(ui, &conn_active); }), -5);
}

TEST_F(ScreensTest, ConnectionMenuOnlyForSeveralElements)
{
    Connections(u8"<conn name='Одна' type='ETH1'/>");
    size_t forms = Trace("form").size();
    EXPECT_EQ(conn_connect(ui, nullptr), 0);
    EXPECT_EQ(Trace("form").size(), forms) << "one element: no menu";
    conn_disconnect();

    Connections(u8"<conn type='ETH1' dhcp='0' ip='10.0.0.3'/><conn name='Б' type='ETH1' dhcp='0' ip='10.0.0.4'/>");
    EXPECT_EQ(Run({{u8"ВЫБОР СОЕДИНЕНИЯ", {DigitKey('2')}}}, [&] { return conn_connect(ui, nullptr); }), 0);
    EXPECT_STREQ(conn_active.ip, "10.0.0.4");
    EXPECT_STREQ(conn_last_name, u8"Б") << "the element's name as the file holds it";
    conn_disconnect();
    EXPECT_EQ(Run({{u8"ВЫБОР СОЕДИНЕНИЯ", {KEY_CANCEL}}}, [&] { return conn_connect(ui, nullptr); }), -1);
    // A name finds its element without the menu; a name not there shows it.
    forms = Trace("form").size();
    EXPECT_EQ(conn_connect(ui, u8"Б"), 0);
    EXPECT_EQ(Trace("form").size(), forms);
    conn_disconnect();
    EXPECT_EQ(Run({{u8"ВЫБОР СОЕДИНЕНИЯ", {DigitKey('1')}}}, [&] { return conn_connect(ui, "nope"); }), 0);
    EXPECT_STREQ(conn_active.ip, "10.0.0.3");
}

TEST_F(ScreensTest, GprsPresetsAndTheFinalWait)
{
    Net("wl-login 0\nwl-check -3310 -3310 1 1 0\n");
    int r = Run({{u8"ТИП СОЕДИНЕНИЯ", {DigitKey('1')}}, {u8"ОПЕРАТОР МОБ.СВЯЗИ", {DigitKey('4')}}, {kWaitDialog}},
                [&] { return conn_connect(ui, nullptr); });
    EXPECT_EQ(r, 0);
    EXPECT_STREQ(conn_active.gprs_apn, "internet.tele2.ru");
    EXPECT_STREQ(conn_active.gprs_login, "");
    EXPECT_EQ(conn_active.type, CONN_GPRS);
    std::string saved = Saved();
    EXPECT_NE(saved.find("<conn name=\"GPRS\" type=\"GPRS\" apn=\"internet.tele2.ru\" slot=\"0\" timeout=\"45s\""),
              std::string::npos)
        << saved;
    conn_disconnect();

    // "ПРОЧЕЕ" empties the APN too; the first row fills login and password.
    conn_active.type = CONN_NONE;
    EXPECT_EQ(Run({{u8"ОПЕРАТОР МОБ.СВЯЗИ", {DigitKey('5')}}}, [&] { return gprs_operator_menu(ui); }), 1);
    EXPECT_STREQ(conn_active.gprs_apn, "");
    EXPECT_EQ(Run({{u8"ОПЕРАТОР МОБ.СВЯЗИ", {DigitKey('1')}}}, [&] { return gprs_operator_menu(ui); }), 1);
    EXPECT_STREQ(conn_active.gprs_login, "kvr");
    EXPECT_STREQ(conn_active.gprs_pass, "kvr");
    EXPECT_EQ(Run({{u8"ОПЕРАТОР МОБ.СВЯЗИ", {KEY_CANCEL}}}, [&] { return gprs_operator_menu(ui); }), 0);
    conn_clear_active();
}

TEST_F(ScreensTest, CancelledOperatorMenuReleasesTheModule)
{
    Net("wl-signal 3\n");
    size_t from = Mark();
    EXPECT_EQ(Run({{u8"ТИП СОЕДИНЕНИЯ", {DigitKey('1')}}, {u8"ОПЕРАТОР МОБ.СВЯЗИ", {KEY_CANCEL}}},
                  [&] { return conn_connect(ui, nullptr); }),
              -5);
    std::vector<std::string> calls = Calls(from);
    EXPECT_EQ(calls, (std::vector<std::string>{"OsWlCheck", "OsWlUnLock"}));
    EXPECT_EQ(conn_is_up(), 0);
}

TEST_F(ScreensTest, FinalGprsWaitNotAccepted)
{
    // Cancelled while connecting: -5; ended by an error status: its box, -33.
    Connections("<conn name='g' type='GPRS' apn='internet'/>");
    Net("wl-check -3310 1\n");
    EXPECT_EQ(Run({{kWaitDialog, {KEY_CANCEL}}}, [&] { return conn_connect(ui, "g"); }), -5);
    Net("wl-check -3310 1 1 -3513\n");
    size_t box = Trace("msgbox").size();
    EXPECT_EQ(Run({{kWaitDialog}, {kError, {KEY_ENTER}}}, [&] { return conn_connect(ui, "g"); }), -33);
    std::vector<std::string> boxes = Boxes(box);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), u8"ОШИБКА|Ошибка соединения с провайдером (-3513)\n\nПотерян несущий сигнал GPRS модулем.");
}

// The external-host mode borrows the record: its WiFi link offers the
// access points stored with a key, or a new one that is stored once joined.
TEST_F(ScreensTest, ExternalHostLinks)
{
    Connections("<conn name='e' type='ETH1'/><conn name='a' type='WIFI' apn='Home' pass='k1'/>"
                "<conn name='b' type='WIFI' apn='NoKey'/><conn name='c' type='WIFI' apn='Shop' pass='k2'/>");
    ASSERT_EQ(conn_connect(ui, "e"), 0);
    conn_record user = conn_active;
    conn_net_item = nullptr;
    conn_save_active();

    Net("wifi-ap 9 16 -40 Home\nwifi-ap 5 32 -60 Shop\n");
    EXPECT_EQ(Run({{u8"ВЫБОР WIFI", {DigitKey('3')}}}, [&] { return ext_connect_wifi(ui); }), 0);
    EXPECT_EQ(conn_active.type, CONN_WIFI);
    EXPECT_STREQ(conn_active.wifi.Essid, "Shop");
    EXPECT_STREQ(conn_active.wifi.u.Psk.Key, "k2");
    EXPECT_EQ(conn_active.wifi.AuthMode, 5) << "the scan lends the mode";
    EXPECT_STREQ(conn_active.name, "WIFI");
    EXPECT_TRUE(LevelHooked());
    EXPECT_EQ(Saved().find("name=\"WIFI\""), std::string::npos) << "a stored point is not stored again";
    conn_teardown();

    // A new point: the scan's menu, the key, and the point stored.
    Net("wifi-ap 9 16 -40 Home\nwifi-ap 5 32 -60 Cafe\n");
    int r = Run({{u8"ВЫБОР WIFI", {DigitKey('1')}}, {u8"ВЫБОР WIFI ТОЧКИ", {DigitKey('2')}}, {kKeyDialog, Digits("7")}},
                [&] { return wifi_choose_ap(ui, "ignored", 1); });
    EXPECT_EQ(r, 0);
    EXPECT_NE(Saved().find("<conn name=\"WIFI\" type=\"WIFI\" apn=\"Cafe\" encrypt=\"32\""), std::string::npos)
        << Saved();
    conn_teardown();
    EXPECT_EQ(Run({{u8"ВЫБОР WIFI", {KEY_CANCEL}}}, [&] { return ext_connect_wifi(ui); }), -1);
    EXPECT_EQ(wifi_choose_ap(ui, "", 2), -1) << "only the WiFi mode";

    // Without the Bluetooth library: the PAN link says so, the record is
    // left clear.
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return ext_connect_bt_pan(ui); }), -1006);
    EXPECT_EQ(Boxes().back(), std::string(kError) + u8"|Bluetooth модуль не открыт (не найден)\n(ret = -1004)");
    EXPECT_EQ(conn_is_up(), 0);

    conn_restore_active();
    EXPECT_EQ(memcmp(&conn_active, &user, sizeof user), 0);
    EXPECT_EQ(conn_published_type(), CONN_ETH1);
}

// The mode takes the WiFi module over and closes it at its end: a user's
// link up when it starts goes down first, so its record does not come back
// saying up. (The link's address is not this host's: nothing listens.)
TEST_F(ScreensTest, ExternalHostModeTakesTheUsersLinkDownFirst)
{
    Connections("<conn name='a' type='WIFI' apn='Home' pass='k1'/>");
    Net("wifi-ap 9 16 -40 Home\nconfig wifi 192.0.2.1 255.255.255.0 192.0.2.254 192.0.2.254\n");
    ASSERT_EQ(conn_connect(ui, "a"), 0);
    ASSERT_EQ(conn_is_up(), 1);
    size_t mark = Mark();
    ext_link_kind = EXT_LINK_WIFI;
    Run({{u8"ВЫБОР WIFI", {DigitKey('2')}}, {"kkt_dlg_external.xml", {KEY_CANCEL}}}, [&] {
        run_external_mode(ui);
        return 0;
    });
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(conn_published_type(), CONN_NONE);
    std::vector<std::string> calls = Calls(mark);
    auto first = [&](const char *call) { return std::find(calls.begin(), calls.end(), call) - calls.begin(); };
    ASSERT_LT(first("OsWifiOpen"), static_cast<long>(calls.size()));
    EXPECT_LT(first("OsWifiDisconnect"), first("OsWifiOpen")) << "the user's link went down before the mode's came up";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "OsWifiDisconnect"), 2) << "and the mode's own at its end";
    EXPECT_EQ(calls.back(), "OsWifiClose");
}

TEST_F(ScreensTest, EveryFailureShowsItsBox)
{
    struct Case {
        const char *element;
        const char *script;
        int result;
        const char *box;
    } cases[] = {
        {"<conn name='c' type='WIFI'/>", "", -1, u8"НЕПРАВИЛЬНЫЕ ПАРАМЕТРЫ СОЕДИНЕНИЯ"},
        {"<conn name='c' type='ETH1'/>", "dhcp-start eth1 -3314\n", -10, u8"Ошибка StartDHCP\nerror -3314"},
        {"<conn name='c' type='ETH1'/>", "dhcp-check eth1 1 -3313\n", -11, u8"Ошибка CheckDHCP\nerror -3313"},
        {"<conn name='c' type='ETH1' timeout='1'/>", "dhcp-check eth1 1\n", -11, u8"Ошибка CheckDHCP\nerror -1001"},
        {"<conn name='c' type='ETH1' dhcp='0' ip='10.0.0.1'/>", "set-config eth1 -3305\n", -12,
         u8"Ошибка NetSetConfig\nerror -3305"},
        {"<conn name='c' type='ETH1'/>", "set-route eth1 -3305\n", -13, u8"Ошибка OsNetSetRoute\n(err = -3305)"},
        {"<conn name='c' type='WIFI' apn='Home'/>", "", -20, u8"WiFi модуль не открыт (-1004)\n\nУстройство не найдено."},
        {"<conn name='c' type='WIFI' apn='Home'/>", "wifi-open 0\n", -21, u8"Не найдены WiFi AP (0)\n\n"},
        {"<conn name='c' type='WIFI' apn='Home' pass='k'/>", "wifi-ap 9 16 -50 Home\nwifi-connect -3353\n", -23,
         u8"Ошибка соединения с AP (-3353)\nHome\nНеправильный режим аутентификации или шифрации WiFi модуля."},
        {"<conn name='c' type='WIFI' apn='Home' pass='k' timeout='1'/>",
         "wifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check 1\n", -23,
         u8"Ошибка соединения с AP (-1001)\nHome\nПревышен таймаут."},
        {"<conn name='c' type='GPRS'/>", "", -30, u8"GPRS модуль не открыт (-1004)\n\nУстройство не найдено."},
        {"<conn name='c' type='GPRS'/>", "wl-sim -3509\n", -31,
         u8"Ошибка выбора слота SIM1 (-3509)\n\nSIM карта не найдена."},
        {"<conn name='c' type='GPRS'/>", "wl-init -3503\n", -32,
         u8"Не удалось инициализировать SIM карту (-3503)\n\nОшибка ининциализации GPRS модуля."},
        {"<conn name='c' type='GPRS'/>", "wl-login -3510\n", -33,
         u8"Ошибка соединения с провайдером (-3510)\n\nНе могу зарегистрироваться в сети."},
        {"<conn name='c' type='GPRS' timeout='2'/>", "wl-check -3310 2\n", -33,
         u8"Ошибка соединения с провайдером (-1001)\n\nПревышен таймаут."},
        {"<conn name='c' type='GPRS' timeout='2'/>", "wl-login -1011\n", -33,
         u8"Ошибка соединения с провайдером (-1001)\n\nПревышен таймаут."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.box);
        Connections(c.element);
        Net(c.script);
        size_t box = Trace("msgbox").size();
        EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_connect(ui, "c"); }), c.result);
        std::vector<std::string> boxes = Boxes(box);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back(), std::string(u8"ОШИБКА|") + c.box);
        EXPECT_EQ(Trace("msgbox").back().Get("flags"), "9") << "OK button, alert colours";
        EXPECT_EQ(conn_is_up(), 0);
    }
}

// A `conn` element given as it is: brought up whatever is up, a link that
// is up taken down first; every failure leaves no link.
TEST_F(ScreensTest, ConnectElementTakesTheOldLinkDown)
{
    Connections("<conn name='w' type='WIFI' apn='Home' auth='WPA2' pass='k1'/><conn name='e' type='ETH1'/>"
                "<conn name='bad' type='WIFI'/><conn name='s' type='BluetoothCOM' btmac='00:11:22:33:44:55'/>");
    mxml_node_t *section = settings_node("connections");
    mxml_node_t *wifi = mxmlFindElement(section, section, "conn", "name", "w", MXML_DESCEND_FIRST);
    mxml_node_t *eth = mxmlFindElement(section, section, "conn", "name", "e", MXML_DESCEND_FIRST);
    mxml_node_t *bad = mxmlFindElement(section, section, "conn", "name", "bad", MXML_DESCEND_FIRST);
    mxml_node_t *spp = mxmlFindElement(section, section, "conn", "name", "s", MXML_DESCEND_FIRST);
    Net("wifi-ap 9 16 -50 Home\n");
    ASSERT_EQ(conn_connect_element(ui, wifi), 0);
    EXPECT_EQ(conn_active.type, CONN_WIFI);
    EXPECT_STREQ(conn_last_name, "w");
    EXPECT_TRUE(LevelHooked());

    size_t mark = Mark();
    ASSERT_EQ(conn_connect_element(ui, eth), 0);
    std::vector<std::string> calls;
    for (const std::string &c : Calls(mark))
        if (c != "OsWifiCheck") // the status line's level asks on its own
            calls.push_back(c);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "OsWifiDisconnect") << "the WiFi link goes down before the new one comes up";
    EXPECT_EQ(calls[1], "OsWifiClose");
    EXPECT_EQ(conn_active.type, CONN_ETH1);
    EXPECT_STREQ(conn_last_name, "e");

    size_t box = Trace("msgbox").size();
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_connect_element(ui, bad); }), -1);
    EXPECT_EQ(Boxes(box), std::vector<std::string>{std::string(kError) + u8"|НЕПРАВИЛЬНЫЕ ПАРАМЕТРЫ СОЕДИНЕНИЯ"});
    EXPECT_EQ(conn_is_up(), 0);
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_connect_element(ui, nullptr); }), -1);
    EXPECT_EQ(conn_is_up(), 0);

    // A serial-port element goes to the Bluetooth library, absent here.
    box = Trace("msgbox").size();
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_connect_element(ui, spp); }), -1006);
    EXPECT_EQ(Boxes(box).back(), std::string(kError) + u8"|Bluetooth модуль не открыт (не найден)\n(ret = -1004)");
    EXPECT_EQ(conn_is_up(), 0);
}

// The older search: the configured elements only, its two missing-section
// boxes, never the link-type menu.
TEST_F(ScreensTest, ConfiguredSearchNamesWhatIsMissing)
{
    NoConnections();
    size_t box = Trace("msgbox").size();
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_find_configured(ui, nullptr) != nullptr; }), 0);
    EXPECT_EQ(Boxes(box), std::vector<std::string>{std::string(kError) +
                                                   u8"|НЕ НАЙДЕН РАЗДЕЛ 'connections' В ФАЙЛЕ НАСТРОЕК\nsettings.xml"});
    EXPECT_EQ(conn_new_type, CONN_NONE);

    Connections("<other/>");
    box = Trace("msgbox").size();
    size_t forms = Trace("form").size();
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return conn_find_configured(ui, nullptr) != nullptr; }), 0);
    EXPECT_EQ(Boxes(box),
              std::vector<std::string>{std::string(kError) +
                                       u8"|В ФАЙЛЕ НАСТРОЕК НЕ НАЙДЕНО ОПИСАНИЙ СОЕДИНЕНИЙ (РАЗДЕЛ 'conn')\nsettings.xml"});
    EXPECT_EQ(Trace("form").size(), forms + 1) << "the box alone, no link-type menu";

    Connections("<conn name='a' type='ETH1'/><conn name='b' type='ETH1'/>");
    mxml_node_t *found = conn_find_configured(ui, "b");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(mxmlElementGetAttr(found, "name"), "b");
    EXPECT_EQ(Run({{u8"ВЫБОР СОЕДИНЕНИЯ", {DigitKey('1')}}}, [&] {
                  mxml_node_t *e = conn_find_configured(ui, nullptr);
                  return e ? mxmlElementGetAttr(e, "name")[0] : 0;
              }),
              'a');
    EXPECT_NE(conn_find_configured(nullptr, nullptr), nullptr) << "without a UI the first";
}

// The external-host WiFi link found lost is joined again once.
TEST_F(ScreensTest, WifiRetryOnlyAfterALostLink)
{
    strcpy(conn_active.wifi.Essid, "Home");
    Net("wifi-ap 9 16 -50 Home\n");
    ASSERT_EQ(OsWifiOpen(), 0);
    struct Case {
        int level;
        int calls;
    } cases[] = {{-1, 0}, {0, 0}, {-2, 2}};
    for (const Case &c : cases) {
        ext_net_level = c.level;
        size_t mark = Mark();
        EXPECT_EQ(wifi_retry_connect(), c.level);
        std::vector<std::string> calls = Calls(mark);
        EXPECT_EQ(static_cast<int>(calls.size()), c.calls) << c.level;
        if (c.calls == 2) {
            EXPECT_EQ(calls[0], "OsWifiDisconnect");
            EXPECT_EQ(calls[1], "OsWifiConnect");
            EXPECT_EQ(ext_net_level.load(), -1) << "not usable until the level sees it joined";
        } else {
            EXPECT_EQ(ext_net_level.load(), c.level);
        }
    }
    OsWifiClose();
    ext_net_level = -1;
}

TEST_F(ScreensTest, DhcpWaitDialogWithoutATimeOut)
{
    struct Case {
        const char *script;
        std::vector<Step> steps;
        int result;
    } cases[] = {
        {"dhcp-check eth1 1 1 1 0\n", {{kWaitDialog}}, 0},
        {"dhcp-check eth1 1\n", {{kWaitDialog, {KEY_CANCEL}}}, -5},
        {"dhcp-check eth1 1 1 -3313\n", {{kWaitDialog}, {kError, {KEY_ENTER}}}, -11},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.script);
        Net(c.script);
        conn_clear_active();
        conn_active.dhcp = 1;
        size_t box = Trace("msgbox").size();
        EXPECT_EQ(Run(c.steps, [&] { return conn_up_ip(ui, CONN_IF_ETH1, &conn_active); }), c.result);
        if (c.result == -11) {
            EXPECT_EQ(Boxes(box).back(), u8"ОШИБКА|Ошибка работы DHCP\nerror -3313");
        }
    }
}

// The QR code drawn by the dialog, compared module by module with
// libqrencode's own encoding of the expected text.
struct QrCheck {
    std::string expected;
    int scale = 0;
    int mismatches = -1;
    int side = 0;
};
QrCheck g_qr;

int qrInspect(vuEvent *, intptr_t form)
{
    vuStatic *qr = dynamic_cast<vuStatic *>(reinterpret_cast<vuForm *>(form)->GetByName("qr"));
    vuImage *image = qr ? qr->GetImage() : nullptr;
    QRcode *code = QRcode_encodeString(g_qr.expected.c_str(), 0, QR_ECLEVEL_H, QR_MODE_8, 1);
    if (!image || !code)
        return 1;
    int w = code->width;
    int side = qr->GetWidth() < qr->GetHeight() ? qr->GetWidth() : qr->GetHeight();
    g_qr.scale = (side - 10) / w;
    g_qr.side = image->GetWidth();
    MemScreen screen(image->GetWidth(), image->GetHeight(), 0xFFFF);
    image->SetColor(0x0000);
    image->Draw(&screen, nullptr, 0, 0, 0, 0, image->GetWidth(), image->GetHeight());
    g_qr.mismatches = image->GetHeight() == image->GetWidth() && image->GetWidth() == w * g_qr.scale ? 0 : 1;
    for (int y = 0; y < image->GetHeight(); ++y)
        for (int x = 0; x < image->GetWidth(); ++x) {
            bool dark = code->data[(y / g_qr.scale) * w + x / g_qr.scale] & 1;
            g_qr.mismatches += (screen.At(x, y) == 0x0000) != dark;
        }
    QRcode_free(code);
    return 1;
}

TEST_F(ScreensTest, QrDialogShowsLibqrencodesModules)
{
    std::ofstream(FiscalTest::root + "/res/test_qr.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FORM options=\"x25\" font=\"1\">"
           "<TEXT>QR</TEXT><STATIC name=\"qr\" frame=\"10,10,200,180\"/></FORM>\n";
    const struct {
        const char *text;
        const char *encoded;
    } cases[] = {
        {"t=20261210T1530&s=100.00&fn=9999078900012345", "t=20261210T1530&s=100.00&fn=9999078900012345"},
        {"чек <QR>payload</QR> хвост", "payload"},
        {"<QR>to the end", "to the end"},
    };
    for (const auto &c : cases) {
        g_qr = QrCheck();
        g_qr.expected = c.encoded;
        EXPECT_EQ(qr_dialog(ui, "test_qr.xml", qrInspect, c.text), 1) << c.text;
        EXPECT_EQ(g_qr.mismatches, 0) << c.text;
        EXPECT_GE(g_qr.scale, 1);
        EXPECT_LE(g_qr.side, 170);
    }
    EXPECT_EQ(qr_dialog(nullptr, "test_qr.xml", qrInspect, "x"), 0);
    EXPECT_EQ(Run({{kError, {KEY_ENTER}}}, [&] { return qr_dialog(ui, "no_such_qr.xml", nullptr, "x"); }), 0);
    // A text that does not encode, and a code larger than its widget, show
    // nothing.
    std::ofstream(FiscalTest::root + "/res/test_qr_small.xml")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FORM options=\"x25\" font=\"1\">"
           "<TEXT>QR</TEXT><STATIC name=\"qr\" frame=\"10,10,60,30\"/></FORM>\n";
    std::string huge(3000, 'A');
    size_t forms = Trace("form").size();
    EXPECT_EQ(qr_dialog(ui, "test_qr.xml", nullptr, huge.c_str()), 0);
    EXPECT_EQ(qr_dialog(ui, "test_qr_small.xml", nullptr, "x"), 0) << "(30 - 10) / 21 modules: no whole pixel";
    EXPECT_EQ(Trace("form").size(), forms);
}

// The UI thread draws the level (and asks the stand-in) while the main
// thread re-runs a WiFi bring-up and takes the link down: the level reads
// only the published type and its own cache.
TEST_F(ScreensTest, LevelIsDrawnWhileALinkComesUpAgain)
{
    // Each join answers "joining" 6 times: 1.2 s of 200 ms passes, while the
    // status line is drawn every half second.
    std::string joining = "wifi-ap 9 16 -50 Home\nwifi-connect 1\nwifi-check";
    for (int i = 0; i < 6; ++i)
        joining += " 1";
    joining += " 0\n";
    Net(joining);
    Connections("<conn name='w' type='WIFI' apn='Home' pass='secret'/>");
    ASSERT_EQ(conn_connect(ui, "w"), 0);
    ASSERT_TRUE(LevelHooked());
    for (int i = 0; i < 3; ++i) {
        Net(joining);
        EXPECT_EQ(conn_recheck(ui, 1), 0);
    }
    conn_disconnect();
    EXPECT_EQ(conn_published_type(), CONN_NONE);
    // The level function ran: it wrote the level into the indicator.
    EXPECT_STREQ(level->GetText(), "50");
}

} // namespace
} // namespace commstest


namespace commstest {
namespace {

// The wait dialog's ticks with the toolkit in the caller's thread, where
// the virtual clock moves only with the dialog's own passes.
class CallerModeTest : public shelltest::ShellTest, public NetRoot {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        const std::string &dir = ShellTest::root;
        ASSERT_EQ(getcwd(oldCwd, sizeof oldCwd) != nullptr, true);
        ASSERT_EQ(mkdir((dir + "/res").c_str(), 0777), 0);
        ASSERT_EQ(symlink((std::string(SOURCE_DIR) + "/res/" + kWaitDialog).c_str(),
                          (dir + "/res/" + kWaitDialog).c_str()),
                  0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        settings_new();
        NetRoot::root = dir;
        ASSERT_EQ(system(("mkdir -p " + dir + "/data/osal").c_str()), 0);
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
    }
    void TearDown() override
    {
        OsTestNetScript(nullptr, nullptr, 0);
        conn_clear_active();
        settings_free();
        if (oldCwd[0])
            (void)chdir(oldCwd);
        ShellTest::TearDown();
    }
    char oldCwd[4096] = "";
};

TEST_F(CallerModeTest, WaitTicksCountTheSeconds)
{
    Net("dhcp-check eth1 1 1 0\nwl-check 1 -3513\n");
    vuForm *form = dialog_create(ui, kWaitDialog);
    ASSERT_NE(form, nullptr);
    ui->Add(form);
    intptr_t f = reinterpret_cast<intptr_t>(form);
    conn_wait_iface = CONN_IF_ETH1;
    ASSERT_EQ(OsNetStartDhcp(CONN_IF_ETH1), 0);
    conn_wait_start = OsGetTickCount();
    OsTestClockAdvance(2500);
    EXPECT_EQ(dhcp_wait_tick(nullptr, f), 2);
    EXPECT_STREQ(widget_text(form->GetByName("msg")), "Получение адреса (DHCP)\n2");
    OsTestClockAdvance(1000);
    EXPECT_EQ(dhcp_wait_tick(nullptr, f), 2);
    EXPECT_STREQ(widget_text(form->GetByName("msg")), "Получение адреса (DHCP)\n3");
    EXPECT_EQ(dhcp_wait_tick(nullptr, f), 1);
    EXPECT_EQ(conn_wait_status.load(), 0);

    EXPECT_EQ(gprs_wait_tick(nullptr, f), 2);
    EXPECT_STREQ(widget_text(form->GetByName("msg")), "Соединяемся с мобильной сетью\n3");
    EXPECT_EQ(gprs_wait_tick(nullptr, f), -1);
    EXPECT_EQ(conn_wait_status.load(), -3513);
    ui->Del(form);
}

TEST_F(CallerModeTest, DhcpDialogTicksUntilTheAddressComes)
{
    Net("dhcp-check eth1 1 1 1 1 1 1 1 1 1 1 1 1 0\n");
    conn_active.dhcp = 1;
    EXPECT_EQ(conn_up_ip(ui, CONN_IF_ETH1, &conn_active), 0);
    EXPECT_EQ(Count("OsNetCheckDhcp"), 13) << "one check a pass of the dialog";
    EXPECT_STREQ(conn_active.ip, "127.0.0.1");

    // Without its dialog nothing would wait for the address.
    ASSERT_EQ(unlink((ShellTest::root + "/res/" + kWaitDialog).c_str()), 0);
    Key(KEY_ENTER); // the box saying the dialog could not be made
    conn_clear_active();
    EXPECT_EQ(conn_up_ip(ui, CONN_IF_ETH1, &conn_active), -1);
    EXPECT_EQ(Count("OsNetCheckDhcp"), 13);
}

} // namespace
} // namespace commstest
