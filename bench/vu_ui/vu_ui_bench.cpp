// One whole-screen redraw of a form with a background picture and a status
// line, copied to the screen: its time per frame as a multiple of copying
// one frame with memcpy (x_memcpy), measured in the same run.
// Run from a Release build: build/release/bench/vu_ui/vu_ui_bench
#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "ui_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

// Nanoseconds to copy one frame: the best of several rounds.
double MemcpyNsPerFrame()
{
    static std::vector<uint16_t> a(UiScene::kW * UiScene::kH, 0x1234), b(UiScene::kW * UiScene::kH, 0);
    double best = 1e30;
    for (int round = 0; round < 9; ++round) {
        const int copies = 300;
        const auto t0 = Clock::now();
        for (int i = 0; i < copies; ++i) {
            memcpy(b.data(), a.data(), a.size() * 2);
            benchmark::DoNotOptimize(b.data());
            benchmark::ClobberMemory();
        }
        best = std::min(best, std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / copies);
    }
    return best;
}

void BM_MemcpyFrame(benchmark::State &state)
{
    std::vector<uint16_t> a(UiScene::kW * UiScene::kH, 0x1234), b(UiScene::kW * UiScene::kH);
    const double base = MemcpyNsPerFrame();
    const auto t0 = Clock::now();
    for (auto _ : state) {
        memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    if (state.iterations() > 0)
        state.counters["x_memcpy"] = ns / state.iterations() / base;
}

void BM_ScreenRedraw(benchmark::State &state)
{
    UiScene scene;
    if (!scene.Open()) {
        scene.Close();
        state.SkipWithError("could not build the screen");
        return;
    }
    const double base = MemcpyNsPerFrame();
    int result = 0;
    const auto t0 = Clock::now();
    for (auto _ : state) {
        result |= scene.Redraw();
        benchmark::ClobberMemory();
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    if (state.iterations() > 0)
        state.counters["x_memcpy"] = ns / state.iterations() / base;
    scene.Close();
    if (result != 0)
        state.SkipWithError("a redraw failed");
}

BENCHMARK(BM_MemcpyFrame);
BENCHMARK(BM_ScreenRedraw);

} // namespace

BENCHMARK_MAIN();
