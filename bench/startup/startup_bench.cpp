// Start to the main menu, as a whole process: kktsim (the controller-service
// stand-in, answering at once) runs already; each run execs cashdesk in a
// sandbox folder in memory and times from the exec to the trace line of the
// main menu, then reads the process's resident memory there and ends it.
// Prints the medians as figure lines (see bench/common/Interleaved.h).
//
//   startup_bench CASHDESK KKTSIM SOURCE_DIR [runs (default 9)]
//
// Run it in a private System V IPC namespace (scripts/bench.sh does, where
// the machine allows it): kktsim takes the controller queue, key 111. Only
// the processes started here are ended, by their ids.
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "BenchTime.h"
#include "Interleaved.h"
#include "ProgramSandbox.h"

int main(int argc, char **argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: %s CASHDESK KKTSIM SOURCE_DIR [runs]\n", argv[0]);
        return 2;
    }
    // The programs run in the sandbox folder: their paths must not be
    // relative to here.
    char full[3][PATH_MAX];
    for (int i = 0; i < 3; ++i)
        if (!realpath(argv[1 + i], full[i])) {
            perror(argv[1 + i]);
            return 2;
        }
    const std::string cashdeskPath = full[0], kktsimPath = full[1], src = full[2];
    const int runs = argc > 4 ? std::max(1, atoi(argv[4])) : 9;

    bench::ProgramSandbox::Settings settings;
    settings.name = "startup_bench";
    settings.folder = "/dev/shm/startup_bench_XXXXXX";
    settings.formWaitMs = 10000;
    settings.cashdesk = cashdeskPath;
    settings.kktsim = kktsimPath;
    settings.source = src;
    bench::ProgramSandbox sandbox(settings);
    if (!sandbox.StartSim() || !sandbox.PrepareTerminal())
        return 1;
    std::vector<double> startMs, rssMiB;
    for (int run = 0; run < runs; ++run) {
        sandbox.RestartTrace();
        const double t0 = bench::nowMs();
        if (!sandbox.StartCashdesk() || !sandbox.Form("kkt_menu_main.xml")) {
            fprintf(stderr, "run %d: no main menu within 10 s; trace:\n%s\n", run,
                    bench::readFile(sandbox.Trace()).c_str());
            return 1;
        }
        startMs.push_back(bench::nowMs() - t0);
        rssMiB.push_back(bench::residentKiB(sandbox.Cashdesk()) / 1024.0);
        sandbox.StopCashdesk();
    }
    benchfig::ReportValue("start to the main menu (ms, median of " + std::to_string(runs) + ")", bench::median(startMs),
                          "ms");
    benchfig::ReportValue("resident memory at the main menu (MiB)", bench::median(rssMiB), "MiB");
    return 0;
}
