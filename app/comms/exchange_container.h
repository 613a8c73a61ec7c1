// The container every talk with a server moves: a 30-byte header sent
// exactly as it lies in memory, then a body of the length the header names.
//
//   bytes 0-7    prefix by kind (OFD with the FFD byte, OISM, key update)
//   bytes 8-23   the fiscal drive's number, padded with spaces
//   bytes 24-25  body length, low byte first
//   bytes 26-29  14 00 00 00
//
// A server answers with the same header; of it only bytes 24-25 count.
#ifndef APP_COMMS_EXCHANGE_CONTAINER_H
#define APP_COMMS_EXCHANGE_CONTAINER_H

#include <stddef.h>
#include <stdint.h>

class TMCommand;

enum : uint32_t {
    CONTAINER_HEADER_SIZE = 30,
    CONTAINER_BODY_MAX = 65535,
};

enum container_kind { CONTAINER_OFD, CONTAINER_OISM, CONTAINER_KEYS };

struct exchange_container {
    uint8_t header[CONTAINER_HEADER_SIZE];
    uint8_t *body; // exactly the body length, owned by the container; not sent
};

// Bytes 24-25 of a header.
uint16_t container_header_length(const uint8_t *header);
// The header of a container of the kind: prefix (for the OFD byte 7 from the
// FFD version: 2 gives 05, 3 gives 10, anything else 20), the drive's number
// (at most 16 characters, padded with spaces), the length, 14 00 00 00.
void container_make_header(uint8_t *header, container_kind kind, int ffd_version, const char *fn_number,
                           uint16_t length);

// A container built from a controller reply by its command code: 0x24 and
// 0x9E carry the body as hexadecimal field 5 (an odd count of digits is
// refused), 0x28 and 0x5A name its length in field 5 and get a zeroed body
// for the caller to fill. Null for any other code, a body length of 0, or no
// memory.
exchange_container *container_from_reply(TMCommand *reply);
// Frees the body and the container; null is ignored.
void container_free(exchange_container *container);

#endif
