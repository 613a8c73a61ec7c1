// The OS stand-in's network script: any text is accepted or refused with a
// message naming its line, never read out of bounds.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "osal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 8192)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    char error[256];
    if (OsNetCheckScript(text.c_str(), "fuzz", error, sizeof error) != 0 && !strstr(error, " line "))
        abort();
    return 0;
}
