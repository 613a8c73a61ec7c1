#include "SrvKeys.h"

#include <stdio.h>

namespace srvsim {

uint32_t KeysChecksum(const std::string &bytes)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::string KeysAnswer(const Request &request)
{
    char sum[16];
    snprintf(sum, sizeof sum, "%08X", static_cast<unsigned>(KeysChecksum(request.body)));
    return "SRVSIM KEYS " + request.fnNumber + " " + std::to_string(request.body.size()) + " " + sum + "\n";
}

} // namespace srvsim
