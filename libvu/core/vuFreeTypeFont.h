// The font class chosen for "ttf" and "otf" files. Scalable fonts are not
// rendered: the font loads nothing, keeps a zero cell and so is refused by
// SetFontEx; DrawChar reports that there is nothing to draw.
#ifndef VU_FREETYPEFONT_H
#define VU_FREETYPEFONT_H

#include "vuFont.h"

class VU_API vuFreeTypeFont : public vuFont {
public:
    vuFreeTypeFont(const char* path, int a, int b, int c, int d);
    ~vuFreeTypeFont() override;

    // -1 without a frame buffer, else -5.
    int DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x, short y,
                 unsigned short w, unsigned short h, unsigned short colour) override;

protected:
    uint8_t* bitmap;        // glyph bitmap, always null
    uint32_t bitmapSize;    // its size, 0
    int param3;             // third creation argument
    int param4;             // fourth creation argument
    uint16_t bitmapWidth;   // 0
    uint16_t bitmapHeight;  // 0
};

#endif
