// vuVirtualKeyboard: the on-screen keyboard, a form the toolkit draws across
// the whole screen width at the bottom (or the top) edge while a widget that
// takes typed text has the focus. It turns taps on its keys into key events
// for that widget and hides itself on any key of the physical keypad.
#ifndef VU_VIRTUAL_KEYBOARD_H
#define VU_VIRTUAL_KEYBOARD_H

#include <stdint.h>

#include "vuExport.h"
#include "vuForm.h"
#include "vuTypeObject.h"

class vuFrameBuffer;
class vuWidget;
struct vuEvent;

// State bits of the keyboard.
enum {
    VU_VK_SHOWN = 0x1,
    VU_VK_CAPS = 0x2,
    VU_VK_SHIFT = 0x4
};

class VU_API vuVirtualKeyboard : public vuForm {
public:
    vuVirtualKeyboard();
    ~vuVirtualKeyboard() override;

    _VU_TypeObject GetType() const override;

    // Hides the keyboard: caps lock and shift off, first layout, no touch.
    void Reset() override;
    // 0, or -5 when nothing is drawn (not shown, no layout, no frame buffer).
    int Draw(vuFrameBuffer* fb) override;
    // 0 not taken, 2 taken (redraw wanted). A key of the keypad hides it.
    int HandleEvent(vuEvent* e) override;

    // Shows the keyboard for the widget being edited.
    virtual void Activate(vuWidget* widget);
    // The shown bit of the state.
    virtual int IsActive();

protected:
    uint16_t kbState;
};

#endif
