// What the stand-in answers: scripted registrar answers per command code,
// faults to inject, and the state of the controller and the printer. Read
// from a scenario file (format in README.md) or set by a test.
#ifndef KKTSIM_KKTSCENARIO_H
#define KKTSIM_KKTSCENARIO_H

#include "KktDrive.h"
#include "KktDriveMonitor.h"

#include <map>
#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

// What the controller reports to the ready wait.
enum class Mode { Normal, Service, Update };

enum class FaultKind {
    None,
    NoReply,     // the request is taken and never answered
    Delay,       // the reply goes ms later
    BadChecksum, // the reply's checksum is wrong
    StaleId,     // a reply with the previous packet identifier goes first
    WrongCode,   // the reply carries the next command code
    StatusFirst, // a status block (kind 3) goes before the reply
    ShortFirst,  // a one-byte short-command status goes before the reply
    Refuse,      // after the first `after` requests, refused with `error`; nothing changes
    Cut,         // after the first `after` requests, the reply's last data field loses `cut` characters
};

// The fault's name in a scenario ("no-reply", "delay", ...; "none").
const char *FaultName(FaultKind kind);

struct Fault {
    FaultKind kind = FaultKind::None;
    uint32_t ms = 0;  // Delay
    int times = -1;   // requests it applies to; -1 every one
    uint8_t error = 0; // Refuse: the registrar error
    int after = 0;     // Refuse, Cut: requests let through first
    uint32_t cut = 0;  // Cut: characters taken off the end of the last data field
};

// A failure of the USB flash drive's file requests: after the first `after`
// requests of its kind go through, each fails (-13, nothing written) for
// `times` requests (-1 every one). Off while `on` is false.
struct FileFault {
    bool on = false;
    int after = 0;
    int times = -1;
};

// A scripted answer: fields 1 to 3 and the data fields from 5 on.
struct Answer {
    uint8_t fatal = 0;
    uint16_t status = 0;
    uint8_t error = 0;
    uint8_t detail = 0;
    std::vector<std::string> data; // UTF-8; sent as CP866
};

struct Scenario {
    std::map<uint8_t, Answer> answers;
    std::map<uint8_t, Fault> faults;
    Mode mode = Mode::Normal;
    uint32_t notReadyMs = 0;   // the controller is not ready for this long
    bool paperOut = false;
    bool sdCardOut = false; // no SD card: the service log cannot be copied
    int32_t printError = 0;  // forced print-error word of every status block
    uint8_t printerState = 0; // forced printer state (1 busy, 3 overheated, ...) while the paper is in
    uint8_t dataState = 0;    // data-state byte of every status block (print data pending)
    bool repeatStatus = false; // a status block follows the answer to DLE '8' and DLE 'C'
    uint8_t statusSize = 16; // bytes of the status block sent (0..16)
    std::map<uint8_t, uint8_t> shortStatus; // forced answers to DLE + char
    std::string versionText = "KKTSIM 1.0";  // at most 14 characters
    uint32_t version[4] = {1, 0, 0, 1};
    uint8_t unknownError = 0x06; // registrar error for codes without an answer
    std::string password = "KVMZ";
    // The fiscal-drive model answers the codes without a scripted answer
    // once any "drive" statement is given; driveState is the state of a new
    // drive (a state file left by an earlier run takes its place).
    bool drive = false;
    DriveState driveState;
    MonitorConfig monitor; // faults of the service monitor's receiver
    FileFault appendFault; // type 8, appends to the session's file
    FileFault writeFault;  // type 9, writes at an offset of it
};

// Applies the lines of text to scenario. On a fault returns false with
// "line N: what" in error (when not null); the lines before it stay applied.
bool ParseScenario(const std::string &text, Scenario &scenario, std::string *error);

} // namespace kktsim

#endif
