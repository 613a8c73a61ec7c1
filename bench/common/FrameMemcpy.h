// Drawing benchmarks report their time per frame as a multiple of copying
// one frame of w x h RGB565 pixels with memcpy (counter "x_memcpy"). The
// copy is timed afresh for every benchmark so that both run under the same
// conditions. Header only.
#ifndef BENCH_COMMON_FRAME_MEMCPY_H
#define BENCH_COMMON_FRAME_MEMCPY_H

#include <benchmark/benchmark.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace benchframe {

using Clock = std::chrono::steady_clock;

// Nanoseconds to copy one frame: the best of several rounds.
inline double MemcpyNsPerFrame(unsigned w, unsigned h)
{
    std::vector<uint16_t> a(static_cast<size_t>(w) * h, 0x1234), b(a.size(), 0);
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

// Runs body once per iteration and reports its time against the copy of a
// w x h frame.
template <typename Body>
void Measure(benchmark::State &state, unsigned w, unsigned h, Body body)
{
    const double base = MemcpyNsPerFrame(w, h);
    const auto t0 = Clock::now();
    for (auto _ : state)
        body();
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
    if (state.iterations() > 0)
        state.counters["x_memcpy"] = ns / state.iterations() / base;
}

} // namespace benchframe

#endif
