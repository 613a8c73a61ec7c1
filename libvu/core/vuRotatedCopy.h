// The copy of a rectangle of the back buffer to a panel mounted turned by
// 90 degrees: logical pixel (c, r) of src (rows of W pixels) goes to screen
// row c, column H - 1 - r of dst (rows of H pixels). Several ways of doing
// it, the fastest the processor has chosen at the first copy; the others
// are there for the tests, which hold each one to the plain rule.
#ifndef VU_ROTATED_COPY_H
#define VU_ROTATED_COPY_H

#include <stdint.h>

#include "vuExport.h"

enum vuRotatedCopyWay {
    VU_ROTATED_COPY_PLAIN = 0, // 8 x 8 tiles in generic vector registers (the terminal's way)
    VU_ROTATED_COPY_AVX = 1,   // the same in AVX encoding (PC)
    VU_ROTATED_COPY_WIDE = 2,  // 16 x 16 tiles by AVX-512 word permutations (PC)
    VU_ROTATED_COPY_WAYS = 3
};

// The copy of the rectangle (x, y, w, h), which must lie inside src, the
// fastest way this processor has.
VU_API void vuRotatedCopy(const uint16_t *src, unsigned W, uint16_t *dst, unsigned H, unsigned x, unsigned y,
                          unsigned w, unsigned h);
// Whether this processor can take that way.
VU_API bool vuRotatedCopyHas(vuRotatedCopyWay way);
// The copy the given way; false (nothing copied) when the processor has
// no such way.
VU_API bool vuRotatedCopyWith(vuRotatedCopyWay way, const uint16_t *src, unsigned W, uint16_t *dst, unsigned H,
                              unsigned x, unsigned y, unsigned w, unsigned h);

#endif
