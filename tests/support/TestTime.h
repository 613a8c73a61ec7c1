// Wall-clock limits of the tests' waits. A test waits on what it can
// observe (a trace line, a journal entry, a file's arrival) and goes on the
// moment it comes; the limit only ends a wait on something that never
// comes. On a loaded machine everything comes later, so every limit is
// multiplied by CASHDESK_TEST_TIME_FACTOR (a whole number, 1 when unset;
// ctest sets it from the build's CASHDESK_TEST_TIME_FACTOR, the test
// command raises it).
#ifndef TESTS_SUPPORT_TESTTIME_H
#define TESTS_SUPPORT_TESTTIME_H

#include <stdlib.h>
#include <time.h>

#include <functional>

namespace testtime {

inline long Factor()
{
    static const long factor = [] {
        const char *text = getenv("CASHDESK_TEST_TIME_FACTOR");
        char *end = nullptr;
        long f = text ? strtol(text, &end, 10) : 1;
        if (!text || end == text || *end != '\0' || f < 1)
            return 1L;
        return f > 99 ? 99L : f;
    }();
    return factor;
}

// A limit of `ms` milliseconds on an idle machine, scaled.
inline long Ms(long ms) { return ms * Factor(); }

// The monotonic clock in milliseconds.
inline long NowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

// The end of a wait of `ms` milliseconds (idle machine) from now.
inline long Deadline(long ms) { return NowMs() + Ms(ms); }

// The number of tries of `pauseMs` each that make a wait of `ms`
// milliseconds (idle machine), scaled.
inline int Tries(long ms, long pauseMs) { return static_cast<int>(Ms(ms) / (pauseMs > 0 ? pauseMs : 1)); }

// Polls `done` every 10 ms until it holds or `ms` milliseconds (idle
// machine, scaled) have passed; its last answer.
inline bool Eventually(const std::function<bool()> &done, long ms)
{
    const long end = Deadline(ms);
    while (NowMs() < end) {
        if (done())
            return true;
        timespec t{0, 10 * 1000 * 1000};
        nanosleep(&t, nullptr);
    }
    return done();
}

} // namespace testtime

#endif
