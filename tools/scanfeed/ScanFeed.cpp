#include "ScanFeed.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "HexDigit.h"
#include "JsonLines.h"

namespace scanfeed {

namespace {

const uint8_t kLeftShift = 0x02, kLeftAlt = 0x04;
const uint8_t kUsageEnter = 40;
const int kWriteWaitMs = 5000; // a reader that takes nothing for this long has stopped

std::string hexCode(char32_t c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

// The usage code and Shift of a character a key gives; false when no key
// gives it.
bool keyOf(char32_t c, uint8_t *usage, bool *shift)
{
    static const char kPlainPunct[] = "-=[]\\";       // 45..49
    static const char kShiftPunct[] = "_+{}|";        // 45..49
    static const char kPlainPunct2[] = ";'`,./";      // 51..56
    static const char kShiftPunct2[] = ":\"~<>?";     // 51..56
    static const char kShiftDigits[] = "!@#$%^&*()";  // 30..39
    *shift = false;
    if (c >= 'a' && c <= 'z') {
        *usage = uint8_t(4 + (c - 'a'));
        return true;
    }
    if (c >= 'A' && c <= 'Z') {
        *usage = uint8_t(4 + (c - 'A'));
        *shift = true;
        return true;
    }
    if (c >= '1' && c <= '9') {
        *usage = uint8_t(30 + (c - '1'));
        return true;
    }
    switch (c) {
    case '0': *usage = 39; return true;
    case '\n': *usage = kUsageEnter; return true;
    case '\t': *usage = 43; return true;
    case ' ': *usage = 44; return true;
    default: break;
    }
    if (c > 0x7F || c == 0)
        return false;
    const char ch = static_cast<char>(c);
    if (const char *p = std::strchr(kShiftDigits, ch)) {
        *usage = uint8_t(30 + (p - kShiftDigits));
        *shift = true;
        return true;
    }
    if (const char *p = std::strchr(kPlainPunct, ch)) {
        *usage = uint8_t(45 + (p - kPlainPunct));
        return true;
    }
    if (const char *p = std::strchr(kShiftPunct, ch)) {
        *usage = uint8_t(45 + (p - kShiftPunct));
        *shift = true;
        return true;
    }
    if (const char *p = std::strchr(kPlainPunct2, ch)) {
        *usage = uint8_t(51 + (p - kPlainPunct2));
        return true;
    }
    if (const char *p = std::strchr(kShiftPunct2, ch)) {
        *usage = uint8_t(51 + (p - kShiftPunct2));
        *shift = true;
        return true;
    }
    return false;
}

// The decimal number a scanner types with Left Alt for a character: GS is
// 29; a Cyrillic letter, Ё, ё or № the first two bytes of its UTF-8 form
// read as one big-endian number. 0 when it has none.
long altNumberOf(char32_t c)
{
    if (c == 0x1D)
        return 29;
    bool cyrillic = (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451;
    if (cyrillic) // two-byte UTF-8: 110xxxxx 10xxxxxx
        return (long(0xC0 | (c >> 6)) << 8) | long(0x80 | (c & 0x3F));
    if (c == 0x2116) // three-byte UTF-8: 1110xxxx 10xxxxxx ...
        return (long(0xE0 | (c >> 12)) << 8) | long(0x80 | ((c >> 6) & 0x3F));
    return 0;
}

Report report(uint8_t modifier, uint8_t usage)
{
    return Report{{modifier, 0, usage, 0, 0, 0, 0, 0}};
}

void pressKey(std::vector<Report> &out, uint8_t usage, bool shift)
{
    out.push_back(report(shift ? kLeftShift : 0, usage));
    out.push_back(report(0, 0));
}

// Left Alt held, each digit on the keypad (1..9 are usages 89..97, 0 is
// 98) pressed and let go, then everything released.
void altSequence(std::vector<Report> &out, long number)
{
    std::string digits = std::to_string(number);
    if (number == 29) // typed as two digits, as scanners send GS
        digits = "29";
    out.push_back(report(kLeftAlt, 0));
    for (char d : digits) {
        out.push_back(report(kLeftAlt, uint8_t(d == '0' ? 98 : 88 + (d - '0'))));
        out.push_back(report(kLeftAlt, 0));
    }
    out.push_back(report(0, 0));
}

bool fail(std::string *error, const std::string &why)
{
    if (error)
        *error = why;
    return false;
}

std::vector<std::string> words(const std::string &line)
{
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

bool number(const std::string &text, long max, long *out)
{
    if (text.empty() || text.size() > 9)
        return false;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > max)
        return false;
    *out = v;
    return true;
}

std::string flatten(const std::vector<Report> &reports)
{
    std::string bytes;
    for (const Report &r : reports)
        bytes.append(reinterpret_cast<const char *>(r.data()), r.size());
    return bytes;
}

unsigned long long nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<unsigned long long>(ts.tv_sec) * 1000ull + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
}

void pause(long ms)
{
    timespec ts{static_cast<time_t>(ms / 1000), (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace

bool ParseCodeText(const std::string &text, std::u32string &out, std::string *error)
{
    out.clear();
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char b = p[i];
        if (b == '\\') {
            if (i + 1 < n && p[i + 1] == '\\') {
                out += U'\\';
                i += 2;
                continue;
            }
            if (i + 1 < n && p[i + 1] == 'u' && i + 6 <= n) {
                long v = 0;
                bool ok = true;
                for (size_t k = i + 2; k < i + 6; ++k) {
                    int h = HexDigitValue(char(p[k]));
                    ok = ok && h >= 0;
                    v = v * 16 + (h < 0 ? 0 : h);
                }
                if (ok) {
                    out += char32_t(v);
                    i += 6;
                    continue;
                }
            }
            return fail(error, "a backslash starts \\uXXXX (four hex digits) or \\\\ only");
        }
        // UTF-8: the lead byte says how many continuation bytes follow.
        int more = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (more < 0 || i + size_t(more) >= n)
            return fail(error, "the text is not UTF-8");
        char32_t c = more == 0 ? b : more == 1 ? (b & 0x1F) : more == 2 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k <= more; ++k) {
            if ((p[i + size_t(k)] & 0xC0) != 0x80)
                return fail(error, "the text is not UTF-8");
            c = (c << 6) | (p[i + size_t(k)] & 0x3F);
        }
        static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return fail(error, "the text is not UTF-8");
        out += c;
        i += size_t(more) + 1;
    }
    return true;
}

bool EncodeHid(const std::u32string &code, const HidShape &shape, std::vector<Report> &out, std::string *error)
{
    out.clear();
    if (code.empty() && !shape.enter)
        return fail(error, "an empty code");
    for (char32_t c : code) {
        uint8_t usage = 0;
        bool shift = false;
        if (keyOf(c, &usage, &shift)) {
            pressKey(out, usage, shift);
        } else if (long alt = altNumberOf(c)) {
            altSequence(out, alt);
        } else {
            out.clear();
            return fail(error, "a HID scanner cannot send " + hexCode(c));
        }
    }
    if (shape.enter)
        pressKey(out, kUsageEnter, false);
    for (int i = 1; i < shape.zeros; ++i)
        out.push_back(report(0, 0));
    if (shape.zeros == 0 && !out.empty())
        out.pop_back(); // the last key is left pressed
    return true;
}

bool EncodeLine(const std::u32string &code, std::string &out, std::string *error)
{
    out.clear();
    if (code.empty())
        return fail(error, "an empty code");
    iconv_t cd = iconv_open("CP1251", "UTF-32LE");
    if (cd == iconv_t(-1))
        return fail(error, "no CP1251 converter");
    for (char32_t c : code) {
        if (c == '\n' || c == '\r' || c == 0) {
            iconv_close(cd);
            out.clear();
            return fail(error, "a line cannot hold " + hexCode(c));
        }
        char in[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char((c >> 24) & 0xFF)};
        char buf[8];
        char *ip = in, *op = buf;
        size_t il = sizeof in, ol = sizeof buf;
        if (iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || op - buf != 1) {
            iconv_close(cd);
            out.clear();
            return fail(error, "CP1251 has no " + hexCode(c));
        }
        out += buf[0];
    }
    iconv_close(cd);
    out += '\n';
    return true;
}

bool ParseScript(const std::string &text, Mode mode, std::vector<Step> &out, std::string *error)
{
    out.clear();
    HidShape shape;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    auto bad = [&](const std::string &why) { return fail(error, "line " + std::to_string(lineNo) + ": " + why); };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#')
            continue;
        Step s{};
        s.line = lineNo;
        const std::string &cmd = w[0];
        // The text of code and raw: everything after the word and one blank.
        size_t at = line.find(cmd) + cmd.size();
        std::string rest = at < line.size() ? line.substr(at + 1) : std::string();
        if (cmd == "code" || cmd == "raw") {
            std::u32string chars;
            std::string why;
            if (!ParseCodeText(rest, chars, &why))
                return bad(why);
            s.text = rest;
            if (cmd == "raw") {
                if (mode != Mode::Builtin)
                    return bad("raw is for the built-in scanner; use report");
                s.kind = Step::RawBytes;
                // The bytes as CP1251 without a line end; an empty text is refused.
                std::string enc;
                if (!EncodeLine(chars, enc, &why))
                    return bad(why);
                enc.pop_back();
                s.bytes = enc;
            } else {
                s.kind = Step::Code;
                if (mode == Mode::Hid) {
                    std::vector<Report> reports;
                    if (!EncodeHid(chars, shape, reports, &why))
                        return bad(why);
                    s.bytes = flatten(reports);
                } else if (!EncodeLine(chars, s.bytes, &why)) {
                    return bad(why);
                }
            }
        } else if (cmd == "report") {
            if (mode != Mode::Hid)
                return bad("report is for a HID scanner");
            if (w.size() != 9)
                return bad("report takes eight hex bytes");
            for (size_t i = 1; i < 9; ++i) {
                int hi = w[i].size() == 2 ? HexDigitValue(w[i][0]) : -1;
                int lo = w[i].size() == 2 ? HexDigitValue(w[i][1]) : -1;
                if (hi < 0 || lo < 0)
                    return bad("\"" + w[i] + "\" is not a hex byte");
                s.bytes += char(hi * 16 + lo);
            }
            s.kind = Step::RawReport;
        } else if (cmd == "wait" || cmd == "pace" || cmd == "zeros" || cmd == "cut") {
            long max = cmd == "zeros" ? 16 : cmd == "cut" ? 1000000 : 600000;
            if (w.size() != 2 || !number(w[1], max, &s.number))
                return bad(cmd + " takes a number up to " + std::to_string(max));
            s.kind = cmd == "wait" ? Step::Wait : cmd == "pace" ? Step::Pace : cmd == "zeros" ? Step::Zeros : Step::Cut;
            if (s.kind == Step::Zeros)
                shape.zeros = int(s.number);
        } else if (cmd == "enter") {
            if (w.size() != 2 || (w[1] != "on" && w[1] != "off"))
                return bad("enter takes on or off");
            s.kind = Step::Enter;
            s.number = w[1] == "on";
            shape.enter = s.number != 0;
        } else {
            return bad("unknown step \"" + cmd + "\"");
        }
        out.push_back(s);
    }
    return true;
}

std::string DefaultFifo(Mode mode, const std::string &root)
{
    std::string base = root;
    if (base.empty()) {
        const char *env = std::getenv("TERMINAL_ROOT");
        base = env ? env : "";
    }
    return base + (mode == Mode::Hid ? "/dev/hidraw0" : "/dev/scanner");
}

int Feed(const Options &o, const std::vector<Step> &steps)
{
    jsonl::Writer journal;
    if (!o.journal.empty() && !journal.Open(o.journal)) {
        std::fprintf(stderr, "scanfeed: cannot write the journal %s\n", o.journal.c_str());
        return 1;
    }
    auto event = [&](const std::string &what, const std::string &detail) {
        journal.Write({{"time", jsonl::UtcNow()}, {"dir", "event"}, {"what", what}, {"detail", detail}});
    };
    auto failed = [&](const std::string &why) {
        std::fprintf(stderr, "scanfeed: %s\n", why.c_str());
        event("failed", why);
        return 1;
    };

    // A FIFO opened for writing without waiting fails with ENXIO while no
    // one reads it: the scanner is not being read.
    int fd = -1;
    unsigned long long start = nowMs();
    for (;;) {
        fd = open(o.fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 || errno != ENXIO || nowMs() - start >= static_cast<unsigned long long>(o.waitMs))
            break;
        pause(20);
    }
    if (fd < 0) {
        if (errno == ENXIO)
            return failed("no reader: nothing reads " + o.fifo + " (is the scan dialog open?)");
        return failed("cannot open " + o.fifo + ": " + std::strerror(errno));
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        close(fd);
        return failed(o.fifo + " is not a FIFO");
    }
    event("opened", o.fifo);

    auto writeAll = [&](const std::string &bytes) -> std::string {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd pfd = {fd, POLLOUT, 0};
                int r = poll(&pfd, 1, kWriteWaitMs);
                if (r == 1 && (pfd.revents & POLLOUT))
                    continue;
                if (r == 0)
                    return "the reader took nothing for " + std::to_string(kWriteWaitMs) + " ms";
            }
            return "the reader went away";
        }
        return std::string();
    };

    long paceMs = 0;
    long cut = -1;
    int status = 0;
    for (const Step &s : steps) {
        std::string why;
        switch (s.kind) {
        case Step::Code:
        case Step::RawReport:
        case Step::RawBytes: {
            std::string bytes = s.bytes;
            bool wasCut = false;
            if (s.kind == Step::Code && cut >= 0) {
                size_t keep = o.mode == Mode::Hid ? size_t(cut) * 8 : size_t(cut);
                wasCut = keep < bytes.size();
                if (wasCut)
                    bytes.resize(keep);
                cut = -1;
            }
            if (o.mode == Mode::Hid && paceMs > 0) {
                for (size_t i = 0; i < bytes.size() && why.empty(); i += 8) {
                    if (i > 0)
                        pause(paceMs);
                    why = writeAll(bytes.substr(i, 8));
                }
            } else {
                why = writeAll(bytes);
            }
            jsonl::Json entry = {{"time", jsonl::UtcNow()},
                                 {"dir", "out"},
                                 {"what", s.kind == Step::Code ? "code" : s.kind == Step::RawReport ? "report" : "raw"},
                                 {"line", s.line},
                                 {"len", bytes.size()},
                                 {"hex", jsonl::Hex(bytes)}};
            if (!s.text.empty())
                entry["text"] = s.text;
            if (wasCut)
                entry["cut"] = true;
            journal.Write(entry);
            break;
        }
        case Step::Wait:
            pause(s.number);
            break;
        case Step::Pace:
            paceMs = s.number;
            break;
        case Step::Cut:
            cut = s.number;
            break;
        case Step::Enter:
        case Step::Zeros:
            break; // taken into the codes when the script was read
        }
        if (!why.empty()) {
            status = failed("line " + std::to_string(s.line) + ": " + why);
            break;
        }
    }
    close(fd);
    if (status == 0)
        event("done", std::to_string(steps.size()) + " steps");
    return status;
}

} // namespace scanfeed
