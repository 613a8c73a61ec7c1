#include "image_fixtures.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <map>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace imgtest {

MemFrameBuffer::MemFrameBuffer(unsigned short w, unsigned short h, unsigned short p, uint16_t fill)
    : vuFrameBuffer(w, h), pitch(p ? p : w)
{
    mem = new uint16_t[(size_t)pitch * h];
    frameBuffer = mem;
    widthInBytes = (uint32_t)pitch * 2;
    port = vuViewPort{0, 0, w, h, 0, 0};
    Clear(fill);
}

MemFrameBuffer::~MemFrameBuffer()
{
    delete[] mem;
}

void MemFrameBuffer::Clear(uint16_t c)
{
    for (size_t i = 0; i < (size_t)pitch * GetHeight(); ++i)
        mem[i] = c;
}

static void Put16(std::vector<uint8_t>& v, size_t at, unsigned x)
{
    v[at] = (uint8_t)x;
    v[at + 1] = (uint8_t)(x >> 8);
}

static void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = (uint8_t)(x >> (8 * i));
}

std::vector<uint8_t> MakeB16(unsigned w, unsigned h, const std::vector<uint16_t>& pixels, bool transparent,
                             uint16_t key, uint16_t dataOffset)
{
    std::vector<uint8_t> f(54 + 2 * pixels.size(), 0);
    f[0] = 'B';
    f[1] = 'M';
    Put16(f, 10, dataOffset);
    Put16(f, 18, w);
    Put16(f, 22, h);
    f[46] = transparent ? 1 : 0;
    Put16(f, 48, key);
    for (size_t i = 0; i < pixels.size(); ++i)
        Put16(f, 54 + 2 * i, pixels[i]);
    return f;
}

std::vector<uint8_t> MakeBmp(const BmpSpec& s)
{
    const uint32_t stride = ((uint32_t)s.bpp * s.width + 31) / 32 * 4;
    const uint32_t lastRow = ((uint32_t)s.bpp * s.width + 7) / 8;
    const uint32_t palBytes = 4 * (uint32_t)s.palette.size();
    const uint32_t offset = 54 + palBytes;
    const uint32_t dataSize = stride * (s.height - 1) + (s.padLastRow ? stride : lastRow);
    std::vector<uint8_t> f(offset + dataSize, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, (uint32_t)f.size());
    Put32(f, 10, offset);
    Put32(f, 14, 40);
    Put32(f, 18, (uint32_t)s.width);
    Put32(f, 22, (uint32_t)(s.topDown ? -s.height : s.height));
    Put16(f, 26, 1);
    Put16(f, 28, (unsigned)s.bpp);
    Put32(f, 30, s.compression);
    Put32(f, 46, s.coloursUsed);
    for (size_t i = 0; i < s.palette.size(); ++i) {
        f[54 + 4 * i] = s.palette[i].b;
        f[54 + 4 * i + 1] = s.palette[i].g;
        f[54 + 4 * i + 2] = s.palette[i].r;
    }
    for (int y = 0; y < s.height; ++y) {
        int stored = s.topDown ? y : s.height - 1 - y;
        uint8_t* row = &f[offset + (size_t)stored * stride];
        for (int x = 0; x < s.width; ++x) {
            if (s.bpp == 24) {
                const Rgb8& c = s.colours[(size_t)y * s.width + x];
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
            } else {
                unsigned v = s.indexes[(size_t)y * s.width + x];
                size_t bit = (size_t)x * s.bpp;
                // Most significant bit first, a field may cross a byte.
                for (int i = 0; i < s.bpp; ++i) {
                    size_t b = bit + i;
                    if (v & (1u << (s.bpp - 1 - i)))
                        row[b / 8] |= (uint8_t)(0x80 >> (b % 8));
                }
            }
        }
    }
    return f;
}

namespace {
struct BitWriter {
    std::vector<uint8_t> out;
    uint32_t acc = 0;
    int bits = 0;
    void Put(unsigned code, int width)
    {
        acc |= (uint32_t)code << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back((uint8_t)acc);
            acc >>= 8;
            bits -= 8;
        }
    }
    void Flush()
    {
        if (bits > 0)
            out.push_back((uint8_t)acc);
        acc = 0;
        bits = 0;
    }
};
} // namespace

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& px, int mcs, bool clearWhenFull)
{
    const unsigned clear = 1u << mcs, end = clear + 1;
    BitWriter w;
    int width = mcs + 1;
    unsigned next = clear + 2;
    std::map<std::pair<unsigned, unsigned>, unsigned> dict;
    w.Put(clear, width);
    if (px.empty()) {
        w.Put(end, width);
        w.Flush();
        return w.out;
    }
    unsigned prefix = px[0];
    for (size_t i = 1; i < px.size(); ++i) {
        unsigned c = px[i];
        auto it = dict.find({prefix, c});
        if (it != dict.end()) {
            prefix = it->second;
            continue;
        }
        w.Put(prefix, width);
        if (next < 4096) {
            dict[{prefix, c}] = next++;
            // The decoder, one entry behind, widens once it reaches 2^width.
            if (next - 1 >= (1u << width) && width < 12)
                ++width;
        }
        if (next == 4096 && clearWhenFull) {
            w.Put(clear, width);
            dict.clear();
            width = mcs + 1;
            next = clear + 2;
        }
        prefix = c;
    }
    w.Put(prefix, width);
    // The decoder adds an entry for this last code before reading the end.
    if (next >= (1u << width) && width < 12)
        ++width;
    w.Put(end, width);
    w.Flush();
    return w.out;
}

std::vector<uint8_t> SubBlocks(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bytes.size(); i += 255) {
        size_t n = std::min<size_t>(255, bytes.size() - i);
        out.push_back((uint8_t)n);
        out.insert(out.end(), bytes.begin() + i, bytes.begin() + i + n);
    }
    out.push_back(0);
    return out;
}

static int SizeBits(size_t entries)
{
    int n = 0;
    while ((1u << (n + 1)) < entries)
        ++n;
    return n; // entries = 2^(n + 1)
}

static void PutPalette(std::vector<uint8_t>& f, const std::vector<Rgb8>& p)
{
    for (const Rgb8& c : p) {
        f.push_back(c.r);
        f.push_back(c.g);
        f.push_back(c.b);
    }
}

std::vector<uint8_t> MakeGif(const GifSpec& s)
{
    std::vector<uint8_t> f = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0};
    Put16(f, 6, (unsigned)s.width);
    Put16(f, 8, (unsigned)s.height);
    if (!s.globalPalette.empty())
        f[10] = (uint8_t)(0x80 | 0x70 | SizeBits(s.globalPalette.size()));
    PutPalette(f, s.globalPalette);
    if (s.comment) {
        const char* text = "made in a test";
        f.push_back(0x21);
        f.push_back(0xFE);
        f.push_back((uint8_t)strlen(text));
        f.insert(f.end(), text, text + strlen(text));
        f.push_back(0);
    }
    for (const GifFrame& fr : s.frames) {
        if (fr.control) {
            uint8_t flags = (uint8_t)(((fr.disposal & 7) << 2) | (fr.transparent ? 1 : 0));
            std::vector<uint8_t> gc = {0x21, 0xF9, 4, flags, 10, 0, fr.transparentIndex, 0};
            f.insert(f.end(), gc.begin(), gc.end());
        }
        f.push_back(0x2C);
        size_t at = f.size();
        f.resize(at + 9, 0);
        Put16(f, at, (unsigned)fr.left);
        Put16(f, at + 2, (unsigned)fr.top);
        Put16(f, at + 4, (unsigned)fr.width);
        Put16(f, at + 6, (unsigned)fr.height);
        uint8_t flags = fr.interlaced ? 0x40 : 0;
        if (!fr.localPalette.empty())
            flags |= (uint8_t)(0x80 | SizeBits(fr.localPalette.size()));
        f[at + 8] = flags;
        PutPalette(f, fr.localPalette);
        size_t palSize = !fr.localPalette.empty() ? fr.localPalette.size() : s.globalPalette.size();
        int mcs = fr.minCodeSize >= 0 ? fr.minCodeSize : std::max(2, SizeBits(palSize) + 1);
        f.push_back((uint8_t)mcs);
        if (!fr.rawData.empty()) {
            f.insert(f.end(), fr.rawData.begin(), fr.rawData.end());
            continue;
        }
        // Stored row order: interlaced frames keep rows 0, 8, ..., 4, 12, ...
        std::vector<uint8_t> stored;
        std::vector<int> order;
        if (fr.interlaced) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < fr.height; y += step[p])
                    order.push_back(y);
        } else {
            for (int y = 0; y < fr.height; ++y)
                order.push_back(y);
        }
        for (int y : order)
            stored.insert(stored.end(), fr.indexes.begin() + (size_t)y * fr.width,
                          fr.indexes.begin() + (size_t)(y + 1) * fr.width);
        std::vector<uint8_t> blocks = SubBlocks(LzwEncode(stored, mcs));
        f.insert(f.end(), blocks.begin(), blocks.end());
    }
    f.push_back(0x3B);
    return f;
}

std::vector<uint8_t> MakeJpeg(int w, int h, const std::vector<Rgb8>& pixels, int quality, bool grey,
                              bool progressive)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buf, &size);
    cinfo.image_width = (JDIMENSION)w;
    cinfo.image_height = (JDIMENSION)h;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (!grey) {
        // No chroma subsampling: colours stay close to the source per pixel.
        for (int i = 0; i < 3; ++i)
            cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row((size_t)w * (grey ? 1 : 3));
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = (int)cinfo.next_scanline;
        for (int x = 0; x < w; ++x) {
            const Rgb8& c = pixels[(size_t)y * w + x];
            if (grey) {
                row[x] = c.g;
            } else {
                row[3 * x] = c.r;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.b;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buf, buf + size);
    jpeg_destroy_compress(&cinfo);
    free(buf);
    return out;
}

static void PngWrite(png_structp png, png_bytep data, size_t n)
{
    auto* out = (std::vector<uint8_t>*)png_get_io_ptr(png);
    out->insert(out->end(), data, data + n);
}

static void PngFlush(png_structp) {}

std::vector<uint8_t> MakePng(const PngSpec& s)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    png_set_compression_buffer_size(png, (size_t)s.chunkSize);
    png_set_IHDR(png, info, (png_uint_32)s.width, (png_uint_32)s.height, s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> pal;
    for (const Rgb8& c : s.palette)
        pal.push_back(png_color{c.r, c.g, c.b});
    if (!pal.empty())
        png_set_PLTE(png, info, pal.data(), (int)pal.size());
    if (!s.trns.empty())
        png_set_tRNS(png, info, s.trns.data(), (int)s.trns.size(), nullptr);
    png_write_info(png, info);
    size_t rowBytes = s.rows.size() / (size_t)s.height;
    std::vector<png_bytep> rows;
    for (int y = 0; y < s.height; ++y)
        rows.push_back((png_bytep)s.rows.data() + (size_t)y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/vu_images_XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    dir = tmpl;
}

TempDir::~TempDir()
{
    std::string cmd = "rm -rf '" + dir + "'";
    if (system(cmd.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", dir.c_str());
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::string path = Path(name);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        fclose(f);
        throw std::runtime_error("short write " + path);
    }
    fclose(f);
    return path;
}

} // namespace imgtest
