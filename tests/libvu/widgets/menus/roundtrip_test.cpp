// Menus in the UI's modal loop (caller-thread mode): keys from the stand-in
// keypad and taps from the touch panel move and choose, and a chosen item's
// key char comes back to the menu as the next key.
#include <gtest/gtest.h>

#include "menu_fixture.h"

using namespace w2;

namespace {

// Linux key codes of the keypad.
const uint16_t KEY_3 = 4, KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108;

} // namespace

class MenuRoundTrip : public MenuTest {
protected:
    vuMenu* shown(unsigned short options)
    {
        vuMenu* m = new vuMenu("Меню", nullptr, VU_MENU_LIST);
        m->SetOption(options);
        m->SetTimeOut(5000); // a test that goes wrong ends with 10
        for (const char* t : {"Продажа", "Возврат", "Отчеты", "Настройки"})
            m->AddItem(t, nullptr, 0, 1);
        EXPECT_GE(ui->Add(m), 0);
        m->Reset();
        m->ResetTime();
        return m;
    }
};

TEST_F(MenuRoundTrip, KeysMoveAndEnterChooses)
{
    vuMenu* m = shown(VU_FO_CANCEL);
    keyTap(KEY_DOWN);
    keyTap(KEY_DOWN);
    keyTap(KEY_ENTER);
    EXPECT_EQ(ui->Show(m), 1);
    EXPECT_EQ(m->GetSelected(), 3);
    EXPECT_STREQ(m->GetSelectedObject()->GetText(), "Отчеты");
}

TEST_F(MenuRoundTrip, EscCancels)
{
    vuMenu* m = shown(VU_FO_CANCEL);
    keyTap(KEY_DOWN);
    keyTap(KEY_CANCEL);
    EXPECT_EQ(ui->Show(m), -1);
    EXPECT_EQ(m->GetSelected(), 2);
}

TEST_F(MenuRoundTrip, DigitChoosesAtOnce)
{
    vuMenu* m = shown(VU_MO_DIGITS);
    keyTap(KEY_3);
    EXPECT_EQ(ui->Show(m), 1);
    EXPECT_EQ(m->GetSelected(), 3);
}

TEST_F(MenuRoundTrip, TapChooses)
{
    vuMenu* m = shown(0);
    // Rows of 16 + 6 under the 20-pixel header: the second row.
    touchDown(60, 20 + 24 + 10);
    liftPanel() = touchpad;
    int state = ui->Show(m, releaseAfterDown);
    liftPanel() = -1;
    EXPECT_EQ(state, 1);
    EXPECT_EQ(m->GetSelected(), 2);
}

TEST_F(MenuRoundTrip, KeyCharComesBackAsTheNextKey)
{
    vuMenu* m = shown(0);
    MENU_ITEM_EXT rec{};
    rec.text = "Выход";
    rec.keyChar = 'X';
    m->AddItemExt(&rec, nullptr, 1);
    m->SetCloseControlCode(4, 'X');
    m->Reset();
    for (int i = 0; i < 4; ++i)
        keyTap(KEY_DOWN);
    keyTap(KEY_ENTER);
    EXPECT_EQ(ui->Show(m), 24) << "the posted char closed the menu with its close code";
    EXPECT_EQ(m->GetSelected(), 5);
}
