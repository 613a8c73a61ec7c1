// vuPatternInput: an entry field laid over a fixed picture of text. Every
// '#' of the pattern is a place for one typed character, every other
// character is shown as it stands (separators, brackets, several lines).
// The value is only what was typed into the places, in order.
#ifndef VU_PATTERN_INPUT_H
#define VU_PATTERN_INPUT_H

#include "vuExport.h"
#include "vuInput.h"

class VU_API vuPatternInput : public vuInput {
public:
    vuPatternInput(short x, short y, unsigned short w, unsigned short h, unsigned short options, const char* pattern);
    ~vuPatternInput() override;

    _VU_TypeObject GetType() const override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    void initValue() override;
    // Option 0x200 here means "refuse when full" (the entry field's
    // overwrite): without it a full field replaces its last place.
    unsigned char addToValue(unsigned char ch) override;
    void delFromValue() override;
    void endKeyScheme() override;
    // Only lengths from 1 to the number of places.
    void SetMaxLen(unsigned short len) override;

    virtual void SetPattern(const char* pattern);
    virtual void SetPatternActiveColor(unsigned short front, unsigned short back);
    virtual void SetPatternPassiveColor(unsigned short front, unsigned short back);
    virtual void SetFillSymbol(char ch);

    // Number of '#' (0 for null).
    static unsigned short calcLen(const char* text);
    // 1 + number of line feeds (0 for null).
    static unsigned short calcLines(const char* text);
    // Characters from index up to the next line feed or the end, carriage
    // returns not counted; index is left after the line feed (or on the end).
    static unsigned short calcLineLen(const char* text, unsigned short& index);
    // Index in the pattern of the place being typed (the last place when
    // the cursor stands after it); 0 without a pattern.
    unsigned short getPatternCurPos();

    const char* GetPattern() const { return pattern; }
    char GetFillSymbol() const { return fillSymbol; }

protected:
    char fillSymbol;
    char* pattern;
    unsigned short patPassiveFront;
    unsigned short patPassiveBack;
    unsigned short patActiveFront;
    unsigned short patActiveBack;
};

#endif
