#include "HostSim.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <sstream>

#include "HexDigit.h"
#include "KktFrame.h"

namespace hostsim {

namespace {

std::atomic<bool> g_stop{false};

long nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return long(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool parseNum(const std::string &w, long lo, long hi, int base, long *out)
{
    if (w.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long v = strtol(w.c_str(), &end, base);
    if (errno || *end || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// TEXT with \xNN, \\ and \s (space) escapes.
bool unescape(const std::string &in, std::string &out, std::string *why)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (i + 1 >= in.size()) {
            *why = "a lone \\ at the end";
            return false;
        }
        char c = in[++i];
        if (c == '\\')
            out += '\\';
        else if (c == 's')
            out += ' ';
        else if (c == 'x' && i + 2 < in.size() && HexDigitValue(in[i + 1]) >= 0 && HexDigitValue(in[i + 2]) >= 0) {
            out += char(HexDigitValue(in[i + 1]) * 16 + HexDigitValue(in[i + 2]));
            i += 2;
        } else {
            *why = std::string("bad escape \\") + c;
            return false;
        }
    }
    return true;
}

std::string hexText(const std::string &b)
{
    static const char d[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : b) {
        s += d[c >> 4];
        s += d[c & 15];
    }
    return s;
}

std::string jsonText(const std::string &s)
{
    std::string o;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            o += '\\';
            o += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char b[8];
            snprintf(b, sizeof b, "\\u%04x", c);
            o += b;
        } else {
            o += char(c);
        }
    }
    return o;
}

// Code and error of a reply frame; false when it is none (bad checksum too).
bool readReply(const std::string &f, int *code, int *error)
{
    if (f.size() < 9 || f[0] != char(kktsim::K_STX) || f[f.size() - 5] != char(kktsim::K_ETX))
        return false;
    uint16_t sum = kktsim::Sum16(reinterpret_cast<const uint8_t *>(f.data()), f.size() - 4);
    char want[5];
    snprintf(want, sizeof want, "%02X%02X", sum & 0xFF, sum >> 8);
    if (f.compare(f.size() - 4, 4, want) != 0)
        return false;
    *code = HexDigitValue(f[2]) * 16 + HexDigitValue(f[3]);
    *error = -1;
    // Field 3: error and detail, after the third FS.
    size_t pos = 0;
    for (int k = 0; k < 3 && pos != std::string::npos; ++k)
        pos = f.find(char(kktsim::K_FS), pos + 1);
    if (pos != std::string::npos && pos + 2 < f.size() && HexDigitValue(f[pos + 1]) >= 0 &&
        HexDigitValue(f[pos + 2]) >= 0)
        *error = HexDigitValue(f[pos + 1]) * 16 + HexDigitValue(f[pos + 2]);
    return true;
}

} // namespace

bool ParseScript(const std::string &text, std::vector<Step> &out, std::string *error)
{
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    out.clear();
    while (std::getline(in, raw)) {
        ++line;
        std::istringstream words(raw);
        std::vector<std::string> w;
        for (std::string x; words >> x;)
            w.push_back(x);
        if (w.empty() || w[0][0] == '#')
            continue;
        Step s{};
        s.line = line;
        s.args.assign(w.begin() + 1, w.end());
        std::string why;
        const std::string &c = w[0];
        const size_t n = s.args.size();
        auto num = [&](size_t i, long lo, long hi, int base, long *o) {
            return i < n && parseNum(s.args[i], lo, hi, base, o);
        };
        bool ok = true;
        if (c == "frame") {
            s.kind = Step::Frame;
            ok = num(0, 0, 255, 16, &s.num[0]);
            for (size_t i = 1; ok && i < n; ++i) {
                std::string f;
                ok = unescape(s.args[i], f, &why);
                s.args[i] = f;
            }
            if (!ok && why.empty())
                why = "frame needs a hex code 00..FF";
        } else if (c == "short") {
            s.kind = Step::Short;
            ok = n == 1 && num(0, 0, 255, 16, &s.num[0]);
            why = "short needs one hex byte";
        } else if (c == "nak") {
            s.kind = Step::Nak;
            ok = n == 0;
            why = "nak takes nothing";
        } else if (c == "raw") {
            s.kind = Step::Raw;
            ok = n == 1 && unescape(s.args[0], s.bytes, &why);
            if (n != 1)
                why = "raw needs one text (\\s for a space)";
        } else if (c == "hex") {
            s.kind = Step::Hex;
            ok = n >= 1;
            for (const std::string &h : s.args) {
                if (h.size() % 2) {
                    ok = false;
                    break;
                }
                for (size_t i = 0; ok && i < h.size(); i += 2) {
                    if (HexDigitValue(h[i]) < 0 || HexDigitValue(h[i + 1]) < 0)
                        ok = false;
                    else
                        s.bytes += char(HexDigitValue(h[i]) * 16 + HexDigitValue(h[i + 1]));
                }
            }
            why = "hex needs pairs of hex digits";
        } else if (c == "raster") {
            s.kind = Step::Raster;
            ok = (n == 2 || n == 3) && num(0, 1, 255, 10, &s.num[0]) && num(1, 1, 255, 10, &s.num[1]) &&
                 (n == 2 || num(2, 0, 255, 16, &s.num[2]));
            why = "raster needs WIDTH and HEIGHT (1..255) and an optional hex fill byte";
            if (ok) {
                // Without a fill byte: a diagonal stripe pattern.
                size_t total = size_t(s.num[0]) * size_t(s.num[1]) * 8;
                for (size_t i = 0; i < total; ++i)
                    s.bytes += n == 3 ? char(s.num[2]) : char(0x80 >> (i % 8));
            }
        } else if (c == "split") {
            s.kind = Step::Split;
            ok = (n == 1 || n == 2) && num(0, 0, 4096, 10, &s.num[0]) && (n == 1 || num(1, 0, 10000, 10, &s.num[1]));
            why = "split needs a chunk size 0..4096 (0: whole) and an optional pause 0..10000 ms";
        } else if (c == "password") {
            s.kind = Step::Password;
            ok = n == 1 && s.args[0].size() == 4;
            why = "password needs four characters";
        } else if (c == "expect") {
            s.kind = Step::Expect;
            s.num[1] = -1;
            s.num[2] = -1;
            ok = n >= 1 && n <= 3 && num(0, 0, 255, 16, &s.num[0]) && (n < 2 || num(1, -1, 255, 16, &s.num[1])) &&
                 (n < 3 || num(2, 0, 600000, 10, &s.num[2]));
            why = "expect needs a hex code, an optional hex error (-1 any) and time-out in ms";
        } else if (c == "expect-short") {
            s.kind = Step::ExpectShort;
            s.num[2] = -1;
            ok = (n == 1 || n == 2) && num(0, 0, 255, 16, &s.num[0]) && (n == 1 || num(1, 0, 600000, 10, &s.num[2]));
            why = "expect-short needs a hex byte and an optional time-out in ms";
        } else if (c == "expect-none") {
            s.kind = Step::ExpectNone;
            ok = n == 1 && num(0, 0, 600000, 10, &s.num[0]);
            why = "expect-none needs a time in ms";
        } else if (c == "wait") {
            s.kind = Step::Wait;
            ok = n == 1 && num(0, 0, 600000, 10, &s.num[0]);
            why = "wait needs a time in ms";
        } else if (c == "connect" || c == "await-open") {
            s.kind = c == "connect" ? Step::Connect : Step::AwaitOpen;
            s.num[0] = -1;
            ok = n == 0 || (n == 1 && num(0, 0, 600000, 10, &s.num[0]));
            why = c + " takes an optional time-out in ms";
        } else if (c == "close") {
            s.kind = Step::Close;
            ok = n == 0;
            why = "close takes nothing";
        } else {
            ok = false;
            why = "unknown command \"" + c + "\"";
        }
        if (!ok) {
            if (error)
                *error = "line " + std::to_string(line) + ": " + why;
            return false;
        }
        out.push_back(s);
    }
    return true;
}

Host::Host(const Options &o) : opt_(o)
{
    if (!o.journal.empty())
        journal_ = fopen(o.journal.c_str(), "a");
}

Host::~Host()
{
    CloseLink();
    if (!slave_.empty())
        unlink(opt_.ptyLink.c_str());
    if (journal_)
        fclose(journal_);
}

void Host::Stop() { g_stop.store(true); }

void Host::Journal(const std::string &dir, const std::string &what, const std::string &bytes,
                   const std::string &extra)
{
    if (!journal_)
        return;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    fprintf(journal_, "{\"time\":%ld.%03ld,\"dir\":\"%s\",\"what\":\"%s\"", long(ts.tv_sec), ts.tv_nsec / 1000000,
            dir.c_str(), jsonText(what).c_str());
    if (!bytes.empty())
        fprintf(journal_, ",\"len\":%zu,\"hex\":\"%s\"", bytes.size(), hexText(bytes).c_str());
    fprintf(journal_, "%s}\n", extra.c_str());
    fflush(journal_);
}

bool Host::Open(int waitMs)
{
    if (fd_ >= 0)
        return true;
    if (!opt_.ptyLink.empty()) {
        fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) {
            CloseLink();
            return false;
        }
        slave_ = ptsname(fd_);
        // A master whose slave was never open reports no hang-up: open and
        // close it once, so that await-open sees the terminal's own open.
        int once = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (once >= 0)
            close(once);
        termios t;
        if (tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
        unlink(opt_.ptyLink.c_str());
        if (symlink(slave_.c_str(), opt_.ptyLink.c_str()) != 0) {
            Journal("event", "cannot link " + opt_.ptyLink + ": " + strerror(errno), "");
            CloseLink();
            return false;
        }
        Journal("event", "pty " + slave_ + " linked at " + opt_.ptyLink, "");
        return true;
    }
    size_t colon = opt_.tcp.rfind(':');
    std::string host = opt_.tcp.substr(0, colon), port = opt_.tcp.substr(colon + 1);
    addrinfo hints{}, *res = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &res) != 0 || !res)
        return false;
    long until = nowMs() + waitMs;
    for (;;) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, res->ai_addr, res->ai_addrlen) == 0) {
            fd_ = fd;
            break;
        }
        if (fd >= 0)
            close(fd);
        if (nowMs() >= until || g_stop.load())
            break;
        usleep(50000);
    }
    freeaddrinfo(res);
    if (fd_ >= 0)
        Journal("event", "connected to " + opt_.tcp, "");
    return fd_ >= 0;
}

void Host::CloseLink()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
        Journal("event", "closed", "");
    }
    pending_.clear();
}

bool Host::Send(const std::string &bytes, const char *what)
{
    if (fd_ < 0)
        return false;
    size_t chunk = split_ ? split_ : bytes.size();
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        std::string part = bytes.substr(at, chunk);
        size_t done = 0;
        while (done < part.size()) {
            ssize_t n = write(fd_, part.data() + done, part.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        Journal("out", what, part);
        if (split_ && splitPauseMs_ && at + chunk < bytes.size())
            usleep(useconds_t(splitPauseMs_) * 1000);
    }
    return true;
}

bool Host::Receive(std::string &reply, int ms)
{
    long until = nowMs() + ms;
    for (;;) {
        // A whole frame, or a single byte that is no frame's start.
        if (!pending_.empty()) {
            if (pending_[0] != char(kktsim::K_STX)) {
                reply = pending_.substr(0, 1);
                pending_.erase(0, 1);
                return true;
            }
            size_t etx = pending_.find(char(kktsim::K_ETX));
            if (etx != std::string::npos && etx + 5 <= pending_.size()) {
                reply = pending_.substr(0, etx + 5);
                pending_.erase(0, etx + 5);
                return true;
            }
        }
        long left = until - nowMs();
        if (left <= 0 || fd_ < 0 || g_stop.load())
            return false;
        pollfd p = {fd_, POLLIN, 0};
        int r = poll(&p, 1, int(left < 100 ? left : 100));
        if (r == 1 && (p.revents & POLLIN)) {
            char b[4096];
            ssize_t n = read(fd_, b, sizeof b);
            if (n > 0)
                pending_.append(b, size_t(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR && errno != EIO))
                return false;
        } else if (r == 1 && (p.revents & (POLLHUP | POLLERR)) && opt_.ptyLink.empty()) {
            return false;
        } else if (r == 1) {
            usleep(20000); // a pty's master without its slave open hangs up
        }
    }
}

bool Host::Fail(const Step &s, const std::string &why)
{
    std::string text = "line " + std::to_string(s.line) + ": " + why;
    fprintf(stderr, "hostsim: %s\n", text.c_str());
    Journal("event", "failed " + text, "");
    return false;
}

int Host::Run(const std::vector<Step> &steps)
{
    bool ok = true;
    for (const Step &s : steps) {
        if (g_stop.load())
            return 1;
        const int wait = s.num[2] >= 0 ? int(s.num[2]) : opt_.timeoutMs;
        switch (s.kind) {
        case Step::Connect:
        case Step::AwaitOpen: {
            int ms = s.num[0] >= 0 ? int(s.num[0]) : opt_.timeoutMs;
            if (!Open(ms))
                ok = Fail(s, "no link to " + (opt_.tcp.empty() ? opt_.ptyLink : opt_.tcp));
            else if (s.kind == Step::AwaitOpen && !opt_.ptyLink.empty()) {
                // The terminal has the slave open once the master stops
                // reporting a hang-up.
                long until = nowMs() + ms;
                for (;;) {
                    pollfd p = {fd_, POLLOUT, 0};
                    poll(&p, 1, 0);
                    if (!(p.revents & POLLHUP))
                        break;
                    if (nowMs() >= until || g_stop.load()) {
                        ok = Fail(s, "the terminal did not open the port");
                        break;
                    }
                    usleep(20000);
                }
                if (ok)
                    Journal("event", "port opened by the terminal", "");
            }
            break;
        }
        case Step::Close:
            CloseLink();
            break;
        case Step::Password:
            password_ = s.args[0];
            break;
        case Step::Split:
            split_ = size_t(s.num[0]);
            splitPauseMs_ = int(s.num[1]);
            break;
        case Step::Wait:
            usleep(useconds_t(s.num[0]) * 1000);
            break;
        case Step::Frame: {
            kktsim::Request r;
            r.password = password_;
            r.id = id_;
            id_ = uint8_t(id_ >= 0x7F ? 0x20 : id_ + 1);
            r.code = uint8_t(s.num[0]);
            r.fields.assign(s.args.begin() + 1, s.args.end());
            char what[16];
            snprintf(what, sizeof what, "frame %02X", r.code);
            if (!(Open(opt_.timeoutMs) && Send(kktsim::BuildRequest(r), what)))
                ok = Fail(s, "sending failed");
            break;
        }
        case Step::Short:
            if (!(Open(opt_.timeoutMs) && Send(std::string(1, char(kktsim::K_DLE)) + char(s.num[0]), "short")))
                ok = Fail(s, "sending failed");
            break;
        case Step::Nak:
            if (!(Open(opt_.timeoutMs) && Send(std::string(1, '\x15'), "nak")))
                ok = Fail(s, "sending failed");
            break;
        case Step::Raw:
        case Step::Hex:
        case Step::Raster:
            if (!(Open(opt_.timeoutMs) && Send(s.bytes, s.kind == Step::Raster ? "raster" : "raw")))
                ok = Fail(s, "sending failed");
            break;
        case Step::Expect: {
            std::string reply;
            int code = -1, error = -1;
            if (!Receive(reply, wait)) {
                ok = Fail(s, "no reply within " + std::to_string(wait) + " ms");
                break;
            }
            bool frame = readReply(reply, &code, &error);
            char extra[64];
            snprintf(extra, sizeof extra, ",\"code\":\"%02X\",\"error\":%d", code < 0 ? 0 : code, error);
            Journal("in", frame ? "reply" : "not a frame", reply, frame ? extra : "");
            if (!frame)
                ok = Fail(s, "not a reply frame: " + hexText(reply));
            else if (code != s.num[0])
                ok = Fail(s, "reply code " + std::to_string(code) + " instead of " + std::to_string(s.num[0]));
            else if (s.num[1] >= 0 && error != s.num[1])
                ok = Fail(s, "reply error " + std::to_string(error) + " instead of " + std::to_string(s.num[1]));
            break;
        }
        case Step::ExpectShort: {
            std::string reply;
            if (!Receive(reply, wait)) {
                ok = Fail(s, "no reply within " + std::to_string(wait) + " ms");
                break;
            }
            Journal("in", "short reply", reply);
            if (reply.size() != 1 || uint8_t(reply[0]) != s.num[0])
                ok = Fail(s, "short reply " + hexText(reply) + " instead of " + hexText(std::string(1, char(s.num[0]))));
            break;
        }
        case Step::ExpectNone: {
            std::string reply;
            if (Receive(reply, int(s.num[0]))) {
                Journal("in", "unexpected", reply);
                ok = Fail(s, "unexpected bytes " + hexText(reply));
            }
            break;
        }
        }
        if (!ok)
            return 1;
    }
    return 0;
}

} // namespace hostsim
