// Figures measured against their own baseline in the same run: every round
// times each contestant once, in turn (the first one to go moves round with
// the rounds), so a busy machine slows them all alike; rounds go on in
// batches until the medians settle; a figure is the median of a
// contestant's times over the median of its baseline's. Each
// figure is printed as one line that scripts/bench.sh collects:
//   figure<TAB>name<TAB>ratio<TAB>what it is measured against
// Header only.
#ifndef BENCH_COMMON_INTERLEAVED_H
#define BENCH_COMMON_INTERLEAVED_H

#include <stdio.h>

#include <algorithm>
#include <cmath>
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
    // (at least once). Rounds are then timed in batches of `rounds` until
    // every contestant's median over all rounds so far moved by less than
    // `settle` (a fraction) since the batch before, twice in a row, after
    // at least minBatches and at most maxBatches batches: a short burst
    // follows the cache and the machine of the moment, enough rounds do not.
    void Run(int rounds = 31, double batchNs = 3e5, double settle = 0.02, int minBatches = 3, int maxBatches = 60)
    {
        for (Contestant &c : contestants_) {
            c.body(); // warm: caches, first-use allocations
            const auto t0 = Clock::now();
            c.body();
            const double once = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
            c.reps = std::max(1, static_cast<int>(batchNs / std::max(once, 1.0)));
        }
        const size_t n = contestants_.size();
        std::vector<double> last(n, 0);
        int round = 0, calm = 0;
        for (batches_ = 1; batches_ <= maxBatches; ++batches_) {
            for (int k = 0; k < rounds; ++k, ++round)
                runRound(static_cast<size_t>(round));
            bool settled = true;
            for (size_t i = 0; i < n; ++i) {
                const double m = Median(static_cast<int>(i));
                if (!(last[i] > 0) || std::fabs(m - last[i]) > settle * last[i])
                    settled = false;
                last[i] = m;
            }
            calm = settled ? calm + 1 : 0;
            if (calm >= 2 && batches_ >= minBatches)
                break;
        }
        batches_ = std::min(batches_, maxBatches);
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

    double Min(int i) const { return extreme(i, false); }
    double Max(int i) const { return extreme(i, true); }

    double Ratio(int i, int base) const
    {
        const double b = Median(base);
        return b > 0 ? Median(i) / b : 0;
    }

    // One figure line, and the times behind it for a reader.
    void Report(const std::string &figure, int i, int base) const
    {
        printf("figure\t%s\t%.3f\t%s\n", figure.c_str(), Ratio(i, base),
               contestants_[static_cast<size_t>(base)].name.c_str());
        for (int k : {i, base})
            printf("  # %s: min %.2f us, median %.2f us, max %.2f us\n",
                   contestants_[static_cast<size_t>(k)].name.c_str(), Min(k) / 1000, Median(k) / 1000,
                   Max(k) / 1000);
        printf("  # %zu rounds in %d batches\n", contestants_[static_cast<size_t>(i)].times.size(), batches_);
        fflush(stdout);
    }

private:
    void runRound(size_t round)
    {
        const size_t n = contestants_.size();
        for (size_t k = 0; k < n; ++k) {
            Contestant &c = contestants_[(k + round) % n];
            const auto t0 = Clock::now();
            for (int r = 0; r < c.reps; ++r) {
                c.body();
                Clobber();
            }
            c.times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count() / c.reps);
        }
    }

    double extreme(int i, bool largest) const
    {
        const std::vector<double> &t = contestants_[static_cast<size_t>(i)].times;
        if (t.empty())
            return 0;
        return largest ? *std::max_element(t.begin(), t.end()) : *std::min_element(t.begin(), t.end());
    }

    struct Contestant {
        std::string name;
        std::function<void()> body;
        int reps;
        std::vector<double> times;
    };
    std::vector<Contestant> contestants_;
    int batches_ = 0;
};

// A figure that is a plain value (not a ratio), in the same line format.
inline void ReportValue(const std::string &figure, double value, const std::string &unit)
{
    printf("figure\t%s\t%.3f\t%s\n", figure.c_str(), value, unit.c_str());
    fflush(stdout);
}

} // namespace benchfig

#endif
