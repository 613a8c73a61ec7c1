#include "vuFrameBuffer.h"

#include <ctype.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "vuFont.h"
#include "vuFreeTypeFont.h"
#include "vuMemFont.h"
#include "vuUI.h"
#include "vuUIParts.h"
#include "vuVFN.h"

vuFrameBuffer::vuFrameBuffer(unsigned short w, unsigned short h)
    : vuViewContainerObject(0, 0, w, h), frameBuffer(nullptr), widthInBytes(0), lineBuffer(nullptr) {
    for (int i = 0; i < FONT_SLOTS; ++i)
        fonts[i] = (i < BUILTIN_FONTS) ? new vuMemFont(static_cast<unsigned char>(i)) : nullptr;
}

vuFrameBuffer::~vuFrameBuffer() {
    for (int i = 0; i < FONT_SLOTS; ++i) {
        delete fonts[i];
        fonts[i] = nullptr;
    }
}

_VU_TypeObject vuFrameBuffer::GetType() const { return VU_TYPE_UI; }

void vuFrameBuffer::UpdateClient() {
    vuStatusLine* line = vuUI::GetStatusLine();
    if (line && !vuUIParts::StatusLineHidden(line)) {
        const uint16_t lineHeight = vuUIParts::StatusLineHeight(line);
        clientY = vuUIParts::StatusLineAtBottom(line) ? 0 : static_cast<int16_t>(lineHeight);
        clientHeight = lineHeight < height ? static_cast<uint16_t>(height - lineHeight) : 0;
    } else {
        clientY = 0;
        clientHeight = height;
    }
}

vuFont* vuFrameBuffer::GetFont(unsigned short slot) { return slot < FONT_SLOTS ? fonts[slot] : nullptr; }

int vuFrameBuffer::SetFont(unsigned short slot, const char* path) { return SetFontEx(slot, path, 0, 0, 0, 0); }

namespace {

bool HasExtension(const char* path, size_t len, const char* ext) {
    const char* tail = path + len - 3;
    for (int i = 0; i < 3; ++i)
        if (tolower(static_cast<unsigned char>(tail[i])) != ext[i]) return false;
    return true;
}

}  // namespace

int vuFrameBuffer::SetFontEx(unsigned short slot, const char* path, int a, int b, int c, int d) {
    if (!path || slot >= FONT_SLOTS) return -1;
    const size_t len = strlen(path);
    if (len < 3) return -5;
    vuFont* font;
    if (HasExtension(path, len, "vfn"))
        font = new vuVFN(path);
    else if (HasExtension(path, len, "ttf") || HasExtension(path, len, "otf"))
        font = new vuFreeTypeFont(path, a, b, c, d);
    else
        return -5;
    if (font->GetHeight() == 0 || font->GetWidth() == 0) {
        delete font;
        return -5;
    }
    delete fonts[slot];
    fonts[slot] = font;
    return 0;
}

void vuFrameBuffer::DelFont(unsigned short slot) {
    if (slot >= FONT_SLOTS) return;
    delete fonts[slot];
    fonts[slot] = (slot < BUILTIN_FONTS) ? new vuMemFont(static_cast<unsigned char>(slot)) : nullptr;
}

// ---- drawing into pixel memory ------------------------------------------

namespace {

struct Area {
    int x, y, w, h;
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

Area PortArea(vuViewPort* port) {
    if (port) return {port->x, port->y, port->width, port->height};
    int16_t x, y, ox, oy;
    uint16_t w, h;
    vuViewPort::GetMainViewPort(x, y, w, h, ox, oy);
    return {x, y, w, h};
}

// Eight RGB565 pixels in one vector register (SSE2 on the PC, NEON on the
// terminal; plain words where there is neither).
typedef uint16_t Px8 __attribute__((vector_size(16)));

// n pixels from p take the colour: a colour of two equal bytes is a memset,
// any other is stored sixteen pixels at a time once p is 16-byte aligned.
void FillSpan(uint16_t* p, size_t n, uint16_t colour) {
    if ((colour >> 8) == (colour & 0xFF)) {
        memset(p, colour & 0xFF, n * 2);
        return;
    }
    for (; n && (reinterpret_cast<uintptr_t>(p) & 15); --n) *p++ = colour;
    const Px8 eight = {colour, colour, colour, colour, colour, colour, colour, colour};
    for (; n >= 16; n -= 16, p += 16) {
        memcpy(p, &eight, 16);
        memcpy(p + 8, &eight, 16);
    }
    if (n >= 8) {
        memcpy(p, &eight, 16);
        n -= 8;
        p += 8;
    }
    for (; n; --n) *p++ = colour;
}

// Halves every RGB565 channel of n pixels from p, eight at a time: each
// channel shifted right by one, with the bit that crosses into the next
// channel cleared.
void ShadeSpan(uint16_t* p, size_t n) {
    for (; n && (reinterpret_cast<uintptr_t>(p) & 15); --n, ++p) *p = static_cast<uint16_t>((*p >> 1) & 0x7BEF);
    const Px8 mask = {0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF, 0x7BEF};
    for (; n >= 8; n -= 8, p += 8) {
        Px8 eight;
        memcpy(&eight, p, 16);
        eight = (eight >> 1) & mask;
        memcpy(p, &eight, 16);
    }
    for (; n; --n, ++p) *p = static_cast<uint16_t>((*p >> 1) & 0x7BEF);
}

}  // namespace

int vuFrameBuffer::MemLine(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short colour,
                           unsigned short style) {
    if (!frameBuffer) return -4;
    const Area clip = PortArea(port);
    vuViewPort::RecalculateLine(port, x1, y1, x2, y2);
    if (x1 == x2 && y1 == y2) return 0;

    const int fbW = width, fbH = height;
    const size_t pitch = widthInBytes / 2;
    const bool dotted = (style & LINE_DOTTED) != 0;
    auto plot = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= fbW || py >= fbH) return;
        if (dotted && ((px + py) & 1) == 0) return;
        frameBuffer[static_cast<size_t>(py) * pitch + px] = colour;
    };

    if (y1 == y2) {
        const int from = std::min(x1, x2), to = std::max(x1, x2);  // to excluded
        const int rows = ((style & LINE_DOUBLE) && clip.Contains(from, y1 + 1)) ? 2 : 1;
        for (int r = 0; r < rows; ++r) {
            const int py = y1 + r;
            if (dotted) {
                for (int px = from; px < to; ++px) plot(px, py);
            } else if (py >= 0 && py < fbH) {
                const int a = std::max(from, 0), b = std::min(to, fbW);
                if (a < b) FillSpan(frameBuffer + static_cast<size_t>(py) * pitch + a, static_cast<size_t>(b - a), colour);
            }
        }
        return 0;
    }
    if (x1 == x2) {
        const int from = std::min(y1, y2), to = std::max(y1, y2);  // to excluded
        const int cols = ((style & LINE_DOUBLE) && clip.Contains(x1 + 1, from)) ? 2 : 1;
        for (int c = 0; c < cols; ++c)
            for (int py = from; py < to; ++py) plot(x1 + c, py);
        return 0;
    }

    // Any other line only when both ends are visible; Bresenham, both ends.
    if (!clip.Contains(x1, y1) || !clip.Contains(x2, y2)) return 0;
    int px = x1, py = y1;
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx - dy;
    for (;;) {
        plot(px, py);
        if (px == x2 && py == y2) break;
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            px += sx;
        }
        if (e2 < dx) {
            err += dx;
            py += sy;
        }
    }
    return 0;
}

namespace {

// Clips a rectangle to the port and then to the frame buffer; false when
// nothing is left.
bool ClipRect(vuViewPort* port, int fbW, int fbH, short& x, short& y, unsigned short& w, unsigned short& h,
              Area& out) {
    vuViewPort::Recalculate(port, x, y, w, h);
    if (w == 0 || h == 0) return false;
    int x0 = std::max<int>(x, 0), y0 = std::max<int>(y, 0);
    int x1 = std::min<int>(x + w, fbW), y1 = std::min<int>(y + h, fbH);
    if (x0 >= x1 || y0 >= y1) return false;
    out = {x0, y0, x1 - x0, y1 - y0};
    return true;
}

}  // namespace

int vuFrameBuffer::MemFill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                           unsigned short colour) {
    if (!frameBuffer) return -4;
    Area a;
    if (!ClipRect(port, width, height, x, y, w, h, a)) return 0;
    const size_t pitch = widthInBytes / 2;
    uint16_t* row = frameBuffer + static_cast<size_t>(a.y) * pitch + a.x;
    if (static_cast<size_t>(a.w) == pitch) {
        // Whole rows: one run over the rectangle.
        FillSpan(row, static_cast<size_t>(a.w) * a.h, colour);
        return 0;
    }
    for (int r = 0; r < a.h; ++r, row += pitch) FillSpan(row, static_cast<size_t>(a.w), colour);
    return 0;
}

int vuFrameBuffer::MemShadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h) {
    if (!frameBuffer) return -4;
    Area a;
    if (!ClipRect(port, width, height, x, y, w, h, a)) return 0;
    const size_t pitch = widthInBytes / 2;
    uint16_t* row = frameBuffer + static_cast<size_t>(a.y) * pitch + a.x;
    for (int r = 0; r < a.h; ++r, row += pitch) ShadeSpan(row, static_cast<size_t>(a.w));
    return 0;
}

int vuFrameBuffer::MemBorder(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                             unsigned short colour) {
    if (!frameBuffer) return -4;
    // The requested rectangle as it lands on the screen.
    const int rx = x + (port ? port->offsetX : 0), ry = y + (port ? port->offsetY : 0);
    const int rw = w, rh = h;
    vuViewPort::Recalculate(port, x, y, w, h);
    if (w == 0 || h == 0) return 0;

    const int fbW = width, fbH = height;
    const size_t pitch = widthInBytes / 2;
    auto hline = [&](int py, int from, int n) {
        if (py < 0 || py >= fbH) return;
        const int a = std::max(from, 0), b = std::min(from + n, fbW);
        if (a < b) FillSpan(frameBuffer + static_cast<size_t>(py) * pitch + a, static_cast<size_t>(b - a), colour);
    };
    auto vline = [&](int px, int from, int n) {
        if (px < 0 || px >= fbW) return;
        for (int py = std::max(from, 0); py < std::min(from + n, fbH); ++py)
            frameBuffer[static_cast<size_t>(py) * pitch + px] = colour;
    };
    if (y == ry) hline(y, x, w);
    if (y + h == ry + rh) hline(y + h - 1, x, w);
    if (x == rx) vline(x, y, h);
    if (x + w == rx + rw) vline(x + w - 1, y, h);
    return 0;
}
