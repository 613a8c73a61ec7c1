#include "vuFont.h"

#include <string.h>

#include <algorithm>

#include "vuFrameBuffer.h"

vuFont::vuFont() : width(0), height(0), firstCode(0), count(0), glyphSize(0) {}

vuFont::~vuFont() {}

void vuFont::Blit(vuFrameBuffer* fb, const uint8_t* glyph, unsigned cellW, unsigned srcX, unsigned srcY, int x,
                  int y, unsigned w, unsigned h, unsigned short colour) {
    uint16_t* pixels = fb->GetFrameBuffer();
    const size_t pitch = fb->GetWidthInBytes() / 2;
    const int fbW = fb->GetWidth();
    const int fbH = fb->GetHeight();
    // Rows and columns of the part that land inside the frame buffer.
    const int r0 = std::max(0, -y), r1 = std::min<int>(static_cast<int>(h), fbH - y);
    const int k0 = std::max(0, -x), k1 = std::min<int>(static_cast<int>(w), fbW - x);
    for (int r = r0; r < r1; ++r) {
        const unsigned gy = srcY + static_cast<unsigned>(r);
        const uint8_t* band = glyph + (gy / 8) * cellW + srcX;
        const uint8_t bit = static_cast<uint8_t>(1u << (gy % 8));
        uint16_t* row = pixels + static_cast<size_t>(y + r) * pitch + x;
        for (int k = k0; k < k1; ++k)
            if (band[k] & bit) row[k] = colour;
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
