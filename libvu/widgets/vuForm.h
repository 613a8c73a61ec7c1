// vuForm: the window of the toolkit. A container whose children are widgets,
// with an optional header (text, image, close icon), a body that is filled,
// shaded or left alone, a one-pixel border, an input focus that moves between
// the children, and the rules that turn input into a result: OK, cancel,
// time-out, close codes, or whatever a child answers.
// vuChildForm: a form of a given size at a given place (dialogs, message
// boxes smaller than the screen).
#ifndef VU_FORM_H
#define VU_FORM_H

#include <stdint.h>

#include <vector>

#include "vuExport.h"
#include "vuTypeObject.h"
#include "vuViewContainerObject.h"

class vuFrameBuffer;
class vuImage;
struct vuViewPort;
class vuVirtualKeyboard;
class vuWidget;
struct vuEvent;

// Option bits of a form (bits from 0x100 up belong to derived forms).
enum {
    VU_FO_HEADER = 0x1,      // header drawn; the client area starts below it
    VU_FO_OK = 0x2,          // the OK code ends the form with 1
    VU_FO_CANCEL = 0x4,      // the cancel code (and the close icon) end it with -1
    VU_FO_NO_CLOSE = 0x8,    // no close icon
    VU_FO_NO_BORDER = 0x10,  // no border line, no inset of the client area
    VU_FO_FILL = 0x20,       // body filled with the back colour
    VU_FO_NO_SHADOW = 0x40,  // without 0x20: body left untouched, not shaded
    VU_FO_ALONE = 0x80       // drawn and copied to the screen by itself
};

// Results a form adds to those of its widgets.
enum {
    VU_FORM_TIMEOUT = 10,
    VU_FORM_CLOSE_CODE = 20  // + the close code's index 0..7
};

class VU_API vuForm : public vuViewContainerObject {
public:
    vuForm();
    vuForm(const char* text, vuImage* headerImage);
    ~vuForm() override;

    _VU_TypeObject GetType() const override;

    virtual void initControlCodes();
    virtual int processCloseControlCode(vuEvent* e);
    virtual void SetState(int state);
    virtual int GetState();
    virtual void SetOption(unsigned short bits);
    virtual void ClearOption(unsigned short bits);
    virtual int IsOption(unsigned short bits);
    virtual void SetColors(unsigned short front, unsigned short back);
    virtual unsigned short GetFrontColor();
    virtual unsigned short GetBackColor();
    virtual void SetHeaderText(const char* text);
    virtual void SetHeaderImage(vuImage* image);
    virtual void SetHeaderColors(unsigned short front, unsigned short back);
    virtual unsigned short GetFrontHeaderColor();
    virtual unsigned short GetBackHeaderColor();
    virtual void SetHeaderFont(unsigned short slot);
    virtual void SetHeaderHeight(unsigned short h);
    virtual void SetHeaderJustify(unsigned char justify);
    virtual unsigned short GetHeaderHeight();
    virtual void UpdateCoordinates();
    virtual void ResetTime();
    virtual void SetTimeOut(uint32_t ms);
    virtual uint32_t GetTimeOut();
    virtual int IsTimeOut();
    virtual void SetControlCodes(unsigned char ok, unsigned char cancel, unsigned char next, unsigned char previous);
    virtual unsigned char GetControlCodeNext();
    virtual void SetCloseControlCode(unsigned int index, unsigned char code);
    virtual void ResCloseControlCode();
    virtual vuWidget* GetFocused();
    virtual void SetFocused(vuWidget* w);
    virtual void SetVirtualKeyboard(vuVirtualKeyboard* kb);
    virtual vuVirtualKeyboard* GetVirtualKeyboard();
    virtual void Reset();
    virtual int IsAnimate();
    virtual int IsSign();
    virtual int DrawHeader(vuFrameBuffer* fb, vuViewPort* port);
    virtual int DrawWidgets(vuFrameBuffer* fb);
    virtual int Draw(vuFrameBuffer* fb);
    virtual int ToScreen(vuFrameBuffer* fb);
    virtual int HandleEvent(vuEvent* e);

    // Read access for derived forms, tests and the flat interface.
    unsigned short GetOptions() const { return options; }
    const char* GetHeaderText() const { return headerText; }
    vuImage* GetHeaderImage() const { return headerImage; }
    unsigned short GetHeaderFont() const { return headerFont; }
    unsigned short GetHeaderJustify() const { return headerJustify; }
    unsigned char GetControlCodeOk() const { return codeOk; }
    unsigned char GetControlCodeCancel() const { return codeCancel; }
    unsigned char GetControlCodePrevious() const { return codePrevious; }
    unsigned char GetCloseControlCode(unsigned int index) const { return index < 8 ? closeCodes[index] : 0; }
    uint32_t GetTimerStart() const { return timerStart; }

    // The screen rectangle vuForm::Draw fills with the back colour before
    // anything else (option VU_FO_FILL), clipped to the form's view port;
    // false when it fills nothing. Brings the coordinates up to date as
    // Draw does.
    bool GetFillArea(int16_t& x, int16_t& y, uint16_t& w, uint16_t& h);

    // A screen rectangle.
    struct Rect {
        int x, y, w, h;
    };
    // One animation step drawn without the rest of the form: each animated
    // child redrawn alone, its screen rectangle added to areas. False, with
    // nothing drawn, when the step needs the whole form (a form drawn by a
    // class of its own, an animated header picture, an animated child that
    // cannot be drawn alone, or another child over it or drawing beside
    // itself).
    virtual bool DrawAnimated(vuFrameBuffer* fb, std::vector<Rect>& areas);

protected:
    // The first step of Draw with VU_FO_FILL: the body, clipped to port,
    // filled with the back colour. A form whose children paint parts of
    // the body themselves, opaque, may leave those out.
    virtual void FillBody(vuFrameBuffer* fb, vuViewPort* port);
    // The same fill except the given screen rectangles (which must not
    // overlap each other): the rest of the body is filled band by band.
    void fillBodyExcept(vuFrameBuffer* fb, vuViewPort* port, const Rect* skip, int count);

    // The form's frame on the screen's client area: position plus correction.
    short originX() const;
    short originY() const;
    // Moves the focus by the next (+1) or previous (-1) code; true when a
    // focused child was unfocused or a new one focused.
    bool moveFocus(int direction);
    // The header draws the close icon: a header, a cancel option, and no
    // VU_FO_NO_CLOSE.
    bool closeIconShown() const;
    // True when the icon is shown and the event's point, converted through
    // the parent, lies on it as it is drawn in the header.
    bool hitsCloseIcon(const vuEvent* e);

    char* headerText;
    vuImage* headerImage;
    unsigned short headerJustify;
    unsigned short headerHeight;
    unsigned short headerFont;
    vuWidget* focused;
    vuVirtualKeyboard* virtualKeyboard;
    unsigned short options;
    int state;
    uint32_t timerStart;
    uint32_t timeOut;
    unsigned char codeOk;
    unsigned char codeCancel;
    unsigned char codeNext;
    unsigned char codePrevious;
    unsigned char closeCodes[8];
    unsigned short backColor;
    unsigned short frontColor;
    unsigned short headerBackColor;
    unsigned short headerFrontColor;

private:
    void init(unsigned short opts);
};

class VU_API vuChildForm : public vuForm {
public:
    vuChildForm(unsigned short x, unsigned short y, unsigned short w, unsigned short h);
    vuChildForm(unsigned short x, unsigned short y, unsigned short w, unsigned short h, const char* text,
                vuImage* headerImage);
    ~vuChildForm() override;

    void UpdateCoordinates() override;

private:
    void place(unsigned short x, unsigned short y, unsigned short w, unsigned short h);
};

#endif
