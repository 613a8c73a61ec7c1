// The scenario file: one statement per line, '#' starts a comment line.

#include "KktScenario.h"

#include "KktDriveRegistration.h"
#include "KktDriveSettings.h"

#include "KktAmount.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace kktsim {

namespace {

const size_t kMaxText = 1024;   // one data field or version text
const size_t kMaxFields = 256;  // data fields of one answer

bool Number(const std::string &s, int base, unsigned long max, unsigned long &out)
{
    if (s.empty() || s.size() > 16)
        return false;
    for (char c : s)
        if (c == '-' || c == '+' || c == ' ')
            return false;
    errno = 0;
    char *end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || v > max)
        return false;
    out = v;
    return true;
}

bool HexByte(const std::string &s, uint8_t &out)
{
    unsigned long v;
    if (!Number(s, 16, 0xFF, v))
        return false;
    out = static_cast<uint8_t>(v);
    return true;
}

// Text that may go into a frame: no control bytes (FS would split it).
bool CleanText(const std::string &s)
{
    if (s.size() > kMaxText)
        return false;
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

// What follows the last token read from in, after one separating space.
std::string RestOfLine(std::istringstream &in, const std::string &line)
{
    std::streamoff at = in.tellg();
    if (at < 0 || static_cast<size_t>(at) + 1 >= line.size())
        return std::string();
    return line.substr(static_cast<size_t>(at) + 1);
}

// "name=HH" options of an answer line.
bool AnswerOption(const std::string &tok, Answer &a)
{
    size_t eq = tok.find('=');
    if (eq == std::string::npos)
        return false;
    std::string name = tok.substr(0, eq), value = tok.substr(eq + 1);
    unsigned long v;
    if (name == "status") {
        if (!Number(value, 16, 0xFFFF, v))
            return false;
        a.status = static_cast<uint16_t>(v);
        return true;
    }
    uint8_t b;
    if (!HexByte(value, b))
        return false;
    if (name == "fatal")
        a.fatal = b;
    else if (name == "error")
        a.error = b;
    else if (name == "detail")
        a.detail = b;
    else
        return false;
    return true;
}

// Fault names in the order of FaultKind.
const char *const kFaultNames[] = {"none",     "no-reply",   "delay",        "bad-checksum",
                                   "stale-id", "wrong-code", "status-first", "short-first",
                                   "refuse",   "cut"};
const int kFaultKinds = static_cast<int>(sizeof kFaultNames / sizeof kFaultNames[0]);
static_assert(kFaultKinds == static_cast<int>(FaultKind::Cut) + 1, "a name for every fault");

// "[after N] [times N]" to the end of the line: the requests let through
// first (where `afterAllowed`) and how many the failure then applies to;
// each is left as it is when not given.
bool AfterTimes(std::istringstream &in, bool afterAllowed, int &after, int &times, std::string &why)
{
    std::string word;
    bool haveAfter = false, haveTimes = false;
    while (in >> word) {
        std::string n;
        unsigned long v;
        const bool isAfter = word == "after" && afterAllowed && !haveAfter;
        const bool isTimes = word == "times" && !haveTimes;
        if ((!isAfter && !isTimes) || !(in >> n) || !Number(n, 10, 1000000, v) || (isTimes && v == 0)) {
            why = isAfter        ? "expected \"after N\""
                  : afterAllowed ? "expected \"after N\" or \"times N\" (N > 0)"
                                 : "expected \"times N\" (N > 0)";
            return false;
        }
        (isAfter ? after : times) = static_cast<int>(v);
        (isAfter ? haveAfter : haveTimes) = true;
    }
    return true;
}

bool FaultLine(std::istringstream &in, Fault &f, std::string &why)
{
    std::string kind;
    in >> kind;
    f = Fault();
    int k = 0;
    while (k < kFaultKinds && kind != kFaultNames[k])
        ++k;
    if (k == kFaultKinds) {
        why = "unknown fault \"" + kind + "\"";
        return false;
    }
    f.kind = static_cast<FaultKind>(k);
    if (f.kind == FaultKind::Delay) {
        std::string ms;
        unsigned long v;
        in >> ms;
        if (!Number(ms, 10, 3600000, v)) {
            why = "delay needs milliseconds";
            return false;
        }
        f.ms = static_cast<uint32_t>(v);
    }
    if (f.kind == FaultKind::Refuse) {
        std::string code;
        in >> code;
        if (!HexByte(code, f.error) || f.error == 0) {
            why = "refuse needs a registrar error 01..FF";
            return false;
        }
    }
    if (f.kind == FaultKind::Cut) {
        std::string n;
        unsigned long v;
        in >> n;
        if (!Number(n, 10, 65535, v) || v == 0) {
            why = "cut needs a number of characters (1..65535)";
            return false;
        }
        f.cut = static_cast<uint32_t>(v);
    }
    return AfterTimes(in, f.kind == FaultKind::Refuse || f.kind == FaultKind::Cut, f.after, f.times, why);
}

// "usb fail append|write [after N] [times N]": the USB flash drive's appends
// or writes at an offset fail.
bool UsbLine(std::istringstream &in, Scenario &s, std::string &why)
{
    std::string fail, kind;
    in >> fail >> kind;
    if (fail != "fail" || (kind != "append" && kind != "write")) {
        why = "expected \"usb fail append|write\"";
        return false;
    }
    FileFault f;
    f.on = true;
    if (!AfterTimes(in, true, f.after, f.times, why))
        return false;
    (kind == "append" ? s.appendFault : s.writeFault) = f;
    return true;
}

// "drive NAME VALUE": the state of a new fiscal drive; any such line turns
// the model on.
bool DriveLine(const std::string &line, Scenario &s, std::string &why)
{
    std::istringstream in(line);
    std::string word, name;
    in >> word >> name;
    std::string value = RestOfLine(in, line);
    DriveState &d = s.driveState;
    unsigned long v;
    auto text = [&](std::string &out, size_t max) {
        if (value.empty() || value.size() > max || !CleanText(value)) {
            why = "drive " + name + " needs a text of 1 to " + std::to_string(max) + " characters";
            return false;
        }
        out = value;
        return true;
    };
    auto number = [&](int base, unsigned long max, unsigned long &out) {
        if (!Number(value, base, max, out)) {
            why = "drive " + name + (base == 16 ? " needs a hex number up to " : " needs a number up to ") +
                  std::to_string(max);
            return false;
        }
        return true;
    };
    s.drive = true;
    if (name == "on" && value.empty())
        return true;
    if (RegistrationStatement(name, value, d, why))
        return why.empty();
    if (SettingsStatement(name, value, d, why))
        return why.empty();
    if (MarkingStatement(name, value, d, why))
        return why.empty();
    if (name == "registered") {
        if (value != "yes" && value != "no") {
            why = "drive registered is yes or no";
            return false;
        }
        d.phase = value == "yes" ? kPhaseFiscal : kPhaseReady;
        return true;
    }
    if (name == "phase") {
        if (!number(16, 0xFF, v))
            return false;
        d.phase = static_cast<uint8_t>(v);
        return true;
    }
    if (name == "ffd") {
        if (value == "1.05")
            d.ffd = 2;
        else if (value == "1.1")
            d.ffd = 3;
        else if (value == "1.2")
            d.ffd = 4;
        else {
            why = "drive ffd is 1.05, 1.1 or 1.2";
            return false;
        }
        return true;
    }
    if (name == "shift") {
        std::istringstream w(value);
        std::string state, num, extra;
        w >> state >> num >> extra;
        if ((state != "open" && state != "closed") || !extra.empty() ||
            (!num.empty() && !Number(num, 10, 0xFFFF, v))) {
            why = "expected \"drive shift open|closed [NUMBER]\"";
            return false;
        }
        d.shiftOpen = state == "open";
        if (!num.empty())
            d.shiftNumber = static_cast<uint16_t>(v);
        else if (d.shiftOpen && d.shiftNumber == 0)
            d.shiftNumber = 1;
        if (d.shiftOpen && d.shiftOpened.empty())
            d.shiftOpened = d.lastDocumentTime;
        return true;
    }
    if (name == "drawer") {
        int64_t a;
        if (!ParseAmount(value, a) || a < 0) {
            why = "drive drawer needs an amount such as 10.00";
            return false;
        }
        d.drawer = a;
        return true;
    }
    struct TextMember {
        const char *name;
        std::string DriveState::*member;
        size_t max;
    };
    static const TextMember texts[] = {
        {"serial", &DriveState::serial, 20},       {"fn-number", &DriveState::fnNumber, 20},
        {"firmware", &DriveState::firmware, 16},   {"fn-version", &DriveState::fnVersion, 32},
        {"model", &DriveState::model, 32},         {"controller", &DriveState::controller, 20},
        {"reg-number", &DriveState::regNumber, 20}, {"inn", &DriveState::inn, 12},
        {"user", &DriveState::user, 128},          {"address", &DriveState::address, 128},
    };
    for (const TextMember &t : texts)
        if (name == t.name)
            return text(d.*t.member, t.max);
    struct NumberMember {
        const char *name;
        int base;
        unsigned long max;
        int which;
    };
    static const NumberMember numbers[] = {
        {"shift-number", 10, 0xFFFF, 0}, {"waiting", 10, 0xFFFF, 1},    {"notifications", 10, 0xFFFF, 2},
        {"work-modes", 16, 0xFFFF, 3},   {"tax-systems", 16, 0xFF, 4},  {"agents", 16, 0xFF, 5},
        {"marking", 16, 0xFFFFFFFFul, 6}, {"reg-flags", 16, 0xFF, 7},   {"warnings", 16, 0xFF, 8},
        {"fatal", 16, 0xFF, 9},          {"last-document", 10, 0xFFFFFFFFul, 10},
        {"reregistrations", 10, 0xFF, 11},
    };
    for (const NumberMember &n : numbers) {
        if (name != n.name)
            continue;
        if (!number(n.base, n.max, v))
            return false;
        switch (n.which) {
        case 0: d.shiftNumber = static_cast<uint16_t>(v); break;
        case 1: d.ofdWaiting = static_cast<uint16_t>(v); break;
        case 2: d.notifications = static_cast<uint16_t>(v); break;
        case 3: d.workModes = static_cast<uint16_t>(v); break;
        case 4: d.taxSystems = static_cast<uint8_t>(v); break;
        case 5: d.agents = static_cast<uint8_t>(v); break;
        case 6: d.markingFlags = static_cast<uint32_t>(v); break;
        case 7: d.regFlags = static_cast<uint8_t>(v); break;
        case 8: d.warnings = static_cast<uint8_t>(v); break;
        case 9: d.fatalExtra = static_cast<uint8_t>(v); break;
        case 10: d.lastDocument = static_cast<uint32_t>(v); break;
        case 11: d.reregistrationsLeft = static_cast<uint8_t>(v); break;
        }
        return true;
    }
    bool known = false;
    if (!OfdDriveLine(name, value, d, why, known))
        return false;
    if (known)
        return true;
    if (!NoticeDriveLine(name, value, d, why, known))
        return false;
    if (known)
        return true;
    if (ArchiveStatement(name, value, d, why) || KeysStatement(name, value, d, why))
        return why.empty();
    why = "unknown drive setting \"" + name + "\"";
    return false;
}

// One statement; false with why on a fault.
bool Statement(const std::string &line, Scenario &s, std::string &why)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "drive")
        return DriveLine(line, s, why);
    if (word == "usb")
        return UsbLine(in, s, why);
    if (word == "monitor") {
        std::string rest;
        std::getline(in, rest);
        return ParseMonitorStatement(rest, s.monitor, why);
    }
    if (word == "answer" || word == "data" || word == "fault") {
        std::string codeText;
        uint8_t code;
        in >> codeText;
        if (!HexByte(codeText, code)) {
            why = "command code must be hex 00..FF";
            return false;
        }
        if (word == "answer") {
            Answer a;
            auto it = s.answers.find(code);
            if (it != s.answers.end())
                a.data = it->second.data;
            std::string tok;
            while (in >> tok) {
                if (!AnswerOption(tok, a)) {
                    why = "bad answer option \"" + tok + "\"";
                    return false;
                }
            }
            s.answers[code] = a;
            return true;
        }
        if (word == "data") {
            // the rest of the line after one space, as it stands
            std::string text = RestOfLine(in, line);
            if (!CleanText(text)) {
                why = "data text too long or with control characters";
                return false;
            }
            Answer &a = s.answers[code];
            if (a.data.size() >= kMaxFields) {
                why = "too many data fields";
                return false;
            }
            a.data.push_back(text);
            return true;
        }
        Fault f;
        if (!FaultLine(in, f, why))
            return false;
        s.faults[code] = f;
        return true;
    }
    std::string arg;
    in >> arg;
    std::string extra;
    bool more = static_cast<bool>(in >> extra);
    unsigned long v;
    if (word == "mode" && !more) {
        if (arg == "normal")
            s.mode = Mode::Normal;
        else if (arg == "service")
            s.mode = Mode::Service;
        else if (arg == "update")
            s.mode = Mode::Update;
        else {
            why = "mode is normal, service or update";
            return false;
        }
        return true;
    }
    if (word == "not-ready" && !more && Number(arg, 10, 3600000, v)) {
        s.notReadyMs = static_cast<uint32_t>(v);
        return true;
    }
    if (word == "paper" && !more && (arg == "in" || arg == "out")) {
        s.paperOut = arg == "out";
        return true;
    }
    if (word == "sd-card" && !more && (arg == "in" || arg == "out")) {
        s.sdCardOut = arg == "out";
        return true;
    }
    // Negative codes too: the printer service reports its failures so.
    if (word == "print-error" && !more &&
        (Number(arg, 10, 0x7FFFFFFF, v) || (arg.size() > 1 && arg[0] == '-' && Number(arg.substr(1), 10, 0x7FFFFFFF, v)))) {
        s.printError = arg[0] == '-' ? -static_cast<int32_t>(v) : static_cast<int32_t>(v);
        return true;
    }
    if (word == "printer-state" && !more && Number(arg, 10, 5, v)) {
        s.printerState = static_cast<uint8_t>(v);
        return true;
    }
    if (word == "repeat-status" && !more && (arg == "on" || arg == "off")) {
        s.repeatStatus = arg == "on";
        return true;
    }
    if (word == "data-state" && !more && Number(arg, 10, 255, v)) {
        s.dataState = static_cast<uint8_t>(v);
        return true;
    }
    if (word == "status-size" && !more && Number(arg, 10, 16, v)) {
        s.statusSize = static_cast<uint8_t>(v);
        return true;
    }
    if (word == "short" && arg.size() == 1 && more) {
        std::string rest;
        uint8_t st;
        if (in >> rest || !HexByte(extra, st)) {
            why = "expected \"short C HH\"";
            return false;
        }
        s.shortStatus[static_cast<uint8_t>(arg[0])] = st;
        return true;
    }
    if (word == "version-text") {
        std::istringstream again(line);
        again >> word;
        std::string text = RestOfLine(again, line);
        if (text.size() > 14 || !CleanText(text)) {
            why = "version text of at most 14 characters";
            return false;
        }
        s.versionText = text;
        return true;
    }
    if (word == "version") {
        std::istringstream nums(line);
        nums >> word;
        uint32_t vs[4];
        for (uint32_t &x : vs) {
            std::string t;
            if (!(nums >> t) || !Number(t, 10, 0xFFFFFFFFul, v)) {
                why = "expected four version numbers";
                return false;
            }
            x = static_cast<uint32_t>(v);
        }
        if (nums >> word) {
            why = "expected four version numbers";
            return false;
        }
        for (int i = 0; i < 4; ++i)
            s.version[i] = vs[i];
        return true;
    }
    if (word == "unknown-error" && !more && Number(arg, 16, 0xFF, v)) {
        s.unknownError = static_cast<uint8_t>(v);
        return true;
    }
    if (word == "password" && !more && !arg.empty() && arg.size() <= 16 && CleanText(arg)) {
        s.password = arg;
        return true;
    }
    why = "cannot read \"" + word + "\"";
    return false;
}

} // namespace

const char *FaultName(FaultKind kind)
{
    int k = static_cast<int>(kind);
    return k >= 0 && k < kFaultKinds ? kFaultNames[k] : "";
}

bool ParseScenario(const std::string &text, Scenario &scenario, std::string *error)
{
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string why;
        if (!Statement(line, scenario, why)) {
            if (error)
                *error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}

} // namespace kktsim
