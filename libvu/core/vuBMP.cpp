#include "vuBMP.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "vuImageIO.h"

using vuimg::Le16;
using vuimg::Le32;

static const unsigned kHeaderSize = 54;

// Picture sizes are 16-bit: offsets, sizes and counts above 65535 are not
// supported, and neither are compressed rows or bit depths other than 1 to 8
// and 24.
bool vuBMP::ReadHeader(const unsigned char* hdr, Layout& l)
{
    uint32_t offset = Le32(hdr + 10);
    uint32_t infoSize = Le32(hdr + 14);
    uint32_t w = Le32(hdr + 18);
    int32_t h = (int32_t)Le32(hdr + 22);
    unsigned bpp = Le16(hdr + 28);
    uint32_t compression = Le32(hdr + 30);
    uint32_t used = Le32(hdr + 46);
    if (offset == 0 || offset > 0xFFFF || infoSize == 0 || infoSize > 0xFFFF || w == 0 || w > 0xFFFF ||
        used > 0xFFFF || compression != 0)
        return false;
    unsigned long hAbs = h < 0 ? (unsigned long)(-(int64_t)h) : (unsigned long)h;
    if (hAbs == 0 || hAbs > 0xFFFF)
        return false;
    if (!((bpp >= 1 && bpp <= 8) || bpp == 24))
        return false;
    topDown = h < 0;
    bitsPerPixel = (unsigned short)bpp;
    stride = (uint32_t)(((uint64_t)bpp * w + 31) / 32 * 4);
    l.dataOffset = offset;
    l.paletteOffset = 14 + infoSize;
    l.paletteCount = bpp == 24 ? 0 : (used ? used : (1u << bpp));
    l.dataSize = (uint64_t)stride * (hAbs - 1) + ((uint64_t)bpp * w + 7) / 8;
    width = (unsigned short)w;
    height = (unsigned short)hAbs;
    return true;
}

void vuBMP::MakeEmpty()
{
    free(rows);
    free(palette);
    rows = nullptr;
    palette = nullptr;
    paletteCount = 0;
    dataSize = 0;
    width = height = 0;
}

static void ConvertPalette(unsigned short* dst, const unsigned char* src, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        dst[i] = vuimg::Rgb565(src[4 * i + 2], src[4 * i + 1], src[4 * i]);
}

vuBMP::vuBMP(const char* path)
    : rows(nullptr), palette(nullptr), paletteCount(0), dataSize(0), topDown(0), bitsPerPixel(0), stride(0)
{
    int fd = vuimg::OpenFile(path);
    if (fd < 0)
        return;
    unsigned char hdr[kHeaderSize];
    Layout l;
    bool ok = false;
    long long have = vuimg::FileSize(fd);
    if (vuimg::ReadFull(fd, hdr, sizeof hdr) && ReadHeader(hdr, l) &&
        (long long)l.paletteOffset + 4ll * l.paletteCount <= have &&
        (long long)l.dataOffset + (long long)l.dataSize <= have) {
        ok = true;
        if (l.paletteCount) {
            unsigned char* raw = (unsigned char*)malloc((size_t)l.paletteCount * 4);
            palette = (unsigned short*)malloc((size_t)l.paletteCount * 2);
            ok = raw && palette && lseek(fd, l.paletteOffset, SEEK_SET) == (off_t)l.paletteOffset &&
                 vuimg::ReadFull(fd, raw, (size_t)l.paletteCount * 4);
            if (ok) {
                ConvertPalette(palette, raw, l.paletteCount);
                paletteCount = l.paletteCount;
            }
            free(raw);
        }
        if (ok) {
            rows = (unsigned char*)malloc((size_t)l.dataSize);
            ok = rows && lseek(fd, l.dataOffset, SEEK_SET) == (off_t)l.dataOffset &&
                 vuimg::ReadFull(fd, rows, (size_t)l.dataSize);
            dataSize = (uint32_t)l.dataSize;
        }
    }
    close(fd);
    if (ok)
        SetFileName(path);
    else
        MakeEmpty();
}

vuBMP::vuBMP(const unsigned char* data, unsigned size)
    : rows(nullptr), palette(nullptr), paletteCount(0), dataSize(0), topDown(0), bitsPerPixel(0), stride(0)
{
    Layout l;
    if (!data || size <= kHeaderSize || !ReadHeader(data, l) ||
        (uint64_t)l.paletteOffset + 4ull * l.paletteCount > size || (uint64_t)l.dataOffset + l.dataSize > size) {
        MakeEmpty();
        return;
    }
    if (l.paletteCount) {
        palette = (unsigned short*)malloc((size_t)l.paletteCount * 2);
        if (!palette) {
            MakeEmpty();
            return;
        }
        ConvertPalette(palette, data + l.paletteOffset, l.paletteCount);
        paletteCount = l.paletteCount;
    }
    rows = (unsigned char*)malloc((size_t)l.dataSize);
    if (!rows) {
        MakeEmpty();
        return;
    }
    memcpy(rows, data + l.dataOffset, (size_t)l.dataSize);
    dataSize = (uint32_t)l.dataSize;
}

vuBMP::~vuBMP()
{
    free(rows);
    free(palette);
}

int vuBMP::GetSize() const
{
    long long n = BaseSize((int)sizeof(vuBMP)) + (long long)dataSize;
    if (palette)
        n += 2ll * (1 << bitsPerPixel);
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : (int)n;
}

int vuBMP::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                short x, short y, unsigned short w, unsigned short h)
{
    if (!fb)
        return -4;
    vuimg::Target t;
    if (!rows || width == 0 || height == 0 || !vuimg::GetTarget(fb, t))
        return -5;
    vuimg::Blit b;
    if (!vuimg::ClipToPort(port, srcX, srcY, x, y, w, h, width, height, b) || !vuimg::ClipToTarget(t, b))
        return 0;
    const bool keyed = HasTransparentColor();
    const unsigned short key = transparentColour;
    const unsigned bpp = bitsPerPixel;
    const unsigned mask = (1u << (bpp == 24 ? 0 : bpp)) - 1;
    for (int r = 0; r < b.h; ++r) {
        unsigned imgRow = (unsigned)(b.srcY + r);
        unsigned stored = topDown ? imgRow : height - 1 - imgRow;
        const unsigned char* row = rows + (size_t)stored * stride;
        // Bytes of this stored row present in the block (the last row may
        // lack its padding).
        size_t rowAvail = dataSize - (size_t)stored * stride;
        unsigned short* out = t.At(b.x, b.y + r);
        for (int k = 0; k < b.w; ++k) {
            unsigned col = (unsigned)(b.srcX + k);
            unsigned short c;
            if (bpp == 24) {
                const unsigned char* p = row + 3 * (size_t)col;
                c = vuimg::Rgb565(p[2], p[1], p[0]);
            } else {
                size_t bit = (size_t)col * bpp;
                size_t byte = bit >> 3;
                unsigned word = (unsigned)row[byte] << 8;
                unsigned shift = 16 - bpp - (unsigned)(bit & 7);
                if (shift < 8 && byte + 1 < rowAvail)
                    word |= row[byte + 1];
                unsigned index = (word >> shift) & mask;
                if (index >= paletteCount)
                    continue; // no colour for it in a short palette
                c = palette[index];
            }
            if (keyed && c == key)
                continue;
            out[k] = c;
        }
    }
    return 0;
}
