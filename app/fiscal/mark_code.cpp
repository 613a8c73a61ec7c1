#include "mark_code.h"

#include <stdio.h>
#include <string.h>

namespace {

enum CharClass { DIGIT, UPPER, LOWER, HYPHEN, PUNCT, OTHER };

CharClass char_class(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return DIGIT;
    if (c >= 'A' && c <= 'Z')
        return UPPER;
    if (c >= 'a' && c <= 'z')
        return LOWER;
    if (c == '-')
        return HYPHEN;
    if (c && strchr("!\"%&'()*+,.:;<=>?", c))
        return PUNCT;
    return OTHER;
}

size_t length(const char *code) { return code ? strlen(code) : 0; }

bool only(const char *code, size_t n, bool digits, bool upper, bool hyphen)
{
    for (size_t i = 0; i < n; ++i) {
        CharClass k = char_class(static_cast<unsigned char>(code[i]));
        if (!((k == DIGIT && digits) || (k == UPPER && upper) || (k == HYPHEN && hyphen)))
            return false;
    }
    return true;
}

bool has_other(const char *code, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (char_class(static_cast<unsigned char>(code[i])) == OTHER)
            return true;
    return false;
}

// "01" at index 0 and "21" at index 16 (the GTIN and serial layout).
bool gtin_serial_layout(const char *code, size_t n)
{
    return n >= 18 && code[0] == '0' && code[1] == '1' && code[16] == '2' && code[17] == '1';
}

// Index after the first GS at or after `from` that is followed by the two
// characters `ai`; 0 when there is none.
size_t find_gs_ai(const char *code, size_t n, size_t from, const char *ai)
{
    for (size_t i = from; i + 2 < n; ++i)
        if (code[i] == MARK_GS && code[i + 1] == ai[0] && code[i + 2] == ai[1])
            return i + 1;
    return 0;
}

uint8_t find_ai(const char *code, const char *ai)
{
    size_t n = length(code);
    if (!gtin_serial_layout(code, n))
        return 0;
    // The drive takes the offset as a byte; one past it would point
    // elsewhere, so it counts as absent (codes keep to 199 characters).
    size_t at = find_gs_ai(code, n, 0, ai);
    return at <= 0xFF ? static_cast<uint8_t>(at) : 0;
}

int hex_value(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Appends to a fixed buffer; what does not fit is dropped whole.
struct HexOut {
    char *buf;
    size_t size;
    size_t used = 0;
    template <typename... Args> void put(const char *fmt, Args... args)
    {
        int n = snprintf(buf + used, size - used, fmt, args...);
        if (n > 0 && used + static_cast<size_t>(n) < size)
            used += static_cast<size_t>(n);
        else
            buf[used] = 0;
    }
    // count characters from `from` as "%2.2X", never past the terminator
    void chars(const char *code, size_t n, size_t from, size_t count)
    {
        for (size_t i = from; i < n && i < from + count; ++i)
            put("%2.2X", static_cast<unsigned char>(code[i]));
    }
};

unsigned long long leading_number(const char *code, size_t n, size_t from, size_t count)
{
    unsigned long long v = 0;
    for (size_t i = from; i < n && i < from + count && char_class(static_cast<unsigned char>(code[i])) == DIGIT; ++i)
        v = v * 10 + static_cast<unsigned>(code[i] - '0');
    return v;
}

// Position in the alphabet of the short codes' price digits, -1 outside it.
int base80_digit(unsigned char c)
{
    static const char signs[] = "!\"%&'*+-./_,:;=<>?";
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return 26 + c - 'a';
    if (c >= '0' && c <= '9')
        return 52 + c - '0';
    const char *s = c ? strchr(signs, c) : nullptr;
    return s ? 62 + static_cast<int>(s - signs) : -1;
}

int write_price(long long value, char *out, int size)
{
    int n = snprintf(out, static_cast<size_t>(size), "%lld.%02lld", value / 100, value % 100);
    if (n < 0 || n >= size) {
        out[0] = 0;
        return -1;
    }
    return 0;
}

} // namespace

int MarkCheckDigitOk(const char *digits, int n)
{
    if (!digits || n < 1)
        return -1;
    for (int i = 0; i < n; ++i)
        if (char_class(static_cast<unsigned char>(digits[i])) != DIGIT)
            return -1;
    int sum = 0;
    int weight = 3;
    for (int i = n - 2; i >= 0; --i) {
        sum += (digits[i] - '0') * weight;
        weight = weight == 3 ? 1 : 3;
    }
    int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    return digits[n - 1] - '0' == check ? 0 : -1;
}

uint16_t MarkCodeType(const char *code, int test_check_digit)
{
    size_t n = length(code);
    if (n == 0)
        return MARK_TYPE_UNKNOWN;
    if (only(code, n, true, false, false) && (!test_check_digit || MarkCheckDigitOk(code, static_cast<int>(n)) == 0)) {
        if (n == 8)
            return MARK_TYPE_EAN8;
        if (n == 13)
            return MARK_TYPE_EAN13;
        if (n == 14)
            return MARK_TYPE_ITF14;
    }
    if (n == 20 && code[2] == '-' && code[9] == '-' && only(code, n, true, true, true))
        return MARK_TYPE_FUR;
    if ((n > 17 && gtin_serial_layout(code, n)) || (n == 29 && !has_other(code, n)))
        return MARK_TYPE_GS1_DATAMATRIX;
    if (only(code, n, true, true, false)) {
        if (n == 68)
            return MARK_TYPE_EGAIS2;
        if (n == 150)
            return MARK_TYPE_EGAIS3;
    }
    return MARK_TYPE_UNKNOWN;
}

uint16_t MarkCodeTypeChecked(const char *code) { return MarkCodeType(code, 1); }

uint16_t MarkCodeTypeOf(const char *code, int test_check_digit) { return MarkCodeType(code, test_check_digit); }

int MarkCountGs(const char *code)
{
    int count = 0;
    for (size_t i = 0, n = length(code); i < n; ++i)
        count += code[i] == MARK_GS;
    return count;
}

int MarkFindGs(const char *code)
{
    const char *gs = code ? strchr(code, MARK_GS) : nullptr;
    return gs ? static_cast<int>(gs - code) : 0;
}

int MarkSerialLength(const char *code)
{
    size_t n = length(code);
    int count = 0;
    for (size_t i = 18; i < n && static_cast<unsigned char>(code[i]) > 0x20; ++i)
        ++count;
    return count;
}

uint8_t MarkFindAi91(const char *code) { return find_ai(code, "91"); }

uint8_t MarkFindAi92(const char *code) { return find_ai(code, "92"); }

uint8_t mark_find_ai93(const char *code) { return find_ai(code, "93"); }

uint8_t MarkGs1Kind(const char *code)
{
    size_t n = length(code);
    if (!gtin_serial_layout(code, n))
        return n == 29 ? MARK_GS1_SHORT : MARK_GS1_NONE;
    if (find_gs_ai(code, n, 17, "93"))
        return MARK_GS1_AI93;
    size_t start = find_gs_ai(code, n, 17, "92");
    if (!start)
        return MARK_GS1_NONE;
    const char *end = strchr(code + start, MARK_GS);
    size_t group = (end ? static_cast<size_t>(end - code) : n) - start;
    if (group == 90)
        return MARK_GS1_AI92_88;
    if (group == 46)
        return MARK_GS1_AI92_44;
    return MARK_GS1_NONE;
}

int16_t MarkCodeTag(const char *code)
{
    switch (MarkCodeTypeChecked(code)) {
    case MARK_TYPE_EAN8:
        return 1301;
    case MARK_TYPE_EAN13:
        return 1302;
    case MARK_TYPE_ITF14:
        return 1303;
    case MARK_TYPE_FUR:
        return 1307;
    case MARK_TYPE_EGAIS2:
        return 1308;
    case MARK_TYPE_EGAIS3:
        return 1309;
    default:
        break;
    }
    switch (MarkGs1Kind(code)) {
    case 1:
        return 1306;
    case 2:
    case 3:
    case 4:
        return 1305;
    case 5:
        return MarkIsGtinSerial(code) ? 1305 : 1304;
    default:
        return 1300;
    }
}

uint8_t MarkSignificantLength(const char *code)
{
    size_t n = length(code);
    if (n > 32 && MarkCodeTag(code) == 1300)
        return 32;
    if (n == 29)
        return 21;
    if (gtin_serial_layout(code, n))
        return static_cast<uint8_t>(18 + MarkSerialLength(code));
    return static_cast<uint8_t>(n);
}

int MarkIsGtinSerial(const char *code)
{
    size_t n = length(code);
    return n >= 19 && gtin_serial_layout(code, n) ? 1 : 0;
}

void MarkUnescape(const char *text, char *out)
{
    if (!out)
        return;
    size_t used = 0;
    for (size_t i = 0; text && text[i] && used < MARK_CODE_MAX;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        // A backslash or the sign No (0xB9 in CP1251), 'u' and four hex digits.
        if ((c == '\\' || c == 0xB9) && text[i + 1] == 'u') {
            int d[4];
            bool hex = true;
            for (int k = 0; k < 4 && hex; ++k) {
                d[k] = hex_value(static_cast<unsigned char>(text[i + 2 + k]));
                hex = d[k] >= 0;
            }
            if (hex) {
                out[used++] = static_cast<char>(d[2] * 16 + d[3]);
                i += 6;
                continue;
            }
        }
        out[used++] = static_cast<char>(c);
        ++i;
    }
    while (used > 0 && static_cast<unsigned char>(out[used - 1]) < 0x20)
        --used;
    out[used] = 0;
}

const char *product_code_hex(const char *code)
{
    static char buf[256];
    size_t n = length(code);
    if (n == 0)
        return nullptr;
    buf[0] = 0;
    HexOut o{buf, sizeof buf};
    uint16_t type = MarkCodeType(code, 0);
    o.put("%4.4X", type);
    switch (type) {
    case MARK_TYPE_EAN8:
    case MARK_TYPE_EAN13:
    case MARK_TYPE_ITF14:
        o.put("%012llX", leading_number(code, n, 0, n));
        break;
    case MARK_TYPE_GS1_DATAMATRIX:
        if (n == 29) {
            o.put("%012llX", leading_number(code, n, 0, 14));
            o.chars(code, n, 14, 11);
            o.put("%s", "2020");
            break;
        }
        o.put("%012llX", leading_number(code, n, 2, 14));
        for (size_t i = 18; i < n && i < 18 + 13; ++i) {
            if (static_cast<unsigned char>(code[i]) < 0x20 || strncmp(code + i, "{GS}", 4) == 0 ||
                strncmp(code + i, "\\u001d", 6) == 0)
                break;
            o.put("%2.2X", static_cast<unsigned char>(code[i]));
        }
        if (const char *price = strstr(code, "8005"))
            for (price += 4; char_class(static_cast<unsigned char>(*price)) == DIGIT; ++price)
                o.put("%2.2x", static_cast<unsigned char>(*price));
        break;
    case MARK_TYPE_FUR:
        o.chars(code, n, 0, 21);
        break;
    case MARK_TYPE_EGAIS2:
        o.chars(code, n, 8, 23);
        break;
    case MARK_TYPE_EGAIS3:
        o.chars(code, n, 0, 14);
        break;
    default:
        o.chars(code, n, 0, 30);
        break;
    }
    return buf;
}

int mark_is_gs1(const char *escaped)
{
    char code[MARK_CODE_MAX + 1];
    MarkUnescape(escaped, code);
    int16_t tag = MarkCodeTag(code);
    return tag == 1304 || tag == 1305 || tag == 1306 ? 1 : 0;
}

int mark_price_of(const char *code, char *out, int size)
{
    if (!code || !out || size <= 0)
        return -1;
    out[0] = 0;
    size_t n = strlen(code);
    if (n == 29) {
        long long value = 0;
        for (size_t i = 21; i < 25; ++i) {
            int d = base80_digit(static_cast<unsigned char>(code[i]));
            if (d < 0)
                return -1;
            value = value * 80 + d;
        }
        return write_price(value, out, size);
    }
    const char *digits = strstr(code, "\\u001d8005");
    if (digits) {
        digits += 10;
    } else {
        static const char raw[] = {MARK_GS, '8', '0', '0', '5', 0};
        digits = strstr(code, raw);
        if (!digits)
            return -1;
        digits += 5;
    }
    // At most size - 2 digits, and no more than a 64-bit value holds.
    long long value = 0;
    for (int i = 0; i < size - 2 && i < 18 && char_class(static_cast<unsigned char>(digits[i])) == DIGIT; ++i)
        value = value * 10 + (digits[i] - '0');
    return write_price(value, out, size);
}
