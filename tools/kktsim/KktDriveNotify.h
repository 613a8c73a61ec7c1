// The fiscal drive's marking notifications: made for each closed receipt
// with marked items (outside autonomous mode) or by "drive notify SIZE...",
// sent to the marking system's server (0x27, 0x28, 0x2C-0x2F) or unloaded to
// a flash drive in autonomous mode (0x80, 0x8A, 0x89, 0x87).
//
// A notification's bytes (the stand-ins' own format, also in
// tools/srvsim/README.md):
//   0-1    its whole length, low byte first
//   2-3    its CRC-16 (CCITT-FALSE over bytes 0-1 and 4 to the end)
//   4-7    "NTFY"
//   8-11   its number, low byte first
//   12-27  the drive's number, padded with spaces
//   28-31  the time it was made (seconds since 1970), low byte first
//   32-    the marked items' codes, each ended by a line feed, then 'F'
//          filler up to the size asked
//
// The server's receipt for one (the 0x2F data):
//   0-1    28, low byte first (its whole length)
//   2-3    0
//   4-7    "NTFR"
//   8-11   the notification's number
//   12-27  the drive's number, padded with spaces
//
// Stages: waiting (made), acknowledged (0x8A 1 after the unload wrote it),
// confirmed (0x87 1 with its CRC-16). A receipt (0x2F) removes it.
#ifndef KKTSIM_KKTDRIVENOTIFY_H
#define KKTSIM_KKTDRIVENOTIFY_H

#include "KktFrame.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;

enum class NoticeStage { Waiting, Acknowledged, Confirmed };

struct Notice {
    uint32_t number = 0;
    NoticeStage stage = NoticeStage::Waiting;
    std::string body; // bytes
};

struct NotifyDriveState {
    std::vector<Notice> list; // oldest first
    uint32_t lastNumber = 0;  // the last notification's number
    uint16_t size = 0;        // size of new notifications; 0 as small as they come
    bool reading = false;     // 0x28 opened a read of the oldest waiting one
    bool readDone = false;    // 0x2E closed it: 0x2F answers for it
    bool unloading = false;   // 0x8A 0 named the next for 0x89 and 0x8A 1
};

const size_t kNoticeMin = 32;
const size_t kNoticeReceiptSize = 28;

// The CRC-16/CCITT-FALSE of data from start (0xFFFF for a new one).
uint16_t NoticeCrc16(const std::string &data, uint16_t start = 0xFFFF);
// A notification's CRC-16 as the unload confirms it: bytes 0-1 and 4 on.
uint16_t NoticeCrc(const std::string &body);
// The bytes of notification number carrying codes, at least size bytes.
std::string NoticeBody(const DriveState &s, uint32_t number, const std::vector<std::string> &codes, size_t size);
// A receipt naming notification number of the drive fnNumber.
std::string NoticeReceipt(uint32_t number, const std::string &fnNumber);

// A receipt with marked items closed: outside autonomous mode one
// notification carrying their codes waits.
void NoticeReceiptClosed(DriveState &s, const std::vector<std::string> &codes);
// Notifications waiting: their count (the state's "notifications").
uint16_t NoticesWaiting(const DriveState &s);
// Brings the list in line with s.notifications (a state file of the former
// shape, or "drive notifications N").
void NoticeSync(DriveState &s);

// The notification commands (rows of KktDriveCommands.cpp); a refusal's
// reason goes to the result's note.
uint8_t NoticeState(DriveCall &c);       // 0x27
uint8_t NoticeStartRead(DriveCall &c);   // 0x28
uint8_t NoticeReadPiece(DriveCall &c);   // 0x2C
uint8_t NoticeCancelRead(DriveCall &c);  // 0x2D
uint8_t NoticeEndRead(DriveCall &c);     // 0x2E
uint8_t NoticeReceipt(DriveCall &c);     // 0x2F
uint8_t NoticeCounts(DriveCall &c);      // 0x80
uint8_t NoticeConfirm(DriveCall &c);     // 0x87
uint8_t NoticeUnloadPiece(DriveCall &c); // 0x89
uint8_t NoticeStep(DriveCall &c);        // 0x8A

// The state file's "notify" member as JSON text, and reading it back from the
// whole state file's text (a file without it makes the list from
// "notifications").
std::string NoticeToJson(const DriveState &s);
bool NoticeFromJson(const JsonValue *member, DriveState &s, std::string &why);

// "drive notify SIZE..." (one waiting notification of each size) and "drive
// notify-size SIZE": known false for other names; false with why on a bad
// value.
bool NoticeDriveLine(const std::string &name, const std::string &value, DriveState &d, std::string &why, bool &known);

} // namespace kktsim

#endif
