// Drawing fixture for the widget tests: a real Prolin frame buffer (back
// buffer only) painted with a sentinel colour, a VFN font whose glyphs are
// solid blocks (so every text is an exact box of cells), and helpers that
// find the pixels of one colour. A failing drawing test leaves a PNG of the
// frame buffer in the temporary folder as its artefact.
#ifndef TESTS_VU_WIDGETS1_WIDGET_FIXTURE_H
#define TESTS_VU_WIDGETS1_WIDGET_FIXTURE_H

#include <gtest/gtest.h>

#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "vuImage.h"
#include "vuPaxProlinFrameBuffer.h"
#include "vuViewPort.h"

namespace w1 {

// Distinct colours per role.
enum : uint16_t {
    SENTINEL = 0x1234,
    FRONT = 0xF800,
    BACK = 0x07E0,
    AFRONT = 0x001F,
    ABACK = 0xFFE0,
    HFRONT = 0xF81F,
    HBACK = 0x07FF,
};

struct Box {
    int x0, y0, x1, y1; // inclusive; x0 > x1 when empty
    int w() const { return x1 - x0 + 1; }
    int h() const { return y1 - y0 + 1; }
    bool empty() const { return x0 > x1; }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b)
{
    return os << "(" << b.x0 << "," << b.y0 << ")-(" << b.x1 << "," << b.y1 << ")";
}

// A B16 picture of w x h in one colour.
inline vuImage* b16(unsigned w, unsigned h, uint16_t colour)
{
    std::vector<unsigned char> d(54 + w * h * 2, 0);
    d[10] = 54;
    d[18] = static_cast<unsigned char>(w);
    d[22] = static_cast<unsigned char>(h);
    for (unsigned i = 0; i < w * h; ++i) {
        d[54 + 2 * i] = static_cast<unsigned char>(colour & 0xFF);
        d[55 + 2 * i] = static_cast<unsigned char>(colour >> 8);
    }
    return vuImage::CreateFromData(d.data(), static_cast<unsigned>(d.size()), "b16");
}

// Writes a VFN file whose 256 glyphs are solid cells of w x h under the
// terminal root and returns its terminal path (font files are opened through
// the terminal's path mapping).
inline std::string writeBlockFont(const std::string& root, int w, int h)
{
    mkdir((root + "/data").c_str(), 0777);
    std::string path = root + "/data/block.vfn";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return "";
    fprintf(f, "00256\r\n%02d\r\n%02d\r\n\x1a", h, w);
    int bands = (h + 7) / 8;
    for (int i = 0; i < 256 * w * bands; ++i)
        fputc(0xFF, f);
    fclose(f);
    return "/data/block.vfn";
}

inline bool writePng(const std::string& path, const uint16_t* px, int w, int h)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::string row(static_cast<size_t>(w) * 3, '\0');
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint16_t p = px[y * w + x];
            row[x * 3] = static_cast<char>(((p >> 11) & 0x1F) << 3);
            row[x * 3 + 1] = static_cast<char>(((p >> 5) & 0x3F) << 2);
            row[x * 3 + 2] = static_cast<char>((p & 0x1F) << 3);
        }
        png_write_row(png, reinterpret_cast<png_const_bytep>(row.data()));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return true;
}

// Bounding box of the pixels of colour c inside (x0, y0)-(x1, y1) of a
// 16-bit picture of w x h; empty ((w, h)-(-1, -1)) when there is none.
inline Box boundingBox(const uint16_t* px, int w, int h, uint16_t c, int x0, int y0, int x1, int y1)
{
    Box b{w, h, -1, -1};
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (px[y * w + x] == c) {
                b.x0 = std::min(b.x0, x);
                b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x);
                b.y1 = std::max(b.y1, y);
            }
    return b;
}

class Canvas {
public:
    Canvas(int w, int h) : fb(static_cast<unsigned short>(w), static_cast<unsigned short>(h)), W(w), H(h)
    {
        clear();
    }

    void clear(uint16_t c = SENTINEL)
    {
        vuViewPort all = whole();
        fb.Fill(&all, 0, 0, static_cast<unsigned short>(W), static_cast<unsigned short>(H), c, 0);
    }

    vuViewPort whole() const
    {
        return vuViewPort{0, 0, static_cast<uint16_t>(W), static_cast<uint16_t>(H), 0, 0};
    }

    uint16_t at(int x, int y) { return fb.GetFrameBuffer()[y * W + x]; }

    // Bounding box of every pixel of colour c.
    Box box(uint16_t c) { return boundingBox(fb.GetFrameBuffer(), W, H, c, 0, 0, W - 1, H - 1); }

    int count(uint16_t c)
    {
        int n = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                n += at(x, y) == c;
        return n;
    }

    // True when every pixel outside the rectangle still has the sentinel.
    bool untouchedOutside(int x, int y, int w, int h)
    {
        for (int py = 0; py < H; ++py)
            for (int px = 0; px < W; ++px) {
                bool inside = px >= x && px < x + w && py >= y && py < y + h;
                if (!inside && at(px, py) != SENTINEL)
                    return false;
            }
        return true;
    }

    // A row of the canvas as characters: '.' sentinel, letters per colour.
    std::string row(int y, int x0, int x1)
    {
        std::string s;
        for (int x = x0; x <= x1; ++x)
            s += symbol(at(x, y));
        return s;
    }

    std::string column(int x, int y0, int y1)
    {
        std::string s;
        for (int y = y0; y <= y1; ++y)
            s += symbol(at(x, y));
        return s;
    }

    static char symbol(uint16_t c)
    {
        switch (c) {
        case SENTINEL: return '.';
        case FRONT: return 'F';
        case BACK: return 'B';
        case AFRONT: return 'f';
        case ABACK: return 'b';
        case HFRONT: return 'H';
        case HBACK: return 'h';
        default: return '?';
        }
    }

    bool png(const std::string& path) { return writePng(path, fb.GetFrameBuffer(), W, H); }

    vuPaxProlinFrameBuffer fb;
    int W, H;
};

// A temporary folder, removed afterwards; TERMINAL_ROOT points at it so the
// system properties the widgets read live there too.
class TempRoot {
public:
    TempRoot()
    {
        char tmpl[] = "/tmp/vu_widgets1_XXXXXX";
        if (mkdtemp(tmpl))
            path = tmpl;
        setenv("TERMINAL_ROOT", path.c_str(), 1);
    }
    ~TempRoot()
    {
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + path + "'";
        if (!path.empty() && system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    std::string path;
};

// Test base: a canvas with a block font of 4 x 6 cells in slot 1 (the
// widgets' default font slot) and slot 6. A failing test saves the canvas.
class DrawTest : public ::testing::Test {
protected:
    static constexpr int CW = 4, CH = 6;

    DrawTest() : canvas(120, 80) {}

    void SetUp() override
    {
        std::string font = writeBlockFont(root.path, CW, CH);
        ASSERT_EQ(canvas.fb.SetFont(1, font.c_str()), 0);
        ASSERT_EQ(canvas.fb.SetFont(6, font.c_str()), 0);
    }

    void TearDown() override
    {
        if (HasFailure()) {
            const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = std::string(t->test_suite_name()) + "." + t->name();
            for (char& c : name)
                if (c == '/')
                    c = '_';
            std::string out = "/tmp/" + name + ".png";
            if (canvas.png(out))
                fprintf(stderr, "canvas saved to %s\n", out.c_str());
        }
    }

    TempRoot root;
    Canvas canvas;
    vuFrameBuffer* fb() { return &canvas.fb; }
};

} // namespace w1

#endif
