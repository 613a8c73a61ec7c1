// The kinetic-scrolling step lists and menus use.
#include <gtest/gtest.h>

#include <vector>

#include "vuTouchPad.h"

namespace {

struct Step {
    const char *what;
    short direction, limit;
    uint16_t pos;
    short speed;
    uint16_t count;
    int result;
    uint16_t newPos;
    short newSpeed;
    uint16_t newCount;
};

TEST(CorrectMotion, SingleSteps)
{
    ASSERT_EQ(vuTouchPad::GetAccelStep(), 3);
    const Step table[] = {
        {"no room to move", 1, 0, 0, 2, 1, 0, 0, 2, 1},
        {"negative limit", 1, -5, 3, 2, 1, 0, 3, 2, 1},
        {"nothing moving, no drag", 0, 100, 10, 0, 2, 0, 10, 0, 2},
        {"drag starts forward", 1, 100, 10, 0, 7, 2, 11, 1, 1},
        {"drag starts backward", -1, 100, 10, 0, 7, 2, 9, -1, 1},
        {"stops exactly at 0", -1, 100, 1, -2, 1, 2, 0, 0, 0},
        {"stops exactly at the limit", 1, 100, 99, 2, 1, 2, 100, 0, 0},
        {"slows from 4 near the limit", 1, 100, 95, 4, 1, 2, 97, 2, 1},
        {"slows from 4 near 0", -1, 100, 5, -4, 1, 2, 3, -2, 1},
        {"slows from -2 next to 0", -1, 100, 2, -2, 1, 2, 1, -1, 1},
        {"release halves 4 at once", 0, 100, 10, 4, 1, 2, 12, 2, 1},
        {"reversal halves -4 at once", 1, 100, 50, -4, 1, 2, 48, -2, 1},
        {"steady 4 stays 4", 1, 100, 10, 4, 5, 2, 14, 4, 6},
        {"drag doubles 2 after accelStep calls", 1, 100, 10, 2, 3, 2, 14, 4, 1},
        {"drag doubles -1 backward", -1, 100, 50, -1, 3, 2, 48, -2, 1},
        {"no drag: 2 becomes 1", 0, 100, 10, 2, 3, 2, 11, 1, 1},
        {"no drag: -2 becomes -1", 0, 100, 10, -2, 3, 2, 9, -1, 1},
        {"reversal stops 1", -1, 100, 10, 1, 3, 2, 10, 0, 0},
        {"before accelStep calls the speed holds", 0, 100, 10, 2, 2, 2, 12, 2, 3},
    };
    for (const Step &s : table) {
        uint16_t pos = s.pos, count = s.count;
        short speed = s.speed;
        EXPECT_EQ(vuTouchPad::CorrectMotion(s.direction, s.limit, pos, speed, count), s.result) << s.what;
        EXPECT_EQ(pos, s.newPos) << s.what;
        EXPECT_EQ(speed, s.newSpeed) << s.what;
        EXPECT_EQ(count, s.newCount) << s.what;
    }
}

TEST(CorrectMotion, DragAcceleratesThenReleaseCoastsToAStop)
{
    uint16_t pos = 0, count = 0;
    short speed = 0;
    std::vector<short> speeds;
    for (int i = 0; i < 9; ++i) {
        vuTouchPad::CorrectMotion(1, 1000, pos, speed, count);
        speeds.push_back(speed);
    }
    EXPECT_EQ(speeds, (std::vector<short>{1, 1, 1, 2, 2, 2, 4, 4, 4}));
    EXPECT_EQ(pos, 1 + 1 + 1 + 2 + 2 + 2 + 4 + 4 + 4);

    speeds.clear();
    int guard = 0;
    while (vuTouchPad::CorrectMotion(0, 1000, pos, speed, count) == 2 && ++guard < 100)
        speeds.push_back(speed);
    EXPECT_EQ(speeds, (std::vector<short>{2, 2, 2, 1, 1, 1, 0}));
    EXPECT_EQ(pos, 21 + 2 + 2 + 2 + 1 + 1 + 1);
    EXPECT_EQ(vuTouchPad::CorrectMotion(0, 1000, pos, speed, count), 0) << "at rest";
}

TEST(CorrectMotion, FlingNeverPassesEitherEnd)
{
    for (short limit : {1, 2, 7, 50, 333}) {
        uint16_t pos = 0, count = 0;
        short speed = 0;
        for (int i = 0; i < 1000 && !(pos == limit && speed == 0); ++i) {
            vuTouchPad::CorrectMotion(1, limit, pos, speed, count);
            ASSERT_LE(pos, limit);
        }
        EXPECT_EQ(pos, limit);
        EXPECT_EQ(speed, 0);
        for (int i = 0; i < 1000 && !(pos == 0 && speed == 0); ++i) {
            uint16_t before = pos;
            vuTouchPad::CorrectMotion(-1, limit, pos, speed, count);
            ASSERT_LE(pos, before) << "no wrap below 0";
        }
        EXPECT_EQ(pos, 0);
        EXPECT_EQ(speed, 0);
    }
}

} // namespace
