// The key-update service as the stand-in plays it. Each request's body is
// what the fiscal drive prepared (kktsim makes "KKTSIM KEYS <fn> <n>\n");
// the answer is derived from it, so the drive can tell it belongs to its
// last request:
//   "SRVSIM KEYS <fn-number> <length> <checksum>\n"
// the fiscal drive's number from the header (bytes 8-23 without trailing
// blanks), the request body's length (decimal) and its FNV-1a checksum (32
// bits, 8 upper-case hex digits). Any number of requests may come on one
// connection; each gets its own answer.
#ifndef SRVSIM_SRVKEYS_H
#define SRVSIM_SRVKEYS_H

#include "SrvProtocol.h"

#include <stdint.h>
#include <string>

namespace srvsim {

// FNV-1a, 32 bits (offset basis 2166136261, prime 16777619).
uint32_t KeysChecksum(const std::string &bytes);
// The answer body to a key-update request.
std::string KeysAnswer(const Request &request);

} // namespace srvsim

#endif
