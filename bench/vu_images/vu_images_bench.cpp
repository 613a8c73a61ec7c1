// Drawing pictures into a 320 x 240 frame, each figure against its own
// baseline measured in the same run (medians of interleaved rounds):
//   JPEG drawing against libjpeg-turbo decoding the same file to RGB565
//     (its own RGB565 output, no dithering: the toolkit's pixels);
//   PNG drawing against libpng reading the same file's rows and packing them
//     to RGB565;
//   the toolkit's GIF decoder against Debian's giflib decoding the same
//     frame from memory (giflib is linked here only, as the reference; both
//     are checked first to decode the same pixels);
//   B16, PNG with alpha and a 3-frame GIF as it animates, against a memcpy
//     of one frame.
#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <stdio.h>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <setjmp.h>

#include <algorithm>
#include <functional>
#include <chrono>
#include <string>
#include <vector>

#include "Interleaved.h"
#include "MemScreen.h"
#include "image_fixtures.h"
#include "vuGIF.h"
#include "vuImage.h"
#include "vuUI.h"

using namespace imgtest;

namespace {

const unsigned short kW = 320, kH = 240;
// A photo-like scene: smooth gradients, a few shapes and some noise.
std::vector<Rgb8> Scene()
{
    std::vector<Rgb8> px;
    uint32_t seed = 1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int noise = (int)(seed >> 28) - 8;
            int r = x * 255 / kW, g = y * 255 / kH, b = 128 + ((x - 160) * (y - 120)) / 200;
            if ((x - 100) * (x - 100) + (y - 90) * (y - 90) < 2500)
                r = 250, g = 200, b = 40;
            if (x > 200 && x < 300 && y > 140 && y < 220)
                r = 30, g = 60, b = 200;
            auto clamp = [](int v) { return (uint8_t)std::max(0, std::min(255, v)); };
            px.push_back(Rgb8{clamp(r + noise), clamp(g + noise), clamp(b + noise)});
        }
    return px;
}

struct Pictures {
    std::vector<uint8_t> b16, b16Keyed, jpg, pngRgb, pngRgba, gif;
};

// The GIF's path on the stand-in terminal (GIF pictures load from files).
const char* const kGifPath = "/anim.gif";

// 256-colour picture of the scene for GIF: 3 bits red, 3 green, 2 blue.
uint8_t Index332(const Rgb8& c)
{
    return (uint8_t)((c.r & 0xE0) | ((c.g & 0xE0) >> 3) | (c.b >> 6));
}

const Pictures& Pics()
{
    static Pictures p;
    if (!p.b16.empty())
        return p;
    auto scene = Scene();
    std::vector<uint16_t> px;
    for (const Rgb8& c : scene)
        px.push_back(Rgb(c.r, c.g, c.b));
    p.b16 = MakeB16(kW, kH, px);
    p.b16Keyed = MakeB16(kW, kH, px, true, Rgb(30, 60, 200)); // the rectangle is a hole
    p.jpg = MakeJpeg(kW, kH, scene, 85);
    PngSpec rgb;
    rgb.width = kW;
    rgb.height = kH;
    rgb.colorType = PNG_COLOR_TYPE_RGB;
    rgb.chunkSize = 8192;
    PngSpec rgba = rgb;
    rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (size_t i = 0; i < scene.size(); ++i) {
        const Rgb8& c = scene[i];
        rgb.rows.insert(rgb.rows.end(), {c.r, c.g, c.b});
        rgba.rows.insert(rgba.rows.end(), {c.r, c.g, c.b, (uint8_t)((i % kW) < 40 ? 0 : 255)});
    }
    p.pngRgb = MakePng(rgb);
    p.pngRgba = MakePng(rgba);

    // Three whole-picture frames, the later ones laid over the earlier
    // (disposal 1), each shifted a little.
    GifSpec g;
    g.width = kW;
    g.height = kH;
    for (int i = 0; i < 256; ++i)
        g.globalPalette.push_back(Rgb8{(uint8_t)(i & 0xE0), (uint8_t)((i << 3) & 0xE0), (uint8_t)((i << 6) & 0xC0)});
    for (int k = 0; k < 3; ++k) {
        GifFrame f;
        f.width = kW;
        f.height = kH;
        f.control = true;
        f.disposal = 1;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                f.indexes.push_back(Index332(scene[(size_t)y * kW + (x + 7 * k) % kW]));
        g.frames.push_back(f);
    }
    p.gif = MakeGif(g);
    return p;
}

// The animation counter lives in the UI singleton: start one over a
// stand-in screen in a scratch terminal root.
bool StartUI()
{
    static bool started = false;
    if (started)
        return vuUI::GetUI() != nullptr;
    started = true;
    char dir[] = "/dev/shm/vu_images_bench_root_XXXXXX";
    if (!mkdtemp(dir))
        return false;
    std::string root = dir;
    setenv("TERMINAL_ROOT", dir, 1);
    setenv("TERMINAL_FB_XRES", "320", 1);
    setenv("TERMINAL_FB_YRES", "240", 1);
    setenv("TERMINAL_FB_BPP", "16", 1);
    mkdir((root + "/dev").c_str(), 0777);
    mkdir((root + "/dev/graphics").c_str(), 0777);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0 || ftruncate(fd, kW * kH * 2) != 0)
        return false;
    close(fd);
    mkfifo((root + "/dev/keypad").c_str(), 0666);
    mkfifo((root + "/dev/tp").c_str(), 0666);
    const std::vector<uint8_t>& gif = Pics().gif;
    FILE* f = fopen((root + kGifPath).c_str(), "wb");
    if (!f || fwrite(gif.data(), 1, gif.size(), f) != gif.size())
        return false;
    fclose(f);
    static std::string cleanup;
    cleanup = root;
    atexit([] {
        vuUI::Done();
        (void)!system(("rm -rf '" + cleanup + "'").c_str());
    });
    return vuUI::Init(VU_UI_CALLER_THREAD) != nullptr;
}

// ---- GIF decoding: the toolkit's decoder against giflib -----------------

struct MemReader {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n)
{
    MemReader* r = (MemReader*)gif->UserData;
    size_t left = r->bytes->size() - r->pos;
    size_t k = std::min<size_t>(left, (size_t)n);
    memcpy(out, r->bytes->data() + r->pos, k);
    r->pos += k;
    return (int)k;
}

// Decodes the first frame with giflib, row by row, into the frame buffer
// through the palette, as the toolkit does. False on any giflib error.
bool GiflibFirstFrame(const std::vector<uint8_t>& bytes, uint16_t* fb, std::vector<GifPixelType>& line)
{
    MemReader r{&bytes, 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&r, ReadGif, &err);
    if (!gif)
        return false;
    bool ok = false;
    GifRecordType type;
    while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
        if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* ext;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK)
                break;
            while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK && ext) {
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK)
            break;
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        uint16_t pal[256];
        for (int i = 0; i < 256; ++i) {
            const GifColorType& c = map->Colors[i % map->ColorCount];
            pal[i] = Rgb(c.Red, c.Green, c.Blue);
        }
        const int w = gif->Image.Width, h = gif->Image.Height;
        line.resize((size_t)w);
        ok = true;
        for (int y = 0; y < h && ok; ++y) {
            ok = DGifGetLine(gif, line.data(), w) == GIF_OK;
            uint16_t* row = fb + (size_t)y * kW;
            for (int x = 0; x < w; ++x)
                row[x] = pal[line[x]];
        }
        break;
    }
    DGifCloseFile(gif, &err);
    return ok;
}

// ---- the libraries' own decodes ---------------------------------------------

struct JpegFail {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

// libjpeg-turbo's fastest way to the toolkit's pixels: RGB565 output without
// dithering, whole rows straight into the frame. False on an error.
bool LibjpegRgb565(const std::vector<uint8_t>& bytes, uint16_t* fb)
{
    jpeg_decompress_struct cinfo;
    JpegFail fail;
    cinfo.err = jpeg_std_error(&fail.mgr);
    fail.mgr.error_exit = [](j_common_ptr c) { longjmp(((JpegFail*)c->err)->jump, 1); };
    if (setjmp(fail.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB565;
    cinfo.dither_mode = JDITHER_NONE;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = (JSAMPROW)(fb + (size_t)cinfo.output_scanline * kW);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct PngMem {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

// libpng reading the rows of an 8-bit RGB file from memory, each packed to
// RGB565 into the frame. False on an error.
bool LibpngRows(const std::vector<uint8_t>& bytes, uint16_t* fb, std::vector<uint8_t>& row)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngMem mem{&bytes, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &mem, [](png_structp p, png_bytep out, png_size_t n) {
        PngMem* m = (PngMem*)png_get_io_ptr(p);
        if (m->bytes->size() - m->pos < n)
            png_error(p, "short");
        memcpy(out, m->bytes->data() + m->pos, n);
        m->pos += n;
    });
    png_read_info(png, info);
    const unsigned w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    row.resize((size_t)w * 3);
    for (unsigned y = 0; y < h; ++y) {
        png_read_row(png, row.data(), nullptr);
        uint16_t* out = fb + (size_t)y * kW;
        const uint8_t* in = row.data();
        for (unsigned x = 0; x < w; ++x, in += 3)
            out[x] = Rgb(in[0], in[1], in[2]);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

int main()
{
    const Pictures& p = Pics();
    if (!StartUI()) {
        fprintf(stderr, "no UI singleton\n");
        return 1;
    }
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    struct Loaded {
        const char* name;
        const std::vector<uint8_t>* bytes;
        const char* ext;
        vuImage* img;
    } pics[] = {{"JPEG", &p.jpg, "jpg", nullptr},        {"PNG RGB", &p.pngRgb, "png", nullptr},
                {"PNG RGBA", &p.pngRgba, "png", nullptr}, {"B16", &p.b16, "b16", nullptr},
                {"B16 with a transparent colour", &p.b16Keyed, "b16", nullptr}};
    for (Loaded& l : pics) {
        l.img = vuImage::CreateFromData(l.bytes->data(), (unsigned)l.bytes->size(), l.ext);
        if (!l.img) {
            fprintf(stderr, "%s did not load\n", l.name);
            return 1;
        }
    }
    vuImage* gif = vuImage::CreateFromFile(kGifPath);
    if (!gif) {
        fprintf(stderr, "the GIF did not load\n");
        return 1;
    }

    // The baselines must make the very pixels the toolkit draws.
    MemScreen fb(kW, kH), lib(kW, kH);
    std::vector<uint8_t> pngRow;
    std::vector<GifPixelType> gifLine;
    vuUI::GetUI()->animationCount = 0;
    struct Same {
        const char* what;
        vuImage* img;
        std::function<bool()> library;
    } checks[] = {
        {"JPEG", pics[0].img, [&] { return LibjpegRgb565(p.jpg, lib.GetFrameBuffer()); }},
        {"PNG", pics[1].img, [&] { return LibpngRows(p.pngRgb, lib.GetFrameBuffer(), pngRow); }},
        {"GIF", gif, [&] { return GiflibFirstFrame(p.gif, lib.GetFrameBuffer(), gifLine); }},
    };
    for (const Same& c : checks) {
        fb.Paint(0);
        lib.Paint(0);
        if (c.img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH) != 0 || !c.library() || fb.Pixels() != lib.Pixels()) {
            fprintf(stderr, "%s: the toolkit and the library do not draw the same pixels\n", c.what);
            return 1;
        }
    }

    std::vector<uint16_t> a(kW * kH, 0x1234), b(kW * kH);
    int failures = 0;
    benchfig::Race race;
    const int frame = race.Add("memcpy of a frame", [&] { memcpy(b.data(), a.data(), a.size() * 2); });
    int drawn[5];
    for (int i = 0; i < 5; ++i)
        drawn[i] = race.Add(std::string(pics[i].name) + " drawn",
                            [&, i] { failures += pics[i].img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH) != 0; });
    const int jpegLib = race.Add("libjpeg-turbo to RGB565", [&] { failures += !LibjpegRgb565(p.jpg, lib.GetFrameBuffer()); });
    const int pngLib = race.Add("libpng rows to RGB565",
                                [&] { failures += !LibpngRows(p.pngRgb, lib.GetFrameBuffer(), pngRow); });
    const int gifOwn = race.Add("GIF frame, own decoder", [&] {
        vuUI::GetUI()->animationCount = 0;
        failures += gif->Draw(&fb, &port, 0, 0, 0, 0, kW, kH) != 0;
    });
    const int gifLib = race.Add("GIF frame, giflib",
                                [&] { failures += !GiflibFirstFrame(p.gif, lib.GetFrameBuffer(), gifLine); });
    uint16_t step = 0;
    const int gifAnim = race.Add("GIF animation step", [&] {
        vuUI::GetUI()->animationCount = step++ % 3;
        failures += gif->Draw(&fb, &port, 0, 0, 0, 0, kW, kH) != 0;
    });
    race.Run();
    vuUI::GetUI()->animationCount = 0;
    if (failures) {
        fprintf(stderr, "%d drawings failed\n", failures);
        return 1;
    }
    race.Report("JPEG drawing / libjpeg-turbo RGB565 decode", drawn[0], jpegLib);
    race.Report("PNG drawing / libpng rows to RGB565", drawn[1], pngLib);
    race.Report("GIF decoder / giflib", gifOwn, gifLib);
    for (int i = 2; i < 5; ++i)
        race.Report(std::string(pics[i].name) + " drawing / memcpy of a frame", drawn[i], frame);
    race.Report("GIF animation step / memcpy of a frame", gifAnim, frame);
    for (Loaded& l : pics)
        vuImage::Destroy(l.img);
    vuImage::Destroy(gif);
    return 0;
}
