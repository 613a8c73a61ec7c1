// GIF pictures: the parser, the LZW decoder and frame placement.
#include <gtest/gtest.h>

#include <random>

#include "image_fixtures.h"
#include "vuGIF.h"
#include "vuImage.h"

using namespace imgtest;

namespace {


std::vector<Rgb8> GifPalette(int n)
{
    std::vector<Rgb8> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Rgb8{(uint8_t)(i * 13 + 5), (uint8_t)(i * 7 + 50), (uint8_t)(250 - i)});
    return p;
}

uint16_t Colour(const std::vector<Rgb8>& p, int i)
{
    return Rgb(p[i].r, p[i].g, p[i].b);
}

GifFrame Frame(int w, int h, int colours, unsigned seed = 1, int left = 0, int top = 0)
{
    GifFrame f;
    f.left = left;
    f.top = top;
    f.width = w;
    f.height = h;
    for (int i = 0; i < w * h; ++i)
        f.indexes.push_back((uint8_t)((i * 7 + (i / w) * 3 + seed) % colours));
    return f;
}

class Gif : public ::testing::Test {
protected:
    vuImage* Load(const GifSpec& s) { return Load(MakeGif(s)); }
    vuImage* Load(const std::vector<uint8_t>& bytes)
    {
        return vuImage::CreateFromFile(dir.Write("p.gif", bytes).c_str());
    }
    TempDir dir;
};

// Checks every pixel of fb against expect(x, y) (picture coordinates, with
// the picture drawn at (dx, dy)); pixels outside show the paper.
template <class F>
void ExpectPixels(const MemFrameBuffer& fb, int dx, int dy, F expect)
{
    for (int y = 0; y < fb.GetHeight(); ++y)
        for (int x = 0; x < fb.GetWidth(); ++x)
            ASSERT_EQ(fb.At(x, y), expect(x - dx, y - dy)) << "at " << x << "," << y;
}

} // namespace

TEST_F(Gif, SingleFrameExactPixels)
{
    GifSpec s;
    s.width = 7;
    s.height = 5;
    s.globalPalette = GifPalette(4);
    s.comment = true; // other extensions are skipped
    s.frames.push_back(Frame(7, 5, 4));
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->GetWidth(), 7);
    EXPECT_EQ(img->GetHeight(), 5);
    EXPECT_EQ(img->IsAnimate(), 0);
    MemFrameBuffer fb(12, 9, 0, kPaper);
    ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 2, 3, 7, 5), 0);
    const GifFrame& f = s.frames[0];
    ExpectPixels(fb, 2, 3, [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 7 && y < 5 ? Colour(s.globalPalette, f.indexes[y * 7 + x]) : kPaper;
    });
    vuImage::Destroy(img);
}

TEST_F(Gif, LongStreamsThroughAFullDictionary)
{
    // Random pixels fill the 4096-entry dictionary several times over: once
    // with clear codes, once frozen (the encoder goes on without clearing).
    std::mt19937 rng(7);
    for (int colours : {2, 16, 256}) {
        for (bool clearWhenFull : {true, false}) {
            SCOPED_TRACE(testing::Message() << colours << " colours, clear " << clearWhenFull);
            GifSpec s;
            s.width = 160;
            s.height = 120;
            s.globalPalette = GifPalette(colours);
            GifFrame f;
            f.width = 160;
            f.height = 120;
            for (int i = 0; i < 160 * 120; ++i)
                f.indexes.push_back((uint8_t)(rng() % colours));
            int mcs = colours == 256 ? 8 : colours == 16 ? 4 : 2;
            f.minCodeSize = mcs;
            f.rawData = SubBlocks(LzwEncode(f.indexes, mcs, clearWhenFull));
            s.frames.push_back(f);
            vuImage* img = Load(s);
            ASSERT_NE(img, nullptr);
            MemFrameBuffer fb(160, 120, 0, kPaper);
            ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 160, 120), 0);
            ExpectPixels(fb, 0, 0, [&](int x, int y) { return Colour(s.globalPalette, f.indexes[y * 160 + x]); });
            vuImage::Destroy(img);
        }
    }
}

TEST_F(Gif, RepetitiveStreamUsesLongStrings)
{
    // Long runs make strings that reference the code being defined.
    GifSpec s;
    s.width = 300;
    s.height = 40;
    s.globalPalette = GifPalette(4);
    GifFrame f;
    f.width = 300;
    f.height = 40;
    for (int i = 0; i < 300 * 40; ++i)
        f.indexes.push_back((uint8_t)((i / 997) % 4));
    s.frames.push_back(f);
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(300, 40, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 300, 40);
    ExpectPixels(fb, 0, 0, [&](int x, int y) { return Colour(s.globalPalette, f.indexes[y * 300 + x]); });
    vuImage::Destroy(img);
}

TEST_F(Gif, TransparentIndexLeavesTheFrameBuffer)
{
    GifSpec s;
    s.width = 6;
    s.height = 4;
    s.globalPalette = GifPalette(4);
    GifFrame f = Frame(6, 4, 4);
    f.control = true;
    f.transparent = true;
    f.transparentIndex = 2;
    s.frames.push_back(f);
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    // The image's own transparent colour plays no part for GIF pictures.
    img->SetTransparentColor(Colour(s.globalPalette, 1));
    MemFrameBuffer fb(6, 4, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 6, 4);
    ExpectPixels(fb, 0, 0, [&](int x, int y) {
        int i = f.indexes[y * 6 + x];
        return i == 2 ? kPaper : Colour(s.globalPalette, i);
    });
    vuImage::Destroy(img);
}

TEST_F(Gif, FrameAtItsOffsetAndClippedToTheDrawnPart)
{
    GifSpec s;
    s.width = 10;
    s.height = 8;
    s.globalPalette = GifPalette(8);
    GifFrame f = Frame(4, 3, 8, 3, 5, 2); // 4 x 3 at (5, 2)
    s.frames.push_back(f);
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    auto framePixel = [&](int px, int py) -> int {
        int c = px - 5, r = py - 2;
        return c >= 0 && r >= 0 && c < 4 && r < 3 ? f.indexes[r * 4 + c] : -1;
    };
    // The whole picture at (1, 1).
    MemFrameBuffer fb(14, 12, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 1, 1, 10, 8);
    ExpectPixels(fb, 1, 1, [&](int x, int y) {
        int i = framePixel(x, y);
        return i < 0 ? kPaper : Colour(s.globalPalette, i);
    });
    // Picture part (6, 3) of 2 x 1 at (0, 0): only two pixels of the frame.
    fb.Clear(kPaper);
    img->Draw(&fb, fb.Port(), 6, 3, 0, 0, 2, 1);
    ExpectPixels(fb, 0, 0, [&](int x, int y) {
        return y == 0 && x < 2 ? Colour(s.globalPalette, framePixel(6 + x, 3)) : kPaper;
    });
    vuImage::Destroy(img);
}

TEST_F(Gif, LocalPaletteAndInterlacedRows)
{
    GifSpec s;
    s.width = 5;
    s.height = 11;
    s.globalPalette = GifPalette(4);
    GifFrame f = Frame(5, 11, 4);
    f.localPalette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    f.interlaced = true;
    s.frames.push_back(f);
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(5, 11, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 5, 11);
    ExpectPixels(fb, 0, 0, [&](int x, int y) { return Colour(f.localPalette, f.indexes[y * 5 + x]); });
    vuImage::Destroy(img);
}

TEST_F(Gif, PixelsWithoutAColourAreSkipped)
{
    // Minimum code size 3 (indexes up to 7) against a palette of 4.
    GifSpec s;
    s.width = 8;
    s.height = 2;
    s.globalPalette = GifPalette(4);
    GifFrame f = Frame(8, 2, 8);
    f.minCodeSize = 3;
    s.frames.push_back(f);
    vuImage* img = Load(s);
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(8, 2, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 8, 2);
    ExpectPixels(fb, 0, 0, [&](int x, int y) {
        int i = f.indexes[y * 8 + x];
        return i < 4 ? Colour(s.globalPalette, i) : kPaper;
    });
    vuImage::Destroy(img);

    // Without any palette nothing is drawn.
    s.globalPalette.clear();
    img = Load(s);
    ASSERT_NE(img, nullptr);
    fb.Clear(kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 8, 2);
    ExpectPixels(fb, 0, 0, [&](int, int) { return kPaper; });
    vuImage::Destroy(img);
}

TEST_F(Gif, MalformedStreamsDrawWhatDecodedBefore)
{
    // Minimum code size 2: clear 4, end 5, 3-bit codes until the next free
    // code reaches 8, then 4-bit ones.
    auto pack = [](std::vector<std::pair<unsigned, int>> codes) {
        std::vector<uint8_t> out;
        uint32_t acc = 0;
        int bits = 0;
        for (auto [c, width] : codes) {
            acc |= c << bits;
            bits += width;
            while (bits >= 8) {
                out.push_back((uint8_t)acc);
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits)
            out.push_back((uint8_t)acc);
        return SubBlocks(out);
    };
    struct Case {
        const char* what;
        int minCodeSize;
        std::vector<uint8_t> data;
        int drawn; // leading pixels drawn (all index 1, then 2 ...)
    } cases[] = {
        {"a code beyond the next free one", 2, pack({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {2, 3}, {2, 3}}), 1},
        {"a first code that is no colour", 2, pack({{4, 3}, {6, 3}, {1, 3}, {1, 3}}), 0},
        // 16 bits exactly: no padding bits that would read as a code.
        {"data ends without an end code", 2, pack({{4, 3}, {1, 3}, {1, 3}, {1, 3}, {1, 4}}), 4},
        {"end code in the middle", 2, pack({{4, 3}, {1, 3}, {5, 3}, {1, 3}, {1, 3}}), 1},
        {"minimum code size 0", 0, pack({{4, 3}, {1, 3}, {1, 3}}), 0},
        {"minimum code size 12", 12, pack({{4, 3}, {1, 3}, {1, 3}}), 0},
        {"no data at all", 2, {0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GifSpec s;
        s.width = 6;
        s.height = 1;
        s.globalPalette = GifPalette(4);
        GifFrame f;
        f.width = 6;
        f.height = 1;
        f.minCodeSize = c.minCodeSize;
        f.rawData = c.data;
        s.frames.push_back(f);
        vuImage* img = Load(s);
        ASSERT_NE(img, nullptr);
        MemFrameBuffer fb(6, 1, 0, kPaper);
        EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 6, 1), 0);
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(fb.At(x, 0), x < c.drawn ? Colour(s.globalPalette, 1) : kPaper) << x;
        vuImage::Destroy(img);
    }
}

TEST_F(Gif, RefusedFiles)
{
    GifSpec good;
    good.width = 4;
    good.height = 2;
    good.globalPalette = GifPalette(4);
    good.frames.push_back(Frame(4, 2, 4));
    auto bytes = MakeGif(good);
    const size_t afterHeader = 13 + 12;

    auto with = [&](size_t at, std::vector<uint8_t> repl) {
        auto b = bytes;
        b.erase(b.begin() + at, b.end());
        b.insert(b.end(), repl.begin(), repl.end());
        return b;
    };
    auto patched = [&](size_t at, uint8_t v) {
        auto b = bytes;
        b[at] = v;
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"only a trailer", with(afterHeader, {0x3B})},
        {"unknown block", with(afterHeader, {0x99, 0x3B})},
        {"graphic control of size 5", with(afterHeader, {0x21, 0xF9, 5, 0, 0, 0, 0, 0, 0x3B})},
        {"no trailer", with(bytes.size() - 1, {})},
        {"signature", patched(0, 'J')},
        {"zero width", patched(6, 0)},
        {"zero height", patched(8, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Load(c.bytes), nullptr);
    }
    // The version bytes are not looked at.
    vuImage* img = Load(patched(4, '7'));
    EXPECT_NE(img, nullptr);
    vuImage::Destroy(img);
}

TEST_F(Gif, CutShortAnywhereIsRefused)
{
    GifSpec s;
    s.width = 9;
    s.height = 7;
    s.globalPalette = GifPalette(8);
    s.comment = true;
    GifFrame a = Frame(9, 7, 8);
    a.control = true;
    GifFrame b = Frame(3, 3, 4, 2, 1, 1);
    b.localPalette = GifPalette(4);
    s.frames = {a, b};
    auto bytes = MakeGif(s);
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n)), nullptr);
    }
    vuImage* img = Load(bytes);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->IsAnimate(), 1);
    EXPECT_EQ(static_cast<vuGIF*>(img)->GetFrameCount(), 2u);
    vuImage::Destroy(img);
}

TEST_F(Gif, NotMadeFromMemory)
{
    GifSpec s;
    s.width = 2;
    s.height = 2;
    s.globalPalette = GifPalette(2);
    s.frames.push_back(Frame(2, 2, 2));
    auto bytes = MakeGif(s);
    EXPECT_EQ(vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "gif"), nullptr);
}
