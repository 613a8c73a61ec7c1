// The program as a cashier meets it: kktsim and cashdesk as processes of
// their own, keys written to the keypad FIFO, screens read from the screen
// trace (CASHDESK_TRACE). Figures:
//   - key to next screen, median, 99th percentile and maximum, for four
//     transitions: main menu to the sales menu, the sales menu to the first
//     receipt dialog, a dialog page to the next (the receipt's and the
//     position editor's pages), the position list's add key to the position
//     editor. A key goes in at a random moment (0..150 ms) after its screen
//     came up; its time runs from the write to the "form" line's tick of
//     the next screen (both CLOCK_MONOTONIC, the tick in whole ms);
//   - wake-ups per second of each thread (voluntary plus involuntary
//     context switches over a few seconds) at the main menu and in a
//     dialog with a blinking entry field, and the whole program's;
//   - resident memory at the main menu.
// Figure lines as in bench/common/Interleaved.h.
//
//   ui_response_bench [CYCLES]   (default 6; in a private IPC namespace:
//                                 unshare --ipc build/release/bench/ui_response/ui_response_bench)
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "BenchTime.h"
#include "Interleaved.h"
#include "ProgramSandbox.h"

namespace {

using bench::nowMs;
using bench::pauseMs;
using bench::percentile;
using bench::ProgramSandbox;

const uint16_t KEY_ENTER = 28, KEY_CANCEL = 223, KEY_ADD = 241;
const int kPositions = 8;   // positions entered per cycle
const double kRestSec = 4;  // time a rest is watched for its wake-ups

// The stand-in with an open shift, a seller in the settings; the folder
// in memory, the trace looked at every 0.2 ms.
ProgramSandbox::Settings settings()
{
    ProgramSandbox::Settings s;
    s.name = "ui_response_bench";
    s.folder = "/dev/shm/ui_response_bench_XXXXXX";
    s.scenario = "drive shift open 1\n";
    s.seller = true;
    s.formWaitMs = 20000;
    s.pollMs = 0.2;
    return s;
}

// The thread's name and its context switches so far, by thread id.
std::map<int, std::pair<std::string, long>> switches(pid_t pid)
{
    std::map<int, std::pair<std::string, long>> out;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR *d = opendir(dir.c_str());
    if (!d)
        return out;
    while (dirent *e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        std::istringstream in(bench::readFile(dir + "/" + e->d_name + "/status"));
        std::string line, name;
        long n = 0;
        while (std::getline(in, line)) {
            if (line.compare(0, 5, "Name:") == 0)
                name = line.substr(line.find_first_not_of(" \t", 5));
            else if (line.compare(0, 24, "voluntary_ctxt_switches:") == 0)
                n += atol(line.c_str() + 24);
            else if (line.compare(0, 27, "nonvoluntary_ctxt_switches:") == 0)
                n += atol(line.c_str() + 27);
        }
        out[atoi(e->d_name)] = {name, n};
    }
    closedir(d);
    return out;
}

struct Figures {
    std::map<std::string, std::vector<double>> latency; // by transition
    std::map<std::string, std::vector<double>> wakeups; // per second, by rest and thread
    std::vector<double> rssMiB;
};

// Wake-ups per second of each thread (and of all) over kRestSec.
void watchRest(pid_t pid, const std::string &rest, Figures &f)
{
    auto before = switches(pid);
    const double t0 = nowMs();
    pauseMs(kRestSec * 1000);
    auto after = switches(pid);
    const double sec = (nowMs() - t0) / 1000;
    // Threads are named by their place in the order of their ids (1 the
    // main thread), which follows the order the program starts them in.
    std::map<std::string, double> byName;
    double all = 0;
    int place = 0;
    for (const auto &t : after) {
        auto b = before.find(t.first);
        const long n = t.second.second - (b == before.end() ? 0 : b->second.second);
        byName[std::to_string(++place) + " (" + t.second.first + ")"] += n / sec;
        all += n / sec;
    }
    for (const auto &n : byName)
        f.wakeups[rest + ", thread " + n.first].push_back(n.second);
    f.wakeups[rest + ", whole program"].push_back(all);
}

std::mt19937 rng(12345);

// A key at a random moment after its screen came up; the time to the next
// screen, or a negative number when it did not come.
double timed(ProgramSandbox &s, uint16_t key, const std::string &next)
{
    pauseMs(std::uniform_real_distribution<double>(0, 150)(rng));
    const double t0 = s.Key(key);
    long tick = -1;
    if (!s.Form(next, &tick) || tick < 0)
        return -1;
    return std::max(0.0, static_cast<double>(tick) - t0);
}

const char *const kPages[] = {"kkt_dlg_receipt_calc_object_1_1.xml", "kkt_dlg_receipt_good_1.xml",
                              "kkt_dlg_select_tax_type.xml",         "kkt_dlg_receipt_calc_method.xml",
                              "kkt_dlg_receipt_agent_1.xml",         "kkt_dlg_receipt_good_2.xml"};

bool cycle(bool first, Figures &f)
{
    ProgramSandbox s(settings());
    if (!s.Start() || !s.Form("kkt_menu_main.xml"))
        return false;
    if (first) {
        pauseMs(1000); // the start's own work is over
        f.rssMiB.push_back(bench::residentKiB(s.Cashdesk()) / 1024.0);
        watchRest(s.Cashdesk(), "at the main menu", f);
    }
    const std::string menu = "main menu -> sub-menu", dialog = "sub-menu -> dialog", page = "editor page -> page",
                      add = "list F6 -> position editor";
    // The main menu to the sales menu and back, a few times.
    for (int i = 0; i < 5; ++i) {
        double ms = timed(s, KEY_ENTER, "kkt_menu_sales.xml");
        if (ms < 0)
            return false;
        f.latency[menu].push_back(ms);
        pauseMs(50);
        s.Key(KEY_CANCEL);
        if (!s.Form("kkt_menu_main.xml"))
            return false;
    }
    double ms = timed(s, KEY_ENTER, "kkt_menu_sales.xml");
    if (ms < 0)
        return false;
    f.latency[menu].push_back(ms);
    // The sales menu to the receipt's first page and back, a few times.
    for (int i = 0; i < 5; ++i) {
        ms = timed(s, KEY_ENTER, "kkt_dlg_receipt_open_1.xml");
        if (ms < 0)
            return false;
        f.latency[dialog].push_back(ms);
        if (i == 4)
            break;
        pauseMs(50);
        s.Key(KEY_CANCEL);
        if (!s.Form("kkt_menu_sales.xml"))
            return false;
    }
    for (const char *next : {"kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"}) {
        ms = timed(s, KEY_ENTER, next);
        if (ms < 0)
            return false;
        f.latency[page].push_back(ms);
    }
    if (timed(s, KEY_ENTER, "kkt_dlg_poss_cheque.xml") < 0)
        return false;
    for (int i = 0; i < kPositions; ++i) {
        ms = timed(s, KEY_ADD, kPages[0]);
        if (ms < 0)
            return false;
        f.latency[add].push_back(ms);
        for (size_t k = 1; k < sizeof kPages / sizeof kPages[0]; ++k) {
            ms = timed(s, KEY_ENTER, kPages[k]);
            if (ms < 0)
                return false;
            f.latency[page].push_back(ms);
            if (first && i == 0 && k == 1)
                watchRest(s.Cashdesk(), "in a dialog with a blinking field", f);
        }
        if (timed(s, KEY_ENTER, "kkt_dlg_poss_cheque.xml") < 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int cycles = argc > 1 ? atoi(argv[1]) : 6;
    if (cycles < 1 || cycles > 100) {
        fprintf(stderr, "usage: ui_response_bench [CYCLES 1..100]\n");
        return 1;
    }
    Figures f;
    for (int i = 0; i < cycles; ++i)
        if (!cycle(i == 0, f)) {
            fprintf(stderr, "ui_response_bench: cycle %d failed\n", i + 1);
            return 2;
        }
    for (const auto &l : f.latency) {
        const std::vector<double> &v = l.second;
        printf("  # key to next screen, %s: %zu keys, min %.1f ms\n", l.first.c_str(), v.size(),
               percentile(v, 0));
        benchfig::ReportValue("key to next screen, " + l.first + " (median)", percentile(v, 0.5), "ms");
        benchfig::ReportValue("key to next screen, " + l.first + " (99th percentile)", percentile(v, 0.99), "ms");
        benchfig::ReportValue("key to next screen, " + l.first + " (maximum)", percentile(v, 1), "ms");
    }
    for (const auto &w : f.wakeups)
        benchfig::ReportValue("wake-ups per second " + w.first, percentile(w.second, 0.5), "/s");
    if (!f.rssMiB.empty())
        benchfig::ReportValue("resident memory at the main menu, in the run with keys (MiB)", f.rssMiB[0], "MiB");
    return 0;
}
