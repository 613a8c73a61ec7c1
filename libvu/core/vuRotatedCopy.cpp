#include "vuRotatedCopy.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#include <immintrin.h>
#endif

namespace {

// Eight RGB565 pixels in one vector register (SSE2 on the PC, NEON on the
// terminal; plain words where there is neither).
typedef uint16_t Px8 __attribute__((vector_size(16)));
typedef uint32_t Px4x2 __attribute__((vector_size(16)));
typedef uint64_t Px2x4 __attribute__((vector_size(16)));

#if defined(__clang__)
#define VU_SHUFFLE(T, a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define VU_SHUFFLE(T, a, b, ...) __builtin_shuffle(a, b, T{__VA_ARGS__})
#endif

inline Px8 load8(const uint16_t *p)
{
    Px8 v;
    std::memcpy(&v, p, 16);
    return v;
}

// Interleaving rounds of the transpose: pixels (16 bits) of two rows, then
// pixel pairs (32 bits), then pixel quads (64 bits); low or high halves.
inline Px4x2 low16(Px8 a, Px8 b) { return reinterpret_cast<Px4x2>(VU_SHUFFLE(Px8, a, b, 0, 8, 1, 9, 2, 10, 3, 11)); }
inline Px4x2 high16(Px8 a, Px8 b) { return reinterpret_cast<Px4x2>(VU_SHUFFLE(Px8, a, b, 4, 12, 5, 13, 6, 14, 7, 15)); }
inline Px2x4 low32(Px4x2 a, Px4x2 b) { return reinterpret_cast<Px2x4>(VU_SHUFFLE(Px4x2, a, b, 0, 4, 1, 5)); }
inline Px2x4 high32(Px4x2 a, Px4x2 b) { return reinterpret_cast<Px2x4>(VU_SHUFFLE(Px4x2, a, b, 2, 6, 3, 7)); }

// The last round: two screen rows from the quads of rows 0-3 (p) and 4-7 (q).
inline void storeRows(uint16_t *row0, uint16_t *row1, Px2x4 p, Px2x4 q)
{
    const Px2x4 first = VU_SHUFFLE(Px2x4, p, q, 0, 2), second = VU_SHUFFLE(Px2x4, p, q, 1, 3);
    std::memcpy(row0, &first, 16);
    std::memcpy(row1, &second, 16);
}

// Turns one 8 x 8 tile: in[k * inStride + j] goes to out[j * outStride + 7 - k]
// (logical row k, column j of the tile to screen row j, column 7 - k). The
// rows are loaded bottom row first, so that the transpose leaves every screen
// row in screen order. Written out in full: with loops over arrays the
// compiler keeps the registers in memory.
inline void turnTile(const uint16_t *in, size_t is, uint16_t *out, size_t os)
{
    const Px8 v0 = load8(in + 7 * is), v1 = load8(in + 6 * is), v2 = load8(in + 5 * is), v3 = load8(in + 4 * is);
    const Px8 v4 = load8(in + 3 * is), v5 = load8(in + 2 * is), v6 = load8(in + is), v7 = load8(in);
    const Px4x2 a0 = low16(v0, v1), a1 = high16(v0, v1), a2 = low16(v2, v3), a3 = high16(v2, v3);
    const Px4x2 a4 = low16(v4, v5), a5 = high16(v4, v5), a6 = low16(v6, v7), a7 = high16(v6, v7);
    // b0 holds columns 0 and 1 of rows 0-3, b4 the same of rows 4-7, and so on.
    const Px2x4 b0 = low32(a0, a2), b1 = high32(a0, a2), b2 = low32(a1, a3), b3 = high32(a1, a3);
    const Px2x4 b4 = low32(a4, a6), b5 = high32(a4, a6), b6 = low32(a5, a7), b7 = high32(a5, a7);
    storeRows(out, out + os, b0, b4);
    storeRows(out + 2 * os, out + 3 * os, b1, b5);
    storeRows(out + 4 * os, out + 5 * os, b2, b6);
    storeRows(out + 6 * os, out + 7 * os, b3, b7);
}

#undef VU_SHUFFLE

// The rotated copy of the logical rectangle (x, y, w, h) of src (rows of W
// pixels) to dst (rows of H pixels): logical (c, r) goes to screen row c,
// column H - 1 - r. Whole 8 x 8 tiles are turned in vector registers, taken
// eight high so that each screen row gets 128 consecutive bytes (two cache
// lines) at a time while the tiles' source rows stay in cache. The rest of
// the rectangle (fewer than eight rows or columns) goes pixel by pixel.
__attribute__((always_inline)) inline void rotatedCopyBody(const uint16_t *src, unsigned W, uint16_t *dst,
                                                           unsigned H, unsigned x, unsigned y, unsigned w, unsigned h)
{
    const unsigned tileRows = h / 8 * 8, tileCols = w / 8 * 8;
    const unsigned Block = 64; // logical rows per pass over the columns
    for (unsigned b0 = 0; b0 < tileRows; b0 += Block) {
        const unsigned b1 = (b0 + Block < tileRows) ? b0 + Block : tileRows;
        for (unsigned c = x; c < x + tileCols; c += 8) {
            for (unsigned r0 = y + b0; r0 < y + b1; r0 += 8)
                turnTile(src + static_cast<size_t>(r0) * W + c, W, dst + static_cast<size_t>(c) * H + (H - 8 - r0),
                         H);
        }
    }
    auto pixel = [&](unsigned c, unsigned r) {
        dst[static_cast<size_t>(c) * H + (H - 1 - r)] = src[static_cast<size_t>(r) * W + c];
    };
    for (unsigned r = y; r < y + tileRows; ++r)
        for (unsigned c = x + tileCols; c < x + w; ++c)
            pixel(c, r);
    for (unsigned r = y + tileRows; r < y + h; ++r)
        for (unsigned c = x; c < x + w; ++c)
            pixel(c, r);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VU_ROTATE_AVX 1
// On a PC that has AVX the same code in its three-operand encoding: no
// register copies between the interleaving rounds. (Chosen by a test of
// the processor at the first copy, not by the loader: a loader-time choice
// runs before the sanitizers of the test builds are up.)
__attribute__((target("avx"))) void rotatedCopyAvx(const uint16_t *src, unsigned W, uint16_t *dst, unsigned H,
                                                   unsigned x, unsigned y, unsigned w, unsigned h)
{
    rotatedCopyBody(src, W, dst, H, x, y, w, h);
}

// With AVX-512 (BW) a 16 x 16 tile is turned in eight 512-bit registers of
// two 16-pixel rows each: three rounds of two-register word permutations,
// eight per round, each round trading one bit of the source row in the
// register's number for one bit of the column. 24 permutations turn 256
// pixels, where the 8 x 8 tiles take 96 shuffles, and every screen row gets
// 32 bytes at a time.
//
// Pixel e = row * 16 + column of the tile; widePlace gives its register
// (0..7) and its word in it (0..31) after a round: 0 as loaded (rows 2i and
// 2i + 1 in register i), 3 as stored (screen rows 2i and 2i + 1, that is
// the tile's columns, bottom row first).
void widePlace(int round, int e, int &reg, int &pos)
{
    const int r = e >> 4, c = e & 15;
    const int r0 = r & 1, r1 = r >> 1 & 1, r2 = r >> 2 & 1, r3 = r >> 3 & 1;
    const int c0 = c & 1, c1 = c >> 1 & 1, c2 = c >> 2 & 1, c3 = c >> 3 & 1;
    switch (round) {
    case 0:
        reg = r >> 1;
        pos = r0 * 16 + c;
        return;
    case 1:
        reg = r3 << 2 | r2 << 1 | c1;
        pos = r0 * 16 + c3 * 8 + c2 * 4 + r1 * 2 + c0;
        return;
    case 2:
        reg = r3 << 2 | c2 << 1 | c1;
        pos = r0 * 16 + c3 * 8 + r2 * 4 + r1 * 2 + c0;
        return;
    default:
        reg = c >> 1;
        pos = c0 * 16 + (15 - r);
        return;
    }
}

// The word indexes of the rounds: round k pairs the registers that differ
// in bit k of their number; an output register whose bit k is b takes
// idx[k][b] (32..63 name the pair's second register). ok is false if the
// layouts did not pair up so (the wide copy is then not used).
struct WideIndexes {
    uint16_t idx[3][2][32] = {};
    bool ok = true;
    WideIndexes()
    {
        bool set[3][2][32] = {};
        for (int k = 0; k < 3; ++k)
            for (int e = 0; e < 256; ++e) {
                int inReg, inPos, outReg, outPos;
                widePlace(k, e, inReg, inPos);
                widePlace(k + 1, e, outReg, outPos);
                const int b = outReg >> k & 1;
                const uint16_t want = static_cast<uint16_t>(inPos + ((inReg >> k & 1) ? 32 : 0));
                if ((inReg | 1 << k) != (outReg | 1 << k) || (set[k][b][outPos] && idx[k][b][outPos] != want))
                    ok = false;
                idx[k][b][outPos] = want;
                set[k][b][outPos] = true;
            }
    }
};

const WideIndexes &wideIndexes()
{
    static const WideIndexes indexes;
    return indexes;
}

__attribute__((target("avx512f,avx512bw"))) void rotatedCopyWide(const uint16_t *src, unsigned W, uint16_t *dst,
                                                                unsigned H, unsigned x, unsigned y, unsigned w,
                                                                unsigned h)
{
    const WideIndexes &wi = wideIndexes();
    __m512i idx[3][2];
    for (int k = 0; k < 3; ++k)
        for (int b = 0; b < 2; ++b)
            idx[k][b] = _mm512_loadu_si512(wi.idx[k][b]);
    const unsigned tileRows = h / 16 * 16, tileCols = w / 16 * 16;
    const unsigned Block = 64; // logical rows per pass over the columns
    for (unsigned b0 = 0; b0 < tileRows; b0 += Block) {
        const unsigned b1 = (b0 + Block < tileRows) ? b0 + Block : tileRows;
        for (unsigned c = x; c < x + tileCols; c += 16)
            for (unsigned r0 = y + b0; r0 < y + b1; r0 += 16) {
                const uint16_t *in = src + static_cast<size_t>(r0) * W + c;
                __m512i v[8], t[8];
                // (The masked forms of insert and extract: GCC's plain ones
                // start from an undefined register and warn about it.)
                for (int i = 0; i < 8; ++i) {
                    const uint16_t *row = in + static_cast<size_t>(2 * i) * W;
                    v[i] = _mm512_mask_inserti64x4(
                        _mm512_setzero_si512(), 0xFF,
                        _mm512_maskz_loadu_epi64(0x0F, row),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(row + W)), 1);
                }
                for (int k = 0; k < 3; ++k) {
                    for (int o = 0; o < 8; ++o) {
                        const int a = o & ~(1 << k), b = a | 1 << k;
                        t[o] = _mm512_permutex2var_epi16(v[a], idx[k][o >> k & 1], v[b]);
                    }
                    for (int o = 0; o < 8; ++o)
                        v[o] = t[o];
                }
                uint16_t *out = dst + static_cast<size_t>(c) * H + (H - 16 - r0);
                for (int i = 0; i < 8; ++i) {
                    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + static_cast<size_t>(2 * i) * H),
                                        _mm512_mask_extracti64x4_epi64(_mm256_setzero_si256(), 0xFF, v[i], 0));
                    _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + static_cast<size_t>(2 * i + 1) * H),
                                        _mm512_mask_extracti64x4_epi64(_mm256_setzero_si256(), 0xFF, v[i], 1));
                }
            }
    }
    // What the whole tiles leave: the columns to the right of them, then
    // the rows below, by the 8 x 8 tiles and single pixels.
    if (tileCols < w)
        rotatedCopyAvx(src, W, dst, H, x + tileCols, y, w - tileCols, tileRows);
    if (tileRows < h)
        rotatedCopyAvx(src, W, dst, H, x, y + tileRows, w, h - tileRows);
}
#endif

} // namespace

VU_API bool vuRotatedCopyHas(vuRotatedCopyWay way)
{
    switch (way) {
    case VU_ROTATED_COPY_PLAIN:
        return true;
#ifdef VU_ROTATE_AVX
    case VU_ROTATED_COPY_AVX: {
        static const bool avx = __builtin_cpu_supports("avx");
        return avx;
    }
    case VU_ROTATED_COPY_WIDE: {
        static const bool wide = __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx512bw") &&
                                 wideIndexes().ok;
        return wide;
    }
#endif
    default:
        return false;
    }
}

VU_API bool vuRotatedCopyWith(vuRotatedCopyWay way, const uint16_t *src, unsigned W, uint16_t *dst, unsigned H,
                              unsigned x, unsigned y, unsigned w, unsigned h)
{
    if (!vuRotatedCopyHas(way))
        return false;
    switch (way) {
#ifdef VU_ROTATE_AVX
    case VU_ROTATED_COPY_WIDE:
        rotatedCopyWide(src, W, dst, H, x, y, w, h);
        return true;
    case VU_ROTATED_COPY_AVX:
        rotatedCopyAvx(src, W, dst, H, x, y, w, h);
        return true;
#endif
    default:
        rotatedCopyBody(src, W, dst, H, x, y, w, h);
        return true;
    }
}

VU_API void vuRotatedCopy(const uint16_t *src, unsigned W, uint16_t *dst, unsigned H, unsigned x, unsigned y,
                          unsigned w, unsigned h)
{
    static const vuRotatedCopyWay best = vuRotatedCopyHas(VU_ROTATED_COPY_WIDE)  ? VU_ROTATED_COPY_WIDE
                                         : vuRotatedCopyHas(VU_ROTATED_COPY_AVX) ? VU_ROTATED_COPY_AVX
                                                                                 : VU_ROTATED_COPY_PLAIN;
    vuRotatedCopyWith(best, src, W, dst, H, x, y, w, h);
}
