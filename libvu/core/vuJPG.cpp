#include "vuJPG.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

#include "vuImageIO.h"

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the decode that failed. The functions holding a setjmp
// below keep no C++ objects, so nothing is skipped by the jump.
// libjpeg-turbo decodes to RGB565 itself; with another libjpeg the RGB rows
// are packed here (the same pixels).
#if defined(LIBJPEG_TURBO_VERSION_NUMBER)
#define VU_JPEG_RGB565 1
#else
#define VU_JPEG_RGB565 0
#endif

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

// Hostile files: the decoder may use at most this much working memory, and a
// progressive file at most this many scans.
const long kMaxMemory = 64L * 1024 * 1024;
const int kMaxScans = 500;

void OnError(j_common_ptr cinfo)
{
    JpegError* err = (JpegError*)cinfo->err;
    longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int)
{
    // Warnings (a file cut short inside its scan data among them) are ignored.
}

void OnOutput(j_common_ptr)
{
}

void OnProgress(j_common_ptr cinfo)
{
    j_decompress_ptr d = (j_decompress_ptr)cinfo;
    if (d->progressive_mode && d->input_scan_number > kMaxScans)
        OnError(cinfo);
}

void SetupErrors(jpeg_decompress_struct* cinfo, JpegError* err, jpeg_progress_mgr* progress)
{
    cinfo->err = jpeg_std_error(&err->mgr);
    err->mgr.error_exit = OnError;
    err->mgr.emit_message = OnMessage;
    err->mgr.output_message = OnOutput;
    progress->progress_monitor = OnProgress;
}

// Creates the decompressor over the data (created turns true once it
// exists), reads the header and starts the decompression. Runs under the
// caller's setjmp: a fault jumps back there. False without a whole header.
// rgb: whether the picture decodes to colour (RGB output by default; grey
// and CMYK pictures are not drawn). With toRgb565 a colour picture is
// decoded straight to RGB565 without dithering, which is each channel's top
// bits, the same pixels as packing the RGB output.
bool StartJpeg(jpeg_decompress_struct* cinfo, jpeg_progress_mgr* progress, const unsigned char* data,
               unsigned long size, volatile bool* created, bool* rgb, bool toRgb565)
{
    jpeg_create_decompress(cinfo);
    *created = true;
    cinfo->mem->max_memory_to_use = kMaxMemory;
    cinfo->progress = progress;
    jpeg_mem_src(cinfo, data, size);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    *rgb = cinfo->out_color_space == JCS_RGB;
#if VU_JPEG_RGB565
    if (*rgb && toRgb565) {
        cinfo->out_color_space = JCS_RGB565;
        cinfo->dither_mode = JDITHER_NONE;
    }
#else
    (void)toRgb565;
#endif
    jpeg_start_decompress(cinfo);
    return true;
}

// Reads the header and the output size; 3 components only.
bool JpegSize(const unsigned char* data, unsigned long size, unsigned* w, unsigned* h)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    volatile bool created = false;
    volatile bool ok = false;
    bool rgb = false;
    memset(&cinfo, 0, sizeof cinfo);
    SetupErrors(&cinfo, &err, &progress);
    if (setjmp(err.jump) == 0 && StartJpeg(&cinfo, &progress, data, size, &created, &rgb, false)) {
        if (cinfo.output_components == 3 && cinfo.output_width > 0 && cinfo.output_height > 0 &&
            cinfo.output_width <= 0xFFFF && cinfo.output_height <= 0xFFFF) {
            *w = cinfo.output_width;
            *h = cinfo.output_height;
            ok = true;
        }
        // No row is read: end the decompression without finishing it.
        jpeg_abort_decompress(&cinfo);
    }
    if (created)
        jpeg_destroy_decompress(&cinfo);
    return ok;
}

struct DrawJob {
    vuimg::Target t;
    vuimg::Blit b;
};

// Decodes rows up to the last one drawn and writes the visible part of
// each. A fault in the data ends the decode; what was drawn stays.
void JpegDraw(const unsigned char* data, unsigned long size, const DrawJob* job)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    jpeg_progress_mgr progress;
    volatile bool created = false;
    bool rgb = false;
    memset(&cinfo, 0, sizeof cinfo);
    SetupErrors(&cinfo, &err, &progress);
    if (setjmp(err.jump) == 0 && StartJpeg(&cinfo, &progress, data, size, &created, &rgb, true)) {
        const vuimg::Blit& b = job->b;
        if (rgb && (unsigned)(b.srcX + b.w) <= cinfo.output_width) {
            // Rows of the whole width are decoded straight into the frame
            // buffer; the others, and the rows above the part, into a row of
            // their own.
            const unsigned bytesPerPixel = VU_JPEG_RGB565 ? 2 : 3;
            const bool whole = VU_JPEG_RGB565 && b.srcX == 0 && (unsigned)b.w == cinfo.output_width;
            JSAMPARRAY row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                        cinfo.output_width * bytesPerPixel, 1);
            const unsigned endRow = (unsigned)(b.srcY + b.h);
            while (cinfo.output_scanline < cinfo.output_height) {
                unsigned r = cinfo.output_scanline;
                if (r >= endRow)
                    break;
                unsigned short* out = r < (unsigned)b.srcY ? nullptr : job->t.At(b.x, b.y + (int)(r - b.srcY));
                JSAMPROW into = (out && whole) ? (JSAMPROW)out : row[0];
                if (jpeg_read_scanlines(&cinfo, &into, 1) != 1)
                    break;
                if (!out || whole)
                    continue;
#if VU_JPEG_RGB565
                memcpy(out, row[0] + 2 * b.srcX, (size_t)b.w * 2);
#else
                const JSAMPLE* in = row[0] + 3 * b.srcX;
                for (int k = 0; k < b.w; ++k, in += 3)
                    out[k] = vuimg::Rgb565(in[0], in[1], in[2]);
#endif
            }
        }
        jpeg_abort_decompress(&cinfo);
    }
    if (created)
        jpeg_destroy_decompress(&cinfo);
}

} // namespace

vuJPG::vuJPG(const char* path) : bytes(nullptr), count(0)
{
    unsigned size;
    if (!vuimg::ReadWholeFile(path, &bytes, &size))
        return;
    count = (int)size;
    if (ReadSize())
        SetFileName(path);
}

vuJPG::vuJPG(const unsigned char* data, unsigned size) : bytes(nullptr), count(0)
{
    if (!data || size == 0 || size > 0x7FFFFFFF)
        return;
    bytes = (unsigned char*)malloc(size);
    if (!bytes)
        return;
    memcpy(bytes, data, size);
    count = (int)size;
    ReadSize();
}

vuJPG::~vuJPG()
{
    free(bytes);
}

bool vuJPG::ReadSize()
{
    unsigned w = 0, h = 0;
    if (!JpegSize(bytes, (unsigned long)count, &w, &h))
        return false;
    width = (unsigned short)w;
    height = (unsigned short)h;
    return true;
}

int vuJPG::GetSize() const
{
    return BaseSize((int)sizeof(vuJPG)) + count;
}

int vuJPG::Draw(vuFrameBuffer* fb, vuViewPort* port, unsigned short srcX, unsigned short srcY,
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
    JpegDraw(bytes, (unsigned long)count, &job);
    return 0;
}
