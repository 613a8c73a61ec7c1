// The image cache: sharing of pictures loaded from files, Destroy and Remove,
// and the animation counter's choice of GIF frames. These run with a real
// UI singleton (in the caller's thread) over the stand-in screen.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "image_fixtures.h"
#include "terminal_fixture.h"
#include "vuImage.h"
#include "vuResources.h"
#include "vuUI.h"

using namespace imgtest;

namespace {

// A picture that counts its deletions and has a fixed size.
int g_deleted = 0;
class CountedImage : public vuImage {
public:
    explicit CountedImage(const char* name)
    {
        SetFileName(name);
        width = height = 1;
    }
    ~CountedImage() override { ++g_deleted; }
    int GetSize() const override { return 100; }
    int Draw(vuFrameBuffer*, vuViewPort*, unsigned short, unsigned short, short, short, unsigned short,
             unsigned short) override
    {
        return 0;
    }
};

class Cache : public TerminalRoot {
protected:
    void SetUp() override
    {
        TerminalRoot::SetUp();
        makeScreen(32, 24);
        mkdir((root + "/data").c_str(), 0777);
        ASSERT_EQ(mkdir((root + "/data/pics").c_str(), 0777), 0);
        g_deleted = 0;
    }
    void TearDown() override
    {
        vuUI::Done();
        TerminalRoot::TearDown();
    }
    void Start(uint16_t options, int limit = 0)
    {
        ASSERT_NE(vuUI::InitExt(VU_UI_CALLER_THREAD | options, limit), nullptr);
        ASSERT_EQ((options & VU_UI_IMAGE_CACHE) != 0, vuUI::GetResources() != nullptr);
    }
    // Writes a file of the terminal and returns its terminal path, which
    // the pictures map under the terminal root.
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = "/data/pics/" + name;
        FILE* f = fopen((root + path).c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            fwrite(bytes.data(), 1, bytes.size(), f);
            fclose(f);
        }
        return path;
    }
    std::string B16File(const std::string& name, uint16_t colour = 0x1234)
    {
        return Put(name, MakeB16(2, 2, {colour, colour, colour, colour}));
    }
};

uint16_t DrawnColour(vuImage* img)
{
    MemFrameBuffer fb(2, 2);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 2, 2);
    return fb.At(1, 1);
}

} // namespace

TEST_F(Cache, SameFileGivesTheSameObjectAndDestroyLeavesIt)
{
    Start(VU_UI_IMAGE_CACHE);
    std::string path = B16File("a.b16");
    vuImage* first = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(first, nullptr);
    vuImage* second = vuImage::CreateFromFile(path.c_str());
    EXPECT_EQ(first, second);
    EXPECT_TRUE(vuUI::GetResources()->Holds(first));
    vuImage::Destroy(first);
    vuImage::Destroy(second);
    // Still alive (the cache owns it) and still the one handed out.
    EXPECT_EQ(DrawnColour(first), 0x1234);
    EXPECT_EQ(vuImage::CreateFromFile(path.c_str()), first);
}

TEST_F(Cache, NamesDifferingInCaseAreDifferentEntries)
{
    Start(VU_UI_IMAGE_CACHE);
    std::string upper = Put("p.BMP", MakeB16(1, 1, {1})); // content is no BMP
    BmpSpec s;
    s.width = 1;
    s.height = 1;
    s.bpp = 24;
    s.colours = {{255, 0, 0}};
    Put("p.BMP", MakeBmp(s));
    std::string lower = Put("p.bmp", MakeBmp(s));
    vuImage* a = vuImage::CreateFromFile(upper.c_str());
    vuImage* b = vuImage::CreateFromFile(lower.c_str());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(vuUI::GetResources()->Search(upper.c_str()), a);
    EXPECT_EQ(vuUI::GetResources()->Search(lower.c_str()), b);
}

TEST_F(Cache, WithoutCacheEveryLoadIsItsOwn)
{
    Start(0);
    std::string path = B16File("a.b16");
    vuImage* a = vuImage::CreateFromFile(path.c_str());
    vuImage* b = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    vuImage::Destroy(a);
    vuImage::Destroy(b);
    CountedImage* c = new CountedImage("x");
    vuImage::Destroy(c);
    EXPECT_EQ(g_deleted, 1);
}

TEST_F(Cache, LimitRefusesWhatDoesNotFit)
{
    // An empty chain counts 8 bytes: a limit of 8 + 100 takes one counted
    // picture, and refuses the next.
    Start(VU_UI_IMAGE_CACHE, 108);
    vuResources* cache = vuUI::GetResources();
    CountedImage* a = new CountedImage("a");
    CountedImage* b = new CountedImage("b");
    EXPECT_EQ(cache->Add(a), 0);
    EXPECT_EQ(cache->Add(b), -15);
    EXPECT_TRUE(cache->Holds(a));
    EXPECT_FALSE(cache->Holds(b));
    vuImage::Destroy(a);
    EXPECT_EQ(g_deleted, 0);
    vuImage::Destroy(b);
    EXPECT_EQ(g_deleted, 1);

    // A file picture too big for the limit is returned but not cached.
    std::string path = B16File("big.b16");
    vuImage* img = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_FALSE(cache->Holds(img));
    vuImage* again = vuImage::CreateFromFile(path.c_str());
    EXPECT_NE(again, img);
    vuImage::Destroy(img);
    vuImage::Destroy(again);
}

TEST_F(Cache, DestroyGoesByTheObjectNotItsName)
{
    Start(VU_UI_IMAGE_CACHE);
    vuResources* cache = vuUI::GetResources();
    CountedImage* cached = new CountedImage("same");
    ASSERT_EQ(cache->Add(cached), 0);
    CountedImage* twin = new CountedImage("same");
    vuImage::Destroy(twin);
    EXPECT_EQ(g_deleted, 1);
    EXPECT_EQ(cache->Search("same"), cached);
    vuImage::Destroy(cached);
    EXPECT_EQ(g_deleted, 1);
    vuUI::Done(); // the cache deletes what it holds
    EXPECT_EQ(g_deleted, 2);
}

TEST_F(Cache, UnnamedPicturesAreNeverCached)
{
    Start(VU_UI_IMAGE_CACHE);
    const char icon[] = "\x01\x08\x01\xFF";
    vuImage* a = vuImage::CreateFromFile(icon);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(vuUI::GetResources()->Holds(a));
    auto bytes = MakeB16(1, 1, {7});
    vuImage* b = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), "b16");
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(vuUI::GetResources()->Holds(b));
    EXPECT_EQ(vuUI::GetResources()->Add(b), -1);
    EXPECT_EQ(vuUI::GetResources()->Add(nullptr), -1);
    EXPECT_EQ(vuUI::GetResources()->Search(nullptr), nullptr);
    vuImage::Destroy(a);
    vuImage::Destroy(b);
}

TEST_F(Cache, RemoveDropsTheCachedPictureAndTheFile)
{
    Start(VU_UI_IMAGE_CACHE);
    vuResources* cache = vuUI::GetResources();
    std::string path = B16File("gone.b16", 0x00FF);
    CountedImage* counted = new CountedImage(path.c_str());
    ASSERT_EQ(cache->Add(counted), 0);
    EXPECT_EQ(vuImage::Remove(path.c_str()), 0);
    EXPECT_EQ(g_deleted, 1);
    EXPECT_EQ(cache->Search(path.c_str()), nullptr);
    struct stat st;
    EXPECT_NE(stat((root + path).c_str(), &st), 0);
    EXPECT_EQ(vuImage::Remove(path.c_str()), -1);
    EXPECT_EQ(vuImage::Remove(nullptr), 0);
    // A file loaded again after it was written anew is a new picture.
    B16File("gone.b16", 0x0F0F);
    vuImage* fresh = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(DrawnColour(fresh), 0x0F0F);
}

namespace {

// Three 4 x 1 frames: frame k paints columns k .. 3 with colour k + 1 and
// leaves columns before k transparent (index 0).
GifSpec ThreeFrames(const int disposal[3])
{
    GifSpec s;
    s.width = 4;
    s.height = 1;
    s.globalPalette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int k = 0; k < 3; ++k) {
        GifFrame f;
        f.width = 4;
        f.height = 1;
        for (int x = 0; x < 4; ++x)
            f.indexes.push_back((uint8_t)(x < k ? 0 : k + 1));
        f.control = true;
        f.transparent = true;
        f.transparentIndex = 0;
        f.disposal = disposal[k];
        s.frames.push_back(f);
    }
    return s;
}

} // namespace

TEST_F(Cache, AnimationCounterChoosesTheFrame)
{
    Start(0);
    const uint16_t paper = 0x0841, red = Rgb(255, 0, 0), green = Rgb(0, 255, 0), blue = Rgb(0, 0, 255);
    struct Case {
        const char* what;
        int disposal[3];
        uint16_t count;
        uint16_t expect[4];
    } cases[] = {
        {"count 7 shows frame 1 alone", {0, 0, 0}, 7, {paper, green, green, green}},
        {"disposal 1 on frame 1 draws frame 0 under it", {0, 1, 0}, 7, {red, green, green, green}},
        {"count 6 shows frame 0", {0, 1, 1}, 6, {red, red, red, red}},
        {"disposal 1 on frame 2 draws frames 0 and 1 under it", {2, 2, 1}, 8, {red, green, blue, blue}},
        {"disposal 2 draws the frame alone", {1, 1, 2}, 8, {paper, paper, blue, blue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vuImage* img = vuImage::CreateFromFile(Put("anim.gif", MakeGif(ThreeFrames(c.disposal))).c_str());
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->IsAnimate(), 1);
        vuUI::GetUI()->animationCount = c.count;
        MemFrameBuffer fb(4, 1, 0, paper);
        ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 4, 1), 0);
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(fb.At(x, 0), c.expect[x]) << x;
        vuImage::Destroy(img);
    }
}

TEST_F(Cache, NullPortMeansTheWholeScreen)
{
    Start(0);
    std::string path = B16File("screen.b16", 0x7777);
    vuImage* img = vuImage::CreateFromFile(path.c_str());
    ASSERT_NE(img, nullptr);
    // The screen is 32 x 24: a picture at (31, 23) shows one pixel of four.
    MemFrameBuffer fb(32, 24, 0, 0x0841);
    ASSERT_EQ(img->Draw(&fb, nullptr, 0, 0, 31, 23, 2, 2), 0);
    EXPECT_EQ(fb.At(31, 23), 0x7777);
    EXPECT_EQ(fb.At(30, 23), 0x0841);
    EXPECT_EQ(fb.At(31, 22), 0x0841);
    vuImage::Destroy(img);
}
