// Building touch events from the panel: phases, time since the touch went
// down, taps, the 14-pixel gesture threshold and reversals. The panel is the
// stand-in device fed through its FIFO; the clock is virtual.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_fixture.h"

namespace {

// One step of a touch script: advance the clock, feed the panel, poll.
struct Step {
    unsigned advance; // ms before the poll
    char action;      // 'd' down, 'm' move (or hold) to (x, y), 'u' up, '-' nothing
    int x;
    int y;
};

struct TouchCase {
    const char *name;
    std::vector<Step> steps;
    uint8_t phase;   // after the last poll
    uint8_t gesture; // after the last poll
    uint32_t time;   // after the last poll
};

class TouchEvents : public UiTerminal, public ::testing::WithParamInterface<TouchCase> {};

TEST_P(TouchEvents, Build)
{
    const TouchCase &c = GetParam();
    vuUI *ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    vuEvent event = {}, previous = {};
    unsigned long downTick = 0;
    int downX = 0, downY = 0;
    int result = -1;
    for (const Step &s : c.steps) {
        OsTestClockAdvance(s.advance);
        switch (s.action) {
        case 'd':
            touchDown(s.x, s.y);
            break;
        case 'm':
            touchMove(s.x, s.y);
            break;
        case 'u':
            touchUp();
            break;
        }
        result = ui->getTouchState(&event, &previous, &downTick, &downX, &downY);
    }
    EXPECT_EQ(event.phase, c.phase);
    EXPECT_EQ(event.gesture, c.gesture);
    EXPECT_EQ(event.time, c.time);
    EXPECT_EQ(result, c.phase == VU_PHASE_UP || c.phase == VU_PHASE_NONE ? 0 : 1);
}

// The panel reports a released touch once more when it was read within
// 399 ms, and forgets a touch that sent nothing for 400 ms: held touches
// below are refreshed every 100-300 ms as a real panel does.
INSTANTIATE_TEST_SUITE_P(
    Script, TouchEvents,
    ::testing::Values(
        TouchCase{"DownIsPhaseOne", {{0, 'd', 100, 100}}, VU_PHASE_DOWN, 0, 0},
        TouchCase{"HeldIsPhaseTwo", {{0, 'd', 100, 100}, {100, 'm', 100, 100}}, VU_PHASE_MOVE, 0, 100},
        TouchCase{"QuickReleaseIsATap",
                  {{0, 'd', 100, 100}, {100, 'u', 0, 0}, {10, '-', 0, 0}},
                  VU_PHASE_UP, VU_GESTURE_TAP, 110},
        TouchCase{"ReleaseAt499IsATap",
                  {{0, 'd', 100, 100}, {300, 'm', 100, 100}, {199, 'u', 0, 0}, {0, '-', 0, 0}},
                  VU_PHASE_UP, VU_GESTURE_TAP, 499},
        TouchCase{"ReleaseAt500IsNoTap",
                  {{0, 'd', 100, 100}, {300, 'm', 100, 100}, {200, 'u', 0, 0}, {0, '-', 0, 0}},
                  VU_PHASE_UP, 0, 500},
        TouchCase{"FifteenPixelsRight",
                  {{0, 'd', 100, 100}, {60, 'm', 115, 100}},
                  VU_PHASE_MOVE, VU_GESTURE_RIGHT, 60},
        TouchCase{"FourteenPixelsIsStillATap",
                  {{0, 'd', 100, 100}, {60, 'm', 114, 86}, {60, 'u', 0, 0}, {0, '-', 0, 0}},
                  VU_PHASE_UP, VU_GESTURE_TAP, 120},
        TouchCase{"LeftUpDown",
                  {{0, 'd', 100, 100}, {60, 'm', 85, 85}},
                  VU_PHASE_MOVE, VU_GESTURE_LEFT | VU_GESTURE_UP, 60},
        TouchCase{"Down", {{0, 'd', 100, 100}, {60, 'm', 100, 115}}, VU_PHASE_MOVE, VU_GESTURE_DOWN, 60},
        TouchCase{"MovesWithinFiftyMillisecondsAreNotMeasured",
                  {{0, 'd', 100, 100}, {50, 'm', 140, 100}},
                  VU_PHASE_MOVE, 0, 50},
        TouchCase{"LeftThenRightIsAReversal",
                  {{0, 'd', 100, 100}, {60, 'm', 80, 100}, {60, 'm', 120, 100}},
                  VU_PHASE_MOVE, VU_GESTURE_REVERSED, 120},
        TouchCase{"UpThenDownIsAReversal",
                  {{0, 'd', 100, 100}, {60, 'm', 100, 70}, {60, 'm', 100, 100}},
                  VU_PHASE_MOVE, VU_GESTURE_REVERSED, 120},
        TouchCase{"SmallStepsAwayFromTheDownPoint",
                  {{0, 'd', 100, 100}, {60, 'm', 110, 100}, {60, 'm', 120, 100}},
                  VU_PHASE_MOVE, VU_GESTURE_MOVED, 120},
        TouchCase{"MovedTouchIsNoTapAtTheRelease",
                  {{0, 'd', 100, 100}, {60, 'm', 110, 100}, {60, 'm', 120, 100}, {30, 'u', 0, 0}, {0, '-', 0, 0}},
                  VU_PHASE_UP, VU_GESTURE_MOVED, 150},
        TouchCase{"AfterTheReleaseNothing",
                  {{0, 'd', 100, 100}, {100, 'u', 0, 0}, {10, '-', 0, 0}, {100, '-', 0, 0}},
                  VU_PHASE_NONE, VU_GESTURE_TAP, 0},
        TouchCase{"ANewTouchStartsAfresh",
                  {{0, 'd', 100, 100}, {60, 'm', 130, 100}, {30, 'u', 0, 0}, {0, '-', 0, 0}, {100, 'd', 50, 50}},
                  VU_PHASE_DOWN, 0, 0}),
    [](const ::testing::TestParamInfo<TouchCase> &info) { return std::string(info.param.name); });

TEST_F(UiTerminal, TouchCallbackSeesEveryPollAndNoPanelMeansNoEvents)
{
    vuUI *ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    static std::vector<int> phases;
    phases.clear();
    ASSERT_EQ(ui->SetTouchCallBack([](vuEvent *e) { phases.push_back(e->phase); }), 0);
    vuEvent event = {}, previous = {};
    unsigned long downTick = 0;
    int downX = 0, downY = 0;
    touchDown(10, 20);
    ui->getTouchState(&event, &previous, &downTick, &downX, &downY);
    EXPECT_EQ(event.x, 10);
    EXPECT_EQ(event.y, 20);
    // Nothing for 400 ms: the panel reports the touch once more, then drops it.
    OsTestClockAdvance(500);
    for (int i = 0; i < 3; i++)
        ui->getTouchState(&event, &previous, &downTick, &downX, &downY);
    EXPECT_EQ(phases, std::vector<int>({1, 2, 3, 0}));
    EXPECT_EQ(event.vkChar, 0);

    vuUI::Done();
    ASSERT_EQ(unlink("dev/tp"), 0);
    ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    ui->SetTouchCallBack([](vuEvent *e) { phases.push_back(e->phase); });
    phases.clear();
    event.vkChar = 'a';
    EXPECT_EQ(ui->getTouchState(&event, &previous, &downTick, &downX, &downY), 0);
    EXPECT_EQ(event.vkChar, 0);
    EXPECT_TRUE(phases.empty()) << "without a panel the callback is not called";
    EXPECT_EQ(ui->SetVirtualKeyboard(nullptr), VU_ERR_NO_TOUCH);
}

} // namespace
