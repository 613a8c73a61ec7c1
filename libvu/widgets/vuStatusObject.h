// vuStatusObject: the base of what a status line shows (texts, a clock,
// image sets, level indicators). Its rectangle is relative to the status
// line's client origin. Draw() is the common skeleton: clip, back colour,
// back image, the object's own content (DrawObject), border.
#ifndef VU_STATUS_OBJECT_H
#define VU_STATUS_OBJECT_H

#include "vuExport.h"
#include "vuTypeObject.h"
#include "vuViewObject.h"

class vuFrameBuffer;
class vuImage;
struct vuViewPort;

// Flag bits of a status object.
enum {
    VU_SO_TRANSPARENT = 0x1, // the back colour is not filled (default)
    VU_SO_BORDER = 0x2,      // border in the front colour
    VU_SO_HIDDEN = 0x4,
    VU_SO_JUSTIFY_LEFT = 0x1000,
    VU_SO_JUSTIFY_RIGHT = 0x2000,
    VU_SO_JUSTIFY_TOP = 0x4000,
    VU_SO_JUSTIFY_BOTTOM = 0x8000
};

class VU_API vuStatusObject : public vuViewObject {
public:
    vuStatusObject(short x, short y, unsigned short w, unsigned short h);
    // Releases the back image.
    ~vuStatusObject() override;

    _VU_TypeObject GetType() const override;

    virtual void SetColor(unsigned short front, unsigned short back);
    virtual unsigned short GetFrontColor();
    virtual unsigned short GetBackColor();
    virtual void SetTransparency(unsigned char on);
    virtual void SetBorder(unsigned char on);
    // Non-zero shows the object, zero hides it.
    virtual void SetVisible(unsigned char visible);
    virtual unsigned short IsTransparency();
    virtual unsigned short IsBorder();
    virtual unsigned char IsVisible();
    virtual int IsAnimate();
    // 0x1 left, 0x2 right, 0x4 top, 0x8 bottom; opposite sides together
    // change nothing; 0 centres both ways.
    virtual void SetJustify(unsigned char bits);
    // The object takes the image; the one held before is released.
    virtual void SetBackImage(vuImage* image);
    virtual void SetFont(unsigned short slot);
    virtual unsigned short GetFontIndex();
    // 0 drawn (or hidden, or clipped away), -4 without a frame buffer, or
    // what DrawObject reports.
    virtual int Draw(vuFrameBuffer* fb);
    // The object's content, clipped to port: 0, -4 or -13 (empty font slot).
    virtual int DrawObject(vuFrameBuffer* fb, vuViewPort* port) = 0;

    unsigned short GetFlags() const { return flags; }
    vuImage* GetBackImage() const { return backImage; }

protected:
    // Where content of cw x ch lands by the justify bits: the source offset
    // (what a negative offset cuts off at the left or top), the destination
    // and the drawn extent (the object's size, clipped later by the port).
    struct Placement {
        unsigned short srcX, srcY;
        short x, y;
        unsigned short w, h;
    };
    Placement place(int cw, int ch) const;
    // Draws an image at its placement in the given colour; its result.
    int drawPlaced(vuFrameBuffer* fb, vuViewPort* port, vuImage* image, unsigned short colour);
    // Draws a text at its placement in the object's font and the given
    // colour: -4 without a frame buffer, -13 for an empty font slot, else 0
    // (a null or empty text draws nothing).
    int drawText(vuFrameBuffer* fb, vuViewPort* port, const char* t, unsigned short colour);

    unsigned short flags;
    unsigned short font;
    unsigned short frontColor;
    unsigned short backColor;
    vuImage* backImage; // owned
};

#endif
