// CP1251 <-> CP866 for the Cyrillic letters, Ё, ё and №.
#include "CodePage.h"

#include <stdint.h>

namespace {

uint8_t To866(uint8_t c)
{
    if (c >= 0xF0)
        return static_cast<uint8_t>(c - 0x10); // р..я
    if (c >= 0xC0)
        return static_cast<uint8_t>(c - 0x40); // А..Я, а..п
    switch (c) {
    case 0xB8: return 0xF1; // ё
    case 0xA8: return 0xF0; // Ё
    case 0xB9: return 0xFC; // №
    case 0xAB:              // «
    case 0xBB: return 0x22; // »
    default: return c;
    }
}

uint8_t To1251(uint8_t c)
{
    if (c >= 0x80 && c <= 0xAF)
        return static_cast<uint8_t>(c + 0x40);
    if (c >= 0xE0 && c <= 0xEF)
        return static_cast<uint8_t>(c + 0x10);
    switch (c) {
    case 0xF1: return 0xB8;
    case 0xF0: return 0xA8;
    case 0xFC: return 0xB9;
    default: return c;
    }
}

template <uint8_t (*Map)(uint8_t)>
int Convert(char *text, int n)
{
    if (!text || n <= 0)
        return 0;
    for (int i = 0; i < n; ++i)
        text[i] = static_cast<char>(Map(static_cast<uint8_t>(text[i])));
    return n;
}

} // namespace

int Cp1251ToCp866(char *text, int n)
{
    return Convert<To866>(text, n);
}

int Cp866ToCp1251(char *text, int n)
{
    return Convert<To1251>(text, n);
}
