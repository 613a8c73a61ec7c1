// Start and stop of the terminal's devices for the UI singleton: the screen,
// the keypad and the touch panel.
#include "vuUI.h"

#include "vuKeyboard.h"
#include "vuPaxProlinFrameBuffer.h"
#include "vuTouchPad.h"

int vuUI::initHardware(int &w, int &h)
{
    // A second start (Start after Stop, or after a failed start) must not
    // leave the earlier mapping and devices open behind it.
    doneHardware();
    err = 0;
    keyMask = 0;
    blockKbMask = 0x6000;
    int r = vuPaxProlinFrameBuffer::OpenDevice(w, h);
    if (r != 0)
        err = r;
    vuKeyboard::Init();
    vuTouchPad::Init();
    return err;
}

void vuUI::doneHardware()
{
    vuTouchPad::Done();
    vuPaxProlinFrameBuffer::CloseDevice();
    vuKeyboard::Done();
}
