// Menu items and the menu layout: line breaking, rows, scroll ranges and
// item widths, the selection brought into view, marks for the reset, adding
// and inserting, and what the menu draws, pixel by pixel.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "menu_fixture.h"
#include "vuColor.h"
#include "vuImage.h"

using namespace w2;

namespace {

// The lines GetLine gives, from the start to the end of the text.
std::vector<std::string> breakLines(const char* text, unsigned short limit, bool noWrap)
{
    MENU_ITEM_EXT rec{};
    rec.text = text;
    rec.noWrap = noWrap ? 1 : 0;
    vuMenuItem item(&rec, nullptr, nullptr);
    std::vector<std::string> out;
    unsigned short pos = 0;
    for (int guard = 0; guard < 100; ++guard) {
        unsigned short next = 0xBEEF;
        unsigned short len = item.GetLine(pos, next, limit);
        if (!len) {
            EXPECT_EQ(next, 0xBEEF) << "next is left alone without a line";
            break;
        }
        out.push_back(std::string(text + pos, len));
        if (next == 0)
            break;
        pos = next;
    }
    return out;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(MenuItemLines, Breaking)
{
    struct Case {
        const char* text;
        unsigned short limit;
        bool noWrap;
        Lines lines;
    } cases[] = {
        {"ABCDEFG", 3, false, {"ABC", "DEF", "G"}},
        {"AB CD", 4, false, {"AB", "CD"}},
        {"AB-CD", 4, false, {"AB-", "CD"}},
        {"AB CD", 2, false, {"AB", "CD"}},
        {"Hello, world", 8, false, {"Hello,", "world"}},
        {"one two three", 9, false, {"one two", "three"}},
        {"AB\nCD", 10, false, {"AB", "CD"}},
        {"AB\r\nCD", 10, false, {"AB", "CD"}},
        {"AB CD EF\nGH", 3, true, {"AB CD EF", "GH"}},
        {"ABC", 0, false, {"A", "B", "C"}},
        {"", 5, false, {}},
        {"Смена открыта", 6, false, {"Смена", "открыт", "а"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(breakLines(c.text, c.limit, c.noWrap), c.lines);
    }
}

TEST(MenuItemLines, StartPastTheTextAndNoText)
{
    vuMenuItem item("AB", nullptr, 0);
    unsigned short next = 7;
    EXPECT_EQ(item.GetLine(5, next, 10), 0);
    EXPECT_EQ(next, 7);
    vuMenuItem empty(static_cast<const char*>(nullptr), nullptr, 0);
    EXPECT_EQ(empty.GetLine(0, next, 10), 0);
    EXPECT_EQ(empty.GetText(), nullptr);
}

TEST(MenuItemRecord, CopiesTextsAndKeepsFields)
{
    char text[] = "Продажа";
    char second[] = "sale";
    int target = 0;
    MENU_ITEM_EXT rec{};
    rec.text = text;
    rec.text2 = second;
    rec.tag = reinterpret_cast<unsigned long>(&target);
    rec.value = 0xFFFFFFFFu;
    rec.keyChar = 'k';
    rec.noWrap = 1;
    vuMenuItem item(&rec, nullptr, "sale");
    text[0] = 'X';
    second[0] = 'X';
    MENU_ITEM_EXT* own = item.GetExtData();
    EXPECT_STREQ(own->text, "Продажа");
    EXPECT_STREQ(own->text2, "sale");
    EXPECT_EQ(reinterpret_cast<int*>(own->tag), &target);
    EXPECT_EQ(own->value, 0xFFFFFFFFu);
    EXPECT_EQ(own->keyChar, 'k');
    EXPECT_EQ(own->noWrap, 1);
    EXPECT_STREQ(item.GetName(), "sale");
    EXPECT_EQ(item.GetType(), VU_TYPE_MENU_ITEM);
    EXPECT_TRUE(item.GetFlags() & VU_WF_SELECTABLE);

    item.SetText(nullptr);
    EXPECT_STREQ(item.GetText(), "Продажа");
    item.SetText("Возврат");
    EXPECT_STREQ(own->text, "Возврат");

    vuMenuItem blank(static_cast<MENU_ITEM_EXT*>(nullptr), nullptr, nullptr);
    EXPECT_EQ(blank.GetExtData()->text, nullptr);
    EXPECT_EQ(blank.GetExtData()->tag, 0u);
    EXPECT_EQ(blank.GetName(), nullptr);
}

class MenuLayout : public MenuTest {};

TEST_F(MenuLayout, ListRowsRangeAndWidth)
{
    // Rows of 16 + 6; the client area is 238 x 158.
    vuMenu* few = makeMenu(VU_MENU_LIST, 3);
    EXPECT_EQ(few->GetRow(), 22);
    EXPECT_EQ(few->GetLines(), 1);
    EXPECT_EQ(few->GetScroll().range, 0);
    EXPECT_EQ(few->GetItemWidth(), 238 - 4);

    vuMenu* many = makeMenu(VU_MENU_LIST, 10);
    EXPECT_EQ(many->GetScroll().range, 10 * 22 + 9 * 2 - 158);
    EXPECT_EQ(many->GetItemWidth(), 238 - 6);
}

TEST_F(MenuLayout, GridCountsLinesAndTakesTheImageHeight)
{
    vuMenu* grid = makeMenu(VU_MENU_GRID, 0);
    grid->AddItem("AAAAAAAAAA BBBBBBBBBB CCCCCCCCCC", nullptr, 0);
    grid->AddItem("B", vuImage::CreateMemIcon(VU_MEMICON_BATTERY), 0);
    grid->AddItem("C", nullptr, 0);
    grid->Reset();
    // Cells of (238 - 2 * 2 - 4) / 3 = 76 pixels hold 19 characters.
    EXPECT_EQ(grid->GetItemWidth(), 76);
    EXPECT_EQ(grid->GetLines(), 3);
    EXPECT_EQ(grid->GetRow(), 16 + 6 * 3) << "the first item has no image";
    EXPECT_EQ(grid->GetColumns(), 3);

    vuMenu* pictured = makeMenu(VU_MENU_GRID, 0);
    pictured->AddItem("A", vuImage::CreateMemIcon(VU_MEMICON_BATTERY), 0);
    pictured->Reset();
    EXPECT_EQ(pictured->GetRow(), 16 + 12 + 6);
}

TEST_F(MenuLayout, MaxLinesAndColumns)
{
    vuMenu* list = makeMenu(VU_MENU_LIST, 2);
    list->SetColumns(4);
    EXPECT_EQ(list->GetColumns(), 1) << "a list keeps one column";
    list->SetMaxLines(0);
    list->AddItem("A B C", nullptr, 0);
    list->Reset();
    EXPECT_EQ(list->GetLines(), 1);
    list->AddItem("one\ntwo\nthree", nullptr, 0);
    list->Reset();
    EXPECT_EQ(list->GetLines(), 3);
    EXPECT_EQ(list->GetRow(), 16 + 18);
    list->SetMaxLines(2);
    list->Reset();
    EXPECT_EQ(list->GetLines(), 2);

    vuMenu* grid = makeMenu(VU_MENU_GRID, 8);
    grid->SetColumns(4)->SetColumnInterval(6);
    EXPECT_EQ(grid->GetItemWidth(), 76) << "takes effect at the next reset";
    grid->Reset();
    EXPECT_EQ(grid->GetColumns(), 4);
    EXPECT_EQ(grid->GetItemWidth(), (238 - 3 * 6 - 4) / 4);
    EXPECT_EQ(press(grid, 108), 2);
    EXPECT_EQ(grid->GetSelected(), 5);

    grid->SetColumns(0);
    grid->Reset();
    EXPECT_EQ(press(grid, 108), 2) << "no columns lays out as one";
    EXPECT_EQ(grid->GetSelected(), 2);
}

TEST_F(MenuLayout, RowIntervalTakesEffectAtTheNextReset)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10);
    short before = m->GetScroll().range;
    m->SetRowInterval(10);
    EXPECT_EQ(m->GetRowInterval(), 10);
    EXPECT_EQ(m->GetScroll().range, before);
    m->Reset();
    EXPECT_EQ(m->GetScroll().range, 10 * 22 + 9 * 10 - 158);
}

TEST_F(MenuLayout, SelectionScrollsIntoView)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10); // pitch 24, range 80
    EXPECT_EQ(m->selectItem(8), 2);
    EXPECT_EQ(m->GetScroll().offset, 8 * 24 - 158);
    EXPECT_EQ(m->selectItem(10), 2);
    EXPECT_EQ(m->GetScroll().offset, 80 + 2) << "the last row's interval shows";
    EXPECT_EQ(m->selectItem(9), 2);
    EXPECT_EQ(m->GetScroll().offset, 82) << "already in view";
    EXPECT_EQ(m->selectItem(2), 2);
    EXPECT_EQ(m->GetScroll().offset, 24);
    EXPECT_EQ(m->selectItem(2), 0);
    EXPECT_EQ(m->selectItem(11), 0) << "no such item";
    EXPECT_EQ(m->GetSelected(), 2);
    EXPECT_TRUE(m->GetSelectedObject()->IsSelect());
    m->Reset();
    EXPECT_EQ(m->GetScroll().offset, 0);
    EXPECT_EQ(m->GetSelected(), 1);
}

TEST_F(MenuLayout, MarksForTheReset)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 4, 0);
    EXPECT_EQ(m->GetSelected(), 0) << "nothing marked, no option";
    m->SelectOnReset(0);
    m->Reset();
    EXPECT_EQ(m->GetSelected(), 1);
    m->SelectOnReset(2);
    m->SelectOnReset(9);
    m->Reset();
    EXPECT_EQ(m->GetSelected(), 3) << "the mark moved once, the bad index changed nothing";
    EXPECT_EQ(m->GetSelectedObject()->GetText(), std::string("3"));
}

TEST_F(MenuLayout, AddingAndInserting)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 0);
    EXPECT_EQ(m->AddItem(nullptr, nullptr, 0), -1);
    EXPECT_EQ(m->AddItemExt(nullptr, nullptr), -1);
    EXPECT_EQ(m->InsertItem(nullptr, nullptr, 0), -1);
    EXPECT_EQ(m->GetCount(), 0u);

    EXPECT_EQ(m->AddItem("a", nullptr, 0), 0);
    EXPECT_EQ(m->GetSelected(), 1) << "the first item is selected at once";
    EXPECT_EQ(m->AddItem(nullptr, vuImage::CreateMemIcon(VU_MEMICON_DOT), 0), 1);
    int tag = 0;
    MENU_ITEM_EXT rec{};
    rec.text = "c";
    rec.tag = reinterpret_cast<unsigned long>(&tag);
    EXPECT_EQ(m->AddItemExt(&rec, nullptr, 1, "third"), 2);
    EXPECT_NE(m->GetByName("third"), nullptr);

    EXPECT_EQ(m->InsertItem("z", nullptr, 0), 0);
    EXPECT_EQ(m->GetSelected(), 2) << "the selected item moved down";
    EXPECT_STREQ(m->GetSelectedObject()->GetText(), "a");

    m->selectItem(4);
    ASSERT_NE(m->GetSelectedExt(), nullptr);
    EXPECT_EQ(reinterpret_cast<int*>(m->GetSelectedExt()->tag), &tag);
    EXPECT_EQ(m->GetSelectedObject()->GetFontIndex(), 1);
    m->selectItem(1);
    EXPECT_EQ(m->GetSelectedObject()->GetFontIndex(), 2) << "list default font";

    m->Clear();
    EXPECT_EQ(m->GetSelectedObject(), nullptr);
    EXPECT_EQ(m->GetSelectedExt(), nullptr);
}

TEST_F(MenuLayout, DefaultsOfTheConstructors)
{
    vuMenu titled("Меню", nullptr, VU_MENU_GRID);
    EXPECT_EQ(titled.GetOptions(), VU_FO_HEADER | VU_MO_SELECT_FIRST);
    EXPECT_EQ(titled.GetType(), VU_TYPE_MENU);
    EXPECT_EQ(titled.GetColumns(), 3);
    EXPECT_EQ(titled.GetRowDelta(), 16);
    EXPECT_EQ(titled.GetRowInterval(), 2);
    EXPECT_EQ(titled.GetColumnInterval(), 2);
    EXPECT_EQ(titled.GetBackColor(), vuColor::cMenu[3]);
    EXPECT_EQ(titled.GetBackHeaderColor(), vuColor::cMenu[1]);
    EXPECT_EQ(titled.GetClientHeight(), SH - 20 - 1);
    vuMenu plain(VU_MENU_LIST);
    EXPECT_EQ(plain.GetOptions(), VU_MO_SELECT_FIRST);
    EXPECT_EQ(plain.GetColumns(), 1);
    EXPECT_EQ(plain.GetSelected(), 0);
    EXPECT_EQ(plain.GetSelectedObject(), nullptr);
}

// ---- drawing ------------------------------------------------------------

class MenuDrawing : public MenuTest {
protected:
    // A borderless menu whose client area is the whole screen.
    vuMenu* coloured(unsigned char type, std::initializer_list<const char*> texts, unsigned short options = 0)
    {
        vuMenu* m = makeMenu(type, 0, VU_FO_NO_BORDER | VU_FO_NO_SHADOW | options);
        for (const char* t : texts)
            m->AddItem(t, nullptr, 0);
        m->SetItemsPassiveColor(FRONT, BACK);
        m->SetItemsActiveColor(AFRONT, ABACK);
        m->Reset();
        return m;
    }
};

TEST_F(MenuDrawing, ListRows)
{
    vuMenu* m = coloured(VU_MENU_LIST, {"AB", "CDE", "F"});
    m->selectItem(2);
    ASSERT_EQ(m->Draw(fb()), 0);
    // Row g at y = 24 g, x 1 .. 238; the text is centred in the 22 rows.
    EXPECT_EQ(row(0, 0, 12), ".BBBBBBBBBBBB");
    EXPECT_EQ(row(8, 0, 12), ".FFFFFFFFBBBB");
    EXPECT_EQ(row(13, 0, 12), ".FFFFFFFFBBBB");
    EXPECT_EQ(row(7, 0, 12), ".BBBBBBBBBBBB");
    EXPECT_EQ(row(14, 0, 12), ".BBBBBBBBBBBB");
    EXPECT_EQ(row(22, 0, 12), ".............") << "row interval";
    EXPECT_EQ(row(24 + 8, 0, 16), ".ffffffffffffbbbb");
    EXPECT_EQ(at(238, 30), ABACK);
    EXPECT_EQ(at(239, 30), SENTINEL);
    Box third = box(FRONT, 0, 48, SW - 1, 70);
    EXPECT_EQ(third.x0, 1);
    EXPECT_EQ(third.y0, 48 + 8);
    EXPECT_EQ(third.w(), 4);
    EXPECT_EQ(third.h(), 6);
    EXPECT_EQ(box(BACK).y1, 48 + 21);
    EXPECT_EQ(at(5, 48 + 22), SENTINEL);
}

TEST_F(MenuDrawing, AcceleratorDigits)
{
    vuMenu* m = coloured(VU_MENU_LIST, {"AB", "CD"}, VU_MO_ACCEL);
    m->SetAccelFont(6);
    ASSERT_EQ(m->Draw(fb()), 0);
    // The digit's cell at (x + 2, y + 2), the text indented by 4 + 2.
    EXPECT_EQ(row(2, 0, 16), ".BBFFFFBBBBBBBBBB");
    EXPECT_EQ(row(8, 0, 16), ".BBBBBBFFFFFFFFBB");
    EXPECT_EQ(row(24 + 2, 0, 8), ".BBFFFFBB");

    // Ten items draw no digits.
    m->AddItem("x", nullptr, 0);
    for (int i = 0; i < 7; ++i)
        m->AddItem("y", nullptr, 0);
    m->Reset();
    clearScreen();
    ASSERT_EQ(m->Draw(fb()), 0);
    EXPECT_EQ(row(2, 0, 8), ".BBBBBBBB");
}

TEST_F(MenuDrawing, LeadingLineFeedIsNotAGlyph)
{
    vuMenu* m = coloured(VU_MENU_LIST, {"\nAB", "\r\nC"});
    ASSERT_EQ(m->Draw(fb()), 0);
    EXPECT_EQ(box(FRONT, 0, 0, SW - 1, 21).w(), 8);
    EXPECT_EQ(box(FRONT, 0, 24, SW - 1, 45).w(), 4);

    vuMenu* two = coloured(VU_MENU_LIST, {"\nAB\n\nCDE"});
    two->SetMaxLines(2);
    two->SetItemsPassiveColor(HFRONT, HBACK);
    two->Reset();
    clearScreen();
    ASSERT_EQ(two->Draw(fb()), 0);
    // Rows of 16 + 12, the block of two lines centred: lines at 8 and 14.
    EXPECT_EQ(two->GetRow(), 28);
    EXPECT_EQ(row(8, 0, 14), ".HHHHHHHHhhhhhh");
    EXPECT_EQ(row(14, 0, 14), ".HHHHHHHHHHHHhh");
    EXPECT_EQ(row(20, 0, 14), ".hhhhhhhhhhhhhh");
}

TEST_F(MenuDrawing, GridCells)
{
    vuMenu* m = coloured(VU_MENU_GRID, {"AB", "C", "D", "EF"});
    m->selectItem(2);
    ASSERT_EQ(m->Draw(fb()), 0);
    // Cells of (240 - 4 - 4) / 3 = 77 at x = 3 + 79 k, y = 24 r; cells are
    // transparent; the text sits at the bottom (22 - 6 - 1), centred.
    EXPECT_EQ(m->GetItemWidth(), 77);
    Box first = box(FRONT, 0, 0, 80, 23);
    EXPECT_EQ(first.x0, 3 + (77 - 8) / 2);
    EXPECT_EQ(first.y0, 15);
    EXPECT_EQ(first.w(), 8);
    EXPECT_EQ(first.h(), 6);
    // The selected cell is framed in its front colour.
    EXPECT_EQ(at(82, 0), AFRONT);
    EXPECT_EQ(at(82 + 76, 21), AFRONT);
    EXPECT_EQ(at(83, 1), SENTINEL);
    Box second = box(AFRONT, 83, 1, 157, 20);
    EXPECT_EQ(second.x0, 82 + (77 - 4) / 2);
    Box fourth = box(FRONT, 0, 24, SW - 1, 47);
    EXPECT_EQ(fourth.x0, 3 + (77 - 8) / 2);
    EXPECT_EQ(fourth.y0, 24 + 15);
}

TEST_F(MenuDrawing, ScrollBarAndClipping)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10, VU_FO_NO_BORDER | VU_FO_NO_SHADOW | VU_MO_SELECT_FIRST);
    m->SetItemsPassiveColor(FRONT, BACK);
    m->SetItemsActiveColor(AFRONT, ABACK);
    m->Reset();
    // Range 10 * 24 - 2 - 160 = 78; rows are 240 - 4 wide.
    ASSERT_EQ(m->GetScroll().range, 78);
    m->selectItem(10);
    ASSERT_EQ(m->Draw(fb()), 0);
    EXPECT_EQ(m->GetScroll().offset, 80);
    // The last row at 9 * 24 - 80, its interval at the screen's bottom.
    EXPECT_EQ(at(5, 136), ABACK);
    EXPECT_EQ(at(5, 157), ABACK);
    EXPECT_EQ(at(5, 158), SENTINEL);
    EXPECT_EQ(at(5, 135), SENTINEL);
    EXPECT_EQ(at(5, 133), BACK);
    EXPECT_EQ(at(236, SH - 5), ABACK);
    EXPECT_EQ(at(237, SH - 5), vuColor::cMenu[4]);
    // Track three pixels wide, the thumb in its middle column, at the end.
    int t = 80 * (SH - 16) / 78;
    for (int x = 237; x <= 239; ++x)
        EXPECT_EQ(at(x, 2), vuColor::cMenu[4]) << x;
    EXPECT_EQ(at(238, t), vuColor::cMenu[6]);
    EXPECT_EQ(at(238, t - 1), vuColor::cMenu[4]);
    EXPECT_EQ(at(237, t + 2), vuColor::cMenu[4]);
}

// A filled menu leaves its body out under the rows that fill themselves:
// over any background it must show what the whole body filled first, then
// the menu drawn, shows; rows that do not fill (transparent items, grid
// cells) and the gaps between rows still get the body's colour.
TEST_F(MenuDrawing, FilledBodyShowsTheSameAsAWholeFill)
{
    struct Case {
        const char* what;
        unsigned char type;
        unsigned items;
        unsigned short options;
        unsigned short interval;
        int transparent; // item made transparent, 0 none
        int select;      // item selected before drawing
        bool header;
    } cases[] = {
        {"list that fits", VU_MENU_LIST, 3, 0, 0, 0, 1, false},
        {"list with gaps between rows", VU_MENU_LIST, 4, 0, 5, 0, 2, false},
        {"scrolled list with a scroll bar", VU_MENU_LIST, 12, 0, 0, 0, 12, false},
        {"list with a transparent row", VU_MENU_LIST, 4, 0, 0, 2, 3, false},
        {"list with border and header", VU_MENU_LIST, 9, 0, 2, 0, 6, true},
        {"list with digits", VU_MENU_LIST, 5, VU_MO_ACCEL, 0, 0, 1, false},
        {"grid", VU_MENU_GRID, 7, 0, 0, 0, 4, false},
        {"grid of opaque cells, scrolled", VU_MENU_GRID, 20, 0, 3, -1, 20, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vuMenu* m = c.header ? new vuMenu("TITLE", nullptr, c.type) : new vuMenu(c.type);
        owned.emplace_back(m);
        if (!c.header)
            m->ClearOption(0xFFFF);
        m->SetOption(static_cast<unsigned short>(VU_FO_FILL | c.options));
        m->SetRowInterval(c.interval);
        for (unsigned i = 1; i <= c.items; ++i)
            m->AddItem(std::to_string(i).c_str(), nullptr, 0);
        ASSERT_EQ(ui->Register(m), 0);
        m->SetItemsPassiveColor(FRONT, BACK);
        m->SetItemsActiveColor(AFRONT, ABACK);
        if (c.transparent < 0)
            m->SetItemsTransparency(0);
        m->Reset();
        if (c.transparent > 0) {
            m->selectItem(static_cast<unsigned short>(c.transparent));
            m->GetSelectedObject()->SetTransparency(1);
        }
        m->selectItem(static_cast<unsigned short>(c.select));
        int16_t x, y;
        uint16_t w, h;
        ASSERT_TRUE(m->GetFillArea(x, y, w, h));

        clearScreen();
        ASSERT_EQ(m->Draw(fb()), 0);
        const uint16_t* px = fb()->GetFrameBuffer();
        const std::vector<uint16_t> drawn(px, px + SW * SH);

        clearScreen();
        vuViewPort all{0, 0, SW, SH, 0, 0};
        fb()->Fill(&all, x, y, w, h, m->GetBackColor(), 0);
        ASSERT_EQ(m->Draw(fb()), 0);
        const std::vector<uint16_t> whole(px, px + SW * SH);
        size_t differ = 0;
        for (size_t i = 0; i < drawn.size(); ++i)
            differ += drawn[i] != whole[i];
        EXPECT_EQ(differ, 0u) << "pixels that differ from the menu over a whole fill";
    }
}

TEST_F(MenuDrawing, NothingToDraw)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 0, VU_FO_NO_BORDER | VU_FO_NO_SHADOW);
    EXPECT_EQ(m->DrawWidgets(fb()), 0);
    EXPECT_EQ(m->DrawWidgets(nullptr), -1);
    m->AddItem("A", nullptr, 0, 9); // an empty font slot
    EXPECT_EQ(m->DrawWidgets(fb()), 0);
    EXPECT_EQ(box(SENTINEL).w(), SW) << "nothing drawn";
    EXPECT_EQ(box(SENTINEL).h(), SH);
}

TEST_F(MenuLayout, RowsOfNoHeightAndFontsWithoutCells)
{
    // Items in an empty font slot: no font height or width to go by.
    vuMenu* m = makeMenu(VU_MENU_GRID, 0);
    m->SetRowDelta(0)->SetRowInterval(0)->SetMaxLines(0);
    for (int i = 0; i < 5; ++i)
        m->AddItem("some words to break", nullptr, 0, 9);
    m->Reset();
    EXPECT_EQ(m->GetRow(), 0);
    EXPECT_EQ(m->GetLines(), 1) << "nothing counted without cells";
    EXPECT_EQ(m->GetSelected(), 1);
    EXPECT_EQ(touch(m, VU_PHASE_DOWN, 0, 20, 20), 0) << "no row to hit";
    EXPECT_EQ(press(m, '7'), 0) << "a page of no rows";
    EXPECT_EQ(press(m, '8'), 2);
    EXPECT_EQ(m->GetSelected(), 4);
    EXPECT_EQ(m->DrawWidgets(fb()), 0);
}
