// Entry fields: numeric entry with a radix and right entry, sign and hex,
// the empty-value rules, multi-tap letters on both keypad kinds under the
// virtual clock, hidden fields, the setters' limits, user functions and the
// drawing of the implied point, the scrolled text and the hint strip.
#include <gtest/gtest.h>

#include <string>

#include "vuForm.h"
#include "vuInput.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"
#include "w3_fixture.h"

using namespace w3;

namespace {

// Key strings: digits are digit keys, 'f' (102) the point/hex key, 'E' (69)
// the sign/next key, '\b' delete, '\x0e' clear. Time steps in a string:
// '.' an empty event, '~' 799 ms pass, '!' 1 ms passes, '^' 800 ms pass.
int play(vuInput& f, const std::string& keys)
{
    int last = 0;
    for (char c : keys) {
        switch (c) {
        case '~': OsTestClockAdvance(799); break;
        case '!': OsTestClockAdvance(1); break;
        case '^': OsTestClockAdvance(800); break;
        case '.': {
            vuEvent e = key(0);
            last = f.HandleEvent(&e);
            break;
        }
        default: {
            vuEvent e = key(static_cast<unsigned char>(c));
            last = f.HandleEvent(&e);
        }
        }
    }
    return last;
}

} // namespace

class Input : public W3Test {};

TEST_F(Input, NumericEntry)
{
    struct Case {
        const char* what;
        unsigned short options, maxLen, radix;
        const char* preset; // SetValue after Reset, or null
        const char* keys;
        const char* value;  // GetValue: the buffer, or the "0" of an empty integer
        unsigned short cursor;
    } cases[] = {
        {"radix 2: a digit replaces the lone integer zero", 1, 8, 2, nullptr, "5", "500", 0},
        {"radix 2: point, then fraction digits overwrite", 1, 8, 2, nullptr, "5f25", "525", 2},
        {"radix 2: the cursor stays on the last digit", 1, 8, 2, nullptr, "5f257", "527", 2},
        {"radix 2: point again goes back to the integer part", 1, 8, 2, nullptr, "5ff3", "5300", 1},
        {"radix 2: delete in the fraction zeroes and steps back", 1, 8, 2, nullptr, "5f25\b", "520", 1},
        {"radix 2: delete of a single integer digit leaves 0", 1, 8, 2, nullptr, "5\b", "000", 0},
        {"radix 2: clear", 1, 8, 2, nullptr, "12\x0e", "000", 0},
        {"full: the integer part refuses, the fraction takes", 1, 4, 2, nullptr, "123f45", "1245", 3},
        {"right entry pushes the digits left", 1 | 8, 8, 2, nullptr, "123", "123", 2},
        {"right entry: delete pulls them back", 1 | 8, 8, 2, nullptr, "123\b", "012", 2},
        {"right entry: the point key is no key", 1 | 8, 8, 2, nullptr, "1f2", "012", 2},
        {"right entry: full", 1 | 8, 4, 2, nullptr, "12345", "1234", 3},
        {"integer: a leading zero is refused", 1, 8, 0, nullptr, "007", "7", 0},
        {"integer: emptied it holds 0", 1, 8, 0, nullptr, "7\b", "0", 0},
        {"integer, may be empty: emptied it stays empty", 1 | 0x400, 8, 0, nullptr, "7\b", "", 0},
        {"integer, hidden: starts empty", 1 | 0x10, 8, 0, nullptr, "", "", 0},
        {"integer, hex: emptied it holds 0 too", 1 | 2, 8, 0, nullptr, "7\b", "0", 0},
        {"integer, leading zeros kept: emptied it stays empty", 1 | 0x80, 8, 0, nullptr, "7\b", "", 0},
        {"integer, hidden: emptied it stays empty", 1 | 0x10, 8, 0, nullptr, "7\b", "", 0},
        {"integer, leading zeros kept", 1 | 0x80, 8, 0, nullptr, "007", "007", 2},
        {"integer: the point key without a radix is swallowed", 1, 8, 0, nullptr, "5f6", "56", 1},
        {"sign toggles the minus symbol on", 1 | 0x100, 8, 0, nullptr, "5E", "-5", 1},
        {"sign toggles it off again", 1 | 0x100, 8, 0, nullptr, "5EE", "5", 0},
        {"sign on an empty field does nothing", 1 | 0x100 | 0x400, 8, 0, nullptr, "E", "", 0},
        {"sign with a radix, then a digit", 1 | 0x100, 8, 2, nullptr, "E5", "-500", 1},
        {"sign without the option is no key", 1, 8, 0, nullptr, "5E", "5", 0},
        {"hex: the shift types A to F", 1 | 2, 8, 0, nullptr, "f1f2", "AB", 1},
        {"hex: a second press takes the shift back", 1 | 2, 8, 0, nullptr, "ff1", "1", 0},
        {"hex: the shift lasts one digit", 1 | 2, 8, 0, nullptr, "f12", "A2", 1},
        {"hex: 7 to 9 and 0 stay digits", 1 | 2, 8, 0, nullptr, "f7", "7", 0},
        {"max length 1 overwrites its one digit", 1, 1, 0, nullptr, "57", "7", 0},
        {"first key clears a preset value", 1 | 0x800, 8, 2, "12345", "7", "700", 0},
        {"first key in the fraction keeps the cursor there", 1 | 0x800, 8, 2, "12345", "f7", "070", 2},
        {"first key clears only once", 1 | 0x800, 8, 2, "12345", "78", "7800", 1},
        {"preset is padded to radix + 1 digits", 1, 8, 2, "5", "", "005", 0},
        {"preset in right entry: cursor on the last digit", 1 | 8, 8, 2, "5", "", "005", 2},
    };
    for (const Case& c : cases) {
        vuInput f(0, 0, 100, 20, c.maxLen, c.options);
        f.SetRadix(c.radix);
        f.Reset();
        f.Focus();
        if (c.preset)
            f.SetValue(c.preset);
        play(f, c.keys);
        f.UnFocus();
        EXPECT_STREQ(f.GetValue(), c.value) << c.what;
        EXPECT_EQ(f.GetCurPos(), c.cursor) << c.what;
    }
}

TEST_F(Input, DigitKeysAreTakenEvenWhenRefusedOthersPassToTheForm)
{
    vuInput f(0, 0, 100, 20, 2, 1);
    f.Reset();
    f.Focus();
    vuEvent e = key('1');
    EXPECT_EQ(f.HandleEvent(&e), 2);
    e = key('2');
    f.HandleEvent(&e);
    e = key('3');
    EXPECT_EQ(f.HandleEvent(&e), 2) << "a refused digit is still taken";
    EXPECT_EQ(e.handled, 1);
    EXPECT_STREQ(f.GetValue(), "12");
    for (unsigned char k : {13, 27, 108, 103}) {
        e = key(k);
        EXPECT_EQ(f.HandleEvent(&e), 0) << int(k);
        EXPECT_EQ(e.handled, 0) << "OK, cancel and the focus keys are the form's: " << int(k);
    }
    f.UnFocus();
    e = key('4');
    EXPECT_EQ(f.HandleEvent(&e), 0) << "an inactive field takes no keys";
    EXPECT_STREQ(f.GetValue(), "12");
}

TEST_F(Input, MultiTapOnBothKeypads)
{
    struct Case {
        const char* what;
        const char* model; // "ro.fac.pn", null for none
        const char* keys;
        const char* value;
        unsigned short cursor;
        unsigned char pending;
    } cases[] = {
        {"next key: the same digit types new letters", nullptr, "222", "222", 2, '2'},
        {"next key cycles the open letter", nullptr, "2E", "A", 0, '2'},
        {"next key cycles on", nullptr, "2EE", "B", 0, '2'},
        {"next key wraps round the row", nullptr, "2EEEEEEE", "2", 0, '2'},
        {"another digit commits", nullptr, "2E3", "A3", 1, '3'},
        {"no time-out with a next key", nullptr, "2~!.", "2", 0, '2'},
        {"delete commits, then removes the last letter", nullptr, "23\b", "2", 1, 0},
        {"OK commits the open letter", nullptr, "2\r", "2", 1, 0},
        {"another terminal model reads the same", "T100-0AW", "2E", "A", 0, '2'},
        {"D200: the same digit within 799 ms cycles", "D200-0AB", "222", "B", 0, '2'},
        {"D200: 800 ms later it types a new letter", "D200-0AB", "2^2", "22", 1, '2'},
        {"D200: open at 799 ms", "D200-0AB", "2~.", "2", 0, '2'},
        {"D200: committed after 800 ms", "D200-0AB", "2~!.", "2", 1, 0},
        {"D200: the carriage return of key 0 is skipped", "D200-0AB", "00000000", "=", 0, '0'},
        {"D200: and the row wraps after it", "D200-0AB", "000000000", "0", 0, '0'},
        {"D200: 69 is no next key", "D200-0AB", "2E", "2", 1, 0},
    };
    for (const Case& c : cases) {
        setTerminal(c.model ? c.model : "");
        vuInput f(0, 0, 100, 20, 16, 0);
        f.Reset();
        f.Focus();
        play(f, c.keys);
        EXPECT_STREQ(f.GetValue(), c.value) << c.what;
        EXPECT_EQ(f.GetCurPos(), c.cursor) << c.what;
        EXPECT_EQ(f.GetPendingKey(), c.pending) << c.what;
    }
}

TEST_F(Input, ControlCodesFollowTheTerminal)
{
    vuInput plain(0, 0, 10, 10, 4, 1);
    EXPECT_EQ(plain.GetPointCode(), 102);
    EXPECT_EQ(plain.GetHexCode(), 102);
    EXPECT_EQ(plain.GetSignCode(), 69);
    EXPECT_EQ(plain.GetNextCode(), 69);
    setTerminal("D200");
    vuInput d200(0, 0, 10, 10, 4, 1);
    EXPECT_EQ(d200.GetPointCode() | d200.GetHexCode() | d200.GetSignCode() | d200.GetNextCode(), 0);
    d200.SetControlCodes(1, 2, 3, 4);
    EXPECT_EQ(d200.GetPointCode(), 1) << "point first";
    EXPECT_EQ(d200.GetHexCode(), 2) << "hex second";
    EXPECT_EQ(d200.GetSignCode(), 3);
    EXPECT_EQ(d200.GetNextCode(), 4);
}

TEST_F(Input, TextFieldLimits)
{
    struct Case {
        const char* what;
        unsigned short maxLen;
        const char* keys;
        const char* value;
        unsigned short cursor;
    } cases[] = {
        {"full: further letters are refused", 3, "2E3456", "A34", 2},
        {"length 1 overwrites on every key", 1, "234", "4", 0},
        {"delete in a full field", 3, "234\b", "23", 2},
        {"delete until empty", 3, "23\b\b\b", "", 0},
    };
    for (const Case& c : cases) {
        vuInput f(0, 0, 100, 20, c.maxLen, 0);
        f.Reset();
        f.Focus();
        play(f, c.keys);
        EXPECT_STREQ(f.GetValue(), c.value) << c.what;
        EXPECT_EQ(f.GetCurPos(), c.cursor) << c.what;
    }
    vuInput over(0, 0, 100, 20, 3, 0x200);
    over.Reset();
    over.Focus();
    play(over, "2345");
    EXPECT_STREQ(over.GetValue(), "235") << "with overwrite a full field replaces the last letter";
}

TEST_F(Input, SettersKeepTheValueInsideItsBuffer)
{
    vuInput f(0, 0, 100, 20, 8, 1);
    f.SetRadix(3);
    EXPECT_STREQ(f.GetValue(), "0000");
    f.SetMaxLen(2);
    EXPECT_EQ(f.GetMaxLen(), 2);
    EXPECT_LT(f.GetRadix(), 2) << "the radix stays below the length";
    EXPECT_STREQ(f.GetValue(), "00");
    f.SetMaxLen(0);
    EXPECT_EQ(f.GetMaxLen(), 2) << "0 changes nothing";

    f.SetRadix(2);
    EXPECT_EQ(f.GetRadix(), 0) << "a radix not below the length becomes 0";
    vuInput t(0, 0, 100, 20, 8, 0);
    t.SetRadix(1);
    EXPECT_EQ(t.GetRadix(), 0) << "a text field has no radix";

    t.SetValue("abcdefghijk");
    EXPECT_STREQ(t.GetValue(), "abcdefgh") << "cut to the maximum length";
    EXPECT_EQ(t.GetCurPos(), 7) << "a full field's cursor is on its last place";
    t.SetValue(t.GetValue());
    EXPECT_STREQ(t.GetValue(), "abcdefgh") << "its own value";
    t.SetValue("ab");
    EXPECT_EQ(t.GetCurPos(), 2);
    t.SetCurPos(40);
    EXPECT_EQ(t.GetCurPos(), 2) << "clamped to the text";
    t.SetCurPos(1);
    EXPECT_EQ(t.GetCurPos(), 1);
    t.SetValue(nullptr);
    EXPECT_STREQ(t.GetValue(), "");

    vuInput zero(0, 0, 100, 20, 0, 0);
    EXPECT_EQ(zero.GetMaxLen(), 32);
    EXPECT_EQ(zero.GetOptions() & 0x200, 0);
    vuInput one(0, 0, 100, 20, 1, 0);
    EXPECT_EQ(one.GetOptions() & 0x200, 0x200) << "length 1 overwrites";

    f.SetMinusSymbol(0);
    EXPECT_EQ(f.GetMinusSymbol(), '-');
    f.SetMinusSymbol('~');
    EXPECT_EQ(f.GetMinusSymbol(), '~');
}

TEST_F(Input, VirtualKeyboardUseAndCharacters)
{
    vuInput text(0, 0, 100, 20, 8, 0), number(0, 0, 100, 20, 8, 1);
    EXPECT_EQ(text.IsUseVirtualKeyboard(), 1) << "the stand-in has a touch panel";
    EXPECT_EQ(number.IsUseVirtualKeyboard(), 0);

    text.Reset();
    text.Focus();
    for (unsigned char ch : {'x', 'y', ' '}) {
        vuEvent e = key(0);
        e.vkChar = ch;
        EXPECT_EQ(text.HandleEvent(&e), 2);
        EXPECT_EQ(e.handled, 1);
    }
    EXPECT_STREQ(text.GetValue(), "xy ");
    EXPECT_EQ(text.GetCurPos(), 3) << "keyboard characters are committed at once";
    EXPECT_EQ(text.GetPendingKey(), 0);
}

TEST_F(Input, TapsAskForTheFocusThenOpenTheFormsKeyboard)
{
    vuForm form;
    auto* f = new vuInput(10, 10, 100, 20, 8, 0);
    form.Add(f);
    auto* kb = new vuVirtualKeyboard;
    auto* layout = new vuVirtualKeyboardItem(CODE_FONT, "ab");
    layout->AddRow("abc", nullptr, nullptr);
    kb->AddItem(layout);
    form.SetVirtualKeyboard(kb);
    form.Reset();
    f->UnFocus();

    // Form client (20, 15) is screen (21, 16).
    vuEvent e = touch(VU_PHASE_UP, 21 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 3) << "inactive: give me the focus";
    EXPECT_EQ(e.handled, 1);
    EXPECT_EQ(kb->IsActive(), 0);

    f->Focus();
    e = touch(VU_PHASE_DOWN, 21 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 0) << "only the release counts";
    e = touch(VU_PHASE_UP, 1 + 200, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 0) << "outside";
    e = touch(VU_PHASE_UP, 1 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 2);
    EXPECT_EQ(kb->IsActive(), 1) << "the form's keyboard shows";

    // A letter open while the field is tapped is committed.
    vuEvent k = key('2');
    f->HandleEvent(&k);
    e = touch(VU_PHASE_UP, 1 + 20, 1 + 15);
    EXPECT_EQ(f->HandleEvent(&e), 0) << "the keyboard shows already";
    EXPECT_EQ(f->GetPendingKey(), 0);
    EXPECT_EQ(f->GetCurPos(), 1);
}

TEST_F(Input, UserFunctionsReplaceTheEditingSteps)
{
    static std::string log;
    static intptr_t seen;
    log.clear();
    seen = 0;
    struct Hooks {
        static unsigned char add(intptr_t field, unsigned char ch)
        {
            seen = field;
            log += "add:";
            log += static_cast<char>(ch);
            log += ' ';
            return ch == '9' ? 0 : ch;
        }
        static void exch(intptr_t, unsigned char ch)
        {
            log += "exch:";
            log += static_cast<char>(ch);
            log += ' ';
        }
        static void del(intptr_t) { log += "del "; }
        static void end(intptr_t) { log += "end "; }
    };
    vuInput f(0, 0, 100, 20, 8, 0);
    f.SetUserFunc(Hooks::add, Hooks::exch, Hooks::del, Hooks::end);
    f.Reset();
    f.Focus();
    play(f, "2E\b9");
    EXPECT_EQ(seen, reinterpret_cast<intptr_t>(&f)) << "the field's own address";
    EXPECT_EQ(log, "add:2 exch:A end del add:9 ");
    EXPECT_EQ(f.GetPendingKey(), 0) << "a refused letter opens nothing";
    EXPECT_STREQ(f.GetValue(), "") << "the built-in steps did not run";

    f.SetUserFunc(nullptr, nullptr, nullptr, nullptr);
    play(f, "3");
    EXPECT_STREQ(f.GetValue(), "3");
}

class InputDraw : public W3Test {
protected:
    void prepare(vuInput& f)
    {
        f.SetFont(CODE_FONT);
        f.SetPassiveColor(FRONT, BACK);
        f.SetActiveColor(AFRONT, ABACK);
        f.Reset();
        f.Focus();
    }
};

TEST_F(InputDraw, ImpliedPointBetweenIntegerAndFraction)
{
    vuInput f(10, 10, 84, 20, 8, 1);
    f.SetRadix(2);
    prepare(f);
    play(f, "5f25");
    ASSERT_EQ(f.Draw(fb()), 0);
    // T = 8 + 2 + 16 = 26 in U = 80: offset 27; the text row starts at 16.
    EXPECT_EQ(textAt(39, 16, 1, AFRONT), "5");
    EXPECT_EQ(textAt(57, 16, 1, AFRONT), "5");
    // The dot's right column falls on the fraction's first column (rows 5
    // and 6 of the cell there).
    EXPECT_EQ(charAt(49, 16, AFRONT), '2' | 0x60);
    // The 2 x 2 dot below the text's baseline in the gap.
    EXPECT_EQ(at(48, 21), AFRONT);
    EXPECT_EQ(at(49, 22), AFRONT);
    EXPECT_EQ(at(47, 21), ABACK);
    // The cursor under the last fraction digit, in the passive front colour.
    EXPECT_EQ(row(24, 56, 64), "bFFFFFFFb");
}

TEST_F(InputDraw, LongTextScrollsToTheCursor)
{
    vuInput f(10, 10, 52, 20, 16, 0);
    prepare(f);
    f.SetValue("ABCDEFGHIJKL");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(12, 16, 5, AFRONT), "HIJKL") << "the end and the cursor cell after it";
    EXPECT_EQ(at(11, 18), AFRONT) << "mark: more text to the left";

    clearScreen();
    f.SetCurPos(0);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(12, 16, 6, AFRONT), "ABCDEF") << "the cursor at the start stays in view";
    EXPECT_EQ(at(60, 18), AFRONT) << "mark: more text to the right";
    EXPECT_EQ(at(11, 18), ABACK);
}

TEST_F(InputDraw, HiddenDigitShowsFor799Milliseconds)
{
    vuInput f(10, 10, 84, 20, 8, 1 | 0x10);
    prepare(f);
    play(f, "5");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(48, 16, 1, AFRONT), "5");
    OsTestClockAdvance(799);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(48, 16, 1, AFRONT), "5");
    OsTestClockAdvance(1);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(48, 16, 1, AFRONT), "*");
    play(f, "6");
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(44, 16, 2, AFRONT), "*6");
    EXPECT_STREQ(f.GetValue(), "56");
    f.SetHideSymbol('#');
    OsTestClockAdvance(800);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(textAt(44, 16, 2, AFRONT), "##");
}

TEST_F(InputDraw, HintStripShowsThePendingRowAboveTheField)
{
    vuInput f(10, 40, 84, 20, 8, 0x4);
    prepare(f);
    play(f, "2E");
    ASSERT_EQ(f.Draw(fb()), 0);
    // Row "2ABCabc" one cell high above the field; letter 1 inverted.
    EXPECT_EQ(textAt(10, 32, 1, FRONT), "2");
    EXPECT_EQ(textAt(10 + 2 * KW, 32, 5, FRONT), "BCabc");
    EXPECT_EQ(charAt(10 + KW, 32, BACK), 'A');
    EXPECT_EQ(at(10 + KW + 4, 33), FRONT) << "the current letter's cell is filled";

    clearScreen();
    f.UnFocus();
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(at(10 + KW + 4, 33), SENTINEL) << "no strip without the focus";
}

TEST_F(InputDraw, JustificationAndBlinkingCursor)
{
    struct Case {
        const char* what;
        unsigned char justify;
        int textX;
    } cases[] = {
        {"centred", 0, 10 + 2 + (80 - 24) / 2},
        {"left", 0x1, 10 + 2},
        {"right", 0x2, 10 + 2 + 80 - 24},
    };
    for (const Case& c : cases) {
        clearScreen();
        vuInput f(10, 10, 84, 20, 8, 0);
        prepare(f);
        f.SetJustify(c.justify);
        f.SetValue("ab");
        ASSERT_EQ(f.Draw(fb()), 0);
        // Two letters and the cursor cell after them: 24 pixels.
        EXPECT_EQ(textAt(c.textX, 16, 2, AFRONT), "ab") << c.what;
    }

    vuInput blink(10, 40, 84, 20, 8, 0x20);
    prepare(blink);
    EXPECT_EQ(blink.IsAnimate(), 1);
    struct Tick {
        unsigned advance;
        bool cursor;
    } ticks[] = {{0, true}, {499, true}, {1, false}, {499, false}, {1, true}};
    OsTestClockEnable(100000); // an even half-second
    for (const Tick& t : ticks) {
        OsTestClockAdvance(t.advance);
        clearScreen();
        ASSERT_EQ(blink.Draw(fb()), 0);
        // Empty text: the cursor cell is centred, under the (empty) text row.
        EXPECT_EQ(at(10 + 2 + 36 + 2, 40 + 5 + 8 + 1) == FRONT, t.cursor) << "at +" << t.advance;
    }
    vuInput steady(10, 40, 84, 20, 8, 0);
    EXPECT_EQ(steady.IsAnimate(), 0);
}


// The strip stays off the field and on the screen (240x160, cells of 8): a
// field with no room above gets it below, a field at the right edge gets
// it moved left to end at the edge.
TEST_F(InputDraw, HintStripGoesBelowOrLeftToStayWhole)
{
    struct Case {
        const char* what;
        short x, y, w;
        int stripX, stripY; // where the row "2ABCabc" starts
    } cases[] = {
        {"no room above: below the field", 10, 4, 84, 10, 24},
        {"at the right edge: moved left", 200, 40, 40, 240 - 7 * KW, 32},
    };
    for (const Case& c : cases) {
        clearScreen();
        vuInput f(c.x, c.y, c.w, 20, 8, 0x4);
        prepare(f);
        play(f, "2E");
        ASSERT_EQ(f.Draw(fb()), 0);
        EXPECT_EQ(textAt(c.stripX, c.stripY, 1, FRONT), "2") << c.what;
        EXPECT_EQ(textAt(c.stripX + 2 * KW, c.stripY, 5, FRONT), "BCabc") << c.what;
        EXPECT_EQ(at(c.stripX + KW + 4, c.stripY + 1), FRONT) << c.what << ": the current letter's cell";
    }
}
