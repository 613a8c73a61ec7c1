#include "vuFont.h"

#include <string.h>

#include "vuFrameBuffer.h"

vuFont::vuFont() : width(0), height(0), firstCode(0), count(0), glyphSize(0) {}

vuFont::~vuFont() {}

void vuFont::Blit(vuFrameBuffer* fb, const uint8_t* glyph, unsigned cellW, unsigned srcX, unsigned srcY, int x,
                  int y, unsigned w, unsigned h, unsigned short colour) {
    uint16_t* pixels = fb->GetFrameBuffer();
    const unsigned pitch = fb->GetWidthInBytes() / 2;
    const int fbW = fb->GetWidth();
    const int fbH = fb->GetHeight();
    for (unsigned r = 0; r < h; ++r) {
        const int py = y + static_cast<int>(r);
        if (py < 0 || py >= fbH) continue;
        const unsigned gy = srcY + r;
        const uint8_t* band = glyph + (gy / 8) * cellW;
        const uint8_t bit = static_cast<uint8_t>(1u << (gy % 8));
        uint16_t* row = pixels + static_cast<size_t>(py) * pitch;
        for (unsigned k = 0; k < w; ++k) {
            const int px = x + static_cast<int>(k);
            if (px < 0 || px >= fbW) continue;
            if (band[srcX + k] & bit) row[px] = colour;
        }
    }
}

int vuFont::DrawString(vuFrameBuffer* fb, vuViewPort* port, const char* text, unsigned short length,
                       unsigned short srcX, unsigned short srcY, short x, short y, unsigned short w,
                       unsigned short h, unsigned short colour) {
    if (!fb || !text) return -1;
    if (width == 0 || height == 0) return -5;

    vuViewPort::Recalculate(port, srcX, srcY, x, y, w, h);
    if (w == 0 || h == 0 || srcY >= height) return 0;

    const unsigned cw = width;
    const unsigned first = srcX / cw;
    const unsigned skip = srcX % cw;   // columns of the first cell left out
    const unsigned end = srcX + w;     // strip column where the window ends
    const unsigned len = length ? length : strlen(text);
    const unsigned short partH = (srcY + h > height) ? static_cast<unsigned short>(height - srcY) : h;

    int result = 0;
    for (unsigned i = first; i < len && text[i] != 0; ++i) {
        const unsigned cellStart = i * cw;
        if (end <= cellStart) break;  // the window ends before this cell
        const unsigned glyphX = (i == first) ? skip : 0;
        const int destX = (i == first) ? x : x + static_cast<int>(cellStart - srcX);
        // The part of the cell inside the window, from glyph column glyphX on.
        const unsigned cellEnd = (end < cellStart + cw) ? end - cellStart : cw;
        const unsigned partW = cellEnd - glyphX;
        result = DrawChar(fb, text[i], static_cast<unsigned short>(glyphX), srcY, static_cast<short>(destX), y,
                          static_cast<unsigned short>(partW), partH, colour);
        if (result != 0) return result;
    }
    return result;
}
