#include "KktDriveHost.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"

namespace kktsim {

namespace {

// A word of four hex digits, low byte first, or of two digits.
bool Word(const std::string &t, uint16_t *out)
{
    if (t.size() != 2 && t.size() != 4)
        return false;
    unsigned v[4] = {0, 0, 0, 0};
    for (size_t i = 0; i < t.size(); ++i) {
        int h = wire::HexDigit(t[i]);
        if (h < 0)
            return false;
        v[i] = unsigned(h);
    }
    unsigned lo = v[0] * 16 + v[1], hi = t.size() == 4 ? v[2] * 16 + v[3] : 0;
    *out = uint16_t(lo | hi << 8);
    return true;
}

} // namespace

uint8_t HostSetWorkModes(DriveCall &c)
{
    DriveState &s = c.s;
    const std::vector<std::string> &fields = c.fields;
    c.res.changed = false;
    if (fields.empty() || fields[0].empty())
        return c.Refuse(kErrFormat, "0x4C without its work modes");
    uint16_t *targets[4] = {&s.workModes, &s.workParam2, &s.lineFeeds, &s.workParam3};
    uint16_t values[4] = {s.workModes, s.workParam2, s.lineFeeds, s.workParam3};
    for (size_t k = 0; k < 4 && k < fields.size(); ++k) {
        if (k > 0 && fields[k].empty())
            continue;
        if (!Word(fields[k], &values[k]))
            return c.Refuse(kErrField, "0x4C field " + std::to_string(k + 1) + " is no word: " + fields[k]);
    }
    for (size_t k = 0; k < 4; ++k) {
        if (*targets[k] != values[k]) {
            *targets[k] = values[k];
            c.res.changed = true;
        }
    }
    return 0;
}

uint8_t HostRawPrint(DriveCall &)
{
    return 0; // the data follows on the print channel
}

} // namespace kktsim
