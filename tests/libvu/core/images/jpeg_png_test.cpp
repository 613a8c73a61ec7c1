// JPEG and PNG pictures decoded through libjpeg and libpng on every draw.
#include <gtest/gtest.h>

#include <png.h>
#include <stdio.h>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include <cstdlib>
#include <string>

#include "image_fixtures.h"
#include "vuImage.h"
#include "vuJPG.h"
#include "vuPNG.h"

using namespace imgtest;

namespace {


std::vector<Rgb8> Gradient(int w, int h)
{
    std::vector<Rgb8> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(Rgb8{(uint8_t)(40 + x * 8), (uint8_t)(60 + y * 9), (uint8_t)(200 - x * 3 - y * 2)});
    return px;
}

// RGB565 colours equal within tol steps per channel.
::testing::AssertionResult Near(uint16_t got, uint16_t want, int tol)
{
    int dr = std::abs((got >> 11) - (want >> 11));
    int dg = std::abs(((got >> 5) & 63) - ((want >> 5) & 63));
    int db = std::abs((got & 31) - (want & 31));
    if (dr <= tol && dg <= tol && db <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << got << " is not near " << want;
}

} // namespace

TEST(JPEG, ColourPictureWithinTolerance)
{
    TempDir dir;
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        auto px = Gradient(16, 12);
        auto bytes = MakeJpeg(16, 12, px, 100, false, progressive);
        vuImage* fromData = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "jpg");
        vuImage* fromFile = vuImage::CreateFromFile(dir.Write("p.JPG", bytes).c_str());
        for (vuImage* img : {fromData, fromFile}) {
            ASSERT_NE(img, nullptr);
            EXPECT_EQ(img->GetWidth(), 16);
            EXPECT_EQ(img->GetHeight(), 12);
            // The transparent colour plays no part for JPEG pictures.
            img->SetTransparentColor(Rgb(px[0].r, px[0].g, px[0].b));
            MemFrameBuffer fb(20, 14, 0, kPaper);
            ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 2, 1, 16, 12), 0);
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 20; ++x) {
                    int ix = x - 2, iy = y - 1;
                    if (ix < 0 || iy < 0 || ix >= 16 || iy >= 12)
                        ASSERT_EQ(fb.At(x, y), kPaper);
                    else {
                        const Rgb8& c = px[iy * 16 + ix];
                        ASSERT_TRUE(Near(fb.At(x, y), Rgb(c.r, c.g, c.b), 2)) << x << "," << y;
                    }
                }
            vuImage::Destroy(img);
        }
    }
}

TEST(JPEG, DrawsOnlyTheRowsAsked)
{
    auto px = Gradient(8, 20);
    auto bytes = MakeJpeg(8, 20, px, 100);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "jpg");
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(8, 20, 0, kPaper);
    ASSERT_EQ(img->Draw(&fb, fb.Port(), 3, 10, 0, 0, 8, 5), 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 8; ++x) {
            if (y < 5 && x < 5) {
                const Rgb8& c = px[(10 + y) * 8 + 3 + x];
                EXPECT_TRUE(Near(fb.At(x, y), Rgb(c.r, c.g, c.b), 2)) << x << "," << y;
            } else {
                EXPECT_EQ(fb.At(x, y), kPaper) << x << "," << y;
            }
        }
    vuImage::Destroy(img);
}

TEST(JPEG, GreyPicturesAndGarbageAreRefused)
{
    auto grey = MakeJpeg(8, 8, Gradient(8, 8), 90, true);
    EXPECT_EQ(vuImage::CreateFromData(grey.data(), (unsigned)grey.size(), "jpg"), nullptr);
    const unsigned char junk[] = "not a picture at all";
    EXPECT_EQ(vuImage::CreateFromData(junk, sizeof junk, "jpg"), nullptr);
    auto colour = MakeJpeg(8, 8, Gradient(8, 8));
    EXPECT_EQ(vuImage::CreateFromData(colour.data(), (unsigned)colour.size(), "JPG"), nullptr);
    EXPECT_EQ(vuImage::CreateFromData(colour.data(), (unsigned)colour.size(), "jpeg"), nullptr);
}

TEST(JPEG, CutShortOrDamagedNeverFails)
{
    // Cut inside the scan data the picture still loads and draws what
    // decoded; cut inside the header it is refused. Damaged bytes anywhere
    // give one or the other, never a crash or a message.
    auto bytes = MakeJpeg(24, 16, Gradient(24, 16), 80);
    int loaded = 0;
    for (size_t n = 1; n < bytes.size(); ++n) {
        for (int variant = 0; variant < 3; ++variant) {
            std::vector<uint8_t> b = bytes;
            if (variant == 0)
                b.resize(n);
            else
                b[n] = variant == 1 ? (uint8_t)(b[n] ^ 0x55) : 0xFF;
            vuImage* img = vuImage::CreateFromData(b.data(), (unsigned)b.size(), "jpg");
            if (!img)
                continue;
            ++loaded;
            MemFrameBuffer fb(24, 16);
            EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 24, 16), 0) << n;
            vuImage::Destroy(img);
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST(JPEG, DrawResults)
{
    auto bytes = MakeJpeg(4, 4, Gradient(4, 4));
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "jpg");
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(4, 4);
    EXPECT_EQ(img->Draw(nullptr, fb.Port(), 0, 0, 0, 0, 4, 4), -4);
    fb.DropMemory();
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 4, 4), -5);
    vuImage::Destroy(img);
}

namespace {

// Pixels of a PNG test picture and how each should show: the colour, or
// kPaper where it is left out.
struct PngCase {
    const char* what;
    PngSpec spec;
    std::vector<uint16_t> expect;
};

PngCase Rgb8Case(bool interlaced)
{
    PngCase c{interlaced ? "RGB interlaced" : "RGB", {}, {}};
    c.spec.width = 11;
    c.spec.height = 9;
    c.spec.colorType = PNG_COLOR_TYPE_RGB;
    c.spec.interlaced = interlaced;
    for (const Rgb8& p : Gradient(11, 9)) {
        c.spec.rows.insert(c.spec.rows.end(), {p.r, p.g, p.b});
        c.expect.push_back(Rgb(p.r, p.g, p.b));
    }
    return c;
}

PngCase RgbaCase(bool interlaced)
{
    PngCase c{interlaced ? "RGBA interlaced" : "RGBA", {}, {}};
    c.spec.width = 10;
    c.spec.height = 9;
    c.spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    c.spec.interlaced = interlaced;
    auto g = Gradient(10, 9);
    for (size_t i = 0; i < g.size(); ++i) {
        const uint8_t alphas[] = {0, 49, 50, 255, 128};
        uint8_t a = alphas[i % 5];
        c.spec.rows.insert(c.spec.rows.end(), {g[i].r, g[i].g, g[i].b, a});
        c.expect.push_back(a <= 49 ? kPaper : Rgb(g[i].r, g[i].g, g[i].b));
    }
    return c;
}

PngCase PaletteCase(int depth, bool withAlpha)
{
    PngCase c{withAlpha ? "palette with tRNS" : depth == 4 ? "4-bit palette" : "2-bit palette", {}, {}};
    const int w = 7, h = 3, n = 1 << depth;
    c.spec.width = w;
    c.spec.height = h;
    c.spec.colorType = PNG_COLOR_TYPE_PALETTE;
    c.spec.bitDepth = depth;
    for (int i = 0; i < n; ++i)
        c.spec.palette.push_back(Rgb8{(uint8_t)(i * 16), (uint8_t)(255 - i * 16), (uint8_t)(i * 9)});
    if (withAlpha)
        c.spec.trns = {0, 255, 20};
    const int rowBytes = (w * depth + 7) / 8;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row(rowBytes, 0);
        for (int x = 0; x < w; ++x) {
            int idx = (x + y * 3) % n;
            row[x * depth / 8] |= (uint8_t)(idx << (8 - depth - (x * depth) % 8));
            bool hidden = withAlpha && (idx == 0 || idx == 2);
            const Rgb8& p = c.spec.palette[idx];
            c.expect.push_back(hidden ? kPaper : Rgb(p.r, p.g, p.b));
        }
        c.spec.rows.insert(c.spec.rows.end(), row.begin(), row.end());
    }
    return c;
}

PngCase GreyCase(int type, int depth)
{
    PngCase c{type == PNG_COLOR_TYPE_GRAY ? (depth == 1 ? "1-bit grey" : depth == 16 ? "16-bit grey" : "8-bit grey")
                                          : "grey with alpha",
              {}, {}};
    const int w = 9, h = 4;
    c.spec.width = w;
    c.spec.height = h;
    c.spec.colorType = type;
    c.spec.bitDepth = depth;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row;
        uint8_t bits = 0;
        for (int x = 0; x < w; ++x) {
            uint8_t v = (uint8_t)(x * 28 + y * 5);
            if (depth == 1) {
                int on = (x + y) & 1;
                if (on)
                    bits |= (uint8_t)(0x80 >> (x % 8));
                if (x % 8 == 7 || x == w - 1) {
                    row.push_back(bits);
                    bits = 0;
                }
                c.expect.push_back(on ? 0xFFFF : 0);
                continue;
            }
            row.push_back(v);
            if (depth == 16)
                row.push_back(0x5A);
            uint8_t a = 255;
            if (type == PNG_COLOR_TYPE_GRAY_ALPHA) {
                a = x == 3 ? 10 : 200;
                row.push_back(a);
            }
            c.expect.push_back(a <= 49 ? kPaper : Rgb(v, v, v));
        }
        c.spec.rows.insert(c.spec.rows.end(), row.begin(), row.end());
    }
    return c;
}

PngCase Rgb16Case()
{
    PngCase c{"16-bit RGB", {}, {}};
    c.spec.width = 5;
    c.spec.height = 4;
    c.spec.colorType = PNG_COLOR_TYPE_RGB;
    c.spec.bitDepth = 16;
    for (const Rgb8& p : Gradient(5, 4)) {
        c.spec.rows.insert(c.spec.rows.end(), {p.r, 0x11, p.g, 0x22, p.b, 0x33});
        c.expect.push_back(Rgb(p.r, p.g, p.b));
    }
    return c;
}

std::vector<PngCase> AllPngCases()
{
    return {Rgb8Case(false),
            Rgb8Case(true),
            RgbaCase(false),
            RgbaCase(true),
            PaletteCase(4, false),
            PaletteCase(2, false),
            PaletteCase(4, true),
            GreyCase(PNG_COLOR_TYPE_GRAY, 8),
            GreyCase(PNG_COLOR_TYPE_GRAY, 1),
            GreyCase(PNG_COLOR_TYPE_GRAY, 16),
            GreyCase(PNG_COLOR_TYPE_GRAY_ALPHA, 8),
            Rgb16Case()};
}

} // namespace

TEST(PNG, EveryKindDrawsExactPixels)
{
    TempDir dir;
    for (const PngCase& c : AllPngCases()) {
        SCOPED_TRACE(c.what);
        auto bytes = MakePng(c.spec);
        ASSERT_FALSE(bytes.empty());
        vuImage* fromData = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "png");
        vuImage* fromFile = vuImage::CreateFromFile(dir.Write("p.png", bytes).c_str());
        for (vuImage* img : {fromData, fromFile}) {
            ASSERT_NE(img, nullptr);
            const int w = c.spec.width, h = c.spec.height;
            EXPECT_EQ(img->GetWidth(), w);
            EXPECT_EQ(img->GetHeight(), h);
            MemFrameBuffer fb((unsigned short)(w + 3), (unsigned short)(h + 2), 0, kPaper);
            ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 1, 2, (unsigned short)w, (unsigned short)h), 0);
            for (int y = 0; y < h + 2; ++y)
                for (int x = 0; x < w + 3; ++x) {
                    int ix = x - 1, iy = y - 2;
                    bool inside = ix >= 0 && iy >= 0 && ix < w && iy < h;
                    ASSERT_EQ(fb.At(x, y), inside ? c.expect[iy * w + ix] : kPaper) << x << "," << y;
                }
            vuImage::Destroy(img);
        }
    }
}

TEST(PNG, PartOfThePictureAndTransparentColour)
{
    for (bool interlaced : {false, true}) {
        PngCase c = Rgb8Case(interlaced);
        auto bytes = MakePng(c.spec);
        vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "png");
        ASSERT_NE(img, nullptr);
        const uint16_t key = c.expect[4 * 11 + 5];
        img->SetTransparentColor(key);
        MemFrameBuffer fb(6, 3, 0, kPaper);
        // Picture part from (4, 3), 6 x 3, at the frame buffer's corner.
        ASSERT_EQ(img->Draw(&fb, fb.Port(), 4, 3, 0, 0, 6, 3), 0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 6; ++x) {
                uint16_t want = c.expect[(3 + y) * 11 + 4 + x];
                EXPECT_EQ(fb.At(x, y), want == key ? kPaper : want) << x << "," << y;
            }
        vuImage::Destroy(img);
    }
}

TEST(PNG, CutShortOrDamagedNeverFails)
{
    for (const PngCase& c : {Rgb8Case(false), RgbaCase(true), PaletteCase(4, true)}) {
        SCOPED_TRACE(c.what);
        auto bytes = MakePng(c.spec);
        for (size_t n = 0; n < bytes.size(); ++n) {
            for (int variant = 0; variant < 3; ++variant) {
                std::vector<uint8_t> b = bytes;
                if (variant == 0)
                    b.resize(n);
                else
                    b[n] = variant == 1 ? (uint8_t)(b[n] ^ 0x41) : 0x00;
                vuImage* img = vuImage::CreateFromData(b.data(), (unsigned)b.size(), "png");
                if (n < 33 && variant == 0) { // no complete header chunk
                    EXPECT_EQ(img, nullptr) << n;
                }
                if (!img)
                    continue;
                MemFrameBuffer fb(img->GetWidth(), img->GetHeight());
                EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, img->GetWidth(), img->GetHeight()), 0) << n;
                vuImage::Destroy(img);
            }
        }
    }
}

TEST(PNG, CutInsideTheDataDrawsTheRowsBefore)
{
    // Rows of 600 distinct bytes compress poorly, so a cut in the middle of
    // the data leaves the first rows decodable.
    PngSpec s;
    s.width = 200;
    s.height = 20;
    s.colorType = PNG_COLOR_TYPE_RGB;
    uint32_t v = 12345;
    for (int i = 0; i < 200 * 20 * 3; ++i) {
        v = v * 1103515245u + 12345u;
        s.rows.push_back((uint8_t)(v >> 16));
    }
    auto bytes = MakePng(s);
    bytes.resize(bytes.size() / 2);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "png");
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(200, 20, 0, kPaper);
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 200, 20), 0);
    EXPECT_EQ(fb.At(0, 0), Rgb(s.rows[0], s.rows[1], s.rows[2]));
    EXPECT_EQ(fb.At(199, 19), kPaper);
    vuImage::Destroy(img);
}

TEST(PNG, ReadDataNeverPassesTheEnd)
{
    auto bytes = MakePng(Rgb8Case(false).spec);
    vuPNG png(bytes.data(), (unsigned)bytes.size());
    ASSERT_EQ(png.GetWidth(), 11);
    EXPECT_EQ(png.GetColorType(), PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(png.GetBitDepth(), 8);
    png.Rewind();
    std::vector<uint8_t> buf(bytes.size() + 1, 0xEE);
    EXPECT_EQ(png.ReadData(buf.data(), 8), 0);
    EXPECT_EQ(0, memcmp(buf.data(), bytes.data(), 8));
    EXPECT_EQ(png.ReadData(buf.data(), (unsigned)bytes.size() - 7), -1);
    EXPECT_EQ(buf[0], bytes[0]); // nothing copied
    EXPECT_EQ(png.ReadData(buf.data(), (unsigned)bytes.size() - 8), 0);
    EXPECT_EQ(png.ReadData(buf.data(), 1), -1);
}

TEST(PNG, DrawResults)
{
    auto bytes = MakePng(Rgb8Case(false).spec);
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "png");
    MemFrameBuffer fb(4, 4);
    EXPECT_EQ(img->Draw(nullptr, fb.Port(), 0, 0, 0, 0, 4, 4), -4);
    fb.DropMemory();
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 4, 4), -5);
    vuImage::Destroy(img);
}

// ---- JPEG pixels against the library's own RGB decode ----------------------

namespace {

// A JPEG of random-ish colours with the given sampling of the luma
// component (2 x 2 is what cameras and most tools write).
std::vector<uint8_t> EncodeJpeg(int w, int h, int hSamp, int vSamp, bool progressive, unsigned seed)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            rgb.push_back((uint8_t)(x * 255 / w + (seed >> 28)));
            rgb.push_back((uint8_t)(y * 255 / h));
            rgb.push_back((uint8_t)(seed >> 24));
        }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = (JDIMENSION)w;
    cinfo.image_height = (JDIMENSION)h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    cinfo.comp_info[0].h_samp_factor = hSamp;
    cinfo.comp_info[0].v_samp_factor = vSamp;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[(size_t)cinfo.next_scanline * w * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    return bytes;
}

// The picture as the library decodes it to RGB, each channel's top bits
// packed into RGB565.
std::vector<uint16_t> ReferenceJpeg(const std::vector<uint8_t>& bytes, int* w, int* h)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    *w = (int)cinfo.output_width;
    *h = (int)cinfo.output_height;
    std::vector<uint16_t> px;
    std::vector<uint8_t> row((size_t)*w * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
        for (int x = 0; x < *w; ++x)
            px.push_back((uint16_t)((row[x * 3] >> 3) << 11 | (row[x * 3 + 1] >> 2) << 5 | row[x * 3 + 2] >> 3));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return px;
}

} // namespace

// Whole pictures and parts of them, on frame buffers whose rows are longer
// than the screen is wide: every drawn pixel is the library's RGB decode
// packed into RGB565, and nothing else changes.
TEST(JPEG, PixelsAreTheLibrarysRgbPacked)
{
    struct Pic {
        int w, h, hSamp, vSamp;
        bool progressive;
    } pics[] = {{37, 29, 2, 2, false}, {64, 48, 2, 1, false}, {33, 17, 1, 1, true}, {1, 1, 2, 2, false},
                {50, 40, 2, 2, true}};
    unsigned seed = 7;
    for (const Pic& p : pics) {
        SCOPED_TRACE(std::to_string(p.w) + "x" + std::to_string(p.h) + " sampling " + std::to_string(p.hSamp) + "x" +
                     std::to_string(p.vSamp) + (p.progressive ? " progressive" : ""));
        auto bytes = EncodeJpeg(p.w, p.h, p.hSamp, p.vSamp, p.progressive, seed++);
        int w = 0, h = 0;
        std::vector<uint16_t> ref = ReferenceJpeg(bytes, &w, &h);
        ASSERT_EQ(w, p.w);
        vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "jpg");
        ASSERT_NE(img, nullptr);
        struct Part {
            int srcX, srcY, x, y, w, h;
        } parts[] = {{0, 0, 0, 0, p.w, p.h},         {0, 0, 3, 2, p.w, p.h},
                     {0, p.h / 3, 1, 0, p.w, p.h},    {p.w / 2, 0, 0, 4, p.w, p.h / 2 + 1},
                     {1, 1, -2, -3, p.w - 1, p.h - 1}, {0, 0, 70, 50, p.w, p.h}};
        for (const Part& part : parts) {
            SCOPED_TRACE("part " + std::to_string(part.srcX) + "," + std::to_string(part.srcY) + " at " +
                         std::to_string(part.x) + "," + std::to_string(part.y));
            MemFrameBuffer fb(80, 60, 96, kPaper);
            ASSERT_EQ(img->Draw(&fb, fb.Port(), (unsigned short)part.srcX, (unsigned short)part.srcY,
                                (short)part.x, (short)part.y, (unsigned short)part.w, (unsigned short)part.h),
                      0);
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 80; ++x) {
                    const int ix = x - part.x + part.srcX, iy = y - part.y + part.srcY;
                    const bool drawn = x >= part.x && y >= part.y && x < part.x + part.w && y < part.y + part.h &&
                                       ix < p.w && iy < p.h;
                    ASSERT_EQ(fb.At(x, y), drawn ? ref[(size_t)iy * p.w + ix] : kPaper) << x << "," << y;
                }
        }
        vuImage::Destroy(img);
    }
}
