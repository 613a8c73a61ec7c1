// The marking server's online check of a code: a check request of the
// OISM kind gets the verdict the scenario gives for its code.
//
// Bodies (the stand-ins' own format; kktsim's drive model makes the request
// for its command 0x24 and reads the answer in 0x25):
//   check request: "KMCHECK <code as hex>\n" (the code 1 to 200 bytes)
//   answer:        "KMRESULT ACCEPT|REJECT|NONE <code as hex>\n"
// A notification's body begins with its own length (two bytes, low byte
// first), never with the letters "KM" of a check request.
//
// Scenario statement: "mark accept|reject|none PREFIX|* [times N]": codes
// that begin with PREFIX (printable characters, no spaces; * every code)
// get that verdict; the first statement that applies is used, and a code
// no statement names is accepted.
#ifndef SRVSIM_SRVMARK_H
#define SRVSIM_SRVMARK_H

#include "JsonLines.h"

#include <string>
#include <vector>

namespace srvsim {

struct Scenario;

enum class MarkVerdict { Accept, Reject, None };

struct MarkRule {
    MarkVerdict verdict = MarkVerdict::Accept;
    std::string prefix; // empty: every code
    int times = -1;     // requests it applies to; -1 every one
};

// "ACCEPT", "REJECT", "NONE".
const char *MarkVerdictName(MarkVerdict verdict);

// True when an OISM request's body is a check request (begins "KMCHECK").
bool IsMarkCheck(const std::string &body);
// The code of a well-formed check request; false for a malformed one.
bool ReadMarkCheck(const std::string &body, std::string *code);
// The verdict on code: the first rule that applies (counted down), else
// accept.
MarkVerdict TakeMarkVerdict(Scenario &scenario, const std::string &code);
std::string MarkAnswerBody(MarkVerdict verdict, const std::string &code);

// Answers a check request: the body, and the journal's members ("check"
// with the code in hex and the verdict). False for a malformed request
// ("malformed" in line), which gets no answer.
bool AnswerMarkCheck(const std::string &request, Scenario &scenario, jsonl::Json &line, std::string &body);

// A "mark" statement (its tokens): false when the tokens are no "mark"
// statement; true otherwise, with why set when it is bad.
bool MarkStatement(const std::vector<std::string> &tok, Scenario &scenario, std::string &why);

} // namespace srvsim

#endif
