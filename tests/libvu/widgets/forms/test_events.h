// Events as the UI hands them to widgets: a key, a touch phase at a point
// (with a gesture), a tap.
#ifndef TESTS_VU_WIDGETS1_TEST_EVENTS_H
#define TESTS_VU_WIDGETS1_TEST_EVENTS_H

#include <stdint.h>
#include <string.h>

#include "vuEvent.h"

namespace w1 {

inline vuEvent key(unsigned char k)
{
    vuEvent e;
    memset(&e, 0, sizeof e);
    e.key = k;
    return e;
}

inline vuEvent touch(uint8_t phase, int x, int y, uint8_t gesture = 0)
{
    vuEvent e = key(0);
    e.phase = phase;
    e.x = x;
    e.y = y;
    e.gesture = gesture;
    return e;
}

inline vuEvent tap(int x, int y)
{
    return touch(VU_PHASE_UP, x, y, VU_GESTURE_TAP);
}

} // namespace w1

#endif
