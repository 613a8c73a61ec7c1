// Any report stream: the first byte picks the scanner kind (0 to 11), the
// rest is cut into 8-byte reports. The code stays terminated inside its
// buffer, the Alt buffer inside its own, and only kind 1 ends a code on
// reports alone.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "scanner_hid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static HidDecoder d;
    int kind = data[0] % 12;
    hid_decoder_begin(&d);
    for (size_t at = 1; at + HID_REPORT_SIZE <= size; at += HID_REPORT_SIZE) {
        if (hid_decoder_feed(&d, data + at, kind)) {
            if (kind != 1)
                abort();
            hid_decoder_trim(&d);
            hid_decoder_begin(&d);
        }
        if (d.length < 0 || d.length >= HID_CODE_SIZE || d.code[d.length] != 0 ||
            strlen(d.code) != static_cast<size_t>(d.length) || d.alt_count < 0 || d.alt_count > HID_ALT_KEYS_MAX)
            abort();
    }
    hid_decoder_end_alt(&d);
    hid_decoder_trim(&d);
    if (d.length >= HID_CODE_SIZE || d.code[d.length] != 0)
        abort();
    return 0;
}
