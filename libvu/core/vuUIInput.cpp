// The UI loops' input polls: the touch panel into a vuEvent (phases, time
// since the touch went down, gestures) and the keypad into a key character
// with the mask of the keys held at that key's release.
#include <stdint.h>
#include <stdlib.h>

#include "osal.h"
#include "vuKeyboard.h"
#include "vuTouchPad.h"
#include "vuUI.h"

namespace {

const uint32_t kMoveSampleMs = 50; // movement is measured against samples this far apart
const uint32_t kUpSampleMs = 20;   // the last movement counted at the release

// Adds the gesture bits of the movement from the previous sample to the
// event's point. A direction against one already set on the same axis marks
// the gesture as reversed.
void addGesture(vuEvent *e, const vuEvent *previous, int downX, int downY)
{
    int dx = e->x - previous->x;
    int dy = e->y - previous->y;
    const int t = VU_GESTURE_THRESHOLD;
    if (dx < -t)
        e->gesture |= (e->gesture & VU_GESTURE_RIGHT) ? VU_GESTURE_REVERSED : VU_GESTURE_LEFT;
    else if (dx > t)
        e->gesture |= (e->gesture & VU_GESTURE_LEFT) ? VU_GESTURE_REVERSED : VU_GESTURE_RIGHT;
    if (dy < -t)
        e->gesture |= (e->gesture & VU_GESTURE_DOWN) ? VU_GESTURE_REVERSED : VU_GESTURE_UP;
    else if (dy > t)
        e->gesture |= (e->gesture & VU_GESTURE_UP) ? VU_GESTURE_REVERSED : VU_GESTURE_DOWN;
    if (!(e->gesture & 0x0F) && (abs(e->x - downX) > t || abs(e->y - downY) > t))
        e->gesture |= VU_GESTURE_MOVED;
}

} // namespace

int vuUI::getTouchState(vuEvent *event, vuEvent *previous, unsigned long *downTick, int *downX, int *downY)
{
    event->vkChar = 0;
    if (!vuTouchPad::IsPresent())
        return 0;
    int x = event->x, y = event->y;
    int pressed = vuTouchPad::GetState(&x, &y);
    event->x = x;
    event->y = y;
    uint32_t t = OsGetTickCount();
    int result;
    if (pressed) {
        if (event->phase == VU_PHASE_NONE || event->phase == VU_PHASE_UP) {
            *downTick = t;
            event->time = 0;
            event->phase = VU_PHASE_DOWN;
            previous->time = t;
            previous->x = x;
            previous->y = y;
            *downX = x;
            *downY = y;
            event->gesture = 0;
        } else {
            if (t - previous->time > kMoveSampleMs) {
                addGesture(event, previous, *downX, *downY);
                previous->x = x;
                previous->y = y;
                previous->time = t;
            }
            event->time = t - static_cast<uint32_t>(*downTick);
            event->phase = VU_PHASE_MOVE;
        }
        result = 1;
    } else {
        if (event->phase == VU_PHASE_DOWN || event->phase == VU_PHASE_MOVE) {
            if (t - previous->time > kUpSampleMs) {
                addGesture(event, previous, *downX, *downY);
                previous->x = event->x;
                previous->y = event->y;
            }
            event->time = t - static_cast<uint32_t>(*downTick);
            event->phase = VU_PHASE_UP;
            if (!(event->gesture & 0x1F) && event->time <= VU_TAP_MAX_MS)
                event->gesture |= VU_GESTURE_TAP;
        } else {
            event->time = 0;
            event->phase = VU_PHASE_NONE;
        }
        result = 0;
    }
    if (touchCallback)
        touchCallback(event);
    return result;
}

uint8_t vuUI::getKeyCode()
{
    uint8_t key = 0, kind = 0;
    uint32_t mask = 0;
    if (vuKeyboard::IsHit()) {
        // A key comes with the keys held at its release: one typed ahead
        // while another is held now is still the key alone.
        key = static_cast<uint8_t>(vuKeyboard::GetKeyAndMask(&mask));
        kind = 0x01;
    } else {
        uint8_t pending = pendingChar.exchange(0);
        if (pending) {
            key = pending;
            kind = 0x02;
        }
        mask = vuKeyboard::GetState();
    }
    if (kind || mask != keyMask) {
        keyMask = mask;
        kind |= 0x10;
    }
    if (kind && keyCallback)
        keyCallback(kind, key, mask);
    return key;
}
