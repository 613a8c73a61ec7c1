// Multi-forms: pages side by side, swipes, snapping to a page boundary and
// the strip's range; a drag through the modal loop.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "MemScreen.h"
#include "osal.h"
#include "ui_fixture.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuMultiForm.h"
#include "vuTouchPad.h"
#include "vuViewPort.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

vuEvent quietEvent()
{
    vuEvent e;
    memset(&e, 0, sizeof e);
    return e;
}

vuEvent swipe(unsigned char gesture)
{
    vuEvent e = quietEvent();
    e.phase = VU_PHASE_MOVE;
    e.x = 160;
    e.y = 100;
    e.gesture = gesture;
    return e;
}

// Puts the strip in mid-motion, as a swipe would leave it.
class MovingStrip : public vuMultiForm {
public:
    void Place(unsigned short at, short withSpeed)
    {
        offset = at;
        speed = withSpeed;
        stepCount = 0;
        SetCorrection(static_cast<int16_t>(-at), 0);
    }
};

class MultiFormTest : public ::testing::Test {
protected:
    MultiFormTest() : screen(320, 240, SENTINEL) {}

    void SetUp() override
    {
        vuTouchPad::accelStep = 3;
        strip = new MovingStrip();
        ASSERT_GE(screen.Add(strip), 0);
    }

    vuChildForm* page(unsigned short w, uint16_t back = BACK)
    {
        vuChildForm* p = new vuChildForm(0, 0, w, 240);
        p->SetOption(VU_FO_NO_BORDER);
        p->SetColors(FRONT, back);
        EXPECT_GE(strip->Add(p), 0);
        return p;
    }

    // Empty events until the strip rests; the number of steps.
    int settle()
    {
        int n = 0;
        for (; n < 1000; ++n) {
            vuEvent e = quietEvent();
            if (strip->HandleEvent(&e) != 2)
                break;
        }
        return n;
    }

    int16_t stripX()
    {
        vuViewPort port;
        strip->SetViewPort(&port);
        return port.x;
    }

    MemScreen screen;
    MovingStrip* strip = nullptr;
};

} // namespace

TEST_F(MultiFormTest, PagesStandSideBySide)
{
    vuChildForm* a = page(320);
    vuChildForm* b = page(200);
    vuChildForm* c = page(320);
    strip->Reset();
    EXPECT_EQ(strip->GetWidth(), 840);
    EXPECT_EQ(strip->GetHeight(), 240);
    EXPECT_EQ(strip->GetRange(), 520);
    int16_t expected[] = {0, 320, 520};
    vuChildForm* pages[] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        vuViewPort port;
        pages[i]->SetViewPort(&port);
        EXPECT_EQ(port.x, expected[i]) << i;
    }
}

TEST_F(MultiFormTest, SnapsToThePageBoundaryInTheDirectionOfTravel)
{
    struct Case {
        unsigned short offset;
        short speed;
        unsigned short lands;
    } cases[] = {
        {100, 2, 320}, {100, -2, 0}, {100, 4, 320}, {330, 1, 640}, {330, -1, 320}, {319, 1, 320}, {1, -1, 0},
        {639, -4, 320},
    };
    page(320);
    page(320);
    page(320);
    for (const Case& c : cases) {
        strip->Reset();
        ASSERT_EQ(strip->GetRange(), 640);
        strip->Place(c.offset, c.speed);
        EXPECT_GT(settle(), 0);
        EXPECT_EQ(strip->GetOffset(), c.lands) << c.offset << " at speed " << c.speed;
        EXPECT_EQ(stripX(), -c.lands);
        EXPECT_EQ(strip->GetSpeed(), 0);
    }
}

TEST_F(MultiFormTest, AtRestNothingMoves)
{
    page(320);
    page(320);
    strip->Reset();
    vuEvent e = quietEvent();
    EXPECT_EQ(strip->HandleEvent(&e), 0);
    EXPECT_EQ(strip->GetOffset(), 0);
}

TEST_F(MultiFormTest, SnapTargetNeverPassesTheEnd)
{
    // Pages of unequal width: the next boundary after the second page lies
    // beyond the range, so the strip stops at the range.
    page(320);
    page(320);
    page(100);
    strip->Reset();
    ASSERT_EQ(strip->GetRange(), 420);
    strip->Place(350, 2);
    settle();
    EXPECT_EQ(strip->GetOffset(), 420);
}

TEST_F(MultiFormTest, SwipesScrollAndTheLiftSnaps)
{
    page(320);
    page(320);
    page(320);
    strip->Reset();
    for (int i = 0; i < 6; ++i) {
        vuEvent e = swipe(VU_GESTURE_LEFT);
        EXPECT_EQ(strip->HandleEvent(&e), 2);
        EXPECT_EQ(e.handled, 1);
    }
    unsigned short during = strip->GetOffset();
    EXPECT_GT(during, 0);
    EXPECT_LT(during, 320);
    EXPECT_EQ(stripX(), -during);
    settle();
    EXPECT_EQ(strip->GetOffset(), 320) << "carried on to the next page";

    for (int i = 0; i < 6; ++i) {
        vuEvent e = swipe(VU_GESTURE_RIGHT);
        EXPECT_EQ(strip->HandleEvent(&e), 2);
    }
    EXPECT_LT(strip->GetOffset(), 320);
    settle();
    EXPECT_EQ(strip->GetOffset(), 0) << "back to the start of the page it was on";
}

TEST_F(MultiFormTest, WithoutPagesCancels)
{
    strip->Reset();
    vuEvent e = quietEvent();
    EXPECT_EQ(strip->HandleEvent(&e), -1);
}

TEST_F(MultiFormTest, DrawsThePagesShiftedByTheOffset)
{
    page(320, BACK);
    page(320, HBACK);
    strip->Reset();
    strip->Place(100, 0);
    EXPECT_EQ(strip->Draw(&screen), 0);
    std::string r;
    for (int x = 0; x < 320; ++x)
        r += Canvas::symbol(screen.At(x, 120));
    EXPECT_EQ(r, std::string(220, 'B') + std::string(100, 'h'));
}

// ---- through the modal loop -------------------------------------------------

namespace {

int g_step = 0;
int g_touch = -1;
vuMultiForm* g_strip = nullptr;
std::vector<unsigned short> g_offsets;

void touchRecord(uint16_t type, uint16_t code, int32_t value)
{
    vuInputRecord rec{0, 0, type, code, value};
    if (write(g_touch, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
        ADD_FAILURE() << "touch FIFO write";
}

void touchAt(int x, int y)
{
    touchRecord(vuInputRecord::Absolute, vuInputRecord::AxisX, x);
    touchRecord(vuInputRecord::Absolute, vuInputRecord::AxisY, y);
    touchRecord(vuInputRecord::Sync, 0, 0);
}

// A finger that goes down at x = 200 and drags to the left by 20 pixels every
// 60 ms, then lifts; the loop ends once the strip rests after the lift.
int dragLeft(vuEvent*, intptr_t)
{
    OsTestClockAdvance(60);
    int step = g_step++;
    g_offsets.push_back(g_strip->GetOffset());
    if (step == 0) {
        touchRecord(vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        touchAt(200, 80);
    } else if (step <= 4) {
        touchAt(200 - 20 * step, 80);
    } else if (step == 5) {
        touchRecord(vuInputRecord::Key, vuInputRecord::TouchButton, 0);
    } else if (g_strip->GetSpeed() == 0 || step > 400) {
        return 1;
    }
    return 0;
}

} // namespace

class MultiFormLoop : public UiTest {};

TEST_F(MultiFormLoop, DragThenLiftSnapsToTheNextPage)
{
    vuMultiForm* strip = new vuMultiForm();
    strip->Add(new vuForm());
    strip->Add(new vuForm());
    ASSERT_EQ(ui->Add(strip), 0);
    strip->Reset();
    ASSERT_EQ(strip->GetRange(), SW) << "two pages as wide as the screen";
    g_step = 0;
    g_touch = touchpad;
    g_strip = strip;
    g_offsets.clear();
    EXPECT_EQ(ui->Show(strip, dragLeft), 1);
    EXPECT_EQ(strip->GetOffset(), SW) << "the second page";
    ASSERT_GT(g_offsets.size(), 8u);
    EXPECT_GT(g_offsets[6], 0) << "the drag itself scrolled the strip";
    for (size_t i = 1; i < g_offsets.size(); ++i)
        EXPECT_GE(g_offsets[i], g_offsets[i - 1]) << "only ever forwards, step " << i;
}
