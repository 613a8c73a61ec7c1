#include "vuMenuBox.h"

#include <string.h>

#include <new>

#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuTouchPad.h"

vuMenuBox::vuMenuBox(short bx, short by, unsigned short w, unsigned short h, unsigned char type,
                     unsigned short opts)
    : vuWidget(bx, by, w, h), core(type, &scrollY, this), options(opts), items(new (std::nothrow) vuChain)
{
    core.items = items;
    flags |= VU_WF_SELECTABLE | VU_WF_FOCUSABLE | VU_WF_TRANSPARENT | VU_WF_BORDER | VU_WF_SCROLL_Y;
    passiveFront = vuColor::cForm[36];
    passiveBack = vuColor::cForm[37];
    activeFront = vuColor::cForm[38];
    activeBack = vuColor::cForm[39];
}

vuMenuBox::~vuMenuBox()
{
    core.items = nullptr;
    delete items;
    items = nullptr;
}

_VU_TypeObject vuMenuBox::GetType() const
{
    return VU_TYPE_MENU_BOX;
}

void vuMenuBox::Reset()
{
    vuWidget::Reset();
    core.beginReset();
    core.layout(width, height, options);
}

int vuMenuBox::IsAnimate()
{
    for (unsigned n = 1; n <= core.count(); ++n)
        if (int r = core.item(n)->IsAnimate())
            return r;
    return 0;
}

int vuMenuBox::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    return core.draw(fb, port, x, y, width, height, options);
}

int vuMenuBox::HandleEvent(vuEvent* e)
{
    if (!e || !core.count() || !IsSelectable())
        return 0;
    int result = 0;
    bool motion = false;
    // Asking for the focus: an inactive box answers 3 and takes the event.
    auto askFocus = [&]() {
        if (!IsActive()) {
            result = 3;
            e->handled = 1;
        }
    };

    if (!e->handled && e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
        short px, py;
        if (hitTest(e, px, py)) {
            const unsigned g = e->gesture & 0x3F;
            unsigned short n = 0;
            if ((g == 0 && e->phase != VU_PHASE_UP) || g == VU_GESTURE_TAP) {
                n = core.hit(px - x, py - y);
                askFocus();
            } else if (g == 0) {
                askFocus();
            } else if (g == VU_GESTURE_UP || g == VU_GESTURE_DOWN) {
                if (!(options & VU_MO_NO_DRAG)) {
                    result = vuTouchPad::CorrectMotion(g == VU_GESTURE_UP ? 1 : -1, scrollY.range, scrollY.offset,
                                                       scrollY.speed, scrollY.count);
                    motion = true;
                }
            }
            if (n) {
                int r = selectItem(n);
                if (r)
                    result = r;
            }
            if (e->phase == VU_PHASE_UP && (e->gesture & VU_GESTURE_TAP) && n && n == core.selected) {
                if (!(options & VU_MO_TAP_SELECTS)) {
                    int r = core.choose();
                    if (r)
                        result = r;
                }
                scrollY.speed = 0;
                motion = true;
            }
        }
    }

    if (!motion) {
        int r = vuTouchPad::CorrectMotion(0, scrollY.range, scrollY.offset, scrollY.speed, scrollY.count);
        if (!result)
            result = r;
    } else if (result != 1) {
        askFocus();
    }

    const unsigned char k = e->key;
    if (k && IsActive()) {
        const unsigned N = core.count();
        const bool focused = (flags & VU_WF_FOCUSED) != 0;
        if ((options & VU_MO_DIGITS) && N <= 9 && k >= '1' && k <= '9') {
            if (static_cast<unsigned>(k - '0') <= N) {
                int r = selectItem(static_cast<unsigned short>(k - '0'));
                if (r)
                    result = r;
                r = core.choose();
                if (r)
                    result = r;
            }
        } else {
            unsigned short target = 0;
            switch (core.keyAction(k, e->keyMask, height, options, true, focused, target)) {
            case vuMenuCore::KEY_MOVE:
                if (target != core.selected)
                    result = selectItem(target);
                break;
            case vuMenuCore::KEY_CHOOSE: {
                int r = core.choose();
                if (r)
                    result = r;
                break;
            }
            case vuMenuCore::KEY_NONE:
                break;
            }
        }
    }
    return result;
}

int vuMenuBox::selectItem(unsigned short n)
{
    return core.selectItem(n, height);
}

unsigned short vuMenuBox::defaultFont() const
{
    return core.type == VU_MENU_GRID ? 0 : 2;
}

int vuMenuBox::addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                               unsigned char insert)
{
    if (!record) {
        core.afterAdd(false, options, height);
        return -1;
    }
    vuMenuItem* it = new (std::nothrow) vuMenuItem(record, image, name);
    if (!it)
        return -2;
    core.prepareItem(it, font);
    int result = items ? (insert ? items->Insert(it) : items->Add(it)) : -2;
    if (result < 0) {
        delete it;
        return -2;
    }
    core.afterAdd(insert != 0, options, height);
    return result;
}

namespace {

MENU_ITEM_EXT shortRecord(const char* text, unsigned char keyChar)
{
    MENU_ITEM_EXT rec;
    memset(&rec, 0, sizeof rec);
    rec.text = text;
    rec.keyChar = keyChar;
    return rec;
}

} // namespace

int vuMenuBox::AddItem(const char* text, vuImage* image, unsigned char keyChar)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = shortRecord(text, keyChar);
    return addItemInternal(&rec, image, defaultFont(), nullptr, 0);
}

int vuMenuBox::AddItemExt(MENU_ITEM_EXT* record, vuImage* image)
{
    return addItemInternal(record, image, defaultFont(), nullptr, 0);
}

int vuMenuBox::AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font)
{
    return addItemInternal(record, image, font, nullptr, 0);
}

int vuMenuBox::AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name)
{
    return addItemInternal(record, image, font, name, 0);
}

int vuMenuBox::InsertItem(const char* text, vuImage* image, unsigned char keyChar)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = shortRecord(text, keyChar);
    return addItemInternal(&rec, image, defaultFont(), nullptr, 1);
}

int vuMenuBox::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image)
{
    return addItemInternal(record, image, defaultFont(), nullptr, 1);
}

int vuMenuBox::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font)
{
    return addItemInternal(record, image, font, nullptr, 1);
}

int vuMenuBox::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name)
{
    return addItemInternal(record, image, font, name, 1);
}

void vuMenuBox::SelectOnReset(unsigned short index)
{
    core.selectOnReset(index);
}

void vuMenuBox::Clear()
{
    if (items)
        items->Clear();
}

#define VU_BOX_FOR_ITEMS(call)                                                                              \
    for (unsigned n = 1; n <= core.count(); ++n)                                                            \
    core.item(n)->call

void vuMenuBox::SetItemsTransparency(unsigned char on)
{
    VU_BOX_FOR_ITEMS(SetTransparency(on));
}

void vuMenuBox::SetItemsBorder(unsigned char on)
{
    VU_BOX_FOR_ITEMS(SetBorder(on));
}

void vuMenuBox::SetItemsActiveTransparency(unsigned char on)
{
    VU_BOX_FOR_ITEMS(SetActiveTransparency(on));
}

void vuMenuBox::SetItemsActiveBorder(unsigned char on)
{
    VU_BOX_FOR_ITEMS(SetActiveBorder(on));
}

void vuMenuBox::SetItemsActiveColor(unsigned short front, unsigned short back)
{
    VU_BOX_FOR_ITEMS(SetActiveColor(front, back));
}

void vuMenuBox::SetItemsPassiveColor(unsigned short front, unsigned short back)
{
    VU_BOX_FOR_ITEMS(SetPassiveColor(front, back));
}

#undef VU_BOX_FOR_ITEMS

vuMenuBox* vuMenuBox::SetAccelFont(unsigned short slot)
{
    core.accelFont = static_cast<short>(slot);
    return this;
}

vuMenuBox* vuMenuBox::SetRowDelta(unsigned short pixels)
{
    core.rowDelta = pixels;
    return this;
}

vuMenuBox* vuMenuBox::SetRowInterval(unsigned short pixels)
{
    core.rowInterval = pixels;
    return this;
}

vuMenuBox* vuMenuBox::SetColumnInterval(unsigned short pixels)
{
    core.columnInterval = pixels;
    return this;
}

vuMenuBox* vuMenuBox::SetColumns(unsigned short n)
{
    if (core.type == VU_MENU_GRID)
        core.columns = n;
    return this;
}

vuMenuBox* vuMenuBox::SetMaxLines(unsigned short n)
{
    core.maxLines = static_cast<short>(n);
    return this;
}

void vuMenuBox::SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown)
{
    core.codes[0] = up;
    core.codes[1] = down;
    core.codes[2] = pageUp;
    core.codes[3] = pageDown;
}

unsigned short vuMenuBox::GetRow()
{
    return core.row;
}

unsigned short vuMenuBox::GetRowDelta()
{
    return core.rowDelta;
}

unsigned short vuMenuBox::GetRowInterval()
{
    return core.rowInterval;
}

unsigned short vuMenuBox::GetColumnInterval()
{
    return core.columnInterval;
}

unsigned short vuMenuBox::GetColumns()
{
    return core.columns;
}

unsigned short vuMenuBox::GetLines()
{
    return core.lines;
}

unsigned short vuMenuBox::GetSelected()
{
    return core.selected;
}

vuMenuItem* vuMenuBox::GetSelectedObject()
{
    return core.item(core.selected);
}

MENU_ITEM_EXT* vuMenuBox::GetSelectedExt()
{
    vuMenuItem* it = core.item(core.selected);
    return it ? it->GetExtData() : nullptr;
}

unsigned int vuMenuBox::GetCount()
{
    return core.count();
}
