#include "vuGIFpart.h"

#include <stdlib.h>
#include <unistd.h>

#include "vuFrameBuffer.h"
#include "vuGIF.h"
#include "vuImageIO.h"

using vuimg::Le16;

vuGIFpart::vuGIFpart(int fd, uint32_t& pos, unsigned char gcFlags, unsigned short d, unsigned char tIndex)
    : data(nullptr), dataSize(0), localPalette(nullptr), left(0), top(0), width(0), height(0), flags(0),
      minCodeSize(0), disposal((unsigned char)((gcFlags >> 2) & 7)), transparent((unsigned char)(gcFlags & 1)),
      transparentIndex(tIndex), delay(d)
{
    unsigned char desc[9];
    if (!vuimg::ReadFull(fd, desc, sizeof desc)) {
        pos = 0;
        return;
    }
    pos += sizeof desc;
    left = (unsigned short)Le16(desc);
    top = (unsigned short)Le16(desc + 2);
    width = (unsigned short)Le16(desc + 4);
    height = (unsigned short)Le16(desc + 6);
    flags = desc[8];
    if (flags & 0x80) {
        localPalette = gif_read_palette(fd, 1u << ((flags & 7) + 1), pos);
        if (!localPalette) {
            width = 0;
            pos = 0;
            return;
        }
    }
    if (!vuimg::ReadFull(fd, &minCodeSize, 1)) {
        width = 0;
        pos = 0;
        return;
    }
    pos += 1;
    // Learn the length of the data sub-blocks, then take them whole.
    uint32_t start = pos;
    uint32_t end = pos;
    if (!gif_skip_sub_blocks(fd, end) || lseek(fd, (off_t)start, SEEK_SET) != (off_t)start) {
        pos = 0;
        return;
    }
    uint32_t n = end - start;
    data = (unsigned char*)malloc(n ? n : 1);
    if (!data || !vuimg::ReadFull(fd, data, n)) {
        free(data);
        data = nullptr;
        pos = 0;
        return;
    }
    dataSize = n;
    pos = end;
}

vuGIFpart::~vuGIFpart()
{
    free(data);
    free(localPalette);
}

int vuGIFpart::GetSize() const
{
    int size = (int)sizeof(vuGIFpart) + (int)dataSize;
    if (localPalette)
        size += 2 * (1 << ((flags & 7) + 1));
    return size;
}

int vuGIFpart::PutPixel(unsigned short column, unsigned short row, vuFrameBuffer* fb, unsigned short srcX,
                        unsigned short srcY, short x, short y, unsigned short w, unsigned short h,
                        unsigned short c)
{
    vuimg::Target t;
    if (!vuimg::GetTarget(fb, t))
        return 0;
    int px = left + column;
    int py = top + row;
    if (px < srcX || px >= srcX + w || py < srcY || py >= srcY + h)
        return 0;
    int dx = x + px - srcX;
    int dy = y + py - srcY;
    if (t.Inside(dx, dy))
        *t.At(dx, dy) = c;
    return 0;
}

// The LZW dictionary and string stack, shared by every frame: only the
// thread that runs the UI draws.
namespace {
const unsigned kMaxCodes = 4096;
uint16_t g_prefix[kMaxCodes];
// Pixel indexes reach 2047 with the largest minimum code size.
uint16_t g_suffix[kMaxCodes];
uint16_t g_first[kMaxCodes];
uint16_t g_stack[kMaxCodes + 1];

// Codes from the data sub-blocks, least significant bit first; the length
// bytes are skipped. Running out of data (a short or missing sub-block,
// or the closing zero length) ends the stream.
struct CodeReader {
    const unsigned char* data;
    uint32_t size;
    uint32_t pos;
    unsigned blockLeft;
    uint32_t bits;
    unsigned bitCount;

    int Next(unsigned width)
    {
        while (bitCount < width) {
            if (blockLeft == 0) {
                if (pos >= size || data[pos] == 0)
                    return -1;
                blockLeft = data[pos++];
            }
            if (pos >= size)
                return -1;
            bits |= (uint32_t)data[pos++] << bitCount;
            bitCount += 8;
            --blockLeft;
        }
        int code = (int)(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        return code;
    }
};

// Places decoded pixels: frame column and stored row to picture rows (with
// interlaced frames reordered), clipped to the drawn part and the frame buffer.
struct PixelSink {
    vuimg::Target t;
    const unsigned short* palette;
    unsigned paletteCount;
    bool transparent;
    unsigned transparentIndex;
    unsigned frameW, frameH;
    bool interlaced;
    // Frame columns [c0, c1) and frame rows [r0, r1) are visible.
    int c0, c1, r0, r1;
    // Frame-buffer pixel of frame pixel (0, 0).
    int dx0, dy0;
    unsigned col;
    unsigned stored;
    unsigned row;
    unsigned pass;
    bool done;
    unsigned short* line;

    void StartRow()
    {
        line = ((int)row >= r0 && (int)row < r1) ? t.At(dx0, dy0 + (int)row) : nullptr;
    }

    void NextRow()
    {
        col = 0;
        ++stored;
        if (stored >= frameH) {
            done = true;
            return;
        }
        if (!interlaced) {
            row = stored;
            if ((int)row >= r1) {
                done = true; // nothing further shows
                return;
            }
        } else {
            static const unsigned kStart[4] = {0, 4, 2, 1};
            static const unsigned kStep[4] = {8, 8, 4, 2};
            row += kStep[pass];
            while (row >= frameH && pass < 3) {
                ++pass;
                row = kStart[pass];
            }
        }
        StartRow();
    }

    void Put(unsigned index)
    {
        if (line && (int)col >= c0 && (int)col < c1 && index < paletteCount &&
            !(transparent && index == transparentIndex))
            line[col] = palette[index];
        if (++col >= frameW)
            NextRow();
    }
};

// Adds the dictionary entry that code c implies and puts c's string.
// False on a malformed stream: a code beyond the next free one, or a
// string longer than the dictionary.
bool Expand(unsigned c, unsigned prev, unsigned& next, unsigned endCode, PixelSink& s)
{
    if (c < next) {
        if (next < kMaxCodes) {
            g_prefix[next] = (uint16_t)prev;
            g_suffix[next] = g_first[c];
            g_first[next] = g_first[prev];
            ++next;
        }
    } else if (c == next && next < kMaxCodes) {
        // The string is the previous one plus its own first byte.
        g_prefix[next] = (uint16_t)prev;
        g_suffix[next] = g_first[prev];
        g_first[next] = g_first[prev];
        ++next;
    } else {
        return false;
    }
    // Unwind the string onto the stack, last byte first.
    unsigned depth = 0;
    unsigned k = c;
    while (k > endCode) {
        if (depth >= kMaxCodes)
            return false;
        g_stack[depth++] = g_suffix[k];
        k = g_prefix[k];
    }
    g_stack[depth++] = (uint16_t)k;
    while (depth > 0 && !s.done)
        s.Put(g_stack[--depth]);
    return true;
}
} // namespace

int vuGIFpart::Draw(const unsigned short* palette, unsigned paletteCount, unsigned short /*background*/,
                    vuFrameBuffer* fb, unsigned short srcX, unsigned short srcY, short x, short y,
                    unsigned short w, unsigned short h)
{
    if (!data || width == 0 || height == 0)
        return 0;
    if (localPalette) {
        palette = localPalette;
        paletteCount = 1u << ((flags & 7) + 1);
    }
    if (!palette || paletteCount == 0)
        return 0;
    if (minCodeSize == 0 || minCodeSize > 11)
        return 0;

    PixelSink s;
    if (!vuimg::GetTarget(fb, s.t))
        return 0;
    s.palette = palette;
    s.paletteCount = paletteCount;
    s.transparent = transparent != 0;
    s.transparentIndex = transparentIndex;
    s.frameW = width;
    s.frameH = height;
    s.interlaced = (flags & 0x40) != 0;
    // Frame pixel (c, r) is picture pixel (left + c, top + r) and lands at
    // frame-buffer pixel (x + left + c - srcX, y + top + r - srcY).
    s.dx0 = x + left - srcX;
    s.dy0 = y + top - srcY;
    int lo = srcX - left, hi = srcX + w - left;
    if (lo < -s.dx0)
        lo = -s.dx0;
    if (hi > s.t.width - s.dx0)
        hi = s.t.width - s.dx0;
    s.c0 = lo < 0 ? 0 : lo;
    s.c1 = hi > (int)width ? (int)width : hi;
    lo = srcY - top;
    hi = srcY + h - top;
    if (lo < -s.dy0)
        lo = -s.dy0;
    if (hi > s.t.height - s.dy0)
        hi = s.t.height - s.dy0;
    s.r0 = lo < 0 ? 0 : lo;
    s.r1 = hi > (int)height ? (int)height : hi;
    if (s.c0 >= s.c1 || s.r0 >= s.r1)
        return 0;
    s.col = 0;
    s.stored = 0;
    s.row = 0;
    s.pass = 0;
    s.done = false;
    s.StartRow();

    CodeReader in = {data, dataSize, 0, 0, 0, 0};
    const unsigned clear = 1u << minCodeSize;
    const unsigned endCode = clear + 1;
    unsigned codeWidth = minCodeSize + 1u;
    unsigned next = clear + 2;
    int prev = -1;
    for (unsigned i = 0; i < clear; ++i)
        g_first[i] = (uint16_t)i;

    while (!s.done) {
        int code = in.Next(codeWidth);
        if (code < 0)
            break;
        unsigned c = (unsigned)code;
        if (c == clear) {
            codeWidth = minCodeSize + 1u;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (c == endCode)
            break;
        if (prev < 0) {
            if (c >= clear)
                break; // the first code after a clear must be a root
            s.Put(c);
        } else {
            if (!Expand(c, (unsigned)prev, next, endCode, s))
                break;
        }
        // The width grows once the next free code needs another bit.
        if (next == (1u << codeWidth) && codeWidth < 12)
            ++codeWidth;
        prev = (int)c;
    }
    return 0;
}
