// The stand-in's own codec for registrar frames. It is written apart from
// the client's command class on purpose, so that one misreading of the
// format cannot hide in both sides.
//
//   request: STX, password, packet id, code (2 hex), FS, fields each
//            followed by FS, ETX, checksum
//   reply:   STX, packet id, code (2 hex), FS, fatal status (2 hex) FS,
//            current status (4 hex, low byte first) FS, error and detail
//            (4 hex) FS, an empty field FS, data fields each followed by FS,
//            ETX, checksum
// Checksum: the 16-bit sum of the bytes from STX to ETX, written as four
// upper-case hex characters, low byte first.
#ifndef KKTSIM_KKTFRAME_H
#define KKTSIM_KKTFRAME_H

#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

enum : uint8_t { K_STX = 0x02, K_ETX = 0x03, K_FS = 0x1C, K_DLE = 0x10 };

struct Request {
    std::string password;
    uint8_t id = 0;
    uint8_t code = 0;
    std::vector<std::string> fields; // fields 1.., bytes as sent (CP866)
};

enum class ParseResult {
    Ok,
    BadChecksum, // id, code and fields read, but the checksum is wrong
    Malformed,   // not a request frame: nothing to answer to
};

// Reads a request whose password is passwordLen characters long.
ParseResult ParseRequest(const uint8_t *p, size_t n, size_t passwordLen, Request &out);

struct Reply {
    uint8_t id = 0x20;
    uint8_t code = 0;
    uint8_t fatal = 0;
    uint16_t status = 0;
    uint8_t error = 0;
    uint8_t detail = 0;
    std::vector<std::string> data; // fields 5.., bytes as sent (CP866)
};

// The reply frame; with badChecksum its checksum is off by one.
std::string BuildReply(const Reply &r, bool badChecksum = false);

// The request frame (for host programs that speak to a registrar).
std::string BuildRequest(const Request &r);

uint16_t Sum16(const uint8_t *p, size_t n);

} // namespace kktsim

#endif
