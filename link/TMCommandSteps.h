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

#include "TMCommand.h"

// A command without fields.
inline int TMBuildEmpty(TMCommand &c, uint8_t code)
{
    int r = c.TMCommand::Begin(code);
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

// A command with the date and time now as its only fields.
inline int TMBuildDateTimeNow(TMCommand &c, uint8_t code)
{
    int r = c.TMCommand::Begin(code);
    if (r > 0)
        r = c.TMCommand::AddDateNow();
    if (r > 0)
        r = c.TMCommand::AddTimeNow();
    if (r > 0)
        r = c.TMCommand::End();
    return r;
}

#endif
