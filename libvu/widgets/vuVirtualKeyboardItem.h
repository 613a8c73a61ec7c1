// vuVirtualKeyboardItem: one layout of the on-screen keyboard: up to six rows
// of keys in three states (normal, caps lock, shift), a font for the key
// labels and a name shown on the next-layout key.
//
// A row text lists the keys from left to right, one byte per key unit; a run
// of equal bytes is one key as wide as the run. Bytes 1 (hide), 8
// (backspace), 13 (enter), 16 (caps lock), 17 (shift), 18 (next layout) and
// 32 (space) are keys of their own; every other byte types itself.
#ifndef VU_VIRTUAL_KEYBOARD_ITEM_H
#define VU_VIRTUAL_KEYBOARD_ITEM_H

#include "vuExport.h"
#include "vuObject.h"

class VU_API vuVirtualKeyboardItem : public vuObject {
public:
    enum { MAX_ROWS = 6, ROW_HEIGHT = 20 };

    // No rows; the name is copied when not null.
    vuVirtualKeyboardItem(unsigned short font, const char* name);
    ~vuVirtualKeyboardItem() override;

    const char* GetName() const override;

    // Adds a row when fewer than six exist and at least one text is not
    // null; each non-empty text is copied, the others stay null.
    void AddRow(const char* codes, const char* capsCodes, const char* shiftCodes);
    unsigned short GetRowCount() const { return rowCount; }
    unsigned short GetRowHeight(unsigned short row) const;
    // Row count times row height.
    unsigned short GetHeight() const;
    // The row's text, null for a missing one or a row past the count.
    const char* GetCodes(unsigned short row) const;
    const char* GetCapsCodes(unsigned short row) const;
    const char* GetShiftCodes(unsigned short row) const;
    unsigned short GetFontIndex() const { return font; }

private:
    unsigned short font;
    unsigned short rowCount;
    unsigned short rowHeight;
    char* name;
    char* codes[MAX_ROWS];
    char* capsCodes[MAX_ROWS];
    char* shiftCodes[MAX_ROWS];
};

#endif
