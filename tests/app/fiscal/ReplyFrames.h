// Controller replies for the report-text tests: a reply frame of command
// code with the given data fields (UTF-8, sent as CP866 as the controller
// does), adopted by a TMCommand.
#ifndef TESTS_FISCAL_APP_REPLYFRAMES_H
#define TESTS_FISCAL_APP_REPLYFRAMES_H

#include <string>
#include <vector>

#include "KktFrame.h"
#include "KktText.h"
#include "TMCommand.h"

namespace fiscaltest {

struct ReplyOf {
    ReplyOf(uint8_t code, const std::vector<std::string> &fields, uint8_t error = 0)
    {
        kktsim::Reply r;
        r.code = code;
        r.error = error;
        for (const std::string &f : fields)
            r.data.push_back(kktsim::Utf8ToCp866(f));
        std::string frame = kktsim::BuildReply(r);
        ok = cmd.Accept(frame.data(), static_cast<uint32_t>(frame.size())) > 0;
    }
    TMCommand cmd;
    bool ok = false;
};

// A text of the program (CP1251) as UTF-8.
inline std::string Utf8(const char *cp1251) { return kktsim::Cp1251ToUtf8(cp1251); }

} // namespace fiscaltest

#endif
