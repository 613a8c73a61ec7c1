// The OS library stand-in: path mapping, properties, clock, applications.
#include "osal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class OsalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/osal_test_XXXXXX";
        root_ = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TERMINAL_ROOT");
        OsTestClockDisable();
        std::string cmd = "rm -rf " + root_;
        (void)system(cmd.c_str());
    }
    std::string root_;
};

TEST_F(OsalTest, MapsAbsolutePathsUnderTheRoot)
{
    char out[256];
    EXPECT_EQ(std::string(OsMapPath("/dev/keypad", out, sizeof out)), root_ + "/dev/keypad");
    EXPECT_STREQ(OsMapPath("./res/x.xml", out, sizeof out), "./res/x.xml");
    unsetenv("TERMINAL_ROOT");
    EXPECT_STREQ(OsMapPath("/dev/keypad", out, sizeof out), "/dev/keypad");
    char tiny[4];
    EXPECT_EQ(OsMapPath("/dev/keypad", tiny, sizeof tiny), nullptr);
    EXPECT_EQ(OsMapPath(nullptr, out, sizeof out), nullptr);
}

TEST_F(OsalTest, PropertiesRoundTripAndUnknownKeys)
{
    char value[OS_REG_VALUE_MAX];
    EXPECT_EQ(OsRegGetValue("ro.fac.pn", value), -1);
    ASSERT_EQ(OsRegSetValue("ro.fac.pn", "D200-X"), 0);
    ASSERT_EQ(OsRegSetValue("ro.fac.sn", "123"), 0);
    EXPECT_EQ(OsRegGetValue("ro.fac.pn", value), 6);
    EXPECT_STREQ(value, "D200-X");
    EXPECT_EQ(OsRegSetValue("bad=key", "1"), -1);
    EXPECT_EQ(OsRegSetValue("k", "two\nlines"), -1);
    EXPECT_EQ(OsRegGetValue(nullptr, value), -1);
}

TEST_F(OsalTest, VirtualClockDrivesTicksAndSleep)
{
    OsTestClockEnable(1000);
    EXPECT_EQ(OsGetTickCount(), 1000u);
    OsSleep(20);
    OsTestClockAdvance(5);
    EXPECT_EQ(OsGetTickCount(), 1025u);
    OsTestClockEnable(0xFFFFFFF0u);
    OsSleep(0x20);
    EXPECT_EQ(OsGetTickCount() - 0xFFFFFFF0u, 0x20u) << "wrap-safe arithmetic";
}

TEST_F(OsalTest, SetTimeKeepsAnOffset)
{
    OsTime t{2030, 1, 2, 3, 4, 5, 0};
    ASSERT_EQ(OsSetTime(&t), 0);
    OsTime now{};
    ASSERT_EQ(OsGetTime(&now), 0);
    EXPECT_EQ(now.Year, 2030);
    EXPECT_EQ(now.Month, 1);
    EXPECT_EQ(now.Day, 2);
    OsTime bad{2030, 13, 2, 3, 4, 5, 0};
    EXPECT_EQ(OsSetTime(&bad), -1);
}

TEST_F(OsalTest, RunsApplicationsFromTheTable)
{
    mkdir((root_ + "/data").c_str(), 0777);
    mkdir((root_ + "/data/osal").c_str(), 0777);
    std::ofstream(root_ + "/data/osal/apps") << "# id|name|binary|version|detached\n"
                                             << "KKTSRV|service|/bin/true|1.0|1\n"
                                             << "FTEST|factory test|/bin/false|1.0|0\n";
    OsAppInfo apps[4];
    ASSERT_EQ(OsGetAppInfo(apps, 4), 2);
    EXPECT_STREQ(apps[0].Id, "KKTSRV");
    EXPECT_EQ(apps[0].Detached, 1);
    EXPECT_EQ(OsRunApp("KKTSRV", nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(OsRunApp("FTEST", nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(OsRunApp("NONE", nullptr, nullptr, nullptr, nullptr), -2);
}

TEST_F(OsalTest, RebootEndsTheProcessWithItsOwnStatus)
{
    EXPECT_EXIT(OsReboot(), ::testing::ExitedWithCode(OS_REBOOT_EXIT_STATUS), "");
}

// Reboots, beeps and application starts leave a line each in the event log,
// in the order they happened; the machine itself is never touched.
TEST_F(OsalTest, RebootBeepAndRunAreLoggedInOrder)
{
    OsBeep(3, 150);
    EXPECT_EQ(OsRunApp("NONE", nullptr, nullptr, nullptr, nullptr), -2);
    EXPECT_EXIT(OsReboot(), ::testing::ExitedWithCode(OS_REBOOT_EXIT_STATUS), "");
    std::ifstream in(root_ + "/data/osal/events.log");
    ASSERT_TRUE(in.good());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(line.find(' ') + 1)); // after the time stamp
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "beep 3 150");
    EXPECT_EQ(lines[1], "reboot");
}

// The backlight level is kept where a screen viewer can read it, and logged.
TEST_F(OsalTest, ScreenBrightnessIsKeptAsAPropertyAndLogged)
{
    ASSERT_EQ(OsScrBrightness(5), 0);
    ASSERT_EQ(OsScrBrightness(1), 0);
    char value[OS_REG_VALUE_MAX];
    ASSERT_EQ(OsRegGetValue("osal.screen.brightness", value), 1);
    EXPECT_STREQ(value, "1");
    std::ifstream in(root_ + "/data/osal/events.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(line.find(' ') + 1));
    EXPECT_EQ(lines, (std::vector<std::string>{"brightness 5", "brightness 1"}));
}

TEST_F(OsalTest, StandInScreenGeometryComesFromEnvironmentOrProperties)
{
    std::string fb = root_ + "/fb0";
    {
        std::ofstream out(fb, std::ios::binary);
        out << std::string(240 * 320 * 2, '\0');
    }
    int fd = open(fb.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    unsigned int x = 0, y = 0, b = 0;
    EXPECT_EQ(OsFbStandInInfo(fd, &x, &y, &b), -1) << "no geometry configured";

    ASSERT_EQ(OsRegSetValue("osal.fb.xres", "240"), 0);
    ASSERT_EQ(OsRegSetValue("osal.fb.yres", "320"), 0);
    ASSERT_EQ(OsFbStandInInfo(fd, &x, &y, &b), 0);
    EXPECT_EQ(x, 240u);
    EXPECT_EQ(y, 320u);
    EXPECT_EQ(b, 16u) << "depth defaults to 16";

    setenv("TERMINAL_FB_YRES", "100", 1);
    setenv("TERMINAL_FB_BPP", "32", 1);
    ASSERT_EQ(OsFbStandInInfo(fd, &x, &y, &b), 0) << "environment wins over properties";
    EXPECT_EQ(y, 100u);
    EXPECT_EQ(b, 32u);

    struct Bad {
        const char *yres;
        const char *why;
    } bad[] = {
        {"321", "file shorter than the screen"},
        {"12a", "not a number"},
        {"0", "zero"},
        {"99999", "above 16 bits"},
    };
    unsetenv("TERMINAL_FB_BPP");
    for (const Bad &c : bad) {
        setenv("TERMINAL_FB_YRES", c.yres, 1);
        EXPECT_EQ(OsFbStandInInfo(fd, &x, &y, &b), -1) << c.why;
    }
    unsetenv("TERMINAL_FB_YRES");
    EXPECT_EQ(OsFbStandInInfo(fd, nullptr, &y, &b), -1);
    close(fd);

    int dir = open(root_.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(OsFbStandInInfo(dir, &x, &y, &b), -1) << "only a regular file stands in";
    close(dir);
    EXPECT_EQ(OsFbStandInInfo(-1, &x, &y, &b), -1);
}

} // namespace

TEST_F(OsalTest, SleepHookRunsAfterTheVirtualPause)
{
    struct Seen {
        unsigned int ms = 0;
        unsigned int tickInside = 0;
        int calls = 0;
    } seen;
    OsTestClockSetSleepHook(
        [](unsigned int ms, void *arg) {
            Seen *s = static_cast<Seen *>(arg);
            s->ms = ms;
            s->tickInside = OsGetTickCount();
            ++s->calls;
        },
        &seen);
    OsTestClockEnable(500);
    OsSleep(20);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.ms, 20u);
    EXPECT_EQ(seen.tickInside, 520u) << "the peer sees the time at the end of the pause";
    OsTestClockSetSleepHook(nullptr, nullptr);
    OsSleep(20);
    EXPECT_EQ(seen.calls, 1) << "a removed hook is not called";
    OsTestClockDisable();
    OsTestClockSetSleepHook(
        [](unsigned int, void *arg) { ++static_cast<Seen *>(arg)->calls; }, &seen);
    OsSleep(1);
    EXPECT_EQ(seen.calls, 1) << "real sleeps do not call the hook";
    OsTestClockSetSleepHook(nullptr, nullptr);
}

// The battery file is read on every call; a bad one fails the calls and is
// logged once until it reads well again.
TEST_F(OsalTest, BatteryFollowsItsFile)
{
    const std::string file = root_ + "/data/osal/battery";
    int a = 0, b = 0, c = 0, d = 0;
    // No file: external power, full, no management system.
    EXPECT_EQ(OsCheckPowerSupply(), 1);
    EXPECT_EQ(OsCheckBattery(), 6);
    EXPECT_LT(OsCheckBMSMode(&a, &b, &c, &d), 0);

    mkdir((root_ + "/data").c_str(), 0777);
    mkdir((root_ + "/data/osal").c_str(), 0777);
    std::ofstream(file) << "# drained\npower 0\nstep 1\nbms 7 50 9 200\n";
    EXPECT_EQ(OsCheckPowerSupply(), 0);
    EXPECT_EQ(OsCheckBattery(), 1);
    ASSERT_EQ(OsCheckBMSMode(&a, &b, &c, &d), 0);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 50);
    EXPECT_EQ(c, 9);
    EXPECT_EQ(d, 200);
    EXPECT_EQ(OsCheckBMSMode(nullptr, nullptr, nullptr, nullptr), 0);

    auto logged = [&]() {
        std::ifstream in(root_ + "/data/osal/events.log");
        std::string line;
        int n = 0;
        while (std::getline(in, line))
            n += line.find("battery file") != std::string::npos;
        return n;
    };
    for (const char *bad : {"power\n", "step 1 2\n", "bms 1 2 3\n", "volts 3\n", "step 99999999999\n"}) {
        SCOPED_TRACE(bad);
        std::ofstream(file, std::ios::trunc) << bad;
        EXPECT_LT(OsCheckPowerSupply(), 0);
        EXPECT_LT(OsCheckBattery(), 0);
        EXPECT_LT(OsCheckBMSMode(&a, &b, &c, &d), 0);
        std::ofstream(file, std::ios::trunc) << "power 2\n";
        EXPECT_EQ(OsCheckPowerSupply(), 2);
    }
    // Once for each time the file went bad.
    EXPECT_EQ(logged(), 5);
    // A folder in its place is unreadable too.
    unlink(file.c_str());
    mkdir(file.c_str(), 0777);
    EXPECT_LT(OsCheckPowerSupply(), 0);
    EXPECT_LT(OsCheckPowerSupply(), 0);
    EXPECT_EQ(logged(), 6);
}

// The built-in scanner: there only with "ro.fac.barcode" and a FIFO; one
// line a read, time-outs as 0, the rest of a cut line dropped.
TEST_F(OsalTest, BuiltinScannerOverItsFifo)
{
    OsTestClockEnable(1000);
    unsigned char buf[8];
    std::string fifo = root_ + "/dev/scanner";
    mkdir((root_ + "/dev").c_str(), 0777);
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 0), -1006) << "not open";
    EXPECT_EQ(OsScanOpen(), -1004) << "no property";
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    EXPECT_EQ(OsScanOpen(), -1004) << "no device";
    std::ofstream(fifo) << "a file\n";
    EXPECT_EQ(OsScanOpen(), -1004) << "only a FIFO stands in";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_EQ(OsScanOpen(), 0);
    EXPECT_EQ(OsScanOpen(), -1005);
    EXPECT_EQ(OsScanRead(nullptr, 8, 10), -1003);
    EXPECT_EQ(OsScanRead(buf, 0, 10), -1003);
    int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(w, 0) << "a feeder finds a reader while it is open";
    unsigned before = OsGetTickCount();
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 300), 0);
    EXPECT_GE(OsGetTickCount() - before, 300u) << "the time-out on the virtual clock";
    const char lines[] = "\nABC\nTOOLONGLINE\nX\npart";
    ASSERT_EQ(write(w, lines, sizeof lines - 1), ssize_t(sizeof lines - 1));
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 100), 3) << "the empty line skipped";
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 3), "ABC");
    EXPECT_EQ(OsScanRead(buf, 4, 100), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 4), "TOOL");
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 100), 1);
    EXPECT_EQ(buf[0], 'X');
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 100), 0) << "a line without its end waits";
    ASSERT_EQ(write(w, "ial\n", 4), 4);
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 100), 7);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 7), "partial");
    OsScanClose();
    EXPECT_EQ(OsScanRead(buf, sizeof buf, 10), -1006);
    close(w);
}

TEST_F(OsalTest, HidStandInNameFromTheProperty)
{
    std::string fifo = root_ + "/hidraw0";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    char name[8];
    EXPECT_EQ(OsHidStandInName(fd, name, sizeof name), -1) << "no property";
    ASSERT_EQ(OsRegSetValue("osal.hidraw.name", "WCM HIDKeyBoard"), 0);
    ASSERT_EQ(OsHidStandInName(fd, name, sizeof name), 0);
    EXPECT_STREQ(name, "WCM HID") << "cut to the buffer";
    EXPECT_EQ(OsHidStandInName(fd, nullptr, 8), -1);
    EXPECT_EQ(OsHidStandInName(-1, name, sizeof name), -1);
    close(fd);
    std::ofstream(root_ + "/file") << "x";
    fd = open((root_ + "/file").c_str(), O_RDONLY);
    EXPECT_EQ(OsHidStandInName(fd, name, sizeof name), -1) << "only a FIFO stands in";
    close(fd);
}
namespace {

class OsalMountTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/osal_mount_XXXXXX";
        root_ = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        (void)system(("mkdir -p " + root_ + "/dev/block " + root_ + "/mnt/sda1").c_str());
    }
    void TearDown() override
    {
        unsetenv("TERMINAL_ROOT");
        (void)system(("rm -rf " + root_).c_str());
    }
    std::string root_;
};

TEST_F(OsalMountTest, MountShowsTheMediumAndUnmountDetachesIt)
{
    EXPECT_EQ(OsMount("/dev/block/sda1", "/mnt/sda1/", "vfat", 0x90, nullptr), -ENODEV);
    ASSERT_EQ(mkdir((root_ + "/dev/block/sda1").c_str(), 0777), 0);
    std::ofstream(root_ + "/dev/block/sda1/on_stick") << "x";
    EXPECT_EQ(OsMount("/dev/block/sda1", "/mnt/none/", "vfat", 0x90, nullptr), -ENOENT);
    ASSERT_EQ(OsMount("/dev/block/sda1", "/mnt/sda1/", "vfat", 0x90, nullptr), 0);
    EXPECT_EQ(access((root_ + "/mnt/sda1/on_stick").c_str(), F_OK), 0);
    EXPECT_EQ(OsMount("/dev/block/sda1", "/mnt/sda1/", "vfat", 0x90, nullptr), -EBUSY);
    std::ofstream(root_ + "/mnt/sda1/written") << "y";
    ASSERT_EQ(OsUmount("/mnt/sda1/", 2), 0);
    EXPECT_NE(access((root_ + "/mnt/sda1/on_stick").c_str(), F_OK), 0);
    struct stat st;
    ASSERT_EQ(lstat((root_ + "/mnt/sda1").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(access((root_ + "/dev/block/sda1/written").c_str(), F_OK), 0);
    EXPECT_EQ(OsUmount("/mnt/sda1/", 2), -EINVAL);

    std::ifstream log(root_ + "/data/osal/events.log");
    std::string all((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("mount /dev/block/sda1 /mnt/sda1/ vfat 0x90 -> 0"), std::string::npos);
    EXPECT_NE(all.find("umount /mnt/sda1/ 0x2 -> 0"), std::string::npos);
    EXPECT_NE(all.find("-> -19"), std::string::npos);
}

} // namespace
