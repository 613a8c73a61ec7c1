#include "vuPNG.h"

#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include <png.h>

#include "vuImageIO.h"

// libpng reports fatal errors through the error function, which jumps back to
// the setjmp of the decode that failed. The functions holding a setjmp below
// keep no C++ objects, so nothing is skipped by the jump.
namespace {

// Picture sizes are 16-bit.
const png_uint_32 kMaxSide = 0xFFFF;
// Largest buffer a single chunk (text, profile, unknown) may ask for.
const png_alloc_size_t kMaxChunk = 1u << 20;

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

png_structp NewReader(vuPNG* image)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return nullptr;
    png_set_user_limits(png, kMaxSide, kMaxSide);
    // A chunk's length comes from the file: no ancillary chunk may make the
    // decoder allocate more than this, and unknown chunks are skipped.
    png_set_chunk_malloc_max(png, kMaxChunk);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    // Ancillary chunks the drawing does not use are skipped unread: some of
    // them (sPLT) make the decoder allocate whatever length the file claims.
    static const png_byte kIgnored[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0"
                                       "sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, (int)(sizeof kIgnored / 5));
    png_set_read_fn(png, image, (png_rw_ptr)ReadDataFromMem);
    return png;
}

struct HeaderInfo {
    png_uint_32 width, height;
    int bitDepth, colorType;
};

bool PngHeader(vuPNG* image, HeaderInfo* out)
{
    png_structp png = NewReader(image);
    if (!png)
        return false;
    png_infop volatile info = nullptr;
    volatile bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        info = png_create_info_struct(png);
        if (info) {
            png_read_info(png, info);
            int interlace, compression, filter;
            if (png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colorType, &interlace,
                             &compression, &filter))
                ok = true;
        }
    }
    png_infop infoDone = info;
    png_destroy_read_struct(&png, infoDone ? &infoDone : nullptr, nullptr);
    return ok;
}

struct DrawJob {
    vuimg::Target t;
    vuimg::Blit b;
    bool keyed;
    unsigned short key;
};

// Writes the visible pixels of one decoded row; with an interlaced picture
// only those of the current pass.
void PutRow(const DrawJob* job, const png_byte* row, unsigned bpp, unsigned r, int pass)
{
    const vuimg::Blit& b = job->b;
    unsigned short* out = job->t.At(b.x, b.y + (int)(r - b.srcY));
    for (int k = 0; k < b.w; ++k) {
        unsigned col = (unsigned)(b.srcX + k);
        if (pass >= 0 && !PNG_COL_IN_INTERLACE_PASS(col, pass))
            continue;
        const png_byte* p = row + (size_t)col * bpp;
        if (bpp == 4 && p[3] <= 49)
            continue;
        unsigned short c = vuimg::Rgb565(p[0], p[1], p[2]);
        if (job->keyed && c == job->key)
            continue;
        out[k] = c;
    }
}

void PngDraw(vuPNG* image, const DrawJob* job)
{
    image->Rewind();
    png_structp png = NewReader(image);
    if (!png)
        return;
    png_infop volatile info = nullptr;
    png_bytep volatile row = nullptr;
    if (setjmp(png_jmpbuf(png)) == 0) {
        info = png_create_info_struct(png);
        if (info) {
            png_read_info(png, info);
            int colorType = png_get_color_type(png, info);
            int bitDepth = png_get_bit_depth(png, info);
            png_uint_32 width = png_get_image_width(png, info);
            png_uint_32 height = png_get_image_height(png, info);
            png_set_packing(png);
            if (colorType == PNG_COLOR_TYPE_PALETTE)
                png_set_palette_to_rgb(png);
            if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
                png_set_expand_gray_1_2_4_to_8(png);
            // Every row ends up with 3 or 4 bytes per pixel.
            if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
                png_set_gray_to_rgb(png);
            if (bitDepth == 16)
                png_set_strip_16(png);
            int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            size_t rowBytes = png_get_rowbytes(png, info);
            unsigned bpp = width ? (unsigned)(rowBytes / width) : 0;
            const vuimg::Blit& b = job->b;
            if ((bpp == 3 || bpp == 4) && rowBytes == (size_t)bpp * width &&
                (png_uint_32)(b.srcX + b.w) <= width && (png_uint_32)(b.srcY + b.h) <= height) {
                row = (png_bytep)malloc(rowBytes);
                if (row) {
                    const unsigned endRow = (unsigned)(b.srcY + b.h);
                    for (int pass = 0; pass < passes; ++pass) {
                        for (png_uint_32 r = 0; r < height; ++r) {
                            // Without interlacing nothing below the drawn part is needed.
                            if (passes == 1 && r >= endRow)
                                break;
                            memset(row, 0, rowBytes);
                            png_read_row(png, row, nullptr);
                            if (r < (unsigned)b.srcY || r >= endRow)
                                continue;
                            if (passes > 1 && !PNG_ROW_IN_INTERLACE_PASS(r, pass))
                                continue;
                            PutRow(job, row, bpp, r, passes > 1 ? pass : -1);
                        }
                    }
                    if (passes > 1 || endRow >= height)
                        png_read_end(png, nullptr);
                }
            }
        }
    }
    free(row);
    png_infop infoDone = info;
    png_destroy_read_struct(&png, infoDone ? &infoDone : nullptr, nullptr);
}

} // namespace

void ReadDataFromMem(png_struct_def* png, unsigned char* data, size_t length)
{
    vuPNG* image = (vuPNG*)png_get_io_ptr(png);
    if (!image || length > 0xFFFFFFFFu || image->ReadData(data, (unsigned)length) != 0)
        png_error(png, "read beyond the data");
}

vuPNG::vuPNG(const char* path) : bytes(nullptr), count(0), position(0), bitDepth(0), colorType(0)
{
    unsigned size;
    if (!vuimg::ReadWholeFile(path, &bytes, &size))
        return;
    count = size;
    if (ReadHeader())
        SetFileName(path);
}

vuPNG::vuPNG(const unsigned char* data, unsigned size)
    : bytes(nullptr), count(0), position(0), bitDepth(0), colorType(0)
{
    if (!data || size == 0)
        return;
    bytes = (unsigned char*)malloc(size);
    if (!bytes)
        return;
    memcpy(bytes, data, size);
    count = size;
    ReadHeader();
}

vuPNG::~vuPNG()
{
    free(bytes);
}

bool vuPNG::ReadHeader()
{
    HeaderInfo h;
    position = 0;
    if (!PngHeader(this, &h) || h.width == 0 || h.height == 0 || h.width > kMaxSide || h.height > kMaxSide)
        return false;
    width = (unsigned short)h.width;
    height = (unsigned short)h.height;
    bitDepth = h.bitDepth;
    colorType = h.colorType;
    return true;
}

int vuPNG::ReadData(void* destination, unsigned length)
{
    if (!bytes || position > count || length > count - position)
        return -1;
    memcpy(destination, bytes + position, length);
    position += length;
    return 0;
}

int vuPNG::GetSize() const
{
    long long n = (long long)BaseSize((int)sizeof(vuPNG)) + count;
    return n > 0x7FFFFFFF ? 0x7FFFFFFF : (int)n;
}

int vuPNG::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
                short x, short y, unsigned short w, unsigned short h)
{
    if (!fb)
        return -4;
    DrawJob job;
    if (!bytes || width == 0 || height == 0 || !vuimg::GetTarget(fb, job.t))
        return -5;
    if (!vuimg::ClipToPort(port, srcX, srcY, x, y, w, h, width, height, job.b) ||
        !vuimg::ClipToTarget(job.t, job.b))
        return 0;
    job.keyed = HasTransparentColor();
    job.key = transparentColour;
    PngDraw(this, &job);
    return 0;
}
