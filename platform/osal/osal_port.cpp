// The USB device port (port 11) over a pseudo-terminal whose slave a host
// program links at "/data/osal/port11".
#include "osal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

const int kUsbPort = 11;
const int kErrParam = -1003, kErrNoDevice = -1004, kErrBusy = -1005, kErrNotOpen = -1006, kErrNoPort = -1011,
          kErrNoLink = -1012;

std::mutex g_portMutex;
int g_portFd = -1;

struct Baud {
    long value;
    speed_t speed;
};
const Baud kBauds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},   {9600, B9600},
                       {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
                       {230400, B230400}};

// "BAUD,DATA,PARITY,STOP" into the terminal mode; false when malformed.
bool parseAttr(const char *attr, termios *tio)
{
    if (!attr)
        return false;
    long baud = 0;
    int data = 0, stop = 0, used = 0;
    char parity = 0;
    if (std::sscanf(attr, "%ld,%d,%c,%d%n", &baud, &data, &parity, &stop, &used) != 4 || attr[used] != '\0')
        return false;
    speed_t speed = 0;
    bool known = false;
    for (const Baud &b : kBauds)
        if (b.value == baud) {
            speed = b.speed;
            known = true;
        }
    if (!known || data < 5 || data > 8 || (stop != 1 && stop != 2))
        return false;
    cfmakeraw(tio);
    cfsetispeed(tio, speed);
    cfsetospeed(tio, speed);
    tio->c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    tio->c_cflag |= CREAD | CLOCAL;
    tio->c_cflag |= data == 5 ? CS5 : data == 6 ? CS6 : data == 7 ? CS7 : CS8;
    switch (parity) {
    case 'n': case 'N': break;
    case 'e': case 'E': tio->c_cflag |= PARENB; break;
    case 'o': case 'O': tio->c_cflag |= PARENB | PARODD; break;
    default: return false;
    }
    if (stop == 2)
        tio->c_cflag |= CSTOPB;
    tio->c_cc[VMIN] = 0;
    tio->c_cc[VTIME] = 0;
    return true;
}

std::string devicePath()
{
    char path[4096];
    return OsMapPath("/data/osal/port11", path, sizeof path) ? path : "";
}

} // namespace

extern "C" int OsPortOpen(int channel, const char *attr)
{
    if (channel != kUsbPort) {
        OsLogEvent("port open %d: no such port", channel);
        return kErrNoPort;
    }
    termios tio;
    std::memset(&tio, 0, sizeof tio);
    if (!parseAttr(attr, &tio)) {
        OsLogEvent("port open %d \"%s\": bad attributes", channel, attr ? attr : "(null)");
        return kErrParam;
    }
    std::lock_guard<std::mutex> lock(g_portMutex);
    if (g_portFd >= 0) {
        OsLogEvent("port open %d: busy", channel);
        return kErrBusy;
    }
    int fd = open(devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        OsLogEvent("port open %d: no device (%s)", channel, std::strerror(errno));
        return kErrNoDevice;
    }
    if (isatty(fd) && tcsetattr(fd, TCSANOW, &tio) != 0) {
        OsLogEvent("port open %d: mode not set (%s)", channel, std::strerror(errno));
        close(fd);
        return kErrNoDevice;
    }
    g_portFd = fd;
    OsLogEvent("port open %d %s", channel, attr);
    return 0;
}

extern "C" int OsPortSend(int channel, const void *data, int len)
{
    std::lock_guard<std::mutex> lock(g_portMutex);
    if (channel != kUsbPort || g_portFd < 0)
        return kErrNotOpen;
    if (len < 0 || (!data && len > 0))
        return kErrParam;
    const uint8_t *p = static_cast<const uint8_t *>(data);
    int left = len;
    while (left > 0) {
        ssize_t n = write(g_portFd, p, size_t(left));
        if (n > 0) {
            p += n;
            left -= int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd = {g_portFd, POLLOUT, 0};
            if (poll(&pfd, 1, 1000) == 1 && !(pfd.revents & (POLLERR | POLLHUP)))
                continue;
        }
        OsLogEvent("port send %d: %d of %d bytes, link lost", channel, len - left, len);
        return kErrNoLink;
    }
    OsLogEvent("port send %d: %d bytes", channel, len);
    return 0;
}

extern "C" int OsPortRecv(int channel, void *buf, int max, int timeoutMs)
{
    std::lock_guard<std::mutex> lock(g_portMutex);
    if (channel != kUsbPort || g_portFd < 0)
        return kErrNotOpen;
    if (!buf || max <= 0 || timeoutMs < 0)
        return kErrParam;
    unsigned int start = OsGetTickCount();
    for (;;) {
        ssize_t n = read(g_portFd, buf, size_t(max));
        if (n > 0) {
            OsLogEvent("port recv %d: %d bytes", channel, int(n));
            return int(n);
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return kErrNoLink;
        // Nothing to read: a hung-up line (the host closed its side of the
        // pty) reads as empty too, so ask the line itself.
        pollfd hup = {g_portFd, POLLIN, 0};
        if (poll(&hup, 1, 0) == 1 && (hup.revents & (POLLHUP | POLLERR)))
            return kErrNoLink;
        unsigned int waited = OsGetTickCount() - start;
        if (waited >= unsigned(timeoutMs))
            return 0;
        unsigned int step = unsigned(timeoutMs) - waited;
        if (OsTestClockIsVirtual()) {
            OsSleep(step < 10 ? step : 10);
        } else {
            pollfd pfd = {g_portFd, POLLIN, 0};
            poll(&pfd, 1, int(step));
        }
    }
}

extern "C" int OsPortClose(int channel)
{
    std::lock_guard<std::mutex> lock(g_portMutex);
    if (channel != kUsbPort || g_portFd < 0)
        return kErrNotOpen;
    close(g_portFd);
    g_portFd = -1;
    OsLogEvent("port close %d", channel);
    return 0;
}
