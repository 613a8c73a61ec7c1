// The scenario file: one statement per line, '#' starts a comment line.

#include "SrvScenario.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace srvsim {

namespace {

const size_t kMaxMessage = 512;

struct ModeName {
    FaultMode mode;
    const char *name;
    bool needsArg;
    uint32_t maxArg;
};

const ModeName kModes[] = {
    {FaultMode::CloseAccept, "close-accept", false, 0},
    {FaultMode::CloseRequest, "close-request", false, 0},
    {FaultMode::Reset, "reset", false, 0},
    {FaultMode::CloseAnswer, "close-answer", false, 0},
    {FaultMode::CutHeader, "cut-header", false, 0},
    {FaultMode::LengthZero, "length-zero", false, 0},
    {FaultMode::LengthFfff, "length-ffff", false, 0},
    {FaultMode::Slow, "slow", true, 600000},
    {FaultMode::Trickle, "trickle", true, 60000},
    {FaultMode::OverLong, "over-long", true, 65535},
    {FaultMode::Size, "size", true, 65535},
    {FaultMode::Window, "window", true, 65535},
};

bool Number(const std::string &s, unsigned long max, unsigned long &out)
{
    if (s.empty() || s.size() > 10)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    errno = 0;
    char *end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v > max)
        return false;
    out = v;
    return true;
}

bool KindByName(const std::string &s, Kind &kind)
{
    if (s == "ofd")
        kind = Kind::Ofd;
    else if (s == "oism")
        kind = Kind::Oism;
    else if (s == "keys")
        kind = Kind::Keys;
    else if (s == "any")
        kind = Kind::Unknown;
    else
        return false;
    return true;
}

// "times N" at the end of a statement's tokens.
bool Times(std::vector<std::string> &tok, int &times, std::string &why)
{
    times = -1;
    if (tok.size() >= 2 && tok[tok.size() - 2] == "times") {
        unsigned long v;
        if (!Number(tok.back(), 1000000, v) || v == 0) {
            why = "times needs a count from 1";
            return false;
        }
        times = static_cast<int>(v);
        tok.resize(tok.size() - 2);
    }
    return true;
}

bool Statement(const std::string &line, Scenario &s, std::string &why)
{
    std::istringstream in(line);
    std::vector<std::string> tok;
    for (std::string t; in >> t;)
        tok.push_back(t);
    const std::string &word = tok[0];
    if (word == "fault") {
        Fault f;
        if (!Times(tok, f.times, why))
            return false;
        if (tok.size() < 3 || !KindByName(tok[1], f.kind)) {
            why = "fault needs a kind (ofd, oism, keys, any) and a mode";
            return false;
        }
        const ModeName *m = nullptr;
        for (const ModeName &c : kModes)
            if (tok[2] == c.name)
                m = &c;
        if (!m) {
            why = "unknown fault mode '" + tok[2] + "'";
            return false;
        }
        f.mode = m->mode;
        if (m->needsArg) {
            unsigned long v;
            if (tok.size() != 4 || !Number(tok[3], m->maxArg, v)) {
                why = std::string(m->name) + " needs a number up to " + std::to_string(m->maxArg);
                return false;
            }
            f.arg = static_cast<uint32_t>(v);
        } else if (tok.size() != 3) {
            why = std::string(m->name) + " takes no number";
            return false;
        }
        s.faults.push_back(f);
        return true;
    }
    if (word == "ofd-error") {
        // ofd-error CODE MESSAGE... [times N]
        OfdError e;
        if (!Times(tok, e.times, why))
            return false;
        unsigned long v;
        if (tok.size() < 2 || !Number(tok[1], 65535, v) || v == 0) {
            why = "ofd-error needs a code from 1 to 65535";
            return false;
        }
        e.code = static_cast<int>(v);
        for (size_t i = 2; i < tok.size(); ++i)
            e.message += (i > 2 ? " " : "") + tok[i];
        if (e.message.size() > kMaxMessage) {
            why = "the message is longer than 512 bytes";
            return false;
        }
        s.ofdErrors.push_back(e);
        return true;
    }
    if (MarkStatement(tok, s, why))
        return why.empty();
    if (word == "clear") {
        s = Scenario();
        return true;
    }
    why = "unknown statement '" + word + "'";
    return false;
}

} // namespace

const char *FaultModeName(FaultMode mode)
{
    for (const ModeName &m : kModes)
        if (m.mode == mode)
            return m.name;
    return "?";
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
        for (unsigned char c : line) {
            if ((c < 0x20 && c != '\t') || c == 0x7F) {
                if (error)
                    *error = "line " + std::to_string(number) + ": a control character";
                return false;
            }
        }
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

bool TakeFault(Scenario &scenario, Kind kind, bool accept, Fault *out)
{
    for (Fault &f : scenario.faults) {
        if (f.times == 0)
            continue;
        bool acceptMode = f.mode == FaultMode::CloseAccept || f.mode == FaultMode::Window;
        if (acceptMode != accept)
            continue;
        // At the accept the kind is not known yet: any fault of these modes.
        if (!accept && f.kind != Kind::Unknown && f.kind != kind)
            continue;
        *out = f;
        if (f.times > 0)
            --f.times;
        return true;
    }
    return false;
}

bool TakeOfdError(Scenario &scenario, OfdError *out)
{
    for (OfdError &e : scenario.ofdErrors) {
        if (e.times == 0)
            continue;
        *out = e;
        if (e.times > 0)
            --e.times;
        return true;
    }
    return false;
}

} // namespace srvsim
