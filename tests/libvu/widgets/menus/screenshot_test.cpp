// A main menu of eight items with a status line at the bottom, drawn by the
// UI as the cash register shows it and saved to a PNG for a person to look
// at; the test itself checks the places of the parts.
#include <gtest/gtest.h>

#include "menu_fixture.h"
#include "vuBatLevel.h"
#include "vuClock.h"
#include "vuNetLevel.h"
#include "vuStatusLine.h"
#include "vuTextObject.h"

using namespace w2;

namespace {

unsigned short batteryLevel(intptr_t) { return 70 | 0x2000; }
unsigned short networkLevel(intptr_t) { return 60; }

} // namespace

class Screenshot : public MenuTest {};

TEST_F(Screenshot, MainMenuWithStatusLine)
{
    ASSERT_EQ(ui->FreeFont(0), 0); // the built-in 6 x 8 font again
    ASSERT_EQ(ui->FreeFont(1), 0); // and 12 x 16
    ASSERT_EQ(ui->FreeFont(2), 0);

    vuStatusLine* line = new vuStatusLine(14, VU_SL_BOTTOM | VU_SL_FILL);
    line->SetColor(0x2104);
    vuTextObject* app = new vuTextObject(2, 0, 30, 14, "KKT");
    app->SetName("appname");
    app->SetColor(0xFFFF, 0);
    app->SetJustify(0x1);
    line->Add(app);
    vuTextObject* shift = new vuTextObject(34, 0, 84, 14, "СМЕНА ОТКРЫТА");
    shift->SetName("status");
    shift->SetColor(0x07E0, 0);
    line->Add(shift);
    vuTextObject* wait = new vuTextObject(120, 0, 24, 14, "3");
    wait->SetName("wait");
    wait->SetColor(0xFFE0, 0);
    line->Add(wait);
    vuNetLevel* net = new vuNetLevel(172, 1, 20, 12, networkLevel);
    net->SetColor(0xFFFF, 0);
    line->Add(net);
    vuBatLevel* bat = new vuBatLevel(196, 1, 22, 12, batteryLevel);
    bat->SetColor(0x07E0, 0);
    bat->SetAddColors(0xFFFF, 0xF800, 0xFFE0);
    line->Add(bat);
    ASSERT_EQ(ui->SetStatusLine(line), 0);

    vuMenu* menu = new vuMenu("SN: 00012345", nullptr, VU_MENU_LIST);
    menu->SetOption(VU_FO_CANCEL | VU_FO_FILL | VU_MO_ACCEL);
    menu->SetRowDelta(4);
    menu->SetAccelFont(0);
    const char* items[] = {"Продажа", "Возврат продажи", "Открыть смену", "Закрыть смену",
                           "Отчеты", "Обмен с ОФД", "Настройки", "Информация"};
    for (const char* t : items)
        ASSERT_GE(menu->AddItem(t, nullptr, 0, 0), 0);
    ASSERT_GE(ui->Add(menu), 0);
    ASSERT_EQ(ui->View(menu), 0); // the client area follows the status line
    menu->Reset();
    ASSERT_EQ(press(menu, 108), 2);
    ASSERT_EQ(ui->View(menu), 0);

    // The status line's strip and the menu above it.
    EXPECT_EQ(vuUI::GetClientHeight(), SH - 14);
    EXPECT_EQ(at(SW - 2, SH - 1), 0x2104) << "the strip's fill";
    EXPECT_EQ(menu->GetClientHeight(), SH - 14 - 20 - 1);
    // Rows of 4 + 8 and 2 between: eight rows fit in the client area.
    EXPECT_EQ(menu->GetRow(), 12);
    EXPECT_EQ(menu->GetScroll().range, 0);
    EXPECT_EQ(at(2, 20 + 14 + 1), vuColor::cMenu[7]) << "the second row is selected";

    std::string out = "/tmp/vu_widgets2_menu.png";
    ASSERT_TRUE(writePng(out, fb()->GetFrameBuffer(), SW, SH));
    fprintf(stderr, "menu saved to %s\n", out.c_str());
}
