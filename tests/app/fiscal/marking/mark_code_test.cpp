// Marking codes built here piece by piece: each type, GS1 kind, FFD tag,
// significant length and AI offset; the scanner's escapes; the product
// code and the price readers.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "mark_code.h"

namespace {

const std::string GS(1, MARK_GS);
const std::string GTIN = "04601234567893"; // check digit right
const std::string SERIAL = "ABCDEFGHIJKLM"; // 13 characters

std::string repeat(char c, size_t n) { return std::string(n, c); }

// "01" GTIN "21" serial, then the given groups each after a GS.
std::string gs1(const std::vector<std::string> &groups, const std::string &serial = SERIAL)
{
    std::string code = "01" + GTIN + "21" + serial;
    for (const std::string &g : groups)
        code += GS + g;
    return code;
}

// A 29-character code without the "01"/"21" layout; characters 21 to 24
// are the four price digits.
std::string short_code(const std::string &price = "BAAA", const std::string &tail = "AbCd")
{
    return GTIN + "ABCDEFG" + price + tail;
}

std::string egais(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[i % 36];
    return "2" + s.substr(1); // not starting "01"
}

TEST(MarkCheckDigit, WeightsThreeOneFromTheRight)
{
    struct {
        const char *digits;
        int result;
    } cases[] = {
        {"96385074", 0},       {"96385075", -1},      {"4006381333931", 0}, {"4006381333932", -1},
        {"00012345600012", 0}, {"04601234567893", 0}, {"0", 0},             {"5", -1},
        {"40063813339A1", -1}, {"", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MarkCheckDigitOk(c.digits, static_cast<int>(strlen(c.digits))), c.result) << c.digits;
    EXPECT_EQ(MarkCheckDigitOk(nullptr, 8), -1);
}

struct Classified {
    std::string name;
    std::string code;
    uint16_t type_checked;
    uint16_t type_unchecked;
    uint8_t kind;
    int16_t tag;
    uint8_t significant;
    uint8_t ai91, ai92, ai93;
};

TEST(MarkClassifier, TypeKindTagLengthAndOffsets)
{
    const std::string ai91 = "91EE06";
    const std::string ai92_44 = "92" + repeat('x', 44);
    const std::string ai92_88 = "92" + repeat('y', 88);
    // The first GS follows the serial at index 31.
    const Classified cases[] = {
        {"EAN-8", "96385074", 0x4508, 0x4508, 0, 1301, 8, 0, 0, 0},
        {"EAN-13", "4006381333931", 0x450D, 0x450D, 0, 1302, 13, 0, 0, 0},
        {"EAN-13 bad check digit", "4006381333932", 0, 0x450D, 0, 1300, 13, 0, 0, 0},
        {"ITF-14", "00012345600012", 0x490E, 0x490E, 0, 1303, 14, 0, 0, 0},
        {"12 digits", "400638133393", 0, 0, 0, 1300, 12, 0, 0, 0},
        {"fur tag", "AB-123456-ABCDEFGH12", 0x5246, 0x5246, 0, 1307, 20, 0, 0, 0},
        {"fur tag lower case", "ab-123456-ABCDEFGH12", 0, 0, 0, 1300, 20, 0, 0, 0},
        {"fur tag hyphen moved", "AB1-23456-ABCDEFGH12", 0, 0, 0, 1300, 20, 0, 0, 0},
        {"EGAIS 2.0", egais(68), 0xC514, 0xC514, 0, 1308, 68, 0, 0, 0},
        {"EGAIS 3.0", egais(150), 0xC51E, 0xC51E, 0, 1309, 150, 0, 0, 0},
        {"EGAIS length 69", egais(69), 0, 0, 0, 1300, 32, 0, 0, 0},
        {"GS1 AI 92 of 44", gs1({ai91, ai92_44}), 0x444D, 0x444D, 3, 1305, 31, 32, 39, 0},
        {"GS1 AI 92 of 88", gs1({ai91, ai92_88}), 0x444D, 0x444D, 2, 1305, 31, 32, 39, 0},
        {"GS1 AI 92 first", gs1({ai92_44, ai91}), 0x444D, 0x444D, 3, 1305, 31, 79, 32, 0},
        {"GS1 AI 93", gs1({"93dGk8"}), 0x444D, 0x444D, 5, 1305, 31, 0, 0, 32},
        {"GS1 AI 93 and 92", gs1({ai91, ai92_44, "93dGk8"}), 0x444D, 0x444D, 5, 1305, 31, 32, 39, 86},
        {"GS1 AI 92 of 43", gs1({ai91, "92" + repeat('x', 43)}), 0x444D, 0x444D, 0, 1300, 32, 32, 39, 0},
        {"GS1 serial only", gs1({}), 0x444D, 0x444D, 0, 1300, 31, 0, 0, 0},
        {"GS1 short serial", gs1({ai91}, "AB"), 0x444D, 0x444D, 0, 1300, 20, 21, 0, 0},
        {"GS1 18 characters", "01" + GTIN + "21", 0x444D, 0x444D, 0, 1300, 18, 0, 0, 0},
        {"29 characters", short_code(), 0x444D, 0x444D, 1, 1306, 21, 0, 0, 0},
        {"29 characters with a space", short_code("BA A"), 0, 0, 1, 1306, 21, 0, 0, 0},
        {"29 characters with a slash", short_code("BA/A"), 0, 0, 1, 1306, 21, 0, 0, 0},
        {"29 characters, digits first", "0460123456789301234567890123A", 0x444D, 0x444D, 1, 1306, 21, 0, 0, 0},
        {"AI after GS without layout", "02" + GTIN + "21" + SERIAL + GS + ai91, 0, 0, 0, 1300, 32, 0, 0, 0},
        {"plain text", "hello", 0, 0, 0, 1300, 5, 0, 0, 0},
        {"long text", repeat('q', 40), 0, 0, 0, 1300, 32, 0, 0, 0},
        {"empty", "", 0, 0, 0, 1300, 0, 0, 0, 0},
    };
    for (const Classified &c : cases) {
        SCOPED_TRACE(c.name);
        const char *code = c.code.c_str();
        EXPECT_EQ(MarkCodeTypeChecked(code), c.type_checked);
        EXPECT_EQ(MarkCodeType(code, 1), c.type_checked);
        EXPECT_EQ(MarkCodeTypeOf(code, 0), c.type_unchecked);
        EXPECT_EQ(MarkGs1Kind(code), c.kind);
        EXPECT_EQ(MarkCodeTag(code), c.tag);
        EXPECT_EQ(MarkSignificantLength(code), c.significant);
        EXPECT_EQ(MarkFindAi91(code), c.ai91);
        EXPECT_EQ(MarkFindAi92(code), c.ai92);
        EXPECT_EQ(mark_find_ai93(code), c.ai93);
    }
}

TEST(MarkClassifier, NullCodeIsUnknown)
{
    EXPECT_EQ(MarkCodeType(nullptr, 1), 0);
    EXPECT_EQ(MarkCodeTag(nullptr), 1300);
    EXPECT_EQ(MarkGs1Kind(nullptr), 0);
    EXPECT_EQ(MarkSignificantLength(nullptr), 0);
    EXPECT_EQ(MarkCountGs(nullptr), 0);
    EXPECT_EQ(MarkFindGs(nullptr), 0);
    EXPECT_EQ(MarkIsGtinSerial(nullptr), 0);
    EXPECT_EQ(MarkFindAi91(nullptr), 0);
}

TEST(MarkClassifier, GsCountSerialAndGtinSerial)
{
    const std::string code = gs1({"91EE06", "92abc"});
    EXPECT_EQ(MarkCountGs(code.c_str()), 2);
    EXPECT_EQ(MarkFindGs(code.c_str()), 31);
    EXPECT_EQ(MarkSerialLength(code.c_str()), 13);
    EXPECT_EQ(MarkIsGtinSerial(code.c_str()), 1);
    // The serial ends at a space as at a GS; nothing past index 18 is 0.
    EXPECT_EQ(MarkSerialLength(("01" + GTIN + "21ABC DEF").c_str()), 3);
    EXPECT_EQ(MarkSerialLength("0104601234567893"), 0);
    EXPECT_EQ(MarkCountGs("hello"), 0);
    EXPECT_EQ(MarkFindGs("hello"), 0);
    EXPECT_EQ(MarkIsGtinSerial(("01" + GTIN + "21").c_str()), 0);
    EXPECT_EQ(MarkIsGtinSerial(("01" + GTIN + "21X").c_str()), 1);
    EXPECT_EQ(MarkIsGtinSerial(("01" + GTIN + "22X").c_str()), 0);
}

TEST(MarkClassifier, OffsetBeyondAByteIsAbsent)
{
    const std::string code = gs1({"91EE06", repeat('z', 240), "92" + repeat('x', 44)}, SERIAL);
    EXPECT_EQ(MarkFindAi91(code.c_str()), 32);
    EXPECT_EQ(MarkFindAi92(code.c_str()), 0);
}

std::string unescape(const std::string &text)
{
    char out[MARK_CODE_MAX + 1];
    memset(out, 0x55, sizeof out);
    MarkUnescape(text.c_str(), out);
    return out;
}

TEST(MarkUnescape, EscapesControlBytesAndLength)
{
    struct {
        const char *name;
        std::string text;
        std::string raw;
    } cases[] = {
        {"GS escape", "0104601234567893\\u001d91EE06", "0104601234567893" + GS + "91EE06"},
        {"upper-case hex", "A\\u001DB", "A" + GS + "B"},
        {"sign No", "A\xB9u001dB", "A" + GS + "B"},
        {"last two digits taken", "A\\u0441B", "AAB"},
        {"trailing CR LF", "96385074\r\n", "96385074"},
        {"trailing escaped GS", "ABC\\u001d", "ABC"},
        {"only control bytes", "\r\n\t", ""},
        {"inner control bytes kept", "A\tB\r\n", "A\tB"},
        {"three hex digits at the end", "AB\\u001", "AB\\u001"},
        {"not hex", "A\\u00zzB", "A\\u00zzB"},
        {"upper-case U", "A\\U001dB", "A\\U001dB"},
        {"backslash alone", "A\\B\\", "A\\B\\"},
        {"escape after a failed one", "\\u\\u001d1", "\\u" + GS + "1"},
        {"empty", "", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(unescape(c.text), c.raw) << c.name;
    char out[4] = "xyz";
    MarkUnescape(nullptr, out);
    EXPECT_STREQ(out, "");
}

TEST(MarkUnescape, NeverWritesMoreThan199Characters)
{
    struct {
        char out[MARK_CODE_MAX + 1];
        char guard[16];
    } buf;
    memset(&buf, 0x55, sizeof buf);
    const std::string text = repeat('A', 4096);
    MarkUnescape(text.c_str(), buf.out);
    EXPECT_EQ(strlen(buf.out), 199u);
    for (char g : buf.guard)
        EXPECT_EQ(g, 0x55);
    // Escapes count as the one byte they become.
    std::string escaped;
    for (int i = 0; i < 250; ++i)
        escaped += "\\u0041";
    EXPECT_EQ(unescape(escaped), repeat('A', 199));
}

TEST(MarkCodeGs1, TagOfUnescapedCode)
{
    EXPECT_EQ(mark_is_gs1(("01" + GTIN + "21" + SERIAL + "\\u001d93dGk8").c_str()), 1);
    EXPECT_EQ(mark_is_gs1(short_code().c_str()), 1);
    EXPECT_EQ(mark_is_gs1("4006381333931"), 0);
    EXPECT_EQ(mark_is_gs1(("01" + GTIN + "21" + SERIAL).c_str()), 0);
    EXPECT_EQ(mark_is_gs1(nullptr), 0);
}

TEST(MarkPrice, ShortCodeBase80)
{
    struct {
        std::string price;
        int result;
        const char *text;
    } cases[] = {
        {"AAAA", 0, "0.00"},         {"AAAB", 0, "0.01"},        {"BAAA", 0, "5120.00"},
        {"????", 0, "409599.99"},    {"AAa0", 0, "21.32"},        {"A_/-", 0, "4665.49"},
        {"AA(A", -1, ""},            {"AA A", -1, ""},
    };
    for (const auto &c : cases) {
        char out[32];
        EXPECT_EQ(mark_price_of(short_code(c.price).c_str(), out, sizeof out), c.result) << c.price;
        EXPECT_STREQ(out, c.text) << c.price;
    }
    char small[5];
    EXPECT_EQ(mark_price_of(short_code("BAAA").c_str(), small, sizeof small), -1);
    EXPECT_STREQ(small, "");
}

TEST(MarkPrice, Ai8005Group)
{
    struct {
        const char *name;
        std::string code;
        int size;
        int result;
        const char *text;
    } cases[] = {
        {"raw GS", gs1({"91EE06", "8005012345"}), 32, 0, "123.45"},
        {"escaped GS", "01" + GTIN + "21" + SERIAL + "\\u001d8005012345\\u001d93ab", 32, 0, "123.45"},
        {"digits end at a GS", gs1({"8005150", "93ab"}), 32, 0, "1.50"},
        {"no digits", gs1({"8005", "93ab"}), 32, 0, "0.00"},
        {"at most size - 2 digits", gs1({"8005012345"}), 5, 0, "0.12"},
        {"no group", gs1({"91EE06"}), 32, -1, ""},
        {"8005 without GS", "01" + GTIN + "21" + SERIAL + "8005012345", 32, -1, ""},
        {"result too long", gs1({"8005999999"}), 4, -1, ""},
    };
    for (const auto &c : cases) {
        char out[32];
        EXPECT_EQ(mark_price_of(c.code.c_str(), out, c.size), c.result) << c.name;
        EXPECT_STREQ(out, c.text) << c.name;
    }
    char out[8];
    EXPECT_EQ(mark_price_of(nullptr, out, sizeof out), -1);
    EXPECT_EQ(mark_price_of("x", nullptr, 8), -1);
    EXPECT_EQ(mark_price_of("x", out, 0), -1);
}

TEST(MarkProductCode, ByType)
{
    struct {
        const char *name;
        std::string code;
        const char *hex;
    } cases[] = {
        {"EAN-13", "4006381333931", "450D03A4CEEFADAB"},
        {"EAN-13 check digit not tested", "4006381333932", "450D03A4CEEFADAC"},
        {"EAN-8", "96385074", "4508000005BEB832"},
        {"GS1", gs1({"91EE06"}), "444D042F4EF3B2D5" "4142434445464748494A4B4C4D"},
        {"GS1 with 8005", gs1({"91EE06", "8005123"}), "444D042F4EF3B2D5" "4142434445464748494A4B4C4D" "313233"},
        {"GS1 serial ends at {GS}", "01" + GTIN + "21ABC{GS}91EE06", "444D042F4EF3B2D5414243"},
        {"GS1 serial ends at \\u001d", "01" + GTIN + "21ABC\\u001d91EE06", "444D042F4EF3B2D5414243"},
        {"29 characters", short_code("\"<>?"), "444D042F4EF3B2D5" "4142434445464722" "3C3E3F" "2020"},
        {"fur tag", "AB-123456-ABCDEFGH12", "5246" "41422D3132333435362D41424344454647483132"},
        {"EGAIS 3.0", egais(150), "C51E" "3231323334353637383941424344"},
        {"unknown", "abc", "0000616263"},
    };
    for (const auto &c : cases) {
        const char *hex = product_code_hex(c.code.c_str());
        ASSERT_NE(hex, nullptr) << c.name;
        EXPECT_STREQ(hex, c.hex) << c.name;
    }
    EXPECT_EQ(product_code_hex(""), nullptr);
    EXPECT_EQ(product_code_hex(nullptr), nullptr);
    // EGAIS 2.0: 23 characters from index 8.
    std::string e2 = egais(68);
    std::string expect = "C514";
    for (size_t i = 8; i < 31; ++i) {
        char h[3];
        snprintf(h, sizeof h, "%2.2X", static_cast<unsigned char>(e2[i]));
        expect += h;
    }
    EXPECT_STREQ(product_code_hex(e2.c_str()), expect.c_str());
    // A long price group stays inside the 256-byte buffer.
    const char *hex = product_code_hex(gs1({"8005" + repeat('9', 160)}).c_str());
    ASSERT_NE(hex, nullptr);
    EXPECT_LT(strlen(hex), 256u);
    EXPECT_EQ(strncmp(hex, "444D042F4EF3B2D5", 16), 0);
}

} // namespace
