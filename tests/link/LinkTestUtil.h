// Helpers shared by the frame tests: readable hex dumps, an independent
// frame writer (the expected bytes of a request or reply) and a fixture that
// pins the terminal clock and time zone.
#ifndef TESTS_LINK_LINKTESTUTIL_H
#define TESTS_LINK_LINKTESTUTIL_H

#include "TMCommand.h"
#include "osal.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <time.h>
#include <vector>

namespace linktest {

using Bytes = std::vector<uint8_t>;

inline std::string Hex(const uint8_t *p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        if (i)
            out += ' ';
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

inline std::string Hex(const Bytes &b)
{
    return Hex(b.data(), b.size());
}

inline std::string Hex(const TMCommand &c)
{
    return Hex(c.FrameData(), c.FrameSize());
}

// Bytes of a hex dump such as "02 4B 56".
inline Bytes FromHex(const std::string &text)
{
    Bytes out;
    unsigned v = 0;
    int digits = 0;
    for (char ch : text) {
        int d = -1;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        if (d < 0)
            continue;
        v = v << 4 | static_cast<unsigned>(d);
        if (++digits == 2) {
            out.push_back(static_cast<uint8_t>(v));
            v = 0;
            digits = 0;
        }
    }
    return out;
}

// STX, head, FS-separated body, ETX and the sum of everything up to ETX as
// four characters: low byte then high byte, high nibble first.
// In `body` the character '^' stands for FS.
inline Bytes Frame(const std::string &head, const std::string &body)
{
    Bytes f;
    f.push_back(0x02);
    for (char ch : head)
        f.push_back(static_cast<uint8_t>(ch));
    for (char ch : body)
        f.push_back(ch == '^' ? 0x1C : static_cast<uint8_t>(ch));
    f.push_back(0x03);
    unsigned sum = 0;
    for (uint8_t b : f)
        sum += b;
    char cs[8];
    snprintf(cs, sizeof cs, "%02X%02X", sum & 0xFF, (sum >> 8) & 0xFF);
    for (int i = 0; i < 4; ++i)
        f.push_back(static_cast<uint8_t>(cs[i]));
    return f;
}

// A request as written with password "KVMZ" and packet id `id`.
inline Bytes Request(uint8_t id, const std::string &body)
{
    return Frame(std::string("KVMZ") + static_cast<char>(id), body);
}

// A reply: packet id, then the body (code and fields).
inline Bytes Reply(uint8_t id, const std::string &body)
{
    return Frame(std::string(1, static_cast<char>(id)), body);
}

// Advances the process-wide packet counter so that the next Begin gives 0x20.
inline void NextIdIs20()
{
    TMCommand c;
    do
        c.Begin(0);
    while (c.PacketId() != 0x7F);
}

// Pins the time zone and the terminal's clock (through the OS stand-in, whose
// files live in a private folder) to 5 March 2026, 07:09:00.
class ClockFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/linktest.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("TERMINAL_ROOT", root_.c_str(), 1);
        setenv("TZ", "Europe/Moscow", 1);
        tzset();
        OsTime t{2026, 3, 5, 7, 9, 0, 4};
        ASSERT_EQ(OsSetTime(&t), 0);
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "cannot remove " << root_;
    }

    // DDMMYY and HHMM of the terminal clock now.
    static std::string DateNow()
    {
        OsTime t;
        OsGetTime(&t);
        char s[16];
        snprintf(s, sizeof s, "%02d%02d%02d", t.Day, t.Month, t.Year % 100);
        return s;
    }
    static std::string TimeNow()
    {
        OsTime t;
        OsGetTime(&t);
        char s[16];
        snprintf(s, sizeof s, "%02d%02d", t.Hour, t.Minute);
        return s;
    }

    std::string root_;
};

} // namespace linktest

#endif
