// Values of UI descriptions and settings, and the encodings at the border
// between the XML files (UTF-8) and memory (CP1251).
#include "ui_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(UiValues, Numbers)
{
    struct Case {
        const char *text;
        uint32_t value;
    } cases[] = {
        {"", 0},    {nullptr, 0}, {"007", 7},  {"0x1A", 0},         {"x1a", 26}, {"XFF", 255},
        {"x", 0},   {"-5", 0},    {" 7", 0},   {"4294967296", 0},   {"12,5", 12}, {"12ab", 12},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse_number(c.text), c.value) << (c.text ? c.text : "(null)");
    EXPECT_EQ(parse_coord("%2500", 240), 60u);
    EXPECT_EQ(parse_coord("%", 240), 0u);
    EXPECT_EQ(parse_coord("15", 240), 15u);
}

TEST(UiValues, Colours)
{
    struct Case {
        const char *text;
        uint16_t colour;
    } cases[] = {
        {"255,255,255", 0xFFFF}, {"255,0,0", 0xF800}, {"0,255,0", 0x07E0}, {"256,0,0", 0},
        {"255", 0},              {"255,255", 0xF800}, {"8,4,8", 0x0821},   {"0000000000000255,255,255", 0x07FF},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parse_color(c.text), c.colour) << c.text;
}

TEST(UiValues, Rectangles)
{
    struct Case {
        const char *text;
        uint8_t resize;
        uint32_t w, h;
        int ex, ey, ew, eh;
    } cases[] = {
        {"10,20,100", 0, 240, 320, 10, 20, 0, 0},
        {"10,20,100,50", 0, 240, 320, 10, 20, 100, 50},
        {"%5000,%5000,%10000,%10000", 0, 320, 240, 160, 120, 320, 240},
        {"24,32,120,160", 1, 480, 640, 48, 64, 240, 320},
        {"24,32,120,160", 0, 480, 640, 24, 32, 120, 160},
        {"%5000,0,0,0", 1, 320, 240, 213, 0, 0, 0},
        {nullptr, 0, 240, 320, 0, 0, 0, 0},
    };
    for (const Case &c : cases) {
        int16_t x, y;
        uint16_t w, h;
        parse_rect_scaled_on(c.text, c.resize, c.w, c.h, &x, &y, &w, &h);
        EXPECT_EQ(x, c.ex) << (c.text ? c.text : "(null)");
        EXPECT_EQ(y, c.ey);
        EXPECT_EQ(w, c.ew);
        EXPECT_EQ(h, c.eh);
    }
}

TEST(UiValues, ListFields)
{
    char buf[4];
    EXPECT_STREQ(get_list_field(buf, sizeof buf, 1, "a,bcdef,g", ','), "bcd");
    EXPECT_EQ(get_list_field(buf, sizeof buf, 3, "a,bcdef,g", ','), nullptr);
    EXPECT_STREQ(get_list_field(buf, sizeof buf, 1, "a,,b", ','), "");
    EXPECT_EQ(get_list_field(buf, sizeof buf, 0, "", ','), nullptr);
    EXPECT_EQ(parse_list_number(2, "1;x10;300", ';'), 300u);
    EXPECT_EQ(parse_list_number(1, "1;x10;300", ';'), 16u);
}

TEST(UiValues, XmlEntities)
{
    struct Case {
        const char *in;
        const char *out;
    } cases[] = {
        {"a&lt;b&gt;c", "a<b>c"}, {"&#x41;&#66;", "AB"}, {"&#0;x", "x"}, {"&#300;", ""},
        {"&#;", "&#;"},           {"&#12", "&#12"},      {"&#x;", ""},   {"&amp;lt;", "<"},
        {"&amp;#65;", "A"},       {"&amp;quot;", "&quot;"}, {"&#192;", "\xC0"},
    };
    for (const Case &c : cases) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s", c.in);
        EXPECT_STREQ(decode_xml_entities(buf), c.out) << c.in;
    }
}

TEST(UiValues, Utf8ToCp1251)
{
    char buf[16];
    utf8_to_cp1251(reinterpret_cast<const char *>(u8"ЖЗИЙ"), buf, 4);
    EXPECT_STREQ(buf, "ЖЗИ");
    utf8_to_cp1251(reinterpret_cast<const char *>(u8"abü"), buf, sizeof buf);
    EXPECT_STREQ(buf, "ab") << "a character CP1251 lacks cuts the text";
    utf8_to_cp1251("a\xC3(b", buf, sizeof buf);
    EXPECT_STREQ(buf, "a") << "invalid UTF-8 cuts the text";
    utf8_to_cp1251(reinterpret_cast<const char *>(u8"№ &lt;1&gt;"), buf, 0);
    EXPECT_STREQ(buf, "№ <1>");
    utf8_to_cp1251(nullptr, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
}

TEST(UiValues, Cp1251ToUtf8)
{
    char buf[16];
    cp1251_to_utf8("ЖЗИ", buf, 4);
    EXPECT_STREQ(buf, reinterpret_cast<const char *>(u8"Ж")) << "a character is never written in part";
    cp1251_to_utf8("Ёж №1", buf, 0);
    EXPECT_STREQ(buf, reinterpret_cast<const char *>(u8"Ёж №1"));
    cp1251_to_utf8("a\x98" "b", buf, sizeof buf);
    EXPECT_STREQ(buf, "a") << "0x98 has no character in CP1251";
}

TEST(UiValues, Base64)
{
    struct Case {
        const char *text;
        std::string bytes;
    } cases[] = {{"QUJD", "ABC"}, {"QUI=", "AB"}, {"QQ==", "A"}, {"Q", ""}, {"QU\nJD", "ABC"}, {"", ""}};
    for (const Case &c : cases) {
        uint8_t out[16];
        uint16_t n = decode_base64(c.text, out);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(out), n), c.bytes) << c.text;
    }
    std::string tooLong(70000, 'A');
    std::vector<uint8_t> big(tooLong.size());
    EXPECT_EQ(decode_base64(tooLong.c_str(), big.data()), 0) << "longer than 16-bit positions";
}

} // namespace
