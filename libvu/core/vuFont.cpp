#include "vuFont.h"

#include <stddef.h>
#include <string.h>

#include <algorithm>

#include "vuFrameBuffer.h"

vuFont::vuFont() : width(0), height(0), firstCode(0), count(0), glyphSize(0) {}

vuFont::~vuFont() {}

void vuFont::Blit(vuFrameBuffer* fb, const uint8_t* glyph, unsigned cellW, unsigned srcX, unsigned srcY, int x,
                  int y, unsigned w, unsigned h, unsigned short colour) {
    uint16_t* pixels = fb->GetFrameBuffer();
    const ptrdiff_t pitch = fb->GetWidthInBytes() / 2;
    const int fbW = fb->GetWidth();
    const int fbH = fb->GetHeight();
    // Rows and columns of the part that land inside the frame buffer.
    const int r0 = std::max(0, -y), r1 = std::min<int>(static_cast<int>(h), fbH - y);
    const int k0 = std::max(0, -x), k1 = std::min<int>(static_cast<int>(w), fbW - x);
    if (r0 >= r1 || k0 >= k1) return;
    // Glyph rows g0 .. g1 - 1 are drawn; glyph row g lands on screen row
    // y - srcY + g. A band byte holds eight rows of one column: the rows
    // outside the part are masked off and every remaining set bit is one ink
    // pixel, so empty bytes cost one test for eight pixels.
    const unsigned g0 = srcY + static_cast<unsigned>(r0), g1 = srcY + static_cast<unsigned>(r1);
    const ptrdiff_t rowShift = static_cast<ptrdiff_t>(y) - static_cast<ptrdiff_t>(srcY);
    for (unsigned band = g0 / 8; band * 8 < g1; ++band) {
        const unsigned lo = std::max(g0, band * 8), hi = std::min(g1, band * 8 + 8);
        const unsigned mask = ((1u << (hi - lo)) - 1u) << (lo - band * 8);
        const uint8_t* bytes = glyph + band * cellW + srcX;
        // Screen pixel of glyph row band * 8 + n, part column k: top + n * pitch + k
        // (an index: for a part that starts below the band's first row the
        // band's top lies above the frame buffer).
        const ptrdiff_t top = (rowShift + static_cast<ptrdiff_t>(band * 8)) * pitch + x;
        for (int k = k0; k < k1; ++k) {
            unsigned bits = bytes[k] & mask;
            while (bits) {
                const unsigned n = static_cast<unsigned>(__builtin_ctz(bits));
                bits &= bits - 1;
                pixels[top + static_cast<ptrdiff_t>(n) * pitch + k] = colour;
            }
        }
    }
}

void vuFont::BlitRows(vuFrameBuffer* fb, const uint16_t* rows, unsigned srcX, unsigned srcY, int x, int y,
                      unsigned w, unsigned h, unsigned short colour) {
    uint16_t* pixels = fb->GetFrameBuffer();
    const ptrdiff_t pitch = fb->GetWidthInBytes() / 2;
    const int r0 = std::max(0, -y), r1 = std::min<int>(static_cast<int>(h), fb->GetHeight() - y);
    const int k0 = std::max(0, -x), k1 = std::min<int>(static_cast<int>(w), fb->GetWidth() - x);
    if (r0 >= r1 || k0 >= k1) return;
    // Part columns k0 .. k1 - 1 (k1 <= 16): one mask for every row; each
    // set bit left is one ink pixel.
    const unsigned columns = ((1u << k1) - 1u) & ~((1u << k0) - 1u);
    for (int r = r0; r < r1; ++r) {
        unsigned bits = (static_cast<unsigned>(rows[srcY + static_cast<unsigned>(r)]) >> srcX) & columns;
        uint16_t* row = pixels + static_cast<ptrdiff_t>(y + r) * pitch + x;
        while (bits) {
            row[__builtin_ctz(bits)] = colour;
            bits &= bits - 1;
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
