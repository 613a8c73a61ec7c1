// Taps and drags on a menu: hit tests in lists and grids, choosing by a tap,
// taps that only select, drags with kinetic motion up to the scroll limit,
// and the close icon.
#include <gtest/gtest.h>

#include "menu_fixture.h"

using namespace w2;

namespace {

// Screen point of the middle of list row g (0-based) of a bordered menu
// whose client area starts at (1, 1), with rows 24 pixels apart.
int rowY(int g) { return 1 + 24 * g + 10; }

} // namespace

class MenuTouch : public MenuTest {};

TEST_F(MenuTouch, TapSelectsAndChooses)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 5);
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(2)), 1);
    EXPECT_EQ(m->GetSelected(), 3);
}

TEST_F(MenuTouch, TapOnlySelectsWithTheOption)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 5, VU_MO_SELECT_FIRST | VU_MO_TAP_SELECTS);
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(2)), 2);
    EXPECT_EQ(m->GetSelected(), 3);
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(2)), 0);
}

TEST_F(MenuTouch, TapOnAnItemWithAKeyCharPostsIt)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 0);
    m->AddItem("a", nullptr, 0);
    m->AddItem("b", nullptr, 'B');
    m->Reset();
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(1)), 2) << "selected, char posted";
    EXPECT_EQ(takePosted(), 'B');
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(1)), 0) << "the menu stays";
    EXPECT_EQ(takePosted(), 'B');
}

TEST_F(MenuTouch, FingerDownSelectsReleaseWithoutTapDoesNot)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 5);
    EXPECT_EQ(touch(m, VU_PHASE_DOWN, 0, 50, rowY(3)), 2);
    EXPECT_EQ(m->GetSelected(), 4);
    EXPECT_EQ(touch(m, VU_PHASE_MOVE, 0, 50, rowY(1)), 2);
    EXPECT_EQ(m->GetSelected(), 2);
    EXPECT_EQ(touch(m, VU_PHASE_UP, 0, 50, rowY(4)), 0) << "a long press released";
    EXPECT_EQ(m->GetSelected(), 2);
    EXPECT_EQ(touch(m, VU_PHASE_MOVE, VU_GESTURE_MOVED, 50, rowY(4)), 0) << "a wandering finger";
}

TEST_F(MenuTouch, PointsOutsideTheItems)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 3);
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, rowY(4)), 0) << "below the last item";
    EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 239, rowY(1)), 0) << "on the border";
    EXPECT_EQ(m->GetSelected(), 1);

    vuMenu* grid = makeMenu(VU_MENU_GRID, 3);
    ASSERT_EQ(grid->GetItemWidth(), 76); // cells at client x 0, 78, 156
    EXPECT_EQ(touch(grid, VU_PHASE_DOWN, 0, 1 + 235, 5), 0) << "right of the last column";
    EXPECT_EQ(grid->GetSelected(), 1);
    EXPECT_EQ(touch(grid, VU_PHASE_DOWN, 0, 1 + 160, 5), 2);
    EXPECT_EQ(grid->GetSelected(), 3);
    EXPECT_EQ(touch(grid, VU_PHASE_DOWN, 0, 1 + 80, 5), 2);
    EXPECT_EQ(grid->GetSelected(), 2);
}

TEST_F(MenuTouch, HitTestFollowsTheScroll)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10);
    m->selectItem(8); // scrolled by 8 * 24 - 158 = 34
    ASSERT_EQ(m->GetScroll().offset, 34);
    EXPECT_EQ(touch(m, VU_PHASE_DOWN, 0, 50, 1 + 0), 2);
    EXPECT_EQ(m->GetSelected(), 2) << "client y 0 is content y 34";
}

TEST_F(MenuTouch, DragScrollsKineticallyUpToTheLimit)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10);
    ASSERT_EQ(m->GetScroll().range, 80);
    EXPECT_EQ(touch(m, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50), 2);
    EXPECT_GT(m->GetScroll().offset, 0);
    EXPECT_EQ(m->GetSelected(), 1) << "a drag selects nothing";
    for (int i = 0; i < 5; ++i)
        touch(m, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50);
    unsigned short dragged = m->GetScroll().offset;
    // Released: the menu glides on with empty events, then rests.
    int moves = 0;
    for (int i = 0; i < 500 && m->GetScroll().speed; ++i)
        moves += press(m, 0) == 2;
    EXPECT_GT(moves, 0);
    EXPECT_GT(m->GetScroll().offset, dragged);
    EXPECT_EQ(m->GetScroll().speed, 0);
    EXPECT_EQ(press(m, 0), 0) << "at rest";

    // A long drag stops exactly at the limit, and one back at the top.
    for (int i = 0; i < 200; ++i) {
        touch(m, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50);
        ASSERT_LE(m->GetScroll().offset, 80);
    }
    EXPECT_EQ(m->GetScroll().offset, 80);
    for (int i = 0; i < 200; ++i)
        touch(m, VU_PHASE_MOVE, VU_GESTURE_DOWN, 50, 50);
    EXPECT_EQ(m->GetScroll().offset, 0);
}

TEST_F(MenuTouch, TapStopsTheGlide)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10);
    touch(m, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50);
    ASSERT_NE(m->GetScroll().speed, 0);
    unsigned short at = m->GetScroll().offset;
    touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 50, 50);
    EXPECT_EQ(m->GetScroll().speed, 0);
    EXPECT_EQ(press(m, 0), 0);
    EXPECT_EQ(m->GetScroll().offset, at);
}

TEST_F(MenuTouch, DragsWithoutScrollingWhenTurnedOff)
{
    vuMenu* m = makeMenu(VU_MENU_LIST, 10, VU_MO_SELECT_FIRST | VU_MO_NO_DRAG);
    EXPECT_EQ(touch(m, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50), 0);
    EXPECT_EQ(m->GetScroll().offset, 0);
    vuMenu* shortMenu = makeMenu(VU_MENU_LIST, 3);
    EXPECT_EQ(touch(shortMenu, VU_PHASE_MOVE, VU_GESTURE_UP, 50, 50), 0) << "nothing to scroll";
}

TEST_F(MenuTouch, CloseIcon)
{
    struct Case {
        unsigned short options;
        int expect;
    } cases[] = {
        {VU_FO_HEADER | VU_FO_CANCEL, -1},
        {VU_FO_HEADER | VU_FO_CANCEL | VU_FO_NO_CLOSE, 0},
        {VU_FO_HEADER, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        vuMenu* m = makeMenu(VU_MENU_LIST, 3, c.options);
        // The icon: 18 x 18 at (240 - 18 - 2, 1).
        EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 225, 5), c.expect);
        EXPECT_EQ(touch(m, VU_PHASE_DOWN, 0, 225, 5), 0) << "only a release";
        EXPECT_EQ(touch(m, VU_PHASE_UP, VU_GESTURE_TAP, 200, 5), 0) << "header beside the icon";
    }
}
