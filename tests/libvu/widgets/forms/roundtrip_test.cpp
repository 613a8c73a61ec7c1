// Round trips through the modal loop in the caller's thread: keys and taps
// from the stand-in keypad and touch panel reach the form's widgets, and the
// form ends with the state the application reads. Also renders a message box
// to a PNG for a person to look at.
#include <gtest/gtest.h>

#include <string>

#include "vuButton.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuStatic.h"
#include "ui_fixture.h"

using namespace w1;

namespace {

// Linux key codes of the keypad.
const uint16_t KEY_5 = 6, KEY_ENTER = 28;

struct MessageBox {
    vuChildForm* form;
    vuMultiLine* text;
    vuButton* yes;
    vuButton* no;
};

// A dialog as the cash register shows its questions: a header, a word-wrapped
// read-only text and two buttons that close it with OK and cancel.
MessageBox makeMessageBox(unsigned short textFont, unsigned short buttonFont)
{
    MessageBox m;
    m.form = new vuChildForm(20, 10, 200, 130, "ВНИМАНИЕ", nullptr);
    m.text = new vuMultiLine(4, 4, 190, 64, 1,
                             "Смена превысила 24 часа. Закройте смену, чтобы продолжить работу с кассой.");
    m.text->SetFont(textFont);
    m.yes = new vuButton(20, 76, 70, 24, "Да", nullptr, 13);
    m.no = new vuButton(108, 76, 70, 24, "Нет", nullptr, 27);
    m.yes->SetFont(buttonFont);
    m.no->SetFont(buttonFont);
    m.form->Add(m.text);
    m.form->Add(m.yes);
    m.form->Add(m.no);
    return m;
}

} // namespace

class RoundTrip : public UiTest {};

TEST_F(RoundTrip, MessageBoxRendersToAPicture)
{
    ASSERT_EQ(ui->FreeFont(1), 0); // the built-in 12 x 16 font again
    MessageBox m = makeMessageBox(0, 1);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    ASSERT_EQ(ui->View(m.form), 0);

    // Header band in the header colours, the body filled, the buttons raised.
    unsigned short headerBack = m.form->GetBackHeaderColor();
    EXPECT_EQ(at(22, 12), headerBack);
    EXPECT_EQ(at(22, 31), m.form->GetBackColor());
    EXPECT_EQ(at(20 + 1 + 20, 10 + 20 + 76), m.yes->GetFrontColor()) << "bevel of the first button";
    EXPECT_GT(m.text->GetLineCount(), 1) << "the text is wrapped";
    EXPECT_EQ(m.text->GetScrollY().range, 0) << "and fits";

    std::string out = "/tmp/vu_widgets1_message_box.png";
    ASSERT_TRUE(writePng(out, fb()->GetFrameBuffer(), SW, SH));
    fprintf(stderr, "message box saved to %s\n", out.c_str());
}

TEST_F(RoundTrip, EnterClosesWithOk)
{
    MessageBox m = makeMessageBox(6, 6);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    keyTap(KEY_ENTER);
    EXPECT_EQ(ui->Show(m.form), 1);
    EXPECT_EQ(m.form->GetState(), 1);
}

TEST_F(RoundTrip, TapOnTheCancelButton)
{
    MessageBox m = makeMessageBox(6, 6);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    // "Нет" lies at form client (108, 76): on the screen 20 + 1 + 108, 10 + 20 + 76.
    int x = 20 + 1 + 108 + 30, y = 10 + 20 + 76 + 10;
    touchDown(x, y);
    liftPanel() = touchpad;
    int state = ui->Show(m.form, releaseAfterDown);
    liftPanel() = -1;
    EXPECT_EQ(state, -1);
    EXPECT_EQ(m.form->GetState(), -1);
    EXPECT_EQ(m.no->IsSelect(), 0) << "released";
}

TEST_F(RoundTrip, AcceleratorPostsTheButtonCodeToTheForm)
{
    MessageBox m = makeMessageBox(6, 6);
    auto* extra = new vuButton(4, 104, 40, 20, "5", nullptr, '9');
    extra->SetAccelCode('5');
    m.form->Add(extra);
    m.form->SetCloseControlCode(3, '9'); // the posted code arrives as a key
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    keyTap(KEY_5);
    EXPECT_EQ(ui->Show(m.form), 23);
}

TEST_F(RoundTrip, OkButtonThatOnlyPostsItsCode)
{
    MessageBox m = makeMessageBox(6, 6);
    m.yes->SetOption(0x1); // answers 2; the posted 13 closes the form later
    m.yes->SetAccelCode('5');
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    keyTap(KEY_5);
    EXPECT_EQ(ui->Show(m.form), 1);
}

TEST_F(RoundTrip, TimeOutEndsAnUntouchedForm)
{
    MessageBox m = makeMessageBox(6, 6);
    m.form->SetTimeOut(3000);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    uint32_t start = OsGetTickCount();
    EXPECT_EQ(ui->Show(m.form), 10);
    uint32_t took = OsGetTickCount() - start;
    EXPECT_GT(took, 3000u);
    EXPECT_LT(took, 3300u);
}

TEST_F(RoundTrip, FullScreenFormTakesTheClientArea)
{
    vuForm plain;
    EXPECT_EQ(plain.GetWidth(), SW);
    EXPECT_EQ(plain.GetHeight(), SH);
    EXPECT_EQ(plain.GetClientWidth(), SW - 2);
    EXPECT_EQ(plain.GetClientHeight(), SH - 2);

    vuForm titled("Заголовок", nullptr);
    EXPECT_EQ(titled.GetClientHeight(), SH - 20 - 1);
    titled.SetHeaderHeight(30);
    EXPECT_EQ(titled.GetClientHeight(), SH - 30 - 1);
    titled.SetHeaderHeight(SH);
    EXPECT_EQ(titled.GetHeaderHeight(), 30);

    // A widget at the client origin lands right under the header.
    auto* w = new vuWidget(0, 0, 10, 10);
    w->SetPassiveColor(FRONT, BACK);
    titled.Add(w);
    ASSERT_EQ(ui->Register(&titled), 0); // parent without ownership
    ASSERT_EQ(titled.Draw(fb()), 0);
    Box b = box(BACK);
    EXPECT_EQ(b.x0, 1);
    EXPECT_EQ(b.y0, 30);
    EXPECT_EQ(b.w(), 10);
}

// The application's way: the toolkit's own UI thread runs the modal loop
// while the application waits for its end.
class ThreadRoundTrip : public UiTest {
protected:
    uint16_t uiOptions() override { return 0; }
};

TEST_F(ThreadRoundTrip, MessageBoxAnsweredFromTheKeypad)
{
    MessageBox m = makeMessageBox(6, 6);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    ASSERT_EQ(ui->Show(m.form), 0);
    keyTap(KEY_ENTER); // after Show: the idle loop would have eaten it
    EXPECT_EQ(ui->WaitEndModal(), 0);
    EXPECT_EQ(m.form->GetState(), 1);
    EXPECT_EQ(ui->Del(m.form), 0);
}

TEST_F(ThreadRoundTrip, MessageBoxAnsweredByATap)
{
    MessageBox m = makeMessageBox(6, 6);
    ASSERT_GE(ui->Add(m.form), 0);
    m.form->Reset();
    liftPanel() = touchpad;
    ASSERT_EQ(ui->Show(m.form, releaseAfterDown), 0);
    int x = 20 + 1 + 108 + 30, y = 10 + 20 + 76 + 10;
    touchDown(x, y);
    EXPECT_EQ(ui->WaitEndModal(), 0);
    liftPanel() = -1;
    EXPECT_EQ(m.form->GetState(), -1);
    EXPECT_EQ(ui->Del(m.form), 0);
}
