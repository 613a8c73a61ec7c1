#include <gtest/gtest.h>

#include "vuUI.h"
#include "vuViewPort.h"

namespace {

struct RectCase {
    const char* name;
    vuViewPort port;
    short x, y;
    unsigned short w, h;
    // expected rectangle, and the source offset of the same rectangle
    // clipped as a blit that starts at source (3, 4)
    short ex, ey;
    unsigned short ew, eh;
    unsigned short esx, esy;
};

const RectCase kRects[] = {
    {"overhang on the left", {0, 0, 100, 100, 0, 0}, -10, 5, 30, 10, 0, 5, 20, 10, 13, 4},
    {"inside stays", {0, 0, 100, 100, 0, 0}, 20, 30, 10, 10, 20, 30, 10, 10, 3, 4},
    {"overhang right and bottom", {0, 0, 100, 100, 0, 0}, 90, 95, 20, 20, 90, 95, 10, 5, 3, 4},
    {"entirely right keeps shifted x", {0, 0, 100, 100, 7, 0}, 150, 5, 20, 10, 157, 5, 0, 10, 3, 4},
    {"starting at the right edge is outside", {0, 0, 100, 100, 0, 0}, 100, 0, 10, 10, 100, 0, 0, 10, 3, 4},
    {"entirely above", {0, 0, 100, 100, 0, 0}, 10, -30, 10, 10, 10, -30, 10, 0, 3, 4},
    {"offsets, then cut on all sides", {10, 10, 50, 50, 5, -5}, 0, 0, 100, 100, 10, 10, 50, 50, 8, 19},
    {"empty port: size 0, nothing shifted", {0, 0, 0, 100, 7, 7}, 1, 2, 3, 4, 1, 2, 0, 0, 3, 4},
    {"port of height 0", {0, 0, 100, 0, 0, 0}, 1, 2, 3, 4, 1, 2, 0, 0, 3, 4},
};

TEST(ViewPort, RecalculateRectangle) {
    for (const RectCase& c : kRects) {
        SCOPED_TRACE(c.name);
        vuViewPort port = c.port;
        short x = c.x, y = c.y;
        unsigned short w = c.w, h = c.h;
        vuViewPort::Recalculate(&port, x, y, w, h);
        EXPECT_EQ(x, c.ex);
        EXPECT_EQ(y, c.ey);
        EXPECT_EQ(w, c.ew);
        EXPECT_EQ(h, c.eh);
    }
}

TEST(ViewPort, RecalculateBlitSkipsTheHiddenSource) {
    for (const RectCase& c : kRects) {
        SCOPED_TRACE(c.name);
        vuViewPort port = c.port;
        short x = c.x, y = c.y;
        unsigned short w = c.w, h = c.h, sx = 3, sy = 4;
        vuViewPort::Recalculate(&port, sx, sy, x, y, w, h);
        EXPECT_EQ(x, c.ex);
        EXPECT_EQ(y, c.ey);
        EXPECT_EQ(w, c.ew);
        EXPECT_EQ(h, c.eh);
        EXPECT_EQ(sx, c.esx);
        EXPECT_EQ(sy, c.esy);
    }
}

TEST(ViewPort, NullPortIsTheScreenAsTheUiReportsIt) {
    ASSERT_EQ(vuUI::GetUI(), nullptr);
    short x = 0, y = 0, ox = 1, oy = 1;
    unsigned short w = 1, h = 1;
    vuViewPort::GetMainViewPort(x, y, w, h, ox, oy);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(ox, 0);
    EXPECT_EQ(oy, 0);
    // Without a UI the screen is 0 x 0: nothing is visible.
    short rx = 5, ry = 5;
    unsigned short rw = 10, rh = 10;
    vuViewPort::Recalculate(nullptr, rx, ry, rw, rh);
    EXPECT_EQ(rw, 0);
    EXPECT_EQ(rh, 0);
}

struct LineCase {
    const char* name;
    vuViewPort port;
    short x1, y1, x2, y2;
    short e1x, e1y, e2x, e2y;
};

TEST(ViewPort, RecalculateLine) {
    const vuViewPort tall = {0, 0, 100, 200, 0, 0};
    const LineCase cases[] = {
        {"vertical, both ends out", tall, 5, -20, 5, 300, 5, 0, 5, 199},
        {"vertical, reversed", tall, 5, 300, 5, -20, 5, 199, 5, 0},
        {"vertical, end just past the port stays", tall, 5, 10, 5, 200, 5, 10, 5, 200},
        {"vertical, right of the port: one point", tall, 150, -20, 150, 300, 150, 300, 150, 300},
        {"vertical, wholly above: one point", tall, 5, -30, 5, -10, 5, -10, 5, -10},
        {"horizontal, both ends out", tall, -10, 50, 500, 50, 0, 50, 99, 50},
        {"horizontal, below the port: one point", tall, -10, 200, 50, 200, 50, 200, 50, 200},
        {"horizontal with offsets", {10, 10, 50, 50, 5, 5}, 0, 20, 100, 20, 10, 25, 59, 25},
        {"diagonal is only shifted", {0, 0, 100, 100, 3, -4}, 0, 0, 500, 500, 3, -4, 503, 496},
        {"empty port hides a vertical line", {0, 0, 0, 0, 0, 0}, 0, 0, 0, 10, 0, 10, 0, 10},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        vuViewPort port = c.port;
        short x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
        vuViewPort::RecalculateLine(&port, x1, y1, x2, y2);
        EXPECT_EQ(x1, c.e1x);
        EXPECT_EQ(y1, c.e1y);
        EXPECT_EQ(x2, c.e2x);
        EXPECT_EQ(y2, c.e2y);
    }
}

TEST(ViewPort, IsExist) {
    vuViewPort noWidth = {0, 0, 0, 5, 0, 0};
    vuViewPort noHeight = {0, 0, 5, 0, 0, 0};
    vuViewPort pixel = {-3, -3, 1, 1, 0, 0};
    EXPECT_TRUE(vuViewPort::IsExist(nullptr));
    EXPECT_FALSE(vuViewPort::IsExist(&noWidth));
    EXPECT_FALSE(vuViewPort::IsExist(&noHeight));
    EXPECT_TRUE(vuViewPort::IsExist(&pixel));
}

}  // namespace
