// Drawing pictures into a 320 x 240 frame: B16 (opaque and with a
// transparent colour), JPEG, PNG (RGB and RGBA) and a 3-frame GIF as it
// animates. Each reports x_memcpy, its time per drawn frame as a multiple of
// copying one frame with memcpy, measured in the same run.
//
// GIF decoding is also compared with Debian's giflib, which is used here only
// as the reference (the toolkit has its own decoder); the comparison checks
// first that both decode the same pixels.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "FrameMemcpy.h"
#include "MemScreen.h"
#include "image_fixtures.h"
#include "vuGIF.h"
#include "vuImage.h"
#include "vuUI.h"

using namespace imgtest;

namespace {

const unsigned short kW = 320, kH = 240;
// Runs body once per iteration and reports its time against a frame memcpy.
template <typename Body>
void Measure(benchmark::State& state, Body body)
{
    benchframe::Measure(state, kW, kH, body);
}

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

void DrawBench(benchmark::State& state, const std::vector<uint8_t>& bytes, const char* ext)
{
    MemScreen fb(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    vuImage* img = vuImage::CreateFromData(bytes.data(), (unsigned)bytes.size(), ext);
    if (!img) {
        state.SkipWithError("picture did not load");
        return;
    }
    Measure(state, [&] {
        img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    });
    vuImage::Destroy(img);
}

void BM_MemcpyFrame(benchmark::State& state)
{
    std::vector<uint16_t> a(kW * kH, 0x1234), b(kW * kH);
    Measure(state, [&] {
        memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    });
}

void BM_B16Opaque(benchmark::State& state) { DrawBench(state, Pics().b16, "b16"); }
void BM_B16Transparent(benchmark::State& state) { DrawBench(state, Pics().b16Keyed, "b16"); }
void BM_JPEG(benchmark::State& state) { DrawBench(state, Pics().jpg, "jpg"); }
void BM_PNG_RGB(benchmark::State& state) { DrawBench(state, Pics().pngRgb, "png"); }
void BM_PNG_RGBA(benchmark::State& state) { DrawBench(state, Pics().pngRgba, "png"); }

// The animation counter lives in the UI singleton: start one over a
// stand-in screen in a scratch terminal root.
bool StartUI()
{
    static bool started = false;
    if (started)
        return vuUI::GetUI() != nullptr;
    started = true;
    char dir[] = "/tmp/vu_images_bench_root_XXXXXX";
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

// One draw per animation step, the counter going round the three frames: the
// later frames draw the earlier ones under them, so a draw decodes two
// frames on average.
void BM_GIF3Frames(benchmark::State& state)
{
    if (!StartUI()) {
        state.SkipWithError("no UI singleton");
        return;
    }
    vuImage* img = vuImage::CreateFromFile(kGifPath);
    if (!img) {
        state.SkipWithError("picture did not load");
        return;
    }
    MemScreen fb(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    uint16_t step = 0;
    Measure(state, [&] {
        vuUI::GetUI()->animationCount = step++ % 3;
        img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    });
    vuUI::GetUI()->animationCount = 0;
    vuImage::Destroy(img);
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

// The first frame alone (counter 0): decoded by the toolkit.
void BM_GIFDecode_Toolkit(benchmark::State& state)
{
    const Pictures& p = Pics();
    if (!StartUI())
        return state.SkipWithError("no UI singleton");
    vuImage* img = vuImage::CreateFromFile(kGifPath);
    MemScreen fb(kW, kH), ref(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    std::vector<GifPixelType> line;
    vuUI::GetUI()->animationCount = 0;
    if (!img || !GiflibFirstFrame(p.gif, ref.GetFrameBuffer(), line))
        return state.SkipWithError("picture did not load");
    img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH);
    if (fb.Pixels() != ref.Pixels())
        return state.SkipWithError("the toolkit and giflib decode different pixels");
    Measure(state, [&] {
        img->Draw(&fb, &port, 0, 0, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    });
    state.SetLabel("own LZW decoder");
    vuImage::Destroy(img);
}

// The same frame decoded by Debian's giflib (reference only).
void BM_GIFDecode_Giflib(benchmark::State& state)
{
    const Pictures& p = Pics();
    MemScreen fb(kW, kH);
    std::vector<GifPixelType> line;
    Measure(state, [&] {
        if (!GiflibFirstFrame(p.gif, fb.GetFrameBuffer(), line))
            state.SkipWithError("giflib failed");
        benchmark::ClobberMemory();
    });
    state.SetLabel("Debian giflib " + std::to_string(GIFLIB_MAJOR) + "." + std::to_string(GIFLIB_MINOR) +
                   ", benchmark reference only");
}

} // namespace

BENCHMARK(BM_MemcpyFrame);
BENCHMARK(BM_B16Opaque);
BENCHMARK(BM_B16Transparent);
BENCHMARK(BM_JPEG);
BENCHMARK(BM_PNG_RGB);
BENCHMARK(BM_PNG_RGBA);
BENCHMARK(BM_GIF3Frames);
BENCHMARK(BM_GIFDecode_Toolkit);
BENCHMARK(BM_GIFDecode_Giflib);

int main(int argc, char** argv)
{
    printf("Picture drawing, 320 x 240. GIF decoding is compared with Debian's giflib,\n"
           "linked into this benchmark only as a reference; the toolkit does not use it.\n");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
