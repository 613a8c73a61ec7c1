// Stand-in for the terminal's Bluetooth library: the 37 entry points of
// OsBluetooth.h over a control file ("/data/osal/bt" under TERMINAL_ROOT,
// read again whenever it changes) instead of a radio. Scans find the
// file's devices, pairing and connections answer as it says after its
// delays, and every event reaches the program's callbacks from the
// library's own thread. Every call and every event is journaled to
// "/data/osal/bt.log", one JSON object a line. Format in README.md.
//
// Built twice: libbt.so, and libbt_partial.so without OsBleBroadcast (a
// library of the wrong version as the program meets it).
#include "OsBluetooth.h"

#include <sys/stat.h>
#include <time.h>

#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BtScript.h"
#include "osal.h"

namespace {

using btfake::Script;

const int kErrParam = -1003, kErrNotOpen = -1006, kErrBusy = -1005, kErrNoLink = -1012;

enum class Cb { PairRequest, PairStatus, SppConnected, SppDisconnected, BredrScan, PanConnected, PanDisconnected, PanScan };

const char *cbName(Cb c)
{
    switch (c) {
    case Cb::PairRequest: return "pair-request";
    case Cb::PairStatus: return "pair-status";
    case Cb::SppConnected: return "spp-connected";
    case Cb::SppDisconnected: return "spp-disconnected";
    case Cb::BredrScan: return "bredr-scan";
    case Cb::PanConnected: return "pan-connected";
    case Cb::PanDisconnected: return "pan-disconnected";
    case Cb::PanScan: return "pan-scan";
    }
    return "?";
}

struct Event {
    uint32_t due;
    Cb cb;
    std::vector<uint8_t> record;
    std::function<void()> apply; // the library's own state change, at delivery
    int status;
};

// Everything lives on the heap and is never freed: the event thread may
// still run while the process exits.
struct Fake {
    std::mutex m;
    std::condition_variable wake, delivered;
    Script script;
    bool scriptSeen = false;
    struct timespec fileTime {};
    off_t fileSize = -1;
    ino_t fileIno = 0;

    bool open = false;
    int mode = 0;
    const OsBtSecurityCallbacks *security = nullptr;
    const OsBtBredrCallbacks *bredr = nullptr;
    const OsBtPanCallbacks *pan = nullptr;
    bool pairSet = false;
    int sppHandle = 0;      // the SPP connection up, 0 none
    bool sppPending = false;
    enum { PanIdle, PanConnecting, PanUp } panState = PanIdle;
    int panHandle = 0;
    int nextHandle = 0x101;
    uint32_t generation = 0; // events of an earlier opening are dropped
    std::vector<Event> events;
    bool delivering = false;
    bool threadStarted = false;
};

Fake &fake()
{
    static Fake *f = new Fake;
    return *f;
}

std::string mapped(const char *path)
{
    char buf[4096];
    return OsMapPath(path, buf, sizeof buf) ? std::string(buf) : std::string();
}

// ---- journal ---------------------------------------------------------------

std::string quote(const char *text, size_t max = 4096)
{
    std::string out = "\"";
    for (size_t i = 0; text && i < max && text[i]; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

class Args {
public:
    Args &num(const char *name, long v)
    {
        add(name, std::to_string(v));
        return *this;
    }
    Args &text(const char *name, const char *v, size_t max = 4096)
    {
        add(name, v ? quote(v, max) : "null");
        return *this;
    }
    std::string str() const { return s_; }

private:
    void add(const char *name, const std::string &v)
    {
        if (!s_.empty())
            s_ += ',';
        s_ += quote(name) + ":" + v;
    }
    std::string s_;
};

void writeLine(const std::string &line)
{
    std::string path = mapped("/data/osal/bt.log");
    if (path.empty())
        return;
    if (FILE *f = std::fopen(path.c_str(), "a")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    }
}

void journal(const char *call, const Args &args, int answer)
{
    writeLine("{\"tick\":" + std::to_string(OsGetTickCount()) + ",\"call\":" + quote(call) + ",\"args\":{" +
              args.str() + "},\"answer\":" + std::to_string(answer) + "}\n");
}

void journalEvent(Cb cb, const Args &what)
{
    writeLine("{\"tick\":" + std::to_string(OsGetTickCount()) + ",\"event\":" + quote(cbName(cb)) +
              (what.str().empty() ? "" : "," + what.str()) + "}\n");
}

// ---- the control file --------------------------------------------------------

// Reads the control file again when it changed (caller holds the lock). A
// bad file: one message on stderr and in the journal, and the default
// script, which has no devices.
void refresh(Fake &f)
{
    std::string path = mapped("/data/osal/bt");
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        if (f.scriptSeen) {
            f.script = Script();
            f.scriptSeen = false;
        }
        return;
    }
    if (f.scriptSeen && st.st_mtim.tv_sec == f.fileTime.tv_sec && st.st_mtim.tv_nsec == f.fileTime.tv_nsec &&
        st.st_size == f.fileSize && st.st_ino == f.fileIno)
        return;
    f.scriptSeen = true;
    f.fileTime = st.st_mtim;
    f.fileSize = st.st_size;
    f.fileIno = st.st_ino;
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!btfake::ParseScript(text.str(), path, &f.script, &error)) {
        std::fprintf(stderr, "libbt: %s (no devices)\n", error.c_str());
        writeLine("{\"tick\":" + std::to_string(OsGetTickCount()) + ",\"event\":\"bad-control-file\",\"error\":" +
                  quote(error.c_str()) + "}\n");
    }
}

// ---- events ------------------------------------------------------------------

bool anyDue(Fake &f, uint32_t now)
{
    for (const Event &e : f.events)
        if (static_cast<int32_t>(now - e.due) >= 0)
            return true;
    return false;
}

OsBtCallback callbackOf(Fake &f, Cb cb)
{
    switch (cb) {
    case Cb::PairRequest: return f.security ? f.security->PairRequest : nullptr;
    case Cb::PairStatus: return f.security ? f.security->PairStatus : nullptr;
    case Cb::SppConnected: return f.bredr ? f.bredr->SppConnected : nullptr;
    case Cb::SppDisconnected: return f.bredr ? f.bredr->SppDisconnected : nullptr;
    case Cb::BredrScan: return f.bredr ? f.bredr->ScanResult : nullptr;
    case Cb::PanConnected: return f.pan ? f.pan->Connected : nullptr;
    case Cb::PanDisconnected: return f.pan ? f.pan->Disconnected : nullptr;
    case Cb::PanScan: return f.pan ? f.pan->ScanResult : nullptr;
    }
    return nullptr;
}

// The library's thread: delivers each event once it is due, one at a time,
// outside the lock.
void eventThread()
{
    Fake &f = fake();
    std::unique_lock<std::mutex> lock(f.m);
    for (;;) {
        f.wake.wait_for(lock, std::chrono::milliseconds(5));
        for (;;) {
            uint32_t now = OsGetTickCount();
            size_t i = 0;
            while (i < f.events.size() && static_cast<int32_t>(now - f.events[i].due) < 0)
                ++i;
            if (i == f.events.size())
                break;
            Event e = std::move(f.events[i]);
            f.events.erase(f.events.begin() + static_cast<long>(i));
            if (e.apply)
                e.apply();
            OsBtCallback cb = callbackOf(f, e.cb);
            journalEvent(e.cb, Args().num("status", e.status).num("callback", cb ? 1 : 0));
            if (cb) {
                f.delivering = true;
                lock.unlock();
                cb(e.record.data());
                lock.lock();
                f.delivering = false;
            }
        }
        f.delivered.notify_all();
    }
}

// Under a test's virtual clock: a pause of the program lets the events that
// fell due in it reach their callbacks before the pause ends.
void sleepHook(unsigned int, void *)
{
    Fake &f = fake();
    std::unique_lock<std::mutex> lock(f.m);
    f.wake.notify_all();
    f.delivered.wait_for(lock, std::chrono::seconds(2),
                         [&] { return !f.delivering && !anyDue(f, OsGetTickCount()); });
}

void startThread(Fake &f)
{
    if (OsTestClockIsVirtual())
        OsTestClockSetSleepHook(sleepHook, nullptr);
    if (f.threadStarted)
        return;
    f.threadStarted = true;
    std::thread(eventThread).detach();
}

template <class T>
void post(Fake &f, uint32_t delay, Cb cb, const T &record, int status, std::function<void()> apply = nullptr)
{
    Event e;
    e.due = OsGetTickCount() + delay;
    e.cb = cb;
    e.record.resize(sizeof(T));
    std::memcpy(e.record.data(), &record, sizeof(T));
    uint32_t generation = f.generation;
    e.apply = [&f, generation, apply]() {
        if (apply && generation == f.generation)
            apply();
    };
    e.status = status;
    f.events.push_back(std::move(e));
    f.wake.notify_all();
}

OsBtEvent head(int handle, int kind, const char *addr, int status)
{
    OsBtEvent h;
    std::memset(&h, 0, sizeof h);
    h.Handle = handle;
    h.Kind = kind;
    std::snprintf(h.Addr, sizeof h.Addr, "%s", addr ? addr : "");
    h.Status = status;
    return h;
}

// An address as the radio compares it: "-" and ":" alike, any case.
std::string addressKey(const std::string &addr)
{
    std::string key;
    for (char c : addr)
        key += c == '-' ? ':' : static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return key;
}

const btfake::Device *findDevice(const Fake &f, const char *addr)
{
    if (!addr)
        return nullptr;
    std::string key = addressKey(addr);
    for (const btfake::Device &d : f.script.devices)
        if (addressKey(d.addr) == key)
            return &d;
    return nullptr;
}

// Schedules an SPP connection of the terminal with a peer (outgoing or a PC
// coming in) and, when scripted, its end.
void postSppConnected(Fake &f, uint32_t delay, const char *addr, int status, int leaveMs)
{
    int handle = f.nextHandle++;
    OsBtSppConnected ev;
    std::memset(&ev, 0, sizeof ev);
    ev.Head = head(handle, OS_BT_EV_SPP_CONNECTED, addr, status);
    ev.SppHandle = handle;
    ev.Channel = 1;
    f.sppPending = true;
    post(f, delay, Cb::SppConnected, ev, status, [&f, handle, status]() {
        f.sppPending = false;
        if (status == 0)
            f.sppHandle = handle;
    });
    if (status == 0 && leaveMs >= 0) {
        OsBtEvent gone = head(handle, OS_BT_EV_SPP_DISCONNECTED, addr, 0);
        post(f, delay + static_cast<uint32_t>(leaveMs), Cb::SppDisconnected, gone, 0, [&f, handle]() {
            if (f.sppHandle == handle)
                f.sppHandle = 0;
        });
    }
}

// The common prologue: the control file, a scripted failure, an open module.
// Returns 1 to go on, else the answer has been journaled into *answer.
bool failed(Fake &f, const char *call, const Args &args, int *answer, bool needsOpen = true)
{
    refresh(f);
    auto it = f.script.failures.find(call);
    if (it != f.script.failures.end())
        *answer = it->second;
    else if (needsOpen && !f.open)
        *answer = kErrNotOpen;
    else
        return false;
    journal(call, args, *answer);
    return true;
}

int simple(const char *call, const Args &args = Args(), bool needsOpen = true)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    int answer = 0;
    if (failed(f, call, args, &answer, needsOpen))
        return answer;
    journal(call, args, 0);
    return 0;
}

void closeLinks(Fake &f)
{
    f.open = false;
    f.security = nullptr;
    f.bredr = nullptr;
    f.pan = nullptr;
    f.pairSet = false;
    f.sppHandle = 0;
    f.sppPending = false;
    f.panState = Fake::PanIdle;
    f.panHandle = 0;
    f.events.clear();
    ++f.generation;
}

} // namespace

extern "C" {

int OsBluetoothOpen(const char *name, int mode)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().text("name", name, 64).num("mode", mode);
    int answer = 0;
    if (failed(f, "OsBluetoothOpen", args, &answer, false))
        return answer;
    answer = !name ? kErrParam : f.open ? kErrBusy : 0;
    if (answer == 0) {
        closeLinks(f);
        f.open = true;
        f.mode = mode;
        startThread(f);
    }
    journal("OsBluetoothOpen", args, answer);
    return answer;
}

int OsBluetoothSetName(const char *name)
{
    return simple("OsBluetoothSetName", Args().text("name", name, 64));
}

int OsBluetoothCheck(void)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    int answer = 0;
    if (failed(f, "OsBluetoothCheck", Args(), &answer, false))
        return answer;
    int state = !f.open ? OS_BT_CHECK_CLOSED
                : f.sppHandle ? OS_BT_CHECK_SPP_CONNECTED
                : f.sppPending ? OS_BT_CHECK_CONNECTING : OS_BT_CHECK_OPEN;
    answer = f.script.check.take(state);
    journal("OsBluetoothCheck", Args(), answer);
    return answer;
}

int OsBluetoothSetSecurityCallback(const OsBtSecurityCallbacks *table)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("table", table ? 1 : 0);
    int answer = 0;
    if (failed(f, "OsBluetoothSetSecurityCallback", args, &answer))
        return answer;
    answer = table ? 0 : kErrParam;
    if (table)
        f.security = table;
    journal("OsBluetoothSetSecurityCallback", args, answer);
    return answer;
}

int OsBluetoothSetPairAuth(const OsBtPairAuth *auth)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args;
    if (auth)
        args.num("mode", auth->Mode).num("usePin", auth->UsePin).text("pin", auth->Pin, sizeof auth->Pin);
    int answer = 0;
    if (failed(f, "OsBluetoothSetPairAuth", args, &answer))
        return answer;
    answer = auth ? 0 : kErrParam;
    if (answer == 0) {
        f.pairSet = true;
        // The PC of the work with a PC: it pairs and opens the serial link.
        if (f.mode == OS_BT_OPEN_SPP && f.script.hostConnectMs >= 0 && !f.sppHandle && !f.sppPending) {
            OsBtEvent req = head(0, OS_BT_EV_PAIR_REQUEST, "PC", 0);
            post(f, 0, Cb::PairRequest, req, 0);
            postSppConnected(f, static_cast<uint32_t>(f.script.hostConnectMs), "PC", 0, f.script.hostLeaveMs);
        }
    }
    journal("OsBluetoothSetPairAuth", args, answer);
    return answer;
}

int OsBluetoothGetPairedList(char *addrs, int max)
{
    if (addrs && max > 0)
        addrs[0] = '\0';
    return simple("OsBluetoothGetPairedList", Args().num("max", max));
}

int OsBluetoothRemovePaired(const char *addr)
{
    return simple("OsBluetoothRemovePaired", Args().text("addr", addr, 32));
}

int OsBluetoothGetBaseInfo(char *info, int size)
{
    if (info && size > 0)
        std::snprintf(info, static_cast<size_t>(size), "PC stand-in");
    return simple("OsBluetoothGetBaseInfo", Args().num("size", size));
}

int OsBluetoothClose(void)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    int answer = 0;
    if (failed(f, "OsBluetoothClose", Args(), &answer, false))
        return answer;
    closeLinks(f);
    journal("OsBluetoothClose", Args(), 0);
    return 0;
}

int OsBluetoothIoctl(int request, void *)
{
    return simple("OsBluetoothIoctl", Args().num("request", request));
}

int OsBREDRSetCallback(const OsBtBredrCallbacks *table)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("table", table ? 1 : 0);
    int answer = 0;
    if (failed(f, "OsBREDRSetCallback", args, &answer))
        return answer;
    answer = table ? 0 : kErrParam;
    if (table)
        f.bredr = table;
    journal("OsBREDRSetCallback", args, answer);
    return answer;
}

int OsBREDRBroadcast(int on)
{
    return simple("OsBREDRBroadcast", Args().num("on", on));
}

int OsBREDRStartScan(int seconds)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("seconds", seconds);
    int answer = 0;
    if (failed(f, "OsBREDRStartScan", args, &answer))
        return answer;
    if (f.script.scanAnswers) {
        OsBtBredrScanResult r;
        std::memset(&r, 0, sizeof r);
        r.Count = static_cast<int32_t>(f.script.devices.size());
        for (size_t i = 0; i < f.script.devices.size(); ++i) {
            std::snprintf(r.Devices[i].Addr, sizeof r.Devices[i].Addr, "%s", f.script.devices[i].addr.c_str());
            std::snprintf(r.Devices[i].Name, sizeof r.Devices[i].Name, "%s", f.script.devices[i].name.c_str());
            r.Devices[i].Rssi = -50;
        }
        post(f, f.script.scanDelay, Cb::BredrScan, r, r.Count);
    }
    journal("OsBREDRStartScan", args, 0);
    return 0;
}

int OsBREDRStopScan(void)
{
    return simple("OsBREDRStopScan");
}

int OsBREDRStartPair(const char *addr, int mode)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().text("addr", addr, 32).num("mode", mode);
    int answer = 0;
    if (failed(f, "OsBREDRStartPair", args, &answer))
        return answer;
    answer = addr ? 0 : kErrParam;
    if (answer == 0 && f.script.pairStatus != btfake::kNoEvent) {
        OsBtEvent ev = head(0, OS_BT_EV_PAIR_STATUS, addr, f.script.pairStatus);
        post(f, f.script.pairDelay, Cb::PairStatus, ev, f.script.pairStatus);
    }
    journal("OsBREDRStartPair", args, answer);
    return answer;
}

int OsBREDRStartSPPConnect(const char *addr)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().text("addr", addr, 32);
    int answer = 0;
    if (failed(f, "OsBREDRStartSPPConnect", args, &answer))
        return answer;
    answer = !addr ? kErrParam : (f.sppHandle || f.sppPending) ? kErrBusy : !findDevice(f, addr) ? kErrNoLink : 0;
    if (answer == 0)
        postSppConnected(f, f.script.sppDelay, addr, f.script.sppStatus, -1);
    journal("OsBREDRStartSPPConnect", args, answer);
    return answer;
}

int OsBREDRSPPDisconnect(int handle)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("handle", handle);
    int answer = 0;
    if (failed(f, "OsBREDRSPPDisconnect", args, &answer))
        return answer;
    answer = handle != 0 && handle == f.sppHandle ? 0 : kErrParam;
    if (answer == 0) {
        OsBtEvent gone = head(handle, OS_BT_EV_SPP_DISCONNECTED, "", 0);
        f.sppHandle = 0;
        post(f, 0, Cb::SppDisconnected, gone, 0);
    }
    journal("OsBREDRSPPDisconnect", args, answer);
    return answer;
}

int OsBREDRGetSPPDevice(OsBtSppDevice *device)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("handle", device ? device->Handle : 0);
    int answer = 0;
    if (failed(f, "OsBREDRGetSPPDevice", args, &answer))
        return answer;
    answer = !device ? kErrParam : device->Handle == 0 || device->Handle != f.sppHandle ? kErrNoLink : 0;
    if (answer == 0) {
        std::snprintf(device->Path, sizeof device->Path, "%s", f.script.sppDevice.c_str());
        device->Connection = device->Handle;
        args.text("path", device->Path);
    }
    journal("OsBREDRGetSPPDevice", args, answer);
    return answer;
}

int OsBREDRGetSPPConnectionList(int *handles, int max)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("max", max);
    int answer = 0;
    if (failed(f, "OsBREDRGetSPPConnectionList", args, &answer))
        return answer;
    answer = f.sppHandle && handles && max > 0 ? 1 : 0;
    if (answer)
        handles[0] = f.sppHandle;
    journal("OsBREDRGetSPPConnectionList", args, answer);
    return answer;
}

int OsBleGetConnectionList(int *, int max) { return simple("OsBleGetConnectionList", Args().num("max", max)); }
int OsBleGetDevice(int handle, char *addr, int size)
{
    if (addr && size > 0)
        addr[0] = '\0';
    return simple("OsBleGetDevice", Args().num("handle", handle));
}
int OsBleRegisterClient(const void *) { return simple("OsBleRegisterClient"); }
int OsBleUnregisterClient(int client) { return simple("OsBleUnregisterClient", Args().num("client", client)); }
int OsBleClientConnect(int client, const char *addr)
{
    return simple("OsBleClientConnect", Args().num("client", client).text("addr", addr, 32));
}
int OsBleClientDisconnect(int client) { return simple("OsBleClientDisconnect", Args().num("client", client)); }
int OsBleStartScan(int seconds) { return simple("OsBleStartScan", Args().num("seconds", seconds)); }
int OsBleStopScan(void) { return simple("OsBleStopScan"); }
int OsBleRegisterServer(const void *) { return simple("OsBleRegisterServer"); }
int OsBleUnregisterServer(int server) { return simple("OsBleUnregisterServer", Args().num("server", server)); }
int OsBleServerDisconnect(int server) { return simple("OsBleServerDisconnect", Args().num("server", server)); }
#ifndef BTFAKE_PARTIAL
int OsBleBroadcast(const void *, int len) { return simple("OsBleBroadcast", Args().num("len", len)); }
#endif

int OsPanSetCallback(const OsBtPanCallbacks *table)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("table", table ? 1 : 0);
    int answer = 0;
    if (failed(f, "OsPanSetCallback", args, &answer))
        return answer;
    answer = table ? 0 : kErrParam;
    if (table)
        f.pan = table;
    journal("OsPanSetCallback", args, answer);
    return answer;
}

int OsPanSetRole(const OsPanRoleParam *role)
{
    Args args;
    if (role)
        args.num("role", role->Role).text("name", role->Name, sizeof role->Name);
    if (!role) {
        journal("OsPanSetRole", args, kErrParam);
        return kErrParam;
    }
    return simple("OsPanSetRole", args);
}

int OsPanStartScan(const OsPanScanParam *scan)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args;
    if (scan)
        args.num("duration", scan->Duration).num("services", scan->Services);
    int answer = 0;
    if (failed(f, "OsPanStartScan", args, &answer))
        return answer;
    answer = scan ? 0 : kErrParam;
    if (answer == 0 && f.script.scanAnswers) {
        OsBtPanScanResult r;
        std::memset(&r, 0, sizeof r);
        r.Count = static_cast<int32_t>(f.script.devices.size());
        for (size_t i = 0; i < f.script.devices.size(); ++i) {
            std::snprintf(r.Devices[i].Addr, sizeof r.Devices[i].Addr, "%s", f.script.devices[i].addr.c_str());
            std::snprintf(r.Devices[i].Name, sizeof r.Devices[i].Name, "%s", f.script.devices[i].name.c_str());
            r.Devices[i].Rssi = -50;
            r.Devices[i].Services = static_cast<uint32_t>(scan->Services);
        }
        post(f, f.script.scanDelay, Cb::PanScan, r, r.Count);
    }
    journal("OsPanStartScan", args, answer);
    return answer;
}

int OsPanConnect(const OsPanConnectParam *request)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args;
    if (request)
        args.text("addr", request->Addr, sizeof request->Addr).num("role", request->Role)
            .num("services", request->Services);
    int answer = 0;
    if (failed(f, "OsPanConnect", args, &answer))
        return answer;
    answer = !request ? kErrParam : f.panState != Fake::PanIdle ? kErrBusy : 0;
    if (answer == 0) {
        int handle = f.nextHandle++;
        int status = f.script.panStatus;
        OsBtPanConnected ev;
        std::memset(&ev, 0, sizeof ev);
        ev.Head = head(handle, OS_BT_EV_PAN_CONNECTED, request->Addr, status);
        ev.PanHandle = handle;
        ev.Role = request->Role;
        ev.NetIf = 9;
        f.panState = Fake::PanConnecting;
        post(f, f.script.panDelay, Cb::PanConnected, ev, status, [&f, handle, status]() {
            f.panState = status == 0 ? Fake::PanUp : Fake::PanIdle;
            f.panHandle = status == 0 ? handle : 0;
        });
    }
    journal("OsPanConnect", args, answer);
    return answer;
}

int OsPanDisconnect(int handle)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    Args args = Args().num("handle", handle);
    int answer = 0;
    if (failed(f, "OsPanDisconnect", args, &answer))
        return answer;
    if (f.panState == Fake::PanUp) {
        OsBtEvent gone = head(f.panHandle, OS_BT_EV_PAN_DISCONNECTED, "", 0);
        post(f, 0, Cb::PanDisconnected, gone, 0);
    }
    f.panState = Fake::PanIdle;
    f.panHandle = 0;
    journal("OsPanDisconnect", args, 0);
    return 0;
}

int OsPanCheck(void)
{
    Fake &f = fake();
    std::lock_guard<std::mutex> lock(f.m);
    int answer = 0;
    if (failed(f, "OsPanCheck", Args(), &answer))
        return answer;
    int state = f.panState == Fake::PanUp ? OS_PAN_CHECK_CONNECTED
                : f.panState == Fake::PanConnecting ? OS_PAN_CHECK_CONNECTING : OS_PAN_CHECK_IDLE;
    answer = f.script.panCheck.take(state);
    journal("OsPanCheck", Args(), answer);
    return answer;
}

} // extern "C"
