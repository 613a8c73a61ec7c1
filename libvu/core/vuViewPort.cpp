#include "vuViewPort.h"

#include "vuUI.h"

void vuViewPort::GetMainViewPort(int16_t& x, int16_t& y, uint16_t& width, uint16_t& height, int16_t& offsetX,
                                 int16_t& offsetY) {
    x = 0;
    y = 0;
    // The screen as the UI singleton reports it; 0 x 0 without one.
    width = vuUI::GetWidth();
    height = vuUI::GetHeight();
    offsetX = 0;
    offsetY = 0;
}

namespace {

struct Port {
    int x, y, w, h, ox, oy;
};

Port portOf(const vuViewPort* port) {
    if (port)
        return {port->x, port->y, port->width, port->height, port->offsetX, port->offsetY};
    int16_t x, y, ox, oy;
    uint16_t w, h;
    vuViewPort::GetMainViewPort(x, y, w, h, ox, oy);
    return {x, y, w, h, ox, oy};
}

// Clips [pos, pos + size) to [lo, lo + span); skip grows by what is cut off
// before lo. A span that is missed leaves pos shifted and size 0.
void clipAxis(int16_t& pos, uint16_t& size, int lo, int span, uint16_t* skip) {
    int p = pos, s = size;
    if (p < lo + span && lo < p + s) {
        if (p < lo) {
            s -= lo - p;
            if (skip)
                *skip = static_cast<uint16_t>(*skip + (lo - p));
            p = lo;
        }
        if (lo + span < p + s)
            s = lo + span - p;
    } else {
        s = 0;
    }
    pos = static_cast<int16_t>(p);
    size = static_cast<uint16_t>(s);
}

void clipRect(vuViewPort* port, uint16_t* srcX, uint16_t* srcY, int16_t& x, int16_t& y, uint16_t& w, uint16_t& h) {
    Port p = portOf(port);
    if (p.w == 0 || p.h == 0) {
        w = 0;
        h = 0;
        return;
    }
    x = static_cast<int16_t>(x + p.ox);
    y = static_cast<int16_t>(y + p.oy);
    clipAxis(x, w, p.x, p.w, srcX);
    clipAxis(y, h, p.y, p.h, srcY);
}

// Clips the span a..b (either order) of a horizontal or vertical line whose
// other coordinate is at `across`; a line that misses gets a = b.
void clipSpan(int16_t& a, int16_t& b, int across, int acrossLo, int acrossSpan, int lo, int span) {
    bool hits = acrossLo <= across && across < acrossLo + acrossSpan && (a >= lo || b >= lo) &&
                (a < lo + span || b < lo + span);
    if (!hits) {
        a = b;
        return;
    }
    // An end just past the port (equal to lo + span) is kept: the frame
    // buffer leaves the larger end of such lines out anyway.
    if (a < lo)
        a = static_cast<int16_t>(lo);
    else if (a > lo + span)
        a = static_cast<int16_t>(lo + span - 1);
    if (b < lo)
        b = static_cast<int16_t>(lo);
    else if (b > lo + span)
        b = static_cast<int16_t>(lo + span - 1);
}

}  // namespace

void vuViewPort::Recalculate(vuViewPort* port, int16_t& x, int16_t& y, uint16_t& w, uint16_t& h) {
    clipRect(port, nullptr, nullptr, x, y, w, h);
}

void vuViewPort::Recalculate(vuViewPort* port, uint16_t& srcX, uint16_t& srcY, int16_t& x, int16_t& y, uint16_t& w,
                             uint16_t& h) {
    clipRect(port, &srcX, &srcY, x, y, w, h);
}

void vuViewPort::RecalculateLine(vuViewPort* port, int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2) {
    Port p = portOf(port);
    x1 = static_cast<int16_t>(x1 + p.ox);
    x2 = static_cast<int16_t>(x2 + p.ox);
    y1 = static_cast<int16_t>(y1 + p.oy);
    y2 = static_cast<int16_t>(y2 + p.oy);
    if (x1 == x2)
        clipSpan(y1, y2, x1, p.x, p.w, p.y, p.h);
    else if (y1 == y2)
        clipSpan(x1, x2, y1, p.y, p.h, p.x, p.w);
}

bool vuViewPort::IsExist(vuViewPort* port) { return !port || (port->width != 0 && port->height != 0); }
