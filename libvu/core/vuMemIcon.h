// 1-bit pictures: the built-in icons and inline icons. A set bit is drawn in
// the image's colour, a clear bit leaves the frame buffer as it is.
#ifndef VU_MEMICON_H
#define VU_MEMICON_H

#include "vuExport.h"
#include "vuImage.h"

class VU_API vuMemIcon : public vuImage {
public:
    // A w x h picture over rows of ceil(w / 8) bytes, the most significant bit
    // leftmost. copy: keep a private copy of the bits (an allocation failure
    // leaves the image empty); otherwise the bits must outlive the image.
    vuMemIcon(unsigned short w, unsigned short h, const unsigned char* bits, bool copy);
    ~vuMemIcon() override;

    int GetSize() const override;
    int Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
             short x, short y, unsigned short w, unsigned short h) override;

    // A new image of a built-in icon (its bits not copied); null above 16.
    static vuMemIcon* GetMemIcon(_VU_TypeMemIcon id);
    // Size and inline record (width byte, height byte, rows) of a built-in
    // icon; 0, 0 and null above 16.
    static unsigned short GetWidth(_VU_TypeMemIcon id);
    static unsigned short GetHeight(_VU_TypeMemIcon id);
    static const unsigned char* GetData(_VU_TypeMemIcon id);

    // Draw an inline icon record, or a built-in icon, without an object.
    // 0, -1 for no bits, -4 without a frame buffer or pixel memory.
    static int DrawIcon(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        unsigned char* record, unsigned short colour);
    static int DrawIcon(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        _VU_TypeMemIcon id, unsigned short colour);

    using vuImage::GetWidth;
    using vuImage::GetHeight;

private:
    static int DrawBits(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                        short x, short y, unsigned short w, unsigned short h,
                        unsigned imageW, unsigned imageH, const unsigned char* bits, unsigned short colour);

    unsigned char ownsBits;
    const unsigned char* bits;
};

#endif
