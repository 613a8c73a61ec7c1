// The servers' parameters, the connection editor and ping end to end:
// kktsim and cashdesk as processes of their own, keys through the keypad
// FIFO as each screen comes up, the OS stand-in's network script and log
// in the terminal root, the settings file read back from the sandbox.
#include "CashdeskE2e.h"

namespace {

using namespace e2e;

const uint16_t KEY_NEXT_OCTET = 59;

class ServersE2e : public Cashdesk {
protected:
    void Start(const std::string &drive = "", const std::string &settings = "", const std::string &net = "")
    {
        ASSERT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' '" + root + "/data/osal' && echo 1 >'" + root +
                          "/sys/class/net/eth1/carrier'")
                             .c_str()),
                  0);
        if (!net.empty())
            std::ofstream(root + "/data/osal/network") << net;
        if (!settings.empty())
            std::ofstream(dir + "/data/kktsettings.xml")
                << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>" << settings << "</settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + drive);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
    }
    void Digits(const std::string &text)
    {
        for (char c : text)
            Key(static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')));
    }
    std::string Settings() { return readFile(dir + "/data/kktsettings.xml"); }
    std::string NetLog() { return readFile(root + "/data/osal/network.log"); }
    // The last request with the code as the stand-in's journal keeps it.
    std::string LastRequest(const std::string &code)
    {
        std::string last;
        for (const Entry &e : ReadJournal(journal, "in", 1))
            if (e.Get("code") == code)
                last = e.line;
        return last;
    }
    // Back from the editor's menu to the main menu, and out.
    void LeaveEditor()
    {
        WaitForm("common_menu_conn_menu.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_ofd.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }
};

TEST_F(ServersE2e, OfdParametersReadRefusedWrittenAndKept)
{
    Start("drive ofd-host 10.0.0.5\ndrive ofd-port 0\ndrive ofd-times 120 40 50\n");
    Choose("kkt_menu_ofd.xml", "ofd_par");
    WaitForm("kkt_dlg_ofd_param.xml");
    EXPECT_NE(LastRequest("67"), "");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_ofd_param.xml");
    Key(KEY_DOWN);
    Key(KEY_BACKSPACE, 2);
    Digits("70000");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!") << "above 65535";
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_ofd_param.xml");
    Key(KEY_BACKSPACE, 5);
    Digits("7777");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"),
              u8"БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ СЕРВЕРА ОФД!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    std::string set = LastRequest("66");
    EXPECT_NE(set.find("\"fields\":[\"611E\",\"7800\",\"2800\",\"3200\",\"10.0.0.5\"]"), std::string::npos) << set;
    EXPECT_NE(Settings().find("<CmdOFDParam URL=\"10.0.0.5\" port=\"7777\" sleepTimeout=\"120\" readTimeout=\"40\" "
                              "writeTimeout=\"50\""),
              std::string::npos)
        << Settings();
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(ServersE2e, ServersOutsideMarkingModeRefused)
{
    Start();
    Choose("kkt_menu_ofd.xml", "serv_par");
    Entry box = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(box.Get("text"), u8"Доступ закрыт. ККТ не зарегистрирован для ФФД 1.2 с ТМТ");
    EXPECT_EQ(box.Num("flags"), 9);
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_EQ(LastRequest("66"), "");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(ServersE2e, StaticEthernetMadeRenamedAndDeleted)
{
    Start();
    Choose("kkt_menu_ofd.xml", "Conn_SetParam");
    WaitForm("common_menu_conn_menu.xml");
    Choose("common_menu_conn_menu.xml", "new");
    // Type row 3 (the LAN-USB adapter), then the static row and 10.0.0.5.
    WaitForm("common_conn_dlg_type.xml");
    Key(KEY_DOWN);
    Digits("8885");
    Key(KEY_ENTER);
    WaitForm("common_conn_dlg_eth.xml");
    Digits("885");
    Key(KEY_DOWN);
    Digits("10");
    Key(KEY_NEXT_OCTET, 3);
    Digits("5");
    Key(KEY_ENTER);
    WaitBox(u8"УСПЕШНО");
    Key(KEY_ENTER);
    EXPECT_NE(Settings().find(u8"<conn name=\"НОВОЕ\" type=\"ETH1\" dhcp=\"0\" ip=\"10.0.0.5\""), std::string::npos)
        << Settings();

    WaitForm("common_menu_conn_menu.xml");
    Choose("common_menu_conn_menu.xml", "rename");
    WaitFor("form", [](const Entry &e) { return e.Get("header") == u8"ВЫБОР СОЕДИНЕНИЯ"; });
    Key(KEY_ENTER);
    WaitForm("common_conn_dlg_rename.xml");
    Key(KEY_BACKSPACE, 6);
    Digits("42");
    Key(KEY_ENTER);
    WaitForm("common_menu_conn_menu.xml");
    EXPECT_NE(Settings().find("<conn name=\"42\" type=\"ETH1\""), std::string::npos) << Settings();

    Choose("common_menu_conn_menu.xml", "delete");
    WaitFor("form", [](const Entry &e) { return e.Get("header") == u8"ВЫБОР СОЕДИНЕНИЯ"; });
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ПОДТВЕРДИТЕ").Get("text"), u8"УДАЛИТЬ СОЕДИНЕНИЕ 42, ВЫ УВЕРЕНЫ?");
    Key(KEY_ENTER);
    WaitForm("common_menu_conn_menu.xml");
    EXPECT_EQ(Settings().find("<conn "), std::string::npos) << Settings();
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_ofd.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(ServersE2e, NewWifiThroughTheScanThenNewTakesItDownFirst)
{
    Start("", "", "wifi-ap 9 16 -50 Home\nwifi-connect 0\n");
    Choose("kkt_menu_ofd.xml", "Conn_SetParam");
    WaitForm("common_menu_conn_menu.xml");
    Choose("common_menu_conn_menu.xml", "new");
    WaitForm("common_conn_dlg_type.xml");
    Key(KEY_ENTER); // WIFI
    WaitFor("form", [](const Entry &e) { return e.Get("header") == u8"ВЫБОР WIFI ТОЧКИ"; });
    Key(KEY_ENTER);
    WaitForm("common_conn_dlg_wifi_pass.xml");
    Digits("5678");
    Key(KEY_ENTER);
    WaitBox(u8"УСПЕШНО");
    Key(KEY_ENTER);
    WaitForm("common_menu_conn_menu.xml");
    EXPECT_NE(Settings().find(u8"<conn name=\"НОВОЕ\" type=\"WIFI\" apn=\"Home\""), std::string::npos) << Settings();
    std::string before = NetLog();
    EXPECT_NE(before.find("\"call\":\"OsWifiConnect\""), std::string::npos);
    EXPECT_EQ(before.find("\"call\":\"OsWifiDisconnect\""), std::string::npos) << "the link stays up";

    // New with the link up: it goes down before the new one's dialog.
    Choose("common_menu_conn_menu.xml", "new");
    WaitForm("common_conn_dlg_type.xml");
    std::string after = NetLog().substr(before.size());
    size_t down = after.find("\"call\":\"OsWifiDisconnect\"");
    EXPECT_NE(down, std::string::npos) << after;
    EXPECT_NE(after.find("\"call\":\"OsWifiClose\"", down), std::string::npos) << after;
    Key(KEY_CANCEL);
    LeaveEditor();
}

TEST_F(ServersE2e, PingStoppedWithEsc)
{
    Start("",
          "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"1\"/></connections>"
          "<ConnPing Address=\"10.9.9.9\" Timeout=\"60\"/>",
          "ping 10.9.9.9 -3307 delay 150\n");
    Choose("kkt_menu_ofd.xml", "Conn_SetParam");
    WaitForm("common_menu_conn_menu.xml");
    Choose("common_menu_conn_menu.xml", "ping");
    WaitForm("common_dlg_ping_adr.xml");
    Key(KEY_ENTER);
    WaitForm("common_dlg_ping.xml");
    // A few answers, then Esc.
    long end = testtime::Deadline(10000);
    while (NetLog().find("\"call\":\"OsNetPing\"") == std::string::npos && nowMs() < end)
        pause10ms();
    for (int i = 0; i < 50; ++i)
        pause10ms();
    Key(KEY_CANCEL);
    Entry box = WaitBox(u8"PING ПРЕРВАН");
    EXPECT_EQ(box.Get("text").rfind(u8"\nОШИБКА СЕТЕВОГО СОЕДИНЕНИЯ", 0), 0u) << box.Get("text");
    EXPECT_EQ(box.Num("flags"), 0x119);
    Key(KEY_ENTER);
    LeaveEditor();
}

} // namespace
