#include "vuColor.h"

#include <stddef.h>

uint16_t vuColor::cUI[1] = {0xFFFF};

uint16_t vuColor::cStatusLine[13] = {
    0x07FF,  // 0 fill
    0x0000,  // 1 text object front
    0x07FF,  // 2 text object back
    0x0000,  // 3 image-set object front
    0x07FF,  // 4 image-set object back
    0x001F,  // 5 level indicator front
    0x07FF,  // 6 level indicator back
    0x0000,  // 7 indicator mask
    0xF800,  // 8 indicator warning
    0xFFFF,  // 9 indicator addition
    0xFFE0,  // 10 indicator text
    0x0000,  // 11 clock front
    0x07FF,  // 12 clock back
};

// Widgets: passive front, passive back, active front, active back.
uint16_t vuColor::cForm[40] = {
    0xFFFF, 0x0400, 0xFFFF, 0x0000,  // 0-3 form: header front/back, front/back
    0xFFFF, 0x0000,                  // 4-5 static
    0x0000, 0xFFFF, 0x001F, 0xFFFF,  // 6-9 button
    0xFFFF, 0x0000, 0xFFE0, 0x001F,  // 10-13 input
    0xFFFF, 0x39E7, 0xFFE0, 0x39FF,  // 14-17 pattern input
    0xFFFF, 0x0000, 0xFFE0, 0x001F,  // 18-21 sign box
    0xFFFF, 0x0000, 0xFFE0, 0x001F,  // 22-25 check box
    0xFFFF, 0x0000, 0xFFE0, 0x001F,  // 26-29 radio
    0xFFFF, 0x0000, 0xFFE0, 0x001F,  // 30-33 multi-line text
    0xFFFF, 0x001F,                  // 34-35 progress
    0xFFFF, 0x0000, 0xFFE0, 0x0000,  // 36-39 menu box
};

uint16_t vuColor::cMenu[8] = {
    0xFFFF, 0x0400,  // header front, back
    0xFFFF, 0x0000,  // front, back
    0xFFFF, 0x0000,  // item passive front, back
    0xFFE0, 0x001F,  // item active front, back
};

uint16_t vuColor::cVirtualKeyboard[4] = {0xFFFF, 0x0000, 0xFFE0, 0x001F};

template <size_t N>
static uint16_t* sized(uint16_t (&table)[N], unsigned& size) {
    size = N;
    return table;
}

// The table of a type and its length; null for a type without one.
static uint16_t* tableOf(int type, unsigned& size) {
    switch (type) {
    case VU_TYPE_UI:
        return sized(vuColor::cUI, size);
    case VU_TYPE_STATUS_LINE:
        return sized(vuColor::cStatusLine, size);
    case VU_TYPE_FORM:
        return sized(vuColor::cForm, size);
    case VU_TYPE_MENU:
        return sized(vuColor::cMenu, size);
    case VU_TYPE_VIRTUAL_KEYBOARD:
        return sized(vuColor::cVirtualKeyboard, size);
    default:
        size = 0;
        return nullptr;
    }
}

static int getEntry(int type, long index) {
    unsigned size;
    uint16_t* table = tableOf(type, size);
    return table && index >= 0 && index < static_cast<long>(size) ? table[index] : 0;
}

static int setEntry(int type, long index, uint16_t color) {
    unsigned size;
    uint16_t* table = tableOf(type, size);
    if (!table || index < 0 || index >= static_cast<long>(size))
        return -1;
    table[index] = color;
    return 0;
}

int vuColor::GetColor(_VU_TypeObject type, uint16_t index) { return getEntry(type, index); }

int vuColor::SetColor(_VU_TypeObject type, uint16_t index, uint16_t color) { return setEntry(type, index, color); }

// The flat forms take plain ints: an index outside the table is refused
// rather than wrapped into 16 bits.
VU_C_API int vuColor_GetColor(int type, int index) { return getEntry(type, index); }

VU_C_API int vuColor_SetColor(int type, int index, int color) {
    return setEntry(type, index, static_cast<uint16_t>(color));
}
