// The UI thread's pause between passes: it sleeps up to a given time, but
// ends at once when another thread wakes it (a command was announced) or
// when one of the input devices has something to read (a key record, a
// touch sample). The pass that follows reads the devices; the wait itself
// reads nothing from them.
//
// The wake is an eventfd: Wake may be called from any thread, before or
// during the wait; Clear forgets the wakes so far. A device whose writer is
// gone (a FIFO on a PC, which then reports a hang-up for ever) is left out
// for the rest of that wait instead of ending it again and again.
#ifndef VU_IDLE_WAIT_H
#define VU_IDLE_WAIT_H

#include <stdint.h>

#include <atomic>

#include "vuExport.h"

class VU_API vuIdleWait {
public:
    enum Result {
        TimedOut = 0, // the whole time passed
        Woken = 1,    // Wake was called (since the last Clear)
        Input = 2     // a device has something to read
    };

    vuIdleWait();
    ~vuIdleWait();

    // Creates the wake descriptor (again after Close); false when it could
    // not be made, and the waits then end only on input or time.
    bool Open();
    void Close();
    bool IsOpen() const { return wakeFd.load() >= 0; }

    // Any thread: ends the wait running now, or the next one.
    void Wake();
    // Forgets every wake so far.
    void Clear();

    // Waits up to ms on the wake and on the devices' descriptors (count of
    // them; negative ones are skipped). A wake that is already there ends
    // it at once, and so does input that is already there.
    Result Wait(uint32_t ms, const int *devices, int count);

private:
    vuIdleWait(const vuIdleWait &) = delete;
    vuIdleWait &operator=(const vuIdleWait &) = delete;

    std::atomic<int> wakeFd;
};

#endif
