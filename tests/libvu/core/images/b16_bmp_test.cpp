// Raw RGB565 (B16) and BMP pictures from files and from memory.
#include <gtest/gtest.h>

#include "image_fixtures.h"
#include "vuB16.h"
#include "vuBMP.h"
#include "vuImage.h"

using namespace imgtest;

namespace {


std::vector<uint16_t> Pattern(unsigned w, unsigned h)
{
    std::vector<uint16_t> px;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            px.push_back((uint16_t)(0x1000 * y + 0x10 * x + 7));
    return px;
}

// Draws the whole image at (dx, dy) and checks every frame-buffer pixel
// against expect(x, y) inside the image and the paper outside.
template <class F>
void ExpectDrawn(vuImage* img, int dx, int dy, F expect)
{
    MemFrameBuffer fb(40, 30, 0, kPaper);
    ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, (short)dx, (short)dy, img->GetWidth(), img->GetHeight()), 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            int ix = x - dx, iy = y - dy;
            bool inside = ix >= 0 && iy >= 0 && ix < img->GetWidth() && iy < img->GetHeight();
            uint16_t want = inside ? expect(ix, iy) : kPaper;
            ASSERT_EQ(fb.At(x, y), want) << "at " << x << "," << y;
        }
}

} // namespace

TEST(B16, LoadsFromFileAndMemoryWithExactPixels)
{
    TempDir dir;
    auto px = Pattern(5, 3);
    auto bytes = MakeB16(5, 3, px);
    std::string path = dir.Write("pic.b16", bytes);
    vuImage* fromFile = vuImage::CreateFromFile(path.c_str());
    vuImage* fromData = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "b16");
    for (vuImage* img : {fromFile, fromData}) {
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->GetWidth(), 5);
        EXPECT_EQ(img->GetHeight(), 3);
        ExpectDrawn(img, 2, 1, [&](int x, int y) { return px[(size_t)y * 5 + x]; });
    }
    EXPECT_STREQ(fromFile->GetFileName(), path.c_str());
    EXPECT_EQ(fromData->GetFileName(), nullptr);
    vuImage::Destroy(fromFile);
    vuImage::Destroy(fromData);
}

TEST(B16, TransparentColourFromHeaderOrSetter)
{
    auto px = Pattern(4, 2);
    const uint16_t key = px[5];
    auto keyed = MakeB16(4, 2, px, true, key);
    vuImage* img = vuImage::CreateFromData(keyed.data(), (unsigned)keyed.size(), "b16");
    ASSERT_NE(img, nullptr);
    ExpectDrawn(img, 0, 0, [&](int x, int y) {
        uint16_t c = px[(size_t)y * 4 + x];
        return c == key ? kPaper : c;
    });
    vuImage::Destroy(img);

    auto plain = MakeB16(4, 2, px);
    img = vuImage::CreateFromData(plain.data(), (unsigned)plain.size(), "b16");
    ExpectDrawn(img, 0, 0, [&](int x, int y) { return px[(size_t)y * 4 + x]; });
    vuImage_SetTransparentColor(img, px[0]);
    ExpectDrawn(img, 0, 0, [&](int x, int y) { return x == 0 && y == 0 ? kPaper : px[(size_t)y * 4 + x]; });
    vuImage::Destroy(img);
    vuImage_SetTransparentColor(nullptr, 0); // nothing happens
}

TEST(B16, RefusedHeadersAndShortData)
{
    TempDir dir;
    auto px = Pattern(3, 3);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"zero data offset", MakeB16(3, 3, px, false, 0, 0)},
        {"zero width", MakeB16(0, 3, px)},
        {"zero height", MakeB16(3, 0, px)},
        {"header says 65535 x 65535", MakeB16(65535, 65535, px)},
        {"header only", MakeB16(3, 3, {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(vuImage::CreateFromData(c.bytes.data(), (unsigned)c.bytes.size(), "b16"), nullptr);
        EXPECT_EQ(vuImage::CreateFromFile(dir.Write("bad.b16", c.bytes).c_str()), nullptr);
    }
    // Every cut short of the last pixel is refused, from memory and from a file.
    auto good = MakeB16(3, 3, px);
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(vuImage::CreateFromData(good.data(), (unsigned)n, "b16"), nullptr);
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_EQ(vuImage::CreateFromFile(dir.Write("cut.b16", cut).c_str()), nullptr);
    }
    // Bytes beyond the pixels are ignored.
    good.push_back(0xAA);
    vuImage* img = vuImage::CreateFromData(good.data(), (unsigned)good.size(), "b16");
    EXPECT_NE(img, nullptr);
    vuImage::Destroy(img);
}

TEST(B16, DrawResults)
{
    auto bytes = MakeB16(2, 2, Pattern(2, 2));
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "b16");
    MemFrameBuffer fb(4, 4);
    EXPECT_EQ(img->Draw(nullptr, fb.Port(), 0, 0, 0, 0, 2, 2), -1);
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 2, 0, 0, 0, 2, 2), 0); // source beyond the image
    EXPECT_EQ(fb.At(0, 0), 0);
    fb.DropMemory();
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 2, 2), -1);
    vuImage::Destroy(img);
}

namespace {

std::vector<Rgb8> BmpPalette(int n)
{
    std::vector<Rgb8> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Rgb8{(uint8_t)(i * 37 + 8), (uint8_t)(255 - i * 11), (uint8_t)(i * 5 + 100)});
    return p;
}

BmpSpec PaletteBmp(int bpp, int w, int h, bool topDown)
{
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.topDown = topDown;
    s.palette = BmpPalette(1 << bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.indexes.push_back((uint8_t)((x * 3 + y * 7) % (1 << bpp)));
    return s;
}

BmpSpec TrueColourBmp(int w, int h, bool topDown)
{
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = 24;
    s.topDown = topDown;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.colours.push_back(Rgb8{(uint8_t)(x * 20), (uint8_t)(y * 40), (uint8_t)(x * y * 3)});
    return s;
}

uint16_t Expected(const BmpSpec& s, int x, int y)
{
    if (s.bpp == 24) {
        const Rgb8& c = s.colours[(size_t)y * s.width + x];
        return Rgb(c.r, c.g, c.b);
    }
    const Rgb8& c = s.palette[s.indexes[(size_t)y * s.width + x]];
    return Rgb(c.r, c.g, c.b);
}

} // namespace

TEST(BMP, EveryDepthAndRowOrderDrawsExactPixels)
{
    TempDir dir;
    for (int bpp : {1, 2, 3, 4, 5, 8, 24}) {
        for (bool topDown : {false, true}) {
            for (bool padLast : {true, false}) {
                SCOPED_TRACE(testing::Message() << bpp << " bpp, top-down " << topDown << ", padded " << padLast);
                BmpSpec s = bpp == 24 ? TrueColourBmp(13, 5, topDown) : PaletteBmp(bpp, 13, 5, topDown);
                s.padLastRow = padLast;
                auto bytes = MakeBmp(s);
                vuImage* fromData = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "bmp");
                vuImage* fromFile = vuImage::CreateFromFile(dir.Write("p.bmp", bytes).c_str());
                for (vuImage* img : {fromData, fromFile}) {
                    ASSERT_NE(img, nullptr);
                    EXPECT_EQ(img->GetWidth(), 13);
                    EXPECT_EQ(img->GetHeight(), 5);
                    ExpectDrawn(img, 3, 2, [&](int x, int y) { return Expected(s, x, y); });
                    vuImage::Destroy(img);
                }
            }
        }
    }
}

TEST(BMP, OneBitFromColumnThree)
{
    BmpSpec s = PaletteBmp(1, 12, 2, false);
    auto bytes = MakeBmp(s);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "bmp");
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(12, 2, 0, kPaper);
    ASSERT_EQ(img->Draw(&fb, fb.Port(), 3, 0, 0, 0, 12, 2), 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(fb.At(x, y), x < 9 ? Expected(s, x + 3, y) : kPaper) << x << "," << y;
    vuImage::Destroy(img);
}

TEST(BMP, IndexesBeyondAShortPaletteAreSkipped)
{
    BmpSpec s = PaletteBmp(4, 6, 2, false);
    s.palette.resize(3);
    s.coloursUsed = 3;
    auto bytes = MakeBmp(s);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "bmp");
    ASSERT_NE(img, nullptr);
    ExpectDrawn(img, 0, 0, [&](int x, int y) {
        uint8_t i = s.indexes[(size_t)y * 6 + x];
        return i < 3 ? Rgb(s.palette[i].r, s.palette[i].g, s.palette[i].b) : kPaper;
    });
    vuImage::Destroy(img);
}

TEST(BMP, TransparentColourLeavesHoles)
{
    BmpSpec s = TrueColourBmp(5, 4, false);
    auto bytes = MakeBmp(s);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "bmp");
    const uint16_t key = Expected(s, 2, 1);
    img->SetTransparentColor(key);
    ExpectDrawn(img, 0, 0, [&](int x, int y) {
        uint16_t c = Expected(s, x, y);
        return c == key ? kPaper : c;
    });
    vuImage::Destroy(img);
}

TEST(BMP, UnsupportedVariantsGiveNothing)
{
    auto patch32 = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.at(at + i) = (uint8_t)(v >> (8 * i));
        return b;
    };
    auto good = MakeBmp(PaletteBmp(8, 4, 4, false));
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"16 bits per pixel", patch32(good, 28, 16)},
        {"32 bits per pixel", patch32(good, 28, 32)},
        {"0 bits per pixel", patch32(good, 28, 0)},
        {"compressed", patch32(good, 30, 1)},
        {"zero data offset", patch32(good, 10, 0)},
        {"zero info size", patch32(good, 14, 0)},
        {"zero width", patch32(good, 18, 0)},
        {"zero height", patch32(good, 22, 0)},
        {"width above 65535", patch32(good, 18, 65536 + 4)},
        {"height of -2^31", patch32(good, 22, 0x80000000u)},
        {"data offset beyond the file", patch32(good, 10, 60000)},
        {"palette beyond the file", patch32(good, 46, 60000)},
        {"rows beyond the file", patch32(good, 22, 4000)},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(vuImage::CreateFromData(c.bytes.data(), (unsigned)c.bytes.size(), "bmp"), nullptr);
        EXPECT_EQ(vuImage::CreateFromFile(dir.Write("bad.bmp", c.bytes).c_str()), nullptr);
    }
}

TEST(BMP, CutShortAnywhereIsRefused)
{
    TempDir dir;
    BmpSpec s = PaletteBmp(4, 7, 3, true);
    s.padLastRow = false;
    auto bytes = MakeBmp(s);
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(vuImage::CreateFromData(bytes.data(), (unsigned)n, "bmp"), nullptr);
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + n);
        EXPECT_EQ(vuImage::CreateFromFile(dir.Write("cut.bmp", cut).c_str()), nullptr);
    }
}

TEST(BMP, DrawResults)
{
    auto bytes = MakeBmp(PaletteBmp(8, 2, 2, false));
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "bmp");
    MemFrameBuffer fb(4, 4);
    EXPECT_EQ(img->Draw(nullptr, fb.Port(), 0, 0, 0, 0, 2, 2), -4);
    fb.DropMemory();
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 2, 2), -5);
    vuImage::Destroy(img);
}
