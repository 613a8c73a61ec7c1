// Uncompressed BMP pictures of 1 to 8 bits per pixel (with a palette) or 24
// bits per pixel, bottom-up or top-down. The rows are kept as stored and
// converted while drawing.
#ifndef VU_BMP_H
#define VU_BMP_H

#include <stdint.h>

#include "vuExport.h"
#include "vuImage.h"

class VU_API vuBMP : public vuImage {
public:
    explicit vuBMP(const char* path);
    vuBMP(const unsigned char* data, unsigned size);
    ~vuBMP() override;

    int GetSize() const override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

private:
    // Header fields of a file; see vuBMP.cpp.
    struct Layout {
        uint32_t dataOffset;
        uint32_t paletteOffset;
        uint32_t paletteCount;
        uint64_t dataSize;
    };
    // Takes the 54 header bytes; false when the variant is not supported.
    bool ReadHeader(const unsigned char* header, Layout& l);
    void MakeEmpty();

    unsigned char* rows;
    unsigned short* palette;
    uint32_t paletteCount;
    uint32_t dataSize;
    unsigned char topDown;
    unsigned short bitsPerPixel;
    uint32_t stride;
};

#endif
