#include "ModemSim.h"

#include "JsonLines.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace modemsim {

namespace {

void sleepMs(uint32_t ms)
{
    timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

bool number(const std::string &text, uint32_t max, uint32_t &out)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    if (v > max)
        return false;
    out = static_cast<uint32_t>(v);
    return true;
}

void makeDirs(const std::string &path)
{
    for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos)
        mkdir(path.substr(0, pos).c_str(), 0777);
}

} // namespace

std::string Ucs2Hex(const std::string &utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xC0 && c < 0xE0 && i + 1 < utf8.size()) {
            cp = ((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F);
            n = 2;
        } else if (c >= 0xE0 && c < 0xF0 && i + 2 < utf8.size()) {
            cp = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
            n = 3;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", cp & 0xFFFF);
        out += hex;
        i += n;
    }
    return out;
}

bool ParseScript(const std::string &text, const std::string &source, std::vector<Rule> &rules, std::string *error)
{
    std::vector<Rule> out;
    std::istringstream in(text);
    std::string raw;
    int number_ = 0;
    uint32_t delay = 0;
    auto fail = [&](const std::string &what) {
        if (error)
            *error = source + " line " + std::to_string(number_) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++number_;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos || raw[start] == '#')
            continue;
        std::string line = raw.substr(start);
        size_t space = line.find(' ');
        std::string word = line.substr(0, space), rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (word == "on") {
            if (rest.empty())
                return fail("\"on\" needs the command's beginning");
            out.push_back(Rule{rest, {}});
            delay = 0;
            continue;
        }
        if (out.empty())
            return fail("\"" + word + "\" before the first \"on\"");
        Rule &rule = out.back();
        if (word == "reply") {
            rule.replies.push_back(Reply{delay, rest});
            delay = 0;
        } else if (word == "reply-cusd") {
            rule.replies.push_back(Reply{delay, "+CUSD: 0,\"" + Ucs2Hex(rest) + "\",72"});
            delay = 0;
        } else if (word == "delay") {
            uint32_t ms = 0;
            if (!number(rest, 600000, ms))
                return fail("\"" + rest + "\" is not a delay in ms (0-600000)");
            delay += ms;
        } else if (word == "long") {
            uint32_t n = 0;
            if (!number(rest, 1000000, n) || n == 0)
                return fail("\"" + rest + "\" is not a length (1-1000000)");
            rule.replies.push_back(Reply{delay, std::string(n, 'x')});
            delay = 0;
        } else if (word == "silent") {
            if (!rest.empty())
                return fail("\"silent\" takes nothing");
            if (!rule.replies.empty())
                return fail("\"silent\" after a reply");
        } else {
            return fail("unknown statement \"" + word + "\"");
        }
    }
    rules = out;
    return true;
}

std::vector<Rule> DefaultRules()
{
    std::vector<Rule> rules;
    std::string error;
    ParseScript(u8"on AT+CMGF=0\nreply OK\non AT+CUSD\nreply OK\nreply-cusd Баланс 100.00 р.\non AT\nreply OK\n",
                "defaults", rules, &error);
    return rules;
}

Modem::~Modem()
{
    Close();
}

bool Modem::Open(const std::string &root, const std::vector<Rule> &rules, const std::string &journal,
                 std::string *error)
{
    Close();
    rules_ = rules;
    journal_ = journal;
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        if (error)
            *error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        Close();
        return false;
    }
    const char *name = ptsname(master_);
    // Held open here too, so the program's closing never hangs the line up.
    slave_ = name ? open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    link_ = root + "/dev/mux1";
    makeDirs(link_);
    unlink(link_.c_str());
    if (slave_ < 0 || symlink(name, link_.c_str()) != 0) {
        if (error)
            *error = "cannot link " + link_ + ": " + std::strerror(errno);
        Close();
        return false;
    }
    // Raw until the program sets the line up, so nothing is echoed back.
    struct termios tio;
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    stop_ = false;
    thread_ = std::thread(&Modem::Loop, this);
    Journal("event", "", "linked " + link_);
    return true;
}

void Modem::Close()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (!link_.empty())
        unlink(link_.c_str());
    link_.clear();
    if (slave_ >= 0)
        close(slave_);
    if (master_ >= 0)
        close(master_);
    slave_ = master_ = -1;
}

std::string Modem::Settings()
{
    struct termios tio;
    if (tcgetattr(slave_, &tio) != 0)
        return "unreadable";
    std::string wrong;
    if ((tio.c_cflag & CSIZE) != CS8)
        wrong += " not 8 bits;";
    if (!(tio.c_cflag & CREAD))
        wrong += " no CREAD;";
    if (!(tio.c_cflag & CLOCAL))
        wrong += " no CLOCAL;";
    if (tio.c_cflag & (PARENB | CSTOPB | CRTSCTS))
        wrong += " parity, two stop bits or flow control;";
    if (cfgetispeed(&tio) != B115200 || cfgetospeed(&tio) != B115200)
        wrong += " not 115200 baud;";
    if (tio.c_lflag & (ICANON | ECHO | ISIG))
        wrong += " not raw;";
    if (tio.c_iflag & (ICRNL | IXON | INLCR))
        wrong += " input translated;";
    if (tio.c_oflag & OPOST)
        wrong += " output processed;";
    return wrong.empty() ? "ok" : "wrong:" + wrong;
}

void Modem::Journal(const std::string &dir, const std::string &line, const std::string &note)
{
    if (journal_.empty())
        return;
    jsonl::Json j = {{"time", jsonl::UtcNow()}, {"dir", dir}};
    if (dir != "event")
        j["line"] = line;
    if (!note.empty())
        j["note"] = note;
    if (FILE *f = std::fopen(journal_.c_str(), "a")) {
        std::fprintf(f, "%s\n", jsonl::Dump(j).c_str());
        std::fclose(f);
    }
}

void Modem::Command(const std::string &line)
{
    Journal("in", line, "settings " + Settings());
    const Rule *rule = nullptr;
    for (const Rule &r : rules_) {
        if (line.compare(0, r.prefix.size(), r.prefix) == 0) {
            rule = &r;
            break;
        }
    }
    std::vector<Reply> replies = rule ? rule->replies : std::vector<Reply>{Reply{0, "ERROR"}};
    if (rule && replies.empty())
        Journal("event", "", "silent for " + line);
    for (const Reply &r : replies) {
        if (r.delayMs)
            sleepMs(r.delayMs);
        if (stop_)
            return;
        std::string out = r.line + "\r\n";
        for (size_t at = 0; at < out.size();) {
            ssize_t n = write(master_, out.data() + at, out.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            at += static_cast<size_t>(n);
        }
        Journal("out", r.line.size() > 200 ? r.line.substr(0, 200) + "..." : r.line,
                r.line.size() > 200 ? std::to_string(r.line.size()) + " bytes" : "");
    }
}

void Modem::Loop()
{
    std::string pending;
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r <= 0 || !(p.revents & POLLIN))
            continue;
        // Set before the read: Settle never sees the bytes gone and the
        // answer not yet written.
        busy_ = true;
        char buf[512];
        ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) {
            pending.append(buf, static_cast<size_t>(n));
            size_t end;
            while ((end = pending.find_first_of("\r\n")) != std::string::npos) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty())
                    Command(line);
            }
        }
        busy_ = false;
    }
}

bool Modem::Settle(unsigned limitMs)
{
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    // Two looks 1 ms apart that find nothing to take: the pseudo-terminal
    // hands bytes over between its sides a moment after they are written.
    for (int quiet = 0; quiet < 2;) {
        int waiting = 0;
        bool idle = !busy_ && ioctl(master_, FIONREAD, &waiting) == 0 && waiting == 0;
        quiet = idle ? quiet + 1 : 0;
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 > static_cast<long>(limitMs))
            return false;
        sleepMs(1);
    }
    return true;
}

} // namespace modemsim
