// Default RGB565 colours, one table per kind of object. Objects copy the
// entries they need when they are constructed, so a change affects only
// objects built afterwards.
#ifndef VU_COLOR_H
#define VU_COLOR_H

#include <stdint.h>

#include "vuExport.h"
#include "vuTypeObject.h"

class VU_API vuColor {
public:
    static uint16_t cUI[1];               // 0: screen fill behind the background
    static uint16_t cStatusLine[13];      // status line and its objects
    static uint16_t cForm[40];            // forms (0-3) and widgets (4-39)
    static uint16_t cMenu[8];             // menus
    static uint16_t cVirtualKeyboard[4];  // on-screen keyboard

    // The entry, or 0 for a type without a table or an index past its end.
    static int GetColor(_VU_TypeObject type, uint16_t index);
    // Stores the entry: 0, or -1 (nothing stored) where GetColor gives 0.
    static int SetColor(_VU_TypeObject type, uint16_t index, uint16_t color);

    vuColor() = delete;
};

// Flat forms of the same operations.
VU_C_API int vuColor_GetColor(int type, int index);
VU_C_API int vuColor_SetColor(int type, int index, int color);

#endif
