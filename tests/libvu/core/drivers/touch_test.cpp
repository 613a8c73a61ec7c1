// Touch-panel driver fed through the panel FIFO. The conversion into screen
// pixels needs the screen's size, so each test starts the UI singleton (in
// the caller's thread) on a stand-in screen.
#include <gtest/gtest.h>

#include "PanelValues.h"
#include "terminal_fixture.h"
#include "vuTouchPad.h"
#include "vuUI.h"

namespace {

// GetState as (result, x, y); x and y -1 when not written.
struct State {
    int result, x, y;
    bool operator==(const State &o) const { return result == o.result && x == o.x && y == o.y; }
};

void PrintTo(const State &s, std::ostream *os)
{
    *os << "(" << s.result << ", " << s.x << ", " << s.y << ")";
}

State poll()
{
    State s{0, -1, -1};
    s.result = vuTouchPad::GetState(&s.x, &s.y);
    return s;
}

class Panel : public TerminalRoot {
protected:
    // Starts the UI on a 240 x 320 panel with the given properties.
    void start(const char *rotate, const char *kind)
    {
        makeScreen(240, 320);
        ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", rotate), 0);
        ASSERT_EQ(OsRegSetValue("ro.fac.touchscreen", kind), 0);
        tp = writer("/dev/tp");
        ASSERT_NE(vuUI::Init(VU_UI_CALLER_THREAD), nullptr);
        ASSERT_EQ(vuUI::GetLastError(), 0);
        vuTouchPad::Flush();
    }
    void TearDown() override
    {
        vuUI::Done();
        TerminalRoot::TearDown();
    }

    void sample(int32_t ax, int32_t ay)
    {
        send(tp, vuInputRecord::Absolute, vuInputRecord::AxisX, ax);
        send(tp, vuInputRecord::Absolute, vuInputRecord::AxisY, ay);
        send(tp, vuInputRecord::Sync, 0, 0);
    }
    void down(int32_t ax, int32_t ay)
    {
        send(tp, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        sample(ax, ay);
    }
    void up()
    {
        send(tp, vuInputRecord::Key, vuInputRecord::TouchButton, 0);
        send(tp, vuInputRecord::Sync, 0, 0);
    }
    int tp = -1;
};


struct Conversion {
    const char *what;
    int32_t ax, ay;
    int x, y;
};

TEST_F(Panel, ResistivePanelIsCalibratedAndClamped)
{
    start("0", "resistive"); // 240 x 320
    EXPECT_EQ(vuUI::GetWidth(), 240);
    const Conversion table[] = {
        {"x axis 140 is the bottom row", 140, 280, 0, 319},
        {"x axis below 140", 0, 280, 0, 319},
        {"x axis 3900 is the top row", 3900, 280, 0, 0},
        {"x axis 3899", 3899, 280, 0, 0},
        {"x axis middle", 2020, 280, 0, 159},
        {"y axis 279", 140, 279, 0, 319},
        {"y axis middle", 140, 1965, 113, 319},
        {"y axis 3849", 140, 3849, 239, 319},
        {"y axis 3850 is the last column", 140, 3850, 239, 319},
        {"y axis far above", 140, 100000, 239, 319},
        {"negative values", -5000, -5000, 0, 319},
    };
    for (const Conversion &c : table) {
        down(c.ax, c.ay);
        EXPECT_EQ(poll(), (State{1, c.x, c.y})) << c.what;
        up();
        poll();
    }
}

TEST_F(Panel, ResistivePanelUsesTheRotatedScreenSize)
{
    start("90", "resistive"); // logical 320 x 240
    EXPECT_EQ(vuUI::GetWidth(), 320);
    down(2020, 1965);
    EXPECT_EQ(poll(), (State{1, 151, 119}));
}

TEST_F(Panel, RawPanelOnARotatedScreen)
{
    start("90", "1"); // logical 320 x 240; panel values are unrotated pixels
    const Conversion table[] = {
        {"panel origin is the logical bottom left", 0, 0, 0, 239},
        {"panel corner", 239, 319, 319, 0},
        {"middle", 100, 150, 150, 139},
        {"x past the panel is clamped", 500, 10, 10, 0},
        {"y past the panel is clamped", 10, 999, 319, 229},
        {"negative values are clamped", -1, -1, 0, 239},
    };
    for (const Conversion &c : table) {
        down(c.ax, c.ay);
        EXPECT_EQ(poll(), (State{1, c.x, c.y})) << c.what;
        up();
        poll();
    }
}

TEST_F(Panel, RawPanelWithoutRotation)
{
    start("0", "2");
    const Conversion table[] = {
        {"origin", 0, 0, 0, 0},
        {"corner", 239, 319, 239, 319},
        {"middle", 100, 150, 100, 150},
        {"past the edges", 240, 320, 239, 319},
    };
    for (const Conversion &c : table) {
        down(c.ax, c.ay);
        EXPECT_EQ(poll(), (State{1, c.x, c.y})) << c.what;
        up();
        poll();
    }
}

TEST_F(Panel, TouchFollowsTheFingerAndEndsWithItsRelease)
{
    start("0", "1");
    EXPECT_EQ(poll(), (State{0, -1, -1}));
    send(tp, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
    EXPECT_EQ(poll(), (State{0, -1, -1})) << "no point before the first sample";
    sample(10, 20);
    EXPECT_EQ(poll(), (State{1, 10, 20}));
    OsTestClockAdvance(100);
    EXPECT_EQ(poll(), (State{1, 10, 20})) << "a held finger stays";
    sample(30, 40);
    sample(31, 41);
    EXPECT_EQ(poll(), (State{1, 31, 41})) << "the last sample counts";
    send(tp, vuInputRecord::Absolute, vuInputRecord::AxisX, 99);
    EXPECT_EQ(poll(), (State{1, 31, 41})) << "a sample counts once synced";
    send(tp, vuInputRecord::Sync, 0, 0);
    EXPECT_EQ(poll(), (State{1, 99, 41}));
}

TEST_F(Panel, QuickReleaseReportsItsPointOnceMore)
{
    start("0", "1");
    struct {
        unsigned afterMs;
        State atRelease;
    } table[] = {
        {0, {1, 50, 60}},
        {399, {1, 50, 60}},
        {400, {0, -1, -1}},
    };
    for (const auto &c : table) {
        down(50, 60);
        ASSERT_EQ(poll(), (State{1, 50, 60}));
        OsTestClockAdvance(c.afterMs);
        up();
        EXPECT_EQ(poll(), c.atRelease) << "released after " << c.afterMs << " ms";
        EXPECT_EQ(poll(), (State{0, -1, -1})) << "then no touch";
        OsTestClockAdvance(1000);
        poll();
    }
}

TEST_F(Panel, SilentTouchIsForgottenAfter400Ms)
{
    start("0", "1");
    down(7, 8);
    ASSERT_EQ(poll(), (State{1, 7, 8}));
    OsTestClockAdvance(400);
    EXPECT_EQ(poll(), (State{1, 7, 8}));
    OsTestClockAdvance(1);
    EXPECT_EQ(poll(), (State{1, 7, 8})) << "the poll that finds it silent still reports it";
    EXPECT_EQ(poll(), (State{0, -1, -1}));
    OsTestClockAdvance(5000);
    up(); // the release that never came in time
    EXPECT_EQ(poll(), (State{0, -1, -1}));
}

TEST_F(Panel, SignModeRecordsUpTo64PointsOfEachPoll)
{
    start("0", "1");
    vuTouchPad::SetSignMode(1);
    EXPECT_EQ(vuTouchPad::signMode, 1);
    send(tp, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
    for (int i = 0; i < 70; ++i)
        sample(i, 100 + i);
    EXPECT_EQ(poll(), (State{1, 69, 169}));
    ASSERT_EQ(vuTouchPad::GetPointsCount(), 64);
    uint16_t x = 0, y = 0;
    EXPECT_EQ(vuTouchPad::GetPoint(0, &x, &y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 100);
    EXPECT_EQ(vuTouchPad::GetPoint(63, &x, nullptr), 1);
    EXPECT_EQ(x, 63);
    EXPECT_EQ(vuTouchPad::GetPoint(64, &x, &y), 0);

    sample(1, 2);
    sample(3, 4);
    poll();
    EXPECT_EQ(vuTouchPad::GetPointsCount(), 2) << "points belong to the last poll";
    EXPECT_EQ(vuTouchPad::GetPoint(1, &x, &y), 1);
    EXPECT_EQ(x, 3);
    poll();
    EXPECT_EQ(vuTouchPad::GetPointsCount(), 0);

    vuTouchPad::Flush();
    EXPECT_EQ(vuTouchPad::signMode, 0) << "a flush leaves sign mode";
    sample(5, 6);
    EXPECT_EQ(poll(), (State{1, 5, 6}));
    EXPECT_EQ(vuTouchPad::GetPointsCount(), 0);
}

TEST_F(Panel, FlushForgetsTheTouchAndWhatTheDeviceHeld)
{
    start("0", "1");
    down(10, 10);
    ASSERT_EQ(poll(), (State{1, 10, 10}));
    down(20, 20);
    vuTouchPad::Flush();
    EXPECT_EQ(poll(), (State{0, -1, -1}));
}

TEST_F(Panel, WithoutThePanelEveryCallGivesNothing)
{
    ASSERT_EQ(unlink((root + "/dev/tp").c_str()), 0);
    makeScreen(240, 320);
    ASSERT_NE(vuUI::Init(VU_UI_CALLER_THREAD), nullptr);
    EXPECT_EQ(vuTouchPad::IsPresent(), 0);
    ASSERT_NE(vuTouchPad::handle, nullptr) << "the driver exists without its device";
    EXPECT_EQ(poll(), (State{0, -1, -1}));
    vuTouchPad::SetSignMode(1);
    EXPECT_EQ(vuTouchPad::GetPoint(0, nullptr, nullptr), 0);
    vuUI::Done();
    EXPECT_EQ(vuTouchPad::handle, nullptr);
    EXPECT_EQ(poll(), (State{0, -1, -1}));
    EXPECT_EQ(vuTouchPad::GetPointsCount(), 0);
}

TEST_F(Panel, PresenceFollowsTheDriver)
{
    start("0", "1");
    EXPECT_EQ(vuTouchPad::IsPresent(), 1);
    vuTouchPad::Done();
    EXPECT_EQ(vuTouchPad::IsPresent(), 0);
}

// The PC viewer plays the panel: the values it sends for a point must come
// back as that very point, on every row and column and for every panel kind.
TEST_F(Panel, ViewerPanelValuesComeBackAsTheSamePoint)
{
    struct {
        const char *rotate, *kind;
        PanelKind viewer;
    } table[] = {
        {"0", "resistive", {true, false}},
        {"90", "resistive", {true, true}},
        {"0", "1", {false, false}},
        {"90", "1", {false, true}},
    };
    for (const auto &c : table) {
        start(c.rotate, c.kind);
        const int w = vuUI::GetWidth(), h = vuUI::GetHeight();
        send(tp, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        int wrong = 0;
        auto check = [&](int x, int y) {
            int32_t ax, ay;
            panelValues(c.viewer, x, y, w, h, ax, ay);
            sample(ax, ay);
            if (!(poll() == State{1, x, y}))
                ++wrong;
        };
        for (int x = 0; x < w; ++x)
            check(x, x % h);
        for (int y = 0; y < h; ++y)
            check(w - 1 - y % w, y);
        EXPECT_EQ(wrong, 0) << "rotate " << c.rotate << ", " << c.kind;
        up();
        poll();
        vuUI::Done();
        for (int fd : writers)
            close(fd);
        writers.clear();
    }
}

} // namespace
