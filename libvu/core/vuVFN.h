// A font loaded from a VFN file:
//   offset 0   5 digits glyph count (or "EF002" for 128 glyphs), CR LF
//   offset 7   2 digits cell height, CR LF
//   offset 11  2 digits cell width, CR LF
//   offset 15  0x1A
//   offset 16  count glyphs of width * ceil(height / 8) bytes, first code 0
// A file that cannot be read or has a malformed header leaves the font with
// width 0, which SetFontEx refuses.
#ifndef VU_VFN_H
#define VU_VFN_H

#include "vuFont.h"

class VU_API vuVFN : public vuFont {
public:
    explicit vuVFN(const char* path);
    ~vuVFN() override;

    // As vuFont::DrawChar; -1 also when the glyph table is missing.
    int DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x, short y,
                 unsigned short w, unsigned short h, unsigned short colour) override;

protected:
    uint8_t* glyphs;  // owned glyph table, null when not loaded
};

#endif
