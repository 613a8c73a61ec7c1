// The fiscal drive's verification keys for marked goods (command 0x9E): how
// urgently they need updating, the key service's address, the requests the
// drive makes for the service and the service's answers it takes, and the
// keys' date.
//
// An update is a series of rounds: 0x9E 3 gives the next request's body,
// the cash register carries it to the key service (srvsim) and hands the
// answer back with 0x9E 4. The drive takes only the answer srvsim derives
// from its last request (tools/srvsim/README.md):
//   request  "KKTSIM KEYS <fn-number> <n>\n"  (n numbers the drive's requests)
//   answer   "SRVSIM KEYS <fn-number> <length> <checksum>\n"
// with the request's length and its FNV-1a checksum (32 bits, 8 hex
// digits); zero bytes after the line end are allowed. It answers 160 (more
// keys follow) to each answer taken until the update's rounds are done,
// then 0, and the keys are dated today (the drive's clock).
#ifndef KKTSIM_KKTDRIVEKEYS_H
#define KKTSIM_KKTDRIVEKEYS_H

#include "KktFrame.h"

#include <stdint.h>
#include <string>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;

enum : uint8_t {
    kKeysMoreFollow = 0xA0,    // more keys follow: another round
    kKeysUnknownAnswer = 0x94, // not the answer to the last request
};

// The key state beyond the need byte and the keys' date, which the
// archive's members keep (key_state, key_date) as files of the former shape
// have them.
struct DriveKeys {
    std::string address;  // 0x9E 1 as text, e.g. "tcp://127.0.0.1:31101"; empty: none named
    uint16_t rounds = 1;  // answers an update takes
    uint8_t error = 0;    // not 0: 0x9E 0 is refused with this error

    // Not kept in the file: the update under way.
    std::string request;  // the body of the last request made; empty: none waits
    uint16_t taken = 0;   // answers taken in this update
    uint32_t requests = 0; // requests made since the stand-in started
};

// FNV-1a, 32 bits.
uint32_t KeysChecksum(const std::string &bytes);
// The answer srvsim gives to a key-update request body.
std::string KeysAnswerFor(const std::string &fnNumber, const std::string &request);

// Answers 0x9E (a row of KktDriveCommands.cpp). Sub-commands: 0 the need (refused with `drive
// key-error` when set, 78 when the state is 255), 1 the address (hex, may be
// empty), 3 the next request (hex), 4 the service's answer (hex): 160 while
// rounds remain, then 0; 94 for an answer that is not to the last request,
// 02 for one that is no hex; 5 the keys' packed date (W).
uint8_t KeysUpdate(DriveCall &c);

// A `drive` statement of the keys: key-state N (0-255; 255 refused),
// key-error HH (00 none), key-date DDMMYY|0, key-address TEXT|none,
// key-rounds N (1-1000). False when it is none of them; otherwise true,
// with why set for a bad value.
bool KeysStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why);

// The state file's member "keys" ({"address", "rounds", "error"}) and its
// reading (null: a file without it keeps the state's values).
std::string KeysToJson(const DriveState &s);
bool KeysFromJson(const JsonValue *member, DriveState &s, std::string &why);

} // namespace kktsim

#endif
