// The benchmarks' clock and the order statistics of their samples: the
// monotonic clock in milliseconds, a pause, a percentile by nearest rank.
// Header only.
#ifndef BENCH_COMMON_BENCHTIME_H
#define BENCH_COMMON_BENCHTIME_H

#include <time.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

inline void pauseMs(double ms)
{
    const long ns = static_cast<long>(ms * 1e6);
    timespec p{static_cast<time_t>(ns / 1000000000L), ns % 1000000000L};
    nanosleep(&p, nullptr);
}

// The sample at fraction p (0..1) of the sorted samples, by nearest rank
// (p 0 the least, 1 the most); 0 when there are none.
inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t at = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

// The middle sample (of an even count, the upper of the two middle ones).
inline double median(const std::vector<double> &v) { return percentile(v, 0.5); }

} // namespace bench

#endif
