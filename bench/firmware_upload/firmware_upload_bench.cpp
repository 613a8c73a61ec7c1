// The firmware upload's speed: fw_flash sends the largest image the update
// takes (4 MiB, 4096 data blocks) to kktsim's YMODEM receiver, which runs in
// lock-step with the virtual clock and so answers every block at once; the
// figure is the real time per MiB. Beside it, the median real time of one
// round trip on the monitor channel (0x13 out, the prompt back) in the same
// setting: the upload costs about one such round trip per 1 KiB block.
//
// Runs in a private IPC namespace of its own when it may (as root), so the
// controller queue of anything else on the machine is left alone.
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "BenchTime.h"
#include "KktSim.h"
#include "ScratchRoot.h"
#include "Service.h"
#include "TMCommand.h"
#include "fw_update.h"
#include "kfn_state.h"
#include "osal.h"

namespace {

using bench::nowMs;

// Median ms of one monitor round trip, the monitor entered first.
double roundTrip(int count)
{
    TMCommand enter;
    if (enter.EnterServiceMonitor() <= 0 || kfn_exec(nullptr, &enter, 5000) != 0)
        return -1;
    std::vector<double> times;
    char buf[4096];
    for (int i = 0; i < count; ++i) {
        double start = nowMs();
        if (ServiceMonitorSend("\x13", 1) != 0 || ServiceMonitorReceive(buf, sizeof buf, 5000) < 1)
            return -1;
        times.push_back(nowMs() - start);
    }
    // Leave the monitor as it was found.
    ServiceMonitorSend("q", 1);
    ServiceMonitorReceive(buf, sizeof buf, 5000);
    return bench::median(times);
}

} // namespace

int main()
{
    bench::privateIpc("firmware_upload_bench");
    bench::ScratchRoot root("/tmp/fw_bench_XXXXXX");
    if (!root.Ok() || chdir(root.Path().c_str()) != 0 || mkdir("data", 0777) != 0)
        return 1;
    const long size = FW_IMAGE_MAX;
    {
        std::vector<char> image(static_cast<size_t>(size));
        for (long i = 0; i < size; ++i)
            image[static_cast<size_t>(i)] = static_cast<char>(i * 31 + 7);
        FILE *f = fopen(fw_image_path(), "wb");
        if (!f || fwrite(image.data(), 1, image.size(), f) != image.size() || fclose(f) != 0)
            return 1;
    }
    OsTestClockEnable(100000);
    std::unique_ptr<kktsim::Simulator> sim(new kktsim::Simulator());
    std::string error;
    if (!sim->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error) || sim->Open() != 0) {
        fprintf(stderr, "firmware_upload_bench: %s\n", error.c_str());
        return 1;
    }
    sim->StartLockstep();
    ServiceOpen();

    int status = 0;
    double trip = roundTrip(200);
    char report[FW_REPORT_SIZE] = "";
    double start = nowMs();
    int r = fw_flash(nullptr, "bench.bin", size, 1, report);
    double seconds = (nowMs() - start) / 1000.0;
    struct stat st;
    bool whole = stat((sim->FirmwareDir() + "/bench.bin").c_str(), &st) == 0 && st.st_size == size;
    if (r != 1 || !whole || trip < 0) {
        fprintf(stderr, "firmware_upload_bench: the upload failed (%d)%s\n", r, report);
        status = 1;
    } else {
        // Lines for scripts/bench.sh's table: figure, name, value, unit. The
        // upload's 2 s pause before the receiver starts is virtual time.
        printf("figure\tfirmware upload (YMODEM, 4 MiB) to kktsim, per MiB\t%.3f\ts\n",
               seconds / (size / 1048576.0));
        printf("figure\tmonitor channel round trip beside it (median)\t%.3f\tms\n", trip);
        printf("figure\tupload time per 1 KiB block / round trip\t%.2f\t\n", seconds * 1000.0 / (size / 1024) / trip);
    }
    sim.reset();
    OsTestClockDisable();
    if (!root.Remove())
        status = 1;
    return status;
}
