// A frame buffer over plain memory for tests, tools, benchmarks and fuzzers:
// the primitives draw into its pixels and the copies to the screen do
// nothing, as there is no screen.
#ifndef TESTS_SUPPORT_MEMSCREEN_H
#define TESTS_SUPPORT_MEMSCREEN_H

#include <stdint.h>

#include <vector>

#include "vuFrameBuffer.h"

class MemScreen : public vuFrameBuffer {
public:
    MemScreen(unsigned short w, unsigned short h, uint16_t background = 0)
        : vuFrameBuffer(w, h), pixels_(static_cast<size_t>(w) * h, background) {
        frameBuffer = pixels_.data();
        widthInBytes = static_cast<uint32_t>(w) * 2;
    }
    ~MemScreen() override { frameBuffer = nullptr; }

    // Takes the pixel memory away (or gives it back), as a frame buffer
    // without a back buffer.
    void DropPixels(bool drop) { frameBuffer = drop ? nullptr : pixels_.data(); }

    uint16_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width + x]; }
    void Paint(uint16_t colour) { pixels_.assign(pixels_.size(), colour); }
    const std::vector<uint16_t>& Pixels() const { return pixels_; }

    int ToScreen() override { return 0; }
    int ToScreen(unsigned short, unsigned short) override { return 0; }
    int ToScreen(unsigned short, unsigned short, unsigned short, unsigned short) override { return 0; }
    int Line(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short colour,
             unsigned short style) override {
        return MemLine(port, x1, y1, x2, y2, colour, style);
    }
    int Fill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h, unsigned short colour,
             unsigned short) override {
        return MemFill(port, x, y, w, h, colour);
    }
    int Shadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h) override {
        return MemShadow(port, x, y, w, h);
    }
    int Border(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
               unsigned short colour) override {
        return MemBorder(port, x, y, w, h, colour);
    }

private:
    std::vector<uint16_t> pixels_;
};

#endif
