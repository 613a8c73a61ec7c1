// Registrar frames, as the stand-in reads and writes them.

#include "KktFrame.h"

namespace kktsim {

namespace {

int HexValue(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void PutHex(std::string &out, uint8_t v)
{
    static const char digits[] = "0123456789ABCDEF";
    out.push_back(digits[v >> 4]);
    out.push_back(digits[v & 15]);
}

} // namespace

uint16_t Sum16(const uint8_t *p, size_t n)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += p[i];
    return static_cast<uint16_t>(sum);
}

ParseResult ParseRequest(const uint8_t *p, size_t n, size_t passwordLen, Request &out)
{
    out = Request();
    const size_t head = 1 + passwordLen + 3; // STX, password, id, code
    if (!p || n < head + 1 + 5 || p[0] != K_STX || p[n - 5] != K_ETX)
        return ParseResult::Malformed;
    const size_t end = n - 5; // offset of ETX
    if (p[head] != K_FS || p[end - 1] != K_FS)
        return ParseResult::Malformed;
    for (size_t i = 1; i < head; ++i)
        if (p[i] == K_FS)
            return ParseResult::Malformed; // field 0 has the wrong length
    int hi = HexValue(p[head - 2]);
    int lo = HexValue(p[head - 1]);
    if (hi < 0 || lo < 0)
        return ParseResult::Malformed;
    out.password.assign(reinterpret_cast<const char *>(p + 1), passwordLen);
    out.id = p[1 + passwordLen];
    out.code = static_cast<uint8_t>(hi << 4 | lo);
    size_t start = head + 1;
    for (size_t i = start; i < end; ++i) {
        if (p[i] == K_FS) {
            out.fields.emplace_back(reinterpret_cast<const char *>(p + start), i - start);
            start = i + 1;
        }
    }
    uint16_t sum = Sum16(p, n - 4);
    std::string expect;
    PutHex(expect, static_cast<uint8_t>(sum & 0xFF));
    PutHex(expect, static_cast<uint8_t>(sum >> 8));
    if (expect.compare(0, 4, reinterpret_cast<const char *>(p + n - 4), 4) != 0)
        return ParseResult::BadChecksum;
    return ParseResult::Ok;
}

std::string BuildReply(const Reply &r, bool badChecksum)
{
    std::string f;
    f.push_back(static_cast<char>(K_STX));
    f.push_back(static_cast<char>(r.id));
    PutHex(f, r.code);
    f.push_back(static_cast<char>(K_FS));
    PutHex(f, r.fatal);
    f.push_back(static_cast<char>(K_FS));
    PutHex(f, static_cast<uint8_t>(r.status & 0xFF));
    PutHex(f, static_cast<uint8_t>(r.status >> 8));
    f.push_back(static_cast<char>(K_FS));
    PutHex(f, r.error);
    PutHex(f, r.detail);
    f.push_back(static_cast<char>(K_FS));
    f.push_back(static_cast<char>(K_FS)); // field 4, empty
    for (const std::string &d : r.data) {
        f += d;
        f.push_back(static_cast<char>(K_FS));
    }
    f.push_back(static_cast<char>(K_ETX));
    uint16_t sum = Sum16(reinterpret_cast<const uint8_t *>(f.data()), f.size());
    if (badChecksum)
        sum = static_cast<uint16_t>(sum + 1);
    PutHex(f, static_cast<uint8_t>(sum & 0xFF));
    PutHex(f, static_cast<uint8_t>(sum >> 8));
    return f;
}

std::string BuildRequest(const Request &r)
{
    std::string f;
    f.push_back(static_cast<char>(K_STX));
    f += r.password;
    f.push_back(static_cast<char>(r.id));
    PutHex(f, r.code);
    f.push_back(static_cast<char>(K_FS));
    for (const std::string &d : r.fields) {
        f += d;
        f.push_back(static_cast<char>(K_FS));
    }
    f.push_back(static_cast<char>(K_ETX));
    uint16_t sum = Sum16(reinterpret_cast<const uint8_t *>(f.data()), f.size());
    PutHex(f, static_cast<uint8_t>(sum & 0xFF));
    PutHex(f, static_cast<uint8_t>(sum >> 8));
    return f;
}

} // namespace kktsim
