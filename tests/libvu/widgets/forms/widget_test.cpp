// The widget base: flag and focus rules, justification, the active
// inversions, scroll-bar geometry and the Draw skeleton.
#include <gtest/gtest.h>

#include <vector>

#include "vuForm.h"
#include "vuImage.h"
#include "vuWidget.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

// A widget whose item and hint steps are observable.
class ProbeWidget : public vuWidget {
public:
    using vuWidget::vuWidget;
    vuScrollState& sx() { return scrollX; }
    vuScrollState& sy() { return scrollY; }
    void setFlags(unsigned short f) { flags = f; }
    int DrawItem(vuFrameBuffer*, vuViewPort*) override
    {
        ++items;
        return itemResult;
    }
    int DrawHint(vuFrameBuffer*, vuViewPort*) override
    {
        ++hints;
        return hintResult;
    }
    int itemResult = 0, hintResult = 0, items = 0, hints = 0;
};

// A 1-bit picture of w x h with every pixel set.
vuImage* solidIcon(unsigned w, unsigned h)
{
    std::vector<unsigned char> bits(h * ((w + 7) / 8), 0xFF);
    return vuImage::CreateMemDirect(w, h, bits.data());
}

} // namespace

TEST(WidgetFlags, StateQueriesFollowVisibilityAndBits)
{
    struct Case {
        unsigned short flags;
        unsigned short selectable, focusable, active, select;
    } cases[] = {
        {0x0, 0, 0, 0, 0},
        {0x1, 1, 0, 0, 0},
        {0x1 | 0x2, 1, 0, 2, 2},
        {0x2, 0, 0, 2, 0},              // selected but not selectable: active, not "select"
        {0x4 | 0x8, 0, 4, 8, 0},
        {0x1 | 0x2 | 0x800, 0, 0, 0, 0}, // hidden: nothing
        {0x4 | 0x8 | 0x800, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ProbeWidget w(0, 0, 10, 10);
        w.setFlags(c.flags);
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(w.IsSelectable(), c.selectable);
        EXPECT_EQ(w.IsFocusable(), c.focusable);
        EXPECT_EQ(w.IsActive(), c.active);
        EXPECT_EQ(w.IsSelect(), c.select);
        EXPECT_EQ(w.IsVisible(), (c.flags & 0x800) ? 0 : 1);
    }
}

TEST(WidgetFlags, SelectAndFocusNeedTheirBitAndVisibility)
{
    ProbeWidget w(0, 0, 10, 10);
    w.Select();
    w.Focus();
    EXPECT_EQ(w.GetFlags() & 0xA, 0) << "neither selectable nor focusable";

    w.setFlags(0x1 | 0x4);
    w.Select();
    w.Focus();
    EXPECT_EQ(w.GetFlags() & 0xA, 0xA);

    // Hidden while selected: the bits stay until it is visible and cleared.
    w.SetVisible(0);
    w.UnSelect();
    w.UnFocus();
    EXPECT_EQ(w.GetFlags() & 0xA, 0xA);
    EXPECT_EQ(w.IsActive(), 0);
    w.SetVisible(1);
    EXPECT_EQ(w.IsActive(), 0xA);
    w.UnSelect();
    w.UnFocus();
    EXPECT_EQ(w.GetFlags() & 0xA, 0);
}

TEST(WidgetFlags, SettersSetAndClearTheirBit)
{
    ProbeWidget w(0, 0, 10, 10);
    struct Setter {
        void (vuWidget::*set)(unsigned char);
        unsigned short bit;
    } setters[] = {
        {&vuWidget::SetFocusable, 0x4},       {&vuWidget::SetTransparency, 0x10},
        {&vuWidget::SetBorder, 0x20},         {&vuWidget::SetActiveTransparency, 0x40},
        {&vuWidget::SetActiveBorder, 0x80},
    };
    for (const Setter& s : setters) {
        (w.*s.set)(7);
        EXPECT_EQ(w.GetFlags() & s.bit, s.bit);
        (w.*s.set)(0);
        EXPECT_EQ(w.GetFlags() & s.bit, 0);
    }
    w.SetVisible(0);
    EXPECT_EQ(w.GetFlags(), 0x800);
}

TEST(WidgetFlags, JustifyRefusesContradictionsAndReplaces)
{
    struct Case {
        unsigned char first, second;
        unsigned short expected;
    } cases[] = {
        {1, 0, 0x0000},  {1, 3, 0x1000},  {4, 12, 0x4000}, {1 | 8, 2, 0x2000},
        {2 | 4, 0, 0x0},  {0, 15, 0x0000}, {8, 1 | 8, 0x9000},
    };
    for (const Case& c : cases) {
        ProbeWidget w(0, 0, 10, 10);
        w.SetFocusable(1);
        w.SetJustify(c.first);
        w.SetJustify(c.second);
        EXPECT_EQ(w.GetFlags() & 0xF000, c.expected) << int(c.first) << " then " << int(c.second);
        EXPECT_EQ(w.GetFlags() & 0x0FFF, 0x4) << "other bits untouched";
    }
}

TEST(WidgetFlags, ActiveInvertsTransparencyAndBorder)
{
    struct Case {
        bool transparent, invert, focused;
        unsigned short expected;
    } cases[] = {
        {true, false, true, 0x10}, {true, true, false, 0x10}, {true, true, true, 0},
        {false, true, true, 0x10}, {false, true, false, 0},   {false, false, true, 0},
    };
    for (const Case& c : cases) {
        ProbeWidget w(0, 0, 10, 10);
        w.SetFocusable(1);
        w.SetTransparency(c.transparent);
        w.SetBorder(c.transparent);
        w.SetActiveTransparency(c.invert);
        w.SetActiveBorder(c.invert);
        if (c.focused)
            w.Focus();
        EXPECT_EQ(w.IsTransparency(), c.expected);
        EXPECT_EQ(w.IsBorder(), c.expected ? 0x20 : 0);
    }
}

TEST(WidgetFlags, ColoursFollowTheActiveLook)
{
    ProbeWidget w(0, 0, 10, 10);
    w.SetPassiveColor(FRONT, BACK);
    w.SetActiveColor(AFRONT, ABACK);
    w.SetFocusable(1);
    EXPECT_EQ(w.GetFrontColor(), FRONT);
    EXPECT_EQ(w.GetBackColor(), BACK);
    w.Focus();
    EXPECT_EQ(w.GetFrontColor(), AFRONT);
    EXPECT_EQ(w.GetBackColor(), ABACK);
    EXPECT_EQ(w.GetActiveFrontColor(), AFRONT);
    EXPECT_EQ(w.GetActiveBackColor(), ABACK);
}

TEST(WidgetScroll, BarSizeAndDeltas)
{
    struct Case {
        unsigned short w, h, flags;
        short rangeX, rangeY;
        unsigned short barY, barX;
    } cases[] = {
        {20, 20, 0x300, 5, 5, 2, 2}, {19, 19, 0x300, 5, 5, 0, 0}, {40, 40, 0x000, 5, 5, 0, 0},
        {40, 40, 0x100, 5, 0, 0, 0}, {40, 40, 0x200, 5, 5, 0, 2}, {40, 19, 0x300, 5, 5, 2, 0},
    };
    for (const Case& c : cases) {
        ProbeWidget w(0, 0, c.w, c.h);
        w.setFlags(c.flags);
        w.sx().range = c.rangeX;
        w.sy().range = c.rangeY;
        EXPECT_EQ(w.GetScrollBarYWidth(), c.barY) << c.w << "x" << c.h;
        EXPECT_EQ(w.GetScrollBarXHeight(), c.barX) << c.w << "x" << c.h;
    }

    struct Delta {
        short range;
        unsigned short offset;
        unsigned char remaining;
        unsigned short expected;
    } deltas[] = {
        {0, 0, 0, 0}, {0, 5, 1, 0}, {-3, 5, 0, 0}, {30, 10, 0, 10}, {30, 10, 1, 20}, {30, 30, 1, 0}, {30, 31, 1, 0},
    };
    for (const Delta& d : deltas) {
        ProbeWidget w(0, 0, 40, 40);
        w.sy().range = d.range;
        w.sy().offset = d.offset;
        w.sx() = w.sy();
        EXPECT_EQ(w.GetDeltaY(d.remaining), d.expected) << d.range << "/" << d.offset;
        EXPECT_EQ(w.GetDeltaX(d.remaining), d.expected);
    }
}

TEST(WidgetScroll, ResetClearsScrollSelectionAndFocus)
{
    ProbeWidget w(0, 0, 40, 40);
    w.setFlags(0x1 | 0x2 | 0x4 | 0x8);
    w.sx() = vuScrollState{2, 1, 7, 9};
    w.sy() = vuScrollState{-1, 2, 3, 4};
    w.Reset();
    EXPECT_EQ(w.GetFlags() & 0xA, 0);
    EXPECT_EQ(w.GetScrollX().offset + w.GetScrollX().range + w.GetScrollX().speed, 0);
    EXPECT_EQ(w.GetScrollY().offset + w.GetScrollY().range + w.GetScrollY().count, 0);
}

class WidgetDraw : public DrawTest {};

TEST_F(WidgetDraw, VerticalBarTrackAndThumb)
{
    ProbeWidget w(10, 10, 40, 30);
    w.setFlags(0x100);
    w.SetPassiveColor(FRONT, BACK);
    w.SetActiveColor(AFRONT, ABACK);
    w.sy().range = 100;
    w.sy().offset = 50; // thumb at 50 * (30 - 17) / 100 = 6
    ASSERT_EQ(w.Draw(fb()), 0);
    // Track: dotted, two columns (47, 48) from y 10 to 38; thumb: solid rows 16..31.
    EXPECT_EQ(canvas.column(47, 9, 40), ".FBFBFBffffffffffffffffFBFBFBFB.");
    EXPECT_EQ(canvas.column(48, 9, 40), ".BFBFBFffffffffffffffffBFBFBFBB.");
    EXPECT_EQ(canvas.column(46, 9, 40), ".BBBBBBBBBBBBBBBBBBBBBBBBBBBBBB.");
    EXPECT_TRUE(canvas.untouchedOutside(10, 10, 40, 30));
}

TEST_F(WidgetDraw, HorizontalBarLeavesRoomForTheVerticalOne)
{
    ProbeWidget w(10, 10, 40, 30);
    w.setFlags(0x300);
    w.SetPassiveColor(FRONT, BACK);
    w.SetActiveColor(AFRONT, ABACK);
    w.sx().range = 10;
    w.sx().offset = 10; // thumb at 10 * (40 - 17 - 2) / 10 = 21
    w.sy().range = 10;
    ASSERT_EQ(w.Draw(fb()), 0);
    // Row 37 (y + h - 3): track x 10..46, thumb x 31..46.
    EXPECT_EQ(canvas.row(37, 9, 50), ".FBFBFBFBFBFBFBFBFBFBFffffffffffffffffBBB.");
    EXPECT_EQ(canvas.row(38, 9, 50), ".BFBFBFBFBFBFBFBFBFBFBffffffffffffffffBBB.");
}

TEST_F(WidgetDraw, BackFillTransparencyAndBorder)
{
    ProbeWidget w(10, 10, 8, 5);
    w.SetPassiveColor(FRONT, BACK);
    w.SetActiveColor(AFRONT, ABACK);
    w.SetFocusable(1);
    w.SetBorder(1);
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(10, 9, 18), ".FFFFFFFF.");
    EXPECT_EQ(canvas.row(12, 9, 18), ".FBBBBBBF.");
    EXPECT_TRUE(canvas.untouchedOutside(10, 10, 8, 5));

    // Transparent but inverted while active: filled only when focused.
    canvas.clear();
    w.SetBorder(0);
    w.SetTransparency(1);
    w.SetActiveTransparency(1);
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(SENTINEL), canvas.W * canvas.H);
    w.Focus();
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(ABACK), 40);
}

TEST_F(WidgetDraw, BackImageCoveringSuppressesTheFillSmallerOneIsCentred)
{
    // A covering 1-bit picture with every other column set: the clear bits
    // keep what was below, since nothing is filled.
    std::vector<unsigned char> bits(5, 0xAA);
    ProbeWidget w(10, 10, 8, 5);
    w.SetPassiveColor(FRONT, BACK);
    w.SetPassiveBackImage(vuImage::CreateMemDirect(8, 5, bits.data()));
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(12, 9, 18), ".B.B.B.B..");

    canvas.clear();
    w.SetPassiveBackImage(b16(4, 1, HFRONT));
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(12, 9, 18), ".BBHHHHBB.");
    EXPECT_EQ(canvas.row(11, 9, 18), ".BBBBBBBB.");
    EXPECT_EQ(canvas.count(HFRONT), 4);
}

TEST_F(WidgetDraw, SkeletonResults)
{
    ProbeWidget w(10, 10, 8, 5);
    EXPECT_EQ(w.Draw(nullptr), -4);

    w.itemResult = -5;
    EXPECT_EQ(w.Draw(fb()), -5);
    EXPECT_EQ(w.hints, 0) << "a failing item skips the hint";

    w.itemResult = 0;
    w.hintResult = 7;
    EXPECT_EQ(w.Draw(fb()), 7);
    EXPECT_EQ(w.hints, 1);

    w.SetVisible(0);
    canvas.clear();
    EXPECT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(w.items, 2);
    EXPECT_EQ(canvas.count(SENTINEL), canvas.W * canvas.H);
}

TEST_F(WidgetDraw, ClippedByTheParentAndHintRunsEvenWhenNothingIsVisible)
{
    vuChildForm form(20, 20, 30, 20);
    form.SetOption(0x10 | 0x40);
    form.ClearOption(0x20);
    auto* inside = new ProbeWidget(25, 5, 20, 10); // sticks out on the right
    auto* outside = new ProbeWidget(50, 50, 5, 5);
    inside->SetPassiveColor(FRONT, BACK);
    ASSERT_GE(form.Add(inside), 0);
    ASSERT_GE(form.Add(outside), 0);
    ASSERT_EQ(form.Draw(fb()), 0);
    EXPECT_EQ(canvas.box(BACK).x0, 45);
    EXPECT_EQ(canvas.box(BACK).x1, 49) << "clipped to the form's client area";
    EXPECT_EQ(canvas.box(BACK).y0, 25);
    EXPECT_EQ(outside->items, 0);
    EXPECT_EQ(outside->hints, 1);
}

TEST_F(WidgetDraw, ReplacingImagesDestroysTheOldAndKeepsTheSame)
{
    // Run under the sanitizers: a destroyed image still held would be a
    // use after free, an image never destroyed a leak.
    ProbeWidget w(10, 10, 8, 5);
    vuImage* a = solidIcon(8, 5);
    w.SetActiveBackImage(a);
    w.SetActiveBackImage(a);
    w.SetPassiveBackImage(solidIcon(2, 2));
    w.SetPassiveBackImage(solidIcon(3, 3));
    w.SetFocusable(1);
    w.Focus();
    ASSERT_EQ(w.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(0), 40);
    EXPECT_EQ(w.GetActiveBackImage(), a);
}
