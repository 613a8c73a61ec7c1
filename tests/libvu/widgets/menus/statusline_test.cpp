// The status line and its objects, drawn into the UI's screen memory: the
// strip's place and fill, text placement by the justify bits, the clock's
// formats, image sets, and the level indicators' bars, masks, warning and
// addition images and texts.
#include <gtest/gtest.h>

#include <string.h>

#include "menu_fixture.h"
#include "vuBatLevel.h"
#include "vuClock.h"
#include "vuImage.h"
#include "vuImagesObject.h"
#include "vuNetLevel.h"
#include "vuProgressObject.h"
#include "vuStatusLine.h"
#include "vuTextObject.h"

using namespace w2;

namespace {

unsigned short g_word = 0;
intptr_t g_seen = 0;
const char* g_text = nullptr;

unsigned short level(intptr_t indicator)
{
    g_seen = indicator;
    if (g_text)
        reinterpret_cast<vuProgressObject*>(indicator)->SetText(g_text);
    return g_word;
}

vuTextObject* text(short x, short y, unsigned short w, unsigned short h, const char* t)
{
    vuTextObject* o = new vuTextObject(x, y, w, h, t);
    o->SetFont(1);
    o->SetColor(FRONT, BACK);
    return o;
}

} // namespace

class StatusLine : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        g_word = 0;
        g_seen = 0;
        g_text = nullptr;
    }
};

TEST_F(StatusLine, PlaceOfTheStrip)
{
    vuStatusLine bottom(24, VU_SL_BOTTOM);
    EXPECT_EQ(bottom.GetWidth(), SW);
    EXPECT_EQ(bottom.GetHeight(), 24);
    EXPECT_EQ(bottom.GetType(), VU_TYPE_STATUS_LINE);
    bottom.Add(text(0, 0, 4, 6, "A"));
    ASSERT_EQ(bottom.Draw(fb()), 0);
    Box b = box(FRONT);
    EXPECT_EQ(b.x0, 0);
    EXPECT_EQ(b.y0, SH - 24);
    EXPECT_EQ(b.h(), 6);

    // The client origin is fixed when the line is made.
    vuStatusLine top(24, 0);
    top.Add(text(0, 0, 4, 6, "A"));
    EXPECT_EQ(top.SetOption(VU_SL_BOTTOM), VU_SL_BOTTOM);
    clearScreen();
    ASSERT_EQ(top.Draw(fb()), 0);
    EXPECT_EQ(box(FRONT).y0, 0);
}

TEST_F(StatusLine, Options)
{
    vuStatusLine line(20, VU_SL_BOTTOM);
    EXPECT_EQ(line.IsOption(0), 0);
    EXPECT_EQ(line.IsOption(VU_SL_BOTTOM), 1);
    EXPECT_EQ(line.IsOption(VU_SL_BOTTOM | VU_SL_FILL), 0);
    EXPECT_EQ(line.SetOption(VU_SL_FILL), VU_SL_BOTTOM | VU_SL_FILL);
    EXPECT_EQ(line.IsOption(VU_SL_BOTTOM | VU_SL_FILL), 1);
    EXPECT_EQ(line.ClearOption(VU_SL_BOTTOM), VU_SL_FILL);
    EXPECT_EQ(line.IsAnimate(), 0);
}

TEST_F(StatusLine, FillThenObjects)
{
    vuStatusLine line(24, VU_SL_BOTTOM);
    line.SetColor(HBACK);
    line.Add(text(10, 2, 8, 6, "AB"));
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_TRUE(box(HBACK).empty()) << "no fill without the option";
    line.SetOption(VU_SL_FILL);
    ASSERT_EQ(line.Draw(fb()), 0);
    Box fill = box(HBACK);
    EXPECT_EQ(fill.x0, 0);
    EXPECT_EQ(fill.x1, SW - 1);
    EXPECT_EQ(fill.y0, SH - 24);
    EXPECT_EQ(fill.y1, SH - 1);
    EXPECT_EQ(at(10, SH - 22), FRONT) << "objects over the fill";
}

TEST_F(StatusLine, TextPlacementByJustify)
{
    struct Case {
        unsigned char justify;
        const char* t;
        int x0, x1, y0, y1;
    } cases[] = {
        {0, "AB", 111, 118, 9, 14},
        {0x1, "AB", 100, 107, 9, 14},
        {0x2, "AB", 122, 129, 9, 14},
        {0x4, "AB", 111, 118, 4, 9},
        {0x8, "AB", 111, 118, 14, 19},
        {0x9, "AB", 100, 107, 14, 19},
        {0x3, "AB", 111, 118, 9, 14},
        {0xC, "AB", 111, 118, 9, 14},
        {0, "ABCDEFGHIJ", 100, 129, 9, 14},
        {0x2, "ABCDEFGHIJ", 100, 129, 9, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.t) + " " + std::to_string(c.justify));
        clearScreen();
        vuStatusLine line(30, 0);
        vuTextObject* o = text(100, 4, 30, 16, c.t);
        o->SetJustify(c.justify);
        line.Add(o);
        ASSERT_EQ(line.Draw(fb()), 0);
        Box b = box(FRONT);
        EXPECT_EQ(b.x0, c.x0);
        EXPECT_EQ(b.x1, c.x1);
        EXPECT_EQ(b.y0, c.y0);
        EXPECT_EQ(b.y1, c.y1);
    }
}

TEST_F(StatusLine, ObjectLooks)
{
    vuStatusLine line(30, 0);
    vuTextObject* o = text(10, 4, 30, 16, "AB");
    line.Add(o);
    EXPECT_EQ(o->IsTransparency(), 1);
    o->SetTransparency(0);
    o->SetBorder(1);
    EXPECT_EQ(o->IsBorder(), 2);
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_EQ(at(11, 5), BACK);
    EXPECT_EQ(at(10, 4), FRONT) << "border";
    EXPECT_EQ(at(39, 19), FRONT);
    EXPECT_EQ(at(40, 19), SENTINEL);

    clearScreen();
    o->SetVisible(0);
    EXPECT_EQ(o->IsVisible(), 0);
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_EQ(box(SENTINEL).w(), SW);
    EXPECT_EQ(box(SENTINEL).h(), SH);

    o->SetVisible(1);
    o->SetText(nullptr);
    o->SetBorder(0);
    clearScreen();
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_TRUE(box(FRONT).empty()) << "no text";
}

TEST_F(StatusLine, EmptyFontSlotStopsThePass)
{
    vuStatusLine line(30, 0);
    vuTextObject* bad = text(0, 0, 30, 10, "A");
    bad->SetFont(9);
    line.Add(bad);
    line.Add(text(40, 0, 30, 10, "B"));
    EXPECT_EQ(line.Draw(fb()), -13);
    EXPECT_TRUE(box(FRONT).empty());
    EXPECT_EQ(line.DrawObjects(nullptr), -4);
}

TEST_F(StatusLine, ClockFormats)
{
    vuStatusLine line(30, 0);
    vuClock* clock = new vuClock(0, 0, 100, 10, 1);
    EXPECT_EQ(clock->GetType(), VU_TYPE_CLOCK);
    EXPECT_EQ(clock->GetFrontColor(), vuColor::cStatusLine[11]);
    EXPECT_EQ(clock->GetBackColor(), vuColor::cStatusLine[12]);
    EXPECT_EQ(clock->GetFontIndex(), 1);
    clock->SetColor(FRONT, BACK);
    clock->SetJustify(0x1);
    line.Add(clock);

    struct Case {
        const char* format;
        int cells;
    } cases[] = {
        {nullptr, 17}, {"%%%%", 2}, {"", 17}, {"%H:%M", 5}, {"%Y%Y%Y%Y%Y%Y", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format ? c.format : "null");
        clock->SetFormat(c.format);
        clock->SetText("never shown");
        clearScreen();
        ASSERT_EQ(line.Draw(fb()), 0);
        Box b = box(FRONT);
        EXPECT_EQ(b.empty() ? 0 : b.w(), c.cells * 4);
    }
    clock->SetFormat("");
    EXPECT_EQ(clock->GetFormat(), nullptr);
}

TEST_F(StatusLine, SettersTakeBackTheTextTheyHold)
{
    // A user function refreshing an indicator may hand it its own text.
    vuTextObject t(0, 0, 40, 10, "ABC");
    t.SetText(t.GetText());
    EXPECT_STREQ(t.GetText(), "ABC");
    vuProgressObject p(0, 0, 40, 10, nullptr);
    p.SetText("XYZ");
    p.SetText(p.GetText());
    EXPECT_STREQ(p.GetText(), "XYZ");
    vuClock c(0, 0, 40, 10, 1);
    c.SetFormat("%H:%M");
    c.SetFormat(c.GetFormat());
    EXPECT_STREQ(c.GetFormat(), "%H:%M");
}

TEST_F(StatusLine, BackImageIsCentred)
{
    vuStatusLine line(30, 0);
    vuTextObject* o = text(20, 4, 10, 6, nullptr);
    line.Add(o);
    // Smaller than the object: inset by half the difference each way.
    static unsigned char small[2] = {0xF0, 0xF0};
    o->SetBackImage(vuImage::CreateMemDirect(4, 2, small));
    ASSERT_EQ(line.Draw(fb()), 0);
    Box b = box(BACK);
    EXPECT_EQ(b.x0, 23);
    EXPECT_EQ(b.y0, 6);
    EXPECT_EQ(b.w(), 4);
    EXPECT_EQ(b.h(), 2);

    // Larger: cut evenly, so column 3 and row 2 of a 16 x 10 picture land
    // on the object's left column and top row.
    static unsigned char large[20] = {0x10, 0, 0x10, 0, 0xFF, 0xFF, 0x10, 0, 0x10, 0,
                                      0x10, 0, 0x10, 0, 0x10, 0,    0x10, 0, 0x10, 0};
    o->SetBackImage(vuImage::CreateMemDirect(16, 10, large));
    clearScreen();
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_EQ(at(20, 9), BACK);
    EXPECT_EQ(at(29, 4), BACK);
    EXPECT_EQ(at(29, 9), SENTINEL);
    EXPECT_EQ(box(BACK).w(), 10) << "nothing outside the object";
    EXPECT_EQ(box(BACK).h(), 6);
}

TEST_F(StatusLine, ImageSets)
{
    vuStatusLine line(30, 0);
    vuImagesObject* set = new vuImagesObject(0, 0, 40, 24);
    EXPECT_EQ(set->GetFrontColor(), vuColor::cStatusLine[3]);
    set->SetColor(FRONT, BACK);
    EXPECT_EQ(set->Add(nullptr), -2);
    EXPECT_EQ(set->Add(vuImage::CreateMemIcon(VU_MEMICON_BATTERY_FILL)), 0);
    EXPECT_EQ(set->Add(vuImage::CreateMemIcon(VU_MEMICON_DOT)), 1);
    EXPECT_EQ(set->Add(vuImage::CreateMemIcon(VU_MEMICON_PLUG)), 2);
    line.Add(set);
    line.Add(text(50, 0, 8, 6, "AB"));

    ASSERT_EQ(line.Draw(fb()), 0);
    Box block = box(FRONT, 0, 0, 45, 29);
    EXPECT_EQ(block.x0, 12);
    EXPECT_EQ(block.y0, 6);
    EXPECT_EQ(block.w(), 16);
    EXPECT_EQ(block.h(), 12);

    set->SetCurrent(1);
    clearScreen();
    ASSERT_EQ(line.Draw(fb()), 0);
    Box dot = box(FRONT, 0, 0, 45, 29);
    EXPECT_EQ(dot.x0, 19);
    EXPECT_EQ(dot.y0, 11);
    EXPECT_EQ(dot.w(), 2);

    // No image 3: the set fails and the objects after it are not drawn.
    set->SetCurrent(3);
    clearScreen();
    EXPECT_EQ(line.Draw(fb()), -4);
    EXPECT_TRUE(box(FRONT).empty());
}

TEST_F(StatusLine, IndicatorBars)
{
    struct Case {
        const char* what;
        bool levelImage;
        unsigned short step;
        unsigned short word;
        int x0, x1;
    } cases[] = {
        {"half of a 16-pixel image", true, 1, 50, 12, 19},
        {"in steps of 3", true, 3, 50, 12, 17},
        {"full", true, 1, 100, 12, 27},
        {"flag bits do not count", true, 1, 0x8F00 | 50, 12, 19},
        {"without an image: the object's width", false, 1, 50, 0, 19},
        {"without an image, steps of 3", false, 3, 50, 0, 17},
        {"level 0: no bar", true, 1, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clearScreen();
        vuStatusLine line(30, 0);
        vuProgressObject* p = new vuProgressObject(0, 0, 40, 12, level);
        p->SetColor(FRONT, BACK);
        if (c.levelImage)
            p->SetImage(vuImage::CreateMemIcon(VU_MEMICON_BATTERY_FILL));
        p->SetStep(c.step);
        p->SetStep(0);
        EXPECT_EQ(p->GetStep(), c.step);
        line.Add(p);
        g_word = c.word;
        ASSERT_EQ(line.Draw(fb()), 0);
        EXPECT_EQ(g_seen, reinterpret_cast<intptr_t>(p)) << "the function gets the indicator";
        Box b = box(FRONT);
        if (c.x1 < c.x0) {
            EXPECT_TRUE(b.empty());
            continue;
        }
        EXPECT_EQ(b.x0, c.x0);
        EXPECT_EQ(b.x1, c.x1);
        EXPECT_EQ(b.y0, 0);
        EXPECT_EQ(b.y1, 11);
    }
}

TEST_F(StatusLine, IndicatorOverlaysAndText)
{
    vuStatusLine line(30, 0);
    vuProgressObject* p = new vuProgressObject(0, 0, 40, 12, nullptr);
    p->SetColor(FRONT, BACK);
    p->SetImage(vuImage::CreateMemIcon(VU_MEMICON_BATTERY_FILL));
    p->SetMaskImage(vuImage::CreateMemIcon(VU_MEMICON_BATTERY));
    p->SetWarningImage(vuImage::CreateMemIcon(VU_MEMICON_NO_NETWORK));
    p->SetAdditionImage(vuImage::CreateMemIcon(VU_MEMICON_PLUG));
    p->SetAddColors(AFRONT, ABACK, HFRONT);
    p->SetText("T");
    p->SetTextColor(HBACK);
    p->SetFont(1);
    line.Add(p);

    // Without a user function nothing at all is drawn.
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_EQ(box(SENTINEL).w(), SW);
    EXPECT_EQ(box(SENTINEL).h(), SH);

    struct Case {
        unsigned short word;
        bool bar, warning, addition;
    } cases[] = {
        {0, false, false, false},
        {40, true, false, false},
        {VU_LEVEL_WARNING, false, true, false},
        {VU_LEVEL_ADDITION | 20, true, false, true},
        {VU_LEVEL_WARNING | VU_LEVEL_ADDITION, false, true, true},
    };
    p->SetUserFunc(level);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        clearScreen();
        g_word = c.word;
        ASSERT_EQ(line.Draw(fb()), 0);
        EXPECT_EQ(!box(FRONT).empty(), c.bar);
        EXPECT_FALSE(box(AFRONT).empty()) << "the mask always";
        EXPECT_EQ(!box(ABACK).empty(), c.warning);
        EXPECT_EQ(!box(HFRONT).empty(), c.addition);
        Box t = box(HBACK);
        EXPECT_EQ(t.x0, 18) << "the text last, centred";
        EXPECT_EQ(t.y0, 3);
        EXPECT_EQ(t.w(), 4);
    }

    // The function may rewrite the text while the indicator is drawn.
    g_text = "XYZ";
    g_word = 0;
    clearScreen();
    ASSERT_EQ(line.Draw(fb()), 0);
    EXPECT_EQ(box(HBACK).w(), 12);
    EXPECT_STREQ(p->GetText(), "XYZ");

    g_text = nullptr;
    p->SetFont(9);
    EXPECT_EQ(line.Draw(fb()), -13) << "a text needs a font";
    p->SetText(nullptr);
    EXPECT_EQ(line.Draw(fb()), 0) << "the last overlay's result without a text";
}

TEST_F(StatusLine, BatteryAndNetworkIndicators)
{
    vuBatLevel bat(0, 0, 40, 12, level);
    EXPECT_EQ(bat.GetType(), VU_TYPE_BAT_LEVEL);
    ASSERT_NE(bat.GetLevelImage(), nullptr);
    EXPECT_EQ(bat.GetLevelImage()->GetWidth(), 16);
    EXPECT_EQ(bat.GetMaskImage()->GetWidth(), 18);
    EXPECT_EQ(bat.GetWarningImage()->GetWidth(), 18);
    EXPECT_NE(bat.GetWarningImage(), bat.GetMaskImage()) << "instances of their own";
    EXPECT_EQ(bat.GetAdditionImage()->GetWidth(), 9);
    EXPECT_EQ(bat.GetStep(), 1);
    EXPECT_EQ(bat.GetFrontColor(), vuColor::cStatusLine[5]);
    EXPECT_EQ(bat.GetMaskColor(), vuColor::cStatusLine[7]);
    EXPECT_EQ(bat.GetWarnColor(), vuColor::cStatusLine[8]);
    EXPECT_EQ(bat.GetAddColor(), vuColor::cStatusLine[9]);
    EXPECT_EQ(bat.GetTextColor(), vuColor::cStatusLine[10]);
    EXPECT_EQ(bat.IsBorder(), 0);

    vuStatusLine line(30, 0);
    vuNetLevel* net = new vuNetLevel(0, 0, 16, 12, level);
    EXPECT_EQ(net->GetType(), VU_TYPE_NET_LEVEL);
    EXPECT_EQ(net->GetStep(), 3);
    EXPECT_EQ(net->IsBorder(), 2);
    EXPECT_EQ(net->GetMaskImage(), nullptr);
    EXPECT_EQ(net->GetWarningImage()->GetWidth(), 18);
    net->SetBorder(0);
    net->SetColor(FRONT, BACK);
    line.Add(net);
    // Half of 16 is 8, in whole bars of 3: two bars of 2 pixels.
    g_word = 50;
    ASSERT_EQ(line.Draw(fb()), 0);
    Box b = box(FRONT);
    EXPECT_EQ(b.x0, 1);
    EXPECT_EQ(b.x1, 5);
    EXPECT_EQ(at(3, 11), SENTINEL) << "the gap between the bars";
    EXPECT_EQ(at(2, 11), FRONT);
}
