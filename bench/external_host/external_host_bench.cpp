// The work with a PC, measured end to end: kktsim and cashdesk as processes
// of their own, the PC played in this process by hostsim's library, keys
// through the keypad FIFO once the screen trace shows the form that takes
// them. Figures:
//   - a host command's round trip (0x45, the frame sent to its reply taken)
//     through the relay over the USB port's pty and over TCP on loopback
//     (WiFi), median and 99th percentile, against the same command sent
//     straight to the stand-in through ServiceExecute;
//   - the round trip in passes of the UI thread's modal loop (100 ms each
//     when idle): at most two is the goal;
//   - raw-print and raster throughput through the relay (bytes per second,
//     from the data's first byte to the reply that ends it).
//
//   external_host_bench [ROUND TRIPS]   (default 200; in a private IPC
//   namespace and a private network namespace, as scripts/bench.sh runs it:
//   it listens on port 4000 of loopback)
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "BenchProcess.h"
#include "BenchTime.h"
#include "HostSim.h"
#include "ProgramSandbox.h"
#include "Service.h"
#include "TMCommand.h"

namespace {

using bench::nowMs;
using bench::percentile;
using bench::ProgramSandbox;

const double kPassMs = 100; // the UI thread's idle pass
const uint16_t KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108;

// The stand-in answers the raw print's and the raster's commands.
ProgramSandbox::Settings settings()
{
    ProgramSandbox::Settings s;
    s.name = "external_host_bench";
    s.folder = "/tmp/cashdesk_host_bench_XXXXXX";
    s.scenario = "answer 70\nanswer 4F\n";
    s.formWaitMs = 30000;
    return s;
}

std::vector<hostsim::Step> steps(const std::string &text)
{
    std::vector<hostsim::Step> out;
    std::string error;
    if (!hostsim::ParseScript(text, out, &error))
        fprintf(stderr, "external_host_bench: %s\n", error.c_str());
    return out;
}

// The ids of a menu description's items, in order.
std::vector<std::string> menuItems(const std::string &path)
{
    std::vector<std::string> out;
    std::string xml = bench::readFile(path);
    size_t at = 0;
    while ((at = xml.find("<ITEM", at)) != std::string::npos) {
        size_t name = xml.find("name=\"", at);
        size_t close = xml.find('>', at);
        if (name != std::string::npos && name < close) {
            name += 6;
            out.push_back(xml.substr(name, xml.find('"', name) - name));
        } else {
            out.push_back("");
        }
        at = close;
    }
    return out;
}

// From the main menu to the link chooser, then the row.
bool openHostMode(ProgramSandbox &s, int row)
{
    if (!s.Form("kkt_menu_main.xml"))
        return false;
    std::vector<std::string> main = menuItems(s.Dir() + "/res/kkt_menu_main.xml");
    std::vector<std::string> service = menuItems(s.Dir() + "/res/kkt_menu_service.xml");
    long m = std::find(main.begin(), main.end(), "service") - main.begin();
    long e = std::find(service.begin(), service.end(), "ext_mode") - service.begin();
    if (m >= static_cast<long>(main.size()) || e >= static_cast<long>(service.size()))
        return false;
    s.Key(KEY_DOWN, static_cast<int>(m));
    s.Key(KEY_ENTER);
    if (!s.Form("kkt_menu_service.xml"))
        return false;
    s.Key(KEY_DOWN, static_cast<int>(e));
    s.Key(KEY_ENTER);
    if (!s.Form("kkt_dlg_select_external.xml"))
        return false;
    s.Key(KEY_DOWN, row - 1);
    s.Key(KEY_ENTER);
    return true;
}

struct Figures {
    std::vector<double> roundTrips;
    double rawPerSecond = 0, rasterPerSecond = 0;
};

// Round trips, raw print and a raster over a host link already open.
bool measure(hostsim::Host &host, int count, Figures &f, bool throughput)
{
    std::vector<hostsim::Step> command = steps("frame 45\nexpect 45 -1 10000\n");
    for (int i = 0; i < count; ++i) {
        double t0 = nowMs();
        if (host.Run(command) != 0)
            return false;
        f.roundTrips.push_back(nowMs() - t0);
    }
    if (!throughput)
        return true;
    // Raw print: 16 KiB of text lines, then its end.
    std::string text;
    while (text.size() < 16384)
        text += "external_host_bench_line_0123456789\\x0a";
    if (host.Run(steps("frame 70\nexpect 70 -1 10000\n")) != 0)
        return false;
    std::vector<hostsim::Step> raw = steps("raw " + text + "\\x1b\\x1b\nexpect 70 -1 30000\n");
    double t0 = nowMs();
    if (host.Run(raw) != 0)
        return false;
    f.rawPerSecond = (raw[0].bytes.size()) / ((nowMs() - t0) / 1000.0);
    // A raster of 16 x 8 by 8 x 30 dots (3840 bytes).
    if (host.Run(steps("frame 4F 00 10 1E\nexpect 4F -1 10000\n")) != 0)
        return false;
    std::vector<hostsim::Step> raster = steps("raster 16 30 A5\nexpect 4F -1 30000\n");
    t0 = nowMs();
    if (host.Run(raster) != 0)
        return false;
    f.rasterPerSecond = raster[0].bytes.size() / ((nowMs() - t0) / 1000.0);
    return true;
}

bool overPty(int count, Figures &f)
{
    ProgramSandbox s(settings());
    if (!s.Start())
        return false;
    hostsim::Options o;
    o.ptyLink = s.Root() + "/data/osal/port11";
    o.timeoutMs = 20000;
    hostsim::Host host(o);
    if (host.Run(steps("connect\n")) != 0 || !openHostMode(s, 1) || !s.Form("kkt_dlg_external.xml") ||
        host.Run(steps("await-open 20000\n")) != 0)
        return false;
    bool ok = measure(host, count, f, true);
    s.Key(KEY_CANCEL);
    return ok;
}

bool overTcp(int count, Figures &f)
{
    ProgramSandbox s(settings());
    std::ofstream(s.Root() + "/data/osal/network") << "wifi-ap 9 16 -40 Bench\nwifi-connect 0\nwifi-check 0\n";
    if (!s.Start() || !openHostMode(s, 2))
        return false;
    if (!s.Form("\xD0\x92\xD0\xAB\xD0\x91\xD0\x9E\xD0\xA0 WIFI \xD0\xA2\xD0\x9E\xD0\xA7\xD0\x9A\xD0\x98")) // ВЫБОР WIFI ТОЧКИ
        return false;
    s.Key(KEY_ENTER);
    if (!s.Form("common_conn_dlg_wifi_pass.xml"))
        return false;
    s.Key(2 + 6); // a key of one digit, 7
    s.Key(KEY_ENTER);
    if (!s.Form("kkt_dlg_external.xml"))
        return false;
    hostsim::Options o;
    o.tcp = "127.0.0.1:4000";
    o.timeoutMs = 20000;
    hostsim::Host host(o);
    if (host.Run(steps("connect 20000\n")) != 0)
        return false;
    bool ok = measure(host, count, f, false);
    s.Key(KEY_CANCEL);
    return ok;
}

bool straight(int count, std::vector<double> &out)
{
    ProgramSandbox s(settings());
    if (!s.StartSim() || ServiceOpen() != 0)
        return false;
    TMCommand c;
    for (int i = 0; i < count; ++i) {
        double t0 = nowMs();
        if (c.Begin(0x45) <= 0 || c.End() <= 0 || ServiceExecute(c, 5000) != 0)
            return false;
        out.push_back(nowMs() - t0);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 200;
    if (count < 10 || count > 10000) {
        fprintf(stderr, "usage: external_host_bench [ROUND TRIPS 10..10000]\n");
        return 1;
    }
    Figures pty, tcp;
    std::vector<double> direct;
    if (!straight(count, direct)) {
        fprintf(stderr, "external_host_bench: the straight commands failed\n");
        return 2;
    }
    if (!overPty(count, pty)) {
        fprintf(stderr, "external_host_bench: the run over the pty failed\n");
        return 2;
    }
    if (!overTcp(count, tcp)) {
        fprintf(stderr, "external_host_bench: the run over TCP failed\n");
        return 2;
    }
    const double dm = percentile(direct, 0.5), d99 = percentile(direct, 0.99);
    const double pm = percentile(pty.roundTrips, 0.5), p99 = percentile(pty.roundTrips, 0.99);
    const double tm = percentile(tcp.roundTrips, 0.5), t99 = percentile(tcp.roundTrips, 0.99);
    printf("host command 0x45, %d round trips each (median / 99th percentile, ms)\n", count);
    printf("  straight to kktsim through ServiceExecute: %8.2f / %8.2f\n", dm, d99);
    printf("  through the relay over the USB port's pty: %8.2f / %8.2f  (%.1f x straight; %.2f passes)\n", pm, p99,
           pm / dm, pm / kPassMs);
    printf("  through the relay over TCP on loopback:    %8.2f / %8.2f  (%.1f x straight; %.2f passes)\n", tm, t99,
           tm / dm, tm / kPassMs);
    printf("throughput over the pty: raw print %.0f bytes/s, raster %.0f bytes/s\n", pty.rawPerSecond,
           pty.rasterPerSecond);
    printf("figure\thost round trip over the pty, median\t%.2f\tms\n", pm);
    printf("figure\thost round trip over the pty, 99th percentile\t%.2f\tms\n", p99);
    printf("figure\thost round trip over TCP, median\t%.2f\tms\n", tm);
    printf("figure\thost round trip over TCP, 99th percentile\t%.2f\tms\n", t99);
    printf("figure\thost round trip over the pty / straight\t%.2f\tthe command sent straight to kktsim\n", pm / dm);
    printf("figure\thost round trip over TCP / straight\t%.2f\tthe command sent straight to kktsim\n", tm / dm);
    printf("figure\thost round trip (99th percentile) in UI passes\t%.2f\tpasses of 100 ms\n",
           std::max(p99, t99) / kPassMs);
    printf("figure\traw print through the relay\t%.0f\t/s\n", pty.rawPerSecond);
    printf("figure\traster through the relay\t%.0f\t/s\n", pty.rasterPerSecond);
    return 0;
}
