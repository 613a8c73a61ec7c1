// Drawing into a 320 x 240 frame: full-screen Fill and Shadow, a screen of
// text in the 6 x 8 and 16 x 24 built-in fonts. Each benchmark reports
// x_memcpy, its time per frame as a multiple of copying one frame with
// memcpy, measured in the same run.
#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "FrameMemcpy.h"
#include "MemScreen.h"
#include "vuFont.h"

namespace {

const unsigned short kW = 320, kH = 240;
// Runs body once per iteration and reports its time against a frame memcpy.
template <typename Body>
void Measure(benchmark::State& state, Body body) { benchframe::Measure(state, kW, kH, body); }

void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<uint16_t> a(kW * kH, 0x1234), b(kW * kH);
    Measure(state, [&] {
        memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    });
}

void BM_Fill(benchmark::State& state) {
    MemScreen fb(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    unsigned short colour = 0;
    Measure(state, [&] {
        fb.Fill(&port, 0, 0, kW, kH, ++colour, 0);
        benchmark::ClobberMemory();
    });
}

void BM_Shadow(benchmark::State& state) {
    MemScreen fb(kW, kH, 0xFFFF);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    Measure(state, [&] {
        fb.Shadow(&port, 0, 0, kW, kH);
        benchmark::ClobberMemory();
    });
}

void BM_TextScreen(benchmark::State& state) {
    MemScreen fb(kW, kH);
    vuViewPort port = {0, 0, kW, kH, 0, 0};
    vuFont* font = fb.GetFont(static_cast<unsigned short>(state.range(0)));
    const unsigned cols = kW / font->GetWidth(), rows = kH / font->GetHeight();
    static const char kLine[] =
        "ИТОГ 1234.56 Чек №17 ОПЛАТА НАЛИЧНЫМИ Сдача 0.00 Total paid, thank you! СМЕНА ОТКРЫТА";
    std::vector<char> line(kLine, kLine + std::min<size_t>(cols, strlen(kLine)));
    line.push_back(0);
    Measure(state, [&] {
        for (unsigned r = 0; r < rows; ++r)
            font->DrawString(&fb, &port, line.data(), 0, 0, 0, 0, static_cast<short>(r * font->GetHeight()), kW,
                             font->GetHeight(), static_cast<unsigned short>(r * 0x0841));
        benchmark::ClobberMemory();
    });
}

}  // namespace

BENCHMARK(BM_MemcpyFrame);
BENCHMARK(BM_Fill);
BENCHMARK(BM_Shadow);
BENCHMARK(BM_TextScreen)->Arg(0)->Arg(2)->ArgName("font");

BENCHMARK_MAIN();
