// Pattern fields (places, limits, fill and hide symbols, several lines,
// scrolling), address fields (octet editing, moving between octets, the
// dotted text in and out) and the button that writes its value into them.
#include <gtest/gtest.h>

#include <string>

#include "vuButton.h"
#include "vuForm.h"
#include "vuIPInput.h"
#include "vuInput.h"
#include "vuPatternInput.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"
#include "w3_fixture.h"

using namespace w3;

namespace {

const char kPhone[] = "(###) ###-##-##";

// Keys as in the entry-field tests: 'f' is 102 (the point key), ';' is 59,
// '\b' delete, '\x0e' clear, '^' lets 800 ms pass.
int playPattern(vuInput& f, const std::string& keys, vuEvent* lastEvent = nullptr)
{
    int last = 0;
    for (char c : keys) {
        if (c == '^') {
            OsTestClockAdvance(800);
            continue;
        }
        vuEvent e = key(static_cast<unsigned char>(c));
        last = f.HandleEvent(&e);
        if (lastEvent)
            *lastEvent = e;
    }
    return last;
}

std::string ipText(vuIPInput& f)
{
    char buf[16];
    if (f.GetIPtext(buf, sizeof buf) != 0)
        return "<error>";
    return buf;
}

} // namespace

class Pattern : public W3Test {};

TEST_F(Pattern, PatternMeasures)
{
    struct Case {
        const char* text;
        unsigned short places, lines;
        std::vector<unsigned short> lineLens;
    } cases[] = {
        {kPhone, 10, 1, {15}},
        {"##\n###", 5, 2, {2, 3}},
        {"#\r\n##\r\n", 3, 3, {1, 2, 0}},
        {"", 0, 1, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vuPatternInput::calcLen(c.text), c.places) << c.text;
        EXPECT_EQ(vuPatternInput::calcLines(c.text), c.lines) << c.text;
        unsigned short index = 0;
        for (unsigned short want : c.lineLens)
            EXPECT_EQ(vuPatternInput::calcLineLen(c.text, index), want) << c.text;
        EXPECT_EQ(c.text[index], 0) << "left on the terminator: " << c.text;
    }
    EXPECT_EQ(vuPatternInput::calcLen(nullptr), 0);
    EXPECT_EQ(vuPatternInput::calcLines(nullptr), 0);
}

TEST_F(Pattern, FillingAndLimits)
{
    struct Case {
        const char* what;
        unsigned short options;
        unsigned short maxLen; // SetMaxLen after construction, 0 none
        const char* keys;
        const char* value;
        unsigned short cursor;
    } cases[] = {
        {"ten digits without the picture's characters", 1, 0, "1234567890", "1234567890", 10},
        {"an eleventh digit replaces the last", 1, 0, "12345678905", "1234567895", 10},
        {"with 0x200 a full field refuses", 1 | 0x200, 0, "12345678905", "1234567890", 10},
        {"delete steps back and empties the place", 1, 0, "123\b", "12", 2},
        {"delete at the start does nothing", 1, 0, "\b", "", 0},
        {"SetMaxLen beyond the places changes nothing", 1, 12, "1234567890", "1234567890", 10},
        {"SetMaxLen(4) lets four places be typed", 1, 4, "123456", "1236", 4},
        {"text: letters by multi-tap", 0, 0, "2E3", "A3", 1},
        {"text: the last letter is committed into the last place", 0, 2, "23E", "2D", 1},
        {"text: a full field replaces its last letter", 0, 2, "234", "24", 1},
    };
    for (const Case& c : cases) {
        vuPatternInput f(0, 0, 140, 20, c.options, kPhone);
        if (c.maxLen)
            f.SetMaxLen(c.maxLen);
        f.Reset();
        f.Focus();
        playPattern(f, c.keys);
        EXPECT_STREQ(f.GetValue(), c.value) << c.what;
        EXPECT_EQ(f.GetCurPos(), c.cursor) << c.what;
    }
}

TEST_F(Pattern, SetValueAndSetPattern)
{
    vuPatternInput f(0, 0, 140, 20, 1, kPhone);
    f.Reset();
    f.Focus();
    f.SetValue("123456789012");
    EXPECT_STREQ(f.GetValue(), "1234567890");
    EXPECT_EQ(f.GetCurPos(), 10);
    f.SetValue("12");
    EXPECT_EQ(f.GetCurPos(), 2);
    playPattern(f, "9");
    EXPECT_STREQ(f.GetValue(), "129") << "nothing of the longer value comes back";

    f.SetPattern(nullptr);
    EXPECT_EQ(f.GetPattern(), nullptr);
    EXPECT_EQ(f.GetMaxLen(), 10) << "no pattern: the length stays";
    f.SetPattern("##-##");
    EXPECT_EQ(f.GetMaxLen(), 4);
    EXPECT_STREQ(f.GetValue(), "");
    f.SetPattern("no places");
    EXPECT_EQ(f.GetMaxLen(), 4);

    vuPatternInput none(0, 0, 140, 20, 0, nullptr);
    EXPECT_EQ(none.GetMaxLen(), 32);
    EXPECT_EQ(none.getPatternCurPos(), 0);
    none.SetMaxLen(3);
    EXPECT_EQ(none.GetMaxLen(), 32) << "nothing beyond the (absent) places";
}

TEST_F(Pattern, CursorPlaceInThePattern)
{
    vuPatternInput f(0, 0, 140, 20, 1, kPhone);
    f.Reset();
    struct Step {
        const char* keys;
        unsigned short index;
    } steps[] = {{"", 1}, {"123", 6}, {"4567", 11}, {"89", 14}, {"\b", 13}, {"90", 14}};
    for (const Step& s : steps) {
        f.Focus();
        playPattern(f, s.keys);
        EXPECT_EQ(f.getPatternCurPos(), s.index) << "after " << s.keys;
    }
}

class PatternDraw : public W3Test {
protected:
    void prepare(vuPatternInput& f)
    {
        f.SetFont(CODE_FONT);
        f.SetPassiveColor(FRONT, BACK);
        f.SetActiveColor(AFRONT, ABACK);
        f.SetPatternActiveColor(HFRONT, HBACK);
        f.SetFillSymbol('_');
        f.SetTransparency(1);
        f.Reset();
        f.Focus();
    }
};

TEST_F(PatternDraw, PlacesOverThePicture)
{
    vuPatternInput f(10, 10, 140, 20, 1, kPhone);
    prepare(f);
    playPattern(f, "123");
    ASSERT_EQ(f.Draw(fb()), 0);
    // 15 cells of 8 in 136: offset 8, first cell at 20; one line at 16.
    EXPECT_EQ(textAt(20, 16, 15, AFRONT), "(...) ...-..-..") << "the picture in the front colour";
    EXPECT_EQ(textAt(20, 16, 15, HFRONT), ".123..___.__.__") << "typed places and the fill symbol";
    EXPECT_EQ(at(20 + 8 + 4, 16), HBACK) << "places filled";
    EXPECT_EQ(at(20 + 4, 16), SENTINEL) << "the picture is not";
    // Cursor under place 3 (pattern index 6), on the cell's last row, from
    // its fourth column to its last but one.
    EXPECT_EQ(row(23, 20 + 48 + 1, 20 + 48 + 7), "ffffffh");

    clearScreen();
    vuPatternInput g(10, 10, 140, 20, 1 | 0x40, kPhone);
    prepare(g);
    ASSERT_EQ(g.Draw(fb()), 0);
    EXPECT_EQ(at(20 + 8 + 4, 16), SENTINEL) << "0x40: places not filled";
}

TEST_F(PatternDraw, ShortenedFieldShowsTheFillSymbolBeyondItsLength)
{
    vuPatternInput f(10, 10, 140, 20, 1, kPhone);
    f.SetMaxLen(4);
    prepare(f);
    playPattern(f, "123456");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(20, 16, 15, HFRONT), ".123..6__.__.__");
}

TEST_F(PatternDraw, HiddenPlacesShowTheLastDigitBriefly)
{
    vuPatternInput f(10, 10, 140, 20, 1 | 0x10, kPhone);
    prepare(f);
    playPattern(f, "12");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(28, 16, 3, HFRONT), "*2_");
    OsTestClockAdvance(800);
    clearScreen();
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(28, 16, 3, HFRONT), "**_");
}

TEST_F(PatternDraw, TwoLinesAreCentredAsABlock)
{
    vuPatternInput f(10, 10, 40, 40, 1, "##\n##");
    prepare(f);
    playPattern(f, "123");
    ASSERT_EQ(f.Draw(fb()), 0);
    // Lines at 10 + 12 and 10 + 20; two cells centred in 36: x 10 + 10 + 2.
    EXPECT_EQ(textAt(22, 22, 2, HFRONT), "12");
    EXPECT_EQ(textAt(22, 30, 2, HFRONT), "3_");
}

TEST_F(PatternDraw, LongPatternScrollsTheCursorIntoView)
{
    vuPatternInput f(10, 10, 84, 20, 1, "####################");
    prepare(f);
    playPattern(f, "123456789012345");
    ASSERT_EQ(f.Draw(fb()), 0);
    // Place 15 ends at the right edge: o = 84 - 128 - 4 = -48.
    EXPECT_EQ(textAt(10 - 48 + 2 + 13 * KW, 16, 3, HFRONT), "45_");
    EXPECT_EQ(at(11, 17), AFRONT) << "mark: more places to the left";
}

class IPInput : public W3Test {};

TEST_F(IPInput, OctetEditing)
{
    struct Case {
        const char* what;
        const char* keys;
        const char* address;
        unsigned short cursor;
        int lastResult;
    } cases[] = {
        {"digits shift in from the right", "192", "192.0.0.0", 2, 2},
        {"a digit past 255 is ignored", "1921", "192.0.0.0", 2, 2},
        {"256 is refused, 255 taken", "256", "25.0.0.0", 2, 2},
        {"a leading 0 is not typed", "007", "7.0.0.0", 2, 2},
        {"the point key moves to the next octet", "19f168f1f1", "19.168.1.1", 11, 2},
        {"the point key on the last octet goes to the first", "ffff", "0.0.0.0", 2, 2},
        {"key 59 moves on", "1;2", "1.2.0.0", 5, 2},
        {"key 59 on the last octet is the form's", ";;;;", "0.0.0.0", 11, 0},
        {"delete drops the last digit", "123\b", "12.0.0.0", 2, 2},
        {"delete on an empty octet goes back", "1f\b", "1.0.0.0", 2, 2},
        {"delete on the first empty octet is taken", "\b", "0.0.0.0", 2, 2},
        {"clear", "1f2f3\x0e", "0.0.0.0", 2, 2},
        {"OK is the form's", "1\r", "1.0.0.0", 2, 0},
    };
    for (const Case& c : cases) {
        vuIPInput f(0, 0, 140, 20, 0);
        f.Reset();
        f.Focus();
        vuEvent last = key(0);
        int r = playPattern(f, c.keys, &last);
        EXPECT_EQ(ipText(f), c.address) << c.what;
        EXPECT_EQ(f.GetCurPos(), c.cursor) << c.what;
        EXPECT_EQ(r, c.lastResult) << c.what;
        EXPECT_EQ(last.handled, c.lastResult ? 1 : 0) << c.what;
    }
}

TEST_F(IPInput, NoPointKeyOnTheD200)
{
    setTerminal("D200");
    vuIPInput f(0, 0, 140, 20, 0);
    f.Reset();
    f.Focus();
    EXPECT_EQ(playPattern(f, "1f"), 0);
    EXPECT_EQ(playPattern(f, ";2"), 2);
    EXPECT_EQ(ipText(f), "1.2.0.0");
}

TEST_F(IPInput, DottedTextInAndOut)
{
    vuIPInput f(0, 0, 140, 20, 0);
    f.Reset();
    EXPECT_EQ(f.GetOptions() & 1, 1) << "always numeric";
    EXPECT_EQ(f.SetIPtext("10.0.0.1"), 0);
    EXPECT_EQ(f.GetCurPos(), 11);
    EXPECT_EQ(ipText(f), "10.0.0.1");
    EXPECT_STREQ(f.GetValue(), " 10  0  0  1");

    const char* bad[] = {"", "1.2.3", "256.1.1.1", "a.b.c.d", "1.2.3.4.5", "1..2.3", "1.2.3.4x"};
    for (const char* t : bad) {
        EXPECT_EQ(f.SetIPtext(t), -1) << t;
        EXPECT_EQ(ipText(f), "10.0.0.1") << "kept after " << t;
        EXPECT_STREQ(f.GetValue(), " 10  0  0  1") << t;
    }
    EXPECT_EQ(f.SetIPtext(nullptr), -1);

    EXPECT_EQ(f.SetIPtext("0.0.0.0"), 0);
    EXPECT_EQ(f.GetCurPos(), 2) << "all zero: the first octet";
    EXPECT_EQ(f.SetIPtext(" 192.168.010.1"), 0);
    EXPECT_EQ(ipText(f), "192.168.10.1");

    struct Size {
        const char* address;
        unsigned short size;
        int result;
    } sizes[] = {
        {"10.0.0.1", 8, -1}, {"10.0.0.1", 9, 0}, {"255.255.255.255", 15, -1}, {"255.255.255.255", 16, 0},
    };
    for (const Size& s : sizes) {
        ASSERT_EQ(f.SetIPtext(s.address), 0);
        char buf[32];
        memset(buf, 'x', sizeof buf);
        EXPECT_EQ(f.GetIPtext(buf, s.size), s.result) << s.address << " in " << s.size;
        if (s.result == 0)
            EXPECT_STREQ(buf, s.address);
        else
            EXPECT_EQ(buf[0], 'x') << "nothing written";
    }
    EXPECT_EQ(f.GetIPtext(nullptr, 16), -1);

    unsigned char in[4] = {1, 2, 3, 4}, out[4] = {};
    f.SetIP(in);
    f.GetIP(out);
    EXPECT_EQ(memcmp(in, out, 4), 0);
    EXPECT_EQ(f.GetCurPos(), 11);
    f.SetIP(nullptr);
    EXPECT_EQ(ipText(f), "1.2.3.4");
    f.GetIP(nullptr);
    f.Reset();
    EXPECT_EQ(ipText(f), "0.0.0.0");
    EXPECT_EQ(f.GetCurPos(), 2);
}

TEST_F(IPInput, TapsNeverOpenTheKeyboard)
{
    vuForm form;
    auto* f = new vuIPInput(10, 10, 140, 20, 0);
    form.Add(f);
    auto* kb = new vuVirtualKeyboard;
    auto* layout = new vuVirtualKeyboardItem(CODE_FONT, "ab");
    layout->AddRow("abc", nullptr, nullptr);
    kb->AddItem(layout);
    form.SetVirtualKeyboard(kb);
    form.Reset();
    EXPECT_EQ(f->IsUseVirtualKeyboard(), 0);
    f->UnFocus();
    vuEvent e = touch(VU_PHASE_UP, 1 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 3);
    f->Focus();
    e = touch(VU_PHASE_UP, 1 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 0);
    EXPECT_EQ(kb->IsActive(), 0);
}

TEST_F(IPInput, DrawsEveryPlaceFromItsText)
{
    vuIPInput f(10, 10, 140, 20, 0);
    f.SetFont(CODE_FONT);
    f.SetActiveColor(AFRONT, ABACK);
    f.SetPatternActiveColor(HFRONT, HBACK);
    f.Reset();
    f.Focus();
    playPattern(f, "192f1");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(20, 16, 15, HFRONT), "192.  1.  0.  0");
    EXPECT_EQ(charAt(20 + 3 * KW, 16, AFRONT), '.') << "the picture's dots in the front colour";
    EXPECT_EQ(charAt(20, 16, AFRONT), 0);
}

class SlaveValue : public W3Test {};

TEST_F(SlaveValue, ButtonWritesIntoEntryFields)
{
    vuInput number(0, 0, 100, 20, 8, 1);
    number.SetRadix(2);
    vuPatternInput phone(0, 0, 140, 20, 1, kPhone);
    vuIPInput address(0, 0, 140, 20, 0);
    address.Reset();
    ASSERT_EQ(address.SetIPtext("10.0.0.1"), 0);
    struct Case {
        vuWidget* slave;
        const char* value;
        std::string (*read)(vuWidget*);
        const char* expected;
    } cases[] = {
        {&number, "5", [](vuWidget* w) { return std::string(static_cast<vuInput*>(w)->GetValue()); }, "005"},
        {&phone, "9161234567",
         [](vuWidget* w) { return std::string(static_cast<vuInput*>(w)->GetValue()); }, "9161234567"},
        {&address, "192.168.0.1", [](vuWidget* w) { return ipText(*static_cast<vuIPInput*>(w)); }, "192.168.0.1"},
        {&address, "not an address", [](vuWidget* w) { return ipText(*static_cast<vuIPInput*>(w)); },
         "192.168.0.1"},
    };
    for (const Case& c : cases) {
        vuButton b(0, 0, 40, 20, "OK", nullptr, 'x');
        b.SetAccelCode('7');
        b.SetSlaveWidget(c.slave);
        b.SetSlaveValue(c.value);
        vuEvent e = key('7');
        EXPECT_EQ(b.HandleEvent(&e), 2);
        EXPECT_EQ(c.read(c.slave), c.expected) << c.value;
    }
}
