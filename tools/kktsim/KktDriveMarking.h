// Marked goods in the fiscal-drive model: the check of a marking code
// (0x20, 0x26, 0x24, 0x25, 0x22), dropping the checks of an annulled
// receipt (0x23) and the code of a receipt's goods line (0x21, which goes
// with the next 0x11 onto the tape).
//
// Marking is on when the drive is registered for FFD 1.2 with bit 0x100 of
// tag 1290 (`drive ffd 1.2`, `drive marking 100`); the drive is autonomous
// with bit 0x02 of its registration flags (`drive reg-flags 02`); in
// self-check mode (`drive self-check on`, current-status bit 0x2000) the
// drive answers a check request itself.
//
// One check runs at a time, in this order:
//   0x26 B kind, H code, B AI 91 offset, B AI 92 offset: begins the check
//        (an unfinished one is dropped); field 5 the drive's own verdict
//        (`drive mark-result HH`, default 03: the code and its signature
//        are good);
//   0x24 B planned status, B measure, R quantity, R lot size, B self-check:
//        field 5 the check request for the marking server as hex (see
//        below), or in self-check mode the result; refused when the drive
//        is autonomous;
//   0x25 H the server's answer: field 5 the result with bit 2 set (0x0F
//        when the server accepts the code and the drive's verdict was 03);
//   0x22 B 1 keep / 0 declined: ends the check; field 5 the result.
// 0x20 (with or without its byte) answers as many data fields as
// `drive mark-fields` says (default 1): the step of the check under way,
// then the number of codes kept, then zeros. A command out of this order
// is refused with 72 and changes nothing; without marking 0x21 to 0x26 are
// refused with A2.
//
// Bodies exchanged with the marking server (the stand-ins' own format,
// tools/srvsim/README.md):
//   check request: "KMCHECK <code as hex>\n"
//   answer:        "KMRESULT ACCEPT|REJECT|NONE <code as hex>\n", zero
//                  bytes may follow; NONE: the server knows nothing of the
//                  code (the result keeps bit 2 clear). An answer naming
//                  another code is refused with 90, one that cannot be
//                  read with 79.
#ifndef KKTSIM_KKTDRIVEMARKING_H
#define KKTSIM_KKTDRIVEMARKING_H

#include "KktFrame.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;

// Current-status bit of the self-check mode.
const uint16_t kStatusSelfCheck = 0x2000;

// The check of one code, as far as it went.
struct MarkCheck {
    enum Step : uint8_t { kNone = 0, kCode = 1, kRequest = 2, kAnswer = 3 };
    uint8_t step = kNone;
    std::string code;   // the code's bytes as 0x26 gave them
    uint8_t result = 0; // the result byte so far
};

struct MarkingDriveState {
    bool selfCheck = false;      // current status 0x2000
    uint8_t localResult = 0x03;  // the drive's own verdict on a code
    MarkCheck check;             // the check under way
    std::vector<std::string> kept; // codes whose check ended with "keep"
    std::string pending;         // the code of 0x21 waiting for its goods line
    // The codes of the marked goods lines of the receipt open now, or of
    // the one closed last until the next receipt opens.
    std::vector<std::string> receiptCodes;
};

// Marking is on: FFD 1.2 and tag 1290 bit 0x100.
bool MarkingOn(const DriveState &s);
// The drive was registered autonomous (registration flags bit 0x02).
bool MarkingAutonomous(const DriveState &s);

// The marking commands (rows of KktDriveCommands.cpp); a refusal's reason
// goes to the result's note.
uint8_t MarkStatus(DriveCall &c);       // 0x20
uint8_t MarkItemCode(DriveCall &c);     // 0x21
uint8_t MarkSave(DriveCall &c);         // 0x22
uint8_t MarkReset(DriveCall &c);        // 0x23
uint8_t MarkCheckRequest(DriveCall &c); // 0x24
uint8_t MarkCheckAnswer(DriveCall &c);  // 0x25
uint8_t MarkCode(DriveCall &c);         // 0x26
// After a command the receipt unit answered without an error: 0x11 takes
// the waiting code for the goods line it made; 0x10 and 0x17 begin a new
// list of the receipt's codes.
void MarkingAfterReceipt(DriveState &s, uint8_t code);

// The code as a tape shows it: printable ASCII kept, GS as "<GS>", other
// bytes as "\xNN".
std::string MarkCodeReadable(const std::string &code);

// "drive self-check on|off", "drive mark-result HH": false when the name is
// neither; otherwise true, with why set when the value is bad.
bool MarkingStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why);

// The state file's "marking" member and reading it back (null: a file
// without it keeps the defaults); false with why.
std::string MarkingToJson(const DriveState &s);
bool MarkingFromJson(const JsonValue *member, DriveState &s, std::string &why);

} // namespace kktsim

#endif
