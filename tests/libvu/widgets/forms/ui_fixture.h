// The toolkit running in the test's own thread (caller-thread mode) over the
// stand-in devices: a screen file, keypad and touch-panel FIFOs under a
// temporary terminal root, the virtual clock, and the block font in slots 1
// and 6 so layouts have exact cells.
#ifndef TESTS_VU_WIDGETS1_UI_FIXTURE_H
#define TESTS_VU_WIDGETS1_UI_FIXTURE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "osal.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuInputRecord.h"
#include "vuUI.h"
#include "widget_fixture.h"

namespace w1 {

class UiTest : public ::testing::Test {
protected:
    static constexpr int CW = 4, CH = 6;
    static constexpr int SW = 240, SH = 160;

    void SetUp() override
    {
        const std::string& r = root.path;
        ASSERT_EQ(mkdir((r + "/dev").c_str(), 0777), 0);
        ASSERT_EQ(mkdir((r + "/dev/graphics").c_str(), 0777), 0);
        int fd = open((r + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, SW * SH * 2), 0);
        close(fd);
        ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(SW).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(SH).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
        // Raw touch coordinates: the panel reports screen pixels.
        ASSERT_EQ(OsRegSetValue("ro.fac.touchscreen", "1"), 0);
        ASSERT_EQ(mkfifo((r + "/dev/keypad").c_str(), 0666), 0);
        ASSERT_EQ(mkfifo((r + "/dev/tp").c_str(), 0666), 0);
        keypad = open((r + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
        touchpad = open((r + "/dev/tp").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(keypad, 0);
        ASSERT_GE(touchpad, 0);
        OsTestClockEnable(100000);
        ui = vuUI::Init(uiOptions());
        ASSERT_NE(ui, nullptr);
        ASSERT_NE(vuUI::getFB(), nullptr) << vuUI::GetLastError();
        std::string font = writeBlockFont(r, CW, CH);
        ASSERT_EQ(ui->SetFileFont(1, font.c_str()), 0);
        ASSERT_EQ(ui->SetFileFont(6, font.c_str()), 0);
        if (uiOptions() & VU_UI_CALLER_THREAD)
            clearScreen();
    }

    void TearDown() override
    {
        if (HasFailure() && vuUI::getFB() && (uiOptions() & VU_UI_CALLER_THREAD)) {
            const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = std::string(t->test_suite_name()) + "." + t->name();
            for (char& c : name)
                if (c == '/')
                    c = '_';
            std::string out = "/tmp/" + name + ".png";
            if (writePng(out, fb()->GetFrameBuffer(), SW, SH))
                fprintf(stderr, "screen saved to %s\n", out.c_str());
        }
        vuUI::Done();
        if (keypad >= 0)
            close(keypad);
        if (touchpad >= 0)
            close(touchpad);
        OsTestClockDisable();
    }

    // Caller-thread mode unless a test runs the toolkit's own UI thread.
    virtual uint16_t uiOptions() { return VU_UI_CALLER_THREAD; }

    vuFrameBuffer* fb() { return vuUI::getFB(); }
    uint16_t at(int x, int y) { return fb()->GetFrameBuffer()[y * SW + x]; }

    void clearScreen(uint16_t c = SENTINEL)
    {
        vuViewPort all{0, 0, SW, SH, 0, 0};
        fb()->Fill(&all, 0, 0, SW, SH, c, 0);
    }

    std::string row(int y, int x0, int x1)
    {
        std::string s;
        for (int x = x0; x <= x1; ++x)
            s += Canvas::symbol(at(x, y));
        return s;
    }

    Box box(uint16_t c, int x0 = 0, int y0 = 0, int x1 = SW - 1, int y1 = SH - 1)
    {
        return boundingBox(fb()->GetFrameBuffer(), SW, SH, c, x0, y0, x1, y1);
    }

    static void send(int fd, uint16_t type, uint16_t code, int32_t value)
    {
        vuInputRecord rec{0, 0, type, code, value};
        ASSERT_EQ(write(fd, &rec, sizeof rec), static_cast<ssize_t>(sizeof rec));
    }
    // A key pressed and released (delivered on release). Linux codes.
    void keyTap(uint16_t code)
    {
        send(keypad, vuInputRecord::Key, code, 1);
        send(keypad, vuInputRecord::Key, code, 0);
    }
    // A finger put down at (x, y), not lifted.
    void touchDown(int x, int y)
    {
        send(touchpad, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisX, x);
        send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisY, y);
        send(touchpad, vuInputRecord::Sync, 0, 0);
    }
    // A finger down at (x, y) and lifted again.
    void touchTap(int x, int y)
    {
        touchDown(x, y);
        send(touchpad, vuInputRecord::Key, vuInputRecord::TouchButton, 0);
    }

    // The touch panel releaseAfterDown lifts the finger on; -1 for none.
    static int& liftPanel()
    {
        static int fd = -1;
        return fd;
    }
    // A modal loop's callback: once the loop saw the finger go down, the
    // finger is lifted on liftPanel(), so the tap spans two reads.
    static int releaseAfterDown(vuEvent* e, intptr_t)
    {
        if (e->phase == VU_PHASE_DOWN && liftPanel() >= 0) {
            vuInputRecord rec{0, 0, vuInputRecord::Key, vuInputRecord::TouchButton, 0};
            if (write(liftPanel(), &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
                return -1;
        }
        return 0;
    }

    TempRoot root;
    vuUI* ui = nullptr;
    int keypad = -1, touchpad = -1;
};

} // namespace w1

#endif
