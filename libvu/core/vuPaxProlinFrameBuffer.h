// Screen driver of the Prolin terminal: all drawing goes to a back buffer of
// RGB565 pixels; the ToScreen copies move it to the mapped frame-buffer
// device, turned by 90 degrees on terminals whose panel is mounted rotated
// ("ro.fac.lcd.rotate" = 90: logical pixel (x, y) goes to screen row x,
// column h - 1 - y).
#ifndef VU_PAX_PROLIN_FRAME_BUFFER_H
#define VU_PAX_PROLIN_FRAME_BUFFER_H

#include <stdint.h>

#include "vuFrameBuffer.h"

class VU_API vuPaxProlinFrameBuffer : public vuFrameBuffer {
public:
    // A back buffer of w x h pixels (cleared) and a scratch row.
    vuPaxProlinFrameBuffer(unsigned short w, unsigned short h);
    ~vuPaxProlinFrameBuffer() override;

    // Copies to the screen. -4 without back buffer or for rows or a
    // rectangle outside the frame buffer; -16 without screen memory (or with
    // a mapping smaller than the frame buffer); 0 otherwise. Empty areas copy
    // nothing.
    int ToScreen() override;
    int ToScreen(unsigned short y, unsigned short rows) override;
    int ToScreen(unsigned short x, unsigned short y, unsigned short w, unsigned short h) override;

    // Drawing into the back buffer, clipped to the view port; -4 without
    // back buffer, else 0. Fill ignores its last argument.
    int Line(vuViewPort *port, short x1, short y1, short x2, short y2, unsigned short colour,
             unsigned short style) override;
    int Fill(vuViewPort *port, short x, short y, unsigned short w, unsigned short h, unsigned short colour,
             unsigned short unused) override;
    int Shadow(vuViewPort *port, short x, short y, unsigned short w, unsigned short h) override;
    int Border(vuViewPort *port, short x, short y, unsigned short w, unsigned short h,
               unsigned short colour) override;

    // Opens "/dev/graphics/fb0", reads its geometry and maps it; on success
    // writes the logical size (turned for rotation 90) and returns 0. Opening,
    // querying or mapping failures, and a depth other than 16 bits, give -11
    // and leave the device closed. Whatever was open before is released
    // first. On the PC the device is a regular file without the frame-buffer
    // query; its geometry comes from OsFbStandInInfo.
    static int OpenDevice(int &w, int &h);
    // Unmaps and closes the device; nothing when it is not open.
    static void CloseDevice();

    static int display;             // descriptor of the device, -1 when closed
    static uint16_t *screenMem;     // mapped screen memory, null when none
    static uint32_t screenMemSize;  // bytes mapped
    static uint16_t rotate;         // degrees

private:
    vuPaxProlinFrameBuffer(const vuPaxProlinFrameBuffer &) = delete;
    vuPaxProlinFrameBuffer &operator=(const vuPaxProlinFrameBuffer &) = delete;

    // Copies a rectangle already checked against the frame buffer.
    int copy(unsigned x, unsigned y, unsigned w, unsigned h);
};

#endif
