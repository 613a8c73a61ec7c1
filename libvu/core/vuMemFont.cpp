#include "vuMemFont.h"

#include <stddef.h>

#include <vector>

#include "vuFrameBuffer.h"
#include "vuMemFontData.h"

namespace {

struct MemFontKind {
    uint8_t width;
    uint8_t height;
    uint16_t glyphSize;
    uint32_t offset;  // in vuMemFontTable
    uint32_t bytes;
};

const MemFontKind kKinds[6] = {
    {6, 8, 6, 0, 1536},        {12, 16, 24, 1536, 6144},  {16, 24, 48, 7680, 12288},
    {6, 8, 6, 19968, 1536},    {12, 16, 24, 21504, 6144}, {16, 24, 48, 27648, 12288},
};

// The built-in glyphs as rows: for kind k, code c and row r, bit j of
// mask(k)[c * cell height + r] is the pixel at column j. Made from the
// glyph table at first use, once for the whole process.
class RowMasks {
public:
    RowMasks() {
        for (unsigned k = 0; k < 6; ++k) {
            const MemFontKind& d = kKinds[k];
            const unsigned glyphs = d.bytes / d.glyphSize;
            masks[k].assign(static_cast<size_t>(glyphs) * d.height, 0);
            for (unsigned c = 0; c < glyphs; ++c) {
                const uint8_t* glyph = vuMemFontTable + d.offset + c * d.glyphSize;
                for (unsigned r = 0; r < d.height; ++r)
                    for (unsigned j = 0; j < d.width; ++j)
                        if (glyph[(r / 8) * d.width + j] & (1u << (r % 8)))
                            masks[k][c * d.height + r] = static_cast<uint16_t>(masks[k][c * d.height + r] | 1u << j);
            }
        }
    }
    const uint16_t* Of(unsigned kind, unsigned code) const {
        return masks[kind].data() + static_cast<size_t>(code) * kKinds[kind].height;
    }

private:
    std::vector<uint16_t> masks[6];
};

const RowMasks& Rows() {
    static const RowMasks rows;
    return rows;
}

}  // namespace

vuMemFont::vuMemFont(unsigned char k) : kind(k) {
    if (kind < 6) {
        const MemFontKind& d = kKinds[kind];
        width = d.width;
        height = d.height;
        glyphSize = d.glyphSize;
        count = static_cast<uint16_t>(d.bytes / d.glyphSize);
    }
}

vuMemFont::~vuMemFont() {}

int vuMemFont::DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x,
                        short y, unsigned short w, unsigned short h, unsigned short colour) {
    if (!fb) return -1;
    if (kind >= 6) return -5;
    if (!fb->GetFrameBuffer()) return -4;
    const unsigned c = static_cast<unsigned char>(code);
    if (c < firstCode || c >= static_cast<unsigned>(firstCode) + count) return 0;
    if (srcX >= width || srcY >= height) return 0;
    if (h > height - srcY) h = static_cast<unsigned short>(height - srcY);
    if (w > width - srcX) w = static_cast<unsigned short>(width - srcX);
    if (w == 0 || h == 0) return 0;
    BlitRows(fb, Rows().Of(kind, c - firstCode), srcX, srcY, x, y, w, h, colour);
    return 0;
}
