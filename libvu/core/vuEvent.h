// The toolkit's input event: what one pass of a UI loop read from the keypad
// and the touch panel. Every HandleEvent of forms and widgets gets it, and so
// does the event callback given to vuUI::Show.
#ifndef VU_EVENT_H
#define VU_EVENT_H

#include <stdint.h>

// Touch phases (vuEvent::phase).
enum {
    VU_PHASE_NONE = 0, // no touch
    VU_PHASE_DOWN = 1, // the finger went down in this pass
    VU_PHASE_MOVE = 2, // held (moving or not)
    VU_PHASE_UP = 3    // released in this pass
};

// Gesture bits (vuEvent::gesture), set while the touch moves by more than
// VU_GESTURE_THRESHOLD pixels since the previous sample.
enum {
    VU_GESTURE_LEFT = 0x01,
    VU_GESTURE_RIGHT = 0x02,
    VU_GESTURE_UP = 0x04,
    VU_GESTURE_DOWN = 0x08,
    VU_GESTURE_MOVED = 0x10,    // no direction yet, but away from the down point
    VU_GESTURE_TAP = 0x20,      // released soon without moving
    VU_GESTURE_REVERSED = 0x8F  // ORed in when a direction reverses on one axis
};

enum {
    VU_GESTURE_THRESHOLD = 14,  // pixels; a movement must exceed it
    VU_TAP_MAX_MS = 499         // the longest touch that still counts as a tap
};

struct vuEvent {
    uint8_t key;      // key character of this pass, 0 for none
    uint8_t phase;    // VU_PHASE_*
    int32_t x;        // touch point, screen pixels
    int32_t y;
    uint32_t time;    // ms since the touch went down (0 in the down pass)
    uint8_t gesture;  // VU_GESTURE_* bits
    uint8_t vkChar;   // character typed on the on-screen keyboard in this pass
    uint8_t handled;  // set by the widget that took the event
    uint32_t keyMask; // keys held: at the release of this pass's key, else after the poll
};

#endif
