// Menus in the UI's modal loop (caller-thread mode): keys from the stand-in
// keypad and taps from the touch panel move and choose, and a chosen item's
// key char comes back to the menu as the next key.
#include <gtest/gtest.h>

#include "menu_fixture.h"

using namespace w2;

namespace {

// Linux key codes of the keypad.
const uint16_t KEY_3 = 4, KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108;

// The touch panel to lift the finger on once the loop saw it go down.
int g_touchFd = -1;
int releaseAfterDown(vuEvent* e, intptr_t)
{
    if (e->phase == VU_PHASE_DOWN && g_touchFd >= 0) {
        vuInputRecord rec{0, 0, vuInputRecord::Key, vuInputRecord::TouchButton, 0};
        if (write(g_touchFd, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
            return -1;
    }
    return 0;
}

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
    send(touchpad, vuInputRecord::Key, vuInputRecord::TouchButton, 1);
    send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisX, 60);
    send(touchpad, vuInputRecord::Absolute, vuInputRecord::AxisY, 20 + 24 + 10);
    send(touchpad, vuInputRecord::Sync, 0, 0);
    g_touchFd = touchpad;
    int state = ui->Show(m, releaseAfterDown);
    g_touchFd = -1;
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
