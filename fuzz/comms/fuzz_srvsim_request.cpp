// The server stand-in's request reader over arbitrary bytes read as a
// stream of requests, each OFD document scanned and each notification read; the same bytes as a
// scenario.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "SrvNotice.h"
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
        srvsim::Notice notice;
        std::string why;
        if (r.kind == srvsim::Kind::Oism && srvsim::IsNotice(r.body) && srvsim::ReadNotice(r.body, &notice, &why) &&
            srvsim::NoticeReceipt(notice).size() != srvsim::kNoticeReceiptSize)
            __builtin_trap();
        std::string h = srvsim::AnswerHeader(r, r.body.size());
        at += used;
    }
    srvsim::Scenario s;
    std::string error;
    srvsim::ParseScenario(std::string(reinterpret_cast<const char *>(data), size), s, &error);
    srvsim::Fault f;
    while (srvsim::TakeFault(s, srvsim::Kind::Ofd, false, &f) && f.times > 0) {
    }
    return 0;
}
