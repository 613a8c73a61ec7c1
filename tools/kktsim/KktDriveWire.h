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
