// The fiscal-drive model's common ground: the registrar's error codes it
// answers with, the field encodings of requests and replies (hex numbers
// lowest byte first, fixed-width digit texts), the one rule for dates and
// times, amounts (KktAmount.h) and the 32-character paper tape.
#ifndef KKTSIM_KKTDRIVEWIRE_H
#define KKTSIM_KKTDRIVEWIRE_H

#include "KktAmount.h"

#include <stdint.h>
#include <stdio.h>

#include <string>

namespace kktsim {

// Registrar error codes the model refuses with.
enum : uint8_t {
    kErrFormat = 0x01,            // a field the command needs is missing
    kErrField = 0x02,             // a field cannot be read, or a value is not understood
    kErrDateTime = 0x03,          // the request's date or time is not a real one
    kErrNothingWaits = 0x08,      // nothing waits to be read, or no read is open
    kErrRange = 0x0C,             // a value out of range
    kErrDocState = 0x0D,          // a document is open (or none is); a step out of its order
    kErrOverflow = 0x10,          // an amount above the drive's limit
    kErrNegativeSum = 0x11,       // a zero or negative amount
    kErrDrawer = 0x12,            // not so much cash in the drawer
    kErrCloseShift = 0x15,        // the shift must be closed first
    kErrNoPaper = 0x19,           // out of paper, or not told to go on since
    kErrNotRegistered = 0x1A,
    kErrNoReregistrations = 0x1D,
    kErrLines = 0x24,             // too many lines, payments or tags in one receipt
    kErrShiftClosed = 0x25,       // the shift must be opened first
    kErrPaymentIndex = 0x27,
    kErrShiftOpen = 0x29,         // the shift is already open
    kErrPhase = 0x70,             // the drive's life phase does not allow it
    kErrLayout = 0x71,            // a registration layout above the controller's level
    kErrMarkOrder = 0x72,         // a marking command out of order
    kErrNoData = 0x78,            // no such parameter or document; nothing left
    kErrMarkValue = 0x79,         // a marking value the drive cannot take
    kErrItems = 0x7E,             // too many goods lines or report lines
    kErrOtherOne = 0x90,          // an answer that names another code or notification
    kErrMarkingOff = 0xA2,        // marking is not on
    kErrMarkTableFull = 0xA5,     // no room for one more checked code
};

namespace wire {

inline std::string HexB(unsigned v)
{
    char b[8];
    snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}
inline std::string HexW(unsigned v) { return HexB(v) + HexB(v >> 8); }
inline std::string HexD(uint32_t v) { return HexW(v & 0xFFFF) + HexW(v >> 16); }

// Bytes as upper-case hex, two digits each.
inline std::string Hex(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += HexB(c);
    return out;
}

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

// Hex digits (an even count) into bytes in order; false for anything else.
inline bool Unhex(const std::string &hex, std::string &out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

// Exactly n decimal digits.
inline bool Digits(const std::string &s, size_t n)
{
    if (s.size() != n)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The number of the two digits at s[at].
inline int Two(const std::string &s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

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

// Dates and times. The one rule: DDMMYY names a day that exists in the
// year 2000 + YY (29 February only in a leap year); HHMM a time of day.
inline bool RealDate(const std::string &d)
{
    if (!Digits(d, 6))
        return false;
    int day = Two(d, 0), month = Two(d, 2), year = 2000 + Two(d, 4);
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1])
        return false;
    return !(month == 2 && day == 29 && !(year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)));
}
inline bool RealTime(const std::string &t) { return Digits(t, 4) && Two(t, 0) < 24 && Two(t, 2) < 60; }
inline bool RealDateTime(const std::string &d, const std::string &t) { return RealDate(d) && RealTime(t); }

// A date DDMMYY packed into a word: day + 32 x month + 512 x (year - 1996).
inline uint16_t PackedDate(const std::string &d)
{
    return static_cast<uint16_t>(Two(d, 0) + 32 * Two(d, 2) + 512 * (2000 + Two(d, 4) - 1996));
}

// Minutes since midnight of an HHMM text, or -1.
inline int Minutes(const std::string &t) { return RealTime(t) ? Two(t, 0) * 60 + Two(t, 2) : -1; }

// "DD.MM.YY HH:MM" of a DDMMYYHHMM text (any other text as it is).
inline std::string Readable(const std::string &dt)
{
    if (dt.size() != 10)
        return dt;
    return dt.substr(0, 2) + "." + dt.substr(2, 2) + "." + dt.substr(4, 2) + " " + dt.substr(6, 2) + ":" +
           dt.substr(8, 2);
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
