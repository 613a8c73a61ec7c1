// The factories' choice of class, and drawing that never leaves the frame
// buffer whatever the view port says.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "image_fixtures.h"
#include "vuB16.h"
#include "vuBMP.h"
#include "vuGIF.h"
#include "vuImage.h"
#include "vuJPG.h"
#include "vuMemIcon.h"
#include "vuPNG.h"

using namespace imgtest;

namespace {


std::vector<uint8_t> SmallBmp()
{
    BmpSpec s;
    s.width = 9;
    s.height = 7;
    s.bpp = 4;
    for (int i = 0; i < 16; ++i)
        s.palette.push_back(Rgb8{(uint8_t)(i * 16), (uint8_t)(i * 8), (uint8_t)(255 - i * 16)});
    for (int i = 0; i < 63; ++i)
        s.indexes.push_back((uint8_t)(i % 16));
    return MakeBmp(s);
}

std::vector<Rgb8> Colours(int w, int h)
{
    std::vector<Rgb8> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px.push_back(Rgb8{(uint8_t)(x * 25), (uint8_t)(y * 30), (uint8_t)((x + y) * 12)});
    return px;
}

std::vector<uint8_t> SmallGif()
{
    GifSpec s;
    s.width = 9;
    s.height = 7;
    for (int i = 0; i < 8; ++i)
        s.globalPalette.push_back(Rgb8{(uint8_t)(i * 30), (uint8_t)(200 - i * 20), (uint8_t)(i * 3)});
    GifFrame f;
    f.width = 9;
    f.height = 7;
    for (int i = 0; i < 63; ++i)
        f.indexes.push_back((uint8_t)((i * 5) % 8));
    s.frames.push_back(f);
    return MakeGif(s);
}

std::vector<uint8_t> SmallPng()
{
    PngSpec s;
    s.width = 9;
    s.height = 7;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    auto px = Colours(9, 7);
    for (size_t i = 0; i < px.size(); ++i)
        s.rows.insert(s.rows.end(), {px[i].r, px[i].g, px[i].b, (uint8_t)(i % 3 ? 255 : 0)});
    return MakePng(s);
}

struct Kind {
    const char* name;
    std::function<vuImage*(const TempDir&)> make;
};

std::vector<Kind> Kinds()
{
    return {
        {"built-in icon",
         [](const TempDir&) {
             vuImage* i = vuImage::CreateMemIcon(VU_MEMICON_CLOSE);
             i->SetColor(0xFFE0);
             return i;
         }},
        {"b16 with a transparent colour",
         [](const TempDir&) {
             std::vector<uint16_t> px;
             for (int i = 0; i < 63; ++i)
                 px.push_back((uint16_t)(i * 977));
             auto b = MakeB16(9, 7, px, true, px[10]);
             return vuImage::CreateFromData(b.data(), (unsigned)b.size(), "b16");
         }},
        {"bmp",
         [](const TempDir&) {
             auto b = SmallBmp();
             return vuImage::CreateFromData(b.data(), (unsigned)b.size(), "bmp");
         }},
        {"gif", [](const TempDir& d) { return vuImage::CreateFromFile(d.Write("e.gif", SmallGif()).c_str()); }},
        {"jpg",
         [](const TempDir&) {
             auto b = MakeJpeg(9, 7, Colours(9, 7));
             return vuImage::CreateFromData(b.data(), (unsigned)b.size(), "jpg");
         }},
        {"png",
         [](const TempDir&) {
             auto b = SmallPng();
             return vuImage::CreateFromData(b.data(), (unsigned)b.size(), "png");
         }},
    };
}

} // namespace

TEST(ImageDrawing, NeverLeavesTheFrameBufferWhateverThePort)
{
    TempDir dir;
    // A port far larger than the frame buffer, as a careless caller might give.
    vuViewPort huge{-200, -200, 2000, 2000, 0, 0};
    const int W = 12, H = 10, pitch = 16;
    struct Spot {
        int x, y;
    } spots[] = {{-5, -3}, {W - 4, H - 2}, {-8, H - 3}, {W - 2, -6}, {-9, -7}, {W, H}, {3, 2}};
    for (const Kind& k : Kinds()) {
        SCOPED_TRACE(k.name);
        vuImage* img = k.make(dir);
        ASSERT_NE(img, nullptr);
        const int iw = img->GetWidth(), ih = img->GetHeight();
        MemFrameBuffer ref(60, 60, 0, kPaper);
        ASSERT_EQ(img->Draw(&ref, ref.Port(), 0, 0, 20, 20, (unsigned short)iw, (unsigned short)ih), 0);
        for (const Spot& s : spots) {
            SCOPED_TRACE(testing::Message() << "at " << s.x << "," << s.y);
            MemFrameBuffer fb(W, H, pitch, kPaper);
            ASSERT_EQ(img->Draw(&fb, &huge, 0, 0, (short)s.x, (short)s.y, (unsigned short)iw, (unsigned short)ih), 0);
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < pitch; ++x) {
                    int ix = x - s.x, iy = y - s.y;
                    bool inside = x < W && ix >= 0 && iy >= 0 && ix < iw && iy < ih;
                    ASSERT_EQ(fb.At(x, y), inside ? ref.At(20 + ix, 20 + iy) : kPaper) << x << "," << y;
                }
        }
        vuImage::Destroy(img);
    }
}

TEST(ImageFactory, ExtensionDecidesTheClass)
{
    TempDir dir;
    auto bmp = SmallBmp();
    auto b16 = MakeB16(2, 2, {1, 2, 3, 4});
    auto jpg = MakeJpeg(9, 7, Colours(9, 7));
    auto png = SmallPng();
    auto gif = SmallGif();
    struct Case {
        std::string name;
        const std::vector<uint8_t>* bytes;
        bool loads;
    } cases[] = {
        {"a.bmp", &bmp, true},     {"a.BMP", &bmp, true},      {"a.Bmp", &bmp, true},
        {"a.b16", &b16, true},     {"a.B16", &b16, true},      {"a.jpg", &jpg, true},
        {"a.png", &png, true},     {"a.gif", &gif, true},      {"a.GIF", &gif, true},
        {"a.jpeg", &jpg, false},   {"noext", &bmp, false},     {"a.xyz", &bmp, false},
        {"a.png.bmp", &bmp, true}, {"a.bmp.png", &bmp, false}, {"a.", &bmp, false},
        {"a.bm", &bmp, false},     {"a.png", &bmp, false}, // content must match the extension
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.Write(c.name, *c.bytes);
        vuImage* img = vuImage_CreateFromFile(path.c_str());
        EXPECT_EQ(img != nullptr, c.loads);
        if (img) {
            EXPECT_STREQ(img->GetFileName(), path.c_str());
            EXPECT_GT(img->GetSize(), (int)c.bytes->size() / 2);
        }
        vuImage::Destroy(img);
    }
    // A dot in a folder name is no extension.
    ASSERT_EQ(mkdir(dir.Path("pics.b16").c_str(), 0777), 0);
    dir.Write("pics.b16/file", b16);
    EXPECT_EQ(vuImage::CreateFromFile(dir.Path("pics.b16/file").c_str()), nullptr);
    EXPECT_EQ(vuImage::CreateFromFile(dir.Path("missing.bmp").c_str()), nullptr);
    EXPECT_EQ(vuImage::CreateFromFile(nullptr), nullptr);
}

// A FIFO (or a device) named as a picture is refused at once: opening it
// must not wait for a writer that never comes, nor read what one sends.
TEST(ImageFactory, FifoIsRefusedWithoutWaiting)
{
    TempDir dir;
    alarm(20); // a hang ends the test with SIGALRM instead of the ctest time-out
    for (const char* name : {"p.b16", "p.bmp", "p.gif", "p.jpg", "p.png"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(mkfifo(dir.Path(name).c_str(), 0600), 0);
        EXPECT_EQ(vuImage::CreateFromFile(dir.Path(name).c_str()), nullptr);
    }
    alarm(0);
}

TEST(ImageFactory, FromDataTakesExactExtensionsOnly)
{
    auto b16 = MakeB16(2, 2, {1, 2, 3, 4});
    auto gif = SmallGif();
    struct Case {
        const char* ext;
        const std::vector<uint8_t>* bytes;
        bool loads;
    } cases[] = {
        {"b16", &b16, true}, {"B16", &b16, false}, {"gif", &gif, false}, {"", &b16, false}, {"b16 ", &b16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        vuImage* img = vuImage_CreateFromData(c.bytes->data(), (unsigned)c.bytes->size(), c.ext);
        EXPECT_EQ(img != nullptr, c.loads);
        if (img) {
            EXPECT_EQ(img->GetFileName(), nullptr);
        }
        vuImage::Destroy(img);
    }
}

TEST(ImageFactory, RemoveWithoutCacheDeletesTheFile)
{
    TempDir dir;
    std::string path = dir.Write("gone.b16", MakeB16(1, 1, {5}));
    vuImage* img = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(vuImage_Remove(path.c_str()), 0);
    struct stat st;
    EXPECT_NE(stat(path.c_str(), &st), 0);
    EXPECT_EQ(vuImage::Remove(path.c_str()), -1); // already gone
    EXPECT_EQ(vuImage::Remove(nullptr), 0);
    // The image that was loaded is the caller's and still works.
    MemFrameBuffer fb(1, 1);
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 1, 1), 0);
    EXPECT_EQ(fb.At(0, 0), 5);
    vuImage::Destroy(img);
    vuImage::Destroy(nullptr);
}
