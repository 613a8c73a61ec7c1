// A menu item over arbitrary text, character limit, wrap flag, size, line
// count and layout type: every line must lie inside the text, the measure
// must always advance, and drawing must stay inside the frame buffer.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "MemScreen.h"
#include "vuMenuItem.h"
#include "vuViewPort.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    const unsigned short limit = data[0];
    const uint8_t flags = data[1];
    const unsigned short w = data[2];
    const unsigned short h = data[3];
    const unsigned short fontSlot = data[4] % 8; // slots 6 and 7 are empty
    std::string text(reinterpret_cast<const char*>(data + 5), size - 5);
    text = text.c_str(); // up to the first NUL, as the item copies it

    MENU_ITEM_EXT rec;
    memset(&rec, 0, sizeof rec);
    rec.text = text.c_str();
    rec.noWrap = flags & 1;
    vuMenuItem item(&rec, nullptr, nullptr);
    item.SetFont(fontSlot);

    const size_t len = text.size();
    unsigned short pos = 0;
    for (size_t guard = 0; guard <= len + 1; ++guard) {
        unsigned short next = pos;
        unsigned short n = item.GetLine(pos, next, limit);
        if (!n)
            break;
        if (pos + n > len)
            abort();
        if (next == 0)
            break;
        if (next <= pos || next > len)
            abort();
        pos = next;
        if (guard == len + 1)
            abort(); // did not finish within one step per character
    }

    static MemScreen screen(64, 48);
    vuViewPort port{0, 0, 64, 48, 0, 0};
    if (flags & 2)
        item.Select();
    item.DrawMenuItem(&screen, &port, static_cast<unsigned short>(flags >> 4), static_cast<short>(int8_t(data[2]) / 4),
                      static_cast<short>(int8_t(data[3]) / 4), w, h, static_cast<unsigned short>((flags >> 2) & 3),
                      static_cast<unsigned char>((flags >> 4) & 1));
    return 0;
}
