// A receipt of 32 goods lines, end to end: kktsim and cashdesk as processes
// of their own (as in the end-to-end tests), the cashier's keys through the
// keypad FIFO, each pressed once the screen trace shows the form that takes
// it. Three figures, medians of several runs:
//   - the whole receipt, from the first key (the wizard chosen in the sales
//     menu) to the receipt's last line in the stand-in's paper.txt;
//   - the build alone, from the list of goods accepted to the same line;
//   - the same controller commands (0x10, 32 x 0x11, 0x12, 0x13, 0x14) sent
//     straight through ServiceExecute to a stand-in of their own;
// and the ratio of the first and the build to the straight commands, also
// as "figure" lines for scripts/bench.sh.
//
//   receipt_bench [RUNS]   (default 5; run it in a private IPC namespace:
//                           unshare --ipc build/release/bench/receipt/receipt_bench)
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "BenchTime.h"
#include "ProgramSandbox.h"
#include "Service.h"
#include "TMCommand.h"

namespace {

using bench::nowMs;
using bench::ProgramSandbox;

const int kPositions = 32;
const long kWaitMs = 30000;
const uint16_t KEY_ENTER = 28, KEY_ADD = 241;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The stand-in with an open shift and, for the program runs, a seller in
// the settings.
ProgramSandbox::Settings settings()
{
    ProgramSandbox::Settings s;
    s.name = "receipt_bench";
    s.folder = "/tmp/cashdesk_receipt_bench_XXXXXX";
    s.scenario = "drive shift open 1\n";
    s.seller = true;
    s.formWaitMs = kWaitMs;
    return s;
}

// Waits until the stand-in's paper log holds the whole receipt (its
// closing rule after the fiscal sign).
bool receiptPrinted(const ProgramSandbox &s)
{
    const double end = nowMs() + kWaitMs;
    while (nowMs() < end) {
        std::string p = bench::readFile(s.Dir() + "/kktsim/paper.txt");
        size_t sign = p.find("\xD0\xA4\xD0\x9F"); // "ФП"
        if (sign != std::string::npos && p.find("--------------------------------\n", sign) != std::string::npos)
            return true;
        bench::pauseMs(1);
    }
    fprintf(stderr, "receipt_bench: the receipt was not printed\n");
    return false;
}

// One receipt through the program: the whole time and the build's.
bool programRun(double &whole, double &build)
{
    ProgramSandbox s(settings());
    if (!s.Start() || !s.Form("kkt_menu_main.xml"))
        return false;
    s.Key(KEY_ENTER); // "sales" is the first item of the main menu
    if (!s.Form("kkt_menu_sales.xml"))
        return false;
    double t0 = nowMs();
    s.Key(KEY_ENTER); // "receipt_fiscal" is the first item of the sales menu
    for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"}) {
        if (!s.Form(page))
            return false;
        s.Key(KEY_ENTER);
    }
    for (int i = 0; i < kPositions; ++i) {
        if (!s.Form("kkt_dlg_poss_cheque.xml"))
            return false;
        s.Key(KEY_ADD);
        for (const char *page : {"kkt_dlg_receipt_calc_object_1_1.xml", "kkt_dlg_receipt_good_1.xml",
                                 "kkt_dlg_select_tax_type.xml", "kkt_dlg_receipt_calc_method.xml",
                                 "kkt_dlg_receipt_agent_1.xml", "kkt_dlg_receipt_good_2.xml"}) {
            if (!s.Form(page))
                return false;
            s.Key(KEY_ENTER);
        }
    }
    if (!s.Form("kkt_dlg_poss_cheque.xml"))
        return false;
    double t1 = nowMs();
    s.Key(KEY_ENTER);
    for (const char *page : {"kkt_dlg_receipt_payment.xml", "kkt_dlg_receipt_client.xml"}) {
        if (!s.Form(page))
            return false;
        s.Key(KEY_ENTER);
    }
    if (!receiptPrinted(s))
        return false;
    double t2 = nowMs();
    whole = t2 - t0;
    build = t2 - t1;
    return true;
}

bool exec(TMCommand &c, int built)
{
    return built > 0 && ServiceExecute(c, 5000) == 0 && c.ErrorCode() == 0;
}

// The same commands straight through the service to a stand-in.
bool straightRun(double &ms)
{
    ProgramSandbox s(settings());
    if (!s.StartSim() || ServiceOpen() != 0)
        return false;
    TMCommand c;
    double t0 = nowMs();
    bool ok = exec(c, c.OpenDocument(0, "Bench", "", "", "", 1, 0, "", ""));
    for (int i = 0; ok && i < kPositions; ++i)
        ok = exec(c, c.AddItem("Товар", "", "1.00", "1.000", "шт.", 0, 4, 1, 0, 1, "", ""));
    ok = ok && exec(c, c.Subtotal(""));
    ok = ok && exec(c, c.AddPayment(0, "32.00", "", ""));
    ok = ok && exec(c, c.CloseDocument());
    ok = ok && receiptPrinted(s);
    ms = nowMs() - t0;
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (runs < 1 || runs > 100) {
        fprintf(stderr, "usage: receipt_bench [RUNS 1..100]\n");
        return 1;
    }
    std::vector<double> whole, build, straight;
    for (int i = 0; i < runs; ++i) {
        double w, b, d;
        if (!programRun(w, b) || !straightRun(d)) {
            fprintf(stderr, "receipt_bench: run %d failed\n", i + 1);
            return 2;
        }
        whole.push_back(w);
        build.push_back(b);
        straight.push_back(d);
    }
    double mw = median(whole), mb = median(build), md = median(straight);
    printf("32-position receipt, medians of %d runs\n", runs);
    printf("  through the program, first key to last tape line: %8.1f ms  (%.1f x the straight commands)\n", mw,
           mw / md);
    printf("  the build alone, list accepted to receipt printed: %8.1f ms  (%.1f x)\n", mb, mb / md);
    printf("  the same commands straight through ServiceExecute: %8.1f ms\n", md);
    // the lines scripts/bench.sh collects
    printf("figure\t32-position receipt through the program\t%.1f\tms\n", mw);
    printf("figure\t32-position receipt / the same commands straight\t%.2f\tthe commands sent straight to kktsim\n",
           mw / md);
    printf("figure\treceipt build / the same commands straight\t%.2f\tthe commands sent straight to kktsim\n", mb / md);
    return 0;
}
