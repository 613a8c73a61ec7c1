// The OFD exchange's speed: documents per second through the steps the
// dialog runs (the worker's 200 ms pauses included), and the time per
// document outside those pauses (the read from the drive, one connection
// with the send and the receive, the answer written back), for documents of
// one piece (200 bytes) and of many (4000 bytes, 16 pieces).
//
// Runs in a private IPC namespace of its own when it may (as root), so the
// controller queue of anything else on the machine is left alone.
#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
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
#include "SrvsimProcess.h"
#include "kfn_state.h"
#include "ofd_worker.h"

namespace {

using bench::nowMs;

void addDocuments(kktsim::Simulator &sim, int count, int size)
{
    sim.UpdateDrive([&](kktsim::DriveState &d) {
        std::string why;
        bool known = false;
        kktsim::OfdDriveLine("ofd-documents", std::to_string(count) + " " + std::to_string(size), d, why, known);
    });
}

// Documents per second through ofd_step_begin and ofd_step_poll.
double throughSteps(kktsim::Simulator &sim, int count, int size)
{
    addDocuments(sim, count, size);
    if (ofd_start(nullptr, 0, nullptr) != 0)
        return -1;
    double start = nowMs();
    int sent = 0;
    for (int i = 0; i < count; ++i) {
        if (ofd_step_begin(nullptr) < 0)
            break;
        int r = 0;
        while ((r = ofd_step_poll(nullptr)) == 0) {
            timespec t{0, 1000 * 1000};
            nanosleep(&t, nullptr);
        }
        if (r == 1)
            ++sent;
    }
    double ms = nowMs() - start;
    ofd_stop(nullptr);
    return sent == count ? sent * 1000.0 / ms : -1;
}

// The median ms of one document outside the pauses: the same routines the
// steps and the worker run, one after the other.
double outsidePauses(kktsim::Simulator &sim, int count, int size)
{
    addDocuments(sim, count, size);
    sem_init(&ofd_worker.stop_sem, 0, 0);
    ofd_worker.stop_latched = false;
    std::vector<double> times;
    static uint8_t buffer[65536], answer[65536];
    for (int i = 0; i < count; ++i) {
        double start = nowMs();
        char error[256] = "";
        uint32_t length = 0;
        if (ofd_read_document(nullptr, error, buffer, sizeof buffer, &length) <= 0)
            break;
        ofd_make_header(buffer, length);
        int sock = ofd_connect(ofd_worker.host, ofd_worker.port, ofd_worker.send_ms);
        if (sock < 0)
            break;
        uint8_t header[CONTAINER_HEADER_SIZE];
        bool ok = ofd_send(sock, ofd_worker.header, CONTAINER_HEADER_SIZE, ofd_worker.send_ms) >= 0 &&
                  ofd_send(sock, buffer, length, ofd_worker.send_ms) >= 0 &&
                  ofd_recv(sock, header, CONTAINER_HEADER_SIZE, ofd_worker.recv_ms) == 1;
        uint32_t n = ok ? container_header_length(header) : 0;
        ok = ok && ofd_recv(sock, answer, n, ofd_worker.recv_ms) == 1;
        close(sock);
        char message[384] = "";
        if (!ok || ofd_write_reply(nullptr, error, message, sizeof message, answer, n) != 0)
            break;
        times.push_back(nowMs() - start);
    }
    sem_destroy(&ofd_worker.stop_sem);
    if (static_cast<int>(times.size()) != count)
        return -1;
    return bench::median(times);
}

} // namespace

int main()
{
    bench::privateIpc("ofd_exchange_bench");
    bench::ScratchRoot root("/tmp/ofd_bench_XXXXXX");
    if (!root.Ok())
        return 1;
    SrvsimProcess server;
    std::string error;
    if (!server.Start(SRVSIM_PATH, root.Path() + "/srvsim", "", &error)) {
        fprintf(stderr, "ofd_exchange_bench: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<kktsim::Simulator> sim(new kktsim::Simulator());
    if (!sim->LoadFile(std::string(KKTSIM_SCENARIOS) + "/registered.scn", &error))
        return 1;
    sim->Update([&](kktsim::Scenario &s) {
        kktsim::ParseScenario("drive ofd-port " + std::to_string(server.Port()) + "\ndrive ofd-times 60 5 5\n", s,
                              &error);
    });
    if (sim->Open() != 0)
        return 1;
    sim->Start();
    ServiceOpen();
    strcpy(kfn_state.fn_number, "9999078900012345");
    kfn_state.ffd_version = 2;

    int status = 0;
    for (int size : {200, 4000}) {
        double perSecond = throughSteps(*sim, 10, size);
        double ms = outsidePauses(*sim, 50, size);
        if (perSecond < 0 || ms < 0) {
            fprintf(stderr, "ofd_exchange_bench: a %d-byte document was not delivered\n", size);
            status = 1;
            continue;
        }
        // Lines for scripts/bench.sh's table: figure, name, value, unit.
        printf("figure\tOFD documents of %d bytes (%d pieces) through the steps, per s\t%.2f\t/s\n", size,
               (size + 255) / 256, perSecond);
        printf("figure\tOFD document of %d bytes outside the worker's pauses (median)\t%.2f\tms\n", size, ms);
    }
    server.Stop();
    sim.reset();
    if (!root.Remove())
        status = 1;
    return status;
}
