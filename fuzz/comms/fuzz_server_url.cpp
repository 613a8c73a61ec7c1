// A server's address "SCHEME://HOST:PORT[REST]" of arbitrary bytes, split
// into buffers of several sizes, each guarded by a canary: the host must end
// inside its buffer, never hold a ':' and be reported only with a port
// 1..65535; a failure leaves host and port cleared. A larger buffer must
// agree with a smaller one whenever the smaller one took the address.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "server_params.h"

namespace {

const unsigned char kCanary = 0xA5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    std::string prevHost;
    uint16_t prevPort = 0;
    bool prevOk = false;
    for (size_t bufSize : {2u, 8u, 64u, static_cast<unsigned>(SERVER_HOST_SIZE)}) {
        unsigned char buffer[SERVER_HOST_SIZE + 1];
        memset(buffer, kCanary, sizeof buffer);
        char *host = reinterpret_cast<char *>(buffer);
        uint16_t port = 7;
        int ok = parse_server_url(text.c_str(), host, bufSize, &port);
        if (buffer[bufSize] != kCanary || !memchr(host, 0, bufSize))
            abort();
        if (ok) {
            if (port == 0 || !host[0] || strchr(host, ':'))
                abort();
        } else if (host[0] || port != 0) {
            abort();
        }
        if (prevOk && (!ok || prevHost != host || prevPort != port))
            abort();
        prevOk = ok != 0;
        prevHost = host;
        prevPort = port;
    }
    return 0;
}
