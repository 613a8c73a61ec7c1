// The menu's key table: moves of the selection in lists and grids with and
// without wrap, paging, column ends, digit choosing, Enter and Esc, close
// codes, the time-out and the terminal model's up and down codes.
#include <gtest/gtest.h>

#include "menu_fixture.h"
#include "osal.h"

using namespace w2;

namespace {

const uint32_t PAGE = 0x4000, END = 0x2000;

struct Move {
    const char* what;
    unsigned char type;
    unsigned count;
    bool wrap;
    unsigned short from;
    uint8_t key;
    uint32_t mask;
    unsigned short to;
};

// Lists hold 5 items with three pitches of 48 pixels in the 158-pixel client
// area; grids hold 7 items in 3 columns.
const Move kMoves[] = {
    {"list: nothing selected, down selects 1", VU_MENU_LIST, 5, false, 0, DOWN, 0, 1},
    {"list: nothing selected, '2' selects 1", VU_MENU_LIST, 5, false, 0, '2', 0, 1},
    {"list: up", VU_MENU_LIST, 5, false, 3, UP, 0, 2},
    {"list: '2' is up", VU_MENU_LIST, 5, false, 3, '2', 0, 2},
    {"list: down", VU_MENU_LIST, 5, false, 3, DOWN, 0, 4},
    {"list: '8' is down", VU_MENU_LIST, 5, false, 3, '8', 0, 4},
    {"list: up from the top stays", VU_MENU_LIST, 5, false, 1, UP, 0, 1},
    {"list: up from the top wraps", VU_MENU_LIST, 5, true, 1, UP, 0, 5},
    {"list: down from the bottom stays", VU_MENU_LIST, 5, false, 5, DOWN, 0, 5},
    {"list: down from the bottom wraps", VU_MENU_LIST, 5, true, 5, DOWN, 0, 1},
    {"list: '4' does nothing", VU_MENU_LIST, 5, true, 3, '4', 0, 3},
    {"list: '6' does nothing", VU_MENU_LIST, 5, true, 3, '6', 0, 3},
    {"list: page up from 5", VU_MENU_LIST, 5, false, 5, '1', 0, 2},
    {"list: page up from 3 goes to 1", VU_MENU_LIST, 5, false, 3, '1', 0, 1},
    {"list: up with the page key held", VU_MENU_LIST, 5, false, 5, UP, PAGE, 2},
    {"list: page down from 1", VU_MENU_LIST, 5, false, 1, '7', 0, 4},
    {"list: page down from N - 1 goes to N", VU_MENU_LIST, 5, false, 4, '7', 0, 5},
    {"list: down with the page key held", VU_MENU_LIST, 5, false, 1, DOWN, PAGE, 4},
    {"list: up with the end key held", VU_MENU_LIST, 5, false, 4, UP, END, 1},
    {"list: down with the end key held", VU_MENU_LIST, 5, false, 2, DOWN, END, 5},
    {"list: up while another key is held", VU_MENU_LIST, 5, false, 3, UP, 1u << 5, 3},
    {"grid: up from the second row", VU_MENU_GRID, 7, false, 5, UP, 0, 2},
    {"grid: up from the top row stays", VU_MENU_GRID, 7, false, 2, UP, 0, 2},
    {"grid: up from 2 wraps to 5", VU_MENU_GRID, 7, true, 2, UP, 0, 5},
    {"grid: up from 1 wraps to 7", VU_MENU_GRID, 7, true, 1, UP, 0, 7},
    {"grid: down from 2", VU_MENU_GRID, 7, false, 2, DOWN, 0, 5},
    {"grid: down from 5 stays", VU_MENU_GRID, 7, false, 5, DOWN, 0, 5},
    {"grid: down from 6 wraps to 3", VU_MENU_GRID, 7, true, 6, DOWN, 0, 3},
    {"grid: down from 5 wraps to 2", VU_MENU_GRID, 7, true, 5, DOWN, 0, 2},
    {"grid: left", VU_MENU_GRID, 7, false, 5, '4', 0, 4},
    {"grid: left from 1 stays", VU_MENU_GRID, 7, false, 1, '4', 0, 1},
    {"grid: left from 1 wraps to N", VU_MENU_GRID, 7, true, 1, '4', 0, 7},
    {"grid: right", VU_MENU_GRID, 7, false, 3, '6', 0, 4},
    {"grid: right from N stays", VU_MENU_GRID, 7, false, 7, '6', 0, 7},
    {"grid: right from N wraps to 1", VU_MENU_GRID, 7, true, 7, '6', 0, 1},
    {"grid: page up goes to the top of the column", VU_MENU_GRID, 7, false, 7, '1', 0, 1},
    {"grid: page down goes to the bottom of the column", VU_MENU_GRID, 7, false, 2, '7', 0, 5},
    {"grid: top of the column", VU_MENU_GRID, 7, false, 6, UP, END, 3},
    {"grid: bottom of the column", VU_MENU_GRID, 7, false, 1, DOWN, END, 7},
};

} // namespace

class MenuKeys : public MenuTest {};

TEST_F(MenuKeys, TableOfMoves)
{
    for (const Move& m : kMoves) {
        SCOPED_TRACE(m.what);
        unsigned short opts = m.wrap ? VU_MO_WRAP : 0;
        // Lists get rows of 46 + 2 pixels: three pitches in the client area.
        vuMenu* menu = makeMenu(m.type, m.count, opts, m.type == VU_MENU_LIST ? 40 : 16);
        ASSERT_EQ(menu->GetClientHeight(), SH - 2);
        if (m.from) {
            ASSERT_EQ(menu->selectItem(m.from), 2);
        }
        ASSERT_EQ(menu->GetSelected(), m.from);
        int r = press(menu, m.key, m.mask);
        EXPECT_EQ(menu->GetSelected(), m.to);
        EXPECT_EQ(r, m.to != m.from ? 2 : 0);
        vuMenuItem* sel = menu->GetSelectedObject();
        ASSERT_NE(sel, nullptr);
        EXPECT_EQ(sel->IsSelect(), VU_WF_SELECTED);
    }
}

TEST_F(MenuKeys, OnlyTheSelectedItemIsMarked)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 4);
    press(menu, DOWN);
    press(menu, DOWN);
    int marked = 0;
    for (vuViewObject* o = menu->GetFirst(); o; o = menu->GetNext(o))
        marked += static_cast<vuMenuItem*>(o)->IsSelect() ? 1 : 0;
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(menu->GetSelected(), 3);
    EXPECT_EQ(menu->GetSelectedObject()->GetText(), std::string("3"));
}

TEST_F(MenuKeys, DigitsChooseItemsDirectly)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 5, VU_MO_SELECT_FIRST | VU_MO_DIGITS);
    // An item's key char is not posted when a digit chooses it.
    static_cast<vuMenuItem*>(menu->GetNext(menu->GetNext(menu->GetFirst())))->GetExtData()->keyChar = 'K';
    EXPECT_EQ(press(menu, '3'), 1);
    EXPECT_EQ(menu->GetSelected(), 3);
    EXPECT_EQ(takePosted(), 0);
    // A digit past the last item does nothing, and is not a move either.
    EXPECT_EQ(press(menu, '8'), 0);
    EXPECT_EQ(menu->GetSelected(), 3);
}

TEST_F(MenuKeys, DigitsNavigateInLongMenus)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 10, VU_MO_SELECT_FIRST | VU_MO_DIGITS);
    EXPECT_EQ(press(menu, '8'), 2);
    EXPECT_EQ(menu->GetSelected(), 2);
    EXPECT_EQ(press(menu, '5'), 1) << "'5' chooses";
    EXPECT_EQ(menu->GetSelected(), 2);
}

TEST_F(MenuKeys, EnterChoosesOrPostsTheKeyChar)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 0, 0);
    MENU_ITEM_EXT rec{};
    rec.text = "posts";
    rec.keyChar = 'Q';
    menu->AddItem("plain", nullptr, 0);
    menu->AddItemExt(&rec, nullptr);
    menu->Reset();
    ASSERT_EQ(menu->GetSelected(), 0);

    EXPECT_EQ(press(menu, 13), 2) << "Enter with nothing selected selects item 1";
    EXPECT_EQ(menu->GetSelected(), 1);
    EXPECT_EQ(press(menu, 13), 1);
    EXPECT_EQ(takePosted(), 0);

    menu->selectItem(2);
    EXPECT_EQ(press(menu, 13), 0) << "the key char goes to the UI, the menu stays";
    EXPECT_EQ(takePosted(), 'Q');
    EXPECT_EQ(press(menu, '5'), 0);
    EXPECT_EQ(takePosted(), 'Q');
}

TEST_F(MenuKeys, EscCancelsOnlyWithTheCancelOption)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 3);
    EXPECT_EQ(press(menu, 27), 0);
    menu->SetOption(VU_FO_CANCEL);
    EXPECT_EQ(press(menu, 27), -1);
}

TEST_F(MenuKeys, CloseCodesAndTimeOut)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 3);
    menu->SetCloseControlCode(2, 'Z');
    EXPECT_EQ(press(menu, 'Z'), 22);

    menu->SetTimeOut(500);
    menu->ResetTime();
    EXPECT_EQ(press(menu, 0), 0);
    OsTestClockAdvance(501);
    EXPECT_EQ(press(menu, DOWN), 10) << "the time-out wins over the move";
}

TEST_F(MenuKeys, EmptyMenuIgnoresEverything)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 0);
    menu->SetOption(VU_FO_CANCEL);
    menu->SetCloseControlCode(0, 'Z');
    menu->SetTimeOut(10);
    menu->ResetTime();
    OsTestClockAdvance(100);
    for (uint8_t k : {uint8_t(27), uint8_t(13), uint8_t('Z'), DOWN, uint8_t(0)})
        EXPECT_EQ(press(menu, k), 0) << int(k);
}

TEST_F(MenuKeys, PageCodesAndDisabledCodes)
{
    vuMenu* menu = makeMenu(VU_MENU_LIST, 5, VU_MO_SELECT_FIRST, 40);
    menu->SetControlCodes(0, DOWN, 'u', 'd');
    EXPECT_EQ(press(menu, 'd'), 2);
    EXPECT_EQ(menu->GetSelected(), 4);
    EXPECT_EQ(press(menu, 'u'), 2);
    EXPECT_EQ(menu->GetSelected(), 1);
    EXPECT_EQ(press(menu, DOWN), 2);
    EXPECT_EQ(press(menu, UP), 0) << "a code of 0 is off";
    EXPECT_EQ(menu->GetSelected(), 2);
}

TEST_F(MenuKeys, UpAndDownByTerminalModel)
{
    struct Model {
        const char* pn;
        uint8_t up, down, other;
    } models[] = {{"D200-T", 59, 60, 103}, {"T100", 103, 108, 59}, {"", 103, 108, 60}};
    for (const Model& m : models) {
        SCOPED_TRACE(m.pn);
        ASSERT_EQ(OsRegSetValue("ro.fac.pn", m.pn), 0);
        vuMenu* menu = makeMenu(VU_MENU_LIST, 3);
        EXPECT_EQ(menu->GetMenuControlCode(0), m.up);
        EXPECT_EQ(menu->GetMenuControlCode(1), m.down);
        EXPECT_EQ(menu->GetMenuControlCode(2), 0);
        EXPECT_EQ(press(menu, m.down), 2);
        EXPECT_EQ(press(menu, m.other), 0);
        EXPECT_EQ(menu->GetSelected(), 2);
        EXPECT_EQ(press(menu, m.up), 2);
        EXPECT_EQ(menu->GetSelected(), 1);
    }
}
