// GIF pictures, one or more frames. An animated picture shows the frame
// chosen by the UI's animation counter each time it is drawn; frames keep
// their compressed data and are LZW-decoded by the toolkit on every draw.
#ifndef VU_GIF_H
#define VU_GIF_H

#include <stdint.h>

#include "vuExport.h"
#include "vuImage.h"

class vuChain;
class vuGIFpart;

class VU_API vuGIF : public vuImage {
public:
    explicit vuGIF(const char* path);
    ~vuGIF() override;

    int GetSize() const override;
    int IsAnimate() override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

    unsigned GetFrameCount() const;

private:
    bool Load(int fd);

    unsigned short* globalPalette;
    unsigned short colourResolution;
    unsigned short backgroundIndex;
    unsigned short n;
    vuChain* frames;
    // The frames in order, for direct access while drawing (the chain owns them).
    vuGIFpart** frameList;
    unsigned frameCount;
};

// Skips data sub-blocks from the current file position: a length byte, that
// many bytes, and so on up to a length of 0. Adds the bytes passed to pos;
// false on a short read.
bool gif_skip_sub_blocks(int fd, uint32_t& pos);

// Reads a colour table of count (at most 256) RGB triples from the current
// file position into a new malloc'd RGB565 table, adding the bytes read to
// pos; null on a short read or without memory.
unsigned short* gif_read_palette(int fd, unsigned count, uint32_t& pos);

#endif
