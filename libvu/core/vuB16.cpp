#include "vuB16.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "vuImageIO.h"

using vuimg::Le16;

bool vuB16::ReadHeader(const unsigned char* hdr)
{
    unsigned offset = Le16(hdr + 10);
    unsigned w = Le16(hdr + 18);
    unsigned h = Le16(hdr + 22);
    if (hdr[46] & 1)
        SetTransparentColor((unsigned short)Le16(hdr + 48));
    if (offset == 0 || w == 0 || h == 0)
        return false;
    width = (unsigned short)w;
    height = (unsigned short)h;
    return true;
}

// The pixels are little-endian in the file; the block holds them natively.
static void LoadPixels(unsigned short* dst, const unsigned char* src, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        dst[i] = (unsigned short)(src[2 * i] | (src[2 * i + 1] << 8));
}

vuB16::vuB16(const char* path) : pixels(nullptr)
{
    int fd = vuimg::OpenFile(path);
    if (fd < 0)
        return;
    unsigned char hdr[kHeaderSize];
    bool ok = false;
    if (vuimg::ReadFull(fd, hdr, sizeof hdr) && ReadHeader(hdr)) {
        size_t count = (size_t)width * height;
        long long need = (long long)kHeaderSize + (long long)count * 2;
        long long have = vuimg::FileSize(fd);
        if (have >= need) {
            unsigned char* raw = (unsigned char*)malloc(count * 2);
            pixels = (unsigned short*)malloc(count * 2);
            if (raw && pixels && lseek(fd, kHeaderSize, SEEK_SET) == (off_t)kHeaderSize &&
                vuimg::ReadFull(fd, raw, count * 2)) {
                LoadPixels(pixels, raw, count);
                ok = true;
            }
            free(raw);
        }
    }
    close(fd);
    if (ok) {
        SetFileName(path);
    } else {
        free(pixels);
        pixels = nullptr;
        width = height = 0;
    }
}

vuB16::vuB16(const unsigned char* data, unsigned size) : pixels(nullptr)
{
    if (!data || size <= kHeaderSize || !ReadHeader(data))
        return;
    size_t count = (size_t)width * height;
    if ((unsigned long long)size >= kHeaderSize + 2ull * count)
        pixels = (unsigned short*)malloc(count * 2);
    if (pixels)
        LoadPixels(pixels, data + kHeaderSize, count);
    else
        width = height = 0;
}

vuB16::~vuB16()
{
    free(pixels);
}

int vuB16::GetSize() const
{
    long long n = BaseSize((int)sizeof(vuB16));
    if (pixels)
        n += 2ll * width * height;
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : (int)n;
}

int vuB16::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                short x, short y, unsigned short w, unsigned short h)
{
    vuimg::Target t;
    if (!fb || !pixels || !vuimg::GetTarget(fb, t))
        return -1;
    vuimg::Blit b;
    if (!vuimg::ClipToPort(port, srcX, srcY, x, y, w, h, width, height, b) || !vuimg::ClipToTarget(t, b))
        return 0;
    const bool keyed = HasTransparentColor();
    const unsigned short key = transparentColour;
    for (int r = 0; r < b.h; ++r) {
        const unsigned short* in = pixels + (size_t)(b.srcY + r) * width + b.srcX;
        unsigned short* out = t.At(b.x, b.y + r);
        if (!keyed) {
            memcpy(out, in, (size_t)b.w * 2);
            continue;
        }
        for (int k = 0; k < b.w; ++k)
            if (in[k] != key)
                out[k] = in[k];
    }
    return 0;
}
