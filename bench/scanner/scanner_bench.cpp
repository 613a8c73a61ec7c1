// The barcode scanner's reader thread over the stand-in FIFO of a USB
// scanner ("WCM HIDKeyBoard", which ends a code after 250 ms of silence):
//   - its processor time over a stretch of reading with no code coming (the
//     process's time while the main thread sleeps: the reader is the only
//     thread at work);
//   - the time from the write of a code's last report to status 1 (median
//     and worst of several codes).
// Usage: scanner_bench [SECONDS (10)] [CODES (20)]
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ScanFeed.h"
#include "ScratchRoot.h"
#include "osal.h"
#include "scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

bool writeAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = argc > 1 ? atoi(argv[1]) : 10;
    int codes = argc > 2 ? atoi(argv[2]) : 20;
    if (seconds < 1 || codes < 1) {
        fprintf(stderr, "usage: scanner_bench [SECONDS] [CODES]\n");
        return 2;
    }
    bench::ScratchRoot root("/tmp/scanner_bench_XXXXXX");
    if (!root.Ok())
        return 1;
    mkdir((root.Path() + "/dev").c_str(), 0777);
    std::string fifo = root.Path() + "/dev/hidraw0";
    if (mkfifo(fifo.c_str(), 0666) != 0 || OsRegSetValue("osal.hidraw.name", "WCM HIDKeyBoard") != 0 ||
        scanner_probe() != 1 || scanner_start() != 0) {
        fprintf(stderr, "scanner_bench: no scanner in %s\n", root.Path().c_str());
        return 1;
    }
    int fd = -1;
    for (int i = 0; i < 5000 && fd < 0; ++i) {
        fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (fd < 0) {
        fprintf(stderr, "scanner_bench: the reader never opened %s\n", fifo.c_str());
        return 1;
    }

    // Reading, nothing scanned.
    scanner_clear();
    scanner_enable_read();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    double before = cpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double idleCpu = cpuMs() - before;

    // Codes: a marking code with a GS, then the wait for status 1.
    std::u32string chars;
    std::string error;
    scanfeed::ParseCodeText("0104600439931256215>eJ7F\\u001d93dGVz", chars, &error);
    std::vector<scanfeed::Report> reports;
    scanfeed::EncodeHid(chars, scanfeed::HidShape{}, reports, &error);
    std::string bytes;
    for (const auto &r : reports)
        bytes.append(reinterpret_cast<const char *>(r.data()), r.size());
    std::vector<double> latency;
    for (int i = 0; i < codes; ++i) {
        scanner_clear();
        scanner_enable_read();
        // Past the reader's idle pause (50 ms) and its first look at the
        // device: what is there before that is thrown away.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        if (!writeAll(fd, bytes)) {
            fprintf(stderr, "scanner_bench: the reader went away\n");
            return 1;
        }
        Clock::time_point last = Clock::now();
        while (scanner_status() != 1) {
            if (Clock::now() - last > std::chrono::seconds(5)) {
                fprintf(stderr, "scanner_bench: no code after 5 s\n");
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        latency.push_back(std::chrono::duration<double, std::milli>(Clock::now() - last).count());
        scanner_disable_read();
    }
    scanner_stop();
    close(fd);
    root.Remove();

    std::sort(latency.begin(), latency.end());
    double median = latency[latency.size() / 2];
    printf("reader thread: %.1f ms of processor time over %d s of reading with no code (%.3f %%)\n", idleCpu, seconds,
           idleCpu / (seconds * 10.0));
    printf("HID code's last report to status 1 over %d codes: median %.1f ms, least %.1f ms, most %.1f ms\n", codes,
           median, latency.front(), latency.back());
    // Lines for scripts/bench.sh's table: figure, name, value, unit.
    printf("figure\tscanner reader's processor time over %d s reading, no code\t%.2f\tms\n", seconds, idleCpu);
    printf("figure\tHID code's last report to status 1 (median)\t%.2f\tms\n", median);
    return 0;
}
