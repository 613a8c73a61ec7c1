// The six fonts compiled into the library, chosen by kind:
//   0  6 x 8,   1  12 x 16,  2  16 x 24   CP1251 Latin and Cyrillic
//   3  6 x 8,   4  12 x 16,  5  16 x 24   ASCII with capitals for lower case,
//                                         a placeholder for most of 0x80-0xFF
// Any other kind gives an empty font (no cell, no glyphs).
#ifndef VU_MEMFONT_H
#define VU_MEMFONT_H

#include "vuFont.h"

class VU_API vuMemFont : public vuFont {
public:
    explicit vuMemFont(unsigned char kind);
    ~vuMemFont() override;

    int DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x, short y,
                 unsigned short w, unsigned short h, unsigned short colour) override;

protected:
    uint8_t kind;
};

#endif
