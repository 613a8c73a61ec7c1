// Renders the six built-in fonts of the toolkit library from the misc-fixed
// bitmap fonts (public domain, Debian package xfonts-base) through FreeType
// and writes them as the C++ table libvu/core/vuMemFontData.cpp.
//
//   fontgen [--fonts DIR] [--out FILE]
//
// Each character code 0..255 is taken as CP1251 and mapped to Unicode with
// iconv. Fonts of kinds 0 to 2 draw every CP1251 character the source font
// has; kinds 3 to 5 are a second, plainer design: ASCII with lower-case
// letters drawn as capitals, and one placeholder box for 0x80-0xFF except
// the no-break space, the degree sign and the numero sign.
//
// The glyphs are stored in bands of eight rows, one byte per column, bit n of
// a byte being row band * 8 + n (the library's glyph layout).
#include <ft2build.h>
#include FT_FREETYPE_H

#include <errno.h>
#include <iconv.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

struct Kind {
    const char* file;  // source font in the font folder
    int cellW, cellH;  // cell of the built-in font
    int offset;        // byte offset of the kind in the table
    bool fullSet;      // CP1251 Latin and Cyrillic, else the plain design
};

// Source fonts: all from misc-fixed, Unicode (ISO 10646-1) encoded.
const Kind kKinds[6] = {
    {"5x8.pcf.gz", 6, 8, 0, true},
    {"9x15.pcf.gz", 12, 16, 1536, true},
    {"10x20.pcf.gz", 16, 24, 7680, true},
    {"5x7.pcf.gz", 6, 8, 19968, false},
    {"9x15B.pcf.gz", 12, 16, 21504, false},
    {"9x18B.pcf.gz", 16, 24, 27648, false},
};
const int kTableBytes = 39936;

// Unicode of a CP1251 byte, 0 when the code has no character.
uint32_t Cp1251ToUnicode(iconv_t cd, unsigned char c) {
    char in[1] = {static_cast<char>(c)};
    uint32_t out = 0;
    char* pin = in;
    char* pout = reinterpret_cast<char*>(&out);
    size_t inLeft = 1, outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == static_cast<size_t>(-1) || outLeft != 0) {
        return 0;
    }
    return out;
}

// Codes whose glyph must exist in the full fonts: every letter of CP1251
// (Latin, Cyrillic А-я, Ё, ё) and the numero sign.
bool MustDraw(unsigned c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0xC0 ||
           c == 0xA8 || c == 0xB8 || c == 0xB9;
}

class Cell {
public:
    Cell(int w, int h) : w_(w), h_(h), px_(w * h, 0) {}
    void Set(int x, int y) {
        if (x >= 0 && x < w_ && y >= 0 && y < h_) px_[y * w_ + x] = 1;
    }
    bool Get(int x, int y) const { return px_[y * w_ + x] != 0; }
    bool operator==(const Cell& o) const { return px_ == o.px_; }
    // Top row and left column that carry ink; -1 when blank.
    int TopInk() const {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (Get(x, y)) return y;
        return -1;
    }
    int LeftInk() const {
        for (int x = 0; x < w_; ++x)
            for (int y = 0; y < h_; ++y)
                if (Get(x, y)) return x;
        return -1;
    }
    int Ink() const {
        int n = 0;
        for (uint8_t p : px_) n += p;
        return n;
    }
    // Bands of eight rows, a byte per column.
    void Store(uint8_t* out) const {
        int bands = (h_ + 7) / 8;
        for (int b = 0; b < bands; ++b)
            for (int x = 0; x < w_; ++x) {
                uint8_t v = 0;
                for (int n = 0; n < 8 && b * 8 + n < h_; ++n)
                    if (Get(x, b * 8 + n)) v |= static_cast<uint8_t>(1u << n);
                out[b * w_ + x] = v;
            }
    }

private:
    int w_, h_;
    std::vector<uint8_t> px_;
};

class Face {
public:
    Face(FT_Library lib, const std::string& path, const Kind& k) {
        if (FT_New_Face(lib, path.c_str(), 0, &face_) != 0) {
            fprintf(stderr, "fontgen: cannot load %s\n", path.c_str());
            exit(2);
        }
        if (face_->num_fixed_sizes > 0) FT_Select_Size(face_, 0);
        if (FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0) {
            fprintf(stderr, "fontgen: %s has no Unicode map\n", path.c_str());
            exit(2);
        }
        ascent_ = static_cast<int>(face_->size->metrics.ascender >> 6);
        int descent = static_cast<int>(-(face_->size->metrics.descender >> 6));
        advance_ = static_cast<int>(face_->size->metrics.max_advance >> 6);
        // Centre the font's box in the cell; leftover rows go below.
        offX_ = (k.cellW - advance_) / 2;
        offY_ = (k.cellH - (ascent_ + descent)) / 2;
        if (offX_ < 0) offX_ = 0;
        if (offY_ < 0) offY_ = 0;
        capTop_ = ascent_;
        if (FT_Load_Char(face_, 'H', FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0)
            capTop_ = face_->glyph->bitmap_top;
    }
    ~Face() { FT_Done_Face(face_); }

    bool Has(uint32_t ucs) const { return ucs != 0 && FT_Get_Char_Index(face_, ucs) != 0; }

    // Renders one character into the cell; false when the font lacks it.
    bool Render(uint32_t ucs, Cell& cell) {
        if (!Has(ucs)) return false;
        if (FT_Load_Char(face_, ucs, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
        const FT_Bitmap& bm = face_->glyph->bitmap;
        int left = offX_ + face_->glyph->bitmap_left;
        int top = offY_ + ascent_ - face_->glyph->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r)
            for (unsigned c = 0; c < bm.width; ++c) {
                bool ink;
                if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                    ink = (bm.buffer[r * bm.pitch + c / 8] >> (7 - c % 8)) & 1;
                else
                    ink = bm.buffer[r * bm.pitch + c] >= 128;
                if (ink) cell.Set(left + static_cast<int>(c), top + static_cast<int>(r));
            }
        return true;
    }

    // A hollow box from the capital height down to the baseline.
    void Placeholder(Cell& cell) const {
        int x0 = offX_, x1 = offX_ + advance_ - 2;
        int y0 = offY_ + ascent_ - capTop_, y1 = offY_ + ascent_ - 1;
        for (int x = x0; x <= x1; ++x) {
            cell.Set(x, y0);
            cell.Set(x, y1);
        }
        for (int y = y0; y <= y1; ++y) {
            cell.Set(x0, y);
            cell.Set(x1, y);
        }
    }

private:
    FT_Face face_ = nullptr;
    int ascent_ = 0, advance_ = 0, offX_ = 0, offY_ = 0, capTop_ = 0;
};

const char* Usage() { return "usage: fontgen [--fonts DIR] [--out FILE]\n"; }

}  // namespace

int main(int argc, char** argv) {
    std::string dir = "/usr/share/fonts/X11/misc";
    std::string out = "vuMemFontData.cpp";
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--fonts" && i + 1 < argc) {
            dir = argv[++i];
        } else if (a == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            fputs(Usage(), stderr);
            return 1;
        }
    }

    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        perror("fontgen: iconv_open");
        return 2;
    }
    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) {
        fprintf(stderr, "fontgen: FreeType failed\n");
        return 2;
    }

    std::vector<uint8_t> table(kTableBytes, 0);
    int failures = 0;
    for (int k = 0; k < 6; ++k) {
        const Kind& kind = kKinds[k];
        Face face(lib, dir + "/" + kind.file, kind);
        int glyphSize = kind.cellW * ((kind.cellH + 7) / 8);
        std::vector<Cell> cells;
        for (unsigned c = 0; c < 256; ++c) {
            cells.emplace_back(kind.cellW, kind.cellH);
            Cell& cell = cells.back();
            if (c >= 0x20 && c != 0x7F) {
                if (kind.fullSet) {
                    uint32_t ucs = Cp1251ToUnicode(cd, static_cast<unsigned char>(c));
                    bool drawn = face.Render(ucs, cell);
                    if (MustDraw(c) && (!drawn || cell.Ink() == 0)) {
                        fprintf(stderr, "fontgen: %s has no glyph for 0x%02X (U+%04X)\n", kind.file, c, ucs);
                        ++failures;
                    }
                } else if (c < 0x80) {
                    unsigned ch = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
                    face.Render(ch, cell);
                } else if (c == 0xA0 || c == 0xB0 || c == 0xB9) {
                    face.Render(Cp1251ToUnicode(cd, static_cast<unsigned char>(c)), cell);
                } else {
                    face.Placeholder(cell);
                }
            }
        }
        // The smallest source font draws Ё like Е (no room above the
        // capital): give it its two dots in the free row above.
        if (kind.fullSet && cells[0xA8] == cells[0xC5]) {
            Cell& yo = cells[0xA8];
            const int top = yo.TopInk(), left = yo.LeftInk();
            if (top > 0) {
                yo.Set(left + 1, top - 1);
                yo.Set(left + 3, top - 1);
                fprintf(stderr, "fontgen: %s: dots added to 0xA8\n", kind.file);
            }
        }
        for (unsigned c = 0; c < 256; ++c) cells[c].Store(&table[kind.offset + c * glyphSize]);
    }
    FT_Done_FreeType(lib);
    iconv_close(cd);
    if (failures) return 3;

    FILE* f = fopen(out.c_str(), "w");
    if (!f) {
        perror(out.c_str());
        return 2;
    }
    fprintf(f,
            "// Generated by tools/fontgen from the misc-fixed bitmap fonts (public\n"
            "// domain); regenerate with the build target fontgen_update.\n"
            "// Kinds 0 to 5: 5x8, 9x15, 10x20, 5x7, 9x15B, 9x18B.\n"
            "#include \"vuMemFontData.h\"\n\n"
            "const uint8_t vuMemFontTable[VU_MEMFONT_TABLE_BYTES] = {\n");
    for (int k = 0; k < 6; ++k) {
        const Kind& kind = kKinds[k];
        int glyphSize = kind.cellW * ((kind.cellH + 7) / 8);
        fprintf(f, "    // kind %d: %d x %d\n", k, kind.cellW, kind.cellH);
        for (unsigned c = 0; c < 256; ++c) {
            fprintf(f, "    /* %02X */", c);
            for (int i = 0; i < glyphSize; ++i) fprintf(f, " 0x%02X,", table[kind.offset + c * glyphSize + i]);
            fprintf(f, "\n");
        }
    }
    fprintf(f, "};\n");
    if (fclose(f) != 0) {
        perror(out.c_str());
        return 2;
    }
    return 0;
}
