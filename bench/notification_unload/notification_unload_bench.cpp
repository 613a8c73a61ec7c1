// The notification unload's speed against kktsim: notifications per second
// through the whole unload (each one sized, read in pieces, appended to the
// file, acknowledged, then read back and confirmed; the header written
// last), for small notifications (one piece) and larger ones (four pieces).
//
// Runs in a private IPC namespace of its own when it may (as root), so the
// controller queue of anything else on the machine is left alone.
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <memory>
#include <string>

#include "BenchTime.h"
#include "KktSim.h"
#include "ScratchRoot.h"
#include "Service.h"
#include "kfn_state.h"
#include "notification_unload.h"

namespace {

using bench::nowMs;

// Notifications per second through one unload of count of them; -1 when
// they were not all confirmed.
double unloadOnce(kktsim::Simulator &sim, int count, int size)
{
    sim.UpdateDrive([&](kktsim::DriveState &d) {
        d.notify.list.clear();
        d.notifications = 0;
        std::string sizes, why;
        for (int i = 0; i < count; ++i)
            sizes += std::to_string(size) + " ";
        bool known = false;
        kktsim::NoticeDriveLine("notify", sizes, d, why, known);
    });
    const double start = nowMs();
    unload_notifications(nullptr);
    const double ms = nowMs() - start;
    for (const kktsim::Notice &n : sim.Drive().notify.list)
        if (n.stage != kktsim::NoticeStage::Confirmed)
            return -1;
    return count * 1000.0 / ms;
}

} // namespace

int main()
{
    bench::privateIpc("notification_unload_bench");
    bench::ScratchRoot root("/tmp/unload_bench_XXXXXX");
    if (!root.Ok())
        return 1;
    std::string error;
    std::unique_ptr<kktsim::Simulator> sim(new kktsim::Simulator());
    if (!sim->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error))
        return 1;
    sim->Update([&](kktsim::Scenario &s) {
        kktsim::ParseScenario("drive ffd 1.2\ndrive marking 100\ndrive reg-flags 02\n", s, &error);
    });
    if (sim->Open() != 0)
        return 1;
    sim->Start();
    ServiceOpen();
    std::string usb = "mkdir -p '" + sim->UsbDir() + "'";
    if (system(usb.c_str()) != 0)
        return 1;

    int status = 0;
    for (int size : {100, 1000}) {
        const double perSecond = unloadOnce(*sim, 100, size);
        if (perSecond < 0) {
            fprintf(stderr, "notification_unload_bench: %d-byte notifications were not all confirmed\n", size);
            status = 1;
            continue;
        }
        // Lines for scripts/bench.sh's table: figure, name, value, unit.
        printf("figure\tnotifications of %d bytes (%d pieces) unloaded, per s\t%.1f\t/s\n", size, (size + 255) / 256,
               perSecond);
    }
    sim.reset();
    if (!root.Remove())
        status = 1;
    return status;
}
