// Draws every built-in font of the toolkit library (codes 0x20-0xFF and a
// sample line of Latin and Cyrillic text) into a PNG, to look at them.
//
//   fontsheet OUT.png [SCALE [KIND]]   (KIND 0-5: that font only)
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "MemScreen.h"
#include "vuFont.h"
#include "vuMemFont.h"

namespace {

const uint16_t kInk[6] = {0xFFFF, 0xFFE0, 0x07FF, 0xFFFF, 0xFFE0, 0x07FF};

bool WritePng(const char* path, const MemScreen& fb, unsigned scale) {
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    const unsigned w = fb.GetWidth(), h = fb.GetHeight();
    png_init_io(png, f);
    png_set_IHDR(png, info, w * scale, h * scale, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(w * scale * 3);
    for (unsigned y = 0; y < h * scale; ++y) {
        for (unsigned x = 0; x < w * scale; ++x) {
            const uint16_t p = fb.At(static_cast<int>(x / scale), static_cast<int>(y / scale));
            row[x * 3] = static_cast<png_byte>(((p >> 11) & 0x1F) * 255 / 31);
            row[x * 3 + 1] = static_cast<png_byte>(((p >> 5) & 0x3F) * 255 / 63);
            row[x * 3 + 2] = static_cast<png_byte>((p & 0x1F) * 255 / 31);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fontsheet OUT.png [SCALE [KIND]]\n");
        return 1;
    }
    const unsigned scale = argc > 2 ? static_cast<unsigned>(atoi(argv[2])) : 2;
    if (scale < 1 || scale > 8) {
        fprintf(stderr, "fontsheet: scale 1 to 8\n");
        return 1;
    }
    int firstKind = 0, lastKind = 5;
    if (argc > 3) {
        firstKind = lastKind = atoi(argv[3]);
        if (firstKind < 0 || firstKind > 5) {
            fprintf(stderr, "fontsheet: kind 0 to 5\n");
            return 1;
        }
    }
    const char* samples[2] = {
        "Съешь же ещё этих мягких французских булок, да выпей чаю. №5",
        "The quick brown fox jumps over the lazy dog 0123456789",
    };
    const unsigned perRow = 32;
    unsigned short width = 0, height = 0;
    for (int k = firstKind; k <= lastKind; ++k) {
        vuMemFont probe(static_cast<unsigned char>(k));
        if (probe.GetWidth() * 62 > width) width = static_cast<unsigned short>(probe.GetWidth() * 62);
        height = static_cast<unsigned short>(height + probe.GetHeight() * (224 / perRow + 3) + 4);
    }
    MemScreen fb(width, height, 0x0010);
    vuViewPort all = {0, 0, width, height, 0, 0};
    short y = 0;
    for (unsigned short k = static_cast<unsigned short>(firstKind); k <= lastKind; ++k) {
        vuFont* font = fb.GetFont(k);
        const short ch = static_cast<short>(font->GetHeight());
        char line[perRow + 1];
        for (unsigned c = 0x20; c < 0x100; c += perRow) {
            for (unsigned i = 0; i < perRow; ++i) line[i] = static_cast<char>(c + i);
            line[perRow] = 0;
            font->DrawString(&fb, &all, line, perRow, 0, 0, 0, y, width, font->GetHeight(), kInk[k]);
            y = static_cast<short>(y + ch);
        }
        for (const char* s : samples) {
            font->DrawString(&fb, &all, s, 0, 0, 0, 0, y, width, font->GetHeight(), kInk[k]);
            y = static_cast<short>(y + ch);
        }
        fb.Line(&all, 0, y + 1, static_cast<short>(width), y + 1, 0x8410, 0);
        y = static_cast<short>(y + ch + 4);
    }
    if (!WritePng(argv[1], fb, scale)) {
        fprintf(stderr, "fontsheet: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
