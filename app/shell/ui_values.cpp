#include "ui_values.h"

#include <cstring>
#include <iconv.h>

namespace {

bool is_dec(char c)
{
    return c >= '0' && c <= '9';
}

bool is_hex(char c)
{
    return is_dec(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Copies a field of at most 15 characters; longer or absent fields give false.
bool short_field(const char *begin, size_t len, char (&out)[16])
{
    if (len > 15)
        return false;
    std::memcpy(out, begin, len);
    out[len] = '\0';
    return true;
}

void replace_all(char *text, const char *entity, char ch)
{
    size_t n = std::strlen(entity);
    while (char *at = std::strstr(text, entity)) {
        *at = ch;
        std::memmove(at + 1, at + n, std::strlen(at + n) + 1);
    }
}

} // namespace

uint32_t parse_number(const char *text)
{
    if (!text || !*text)
        return 0;
    uint32_t value = 0;
    if (*text == 'x' || *text == 'X') {
        for (++text; is_hex(*text); ++text) {
            char c = *text;
            uint32_t digit = is_dec(c) ? c - '0' : (c | 0x20) - 'a' + 10;
            value = value * 16 + digit;
        }
        return value;
    }
    for (; is_dec(*text); ++text)
        value = value * 10 + static_cast<uint32_t>(*text - '0');
    return value;
}

uint32_t parse_coord(const char *text, uint32_t reference)
{
    if (!text || !*text)
        return 0;
    if (*text == '%')
        return reference * parse_number(text + 1) / 10000;
    return parse_number(text);
}

uint16_t parse_color(const char *text)
{
    if (!text)
        return 0;
    uint32_t rgb[3] = {0, 0, 0};
    char field[16];
    const char *c1 = std::strchr(text, ',');
    if (!c1)
        return 0;
    if (short_field(text, c1 - text, field))
        rgb[0] = parse_number(field) & 0xFF;
    const char *c2 = std::strchr(c1 + 1, ',');
    if (c2) {
        if (short_field(c1 + 1, c2 - c1 - 1, field))
            rgb[1] = parse_number(field) & 0xFF;
        size_t rest = std::strlen(c2 + 1);
        if (rest >= 1 && short_field(c2 + 1, rest, field))
            rgb[2] = parse_number(field) & 0xFF;
    }
    return static_cast<uint16_t>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 2) << 5) | (rgb[2] >> 3));
}

void parse_rect_on(const char *text, uint32_t screenW, uint32_t screenH, int16_t *x, int16_t *y, uint16_t *w,
                   uint16_t *h)
{
    uint32_t v[4] = {0, 0, 0, 0};
    const uint32_t ref[4] = {screenW, screenH, screenW, screenH};
    const char *p = text;
    char field[16];
    for (int i = 0; p && i < 4; ++i) {
        const char *end = i < 3 ? std::strchr(p, ',') : p + std::strlen(p);
        if (!end)
            break;
        size_t len = end - p;
        if ((i < 3 || len >= 1) && short_field(p, len, field))
            v[i] = parse_coord(field, ref[i]);
        p = i < 3 ? end + 1 : nullptr;
    }
    if (x)
        *x = static_cast<int16_t>(v[0]);
    if (y)
        *y = static_cast<int16_t>(v[1]);
    if (w)
        *w = static_cast<uint16_t>(v[2]);
    if (h)
        *h = static_cast<uint16_t>(v[3]);
}

void parse_rect_scaled_on(const char *text, uint8_t resize, uint32_t screenW, uint32_t screenH, int16_t *x,
                          int16_t *y, uint16_t *w, uint16_t *h)
{
    int16_t rx, ry;
    uint16_t rw, rh;
    parse_rect_on(text, screenW, screenH, &rx, &ry, &rw, &rh);
    if (resize) {
        rx = static_cast<int16_t>(screenW * static_cast<uint16_t>(rx) / UI_DESIGN_WIDTH);
        rw = static_cast<uint16_t>(screenW * rw / UI_DESIGN_WIDTH);
        ry = static_cast<int16_t>(screenH * static_cast<uint16_t>(ry) / UI_DESIGN_HEIGHT);
        rh = static_cast<uint16_t>(screenH * rh / UI_DESIGN_HEIGHT);
    }
    if (x)
        *x = rx;
    if (y)
        *y = ry;
    if (w)
        *w = rw;
    if (h)
        *h = rh;
}

char *get_list_field(char *dst, size_t size, int field, const char *list, char separator)
{
    if (!dst || !list || !*list || size == 0 || field < 0)
        return nullptr;
    const char *p = list;
    for (int i = 0; i < field; ++i) {
        p = std::strchr(p, separator);
        if (!p)
            return nullptr;
        ++p;
    }
    const char *end = std::strchr(p, separator);
    size_t len = end ? static_cast<size_t>(end - p) : std::strlen(p);
    if (len > size - 1)
        len = size - 1;
    std::memcpy(dst, p, len);
    dst[len] = '\0';
    return dst;
}

uint32_t parse_list_number(int field, const char *list, char separator)
{
    char buf[16];
    if (!get_list_field(buf, sizeof buf, field, list, separator))
        return 0;
    return parse_number(buf);
}

char *decode_xml_entities(char *text)
{
    if (!text)
        return text;
    replace_all(text, "&quot;", '"');
    replace_all(text, "&apos;", '\'');
    replace_all(text, "&amp;", '&');
    replace_all(text, "&lt;", '<');
    replace_all(text, "&gt;", '>');
    char *search = text;
    while (char *at = std::strstr(search, "&#")) {
        char *run = at + 2;
        bool hex = *run == 'x' || *run == 'X';
        char *end = hex ? run + 1 : run;
        while (hex ? is_hex(*end) : is_dec(*end))
            ++end;
        if ((!hex && end == run) || *end != ';') {
            search = end;
            continue;
        }
        *end = '\0';
        uint32_t value = parse_number(run);
        char *rest = end + 1;
        if (value >= 1 && value <= 255) {
            *at = static_cast<char>(value);
            std::memmove(at + 1, rest, std::strlen(rest) + 1);
        } else {
            std::memmove(at, rest, std::strlen(rest) + 1);
        }
        search = at;
    }
    return text;
}

int utf8_to_cp1251(const char *src, char *dst, unsigned size)
{
    if (!dst)
        return 0;
    dst[0] = '\0';
    if (!src)
        return 0;
    iconv_t cd = iconv_open("CP1251", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 0;
    size_t remaining = std::strlen(src);
    char *in = const_cast<char *>(src);
    size_t written = 0;
    while (remaining > 0 && (size == 0 || written < size - 1)) {
        size_t offer = remaining < 4 ? remaining : 4;
        size_t inLeft = offer;
        char *out = dst + written;
        size_t outLeft = 1;
        iconv(cd, &in, &inLeft, &out, &outLeft);
        if (outLeft != 0)
            break; // invalid sequence or a character CP1251 lacks: drop the rest
        remaining -= offer - inLeft;
        ++written;
    }
    iconv_close(cd);
    dst[written] = '\0';
    decode_xml_entities(dst);
    return 0;
}

int cp1251_to_utf8(const char *src, char *dst, unsigned size)
{
    if (!dst)
        return 0;
    dst[0] = '\0';
    if (!src)
        return 0;
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 0;
    size_t written = 0;
    for (const char *p = src; *p; ++p) {
        size_t room = size == 0 ? 4 : size - 1 - written;
        if (room == 0)
            break;
        char *in = const_cast<char *>(p);
        size_t inLeft = 1;
        char *out = dst + written;
        size_t outLeft = room;
        iconv(cd, &in, &inLeft, &out, &outLeft);
        if (inLeft != 0 || outLeft == room)
            break; // no mapping, or the character no longer fits whole
        written += room - outLeft;
    }
    iconv_close(cd);
    dst[written] = '\0';
    return 0;
}

uint16_t decode_base64(const char *text, uint8_t *out)
{
    if (!text || !out)
        return 0;
    size_t len = std::strlen(text);
    if (len > 0xFFFF)
        return 0;
    uint32_t group = 0;
    int have = 0;
    uint16_t count = 0;
    for (size_t i = 0; i < len; ++i) {
        char c = text[i];
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else
            continue;
        group = (group << 6) | static_cast<uint32_t>(v);
        if (++have == 4) {
            out[count++] = static_cast<uint8_t>(group >> 16);
            out[count++] = static_cast<uint8_t>(group >> 8);
            out[count++] = static_cast<uint8_t>(group);
            group = 0;
            have = 0;
        }
    }
    if (have > 1) {
        group <<= 6 * (4 - have);
        for (int i = 0; i < have - 1; ++i)
            out[count++] = static_cast<uint8_t>(group >> (16 - 8 * i));
    }
    return count;
}
