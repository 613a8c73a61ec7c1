// JPEG pictures (3-component colour). Only the compressed bytes are kept;
// every Draw decodes them anew, one row at a time.
#ifndef VU_JPG_H
#define VU_JPG_H

#include "vuExport.h"
#include "vuImage.h"

class VU_API vuJPG : public vuImage {
public:
    explicit vuJPG(const char* path);
    vuJPG(const unsigned char* data, unsigned size);
    ~vuJPG() override;

    int GetSize() const override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

private:
    // Reads the picture's size from the held bytes; false when unusable.
    bool ReadSize();

    unsigned char* bytes;
    int count;
};

#endif
