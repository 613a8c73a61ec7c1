// The external-host mode end to end: kktsim, cashdesk and hostsim (the PC)
// as processes of their own; the PC speaks over the USB device port (a pty
// hostsim links where the OS stand-in looks for port 11).
#include "CashdeskE2e.h"

#include <algorithm>

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
                                         dir + "/host.jsonl", "--timeout", "20000"};
        args.insert(args.end(), link.begin(), link.end());
        host = spawn(dir, args);
        ASSERT_GT(host, 0);
    }
    int WaitHost()
    {
        long end = nowMs() + 60000;
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
        long end = nowMs() + 20000;
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
    long end = nowMs() + 20000;
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

} // namespace
