// Helpers shared by the picture classes: file access, clipping against the
// view port, the picture and the frame buffer, and colour conversion.
// Internal to the library.
#ifndef VU_IMAGE_IO_H
#define VU_IMAGE_IO_H

#include <stddef.h>
#include <stdint.h>

class vuFrameBuffer;
struct vuViewPort;

namespace vuimg {

// 8-bit red, green, blue to RGB565.
inline unsigned short Rgb565(unsigned r, unsigned g, unsigned b)
{
    return (unsigned short)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

inline unsigned Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
inline uint32_t Le32(const unsigned char* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

// Opens a picture or font file read-only (terminal paths mapped); -1 on
// failure or when the path names no regular file (a FIFO, a device).
int OpenFile(const char* path);
// Reads exactly n bytes; false on a short read or an error.
bool ReadFull(int fd, void* buf, size_t n);
// Size of an open file in bytes, -1 when unknown.
long long FileSize(int fd);
// Reads a whole file into a new malloc'd block (at most INT32_MAX bytes);
// false when it cannot be opened or read, or is empty.
bool ReadWholeFile(const char* path, unsigned char** data, unsigned* size);

// Where pixels may be written: the frame buffer's memory, row pitch in
// pixels and the width and height that lie inside it.
struct Target {
    unsigned short* pixels;
    long pitch;
    int width;
    int height;
    unsigned short* At(int px, int py) const { return pixels + (long)py * pitch + px; }
    bool Inside(int px, int py) const { return px >= 0 && py >= 0 && px < width && py < height; }
};

// Fills the target from the frame buffer; false without pixel memory.
bool GetTarget(vuFrameBuffer* fb, Target& t);

// A blit after clipping: image pixel (srcX + k, srcY + r) goes to frame-buffer
// pixel (x + k, y + r) for k < w, r < h.
struct Blit {
    int srcX, srcY, x, y, w, h;
};

// Clips to the port (vuViewPort::Recalculate) and to the picture of
// imageW x imageH. False when nothing is left to draw.
bool ClipToPort(vuViewPort* port, unsigned short srcX, unsigned short srcY, short x, short y,
                unsigned short w, unsigned short h, unsigned imageW, unsigned imageH, Blit& b);
// Further clips a blit to the frame buffer's pixels. False when nothing is left.
bool ClipToTarget(const Target& t, Blit& b);

} // namespace vuimg

#endif
