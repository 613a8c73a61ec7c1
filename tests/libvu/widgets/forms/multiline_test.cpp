// Multi-line text: line breaking in the three modes, drawing, scrolling
// keys and swipes, and editing with multi-tap letters under the virtual
// clock.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuVirtualKeyboard.h"
#include "test_events.h"
#include "ui_fixture.h"

using namespace w1;

namespace {

// The lines of the last layout as "text" pieces ('|' marks a cursor cell,
// a length reaching past the text).
std::string lines(vuMultiLine& m)
{
    std::string out;
    const char* t = m.GetValue();
    uint32_t n = static_cast<uint32_t>(strlen(t)), start = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        uint32_t len;
        uint32_t next = m.getLine(n, start, len);
        std::string piece;
        for (uint32_t i = 0; i < len; ++i)
            piece += start + i < n ? t[start + i] : '|';
        out += "[" + piece + "]";
        if (!next)
            break;
        start = next;
    }
    return out;
}

vuEvent none()
{
    return key(0);
}

vuEvent swipe(unsigned char gesture, int x, int y)
{
    return touch(VU_PHASE_MOVE, x, y, gesture);
}

// A field 8 block cells wide (8 * 4 + 4 margins) and six lines high.
const unsigned short kW = 36, kH = 40;

std::string tenLines()
{
    std::string s;
    for (int i = 0; i < 10; ++i)
        s += "l" + std::to_string(i) + (i < 9 ? "\n" : "");
    return s;
}

} // namespace

class MultiLine : public UiTest {};

TEST_F(MultiLine, LineBreakingInEveryMode)
{
    struct Case {
        const char* what;
        unsigned short options;
        const char* text;
        const char* expected;
    } cases[] = {
        {"words: the space is dropped", 1, "abcde fghij", "[abcde][fghij]"},
        {"words: a dash stays on the first line", 1, "abcde-fghij", "[abcde-][fghij]"},
        {"words: a long word is cut", 1, "abcdefghijkl", "[abcdefgh][ijkl]"},
        {"words: line feeds break too", 1, "ab\r\ncd", "[ab][cd]"},
        {"words, editable: the space stays", 0x101, "abcde fghij", "[abcde ][fghij|]"},
        {"words, editable: a full last line", 0x101, "abcdefgh", "[abcdefgh][|]"},
        {"lines: CR LF is one break", 0, "ab\r\ncd", "[ab][cd]"},
        {"lines: a final line feed", 0, "ab\ncd\n", "[ab][cd][|]"},
        {"lines, editable: cursor cell", 0x100, "ab", "[ab|]"},
        {"characters: exactly two lines", 2, "abcdefghijklmnop", "[abcdefgh][ijklmnop][|]"},
        {"characters: line feed is a character", 2, "abc\ndefghijk", "[abc\ndefg][hijk]"},
        {"characters, editable", 0x102, "abcdefghij", "[abcdefgh][ij|]"},
        {"characters, editable, full", 0x102, "abcdefghijklmnop", "[abcdefgh][ijklmnop][|]"},
    };
    for (const Case& c : cases) {
        vuMultiLine m(0, 0, kW, kH, c.options, c.text);
        EXPECT_EQ(lines(m), c.expected) << c.what;
    }
}

TEST_F(MultiLine, CountsAndRanges)
{
    vuMultiLine words(0, 0, kW, kH, 1, "abcde fghij");
    EXPECT_EQ(words.GetLineCount(), 2);
    EXPECT_EQ(words.GetCharsPerLine(), 8u);
    EXPECT_EQ(words.GetScrollY().range, 0);

    vuMultiLine wide(0, 0, kW, kH, 0, "0123456789abcdef\nxy");
    EXPECT_EQ(wide.GetCharsPerLine(), 16u) << "mode 0: the longest line";
    EXPECT_EQ(wide.GetScrollX().range, 16 * CW - (kW - 4));

    vuMultiLine tall(0, 0, kW, kH, 0, tenLines().c_str());
    EXPECT_EQ(tall.GetLineCount(), 10);
    EXPECT_EQ(tall.GetScrollY().range, 10 * CH - (kH - 4));

    vuMultiLine bad(0, 0, kW, kH, 3, "abc");
    EXPECT_EQ(bad.GetLineCount(), 0) << "an unknown mode lays out nothing";
    EXPECT_EQ(lines(bad), "[]");
}

TEST_F(MultiLine, ValuesAndBuffers)
{
    vuMultiLine ro(0, 0, kW, kH, 1, nullptr);
    EXPECT_STREQ(ro.GetValue(), "");
    EXPECT_EQ(ro.GetBufferSize(), 0u);
    ro.AddValue(nullptr);
    EXPECT_STREQ(ro.GetValue(), "");
    ro.AddValue("abc");
    EXPECT_STREQ(ro.GetValue(), "abc");
    ro.AddValue(nullptr); // keeps room for the terminator
    EXPECT_STREQ(ro.GetValue(), "abc");
    EXPECT_GE(ro.GetBufferSize(), 4u);
    ro.AddValue(ro.GetValue());
    EXPECT_STREQ(ro.GetValue(), "abcabc");
    ro.SetValue(ro.GetValue());
    EXPECT_STREQ(ro.GetValue(), "abcabc");
    ro.SetValue(nullptr);
    EXPECT_STREQ(ro.GetValue(), "");

    vuMultiLine ed(0, 0, kW, kH, 0x100, "xy");
    EXPECT_EQ(ed.GetBufferSize(), 3u + 128u);
    EXPECT_EQ(ed.GetCursorPos(), 2u);
    ed.SetValue(nullptr);
    EXPECT_EQ(ed.GetBufferSize(), 128u);
    EXPECT_EQ(ed.GetCursorPos(), 0u);
    EXPECT_EQ(ed.IsUseVirtualKeyboard(), 1);
    EXPECT_EQ(ro.IsUseVirtualKeyboard(), 0);
    EXPECT_EQ(ed.GetFlags() & 0x33F, 0x334) << "editable mode 0: focusable, both bars, border, transparent";
    EXPECT_EQ(ro.GetFlags() & 0x33F, 0x131) << "read-only mode 1: selectable, vertical bar";
}

TEST_F(MultiLine, LogShowsItsLastLines)
{
    vuMultiLine log(0, 0, kW, kH, 0, "first");
    for (int i = 0; i < 12; ++i)
        log.AddValue("\nline");
    log.AdjustToLastLine();
    EXPECT_EQ(log.GetScrollY().offset, log.GetScrollY().range);
    EXPECT_EQ(log.GetScrollY().range, 13 * CH - (kH - 4));
}

TEST_F(MultiLine, DrawsCentredWordsAndJustifiedOnes)
{
    struct Case {
        unsigned char justify;
        int x, y; // top left of the first line on the screen
    } cases[] = {
        {0, 10 + 2 + 6, 20 + 2 + 12}, // (32 - 20) / 2 across, two of six lines down
        {1 | 4, 12, 22},
        {2 | 8, 10 + 2 + 12, 20 + 2 + 24},
    };
    for (const Case& c : cases) {
        clearScreen();
        vuMultiLine m(10, 20, kW, kH, 1, "abcde fghij");
        m.SetBorder(0);
        m.SetPassiveColor(FRONT, BACK);
        m.SetJustify(c.justify);
        m.Draw(fb()); // the first drawing learns the line count
        clearScreen();
        ASSERT_EQ(m.Draw(fb()), 0);
        Box b = box(FRONT);
        EXPECT_EQ(b.x0, c.x) << int(c.justify);
        EXPECT_EQ(b.y0, c.y) << int(c.justify);
        EXPECT_EQ(b.w(), 5 * CW);
        EXPECT_EQ(b.h(), 2 * CH);
    }
}

TEST_F(MultiLine, EmptyFontSlotDrawsNothing)
{
    vuMultiLine m(10, 20, kW, kH, 1, "abc");
    m.SetFont(9);
    m.SetBorder(0);
    m.SetPassiveColor(FRONT, BACK);
    EXPECT_EQ(m.Draw(fb()), 0);
    EXPECT_EQ(box(FRONT).empty(), true);
}

TEST_F(MultiLine, CursorIsDrawnUnderItsCell)
{
    vuChildForm form(0, 0, SW, SH);
    form.SetOption(0x10 | 0x40);
    form.ClearOption(0x20);
    auto* m = new vuMultiLine(10, 10, 40, 20, 0x100, "ab");
    m->SetPassiveColor(FRONT, BACK);
    m->SetActiveColor(AFRONT, ABACK);
    m->SetBorder(0);
    form.Add(m);
    form.Reset();
    ASSERT_EQ(form.GetFocused(), m);
    ASSERT_EQ(form.Draw(fb()), 0);
    // "ab" at (12, 12); the cursor one cell wide at x 20..23 on the last row of the line.
    EXPECT_EQ(row(12, 11, 24), ".ffffffff.....");
    EXPECT_EQ(row(17, 11, 24), ".ffffffffffff.");
}

TEST_F(MultiLine, HintStripShowsThePendingKeysLetters)
{
    vuChildForm form(0, 0, SW, SH);
    form.SetOption(0x10 | 0x40);
    form.ClearOption(0x20);
    auto* m = new vuMultiLine(10, 20, 40, 20, 0x300, "");
    m->SetPassiveColor(FRONT, BACK);
    m->SetBorder(0);
    form.Add(m);
    form.Reset();
    vuEvent k = key('2');
    ASSERT_EQ(form.HandleEvent(&k), 2);
    k = key('2');
    ASSERT_EQ(form.HandleEvent(&k), 2); // the second letter is current
    ASSERT_EQ(form.Draw(fb()), 0);
    // "2ABCabc" above the field: seven cells, the current one inverted.
    EXPECT_EQ(row(14, 9, 38), ".FFFFBBBBFFFFFFFFFFFFFFFFFFFF.");
    EXPECT_EQ(row(13, 9, 38), "..............................");
}

TEST_F(MultiLine, ReadOnlyScrollKeys)
{
    vuMultiLine m(0, 0, kW, kH, 0, tenLines().c_str());
    const int range = 10 * CH - (kH - 4); // 24
    struct Step {
        unsigned char key;
        int result, offset;
    } steps[] = {
        {'8', 2, CH},  {'2', 2, 0},      {'2', 0, 0},    {108, 2, range}, {140, 0, range}, {'1', 2, 0},
        {'7', 2, range}, {103, 2, 0}, {135, 0, 0}, {'5', 0, 0},
    };
    for (const Step& s : steps) {
        vuEvent e = key(s.key);
        EXPECT_EQ(m.HandleEvent(&e), s.result) << int(s.key);
        EXPECT_EQ(e.handled, s.result ? 1 : 0) << int(s.key);
        EXPECT_EQ(m.GetScrollY().offset, s.offset) << int(s.key);
    }

    vuMultiLine wide(0, 0, kW, kH, 0, "0123456789abcdef");
    struct Side {
        unsigned char key;
        int offset;
    } sides[] = {{'6', CW}, {60, 2 * CW}, {'4', CW}, {59, 0}, {59, 0}};
    for (const Side& s : sides) {
        vuEvent e = key(s.key);
        wide.HandleEvent(&e);
        EXPECT_EQ(wide.GetScrollX().offset, s.offset) << int(s.key);
    }
}

TEST_F(MultiLine, SwipeScrollsAndKeepsMoving)
{
    vuMultiLine m(0, 0, kW, kH, 0, tenLines().c_str());
    vuEvent up = swipe(VU_GESTURE_UP, 5, 5);
    EXPECT_EQ(m.HandleEvent(&up), 2);
    EXPECT_EQ(m.GetScrollY().offset, 1);
    EXPECT_EQ(m.GetScrollY().speed, 1);
    int moves = 0;
    for (int i = 0; i < 100 && m.GetScrollY().speed; ++i) {
        vuEvent e = none();
        moves += m.HandleEvent(&e) == 2;
    }
    EXPECT_GT(moves, 0);
    EXPECT_EQ(m.GetScrollY().speed, 0) << "the momentum runs out";
    vuEvent k = key('8');
    EXPECT_EQ(m.HandleEvent(&k), 2) << "keys work again once the motion stopped";

    vuEvent outside = swipe(VU_GESTURE_UP, 100, 100);
    int before = m.GetScrollY().offset;
    m.HandleEvent(&outside);
    EXPECT_EQ(m.GetScrollY().offset, before);
}

TEST_F(MultiLine, EditableFieldAsksForFocusOnTouch)
{
    vuChildForm form(0, 0, SW, SH);
    form.SetOption(0x10);
    form.UpdateCoordinates();
    auto* other = new vuMultiLine(0, 60, kW, kH, 0x100, "o");
    auto* m = new vuMultiLine(0, 0, kW, kH, 0x100, "abc");
    form.Add(other);
    form.Add(m);
    form.Reset();
    ASSERT_EQ(form.GetFocused(), other);
    vuEvent tap = none();
    tap.phase = VU_PHASE_UP;
    tap.gesture = VU_GESTURE_TAP;
    tap.x = 5;
    tap.y = 5;
    EXPECT_EQ(form.HandleEvent(&tap), 2);
    EXPECT_EQ(form.GetFocused(), m);
}

TEST_F(MultiLine, TapPlacesTheCursor)
{
    vuMultiLine m(0, 0, kW, kH, 0x100, "abc\ndefg");
    m.SetFocusable(1);
    m.Focus();
    m.SetJustify(1 | 4);
    m.calculateProperties();
    vuEvent tap = none();
    tap.phase = VU_PHASE_UP;
    tap.gesture = VU_GESTURE_TAP;
    tap.x = 2 + 2 * CW + 1; // third cell
    tap.y = 2 + CH + 1;     // second line
    EXPECT_EQ(m.HandleEvent(&tap), 2);
    EXPECT_EQ(m.GetCursorPos(), 6u);
    tap.x = 2 + 7 * CW; // past the end of the first line
    tap.y = 2;
    m.HandleEvent(&tap);
    EXPECT_EQ(m.GetCursorPos(), 2u) << "the first line's last character";
}

TEST_F(MultiLine, CursorKeys)
{
    vuMultiLine m(0, 0, kW, kH, 0x100, "abc\ndefg\nhi");
    m.SetFocusable(1);
    m.Focus();
    m.SetJustify(1);
    m.SetCursorPos(1);
    m.calculateProperties();
    struct Step {
        unsigned char key;
        uint32_t cursor;
    } steps[] = {
        {60, 2}, {60, 2}, {108, 11}, {103, 2}, {59, 1}, {59, 0}, {59, 0},
    };
    for (const Step& s : steps) {
        vuEvent e = key(s.key);
        EXPECT_EQ(m.HandleEvent(&e), 2) << int(s.key);
        EXPECT_EQ(e.handled, 1);
        EXPECT_EQ(m.GetCursorPos(), s.cursor) << int(s.key);
    }
    m.UnFocus();
    vuEvent e = key(60);
    EXPECT_EQ(m.HandleEvent(&e), 0) << "an editable field acts only while active";
}

class MultiTap : public MultiLine {
protected:
    void SetUp() override
    {
        MultiLine::SetUp();
        field = new vuMultiLine(0, 0, kW, kH, 0x100, "");
        field->SetFocusable(1);
        field->Focus();
    }
    void TearDown() override
    {
        delete field;
        MultiLine::TearDown();
    }
    int press(unsigned char k)
    {
        vuEvent e = key(k);
        return field->HandleEvent(&e);
    }
    int idle()
    {
        vuEvent e = none();
        return field->HandleEvent(&e);
    }
    vuMultiLine* field = nullptr;
};

TEST_F(MultiTap, SameKeyWithin799msCyclesLettersThenCommitsAfter800)
{
    EXPECT_EQ(press('2'), 2);
    EXPECT_STREQ(field->GetValue(), "2");
    EXPECT_EQ(field->GetCursorPos(), 0u) << "the open letter sits under the cursor";
    OsTestClockAdvance(799);
    press('2');
    EXPECT_STREQ(field->GetValue(), "A");
    OsTestClockAdvance(799);
    press('2');
    EXPECT_STREQ(field->GetValue(), "B");
    OsTestClockAdvance(799);
    EXPECT_EQ(idle(), 0) << "799 ms: still open";
    OsTestClockAdvance(1);
    EXPECT_EQ(idle(), 2);
    EXPECT_EQ(field->GetCursorPos(), 1u);
    EXPECT_EQ(field->GetPendingKey(), 0);

    press('2');
    OsTestClockAdvance(800);
    press('2'); // too late to cycle: a new letter
    EXPECT_STREQ(field->GetValue(), "B22");

    press('3'); // another key commits and types its first letter
    EXPECT_STREQ(field->GetValue(), "B223");
    EXPECT_EQ(field->GetCursorPos(), 3u);
}

TEST_F(MultiTap, CarriageReturnLetterBecomesALineBreak)
{
    // Key 0 cycles "0-@_#+=" and a carriage return.
    for (int i = 0; i < 8; ++i)
        press('0');
    EXPECT_STREQ(field->GetValue(), "\r");
    OsTestClockAdvance(800);
    idle();
    EXPECT_STREQ(field->GetValue(), "\r\n");
    EXPECT_EQ(field->GetCursorPos(), 2u);
    EXPECT_EQ(field->GetLineCount(), 2);

    EXPECT_EQ(press(8), 2);
    EXPECT_STREQ(field->GetValue(), "") << "delete takes CR and LF together";
    EXPECT_EQ(press(8), 0) << "nothing before the cursor";
}

TEST_F(MultiTap, DeleteCommitsTheOpenLetterFirst)
{
    press('4');
    OsTestClockAdvance(100);
    press('4'); // "G" open
    EXPECT_EQ(press(8), 2);
    EXPECT_STREQ(field->GetValue(), "");
    press('5');
    press('6');
    EXPECT_EQ(press(8), 2);
    EXPECT_STREQ(field->GetValue(), "5");
}

TEST_F(MultiTap, MaximumLengthRefusesLettersButNotValues)
{
    field->SetMaxLen(2);
    press('1');
    press('2');
    EXPECT_EQ(press('3'), 2);
    EXPECT_STREQ(field->GetValue(), "12");
    EXPECT_EQ(field->GetPendingKey(), 0);
    field->SetValue("longer than two");
    EXPECT_STREQ(field->GetValue(), "longer than two");
}

TEST_F(MultiTap, OnScreenKeyboardCharactersAreCommittedAtOnce)
{
    vuEvent e = none();
    e.vkChar = 'x';
    EXPECT_EQ(field->HandleEvent(&e), 2);
    EXPECT_EQ(e.handled, 1);
    EXPECT_STREQ(field->GetValue(), "x");
    EXPECT_EQ(field->GetCursorPos(), 1u);
    EXPECT_EQ(field->GetPendingKey(), 0);
}

TEST_F(MultiTap, ReadOnlyDigitsScrollEditableOnesType)
{
    press('8');
    EXPECT_STREQ(field->GetValue(), "8");
    vuMultiLine ro(0, 0, kW, kH, 0, tenLines().c_str());
    vuEvent e = key('8');
    EXPECT_EQ(ro.HandleEvent(&e), 2);
    EXPECT_STREQ(ro.GetValue(), tenLines().c_str());
}

TEST_F(MultiTap, TypingPastTheBufferGrowsIt)
{
    field->SetValue(std::string(127, 'a').c_str());
    EXPECT_EQ(field->GetBufferSize(), 128u + 128u);
    for (int i = 0; i < 200; ++i) {
        vuEvent e = none();
        e.vkChar = 'b';
        field->HandleEvent(&e);
    }
    EXPECT_EQ(strlen(field->GetValue()), 327u);
    EXPECT_EQ(std::string(field->GetValue()).substr(127), std::string(200, 'b'));
}

TEST_F(MultiLine, TapOnACentredWrappedLineHitsTheDrawnCell)
{
    // "ab" plus the cursor cell is centred in 8 cells: drawn from x + 2 + 10.
    struct Case {
        int dx;
        uint32_t cursor;
    } cases[] = {{12, 0}, {15, 0}, {17, 1}, {1, 0}};
    for (const Case& c : cases) {
        vuMultiLine m(0, 0, kW, kH, 0x101, "ab");
        m.SetFocusable(1);
        m.Focus();
        vuEvent tap = none();
        tap.phase = VU_PHASE_UP;
        tap.gesture = VU_GESTURE_TAP;
        tap.x = c.dx;
        tap.y = 2 + 2 * CH + 1; // the line is centred too: two empty rows above
        EXPECT_EQ(m.HandleEvent(&tap), 2) << c.dx;
        EXPECT_EQ(m.GetCursorPos(), c.cursor) << c.dx;
    }
}

TEST_F(MultiLine, ResetPutsTheCursorAtTheEndAndClosesTheLetter)
{
    vuMultiLine m(0, 0, kW, kH, 0x100, "abc");
    m.SetFocusable(1);
    m.Focus();
    m.SetCursorPos(1);
    vuEvent k = key('2');
    m.HandleEvent(&k);
    ASSERT_EQ(m.GetPendingKey(), '2');
    m.Reset();
    EXPECT_EQ(m.GetPendingKey(), 0);
    EXPECT_EQ(m.GetCursorPos(), 4u);
    EXPECT_EQ(m.GetFlags() & 0x8, 0) << "the widget base unfocuses";
    EXPECT_STREQ(m.GetValue(), "a2bc");
}

TEST_F(MultiLine, ReleaseOnTheActiveFieldOpensTheFormsKeyboard)
{
    vuChildForm form(0, 0, SW, SH);
    form.SetOption(0x10);
    form.UpdateCoordinates();
    auto* kb = new vuVirtualKeyboard();
    form.SetVirtualKeyboard(kb);
    form.SetVirtualKeyboard(kb); // the same keyboard stays alive
    auto* m = new vuMultiLine(0, 0, kW, kH, 0x100, "abc");
    auto* ro = new vuMultiLine(0, 50, kW, kH, 0, "read only");
    form.Add(m);
    form.Add(ro);
    form.Reset();
    ASSERT_EQ(form.GetFocused(), m);

    vuEvent up = none();
    up.phase = VU_PHASE_UP;
    up.x = 5;
    up.y = 5;
    EXPECT_EQ(m->HandleEvent(&up), 2);
    EXPECT_NE(kb->IsActive(), 0);
    up.handled = 0;
    EXPECT_EQ(m->HandleEvent(&up), 0) << "already shown";

    kb->Reset();
    vuEvent onReadOnly = up;
    onReadOnly.y = 55;
    onReadOnly.handled = 0;
    ro->HandleEvent(&onReadOnly);
    EXPECT_EQ(kb->IsActive(), 0) << "a read-only text needs no keyboard";

    form.SetVirtualKeyboard(new vuVirtualKeyboard()); // the old one is deleted
    EXPECT_NE(form.GetVirtualKeyboard(), kb);
}
