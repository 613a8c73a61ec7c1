// The marking system's notifications as the server stand-in reads them and
// the receipt it answers with (the stand-ins' own format, README.md).
//
// A notification (the body of an OISM request):
//   0-1    its whole length, low byte first
//   2-3    its CRC-16 (not checked here)
//   4-7    "NTFY"
//   8-11   its number, low byte first
//   12-27  the fiscal drive's number, padded with spaces
//   28-    the time it was made and its codes (not read here)
// The receipt:
//   0-1    28, low byte first
//   2-3    0
//   4-7    "NTFR"
//   8-11   the notification's number
//   12-27  the drive's number as the notification gave it
#ifndef SRVSIM_SRVNOTICE_H
#define SRVSIM_SRVNOTICE_H

#include <stdint.h>
#include <string>

namespace srvsim {

const size_t kNoticeMin = 32;
const size_t kNoticeReceiptSize = 28;

struct Notice {
    uint32_t number = 0;
    std::string fnField; // bytes 12-27 as sent
};

// True when an OISM body is a notification: "NTFY" at bytes 4-7.
bool IsNotice(const std::string &body);
// Reads a notification: false with why when it is shorter than 32 bytes or
// its length bytes do not give the body's size.
bool ReadNotice(const std::string &body, Notice *out, std::string *why);
// The receipt naming it.
std::string NoticeReceipt(const Notice &notice);

} // namespace srvsim

#endif
