// Pieces shared by the widgets that type text with multi-tap letters on the
// digit keys and with the on-screen keyboard (entry fields, multi-line
// texts): the hint strip of the pending key's letters and the lookup of the
// keyboard that serves a widget.
#ifndef VU_MULTI_TAP_H
#define VU_MULTI_TAP_H

#include <stdint.h>

class vuFrameBuffer;
class vuViewContainerObject;
class vuVirtualKeyboard;

// Milliseconds within which the same digit key steps to the next letter;
// an open letter is committed once this much more than it has passed.
enum { VU_MULTI_TAP_MS = 799 };

// The window opened by a key pressed at tick `pressed` is still open at
// tick `now`: the same key steps to the next letter, the letter is not
// committed yet.
inline bool vuMultiTapOpen(uint32_t pressed, uint32_t now)
{
    return static_cast<uint32_t>(now - pressed) <= VU_MULTI_TAP_MS;
}

// Where the strip of `letters` cells (each fw x fh) goes for the field at
// (x, y), h pixels high, in the parent's client area (cw x ch): directly
// above the field, or directly below it when there is no room above (at
// the area's top when there is room for neither), moved left as far as it
// must to end inside the area. Parent coordinates; false when there is
// nothing to place.
bool vuKeyHintPlace(short x, short y, unsigned short h, int cw, int ch, int fw, int fh,
                    int letters, short& hx, short& hy, unsigned short& hw, unsigned short& hh);

// The same for a field of the parent (its client area, the font's cells,
// the length of `key`'s row in the key scheme).
bool vuKeyHintRect(vuViewContainerObject* parent, short x, short y, unsigned short h,
                   unsigned short fontSlot, unsigned short keyScheme, unsigned char key, short& hx, short& hy,
                   unsigned short& hw, unsigned short& hh);

// Draws the letters of `key`'s row in the key scheme as a strip one font
// cell high placed by vuKeyHintPlace for the field at (x, y), h pixels high,
// clipped through the parent's view port: the row in `front` on `back`,
// with letter tapCount mod length inverted. Nothing without a font of
// non-zero cells or a row.
void vuDrawKeyHint(vuFrameBuffer* fb, vuViewContainerObject* parent, short x, short y, unsigned short h,
                   unsigned short fontSlot, unsigned short keyScheme, unsigned char key,
                   unsigned char tapCount, unsigned short front, unsigned short back);

// The UI's on-screen keyboard, or else the one of the form that holds the
// widget (parent); null when there is none.
vuVirtualKeyboard* vuFindVirtualKeyboard(vuViewContainerObject* parent);

#endif
