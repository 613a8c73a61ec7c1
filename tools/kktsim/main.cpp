// kktsim: the controller-service stand-in as a program, to run beside
// cashdesk. See README.md.

#include "KktSim.h"

#include "osal.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;
volatile std::sig_atomic_t g_paper = 0; // 1 out, 2 back in

void OnStop(int)
{
    g_stop = 1;
}

void OnPaperOut(int)
{
    g_paper = 1;
}

void OnPaperIn(int)
{
    g_paper = 2;
}

int Usage(FILE *to)
{
    std::fputs("usage: kktsim [--scenario FILE] [--dir DIR] [--usb DIR] [--journal FILE] [--state FILE] [--new-drive]\n"
               "              [--check] [--print-state] [ARG]\n"
               "  --scenario FILE  answers and faults (default: DIR/scenario when present)\n"
               "  --dir DIR        the stand-in's files (default: /data/kktsim under $TERMINAL_ROOT)\n"
               "  --usb DIR        the folder standing for the USB flash drive (default: DIR/usb)\n"
               "  --journal FILE   JSON lines of every message (default: DIR/journal.jsonl)\n"
               "  --state FILE     the fiscal drive's store (default: DIR/drive.db; FILE.json: FILE.db, FILE.json read once)\n"
               "  --new-drive      forget the state left by an earlier run: a new drive as the scenario says\n"
               "  --check          read the scenario and exit\n"
               "  --print-state    print the stored state as JSON and exit\n"
               "  ARG              the start argument the cash register passes; noted in the journal\n"
               "signals: TERM/INT stop (the queue is removed), USR1 paper out, USR2 paper in\n",
               to);
    return to == stdout ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    kktsim::Config config;
    config.separateProcess = true;
    std::string scenario, startArg;
    bool check = false, newDrive = false, printState = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (a == "--scenario") {
            if (!value(scenario))
                return Usage(stderr);
        } else if (a == "--dir") {
            if (!value(config.dir))
                return Usage(stderr);
        } else if (a == "--usb") {
            if (!value(config.usbDir))
                return Usage(stderr);
        } else if (a == "--journal") {
            if (!value(config.journal))
                return Usage(stderr);
        } else if (a == "--state") {
            if (!value(config.state))
                return Usage(stderr);
        } else if (a == "--new-drive") {
            newDrive = true;
        } else if (a == "--check") {
            check = true;
        } else if (a == "--print-state") {
            printState = true;
        } else if (a == "--help" || a == "-h") {
            return Usage(stdout);
        } else if (!a.empty() && a[0] != '-' && startArg.empty()) {
            startArg = a;
        } else {
            std::fprintf(stderr, "kktsim: unknown argument %s\n", a.c_str());
            return Usage(stderr);
        }
    }

    kktsim::Simulator sim(config);
    if (printState) {
        std::string json, error;
        if (access(sim.StatePath().c_str(), F_OK) != 0 || !kktsim::DriveStore::ReadJson(sim.StatePath(), json, &error)) {
            std::fprintf(stderr, "kktsim: %s: %s\n", sim.StatePath().c_str(),
                         error.empty() ? "no store" : error.c_str());
            return 2;
        }
        std::fputs(json.c_str(), stdout);
        return 0;
    }
    if (scenario.empty()) {
        std::string fallback = sim.Dir() + "/scenario";
        if (access(fallback.c_str(), R_OK) == 0)
            scenario = fallback;
    }
    if (!scenario.empty()) {
        std::string error;
        if (!sim.LoadFile(scenario, &error)) {
            std::fprintf(stderr, "kktsim: %s: %s\n", scenario.c_str(), error.c_str());
            return 2;
        }
    }
    if (check)
        return 0;
    bool drive = false;
    sim.Update([&](kktsim::Scenario &s) { drive = s.drive; });
    if (newDrive)
        sim.ForgetDrive();
    if (drive) {
        std::string error;
        if (!sim.StartDrive(&error)) {
            std::fprintf(stderr, "kktsim: %s (--new-drive starts afresh)\n", error.c_str());
            return 2;
        }
    }

    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnStop;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sa.sa_handler = OnPaperOut;
    sigaction(SIGUSR1, &sa, nullptr);
    sa.sa_handler = OnPaperIn;
    sigaction(SIGUSR2, &sa, nullptr);

    if (sim.Open() != 0) {
        std::perror("kktsim: cannot create the service queue");
        return 1;
    }
    sim.Note("started" + (startArg.empty() ? std::string() : " with argument " + startArg) +
             (scenario.empty() ? std::string() : ", scenario " + scenario));
    std::string pidPath = sim.Dir() + "/kktsim.pid";
    if (FILE *f = std::fopen(pidPath.c_str(), "w")) {
        std::fprintf(f, "%d\n", static_cast<int>(getpid()));
        std::fclose(f);
    }
    std::fprintf(stderr, "kktsim: serving queue %d, files in %s\n", sim.QueueId(), sim.Dir().c_str());

    while (!g_stop) {
        if (g_paper) {
            sim.SetPaperOut(g_paper == 1);
            sim.Note(g_paper == 1 ? "paper out" : "paper in");
            g_paper = 0;
        }
        sim.Pump();
        timespec ts{0, 2000000};
        nanosleep(&ts, nullptr);
    }
    sim.Close();
    unlink(pidPath.c_str());
    return 0;
}
