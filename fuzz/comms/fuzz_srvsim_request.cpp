// The server stand-in's request reader over arbitrary bytes read as a
// stream of requests, each OFD document scanned and each marking check
// request read; the same bytes as a scenario, its verdicts taken.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "SrvProtocol.h"
#include "SrvScenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t at = 0;
    while (at < size) {
        srvsim::Request r;
        size_t used = 0;
        srvsim::ReadResult res = srvsim::ReadRequest(data + at, size - at, &r, &used);
        if (res != srvsim::ReadResult::Complete)
            break;
        if (r.kind == srvsim::Kind::Ofd)
            srvsim::ScanDocument(reinterpret_cast<const uint8_t *>(r.body.data()), r.body.size());
        std::string code;
        if (r.kind == srvsim::Kind::Oism && srvsim::IsMarkCheck(r.body) && srvsim::ReadMarkCheck(r.body, &code) &&
            (code.empty() || code.size() > 200))
            __builtin_trap(); // a well-formed request names a code of 1 to 200 bytes
        std::string h = srvsim::AnswerHeader(r, r.body.size());
        at += used;
    }
    srvsim::Scenario s;
    std::string error;
    srvsim::ParseScenario(std::string(reinterpret_cast<const char *>(data), size), s, &error);
    srvsim::Fault f;
    while (srvsim::TakeFault(s, srvsim::Kind::Ofd, false, &f) && f.times > 0) {
    }
    for (int i = 0; i < 4; ++i)
        srvsim::TakeMarkVerdict(s, std::string(reinterpret_cast<const char *>(data), size < 30 ? size : 30));
    return 0;
}
