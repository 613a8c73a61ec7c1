// Decimal money strings: the arithmetic, the scale changes and half-up
// rounding that receipts and cash operations rely on.
#include "dec_money.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

// Negative operands, scale changes and texts that are not clean decimals:
// signs stay in front, foreign characters are skipped as digits' gaps.
TEST(DecMoney, SignsScalesAndBadText)
{
    struct Case {
        char *(*op)(const char *, const char *, char *);
        const char *a;
        const char *b;
        const char *expected;
    } cases[] = {
        {dec_add, "-1.5", "-1.5", "-3.0"}, {dec_sub, "-0.01", "0.01", "-0.02"}, {dec_add, "-10", "0.5", "-9.5"},
        {dec_mod, "-7.5", "2", "-1.5"},     {dec_mod, "5", "0", "0"},           {dec_mod_raw, "5", "0", "0"},
        {dec_sub_raw, "1.5", "2.25", "-210"}, {dec_add, "abc", "1", "1"},       {dec_add, " 5", "1", "6"},
        {dec_add, "1-2", "0", "12"},         {dec_mul, "-0.5", "0.5", "-0.25"}, {dec_div, "1.000", "-0.5", "-2.000"},
    };
    for (const Case &c : cases) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(c.op(c.a, c.b, out), c.expected) << c.a << " , " << c.b;
    }
    EXPECT_EQ(withBuffer("-5", dec_set_scale, 2), "-5.00");
    EXPECT_EQ(withBuffer("-1.20", dec_set_scale, 2), "-1.20") << "the same scale leaves the text";
    EXPECT_EQ(withBuffer("5", dec_insert_point, 0), "5.");
    char commas[] = "1,2,3";
    EXPECT_STREQ(dec_comma_to_point(commas), "1.2.3");
}

// The ratio operations of the receipt wizard's discount and quantity steps.
TEST(DecMoney, Ratios)
{
    struct PercentOf {
        const char *a, *b;
        int n;
        const char *expected;
    } percentOf[] = {
        {"200", "50", 2, "25.00"}, {"3", "1", 1, "33.3"}, {"3", "2", 1, "66.7"}, {"2.0", "1", 1, "50.0"},
    };
    for (const PercentOf &c : percentOf) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(dec_percent_of(c.a, c.b, out, c.n), c.expected) << c.b << " of " << c.a;
    }

    struct Discount {
        const char *a, *b, *pct, *t, *u, *expected;
    } discounts[] = {
        {"100.00", "200.00", "10", "1", "2", "180.00"},
        {"300.00", "200.00", "10", "1", "1", "300.00"},
        {"0", "200.01", "10", "0", "1", "180.01"}, // 180.009 rounded half up
    };
    for (const Discount &c : discounts) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(dec_max_ratio_discount(c.a, c.b, c.pct, c.t, c.u, out), c.expected) << c.a << " " << c.b;
    }

    struct MinSum {
        const char *a, *limit, *q, *u, *expected;
    } sums[] = {
        {"10.00", "20.00", "0.500", "100", "10.20"},
        {"10.00", "10.10", "0.5", "100", "10.10"},
        {"10.00", "20.00", "2", "5", "10.02"},
    };
    for (const MinSum &c : sums) {
        char out[DEC_RESULT_SIZE];
        EXPECT_STREQ(dec_min_sum_ratio(c.a, c.limit, c.q, c.u, out), c.expected) << c.q << " " << c.u;
    }

    struct Step {
        const char *a, *b, *q, *u;
        int result;
        const char *out1, *out2;
    } steps[] = {
        {"1.00", "5.00", "5", "0", 1, "1.01", "0"},
        {"1.00", "5.00", "0.5", "0", 1, "1.01", "0.0"},
        {"1.00", "1.00", "5", "0", 0, nullptr, nullptr}, // the step passes the bound
        {"1.00", "5.00", "0.5", "3", 0, nullptr, nullptr},
    };
    for (const Step &c : steps) {
        char out1[DEC_RESULT_SIZE] = "", out2[DEC_RESULT_SIZE] = "";
        EXPECT_EQ(dec_step_within(c.a, c.b, c.q, c.u, out1, out2), c.result) << c.q << " " << c.u;
        if (c.result) {
            EXPECT_STREQ(out1, c.out1);
            EXPECT_STREQ(out2, c.out2);
        }
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

// Results whose scale comes from long fractions (a quotient or product at
// the operands' scales, a percentage at the amount's) still fit the output
// buffer: the digits below the last place that fits are dropped. The bytes
// after the buffer are watched.
TEST(DecMoney, LongFractionsStayInTheOutput)
{
    const std::string fraction40 = "0." + std::string(39, '0') + "1";
    const struct {
        const char *what;
        char *(*op)(const char *, const char *, char *);
        std::string a, b;
        std::string expected;
    } kCases[] = {
        {"quotient at a 40-place scale", dec_div, fraction40, "1", "0." + std::string(35, '0')},
        {"product at scale 80", dec_mul, fraction40, fraction40, "0." + std::string(35, '0')},
        {"product at scale 41", dec_mul, fraction40, "1.5", "0." + std::string(35, '0')},
        {"percentage at the amount's scale", dec_percent, fraction40, "100", "0." + std::string(35, '0')},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.what);
        char buf[DEC_RESULT_SIZE + 8];
        std::memset(buf, '#', sizeof buf);
        c.op(c.a.c_str(), c.b.c_str(), buf);
        EXPECT_EQ(std::string(buf + DEC_RESULT_SIZE, 8), std::string(8, '#'));
        buf[DEC_RESULT_SIZE - 1] = 0;
        EXPECT_EQ(std::string(buf), c.expected);
    }
}

// Rounding in place keeps to the operand's bounded copy: a fraction longer
// than that is cut, and the point stays among the digits kept.
TEST(DecMoney, RoundKeepScaleOfALongFraction)
{
    std::string text = "0." + std::string(39, '0') + "1";
    std::vector<char> buf(text.begin(), text.end());
    buf.resize(text.size() + 8, '\0');
    dec_round_keep_scale(buf.data(), 1);
    EXPECT_EQ(std::string(buf.data()), "0." + std::string(33, '0'));
}

// The ratio in double arithmetic is brought back to 64 bits only when it
// fits: operands whose alignment leaves that range give "0" instead of an
// undefined conversion.
TEST(DecMoney, PercentOfOutsideTheRangeGivesZero)
{
    char out[DEC_RESULT_SIZE];
    EXPECT_STREQ(dec_percent_of("9000000000000000000", "1.0", out, 2), "0");
    EXPECT_STREQ(dec_percent_of("1.0", "9000000000000000000", out, 2), "0");
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
