// The battery readers on arbitrary bytes: the settings text (never a type
// outside 0..5) and a voltage file's first line, given as a heap copy of
// exactly the bytes read so an overrun is seen.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "battery.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char *copy = static_cast<char *>(malloc(size ? size : 1));
    if (size)
        memcpy(copy, data, size);
    if (battery_parse_settings(copy, size) > BATTERY_FORCE_CURVE_B)
        abort();
    battery_parse_voltage(copy, size);
    free(copy);
    return 0;
}
