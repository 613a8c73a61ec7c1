// The UI thread's pause that input and commands cut short.
#include "vuIdleWait.h"

#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

namespace {

const int kMaxDevices = 4;

int64_t monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

vuIdleWait::vuIdleWait() : wakeFd(-1) {}

vuIdleWait::~vuIdleWait() { Close(); }

bool vuIdleWait::Open()
{
    if (wakeFd.load() >= 0)
        return true;
    int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    wakeFd.store(fd);
    return fd >= 0;
}

void vuIdleWait::Close()
{
    int fd = wakeFd.exchange(-1);
    if (fd >= 0)
        close(fd);
}

void vuIdleWait::Wake()
{
    int fd = wakeFd.load();
    if (fd < 0)
        return;
    uint64_t one = 1;
    // A full counter (never in practice) still reads as woken.
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void vuIdleWait::Clear()
{
    int fd = wakeFd.load();
    if (fd < 0)
        return;
    uint64_t count;
    while (read(fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

vuIdleWait::Result vuIdleWait::Wait(uint32_t ms, const int *devices, int count)
{
    pollfd set[1 + kMaxDevices];
    int n = 0;
    int wake = wakeFd.load();
    if (wake >= 0)
        set[n++] = {wake, POLLIN, 0};
    const int first = n;
    for (int i = 0; i < count && i < kMaxDevices; ++i)
        if (devices[i] >= 0)
            set[n++] = {devices[i], POLLIN, 0};

    const int64_t end = monotonicMs() + ms;
    for (;;) {
        int64_t left = end - monotonicMs();
        if (left <= 0)
            return TimedOut;
        int r = poll(set, static_cast<nfds_t>(n), static_cast<int>(left));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            // Cannot wait on the descriptors: sleep the time out instead.
            timespec rest{static_cast<time_t>(left / 1000), static_cast<long>(left % 1000) * 1000000};
            while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
            }
            return TimedOut;
        }
        if (r == 0)
            return TimedOut;
        if (first && (set[0].revents & POLLIN))
            return Woken;
        if (first && (set[0].revents & (POLLERR | POLLNVAL)))
            set[0].fd = -1; // the wake is gone: time and input still end the wait
        for (int i = first; i < n; ++i) {
            if (set[i].revents & POLLIN)
                return Input;
            // Nothing to read and it would say so again at once: a device
            // without a writer (or a bad descriptor) waits no more this time.
            if (set[i].revents & (POLLHUP | POLLERR | POLLNVAL))
                set[i].fd = -1;
        }
    }
}
