// The frame buffer's font slots and its primitives drawn into pixel memory,
// checked pixel by pixel against a sentinel background.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MemScreen.h"
#include "vuFont.h"
#include "vuStatusLine.h"
#include "vuUI.h"

namespace {

const uint16_t kBack = 0x1234;  // sentinel: every pixel not drawn keeps it
const uint16_t kInk = 0xF81F;

using Pixels = std::set<std::pair<int, int>>;

Pixels Rect(int x, int y, int w, int h) {
    Pixels out;
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px) out.insert({px, py});
    return out;
}

// Every pixel in `drawn` has `colour`, every other one the sentinel.
void ExpectOnly(const MemScreen& fb, const Pixels& drawn, uint16_t colour) {
    for (int y = 0; y < fb.GetHeight(); ++y)
        for (int x = 0; x < fb.GetWidth(); ++x) {
            const uint16_t want = drawn.count({x, y}) ? colour : kBack;
            ASSERT_EQ(fb.At(x, y), want) << "pixel " << x << "," << y;
        }
}

TEST(FrameBufferTest, StartsWithTheBuiltInFontsInTheFirstSixSlots) {
    MemScreen fb(40, 30);
    EXPECT_EQ(fb.GetType(), VU_TYPE_UI);
    EXPECT_EQ(fb.GetWidth(), 40);
    EXPECT_EQ(fb.GetHeight(), 30);
    EXPECT_EQ(fb.GetWidthInBytes(), 80u);
    const int heights[6] = {8, 16, 24, 8, 16, 24};
    for (unsigned short slot = 0; slot < 12; ++slot) {
        vuFont* font = fb.GetFont(slot);
        if (slot < 6) {
            ASSERT_NE(font, nullptr) << slot;
            EXPECT_EQ(font->GetHeight(), heights[slot]) << slot;
        } else {
            EXPECT_EQ(font, nullptr) << slot;
        }
    }
    // Without a UI there is no status line: the client area is the screen.
    fb.UpdateClient();
    EXPECT_EQ(fb.GetClientHeight(), 30);
    EXPECT_EQ(fb.GetClientWidth(), 40);
    fb.DelFont(0);
    ASSERT_NE(fb.GetFont(0), nullptr);
    EXPECT_EQ(fb.GetFont(0)->GetWidth(), 6);
}

struct RectCase {
    const char* name;
    vuViewPort port;
    short x, y;
    unsigned short w, h;
    Pixels expect;
};

// Frame buffer 40 x 30 in every case.
std::vector<RectCase> RectCases() {
    return {
        {"inside the port", {0, 0, 40, 30, 0, 0}, 3, 4, 5, 2, Rect(3, 4, 5, 2)},
        {"cut at the port's left", {0, 0, 20, 20, 0, 0}, -10, 5, 30, 3, Rect(0, 5, 20, 3)},
        {"cut on all sides", {5, 6, 10, 4, 0, 0}, 0, 0, 40, 30, Rect(5, 6, 10, 4)},
        {"shifted by the offsets", {0, 0, 40, 30, 7, -2}, 3, 4, 5, 3, Rect(10, 2, 5, 3)},
        {"shifted, then cut", {10, 10, 8, 8, 5, 5}, 0, 0, 10, 10, Rect(10, 10, 5, 5)},
        {"right of the port", {0, 0, 10, 10, 0, 0}, 12, 2, 5, 5, {}},
        {"below the port", {0, 0, 10, 10, 0, 0}, 2, 10, 5, 5, {}},
        {"empty port", {0, 0, 0, 30, 0, 0}, 3, 4, 5, 2, {}},
        {"zero size", {0, 0, 40, 30, 0, 0}, 3, 4, 0, 2, {}},
        {"port larger than the screen", {-100, -100, 1000, 1000, 0, 0}, 35, 25, 100, 100, Rect(35, 25, 5, 5)},
        {"left of the screen", {-100, -100, 1000, 1000, 0, 0}, -8, -3, 10, 5, Rect(0, 0, 2, 2)},
    };
}

TEST(FrameBufferTest, FillPaintsTheClippedRectangle) {
    for (const RectCase& c : RectCases()) {
        SCOPED_TRACE(c.name);
        MemScreen fb(40, 30, kBack);
        vuViewPort port = c.port;
        ASSERT_EQ(fb.Fill(&port, c.x, c.y, c.w, c.h, kInk, 0x5555), 0);
        ExpectOnly(fb, c.expect, kInk);
    }
}

TEST(FrameBufferTest, ShadowHalvesEveryChannelOfTheClippedRectangle) {
    for (const RectCase& c : RectCases()) {
        SCOPED_TRACE(c.name);
        MemScreen fb(40, 30, kBack);
        vuViewPort port = c.port;
        ASSERT_EQ(fb.Shadow(&port, c.x, c.y, c.w, c.h), 0);
        ExpectOnly(fb, c.expect, (kBack >> 1) & 0x7BEF);
    }
    const struct {
        uint16_t before, after;
    } channels[] = {{0xFFFF, 0x7BEF}, {0xF800, 0x7800}, {0x07E0, 0x03E0}, {0x001F, 0x000F},
                    {0x0821, 0x0000}, {0x1082, 0x0841}};
    for (const auto& ch : channels) {
        MemScreen fb(2, 1, ch.before);
        vuViewPort port = {0, 0, 2, 1, 0, 0};
        fb.Shadow(&port, 0, 0, 1, 1);
        EXPECT_EQ(fb.At(0, 0), ch.after) << std::hex << ch.before;
        EXPECT_EQ(fb.At(1, 0), ch.before);
    }
}

TEST(FrameBufferTest, BorderDrawsOnlyTheEdgesClippingLeftInPlace) {
    const vuViewPort all = {0, 0, 40, 30, 0, 0};
    Pixels frame = Rect(3, 4, 6, 5);
    for (const auto& p : Rect(4, 5, 4, 3)) frame.erase(p);
    const struct {
        const char* name;
        vuViewPort port;
        short x, y;
        unsigned short w, h;
        Pixels expect;
    } cases[] = {
        {"whole frame", all, 3, 4, 6, 5, frame},
        {"one pixel", all, 3, 4, 1, 1, Rect(3, 4, 1, 1)},
        {"one row", all, 3, 4, 4, 1, Rect(3, 4, 4, 1)},
        // The port cuts the left side away: top and bottom start at its edge.
        {"left edge cut off", {5, 0, 35, 30, 0, 0}, 3, 4, 6, 5,
         [] {
             Pixels p = Rect(5, 4, 4, 1);
             for (auto q : Rect(5, 8, 4, 1)) p.insert(q);
             for (auto q : Rect(8, 4, 1, 5)) p.insert(q);
             return p;
         }()},
        // Top and bottom cut off: only the two sides, as long as the port.
        {"top and bottom cut off", {0, 5, 40, 3, 0, 0}, 3, 4, 6, 5,
         [] {
             Pixels p = Rect(3, 5, 1, 3);
             for (auto q : Rect(8, 5, 1, 3)) p.insert(q);
             return p;
         }()},
        {"shifted by the offsets", {0, 0, 40, 30, 2, 1}, 1, 3, 6, 5, frame},
        {"outside the port", {20, 20, 5, 5, 0, 0}, 3, 4, 6, 5, {}},
        // Only the top row and the right column reach the screen.
        {"edges beyond the screen", {-10, -10, 100, 100, 0, 0}, -2, 26, 10, 10,
         [] {
             Pixels p = Rect(0, 26, 8, 1);
             for (auto q : Rect(7, 26, 1, 4)) p.insert(q);
             return p;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemScreen fb(40, 30, kBack);
        vuViewPort port = c.port;
        ASSERT_EQ(fb.Border(&port, c.x, c.y, c.w, c.h, kInk), 0);
        ExpectOnly(fb, c.expect, kInk);
    }
}

TEST(FrameBufferTest, LinesFollowTheirEndAndStyleRules) {
    const vuViewPort all = {0, 0, 40, 30, 0, 0};
    const struct {
        const char* name;
        vuViewPort port;
        short x1, y1, x2, y2;
        unsigned short style;
        Pixels expect;
    } cases[] = {
        // Horizontal and vertical lines leave out their larger end.
        {"horizontal", all, 2, 3, 6, 3, 0, Rect(2, 3, 4, 1)},
        {"horizontal right to left", all, 6, 3, 2, 3, 0, Rect(2, 3, 4, 1)},
        {"vertical", all, 4, 1, 4, 5, 0, Rect(4, 1, 1, 4)},
        {"vertical bottom to top", all, 4, 5, 4, 1, 0, Rect(4, 1, 1, 4)},
        {"single point", all, 4, 4, 4, 4, 0, {}},
        // Clipped ends beyond the port become its last row, which the
        // excluded end then leaves out.
        {"vertical clipped", {0, 0, 20, 10, 0, 0}, 5, -5, 5, 30, 0, Rect(5, 0, 1, 9)},
        {"vertical beside the port", {0, 0, 20, 10, 0, 0}, 25, -5, 25, 30, 0, {}},
        {"horizontal clipped", {2, 0, 10, 10, 0, 0}, -5, 1, 50, 1, 0, Rect(2, 1, 9, 1)},
        {"horizontal shifted", {0, 0, 40, 30, 3, 4}, 0, 0, 5, 0, 0, Rect(3, 4, 5, 1)},
        {"double horizontal", all, 1, 2, 5, 2, 1, Rect(1, 2, 4, 2)},
        {"double horizontal on the port's last row", {0, 0, 40, 3, 0, 0}, 1, 2, 5, 2, 1, Rect(1, 2, 4, 1)},
        {"double vertical", all, 7, 1, 7, 4, 1, Rect(7, 1, 2, 3)},
        {"double vertical on the port's last column", {0, 0, 8, 30, 0, 0}, 7, 1, 7, 4, 1, Rect(7, 1, 1, 3)},
        {"dotted", all, 0, 0, 4, 0, 2, {{1, 0}, {3, 0}}},
        {"dotted double", all, 0, 0, 4, 0, 3, {{1, 0}, {3, 0}, {0, 1}, {2, 1}}},
        // Other lines: Bresenham, both ends, only when both ends are visible.
        {"diagonal", all, 1, 1, 4, 4, 0, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"shallow", all, 1, 1, 7, 3, 0, {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 2}, {6, 3}, {7, 3}}},
        {"shallow reversed", all, 7, 3, 1, 1, 0, {{7, 3}, {6, 3}, {5, 2}, {4, 2}, {3, 2}, {2, 1}, {1, 1}}},
        {"steep", all, 2, 0, 3, 3, 0, {{2, 0}, {2, 1}, {3, 2}, {3, 3}}},
        {"diagonal dotted", all, 0, 1, 3, 4, 2, {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
        {"diagonal shifted", {0, 0, 40, 30, 10, 10}, 1, 1, 3, 3, 0, {{11, 11}, {12, 12}, {13, 13}}},
        {"diagonal with an end outside", {0, 0, 10, 10, 0, 0}, 1, 1, 12, 12, 0, {}},
        {"diagonal in a port beyond the screen", {0, 0, 100, 100, 0, 0}, 36, 26, 44, 34, 0,
         {{36, 26}, {37, 27}, {38, 28}, {39, 29}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemScreen fb(40, 30, kBack);
        vuViewPort port = c.port;
        ASSERT_EQ(fb.Line(&port, c.x1, c.y1, c.x2, c.y2, kInk, c.style), 0);
        ExpectOnly(fb, c.expect, kInk);
    }
}

TEST(FrameBufferTest, WithoutAUiANullPortShowsNothing) {
    MemScreen fb(40, 30, kBack);
    EXPECT_EQ(fb.Fill(nullptr, 0, 0, 40, 30, kInk, 0), 0);
    EXPECT_EQ(fb.Shadow(nullptr, 0, 0, 40, 30), 0);
    EXPECT_EQ(fb.Border(nullptr, 0, 0, 40, 30, kInk), 0);
    EXPECT_EQ(fb.Line(nullptr, 0, 5, 30, 5, kInk, 0), 0);
    EXPECT_EQ(fb.Line(nullptr, 0, 0, 5, 5, kInk, 0), 0);
    ExpectOnly(fb, {}, kInk);
}

TEST(FrameBufferTest, PrimitivesWithoutPixelMemoryFail) {
    MemScreen fb(40, 30, kBack);
    vuViewPort port = {0, 0, 40, 30, 0, 0};
    fb.DropPixels(true);
    EXPECT_EQ(fb.Fill(&port, 0, 0, 4, 4, kInk, 0), -4);
    EXPECT_EQ(fb.Shadow(&port, 0, 0, 4, 4), -4);
    EXPECT_EQ(fb.Border(&port, 0, 0, 4, 4, kInk), -4);
    EXPECT_EQ(fb.Line(&port, 0, 0, 4, 0, kInk, 0), -4);
    EXPECT_EQ(fb.Line(&port, 0, 0, 4, 4, kInk, 0), -4);
    fb.DropPixels(false);
    ExpectOnly(fb, {}, kInk);
}

// The client area follows the UI's status line: below it at the top, above
// it at the bottom, the whole screen while it is hidden.
TEST(FrameBufferTest, ClientAreaLeavesRoomForTheStatusLine) {
    char tmpl[] = "/tmp/vu_fb_client_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string root = tmpl;
    mkdir((root + "/dev").c_str(), 0755);
    mkdir((root + "/dev/graphics").c_str(), 0755);
    std::ofstream(root + "/dev/graphics/fb0", std::ios::binary) << std::string(320 * 240 * 2, '\0');
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    setenv("TERMINAL_FB_XRES", "320", 1);
    setenv("TERMINAL_FB_YRES", "240", 1);

    vuUI* ui = vuUI::Init(VU_UI_CALLER_THREAD);
    ASSERT_NE(ui, nullptr);
    vuFrameBuffer* fb = vuUI::getFB();
    ASSERT_NE(fb, nullptr);
    auto clientTop = [fb] {
        vuViewPort p = {0, 0, 0, 0, 0, 0};
        fb->GetViewPort(&p);  // the offset it hands down is the client origin
        return p.offsetY;
    };
    fb->UpdateClient();
    EXPECT_EQ(fb->GetClientHeight(), 240);
    EXPECT_EQ(clientTop(), 0);

    vuStatusLine* line = new vuStatusLine(20, 0);
    ASSERT_EQ(ui->SetStatusLine(line), 0);
    fb->UpdateClient();
    EXPECT_EQ(fb->GetClientHeight(), 220);
    EXPECT_EQ(clientTop(), 20);

    line->SetOption(VU_SL_BOTTOM);
    fb->UpdateClient();
    EXPECT_EQ(fb->GetClientHeight(), 220);
    EXPECT_EQ(clientTop(), 0);

    line->SetOption(VU_SL_HIDDEN);
    fb->UpdateClient();
    EXPECT_EQ(fb->GetClientHeight(), 240);
    EXPECT_EQ(clientTop(), 0);
    EXPECT_EQ(fb->GetClientWidth(), 320);

    vuUI::Done();
    std::string cmd = "rm -rf " + root;
    (void)system(cmd.c_str());
}

}  // namespace
