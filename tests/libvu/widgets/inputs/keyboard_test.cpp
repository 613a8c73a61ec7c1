// The on-screen keyboard: layouts and rows, key geometry and taps, caps lock,
// shift and the next layout, placement at the bottom or top edge, drawing,
// and typing into an entry field through the modal loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vuForm.h"
#include "vuImage.h"
#include "vuInput.h"
#include "vuVirtualKeyboard.h"
#include "vuVirtualKeyboardItem.h"
#include "w3_fixture.h"

using namespace w3;

namespace {

// Row 2: caps lock, shift, a space three units wide, backspace, enter, next
// layout, hide: 9 units of 26 pixels with a 3-pixel margin on 240.
const char kControls[] = "\x10\x11   \x08\r\x12\x01";

vuVirtualKeyboardItem* latin()
{
    auto* item = new vuVirtualKeyboardItem(CODE_FONT, "ab");
    item->AddRow("1234567890", "1234567890", "!@#$%^&*()");
    item->AddRow("qwertyu", "QWERTYU", "QWERTYU");
    item->AddRow(kControls, kControls, kControls);
    return item;
}

vuVirtualKeyboardItem* second()
{
    auto* item = new vuVirtualKeyboardItem(CODE_FONT, "AB");
    item->AddRow("ABCDEFGHIJ", "ABCDEFGHIJ", "ABCDEFGHIJ");
    item->AddRow("klmnopq", "KLMNOPQ", "KLMNOPQ");
    item->AddRow(kControls, kControls, kControls);
    return item;
}

// Centres of keys on the screen (keyboard at the bottom: rows at 100, 120, 140).
const int ROW0 = 110, ROW1 = 130, ROW2 = 150;
const int CAPS = 10, SHIFT = 40, SPACE = 90, BACKSPACE = 140, ENTER = 170, NEXT = 195, HIDE = 220;

} // namespace

class Keyboard : public W3Test {
protected:
    void SetUp() override
    {
        W3Test::SetUp();
        if (HasFatalFailure())
            return;
        kb = new vuVirtualKeyboard;
        kb->SetParent(fb());
        ASSERT_EQ(kb->AddItem(latin()), 0);
        ASSERT_EQ(kb->AddItem(second()), 1);
        kb->Activate(nullptr);
    }
    void TearDown() override
    {
        delete kb;
        W3Test::TearDown();
    }
    // A tap; the character and key it gave, "" when the keyboard left it.
    std::string press(int x, int y)
    {
        vuEvent e = tap(x, y);
        int r = kb->HandleEvent(&e);
        if (r == 0)
            return e.handled ? "<handled 0>" : "";
        std::string s;
        if (e.vkChar)
            s += static_cast<char>(e.vkChar);
        if (e.key)
            s += "<key " + std::to_string(e.key) + ">";
        return s.empty() ? "<none>" : s;
    }
    vuVirtualKeyboard* kb = nullptr;
};

TEST_F(Keyboard, LayoutRows)
{
    vuVirtualKeyboardItem item(3, "name");
    EXPECT_STREQ(item.GetName(), "name");
    EXPECT_EQ(item.GetFontIndex(), 3);
    item.AddRow(nullptr, nullptr, nullptr);
    EXPECT_EQ(item.GetRowCount(), 0) << "a row needs one text";
    item.AddRow("", "", nullptr);
    EXPECT_EQ(item.GetRowCount(), 1) << "empty texts still make a row";
    EXPECT_EQ(item.GetCodes(0), nullptr);
    for (int i = 0; i < 6; ++i)
        item.AddRow("abc", nullptr, "ABC");
    EXPECT_EQ(item.GetRowCount(), 6) << "a seventh row is ignored";
    EXPECT_STREQ(item.GetCodes(1), "abc");
    EXPECT_EQ(item.GetCapsCodes(1), nullptr);
    EXPECT_STREQ(item.GetShiftCodes(1), "ABC");
    EXPECT_EQ(item.GetCodes(6), nullptr);
    EXPECT_EQ(item.GetRowHeight(0), 20);
    EXPECT_EQ(item.GetHeight(), 120);
    vuVirtualKeyboardItem unnamed(1, nullptr);
    EXPECT_EQ(unnamed.GetName(), nullptr);
}

TEST_F(Keyboard, NewKeyboardDefaults)
{
    vuVirtualKeyboard fresh;
    EXPECT_EQ(fresh.GetType(), VU_TYPE_VIRTUAL_KEYBOARD);
    EXPECT_EQ(fresh.GetOptions(), 0) << "form options mean other things here";
    EXPECT_EQ(fresh.GetWidth(), 0);
    EXPECT_EQ(fresh.GetHeight(), 0);
    EXPECT_EQ(fresh.GetFrontColor(), 0xFFFF);
    EXPECT_EQ(fresh.GetBackColor(), 0);
    EXPECT_EQ(fresh.IsActive(), 0);
    for (unsigned char k : {1, 8, 13, 16, 17})
        EXPECT_NE(fresh.GetImage(k), nullptr) << int(k);
    EXPECT_EQ(fresh.AddItem(nullptr), -2);
    auto* w = new vuWidget(0, 0, 10, 10);
    EXPECT_EQ(fresh.Add(w), -1) << "no widgets";
    EXPECT_EQ(fresh.Del(w), -1);
    delete w;
    EXPECT_EQ(fresh.Draw(fb()), -5) << "no layout";
    fresh.Activate(nullptr);
    EXPECT_EQ(fresh.Draw(fb()), -5) << "shown, but no layout";
    EXPECT_EQ(fresh.IsAnimate(), 0);

    // A keyboard given to the UI as a whole is placed on the screen too.
    vuVirtualKeyboard loose;
    loose.AddItem(latin());
    loose.Activate(nullptr);
    EXPECT_EQ(loose.GetParent(), fb());
    EXPECT_EQ(loose.GetCorrectionY(), SH - 60);
    EXPECT_EQ(loose.Draw(fb()), 0);
}

TEST_F(Keyboard, KeyGeometryAndTaps)
{
    EXPECT_EQ(kb->GetWidth(), SW);
    EXPECT_EQ(kb->GetHeight(), 60);
    EXPECT_EQ(kb->GetCorrectionY(), SH - 60) << "at the bottom edge";
    struct Case {
        int x, y;
        const char* result;
    } cases[] = {
        {0, ROW0, "1"}, {23, ROW0, "1"}, {24, ROW0, "2"}, {239, ROW0, "0"},
        // Seven keys of 34 with a 1-pixel margin.
        {0, ROW1, "<none>"}, {1, ROW1, "q"}, {34, ROW1, "q"}, {35, ROW1, "w"}, {238, ROW1, "u"},
        {239, ROW1, "<none>"},
        {SPACE - 34, ROW2, " "}, {SPACE + 42, ROW2, " "}, {BACKSPACE, ROW2, "<key 8>"}, {ENTER, ROW2, "\r"},
        {0, ROW2, "<none>"}, {2, ROW2, "<none>"},
        {100, 99, ""}, // above the keyboard: not its event
    };
    for (const Case& c : cases)
        EXPECT_EQ(press(c.x, c.y), c.result) << c.x << "," << c.y;
    EXPECT_EQ(kb->IsActive(), 1);
}

TEST_F(Keyboard, CapsShiftAndNextLayout)
{
    struct Step {
        int x, y;
        const char* result;
        uint16_t state;
        uint16_t layout;
    } steps[] = {
        {1, ROW1, "q", VU_VK_SHOWN, 0},
        {CAPS, ROW2, "<none>", VU_VK_SHOWN | VU_VK_CAPS, 0},
        {1, ROW1, "Q", VU_VK_SHOWN | VU_VK_CAPS, 0},
        {0, ROW0, "1", VU_VK_SHOWN | VU_VK_CAPS, 0},
        {SHIFT, ROW2, "<none>", VU_VK_SHOWN | VU_VK_CAPS | VU_VK_SHIFT, 0},
        {0, ROW0, "!", VU_VK_SHOWN | VU_VK_CAPS | VU_VK_SHIFT, 0}, // shift wins over caps lock
        {NEXT, ROW2, "<none>", VU_VK_SHOWN | VU_VK_CAPS, 1},         // shift off, caps lock stays
        {1, ROW1, "K", VU_VK_SHOWN | VU_VK_CAPS, 1},
        {CAPS, ROW2, "<none>", VU_VK_SHOWN, 1},
        {1, ROW1, "k", VU_VK_SHOWN, 1},
        {NEXT, ROW2, "<none>", VU_VK_SHOWN, 0}, // after the last layout, the first
        {SHIFT, ROW2, "<none>", VU_VK_SHOWN | VU_VK_SHIFT, 0},
        {SHIFT, ROW2, "<none>", VU_VK_SHOWN, 0},
        {HIDE, ROW2, "<none>", 0, 0},
        {1, ROW1, "", 0, 0}, // hidden: taps are not its own
    };
    for (const Step& s : steps) {
        EXPECT_EQ(press(s.x, s.y), s.result) << s.x << "," << s.y;
        EXPECT_EQ(kb->GetKbState(), s.state) << s.x << "," << s.y;
        EXPECT_EQ(kb->GetLayoutIndex(), s.layout) << s.x << "," << s.y;
    }
}

TEST_F(Keyboard, OnlyATapPressesAKey)
{
    struct Case {
        const char* what;
        uint8_t phase, gesture;
        int result;
        bool touchPoint;
    } cases[] = {
        {"down: the key lights", VU_PHASE_DOWN, 0, 2, true},
        {"held: the key lights", VU_PHASE_MOVE, 0, 2, true},
        {"release without a tap", VU_PHASE_UP, 0, 2, false},
        {"release after a swipe", VU_PHASE_UP, VU_GESTURE_TAP | VU_GESTURE_UP, 2, false},
        {"swipe", VU_PHASE_MOVE, VU_GESTURE_LEFT, 2, false},
        {"no touch", VU_PHASE_NONE, 0, 0, false},
    };
    for (const Case& c : cases) {
        vuEvent e = touch(c.phase, 1, ROW1, c.gesture);
        EXPECT_EQ(kb->HandleEvent(&e), c.result) << c.what;
        EXPECT_EQ(e.vkChar, 0) << c.what;
        EXPECT_EQ(e.handled, c.result ? 1 : 0) << c.what;
        EXPECT_EQ(kb->GetTouchX() >= 0, c.touchPoint) << c.what;
    }
}

TEST_F(Keyboard, KeypadKeyHidesAndTheNextActivationStartsAfresh)
{
    press(CAPS, ROW2);
    press(SHIFT, ROW2);
    press(NEXT, ROW2);
    ASSERT_EQ(kb->GetLayoutIndex(), 1);
    vuEvent e = key('5');
    EXPECT_EQ(kb->HandleEvent(&e), 0);
    EXPECT_EQ(e.handled, 0) << "the key goes on to the form";
    EXPECT_EQ(kb->IsActive(), 0);
    kb->Activate(nullptr);
    EXPECT_EQ(kb->GetKbState(), VU_VK_SHOWN);
    EXPECT_EQ(kb->GetLayoutIndex(), 0);
}

TEST_F(Keyboard, PlacedAwayFromTheField)
{
    vuForm form; // full screen: client area from (1, 1)
    auto* low = new vuInput(10, 100, 100, 20, 8, 0);
    auto* edge = new vuInput(10, 99, 100, 20, 8, 0);
    auto* high = new vuInput(10, 98, 100, 20, 8, 0);
    form.Add(low);
    form.Add(edge);
    form.Add(high);
    struct Case {
        vuWidget* field;
        bool top;
    } cases[] = {{low, true}, {edge, true}, {high, false}, {nullptr, false}};
    // Screen tops 101, 100 and 99 against the keyboard's top edge at 100.
    for (const Case& c : cases) {
        kb->Activate(c.field);
        EXPECT_EQ(kb->IsOption(VU_VK_TOP), c.top ? 1 : 0);
        EXPECT_EQ(kb->GetCorrectionY(), c.top ? 0 : SH - 60);
    }
    kb->Activate(low);
    EXPECT_EQ(press(1, 30), "q") << "the rows follow the keyboard to the top";
    kb->Activate(high);
    EXPECT_EQ(press(1, 30), "");
}

TEST_F(Keyboard, DrawsKeysLabelsAndHighlights)
{
    kb->SetColors(FRONT, BACK);
    kb->SetActiveColor(AFRONT, ABACK);
    kb->SetOption(VU_VK_FILL_KEYS);
    clearScreen();
    ASSERT_EQ(kb->Draw(fb()), 0);
    // Key '2' spans x 24..47 of row 0 (y 100..119): frame one pixel inside.
    EXPECT_EQ(at(25, 101), FRONT);
    EXPECT_EQ(at(46, 118), FRONT);
    EXPECT_EQ(at(30, 104), BACK) << "filled";
    EXPECT_EQ(at(24, 100), static_cast<uint16_t>((SENTINEL >> 1) & 0x7BEF)) << "the gap is darkened";
    EXPECT_EQ(at(5, 99), SENTINEL) << "nothing above the keyboard";
    EXPECT_EQ(charAt(24 + 8, 106, FRONT), '2') << "label centred in its key";
    EXPECT_EQ(textAt(1 + 13, 126, 1, FRONT), "q");
    EXPECT_EQ(textAt(NEXT - 5, 146, 2, FRONT), "ab") << "next key shows the layout's name";
    int ink = 0;
    for (int y = 142; y < 158; ++y)
        for (int x = 135; x < 157; ++x)
            ink += at(x, y) == FRONT;
    EXPECT_GT(ink, 0) << "backspace image";
    ink = 0;
    for (int y = 142; y < 158; ++y)
        for (int x = 58; x < 130; ++x)
            ink += at(x, y) == FRONT;
    EXPECT_EQ(ink, 0) << "the space key is an empty frame";

    // A finger on 'w' and shift on: both drawn in the active colours.
    press(SHIFT, ROW2);
    vuEvent e = touch(VU_PHASE_DOWN, 50, ROW1);
    kb->HandleEvent(&e);
    clearScreen();
    ASSERT_EQ(kb->Draw(fb()), 0);
    EXPECT_EQ(at(36, 121), AFRONT) << "touched key";
    EXPECT_EQ(at(40, 124), ABACK);
    EXPECT_EQ(at(30, 141), AFRONT) << "shift key while shift is on";
    EXPECT_EQ(at(2 + 3, 121), FRONT) << "other keys as before";
    EXPECT_EQ(charAt(24 + 8, 106, FRONT), '@') << "shift texts";

    kb->Reset();
    clearScreen();
    EXPECT_EQ(kb->Draw(fb()), -5) << "hidden";
    EXPECT_EQ(at(30, 141), SENTINEL);
}

TEST_F(Keyboard, KeyImages)
{
    vuImage* mine = vuImage::CreateMemIcon(VU_MEMICON_DOT);
    kb->SetImage(2, mine);
    EXPECT_EQ(kb->GetImage(2), nullptr) << "not a key with an image";
    vuImage::Destroy(mine); // still ours
    kb->SetImage(8, nullptr);
    EXPECT_EQ(kb->GetImage(8), nullptr);
    kb->SetColors(FRONT, BACK);
    clearScreen();
    ASSERT_EQ(kb->Draw(fb()), 0);
    int ink = 0;
    for (int y = 142; y < 158; ++y)
        for (int x = 135; x < 157; ++x)
            ink += at(x, y) == FRONT;
    EXPECT_EQ(ink, 0) << "backspace without its image";
    vuImage* dot = vuImage::CreateMemIcon(VU_MEMICON_DOT);
    kb->SetImage(13, dot);
    EXPECT_EQ(kb->GetImage(13), dot);
    clearScreen();
    ASSERT_EQ(kb->Draw(fb()), 0);
    // Enter spans x 159..184 of row 2 (y 140..159): the dot at (171, 149).
    EXPECT_EQ(at(159 + 12, 140 + 9), FRONT) << "the 2 x 2 dot centred in the enter key";
    EXPECT_EQ(at(159 + 13, 140 + 10), FRONT);
}

namespace {

// Scripted touches for the modal loop: each tap goes down on one pass and
// up on the next; after the last one the keypad's Enter closes the form.
struct Script {
    int touchFd = -1, keypadFd = -1;
    std::vector<std::pair<int, int>> taps;
    size_t next = 0;
};
Script g_script;

void sendRecord(int fd, uint16_t type, uint16_t code, int32_t value)
{
    vuInputRecord rec{0, 0, type, code, value};
    if (write(fd, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
        ADD_FAILURE() << "input record not written";
}

void fingerDown(int x, int y)
{
    sendRecord(g_script.touchFd, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
    sendRecord(g_script.touchFd, vuInputRecord::Absolute, vuInputRecord::AxisX, x);
    sendRecord(g_script.touchFd, vuInputRecord::Absolute, vuInputRecord::AxisY, y);
    sendRecord(g_script.touchFd, vuInputRecord::Sync, 0, 0);
}

int runScript(vuEvent* e, intptr_t)
{
    if (e->phase == VU_PHASE_DOWN) {
        sendRecord(g_script.touchFd, vuInputRecord::Key, vuInputRecord::TouchButton, 0);
    } else if (e->phase == VU_PHASE_UP) {
        if (g_script.next < g_script.taps.size()) {
            fingerDown(g_script.taps[g_script.next].first, g_script.taps[g_script.next].second);
            ++g_script.next;
        } else {
            sendRecord(g_script.keypadFd, vuInputRecord::Key, 28, 1); // Enter
            sendRecord(g_script.keypadFd, vuInputRecord::Key, 28, 0);
        }
    }
    return 0;
}

} // namespace

class KeyboardLoop : public W3Test {};

TEST_F(KeyboardLoop, TapsTypeIntoTheFocusedFieldAndEnterMovesOn)
{
    vuForm* form = new vuForm;
    auto* first = new vuInput(10, 10, 100, 20, 8, 0);
    auto* second = new vuInput(10, 40, 100, 20, 8, 0);
    form->Add(first);
    form->Add(second);
    auto* keyboard = new vuVirtualKeyboard;
    keyboard->AddItem(latin());
    form->SetVirtualKeyboard(keyboard);
    ASSERT_GE(ui->Add(form), 0);
    form->Reset();

    g_script = Script();
    g_script.touchFd = touchpad;
    g_script.keypadFd = keypad;
    // Caps lock, q, caps lock off, w, space, e, backspace; enter (the field
    // posts the form's next code); a tap on nothing while the keyboard moves
    // to the next field; r.
    g_script.taps = {{CAPS, ROW2}, {1, ROW1},      {CAPS, ROW2},  {40, ROW1}, {SPACE, ROW2},
                     {80, ROW1},   {BACKSPACE, ROW2}, {ENTER, ROW2}, {200, 10}, {120, ROW1}};
    fingerDown(g_script.taps[0].first, g_script.taps[0].second);
    g_script.next = 1;
    EXPECT_EQ(ui->Show(form, runScript), 1);
    EXPECT_STREQ(first->GetValue(), "Qw ");
    EXPECT_STREQ(second->GetValue(), "r");
    EXPECT_EQ(form->GetFocused(), second);
    EXPECT_EQ(keyboard->IsActive(), 0) << "the keypad's Enter hid it";
    ui->Del(form);
}

TEST_F(KeyboardLoop, RendersToAPicture)
{
    ASSERT_EQ(ui->FreeFont(1), 0); // the built-in font again
    vuForm* form = new vuForm("Адрес", nullptr);
    auto* name = new vuInput(10, 10, 150, 24, 16, 0x4);
    auto* amount = new vuInput(10, 44, 150, 24, 10, 1);
    amount->SetRadix(2);
    form->Add(name);
    form->Add(amount);
    auto* keyboard = new vuVirtualKeyboard;
    keyboard->SetOption(VU_VK_FILL_KEYS);
    auto* layout = new vuVirtualKeyboardItem(1, "ab");
    layout->AddRow("1234567890", "1234567890", "!@#$%^&*()");
    layout->AddRow("qwertyu", "QWERTYU", "QWERTYU");
    layout->AddRow(kControls, kControls, kControls);
    keyboard->AddItem(layout);
    form->SetVirtualKeyboard(keyboard);
    keyboard->SetParent(fb());
    ASSERT_GE(ui->Add(form), 0);
    form->Reset();
    amount->SetValue("12345");
    vuEvent e = key('2');
    name->HandleEvent(&e);
    keyboard->Activate(name);
    vuEvent s = tap(SHIFT, ROW2);
    keyboard->HandleEvent(&s);
    ASSERT_EQ(ui->View(form), 0);
    ASSERT_EQ(keyboard->Draw(fb()), 0);
    EXPECT_EQ(at(30, 141), 0xFFE0) << "shift key lit in the default active colour";
    std::string out = "/tmp/vu_widgets3_keyboard.png";
    ASSERT_TRUE(writePng(out, fb()->GetFrameBuffer(), SW, SH));
    fprintf(stderr, "keyboard saved to %s\n", out.c_str());
    ui->Del(form);
}
