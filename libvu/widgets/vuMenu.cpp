#include "vuMenu.h"

#include <string.h>

#include <new>

#include "osal.h"
#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuTouchPad.h"
#include "vuViewPort.h"

vuMenu::vuMenu(const char* title, vuImage* headerImage, unsigned char type)
    : vuForm(title, headerImage), scroll{0, 0, 0, 0}, core(type, &scroll, nullptr)
{
    options = VU_FO_HEADER | VU_MO_SELECT_FIRST;
    setup();
}

vuMenu::vuMenu(unsigned char type) : vuForm(), scroll{0, 0, 0, 0}, core(type, &scroll, nullptr)
{
    options = VU_MO_SELECT_FIRST;
    setup();
}

void vuMenu::setup()
{
    core.items = chain;
    backColor = vuColor::cMenu[3];
    frontColor = vuColor::cMenu[2];
    headerBackColor = vuColor::cMenu[1];
    headerFrontColor = vuColor::cMenu[0];
    UpdateCoordinates();
    initControlCodes();
}

vuMenu::~vuMenu() {}

_VU_TypeObject vuMenu::GetType() const
{
    return VU_TYPE_MENU;
}

void vuMenu::initControlCodes()
{
    char model[OS_REG_VALUE_MAX];
    model[0] = 0;
    if (OsRegGetValue("ro.fac.pn", model) < 0)
        model[0] = 0;
    if (strncmp(model, "D200", 4) == 0)
        SetControlCodes(59, 60, 0, 0);
    else
        SetControlCodes(103, 108, 0, 0);
}

void vuMenu::SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown)
{
    core.codes[0] = up;
    core.codes[1] = down;
    core.codes[2] = pageUp;
    core.codes[3] = pageDown;
}

void vuMenu::Reset()
{
    vuForm::Reset();
    core.beginReset();
    if (!GetCount())
        return;
    UpdateCoordinates();
    core.layout(clientWidth, clientHeight, options);
}

int vuMenu::DrawWidgets(vuFrameBuffer* fb)
{
    if (!fb || !chain)
        return -1;
    // The client area, in client coordinates, clipped by every container.
    vuViewPort port{0, 0, clientWidth, clientHeight, 0, 0};
    GetViewPort(&port);
    if (!vuViewPort::IsExist(&port))
        return 0;
    return core.draw(fb, &port, 0, 0, clientWidth, clientHeight, options);
}

int vuMenu::HandleEvent(vuEvent* e)
{
    if (!e || !chain || !chain->GetCount())
        return 0;
    int result = 0;
    bool motion = false;
    const unsigned N = chain->GetCount();

    if (e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
        // The close icon, where the header draws it.
        if (e->phase == VU_PHASE_UP && (options & VU_FO_CANCEL) && !(options & VU_FO_NO_CLOSE) && hitsCloseIcon(e))
            return -1;
        int16_t px = static_cast<int16_t>(e->x), py = static_cast<int16_t>(e->y);
        if (ConvertPoint(px, py)) {
            const unsigned g = e->gesture & 0x3F;
            unsigned short n = 0;
            if ((g == 0 && e->phase != VU_PHASE_UP) || g == VU_GESTURE_TAP) {
                n = core.hit(px, py);
                if (n) {
                    int r = selectItem(n);
                    if (r)
                        result = r;
                }
            } else if (g == VU_GESTURE_UP || g == VU_GESTURE_DOWN) {
                if (!(options & VU_MO_NO_DRAG)) {
                    result = vuTouchPad::CorrectMotion(g == VU_GESTURE_UP ? 1 : -1, scroll.range, scroll.offset,
                                                       scroll.speed, scroll.count);
                    motion = true;
                }
            }
            if (e->phase == VU_PHASE_UP && (e->gesture & VU_GESTURE_TAP) && n && n == core.selected) {
                if (!(options & VU_MO_TAP_SELECTS)) {
                    int r = core.choose();
                    if (r)
                        result = r;
                }
                scroll.speed = 0;
                motion = true;
            }
        }
    }

    if (!motion) {
        int r = vuTouchPad::CorrectMotion(0, scroll.range, scroll.offset, scroll.speed, scroll.count);
        if (!result)
            result = r;
    }

    const unsigned char k = e->key;
    if (k) {
        if ((options & VU_MO_DIGITS) && N <= 9 && k >= '1' && k <= '9') {
            // Digit choosing: no key char is posted on this path.
            if (static_cast<unsigned>(k - '0') <= N) {
                selectItem(static_cast<unsigned short>(k - '0'));
                result = 1;
            }
        } else {
            unsigned short target = 0;
            if (k == 27 && (options & VU_FO_CANCEL)) {
                result = -1;
            } else {
                switch (core.keyAction(k, e->keyMask, clientHeight, options, false, true, target)) {
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
            if (!e->handled) {
                int c = processCloseControlCode(e);
                if (c)
                    result = c;
            }
        }
    }

    if (IsTimeOut())
        result = VU_FORM_TIMEOUT;
    return result;
}

int vuMenu::selectItem(unsigned short n)
{
    return core.selectItem(n, clientHeight);
}

unsigned short vuMenu::defaultFont() const
{
    return core.type == VU_MENU_GRID ? 0 : 2;
}

int vuMenu::addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                            unsigned char insert)
{
    if (!record) {
        core.afterAdd(false, options, clientHeight);
        return -1;
    }
    vuMenuItem* it = new (std::nothrow) vuMenuItem(record, image, name);
    if (!it)
        return -2;
    core.prepareItem(it, font);
    int result = insert ? Insert(it) : Add(it);
    if (result < 0) {
        // Not taken: the item (and the image it took) goes.
        delete it;
        return result;
    }
    core.afterAdd(insert != 0, options, clientHeight);
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

int vuMenu::AddItem(const char* text, vuImage* image, unsigned char keyChar)
{
    return AddItem(text, image, keyChar, defaultFont());
}

int vuMenu::AddItem(const char* text, vuImage* image, unsigned char keyChar, unsigned short font)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = shortRecord(text, keyChar);
    return addItemInternal(&rec, image, font, nullptr, 0);
}

int vuMenu::AddItemExt(MENU_ITEM_EXT* record, vuImage* image)
{
    return addItemInternal(record, image, defaultFont(), nullptr, 0);
}

int vuMenu::AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font)
{
    return addItemInternal(record, image, font, nullptr, 0);
}

int vuMenu::AddItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name)
{
    return addItemInternal(record, image, font, name, 0);
}

int vuMenu::InsertItem(const char* text, vuImage* image, unsigned char keyChar)
{
    return InsertItem(text, image, keyChar, defaultFont());
}

int vuMenu::InsertItem(const char* text, vuImage* image, unsigned char keyChar, unsigned short font)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = shortRecord(text, keyChar);
    return addItemInternal(&rec, image, font, nullptr, 1);
}

int vuMenu::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image)
{
    return addItemInternal(record, image, defaultFont(), nullptr, 1);
}

int vuMenu::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font)
{
    return addItemInternal(record, image, font, nullptr, 1);
}

int vuMenu::InsertItemExt(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name)
{
    return addItemInternal(record, image, font, name, 1);
}

void vuMenu::SelectOnReset(unsigned short index)
{
    core.selectOnReset(index);
}

#define VU_MENU_FOR_ITEMS(call)                                                                             \
    for (unsigned n = 1; n <= core.count(); ++n)                                                            \
    core.item(n)->call

void vuMenu::SetItemsTransparency(unsigned char on)
{
    VU_MENU_FOR_ITEMS(SetTransparency(on));
}

void vuMenu::SetItemsBorder(unsigned char on)
{
    VU_MENU_FOR_ITEMS(SetBorder(on));
}

void vuMenu::SetItemsActiveTransparency(unsigned char on)
{
    VU_MENU_FOR_ITEMS(SetActiveTransparency(on));
}

void vuMenu::SetItemsActiveBorder(unsigned char on)
{
    VU_MENU_FOR_ITEMS(SetActiveBorder(on));
}

void vuMenu::SetItemsActiveColor(unsigned short front, unsigned short back)
{
    VU_MENU_FOR_ITEMS(SetActiveColor(front, back));
}

void vuMenu::SetItemsPassiveColor(unsigned short front, unsigned short back)
{
    VU_MENU_FOR_ITEMS(SetPassiveColor(front, back));
}

#undef VU_MENU_FOR_ITEMS

vuMenu* vuMenu::SetAccelFont(unsigned short slot)
{
    core.accelFont = static_cast<short>(slot);
    return this;
}

vuMenu* vuMenu::SetRowDelta(unsigned short pixels)
{
    core.rowDelta = pixels;
    return this;
}

vuMenu* vuMenu::SetRowInterval(unsigned short pixels)
{
    core.rowInterval = pixels;
    return this;
}

vuMenu* vuMenu::SetColumnInterval(unsigned short pixels)
{
    core.columnInterval = pixels;
    return this;
}

vuMenu* vuMenu::SetColumns(unsigned short n)
{
    if (core.type == VU_MENU_GRID)
        core.columns = n;
    return this;
}

vuMenu* vuMenu::SetMaxLines(unsigned short n)
{
    core.maxLines = static_cast<short>(n);
    return this;
}

unsigned short vuMenu::GetRow()
{
    return core.row;
}

unsigned short vuMenu::GetRowDelta()
{
    return core.rowDelta;
}

unsigned short vuMenu::GetRowInterval()
{
    return core.rowInterval;
}

unsigned short vuMenu::GetColumnInterval()
{
    return core.columnInterval;
}

unsigned short vuMenu::GetColumns()
{
    return core.columns;
}

unsigned short vuMenu::GetLines()
{
    return core.lines;
}

unsigned short vuMenu::GetSelected()
{
    return core.selected;
}

vuMenuItem* vuMenu::GetSelectedObject()
{
    return core.item(core.selected);
}

MENU_ITEM_EXT* vuMenu::GetSelectedExt()
{
    vuMenuItem* it = core.item(core.selected);
    return it ? it->GetExtData() : nullptr;
}
