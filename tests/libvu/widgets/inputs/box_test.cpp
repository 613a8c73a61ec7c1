// Check-box and radio lists: row pitch and scrolling, selection by keys and
// taps (also before the first Reset), check-box masks, the radio choice,
// the line breaking of item texts and the drawing of marks and texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vuBoxItem.h"
#include "vuCheckBox.h"
#include "vuImage.h"
#include "vuRadio.h"
#include "w3_fixture.h"

using namespace w3;

namespace {

void addItems(vuBox& box, int n)
{
    for (int i = 1; i <= n; ++i)
        box.AddItem(("item " + std::to_string(i)).c_str(), nullptr);
}

unsigned checkedMask(vuBox& box)
{
    unsigned mask = 0;
    for (unsigned i = 1; i <= box.GetCount() && i <= 32; ++i)
        if (box.GetItem(static_cast<unsigned short>(i))->IsChecked())
            mask |= 1u << (i - 1);
    return mask;
}

// The lines GetLine gives, as "[text]" pieces.
std::string lines(const char* text, unsigned char mode, unsigned short columns)
{
    vuBoxItem item(text, nullptr);
    item.SetLineMode(mode);
    std::string out;
    unsigned short pos = 0, next = 0;
    for (int guard = 0; guard < 50; ++guard) {
        unsigned short n = item.GetLine(pos, next, columns);
        out += "[" + std::string(text + pos, n) + "]";
        if (!n || !next)
            break;
        pos = next;
    }
    return out;
}

} // namespace

class ListBox : public W3Test {};

TEST_F(ListBox, ItemLines)
{
    struct Case {
        const char* text;
        unsigned char mode;
        unsigned short columns;
        const char* expected;
    } cases[] = {
        {"ABCDEFGH", 0, 4, "[ABCD][EFGH]"},
        {"AB, CD", 0, 4, "[AB,][CD]"},
        {"AB CDEF", 0, 4, "[AB][CDEF]"},
        {"ABCD, EF", 0, 4, "[ABCD,][ EF]"}, // a separator just past the width still breaks
        {"one\r\ntwo", 0, 10, "[one][two]"},
        {"a\n\nb", 0, 10, "[a][\nb]"}, // the empty line's feed begins the next line
        {"ABCDEFGH", 1, 4, "[ABCDEFGH]"},
        {"AB CD\nEF", 1, 2, "[AB CD][EF]"},
        {"", 0, 4, "[]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lines(c.text, c.mode, c.columns), c.expected) << c.text;
    vuBoxItem none(nullptr, nullptr);
    unsigned short next = 7;
    EXPECT_EQ(none.GetLine(0, next, 4), 0);
    EXPECT_EQ(next, 0);
}

TEST_F(ListBox, RowPitchAndScrollRange)
{
    static unsigned char bits[30 * 2] = {};
    struct Case {
        const char* what;
        unsigned short lines;
        bool tallPicture;
        unsigned short pitch;
    } cases[] = {
        {"the 20-pixel mark", 1, false, 22},
        {"three lines of an 8-pixel font", 3, false, 26},
        {"a 30-pixel picture", 1, true, 32},
    };
    for (const Case& c : cases) {
        vuCheckBox box(0, 0, 100, 50);
        box.SetFont(CODE_FONT);
        box.SetMaxLines(c.lines);
        addItems(box, 3);
        if (c.tallPicture)
            box.AddItem("tall", vuImage::CreateMemDirect(10, 30, bits));
        EXPECT_EQ(box.GetItemHeight(), 0) << "no pitch before Reset: " << c.what;
        box.Reset();
        EXPECT_EQ(box.GetItemHeight(), c.pitch) << c.what;
        EXPECT_EQ(box.GetScrollY().range, static_cast<short>(c.pitch * box.GetCount() - 50)) << c.what;
    }
}

TEST_F(ListBox, LongListStillScrolls)
{
    // 2000 rows of 22 pixels lie far past what a scroll range holds: the
    // range is capped, not wrapped to a negative one that stops scrolling.
    vuCheckBox box(0, 0, 100, 50);
    box.SetFont(CODE_FONT);
    addItems(box, 2000);
    box.Reset();
    ASSERT_EQ(box.GetItemHeight(), 22);
    EXPECT_EQ(box.GetScrollY().range, 0x7FFF);
    EXPECT_GT(box.GetScrollBarYWidth(), 0);
}

TEST_F(ListBox, SelectionScrollsTheItemIntoView)
{
    vuCheckBox box(0, 0, 100, 100);
    box.SetFont(CODE_FONT);
    box.SetMaxLines(4); // max(20, 32) + 2 = 34
    addItems(box, 10);
    box.Reset();
    ASSERT_EQ(box.GetItemHeight(), 34);
    ASSERT_EQ(box.GetScrollY().range, 240);
    struct Step {
        unsigned short n;
        int result;
        unsigned short offset;
    } steps[] = {{5, 2, 70}, {5, 0, 70}, {3, 2, 68}, {1, 2, 0}, {10, 2, 240}, {0, 2, 0}};
    for (const Step& s : steps) {
        EXPECT_EQ(box.selectItem(s.n), s.result) << s.n;
        EXPECT_EQ(box.GetCurrent(), s.n);
        EXPECT_EQ(box.GetScrollY().offset, s.offset) << s.n;
    }
}

TEST_F(ListBox, CheckBoxMasks)
{
    vuCheckBox box(0, 0, 100, 100);
    addItems(box, 5);
    box.Reset();
    EXPECT_EQ(box.GetSelected(), 0u) << "a reset check-box list has nothing checked";
    for (unsigned short n : {1, 3, 5})
        EXPECT_EQ(box.checkItem(n), 2);
    EXPECT_EQ(box.GetSelected(), 0x15u);
    box.SetValue(0x2);
    EXPECT_EQ(box.GetSelected(), 0x2u);
    EXPECT_EQ(box.checkItem(2), 2);
    EXPECT_EQ(box.GetSelected(), 0u) << "toggled off";
    EXPECT_EQ(box.checkItem(0), 0);
    EXPECT_EQ(box.checkItem(6), 0);
    EXPECT_EQ(box.GetCurrent(), 0) << "checking never moves the current item";

    vuCheckBox many(0, 0, 100, 100);
    addItems(many, 40);
    many.Reset();
    many.checkItem(33);
    many.SetValue(0xFFFFFFFFu);
    EXPECT_EQ(many.GetSelected(), 0xFFFFFFFFu);
    many.SetValue(0);
    EXPECT_EQ(many.GetSelected(), 0u) << "item 33 is never reported";
    EXPECT_EQ(many.GetItem(33)->IsChecked(), 1) << "and SetValue leaves it";
    EXPECT_EQ(many.GetItem(34)->IsChecked(), 0);
}

TEST_F(ListBox, RadioChoice)
{
    vuRadio radio(0, 0, 100, 100);
    addItems(radio, 3);
    EXPECT_EQ(radio.GetSelected(), 0u) << "nothing before Reset";
    radio.Reset();
    EXPECT_EQ(radio.GetSelected(), 1u);
    EXPECT_EQ(radio.GetCount(), 3u) << "Reset deletes nothing";
    struct Step {
        const char* what;
        void (*act)(vuRadio&);
        unsigned selected;
    } steps[] = {
        {"checkItem(2)", [](vuRadio& r) { EXPECT_EQ(r.checkItem(2), 2); }, 2},
        {"checkItem(2) again", [](vuRadio& r) { EXPECT_EQ(r.checkItem(2), 2); }, 2},
        {"SetValue(4): no such item", [](vuRadio& r) { r.SetValue(4); }, 2},
        {"SetValue(0)", [](vuRadio& r) { r.SetValue(0); }, 2},
        {"SetValue(3)", [](vuRadio& r) { r.SetValue(3); }, 3},
        {"checkItem(0)", [](vuRadio& r) { EXPECT_EQ(r.checkItem(0), 0); }, 3},
    };
    for (const Step& s : steps) {
        s.act(radio);
        EXPECT_EQ(radio.GetSelected(), s.selected) << s.what;
        EXPECT_EQ(checkedMask(radio), 1u << (s.selected - 1)) << "exactly one checked: " << s.what;
    }
    radio.AddItem("later", nullptr);
    radio.Reset();
    EXPECT_EQ(checkedMask(radio), 1u) << "Reset checks the first item again";
}

TEST_F(ListBox, Keys)
{
    vuCheckBox box(0, 0, 100, 100);
    box.SetFont(CODE_FONT);
    box.SetMaxLines(4); // pitch 34: two rows per page
    box.SetControlCodes(103, 108, 59, 60);
    addItems(box, 10);
    box.Reset();
    box.Focus();
    struct Step {
        unsigned char key;
        uint32_t keyMask;
        int result;
        unsigned short current;
        unsigned mask;
    } steps[] = {
        {13, 0, 2, 1, 0},      // nothing current: the first item
        {13, 0, 2, 1, 0x1},    // then OK checks it
        {'2', 0, 0, 1, 0x1},   // at the top: nothing
        {103, 0, 0, 1, 0x1},   // the up code too
        {'8', 0, 2, 2, 0x1},
        {108, 0, 2, 3, 0x1},
        {60, 0, 2, 5, 0x1},    // page down: two rows
        {'7', 0, 2, 7, 0x1},
        {'7', 0, 2, 9, 0x1},
        {'7', 0, 2, 10, 0x1},
        {'7', 0, 0, 10, 0x1},  // at the bottom: nothing
        {108, 0, 0, 10, 0x1},
        {59, 0, 2, 8, 0x1},    // page up
        {'1', 0, 2, 6, 0x1},
        {'5', 0, 2, 6, 0x21},  // 5 checks the current item
        {103, 0x4000, 2, 4, 0x21}, // up with the function key held: a page
        {108, 0x4000, 2, 6, 0x21},
        {'x', 0, 0, 6, 0x21},
    };
    for (const Step& s : steps) {
        vuEvent e = key(s.key);
        e.keyMask = s.keyMask;
        EXPECT_EQ(box.HandleEvent(&e), s.result) << int(s.key) << " at " << box.GetCurrent();
        EXPECT_EQ(e.handled, s.result ? 1 : 0) << int(s.key);
        EXPECT_EQ(box.GetCurrent(), s.current) << int(s.key);
        EXPECT_EQ(box.GetSelected(), s.mask) << int(s.key);
    }
    box.UnFocus();
    vuEvent e = key(13);
    EXPECT_EQ(box.HandleEvent(&e), 0) << "an inactive list takes no keys";
}

TEST_F(ListBox, TapsBeforeAndAfterReset)
{
    vuCheckBox box(10, 10, 100, 100);
    box.SetFont(CODE_FONT);
    box.SetMaxLines(4); // pitch 34 after Reset
    box.SetControlCodes(103, 108, 59, 60);
    addItems(box, 10);

    // Before the first Reset there is no row pitch: nothing is hit, nothing
    // pages, and nothing divides by it.
    vuEvent e = tap(20, 60);
    EXPECT_EQ(box.HandleEvent(&e), 3) << "inactive: the focus";
    box.Focus();
    e = tap(20, 60);
    EXPECT_EQ(box.HandleEvent(&e), 0);
    EXPECT_EQ(box.GetCurrent(), 0);
    for (unsigned char k : {60, 59, 13, 60}) {
        e = key(k);
        box.HandleEvent(&e);
    }
    EXPECT_EQ(box.GetCurrent(), 1) << "page down without a current item: the first; no page size yet";
    EXPECT_EQ(box.GetSelected(), 1u) << "OK checked it";

    box.Reset();
    struct Step {
        const char* what;
        bool focused;
        int x, y;
        int result;
        unsigned short current;
        unsigned mask;
    } steps[] = {
        {"inactive: row 2 selected, toggled, focus asked", false, 20, 10 + 34 + 5, 3, 2, 0x2},
        {"active: row 1", true, 20, 10 + 5, 2, 1, 0x3},
        {"active: row 1 again toggles it off", true, 20, 10 + 5, 2, 1, 0x2},
        {"outside the list", true, 200, 10 + 5, 0, 1, 0x2},
        {"row 3 at its last pixel", true, 20, 10 + 3 * 34 - 1 - 10, 2, 3, 0x6},
    };
    for (const Step& s : steps) {
        if (s.focused)
            box.Focus();
        else
            box.UnFocus();
        e = tap(s.x, s.y);
        EXPECT_EQ(box.HandleEvent(&e), s.result) << s.what;
        EXPECT_EQ(box.GetCurrent(), s.current) << s.what;
        EXPECT_EQ(box.GetSelected(), s.mask) << s.what;
    }

    // Scrolled to item 10: the rows move with the offset.
    box.Focus();
    box.selectItem(10);
    ASSERT_EQ(box.GetScrollY().offset, 240);
    e = tap(20, 10 + 5);
    EXPECT_EQ(box.HandleEvent(&e), 2);
    EXPECT_EQ(box.GetCurrent(), 8) << "(240 + 5) / 34 + 1";

    // A tap below the last row of a short list toggles nothing.
    vuRadio radio(10, 10, 100, 100);
    radio.SetFont(CODE_FONT);
    addItems(radio, 2);
    radio.Reset();
    radio.Focus();
    e = tap(20, 10 + 22 + 5);
    EXPECT_EQ(radio.HandleEvent(&e), 2);
    EXPECT_EQ(radio.GetSelected(), 2u) << "a tap checks the radio row";
    e = tap(20, 10 + 90);
    radio.HandleEvent(&e);
    EXPECT_EQ(radio.GetSelected(), 2u);
    EXPECT_EQ(radio.GetCurrent(), 2);
}

TEST_F(ListBox, DrawsMarksAndTexts)
{
    vuCheckBox box(10, 10, 120, 70);
    box.SetFont(CODE_FONT);
    box.SetPassiveColor(FRONT, BACK);
    box.SetActiveColor(AFRONT, ABACK);
    box.AddItem("ab", nullptr);
    box.AddItem("cd", nullptr);
    box.AddItem("one\r\ntwo", nullptr);
    box.Reset();
    box.checkItem(1);
    box.selectItem(2);
    ASSERT_EQ(box.Draw(fb()), 0);
    // Pitch 22: texts after the 20-pixel mark at x 33, centred in 20 rows.
    EXPECT_EQ(textAt(33, 17, 2, FRONT), "ab");
    EXPECT_EQ(textAt(33, 39, 2, AFRONT), "cd") << "the current item in the active colour";
    EXPECT_EQ(textAt(33, 61, 3, FRONT), "one") << "one line: the text up to its line break";
    auto ink = [this](int top, uint16_t c) {
        int n = 0;
        for (int y = top; y < top + 20; ++y)
            for (int x = 12; x < 32; ++x)
                n += at(x, y) == c;
        return n;
    };
    EXPECT_GT(ink(11, FRONT), ink(33, AFRONT)) << "the checked mark has its tick";
    EXPECT_GT(ink(33, AFRONT), 0) << "the unchecked one its frame";
    EXPECT_EQ(at(12, 85), SENTINEL) << "transparent: no back";

    clearScreen();
    vuRadio two(10, 10, 120, 60);
    two.SetFont(CODE_FONT);
    two.SetPassiveColor(FRONT, BACK);
    two.SetMaxLines(2);
    two.AddItem("one\r\ntwo", nullptr);
    two.Reset();
    ASSERT_EQ(two.Draw(fb()), 0);
    // Pitch max(20, 16) + 2 = 22; two lines of 8 in 20 rows: margin 2.
    EXPECT_EQ(textAt(33, 13, 3, FRONT), "one");
    EXPECT_EQ(textAt(33, 21, 3, FRONT), "two");
}

TEST_F(ListBox, SwipesScrollWithMomentumUntilATap)
{
    vuCheckBox box(10, 10, 100, 100);
    box.SetFont(CODE_FONT);
    box.SetMaxLines(4); // pitch 34, range 240
    addItems(box, 10);
    box.Reset();

    vuEvent e = touch(VU_PHASE_MOVE, 20, 50, VU_GESTURE_UP);
    EXPECT_EQ(box.HandleEvent(&e), 3) << "a swipe on an inactive list asks for the focus";
    box.Focus();
    e = touch(VU_PHASE_MOVE, 20, 50, VU_GESTURE_UP);
    EXPECT_NE(box.HandleEvent(&e), 0);
    unsigned short after = box.GetScrollY().offset;
    EXPECT_GT(after, 0);
    e = key(0);
    EXPECT_NE(box.HandleEvent(&e), 0) << "momentum on an empty event";
    EXPECT_GT(box.GetScrollY().offset, after);
    EXPECT_NE(box.GetScrollY().speed, 0);
    e = tap(20, 50);
    box.HandleEvent(&e);
    EXPECT_EQ(box.GetScrollY().speed, 0) << "a tap stops the list";
    EXPECT_NE(box.GetCurrent(), 0);
}
