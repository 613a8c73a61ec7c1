// Narrow literals are CP1251 in memory, as on the terminal; u8 literals stay
// UTF-8. A change of the build's execution charset must not pass silently.
#include <gtest/gtest.h>

#include "HexText.h"

#include <string>

namespace {

TEST(Charset, NarrowLiteralsAreCp1251)
{
    struct Case {
        const char *text;
        const char *bytes;
    } cases[] = {
        {"ОШИБКА", "CE D8 C8 C1 CA C0"},
        {"Ёё№", "A8 B8 B9"},
        {"ая", "E0 FF"},
        {"KKT", "4B 4B 54"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HexText(c.text), c.bytes) << c.bytes;
}

TEST(Charset, CharIsUnsigned)
{
    const char c = "Я"[0];
    EXPECT_GT(static_cast<int>(c), 0);
}

TEST(Charset, U8LiteralsStayUtf8)
{
    EXPECT_EQ(HexText(reinterpret_cast<const char *>(u8"Ж")), "D0 96");
}

} // namespace
