// vuMenuBox: the menu as a widget inside a form. It holds its own list of
// menu items (not view children: it draws them itself in its parent's
// client coordinates), lays them out as a list or a grid in its rectangle,
// keeps one selection, scrolls by drag with kinetic motion (its vertical
// scroll bar shows where), and tells its form when an item is chosen
// (result 1) or when it wants the focus (result 3).
#ifndef VU_MENU_BOX_H
#define VU_MENU_BOX_H

#include "vuExport.h"
#include "vuMenuCore.h"
#include "vuMenuItem.h"
#include "vuWidget.h"

class vuChain;

class VU_API vuMenuBox : public vuWidget {
public:
    // type 0 list, 1 grid; options VU_MO_*. No control codes are set.
    vuMenuBox(short x, short y, unsigned short w, unsigned short h, unsigned char type, unsigned short options);
    ~vuMenuBox() override;

    _VU_TypeObject GetType() const override;
    // The screen trace (vuWidget::TraceItems).
    const char* TraceType() override;
    void TraceRows(std::string& items, int x, int y) override;
    // The widget's reset, then the layout and the selection of the marked
    // item (or item 1 with VU_MO_SELECT_FIRST).
    void Reset() override;
    int IsAnimate() override;
    int DrawItem(vuFrameBuffer* fb, vuViewPort* port) override;
    int HandleEvent(vuEvent* e) override;

    // As in vuMenu; the items go into the box's own list (-2 without one).
    virtual int AddItem(const char* text, vuImage* image, unsigned char keyChar);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font);
    virtual int AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name);
    virtual int InsertItem(const char* text, vuImage* image, unsigned char keyChar);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font);
    virtual int InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name);
    virtual void SelectOnReset(unsigned short index);
    // Deletes every item; the selected number stays until the next reset,
    // but no item is reported selected.
    virtual void Clear();
    virtual void SetItemsTransparency(unsigned char on);
    virtual void SetItemsBorder(unsigned char on);
    virtual void SetItemsActiveTransparency(unsigned char on);
    virtual void SetItemsActiveBorder(unsigned char on);
    virtual void SetItemsActiveColor(unsigned short front, unsigned short back);
    virtual void SetItemsPassiveColor(unsigned short front, unsigned short back);
    virtual vuMenuBox* SetAccelFont(unsigned short slot);
    virtual vuMenuBox* SetRowDelta(unsigned short pixels);
    virtual vuMenuBox* SetRowInterval(unsigned short pixels);
    virtual vuMenuBox* SetColumnInterval(unsigned short pixels);
    virtual vuMenuBox* SetColumns(unsigned short n);
    virtual vuMenuBox* SetMaxLines(unsigned short n);
    // Up, down, page up, page down; 0 disables one.
    virtual void SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown);
    virtual unsigned short GetRow();
    virtual unsigned short GetRowDelta();
    virtual unsigned short GetRowInterval();
    virtual unsigned short GetColumnInterval();
    virtual unsigned short GetColumns();
    virtual unsigned short GetLines();
    virtual unsigned short GetSelected();
    virtual vuMenuItem* GetSelectedObject();
    virtual MENU_ITEM_EXT* GetSelectedExt();
    // Number of items, 0 without a list.
    virtual unsigned int GetCount();

    int selectItem(unsigned short n);
    int addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                        unsigned char insert);

    // Read access for tests and the flat interface.
    unsigned short GetOptions() const { return options; }
    unsigned short GetItemWidth() const { return core.itemWidth; }
    unsigned char GetMenuType() const { return core.type; }
    vuMenuItem* GetItem(unsigned n) const { return core.item(n); } // from 1; null past the end

protected:
    unsigned short defaultFont() const;

    vuMenuCore core;
    unsigned short options;
    vuChain* items; // owned
};

#endif
