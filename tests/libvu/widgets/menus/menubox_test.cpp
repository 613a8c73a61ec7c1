// Menu boxes inside a form: the focus they ask for by touch, the keys they
// take only while active (digit keys only while focused), their paging,
// digit choosing, Clear, the width their scroll bar takes, and drawing.
#include <gtest/gtest.h>

#include <string>

#include "menu_fixture.h"
#include "vuColor.h"

using namespace w2;

class MenuBoxTest : public MenuTest {
protected:
    // A full-screen form (client origin (1, 1)) with two list boxes of
    // eight items, 100 x 80 at (10, 10) and (120, 10): rows of 22 + 2, three
    // pitches per box.
    void SetUp() override
    {
        MenuTest::SetUp();
        if (HasFatalFailure())
            return;
        form = new vuForm();
        owned.emplace_back(form);
        a = addBox(10, VU_MO_SELECT_FIRST);
        b = addBox(120, VU_MO_SELECT_FIRST);
        ASSERT_EQ(ui->Register(form), 0);
        form->Reset();
    }

    vuMenuBox* addBox(short x, unsigned short options, unsigned n = 8, unsigned short w = 100)
    {
        vuMenuBox* box = new vuMenuBox(x, 10, w, 80, VU_MENU_LIST, options);
        for (unsigned i = 1; i <= n; ++i)
            box->AddItem(std::to_string(i).c_str(), nullptr, 0);
        form->Add(box);
        return box;
    }

    // Screen point of row g of a box at x.
    static int pointX(const vuMenuBox* box) { return 1 + box->GetX() + 20; }
    static int pointY(int g) { return 1 + 10 + 24 * g + 10; }

    int boxTouch(vuWidget* w, uint8_t phase, uint8_t gesture, int x, int y, vuEvent* out = nullptr)
    {
        vuEvent e = touchEvent(phase, gesture, x, y);
        int r = w->HandleEvent(&e);
        if (out)
            *out = e;
        return r;
    }

    static int boxPress(vuWidget* w, uint8_t key, uint32_t mask = 0)
    {
        vuEvent e = keyEvent(key, mask);
        return w->HandleEvent(&e);
    }

    static bool focused(vuWidget* w) { return (w->GetFlags() & VU_WF_FOCUSED) != 0; }

    vuForm* form = nullptr;
    vuMenuBox* a = nullptr;
    vuMenuBox* b = nullptr;
};

TEST_F(MenuBoxTest, Defaults)
{
    EXPECT_EQ(a->GetType(), VU_TYPE_MENU_BOX);
    EXPECT_EQ(a->GetFlags() & 0x135, 0x135);
    EXPECT_EQ(a->GetFrontColor(), vuColor::cForm[38]) << "focused: active colours";
    EXPECT_EQ(b->GetFrontColor(), vuColor::cForm[36]);
    EXPECT_EQ(b->GetBackColor(), vuColor::cForm[37]);
    EXPECT_EQ(a->GetCount(), 8u);
    EXPECT_EQ(a->GetSelected(), 1);
    EXPECT_EQ(a->GetLines(), 1);
    EXPECT_EQ(a->GetColumns(), 1);
    EXPECT_TRUE(focused(a)) << "the form focuses its first box";
    EXPECT_FALSE(focused(b));
}

TEST_F(MenuBoxTest, TapOnAnInactiveBoxTakesTheFocus)
{
    vuEvent e{};
    // On the selected item: only the focus request.
    EXPECT_EQ(boxTouch(b, VU_PHASE_DOWN, 0, pointX(b), pointY(0), &e), 3);
    EXPECT_TRUE(e.handled);
    // On another item: the selection changes, the event stays taken.
    EXPECT_EQ(boxTouch(b, VU_PHASE_DOWN, 0, pointX(b), pointY(2), &e), 2);
    EXPECT_TRUE(e.handled);
    EXPECT_EQ(b->GetSelected(), 3);
    // Beside the box: nothing.
    EXPECT_EQ(boxTouch(b, VU_PHASE_DOWN, 0, 230, pointY(0), &e), 0);
    EXPECT_FALSE(e.handled);

    // Through the form: the box that asks gets the focus.
    EXPECT_EQ(touch(form, VU_PHASE_DOWN, 0, pointX(b), pointY(2)), 2);
    EXPECT_TRUE(focused(b));
    EXPECT_FALSE(focused(a));
    EXPECT_EQ(form->GetFocused(), b);
}

TEST_F(MenuBoxTest, TapThatOnlySelects)
{
    vuMenuBox* d = new vuMenuBox(10, 95, 200, 60, VU_MENU_LIST, VU_MO_SELECT_FIRST | VU_MO_TAP_SELECTS);
    for (int i = 0; i < 3; ++i)
        d->AddItem("x", nullptr, 0);
    form->Add(d);
    d->Reset();
    int y = 1 + 95 + 24 + 10;
    EXPECT_EQ(touch(form, VU_PHASE_DOWN, 0, 50, y), 2);
    EXPECT_EQ(d->GetSelected(), 2);
    EXPECT_FALSE(focused(d)) << "the selection changed: no focus request in the answer";
    EXPECT_EQ(touch(form, VU_PHASE_UP, VU_GESTURE_TAP, 50, y), 2);
    EXPECT_TRUE(focused(d)) << "the release on the same item asks for the focus";
    EXPECT_FALSE(focused(a));
}

TEST_F(MenuBoxTest, TapOnTheSelectedItemChoosesIt)
{
    EXPECT_EQ(touch(form, VU_PHASE_DOWN, 0, pointX(a), pointY(1)), 2);
    EXPECT_EQ(touch(form, VU_PHASE_UP, VU_GESTURE_TAP, pointX(a), pointY(1)), 1);
    EXPECT_EQ(a->GetSelected(), 2);
}

TEST_F(MenuBoxTest, KeysGoToTheActiveBoxOnly)
{
    EXPECT_EQ(press(form, '8'), 2);
    EXPECT_EQ(a->GetSelected(), 2);
    EXPECT_EQ(b->GetSelected(), 1);
    EXPECT_EQ(boxPress(b, '8'), 0) << "inactive";
    EXPECT_EQ(boxPress(b, 13), 0);
}

TEST_F(MenuBoxTest, SelectedButNotFocused)
{
    // Active through the selected flag, without the focused flag and without
    // control codes: only Enter (and digit choosing) act.
    b->Select();
    ASSERT_TRUE(b->IsActive());
    for (uint8_t k : {uint8_t('8'), uint8_t('2'), uint8_t('5'), uint8_t('7'), DOWN, UP})
        EXPECT_EQ(boxPress(b, k), 0) << int(k);
    EXPECT_EQ(b->GetSelected(), 1);
    EXPECT_EQ(boxPress(b, 13), 1);

    b->SetControlCodes(UP, DOWN, 0, 0);
    EXPECT_EQ(boxPress(b, DOWN), 2);
    EXPECT_EQ(boxPress(b, DOWN, 0x4000), 2) << "page with the page key held";
    EXPECT_EQ(b->GetSelected(), 5);
    EXPECT_EQ(boxPress(b, UP, 0x2000), 2);
    EXPECT_EQ(b->GetSelected(), 1);
}

TEST_F(MenuBoxTest, Paging)
{
    struct Case {
        unsigned short from;
        uint8_t key;
        unsigned short to;
    } cases[] = {
        {4, '1', 1}, {5, '1', 2}, {8, '1', 5}, {6, '7', 8}, {2, '7', 5}, {8, '7', 8}, {1, '2', 1}, {8, '8', 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " " + char(c.key));
        a->selectItem(c.from);
        ASSERT_EQ(a->GetSelected(), c.from);
        boxPress(a, c.key);
        EXPECT_EQ(a->GetSelected(), c.to);
    }
}

TEST_F(MenuBoxTest, DigitChoosingPostsTheKeyChar)
{
    vuMenuBox* d = new vuMenuBox(10, 95, 200, 60, VU_MENU_LIST, VU_MO_DIGITS);
    d->AddItem("a", nullptr, 0);
    d->AddItem("b", nullptr, 'K');
    form->Add(d);
    d->Reset();
    d->Select();
    EXPECT_EQ(boxPress(d, '2'), 2) << "selected; the char goes to the UI instead of 1";
    EXPECT_EQ(takePosted(), 'K');
    EXPECT_EQ(boxPress(d, '1'), 1);
    EXPECT_EQ(takePosted(), 0);
    EXPECT_EQ(boxPress(d, '3'), 0);
    EXPECT_EQ(d->GetSelected(), 1);
}

TEST_F(MenuBoxTest, EnterSelectsFirstThenChooses)
{
    vuMenuBox* d = new vuMenuBox(10, 95, 200, 60, VU_MENU_LIST, 0);
    d->AddItem("a", nullptr, 0);
    form->Add(d);
    d->Reset();
    form->SetFocused(d);
    EXPECT_EQ(d->GetSelected(), 0);
    EXPECT_EQ(boxPress(d, 13), 2);
    EXPECT_EQ(d->GetSelected(), 1);
    EXPECT_EQ(boxPress(d, '5'), 1) << "focused: '5' chooses too";
}

TEST_F(MenuBoxTest, HiddenBoxIgnoresEverything)
{
    a->SetVisible(0);
    EXPECT_EQ(boxPress(a, 13), 0);
    EXPECT_EQ(boxPress(a, '8'), 0);
    EXPECT_EQ(boxTouch(a, VU_PHASE_DOWN, 0, pointX(a), pointY(2)), 0);
    EXPECT_EQ(a->GetSelected(), 1);
}

TEST_F(MenuBoxTest, ClearKeepsTheNumberButNoItem)
{
    a->selectItem(3);
    a->Clear();
    EXPECT_EQ(a->GetCount(), 0u);
    EXPECT_EQ(a->GetSelected(), 3);
    EXPECT_EQ(a->GetSelectedObject(), nullptr);
    EXPECT_EQ(a->GetSelectedExt(), nullptr);
    EXPECT_EQ(boxPress(a, 13), 0) << "no items, no answer";
    a->AddItem("again", nullptr, 0);
    a->Reset();
    EXPECT_EQ(a->GetSelected(), 1);
    EXPECT_STREQ(a->GetSelectedObject()->GetText(), "again");
}

TEST_F(MenuBoxTest, ItemWidthAndScrollBar)
{
    // Eight rows do not fit: the scroll bar takes 2 pixels.
    EXPECT_EQ(a->GetScrollY().range, 8 * 22 + 7 * 2 - 80);
    EXPECT_EQ(a->GetScrollBarYWidth(), 2);
    EXPECT_EQ(a->GetItemWidth(), 100 - 2 - 2 - 4);

    vuMenuBox* few = addBox(10, 0, 3);
    few->Reset();
    EXPECT_EQ(few->GetScrollY().range, 0);
    EXPECT_EQ(few->GetItemWidth(), 100 - 2 - 4);

    vuMenuBox* narrow = addBox(10, 0, 8, 18);
    narrow->Reset();
    EXPECT_GT(narrow->GetScrollY().range, 0);
    EXPECT_EQ(narrow->GetScrollBarYWidth(), 0) << "narrower than 20";
    EXPECT_EQ(narrow->GetItemWidth(), 18 - 2 - 4);
}

TEST_F(MenuBoxTest, SelectionScrollsTheBox)
{
    a->selectItem(8);
    EXPECT_EQ(a->GetScrollY().offset, 8 * 24 - 80);
    a->selectItem(1);
    EXPECT_EQ(a->GetScrollY().offset, 0);
}

TEST_F(MenuBoxTest, DragScrollsAndAsksForTheFocus)
{
    vuEvent e{};
    EXPECT_EQ(boxTouch(b, VU_PHASE_MOVE, VU_GESTURE_UP, pointX(b), pointY(1), &e), 3);
    EXPECT_TRUE(e.handled);
    EXPECT_GT(b->GetScrollY().offset, 0);
    EXPECT_EQ(b->GetSelected(), 1);
    EXPECT_EQ(boxTouch(a, VU_PHASE_MOVE, VU_GESTURE_UP, pointX(a), pointY(1)), 2) << "already focused";
}

TEST_F(MenuBoxTest, Drawing)
{
    a->SetItemsPassiveColor(FRONT, BACK);
    a->SetItemsActiveColor(HFRONT, HBACK);
    ASSERT_EQ(a->Draw(fb()), 0);
    // Rows from the box's x + 1, W - S - 2 wide, in the form's client area.
    int x0 = 1 + 10 + 1, y0 = 1 + 10;
    EXPECT_EQ(at(x0, y0), vuColor::cForm[38]) << "the box's border over the first row";
    EXPECT_EQ(at(x0, y0 + 1), HBACK);
    EXPECT_EQ(at(x0 + 95, y0 + 1), HBACK);
    EXPECT_EQ(at(x0 + 96, y0 + 1), a->GetActiveFrontColor()) << "the scroll bar's thumb";
    EXPECT_EQ(at(x0, y0 + 24 + 1), BACK);
    EXPECT_EQ(at(x0, y0 + 22), SENTINEL);
    // Clipped to the box: row 4 shows only its top 8 rows.
    EXPECT_EQ(at(x0, y0 + 72 + 6), BACK);
    EXPECT_EQ(at(x0, y0 + 80), SENTINEL);
    // Border in the focused box's active front colour.
    EXPECT_EQ(at(11, 11 + 40), vuColor::cForm[38]);
    EXPECT_EQ(at(11 + 99, 11 + 79), vuColor::cForm[38]);
}
