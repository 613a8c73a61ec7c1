// The reply time of kktsim's state-changing commands as its drive grows: a
// cash deposit (the state alone changes) and a shift's opening and closing
// (each a fiscal document, filed in the archive and queued for the OFD), on
// a fresh drive and once the drive made 10,000 documents none of which the
// OFD took. The stand-in runs in lock-step with the client's virtual clock,
// so a reply's time is the stand-in's own work for it (its state written
// to disk included), not a poll's wait.
//
// Prints the medians and their ratios (goal: at most 1.5) as figure lines
// for scripts/bench.sh. Runs in a private IPC namespace of its own when it
// may (as root), so the controller queue of anything else is left alone.
// Usage: kktsim_store_bench [documents (default 10000)] [commands (default 60)]
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchTime.h"
#include "KktDriveArchive.h"
#include "KktSim.h"
#include "Service.h"
#include "ScratchRoot.h"
#include "TMCommand.h"
#include "osal.h"

namespace {

using bench::median;
using bench::nowMs;

// ms of one command; negative when it failed.
template <typename F> double timed(F send)
{
    TMCommand c;
    if (send(c) <= 0)
        return -1;
    double start = nowMs();
    int rc = ServiceExecute(c, 5000);
    double ms = nowMs() - start;
    if (rc != 0 || c.ErrorCode() != 0)
        fprintf(stderr, "kktsim_store_bench: command %02X: %d, error %02X\n", c.CommandCode(), rc, c.ErrorCode());
    return rc == 0 && c.ErrorCode() == 0 ? ms : -1;
}

struct Times {
    double deposit = -1, document = -1;
};

// Medians of n deposits and of n shift openings and closings.
Times measure(int n)
{
    std::vector<double> deposits, documents;
    for (int i = 0; i < n; ++i) {
        double open = timed([](TMCommand &c) { return c.OpenShift("BENCH", "", "", "", ""); });
        double d = timed([](TMCommand &c) { return c.CashIn("1.00", nullptr); });
        double close = timed([](TMCommand &c) { return c.CloseShift("BENCH", "", "", "", 0); });
        if (d < 0 || open < 0 || close < 0)
            return Times();
        deposits.push_back(d);
        documents.push_back(open);
        documents.push_back(close);
    }
    return {median(deposits), median(documents)};
}

// A receipt's tape as the drive keeps it: about 700 bytes.
std::string tape(int i)
{
    std::string t = u8"КАССОВЫЙ ЧЕК\nПРИХОД\n";
    for (int k = 0; k < 12; ++k)
        t += u8"ТОВАР " + std::to_string(k + 1) + "            1 X 10.00\n";
    return t + u8"ИТОГ =" + std::to_string(120 + i % 7) + ".00\n";
}

} // namespace

int main(int argc, char **argv)
{
    const int documents = argc > 1 ? atoi(argv[1]) : 10000;
    const int commands = argc > 2 ? atoi(argv[2]) : 60;
    if (documents <= 0 || commands <= 0) {
        fprintf(stderr, "usage: kktsim_store_bench [documents] [commands]\n");
        return 2;
    }
    bench::privateIpc("kktsim_store_bench");
    bench::ScratchRoot root("/tmp/kktsim_store_bench_XXXXXX");
    if (!root.Ok()) {
        perror("kktsim_store_bench: mkdtemp");
        return 1;
    }
    OsTestClockEnable(1000);

    int rc = 0;
    {
        kktsim::Simulator sim;
        std::string error;
        if (!sim.LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error) || sim.Open() != 0) {
            fprintf(stderr, "kktsim_store_bench: the stand-in did not start: %s\n", error.c_str());
            return 1;
        }
        sim.StartLockstep();
        if (ServiceOpen() != 0) {
            fprintf(stderr, "kktsim_store_bench: no queue\n");
            return 1;
        }
        Times fresh = measure(commands);
        // the documents, saved as a long day would have saved them: a few
        // hundred at a time
        const int step = 500;
        for (int made = 0; made < documents; made += step) {
            sim.UpdateDrive([&](kktsim::DriveState &s) {
                for (int i = made; i < std::min(documents, made + step); ++i) {
                    kktsim::MakeFiscalDocument(s, "1112260930", kktsim::kDocReceipt, 1);
                    kktsim::ArchivePaper(s, tape(i));
                }
            });
        }
        kktsim::DriveState s = sim.Drive();
        Times grown = measure(commands);
        sim.Stop();
        if (fresh.deposit < 0 || grown.deposit < 0) {
            fprintf(stderr, "kktsim_store_bench: a command failed\n");
            rc = 1;
        } else {
            printf("drive: %u documents made, %u waiting for the OFD, %zu held in the archive\n", s.lastDocument,
                   s.ofdWaiting, s.archive.documents.size());
            printf("figure\tkktsim deposit reply, fresh drive\t%.3f\tms\n", fresh.deposit);
            printf("figure\tkktsim deposit reply, %d documents\t%.3f\tms\n", documents, grown.deposit);
            printf("figure\tkktsim reply at %d documents / fresh drive (deposit)\t%.2f\tratio\n", documents,
                   grown.deposit / fresh.deposit);
            printf("figure\tkktsim document reply, fresh drive\t%.3f\tms\n", fresh.document);
            printf("figure\tkktsim document reply, %d documents\t%.3f\tms\n", documents, grown.document);
            printf("figure\tkktsim reply at %d documents / fresh drive (document)\t%.2f\tratio\n", documents,
                   grown.document / fresh.document);
        }
    }
    if (!root.Remove())
        rc = 1;
    return rc;
}
