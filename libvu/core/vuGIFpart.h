// One frame of a GIF picture: its descriptor, local palette and LZW data as
// stored in the file. The frame is decoded anew every time it is drawn.
#ifndef VU_GIFPART_H
#define VU_GIFPART_H

#include <stdint.h>

#include "vuExport.h"
#include "vuObject.h"

class vuFrameBuffer;

class VU_API vuGIFpart : public vuObject {
public:
    // Reads one frame from the file's current position (just after the 0x2C
    // byte); pos is the running file position, kept up to date, and set to 0
    // when the frame's data could not be read. The graphic-control values
    // are those gathered for this frame (0 when there were none).
    vuGIFpart(int fd, uint32_t& pos, unsigned char gcFlags, unsigned short delay, unsigned char transparentIndex);
    ~vuGIFpart() override;

    int GetSize() const override;

    unsigned char GetDisposal() const { return disposal; }
    // The graphic-control delay, kept as read (the UI's counter paces animation).
    unsigned short GetDelay() const { return delay; }
    bool IsLoaded() const { return data != nullptr && width != 0; }

    // Puts frame pixel (column, row) at its place when it lies in the drawn
    // part of the picture and inside the frame buffer. Result 0.
    int PutPixel(unsigned short column, unsigned short row, vuFrameBuffer* fb, unsigned short srcX,
                 unsigned short srcY, short x, short y, unsigned short w, unsigned short h,
                 unsigned short colour);
    // Decodes the frame and puts its pixels, in the local palette or else the
    // given one of paletteCount entries; indexes beyond the palette are skipped.
    // (srcX, srcY, x, y, w, h) are already clipped to the picture. Result 0.
    int Draw(const unsigned short* palette, unsigned paletteCount, unsigned short background,
             vuFrameBuffer* fb, unsigned short srcX, unsigned short srcY, short x, short y,
             unsigned short w, unsigned short h);

private:
    vuGIFpart(const vuGIFpart&) = delete;
    vuGIFpart& operator=(const vuGIFpart&) = delete;

    unsigned char* data;
    uint32_t dataSize;
    unsigned short* localPalette;
    unsigned short left;
    unsigned short top;
    unsigned short width;
    unsigned short height;
    unsigned char flags;
    unsigned char minCodeSize;
    unsigned char disposal;
    unsigned char transparent;
    unsigned char transparentIndex;
    unsigned short delay;
};

#endif
