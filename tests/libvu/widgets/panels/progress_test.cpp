// Progress bar: the bar, the number across it in two colours, the redraw
// answer to a changed value.
#include <gtest/gtest.h>

#include <string.h>

#include "runs.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuProgress.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

vuEvent noEvent()
{
    vuEvent e;
    memset(&e, 0, sizeof e);
    return e;
}

} // namespace

class ProgressDraw : public DrawTest {};

TEST_F(ProgressDraw, BarAndInvertedDigits)
{
    // Widget at (10, 10), 20 rows high, block font 4 x 6 cells: the text is
    // centred, its rows 17..22 unless justified to the top (10..15) or the
    // bottom (24..29). Rows are given from x = 10 over the widget's width.
    struct Case {
        const char* what;
        unsigned short width;
        unsigned short value;
        unsigned char justify;
        int textRow;
        const char* textRuns; // the row through the digits
        const char* barRuns;  // a row above or below them
        int barRow;
    } cases[] = {
        {"zero: no bar", 100, 0, 0, 17, "B46 F8 B46", "B100", 10},
        {"full", 100, 100, 0, 17, "F42 B16 F42", "F100", 10},
        {"half: left part of the digits inverted", 100, 50, 0, 17, "F44 B6 F6 B44", "F50 B50", 10},
        {"half from the right edge", 100, 50, 2, 17, "B44 F6 B6 F44", "B50 F50", 10},
        {"more than 100 is cut at the widget", 100, 200, 0, 17, "F42 B16 F42", "F100", 29},
        {"text at the top", 100, 50, 4, 10, "F44 B6 F6 B44", "F50 B50", 17},
        {"text at the bottom", 100, 50, 8, 29, "F44 B6 F6 B44", "F50 B50", 23},
        {"odd width rounds the bar down", 101, 50, 0, 17, "F44 B6 F6 B45", "F50 B51", 10},
        {"a bar shorter than the text's start", 100, 30, 0, 17, "F30 B14 F12 B44", "F30 B70", 10},
    };
    for (const Case& c : cases) {
        canvas.clear();
        vuProgress bar(10, 10, c.width, 20);
        bar.SetPassiveColor(FRONT, BACK);
        bar.SetJustify(c.justify);
        bar.SetValue(c.value);
        EXPECT_EQ(bar.Draw(fb()), 0) << c.what;
        EXPECT_EQ(runs(canvas.row(c.textRow, 10, 10 + c.width - 1)), c.textRuns) << c.what;
        EXPECT_EQ(runs(canvas.row(c.barRow, 10, 10 + c.width - 1)), c.barRuns) << c.what;
        EXPECT_TRUE(canvas.untouchedOutside(10, 10, c.width, 20)) << c.what;
    }
}

TEST_F(ProgressDraw, WithoutFontOnlyTheBar)
{
    vuProgress bar(10, 10, 100, 20);
    bar.SetPassiveColor(FRONT, BACK);
    bar.SetFont(9); // an empty slot
    bar.SetValue(50);
    EXPECT_EQ(bar.Draw(fb()), 0);
    EXPECT_EQ(runs(canvas.row(17, 10, 109)), "F50 B50");
    EXPECT_EQ(bar.DrawItem(nullptr, nullptr), -4);
}

TEST_F(ProgressDraw, DefaultsOfTheWidget)
{
    vuProgress bar(0, 0, 50, 10);
    EXPECT_EQ(bar.GetType(), VU_TYPE_PROGRESS);
    EXPECT_EQ(bar.GetFontIndex(), 1);
    EXPECT_EQ(bar.GetFrontColor(), vuColor::cForm[34]);
    EXPECT_EQ(bar.GetBackColor(), vuColor::cForm[35]);
    EXPECT_EQ(bar.IsTransparency(), 0);
    EXPECT_EQ(bar.IsBorder(), 0);
    EXPECT_EQ(bar.GetValue(), 0);
}

TEST(ProgressEvents, EachChangeAsksForOneRedraw)
{
    vuProgress bar(0, 0, 50, 10);
    vuEvent e = noEvent();
    EXPECT_EQ(bar.HandleEvent(&e), 0) << "nothing changed yet";
    bar.SetValue(42);
    EXPECT_EQ(bar.HandleEvent(&e), 2);
    EXPECT_EQ(bar.HandleEvent(&e), 0);
    bar.SetValue(42);
    EXPECT_EQ(bar.HandleEvent(&e), 0) << "the same value again";
    bar.SetValue(43);
    EXPECT_EQ(bar.HandleEvent(&e), 2);
    bar.Reset();
    EXPECT_EQ(bar.GetValue(), 0);
    EXPECT_EQ(bar.HandleEvent(&e), 0) << "reset clears the value and what was shown";
}

TEST(ProgressEvents, FormPassesTheRedrawOn)
{
    // A form offers every event to its visible children, so a value set
    // from another thread turns into one redraw of the form.
    vuForm form;
    vuProgress* bar = new vuProgress(0, 0, 50, 10);
    ASSERT_GE(form.Add(bar), 0);
    vuEvent e = noEvent();
    EXPECT_EQ(form.HandleEvent(&e), 0);
    bar->SetValue(70);
    EXPECT_EQ(form.HandleEvent(&e), 2);
    EXPECT_EQ(form.HandleEvent(&e), 0);
}
