// The stand-in's request reader and scenario parser on arbitrary input.
// The first byte chooses: even, a request frame; odd, a scenario text.
// A request that can be answered must give a reply that is a well-formed
// frame with a right checksum.

#include "KktFrame.h"
#include "KktScenario.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t *p = data + 1;
    size_t n = size - 1;
    if (data[0] % 2 == 0) {
        kktsim::Request req;
        if (kktsim::ParseRequest(p, n, 4, req) == kktsim::ParseResult::Malformed)
            return 0;
        kktsim::Reply rep;
        rep.id = req.id;
        rep.code = req.code;
        rep.data = req.fields;
        std::string f = kktsim::BuildReply(rep);
        if (f.size() < 10 || f[0] != 0x02 || static_cast<uint8_t>(f[f.size() - 5]) != 0x03)
            std::abort();
        uint16_t sum = kktsim::Sum16(reinterpret_cast<const uint8_t *>(f.data()), f.size() - 4);
        static const char hex[] = "0123456789ABCDEF";
        const char expect[4] = {hex[(sum >> 4) & 15], hex[sum & 15], hex[(sum >> 12) & 15], hex[(sum >> 8) & 15]};
        if (f.compare(f.size() - 4, 4, expect, 4) != 0)
            std::abort();
    } else {
        kktsim::Scenario s;
        std::string error;
        kktsim::ParseScenario(std::string(reinterpret_cast<const char *>(p), n), s, &error);
        for (const auto &a : s.answers)
            for (const std::string &d : a.second.data)
                for (unsigned char c : d)
                    if (c < 0x20)
                        std::abort(); // a control byte would split the reply frame
    }
    return 0;
}
