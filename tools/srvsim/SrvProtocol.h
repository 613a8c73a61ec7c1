// The container protocol as the server stand-in reads and writes it.
//
// Every request and answer is a 30-byte header followed by a body: bytes 0-7
// tell the kind, 8-23 carry the fiscal drive's number, 24-25 the body's
// length (low byte first), 26 is 0x14, 27-29 zero. An OFD request's body is
// a fiscal document as the drive gives it: a 32-byte message header, the
// document's own tag and length, then its tags (number, length, value; all
// numbers low byte first).
//
// Answers of the stand-in (the server's side of the protocol is ours; the
// controller-service stand-in reads the same format):
//   OFD, accepted:  "SRVSIM ACK <fn-number> <document number>\n"
//   OFD, refused:   "SRVSIM ERR <code> <message>\n"
//   OISM:           "SRVSIM OISM OK\n"
//   key update:     "SRVSIM KEYS <fn-number> <length> <checksum>\n" (SrvKeys.h)
// An answer made longer by a scenario is padded with zero bytes after the
// line end.
#ifndef SRVSIM_SRVPROTOCOL_H
#define SRVSIM_SRVPROTOCOL_H

#include <stddef.h>
#include <stdint.h>
#include <string>

namespace srvsim {

const size_t kHeaderSize = 30;
const size_t kMessageHeaderSize = 32; // a document's own message header
const uint16_t kTagDocumentNumber = 1040;
const uint16_t kTagFfdVersion = 1209;

enum class Kind { Unknown, Ofd, Oism, Keys };

// "ofd", "oism", "keys", "unknown".
const char *KindName(Kind kind);
// The kind told by the header's first 8 bytes (at least 8 bytes given).
Kind KindOf(const uint8_t *header);

struct Request {
    Kind kind = Kind::Unknown;
    std::string header; // 30 bytes
    std::string body;
    std::string fnNumber; // bytes 8-23 without trailing blanks or NULs
    uint8_t ffdByte = 0;  // byte 7
};

enum class ReadResult { NeedMore, Complete, UnknownKind };

// Reads one request from the front of the bytes received so far. Complete:
// the request is in out and used counts its bytes. UnknownKind: 30 header
// bytes arrived whose first 8 name no kind (out holds the header). NeedMore:
// nothing is decided yet.
ReadResult ReadRequest(const uint8_t *data, size_t n, Request *out, size_t *used);

// What a document tells: its number (tag 1040, 4 bytes) and its FFD version
// (tag 1209, 1 byte), scanned from offset 36 within the document's own
// length; a tag whose value would run past the end stops the scan.
struct DocumentInfo {
    bool hasNumber = false;
    uint32_t number = 0;
    bool hasFfd = false;
    uint8_t ffd = 0;
};
DocumentInfo ScanDocument(const uint8_t *data, size_t n);

// A header for an answer to request with a body of length n (bytes 0-23
// copied from the request's header).
std::string AnswerHeader(const Request &request, size_t n);

// The answer lines.
std::string AckBody(const std::string &fnNumber, uint32_t document);
std::string ErrorBody(int code, const std::string &message);

} // namespace srvsim

#endif
