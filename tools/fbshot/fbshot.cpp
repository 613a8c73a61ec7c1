// fbshot: writes the stand-in screen of a terminal root as a PNG picture.
//
//   fbshot [--root DIR] [--file PATH] [--physical] OUT.png
//
// --root sets TERMINAL_ROOT (default: the environment's); the screen file is
// "/dev/graphics/fb0" under it unless --file names another. By default the
// picture is what the user sees: a panel mounted rotated
// ("ro.fac.lcd.rotate" = 90) is turned back; --physical keeps the stored
// layout. Exit status 0 on success, 1 on a usage error, 2 when the screen or
// the picture cannot be read or written.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ScreenFile.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: fbshot [--root DIR] [--file PATH] [--physical] OUT.png\n");
    return 1;
}

bool writePng(const std::string &out, const std::vector<uint16_t> &px, unsigned w, unsigned h)
{
    FILE *f = std::fopen(out.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        std::fclose(f);
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(w) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            uint16_t p = px[static_cast<size_t>(y) * w + x];
            unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
            row[x * 3] = static_cast<png_byte>(r << 3 | r >> 2);
            row[x * 3 + 1] = static_cast<png_byte>(g << 2 | g >> 4);
            row[x * 3 + 2] = static_cast<png_byte>(b << 3 | b >> 2);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string file, out;
    bool physical = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--root" && i + 1 < argc)
            setenv("TERMINAL_ROOT", argv[++i], 1);
        else if (a == "--file" && i + 1 < argc)
            file = argv[++i];
        else if (a == "--physical")
            physical = true;
        else if (!a.empty() && a[0] != '-' && out.empty())
            out = a;
        else
            return usage();
    }
    if (out.empty())
        return usage();
    ScreenFile screen;
    std::string error;
    if (!screen.open(file, error)) {
        std::fprintf(stderr, "fbshot: %s\n", error.c_str());
        return 2;
    }
    std::vector<uint16_t> px;
    bool ok = physical ? screen.readPhysical(px) : screen.readLogical(px);
    if (!ok) {
        std::fprintf(stderr, "fbshot: cannot read %s\n", screen.path().c_str());
        return 2;
    }
    unsigned w = physical ? screen.xres() : screen.logicalWidth();
    unsigned h = physical ? screen.yres() : screen.logicalHeight();
    if (!writePng(out, px, w, h)) {
        std::fprintf(stderr, "fbshot: cannot write %s\n", out.c_str());
        return 2;
    }
    return 0;
}
