// The OS library stand-in's network calls: IP configuration, WiFi and the
// cellular module, scripted by "/data/osal/network" of the terminal's root.
// Nothing here touches the machine's network: the calls keep what they were
// told and answer as the script says, and every link's sockets use the PC's
// own stack. Each call is written to "/data/osal/network.log" as one JSON
// line, with keys, passwords and PINs masked.

#include "osal.h"

#include <arpa/inet.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum : int {
    kDeviceNotFound = -1004,
    kBadArgument = -1003,
    kTimeout = -1001,
    kNoConnection = -1012,
    kNoDevice = -3307,
    kLinkInactive = -3310,
    kDhcpNotStarted = -3314,
    kWifiOff = -3351,
};

const int kScanList = INT_MIN; // "list" in a wifi-scan sequence
// What separates the words of a script line (as the stream reads them).
const char kBlanks[] = " \t\f\v\r";

// Answers given in order, one per call; the last repeats.
struct Seq {
    std::vector<int> values;
    size_t pos = 0;
    bool set() const { return !values.empty(); }
    int next(int fallback)
    {
        if (values.empty())
            return fallback;
        int v = values[pos < values.size() ? pos : values.size() - 1];
        if (pos < values.size())
            ++pos;
        return v;
    }
};

struct IfaceScript {
    Seq start, check, setConfig, setRoute;
    bool hasConfig = false;
    std::string config[4];
};

// The answers for one target, in order (the last repeats), each after the
// delay.
struct PingRule {
    Seq answers;
    unsigned delay = 0;
};

struct Script {
    std::map<int, IfaceScript> ifaces;
    bool wifi = false;
    Seq wifiOpen, wifiScan, wifiConnect, wifiCheck, wifiRssi;
    std::vector<OsWifiApInfo> aps;
    bool wl = false;
    Seq wlCheck, wlLock, wlSim, wlInit, wlLogin, wlLogout, wlSignal;
    std::map<std::string, PingRule> ping;
};

struct IfaceState {
    enum { None, Pending, Done } dhcp = None;
    bool configured = false;
    std::string config[4];
};

struct State {
    std::map<int, IfaceState> ifaces;
    int route = 0;
    bool wifiOpen = false;
    enum { Idle, Joining, Joined } wifi = Idle;
    std::string essid;
    bool wlLocked = false;
    enum { Out, Connecting, In } wl = Out;
};

std::mutex g_mutex;
Script g_script;
State g_state;
bool g_testScript = false;
// What the file looked like when it was last read.
bool g_fileSeen = false;
struct timespec g_fileTime {};
off_t g_fileSize = -1;
ino_t g_fileIno = 0;

std::string mappedPath(const char *path)
{
    char buf[4096];
    return OsMapPath(path, buf, sizeof buf) ? std::string(buf) : std::string();
}

// ---- script -------------------------------------------------------------

bool parseInt(const std::string &word, long lo, long hi, int *out)
{
    if (word.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(word.c_str(), &end, 0);
    if (errno || *end || v < lo || v > hi)
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool parseIface(const std::string &word, int *out)
{
    static const std::map<std::string, int> names = {
        {"eth1", OS_NET_IF_ETH1}, {"gprs", OS_NET_IF_GPRS}, {"wifi", OS_NET_IF_WIFI}, {"bt", OS_NET_IF_BT}};
    auto it = names.find(word);
    if (it != names.end()) {
        *out = it->second;
        return true;
    }
    return parseInt(word, 0, 15, out);
}

bool isAddress(const std::string &text)
{
    in_addr a;
    return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// Parses the whole text; on the first bad line sets fault and line.
bool parseScript(const std::string &text, Script &out, int *lineNo, std::string *fault)
{
    Script s;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    auto fail = [&](const std::string &why) {
        *lineNo = n;
        *fault = why;
        return false;
    };
    while (std::getline(in, line)) {
        ++n;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(kBlanks);
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        const std::string &cmd = w[0];

        // A statement of answers: one or more numbers.
        auto seq = [&](size_t from, Seq &target, bool allowList) -> bool {
            if (w.size() <= from)
                return fail("\"" + cmd + "\" needs at least one answer");
            target.values.clear();
            for (size_t i = from; i < w.size(); ++i) {
                int v;
                if (allowList && w[i] == "list")
                    v = kScanList;
                else if (!parseInt(w[i], INT_MIN + 1L, INT_MAX, &v))
                    return fail("\"" + w[i] + "\" is not a number");
                target.values.push_back(v);
            }
            return true;
        };
        auto iface = [&](IfaceScript **target) -> bool {
            int ifn;
            if (w.size() < 2 || !parseIface(w[1], &ifn))
                return fail("\"" + cmd + "\" needs an interface (eth1, gprs, wifi, bt or 0-15)");
            *target = &s.ifaces[ifn];
            return true;
        };

        IfaceScript *ifs = nullptr;
        if (cmd == "dhcp-start") {
            if (!iface(&ifs) || !seq(2, ifs->start, false))
                return false;
        } else if (cmd == "dhcp-check") {
            if (!iface(&ifs) || !seq(2, ifs->check, false))
                return false;
        } else if (cmd == "set-config") {
            if (!iface(&ifs) || !seq(2, ifs->setConfig, false))
                return false;
        } else if (cmd == "set-route") {
            if (!iface(&ifs) || !seq(2, ifs->setRoute, false))
                return false;
        } else if (cmd == "config") {
            if (!iface(&ifs))
                return false;
            if (w.size() != 6)
                return fail("\"config\" needs an interface and four addresses: ip mask gateway dns");
            for (int i = 0; i < 4; ++i) {
                if (!isAddress(w[2 + i]))
                    return fail("\"" + w[2 + i] + "\" is not a dotted IPv4 address");
                ifs->config[i] = w[2 + i];
            }
            ifs->hasConfig = true;
        } else if (cmd == "wifi-ap") {
            // wifi-ap AUTH CIPHER RSSI NAME: the name is the rest of the line.
            OsWifiApInfo ap{};
            int auth, cipher, rssi;
            if (w.size() < 5)
                return fail("\"wifi-ap\" needs a mode, cipher bits, an RSSI and a name");
            if (!parseInt(w[1], 0, 10, &auth))
                return fail("\"" + w[1] + "\" is not an authentication mode (0-10)");
            if (!parseInt(w[2], 0, 255, &cipher))
                return fail("\"" + w[2] + "\" is not a set of cipher bits (0-255)");
            if (!parseInt(w[3], -120, 0, &rssi))
                return fail("\"" + w[3] + "\" is not an RSSI (-120 to 0 dBm)");
            // The name begins after the fourth word and its blanks.
            size_t at = first;
            for (int k = 0; k < 4; ++k) {
                at = line.find_first_not_of(kBlanks, at);
                at = line.find_first_of(kBlanks, at);
            }
            std::string name = line.substr(line.find_first_not_of(kBlanks, at));
            name.erase(name.find_last_not_of(kBlanks) + 1);
            if (name.size() > 32)
                return fail("the network name is longer than 32 bytes");
            if (s.aps.size() >= 64)
                return fail("more than 64 access points");
            std::memcpy(ap.Essid, name.data(), name.size());
            std::snprintf(ap.Bssid, sizeof ap.Bssid, "02:00:00:00:00:%02x", static_cast<unsigned>(s.aps.size() + 1));
            ap.AuthMode = auth;
            ap.SecMode = static_cast<uint32_t>(cipher);
            ap.Rssi = rssi;
            s.aps.push_back(ap);
            s.wifi = true;
        } else if (cmd == "wifi-open" || cmd == "wifi-scan" || cmd == "wifi-connect" || cmd == "wifi-check" ||
                   cmd == "wifi-rssi") {
            Seq &t = cmd == "wifi-open"      ? s.wifiOpen
                     : cmd == "wifi-scan"    ? s.wifiScan
                     : cmd == "wifi-connect" ? s.wifiConnect
                     : cmd == "wifi-check"   ? s.wifiCheck
                                             : s.wifiRssi;
            if (!seq(1, t, cmd == "wifi-scan"))
                return false;
            if (cmd == "wifi-scan")
                for (int v : t.values)
                    if (v != kScanList && v > 0)
                        return fail("a scan answer is 0, a negative code or \"list\"");
            s.wifi = true;
        } else if (cmd == "wl-check" || cmd == "wl-lock" || cmd == "wl-sim" || cmd == "wl-init" ||
                   cmd == "wl-login" || cmd == "wl-logout" || cmd == "wl-signal") {
            Seq &t = cmd == "wl-check"    ? s.wlCheck
                     : cmd == "wl-lock"   ? s.wlLock
                     : cmd == "wl-sim"    ? s.wlSim
                     : cmd == "wl-init"   ? s.wlInit
                     : cmd == "wl-login"  ? s.wlLogin
                     : cmd == "wl-logout" ? s.wlLogout
                                          : s.wlSignal;
            if (!seq(1, t, false))
                return false;
            s.wl = true;
        } else if (cmd == "ping") {
            // ping TARGET ANSWER... [delay MS]
            PingRule rule;
            int delay = 0;
            size_t end = w.size();
            if (end >= 5 && w[end - 2] == "delay") {
                if (!parseInt(w[end - 1], 0, 600000, &delay))
                    return fail("\"" + w[end - 1] + "\" is not a delay (0-600000 ms)");
                end -= 2;
            }
            if (end < 3)
                return fail("\"ping\" needs a target and one or more answers, then optionally \"delay MS\"");
            for (size_t i = 2; i < end; ++i) {
                int v;
                if (w[i] == "delay")
                    return fail("\"ping\" needs a target and one or more answers, then optionally \"delay MS\"");
                if (!parseInt(w[i], INT_MIN + 1L, INT_MAX, &v))
                    return fail("\"" + w[i] + "\" is not a number");
                rule.answers.values.push_back(v);
            }
            rule.delay = static_cast<unsigned>(delay);
            s.ping[w[1]] = rule;
        } else {
            return fail("unknown statement \"" + cmd + "\"");
        }
    }
    out = std::move(s);
    return true;
}

// Installs a script (or, on a bad one, none) and reports a bad line.
bool applyScript(const std::string &text, const std::string &source, char *error, size_t size)
{
    int lineNo = 0;
    std::string fault;
    Script s;
    if (parseScript(text, s, &lineNo, &fault)) {
        g_script = std::move(s);
        return true;
    }
    g_script = Script();
    char msg[1024];
    std::snprintf(msg, sizeof msg, "network script %s line %d: %s; the script is not used", source.c_str(), lineNo,
                   fault.c_str());
    std::fprintf(stderr, "%s\n", msg);
    OsLogEvent("%s", msg);
    if (error && size)
        std::snprintf(error, size, "%s", msg);
    return false;
}

// Reads the script file again when it changed. Under g_mutex.
void refreshScript()
{
    if (g_testScript)
        return;
    std::string path = mappedPath("/data/osal/network");
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        if (g_fileSeen) {
            g_script = Script();
            g_fileSeen = false;
        }
        return;
    }
    if (g_fileSeen && st.st_mtim.tv_sec == g_fileTime.tv_sec && st.st_mtim.tv_nsec == g_fileTime.tv_nsec &&
        st.st_size == g_fileSize && st.st_ino == g_fileIno)
        return;
    g_fileSeen = true;
    g_fileTime = st.st_mtim;
    g_fileSize = st.st_size;
    g_fileIno = st.st_ino;
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    applyScript(text.str(), path, nullptr, 0);
}

// ---- journal ------------------------------------------------------------

std::string quote(const char *text)
{
    std::string out = "\"";
    for (const char *p = text ? text : ""; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

const char *masked(const char *secret)
{
    return secret && *secret ? "***" : "";
}

// The arguments of one call as JSON members.
class Args {
public:
    Args &text(const char *key, const char *value)
    {
        add(key, quote(value));
        return *this;
    }
    Args &num(const char *key, long value)
    {
        add(key, std::to_string(value));
        return *this;
    }
    const std::string &str() const { return s_; }

private:
    void add(const char *key, const std::string &v)
    {
        if (!s_.empty())
            s_ += ',';
        s_ += quote(key) + ":" + v;
    }
    std::string s_;
};

// Appends the call to network.log. Under g_mutex.
void journal(const char *call, const Args &args, int answer, const Args &out = Args())
{
    std::string path = mappedPath("/data/osal/network.log");
    FILE *f = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
    if (!f) {
        // The folder may not exist yet: the event log makes it.
        OsLogEvent("network log opened");
        f = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
        if (!f)
            return;
    }
    std::string line = "{\"tick\":" + std::to_string(OsGetTickCount()) + ",\"call\":" + quote(call) + ",\"args\":{" +
                       args.str() + "},\"answer\":" + std::to_string(answer);
    if (!out.str().empty())
        line += ",\"out\":{" + out.str() + "}";
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

// ---- helpers --------------------------------------------------------------

bool ifacePresent(int netIf)
{
    switch (netIf) {
    case OS_NET_IF_ETH1:
        return true;
    case OS_NET_IF_WIFI:
        return g_state.wifiOpen && g_state.wifi == State::Joined;
    case OS_NET_IF_GPRS:
        return g_state.wl == State::In;
    default:
        return false;
    }
}

void copyOut(char *dst, const std::string &src)
{
    if (dst)
        std::snprintf(dst, OS_NET_ADDR_SIZE, "%s", src.c_str());
}

const OsWifiApInfo *findAp(const std::string &essid)
{
    for (const OsWifiApInfo &ap : g_script.aps)
        if (essid == ap.Essid)
            return &ap;
    return nullptr;
}

bool isLoopback(const char *dest)
{
    if (std::strcmp(dest, "localhost") == 0)
        return true;
    in_addr a;
    return inet_pton(AF_INET, dest, &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

} // namespace

extern "C" {

int OsNetStartDhcp(int netIf)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    auto it = g_script.ifaces.find(netIf);
    int answer = ifacePresent(netIf) ? 0 : kDeviceNotFound;
    if (it != g_script.ifaces.end())
        answer = it->second.start.next(answer);
    if (answer == 0)
        g_state.ifaces[netIf].dhcp = IfaceState::Pending;
    journal("OsNetStartDhcp", Args().num("if", netIf), answer);
    return answer;
}

void OsNetStopDhcp(int netIf)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    g_state.ifaces[netIf].dhcp = IfaceState::None;
    journal("OsNetStopDhcp", Args().num("if", netIf), 0);
}

int OsNetCheckDhcp(int netIf)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    IfaceState &st = g_state.ifaces[netIf];
    int answer = st.dhcp == IfaceState::None ? kDhcpNotStarted : 0;
    auto it = g_script.ifaces.find(netIf);
    if (st.dhcp != IfaceState::None && it != g_script.ifaces.end())
        answer = it->second.check.next(answer);
    if (answer == 0 && st.dhcp != IfaceState::None) {
        st.dhcp = IfaceState::Done;
        st.configured = true;
        if (it != g_script.ifaces.end() && it->second.hasConfig) {
            for (int i = 0; i < 4; ++i)
                st.config[i] = it->second.config[i];
        } else {
            st.config[0] = "127.0.0.1";
            st.config[1] = "255.0.0.0";
            st.config[2] = "127.0.0.1";
            st.config[3] = "127.0.0.1";
        }
    }
    journal("OsNetCheckDhcp", Args().num("if", netIf), answer);
    return answer;
}

int OsNetSetConfig(int netIf, const char *ip, const char *mask, const char *gw, const char *dns)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    const char *values[4] = {ip, mask, gw, dns};
    int answer = 0;
    if (!ip || !isAddress(ip))
        answer = kBadArgument;
    for (int i = 1; i < 4 && answer == 0; ++i)
        if (values[i] && *values[i] && !isAddress(values[i]))
            answer = kBadArgument;
    auto it = g_script.ifaces.find(netIf);
    if (answer == 0 && it != g_script.ifaces.end())
        answer = it->second.setConfig.next(0);
    if (answer == 0) {
        IfaceState &st = g_state.ifaces[netIf];
        st.configured = true;
        for (int i = 0; i < 4; ++i)
            st.config[i] = values[i] ? values[i] : "";
    }
    journal("OsNetSetConfig", Args().num("if", netIf).text("ip", ip).text("mask", mask).text("gw", gw).text("dns", dns),
            answer);
    return answer;
}

int OsNetGetConfig(int netIf, char *ip, char *mask, char *gw, char *dns)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    char *outs[4] = {ip, mask, gw, dns};
    IfaceState &st = g_state.ifaces[netIf];
    int answer = st.configured ? 0 : kNoConnection;
    for (int i = 0; i < 4; ++i)
        copyOut(outs[i], st.configured ? st.config[i] : "");
    journal("OsNetGetConfig", Args().num("if", netIf), answer,
            Args().text("ip", st.config[0].c_str()).text("mask", st.config[1].c_str())
                .text("gw", st.config[2].c_str()).text("dns", st.config[3].c_str()));
    return answer;
}

int OsNetSetRoute(int netIf)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = ifacePresent(netIf) || g_state.ifaces[netIf].configured ? 0 : kNoDevice;
    auto it = g_script.ifaces.find(netIf);
    if (it != g_script.ifaces.end())
        answer = it->second.setRoute.next(answer);
    if (answer == 0)
        g_state.route = netIf;
    journal("OsNetSetRoute", Args().num("if", netIf), answer);
    return answer;
}

int OsNetPing(const char *dest, int timeoutMs)
{
    int answer;
    unsigned delay = 0;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        refreshScript();
        if (!dest || !*dest || timeoutMs < 0) {
            journal("OsNetPing", Args().text("dest", dest).num("timeout", timeoutMs), kBadArgument);
            return kBadArgument;
        }
        answer = isLoopback(dest) ? 0 : kNoDevice;
        auto it = g_script.ping.find(dest);
        if (it != g_script.ping.end()) {
            answer = it->second.answers.next(answer);
            delay = it->second.delay;
        }
        if (delay > static_cast<unsigned>(timeoutMs))
            answer = kTimeout;
        journal("OsNetPing", Args().text("dest", dest).num("timeout", timeoutMs).num("delay", delay), answer);
    }
    unsigned wait = delay < static_cast<unsigned>(timeoutMs) ? delay : static_cast<unsigned>(timeoutMs);
    if (wait)
        OsSleep(wait);
    return answer;
}

int OsWifiOpen(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wifi ? g_script.wifiOpen.next(0) : kDeviceNotFound;
    if (answer == 0)
        g_state.wifiOpen = true;
    journal("OsWifiOpen", Args(), answer);
    return answer;
}

void OsWifiClose(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    g_state.wifiOpen = false;
    g_state.wifi = State::Idle;
    g_state.ifaces[OS_NET_IF_WIFI] = IfaceState();
    journal("OsWifiClose", Args(), 0);
}

int OsWifiScan(OsWifiApInfo *aps, int capacity)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer;
    if (!aps || capacity < 0)
        answer = kBadArgument;
    else if (!g_script.wifi)
        answer = kDeviceNotFound;
    else if (!g_state.wifiOpen)
        answer = kWifiOff;
    else
        answer = g_script.wifiScan.next(kScanList);
    if (answer == kScanList) {
        answer = 0;
        for (const OsWifiApInfo &ap : g_script.aps)
            if (answer < capacity)
                aps[answer++] = ap;
    }
    journal("OsWifiScan", Args().num("capacity", capacity), answer);
    return answer;
}

int OsWifiConnect(const OsWifiApSet *ap, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    Args args;
    int answer;
    if (!ap) {
        answer = kBadArgument;
    } else {
        char essid[sizeof ap->Essid + 1] = {};
        std::memcpy(essid, ap->Essid, sizeof ap->Essid);
        args.text("essid", essid).num("auth", ap->AuthMode).num("cipher", static_cast<long>(ap->SecMode));
        bool eap = ap->AuthMode == OS_WIFI_AUTH_WPA_EAP || ap->AuthMode == OS_WIFI_AUTH_WPA_WPA2_EAP ||
                   ap->AuthMode == OS_WIFI_AUTH_WPA2_EAP;
        if (eap) {
            char id[sizeof ap->u.Eap.Identity + 1] = {};
            std::memcpy(id, ap->u.Eap.Identity, sizeof ap->u.Eap.Identity);
            args.num("eap_type", ap->u.Eap.Type).text("identity", id).text("password", masked(ap->u.Eap.Password));
        } else {
            args.text("key", ap->u.Psk.KeyLen ? "***" : "").num("key_len", static_cast<long>(ap->u.Psk.KeyLen));
        }
        if (!g_script.wifi)
            answer = kDeviceNotFound;
        else if (!g_state.wifiOpen)
            answer = kWifiOff;
        else
            answer = g_script.wifiConnect.next(0);
        if (answer == 0 || answer == 1) {
            g_state.wifi = answer == 0 ? State::Joined : State::Joining;
            g_state.essid = essid;
        }
    }
    args.num("timeout", timeoutMs);
    journal("OsWifiConnect", args, answer);
    return answer;
}

int OsWifiDisconnect(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wifi ? 0 : kDeviceNotFound;
    g_state.wifi = State::Idle;
    g_state.ifaces[OS_NET_IF_WIFI] = IfaceState();
    journal("OsWifiDisconnect", Args(), answer);
    return answer;
}

int OsWifiCheck(char *essid, char *bssid, int *rssi)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer;
    if (!g_script.wifi)
        answer = kDeviceNotFound;
    else if (!g_state.wifiOpen)
        answer = kWifiOff;
    else
        answer = g_script.wifiCheck.next(g_state.wifi == State::Idle ? kNoConnection : 0);
    if (answer == 0 && g_state.wifiOpen && g_state.wifi == State::Joining)
        g_state.wifi = State::Joined;
    const OsWifiApInfo *ap = findAp(g_state.essid);
    int level = g_script.wifiRssi.next(ap ? ap->Rssi : -50);
    bool linked = g_state.wifiOpen && g_state.wifi != State::Idle;
    if (essid)
        std::snprintf(essid, 33, "%s", linked ? g_state.essid.c_str() : "");
    if (bssid)
        std::snprintf(bssid, 20, "%s", linked && ap ? ap->Bssid : "");
    if (rssi)
        *rssi = linked ? level : 0;
    journal("OsWifiCheck", Args(), answer,
            Args().text("essid", linked ? g_state.essid.c_str() : "").num("rssi", linked ? level : 0));
    return answer;
}

int OsWlLock(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlLock.next(0) : kDeviceNotFound;
    if (answer == 0)
        g_state.wlLocked = true;
    journal("OsWlLock", Args(), answer);
    return answer;
}

void OsWlUnLock(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    g_state.wlLocked = false;
    journal("OsWlUnLock", Args(), 0);
}

int OsWlInit(const char *pin)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlInit.next(0) : kDeviceNotFound;
    journal("OsWlInit", Args().text("pin", pin ? masked(pin) : nullptr).num("pin_given", pin ? 1 : 0), answer);
    return answer;
}

int OsWlSelSim(unsigned char slot)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlSim.next(0) : kDeviceNotFound;
    journal("OsWlSelSim", Args().num("slot", slot), answer);
    return answer;
}

int OsWlLogin(const char *apn, const char *user, const char *password, long auth, int timeoutMs, int keepAlive,
              int reserved)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlLogin.next(0) : kDeviceNotFound;
    if (answer == 0)
        g_state.wl = State::In;
    else if (answer == 1)
        g_state.wl = State::Connecting;
    journal("OsWlLogin",
            Args()
                .text("apn", apn)
                .text("user", user)
                .text("password", masked(password))
                .num("auth", auth)
                .num("timeout", timeoutMs)
                .num("keepalive", keepAlive)
                .num("reserved", reserved),
            answer);
    return answer;
}

int OsWlLogout(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlLogout.next(0) : kDeviceNotFound;
    if (answer == 0) {
        g_state.wl = State::Out;
        g_state.ifaces[OS_NET_IF_GPRS] = IfaceState();
    }
    journal("OsWlLogout", Args(), answer);
    return answer;
}

int OsWlCheck(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = kDeviceNotFound;
    if (g_script.wl)
        answer = g_script.wlCheck.next(g_state.wl == State::Out ? kLinkInactive : 0);
    if (answer == 0 && g_script.wl)
        g_state.wl = State::In;
    journal("OsWlCheck", Args(), answer);
    return answer;
}

int OsWlGetSignal(void)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    refreshScript();
    int answer = g_script.wl ? g_script.wlSignal.next(4) : kDeviceNotFound;
    journal("OsWlGetSignal", Args(), answer);
    return answer;
}

int OsTestNetScript(const char *text, char *error, size_t size)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_state = State();
    if (error && size)
        error[0] = 0;
    if (!text) {
        g_testScript = false;
        g_fileSeen = false;
        g_script = Script();
        refreshScript();
        return 0;
    }
    g_testScript = true;
    return applyScript(text, "(test)", error, size) ? 0 : -1;
}

int OsNetCheckScript(const char *text, const char *source, char *error, size_t size)
{
    Script s;
    int lineNo = 0;
    std::string fault;
    if (parseScript(text ? text : "", s, &lineNo, &fault))
        return 0;
    if (error && size)
        std::snprintf(error, size, "network script %s line %d: %s", source ? source : "", lineNo, fault.c_str());
    return -1;
}

} // extern "C"
