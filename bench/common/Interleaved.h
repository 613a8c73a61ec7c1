// Figures measured against their own baseline in the same run: every round
// times each contestant once, in turn (the first one to go moves round with
// the rounds), so a busy machine slows them all alike; a figure is the
// median of a contestant's times over the median of its baseline's. Each
// figure is printed as one line that scripts/bench.sh collects:
//   figure<TAB>name<TAB>ratio<TAB>what it is measured against
// Header only.
#ifndef BENCH_COMMON_INTERLEAVED_H
#define BENCH_COMMON_INTERLEAVED_H

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace benchfig {

using Clock = std::chrono::steady_clock;

// Keeps the compiler from dropping work whose result nobody reads.
inline void Clobber() { asm volatile("" ::: "memory"); }

class Race {
public:
    // Adds a contestant; the number it returns names it in Median and Ratio.
    int Add(const std::string &name, std::function<void()> body)
    {
        contestants_.push_back({name, std::move(body), 1, {}});
        return static_cast<int>(contestants_.size()) - 1;
    }

    // Each contestant runs often enough per round to take about batchNs
    // (at least once), then `rounds` rounds are timed.
    void Run(int rounds = 31, double batchNs = 3e5)
    {
        for (Contestant &c : contestants_) {
            c.body(); // warm: caches, first-use allocations
            const auto t0 = Clock::now();
            c.body();
            const double once = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
            c.reps = std::max(1, static_cast<int>(batchNs / std::max(once, 1.0)));
        }
        const size_t n = contestants_.size();
        for (int round = 0; round < rounds; ++round)
            for (size_t k = 0; k < n; ++k) {
                Contestant &c = contestants_[(k + static_cast<size_t>(round)) % n];
                const auto t0 = Clock::now();
                for (int i = 0; i < c.reps; ++i) {
                    c.body();
                    Clobber();
                }
                c.times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / c.reps);
            }
    }

    // Median nanoseconds of one run of a contestant.
    double Median(int i) const
    {
        std::vector<double> t = contestants_[static_cast<size_t>(i)].times;
        if (t.empty())
            return 0;
        std::nth_element(t.begin(), t.begin() + static_cast<long>(t.size() / 2), t.end());
        return t[t.size() / 2];
    }

    double Ratio(int i, int base) const
    {
        const double b = Median(base);
        return b > 0 ? Median(i) / b : 0;
    }

    // One figure line, and the medians behind it for a reader.
    void Report(const std::string &figure, int i, int base) const
    {
        printf("figure\t%s\t%.3f\t%s\n", figure.c_str(), Ratio(i, base),
               contestants_[static_cast<size_t>(base)].name.c_str());
        printf("  # %s: %.1f us, %s: %.1f us (medians of %zu rounds)\n",
               contestants_[static_cast<size_t>(i)].name.c_str(), Median(i) / 1000,
               contestants_[static_cast<size_t>(base)].name.c_str(), Median(base) / 1000,
               contestants_[static_cast<size_t>(i)].times.size());
        fflush(stdout);
    }

private:
    struct Contestant {
        std::string name;
        std::function<void()> body;
        int reps;
        std::vector<double> times;
    };
    std::vector<Contestant> contestants_;
};

// A figure that is a plain value (not a ratio), in the same line format.
inline void ReportValue(const std::string &figure, double value, const std::string &unit)
{
    printf("figure\t%s\t%.3f\t%s\n", figure.c_str(), value, unit.c_str());
    fflush(stdout);
}

} // namespace benchfig

#endif
