// vuMenuItem: one entry of a menu or a menu box: a text broken over one or
// more lines, an optional image, and the application's data for the entry
// kept in a MENU_ITEM_EXT record. The menu lays the items out and draws them
// through DrawMenuItem at the place it computed.
#ifndef VU_MENU_ITEM_H
#define VU_MENU_ITEM_H

#include <stdint.h>

#include "vuExport.h"
#include "vuWidget.h"

// The record by which the application describes an item. Clear the whole
// record before filling it. The item copies both texts.
struct MENU_ITEM_EXT {
    const char* text;           // text of the item, may be null
    const char* text2;          // a second text, kept but never drawn
    unsigned long tag;          // application data (on the terminal a pointer fits)
    uint32_t value;             // application data
    unsigned char selectOnReset; // non-zero: selected when the menu is reset
    unsigned char keyChar;      // non-zero: choosing posts this key instead of ending
    unsigned char noWrap;       // non-zero: lines break only at line feeds
};

class VU_API vuMenuItem : public vuWidget {
public:
    // Copies the text (null allowed), takes the image, keeps the key char.
    vuMenuItem(const char* text, vuImage* image, unsigned char keyChar);
    // Copies both texts and the scalar fields of the record (a null record
    // leaves them zero); a non-null name is set as the item's name.
    vuMenuItem(MENU_ITEM_EXT* record, vuImage* image, const char* name);
    ~vuMenuItem() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    unsigned short TraceTextColor() override;

    // The item's own record; its texts point at the item's copies.
    virtual MENU_ITEM_EXT* GetExtData();
    // Length of the text line that begins at start, breaking after at most
    // limit characters (at a space or punctuation when there is one, unless
    // the item has no wrap); next receives where the following line begins,
    // 0 after the last. 0 when there is no text there (next unchanged).
    virtual unsigned short GetLine(unsigned short start, unsigned short& next, unsigned short limit);
    virtual unsigned short GetImageHeight();
    virtual unsigned short GetImageWidth();
    virtual const char* GetText();
    // The old image is destroyed, the new one taken.
    virtual void SetImage(vuImage* image);
    // Null leaves the text; otherwise the text is replaced by a copy.
    virtual void SetText(const char* text);
    virtual void SetTag(long tag);
    virtual void SelectOnReset();
    virtual void UnSelectOnReset();
    // Draws the item into (x, y, w, h): type 0 a list row (image left of the
    // text, indent pixels kept free at the left), type 1 a grid cell (image
    // above the text). 0, the first negative drawing result, or -4 without a
    // frame buffer.
    virtual int DrawMenuItem(vuFrameBuffer* fb, vuViewPort* port, unsigned short indent, short x, short y,
                             unsigned short w, unsigned short h, unsigned short lines, unsigned char type);

    // Where the next line really starts: line feeds (and the carriage
    // returns before them) at pos are skipped, so that an empty line is not
    // drawn as a glyph.
    unsigned short SkipLineFeeds(unsigned short pos) const;

private:
    void init(const char* text, const char* text2);
    int drawLines(vuFrameBuffer* fb, vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                  unsigned short lines, bool centre, unsigned short colour);

    MENU_ITEM_EXT ext;
};

#endif
