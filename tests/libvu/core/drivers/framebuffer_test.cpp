// Screen driver: the device (a frame-buffer file under the terminal root),
// the copies to the screen with and without rotation, and the primitives
// drawn into the back buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "terminal_fixture.h"
#include "vuPaxProlinFrameBuffer.h"

namespace {

class Screen : public TerminalRoot {
protected:
    void TearDown() override
    {
        vuPaxProlinFrameBuffer::CloseDevice();
        TerminalRoot::TearDown();
    }
    // Opens the device and returns the logical size.
    void open(int &w, int &h) { ASSERT_EQ(vuPaxProlinFrameBuffer::OpenDevice(w, h), 0); }
};

TEST_F(Screen, DeviceGivesTheLogicalSizeTurnedForRotation)
{
    struct {
        const char *rotate;
        int w, h;
    } table[] = {{nullptr, 240, 320}, {"0", 240, 320}, {"90", 320, 240}, {"180", 240, 320}};
    makeScreen(240, 320);
    for (const auto &c : table) {
        if (c.rotate) {
            ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", c.rotate), 0);
        }
        int w = 0, h = 0;
        open(w, h);
        EXPECT_EQ(w, c.w) << (c.rotate ? c.rotate : "none");
        EXPECT_EQ(h, c.h);
        EXPECT_GE(vuPaxProlinFrameBuffer::display, 0);
        EXPECT_NE(vuPaxProlinFrameBuffer::screenMem, nullptr);
        EXPECT_EQ(vuPaxProlinFrameBuffer::screenMemSize, 240u * 320u * 2u);
    }
}

TEST_F(Screen, DeviceFailuresGiveMinus11AndLeaveItClosed)
{
    struct {
        const char *why;
        std::function<void()> prepare;
    } table[] = {
        {"no device", [] {}},
        {"depth 32", [this] { makeScreen(240, 320, 32); }},
        {"depth 8", [this] { makeScreen(240, 320, 8); }},
        {"file shorter than the screen", [this] { makeScreen(240, 320, 16, 240 * 320); }},
        {"no geometry",
         [this] {
             makeScreen(240, 320);
             OsRegSetValue("osal.fb.xres", "");
         }},
    };
    for (const auto &c : table) {
        c.prepare();
        int w = -7, h = -7;
        EXPECT_EQ(vuPaxProlinFrameBuffer::OpenDevice(w, h), -11) << c.why;
        EXPECT_EQ(w, -7) << "size untouched: " << c.why;
        EXPECT_EQ(vuPaxProlinFrameBuffer::display, -1) << c.why;
        EXPECT_EQ(vuPaxProlinFrameBuffer::screenMem, nullptr) << c.why;
    }
}

TEST_F(Screen, OpeningAgainReleasesTheEarlierDevice)
{
    makeScreen(16, 8);
    int w, h;
    open(w, h);
    int before = openDescriptors();
    for (int i = 0; i < 5; ++i)
        open(w, h);
    EXPECT_EQ(openDescriptors(), before);
    vuPaxProlinFrameBuffer::CloseDevice();
    EXPECT_EQ(openDescriptors(), before - 1);
    vuPaxProlinFrameBuffer::CloseDevice(); // closing twice is harmless
}

// Logical pixel (x, y) gets a value of its own.
uint16_t pattern(unsigned x, unsigned y)
{
    return static_cast<uint16_t>(1 + x * 131 + y * 7);
}

void paint(vuFrameBuffer &fb)
{
    uint16_t *px = fb.GetFrameBuffer();
    for (unsigned y = 0; y < fb.GetHeight(); ++y)
        for (unsigned x = 0; x < fb.GetWidth(); ++x)
            px[y * fb.GetWidth() + x] = pattern(x, y);
}

// Where logical (x, y) lies in the screen file for a logical w x h screen.
size_t screenIndex(unsigned rotate, unsigned w, unsigned h, unsigned x, unsigned y)
{
    return rotate == 90 ? static_cast<size_t>(x) * h + (h - 1 - y) : static_cast<size_t>(y) * w + x;
}

TEST_F(Screen, RotatedScreenPutsLogicalOriginAtRowZeroLastColumn)
{
    makeScreen(240, 320);
    ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", "90"), 0);
    int w, h;
    open(w, h);
    vuPaxProlinFrameBuffer fb(static_cast<unsigned short>(w), static_cast<unsigned short>(h));
    fb.GetFrameBuffer()[0] = 0xF800;
    ASSERT_EQ(fb.ToScreen(), 0);
    std::vector<uint16_t> screen = screenPixels();
    ASSERT_EQ(screen.size(), 240u * 320u);
    EXPECT_EQ(screen[0 * 240 + 239], 0xF800);
    EXPECT_EQ(screen[0], 0);
}

TEST_F(Screen, CopiesMoveExactlyTheirPixelsInBothRotations)
{
    struct Copy {
        const char *what;
        int x, y, w, h; // area expected on screen
        std::function<int(vuFrameBuffer &)> run;
    };
    const int W0 = 24, H0 = 20; // panel; logical size depends on rotation
    for (unsigned rotate : {0u, 90u}) {
        const int W = rotate == 90 ? H0 : W0, H = rotate == 90 ? W0 : H0;
        Copy table[] = {
            {"whole", 0, 0, W, H, [](vuFrameBuffer &fb) { return fb.ToScreen(); }},
            {"rows 3..19", 0, 3, W, 17, [](vuFrameBuffer &fb) { return fb.ToScreen(3, 17); }},
            {"last row", 0, H - 1, W, 1,
             [H](vuFrameBuffer &fb) { return fb.ToScreen(static_cast<unsigned short>(H - 1), 1); }},
            {"rectangle", 5, 2, 7, 18, [](vuFrameBuffer &fb) { return fb.ToScreen(5, 2, 7, 18); }},
            {"whole as rectangle", 0, 0, W, H,
             [W, H](vuFrameBuffer &fb) {
                 return fb.ToScreen(0, 0, static_cast<unsigned short>(W), static_cast<unsigned short>(H));
             }},
            {"no rows", 0, 0, 0, 0, [](vuFrameBuffer &fb) { return fb.ToScreen(4, 0); }},
            {"empty rectangle", 0, 0, 0, 0, [](vuFrameBuffer &fb) { return fb.ToScreen(3, 3, 0, 5); }},
        };
        for (const Copy &c : table) {
            makeScreen(W0, H0);
            ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", std::to_string(rotate).c_str()), 0);
            int w, h;
            open(w, h);
            ASSERT_EQ(w, W);
            vuPaxProlinFrameBuffer fb(static_cast<unsigned short>(w), static_cast<unsigned short>(h));
            paint(fb);
            ASSERT_EQ(c.run(fb), 0) << c.what << " rotate " << rotate;
            std::vector<uint16_t> screen = screenPixels();
            ASSERT_EQ(screen.size(), static_cast<size_t>(W0 * H0));
            int wrong = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                    uint16_t want = inside ? pattern(x, y) : 0;
                    if (screen[screenIndex(rotate, W, H, x, y)] != want)
                        ++wrong;
                }
            EXPECT_EQ(wrong, 0) << c.what << " rotate " << rotate;
            vuPaxProlinFrameBuffer::CloseDevice();
        }
    }
}

// The copies against the plain rule, pixel by pixel, for rectangles of every
// shape on a panel of the terminal's size: whole screens, rows, rectangles
// aligned to eight pixels and not, one pixel wide or high, at every edge.
TEST_F(Screen, RandomCopiesMatchThePixelRuleInBothRotations)
{
    const unsigned W0 = 240, H0 = 320;
    std::mt19937 rng(20261210);
    auto below = [&rng](unsigned n) { return static_cast<unsigned>(rng() % n); };
    for (unsigned rotate : {0u, 90u}) {
        makeScreen(W0, H0);
        ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", std::to_string(rotate).c_str()), 0);
        int w, h;
        open(w, h);
        const unsigned W = static_cast<unsigned>(w), H = static_cast<unsigned>(h);
        vuPaxProlinFrameBuffer fb(static_cast<unsigned short>(W), static_cast<unsigned short>(H));
        for (int round = 0; round < 60; ++round) {
            unsigned x, y, cw, ch;
            switch (round) {
            case 0: x = 0, y = 0, cw = W, ch = H; break;
            case 1: x = 8, y = 16, cw = 64, ch = 40; break;
            case 2: x = W - 1, y = H - 1, cw = 1, ch = 1; break;
            case 3: x = 0, y = 3, cw = W, ch = 1; break;
            case 4: x = 5, y = 0, cw = 1, ch = H; break;
            default:
                x = below(W), y = below(H);
                cw = 1 + below(W - x), ch = 1 + below(H - y);
            }
            std::vector<uint16_t> before(static_cast<size_t>(W0) * H0);
            for (uint16_t &p : before)
                p = static_cast<uint16_t>(rng());
            std::memcpy(vuPaxProlinFrameBuffer::screenMem, before.data(), before.size() * 2);
            uint16_t *px = fb.GetFrameBuffer();
            for (size_t i = 0; i < static_cast<size_t>(W) * H; ++i)
                px[i] = static_cast<uint16_t>(rng());
            ASSERT_EQ(fb.ToScreen(static_cast<unsigned short>(x), static_cast<unsigned short>(y),
                                  static_cast<unsigned short>(cw), static_cast<unsigned short>(ch)),
                      0);
            std::vector<uint16_t> want = before;
            for (unsigned r = y; r < y + ch; ++r)
                for (unsigned c = x; c < x + cw; ++c)
                    want[screenIndex(rotate, W, H, c, r)] = px[static_cast<size_t>(r) * W + c];
            ASSERT_EQ(screenPixels(), want) << "rotate " << rotate << " copy " << x << "," << y << " " << cw << "x"
                                            << ch;
        }
        vuPaxProlinFrameBuffer::CloseDevice();
    }
}

TEST_F(Screen, BadCopiesAreRefusedAndCopyNothing)
{
    makeScreen(16, 10);
    int w, h;
    open(w, h);
    vuPaxProlinFrameBuffer fb(16, 10);
    paint(fb);
    struct {
        const char *what;
        std::function<int()> run;
        int result;
    } table[] = {
        {"rows from the height", [&] { return fb.ToScreen(10, 0); }, -4},
        {"rows past the end", [&] { return fb.ToScreen(5, 6); }, -4},
        {"rectangle below", [&] { return fb.ToScreen(0, 10, 1, 1); }, -4},
        {"rectangle right", [&] { return fb.ToScreen(16, 0, 1, 1); }, -4},
        {"rectangle too wide", [&] { return fb.ToScreen(10, 0, 7, 1); }, -4},
        {"rectangle too high", [&] { return fb.ToScreen(0, 5, 1, 6); }, -4},
        {"row count wraps", [&] { return fb.ToScreen(1, 65535); }, -4},
    };
    for (const auto &c : table)
        EXPECT_EQ(c.run(), c.result) << c.what;
    for (uint16_t p : screenPixels())
        ASSERT_EQ(p, 0) << "nothing copied";
}

TEST_F(Screen, WithoutScreenMemoryDrawingWorksAndCopiesGiveMinus16)
{
    vuPaxProlinFrameBuffer fb(16, 10);
    vuViewPort all{0, 0, 16, 10, 0, 0};
    EXPECT_EQ(fb.Fill(&all, 0, 0, 4, 4, 0x1234, 0), 0);
    EXPECT_EQ(fb.GetFrameBuffer()[3 * 16 + 3], 0x1234);
    EXPECT_EQ(fb.ToScreen(), -16);
    EXPECT_EQ(fb.ToScreen(0, 1), -16);
    EXPECT_EQ(fb.ToScreen(0, 0, 1, 1), -16);
    EXPECT_EQ(fb.ToScreen(0, 10, 1, 1), -4) << "a bad area is reported first";

    makeScreen(8, 8);
    int w, h;
    open(w, h);
    EXPECT_EQ(fb.ToScreen(), -16) << "a frame buffer larger than the screen";
    EXPECT_EQ(fb.ToScreen(0, 0, 1, 1), -16);
}

// ---- primitives ----------------------------------------------------------

// The back buffer as text: '.' 0, '#' colour 1, 'W' white, 's' white shadowed,
// '?' anything else.
std::vector<std::string> picture(vuFrameBuffer &fb)
{
    std::vector<std::string> rows;
    const uint16_t *px = fb.GetFrameBuffer();
    for (unsigned y = 0; y < fb.GetHeight(); ++y) {
        std::string row;
        for (unsigned x = 0; x < fb.GetWidth(); ++x) {
            uint16_t p = px[y * fb.GetWidth() + x];
            row += p == 0 ? '.' : p == 1 ? '#' : p == 0xFFFF ? 'W' : p == 0x7BEF ? 's' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Primitives, DrawClippedByTheViewPort)
{
    vuViewPort full{0, 0, 8, 5, 0, 0};
    vuViewPort inner{1, 1, 6, 3, 0, 0};
    vuViewPort shifted{0, 0, 8, 5, 2, 1};
    vuViewPort empty{0, 0, 0, 5, 0, 0};
    vuViewPort big{-10, -10, 100, 100, 0, 0}; // larger than the frame buffer
    struct {
        const char *what;
        bool white; // start from a white back buffer
        std::function<int(vuFrameBuffer &)> draw;
        std::vector<std::string> expected;
    } table[] = {
        {"fill clipped", false, [&](vuFrameBuffer &fb) { return fb.Fill(&inner, 0, 0, 4, 2, 1, 0xFFFF); },
         {"........", ".###....", "........", "........", "........"}},
        {"fill shifted by the offsets", false,
         [&](vuFrameBuffer &fb) { return fb.Fill(&shifted, 0, 0, 2, 2, 1, 0); },
         {"........", "..##....", "..##....", "........", "........"}},
        {"fill in an empty port", false, [&](vuFrameBuffer &fb) { return fb.Fill(&empty, 0, 0, 8, 5, 1, 0); },
         {"........", "........", "........", "........", "........"}},
        {"fill kept inside the frame buffer", false,
         [&](vuFrameBuffer &fb) { return fb.Fill(&big, 6, 3, 9, 9, 1, 0); },
         {"........", "........", "........", "......##", "......##"}},
        {"shadow halves every channel", true, [&](vuFrameBuffer &fb) { return fb.Shadow(&inner, 5, 0, 9, 9); },
         {"WWWWWWWW", "WWWWWssW", "WWWWWssW", "WWWWWssW", "WWWWWWWW"}},
        {"border whole", false, [&](vuFrameBuffer &fb) { return fb.Border(&full, 1, 1, 4, 3, 1); },
         {"........", ".####...", ".#..#...", ".####...", "........"}},
        {"border with its top cut off", false,
         [&](vuFrameBuffer &fb) { return fb.Border(&inner, 2, 0, 3, 3, 1); },
         {"........", "..#.#...", "..###...", "........", "........"}},
        {"border cut on every side", false, [&](vuFrameBuffer &fb) { return fb.Border(&inner, 0, 0, 8, 5, 1); },
         {"........", "........", "........", "........", "........"}},
        {"border shifted", false, [&](vuFrameBuffer &fb) { return fb.Border(&shifted, 0, 0, 3, 3, 1); },
         {"........", "..###...", "..#.#...", "..###...", "........"}},
        {"horizontal line leaves out its larger end", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, 5, 1, 1, 1, 1, 0); },
         {"........", ".####...", "........", "........", "........"}},
        {"vertical line leaves out its larger end", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, 2, 0, 2, 3, 1, 0); },
         {"..#.....", "..#.....", "..#.....", "........", "........"}},
        {"dotted line sets odd x + y only", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, 0, 0, 4, 0, 1, 2); },
         {".#.#....", "........", "........", "........", "........"}},
        {"double line", false, [&](vuFrameBuffer &fb) { return fb.Line(&full, 1, 1, 4, 1, 1, 1); },
         {"........", ".###....", ".###....", "........", "........"}},
        {"double line at the last row stays single", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, 1, 4, 4, 4, 1, 1); },
         {"........", "........", "........", "........", ".###...."}},
        {"double vertical line", false, [&](vuFrameBuffer &fb) { return fb.Line(&full, 6, 1, 6, 4, 1, 1); },
         {"........", "......##", "......##", "......##", "........"}},
        {"line clipped to the port", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, -5, 2, 20, 2, 1, 0); },
         {"........", "........", "#######.", "........", "........"}},
        {"horizontal line outside the port", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&inner, 0, 4, 7, 4, 1, 0); },
         {"........", "........", "........", "........", "........"}},
        {"diagonal line includes both ends", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&full, 0, 0, 4, 2, 1, 0); },
         {"##......", "..##....", "....#...", "........", "........"}},
        {"dotted diagonal", false, [&](vuFrameBuffer &fb) { return fb.Line(&full, 0, 0, 4, 2, 1, 2); },
         {".#......", "..#.....", "........", "........", "........"}},
        {"diagonal with an end outside the port", false,
         [&](vuFrameBuffer &fb) { return fb.Line(&inner, 1, 1, 7, 3, 1, 0); },
         {"........", "........", "........", "........", "........"}},
        {"diagonal shifted", false, [&](vuFrameBuffer &fb) { return fb.Line(&shifted, 0, 0, 2, 2, 1, 0); },
         {"........", "..#.....", "...#....", "....#...", "........"}},
        {"line of one point", false, [&](vuFrameBuffer &fb) { return fb.Line(&full, 3, 3, 3, 3, 1, 0); },
         {"........", "........", "........", "........", "........"}},
    };
    for (const auto &c : table) {
        vuPaxProlinFrameBuffer fb(8, 5);
        if (c.white)
            std::fill_n(fb.GetFrameBuffer(), 8 * 5, 0xFFFF);
        EXPECT_EQ(c.draw(fb), 0) << c.what;
        EXPECT_EQ(picture(fb), c.expected) << c.what;
    }
}

TEST(Primitives, NullPortIsTheScreenOfNoSingletonAndDrawsNothing)
{
    vuPaxProlinFrameBuffer fb(8, 5);
    EXPECT_EQ(fb.Fill(nullptr, 0, 0, 8, 5, 1, 0), 0);
    EXPECT_EQ(fb.Line(nullptr, 0, 0, 3, 3, 1, 0), 0);
    EXPECT_EQ(fb.Line(nullptr, 0, 1, 5, 1, 1, 0), 0);
    EXPECT_EQ(fb.Border(nullptr, 0, 0, 3, 3, 1), 0);
    for (const std::string &row : picture(fb))
        EXPECT_EQ(row, "........");
}

TEST(Primitives, FrameBufferSetsUpItsMemory)
{
    vuPaxProlinFrameBuffer fb(320, 240);
    EXPECT_EQ(fb.GetWidth(), 320);
    EXPECT_EQ(fb.GetHeight(), 240);
    EXPECT_EQ(fb.GetWidthInBytes(), 640u);
    ASSERT_NE(fb.GetFrameBuffer(), nullptr);
    vuFrameBuffer *made = vuFrameBuffer::Init(10, 4);
    ASSERT_NE(dynamic_cast<vuPaxProlinFrameBuffer *>(made), nullptr);
    EXPECT_EQ(made->GetWidthInBytes(), 20u);
    delete made;
}

} // namespace
