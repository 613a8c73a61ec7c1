// The control file of the Bluetooth library stand-in: what its scans find,
// how pairing and connections answer and after what delays, what the check
// calls say, where an SPP connection's serial device is and which calls
// fail. Format in platform/bt/README.md.
#ifndef PLATFORM_BT_BTSCRIPT_H
#define PLATFORM_BT_BTSCRIPT_H

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace btfake {

// Answers taken one per call; the last repeats. Empty: the default.
struct Answers {
    std::vector<int> values;
    size_t next = 0;
    int take(int fallback)
    {
        if (values.empty())
            return fallback;
        int v = values[next < values.size() ? next : values.size() - 1];
        if (next < values.size())
            ++next;
        return v;
    }
};

struct Device {
    std::string addr; // at most 31 bytes
    std::string name; // at most 63 bytes
};

// What "none" stands for where an event's status may be left out.
const int kNoEvent = 0x7fffffff;

struct Script {
    std::vector<Device> devices;
    bool scanAnswers = true; // false: the scans never deliver a result
    // Delays in ms of the events after the call that causes them.
    uint32_t scanDelay = 100, pairDelay = 100, sppDelay = 100, panDelay = 100;
    int pairStatus = 0; // kNoEvent: no pair-status event
    int sppStatus = 0;
    int panStatus = 0;
    Answers check, panCheck;
    int hostConnectMs = -1; // a PC connects over SPP this long after the pairing is set; -1 never
    int hostLeaveMs = -1;   // and leaves this long after it connected; -1 never
    std::string sppDevice = "/dev/rfcomm0";
    std::map<std::string, int> failures; // entry point -> its answer
};

// The 37 entry points' names, in the library's order.
extern const char *const kEntryPoints[37];

// Reads a control file's text. True, or false with "SOURCE:LINE: fault" in
// *error; the script is then the default one (no devices).
bool ParseScript(const std::string &text, const std::string &source, Script *script, std::string *error);

} // namespace btfake

#endif
