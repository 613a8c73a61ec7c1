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
#include <errno.h>
#include <fcntl.h>
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
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "Service.h"
#include "TMCommand.h"
#include "osal.h"
#include "vuInputRecord.h"

namespace {

using bench::readFile;
using bench::spawn;
using bench::stop;

const int kPositions = 32;
const long kWaitMs = 30000;
const uint16_t KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108, KEY_ADD = 241;

double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

void pause1ms()
{
    timespec p{0, 1000 * 1000};
    nanosleep(&p, nullptr);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One sandbox: the stand-in and, for the program runs, a terminal root.
class Sandbox {
public:
    Sandbox()
    {
        char tmpl[] = "/tmp/cashdesk_receipt_bench_XXXXXX";
        if (mkdtemp(tmpl))
            dir = tmpl;
        root = dir + "/root";
        trace = dir + "/trace.jsonl";
        paper = dir + "/kktsim/paper.txt";
        std::string cmd = "cp -r '" + std::string(SOURCE_DIR) + "/res' '" + dir + "/res' && mkdir -p '" + dir +
                          "/data' '" + root + "/dev/graphics' '" + dir + "/kktsim'";
        ok = !dir.empty() && system(cmd.c_str()) == 0;
    }
    ~Sandbox()
    {
        stop(cashdesk);
        stop(sim);
        if (keypad >= 0)
            close(keypad);
        if (!dir.empty())
            (void)system(("rm -rf '" + dir + "'").c_str());
    }

    bool StartSim()
    {
        std::ofstream(dir + "/scenario") << readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn")
                                         << "drive shift open 1\n";
        sim = spawn(dir, {KKTSIM_PATH, "--dir", dir + "/kktsim", "--scenario", dir + "/scenario"});
        double end = nowMs() + 5000;
        while (access((dir + "/kktsim/kktsim.pid").c_str(), R_OK) != 0) {
            if (nowMs() > end || waitpid(sim, nullptr, WNOHANG) != 0)
                return false;
            pause1ms();
        }
        return true;
    }

    bool StartCashdesk()
    {
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ftruncate(fd, 240 * 320 * 2) != 0)
            return false;
        close(fd);
        OsRegSetValue("osal.fb.xres", "240");
        OsRegSetValue("osal.fb.yres", "320");
        OsRegSetValue("osal.fb.bpp", "16");
        if (mkfifo((root + "/dev/keypad").c_str(), 0666) != 0)
            return false;
        keypad = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings><FiscalReceipt Seller=\"Bench\"/></settings>\n";
        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        cashdesk = spawn(dir, {CASHDESK_PATH});
        return keypad >= 0 && cashdesk > 0;
    }

    void Key(uint16_t code, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            for (int32_t value : {1, 0}) {
                vuInputRecord rec{0, 0, vuInputRecord::Key, code, value};
                if (write(keypad, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
                    fprintf(stderr, "receipt_bench: a key was not written\n");
            }
    }

    // Waits for the next "form" line of that file (or message box title).
    bool Form(const std::string &name)
    {
        double end = nowMs() + kWaitMs;
        for (;;) {
            // only what was written since the last look, whole lines
            std::ifstream in(trace, std::ios::binary);
            in.seekg(static_cast<std::streamoff>(offset));
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            size_t at, from = 0;
            while ((at = text.find('\n', from)) != std::string::npos) {
                std::string line = text.substr(from, at - from);
                from = at + 1;
                offset += line.size() + 1;
                if (line.find("\"event\":\"form\"") != std::string::npos &&
                    (line.find("\"file\":\"" + name + "\"") != std::string::npos ||
                     line.find("\"header\":\"" + name + "\"") != std::string::npos))
                    return true;
            }
            if (nowMs() > end) {
                fprintf(stderr, "receipt_bench: no form %s\n", name.c_str());
                return false;
            }
            pause1ms();
        }
    }

    // Waits until the paper log holds the whole receipt (its closing rule
    // after the fiscal sign).
    bool ReceiptPrinted()
    {
        double end = nowMs() + kWaitMs;
        while (nowMs() < end) {
            std::string p = readFile(paper);
            size_t sign = p.find("\xD0\xA4\xD0\x9F"); // "ФП"
            if (sign != std::string::npos && p.find("--------------------------------\n", sign) != std::string::npos)
                return true;
            pause1ms();
        }
        fprintf(stderr, "receipt_bench: the receipt was not printed\n");
        return false;
    }

    std::string dir, root, trace, paper;
    bool ok = false;
    pid_t sim = -1, cashdesk = -1;
    int keypad = -1;
    size_t offset = 0;
};

// One receipt through the program: the whole time and the build's.
bool programRun(double &whole, double &build)
{
    Sandbox s;
    if (!s.ok || !s.StartSim() || !s.StartCashdesk() || !s.Form("kkt_menu_main.xml"))
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
    if (!s.ReceiptPrinted())
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
    Sandbox s;
    if (!s.ok || !s.StartSim() || ServiceOpen() != 0)
        return false;
    TMCommand c;
    double t0 = nowMs();
    bool ok = exec(c, c.OpenDocument(0, "Bench", "", "", "", 1, 0, "", ""));
    for (int i = 0; ok && i < kPositions; ++i)
        ok = exec(c, c.AddItem("Товар", "", "1.00", "1.000", "шт.", 0, 4, 1, 0, 1, "", ""));
    ok = ok && exec(c, c.Subtotal(""));
    ok = ok && exec(c, c.AddPayment(0, "32.00", "", ""));
    ok = ok && exec(c, c.CloseDocument());
    ok = ok && s.ReceiptPrinted();
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
