// The Bluetooth library stand-in's control file: any text is accepted or
// refused with a message naming its line, never read out of bounds; an
// accepted one stays within its limits.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "BtScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 8192)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    btfake::Script script;
    std::string error;
    if (!btfake::ParseScript(text, "fuzz", &script, &error)) {
        if (error.rfind("fuzz:", 0) != 0 || !script.devices.empty())
            abort();
        return 0;
    }
    if (script.devices.size() > 32 || script.sppDevice.size() > 63)
        abort();
    for (const btfake::Device &d : script.devices)
        if (d.addr.size() > 31 || d.name.size() > 63)
            abort();
    for (int i = 0; i < 3; ++i)
        script.check.take(0);
    return 0;
}
