// Straightforward drawing routines the toolkit's fast primitives are checked
// against: one test per pixel, exactly as the rules read. ReferenceFont draws
// a glyph table bit by bit; ReferenceScreen is a frame buffer over plain
// memory whose Fill, Shadow, Border and Line go pixel by pixel and whose
// built-in font slots hold reference fonts over the built-in glyph table
// (the test links libvu/core/vuMemFontData.cpp for it). Header only.
#ifndef TESTS_SUPPORT_REFERENCE_DRAWING_H
#define TESTS_SUPPORT_REFERENCE_DRAWING_H

#include <stdint.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "MemScreen.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuMemFontData.h"
#include "vuViewPort.h"

namespace refdraw {

// Cells of the built-in kinds and where their glyphs lie in vuMemFontTable.
struct BuiltInKind {
    uint8_t width, height;
    uint16_t glyphSize;
    uint32_t offset;
};
inline const BuiltInKind& builtInKind(unsigned kind) {
    static const BuiltInKind kinds[6] = {{6, 8, 6, 0},      {12, 16, 24, 1536},  {16, 24, 48, 7680},
                                         {6, 8, 6, 19968},  {12, 16, 24, 21504}, {16, 24, 48, 27648}};
    return kinds[kind];
}

// A font over a glyph table it does not own (first code 0).
class ReferenceFont : public vuFont {
public:
    ReferenceFont(const uint8_t* table, unsigned cellW, unsigned cellH, unsigned glyphs) : table_(table) {
        width = static_cast<uint8_t>(cellW);
        height = static_cast<uint8_t>(cellH);
        count = static_cast<uint16_t>(glyphs);
        glyphSize = static_cast<uint16_t>(cellW * ((cellH + 7) / 8));
    }
    static ReferenceFont* BuiltIn(unsigned kind) {
        const BuiltInKind& k = builtInKind(kind);
        return new ReferenceFont(vuMemFontTable + k.offset, k.width, k.height, 256);
    }

    // Every glyph pixel of the part is tested on its own: ink goes where the
    // destination lies inside the frame buffer, everything else stays.
    int DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x, short y,
                 unsigned short w, unsigned short h, unsigned short colour) override {
        if (!fb || !table_) return -1;
        uint16_t* pixels = fb->GetFrameBuffer();
        if (!pixels) return -4;
        const unsigned c = static_cast<unsigned char>(code);
        if (c >= count) return 0;
        const uint8_t* glyph = table_ + c * glyphSize;
        const int fbW = fb->GetWidth(), fbH = fb->GetHeight();
        const int pitch = static_cast<int>(fb->GetWidthInBytes() / 2);
        for (int gy = srcY; gy < std::min<int>(srcY + h, height); ++gy)
            for (int gx = srcX; gx < std::min<int>(srcX + w, width); ++gx) {
                const int px = x + gx - srcX, py = y + gy - srcY;
                if (px < 0 || py < 0 || px >= fbW || py >= fbH) continue;
                if (glyph[(gy / 8) * width + gx] & (1u << (gy % 8))) pixels[py * pitch + px] = colour;
            }
        return 0;
    }

private:
    const uint8_t* table_;
};

// Pixel-by-pixel primitives over plain memory.
class ReferenceScreen : public MemScreen {
public:
    ReferenceScreen(unsigned short w, unsigned short h, uint16_t background = 0) : MemScreen(w, h, background) {
        for (unsigned k = 0; k < BUILTIN_FONTS; ++k) {
            delete fonts[k];
            fonts[k] = ReferenceFont::BuiltIn(k);
        }
    }
    // Puts a font into a slot, owned from now on; the font held before is
    // deleted, or only let go when it was lent (owned false).
    void PutFont(unsigned slot, vuFont* font, bool owned = true) {
        if (owned) delete fonts[slot];
        fonts[slot] = font;
    }
    uint16_t* Mem() { return frameBuffer; }

    // The rectangle of the last copy of a rectangle to the screen (there is
    // no screen: it is only noted).
    int ToScreen(unsigned short x, unsigned short y, unsigned short w, unsigned short h) override {
        copied[0] = x, copied[1] = y, copied[2] = w, copied[3] = h;
        return 0;
    }
    using MemScreen::ToScreen;
    unsigned short copied[4] = {0, 0, 0, 0};

    int Fill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h, unsigned short colour,
             unsigned short) override {
        if (!frameBuffer) return -4;
        vuViewPort::Recalculate(port, x, y, w, h);
        for (int py = y; py < y + h; ++py)
            for (int px = x; px < x + w; ++px) set(px, py, colour);
        return 0;
    }
    int Shadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h) override {
        if (!frameBuffer) return -4;
        vuViewPort::Recalculate(port, x, y, w, h);
        for (int py = y; py < y + h; ++py)
            for (int px = x; px < x + w; ++px)
                if (inside(px, py)) {
                    const uint16_t p = at(px, py);
                    const unsigned r = (p >> 11) >> 1, g = ((p >> 5) & 63) >> 1, b = (p & 31) >> 1;
                    set(px, py, static_cast<uint16_t>(r << 11 | g << 5 | b));
                }
        return 0;
    }
    int Border(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
               unsigned short colour) override {
        if (!frameBuffer) return -4;
        const int rx = x + (port ? port->offsetX : 0), ry = y + (port ? port->offsetY : 0);
        const int rw = w, rh = h;
        vuViewPort::Recalculate(port, x, y, w, h);
        if (w == 0 || h == 0) return 0;
        for (int px = x; px < x + w; ++px) {
            if (y == ry) set(px, y, colour);
            if (y + h == ry + rh) set(px, y + h - 1, colour);
        }
        for (int py = y; py < y + h; ++py) {
            if (x == rx) set(x, py, colour);
            if (x + w == rx + rw) set(x + w - 1, py, colour);
        }
        return 0;
    }
    int Line(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short colour,
             unsigned short style) override {
        if (!frameBuffer) return -4;
        int cx, cy, cw, ch;
        if (port) {
            cx = port->x, cy = port->y, cw = port->width, ch = port->height;
        } else {
            int16_t mx, my, ox, oy;
            uint16_t mw, mh;
            vuViewPort::GetMainViewPort(mx, my, mw, mh, ox, oy);
            cx = mx, cy = my, cw = mw, ch = mh;
        }
        auto inClip = [&](int px, int py) { return px >= cx && px < cx + cw && py >= cy && py < cy + ch; };
        vuViewPort::RecalculateLine(port, x1, y1, x2, y2);
        if (x1 == x2 && y1 == y2) return 0;
        const bool dotted = (style & LINE_DOTTED) != 0;
        auto plot = [&](int px, int py) {
            if (!dotted || ((px + py) & 1)) set(px, py, colour);
        };
        if (y1 == y2) {
            const int from = std::min(x1, x2), to = std::max(x1, x2);
            for (int px = from; px < to; ++px) plot(px, y1);
            if ((style & LINE_DOUBLE) && inClip(from, y1 + 1))
                for (int px = from; px < to; ++px) plot(px, y1 + 1);
            return 0;
        }
        if (x1 == x2) {
            const int from = std::min(y1, y2), to = std::max(y1, y2);
            for (int py = from; py < to; ++py) plot(x1, py);
            if ((style & LINE_DOUBLE) && inClip(x1 + 1, from))
                for (int py = from; py < to; ++py) plot(x1 + 1, py);
            return 0;
        }
        if (!inClip(x1, y1) || !inClip(x2, y2)) return 0;
        const int dx = abs(x2 - x1), dy = abs(y2 - y1), sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
        int err = dx - dy, px = x1, py = y1;
        for (;;) {
            plot(px, py);
            if (px == x2 && py == y2) return 0;
            const int e2 = 2 * err;
            if (e2 > -dy) err -= dy, px += sx;
            if (e2 < dx) err += dx, py += sy;
        }
    }

private:
    bool inside(int px, int py) const { return px >= 0 && py >= 0 && px < width && py < height; }
    uint16_t at(int px, int py) const { return frameBuffer[py * (widthInBytes / 2) + px]; }
    void set(int px, int py, uint16_t colour) {
        if (inside(px, py)) frameBuffer[py * (widthInBytes / 2) + px] = colour;
    }
};

}  // namespace refdraw

#endif
