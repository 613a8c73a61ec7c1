// The IPv4 text parser on arbitrary text (addresses come from UI
// descriptions, settings and the keypad). An accepted text must hold
// exactly three dots, and its octets, printed again, must parse to the same.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "vuUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    unsigned char out[4];
    if (vu::inet_aton(text.c_str(), out) != 1)
        return 0;
    size_t dots = 0;
    for (char c : std::string(text.c_str()))
        dots += c == '.';
    if (dots != 3)
        abort();
    char again[16];
    snprintf(again, sizeof again, "%u.%u.%u.%u", out[0], out[1], out[2], out[3]);
    unsigned char back[4];
    if (vu::inet_aton(again, back) != 1 || memcmp(out, back, 4) != 0)
        abort();
    return 0;
}
