#include "BtScript.h"

#include <errno.h>
#include <stdlib.h>

#include <cstring>
#include <sstream>

namespace btfake {

const char *const kEntryPoints[37] = {
    "OsBluetoothOpen",      "OsBluetoothSetName",          "OsBluetoothCheck",       "OsBluetoothSetSecurityCallback",
    "OsBluetoothSetPairAuth", "OsBluetoothGetPairedList",  "OsBluetoothRemovePaired", "OsBluetoothGetBaseInfo",
    "OsBluetoothClose",     "OsBluetoothIoctl",            "OsBREDRSetCallback",     "OsBREDRBroadcast",
    "OsBREDRStartScan",     "OsBREDRStopScan",             "OsBREDRStartPair",       "OsBREDRStartSPPConnect",
    "OsBREDRSPPDisconnect", "OsBREDRGetSPPDevice",         "OsBREDRGetSPPConnectionList", "OsBleGetConnectionList",
    "OsBleGetDevice",       "OsBleRegisterClient",         "OsBleUnregisterClient",  "OsBleClientConnect",
    "OsBleClientDisconnect", "OsBleStartScan",             "OsBleStopScan",          "OsBleRegisterServer",
    "OsBleUnregisterServer", "OsBleServerDisconnect",      "OsBleBroadcast",         "OsPanSetCallback",
    "OsPanSetRole",         "OsPanStartScan",              "OsPanConnect",           "OsPanDisconnect",
    "OsPanCheck"};

namespace {

// A decimal or 0x-hexadecimal int, whole.
bool number(const std::string &word, long lo, long hi, int *out)
{
    if (word.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(word.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    *out = static_cast<int>(v);
    return true;
}

bool knownCall(const std::string &name)
{
    for (const char *n : kEntryPoints)
        if (name == n)
            return true;
    return false;
}

// The rest of the line after `words` blank-separated words.
std::string rest(const std::string &line, int words)
{
    size_t at = 0;
    for (int i = 0; i < words; ++i) {
        at = line.find_first_not_of(" \t", at);
        at = line.find_first_of(" \t", at);
        if (at == std::string::npos)
            return std::string();
    }
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos)
        return std::string();
    size_t end = line.find_last_not_of(" \t\r");
    return line.substr(at, end + 1 - at);
}

// One statement into the script; the fault, or empty.
std::string statement(const std::string &line, Script *s)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return ""; // blanks of other kinds only
    const std::string &key = w[0];
    const long kMaxMs = 3600000;
    auto want = [&](size_t n) { return w.size() == n; };
    if (key == "device") {
        if (w.size() < 3)
            return "device: an address and a name expected";
        if (w[1].size() > 31)
            return "device: the address is longer than 31 bytes";
        std::string name = rest(line, 2);
        if (name.size() > 63)
            return "device: the name is longer than 63 bytes";
        if (s->devices.size() >= 32)
            return "device: more than 32 devices";
        s->devices.push_back({w[1], name});
        return "";
    }
    if (key == "scan") {
        if (!want(2) || (w[1] != "found" && w[1] != "none"))
            return "scan: \"found\" or \"none\" expected";
        s->scanAnswers = w[1] == "found";
        return "";
    }
    if (key == "delay") {
        int ms = 0;
        if (!want(3) || !number(w[2], 0, kMaxMs, &ms))
            return "delay: an event (scan, pair, spp, pan) and 0.." + std::to_string(kMaxMs) + " ms expected";
        uint32_t *target = w[1] == "scan" ? &s->scanDelay
                           : w[1] == "pair" ? &s->pairDelay
                           : w[1] == "spp" ? &s->sppDelay
                           : w[1] == "pan" ? &s->panDelay : nullptr;
        if (!target)
            return "delay: unknown event \"" + w[1] + "\" (scan, pair, spp, pan)";
        *target = static_cast<uint32_t>(ms);
        return "";
    }
    if (key == "pair-status" || key == "spp-status" || key == "pan-status") {
        int v = 0;
        if (!want(2))
            return key + ": one status expected";
        if (key == "pair-status" && w[1] == "none")
            v = kNoEvent;
        else if (!number(w[1], -2147483647L, 2147483646L, &v))
            return key + ": \"" + w[1] + "\" is not a number";
        (key == "pair-status" ? s->pairStatus : key == "spp-status" ? s->sppStatus : s->panStatus) = v;
        return "";
    }
    if (key == "check" || key == "pan-check") {
        if (w.size() < 2)
            return key + ": at least one answer expected";
        Answers &a = key == "check" ? s->check : s->panCheck;
        a = Answers();
        for (size_t i = 1; i < w.size(); ++i) {
            int v = 0;
            if (!number(w[i], -2147483647L, 2147483647L, &v))
                return key + ": \"" + w[i] + "\" is not a number";
            a.values.push_back(v);
        }
        return "";
    }
    if (key == "host-connect" || key == "host-leave") {
        int ms = 0;
        if (!want(2) || !number(w[1], 0, kMaxMs, &ms))
            return key + ": 0.." + std::to_string(kMaxMs) + " ms expected";
        (key == "host-connect" ? s->hostConnectMs : s->hostLeaveMs) = ms;
        return "";
    }
    if (key == "spp-device") {
        if (!want(2) || w[1][0] != '/' || w[1].size() > 63)
            return "spp-device: an absolute path of at most 63 bytes expected";
        s->sppDevice = w[1];
        return "";
    }
    if (key == "fail") {
        int code = 0;
        if (!want(3))
            return "fail: an entry point and a negative code expected";
        if (!knownCall(w[1]))
            return "fail: unknown entry point \"" + w[1] + "\"";
        if (!number(w[2], -2147483647L, -1, &code))
            return "fail: \"" + w[2] + "\" is not a negative code";
        s->failures[w[1]] = code;
        return "";
    }
    return "unknown statement \"" + key + "\"";
}

} // namespace

bool ParseScript(const std::string &text, const std::string &source, Script *script, std::string *error)
{
    Script s;
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (line.find('\0') != std::string::npos) {
            if (error)
                *error = source + ":" + std::to_string(number) + ": a zero byte in the line";
            *script = Script();
            return false;
        }
        std::string fault = statement(line, &s);
        if (!fault.empty()) {
            if (error)
                *error = source + ":" + std::to_string(number) + ": " + fault;
            *script = Script();
            return false;
        }
    }
    *script = s;
    return true;
}

} // namespace btfake
