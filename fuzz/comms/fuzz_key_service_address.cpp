// The 0x9E address field on arbitrary bytes, given as a heap copy of exactly
// its length: the host is always terminated within its 129 bytes, and a
// host comes only with a port 1..65535.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "key_service.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char *field = static_cast<char *>(malloc(size ? size : 1));
    if (size)
        memcpy(field, data, size);
    char *host = static_cast<char *>(malloc(129));
    uint16_t port = 0;
    asokp_parse_address(field, size, host, &port);
    if (strnlen(host, 129) > 128 || (host[0] != '\0') != (port != 0))
        abort();
    free(host);
    free(field);
    return 0;
}
