// The null view port against a live UI singleton (caller-thread mode) over
// the stand-in screen file: it is the whole screen as the UI reports it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "osal.h"
#include "vuUI.h"
#include "vuViewPort.h"

namespace {

class MainPort : public testing::Test {
protected:
    static constexpr int SW = 200, SH = 120;

    void SetUp() override {
        char tmpl[] = "/tmp/vu_objects_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        ASSERT_EQ(mkdir((root + "/dev").c_str(), 0777), 0);
        ASSERT_EQ(mkdir((root + "/dev/graphics").c_str(), 0777), 0);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, SW * SH * 2), 0);
        close(fd);
        ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(SW).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(SH).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
        ASSERT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
        ASSERT_EQ(mkfifo((root + "/dev/tp").c_str(), 0666), 0);
        OsTestClockEnable(100000);
        ASSERT_NE(vuUI::Init(VU_UI_CALLER_THREAD), nullptr);
        ASSERT_EQ(vuUI::GetWidth(), SW);
    }

    void TearDown() override {
        vuUI::Done();
        OsTestClockDisable();
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + root + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not remove " << root;
    }

    std::string root;
};

TEST_F(MainPort, NullPortIsTheWholeScreen) {
    short x = 9, y = 9, ox = 9, oy = 9;
    unsigned short w = 0, h = 0;
    vuViewPort::GetMainViewPort(x, y, w, h, ox, oy);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, SW);
    EXPECT_EQ(h, SH);
    EXPECT_EQ(ox, 0);
    EXPECT_EQ(oy, 0);

    short rx = -5, ry = 100;
    unsigned short rw = 300, rh = 50, sx = 0, sy = 0;
    vuViewPort::Recalculate(nullptr, sx, sy, rx, ry, rw, rh);
    EXPECT_EQ(rx, 0);
    EXPECT_EQ(ry, 100);
    EXPECT_EQ(rw, SW);
    EXPECT_EQ(rh, SH - 100);
    EXPECT_EQ(sx, 5);

    short x1 = 10, y1 = -40, x2 = 10, y2 = 500;
    vuViewPort::RecalculateLine(nullptr, x1, y1, x2, y2);
    EXPECT_EQ(y1, 0);
    EXPECT_EQ(y2, SH - 1);
}

}  // namespace
