// The scanner's probe and reader thread over the FIFOs that stand in for
// the devices ("/dev/hidraw0" of 8-byte reports, "/dev/scanner" of lines),
// fed by scanfeed's encoder. The silences that end or drop a code are
// counted on the virtual clock, which only the test moves while a HID code
// is read: a code ends only once the test has moved it past 250 ms.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <time.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ScanFeed.h"
#include "osal.h"
#include "scanner.h"
#include "TestTime.h"

namespace {

using Clock = std::chrono::steady_clock;

// A marking code as scanned: GS1 DataMatrix with a group separator.
const char kMarkCode[] = "0104600439931256215>eJ7F\\u001d93dGVz";

class ScannerThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/scanner_thread_XXXXXX";
        root_ = mkdtemp(tmpl);
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        mkdir((root_ + "/dev").c_str(), 0777);
        signal(SIGPIPE, SIG_IGN);
        OsTestClockEnable(1000);
    }
    void TearDown() override
    {
        scanner_stop();
        if (writer_ >= 0)
            close(writer_);
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf " + root_;
        (void)system(cmd.c_str());
    }

    std::string hidPath() const { return root_ + "/dev/hidraw0"; }
    std::string linePath() const { return root_ + "/dev/scanner"; }

    void makeHid(const char *name)
    {
        ASSERT_EQ(mkfifo(hidPath().c_str(), 0666), 0);
        ASSERT_EQ(OsRegSetValue("osal.hidraw.name", name), 0);
    }
    void makeBuiltin()
    {
        ASSERT_EQ(mkfifo(linePath().c_str(), 0666), 0);
        ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    }

    // Opens the FIFO for writing once the reader has opened it.
    void openWriter(const std::string &path)
    {
        auto end = Clock::now() + std::chrono::milliseconds(testtime::Ms(10000));
        while ((writer_ = open(path.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && errno == ENXIO && Clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_GE(writer_, 0) << "the reader never opened " << path;
    }
    void put(const std::string &bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(writer_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
            } else {
                ASSERT_EQ(errno, EAGAIN);
                pollfd pfd = {writer_, POLLOUT, 0};
                ASSERT_EQ(poll(&pfd, 1, static_cast<int>(testtime::Ms(10000))), 1) << "the reader stopped taking reports";
            }
        }
    }
    // The reports of a code in scanfeed's encoding.
    static std::string reports(const char *code, int zeros = 1)
    {
        std::u32string chars;
        std::string error;
        EXPECT_TRUE(scanfeed::ParseCodeText(code, chars, &error)) << error;
        std::vector<scanfeed::Report> out;
        scanfeed::HidShape shape;
        shape.zeros = zeros;
        EXPECT_TRUE(scanfeed::EncodeHid(chars, shape, out, &error)) << error;
        std::string bytes;
        for (const auto &r : out)
            bytes.append(reinterpret_cast<const char *>(r.data()), r.size());
        return bytes;
    }
    // The code as CP1251 text, as the reader must hand it over.
    static std::string cp1251(const char *code)
    {
        std::u32string chars;
        std::string line, error;
        EXPECT_TRUE(scanfeed::ParseCodeText(code, chars, &error));
        EXPECT_TRUE(scanfeed::EncodeLine(chars, line, &error)) << error;
        line.pop_back();
        return line;
    }
    // Until the reader has taken every byte written.
    void waitTaken()
    {
        auto end = Clock::now() + std::chrono::milliseconds(testtime::Ms(10000));
        int left = 1;
        while (Clock::now() < end && ioctl(writer_, FIONREAD, &left) == 0 && left > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(left, 0) << "the reader did not take the reports";
    }
    template <class Pred>
    static bool waitUntil(Pred pred, int ms = 10000)
    {
        auto end = Clock::now() + std::chrono::milliseconds(testtime::Ms(ms));
        while (!pred()) {
            if (Clock::now() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // Moves the virtual clock on in 10 ms steps, giving the reader time to
    // look after each, until a code is ready; the time moved.
    static unsigned advanceUntilReady(unsigned max = 2000)
    {
        unsigned moved = 0;
        while (scanner_status() != 1 && moved < max) {
            OsTestClockAdvance(10);
            moved += 10;
            waitUntil([] { return scanner_status() == 1; }, 30);
        }
        return moved;
    }
    // Gives the reader the moment it needs to look at the device once more
    // (it waits at most 10 ms a look); nothing is timed by it.
    static void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(150)); }
    // Reading on, and the device found empty once by the reader (it throws
    // away what it finds before the device is first empty).
    void enableAndSettle()
    {
        scanner_clear();
        scanner_enable_read();
        settle();
    }

    std::string root_;
    int writer_ = -1;
};

TEST_F(ScannerThreadTest, ProbeTakesTheModelFromTheDeviceName)
{
    struct Case {
        const char *name;
        int kind;
    } cases[] = {
        {"WCM HIDKeyBoard", 11},
        {"Manufacturer Barcode Reader", 9},
        {"HID 0581:011c", 8},
        {"USB LWTEK Barcode Scanner v2", 7},
        {"Barcode Scanner Barcode Scanner", 4},
        {"2D BarCode Scanner", 1},
    };
    makeHid("");
    for (const Case &c : cases) {
        ASSERT_EQ(OsRegSetValue("osal.hidraw.name", c.name), 0);
        EXPECT_EQ(scanner_probe(), 1) << c.name;
        EXPECT_EQ(scanner_kind(), c.kind) << c.name;
        EXPECT_STREQ(scanner_device_name(), c.name);
    }
    // An unknown keyboard is no scanner: the built-in one decides.
    ASSERT_EQ(OsRegSetValue("osal.hidraw.name", "Generic USB Keyboard"), 0);
    EXPECT_EQ(scanner_probe(), 0);
    EXPECT_EQ(scanner_kind(), SCANNER_KIND_NONE);
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", ""), 0);
    EXPECT_EQ(scanner_probe(), 0) << "an empty property is no scanner";
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    EXPECT_EQ(scanner_probe(), 1);
    EXPECT_EQ(scanner_kind(), SCANNER_KIND_BUILTIN);
    // No device at all.
    unlink(hidPath().c_str());
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", ""), 0);
    EXPECT_EQ(scanner_probe(), 0);
    EXPECT_EQ(scanner_kind(), SCANNER_KIND_NONE);
}

TEST_F(ScannerThreadTest, HidCodeEndsAfterAQuarterSecondOfSilence)
{
    makeHid("WCM HIDKeyBoard");
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_start(), 0);
    EXPECT_EQ(scanner_status(), 0);
    EXPECT_EQ(scanner_running(), 1);
    openWriter(hidPath());
    enableAndSettle();
    put(reports(kMarkCode));
    waitTaken();
    EXPECT_EQ(scanner_status(), 0) << "no code before the silence";
    unsigned moved = advanceUntilReady();
    ASSERT_EQ(scanner_status(), 1);
    EXPECT_GT(moved, 250u) << "ended before 250 ms of silence";
    EXPECT_EQ(std::string(scanner_buffer()), cp1251(kMarkCode)) << "GS through Alt 2 9, no Enter";
    EXPECT_EQ(scanner_last_length(), int(cp1251(kMarkCode).size()) + 1) << "the length counts the Enter";
    EXPECT_EQ(scanner_reading(), 0) << "a finished code switches reading off";
    EXPECT_EQ(scanner_poll_code(), 600);

    // The next attempt: cleared, a Cyrillic code.
    scanner_clear();
    EXPECT_EQ(scanner_status(), 0);
    EXPECT_EQ(scanner_buffer()[0], 0);
    enableAndSettle();
    put(reports("\\u0416\\u0401\\u2116-7"));
    waitTaken();
    advanceUntilReady();
    ASSERT_EQ(scanner_status(), 1);
    EXPECT_EQ(std::string(scanner_buffer()), "\xC6\xA8\xB9-7");
}

TEST_F(ScannerThreadTest, ReportsWaitingBeforeReadingAreDropped)
{
    makeHid("WCM HIDKeyBoard");
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(hidPath());
    // Scanned while no one wanted a code.
    put(reports("EARLY"));
    scanner_clear();
    scanner_enable_read();
    waitTaken();
    settle();
    put(reports("4607001234567"));
    waitTaken();
    advanceUntilReady();
    ASSERT_EQ(scanner_status(), 1);
    EXPECT_EQ(std::string(scanner_buffer()), "4607001234567");
}

TEST_F(ScannerThreadTest, KindOneEndsAtTheSecondZeroReportAndDropsAPartialCode)
{
    makeHid("2D BarCode Scanner");
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_kind(), 1);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(hidPath());
    enableAndSettle();

    // One zero report after each key: no end, however long the silence
    // short of 500 ms; past it the partial code is thrown away.
    std::string partial = reports("PART");
    put(partial);
    waitTaken();
    for (int i = 0; i < 45; ++i) {
        OsTestClockAdvance(10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(scanner_status(), 0) << "kind 1 does not end a code on silence";
    OsTestClockAdvance(100);
    settle();
    // The whole code, ended by two zero reports in a row, without any time
    // passing.
    put(reports("WHOLE", 2));
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_EQ(std::string(scanner_buffer()), "WHOLE") << "the partial code was kept";
}

TEST_F(ScannerThreadTest, ACodeFinishedAfterReadingWasSwitchedOffIsDropped)
{
    makeHid("WCM HIDKeyBoard");
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(hidPath());
    enableAndSettle();
    put(reports("LATE"));
    waitTaken();
    scanner_disable_read();
    scanner_clear();
    for (int i = 0; i < 30 && scanner_last_length() != 5; ++i) {
        OsTestClockAdvance(10);
        waitUntil([] { return scanner_last_length() == 5; }, 30);
    }
    ASSERT_EQ(scanner_last_length(), 5) << "the code was read to its end";
    EXPECT_EQ(scanner_status(), 0) << "handed over to no one";
    EXPECT_EQ(scanner_buffer()[0], 0);
}

TEST_F(ScannerThreadTest, StopAndRestart)
{
    scanner_stop(); // without a start: nothing
    EXPECT_EQ(scanner_status(), -1);
    EXPECT_EQ(scanner_running(), 0);

    makeHid("WCM HIDKeyBoard");
    ASSERT_EQ(scanner_probe(), 1);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(scanner_start(), 0);
        openWriter(hidPath());
        enableAndSettle();
        std::string code = "ROUND" + std::to_string(round);
        put(reports(code.c_str()));
        waitTaken();
        advanceUntilReady();
        ASSERT_EQ(scanner_status(), 1) << "round " << round;
        EXPECT_EQ(std::string(scanner_buffer()), code);
        // Stopped while idle and while reading.
        if (round == 1) {
            scanner_clear();
            scanner_enable_read();
        }
        scanner_stop();
        EXPECT_EQ(scanner_status(), -1);
        EXPECT_EQ(scanner_running(), 0);
        EXPECT_EQ(scanner_poll_code(), 0);
        close(writer_);
        writer_ = -1;
    }
    // A second start while running replaces the thread.
    ASSERT_EQ(scanner_start(), 0);
    ASSERT_EQ(scanner_start(), 0);
    EXPECT_EQ(scanner_running(), 1);
    EXPECT_EQ(scanner_status(), 0);
}

// Reading with no code coming, the HID reader waits for the device between
// looks: over a second it uses a small part of one processor, where asking
// again at once would take all of it.
TEST_F(ScannerThreadTest, ReadingWithNoCodeWaitsInsteadOfSpinning)
{
    OsTestClockDisable();
    makeHid("WCM HIDKeyBoard");
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(hidPath());
    enableAndSettle();
    auto cpuMs = [] {
        timespec ts;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
    };
    double before = cpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double used = cpuMs() - before;
    EXPECT_EQ(scanner_status(), 0);
    EXPECT_LT(used, 250.0) << "the reader spins";
}

TEST_F(ScannerThreadTest, NoDeviceEndsTheThread)
{
    // No probe found anything.
    makeHid("Generic USB Keyboard");
    ASSERT_EQ(scanner_probe(), 0);
    ASSERT_EQ(scanner_start(), 0);
    ASSERT_TRUE(waitUntil([] { return scanner_status() == -1; }));
    EXPECT_EQ(scanner_last_length(), SCANNER_NO_DEVICE);
    EXPECT_EQ(scanner_running(), 1) << "the thread is there until stopped";
    scanner_stop();

    // The HID device gone between the probe and the start.
    ASSERT_EQ(OsRegSetValue("osal.hidraw.name", "WCM HIDKeyBoard"), 0);
    ASSERT_EQ(scanner_probe(), 1);
    unlink(hidPath().c_str());
    ASSERT_EQ(scanner_start(), 0);
    ASSERT_TRUE(waitUntil([] { return scanner_status() == -1; }));
    EXPECT_EQ(scanner_last_length(), SCANNER_NO_DEVICE);
    scanner_stop();

    // The built-in scanner named but its device missing: OsScanOpen's code.
    ASSERT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_kind(), SCANNER_KIND_BUILTIN);
    ASSERT_EQ(scanner_start(), 0);
    ASSERT_TRUE(waitUntil([] { return scanner_status() == -1; }));
    EXPECT_EQ(scanner_last_length(), -1004);
}

TEST_F(ScannerThreadTest, BuiltinScannerReadsOneLineAtATime)
{
    makeBuiltin();
    ASSERT_EQ(scanner_probe(), 1);
    ASSERT_EQ(scanner_kind(), SCANNER_KIND_BUILTIN);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(linePath());
    scanner_clear();
    scanner_enable_read();
    std::string code = cp1251(kMarkCode);
    put(code + "\r\n");
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_EQ(std::string(scanner_buffer()), code) << "the CR at the end trimmed";
    EXPECT_EQ(scanner_last_length(), int(code.size()) + 1);
    EXPECT_EQ(scanner_reading(), 0);

    // Reading stays off after a code: a line waits until it is wanted.
    put("SECOND\n");
    scanner_clear();
    scanner_enable_read();
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_STREQ(scanner_buffer(), "SECOND");

    // A line longer than the buffer: its first 4095 bytes; the rest dropped.
    scanner_clear();
    scanner_enable_read();
    put(std::string(5000, '7') + "\nAFTER\n");
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_EQ(std::string(scanner_buffer()), std::string(4095, '7'));
    scanner_clear();
    scanner_enable_read();
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_STREQ(scanner_buffer(), "AFTER");

    // Silence: reads time out (0) and the status stays; stop while reading.
    scanner_clear();
    scanner_enable_read();
    ASSERT_TRUE(waitUntil([] { return scanner_last_length() == 0; }));
    EXPECT_EQ(scanner_status(), 0);
    scanner_stop();
    EXPECT_EQ(scanner_status(), -1);

    // Restarted, it reads again.
    close(writer_);
    ASSERT_EQ(scanner_start(), 0);
    openWriter(linePath());
    scanner_enable_read();
    put("AGAIN\n");
    ASSERT_TRUE(waitUntil([] { return scanner_status() == 1; }));
    EXPECT_STREQ(scanner_buffer(), "AGAIN");
}

} // namespace
