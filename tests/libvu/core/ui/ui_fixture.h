// A terminal in a temporary folder for the UI singleton: the frame-buffer
// file (320 x 240, 16 bits), FIFOs for the keypad and the touch panel fed
// with input records, the working directory changed into the folder (the
// background picture is "./res/fon.b16") and the virtual clock. Each test
// runs in a process of its own, so the singleton starts fresh.
#ifndef TESTS_VU_UI_UI_FIXTURE_H
#define TESTS_VU_UI_UI_FIXTURE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "osal.h"
#include "vuInputRecord.h"
#include "vuUI.h"

class UiTerminal : public ::testing::Test {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vu_ui_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldCwd = cwd;
        ASSERT_EQ(chdir(root.c_str()), 0);
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        setenv("TERMINAL_FB_XRES", std::to_string(kWidth).c_str(), 1);
        setenv("TERMINAL_FB_YRES", std::to_string(kHeight).c_str(), 1);
        setenv("TERMINAL_FB_BPP", "16", 1);
        ASSERT_EQ(mkdir("dev", 0777), 0);
        ASSERT_EQ(mkdir("dev/graphics", 0777), 0);
        ASSERT_EQ(mkdir("res", 0777), 0);
        makeScreen();
        ASSERT_EQ(mkfifo("dev/keypad", 0666), 0);
        ASSERT_EQ(mkfifo("dev/tp", 0666), 0);
        // Raw panel coordinates: a touch at (x, y) is reported as (x, y).
        ASSERT_EQ(OsRegSetValue("ro.fac.touchscreen", "1"), 0);
        keys = writer("dev/keypad");
        touch = writer("dev/tp");
        OsTestClockEnable(100000);
    }

    void TearDown() override
    {
        vuUI::Done();
        for (int fd : writers)
            close(fd);
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        if (chdir(oldCwd.c_str()) != 0)
            ADD_FAILURE() << "could not return to " << oldCwd;
        std::string cmd = "rm -rf '" + root + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << root;
    }

    void makeScreen()
    {
        int fd = open("dev/graphics/fb0", O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, kWidth * kHeight * 2), 0);
        close(fd);
    }

    int writer(const char *dev)
    {
        int fd = open(dev, O_RDWR | O_NONBLOCK);
        EXPECT_GE(fd, 0) << dev;
        writers.push_back(fd);
        return fd;
    }

    static void send(int fd, uint16_t type, uint16_t code, int32_t value)
    {
        vuInputRecord rec{0, 0, type, code, value};
        ASSERT_EQ(write(fd, &rec, sizeof rec), static_cast<ssize_t>(sizeof rec));
    }

    // A key press and release (Linux key codes: 2..10 are "1".."9").
    void keyPress(uint16_t code) { send(keys, vuInputRecord::Key, code, 1); }
    void keyRelease(uint16_t code) { send(keys, vuInputRecord::Key, code, 0); }
    void keyTap(uint16_t code)
    {
        keyPress(code);
        keyRelease(code);
    }

    void touchDown(int x, int y)
    {
        send(touch, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        touchMove(x, y);
    }
    void touchMove(int x, int y)
    {
        send(touch, vuInputRecord::Absolute, vuInputRecord::AxisX, x);
        send(touch, vuInputRecord::Absolute, vuInputRecord::AxisY, y);
        send(touch, vuInputRecord::Sync, 0, 0);
    }
    void touchUp() { send(touch, vuInputRecord::Key, vuInputRecord::TouchButton, 0); }

    // The screen as the device file holds it now.
    std::vector<uint16_t> screen()
    {
        std::vector<uint16_t> px(static_cast<size_t>(kWidth) * kHeight);
        int fd = open("dev/graphics/fb0", O_RDONLY);
        EXPECT_GE(fd, 0);
        if (fd < 0)
            return px;
        EXPECT_EQ(pread(fd, px.data(), px.size() * 2, 0), static_cast<ssize_t>(px.size() * 2));
        close(fd);
        return px;
    }
    uint16_t pixel(int x, int y) { return screen()[static_cast<size_t>(y) * kWidth + x]; }

    std::string root;
    std::string oldCwd;
    std::vector<int> writers;
    int keys = -1;
    int touch = -1;
};

#endif
