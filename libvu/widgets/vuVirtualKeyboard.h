// vuVirtualKeyboard: the on-screen keyboard, a form the toolkit draws across
// the whole screen width at the bottom (or the top) edge while a widget that
// takes typed text has the focus. It turns taps on its keys into key events
// for that widget and hides itself on any key of the physical keypad.
//
// Its chain holds layouts (vuVirtualKeyboardItem), never widgets. The form's
// option bits mean here: 0x1 fill each key with the back colour, 0x2 place
// the keyboard at the top edge.
#ifndef VU_VIRTUAL_KEYBOARD_H
#define VU_VIRTUAL_KEYBOARD_H

#include <stdint.h>

#include "vuExport.h"
#include "vuForm.h"
#include "vuTypeObject.h"

class vuFrameBuffer;
class vuImage;
class vuViewObject;
class vuVirtualKeyboardItem;
class vuWidget;
struct vuEvent;
struct vuViewPort;

// State bits of the keyboard.
enum {
    VU_VK_SHOWN = 0x1,
    VU_VK_CAPS = 0x2,
    VU_VK_SHIFT = 0x4
};

// Option bits of the keyboard (its form options).
enum {
    VU_VK_FILL_KEYS = 0x1,
    VU_VK_TOP = 0x2
};

// Key bytes with a meaning of their own in a layout's rows.
enum {
    VU_VK_KEY_HIDE = 1,
    VU_VK_KEY_BACKSPACE = 8,
    VU_VK_KEY_ENTER = 13,
    VU_VK_KEY_CAPS = 16,
    VU_VK_KEY_SHIFT = 17,
    VU_VK_KEY_NEXT = 18,
    VU_VK_KEY_SPACE = 32
};

class VU_API vuVirtualKeyboard : public vuForm {
public:
    vuVirtualKeyboard();
    ~vuVirtualKeyboard() override;

    _VU_TypeObject GetType() const override;
    // The keyboard takes no widgets: -1.
    int Add(vuViewObject* child) override;
    int Del(vuViewObject* child) override;
    // Full width of the parent's client area, as high as the layout, at the
    // bottom edge (top with option 0x2).
    void UpdateCoordinates() override;
    // Hides the keyboard: caps lock and shift off, first layout, no touch.
    void Reset() override;
    // Its chain holds layouts: nothing animates, nothing signs, no widgets.
    int IsAnimate() override;
    int IsSign() override;
    int DrawWidgets(vuFrameBuffer* fb) override;
    // 0, or -5 when nothing is drawn (not shown, no layout, no frame buffer).
    int Draw(vuFrameBuffer* fb) override;
    // 0 not taken, 2 taken (redraw wanted). A key of the keypad hides it.
    int HandleEvent(vuEvent* e) override;

    virtual void SetActiveColor(unsigned short front, unsigned short back);
    // Shows the keyboard for the widget being edited, at the top edge when
    // the widget would be covered at the bottom.
    virtual void Activate(vuWidget* widget);
    // The shown bit of the state.
    virtual int IsActive();
    // Image of key 1, 8, 13, 16 or 17 (the old one destroyed); other keys
    // are ignored and the image stays the caller's.
    virtual void SetImage(unsigned char key, vuImage* image);
    // Appends a layout (taken); its index, -2 for null or no chain.
    virtual int AddItem(vuVirtualKeyboardItem* layout);
    // Draws the keys of one layout; 0.
    virtual int DrawItem(vuFrameBuffer* fb, vuViewPort* port, vuVirtualKeyboardItem* layout);
    // Carries out the key under the touch point; 0.
    virtual int GetEvent(vuEvent* e);

    // Read access for tests and the flat interface.
    uint16_t GetKbState() const { return kbState; }
    uint16_t GetLayoutIndex() const { return layout; }
    int16_t GetTouchX() const { return touchX; }
    int16_t GetTouchY() const { return touchY; }
    int16_t GetCorrectionY() const { return corrY; }
    vuImage* GetImage(unsigned char key) const;
    vuVirtualKeyboardItem* GetCurrentItem() const;

protected:
    // Slot of a key's image, -1 for a key without one.
    static int imageSlot(unsigned char key);
    // The row's text in the present state (shift, else caps lock, else normal).
    const char* rowText(vuVirtualKeyboardItem* item, unsigned short row) const;
    // Takes the UI's frame buffer as parent when it has none.
    void adoptScreen();
    uint16_t parentClientWidth();
    uint16_t parentClientHeight();

    unsigned short activeFront;
    unsigned short activeBack;
    vuImage* images[5]; // keys 17, 16, 8, 13, 1
    uint16_t kbState;
    uint16_t layout;
    int16_t touchX;
    int16_t touchY;
};

#endif
