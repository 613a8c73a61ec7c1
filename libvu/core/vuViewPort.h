// Clipping rectangle with a drawing offset, handed to every drawing call.
// A null vuViewPort* means the main view port: the whole screen as vuUI
// reports it, offsets 0 (0 x 0 while there is no UI singleton).
#ifndef VU_VIEW_PORT_H
#define VU_VIEW_PORT_H

#include <stdint.h>

#include "vuExport.h"

struct VU_API vuViewPort {
    int16_t x;        // left edge of the visible area, screen pixels
    int16_t y;        // top edge
    uint16_t width;   // 0 = nothing visible
    uint16_t height;  // 0 = nothing visible
    int16_t offsetX;  // added to every x drawn through the port
    int16_t offsetY;  // added to every y drawn through the port

    // (0, 0, screen width, screen height, 0, 0).
    static void GetMainViewPort(int16_t& x, int16_t& y, uint16_t& width, uint16_t& height,
                                int16_t& offsetX, int16_t& offsetY);

    // Shifts the rectangle by the port's offsets and clips it to the port;
    // a rectangle that misses the port gets a zero width and/or height.
    static void Recalculate(vuViewPort* port, int16_t& x, int16_t& y, uint16_t& w, uint16_t& h);

    // The same for a blit: the source offset grows by what is cut off at the
    // left and top, so the visible part of the source lands where it belongs.
    static void Recalculate(vuViewPort* port, uint16_t& srcX, uint16_t& srcY, int16_t& x, int16_t& y,
                            uint16_t& w, uint16_t& h);

    // Shifts a line by the port's offsets and clips horizontal and vertical
    // lines to the port; an invisible one gets both ends equal. Other lines
    // are only shifted.
    static void RecalculateLine(vuViewPort* port, int16_t& x1, int16_t& y1, int16_t& x2, int16_t& y2);

    // True for a null port, else when the port has a width and a height.
    static bool IsExist(vuViewPort* port);
};

#endif
