// What the server stand-in does: faults to inject per kind of request and
// the OFD's refusals. Read from a scenario file (format in README.md) or set
// by a test.
#ifndef SRVSIM_SRVSCENARIO_H
#define SRVSIM_SRVSCENARIO_H

#include "SrvMark.h"
#include "SrvProtocol.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace srvsim {

enum class FaultMode {
    CloseAccept,  // the connection is closed as soon as it is accepted
    CloseRequest, // closed (FIN) once the request has arrived
    Reset,        // reset (RST) once the request has arrived
    CloseAnswer,  // closed (FIN) once the whole answer went
    CutHeader,    // 10 bytes of the answer's header, then closed
    LengthZero,   // the answer announces length 0 and has no body
    LengthFfff,   // the answer announces 0xFFFF bytes and has its short body
    Slow,         // the answer goes arg ms late
    Trickle,      // the answer goes one byte every arg ms
    OverLong,     // arg bytes beyond the announced body
    Size,         // the answer's body is arg bytes (padded or cut)
    Window,       // the connection reads arg bytes every 10 ms, small buffer
};

// "close-accept", "close-request", ...
const char *FaultModeName(FaultMode mode);

struct Fault {
    Kind kind = Kind::Unknown; // Unknown: any kind
    FaultMode mode = FaultMode::CloseRequest;
    uint32_t arg = 0;
    int times = -1; // requests (connections for close-accept and window) it applies to; -1 every one
};

// The OFD answers with a refusal (code and message) instead of an
// acknowledgement.
struct OfdError {
    int code = 0;
    std::string message; // UTF-8
    int times = -1;
};

struct Scenario {
    std::vector<Fault> faults;        // in order; the first that applies is used
    std::vector<OfdError> ofdErrors;  // likewise
    std::vector<MarkRule> markRules;  // the marking server's verdicts (SrvMark.h)
};

// Applies the lines of text to scenario. On a fault returns false with
// "line N: what" in error (when not null); the lines before it stay applied.
bool ParseScenario(const std::string &text, Scenario &scenario, std::string *error);

// Takes the first fault of the given kind (or of any kind) whose mode is one
// of the accept-time modes (accept true: close-accept, window) or of the
// request-time modes (accept false), counting it down. False when none.
bool TakeFault(Scenario &scenario, Kind kind, bool accept, Fault *out);
bool TakeOfdError(Scenario &scenario, OfdError *out);

} // namespace srvsim

#endif
