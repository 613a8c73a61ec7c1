// Both code-page conversions over all 256 byte values, checked against the
// C library's own CP1251 and CP866 tables for the characters they carry.
#include "CodePage.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <string.h>

namespace {

// The byte for c in the other code page, or -1 when iconv has none.
int IconvByte(const char *from, const char *to, uint8_t c)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return -2;
    char in[1] = {static_cast<char>(c)};
    char out[8];
    char *ip = in, *op = out;
    size_t il = 1, ol = sizeof out;
    const size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || sizeof out - ol != 1)
        return -1;
    return static_cast<uint8_t>(out[0]);
}

// Cyrillic letters of CP1251 and the three extra characters both ways.
bool CarriedIn1251(int c)
{
    return c >= 0xC0 || c == 0xA8 || c == 0xB8 || c == 0xB9;
}
bool CarriedIn866(int c)
{
    return (c >= 0x80 && c <= 0xAF) || (c >= 0xE0 && c <= 0xF1) || c == 0xFC;
}

TEST(CodePage, Cp1251ToCp866AllBytes)
{
    char all[256];
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    ASSERT_EQ(Cp1251ToCp866(all, 256), 256);
    for (int c = 0; c < 256; ++c) {
        const int got = static_cast<uint8_t>(all[c]);
        if (CarriedIn1251(c))
            EXPECT_EQ(got, IconvByte("CP1251", "CP866", static_cast<uint8_t>(c))) << std::hex << c;
        else if (c == 0xAB || c == 0xBB)
            EXPECT_EQ(got, '"') << std::hex << c; // guillemets become a plain quote
        else
            EXPECT_EQ(got, c) << std::hex << c;
    }
}

TEST(CodePage, Cp866ToCp1251AllBytes)
{
    char all[256];
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<char>(i);
    ASSERT_EQ(Cp866ToCp1251(all, 256), 256);
    for (int c = 0; c < 256; ++c) {
        const int got = static_cast<uint8_t>(all[c]);
        if (CarriedIn866(c) && c != 0xF0 + 2 && !(c > 0xF1 && c < 0xFC))
            EXPECT_EQ(got, IconvByte("CP866", "CP1251", static_cast<uint8_t>(c))) << std::hex << c;
        else
            EXPECT_EQ(got, c) << std::hex << c; // the quote stays a quote
    }
}

// Letters survive the way there and back.
TEST(CodePage, LettersRoundTrip)
{
    char text[] = "Съешь же ещё этих мягких французских булок № 5, ЁЖ";
    const std::string before = text;
    const int n = static_cast<int>(strlen(text));
    ASSERT_EQ(Cp1251ToCp866(text, n), n);
    EXPECT_NE(before, text);
    ASSERT_EQ(Cp866ToCp1251(text, n), n);
    EXPECT_EQ(before, text);
}

TEST(CodePage, NothingToConvert)
{
    char text[] = "\xC0\xC0";
    EXPECT_EQ(Cp1251ToCp866(text, 0), 0);
    EXPECT_EQ(Cp1251ToCp866(text, -3), 0);
    EXPECT_EQ(Cp866ToCp1251(text, 0), 0);
    EXPECT_EQ(Cp1251ToCp866(nullptr, 5), 0);
    EXPECT_EQ(Cp866ToCp1251(nullptr, 5), 0);
    EXPECT_STREQ(text, "\xC0\xC0"); // untouched
    EXPECT_EQ(Cp1251ToCp866(text, 1), 1);
    EXPECT_STREQ(text, "\x80\xC0"); // exactly n bytes
}

} // namespace
