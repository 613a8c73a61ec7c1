// Decimal money strings: the arithmetic, the scale changes and half-up
// rounding that receipts and cash operations rely on.
#include "dec_money.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string withBuffer(const char *text, char *(*op)(char *, int), int n)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s", text);
    return op(buf, n);
}

TEST(DecMoney, ValuesAndScales)
{
    struct Case {
        const char *text;
        long long value;
        int scale;
    } cases[] = {
        {"-12.50", -1250, 2}, {"12.", 12, 0}, {"", 0, 0}, {"1,5", 15, 0},
        {"0.007", 7, 3},     {"-0", 0, 0},  {"abc", 0, 0}, {"1.2.3", 123, 3},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(dec_to_int64(c.text), c.value) << c.text;
        EXPECT_EQ(dec_scale(c.text), c.scale) << c.text;
    }
    EXPECT_EQ(dec_scale(nullptr), 0);
}

TEST(DecMoney, InsertAndRemovePoint)
{
    struct Case {
        const char *text;
        int n;
        const char *expected;
    } cases[] = {
        {"5", 2, "0.05"}, {"-5", 2, "-0.05"}, {"1234", 2, "12.34"}, {"7", 3, "0.007"}, {"-123", 1, "-12.3"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(withBuffer(c.text, dec_insert_point, c.n), c.expected) << c.text;
    char text[] = "12.34.5";
    EXPECT_STREQ(dec_remove_point(text), "1234.5");
}

TEST(DecMoney, SetScaleRoundsHalfUpOnTheMagnitude)
{
    struct Case {
        const char *text;
        int n;
        const char *expected;
    } cases[] = {
        {"5", 2, "5.00"},     {"1.5", 3, "1.500"},  {"12.", 2, "12.00"},  {"1.2", 2, "1.20"},
        {"2.345", 2, "2.35"}, {"-2.345", 2, "-2.35"}, {"-0.005", 2, "-0.01"}, {"9.996", 2, "10.00"},
        {"2.5", 0, "3"},      {"-0.5", 0, "-1"},     {"0.995", 2, "1.00"},  {"99.5", 0, "100"},
        {"2.344", 2, "2.34"}, {"1.25", 2, "1.25"},   {".5", 0, "1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(withBuffer(c.text, dec_set_scale, c.n), c.expected) << c.text << " to " << c.n;
}

TEST(DecMoney, RoundDigits)
{
    EXPECT_EQ(withBuffer("999", dec_round_digits, 1), "100");
    EXPECT_EQ(withBuffer("9995", dec_round_digits, 1), "1000");
    EXPECT_EQ(withBuffer("124", dec_round_digits, 1), "12");
    EXPECT_EQ(withBuffer("12", dec_round_digits, 2), "12") << "n not below the length changes nothing";
}

TEST(DecMoney, Arithmetic)
{
    struct Case {
        char *(*op)(const char *, const char *, char *);
        const char *a;
        const char *b;
        const char *expected;
    } cases[] = {
        {dec_add, "1.5", "2.25", "3.75"},  {dec_sub, "10", "0.01", "9.99"},  {dec_sub, "1.50", "1.5", "0.00"},
        {dec_add, "2", "3", "5"},          {dec_sub, "1", "1.25", "-0.25"},  {dec_add, "0.1", "-0.3", "-0.2"},
        {dec_sub, "5", "5", "0"},          {dec_sub, "5.00", "5", "0.00"},   {dec_div, "10.00", "3", "3.33"},
        {dec_div, "1", "3", "0"},          {dec_div, "7.5", "2.5", "3.0"},   {dec_div, "5", "0", "0"},
        {dec_div, "-7", "2", "-3"},        {dec_mul, "1.5", "2.25", "3.375"}, {dec_mod, "7.5", "2", "1.5"},
        {dec_add_raw, "1.5", "2.25", "240"}, {dec_div_raw, "7", "0", "0"},   {dec_mod_raw, "-7", "2", "-1"},
        {dec_percent, "200.00", "10", "20.00"}, {dec_percent, "10.00", "12.5", "1.25"},
    };
    for (const Case &c : cases) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(c.op(c.a, c.b, out), c.expected) << c.a << " , " << c.b;
    }
}

TEST(DecMoney, OverflowWrapsWithoutUndefinedBehaviour)
{
    char out[DEC_RESULT_SIZE];
    dec_add("9223372036854775807", "1", out);
    EXPECT_STREQ(out, "-9223372036854775808");
    dec_div("-9223372036854775808", "-1", out);
    EXPECT_STREQ(out, "-9223372036854775808");
}

TEST(DecMoney, LongOperandsStayInTheirBuffers)
{
    std::string huge(200, '9');
    std::string tiny = "0." + std::string(60, '0') + "1";
    char out[DEC_RESULT_SIZE];
    dec_add(huge.c_str(), tiny.c_str(), out);
    EXPECT_LT(std::strlen(out), sizeof out);
    dec_sub(tiny.c_str(), "1", out);
    EXPECT_LT(std::strlen(out), sizeof out);
}

TEST(DecMoney, ZeroTestAndDigits)
{
    struct Case {
        const char *text;
        int zero;
    } cases[] = {{"", 1}, {"-", 1}, {".", 1}, {"0.00", 1}, {"-0", 1}, {"0.01", 0}, {"0 ", 0}};
    for (const Case &c : cases)
        EXPECT_EQ(dec_is_zero(c.text), c.zero) << '"' << c.text << '"';
    EXPECT_EQ(dec_is_zero(nullptr), 0);
    char text[] = "-1 2.50";
    EXPECT_STREQ(str_keep_digits(text), "1250");
    EXPECT_EQ(str_keep_digits(nullptr), nullptr);
}

TEST(DecMoney, Comparisons)
{
    EXPECT_EQ(dec_compare("1.5", "1.50"), 0);
    EXPECT_EQ(dec_compare("-2", "1"), -1);
    EXPECT_EQ(dec_compare("2.01", "2"), 1);
    EXPECT_EQ(dec_compare_raw("1.5", "1.50"), -1) << "raw ignores scales";
}

TEST(DecMoney, RoundKeepScale)
{
    EXPECT_EQ(withBuffer("1.25", dec_round_keep_scale, 1), "1.30");
    EXPECT_EQ(withBuffer("755", dec_round_keep_scale, 2), "800");
    EXPECT_EQ(withBuffer("5", dec_round_keep_scale, 1), "10");
    EXPECT_EQ(withBuffer("-1.25", dec_round_keep_scale, 1), "-1.30");
}

TEST(DecMoney, TaxShares)
{
    struct Case {
        int code;
        const char *amount;
        const char *expected;
    } cases[] = {
        {2, "110", "10.00"}, {3, "120", "20.00"}, {6, "105", "5.00"}, {7, "107", "7.00"}, {1, "12.3", "12.30"},
    };
    for (const Case &c : cases) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(dec_tax_share(c.code, c.amount, out), c.expected) << c.code;
    }
}

TEST(DecMoney, HexHelpers)
{
    EXPECT_EQ(hex_pair_to_byte("4f"), 0x4F);
    EXPECT_EQ(hex_pair_to_byte("4z"), 0x40);
    EXPECT_EQ(hex_pair_to_byte("z1"), 0x01);
    EXPECT_EQ(is_hex_digit('a'), 0);
    EXPECT_EQ(is_hex_digit('F'), 1);
}

} // namespace
