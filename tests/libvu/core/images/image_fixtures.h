// Test helpers for pictures: a frame buffer over plain memory, and encoders
// that build picture files in code (B16 and BMP byte by byte, GIF with a
// small LZW encoder, JPEG and PNG through libjpeg and libpng).
#ifndef TESTS_VU_IMAGES_IMAGE_FIXTURES_H
#define TESTS_VU_IMAGES_IMAGE_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "vuFrameBuffer.h"
#include "vuViewPort.h"

namespace imgtest {

// The colour a picture is drawn over in the tests: none of the pictures'
// own colours, so that a pixel left alone shows.
const uint16_t kPaper = 0x0841;

// A frame buffer whose pixel memory is exactly pitch x height pixels of the
// heap, so that any write outside it shows under AddressSanitizer.
class MemFrameBuffer : public vuFrameBuffer {
public:
    MemFrameBuffer(unsigned short w, unsigned short h, unsigned short pitch = 0, uint16_t fill = 0);
    ~MemFrameBuffer() override;

    int ToScreen() override { return 0; }
    int ToScreen(unsigned short, unsigned short) override { return 0; }
    int ToScreen(unsigned short, unsigned short, unsigned short, unsigned short) override { return 0; }
    int Line(vuViewPort* port, short x1, short y1, short x2, short y2, unsigned short c,
             unsigned short style) override
    {
        return MemLine(port, x1, y1, x2, y2, c, style);
    }
    int Fill(vuViewPort* port, short x, short y, unsigned short w, unsigned short h, unsigned short c,
             unsigned short) override
    {
        return MemFill(port, x, y, w, h, c);
    }
    int Shadow(vuViewPort* port, short x, short y, unsigned short w, unsigned short h) override
    {
        return MemShadow(port, x, y, w, h);
    }
    int Border(vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
               unsigned short c) override
    {
        return MemBorder(port, x, y, w, h, c);
    }

    uint16_t At(int x, int y) const { return mem[(size_t)y * pitch + x]; }
    void Clear(uint16_t c);
    // Drops the pixel memory (for the "no pixel memory" results).
    void DropMemory() { frameBuffer = nullptr; }
    // A port covering the whole frame buffer.
    vuViewPort* Port() { return &port; }

    unsigned short pitch;

private:
    uint16_t* mem;
    vuViewPort port;
};

inline uint16_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return (uint16_t)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

struct Rgb8 {
    uint8_t r, g, b;
};

// ---- B16 and BMP -------------------------------------------------------

// A B16 file of w x h pixels (row-major, top row first).
std::vector<uint8_t> MakeB16(unsigned w, unsigned h, const std::vector<uint16_t>& pixels,
                             bool transparent = false, uint16_t key = 0, uint16_t dataOffset = 54);

// A BMP file. bpp 1..8 take palette indexes, 24 takes Rgb8 colours via
// 'colours'. Rows are given top row first; topDown stores them so.
struct BmpSpec {
    int width = 0;
    int height = 0; // magnitude
    int bpp = 8;
    bool topDown = false;
    std::vector<Rgb8> palette;           // written as is
    uint32_t coloursUsed = 0;            // field at 46
    std::vector<uint8_t> indexes;        // width x height, for bpp <= 8
    std::vector<Rgb8> colours;           // width x height, for bpp 24
    uint32_t compression = 0;
    bool padLastRow = true;
};
std::vector<uint8_t> MakeBmp(const BmpSpec& s);

// ---- GIF ----------------------------------------------------------------

// LZW-encodes pixel indexes as GIF does. clearWhenFull: emit a clear code
// when the dictionary is full (otherwise keep going with it frozen).
std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indexes, int minCodeSize, bool clearWhenFull = true);
// Splits bytes into data sub-blocks with the closing zero length.
std::vector<uint8_t> SubBlocks(const std::vector<uint8_t>& bytes);

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> indexes; // rows top first, picture order
    std::vector<Rgb8> localPalette; // size a power of two, 2..256; empty: none
    bool interlaced = false;
    bool control = false; // write a graphic control block
    int disposal = 0;
    bool transparent = false;
    uint8_t transparentIndex = 0;
    int minCodeSize = -1; // -1: chosen from the palette size
    std::vector<uint8_t> rawData; // replaces the encoded sub-blocks when set
};
struct GifSpec {
    int width = 0, height = 0;
    std::vector<Rgb8> globalPalette; // size a power of two; empty: none
    std::vector<GifFrame> frames;
    bool comment = false; // a comment extension before the first frame
};
std::vector<uint8_t> MakeGif(const GifSpec& s);

// ---- JPEG and PNG -------------------------------------------------------

std::vector<uint8_t> MakeJpeg(int w, int h, const std::vector<Rgb8>& pixels, int quality = 95, bool grey = false,
                              bool progressive = false);

struct PngSpec {
    int width = 0, height = 0;
    int colorType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint8_t> rows; // packed row data as libpng takes it, rows top first
    std::vector<Rgb8> palette;
    std::vector<uint8_t> trns;
    // Bytes per IDAT chunk, small so that a cut leaves whole chunks before it.
    int chunkSize = 256;
};
std::vector<uint8_t> MakePng(const PngSpec& s);

// ---- files ----------------------------------------------------------------

// A temporary folder removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string Path(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

} // namespace imgtest

#endif
