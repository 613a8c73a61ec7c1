// One record of the terminal's input devices (keypad and touch panel): the
// Linux input event as the 32-bit ARM kernel lays it out, 16 bytes in the
// machine's byte order. The 64-bit PC layout (24 bytes) is a different
// format: drivers and the PC tools that feed the stand-in devices use this
// one on every machine.
#ifndef VU_INPUT_RECORD_H
#define VU_INPUT_RECORD_H

#include <errno.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

struct vuInputRecord {
    uint32_t sec;   // time of the event, seconds
    uint32_t usec;  // and microseconds
    uint16_t type;  // vuInputRecord::Sync, Key or Absolute
    uint16_t code;  // key code, or the axis of an absolute value
    int32_t value;  // key: 0 release, 1 press, 2 repeat; axis: the position

    enum : uint16_t { Sync = 0, Key = 1, Absolute = 3 };
    enum : uint16_t { AxisX = 0, AxisY = 1, TouchButton = 330 };
};

static_assert(sizeof(vuInputRecord) == 16, "input record is 16 bytes");

// Reads the next record of a device opened non-blocking, again after a
// signal. False when none is waiting, the device failed, or the read came
// short: only whole records count, the device never splits one.
inline bool vuReadInputRecord(int fd, vuInputRecord &rec)
{
    for (;;) {
        ssize_t n = read(fd, &rec, sizeof rec);
        if (n < 0 && errno == EINTR)
            continue;
        return n == static_cast<ssize_t>(sizeof rec);
    }
}

// Whether waiting on the device's descriptor tells when a record comes: a
// character device or a FIFO. A regular file in its place always reads as
// ready, so nobody should wait on it.
inline bool vuInputDeviceWaitable(int fd)
{
    struct stat st;
    return fd >= 0 && fstat(fd, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
}

#endif
