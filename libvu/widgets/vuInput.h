// vuInput: the one-line entry field. A numeric field takes digits (and,
// with its options, a minus sign and the hexadecimal letters) and keeps a
// fixed number of fraction digits behind an implied point; a text field
// types letters by multi-tap on the digit keys or takes the characters of
// the on-screen keyboard. The field never closes its form: OK, cancel and
// the focus keys pass through it.
//
// The editing steps (initValue ... initControlCodes) are virtual so that
// the pattern and address fields change the editing by replacing them.
#ifndef VU_INPUT_H
#define VU_INPUT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuWidget.h"

class vuImage;

// Option bits of an entry field (the constructor's last argument).
enum {
    VU_IN_NUMERIC = 0x0001,     // digits only, implied point with a radix
    VU_IN_HEX = 0x0002,         // the hex code shifts the next digit 1..6 to A..F
    VU_IN_HINT = 0x0004,        // show the pending multi-tap key's letters above
    VU_IN_RIGHT = 0x0008,       // digits enter at the end and push the others left
    VU_IN_HIDDEN = 0x0010,      // draw hide symbols instead of the text
    VU_IN_BLINK = 0x0020,       // the cursor blinks
    VU_IN_NO_FILL = 0x0040,     // pattern fields: places not filled
    VU_IN_ZEROS = 0x0080,       // leading zeros are kept
    VU_IN_SIGN = 0x0100,        // the sign code toggles the minus symbol
    VU_IN_OVERWRITE = 0x0200,   // full field overwrites (pattern fields: refuses)
    VU_IN_MAY_BE_EMPTY = 0x0400,// an empty integer field stays empty
    VU_IN_FIRST_CLEARS = 0x0800 // after Reset the first character clears the value
};

class VU_API vuInput : public vuWidget {
public:
    // User functions get the field's address as their first argument.
    typedef unsigned char (*AddFunc)(intptr_t field, unsigned char ch);
    typedef void (*ExchFunc)(intptr_t field, unsigned char ch);
    typedef void (*DelFunc)(intptr_t field);
    typedef void (*EndFunc)(intptr_t field);

    vuInput(short x, short y, unsigned short w, unsigned short h, unsigned short maxLen, unsigned short options);
    ~vuInput() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    unsigned short TraceTextColor() override;
    void TraceText(vuTraceItem& item) override;
    unsigned char TraceHintKey() override;
    void Reset() override;
    int IsAnimate() override;
    int IsUseVirtualKeyboard() override;
    void SetFont(unsigned short slot) override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    int DrawHint(vuFrameBuffer* fb, vuViewPort* port) override;
    int HandleEvent(vuEvent* e) override;
    // Drawn by vuWidget::Draw, its back filled and everything clipped to
    // it: its rectangle, unless transparent, on a back picture or showing
    // its key hint beside it.
    bool GetSoleArea(int16_t& sx, int16_t& sy, uint16_t& sw, uint16_t& sh) override;
    bool DrawsBeside() override;

    // Editing steps.
    virtual void initValue();
    // The character entered, or 0 when refused.
    virtual unsigned char addToValue(unsigned char ch);
    virtual void exchInValue(unsigned char ch);
    virtual void delFromValue();
    virtual void endKeyScheme();
    virtual void changeSign();
    virtual void initControlCodes();

    virtual void SetFonts(unsigned short main, unsigned short fraction);
    virtual void SetCursorLineShift(short shift);
    // New buffer and initValue; 0 changes nothing. The radix is lowered
    // below the new length when needed.
    virtual void SetMaxLen(unsigned short len);
    virtual unsigned short GetRadix();
    virtual void SetRadix(unsigned short radix);
    virtual const char* GetValue();
    virtual void SetValue(const char* text);
    virtual unsigned short GetCurPos();
    // Clamped to the text and below the maximum length.
    virtual void SetCurPos(unsigned short pos);
    virtual unsigned short GetMaxLen();
    virtual void SetHideSymbol(char ch);
    virtual char GetHideSymbol();
    virtual void SetMinusSymbol(char ch);
    virtual char GetMinusSymbol();
    virtual void SetDotMark(vuImage* image);
    // Note the order: point first, hex second.
    virtual void SetControlCodes(unsigned char point, unsigned char hex, unsigned char sign, unsigned char next);
    virtual void SetUserFunc(AddFunc add, ExchFunc exch, DelFunc del, EndFunc end);

    // Read access for tests and the flat interface.
    unsigned short GetOptions() const { return options; }
    unsigned char GetPendingKey() const { return pendingKey; }
    unsigned char GetTapCount() const { return tapCount; }
    unsigned char GetHexShift() const { return hexShift; }
    unsigned char GetPointCode() const { return pointCode; }
    unsigned char GetHexCode() const { return hexCode; }
    unsigned char GetSignCode() const { return signCode; }
    unsigned char GetNextCode() const { return nextCode; }
    unsigned short GetFractionFont() const { return fractionFont; }

protected:
    bool numeric() const { return (options & VU_IN_NUMERIC) != 0; }
    // An empty integer field stays empty with one of these options.
    bool mayStayEmpty() const { return (options & (VU_IN_HIDDEN | VU_IN_ZEROS | VU_IN_MAY_BE_EMPTY)) != 0; }
    unsigned short length() const;
    // Index of the first digit: 1 after a leading minus symbol.
    unsigned short signLen() const;
    // Replaces the pending letter by letter `tapCount` of its row.
    void cycleLetter(unsigned char key);
    // Letters of the key's row in the widget's key scheme (0 for none).
    unsigned short rowLength(unsigned char key);
    void touchPart(vuEvent* e, int& result, bool keyboard);
    // The marks of a text that does not fit: a line inside the left edge
    // when some of it lies before the field, inside the right edge when some
    // lies after it, from top down over h pixels.
    void drawCutMarks(vuFrameBuffer* fb, vuViewPort* port, bool before, bool after, int top, int h,
                      unsigned short colour);

    unsigned short options;
    unsigned short maxLen;
    unsigned short radix;
    unsigned short fractionFont;
    unsigned short cursor;
    short cursorLineShift;
    unsigned char hexShift;
    unsigned char firstKeyArmed;
    unsigned char pendingKey;
    unsigned char tapCount;
    uint32_t pendingTick;
    char hideSymbol;
    char minusSymbol;
    unsigned char hexCode;
    unsigned char pointCode;
    unsigned char signCode;
    unsigned char nextCode;
    char* text;
    vuImage* dotMark;
    AddFunc addFunc;
    ExchFunc exchFunc;
    DelFunc delFunc;
    EndFunc endFunc;
};

#endif
