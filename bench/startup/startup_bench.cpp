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
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Interleaved.h"
#include "osal.h"

namespace {

double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void pauseMs(long ms)
{
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

pid_t spawn(const std::string &cwd, const std::vector<std::string> &args)
{
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(cwd.c_str()) != 0)
            _exit(127);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t &pid)
{
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// Resident memory of a process in KiB, -1 when unknown.
long residentKiB(pid_t pid)
{
    std::istringstream in(readFile("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return atol(line.c_str() + 6);
    return -1;
}

double median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

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

    char tmpl[] = "/dev/shm/startup_bench_XXXXXX";
    if (!mkdtemp(tmpl)) {
        perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl, root = dir + "/root", trace = dir + "/trace.jsonl";
    pid_t sim = -1, desk = -1;
    int keypad = -1;
    int status = 1;
    std::vector<double> startMs, rssMiB;
    do {
        if (system(("cp -r '" + src + "/res' '" + dir + "/res' && mkdir -p '" + dir + "/data' '" + root +
                    "/dev/graphics' '" + dir + "/kktsim'")
                       .c_str()) != 0)
            break;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ftruncate(fd, 240 * 320 * 2) != 0)
            break;
        close(fd);
        OsRegSetValue("osal.fb.xres", "240");
        OsRegSetValue("osal.fb.yres", "320");
        OsRegSetValue("osal.fb.bpp", "16");
        // Held open here too, so the program never reads an end of file.
        if (mkfifo((root + "/dev/keypad").c_str(), 0666) != 0)
            break;
        keypad = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);

        sim = spawn(dir, {kktsimPath, "--dir", dir + "/kktsim", "--scenario",
                          src + "/tools/kktsim/scenarios/registered.scn"});
        const double simEnd = nowMs() + 5000;
        while (access((dir + "/kktsim/kktsim.pid").c_str(), R_OK) != 0 && nowMs() < simEnd &&
               waitpid(sim, nullptr, WNOHANG) == 0)
            pauseMs(5);
        if (access((dir + "/kktsim/kktsim.pid").c_str(), R_OK) != 0) {
            fprintf(stderr, "kktsim did not start\n");
            break;
        }

        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        bool ok = true;
        for (int run = 0; run < runs && ok; ++run) {
            unlink(trace.c_str());
            const double t0 = nowMs();
            desk = spawn(dir, {cashdeskPath});
            ok = false;
            while (nowMs() - t0 < 10000) {
                const std::string lines = readFile(trace);
                if (lines.find("\"event\":\"form\"") != std::string::npos &&
                    lines.find("kkt_menu_main.xml") != std::string::npos) {
                    ok = true;
                    break;
                }
                if (waitpid(desk, nullptr, WNOHANG) == desk) {
                    desk = -1;
                    break;
                }
                pauseMs(1);
            }
            const double t1 = nowMs();
            if (!ok) {
                fprintf(stderr, "run %d: no main menu within 10 s; trace:\n%s\n", run, readFile(trace).c_str());
                break;
            }
            startMs.push_back(t1 - t0);
            rssMiB.push_back(residentKiB(desk) / 1024.0);
            stop(desk);
        }
        if (ok)
            status = 0;
    } while (false);
    stop(desk);
    stop(sim);
    if (keypad >= 0)
        close(keypad);
    if (system(("rm -rf '" + dir + "'").c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", dir.c_str());
    if (status != 0)
        return status;
    benchfig::ReportValue("start to the main menu (ms, median of " + std::to_string(runs) + ")", median(startMs),
                          "ms");
    benchfig::ReportValue("resident memory at the main menu (MiB)", median(rssMiB), "MiB");
    return 0;
}
