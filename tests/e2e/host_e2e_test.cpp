// The external-host mode end to end: kktsim, cashdesk and hostsim (the PC)
// as processes of their own; the PC speaks over the USB device port (a pty
// hostsim links where the OS stand-in looks for port 11).
#include "CashdeskE2e.h"

#include <algorithm>

#include "JsonLines.h"
#include "osal.h"

namespace {

using namespace e2e;

class HostMode : public Cashdesk {
protected:
    void TearDown() override
    {
        if (host > 0) {
            kill(host, SIGTERM);
            waitpid(host, nullptr, 0);
            host = -1;
        }
        Cashdesk::TearDown();
    }
    void StartHost(const std::vector<std::string> &link, const std::string &script)
    {
        std::ofstream(dir + "/host.script") << script;
        std::vector<std::string> args = {HOSTSIM_PATH, "--script", dir + "/host.script", "--journal",
                                         dir + "/host.jsonl", "--timeout", std::to_string(testtime::Ms(20000))};
        args.insert(args.end(), link.begin(), link.end());
        host = spawn(dir, args);
        ASSERT_GT(host, 0);
    }
    int WaitHost()
    {
        long end = testtime::Deadline(60000);
        int status = 0;
        while (waitpid(host, &status, WNOHANG) == 0) {
            if (nowMs() > end) {
                ADD_FAILURE() << "hostsim did not finish";
                return -1;
            }
            pause10ms();
        }
        host = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void OpenHostMode()
    {
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "service");
        WaitForm("kkt_menu_service.xml");
        Choose("kkt_menu_service.xml", "ext_mode");
        WaitForm("kkt_dlg_select_external.xml");
    }
    // The Bluetooth library's stand-in where the program looks for it, its
    // control file, the terminal's Bluetooth name.
    void InstallBt(const char *library, const std::string &control)
    {
        ASSERT_EQ(system(("mkdir -p '" + root + "/data/opt/lib' '" + root + "/data/osal'").c_str()), 0);
        ASSERT_EQ(symlink(library, (root + "/data/opt/lib/libbt.so").c_str()), 0);
        std::ofstream(root + "/data/osal/bt") << control;
        ASSERT_EQ(OsRegSetValue("ro.fac.mach", "T300"), 0);
        ASSERT_EQ(OsRegSetValue("ro.fac.sn", "0000000001"), 0);
    }
    // The stand-in's journal: one JSON object a line.
    std::vector<jsonl::Json> BtLog() { return jsonl::ReadLines(root + "/data/osal/bt.log"); }
    // Waits until the stand-in has journaled that call; the last of them.
    jsonl::Json AwaitBtCall(const std::string &call)
    {
        long end = testtime::Deadline(kWaitMs);
        for (;;) {
            std::vector<jsonl::Json> log = BtLog();
            for (auto it = log.rbegin(); it != log.rend(); ++it)
                if (jsonl::Text(*it, "call") == call)
                    return *it;
            if (nowMs() > end) {
                ADD_FAILURE() << "the library never saw " << call;
                return jsonl::Json::object();
            }
            pause10ms();
        }
    }
    // The chooser's rows as drawn: whether the Bluetooth ones are there.
    bool ChooserOffersBluetooth()
    {
        Entry screen = WaitFor("screen", [](const Entry &e) { return e.line.find("\"WIFI (TCP)\"") != std::string::npos; });
        bool pan = screen.line.find("\"BLUETOOTH (PAN)\"") != std::string::npos;
        bool com = screen.line.find("\"BLUETOOTH (COM)\"") != std::string::npos;
        EXPECT_EQ(pan, com);
        return pan && com;
    }
    void Said(const std::string &file, const std::string &text)
    {
        long end = testtime::Deadline(20000);
        while (readFile(file).find(text) == std::string::npos) {
            if (nowMs() > end) {
                ADD_FAILURE() << file << " never said " << text;
                return;
            }
            pause10ms();
        }
    }
    // Bluetooth off: the chooser has two rows, and a Bluetooth connection
    // (sending to the OFD) says the module is not there.
    void BluetoothIsOff()
    {
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << "<connections><conn name=\"bt\" type=\"Bluetooth\"/></connections></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + "drive ofd-documents 1\n");
        StartCashdesk();
        OpenHostMode();
        EXPECT_FALSE(ChooserOffersBluetooth());
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_service.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        // The main menu keeps "service" selected.
        std::vector<std::string> items = menuItems(dir + "/res/kkt_menu_main.xml");
        long from = std::find(items.begin(), items.end(), "service") - items.begin();
        long to = std::find(items.begin(), items.end(), "ofd") - items.begin();
        ASSERT_LT(to, static_cast<long>(items.size()));
        Key(to > from ? KEY_DOWN : 103, static_cast<int>(to > from ? to - from : from - to));
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
        Choose("kkt_menu_ofd.xml", "ofd_conn");
        Entry box = WaitBox(u8"ОШИБКА");
        EXPECT_EQ(box.Get("text"), u8"Bluetooth модуль не открыт (не найден)\n(ret = -1004)");
        EXPECT_EQ(box.Num("flags"), 9);
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
    }
    // The mode over WiFi on the network script's access point, the dialog
    // listening on loopback.
    void OpenWifiMode(const std::string &scenario = "")
    {
        StartSim(std::string(kRegistered) + "\n" + scenario);
        ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
        std::ofstream(root + "/data/osal/network") << "wifi-ap 9 16 -40 Home\nwifi-connect 0\nwifi-check 0\n";
        StartCashdesk();
        OpenHostMode();
        Choose("kkt_dlg_select_external.xml", "ext_wifi");
        WaitFor("form", [&](const Entry &e) { return e.Get("header") == u8"ВЫБОР WIFI ТОЧКИ"; });
        Key(KEY_ENTER);
        WaitForm("common_conn_dlg_wifi_pass.xml");
        Key(static_cast<uint16_t>(2 + 6)); // 7
        Key(KEY_ENTER);
        WaitForm("kkt_dlg_external.xml");
        Said(trace, "127.0.0.1:4000");
    }
    // A client of its own beside the one StartHost runs.
    pid_t Client(const std::string &name, const std::string &script)
    {
        std::ofstream(dir + "/" + name + ".script") << script;
        return spawn(dir, {HOSTSIM_PATH, "--tcp", "127.0.0.1:4000", "--journal", dir + "/" + name + ".jsonl",
                           "--script", dir + "/" + name + ".script", "--timeout", "20000"});
    }
    pid_t host = -1;
};

TEST_F(HostMode, UsbRelaysFramesShortCommandsARasterAndRawPrintWithThePaperOut)
{
    StartSim(std::string(kRegistered) + "\nanswer 70\nanswer 4F\npaper out\n");
    ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
    StartHost({"--pty", root + "/data/osal/port11"}, R"(# the terminal opens the port when the mode starts
await-open 60000
short 30
expect-short 28
frame 45
expect 45 06
# a frame in pieces of three bytes
split 3 20
frame 45 1 2
expect 45 06
split 0
# a wrong password loses the frame's first byte only
password XXXX
frame 45
password KVMZ
frame 45
expect 45 06
nak
# the receipt-header picture: the reply at once, and once the raster is in
frame 4F 00 02 01
expect 4F 00
split 5 10
raster 2 1
split 0
expect 4F 00
# raw print with the paper out: the held reply says so
frame 70
expect 70 00
raw hello\x1b\x1b
expect 70 19
expect-none 300
)");
    StartCashdesk();
    OpenHostMode();
    Choose("kkt_dlg_select_external.xml", "ext_usb");
    WaitForm("kkt_dlg_external.xml");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");

    // The controller saw the host's requests; the relay's own 0x70 stood in
    // for the picture's 0x4F.
    std::vector<std::string> taken = Taken();
    auto count = [&](const std::string &what) { return std::count(taken.begin(), taken.end(), what); };
    EXPECT_GE(count("DLE 0"), 1);
    EXPECT_EQ(count("45"), 3);
    EXPECT_EQ(count("4F"), 0);
    EXPECT_EQ(count("70"), 2);
    // The picture, 16 x 8 pixels, installed as the receipt header.
    std::string bmp = readFile(root + "/data/tmp/fiscal_header");
    ASSERT_EQ(bmp.size(), 92u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(access((dir + "/data/graph").c_str(), F_OK), -1);
    // Nothing printed without paper.
    EXPECT_EQ(readFile(dir + "/kktsim/paper.txt").find("hello"), std::string::npos);
    std::string events = readFile(root + "/data/osal/events.log");
    EXPECT_NE(events.find("port open 11 57600,8,n,1"), std::string::npos) << events;
    EXPECT_NE(events.find("port close 11"), std::string::npos) << events;
}

TEST_F(HostMode, UsbWithoutAPortShowsItsBox)
{
    StartSim(kRegistered);
    StartCashdesk();
    OpenHostMode();
    Choose("kkt_dlg_select_external.xml", "ext_usb");
    Entry box = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(box.Get("text"), u8"USB_DEV не открыт\n(err = -1004)\nУстройство не найдено.");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_service.xml");
}

TEST_F(HostMode, ChooserHasTwoRowsWithoutBluetoothAndCancels)
{
    StartSim(kRegistered);
    StartCashdesk();
    OpenHostMode();
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");
}

TEST_F(HostMode, WifiClientsReplaceEachOtherLeaveAndComeBackAfterALostLink)
{
    StartSim(kRegistered);
    ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
    const std::string net = root + "/data/osal/network";
    std::ofstream(net) << "wifi-ap 9 16 -40 Home\nwifi-connect 0\nwifi-check 0\n";
    StartCashdesk();
    OpenHostMode();
    Choose("kkt_dlg_select_external.xml", "ext_wifi");
    auto header = [&](const std::string &h) {
        return WaitFor("form", [&](const Entry &e) { return e.Get("header") == h; });
    };
    // No access point stored: the scan's menu at once.
    header(u8"ВЫБОР WIFI ТОЧКИ");
    Key(KEY_ENTER);
    WaitForm("common_conn_dlg_wifi_pass.xml");
    Key(static_cast<uint16_t>(2 + 6)); // 7
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_external.xml");
    // What the relay logs in the dialog it also logs in the controller
    // service's log, which the stand-in keeps.
    const std::string serviceLog = dir + "/kktsim/zizirize.log";
    auto said = [&](const std::string &file, const std::string &text) {
        long end = testtime::Deadline(20000);
        while (readFile(file).find(text) == std::string::npos) {
            if (nowMs() > end) {
                ADD_FAILURE() << file << " never said " << text;
                return;
            }
            pause10ms();
        }
    };
    said(trace, "127.0.0.1:4000");

    // The first client, replaced by a second one while it waits.
    const std::string first = dir + "/first.jsonl";
    std::ofstream(dir + "/one.script") << "connect 20000\nframe 45\nexpect 45 06\nexpect-none 2000\n";
    pid_t one = spawn(dir, {HOSTSIM_PATH, "--tcp", "127.0.0.1:4000", "--journal", first, "--script",
                            dir + "/one.script"});
    ASSERT_GT(one, 0);
    long end = testtime::Deadline(20000);
    while (readFile(first).find("\"dir\":\"in\"") == std::string::npos && nowMs() < end)
        pause10ms();
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nframe 45 2\nexpect 45 06\nclose\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    int status = 0;
    waitpid(one, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(first);
    said(serviceLog, "ext_mode: client connected 127.0.0.1:");
    said(serviceLog, "ext_mode: client replaced 127.0.0.1:");
    said(serviceLog, "ext_mode: client left 127.0.0.1:");

    // The link lost: the sockets close; back again: the listener reopens.
    std::ofstream(net) << "wifi-ap 9 16 -40 Home\nwifi-connect 0\nwifi-check -1012\n";
    said(serviceLog, "ext_mode: link lost");
    std::ofstream(net) << "wifi-ap 9 16 -40 Home\nwifi-connect 0\nwifi-check 0\n";
    said(serviceLog, "ext_mode: listening again on port 4000");
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nshort 30\nexpect-short 28\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");

    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 2);
}

// A client that sends half a frame and goes quiet, then is replaced: the
// next client's frame reaches the controller alone and is answered.
TEST_F(HostMode, ClientReplacedMidFrameLeavesNothingForTheNext)
{
    OpenWifiMode();
    const std::string serviceLog = dir + "/kktsim/zizirize.log";
    // STX, the password, the packet identifier and one character of a code
    pid_t first = Client("first", "connect 20000\nhex 024B564D5A2030\nwait 600000\n");
    ASSERT_GT(first, 0);
    // Once the bytes are written they wait in the terminal's socket: the
    // relay reads a client's bytes before it takes a newcomer.
    Said(dir + "/first.jsonl", "\"dir\":\"out\"");
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nframe 45 2\nexpect 45 06\nclose\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    kill(first, SIGTERM);
    waitpid(first, nullptr, 0);
    Said(serviceLog, "ext_mode: client replaced 127.0.0.1:");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 1);
}

// A client that announces a receipt-header raster and leaves: the next
// client's frame is a command again, not picture data, and no picture is
// left behind.
TEST_F(HostMode, RasterAnnouncedByALeavingClientIsNotTheNextClientsPicture)
{
    OpenWifiMode("answer 70\nanswer 4F\n");
    const std::string serviceLog = dir + "/kktsim/zizirize.log";
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nframe 4F 00 02 01\nexpect 4F 00\nclose\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Said(serviceLog, "ext_mode: client left 127.0.0.1:");
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nframe 45\nexpect 45 06\nclose\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 1);
    EXPECT_EQ(access((dir + "/data/graph").c_str(), F_OK), -1);
    EXPECT_EQ(access((root + "/data/tmp/fiscal_header").c_str(), F_OK), -1);
}

// One client over the USB device port whose frame comes in two pieces
// with a quiet second between them: a pause is not an end, the pieces
// make one frame.
TEST_F(HostMode, UsbFrameInPiecesWithAPauseIsOneFrame)
{
    StartSim(kRegistered);
    ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal'").c_str()), 0);
    StartHost({"--pty", root + "/data/osal/port11"}, "await-open 60000\nsplit 7 1000\nframe 45 1 2\nexpect 45 06\n");
    StartCashdesk();
    OpenHostMode();
    Choose("kkt_dlg_select_external.xml", "ext_usb");
    WaitForm("kkt_dlg_external.xml");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 1);
}

// PAN: the PC reaches the terminal over TCP on the Bluetooth network; the
// device comes from the scan's chooser, the address from DHCP on
// interface 9.
TEST_F(HostMode, BluetoothPanRelaysOverTcpOnTheChosenDevicesNetwork)
{
    InstallBt(BT_LIBRARY, "device AA:BB:CC:DD:EE:01 Office\ndevice AA:BB:CC:DD:EE:02 Laptop\n");
    std::ofstream(root + "/data/osal/network") << "dhcp-start bt 0\n";
    StartSim(kRegistered);
    StartCashdesk();
    OpenHostMode();
    EXPECT_TRUE(ChooserOffersBluetooth());
    Key(KEY_DOWN, 2);
    Key(KEY_ENTER);
    WaitFor("form", [](const Entry &e) { return e.Get("header") == u8"ВЫБОР BLUETOOTH"; });
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_external.xml");
    Said(trace, "127.0.0.1:4000");
    StartHost({"--tcp", "127.0.0.1:4000"}, "connect 20000\nframe 45\nexpect 45 06\nshort 30\nexpect-short 28\nclose\n");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Said(dir + "/kktsim/zizirize.log", "ext_mode: client connected 127.0.0.1:");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");

    jsonl::Json connect = AwaitBtCall("OsPanConnect");
    EXPECT_EQ(jsonl::Text(connect["args"], "addr"), "AA:BB:CC:DD:EE:02");
    EXPECT_EQ(jsonl::Text(AwaitBtCall("OsBluetoothOpen")["args"], "name"), "T300_0000000001");
    // The mode's end takes the link down: the PAN link and the module.
    AwaitBtCall("OsPanDisconnect");
    AwaitBtCall("OsBluetoothClose");
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 1);
}

// SPP: the terminal waits for the PC to pair and open the serial link, then
// relays over the link's serial device (a pty hostsim links where the
// library says the device is).
TEST_F(HostMode, BluetoothSerialWaitsForThePcAndRelaysOverTheSerialDevice)
{
    InstallBt(BT_LIBRARY, "host-connect 1500\nspp-device /dev/rfcomm0\n");
    StartSim(kRegistered);
    // The terminal flushes the device as it sets it raw: the PC starts a
    // moment after the open.
    StartHost({"--pty", root + "/dev/rfcomm0"}, R"(await-open 60000
wait 500
short 30
expect-short 28
frame 45
expect 45 06
split 2
frame 45 1
expect 45 06
)");
    StartCashdesk();
    OpenHostMode();
    Key(KEY_DOWN, 3);
    Key(KEY_ENTER);
    Entry waiting = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(waiting.Get("text").rfind(u8"ЖДЕМ ПОДКЛЮЧЕНИЯ ПО BLUETOOTH\nОСТАЛОСЬ ", 0), 0u) << waiting.line;
    EXPECT_EQ(waiting.Num("flags"), 4);
    WaitForm("kkt_dlg_external.xml");
    EXPECT_EQ(WaitHost(), 0) << readFile(dir + "/host.jsonl");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_service.xml");

    jsonl::Json open = AwaitBtCall("OsBluetoothOpen");
    EXPECT_EQ(jsonl::Text(open["args"], "mode"), "1");
    EXPECT_EQ(jsonl::Text(AwaitBtCall("OsBREDRGetSPPDevice")["args"], "path"), "/dev/rfcomm0");
    jsonl::Json drop = AwaitBtCall("OsBREDRSPPDisconnect");
    EXPECT_EQ(jsonl::Number(drop, "answer", -1), 0) << "the connection the device request named";
    AwaitBtCall("OsBluetoothClose");
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "45"), 2);
}

TEST_F(HostMode, BluetoothOffByPropertyHasTwoRowsAndNoModule)
{
    InstallBt(BT_LIBRARY, "device AA:BB:CC:DD:EE:01 Office\n");
    ASSERT_EQ(OsRegSetValue("ro.fac.bt", "0"), 0);
    BluetoothIsOff();
    EXPECT_TRUE(BtLog().empty()) << "the library was never called";
}

TEST_F(HostMode, BluetoothOffWithALibraryLackingAnEntryPoint)
{
    InstallBt(BT_PARTIAL_LIBRARY, "device AA:BB:CC:DD:EE:01 Office\n");
    BluetoothIsOff();
    EXPECT_TRUE(BtLog().empty()) << "the library was never called";
}

} // namespace
