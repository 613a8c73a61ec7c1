// Marking codes of marked goods: the code's type (EAN-8, EAN-13, ITF-14,
// GS1 DataMatrix, fur tag, EGAIS 2.0 and 3.0), the values the fiscal drive
// takes for it (FFD tag 1300..1309, GS1 layout kind, significant length,
// the offsets of the application identifiers 91, 92 and 93), the scanner's
// escaped text turned into raw bytes, and the product code and price
// readers. A code is a CP1251 text of at most 199 characters; GS (0x1D)
// separates GS1 element strings. None of these ever fails: a code nothing
// recognises is type 0 with tag 1300.
#ifndef APP_FISCAL_MARK_CODE_H
#define APP_FISCAL_MARK_CODE_H

#include <stddef.h>
#include <stdint.h>

// Type words: two letters, or a letter and a length.
enum : uint16_t {
    MARK_TYPE_UNKNOWN = 0,
    MARK_TYPE_EAN8 = 0x4508,
    MARK_TYPE_EAN13 = 0x450D,
    MARK_TYPE_ITF14 = 0x490E,
    MARK_TYPE_GS1_DATAMATRIX = 0x444D,
    MARK_TYPE_FUR = 0x5246,
    MARK_TYPE_EGAIS2 = 0xC514,
    MARK_TYPE_EGAIS3 = 0xC51E,
};

// GS1 layout kinds.
enum : uint8_t {
    MARK_GS1_NONE = 0,
    MARK_GS1_SHORT = 1, // 29 characters without the "01"/"21" layout
    MARK_GS1_AI92_88 = 2,
    MARK_GS1_AI92_44 = 3,
    MARK_GS1_AI93 = 5,
};

// A raw code holds at most this many characters (its buffer is one more).
constexpr int MARK_CODE_MAX = 199;
constexpr char MARK_GS = 0x1D;

// 0 when the last of n digits is the EAN/ITF check digit of the ones before.
int MarkCheckDigitOk(const char *digits, int n);
uint16_t MarkCodeType(const char *code, int test_check_digit);
uint16_t MarkCodeTypeChecked(const char *code);
uint16_t MarkCodeTypeOf(const char *code, int test_check_digit);
int MarkCountGs(const char *code);
// Index of the first GS, 0 when there is none.
int MarkFindGs(const char *code);
// Characters from index 18 up to the first one at or below 0x20.
int MarkSerialLength(const char *code);
// Index right after the GS that precedes the AI digits, 0 when absent or
// when the code has not the "01" ... "21" layout.
uint8_t MarkFindAi91(const char *code);
uint8_t MarkFindAi92(const char *code);
uint8_t mark_find_ai93(const char *code);
uint8_t MarkSignificantLength(const char *code);
uint8_t MarkGs1Kind(const char *code);
int16_t MarkCodeTag(const char *code);
// 1 with at least 19 characters, "01" at index 0 and "21" at index 16.
int MarkIsGtinSerial(const char *code);
// The scanner's text with \uXXXX (or №uXXXX) escapes turned into the byte
// of the last two hex digits, trailing control bytes removed. out holds
// MARK_CODE_MAX + 1 bytes.
void MarkUnescape(const char *text, char *out);

// Hexadecimal product code in a static buffer of 256 bytes, null for an
// empty code.
const char *product_code_hex(const char *code);
// 1 when the unescaped code's tag is 1304, 1305 or 1306.
int mark_is_gs1(const char *escaped);
// The price the code carries as "rubles.kopecks"; -1 on bad arguments,
// when no price is found or when it does not fit out.
int mark_price_of(const char *code, char *out, int size);

#endif
