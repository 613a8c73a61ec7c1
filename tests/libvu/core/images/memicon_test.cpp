// 1-bit pictures: built-in icons, inline icon records and caller's bits.
#include <gtest/gtest.h>

#include <string>

#include "image_fixtures.h"
#include "vuImage.h"
#include "vuMemIcon.h"

using namespace imgtest;

namespace {

const uint16_t kInk = 0xF800;
const uint16_t kIconPaper = 0x1234;

// The picture of an image as '#' and '.' rows, drawn on a fresh frame buffer.
std::string Render(vuImage* img, int w, int h)
{
    MemFrameBuffer fb((unsigned short)w, (unsigned short)h, 0, kIconPaper);
    img->Draw(&fb, fb.Port(), 0, 0, 0, 0, (unsigned short)w, (unsigned short)h);
    std::string s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            s += fb.At(x, y) == kIconPaper ? '.' : '#';
        s += '\n';
    }
    return s;
}

} // namespace

TEST(MemIcon, BuiltInIconsHaveTheirSizes)
{
    struct Case {
        int id;
        int w, h;
    } cases[] = {{0, 18, 18}, {1, 18, 18}, {2, 18, 12}, {3, 16, 12}, {4, 9, 6},   {5, 16, 12},
                 {6, 18, 12}, {7, 20, 20}, {8, 20, 20}, {9, 20, 20}, {10, 20, 20}, {11, 2, 2},
                 {12, 11, 10}, {13, 9, 11}, {14, 12, 9}, {15, 10, 8}, {16, 11, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        _VU_TypeMemIcon id = (_VU_TypeMemIcon)c.id;
        EXPECT_EQ(vuMemIcon::GetWidth(id), c.w);
        EXPECT_EQ(vuMemIcon::GetHeight(id), c.h);
        const unsigned char* rec = vuMemIcon::GetData(id);
        ASSERT_NE(rec, nullptr);
        EXPECT_EQ(rec[0], c.w);
        EXPECT_EQ(rec[1], c.h);
        vuImage* img = vuImage::CreateMemIcon(id);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->GetWidth(), c.w);
        EXPECT_EQ(img->GetHeight(), c.h);
        EXPECT_EQ(img->GetFileName(), nullptr);
        img->SetColor(kInk);
        std::string pic = Render(img, c.w, c.h);
        // Every icon has ink, and only the solid ones are all ink.
        bool solid = c.id == 3 || c.id == 11;
        EXPECT_NE(pic.find('#'), std::string::npos);
        EXPECT_EQ(pic.find('.') == std::string::npos, solid) << pic;
        vuImage::Destroy(img);
    }
}

TEST(MemIcon, ShapesOfSelectedIcons)
{
    // Frames are closed on all four edges; the check-box "on" differs from
    // "off" only inside the frame; the radio "on" has a filled centre.
    auto icon = [](int id) {
        vuImage* img = vuImage::CreateMemIcon((_VU_TypeMemIcon)id);
        img->SetColor(kInk);
        std::string s = Render(img, img->GetWidth(), img->GetHeight());
        vuImage::Destroy(img);
        return s;
    };
    for (int id : {0, 1, 7, 8, 16}) {
        SCOPED_TRACE(id);
        std::string s = icon(id);
        size_t w = s.find('\n');
        size_t h = s.size() / (w + 1);
        for (size_t x = 0; x < w; ++x) {
            EXPECT_EQ(s[x], '#');
            EXPECT_EQ(s[(h - 1) * (w + 1) + x], '#');
        }
        for (size_t y = 0; y < h; ++y) {
            EXPECT_EQ(s[y * (w + 1)], '#');
            EXPECT_EQ(s[y * (w + 1) + w - 1], '#');
        }
    }
    std::string off = icon(7), on = icon(8);
    EXPECT_NE(off, on);
    std::string radioOff = icon(9), radioOn = icon(10);
    const size_t centre = 10 * 21 + 10;
    EXPECT_EQ(radioOff[centre], '.');
    EXPECT_EQ(radioOn[centre], '#');
}

TEST(MemIcon, NumbersBeyondTheTableGiveNothing)
{
    EXPECT_EQ(vuImage::CreateMemIcon((_VU_TypeMemIcon)17), nullptr);
    EXPECT_EQ(vuImage_CreateMemIcon(17), nullptr);
    EXPECT_EQ(vuImage_CreateMemIcon(-1), nullptr);
    EXPECT_EQ(vuMemIcon::GetWidth((_VU_TypeMemIcon)17), 0);
    EXPECT_EQ(vuMemIcon::GetHeight((_VU_TypeMemIcon)17), 0);
    EXPECT_EQ(vuMemIcon::GetData((_VU_TypeMemIcon)17), nullptr);
    MemFrameBuffer fb(4, 4);
    EXPECT_EQ(vuMemIcon::DrawIcon(&fb, fb.Port(), 0, 0, 0, 0, 4, 4, (_VU_TypeMemIcon)17, kInk), -1);
}

TEST(MemIcon, InlineRecordAfterTheMarkerByte)
{
    const char path[] = "\x01\x03\x02\xA0\x40";
    vuImage* img = vuImage::CreateFromFile(path);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->GetWidth(), 3);
    EXPECT_EQ(img->GetHeight(), 2);
    EXPECT_EQ(img->GetFileName(), nullptr); // never named, so never cached
    img->SetColor(kInk);
    EXPECT_EQ(Render(img, 3, 2), "#.#\n.#.\n");
    vuImage::Destroy(img);
}

TEST(MemIcon, InlineRecordFromData)
{
    const unsigned char rec[] = {10, 2, 0xC0, 0x40, 0x00, 0xC0};
    vuImage* img = vuImage::CreateFromData(rec, sizeof rec, nullptr);
    ASSERT_NE(img, nullptr);
    img->SetColor(kInk);
    EXPECT_EQ(Render(img, 10, 2), "##.......#\n........##\n");
    vuImage::Destroy(img);

    struct Bad {
        const char* what;
        std::vector<uint8_t> bytes;
    } bad[] = {
        {"one byte", {10}},
        {"rows short by a byte", {10, 2, 0xC0, 0x40, 0x00}},
        {"no rows", {8, 1}},
        {"zero width", {0, 2, 0xFF, 0xFF}},
        {"zero height", {8, 0, 0xFF}},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        EXPECT_EQ(vuImage::CreateFromData(b.bytes.data(), (unsigned)b.bytes.size(), nullptr), nullptr);
    }
    EXPECT_EQ(vuImage::CreateFromData(nullptr, 5, nullptr), nullptr);
    EXPECT_EQ(vuImage::CreateFromData(rec, 0, nullptr), nullptr);
}

TEST(MemIcon, MemDirectKeepsItsOwnCopy)
{
    unsigned char bits[] = {0x80, 0x01};
    vuImage* img = vuImage::CreateMemDirect(8, 2, bits);
    ASSERT_NE(img, nullptr);
    bits[0] = 0xFF;
    img->SetColor(kInk);
    EXPECT_EQ(Render(img, 8, 2), "#.......\n.......#\n");
    vuImage::Destroy(img);
    EXPECT_EQ(vuImage::CreateMemDirect(0, 2, bits), nullptr);
    EXPECT_EQ(vuImage::CreateMemDirect(8, 0, bits), nullptr);
    EXPECT_EQ(vuImage::CreateMemDirect(8, 2, nullptr), nullptr);
}

TEST(MemIcon, DrawsThePartAskedForWhereAskedFor)
{
    // 16 x 3 with distinct columns: row 0 has columns 0, 3, 9 and 15 set.
    unsigned char bits[] = {0x90, 0x41, 0xFF, 0xFF, 0x00, 0x00};
    vuImage* img = vuImage::CreateMemDirect(16, 3, bits);
    img->SetColor(kInk);
    MemFrameBuffer fb(20, 6, 0, kIconPaper);
    // From image column 3, row 0, a 7 x 2 part at (5, 1).
    EXPECT_EQ(img->Draw(&fb, fb.Port(), 3, 0, 5, 1, 7, 2), 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 20; ++x) {
            bool ink = (y == 1 && (x == 5 || x == 11)) || (y == 2 && x >= 5 && x < 12);
            EXPECT_EQ(fb.At(x, y), ink ? kInk : kIconPaper) << x << "," << y;
        }
    vuImage::Destroy(img);
}

TEST(MemIcon, PortOffsetAndClip)
{
    vuImage* img = vuImage::CreateMemIcon(VU_MEMICON_BATTERY_FILL); // 16 x 12 solid
    img->SetColor(kInk);
    MemFrameBuffer fb(40, 40, 0, kIconPaper);
    // Visible area (10, 10)-(20, 15), everything drawn shifted by (8, 9).
    vuViewPort port{10, 10, 10, 5, 8, 9};
    EXPECT_EQ(img->Draw(&fb, &port, 0, 0, 0, 0, 16, 12), 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bool ink = x >= 10 && x < 20 && y >= 10 && y < 15;
            EXPECT_EQ(fb.At(x, y), ink ? kInk : kIconPaper) << x << "," << y;
        }
    vuViewPort empty{0, 0, 0, 40, 0, 0};
    fb.Clear(kIconPaper);
    EXPECT_EQ(img->Draw(&fb, &empty, 0, 0, 0, 0, 16, 12), 0);
    EXPECT_EQ(fb.At(0, 0), kIconPaper);
    vuImage::Destroy(img);
}

TEST(MemIcon, ResultCodes)
{
    MemFrameBuffer fb(8, 8);
    unsigned char rec[] = {8, 1, 0xFF};
    EXPECT_EQ(vuMemIcon::DrawIcon(&fb, fb.Port(), 0, 0, 0, 0, 8, 1, (unsigned char*)nullptr, kInk), -1);
    EXPECT_EQ(vuMemIcon::DrawIcon(nullptr, fb.Port(), 0, 0, 0, 0, 8, 1, rec, kInk), -4);
    EXPECT_EQ(vuMemIcon::DrawIcon(&fb, fb.Port(), 0, 0, 0, 0, 8, 1, rec, kInk), 0);
    EXPECT_EQ(fb.At(7, 0), kInk);
    EXPECT_EQ(vuMemIcon::DrawIcon(&fb, fb.Port(), 0, 0, 0, 0, 8, 8, VU_MEMICON_DOT, 0x0001), 0);
    EXPECT_EQ(fb.At(2, 1), 0);
    EXPECT_EQ(fb.At(1, 1), 0x0001);
    fb.DropMemory();
    EXPECT_EQ(vuMemIcon::DrawIcon(&fb, fb.Port(), 0, 0, 0, 0, 8, 1, rec, kInk), -4);
}
