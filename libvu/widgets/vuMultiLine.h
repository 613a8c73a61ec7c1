// vuMultiLine: a text of any length shown over several lines inside a fixed
// rectangle, broken into lines in one of three ways and scrolled with keys
// and swipes. With its editable option it is a small text editor: a cursor,
// multi-tap letters on the digit keys, line breaks and the on-screen keyboard.
#ifndef VU_MULTI_LINE_H
#define VU_MULTI_LINE_H

#include <stdint.h>

#include "vuExport.h"
#include "vuWidget.h"

// Options: the low byte is the line-breaking mode.
enum {
    VU_ML_MODE_LINES = 0,  // lines end only at line feeds; scrolls sideways
    VU_ML_MODE_WORDS = 1,  // word wrap at the field's width
    VU_ML_MODE_CHARS = 2,  // hard break after every "characters per line"
    VU_ML_MODE_MASK = 0xFF,
    VU_ML_EDIT = 0x100,    // editable; the buffer keeps 128 spare bytes
    VU_ML_HINT = 0x200     // show the pending multi-tap key's letters
};

class VU_API vuMultiLine : public vuWidget {
public:
    vuMultiLine(short x, short y, unsigned short w, unsigned short h, unsigned short options, const char* text);
    ~vuMultiLine() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    unsigned short TraceTextColor() override;
    void TraceText(vuTraceItem& item) override;
    unsigned char TraceHintKey() override;
    void Reset() override;
    int IsUseVirtualKeyboard() override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    int DrawHint(vuFrameBuffer* fb, vuViewPort* port) override;
    int HandleEvent(vuEvent* e) override;

    virtual void SetCursorLineShift(short shift);
    virtual void SetMaxLen(unsigned long len);
    // Scrolls to show the last lines.
    virtual void AdjustToLastLine();
    // The text; "" when there is none.
    virtual const char* GetValue();
    virtual void SetValue(const char* text);
    virtual void AddValue(const char* text);

    // Start of the line after the one at `start` (0 when it was the last);
    // its shown length goes to lineLen.
    uint32_t getLine(uint32_t n, uint32_t start, uint32_t& lineLen);
    void calculateProperties();
    short getCorrectionCursor(unsigned short row);
    uint32_t setCursor(unsigned short line, unsigned short col);
    uint32_t getCursor(unsigned short& line, unsigned short& col);
    char addChar(char ch);
    int delChar();
    void endLastPress();

    // Read access for tests and the flat interface.
    uint32_t GetCursorPos() const { return cursor; }
    void SetCursorPos(uint32_t pos) { cursor = pos; }
    unsigned short GetLineCount() const { return lineCount; }
    uint32_t GetCharsPerLine() const { return charsPerLine; }
    uint32_t GetBufferSize() const { return bufferSize; }
    unsigned short GetOptions() const { return options; }
    unsigned char GetPendingKey() const { return pendingKey; }

private:
    bool editable() const { return (options & VU_ML_EDIT) != 0; }
    unsigned mode() const { return options & VU_ML_MODE_MASK; }
    // Text area without the scroll bars and the 2-pixel margins.
    int areaWidth();
    int areaHeight();
    // Ranges from the last layout; offsets cut down to them.
    void updateRanges(int fontW, int fontH);
    // Where the cursor sits: the line's start, number and length, with the
    // cursor moved off the shown end of a line another line follows.
    bool findCursorLine(uint32_t& start, unsigned short& line, uint32_t& len);
    // Horizontal padding of a line in the character grid (modes 1 and 2).
    uint32_t linePad(uint32_t len);
    // (Re)allocates the buffer for text + extra and copies; cursor to its end.
    void assign(const char* prefix, const char* text);
    void activateKeyboard(int& result);
    int scrollKeys(vuEvent* e);
    int editKeys(vuEvent* e);

    char* text;
    uint32_t bufferSize;
    uint32_t maxLen;
    unsigned short lineCount;
    uint32_t charsPerLine;
    uint32_t cursor;
    short cursorLineShift;
    unsigned short options;
    unsigned char pendingKey;
    unsigned char tapCount;
    uint32_t pendingTick;
};

#endif
