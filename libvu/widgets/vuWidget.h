// vuWidget: the common base of every element a form holds (labels, buttons,
// entry fields, multi-line texts, lists, menu items...). It keeps the flags
// (selectable, selected, focusable, focused, transparent, border, their
// inversion while active, scroll bars, hidden, justification), the font slot
// and key scheme, the passive and active colour pairs, three owned images and
// the kinetic scroll state of both axes. Draw() is the one drawing skeleton of
// all widgets: clip to the parent's view port, back, item, scroll bars,
// border, hint. Subclasses override the steps, not the skeleton.
#ifndef VU_WIDGET_H
#define VU_WIDGET_H

#include <string>

#include "vuExport.h"
#include "vuTypeObject.h"
#include "vuViewObject.h"

class vuFrameBuffer;
class vuImage;
class vuTraceItem;
struct vuViewPort;
struct vuEvent;

// Flag bits of a widget.
enum {
    VU_WF_SELECTABLE = 0x1,
    VU_WF_SELECTED = 0x2,
    VU_WF_FOCUSABLE = 0x4,
    VU_WF_FOCUSED = 0x8,
    VU_WF_TRANSPARENT = 0x10,
    VU_WF_BORDER = 0x20,
    VU_WF_ACTIVE_TRANSPARENT = 0x40, // transparency reads inverted while active
    VU_WF_ACTIVE_BORDER = 0x80,      // border reads inverted while active
    VU_WF_SCROLL_Y = 0x100,
    VU_WF_SCROLL_X = 0x200,
    VU_WF_HIDDEN = 0x800,
    VU_WF_JUSTIFY_LEFT = 0x1000,
    VU_WF_JUSTIFY_RIGHT = 0x2000,
    VU_WF_JUSTIFY_TOP = 0x4000,
    VU_WF_JUSTIFY_BOTTOM = 0x8000,
    VU_WF_JUSTIFY_MASK = 0xF000
};

// Kinetic scrolling of one axis (advanced with vuTouchPad::CorrectMotion).
struct vuScrollState {
    short speed;           // pixels per step, negative towards the start (-4..4)
    unsigned short count;  // steps taken at the present speed
    unsigned short offset; // how far the content is scrolled, 0..range
    short range;           // content size minus visible size; <= 0: nothing to scroll
};

class VU_API vuWidget : public vuViewObject {
public:
    vuWidget();
    vuWidget(short x, short y, unsigned short w, unsigned short h);
    ~vuWidget() override;

    _VU_TypeObject GetType() const override;

    virtual int GetString(char* buffer, unsigned short size);
    virtual void Reset();
    virtual void Select();
    virtual void UnSelect();
    virtual unsigned short IsSelect();
    virtual unsigned short IsSelectable();
    virtual void Focus();
    virtual void UnFocus();
    virtual unsigned short IsFocusable();
    virtual unsigned short IsActive();
    virtual int IsAnimate();
    virtual void SetTransparency(unsigned char on);
    virtual void SetActiveTransparency(unsigned char on);
    virtual void SetFocusable(unsigned char on);
    virtual unsigned short IsTransparency();
    virtual void SetVisible(unsigned char visible);
    virtual unsigned char IsVisible();
    virtual void SetBorder(unsigned char on);
    virtual void SetActiveBorder(unsigned char on);
    virtual unsigned short IsBorder();
    virtual unsigned short GetScrollBarYWidth();
    virtual unsigned short GetScrollBarXHeight();
    virtual void SetJustify(unsigned char justify);
    virtual unsigned short GetDeltaX(unsigned char remaining);
    virtual unsigned short GetDeltaY(unsigned char remaining);
    virtual int IsUseVirtualKeyboard();
    virtual void SetActiveColor(unsigned short front, unsigned short back);
    virtual void SetPassiveColor(unsigned short front, unsigned short back);
    virtual unsigned short GetFrontColor();
    virtual unsigned short GetBackColor();
    virtual unsigned short GetActiveFrontColor();
    virtual unsigned short GetActiveBackColor();
    virtual void SetActiveBackImage(vuImage* image);
    virtual void SetPassiveBackImage(vuImage* image);
    virtual void SetFont(unsigned short slot);
    virtual unsigned short GetFontIndex();
    virtual void SetKeyScheme(unsigned short index);
    virtual unsigned short GetKeySchemeIndex();
    // Clip, back, item, scroll bars, border, hint. -4 without a frame buffer;
    // otherwise the item's result, or the hint's when the item gave 0.
    virtual int Draw(vuFrameBuffer* fb);
    virtual int DrawBack(vuFrameBuffer* fb, vuViewPort* port);
    virtual int DrawItem(vuFrameBuffer* fb, vuViewPort* port);
    virtual int DrawHint(vuFrameBuffer* fb, vuViewPort* port);
    // 0 not mine, 2 taken (redraw), 1 close with OK, -1 close with cancel,
    // 3 give me the focus. A widget that consumes the event sets its handled.
    virtual int HandleEvent(vuEvent* e);
    // The screen rectangle a drawing of this widget alone covers wholly and
    // keeps within, for an animation step that redraws only what moves:
    // false where the widget cannot be redrawn alone so (the default: a
    // widget must say that it can).
    virtual bool GetSoleArea(int16_t& sx, int16_t& sy, uint16_t& sw, uint16_t& sh);
    // True when Draw may paint outside the widget's rectangle.
    virtual bool DrawsBeside();
    // The screen rectangle Draw clips to (the widget's rectangle within
    // its parents); false when nothing of it shows.
    bool GetScreenArea(int16_t& sx, int16_t& sy, uint16_t& sw, uint16_t& sh);

    // The screen trace (vuTrace.h): appends the widget's items of a
    // "screen" line to items (a JSON array being built), the widget placed
    // in its form's client area: the widget itself, the multi-tap strip it
    // shows and its rows. Each kind of widget tells its parts through the
    // Trace* calls below.
    void TraceItems(std::string& items, const vuViewPort& client);
    // Whether the widget shows a multi-tap strip now, and for which key.
    bool TraceShowsHint(unsigned char& key);
    // Its "type": "other" unless a kind names itself.
    virtual const char* TraceType();
    // The colour its text is drawn in now, as its drawing picks it.
    virtual unsigned short TraceTextColor();
    // Its text members ("label", "font", ...): none unless it has a text.
    virtual void TraceText(vuTraceItem& item);
    // The key whose multi-tap strip it would show now, 0 when none.
    virtual unsigned char TraceHintKey();
    // The rows of a list, placed as it draws them; x, y its place.
    virtual void TraceRows(std::string& items, int x, int y);

    // Read access for forms, tests and the flat interface.
    unsigned short GetFlags() const { return flags; }
    // The colours as set, whatever the widget's state (GetFrontColor answers
    // for the present state): the text colour while the widget is not
    // active (a list's rows other than the current one are drawn in it
    // whatever the focus).
    unsigned short GetPassiveFrontColor() const { return passiveFront; }
    vuImage* GetImage() const { return image; }
    vuImage* GetActiveBackImage() const { return activeBackImage; }
    vuImage* GetPassiveBackImage() const { return passiveBackImage; }
    const vuScrollState& GetScrollX() const { return scrollX; }
    const vuScrollState& GetScrollY() const { return scrollY; }

protected:
    // Replaces an owned image: the old one is destroyed unless it is the same.
    // The parent converts the event's point into this widget's coordinates;
    // true when the point lies in every enclosing client area and in the
    // widget. Without a parent the point is taken as it is.
    bool hitTest(const vuEvent* e, short& px, short& py);

    unsigned short flags;
    unsigned short font;
    unsigned short keyScheme;
    unsigned short passiveFront;
    unsigned short passiveBack;
    unsigned short activeFront;
    unsigned short activeBack;
    vuImage* image;            // content image, owned
    vuImage* passiveBackImage; // owned
    vuImage* activeBackImage;  // owned
    vuScrollState scrollX;
    vuScrollState scrollY;
};

#endif
