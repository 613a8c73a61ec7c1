// The marking server's online check of a code (see SrvMark.h).

#include "SrvMark.h"

#include "HexDigit.h"
#include "SrvScenario.h"

#include <cstdlib>

namespace srvsim {

namespace {

const char kCheckMagic[] = "KMCHECK ";
const size_t kMaxCode = 200;
const size_t kMaxPrefix = 200;

} // namespace

const char *MarkVerdictName(MarkVerdict verdict)
{
    switch (verdict) {
    case MarkVerdict::Accept: return "ACCEPT";
    case MarkVerdict::Reject: return "REJECT";
    default: return "NONE";
    }
}

bool IsMarkCheck(const std::string &body)
{
    return body.compare(0, 7, kCheckMagic, 7) == 0;
}

bool ReadMarkCheck(const std::string &body, std::string *code)
{
    const size_t magic = sizeof kCheckMagic - 1;
    if (body.size() < magic + 3 || body.compare(0, magic, kCheckMagic) != 0 || body.back() != '\n')
        return false;
    std::string hex = body.substr(magic, body.size() - magic - 1);
    if (hex.empty() || hex.size() % 2 || hex.size() / 2 > kMaxCode)
        return false;
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigitValue(hex[i]), lo = HexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    *code = out;
    return true;
}

MarkVerdict TakeMarkVerdict(Scenario &scenario, const std::string &code)
{
    for (MarkRule &r : scenario.markRules) {
        if (r.times == 0 || code.compare(0, r.prefix.size(), r.prefix) != 0)
            continue;
        if (r.times > 0)
            --r.times;
        return r.verdict;
    }
    return MarkVerdict::Accept;
}

std::string MarkAnswerBody(MarkVerdict verdict, const std::string &code)
{
    return std::string("KMRESULT ") + MarkVerdictName(verdict) + " " + jsonl::Hex(code) + "\n";
}

bool AnswerMarkCheck(const std::string &request, Scenario &scenario, jsonl::Json &line, std::string &body)
{
    std::string code;
    if (!ReadMarkCheck(request, &code)) {
        line["malformed"] = "check request";
        return false;
    }
    MarkVerdict verdict = TakeMarkVerdict(scenario, code);
    line["check"] = {{"code", jsonl::Hex(code)}, {"verdict", MarkVerdictName(verdict)}};
    body = MarkAnswerBody(verdict, code);
    return true;
}

bool MarkStatement(const std::vector<std::string> &tok, Scenario &scenario, std::string &why)
{
    if (tok.empty() || tok[0] != "mark")
        return false;
    std::vector<std::string> t = tok;
    MarkRule r;
    if (t.size() >= 2 && t[t.size() - 2] == "times") {
        const std::string &n = t.back();
        char *end = nullptr;
        long v = n.size() <= 7 ? std::strtol(n.c_str(), &end, 10) : 0;
        if (n.empty() || !end || *end || v <= 0 || n[0] == '+' || n[0] == '-') {
            why = "times needs a count from 1";
            return true;
        }
        r.times = static_cast<int>(v);
        t.resize(t.size() - 2);
    }
    if (t.size() != 3) {
        why = "expected \"mark accept|reject|none PREFIX|* [times N]\"";
        return true;
    }
    if (t[1] == "accept")
        r.verdict = MarkVerdict::Accept;
    else if (t[1] == "reject")
        r.verdict = MarkVerdict::Reject;
    else if (t[1] == "none")
        r.verdict = MarkVerdict::None;
    else {
        why = "the verdict is accept, reject or none";
        return true;
    }
    if (t[2].size() > kMaxPrefix) {
        why = "the prefix is longer than 200 characters";
        return true;
    }
    r.prefix = t[2] == "*" ? std::string() : t[2];
    scenario.markRules.push_back(r);
    return true;
}

} // namespace srvsim
