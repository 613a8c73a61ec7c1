// HID keyboard reports as a scanner sends them (key down, all keys up),
// decoded into the code; Alt + keypad sequences; the length cap; and the
// barcode comparison.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "barcode.h"
#include "scanner_hid.h"

namespace {

using Report = std::vector<uint8_t>;

Report key(uint8_t modifier, uint8_t usage) { return {modifier, 0, usage, 0, 0, 0, 0, 0}; }
const Report UP(8, 0);

uint8_t keypad(char digit) { return digit == '0' ? 98 : static_cast<uint8_t>(89 + digit - '1'); }

std::vector<uint8_t> keypad_keys(const char *digits)
{
    std::vector<uint8_t> keys;
    for (const char *p = digits; *p; ++p)
        keys.push_back(keypad(*p));
    return keys;
}

// Left Alt held over the keypad digits, then every key released.
std::vector<Report> alt_sequence(const char *digits)
{
    std::vector<Report> r;
    for (uint8_t k : keypad_keys(digits)) {
        r.push_back(key(HID_MOD_LEFT_ALT, k));
        r.push_back(key(HID_MOD_LEFT_ALT, 0));
    }
    r.push_back(UP);
    return r;
}

// Each character pressed and released; digits and lower-case letters only.
std::vector<Report> typed(const char *text)
{
    std::vector<Report> r;
    for (const char *p = text; *p; ++p) {
        uint8_t usage = *p == '0' ? 39 : *p >= '1' && *p <= '9' ? 30 + (*p - '1') : 4 + (*p - 'a');
        r.push_back(key(0, usage));
        r.push_back(UP);
    }
    return r;
}

struct Decoder {
    HidDecoder d;
    Decoder() { hid_decoder_begin(&d); }
    int feed(const std::vector<Report> &reports, int kind = 2)
    {
        int ended = 0;
        for (const Report &r : reports)
            ended |= hid_decoder_feed(&d, r.data(), kind);
        return ended;
    }
    std::string code() const { return std::string(d.code, static_cast<size_t>(d.length)); }
};

TEST(HidModels, FirstContainedNameDecides)
{
    struct {
        const char *name;
        int kind;
    } cases[] = {
        {"WCM HIDKeyBoard", 11},
        {"Manufacturer Barcode Reader", 9},
        {"HID 0581:011c", 8},
        {"LWTEK Barcode Scanner", 7},
        {"Barcode Scanner Barcode Scanner", 4},
        {"SM 2D BarCode Scanner v2", 1},
        {"2D Barcode Scanner", 0}, // case matters
        {"USB Keyboard", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hid_scanner_kind(c.name), c.kind) << (c.name ? c.name : "null");
}

TEST(HidKeys, TranslationByModifier)
{
    struct {
        uint8_t modifier, usage;
        int c;
    } cases[] = {
        {0, 4, 'a'},     {0, 29, 'z'},    {2, 4, 'A'},     {2, 29, 'Z'},    {0, 30, '1'},    {0, 38, '9'},
        {0, 39, '0'},    {2, 30, '!'},    {2, 31, '@'},    {2, 35, '^'},    {2, 38, '('},    {2, 39, ')'},
        {0, 40, 0x0A},   {2, 40, -1},     {0, 41, 0x1B},   {0, 42, 0x08},   {0, 43, 0x09},   {2, 43, -1},
        {0, 44, ' '},    {2, 44, ' '},    {0, 45, '-'},    {2, 45, '_'},    {0, 46, '='},    {2, 46, '+'},
        {0, 47, '['},    {2, 48, '}'},    {0, 49, '\\'},   {2, 49, '|'},    {0, 50, 0xB9},   {2, 50, '~'},
        {0, 51, ';'},    {2, 51, ':'},    {0, 52, '\''},   {2, 52, '"'},    {0, 53, '`'},    {2, 53, '~'},
        {0, 54, ','},    {2, 54, '<'},    {0, 55, '.'},    {2, 55, '>'},    {0, 56, '/'},    {2, 56, '?'},
        {0, 57, -1},     {0, 58, 0x11},   {0, 64, 0x17},   {0, 65, 0x1D},   {0, 66, 0x19},   {0, 67, 0x1A},
        {0, 68, 0x1C},   {0, 69, 0x1D},   {2, 65, -1},     {0, 70, -1},     {0, 72, -1},     {0, 73, 0x0E},
        {0, 74, 0x0B},   {0, 75, 0x05},   {0, 76, 0x0F},   {0, 77, 0x0C},   {0, 78, 0x06},   {0, 79, 0x04},
        {0, 80, 0x03},   {0, 81, 0x02},   {0, 82, 0x01},   {0, 83, -1},     {0, 89, -1},     {0, 0, -1},
        {0x20, 4, -1},   {0x01, 4, -1},   {0x04, 4, -1},   {0x06, 4, -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hid_key_char(c.modifier, c.usage), c.c) << int(c.modifier) << " " << int(c.usage);
}

TEST(HidKeys, AltCodes)
{
    struct {
        const char *digits;
        int c;
    } cases[] = {
        {"29", 0x1D},    {"53392", 0xC0}, {"53399", 0xC7}, {"53400", 0xC8}, {"53439", 0xEF}, {"53440", -1},
        {"53631", -1},   {"53632", 0xF0}, {"53647", 0xFF}, {"53648", -1},   {"53377", 0xA8}, {"53649", 0xB8},
        {"57988", 0xB9}, {"38459", ';'},  {"00029", -1},   {"029", -1},     {"2", -1},       {"28", -1},
        {"", -1},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> keys = keypad_keys(c.digits);
        EXPECT_EQ(hid_alt_char(keys.data(), static_cast<int>(keys.size())), c.c) << c.digits;
    }
    const uint8_t top_row[] = {31, 38}; // '2', '9' on the main keys
    EXPECT_EQ(hid_alt_char(top_row, 2), -1);
    EXPECT_EQ(hid_alt_char(nullptr, 2), -1);
}

TEST(HidDecoder, SixteenDigitsAndEnter)
{
    Decoder dec;
    std::vector<Report> r = typed("1234567890123456");
    r.push_back(key(0, 40));
    r.push_back(UP);
    EXPECT_EQ(dec.feed(r), 0);
    EXPECT_EQ(dec.code(), "1234567890123456\n");
    EXPECT_EQ(dec.d.data_seen, 1);
    hid_decoder_trim(&dec.d);
    EXPECT_STREQ(dec.d.code, "1234567890123456");
}

TEST(HidDecoder, AltSequencesShiftAndDroppedKeys)
{
    Decoder dec;
    std::vector<Report> r = typed("01");
    for (const Report &x : alt_sequence("29"))
        r.push_back(x);
    for (const Report &x : alt_sequence("53392"))
        r.push_back(x);
    for (const Report &x : alt_sequence("12345")) // means nothing
        r.push_back(x);
    r.push_back(key(HID_MOD_LEFT_SHIFT, 52)); // "
    r.push_back(key(0x20, 4));                // Right Shift: nothing
    r.push_back(key(HID_MOD_LEFT_SHIFT, 4));  // A
    r.push_back(UP);
    dec.feed(r);
    EXPECT_EQ(dec.code(), std::string("01\x1D\xC0\"A"));

    // A key without Left Alt ends the sequence before it is typed.
    Decoder next;
    next.feed({key(HID_MOD_LEFT_ALT, keypad('2')), key(HID_MOD_LEFT_ALT, keypad('9')), key(0, 4)});
    EXPECT_EQ(next.code(), std::string("\x1D" "a"));
    EXPECT_EQ(next.d.alt_count, 0);
}

TEST(HidDecoder, KindOneEndsAtTheSecondAllZeroReport)
{
    Decoder dec;
    EXPECT_EQ(dec.feed({UP}, 1), 0); // right after the start: previous is 0xFF
    EXPECT_EQ(dec.feed({key(0, 4), UP, key(0, 5), UP}, 1), 0);
    EXPECT_EQ(dec.feed({UP}, 1), 1);
    EXPECT_EQ(dec.code(), "ab");
    // Other kinds never end a code on reports alone.
    Decoder other;
    EXPECT_EQ(other.feed({key(0, 4), UP, UP, UP}, 7), 0);
    EXPECT_EQ(other.code(), "a");
    Decoder idle;
    idle.feed({UP, UP}, 2);
    EXPECT_EQ(idle.d.data_seen, 0);
}

TEST(HidDecoder, LengthCap)
{
    Decoder dec;
    dec.feed(std::vector<Report>(HID_CODE_FULL - 1, key(0, 4)));
    ASSERT_EQ(dec.d.length, HID_CODE_FULL - 1);
    // Below the cap the Alt keys are kept; the key after them adds both.
    dec.feed({key(HID_MOD_LEFT_ALT, keypad('2')), key(HID_MOD_LEFT_ALT, keypad('9')), key(0, 5)});
    EXPECT_EQ(dec.d.length, HID_CODE_SIZE - 1);
    EXPECT_EQ(dec.d.code[HID_CODE_SIZE - 2], 'b');
    EXPECT_EQ(dec.d.code[HID_CODE_SIZE - 1], 0);
    dec.feed({key(0, 6), UP, key(HID_MOD_LEFT_ALT, keypad('2')), key(HID_MOD_LEFT_ALT, keypad('9')), UP});
    EXPECT_EQ(dec.d.length, HID_CODE_SIZE - 1);
    EXPECT_EQ(dec.d.alt_count, 0);

    Decoder full;
    full.feed(std::vector<Report>(5000, key(0, 4)));
    EXPECT_EQ(full.d.length, HID_CODE_FULL);
    EXPECT_EQ(strlen(full.d.code), static_cast<size_t>(HID_CODE_FULL));
}

TEST(HidDecoder, TrimRemovesTrailingControlBytesOnly)
{
    Decoder dec;
    dec.feed({key(0, 4), key(0, 43), key(0, 5), key(0, 40), key(0, 41), key(0, 82)});
    hid_decoder_trim(&dec.d);
    EXPECT_STREQ(dec.d.code, "a\tb");
    Decoder only;
    only.feed({key(0, 40)});
    hid_decoder_trim(&only.d);
    EXPECT_STREQ(only.d.code, "");
    EXPECT_EQ(only.d.length, 0);
}

TEST(Barcode, CheckDigitAndEquality)
{
    EXPECT_EQ(ean_check_digit("400638133393", 12), '1');
    EXPECT_EQ(ean_check_digit("9638507", 7), '4');
    EXPECT_EQ(ean_check_digit("0001234560001", 13), '2');
    EXPECT_EQ(ean_check_digit("", 0), '0');
    struct {
        const char *a, *b;
        int equal;
    } cases[] = {
        {"4006381333931", "4006381333931", 1},  {"04006381333931", "4006381333931", 1},
        {"4006381333931", "04006381333931", 1}, {"400638133393", "4006381333931", 1},
        {"400638133393", "04006381333931", 1},  {"4006381333931", "4006381333932", 0},
        {"400638133393", "4006381333932", 0},   {"4006381333931", "14006381333931", 0},
        {"0104601234567893", "0104601234567893\x1D" "91EE06", 1},
        {"0104601234567893", "0104601234567893" "91EE06", 0},
        {"", "", 0},                            {"", "1", 0},
        {nullptr, "1", 0},                      {"1", nullptr, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(barcode_equal(c.a, c.b), c.equal) << (c.a ? c.a : "null") << " / " << (c.b ? c.b : "null");
}

} // namespace
