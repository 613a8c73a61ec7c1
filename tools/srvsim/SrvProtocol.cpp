// The container protocol: reading requests, scanning documents, answers.

#include "SrvProtocol.h"

#include <cstring>

namespace srvsim {

namespace {

const uint8_t kOfdPrefix[7] = {0x2A, 0x08, 0x41, 0x0A, 0x81, 0xA2, 0x01};
const uint8_t kOismPrefix[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA2, 0x00, 0x01};
const uint8_t kKeysPrefix[8] = {0xDD, 0x80, 0xCA, 0xA1, 0x82, 0xA1, 0x00, 0x01};

uint16_t Word(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

const char *KindName(Kind kind)
{
    switch (kind) {
    case Kind::Ofd: return "ofd";
    case Kind::Oism: return "oism";
    case Kind::Keys: return "keys";
    default: return "unknown";
    }
}

Kind KindOf(const uint8_t *header)
{
    if (std::memcmp(header, kOfdPrefix, sizeof kOfdPrefix) == 0 &&
        (header[7] == 0x05 || header[7] == 0x10 || header[7] == 0x20))
        return Kind::Ofd;
    if (std::memcmp(header, kOismPrefix, sizeof kOismPrefix) == 0)
        return Kind::Oism;
    if (std::memcmp(header, kKeysPrefix, sizeof kKeysPrefix) == 0)
        return Kind::Keys;
    return Kind::Unknown;
}

ReadResult ReadRequest(const uint8_t *data, size_t n, Request *out, size_t *used)
{
    *used = 0;
    if (n < kHeaderSize)
        return ReadResult::NeedMore;
    Kind kind = KindOf(data);
    if (kind == Kind::Unknown) {
        out->kind = kind;
        out->header.assign(reinterpret_cast<const char *>(data), kHeaderSize);
        out->body.clear();
        return ReadResult::UnknownKind;
    }
    size_t length = Word(data + 24);
    if (n - kHeaderSize < length)
        return ReadResult::NeedMore;
    out->kind = kind;
    out->header.assign(reinterpret_cast<const char *>(data), kHeaderSize);
    out->body.assign(reinterpret_cast<const char *>(data + kHeaderSize), length);
    out->ffdByte = data[7];
    std::string fn(reinterpret_cast<const char *>(data + 8), 16);
    while (!fn.empty() && (fn.back() == ' ' || fn.back() == '\0'))
        fn.pop_back();
    out->fnNumber = fn;
    *used = kHeaderSize + length;
    return ReadResult::Complete;
}

DocumentInfo ScanDocument(const uint8_t *data, size_t n)
{
    DocumentInfo info;
    const size_t start = kMessageHeaderSize + 4;
    if (n < start)
        return info;
    size_t end = start + Word(data + kMessageHeaderSize + 2);
    if (end > n)
        return info;
    size_t at = start;
    while (at + 4 <= end) {
        uint16_t tag = Word(data + at), len = Word(data + at + 2);
        at += 4;
        if (len > end - at)
            break;
        if (tag == kTagDocumentNumber && len == 4 && !info.hasNumber) {
            info.hasNumber = true;
            info.number = static_cast<uint32_t>(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16)) |
                          (static_cast<uint32_t>(data[at + 3]) << 24);
        } else if (tag == kTagFfdVersion && len == 1 && !info.hasFfd) {
            info.hasFfd = true;
            info.ffd = data[at];
        }
        at += len;
    }
    return info;
}

std::string AnswerHeader(const Request &request, size_t n)
{
    std::string h = request.header;
    h.resize(kHeaderSize, '\0');
    h[24] = static_cast<char>(n & 0xFF);
    h[25] = static_cast<char>((n >> 8) & 0xFF);
    h[26] = 0x14;
    h[27] = h[28] = h[29] = 0;
    return h;
}

std::string AckBody(const std::string &fnNumber, uint32_t document)
{
    return "SRVSIM ACK " + fnNumber + " " + std::to_string(document) + "\n";
}

std::string ErrorBody(int code, const std::string &message)
{
    return "SRVSIM ERR " + std::to_string(code) + " " + message + "\n";
}

} // namespace srvsim
