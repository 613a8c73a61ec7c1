#include "exchange_container.h"

#include "kfn_state.h"
#include "TMCommand.h"

#include <stdlib.h>
#include <string.h>

namespace {

const uint8_t kOfdPrefix[8] = {0x2A, 0x08, 0x41, 0x0A, 0x81, 0xA2, 0x01, 0x20};
const uint8_t kOismPrefix[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA2, 0x00, 0x01};
const uint8_t kKeysPrefix[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA1, 0x00, 0x01};

uint8_t ffdByte(int ffd_version)
{
    return ffd_version == 2 ? 0x05 : ffd_version == 3 ? 0x10 : 0x20;
}

} // namespace

uint16_t container_header_length(const uint8_t *header)
{
    return static_cast<uint16_t>(header[24] | (header[25] << 8));
}

void container_make_header(uint8_t *header, container_kind kind, int ffd_version, const char *fn_number,
                           uint16_t length)
{
    memset(header, 0, CONTAINER_HEADER_SIZE);
    const uint8_t *prefix = kind == CONTAINER_OFD ? kOfdPrefix : kind == CONTAINER_OISM ? kOismPrefix : kKeysPrefix;
    memcpy(header, prefix, 8);
    if (kind == CONTAINER_OFD)
        header[7] = ffdByte(ffd_version);
    memset(header + 8, ' ', 16);
    size_t n = fn_number ? strnlen(fn_number, 16) : 0;
    memcpy(header + 8, fn_number, n);
    header[24] = static_cast<uint8_t>(length & 0xFF);
    header[25] = static_cast<uint8_t>(length >> 8);
    header[26] = 0x14;
}

exchange_container *container_from_reply(TMCommand *reply)
{
    if (!reply)
        return nullptr;
    const int code = reply->CommandCode();
    container_kind kind;
    uint32_t length = 0;
    bool hexBody = false;
    switch (code) {
    case 0x24:
    case 0x9E: {
        kind = code == 0x24 ? CONTAINER_OISM : CONTAINER_KEYS;
        const uint32_t digits = reply->FieldLength(5);
        // Half a byte cannot be sent: an odd count of digits is no body.
        if (digits % 2 != 0)
            return nullptr;
        length = digits / 2;
        hexBody = true;
        break;
    }
    case 0x28:
        kind = CONTAINER_OISM;
        length = reply->FieldWord(5);
        break;
    case 0x5A:
        kind = CONTAINER_OFD;
        length = reply->FieldWord(5);
        break;
    default:
        return nullptr;
    }
    if (length == 0 || length > CONTAINER_BODY_MAX)
        return nullptr;
    exchange_container *c = static_cast<exchange_container *>(calloc(1, sizeof(exchange_container)));
    if (!c)
        return nullptr;
    // Zeroed, so a body the caller fills only in part never carries stale memory.
    c->body = static_cast<uint8_t *>(calloc(length, 1));
    if (!c->body) {
        free(c);
        return nullptr;
    }
    container_make_header(c->header, kind, kind == CONTAINER_OFD ? kfn_ffd_version() : 0, kfn_fn_number(),
                          static_cast<uint16_t>(length));
    if (hexBody)
        reply->FieldBytes(5, c->body, length);
    return c;
}

void container_free(exchange_container *container)
{
    if (!container)
        return;
    free(container->body);
    free(container);
}
