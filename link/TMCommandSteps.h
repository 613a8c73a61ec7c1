// Shared by the command builders: each step runs only while the running
// result r is above 0, and calls the TMCommand encoder itself (not an
// override) so that a frame's layout never depends on a subclass.
#ifndef LINK_TMCOMMANDSTEPS_H
#define LINK_TMCOMMANDSTEPS_H

#define TM_STEP(call)               \
    do {                            \
        if (r > 0)                  \
            r = TMCommand::call;    \
    } while (0)

#include "TMCodes.h"
#include "TMCommand.h"
#include "osal.h"

// A command without fields.
inline int TMBuildEmpty(TMCommand &c, uint8_t code)
{
    int r = c.TMCommand::Begin(code);
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

// A command with one byte as its only field.
inline int TMBuildByte(TMCommand &c, uint8_t code, uint8_t v)
{
    int r = c.TMCommand::Begin(code);
    if (r > 0)
        r = c.TMCommand::AddByte(v);
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

// A command with one text as its only field.
inline int TMBuildText(TMCommand &c, uint8_t code, const char *s)
{
    int r = c.TMCommand::Begin(code);
    if (r > 0)
        r = c.TMCommand::AddString(s, 0);
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

// Begins a command whose first two fields are a date and a time: the
// clock's now, or those of t (a null t fails like AddDate). Now is read
// once for both fields, so that they never straddle midnight.
inline int TMBeginDateTime(TMCommand &c, uint8_t code, const struct tm *t, bool now)
{
    int r = c.TMCommand::Begin(code);
    struct tm clock = {};
    if (r > 0 && now) {
        OsTime o;
        if (OsGetTime(&o) != 0)
            return -1;
        clock.tm_year = o.Year - 1900;
        clock.tm_mon = o.Month - 1;
        clock.tm_mday = o.Day;
        clock.tm_hour = o.Hour;
        clock.tm_min = o.Minute;
        t = &clock;
    }
    if (r > 0)
        r = c.TMCommand::AddDate(t);
    if (r > 0)
        r = c.TMCommand::AddTime(t);
    return r;
}

// A command with the date and time now as its only fields.
inline int TMBuildDateTimeNow(TMCommand &c, uint8_t code)
{
    int r = TMBeginDateTime(c, code, nullptr, true);
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

#endif
