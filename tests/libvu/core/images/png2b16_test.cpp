// The png2b16 tool: its B16 output loads and draws as the PNG looked.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/wait.h>

#include <string>

#include "image_fixtures.h"
#include "vuImage.h"

using namespace imgtest;

namespace {


int RunTool(const std::string& args)
{
    std::string cmd = std::string(PNG2B16_PATH) + " " + args + " 2>/dev/null";
    int status = system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Png2b16, AlphaBecomesTheTransparentColour)
{
    TempDir dir;
    PngSpec s;
    s.width = 6;
    s.height = 4;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    std::vector<uint16_t> expect;
    for (int i = 0; i < 24; ++i) {
        // One opaque pixel is magenta, so the tool must pick another key.
        uint8_t r = i == 5 ? 255 : (uint8_t)(i * 10), g = i == 5 ? 0 : (uint8_t)(100 + i), b = i == 5 ? 255 : 7;
        uint8_t a = i % 4 == 0 ? 49 : (i % 4 == 1 ? 50 : 255);
        s.rows.insert(s.rows.end(), {r, g, b, a});
        expect.push_back(a < 50 ? kPaper : Rgb(r, g, b));
    }
    std::string in = dir.Write("in.png", MakePng(s)), out = dir.Path("out.b16");
    ASSERT_EQ(RunTool(in + " " + out), 0);
    vuImage* img = vuImage::CreateFromFile(out.c_str());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->GetWidth(), 6);
    EXPECT_EQ(img->GetHeight(), 4);
    MemFrameBuffer fb(6, 4, 0, kPaper);
    ASSERT_EQ(img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 6, 4), 0);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(fb.At(i % 6, i / 6), expect[i]) << i;
    vuImage::Destroy(img);
}

TEST(Png2b16, GivenKeyAndErrors)
{
    TempDir dir;
    PngSpec s;
    s.width = 3;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_RGB;
    s.rows = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    std::string in = dir.Write("in.png", MakePng(s)), out = dir.Path("out.b16");
    ASSERT_EQ(RunTool("-k 00FF00 " + in + " " + out), 0);
    vuImage* img = vuImage::CreateFromFile(out.c_str());
    ASSERT_NE(img, nullptr);
    MemFrameBuffer fb(3, 1, 0, kPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, 3, 1);
    EXPECT_EQ(fb.At(0, 0), Rgb(255, 0, 0));
    EXPECT_EQ(fb.At(1, 0), kPaper);
    EXPECT_EQ(fb.At(2, 0), Rgb(0, 0, 255));
    vuImage::Destroy(img);

    EXPECT_EQ(RunTool(""), 1);
    EXPECT_EQ(RunTool("-k 12345 " + in + " " + out), 1);
    EXPECT_EQ(RunTool(dir.Write("junk.png", {1, 2, 3}) + " " + out), 2);
    EXPECT_EQ(RunTool(in + " " + dir.Path("no/such/folder.b16")), 2);
}
