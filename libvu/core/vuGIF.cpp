#include "vuGIF.h"

#include <new>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "vuChain.h"
#include "vuGIFpart.h"
#include "vuImageIO.h"
#include "vuUI.h"

using vuimg::Le16;

// Frames beyond this many make the picture unsupported.
static const unsigned kMaxFrames = 0xFFFF;

bool gif_skip_sub_blocks(int fd, uint32_t& pos)
{
    unsigned char len;
    if (!vuimg::ReadFull(fd, &len, 1))
        return false;
    pos += 1;
    unsigned char buf[256];
    while (len != 0) {
        // The block's bytes and the next length byte.
        if (!vuimg::ReadFull(fd, buf, (size_t)len + 1))
            return false;
        pos += (uint32_t)len + 1;
        len = buf[len];
    }
    return true;
}

unsigned short* gif_read_palette(int fd, unsigned count, uint32_t& pos)
{
    unsigned char raw[3 * 256];
    unsigned short* palette = (unsigned short*)malloc(count * 2);
    if (!palette || !vuimg::ReadFull(fd, raw, 3 * count)) {
        free(palette);
        return nullptr;
    }
    for (unsigned i = 0; i < count; ++i)
        palette[i] = vuimg::Rgb565(raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]);
    pos += 3 * count;
    return palette;
}

vuGIF::vuGIF(const char* path)
    : globalPalette(nullptr), colourResolution(0), backgroundIndex(0), n(0), frames(new (std::nothrow) vuChain()),
      frameList(nullptr), frameCount(0)
{
    int fd = vuimg::OpenFile(path);
    if (fd < 0)
        return;
    bool ok = frames && Load(fd);
    close(fd);
    if (ok) {
        SetFileName(path);
        return;
    }
    if (frames)
        frames->Clear();
    free(frameList);
    frameList = nullptr;
    frameCount = 0;
    width = height = 0;
}

bool vuGIF::Load(int fd)
{
    uint32_t pos = 0;
    unsigned char hdr[13];
    if (!vuimg::ReadFull(fd, hdr, sizeof hdr))
        return false;
    pos += sizeof hdr;
    width = (unsigned short)Le16(hdr + 6);
    height = (unsigned short)Le16(hdr + 8);
    unsigned char f = hdr[10];
    backgroundIndex = hdr[11];
    colourResolution = (unsigned short)(((f >> 4) & 7) + 1);
    n = (unsigned short)((f & 7) + 1);
    if (f & 0x80) {
        globalPalette = gif_read_palette(fd, 1u << n, pos);
        if (!globalPalette)
            width = 0;
    }
    if (memcmp(hdr, "GIFVER", 3) != 0 || width == 0 || height == 0)
        return false;

    unsigned char gcFlags = 0, tIndex = 0;
    unsigned short delay = 0;
    unsigned capacity = 0;
    for (;;) {
        unsigned char b;
        if (!vuimg::ReadFull(fd, &b, 1))
            return false;
        pos += 1;
        if (b == 0x3B)
            break;
        if (b == 0x2C) {
            if (frameCount >= kMaxFrames)
                return false;
            vuGIFpart* part = new (std::nothrow) vuGIFpart(fd, pos, gcFlags, delay, tIndex);
            gcFlags = 0;
            delay = 0;
            tIndex = 0;
            if (!part || pos == 0) {
                delete part;
                return false;
            }
            if (frameCount == capacity) {
                unsigned grown = capacity ? capacity * 2 : 4;
                vuGIFpart** list = (vuGIFpart**)realloc(frameList, grown * sizeof *list);
                if (!list) {
                    delete part;
                    return false;
                }
                frameList = list;
                capacity = grown;
            }
            if (frames->Add(part) < 0) {
                delete part;
                return false;
            }
            frameList[frameCount++] = part;
            continue;
        }
        if (b != 0x21)
            return false;
        unsigned char label;
        if (!vuimg::ReadFull(fd, &label, 1))
            return false;
        pos += 1;
        if (label == 0xF9) {
            unsigned char gc[6];
            if (!vuimg::ReadFull(fd, gc, sizeof gc) || gc[0] != 4)
                return false;
            pos += sizeof gc;
            gcFlags = gc[1];
            delay = (unsigned short)Le16(gc + 2);
            tIndex = gc[4];
        } else if (!gif_skip_sub_blocks(fd, pos)) {
            return false;
        }
    }
    return frameCount > 0;
}

vuGIF::~vuGIF()
{
    delete frames;
    free(frameList);
    free(globalPalette);
}

unsigned vuGIF::GetFrameCount() const
{
    return frameCount;
}

int vuGIF::GetSize() const
{
    long long size = BaseSize((int)sizeof(vuGIF));
    if (frames)
        size += frames->GetSize();
    if (globalPalette)
        size += 2 * (1 << n);
    return size > 0x7FFFFFFF ? 0x7FFFFFFF : (int)size;
}

int vuGIF::IsAnimate()
{
    return frameCount >= 2 ? 1 : 0;
}

int vuGIF::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                short x, short y, unsigned short w, unsigned short h)
{
    if (!fb)
        return 0;
    vuimg::Blit b;
    if (!vuimg::ClipToPort(port, srcX, srcY, x, y, w, h, width, height, b) || frameCount == 0)
        return 0;
    unsigned num = 0;
    if (frameCount > 1)
        num = (unsigned)vuUI::GetAnimationCount() % frameCount;
    unsigned first = frameList[num]->GetDisposal() == 1 ? 0 : num;
    // A frame left in place (disposal 1) is drawn over the frames before it.
    for (unsigned i = first; i <= num; ++i)
        frameList[i]->Draw(globalPalette, globalPalette ? (1u << n) : 0, backgroundIndex, fb,
                           (unsigned short)b.srcX, (unsigned short)b.srcY, (short)b.x, (short)b.y,
                           (unsigned short)b.w, (unsigned short)b.h);
    return 0;
}
