// One whole-screen redraw of a form with a background picture and a status
// line, copied to the screen: its time per frame as a multiple of copying
// one frame with memcpy (x_memcpy), measured in the same run.
// Run from a Release build: build/release/bench/vu_ui/vu_ui_bench
#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "FrameMemcpy.h"
#include "ui_scene.h"

namespace {

void BM_MemcpyFrame(benchmark::State &state)
{
    std::vector<uint16_t> a(UiScene::kW * UiScene::kH, 0x1234), b(UiScene::kW * UiScene::kH);
    benchframe::Measure(state, UiScene::kW, UiScene::kH, [&] {
        memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    });
}

void BM_ScreenRedraw(benchmark::State &state)
{
    UiScene scene;
    if (!scene.Open()) {
        scene.Close();
        state.SkipWithError("could not build the screen");
        return;
    }
    int result = 0;
    benchframe::Measure(state, UiScene::kW, UiScene::kH, [&] {
        result |= scene.Redraw();
        benchmark::ClobberMemory();
    });
    scene.Close();
    if (result != 0)
        state.SkipWithError("a redraw failed");
}

BENCHMARK(BM_MemcpyFrame);
BENCHMARK(BM_ScreenRedraw);

} // namespace

BENCHMARK_MAIN();
