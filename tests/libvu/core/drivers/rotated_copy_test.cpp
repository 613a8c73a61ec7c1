// Every way of the turned copy this processor has (the terminal's generic
// vector code runs everywhere), held to the plain pixel rule for
// rectangles of every shape on both screen sizes: whole screens, tile
// multiples, remainders of every width and height, single pixels. Pixels
// outside the rectangle stay as they were.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "vuRotatedCopy.h"

namespace {

struct Rect {
    unsigned x, y, w, h;
};

TEST(RotatedCopy, EveryWayFollowsThePixelRule)
{
    std::mt19937 rng(20261211);
    auto below = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
    int ways = 0;
    for (int way = 0; way < VU_ROTATED_COPY_WAYS; ++way) {
        const vuRotatedCopyWay w = static_cast<vuRotatedCopyWay>(way);
        if (!vuRotatedCopyHas(w))
            continue;
        ++ways;
        for (const Rect size : {Rect{0, 0, 240, 320}, Rect{0, 0, 320, 240}, Rect{0, 0, 40, 24}}) {
            const unsigned W = size.w, H = size.h; // logical screen
            std::vector<Rect> rects = {{0, 0, W, H},           {16, 32, 64, 48}, {8, 8, 24, 40}, {W - 1, H - 1, 1, 1},
                                       {0, 3, W, 1},           {5, 0, 1, H},     {1, 1, W - 2, H - 2},
                                       {0, H - 17, W, 17},     {W - 33, 0, 33, H}};
            for (int i = 0; i < 40; ++i) {
                const unsigned x = below(W), y = below(H);
                rects.push_back({x, y, 1 + below(W - x), 1 + below(H - y)});
            }
            std::vector<uint16_t> src(static_cast<size_t>(W) * H), dst(src.size()), want;
            for (const Rect &r : rects) {
                if (r.x + r.w > W || r.y + r.h > H)
                    continue; // a fixed rectangle larger than the small screen
                for (uint16_t &p : src)
                    p = static_cast<uint16_t>(rng());
                for (uint16_t &p : dst)
                    p = static_cast<uint16_t>(rng());
                want = dst;
                for (unsigned row = r.y; row < r.y + r.h; ++row)
                    for (unsigned c = r.x; c < r.x + r.w; ++c)
                        want[static_cast<size_t>(c) * H + (H - 1 - row)] = src[static_cast<size_t>(row) * W + c];
                ASSERT_TRUE(vuRotatedCopyWith(w, src.data(), W, dst.data(), H, r.x, r.y, r.w, r.h));
                ASSERT_EQ(dst, want) << "way " << way << ", screen " << W << "x" << H << ", copy " << r.x << ","
                                     << r.y << " " << r.w << "x" << r.h;
            }
        }
    }
    EXPECT_GE(ways, 1);
    EXPECT_TRUE(vuRotatedCopyHas(VU_ROTATED_COPY_PLAIN));
}

} // namespace
