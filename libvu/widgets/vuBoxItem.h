// vuBoxItem: one row of a check-box or radio list: a checked flag, an
// optional picture and a text of one or more lines.
#ifndef VU_BOX_ITEM_H
#define VU_BOX_ITEM_H

#include "vuExport.h"
#include "vuObject.h"

class vuFrameBuffer;
class vuImage;
struct vuViewPort;

class VU_API vuBoxItem : public vuObject {
public:
    // Copies the text (null: none) and takes the picture.
    vuBoxItem(const char* text, vuImage* picture);
    ~vuBoxItem() override;

    // Length of the display line that begins at `start`; `next` is where the
    // following one begins, 0 at the end of the text. Word-wrapping mode
    // breaks after a separator (the line keeps it, a space is dropped) or
    // cuts a long word at `columns`; line mode breaks only at line feeds.
    virtual unsigned short GetLine(unsigned short start, unsigned short& next, unsigned short columns);
    // 0 word wrapping, otherwise lines break only at line feeds.
    virtual void SetLineMode(unsigned char mode);
    virtual void Reset();
    // The picture's height (the text does not count).
    virtual unsigned short GetHeight();
    virtual int IsAnimate();
    virtual unsigned char IsChecked();
    virtual void Check(unsigned char on);
    // Picture (centred vertically) and text after it; -4 without a frame
    // buffer, else the last text drawing's result.
    virtual int Draw(vuFrameBuffer* fb, vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                     unsigned short lines, unsigned short font, unsigned short colour);

    const char* GetText() const { return text; }
    vuImage* GetPicture() const { return picture; }

private:
    vuImage* picture;
    char* text;
    unsigned char checked;
    unsigned char lineMode;
};

#endif
