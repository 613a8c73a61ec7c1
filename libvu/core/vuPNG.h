// PNG pictures. Only the compressed bytes are kept; every Draw decodes them
// anew, one row at a time. Pixels with alpha below 50 are left out, the rest
// are drawn opaque; the image's transparent colour applies too.
#ifndef VU_PNG_H
#define VU_PNG_H

#include <stddef.h>
#include <stdint.h>

#include "vuExport.h"
#include "vuImage.h"

struct png_struct_def;

class VU_API vuPNG : public vuImage {
public:
    explicit vuPNG(const char* path);
    vuPNG(const unsigned char* data, unsigned size);
    ~vuPNG() override;

    int GetSize() const override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

    // Copies the next length bytes from the read position and advances it:
    // 0, or -1 (nothing copied) when fewer bytes remain.
    int ReadData(void* destination, unsigned length);
    // Back to the first byte.
    void Rewind() { position = 0; }

    int GetBitDepth() const { return bitDepth; }
    int GetColorType() const { return colorType; }

private:
    bool ReadHeader();

    unsigned char* bytes;
    uint32_t count;
    uint32_t position;
    int bitDepth;
    int colorType;
};

// The read function handed to the PNG library: takes the vuPNG from the
// library's I/O pointer; a request beyond the held bytes fails the decode.
VU_C_API void ReadDataFromMem(png_struct_def* png, unsigned char* data, size_t length);

#endif
