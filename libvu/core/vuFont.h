// Fixed-cell bitmap fonts of one byte per character (CP1251 text).
//
// Glyph layout shared by every font class: the glyph table holds `count`
// glyphs of `glyphSize` bytes each, in code order starting at `firstCode`.
// A glyph of width W and height H is stored as ceil(H / 8) bands of eight
// rows; a band is W bytes, one per column from left to right, and bit n of a
// band byte (n = 0 least significant) is the pixel of row band * 8 + n. A set
// bit is ink. Pixel (x, y) of code c is therefore in byte
// (c - firstCode) * glyphSize + (y / 8) * W + x, bit y % 8.
#ifndef VU_FONT_H
#define VU_FONT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuViewPort.h"

class vuFrameBuffer;

class VU_API vuFont {
public:
    vuFont();
    virtual ~vuFont();

    // Draws the w x h part of the glyph for `code` that starts at glyph
    // column srcX, row srcY, with its top-left corner at frame-buffer pixel
    // (x, y). Ink takes `colour`, other pixels are left alone; pixels outside
    // the frame buffer are skipped. 0 on success or when nothing is drawn;
    // -1 no frame buffer; -4 the frame buffer has no pixel memory; -5 the
    // font has no glyphs.
    virtual int DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x,
                         short y, unsigned short w, unsigned short h, unsigned short colour) = 0;

    // Draws `text` as a strip of cells. (srcX, srcY) is the offset into the
    // strip where drawing starts (a strip scrolled or partly hidden), (x, y)
    // where that point lands on the frame buffer and w x h the window drawn,
    // clipped to `port`. Length 0 means up to the terminating zero byte.
    // -1 null frame buffer or text; -5 empty cell; else the first non-zero
    // DrawChar result, or 0.
    virtual int DrawString(vuFrameBuffer* fb, vuViewPort* port, const char* text, unsigned short length,
                           unsigned short srcX, unsigned short srcY, short x, short y, unsigned short w,
                           unsigned short h, unsigned short colour);

    // Cell size in pixels.
    unsigned short GetWidth() const { return width; }
    unsigned short GetHeight() const { return height; }

protected:
    uint8_t width;       // cell width, pixels
    uint8_t height;      // cell height, pixels
    uint16_t firstCode;  // code of glyph 0
    uint16_t count;      // number of glyphs
    uint16_t glyphSize;  // bytes per glyph

    // Writes the set bits of the given glyph part into the frame buffer,
    // skipping pixels outside it. Shared by the classes that hold a table.
    static void Blit(vuFrameBuffer* fb, const uint8_t* glyph, unsigned cellW, unsigned srcX, unsigned srcY,
                     int x, int y, unsigned w, unsigned h, unsigned short colour);
    // The same from the glyph's rows as masks (bit k of rows[r] is column k
    // of row r; cells at most 16 wide), for fonts that keep them.
    static void BlitRows(vuFrameBuffer* fb, const uint16_t* rows, unsigned srcX, unsigned srcY, int x, int y,
                         unsigned w, unsigned h, unsigned short colour);

private:
    vuFont(const vuFont&) = delete;
    vuFont& operator=(const vuFont&) = delete;
};

#endif
