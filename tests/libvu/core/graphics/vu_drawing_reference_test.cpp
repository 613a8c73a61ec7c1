// The toolkit's glyph drawing and primitives against the pixel-by-pixel
// routines of ReferenceDrawing.h: the same pixels and results over tables of
// edge cases and randomised fonts, parts, clips and colours, always drawn
// over a random background (whatever the rules leave alone must stay).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "MemScreen.h"
#include "ReferenceDrawing.h"
#include "vuMemFont.h"
#include "vuVFN.h"

using refdraw::ReferenceFont;
using refdraw::ReferenceScreen;

namespace {

// A loaded VFN font that shows its glyph table to the reference.
class OpenVfn : public vuVFN {
public:
    using vuVFN::vuVFN;
    const uint8_t* Table() const { return glyphs; }
};

// Two screens of the same size with the same random pixels: the fast one
// (the toolkit's own primitives over memory) and the reference one.
struct ScreenPair {
    ScreenPair(unsigned short w, unsigned short h, std::mt19937& rng) : fast(w, h), ref(w, h) {
        for (size_t i = 0; i < fast.Pixels().size(); ++i) ref.Mem()[i] = static_cast<uint16_t>(rng());
        std::copy(ref.Mem(), ref.Mem() + fast.Pixels().size(), fast.GetFrameBuffer());
    }
    bool Same() const { return fast.Pixels() == ref.Pixels(); }
    MemScreen fast;
    ReferenceScreen ref;
};

// Colours drawn: bytes equal and not, black, white, the toolkit's
// transparent magenta, and random ones.
uint16_t Colour(std::mt19937& rng) {
    static const uint16_t fixed[] = {0x0000, 0xFFFF, 0x1212, 0xF81F, 0x07E0, 0x8410};
    const unsigned pick = rng() % 10;
    return pick < 6 ? fixed[pick] : static_cast<uint16_t>(rng());
}

// A value in [lo, hi].
int Between(std::mt19937& rng, int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); }

class DrawingReference : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vu_drawing_ref_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::string cmd = "rm -rf " + dir_;
        if (system(cmd.c_str()) != 0) ADD_FAILURE() << "could not remove " << dir_;
    }
    // A VFN font of random glyphs, count glyphs of w x h.
    std::unique_ptr<OpenVfn> RandomVfn(unsigned w, unsigned h, unsigned count, std::mt19937& rng) {
        char header[17];
        snprintf(header, sizeof header, "%05u\r\n%02u\r\n%02u\r\n\x1a", count, h, w);
        std::string bytes(header, 16);
        for (size_t i = 0; i < static_cast<size_t>(count) * w * ((h + 7) / 8); ++i)
            bytes.push_back(static_cast<char>(rng()));
        const std::string path = dir_ + "/f" + std::to_string(w) + "x" + std::to_string(h) + ".vfn";
        std::ofstream(path, std::ios::binary) << bytes;
        auto font = std::make_unique<OpenVfn>(path.c_str());
        EXPECT_NE(font->Table(), nullptr) << path;
        return font;
    }
    std::string dir_;
};

// One glyph part drawn both ways; false (with a message) when they differ.
::testing::AssertionResult SameChar(vuFont& fast, vuFont& ref, unsigned short fbW, unsigned short fbH, char code,
                                    unsigned short srcX, unsigned short srcY, short x, short y, unsigned short w,
                                    unsigned short h, std::mt19937& rng) {
    ScreenPair s(fbW, fbH, rng);
    const uint16_t colour = Colour(rng);
    const int a = fast.DrawChar(&s.fast, code, srcX, srcY, x, y, w, h, colour);
    const int b = ref.DrawChar(&s.ref, code, srcX, srcY, x, y, w, h, colour);
    if (a == b && s.Same()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "code " << (static_cast<unsigned>(code) & 0xFF) << " part " << srcX << ","
                                         << srcY << " " << w << "x" << h << " at " << x << "," << y << " on " << fbW
                                         << "x" << fbH << ": results " << a << "/" << b;
}

TEST_F(DrawingReference, GlyphPartsOfEveryFontKind) {
    std::mt19937 rng(1);
    struct Font {
        std::string name;
        vuFont* fast;
        std::unique_ptr<vuFont> ref;
    };
    std::vector<std::unique_ptr<vuFont>> keep;
    std::vector<Font> fonts;
    for (unsigned kind = 0; kind < 6; ++kind) {
        keep.emplace_back(new vuMemFont(static_cast<unsigned char>(kind)));
        fonts.push_back({"built-in " + std::to_string(kind), keep.back().get(),
                         std::unique_ptr<vuFont>(ReferenceFont::BuiltIn(kind))});
    }
    // One band of fewer than eight rows, bands cut in the middle, many bands,
    // a cell wider than a machine word.
    const unsigned vfnCells[][2] = {{5, 7}, {11, 13}, {8, 16}, {20, 30}, {70, 41}};
    for (const auto& cell : vfnCells) {
        auto vfn = RandomVfn(cell[0], cell[1], 40, rng);
        const uint8_t* table = vfn->Table();
        fonts.push_back({"VFN " + std::to_string(cell[0]) + "x" + std::to_string(cell[1]), vfn.get(),
                         std::make_unique<ReferenceFont>(table, cell[0], cell[1], 40)});
        keep.emplace_back(vfn.release());
    }
    for (Font& f : fonts) {
        SCOPED_TRACE(f.name);
        const int cw = f.fast->GetWidth(), ch = f.fast->GetHeight();
        // Whole glyphs of every code, on a screen with room.
        for (unsigned code = 0; code < 256; ++code)
            ASSERT_TRUE(SameChar(*f.fast, *f.ref, 90, 50, static_cast<char>(code), 0, 0, 3, 2,
                                 static_cast<unsigned short>(cw), static_cast<unsigned short>(ch), rng));
        // Parts starting on and around band edges, and cut by every edge of
        // a small screen.
        const int edges[][6] = {
            // srcX, srcY, x, y, w, h
            {0, 7, 0, 0, 99, 99},   {0, 8, 0, 0, 99, 2},   {1, 9, 4, 4, 3, 5},    {cw - 1, 0, 0, 0, 1, 99},
            {0, ch - 1, 0, 0, 99, 1}, {0, 0, -3, -5, 99, 99}, {0, 0, 30, 20, 99, 99}, {2, 3, -1, 19, 99, 99},
            {0, 0, 0, 0, 0, 5},     {0, 0, 0, 0, 5, 0},    {cw, 0, 0, 0, 5, 5},   {0, ch, 0, 0, 5, 5},
        };
        for (const auto& e : edges)
            ASSERT_TRUE(SameChar(*f.fast, *f.ref, 33, 22, 'A', static_cast<unsigned short>(e[0]),
                                 static_cast<unsigned short>(e[1]), static_cast<short>(e[2]),
                                 static_cast<short>(e[3]), static_cast<unsigned short>(e[4]),
                                 static_cast<unsigned short>(e[5]), rng));
        for (int i = 0; i < 400; ++i) {
            const unsigned short fbW = static_cast<unsigned short>(Between(rng, 1, 60));
            const unsigned short fbH = static_cast<unsigned short>(Between(rng, 1, 50));
            ASSERT_TRUE(SameChar(*f.fast, *f.ref, fbW, fbH, static_cast<char>(rng()),
                                 static_cast<unsigned short>(Between(rng, 0, cw + 1)),
                                 static_cast<unsigned short>(Between(rng, 0, ch + 1)),
                                 static_cast<short>(Between(rng, -cw - 2, fbW + 2)),
                                 static_cast<short>(Between(rng, -ch - 2, fbH + 2)),
                                 static_cast<unsigned short>(Between(rng, 0, cw + 3)),
                                 static_cast<unsigned short>(Between(rng, 0, ch + 3)), rng));
        }
    }
}

TEST_F(DrawingReference, StringsThroughRandomPorts) {
    std::mt19937 rng(2);
    auto vfn = RandomVfn(9, 11, 256, rng);
    ReferenceFont vfnRef(vfn->Table(), 9, 11, 256);
    for (unsigned kind = 0; kind < 7; ++kind) {
        std::unique_ptr<vuFont> fast(kind < 6 ? static_cast<vuFont*>(new vuMemFont(static_cast<unsigned char>(kind)))
                                              : nullptr);
        std::unique_ptr<vuFont> ref(kind < 6 ? ReferenceFont::BuiltIn(kind) : nullptr);
        vuFont& f = kind < 6 ? *fast : *vfn;
        vuFont& r = kind < 6 ? *ref : static_cast<vuFont&>(vfnRef);
        SCOPED_TRACE(kind < 6 ? "built-in " + std::to_string(kind) : std::string("VFN"));
        const int cw = f.GetWidth(), ch = f.GetHeight();
        for (int i = 0; i < 300; ++i) {
            std::string text;
            for (int n = Between(rng, 0, 12); n > 0; --n) text.push_back(static_cast<char>(Between(rng, 1, 255)));
            const unsigned short fbW = static_cast<unsigned short>(Between(rng, 8, 120));
            const unsigned short fbH = static_cast<unsigned short>(Between(rng, 8, 60));
            ScreenPair s(fbW, fbH, rng);
            vuViewPort port = {static_cast<int16_t>(Between(rng, -10, fbW)),
                               static_cast<int16_t>(Between(rng, -10, fbH)),
                               static_cast<uint16_t>(Between(rng, 0, fbW + 10)),
                               static_cast<uint16_t>(Between(rng, 0, fbH + 10)),
                               static_cast<int16_t>(Between(rng, -20, 20)),
                               static_cast<int16_t>(Between(rng, -20, 20))};
            const unsigned short length = static_cast<unsigned short>(Between(rng, 0, 3) ? 0 : Between(rng, 1, 12));
            const unsigned short srcX = static_cast<unsigned short>(Between(rng, 0, cw * 4));
            const unsigned short srcY = static_cast<unsigned short>(Between(rng, 0, ch + 1));
            const short x = static_cast<short>(Between(rng, -cw * 2, fbW));
            const short y = static_cast<short>(Between(rng, -ch, fbH));
            const unsigned short w = static_cast<unsigned short>(Between(rng, 0, fbW + cw));
            const unsigned short h = static_cast<unsigned short>(Between(rng, 0, ch + 4));
            const uint16_t colour = Colour(rng);
            const int a = f.DrawString(&s.fast, &port, text.c_str(), length, srcX, srcY, x, y, w, h, colour);
            const int b = r.DrawString(&s.ref, &port, text.c_str(), length, srcX, srcY, x, y, w, h, colour);
            ASSERT_EQ(a, b);
            ASSERT_TRUE(s.Same()) << "case " << i << ": '" << text << "' from " << srcX << "," << srcY << " at " << x
                                  << "," << y << " " << w << "x" << h;
        }
    }
}

TEST(PrimitivesReference, RandomRectanglesLinesPortsAndColours) {
    std::mt19937 rng(3);
    // Screens of the terminal's sizes (whole rows in one run) and odd ones.
    const unsigned short sizes[][2] = {{240, 320}, {320, 240}, {37, 29}, {1, 1}, {64, 3}};
    for (const auto& size : sizes) {
        const unsigned short W = size[0], H = size[1];
        SCOPED_TRACE(std::to_string(W) + "x" + std::to_string(H));
        for (int i = 0; i < 400; ++i) {
            ScreenPair s(W, H, rng);
            // Null port (no singleton: nothing visible), ports inside, across
            // and outside the screen, with offsets; and the whole screen.
            vuViewPort whole = {0, 0, W, H, 0, 0};
            vuViewPort random = {static_cast<int16_t>(Between(rng, -W / 2, W)),
                                 static_cast<int16_t>(Between(rng, -H / 2, H)),
                                 static_cast<uint16_t>(Between(rng, 0, W + 8)),
                                 static_cast<uint16_t>(Between(rng, 0, H + 8)),
                                 static_cast<int16_t>(Between(rng, -8, 8)), static_cast<int16_t>(Between(rng, -8, 8))};
            const unsigned which = rng() % 8;
            vuViewPort* port = which == 0 ? nullptr : which < 4 ? &whole : &random;
            const short x = static_cast<short>(Between(rng, -W / 2, W + 2));
            const short y = static_cast<short>(Between(rng, -H / 2, H + 2));
            const unsigned short w = static_cast<unsigned short>(Between(rng, 0, W + 4));
            const unsigned short h = static_cast<unsigned short>(Between(rng, 0, H + 4));
            const uint16_t colour = Colour(rng);
            const unsigned op = rng() % 5;
            int a = 0, b = 0;
            switch (op) {
            case 0:
                a = s.fast.Fill(port, x, y, w, h, colour, 0);
                b = s.ref.Fill(port, x, y, w, h, colour, 0);
                break;
            case 1:
                a = s.fast.Shadow(port, x, y, w, h);
                b = s.ref.Shadow(port, x, y, w, h);
                break;
            case 2:
                a = s.fast.Border(port, x, y, w, h, colour);
                b = s.ref.Border(port, x, y, w, h, colour);
                break;
            default: {
                // Horizontal, vertical and slanted lines in every style.
                const short x2 = op == 3 ? static_cast<short>(Between(rng, -W / 2, W + 2)) : x;
                const short y2 = op == 4 ? static_cast<short>(Between(rng, -H / 2, H + 2))
                                         : (rng() % 4 ? y : static_cast<short>(Between(rng, 0, H)));
                const unsigned short style = static_cast<unsigned short>(rng() % 4);
                a = s.fast.Line(port, x, y, x2, y2, colour, style);
                b = s.ref.Line(port, x, y, x2, y2, colour, style);
            }
            }
            ASSERT_EQ(a, b);
            ASSERT_TRUE(s.Same()) << "op " << op << " case " << i << " port " << which << " rect " << x << "," << y
                                  << " " << w << "x" << h << " colour " << colour;
        }
    }
}

}  // namespace
