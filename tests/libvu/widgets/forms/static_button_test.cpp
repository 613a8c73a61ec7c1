// Labels and buttons: content layout, the bevel, press/slide/release,
// accelerators, the form-ending codes and the slave widget.
#include <gtest/gtest.h>

#include <string.h>
#include <vector>

#include "vuButton.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuMultiLine.h"
#include "vuStatic.h"
#include "test_events.h"
#include "widget_fixture.h"

using namespace w1;

class LabelDraw : public DrawTest {};

TEST_F(LabelDraw, LayoutOfTextAndImage)
{
    // Block font: 4 x 6 cells; picture 8 x 4 in HFRONT.
    struct Case {
        const char* what;
        unsigned char justify;
        const char* text;
        bool image;
        Box textBox, imageBox;
    } cases[] = {
        {"centred text", 0, "ab", false, {56, 17, 63, 22}, {1, 1, 0, 0}},
        {"left top", 1 | 4, "ab", false, {10, 10, 17, 15}, {1, 1, 0, 0}},
        {"right bottom", 2 | 8, "ab", false, {102, 24, 109, 29}, {1, 1, 0, 0}},
        {"image left of text, centred", 0, "ab", true, {60, 17, 67, 22}, {52, 18, 59, 21}},
        {"stacked under top", 4, "abcdefghij", true, {40, 14, 79, 19}, {56, 10, 63, 13}},
        {"stacked at the bottom", 8, "ab", true, {56, 24, 63, 29}, {56, 20, 63, 23}},
        {"image alone right", 2, nullptr, true, {1, 1, 0, 0}, {102, 18, 109, 21}},
    };
    for (const Case& c : cases) {
        canvas.clear();
        vuStatic label(10, 10, 100, 20, c.text, c.image ? b16(8, 4, HFRONT) : nullptr);
        label.SetPassiveColor(FRONT, BACK);
        label.SetJustify(c.justify);
        EXPECT_EQ(label.Draw(fb()), 0) << c.what;
        Box t = canvas.box(FRONT), i = canvas.box(HFRONT);
        EXPECT_EQ(t.empty() ? "" : ::testing::PrintToString(t),
                  c.textBox.empty() ? "" : ::testing::PrintToString(c.textBox))
            << c.what;
        EXPECT_EQ(i.empty() ? "" : ::testing::PrintToString(i),
                  c.imageBox.empty() ? "" : ::testing::PrintToString(c.imageBox))
            << c.what;
        EXPECT_EQ(canvas.count(BACK), 0) << "labels are transparent";
    }
}

TEST_F(LabelDraw, WideCentredTextIsCutToTheLabel)
{
    vuStatic label(10, 10, 20, 10, "abcdefgh", nullptr); // 32 pixels in 20
    label.SetPassiveColor(FRONT, BACK);
    label.SetTransparency(0);
    ASSERT_EQ(label.Draw(fb()), 0);
    Box t = canvas.box(FRONT);
    EXPECT_EQ(t.x0, 10);
    EXPECT_EQ(t.x1, 29);
    EXPECT_TRUE(canvas.untouchedOutside(10, 10, 20, 10));
}

TEST_F(LabelDraw, EmptyFontSlotDrawsOnlyTheImage)
{
    vuStatic label(10, 10, 40, 10, "text", b16(2, 2, HFRONT));
    label.SetPassiveColor(FRONT, BACK);
    label.SetFont(9);
    EXPECT_EQ(label.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(FRONT), 0);
    EXPECT_EQ(canvas.count(HFRONT), 4);
}

TEST(LabelText, SetTextRules)
{
    vuStatic label(0, 0, 10, 10, "", nullptr);
    ASSERT_NE(label.GetText(), nullptr);
    EXPECT_STREQ(label.GetText(), "") << "an empty text is copied";
    label.SetText("one");
    label.SetText(nullptr);
    EXPECT_STREQ(label.GetText(), "one") << "null keeps the text";
    label.SetText(label.GetText());
    EXPECT_STREQ(label.GetText(), "one");
    EXPECT_EQ(label.GetType(), VU_TYPE_STATIC);
    EXPECT_EQ(label.GetFlags(), 0x10);
    EXPECT_EQ(label.GetFontIndex(), 1);

    vuButton button(0, 0, 10, 10, "", nullptr, 13);
    EXPECT_EQ(button.GetText(), nullptr) << "an empty caption is no caption";
    button.SetText("ok");
    button.SetText(button.GetText());
    EXPECT_STREQ(button.GetText(), "ok");
    button.SetText(nullptr);
    EXPECT_EQ(button.GetText(), nullptr) << "null removes the caption";
    EXPECT_EQ(button.GetType(), VU_TYPE_BUTTON);
    EXPECT_EQ(button.GetFlags(), 0x1);
    EXPECT_EQ(button.SetOption(0x2), 0x2);
    EXPECT_EQ(button.SetOption(0x1), 0x3);
    EXPECT_EQ(button.ClearOption(0x2), 0x1);
}

class ButtonDraw : public DrawTest {
protected:
    void colours(vuButton& b)
    {
        b.SetPassiveColor(FRONT, BACK);
        b.SetActiveColor(AFRONT, ABACK);
    }
};

TEST_F(ButtonDraw, RaisedBevel)
{
    vuButton b(10, 10, 12, 8, nullptr, nullptr, 13);
    colours(b);
    ASSERT_EQ(b.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(10, 9, 22), ".FFFFFFFFFFFB.");
    EXPECT_EQ(canvas.row(11, 9, 22), ".FFFFFFFFFFBB.");
    EXPECT_EQ(canvas.row(13, 9, 22), ".FFFBBBBBBFBB.") << "inner border in the passive front colour";
    EXPECT_EQ(canvas.row(16, 9, 22), ".FBBBBBBBBBFB.");
    EXPECT_EQ(canvas.row(17, 9, 22), ".BBBBBBBBBBBF.");
    EXPECT_EQ(canvas.row(18, 9, 22), "..............");
}

TEST_F(ButtonDraw, PressedBevelUsesTheActiveLook)
{
    vuButton b(10, 10, 12, 8, nullptr, nullptr, 13);
    colours(b);
    b.Select();
    ASSERT_EQ(b.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(10, 9, 22), ".ffffffffffff.");
    EXPECT_EQ(canvas.row(13, 9, 22), ".ffFbbbbbbFff.");
    EXPECT_EQ(canvas.row(16, 9, 22), ".ffffffffffbf.");
    EXPECT_EQ(canvas.row(17, 9, 22), ".fffffffffffb.");
}

TEST_F(ButtonDraw, BackImagesReplaceTheBevel)
{
    vuButton b(10, 10, 12, 8, nullptr, nullptr, 13);
    colours(b);
    b.SetPassiveBackImage(b16(12, 8, HBACK));
    ASSERT_EQ(b.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(FRONT), 0) << "no bevel over a passive back image";
    EXPECT_EQ(canvas.count(HBACK), 96);

    b.Select(); // pressed, and no active back image: the pressed bevel
    ASSERT_EQ(b.Draw(fb()), 0);
    EXPECT_EQ(canvas.row(17, 9, 22), ".fffffffffffb.");
}

TEST_F(ButtonDraw, CaptionInsideTheBevel)
{
    vuButton b(10, 10, 30, 14, "ok", nullptr, 13);
    colours(b);
    b.SetOption(0x2); // no bevel: only the caption in the passive front colour
    ASSERT_EQ(b.Draw(fb()), 0);
    // Area (12, 12, 26, 10); "ok" is 8 x 6, centred: (12 + 9, 12 + 2).
    Box t = canvas.box(FRONT);
    EXPECT_EQ(::testing::PrintToString(t), ::testing::PrintToString(Box{21, 14, 28, 19}));
    b.Select();
    ASSERT_EQ(b.Draw(fb()), 0);
    EXPECT_EQ(::testing::PrintToString(canvas.box(AFRONT)), ::testing::PrintToString(Box{21, 14, 28, 19}));
}

namespace {

// A button inside a form with no border (its client area starts at the
// form's corner, so widget and screen coordinates agree).
struct ButtonInForm {
    ButtonInForm(unsigned char code = 13) : form(0, 0, 100, 60)
    {
        form.SetOption(0x10);
        form.UpdateCoordinates();
        button = new vuButton(10, 10, 20, 10, "b", nullptr, code);
        form.Add(button);
    }
    vuChildForm form;
    vuButton* button;
};

} // namespace

TEST(ButtonEvents, PressSlideAndRelease)
{
    struct Step {
        unsigned char phase;
        int x, y;
        int result;
        bool selected, handled;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"tap", {{1, 12, 12, 2, true, true}, {3, 12, 12, 1, false, true}}},
        {"slide out and release outside",
         {{1, 12, 12, 2, true, true}, {2, 50, 50, 2, false, false}, {3, 50, 50, 0, false, false}}},
        {"slide in and release inside", {{1, 50, 50, 0, false, false}, {2, 15, 15, 2, true, true}, {3, 15, 15, 1, false, true}}},
        {"held inside", {{1, 12, 12, 2, true, true}, {2, 13, 13, 0, true, false}}},
        {"release outside while pressed", {{1, 29, 19, 2, true, true}, {3, 30, 19, 2, false, false}}},
    };
    for (const Case& c : cases) {
        ButtonInForm f;
        for (const Step& s : c.steps) {
            vuEvent e = touch(s.phase, s.x, s.y);
            EXPECT_EQ(f.button->HandleEvent(&e), s.result) << c.what << " phase " << int(s.phase);
            EXPECT_EQ(f.button->IsSelect() != 0, s.selected) << c.what << " phase " << int(s.phase);
            EXPECT_EQ(e.handled != 0, s.handled) << c.what << " phase " << int(s.phase);
        }
    }
}

TEST(ButtonEvents, ClickResultByCodeAndOption)
{
    struct Case {
        unsigned char code;
        unsigned short options;
        int result;
    } cases[] = {{13, 0, 1}, {27, 0, -1}, {13, 1, 2}, {27, 1, 2}, {'5', 0, 2}, {0, 0, 2}};
    for (const Case& c : cases) {
        ButtonInForm f(c.code);
        f.button->SetOption(c.options);
        vuEvent down = touch(1, 12, 12), up = touch(3, 12, 12);
        f.button->HandleEvent(&down);
        EXPECT_EQ(f.button->HandleEvent(&up), c.result) << int(c.code) << "/" << c.options;
        // The form ends with the same answer on such a tap.
        vuEvent down2 = touch(1, 12, 12), up2 = touch(3, 12, 12);
        f.form.HandleEvent(&down2);
        EXPECT_EQ(f.form.HandleEvent(&up2), c.result);
    }
}

TEST(ButtonEvents, AcceleratorClicksUnlessHiddenOrTaken)
{
    ButtonInForm f(27);
    f.button->SetAccelCode('7');
    vuEvent other = key('8');
    EXPECT_EQ(f.button->HandleEvent(&other), 0);
    vuEvent k = key('7');
    EXPECT_EQ(f.button->HandleEvent(&k), -1);
    EXPECT_EQ(k.handled, 1);

    vuEvent taken = key('7');
    taken.handled = 1;
    EXPECT_EQ(f.button->HandleEvent(&taken), 0);

    f.button->SetVisible(0);
    vuEvent hidden = key('7');
    EXPECT_EQ(f.button->HandleEvent(&hidden), 0);
    EXPECT_EQ(f.form.HandleEvent(&hidden), 0);
}

TEST(ButtonEvents, SlaveWidgetTakesTheValueByKind)
{
    vuChildForm form(0, 0, 100, 60);
    auto* label = new vuStatic(0, 0, 10, 10, "old", nullptr);
    auto* other = new vuButton(0, 0, 10, 10, "other", nullptr, 1);
    auto* text = new vuMultiLine(0, 0, 40, 40, 1, "old");
    auto* b = new vuButton(10, 10, 20, 10, "b", nullptr, '1');
    form.Add(label);
    form.Add(other);
    form.Add(text);
    form.Add(b);

    b->SetSlaveWidget(label);
    b->setWidgetValue(); // no value yet: nothing
    EXPECT_STREQ(label->GetText(), "old");
    b->SetSlaveValue("new");
    b->SetAccelCode('1');
    vuEvent k = key('1');
    EXPECT_EQ(b->HandleEvent(&k), 2);
    EXPECT_STREQ(label->GetText(), "new");

    b->SetSlaveWidget(other);
    b->setWidgetValue();
    EXPECT_STREQ(other->GetText(), "other") << "a button is no slave";

    b->SetSlaveWidget(text);
    b->setWidgetValue();
    EXPECT_STREQ(text->GetValue(), "new");

    b->SetSlaveValue(nullptr);
    b->SetSlaveWidget(label);
    label->SetText("kept");
    b->setWidgetValue();
    EXPECT_STREQ(label->GetText(), "kept");
}
