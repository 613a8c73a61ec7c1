// The built-in barcode scanner over the FIFO "/dev/scanner", one code a
// line, and the name of a stand-in HID device.
#include "osal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>

namespace {

const int kErrParam = -1003, kErrNoDevice = -1004, kErrBusy = -1005, kErrNotOpen = -1006;

std::mutex g_scanMutex;
int g_scanFd = -1;
std::string g_pending;  // bytes read and not yet returned as a line
bool g_dropping = false; // the rest of an over-long line is being dropped

// Takes one whole line out of the pending bytes into buf; the length, or -1
// when no whole line is there yet. Empty lines are skipped; a line longer
// than size gives its first size bytes, and the rest of it is dropped even
// when it comes later.
int takeLine(unsigned char *buf, int size)
{
    for (;;) {
        size_t end = g_pending.find('\n');
        if (g_dropping) {
            if (end == std::string::npos) {
                g_pending.clear();
                return -1;
            }
            g_pending.erase(0, end + 1);
            g_dropping = false;
            continue;
        }
        if (end == std::string::npos) {
            if (g_pending.size() <= size_t(size))
                return -1;
            std::memcpy(buf, g_pending.data(), size_t(size));
            g_pending.clear();
            g_dropping = true;
            OsLogEvent("scan read: a line longer than %d bytes cut", size);
            return size;
        }
        if (end == 0) {
            g_pending.erase(0, 1);
            continue;
        }
        int n = end <= size_t(size) ? int(end) : size;
        std::memcpy(buf, g_pending.data(), size_t(n));
        if (end > size_t(size))
            OsLogEvent("scan read: a line of %zu bytes cut to %d", end, size);
        g_pending.erase(0, end + 1);
        return n;
    }
}

} // namespace

extern "C" int OsScanOpen(void)
{
    char value[OS_REG_VALUE_MAX];
    if (OsRegGetValue("ro.fac.barcode", value) < 1) {
        OsLogEvent("scan open: no scanner (ro.fac.barcode not set)");
        return kErrNoDevice;
    }
    char path[4096];
    if (!OsMapPath("/dev/scanner", path, sizeof path))
        return kErrNoDevice;
    std::lock_guard<std::mutex> lock(g_scanMutex);
    if (g_scanFd >= 0)
        return kErrBusy;
    // Read and write: while it is open the FIFO always has a reader (a
    // feeder can write) and a writer (reading never meets its end).
    int fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode)) {
        OsLogEvent("scan open: no scanner at %s (%s)", path, fd < 0 ? std::strerror(errno) : "not a FIFO");
        if (fd >= 0)
            close(fd);
        return kErrNoDevice;
    }
    g_scanFd = fd;
    g_pending.clear();
    g_dropping = false;
    OsLogEvent("scan open");
    return 0;
}

extern "C" int OsScanRead(unsigned char *buf, int size, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(g_scanMutex);
    if (g_scanFd < 0)
        return kErrNotOpen;
    if (!buf || size <= 0 || timeoutMs < 0)
        return kErrParam;
    unsigned int start = OsGetTickCount();
    for (;;) {
        int n = takeLine(buf, size);
        if (n > 0) {
            OsLogEvent("scan read %d bytes", n);
            return n;
        }
        char chunk[4096];
        ssize_t got = read(g_scanFd, chunk, sizeof chunk);
        if (got > 0) {
            g_pending.append(chunk, size_t(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        unsigned int waited = OsGetTickCount() - start;
        if (waited >= unsigned(timeoutMs))
            return 0;
        unsigned int step = unsigned(timeoutMs) - waited;
        if (OsTestClockIsVirtual()) {
            OsSleep(step < 10 ? step : 10);
        } else {
            pollfd pfd = {g_scanFd, POLLIN, 0};
            poll(&pfd, 1, int(step));
        }
    }
}

extern "C" void OsScanClose(void)
{
    std::lock_guard<std::mutex> lock(g_scanMutex);
    if (g_scanFd < 0)
        return;
    close(g_scanFd);
    g_scanFd = -1;
    g_pending.clear();
    g_dropping = false;
    OsLogEvent("scan close");
}

extern "C" int OsHidStandInName(int fd, char *name, size_t size)
{
    if (fd < 0 || !name || size == 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode))
        return -1;
    char value[OS_REG_VALUE_MAX];
    if (OsRegGetValue("osal.hidraw.name", value) < 0)
        return -1;
    size_t n = std::strlen(value);
    if (n >= size)
        n = size - 1;
    std::memcpy(name, value, n);
    name[n] = 0;
    return 0;
}
