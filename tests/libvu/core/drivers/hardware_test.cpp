// Start and stop of the devices by the UI singleton (caller-thread mode, on
// the stand-in devices of a temporary terminal root).
#include <gtest/gtest.h>

#include "terminal_fixture.h"
#include "vuKeyboard.h"
#include "vuPaxProlinFrameBuffer.h"
#include "vuTouchPad.h"
#include "vuUI.h"

namespace {

class Hardware : public TerminalRoot {
protected:
    void TearDown() override
    {
        vuUI::Done();
        TerminalRoot::TearDown();
    }
};

TEST_F(Hardware, StartOpensScreenKeypadAndPanelAndDoneClosesThem)
{
    makeScreen(240, 320);
    ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", "90"), 0);
    vuUI *ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(vuUI::GetLastError(), 0);
    EXPECT_EQ(vuUI::GetWidth(), 320);
    EXPECT_EQ(vuUI::GetHeight(), 240);
    EXPECT_EQ(ui->blockKbMask, 0x6000u);
    EXPECT_EQ(ui->keyMask, 0u);
    EXPECT_GE(vuPaxProlinFrameBuffer::display, 0);
    EXPECT_NE(vuPaxProlinFrameBuffer::screenMem, nullptr);
    EXPECT_NE(vuKeyboard::handle, nullptr);
    EXPECT_EQ(vuTouchPad::IsPresent(), 1);

    vuUI::Done();
    EXPECT_EQ(vuPaxProlinFrameBuffer::display, -1);
    EXPECT_EQ(vuPaxProlinFrameBuffer::screenMem, nullptr);
    EXPECT_EQ(vuKeyboard::handle, nullptr);
    EXPECT_EQ(vuTouchPad::handle, nullptr);
    EXPECT_EQ(vuTouchPad::IsPresent(), 0);
}

TEST_F(Hardware, ScreenOfAnotherDepthIsRefusedButInputStillStarts)
{
    makeScreen(240, 320, 32);
    vuUI::Init(VU_UI_CALLER_THREAD);
    EXPECT_EQ(vuUI::GetLastError(), -11);
    EXPECT_EQ(vuPaxProlinFrameBuffer::screenMem, nullptr);
    EXPECT_EQ(vuPaxProlinFrameBuffer::display, -1);
    EXPECT_NE(vuKeyboard::handle, nullptr);
    EXPECT_EQ(vuTouchPad::IsPresent(), 1);
}

TEST_F(Hardware, KeysPressedBeforeTheStartAreLost)
{
    makeScreen(240, 320);
    int kp = writer("/dev/keypad");
    tap(kp, 2);
    ASSERT_NE(vuUI::Init(VU_UI_CALLER_THREAD), nullptr);
    EXPECT_EQ(vuKeyboard::GetKey(), 0);
    tap(kp, 3);
    EXPECT_EQ(vuKeyboard::GetKey(), '2');
}

TEST_F(Hardware, StartingAgainReleasesWhatWasOpen)
{
    makeScreen(240, 320);
    vuUI *ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    const int fds = openDescriptors();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ui->Start(), 0);
        EXPECT_EQ(openDescriptors(), fds) << "start " << i;
    }
    EXPECT_EQ(ui->Stop(), 0);
    EXPECT_EQ(vuPaxProlinFrameBuffer::display, -1);
    EXPECT_EQ(vuKeyboard::handle, nullptr);
    EXPECT_EQ(openDescriptors(), fds - 3) << "screen, keypad and panel closed";
    EXPECT_EQ(ui->Start(), 0);
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_EQ(vuUI::GetWidth(), 240);
}

} // namespace
