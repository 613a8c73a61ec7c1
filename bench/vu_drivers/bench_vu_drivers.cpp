// Copies of the back buffer to the screen (a frame-buffer file of a
// temporary terminal root, mapped as on the terminal), straight and rotated,
// each reported as a ratio to a memcpy of one frame measured in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "osal.h"
#include "vuPaxProlinFrameBuffer.h"

namespace {

const unsigned kXres = 240, kYres = 320;
const size_t kFrameBytes = static_cast<size_t>(kXres) * kYres * 2;

using Clock = std::chrono::steady_clock;

// Nanoseconds of one memcpy of a frame: the best of several rounds.
double frameCopyNs()
{
    static double ns = [] {
        std::vector<uint16_t> a(kFrameBytes / 2, 0x1234), b(kFrameBytes / 2);
        double best = 1e30;
        for (int round = 0; round < 20; ++round) {
            const int n = 200;
            auto t0 = Clock::now();
            for (int i = 0; i < n; ++i) {
                std::memcpy(b.data(), a.data(), kFrameBytes);
                benchmark::ClobberMemory();
            }
            double each = std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / n;
            best = std::min(best, each);
        }
        return best;
    }();
    return ns;
}

// A terminal root with a screen of kXres x kYres and the given rotation.
class Terminal {
public:
    explicit Terminal(unsigned rotate)
    {
        char tmpl[] = "/tmp/bench_vu_drivers_XXXXXX";
        if (mkdtemp(tmpl))
            root_ = tmpl;
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        mkdir((root_ + "/dev").c_str(), 0777);
        mkdir((root_ + "/dev/graphics").c_str(), 0777);
        int fd = open((root_ + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT, 0666);
        if (fd >= 0) {
            if (ftruncate(fd, static_cast<off_t>(kFrameBytes)) != 0)
                root_.clear();
            close(fd);
        }
        OsRegSetValue("osal.fb.xres", std::to_string(kXres).c_str());
        OsRegSetValue("osal.fb.yres", std::to_string(kYres).c_str());
        OsRegSetValue("ro.fac.lcd.rotate", std::to_string(rotate).c_str());
    }
    ~Terminal()
    {
        vuPaxProlinFrameBuffer::CloseDevice();
        if (!root_.empty()) {
            std::string cmd = "rm -rf '" + root_ + "'";
            if (system(cmd.c_str()) != 0)
                std::fprintf(stderr, "could not remove %s\n", root_.c_str());
        }
        unsetenv("TERMINAL_ROOT");
    }

private:
    std::string root_;
};

void BM_FrameMemcpy(benchmark::State &state)
{
    std::vector<uint16_t> a(kFrameBytes / 2, 0x1234), b(kFrameBytes / 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), kFrameBytes);
        benchmark::ClobberMemory();
    }
    state.counters["ratio"] = 1.0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}

void BM_ToScreen(benchmark::State &state)
{
    const unsigned rotate = static_cast<unsigned>(state.range(0));
    const double memcpyNs = frameCopyNs();
    Terminal terminal(rotate);
    int w = 0, h = 0;
    if (vuPaxProlinFrameBuffer::OpenDevice(w, h) != 0) {
        state.SkipWithError("no screen");
        return;
    }
    vuPaxProlinFrameBuffer fb(static_cast<unsigned short>(w), static_cast<unsigned short>(h));
    std::fill_n(fb.GetFrameBuffer(), static_cast<size_t>(w) * h, 0xF81F);
    double totalNs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        int r = fb.ToScreen();
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
    state.counters["ratio"] = totalNs / static_cast<double>(state.iterations()) / memcpyNs;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}

} // namespace

BENCHMARK(BM_FrameMemcpy);
BENCHMARK(BM_ToScreen)->Arg(0)->Arg(90)->ArgName("rotate");

BENCHMARK_MAIN();
