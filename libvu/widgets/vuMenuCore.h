// vuMenuCore: what a menu (a form of its own) and a menu box (a widget in a
// form) share: the layout of their items as a list or a grid, the single
// selection and how it scrolls into view, the hit test of a touch, the key
// table that moves the selection, the rule that chooses an item, and the
// drawing of the rows and cells. Its owner holds the items in a vuChain and
// keeps the option word; the core works on both through the owner.
#ifndef VU_MENU_CORE_H
#define VU_MENU_CORE_H

#include <stdint.h>

#include <functional>

#include "vuExport.h"

class vuChain;
class vuFrameBuffer;
class vuImage;
class vuMenuItem;
class vuWidget;
struct MENU_ITEM_EXT;
struct vuEvent;
struct vuScrollState;
struct vuViewPort;

// Option bits of menus and menu boxes.
enum {
    VU_MO_NO_DRAG = 0x0100,     // drag gestures do not scroll
    VU_MO_WRAP = 0x0200,        // moving past an end continues at the other end
    VU_MO_SELECT_FIRST = 0x1000, // item 1 is selected on reset (and when added)
    VU_MO_DIGITS = 0x2000,      // digits 1-9 choose items 1-9 (at most 9 items)
    VU_MO_ACCEL = 0x4000,       // digits 1-9 drawn beside the items (at most 9)
    VU_MO_TAP_SELECTS = 0x8000  // a tap selects but does not choose
};

enum { VU_MENU_LIST = 0, VU_MENU_GRID = 1 };

class vuMenuCore {
public:
    // What a key asks for.
    enum KeyAction {
        KEY_NONE,   // not a key of the table
        KEY_MOVE,   // select the target
        KEY_CHOOSE  // choose the selected item
    };

    // type: 0 list, 1 grid. scroll: the owner's vertical scroll state.
    // box: the menu box (its scroll bar narrows the rows), null for a menu.
    vuMenuCore(unsigned char type, vuScrollState* scroll, vuWidget* box);

    unsigned count() const;
    // Item n counted from 1; null when there is none.
    vuMenuItem* item(unsigned n) const;

    // The owner's way to select item n (its selectItem).
    using Select = std::function<int(unsigned short)>;
    // The owner's way to take a new item (append or insert); the position,
    // negative when refused.
    using Put = std::function<int(vuMenuItem*)>;

    // The record of an item given by text and key char only.
    static MENU_ITEM_EXT shortRecord(const char* text, unsigned char keyChar);
    // Font slot of an item added without one: 0 in a grid, 2 in a list.
    unsigned short defaultFont() const;
    // Makes an item of the record (copies, takes the image, names it),
    // prepares it and hands it to put; then afterAdd. -1 for a null record
    // (afterAdd still runs), -2 when the item cannot be made, put's negative
    // result when refused (the item and its image are deleted), else the
    // position put gave.
    int addItem(MENU_ITEM_EXT* record, vuImage* image, unsigned short fontSlot, const char* name, bool insert,
                unsigned short options, unsigned short viewHeight, const Put& put);
    // Up, down, page up, page down; 0 disables one.
    void setCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown);
    // Calls f for every item present now.
    template <class F> void forEachItem(F f) const
    {
        for (unsigned n = 1; n <= count(); ++n)
            f(item(n));
    }

    // Colours, transparency and font of a new item.
    void prepareItem(vuMenuItem* it, unsigned short fontSlot) const;
    // After an item went in: an insert at the front moves the selected
    // number along; with VU_MO_SELECT_FIRST and nothing selected, item 1 is
    // selected.
    void afterAdd(bool inserted, unsigned short options, unsigned short viewHeight);
    void selectOnReset(unsigned short index);

    // First half of a reset: no selection, no scroll, lines from max lines.
    void beginReset();
    // Second half: rows, scroll range and item width for a view of W x H,
    // lines counted from the texts when max lines is 0, every item
    // unselected, then the marked item (or item 1 with VU_MO_SELECT_FIRST)
    // selected.
    void layout(unsigned short W, unsigned short H, unsigned short options);
    // Row height, scroll range and item width for a view of W x H.
    void measure(unsigned short W, unsigned short H);

    // 0 when n is already selected or there is no item n; otherwise 2, with
    // the selected row brought into a view of height H.
    int selectItem(unsigned short n, unsigned short H);
    // The item under a point given relative to the top-left corner of the
    // view; 0 for none.
    unsigned short hit(int px, int py) const;
    // Chooses the selected item: its key char is posted as the next key
    // (result 0), or, without one, the result is 1.
    int choose() const;
    // The move a key asks for. box: the menu box's paging and its rule that
    // digit keys move only while focused (digitKeys).
    KeyAction keyAction(unsigned char key, uint32_t keyMask, unsigned short H, unsigned short options, bool box,
                        bool digitKeys, unsigned short& target) const;
    // Carries out what keyAction asks for: a move to another item sets
    // result to select's answer, choosing sets it to choose()'s when that is
    // not 0. Returns result.
    int applyKey(unsigned char key, uint32_t keyMask, unsigned short H, unsigned short options, bool box,
                 bool digitKeys, int result, const Select& select) const;
    // A finger at (px, py), relative to the view's top-left corner: a press
    // or a tap selects the item under it (result set to select's non-zero
    // answer); a drag up or down scrolls with kinetic motion (result set to
    // the motion's) unless VU_MO_NO_DRAG; lifting a tap off the selected
    // item chooses it (only selects with VU_MO_TAP_SELECTS) and stops the
    // glide. True when the scroll was driven here.
    bool touch(const vuEvent* e, int px, int py, unsigned short options, int& result, const Select& select);
    // Without a touch that drove it, the scroll glides on: result takes the
    // glide's answer when it is still 0.
    void glide(int& result);

    // Draws the items into the view (X, Y, W, H) through port; a menu also
    // draws its scroll bar. -1 without frame buffer or item list, 0 without
    // items or font, else the last item's result (a negative one stops).
    int draw(vuFrameBuffer* fb, vuViewPort* port, short X, short Y, unsigned short W, unsigned short H,
             unsigned short options);

    // Calls f(x, y, w, h) for the rectangle of each item draw fills with its
    // back colour (not transparent), as draw would lay them out in the view
    // (X, Y, W, H), clipping left to the caller; nothing when draw would
    // draw no item.
    using RowRect = std::function<void(short x, short y, unsigned short w, unsigned short h)>;
    void forEachFilledRow(vuFrameBuffer* fb, short X, short Y, unsigned short W, unsigned short H, const RowRect& f);
    unsigned short pitch() const { return static_cast<unsigned short>(row + rowInterval); }
    unsigned short effectiveColumns() const;

    unsigned char type;
    unsigned short selected;       // 1-based, 0 none
    unsigned short row;            // row height, from the layout
    unsigned short rowDelta;       // added to the text height of a row
    unsigned short rowInterval;    // between rows
    unsigned short itemWidth;      // list row or grid cell, from the layout
    unsigned short columnInterval; // between grid columns
    unsigned short columns;        // 3 in a grid, 1 in a list
    unsigned short lines;          // text lines per item, from the layout
    short maxLines;                // lines asked for; 0: as many as needed
    short accelFont;               // font slot of the accelerator digits
    unsigned char codes[4];        // up, down, page up, page down; 0 none
    vuScrollState* scroll;
    vuChain* items;                // the owner's item list (not owned)
    vuWidget* box;
};
#endif
