// A terminal root in a temporary folder with the stand-in devices the
// drivers open: the frame-buffer file, and FIFOs for the keypad and the touch
// panel fed with 16-byte input records. The virtual clock drives time.
#ifndef TESTS_VU_DRIVERS_TERMINAL_FIXTURE_H
#define TESTS_VU_DRIVERS_TERMINAL_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "osal.h"
#include "vuInputRecord.h"

// The number of descriptors the process has open (to show a device closed).
inline int openDescriptors()
{
    int n = 0;
    if (DIR *d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

class TerminalRoot : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vu_drivers_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        unsetenv("TERMINAL_FB_XRES");
        unsetenv("TERMINAL_FB_YRES");
        unsetenv("TERMINAL_FB_BPP");
        ASSERT_EQ(mkdir((root + "/dev").c_str(), 0777), 0);
        ASSERT_EQ(mkdir((root + "/dev/graphics").c_str(), 0777), 0);
        ASSERT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
        ASSERT_EQ(mkfifo((root + "/dev/tp").c_str(), 0666), 0);
        OsTestClockEnable(100000);
    }

    void TearDown() override
    {
        for (int fd : writers)
            close(fd);
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + root + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << root;
    }

    // The screen as the stand-in sees it: a zeroed file of xres x yres x
    // depth / 8 bytes (bytes overrides the size) and its geometry properties.
    void makeScreen(unsigned xres, unsigned yres, unsigned bpp = 16, long bytes = -1)
    {
        std::string path = root + "/dev/graphics/fb0";
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        long size = bytes >= 0 ? bytes : static_cast<long>(xres) * yres * (bpp / 8);
        ASSERT_EQ(ftruncate(fd, size), 0);
        close(fd);
        ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(xres).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(yres).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.bpp", std::to_string(bpp).c_str()), 0);
    }

    // The screen file's pixels as they are now.
    std::vector<uint16_t> screenPixels()
    {
        std::vector<uint16_t> px;
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDONLY);
        if (fd < 0)
            return px;
        struct stat st;
        fstat(fd, &st);
        px.resize(static_cast<size_t>(st.st_size) / 2);
        ssize_t n = pread(fd, px.data(), px.size() * 2, 0);
        close(fd);
        if (n != static_cast<ssize_t>(px.size() * 2))
            px.clear();
        return px;
    }

    // Opens the writing end of a device FIFO. Read-write never blocks and
    // works before the driver opened its end.
    int writer(const char *dev)
    {
        int fd = open((root + dev).c_str(), O_RDWR | O_NONBLOCK);
        EXPECT_GE(fd, 0) << dev;
        writers.push_back(fd);
        return fd;
    }

    static void send(int fd, uint16_t type, uint16_t code, int32_t value)
    {
        vuInputRecord rec{0, 0, type, code, value};
        ASSERT_EQ(write(fd, &rec, sizeof rec), static_cast<ssize_t>(sizeof rec));
    }
    static void press(int fd, uint16_t code) { send(fd, vuInputRecord::Key, code, 1); }
    static void release(int fd, uint16_t code) { send(fd, vuInputRecord::Key, code, 0); }
    static void tap(int fd, uint16_t code)
    {
        press(fd, code);
        release(fd, code);
    }

    std::string root;
    std::vector<int> writers;
};

#endif
