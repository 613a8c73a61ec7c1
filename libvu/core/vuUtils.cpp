#include "vuUtils.h"

#include <sys/stat.h>

VU_C_API void word_to_intel(uint16_t value, unsigned char* out) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
}

VU_C_API void dword_to_intel(uint32_t value, unsigned char* out) {
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

VU_C_API char* str_lwr(char* text) {
    if (!text)
        return nullptr;
    for (char* p = text; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
    return text;
}

VU_C_API int _SYS_FILE_SIZE_NAME(const char* path) {
    struct stat st;
    if (!path || stat(path, &st) != 0)
        return -1;
    return static_cast<int>(st.st_size);
}

namespace vu {

// Scans from the last character to the first, filling out[3] down to out[0].
int inet_aton(const char* text, unsigned char* out) {
    if (!text || !out)
        return 0;
    out[0] = out[1] = out[2] = out[3] = 0;
    int i = 0;
    while (text[i])
        ++i;
    if (i == 0)
        return 0;
    enum { DIGIT, NUMBER, AFTER } state = DIGIT;
    int index = 3;
    unsigned weight = 1;  // grows past 255 only while zeros are read
    unsigned value = 0;
    while (i > 0) {
        char c = text[--i];
        bool digit = c >= '0' && c <= '9';
        if (state == DIGIT) {
            if (!digit)
                return 0;
            state = NUMBER;
        }
        if (state == NUMBER) {
            if (digit) {
                unsigned d = static_cast<unsigned>(c - '0');
                // Leading zeros add nothing however many there are; any
                // other digit at a weight of 1000 or more is out of range.
                if (d != 0) {
                    if (weight > 255 || value + d * weight > 255)
                        return 0;
                    value += d * weight;
                    out[index] = static_cast<unsigned char>(value);
                }
                if (weight <= 255)
                    weight *= 10;
                continue;
            }
            state = AFTER;
        }
        // AFTER
        if (c == '.') {
            if (index == 0)
                return 0;
            --index;
            weight = 1;
            value = 0;
            state = DIGIT;
        } else if (c != ' ') {
            return 0;
        }
    }
    return state != DIGIT && index == 0 ? 1 : 0;
}

}  // namespace vu
