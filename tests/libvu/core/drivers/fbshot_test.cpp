// fbshot reads the screen file the driver wrote and turns it back into the
// picture the user sees.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "terminal_fixture.h"
#include "vuPaxProlinFrameBuffer.h"

namespace {

class Shot : public TerminalRoot {
protected:
    void TearDown() override
    {
        vuPaxProlinFrameBuffer::CloseDevice();
        TerminalRoot::TearDown();
    }

    // Runs fbshot; the decoded RGB picture, empty when it failed.
    std::vector<uint8_t> shoot(const std::string &args, unsigned &w, unsigned &h)
    {
        std::string out = root + "/shot.png";
        std::string cmd = std::string(FBSHOT_PATH) + " " + args + " " + out;
        if (system(cmd.c_str()) != 0)
            return {};
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, out.c_str()))
            return {};
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, px.data(), 0, nullptr))
            return {};
        w = image.width;
        h = image.height;
        return px;
    }
};

TEST_F(Shot, PictureShowsTheLogicalScreenOrTheStoredOne)
{
    makeScreen(24, 20);
    ASSERT_EQ(OsRegSetValue("ro.fac.lcd.rotate", "90"), 0);
    int w, h;
    ASSERT_EQ(vuPaxProlinFrameBuffer::OpenDevice(w, h), 0);
    ASSERT_EQ(w, 20);
    vuPaxProlinFrameBuffer fb(20, 24);
    vuViewPort all{0, 0, 20, 24, 0, 0};
    fb.Fill(&all, 0, 0, 20, 24, 0x0000, 0);
    fb.Fill(&all, 0, 0, 5, 3, 0xF800, 0);   // red, top left
    fb.Fill(&all, 15, 20, 5, 4, 0x001F, 0); // blue, bottom right
    fb.Fill(&all, 10, 0, 1, 24, 0xFFFF, 0); // white column
    ASSERT_EQ(fb.ToScreen(), 0);

    unsigned pw = 0, ph = 0;
    std::vector<uint8_t> px = shoot("", pw, ph);
    ASSERT_FALSE(px.empty());
    ASSERT_EQ(pw, 20u);
    ASSERT_EQ(ph, 24u);
    int wrong = 0;
    const uint16_t *back = fb.GetFrameBuffer();
    for (unsigned y = 0; y < ph; ++y)
        for (unsigned x = 0; x < pw; ++x) {
            uint16_t p = back[y * 20 + x];
            const uint8_t *rgb = &px[(y * pw + x) * 3];
            uint8_t r = static_cast<uint8_t>((p >> 11) << 3 | (p >> 11) >> 2);
            uint8_t g = static_cast<uint8_t>(((p >> 5) & 63) << 2 | ((p >> 5) & 63) >> 4);
            uint8_t b = static_cast<uint8_t>((p & 31) << 3 | (p & 31) >> 2);
            if (rgb[0] != r || rgb[1] != g || rgb[2] != b)
                ++wrong;
        }
    EXPECT_EQ(wrong, 0);

    px = shoot("--physical", pw, ph);
    ASSERT_EQ(pw, 24u);
    ASSERT_EQ(ph, 20u);
    const uint8_t *corner = &px[(0 * pw + 23) * 3]; // logical (0, 0)
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[2], 0);
}

TEST_F(Shot, ScreenWithoutGeometryIsAnError)
{
    unsigned pw, ph;
    EXPECT_TRUE(shoot("", pw, ph).empty()) << "no screen file";
    makeScreen(24, 20);
    EXPECT_TRUE(shoot("--bogus", pw, ph).empty()) << "usage error";
    OsRegSetValue("osal.fb.yres", "21");
    EXPECT_TRUE(shoot("", pw, ph).empty()) << "file shorter than the geometry";
}

} // namespace
