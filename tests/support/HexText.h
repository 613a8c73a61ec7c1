// The bytes of a text as upper-case hexadecimal pairs separated by blanks
// ("ОШИБКА" in CP1251 is "CE D8 C8 C1 CA C0"), for pinning texts to bytes.
#ifndef TESTS_SUPPORT_HEX_TEXT_H
#define TESTS_SUPPORT_HEX_TEXT_H

#include <string>

inline std::string HexText(const char *s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; ++p) {
        if (!out.empty())
            out += ' ';
        out += digits[*p >> 4];
        out += digits[*p & 15];
    }
    return out;
}

#endif
