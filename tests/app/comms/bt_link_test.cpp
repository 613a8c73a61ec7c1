// The Bluetooth binding and links without a UI, against the library's
// stand-in (loaded as the program loads it) on the virtual clock: what is
// bound and when Bluetooth is off, the calls in order with what they pass,
// the records the links fill, the bounded waits, the serial device of an
// SPP link on a pseudo-terminal. Every test is a process of its own, so
// each binds the library afresh.
#include "BtFixture.h"
#include "CommsFixture.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>

#include "bt_link.h"
#include "conn_bringup.h"
#include "settings.h"

namespace commstest {
namespace {

class BtLinkTest : public ::testing::Test, public NetRoot, public BtRoot {
protected:
    void SetUp() override
    {
        MakeRoot();
        ASSERT_EQ(chdir(NetRoot::root.c_str()), 0);
        settings_new();
        OsTestClockEnable(100000);
    }
    void TearDown() override
    {
        bt_com_close();
        OsTestClockDisable();
        settings_free();
        (void)chdir("/");
        RemoveRoot();
    }
    void Load(const char *library = BT_LIBRARY)
    {
        Install(NetRoot::root, library);
        ASSERT_EQ(bt_load_library(), library && std::string(library) == BT_LIBRARY ? 1 : 0);
    }
    // A record as the settings give it: waits and scan time in range.
    conn_record Record(const char *mac = "", uint32_t waitMs = 30000)
    {
        conn_record r;
        memset(&r, 0, sizeof r);
        r.type = CONN_BT;
        r.dhcp = 1;
        r.timeout_ms = 10000;
        r.bt_scan_time = 10;
        r.bt_wait_connect_ms = waitMs;
        strcpy(r.bt_mac, mac);
        return r;
    }
    // Lets the library's events due by now reach their callbacks.
    void Settle(unsigned ms = 200) { OsSleep(ms); }
};

// ---- the binding --------------------------------------------------------------

TEST_F(BtLinkTest, TheWholeLibraryBindsEveryEntryPoint)
{
    Load();
    EXPECT_EQ(bt_available(), 1);
    int bound = 0;
#define COUNT(name) bound += bt_lib.name != nullptr;
    BT_ENTRY_POINTS(COUNT)
#undef COUNT
    EXPECT_EQ(bound, 37);
    EXPECT_EQ(bt_open("x", 1), 0);
    EXPECT_EQ(BtCalls(), (std::vector<std::string>{"OsBluetoothOpen"}));
}

TEST_F(BtLinkTest, APropertyReadingZeroTurnsBluetoothOffAndNothingElseDoes)
{
    Install(NetRoot::root, BT_LIBRARY);
    // Non-empty and reading as 0: off, the library left alone.
    for (const char *off : {"0", "00", "no"}) {
        ASSERT_EQ(OsRegSetValue("ro.fac.bt", off), 0);
        EXPECT_EQ(bt_load_library(), 0) << off;
        EXPECT_EQ(bt_lib.handle, nullptr) << off;
    }
    EXPECT_EQ(bt_open("x", 1), -1004);
    EXPECT_EQ(bt_close(7), 7);
    conn_record r = Record("AA:BB:CC:DD:EE:01");
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -1006);
    EXPECT_EQ(bt_connect_spp(nullptr, &r), -1006);
    EXPECT_EQ(bt_init(nullptr), -1006);
    EXPECT_TRUE(BtJournal().empty());
    // Empty: loaded.
    ASSERT_EQ(OsRegSetValue("ro.fac.bt", ""), 0);
    EXPECT_EQ(bt_load_library(), 1);
}

TEST_F(BtLinkTest, ALibraryThatIsNotThereLeavesBluetoothOff)
{
    // The library's names already in the process (another part loaded it):
    // a failed open must not look them up anywhere else.
    ASSERT_NE(dlopen(BT_LIBRARY, RTLD_NOW | RTLD_GLOBAL), nullptr);
    // One plain line says so, not the loader's error.
    ::testing::internal::CaptureStderr();
    Load(nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Bluetooth: no library, Bluetooth links off\n");
    EXPECT_EQ(bt_lib.handle, nullptr);
    EXPECT_EQ(bt_lib.OsBluetoothOpen, nullptr) << "nothing looked up in a library not opened";
    conn_record r = Record();
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -1006);
    EXPECT_EQ(bt_com_open(), -1004);
    EXPECT_EQ(bt_com_close(), 0);
    EXPECT_EQ(bt_com_open_named(nullptr), -1004);
    char info[8] = "stale";
    EXPECT_EQ(bt_base_info(info, sizeof info), -1004);
    EXPECT_STREQ(info, "");
}

// A file where the library should be that is no library: a fault, named
// with the loader's reason.
TEST_F(BtLinkTest, ALibraryThatDoesNotLoadIsReportedWithTheLoadersReason)
{
    Load(nullptr);
    const std::string lib = NetRoot::root + "/data/opt/lib/libbt.so";
    ASSERT_EQ(system(("mkdir -p '" + NetRoot::root + "/data/opt/lib' && echo text > '" + lib + "'").c_str()), 0);
    bt_lib.handle = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(bt_load_library(), 0);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("cashdesk: no Bluetooth: ", 0), 0u) << said;
    EXPECT_NE(said.find("libbt.so"), std::string::npos) << said;
}

TEST_F(BtLinkTest, OneMissingEntryPointLeavesBluetoothOffThoughTheLibraryLoaded)
{
    Load(BT_PARTIAL_LIBRARY);
    EXPECT_NE(bt_lib.handle, nullptr);
    EXPECT_EQ(bt_lib.OsBleBroadcast, nullptr);
    // Every other name was still looked up.
    EXPECT_NE(bt_lib.OsPanCheck, nullptr);
    EXPECT_NE(bt_lib.OsBluetoothOpen, nullptr);
    conn_record r = Record("AA:BB:CC:DD:EE:01");
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -1006);
    EXPECT_TRUE(BtJournal().empty());
}

// ---- PAN ----------------------------------------------------------------------

TEST_F(BtLinkTest, PanWithAStoredAddressSkipsTheScanAndEndsInDhcpOnInterface9)
{
    Load();
    Control("device AA:BB:CC:DD:EE:01 Office\n");
    Net("dhcp-start bt 0\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01");
    strcpy(r.bt_name, "Office");
    r.bt_scan_time = 0; // outside 1..45: 10 is used and kept
    EXPECT_EQ(bt_connect_pan(nullptr, &r), 0);
    EXPECT_EQ(BtCalls(), (std::vector<std::string>{"OsBluetoothCheck", "OsBluetoothOpen", "OsBluetoothSetSecurityCallback",
                                                 "OsPanSetCallback", "OsBluetoothSetPairAuth", "OsPanSetRole",
                                                 "OsPanConnect", "OsPanCheck", "OsPanCheck"}));
    EXPECT_EQ(BtLast("OsBluetoothOpen").Arg("name"), terminalName);
    EXPECT_EQ(BtLast("OsBluetoothOpen").Arg("mode"), "8");
    EXPECT_EQ(BtLast("OsBluetoothSetPairAuth").Arg("pin"), "7351") << "the default PIN for an empty one";
    EXPECT_EQ(BtLast("OsBluetoothSetPairAuth").Arg("usePin"), "1");
    EXPECT_EQ(BtLast("OsPanSetRole").Arg("name"), terminalName);
    EXPECT_EQ(BtLast("OsPanSetRole").Arg("role"), "1");
    EXPECT_EQ(BtLast("OsPanConnect").Arg("addr"), "AA:BB:CC:DD:EE:01");
    EXPECT_EQ(BtLast("OsPanConnect").Arg("services"), "4");
    EXPECT_EQ(bt_spp_connected(), 1);
    EXPECT_STREQ(r.bt_pin, "7351");
    EXPECT_EQ(r.bt_scan_time, 10);
    EXPECT_STREQ(r.ip, "127.0.0.1");
    EXPECT_EQ(Count("OsNetStartDhcp"), 1);
    EXPECT_TRUE(Log().back().Has("\"if\":9"));

    // The close: the PAN link, DHCP on 9, the module.
    size_t mark = BtMark(), net = NetRoot::Mark();
    EXPECT_EQ(bt_close(5), 0);
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsPanDisconnect", "OsBluetoothClose"}));
    EXPECT_EQ(NetRoot::Calls(net), std::vector<std::string>{"OsNetStopDhcp"});
    EXPECT_EQ(bt_spp_connected(), 0);
}

TEST_F(BtLinkTest, PanConnectWaitOutsideFiveToSixtySecondsIsTwentySeconds)
{
    Load();
    Control("device AA:BB:CC:DD:EE:01 Office\npan-check 5\n");
    struct Case {
        uint32_t waitMs, usedMs;
    } cases[] = {{4999, 20000}, {5000, 5000}, {30000, 30000}, {60000, 60000}, {60001, 20000}, {0, 20000}};
    for (const Case &c : cases) {
        conn_record r = Record("AA:BB:CC:DD:EE:01", c.waitMs);
        size_t mark = BtMark();
        EXPECT_EQ(bt_connect_pan(nullptr, &r), -3) << c.waitMs;
        long long connect = jsonl::Number(BtLast("OsPanConnect", mark).json, "tick");
        long long close = jsonl::Number(BtLast("OsBluetoothClose", mark).json, "tick");
        EXPECT_GT(close - connect, c.usedMs) << c.waitMs;
        EXPECT_LE(close - connect, c.usedMs + 400) << c.waitMs;
        EXPECT_EQ(BtCalls(mark).back(), "OsBluetoothClose") << "a timed-out link leaves the module closed";
        EXPECT_EQ(r.bt_wait_connect_ms, c.waitMs) << "the record keeps its own value";
    }
}

TEST_F(BtLinkTest, PanScanThatNeverAnswersAndAnEmptyScanCloseTheModule)
{
    Load();
    Control("scan none\n");
    conn_record r = Record("", 5000);
    size_t mark = BtMark();
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -3);
    EXPECT_EQ(BtLast("OsPanStartScan", mark).Arg("duration"), "10");
    EXPECT_EQ(BtCalls(mark).back(), "OsBluetoothClose");

    Control("# nothing near\n");
    r.bt_scan_time = 45;
    mark = BtMark();
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -41);
    EXPECT_EQ(BtLast("OsPanStartScan", mark).Arg("duration"), "45");
    EXPECT_EQ(BtCalls(mark).back(), "OsBluetoothClose");
    // Devices but no UI to choose one with: nothing chosen.
    Control("device AA:BB:CC:DD:EE:01 Office\n");
    EXPECT_EQ(bt_connect_pan(nullptr, &r), -41);
}

// ---- SPP ----------------------------------------------------------------------

TEST_F(BtLinkTest, SppStoredAddressFindsItsDeviceWhateverTheSeparators)
{
    Load();
    Control("device AA-BB-CC-DD-EE-01 Printer\ndevice AA-BB-CC-DD-EE-02 Scales\ndelay pair 1000\n");
    conn_record r = Record("AA:BB:CC:DD:EE:02");
    size_t mark = BtMark();
    EXPECT_EQ(bt_connect_spp(nullptr, &r), 0);
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBluetoothCheck", "OsBluetoothOpen",
                                                     "OsBluetoothSetSecurityCallback", "OsBREDRSetCallback",
                                                     "OsBluetoothSetPairAuth", "OsBREDRStartScan", "OsBREDRStartPair",
                                                     "OsBREDRStartSPPConnect", "OsBluetoothCheck", "OsBluetoothCheck"}));
    EXPECT_EQ(BtLast("OsBluetoothOpen").Arg("mode"), "1");
    EXPECT_EQ(BtLast("OsBREDRStartScan").Arg("seconds"), "10");
    EXPECT_EQ(BtLast("OsBREDRStartPair").Arg("addr"), "AA:BB:CC:DD:EE:02") << "the address as stored";
    EXPECT_EQ(BtLast("OsBREDRStartPair").Arg("mode"), "0");
    EXPECT_STREQ(r.bt_mac, "AA:BB:CC:DD:EE:02");
    EXPECT_STREQ(r.bt_name, "Scales");
    EXPECT_EQ(bt_spp_connected(), 1);
}

TEST_F(BtLinkTest, SppFailuresOfTheLibraryReturnItsCodeAndTheWaitsAreBounded)
{
    Load();
    const std::string devices = "device AA:BB:CC:DD:EE:01 Printer\n";
    struct Case {
        const char *control;
        int result;
    } cases[] = {
        {"fail OsBluetoothOpen -1004\n", -1006},
        {"fail OsBluetoothSetSecurityCallback -7\n", -41},
        {"fail OsBREDRSetCallback -8\n", -8},
        {"fail OsBluetoothSetPairAuth -9\n", -9},
        {"fail OsBREDRStartScan -10\n", -10},
        {"scan none\n", -3},
        {"fail OsBREDRStartPair -11\n", -11},
        {"fail OsBREDRStartSPPConnect -12\n", -12},
        {"spp-status 4\npair-status none\n", -1},
    };
    for (const Case &c : cases) {
        Control(devices + c.control);
        conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
        uint32_t start = OsGetTickCount();
        EXPECT_EQ(bt_connect_spp(nullptr, &r), c.result) << c.control;
        EXPECT_LE(OsGetTickCount() - start, 5400u) << c.control;
        EXPECT_STREQ(r.bt_name, "") << c.control;
    }
    Control("# nothing near\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01");
    EXPECT_EQ(bt_connect_spp(nullptr, &r), -1);
}

// A scan's flag is set again by each scan: the second link below does not
// take the first one's result (the module was closed without bt_close).
TEST_F(BtLinkTest, EachScanWaitsForItsOwnResult)
{
    Load();
    Control("device AA:BB:CC:DD:EE:01 Printer\ndelay pair 1000\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
    ASSERT_EQ(bt_connect_spp(nullptr, &r), 0);
    bt_com_close();
    Settle();
    Control("device AA:BB:CC:DD:EE:01 Printer\nscan none\n");
    EXPECT_EQ(bt_connect_spp(nullptr, &r), -3);
}

// A pairing of an earlier link does not end the next one's wait as
// connected.
TEST_F(BtLinkTest, AnEarlierPairingDoesNotPassForThisConnection)
{
    Load();
    Control("device AA:BB:CC:DD:EE:01 Printer\ndelay pair 0\ndelay spp 1000\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
    ASSERT_EQ(bt_connect_spp(nullptr, &r), 0);
    EXPECT_EQ(bt_events.bt_pair_ok.load(), 1);
    bt_com_close();
    Settle();
    Control("device AA:BB:CC:DD:EE:01 Printer\npair-status none\nspp-status 4\n");
    EXPECT_EQ(bt_connect_spp(nullptr, &r), -1);
}

// ---- the serial device --------------------------------------------------------

TEST_F(BtLinkTest, TtySetRawMakesARawTerminalAt115200)
{
    PtyDevice pty(NetRoot::root + "/tty");
    ASSERT_FALSE(pty.slave.empty());
    int fd = open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio;
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    tio.c_iflag |= BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON;
    tio.c_oflag |= OPOST;
    tio.c_lflag |= ECHO | ECHONL | ICANON | ISIG | IEXTEN;
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
    // Input waiting before the change is dropped.
    ASSERT_EQ(write(pty.master, "old\n", 4), 4);

    ASSERT_EQ(tty_set_raw(fd), 0);
    termios raw;
    ASSERT_EQ(tcgetattr(fd, &raw), 0);
    termios expected = tio;
    cfmakeraw(&expected);
    EXPECT_EQ(raw.c_iflag & (IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON), 0u);
    EXPECT_EQ(raw.c_iflag, expected.c_iflag);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_lflag, expected.c_lflag);
    EXPECT_EQ(raw.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(raw.c_cflag & PARENB, 0u);
    EXPECT_EQ(raw.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB)) << "the stop bits are left as they were";
    EXPECT_EQ(cfgetispeed(&raw), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetospeed(&raw), static_cast<speed_t>(B115200));
    int waiting = -1;
    ASSERT_EQ(ioctl(fd, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 0);
    close(fd);
    EXPECT_EQ(tty_set_raw(-1), -1);
}

TEST_F(BtLinkTest, ThePcConnectsAndTheSerialDeviceOpensRawUntilItLeaves)
{
    Load();
    ASSERT_EQ(mkdir((NetRoot::root + "/dev").c_str(), 0777), 0);
    PtyDevice pty(NetRoot::root + "/dev/rfcomm0");
    ASSERT_FALSE(pty.slave.empty());
    Control("host-connect 1000\nhost-leave 3000\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    EXPECT_EQ(BtLast("OsBluetoothOpen").Arg("mode"), "1");
    EXPECT_EQ(BtLast("OsBluetoothSetPairAuth").Arg("pin"), "7351");
    EXPECT_EQ(BtCount("OsBREDRStartScan"), 0) << "the PC finds the terminal";
    uint32_t start = OsGetTickCount();
    while (!bt_spp_connected() && OsGetTickCount() - start < 5000)
        Settle();
    ASSERT_EQ(bt_spp_connected(), 1);
    int handle = bt_events.spp_connected.SppHandle;
    EXPECT_NE(handle, 0);

    ASSERT_EQ(bt_com_open(), 0);
    EXPECT_EQ(BtLast("OsBREDRGetSPPDevice").Arg("handle"), std::to_string(handle));
    int fd = bt_com_fd.load();
    ASSERT_GE(fd, 0);
    termios tio;
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
    EXPECT_EQ(tio.c_lflag & ICANON, 0u);
    ASSERT_EQ(write(fd, "\x10\x30", 2), 2);
    char got[2] = {};
    ASSERT_EQ(read(pty.master, got, 2), 2);
    EXPECT_EQ(memcmp(got, "\x10\x30", 2), 0);

    // The PC leaves: the event alone closes the device.
    while (bt_spp_connected() && OsGetTickCount() - start < 10000)
        Settle();
    EXPECT_EQ(bt_spp_connected(), 0);
    EXPECT_EQ(bt_com_fd.load(), -1);
    EXPECT_EQ(bt_events.spp_disconnected.Handle, handle);
    // bt_close hands the PAN disconnect the disconnected event's first word.
    EXPECT_EQ(bt_close(0), 0);
    EXPECT_EQ(BtLast("OsPanDisconnect").Arg("handle"), std::to_string(handle));
}

TEST_F(BtLinkTest, SerialDeviceRefusalsDropTheConnection)
{
    Load();
    Control("host-connect 0\nspp-device /dev/none\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    Settle();
    ASSERT_EQ(bt_spp_connected(), 1);
    int handle = bt_events.spp_connected.SppHandle;
    size_t mark = BtMark();
    EXPECT_EQ(bt_com_open(), -1) << "no such device";
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBREDRGetSPPDevice", "OsBREDRSPPDisconnect"}));
    EXPECT_EQ(BtLast("OsBREDRSPPDisconnect", mark).Arg("handle"), std::to_string(handle));
    EXPECT_EQ(bt_com_fd.load(), -1);

    Control("host-connect 0\nfail OsBREDRGetSPPDevice -1012\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    Settle();
    mark = BtMark();
    EXPECT_EQ(bt_com_open(), -1012);
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBREDRGetSPPDevice", "OsBREDRSPPDisconnect"}));
}

// The named open hands back the descriptor already open; closing the
// device alone keeps the connection and the module, so it opens again.
TEST_F(BtLinkTest, NamedOpenReusesTheDeviceAndClosingItAloneKeepsTheLink)
{
    Load();
    ASSERT_EQ(mkdir((NetRoot::root + "/dev").c_str(), 0777), 0);
    PtyDevice pty(NetRoot::root + "/dev/rfcomm0");
    ASSERT_FALSE(pty.slave.empty());
    Control("host-connect 0\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    Settle();
    ASSERT_EQ(bt_spp_connected(), 1);
    int fd = bt_com_open_named(nullptr);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fd, bt_com_fd.load());
    size_t mark = BtMark();
    EXPECT_EQ(bt_com_open_named(nullptr), fd);
    EXPECT_TRUE(BtCalls(mark).empty()) << "no second device request";

    bt_com_close_device();
    EXPECT_EQ(bt_com_fd.load(), -1);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "the descriptor is closed";
    EXPECT_EQ(bt_spp_connected(), 1);
    EXPECT_TRUE(BtCalls(mark).empty()) << "neither the connection nor the module is touched";
    bt_com_close_device(); // twice is harmless

    int again = bt_com_open_named(nullptr);
    ASSERT_GE(again, 0);
    ASSERT_EQ(write(again, "A", 1), 1);
    char got = 0;
    ASSERT_EQ(read(pty.master, &got, 1), 1);
    EXPECT_EQ(got, 'A');
    EXPECT_EQ(bt_com_close(), 0);
}

TEST_F(BtLinkTest, NamedOpenPassesTheDevicesRefusalOn)
{
    Load();
    Control("host-connect 0\nspp-device /dev/none\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    Settle();
    EXPECT_EQ(bt_com_open_named(nullptr), -1) << "no such device";
    EXPECT_EQ(bt_com_fd.load(), -1);
}

// The base information: a closed module is opened for it and closed again;
// an open one is left as it is.
TEST_F(BtLinkTest, BaseInformationLeavesTheModuleAsItWas)
{
    Load();
    char info[64];
    size_t mark = BtMark();
    EXPECT_EQ(bt_base_info(info, sizeof info), 0);
    EXPECT_STREQ(info, "PC stand-in");
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBluetoothCheck", "OsBluetoothOpen", "OsBluetoothGetBaseInfo",
                                                      "OsBluetoothClose"}));
    EXPECT_EQ(BtLast("OsBluetoothOpen", mark).Arg("name"), "info");
    EXPECT_EQ(BtLast("OsBluetoothOpen", mark).Arg("mode"), "8");
    EXPECT_EQ(BtLast("OsBluetoothGetBaseInfo", mark).Arg("size"), "201");

    ASSERT_EQ(bt_open("spp", 1), 0);
    mark = BtMark();
    char small[4];
    EXPECT_EQ(bt_base_info(small, sizeof small), 0);
    EXPECT_STREQ(small, "PC ") << "cut to the buffer, terminated";
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBluetoothCheck", "OsBluetoothGetBaseInfo"}));
    EXPECT_EQ(bt_close(0), 0);

    Control("fail OsBluetoothOpen -1012\n");
    mark = BtMark();
    EXPECT_EQ(bt_base_info(info, sizeof info), -1012);
    EXPECT_STREQ(info, "");
    EXPECT_EQ(BtCount("OsBluetoothGetBaseInfo", mark), 0);
}

TEST_F(BtLinkTest, ComCloseDropsTheConnectionItOpened)
{
    Load();
    ASSERT_EQ(mkdir((NetRoot::root + "/dev").c_str(), 0777), 0);
    PtyDevice pty(NetRoot::root + "/dev/rfcomm0");
    Control("host-connect 0\n");
    ASSERT_EQ(bt_init(nullptr), 0);
    Settle();
    ASSERT_EQ(bt_com_open(), 0);
    size_t mark = BtMark();
    EXPECT_EQ(bt_com_close(), 0);
    EXPECT_EQ(BtCalls(mark), (std::vector<std::string>{"OsBREDRSPPDisconnect", "OsBluetoothClose"}));
    EXPECT_EQ(BtLast("OsBREDRSPPDisconnect", mark).Answer(), 0) << "the connection the device request named";
    EXPECT_EQ(bt_com_fd.load(), -1);
    EXPECT_EQ(bt_spp_connected(), 0);
    Settle();
    EXPECT_EQ(bt_com_fd.load(), -1);
}

// ---- the stand-in's control file ------------------------------------------------

TEST_F(BtLinkTest, ABadControlFileIsReportedAndFindsNoDevices)
{
    Load();
    Control("device AA:BB:CC:DD:EE:01 Printer\ndelay scan forever\n");
    conn_record r = Record("AA:BB:CC:DD:EE:01", 5000);
    EXPECT_EQ(bt_connect_spp(nullptr, &r), -1) << "no devices";
    bool reported = false;
    for (const BtCall &c : BtJournal())
        reported |= c.event == "bad-control-file" && jsonl::Text(c.json, "error").find(":2: delay") != std::string::npos;
    EXPECT_TRUE(reported);
}

TEST(BtScriptCheck, GoodAndBadFiles)
{
    char dir[] = "/tmp/btscript_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    struct Case {
        const char *text;
        int status;
        const char *says;
    } cases[] = {
        {"# all of it\ndevice AA:BB:CC:DD:EE:01 A printer\nscan found\ndelay scan 0\ndelay pair 10\ndelay spp 20\n"
         "delay pan 30\npair-status none\nspp-status 0\npan-status -3\ncheck 1 3\npan-check 5 10\nhost-connect 0\n"
         "host-leave 100\nspp-device /dev/rfcomm1\nfail OsPanCheck -1012\n",
         0, ""},
        {"\v\n \f\n", 0, ""},
        {"device AA\n", 2, ":1: device"},
        {"\nbogus 1\n", 2, ":2: unknown statement"},
        {"fail OsNothing -1\n", 2, "unknown entry point"},
        {"fail OsPanCheck 0\n", 2, "not a negative code"},
        {"spp-device dev/x\n", 2, "absolute path"},
        {"check 3 x\n", 2, "\"x\" is not a number"},
        {"delay scan -1\n", 2, "delay"},
    };
    for (const Case &c : cases) {
        std::string file = std::string(dir) + "/bt";
        std::ofstream(file) << c.text;
        std::string out = std::string(dir) + "/out";
        int status = system((std::string(BTSCRIPT_PATH) + " --check " + file + " 2>" + out).c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.status) << c.text;
        std::ifstream in(out);
        std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
    }
    std::string many;
    for (int i = 0; i < 33; ++i)
        many += "device 00:00:00:00:00:" + std::to_string(10 + i) + " d\n";
    std::ofstream(std::string(dir) + "/bt") << many;
    int status = system((std::string(BTSCRIPT_PATH) + " --check " + dir + "/bt 2>/dev/null").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2) << "33 devices";
    (void)system((std::string("rm -rf ") + dir).c_str());
}

} // namespace
} // namespace commstest
