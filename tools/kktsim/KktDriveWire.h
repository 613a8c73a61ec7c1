// The registrar's field encodings as the fiscal-drive model's own files
// (archive, journal) read and write them: hex numbers lowest byte first,
// fixed-width digit texts, and a 32-character paper tape.
#ifndef KKTSIM_KKTDRIVEWIRE_H
#define KKTSIM_KKTDRIVEWIRE_H

#include <stdint.h>
#include <stdio.h>

#include <string>

namespace kktsim {
namespace wire {

inline std::string HexB(unsigned v)
{
    char b[8];
    snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}
inline std::string HexW(unsigned v) { return HexB(v) + HexB(v >> 8); }
inline std::string HexD(uint32_t v) { return HexW(v & 0xFFFF) + HexW(v >> 16); }

// The value of a hex digit, -1 for any other character.
inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A field of 2 * bytes hex digits, lowest byte first.
inline bool ReadHexLE(const std::string &f, size_t bytes, uint32_t &out)
{
    if (f.size() != bytes * 2)
        return false;
    out = 0;
    for (size_t i = 0; i < bytes; ++i) {
        int hi = HexDigit(f[2 * i]), lo = HexDigit(f[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out |= static_cast<uint32_t>(hi << 4 | lo) << (8 * i);
    }
    return true;
}

inline bool Digits(const std::string &s, size_t n)
{
    if (s.size() != n)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A decimal statement value of at most 10 digits, not above max.
inline bool Decimal(const std::string &v, uint32_t max, uint32_t &out)
{
    if (v.empty() || v.size() > 10)
        return false;
    uint64_t n = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (n > max)
        return false;
    out = static_cast<uint32_t>(n);
    return true;
}

// DDMMYY with a month and a day that exist (29 February in any year).
inline bool RealDate(const std::string &d)
{
    if (!Digits(d, 6))
        return false;
    int day = (d[0] - '0') * 10 + (d[1] - '0'), month = (d[2] - '0') * 10 + (d[3] - '0');
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= days[month - 1];
}

// Lines of a printed document, 32 characters wide (UTF-8 counted by
// characters).
class Paper {
public:
    static const size_t kWidth = 32;
    void Rule() { out_ += std::string(kWidth, '-') + "\n"; }
    void Center(const std::string &t)
    {
        size_t w = Width(t);
        out_ += std::string(w < kWidth ? (kWidth - w) / 2 : 0, ' ') + t + "\n";
    }
    void Text(const std::string &t) { out_ += t + "\n"; }
    void Pair(const std::string &left, const std::string &right)
    {
        size_t w = Width(left) + Width(right);
        if (w + 1 > kWidth)
            out_ += left + "\n" + std::string(Width(right) < kWidth ? kWidth - Width(right) : 0, ' ') + right + "\n";
        else
            out_ += left + std::string(kWidth - w, ' ') + right + "\n";
    }
    void Raw(const std::string &t) { out_ += t; }
    const std::string &Str() const { return out_; }

private:
    static size_t Width(const std::string &utf8)
    {
        size_t n = 0;
        for (unsigned char c : utf8)
            n += (c & 0xC0) != 0x80;
        return n;
    }
    std::string out_;
};

} // namespace wire
} // namespace kktsim

#endif
