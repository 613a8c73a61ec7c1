// vuMenu: a modal form whose children are menu items, laid out as a list
// (type 0) or a grid (type 1). One item is selected; the keypad and the touch
// panel move the selection, a drag scrolls with kinetic motion, and choosing
// an item ends the form with state 1 or, for an item with a key char, posts
// that char as the next key and leaves the menu shown.
//
// The menu handles its events itself: the focus moves, OK and cancel codes
// and child handling of a plain form do not apply to it. Its option bits are
// those of the form (header, cancel, no close icon) and VU_MO_* above 0x100.
#ifndef VU_MENU_H
#define VU_MENU_H

#include "vuExport.h"
#include "vuForm.h"
#include "vuMenuCore.h"
#include "vuMenuItem.h"
#include "vuWidget.h"

class VU_API vuMenu : public vuForm {
public:
    // With a header (title and header image, taken); type 0 list, 1 grid.
    vuMenu(const char* title, vuImage* headerImage, unsigned char type);
    // Without a header.
    explicit vuMenu(unsigned char type);
    ~vuMenu() override;

    _VU_TypeObject GetType() const override;
    // Up 103 and down 108, or 59 and 60 when the terminal model ("ro.fac.pn")
    // begins with "D200"; no page codes.
    void initControlCodes() override;
    // Here the four codes are up, down, page up and page down; 0 disables one.
    void SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp,
                         unsigned char pageDown) override;
    // Lays the items out and selects the marked item (or item 1 with
    // VU_MO_SELECT_FIRST); the scroll goes back to the top.
    void Reset() override;
    int DrawWidgets(vuFrameBuffer* fb) override;
    int HandleEvent(vuEvent* e) override;

    // 0 when n is selected already or has no item, else 2.
    virtual int selectItem(unsigned short n);
    // Makes an item of the record and appends it (or puts it first). -1 for
    // a null record; the item's position, 0 for an insert, -2 when refused.
    virtual int addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                                unsigned char insert);
    // -1 when both text and image are null. The font defaults to slot 2 in
    // a list and slot 0 in a grid.
    virtual int AddItem(const char* text, vuImage* image, unsigned char keyChar);
    virtual int AddItem(const char* text, vuImage* image, unsigned char keyChar, unsigned short font);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name);
    virtual int InsertItem(const char* text, vuImage* image, unsigned char keyChar);
    virtual int InsertItem(const char* text, vuImage* image, unsigned char keyChar, unsigned short font);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name);
    // Marks the item at this 0-based index (and no other) to be selected on
    // reset; nothing happens without such an item.
    virtual void SelectOnReset(unsigned short index);
    // Applied to every item present now.
    virtual void SetItemsTransparency(unsigned char on);
    virtual void SetItemsBorder(unsigned char on);
    virtual void SetItemsActiveTransparency(unsigned char on);
    virtual void SetItemsActiveBorder(unsigned char on);
    virtual void SetItemsActiveColor(unsigned short front, unsigned short back);
    virtual void SetItemsPassiveColor(unsigned short front, unsigned short back);
    // Stored; they take effect at the next reset or drawing.
    virtual vuMenu* SetAccelFont(unsigned short slot);
    virtual vuMenu* SetRowDelta(unsigned short pixels);
    virtual vuMenu* SetRowInterval(unsigned short pixels);
    virtual vuMenu* SetColumnInterval(unsigned short pixels);
    // Only in a grid; a list keeps one column.
    virtual vuMenu* SetColumns(unsigned short n);
    virtual vuMenu* SetMaxLines(unsigned short n);
    virtual unsigned short GetRow();
    virtual unsigned short GetRowDelta();
    virtual unsigned short GetRowInterval();
    virtual unsigned short GetColumnInterval();
    virtual unsigned short GetColumns();
    virtual unsigned short GetLines();
    // 1-based number of the selected item, 0 when none.
    virtual unsigned short GetSelected();
    virtual vuMenuItem* GetSelectedObject();
    virtual MENU_ITEM_EXT* GetSelectedExt();

    // Read access for tests and the flat interface.
    unsigned char GetMenuType() const { return core.type; }
    unsigned short GetItemWidth() const { return core.itemWidth; }
    const vuScrollState& GetScroll() const { return scroll; }
    unsigned char GetMenuControlCode(unsigned i) const { return i < 4 ? core.codes[i] : 0; }

protected:
    // The rows (cells) of items that are not transparent fill themselves:
    // the body is left out under them.
    void FillBody(vuFrameBuffer* fb, vuViewPort* port) override;
    unsigned short defaultFont() const;
    void setup();

    vuScrollState scroll;
    vuMenuCore core;
};

#endif
