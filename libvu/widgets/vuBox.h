// vuBox: the list machinery shared by the check-box and radio lists: a
// vertical, scrollable list of vuBoxItem rows, each with a check mark, an
// optional picture and text, driven by keys and by touch. vuCheckBox and
// vuRadio decide what checking an item means and what the value is.
#ifndef VU_BOX_H
#define VU_BOX_H

#include "vuExport.h"
#include "vuWidget.h"

class vuChain;
class vuImage;

class VU_API vuBox : public vuWidget {
public:
    // Takes the check and uncheck images.
    vuBox(short x, short y, unsigned short w, unsigned short h, vuImage* check, vuImage* uncheck);
    ~vuBox() override;

    // Clears every check and the current item; computes the row pitch and
    // the scroll range.
    void Reset() override;
    int IsAnimate() override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    int HandleEvent(vuEvent* e) override;

    // Makes item n (from 1) current and scrolls it into view; 2 when the
    // current item changed, else 0.
    virtual int selectItem(unsigned short n);
    // 2 when done, 0 for a number outside 1..count.
    virtual int checkItem(unsigned short n) = 0;
    virtual void SetMaxLines(unsigned short lines);
    // Up, down, page up, page down (0 = none).
    virtual void SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown);
    virtual void SetCheckImage(vuImage* image);
    virtual void SetUncheckImage(vuImage* image);
    // Appends a row (the picture is taken); its position, -5 without a chain.
    virtual int AddItem(const char* text, vuImage* picture);
    virtual unsigned int GetSelected() = 0;
    virtual void SetValue(unsigned int value) = 0;

    // Read access for tests and the flat interface.
    unsigned short GetItemHeight() const { return itemHeight; }
    unsigned short GetCurrent() const { return current; }
    unsigned short GetMaxLines() const { return linesPerItem; }
    unsigned int GetCount() const;
    class vuBoxItem* GetItem(unsigned short n) const; // from 1
    // The screen trace's rows of the list (vuWidget::TraceRows of the check
    // box and the radio list), placed as the list draws them.
    void TraceListRows(std::string& items, int x, int y);
    // Width of the rows: the scroll bar, when shown, and the column left
    // of it stay clear of them, and so does the right border.
    int GetRowWidth();
    // Width of the check mark before each row's text.
    int GetMarkWidth() const;
    int GetMarkHeight() const; // the check mark's height (0 without one)
    // The colour row n (from 1) is drawn in: the current row's active
    // colour, every other row's passive one, focused or not.
    unsigned short GetRowColor(unsigned n) const;

protected:
    vuChain* items;
    vuImage* checkImage;
    vuImage* uncheckImage;
    unsigned short itemHeight;
    unsigned short current;
    unsigned short linesPerItem;
    unsigned char codeUp;
    unsigned char codeDown;
    unsigned char codePageUp;
    unsigned char codePageDown;
};

#endif
