// The fiscal drive's documents waiting for the OFD: each fiscal document the
// model makes waits with a body until the OFD's acknowledgement is written
// back, and the commands that read a document out (0x2B, 0x5A-0x5F) and name
// name the servers (0x66 writes, 0x67 reads) answer from here.
//
// A document's body is what the cash register sends the OFD: a 32-byte
// message header, the document's own tag (2 bytes) and length (2 bytes, low
// byte first), then its tags: 1040 the document number (4 bytes), 1041 the
// fiscal drive's number, 1012 the time (4 bytes), 1209 the FFD version
// (1 byte, unless the scenario leaves it out), and filler (tag 1084) up to
// the size a scenario asks for.
//
// The OFD's answer (0x5E) is the server stand-in's text line (see
// tools/srvsim/README.md): "SRVSIM ACK <fn-number> <document>" removes the
// document just read when both match; "SRVSIM ERR <code> <message>" is
// answered with the code in field 5 and the message in field 6, and the
// document stays; anything else is refused and the document stays.
#ifndef KKTSIM_KKTDRIVEOFD_H
#define KKTSIM_KKTDRIVEOFD_H

#include "KktFrame.h"

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;

struct OfdDocument {
    uint32_t number = 0;
    std::string body; // bytes
};

// A server as the controller keeps it: the OFD (0x66/0x67 without an index
// or with index 0), the marking system's server (index 1) and the key
// service (index 2).
struct OfdServer {
    std::string host = "127.0.0.1";
    uint16_t port = 0;
    uint16_t period = 60;      // seconds
    uint16_t recvTimeout = 30; // seconds
    uint16_t sendTimeout = 30; // seconds
};

struct OfdDriveState {
    std::vector<OfdDocument> documents; // waiting, oldest first
    OfdServer server;
    bool tag1209 = true;       // new documents carry tag 1209
    uint16_t documentSize = 0; // size of new documents' bodies; 0 as small as they come
    bool connected = false;    // 0x5F: the exchange with the OFD is under way
    bool reading = false;      // 0x5A opened a read of the oldest document
    bool readDone = false;     // 0x5D closed it: 0x5E answers for it
    OfdServer oism{"", 0, 60, 30, 30};  // index 1
    OfdServer keys{"", 0, 60, 30, 30};  // index 2
};

// The body of a document of that number, at least size bytes long.
std::string OfdDocumentBody(const DriveState &s, uint32_t number, size_t size);
// A fiscal document was made (its number is s.lastDocument): it waits.
void OfdDocumentMade(DriveState &s);
// Brings the list in line with the waiting count (a state file of the
// former shape, or "drive waiting N"): missing documents are made with the
// numbers before the last document's, surplus ones dropped oldest first.
void OfdSyncDocuments(DriveState &s);

// The OFD exchange's commands (rows of KktDriveCommands.cpp); a refusal's
// reason goes to the result's note.
uint8_t OfdStatus(DriveCall &c);     // 0x2B
uint8_t OfdReadStart(DriveCall &c);  // 0x5A
uint8_t OfdRead(DriveCall &c);       // 0x5B
uint8_t OfdReadCancel(DriveCall &c); // 0x5C
uint8_t OfdReadClose(DriveCall &c);  // 0x5D
uint8_t OfdAnswer(DriveCall &c);     // 0x5E
uint8_t OfdConnection(DriveCall &c); // 0x5F
uint8_t OfdSetServer(DriveCall &c);  // 0x66
uint8_t OfdGetServer(DriveCall &c);  // 0x67

// The state file's "ofd" member as JSON text, and reading it back from the
// whole state file's text (a file without it keeps the state's documents
// in line with "ofd_waiting"). False with the member named in why.
std::string OfdToJson(const DriveState &s);
bool OfdFromJson(const JsonValue *member, DriveState &s, std::string &why);

// "drive ofd-... VALUE" statements: known false for other names; false with
// why on a bad value.
bool OfdDriveLine(const std::string &name, const std::string &value, DriveState &d, std::string &why, bool &known);

} // namespace kktsim

#endif
