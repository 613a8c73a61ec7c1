// The screen check on pictures made here: a text of a few glyph strokes in
// its colour on a background, described by a "screen" line as the trace
// writes it. Each planted fault must fail, naming the screen and the text
// or widget; what is sound must pass.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "ScreenCheck.h"

namespace {

using nlohmann::json;
using screencheck::Check;
using screencheck::Picture;
using screencheck::Result;

const uint16_t kWhite = 0xFFFF, kBlack = 0x0000, kNavy = 0x10A8, kAlert = 0x8000, kGrey = 0x8410;

Picture canvas(int w, int h, uint16_t colour)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.assign(static_cast<size_t>(w) * h, colour);
    return p;
}

void fill(Picture &p, int x, int y, int w, int h, uint16_t colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            p.pixels[static_cast<size_t>(j) * p.width + i] = colour;
}

// Three glyph-like strokes (an "H" and a bar) starting at (x, y).
void glyphs(Picture &p, int x, int y, uint16_t colour)
{
    fill(p, x, y, 1, 8, colour);
    fill(p, x + 4, y, 1, 8, colour);
    fill(p, x, y + 4, 5, 1, colour);
    fill(p, x + 8, y + 2, 4, 1, colour);
}

json item(const char *kind, int x, int y, int w, int h)
{
    return json{{"kind", kind}, {"x", x}, {"y", y}, {"w", w}, {"h", h}};
}

json widget(const char *type, const char *name, int x, int y, int w, int h, uint16_t fg, const char *label)
{
    json j = item("widget", x, y, w, h);
    j["type"] = type;
    j["name"] = name;
    j["fg"] = fg;
    j["label"] = label;
    return j;
}

std::string line(int w, int h, const std::vector<json> &items)
{
    json s{{"event", "screen"}, {"tick", 1}, {"file", "test.xml"}, {"width", w}, {"height", h}, {"items", items}};
    return s.dump();
}

json form(int w, int h)
{
    json f = item("form", 0, 0, w, h);
    f["clip"] = {1, 20, w - 2, h - 21};
    return f;
}

bool mentions(const Result &r, const std::string &what)
{
    for (const std::string &f : r.failures)
        if (f.find(what) != std::string::npos)
            return true;
    return false;
}

TEST(ScreenCheck, LuminanceWidensTheScreenColours)
{
    EXPECT_DOUBLE_EQ(screencheck::Luminance(kWhite), 1.0);
    EXPECT_DOUBLE_EQ(screencheck::Luminance(kBlack), 0.0);
    EXPECT_NEAR(screencheck::Contrast(kWhite, kBlack), 21.0, 1e-9);
    EXPECT_DOUBLE_EQ(screencheck::Contrast(kAlert, kWhite), screencheck::Contrast(kWhite, kAlert));
    // The alert fill is red 16 of 31, shown as 132 of 255.
    EXPECT_NEAR(screencheck::Luminance(kAlert), 0.2126 * std::pow((132 / 255.0 + 0.055) / 1.055, 2.4), 1e-12);
    // Near-black text on the alert fill: the unreadable error box.
    EXPECT_LT(screencheck::Contrast(0x10A3, kAlert), 2.0);
}

struct Pair {
    uint16_t fg, bg;
    bool readable;
};

class ScreenCheckPairs : public ::testing::TestWithParam<Pair> {};

TEST_P(ScreenCheckPairs, TextPassesOnlyWithEnoughContrast)
{
    const Pair p = GetParam();
    Picture pic = canvas(240, 320, p.bg);
    glyphs(pic, 20, 60, p.fg);
    Result r = Check("box at 240x320", pic,
                     line(240, 320, {form(240, 320), widget("multiline", "msg", 10, 50, 200, 40, p.fg, "ERROR")}));
    EXPECT_EQ(r.Passed(), p.readable) << r.Text();
    EXPECT_EQ(r.texts, 1);
    EXPECT_NEAR(r.minContrast, screencheck::Contrast(p.fg, p.bg), 1e-9);
    if (!p.readable) {
        ASSERT_EQ(r.failures.size(), 1u);
        EXPECT_TRUE(mentions(r, "box at 240x320: multiline \"msg\" text \"ERROR\"")) << r.Text();
        EXPECT_TRUE(mentions(r, "under 4.50:1")) << r.Text();
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, ScreenCheckPairs,
                         ::testing::Values(Pair{kWhite, kNavy, true}, Pair{kWhite, kAlert, true},
                                           Pair{0x10A3, kAlert, false}, Pair{kBlack, kGrey, true},
                                           Pair{kWhite, kGrey, false}, Pair{0x8410, 0x4208, false}));

// A line of a background picture behind the text counts, though most of
// what lies around the glyphs is dark enough.
TEST(ScreenCheck, ALightLineBehindTheTextFails)
{
    Picture pic = canvas(320, 240, kNavy);
    fill(pic, 0, 64, 320, 1, 0xC618); // light grey across the text's middle
    glyphs(pic, 40, 60, kWhite);
    Result r = Check("plain box at 320x240", pic,
                     line(320, 240, {form(320, 240), widget("multiline", "msg", 10, 50, 300, 40, kWhite, "TEXT")}));
    ASSERT_FALSE(r.Passed());
    EXPECT_TRUE(mentions(r, "plain box at 320x240: multiline \"msg\" text \"TEXT\"")) << r.Text();
    EXPECT_TRUE(mentions(r, "against 0xC618")) << r.Text();
}

TEST(ScreenCheck, TextThatCannotBeSeenFails)
{
    Picture pic = canvas(240, 320, kNavy);
    // Its colour is nowhere; then its colour is everywhere.
    Result absent = Check("s", pic, line(240, 320, {form(240, 320), widget("static", "a", 10, 30, 100, 20, kWhite, "A")}));
    EXPECT_TRUE(mentions(absent, "static \"a\" text \"A\"")) << absent.Text();
    EXPECT_TRUE(mentions(absent, "no pixel of its text colour")) << absent.Text();
    Result same = Check("s", pic, line(240, 320, {form(240, 320), widget("static", "b", 10, 30, 100, 20, kNavy, "B")}));
    EXPECT_TRUE(mentions(same, "cannot be seen")) << same.Text();
    // A blank label has nothing to measure.
    EXPECT_TRUE(Check("s", pic, line(240, 320, {form(240, 320), widget("static", "c", 10, 30, 100, 20, kWhite, " ")}))
                    .Passed());
}

// A scroll bar inside a text widget's right edge (a dotted line in the text
// colour, its thumb in another) is no text: the contrast is measured left
// of it.
TEST(ScreenCheck, ScrollBarsAreNotText)
{
    Picture pic = canvas(240, 320, kNavy);
    glyphs(pic, 20, 60, kWhite);
    fill(pic, 206, 50, 1, 40, kWhite);  // the bar's track, three columns in
    fill(pic, 207, 50, 1, 16, 0xFFEE); // its thumb beside it
    json msg = widget("multiline", "msg", 10, 50, 200, 40, kWhite, "LONG TEXT");
    EXPECT_FALSE(Check("box", pic, line(240, 320, {form(240, 320), msg})).Passed());
    msg["barw"] = 3;
    Result r = Check("box", pic, line(240, 320, {form(240, 320), msg}));
    EXPECT_TRUE(r.Passed()) << r.Text();
}

json row(const char *name, int y, int h, uint16_t fg, const char *label, int clipY, int clipH)
{
    json r = item("row", 1, y, 236, h);
    r["name"] = name;
    r["fg"] = fg;
    r["label"] = label;
    r["clip"] = {0, clipY, 240, clipH};
    return r;
}

TEST(ScreenCheck, AMenuRowCutByTheListsEdgeFails)
{
    Picture pic = canvas(240, 320, kNavy);
    glyphs(pic, 10, 44, kWhite);
    glyphs(pic, 10, 300, kWhite);
    // Rows of 26 pixels in a list from y 40, 280 high: the eleventh row
    // (y 300) shows 20 of its 26 rows of pixels.
    Result whole = Check("main menu at 240x320", pic,
                         line(240, 320, {form(240, 320), row("sales", 40, 26, kWhite, "SALES", 40, 280)}));
    EXPECT_TRUE(whole.Passed()) << whole.Text();
    Result cut = Check("main menu at 240x320", pic,
                       line(240, 320, {form(240, 320), row("sales", 40, 26, kWhite, "SALES", 40, 280),
                                       row("term", 300, 26, kWhite, "TERMINAL", 40, 280)}));
    ASSERT_EQ(cut.failures.size(), 1u) << cut.Text();
    EXPECT_TRUE(mentions(cut, "main menu at 240x320: row \"term\" text \"TERMINAL\"")) << cut.Text();
    EXPECT_TRUE(mentions(cut, "is cut by the edge of its list")) << cut.Text();
}

TEST(ScreenCheck, WidgetsOutOfPlaceFail)
{
    Picture pic = canvas(320, 240, kNavy);
    struct Case {
        json w;
        const char *says;
    } cases[] = {
        {widget("button", "ok", 200, 220, 130, 30, kWhite, ""), "lies outside the 320x240 screen"},
        {widget("button", "ok", 200, 200, 120, 30, kWhite, ""), "crosses the edge of its form's client area"},
        {widget("static", "caption", 10, 30, 40, 16, kWhite, "LONGER THAN FORTY"), "its text is 102 pixels wide"},
    };
    cases[2].w["tw"] = 102;
    cases[2].w["th"] = 8;
    glyphs(pic, 12, 34, kWhite);
    for (const Case &c : cases) {
        Result r = Check("dialog", pic, line(320, 240, {form(320, 240), c.w}));
        EXPECT_TRUE(mentions(r, c.says)) << c.says << "\n" << r.Text();
        EXPECT_TRUE(mentions(r, "dialog: " + c.w["type"].get<std::string>() + " \"" + c.w["name"].get<std::string>()))
            << r.Text();
    }
    json low = widget("button", "cancel", 10, 60, 120, 18, kWhite, "CANCEL");
    low["tw"] = 72;
    low["th"] = 16; // 16 pixels of text in 18 - 4 inside the bevel
    Result cut = Check("dialog", pic, line(320, 240, {form(320, 240), low}));
    EXPECT_TRUE(mentions(cut, "dialog: button \"cancel\" text \"CANCEL\" (10,60 120x18): its text is 16 pixels high"))
        << cut.Text();
    json status = item("status", 151, 0, 31, 20);
    status["name"] = "wait";
    status["fg"] = kWhite;
    status["label"] = "123456";
    status["tw"] = 36;
    Result wide = Check("dialog", pic, line(320, 240, {form(320, 240), status}));
    EXPECT_TRUE(mentions(wide, "dialog: status \"wait\" text \"123456\" (151,0 31x20): its text is 36 pixels wide"))
        << wide.Text();
    Result overlap = Check("dialog", pic,
                           line(320, 240, {form(320, 240), widget("input", "name", 10, 30, 200, 24, kWhite, ""),
                                           widget("input", "inn", 10, 50, 200, 24, kWhite, "")}));
    EXPECT_TRUE(mentions(overlap, "input \"name\" (10,30 200x24) overlaps input \"inn\"")) << overlap.Text();
}

TEST(ScreenCheck, AHeaderRunningIntoTheCloseIconFails)
{
    Picture pic = canvas(240, 320, kNavy);
    glyphs(pic, 14, 24, kWhite);
    json header = item("header", 1, 20, 238, 20);
    header["fg"] = kWhite;
    header["label"] = "JOURNAL";
    header["tx"] = 12;
    header["ty"] = 22;
    header["th"] = 16;
    json close = item("close", 222, 21, 16, 16);
    header["tw"] = 200;
    EXPECT_TRUE(Check("journal", pic, line(240, 320, {form(240, 320), header, close})).Passed());
    header["tw"] = 216;
    Result r = Check("journal", pic, line(240, 320, {form(240, 320), header, close}));
    EXPECT_TRUE(mentions(r, "journal: header text \"JOURNAL\"")) << r.Text();
    EXPECT_TRUE(mentions(r, "the close icon")) << r.Text();
}

TEST(ScreenCheck, OnlyScreenLinesOfTheRightSizeAreChecked)
{
    Picture pic = canvas(240, 320, kNavy);
    EXPECT_TRUE(mentions(Check("x", pic, "{\"event\":\"form\"}"), "x: not a screen line"));
    EXPECT_TRUE(mentions(Check("x", pic, "not json"), "not a screen line"));
    EXPECT_TRUE(mentions(Check("x", pic, line(320, 240, {})), "the picture is 240x320, the screen 320x240"));
}

} // namespace

namespace {

// A framed widget as the trace describes it, its frame drawn in `frame`.
json framed(const char *type, const char *name, int x, int y, int w, int h, uint16_t fg, const char *label)
{
    json j = widget(type, name, x, y, w, h, fg, label);
    j["border"] = 1;
    return j;
}

void frame(Picture &p, int x, int y, int w, int h, uint16_t colour)
{
    fill(p, x, y, w, 1, colour);
    fill(p, x, y + h - 1, w, 1, colour);
    fill(p, x, y, 1, h, colour);
    fill(p, x + w - 1, y, 1, h, colour);
}

// A check-box or radio row with its mark's rectangle and room.
json markedRow(int x, int y, int w, int h, uint16_t fg, const char *label, const json &clip, const json &mark,
               const json &room)
{
    json r = item("row", x, y, w, h);
    r["fg"] = fg;
    r["label"] = label;
    r["clip"] = clip;
    r["mark"] = mark;
    r["markroom"] = room;
    return r;
}

} // namespace

// Texts and marks of framed widgets keep a pixel off the frame: an entry
// field's digits on any side, a list's rows and marks on the left and right.
TEST(ScreenCheck, TextOrMarkTouchingItsFrameFails)
{
    struct Case {
        const char *what;
        int glyphX, glyphY; // where the text's strokes start
        bool fails;
    } cases[] = {
        {"inside with a gap", 14, 36, false},
        {"on the left, just inside the frame", 11, 36, true},
        {"against the right side", 208 - 11, 36, true},
        {"on the top", 14, 31, true},
        {"scrolled, the cut mark beside it", -1, 36, false},
    };
    for (const Case &c : cases) {
        Picture pic = canvas(320, 240, kNavy);
        frame(pic, 10, 30, 200, 24, kBlack);
        if (c.glyphX < 0) {
            fill(pic, 11, 33, 1, 18, kWhite); // the line that says the text goes on
            glyphs(pic, 14, c.glyphY, kWhite);
        } else {
            glyphs(pic, c.glyphX, c.glyphY, kWhite);
        }
        Result r = Check("ip dialog", pic,
                         line(320, 240, {form(320, 240), framed("input", "ip", 10, 30, 200, 24, kWhite, "127.0.0.1")}));
        EXPECT_EQ(!r.Passed(), c.fails) << c.what << "\n" << r.Text();
        if (c.fails) {
            EXPECT_TRUE(mentions(r, "ip dialog: input \"ip\" text \"127.0.0.1\" (10,30 200x24): its text or mark touches "
                                    "its frame"))
                << c.what << "\n" << r.Text();
        }
    }

    // A radio mark against the left side of its box; the same box's rows
    // scroll past the top, where a row may touch.
    const json clip = {10, 60, 200, 44};
    for (int markX : {12, 11}) {
        Picture pic = canvas(320, 240, kNavy);
        frame(pic, 10, 60, 200, 44, kBlack);
        fill(pic, markX, 64, 8, 8, kWhite); // the mark
        glyphs(pic, 30, 61, kWhite);        // a row's text on the top ring
        Result r = Check("ethernet", pic,
                         line(320, 240, {form(320, 240), framed("radio", "dhcp", 10, 60, 200, 44, kWhite, ""),
                                         markedRow(31, 60, 178, 22, kWhite, "DHCP", clip, {12, 62, 10, 10},
                                                   {12, 62, 196, 20})}));
        EXPECT_EQ(r.Passed(), markX == 12) << markX << "\n" << r.Text();
        if (markX == 11) {
            EXPECT_TRUE(mentions(r, "ethernet: radio \"dhcp\" (10,60 200x44): its text or mark touches its frame at (11,64)"))
                << r.Text();
        }
    }
}

// A mark taller than the room its list gives it, or hanging out of the box.
TEST(ScreenCheck, AMarkCutByItsBoxFails)
{
    Picture pic = canvas(240, 320, kNavy);
    const json clip = {10, 60, 200, 22};
    Result whole = Check("page", pic,
                         line(240, 320, {form(240, 320), widget("checkbox", "print", 10, 60, 200, 22, kWhite, ""),
                                         markedRow(33, 60, 176, 22, kWhite, "PRINT", clip, {12, 61, 20, 20},
                                                   {12, 61, 196, 20})}));
    EXPECT_FALSE(mentions(whole, "mark")) << whole.Text();
    Result cut = Check("page", pic,
                       line(240, 320, {form(240, 320), widget("checkbox", "print", 10, 60, 200, 22, kWhite, ""),
                                       markedRow(33, 60, 176, 22, kWhite, "PRINT", clip, {12, 61, 20, 24},
                                                 {12, 61, 196, 20})}));
    EXPECT_TRUE(mentions(cut, "page: row text \"PRINT\" (33,60 176x22): its mark (12,61 20x24) is cut by its box to "
                              "(12,61 20x20)"))
        << cut.Text();
}

// A row whose one-line text is wider than the row runs past it.
TEST(ScreenCheck, ARowTextWiderThanItsRowFails)
{
    Picture pic = canvas(240, 320, kNavy);
    glyphs(pic, 10, 44, kWhite);
    json fits = row("dev1", 40, 26, kWhite, "OFFICE PC", 40, 280);
    fits["tw"] = 108;
    json longer = row("dev2", 66, 26, kWhite, "A PRINTER WITH A VERY LONG NAME", 40, 280);
    longer["tw"] = 372;
    glyphs(pic, 10, 70, kWhite);
    Result r = Check("chooser", pic, line(240, 320, {form(240, 320), fits, longer}));
    ASSERT_EQ(r.failures.size(), 1u) << r.Text();
    EXPECT_TRUE(mentions(r, "chooser: row \"dev2\" text \"A PRINTER WITH A VERY LONG NAME\" (1,66 236x26): its text is "
                            "372 pixels wide, the row holds 236"))
        << r.Text();
}

// The multi-tap strip: on the screen, in its form, off its field.
TEST(ScreenCheck, TheLetterStripMustShowWholeAndOffItsField)
{
    auto strip = [](int x, int y, int w) {
        json h = item("hint", x, y, w, 16);
        h["name"] = "name";
        h["field"] = {10, 60, 140, 24};
        h["clip"] = {1, 20, 318, 219};
        return h;
    };
    struct Case {
        json hint;
        const char *says; // null: passes
    } cases[] = {
        {strip(10, 44, 120), nullptr},
        {strip(10, 52, 120), "the letter strip covers the field it types into (10,60 140x24)"},
        {strip(250, 44, 120), "the letter strip leaves the screen"},
        {strip(10, 12, 120), "the letter strip leaves its form's client area (1,20 318x219)"},
    };
    Picture pic = canvas(320, 240, kNavy);
    for (const Case &c : cases) {
        Result r = Check("goods page", pic,
                         line(320, 240, {form(320, 240), widget("input", "name", 10, 60, 140, 24, kWhite, ""), c.hint}));
        if (!c.says) {
            EXPECT_TRUE(r.Passed()) << r.Text();
            continue;
        }
        EXPECT_TRUE(mentions(r, std::string("goods page: hint \"name\" ")) && mentions(r, c.says))
            << c.says << "\n" << r.Text();
    }
}
