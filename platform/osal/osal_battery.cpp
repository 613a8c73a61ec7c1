// The battery calls of the OS library stand-in over the file
// "/data/osal/battery" of the terminal's root:
//
//   power N        answer of OsCheckPowerSupply (0 battery, 1 or 2 external)
//   step N         answer of OsCheckBattery (0..4 steps, 6 full)
//   bms A B C D    OsCheckBMSMode succeeds with these readings
//
// One statement a line; blank lines and lines starting with '#' are skipped.
// A file without "power" is on the battery alone, without "step" full, and
// without "bms" has no battery management system.

#include "osal.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int kFailed = -1;
const size_t kMaxFile = 4096;

struct Battery {
    bool readable = false; // false: every call fails
    int power = 0;
    int step = 6;
    bool bms = false;
    int bmsValues[4] = {0, 0, 0, 0};
};

std::mutex g_logMutex;
bool g_faultLogged = false;

bool parseInt(const std::string &word, int *out)
{
    if (word.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (errno || *end || v < INT_MIN || v > INT_MAX)
        return false;
    *out = static_cast<int>(v);
    return true;
}

// Reads the file; on failure fills why and returns false.
bool readFile(const std::string &path, std::string &text, std::string &why, bool &missing)
{
    missing = false;
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        why = std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(kMaxFile)) {
        why = "not a regular file of at most 4096 bytes";
        close(fd);
        return false;
    }
    char buf[kMaxFile + 1];
    ssize_t n = read(fd, buf, kMaxFile);
    close(fd);
    if (n < 0) {
        why = std::strerror(errno);
        return false;
    }
    text.assign(buf, static_cast<size_t>(n));
    return true;
}

bool parse(const std::string &text, Battery &b, std::string &why)
{
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#')
            continue;
        std::string w[5];
        int count = 0;
        while (count < 5 && words >> w[count])
            ++count;
        bool ok = false;
        if (key == "power" && count == 1)
            ok = parseInt(w[0], &b.power);
        else if (key == "step" && count == 1)
            ok = parseInt(w[0], &b.step);
        else if (key == "bms" && count == 4) {
            ok = true;
            for (int i = 0; i < 4 && ok; ++i)
                ok = parseInt(w[i], &b.bmsValues[i]);
            b.bms = ok;
        }
        if (!ok) {
            why = "line " + std::to_string(number) + ": bad statement \"" + line + "\"";
            return false;
        }
    }
    return true;
}

Battery current()
{
    char mapped[4096];
    Battery b;
    std::string path = OsMapPath("/data/osal/battery", mapped, sizeof mapped) ? mapped : "";
    std::string text, why;
    bool missing = false;
    if (path.empty()) {
        why = "path too long";
    } else if (readFile(path, text, why, missing)) {
        b.readable = parse(text, b, why);
    } else if (missing) {
        // No battery described: the terminal is on external power.
        b.readable = true;
        b.power = 1;
    }
    std::lock_guard<std::mutex> lock(g_logMutex);
    if (!b.readable && !g_faultLogged) {
        g_faultLogged = true;
        std::fprintf(stderr, "osal: battery file %s: %s\n", path.c_str(), why.c_str());
        OsLogEvent("battery file %s: %s", path.c_str(), why.c_str());
    } else if (b.readable) {
        g_faultLogged = false;
    }
    return b;
}

} // namespace

extern "C" {

int OsCheckBattery(void)
{
    Battery b = current();
    return b.readable ? b.step : kFailed;
}

int OsCheckPowerSupply(void)
{
    Battery b = current();
    return b.readable ? b.power : kFailed;
}

int OsCheckBMSMode(int *a, int *b, int *c, int *d)
{
    Battery bat = current();
    if (!bat.readable || !bat.bms)
        return kFailed;
    int *out[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i)
        if (out[i])
            *out[i] = bat.bmsValues[i];
    return 0;
}

} // extern "C"
