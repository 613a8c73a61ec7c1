// png2b16: turns a PNG picture into a B16 picture (raw RGB565 pixels behind
// a 54-byte header), the toolkit's own format for backgrounds and pictures.
//
//   png2b16 [-k RRGGBB] IN.png OUT.b16
//
// Colours become RGB565 as (red >> 3) << 11 | (green >> 2) << 5 | blue >> 3.
// Pixels whose alpha is below 50 (the toolkit's threshold for PNG pictures)
// become the transparent colour, which the header then names: the colour
// given with -k, or else magenta (F81F), or, when an opaque pixel has that
// colour, the first RGB565 value no opaque pixel uses. With -k the given
// colour is named transparent even when the picture has no alpha.
// Exit status 0 on success, 1 on a usage error, 2 when the picture cannot
// be read, is larger than 65535 pixels either way, or cannot be written.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: png2b16 [-k RRGGBB] IN.png OUT.b16\n");
    return 1;
}

uint16_t rgb565(unsigned r, unsigned g, unsigned b)
{
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

void put16(std::vector<uint8_t> &v, size_t at, unsigned x)
{
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}

void put32(std::vector<uint8_t> &v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

bool parseColour(const char *text, uint16_t &out)
{
    if (std::strlen(text) != 6)
        return false;
    char *end = nullptr;
    unsigned long v = std::strtoul(text, &end, 16);
    if (*end)
        return false;
    out = rgb565((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool haveKey = false;
    uint16_t key = 0;
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "-k") == 0) {
        if (i + 1 >= argc || !parseColour(argv[i + 1], key))
            return usage();
        haveKey = true;
        i += 2;
    }
    if (argc - i != 2)
        return usage();
    const char *in = argv[i], *out = argv[i + 1];

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, in)) {
        std::fprintf(stderr, "png2b16: %s: %s\n", in, image.message);
        return 2;
    }
    if (image.width == 0 || image.height == 0 || image.width > 0xFFFF || image.height > 0xFFFF) {
        std::fprintf(stderr, "png2b16: %s: %ux%u is not a size a B16 picture can have\n", in, image.width,
                     image.height);
        png_image_free(&image);
        return 2;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba;
    try {
        rgba.resize(PNG_IMAGE_SIZE(image));
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "png2b16: %s: not enough memory for %ux%u pixels\n", in, image.width, image.height);
        png_image_free(&image);
        return 2;
    }
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "png2b16: %s: %s\n", in, image.message);
        return 2;
    }
    const size_t count = static_cast<size_t>(image.width) * image.height;

    std::vector<uint16_t> px(count);
    std::vector<bool> hidden(count, false);
    std::vector<bool> used(65536, false);
    bool anyHidden = false;
    for (size_t p = 0; p < count; ++p) {
        const uint8_t *c = &rgba[4 * p];
        px[p] = rgb565(c[0], c[1], c[2]);
        if (c[3] < 50) {
            hidden[p] = anyHidden = true;
        } else {
            used[px[p]] = true;
        }
    }
    if (anyHidden && !haveKey) {
        key = 0xF81F;
        if (used[key]) {
            unsigned k = 0;
            while (k < 65536 && used[k])
                ++k;
            if (k == 65536) {
                std::fprintf(stderr, "png2b16: %s: every colour is in use, none is left for transparency\n", in);
                return 2;
            }
            key = static_cast<uint16_t>(k);
        }
    }
    if (anyHidden && haveKey && used[key])
        std::fprintf(stderr, "png2b16: warning: opaque pixels of the colour given with -k will not show\n");

    std::vector<uint8_t> file(54 + 2 * count, 0);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, static_cast<uint32_t>(file.size()));
    put32(file, 10, 54);
    put32(file, 14, 40);
    put32(file, 18, image.width);
    put32(file, 22, image.height);
    put16(file, 26, 1);
    put16(file, 28, 16);
    put32(file, 34, static_cast<uint32_t>(2 * count));
    if (anyHidden || haveKey) {
        file[46] = 1;
        put16(file, 48, key);
    }
    for (size_t p = 0; p < count; ++p)
        put16(file, 54 + 2 * p, hidden[p] ? key : px[p]);

    FILE *f = std::fopen(out, "wb");
    if (!f) {
        std::perror(out);
        return 2;
    }
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "png2b16: %s: write failed\n", out);
        std::remove(out);
        return 2;
    }
    return 0;
}
