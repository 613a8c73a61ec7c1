// The registrar frame: buffer, header, field encoders, trailer, reply check
// and field readers, and the free hex and checksum helpers.
#include "TMCommand.h"

#include "CodePage.h"
#include "osal.h"

#include <atomic>
#include <limits.h>
#include <new>
#include <stdio.h>
#include <string.h>

namespace {

const char kDefaultPassword[] = "KVMZ";

// The packet-identifier counter is shared by every TMCommand of the process;
// commands are built in the main thread and in UI-thread callbacks alike.
std::atomic<uint8_t> g_packetCounter{0};
std::atomic<const char *> g_password{kDefaultPassword};

uint8_t NextPacketId()
{
    uint8_t cur = g_packetCounter.load(std::memory_order_relaxed);
    uint8_t next;
    do {
        next = static_cast<uint8_t>(cur + 1);
        if (next < 0x20 || next >= 0x80)
            next = 0x20;
    } while (!g_packetCounter.compare_exchange_weak(cur, next, std::memory_order_relaxed));
    return next;
}

uint32_t PasswordLength()
{
    return static_cast<uint32_t>(strlen(CurrentTransferPassword()));
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

// STX first, more than 5 bytes, ETX 5 bytes before the end and the
// upper-case checksum of everything before the checksum in the last 4.
bool FrameIsValid(const uint8_t *p, uint32_t n)
{
    if (!p || n <= 5 || p[0] != FRAME_STX || p[n - 5] != FRAME_ETX)
        return false;
    const uint16_t sum = FrameSum16(p, n - 4);
    const uint8_t lo = static_cast<uint8_t>(sum & 0xFF);
    const uint8_t hi = static_cast<uint8_t>(sum >> 8);
    return p[n - 4] == static_cast<uint8_t>(HexDigit(lo, 0)) && p[n - 3] == static_cast<uint8_t>(HexDigit(lo, 1)) &&
           p[n - 2] == static_cast<uint8_t>(HexDigit(hi, 0)) && p[n - 1] == static_cast<uint8_t>(HexDigit(hi, 1));
}

void TwoDigits(char *out, int v)
{
    v = ((v % 100) + 100) % 100;
    out[0] = static_cast<char>('0' + v / 10);
    out[1] = static_cast<char>('0' + v % 10);
}

bool AllDigits(const char *text, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// Bytes that would end a field or the frame early.
bool IsFrameControl(char c)
{
    return c == static_cast<char>(FRAME_STX) || c == static_cast<char>(FRAME_ETX) || c == static_cast<char>(FRAME_FS);
}

// Field k of the held frame when it is exactly len characters long, else null.
const char *FieldOfLength(TMCommand &c, uint32_t k, uint32_t len)
{
    uint32_t n = 0;
    const char *f = c.FieldAt(k, &n);
    return f && n == len ? f : nullptr;
}

} // namespace

TMCommand::TMCommand() : buf_(nullptr), len_(0), cap_(0), id_(0), fields_(0) {}

TMCommand::~TMCommand()
{
    delete[] buf_;
}

int TMCommand::Reserve(uint32_t n)
{
    if (n > FRAME_BLOCK - 1)
        return -1;
    if (cap_ >= len_ + n)
        return 0;
    uint8_t *grown = new (std::nothrow) uint8_t[cap_ + FRAME_BLOCK];
    if (!grown)
        return -1;
    if (buf_ && len_)
        memcpy(grown, buf_, len_);
    delete[] buf_;
    buf_ = grown;
    cap_ += FRAME_BLOCK;
    return 0;
}

const char *TMCommand::FieldAt(uint32_t k, uint32_t *len)
{
    if (!buf_ || k >= fields_)
        return nullptr;
    uint32_t index = 0;
    uint32_t start = 1;
    for (uint32_t pos = 1; pos < len_; ++pos) {
        if (buf_[pos] != FRAME_FS)
            continue;
        if (index == k) {
            if (len)
                *len = pos - start;
            return reinterpret_cast<const char *>(buf_ + start);
        }
        ++index;
        start = pos + 1;
    }
    return nullptr;
}

int TMCommand::SetFrame(const void *data, int n)
{
    if (n < 0 || static_cast<uint32_t>(n) > FRAME_BLOCK || (!data && n > 0))
        return -1;
    delete[] buf_;
    len_ = cap_ = fields_ = 0;
    buf_ = new (std::nothrow) uint8_t[FRAME_BLOCK];
    if (!buf_)
        return -1;
    if (n)
        memcpy(buf_, data, static_cast<size_t>(n));
    len_ = static_cast<uint32_t>(n);
    cap_ = FRAME_BLOCK;
    return n;
}

uint32_t TMCommand::CountFields()
{
    uint32_t count = 0;
    if (buf_ && len_ > 5)
        for (uint32_t pos = 1; pos <= len_ - 6; ++pos)
            if (buf_[pos] == FRAME_FS)
                ++count;
    fields_ = count;
    return count;
}

int TMCommand::Begin(uint8_t code)
{
    delete[] buf_;
    buf_ = nullptr;
    len_ = cap_ = fields_ = 0;
    const char *password = CurrentTransferPassword();
    const uint32_t p = static_cast<uint32_t>(strlen(password));
    if (p + 5 > FRAME_BLOCK)
        return -1;
    buf_ = new (std::nothrow) uint8_t[FRAME_BLOCK];
    if (!buf_)
        return -1;
    cap_ = FRAME_BLOCK;
    id_ = NextPacketId();
    buf_[0] = FRAME_STX;
    memcpy(buf_ + 1, password, p);
    buf_[p + 1] = id_;
    buf_[p + 2] = static_cast<uint8_t>(HexDigit(code, 0));
    buf_[p + 3] = static_cast<uint8_t>(HexDigit(code, 1));
    buf_[p + 4] = FRAME_FS;
    len_ = p + 5;
    fields_ = 1;
    return static_cast<int>(len_);
}

// Appends n bytes of text and FS after reserving `reserve` bytes for the text
// and then 1 for FS; returns the new length or -1.
int TMCommand::AppendField(const void *text, uint32_t n, uint32_t reserve)
{
    if (!buf_ || Reserve(reserve) < 0 || Reserve(1) < 0)
        return -1;
    if (n)
        memcpy(buf_ + len_, text, n);
    len_ += n;
    buf_[len_++] = FRAME_FS;
    ++fields_;
    return static_cast<int>(len_);
}

int TMCommand::AddDateNow()
{
    OsTime now;
    if (OsGetTime(&now) != 0)
        return -1;
    char text[6];
    TwoDigits(text, now.Day);
    TwoDigits(text + 2, now.Month);
    TwoDigits(text + 4, now.Year);
    return AppendField(text, 6, 6);
}

int TMCommand::AddDate(const struct tm *t)
{
    if (!t)
        return -1;
    char text[6];
    TwoDigits(text, t->tm_mday);
    TwoDigits(text + 2, t->tm_mon + 1);
    TwoDigits(text + 4, t->tm_year);
    return AppendField(text, 6, 6);
}

int TMCommand::AddTimeNow()
{
    OsTime now;
    if (OsGetTime(&now) != 0)
        return -1;
    char text[4];
    TwoDigits(text, now.Hour);
    TwoDigits(text + 2, now.Minute);
    return AppendField(text, 4, 4);
}

int TMCommand::AddTimeText(const char *hhmm)
{
    if (!hhmm || strlen(hhmm) != 4 || !AllDigits(hhmm, 4))
        return -1;
    return AppendField(hhmm, 4, 4);
}

int TMCommand::AddDateText(const char *ddmmyy)
{
    if (!ddmmyy || strlen(ddmmyy) != 6 || !AllDigits(ddmmyy, 6))
        return -1;
    return AppendField(ddmmyy, 6, 6);
}

int TMCommand::AddTime(const struct tm *t)
{
    if (!t)
        return -1;
    char text[4];
    TwoDigits(text, t->tm_hour);
    TwoDigits(text + 2, t->tm_min);
    return AppendField(text, 4, 4);
}

int TMCommand::AddByte(uint8_t v)
{
    const char text[2] = {HexDigit(v, 0), HexDigit(v, 1)};
    return AppendField(text, 2, 2);
}

int TMCommand::AddWord(uint16_t v)
{
    const uint8_t bytes[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    char text[4];
    BytesToHex(bytes, 2, text);
    return AppendField(text, 4, 4);
}

int TMCommand::AddDword(uint32_t v)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 24)};
    char text[8];
    BytesToHex(bytes, 4, text);
    return AppendField(text, 8, 8);
}

int TMCommand::AddRawString(const char *text)
{
    const size_t n = text ? strlen(text) : 0;
    if (n > FRAME_BLOCK - 1)
        return -1;
    return AppendField(text, static_cast<uint32_t>(n), static_cast<uint32_t>(n));
}

int TMCommand::AddString(const char *text, int keep)
{
    const size_t n = text ? strlen(text) : 0;
    if (n > FRAME_BLOCK - 1)
        return -1;
    const uint32_t start = len_;
    const int r = AppendField(text, static_cast<uint32_t>(n), static_cast<uint32_t>(n));
    if (r < 0)
        return r;
    char *field = reinterpret_cast<char *>(buf_ + start);
    for (size_t i = 0; i < n; ++i)
        if (static_cast<uint8_t>(field[i]) < 0x20)
            field[i] = ' ';
    if (!keep)
        Cp1251ToCp866(field, static_cast<int>(n));
    return r;
}

int TMCommand::AddStringPair(const char *a, const char *b)
{
    if (!buf_)
        return -1;
    const size_t na = a ? strlen(a) : 0;
    const size_t nb = (a && b) ? strlen(b) : 0;
    if (na > FRAME_BLOCK - 1 || (nb && nb + 1 > FRAME_BLOCK - 1))
        return -1;
    if (Reserve(static_cast<uint32_t>(na)) < 0)
        return -1;
    char *field = reinterpret_cast<char *>(buf_ + len_);
    if (na)
        memcpy(field, a, na);
    len_ += static_cast<uint32_t>(na);
    // Only the frame's own control bytes are replaced: any of them inside
    // the pair would cut the field short and shift every later field.
    for (size_t i = 0; i < na; ++i)
        if (IsFrameControl(field[i]))
            field[i] = ' ';
    Cp1251ToCp866(field, static_cast<int>(na));
    if (nb) {
        if (Reserve(static_cast<uint32_t>(nb + 1)) < 0)
            return -1;
        buf_[len_++] = '|';
        char *second = reinterpret_cast<char *>(buf_ + len_);
        memcpy(second, b, nb);
        len_ += static_cast<uint32_t>(nb);
        for (size_t i = 0; i < nb; ++i)
            if (IsFrameControl(second[i]))
                second[i] = ' ';
    }
    return AppendField(nullptr, 0, 0);
}

int TMCommand::AddHex(const void *data, int n)
{
    if (n < 0)
        return -1;
    if (!data || n == 0)
        return AppendField(nullptr, 0, 0);
    if (static_cast<uint32_t>(n) > (FRAME_BLOCK - 1) / 2)
        return -1;
    const uint32_t chars = 2 * static_cast<uint32_t>(n);
    if (!buf_ || Reserve(chars) < 0)
        return -1;
    BytesToHex(data, static_cast<uint32_t>(n), reinterpret_cast<char *>(buf_ + len_));
    len_ += chars;
    return AppendField(nullptr, 0, 0);
}

int TMCommand::End()
{
    if (!buf_ || Reserve(5) < 0)
        return -1;
    buf_[len_++] = FRAME_ETX;
    const uint16_t sum = FrameSum16(buf_, len_);
    const uint8_t lo = static_cast<uint8_t>(sum & 0xFF);
    const uint8_t hi = static_cast<uint8_t>(sum >> 8);
    buf_[len_++] = static_cast<uint8_t>(HexDigit(lo, 0));
    buf_[len_++] = static_cast<uint8_t>(HexDigit(lo, 1));
    buf_[len_++] = static_cast<uint8_t>(HexDigit(hi, 0));
    buf_[len_++] = static_cast<uint8_t>(HexDigit(hi, 1));
    CountFields();
    return static_cast<int>(len_);
}

// ---- reply ------------------------------------------------------------------

int TMCommand::Accept(const void *data, uint32_t n)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    if (n > static_cast<uint32_t>(INT_MAX) || !FrameIsValid(p, n))
        return -1;
    uint8_t *copy = new (std::nothrow) uint8_t[n];
    delete[] buf_;
    buf_ = copy;
    len_ = cap_ = fields_ = 0;
    if (!copy)
        return -1;
    memcpy(copy, p, n);
    len_ = cap_ = n;
    CountFields();
    return static_cast<int>(n);
}

int TMCommand::ErrorCode()
{
    const char *f = FieldOfLength(*this, 3, 4);
    return f ? HexByte(f) : -1;
}

int TMCommand::ErrorDetail()
{
    const char *f = FieldOfLength(*this, 3, 4);
    return f ? HexByte(f + 2) : -1;
}

// Offset of the packet identifier in the held frame (1 in a reply, P+1 in
// a request), or -1 when field 0 is neither 3 nor P+3 characters long.
int TMCommand::HeaderLength(uint32_t *idOffset) const
{
    if (!buf_ || fields_ < 1)
        return -1;
    uint32_t n = 0;
    const char *f = const_cast<TMCommand *>(this)->FieldAt(0, &n);
    if (!f || n == 0)
        return -1;
    const uint32_t p = PasswordLength();
    if (n == 3)
        *idOffset = 1;
    else if (n == p + 3)
        *idOffset = p + 1;
    else
        return -1;
    return static_cast<int>(n);
}

int TMCommand::CommandCode()
{
    uint32_t at = 0;
    if (HeaderLength(&at) < 0)
        return -1;
    return HexByte(reinterpret_cast<const char *>(buf_ + at + 1));
}

int TMCommand::PacketId()
{
    uint32_t at = 0;
    if (HeaderLength(&at) < 0)
        return -1;
    return buf_[at];
}

bool TMCommand::IsReplyTo()
{
    return buf_ && PacketId() == static_cast<int>(id_);
}

uint32_t TMCommand::FieldLength(uint32_t k)
{
    uint32_t n = 0;
    return FieldAt(k, &n) ? n : 0;
}

int TMCommand::FieldText(uint32_t k, char *out, uint32_t size)
{
    uint32_t n = 0;
    const char *f = FieldAt(k, &n);
    if (!f || !out)
        return -1;
    if (size > 0) {
        const uint32_t copy = n < size ? n : size - 1;
        memcpy(out, f, copy);
        out[copy] = '\0';
    }
    return static_cast<int>(n);
}

int TMCommand::FieldText1251(uint32_t k, char *out, uint32_t size)
{
    const int n = FieldText(k, out, size);
    if (n > 0 && size > 0) {
        const uint32_t copied = static_cast<uint32_t>(n) < size ? static_cast<uint32_t>(n) : size - 1;
        Cp866ToCp1251(out, static_cast<int>(copied));
    }
    return n;
}

int TMCommand::FieldBytes(uint32_t k, uint8_t *out, uint32_t size)
{
    uint32_t n = 0;
    const char *f = FieldAt(k, &n);
    if (!f || !out)
        return -1;
    const uint32_t count = (n + 1) / 2;
    if (n > 0 && size >= count)
        HexToBytes(f, n, out);
    return static_cast<int>(count);
}

uint32_t TMCommand::FieldDword(uint32_t k)
{
    const char *f = FieldOfLength(*this, k, 8);
    return f ? HexDwordLE(f) : 0;
}

uint16_t TMCommand::FieldWord(uint32_t k)
{
    uint32_t n = 0;
    const char *f = FieldAt(k, &n);
    if (!f)
        return 0;
    if (n == 4)
        return HexWordLE(f);
    if (n == 2)
        return HexByte(f);
    return 0;
}

uint8_t TMCommand::FieldByte(uint32_t k)
{
    const char *f = FieldOfLength(*this, k, 2);
    return f ? HexByte(f) : 0;
}

uint16_t TMCommand::FieldWordBE(uint32_t k)
{
    const char *f = FieldOfLength(*this, k, 4);
    return f ? static_cast<uint16_t>(HexByte(f) << 8 | HexByte(f + 2)) : 0;
}

int TMCommand::FatalStatus()
{
    const char *f = FieldOfLength(*this, 1, 2);
    return f ? HexByte(f) : -1;
}

int TMCommand::CurrentStatus()
{
    const char *f = FieldOfLength(*this, 2, 4);
    return f ? HexWordLE(f) : -1;
}

// ---- free functions -----------------------------------------------------------

uint16_t FrameSum16(const void *data, uint32_t n)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint32_t sum = 0;
    if (p)
        for (uint32_t i = 0; i < n; ++i)
            sum += p[i];
    return static_cast<uint16_t>(sum);
}

void BytesToHex(const void *data, uint32_t n, char *out)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    if (!p || !out)
        return;
    for (uint32_t i = 0; i < n; ++i) {
        out[2 * i] = HexDigit(p[i], 0);
        out[2 * i + 1] = HexDigit(p[i], 1);
    }
}

void HexToBytes(const char *text, uint32_t nchars, uint8_t *out)
{
    if (!text || !out)
        return;
    for (uint32_t i = 0; i < nchars; i += 2) {
        const int hi = HexValue(text[i]);
        const int lo = i + 1 < nchars ? HexValue(text[i + 1]) : 0;
        out[i / 2] = static_cast<uint8_t>(hi << 4 | lo);
    }
}

uint8_t HexByte(const char *text)
{
    uint8_t b = 0;
    HexToBytes(text, 2, &b);
    return b;
}

char HexDigit(uint8_t value, int which)
{
    static const char digits[] = "0123456789ABCDEF";
    return digits[which == 0 ? value >> 4 : value & 0x0F];
}

uint16_t HexWordLE(const char *text)
{
    uint8_t b[2] = {0, 0};
    HexToBytes(text, 4, b);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t HexDwordLE(const char *text)
{
    uint8_t b[4] = {0, 0, 0, 0};
    HexToBytes(text, 8, b);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

int DecimalText(int32_t value, char *out)
{
    if (!out)
        return 0;
    char text[16];
    const int n = snprintf(text, sizeof text, "%ld", static_cast<long>(value));
    memcpy(out, text, static_cast<size_t>(n) + 1);
    return n;
}

int FrameErrorByte(const void *frame, uint32_t n)
{
    const uint8_t *p = static_cast<const uint8_t *>(frame);
    if (!FrameIsValid(p, n))
        return -1;
    // Field 3 runs from after the third FS to the fourth, before ETX.
    uint32_t seen = 0;
    uint32_t start = 0;
    for (uint32_t pos = 1; pos + 5 < n; ++pos) {
        if (p[pos] != FRAME_FS)
            continue;
        ++seen;
        if (seen == 3)
            start = pos + 1;
        else if (seen == 4)
            return pos - start == 4 ? HexByte(reinterpret_cast<const char *>(p + start)) : -1;
    }
    return -1;
}

const char *CurrentTransferPassword()
{
    return g_password.load(std::memory_order_relaxed);
}

void SetTransferPassword(const char *text)
{
    g_password.store(text ? text : kDefaultPassword, std::memory_order_relaxed);
}
