// Raw RGB565 pictures: a 54-byte header laid out like the start of a BMP file
// (data offset at 10, width at 18, height at 22, flags at 46, transparent
// colour at 48), then width x height little-endian pixels, top row first.
#ifndef VU_B16_H
#define VU_B16_H

#include "vuExport.h"
#include "vuImage.h"

class VU_API vuB16 : public vuImage {
public:
    explicit vuB16(const char* path);
    vuB16(const unsigned char* data, unsigned size);
    ~vuB16() override;

    int GetSize() const override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

    static const unsigned kHeaderSize = 54;

private:
    // Takes the header fields; false when the header is refused.
    bool ReadHeader(const unsigned char* header);

    unsigned short* pixels;
};

#endif
