#include "measure_units.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "dec_money.h"
#include "kfn_state.h"
#include "str_helpers.h"

namespace {

// Lower case of a CP1251 letter (Latin, Cyrillic, Ё).
unsigned char lower(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF)
        return static_cast<unsigned char>(c + 32);
    if (c == 0xA8)
        return 0xB8;
    return c;
}

// The first n characters of text are the lower-case letters of word.
bool starts(const char *text, const char *word, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (lower(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(word[i]))
            return false;
    return true;
}

struct Name {
    int code;
    const char *text;
};

const Name kNames[] = {{0, "шт."},  {10, "г"},    {11, "кг"},   {12, "т"},   {20, "см"},  {21, "дм"},
                       {22, "м"},   {30, "см2"},  {31, "дм2"},  {32, "м2"},  {40, "мл"},  {41, "л"},
                       {42, "м3"},  {50, "кВч"},  {51, "Гкл"},  {70, "сут"}, {71, "час"}, {72, "мин"},
                       {73, "с"},   {80, "Кб"},   {81, "Мб"},   {82, "Гб"},  {83, "Тб"}};

} // namespace

int measure_code_of(const char *text)
{
    if (!text || !*text)
        return 255;
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first >= '0' && first <= '9') {
        unsigned long v = strtoul(text, nullptr, 10);
        return v > 255 ? 255 : static_cast<int>(v);
    }
    if (first == 'x' || first == 'X') {
        if (!isxdigit(static_cast<unsigned char>(text[1])) || !isxdigit(static_cast<unsigned char>(text[2])))
            return 255;
        return hex_pair_to_byte(text + 1);
    }
    size_t len = strlen(text);
    if (len > 2) {
        if (starts(text, "сут", 3)) return 70;
        if (starts(text, "час", 3)) return 71;
        if (starts(text, "мин", 3)) return 72;
        if (starts(text, "сек", 3)) return 73;
    }
    if (len > 1) {
        if (starts(text, "кг", 2)) return 11;
        if (starts(text, "см", 2)) return 20;
        if (starts(text, "дм", 2)) return 21;
        if (starts(text, "мл", 2)) return 40;
    }
    if (starts(text, "ш", 1) || starts(text, "е", 1)) return 0;
    if (starts(text, "м", 1)) return 22;
    if (starts(text, "г", 1)) return 10;
    if (starts(text, "т", 1)) return 12;
    if (starts(text, "л", 1)) return 41;
    return 255;
}

const char *measure_name_of(int code)
{
    for (const Name &n : kNames)
        if (n.code == code)
            return n.text;
    return "";
}

const char *measure_text_of(const char *text)
{
    static char out[8];
    out[0] = 0;
    if (!text)
        return out;
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first >= '0' && first <= '9') {
        unsigned long v = strtoul(text, nullptr, 10);
        return str_copy(out, measure_name_of(v > 255 ? 255 : static_cast<int>(v)), sizeof out);
    }
    if (first == 'x' || first == 'X') {
        unsigned v = 0;
        if (sscanf(text + 1, "%x", &v) != 1)
            v = 255;
        return str_copy(out, measure_name_of(v > 255 ? 255 : static_cast<int>(v)), sizeof out);
    }
    return str_copy(out, text, 4);
}

const char *measure_field(const char *text)
{
    if (kfn_ffd_version() <= 3)
        return measure_text_of(text);
    static char out[4];
    str_format(out, sizeof out, "%2.2X", static_cast<unsigned>(measure_code_of(text)));
    return out;
}
