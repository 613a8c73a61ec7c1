#include "vuMenuBox.h"

#include <new>

#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuTrace.h"
#include "vuMenuItem.h"

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
    const vuMenuCore::Select select = [this](unsigned short n) { return selectItem(n); };
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
            // A press or a tap (not a drag) asks for the focus first; the
            // selection's and the choice's answers come after it.
            const unsigned g = e->gesture & 0x3F;
            if (g == 0 || g == VU_GESTURE_TAP)
                askFocus();
            motion = core.touch(e, px - x, py - y, options, result, select);
        }
    }

    if (!motion)
        core.glide(result);
    else if (result != 1)
        askFocus();

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
            result = core.applyKey(k, e->keyMask, height, options, true, focused, result, select);
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
    return core.defaultFont();
}

int vuMenuBox::addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                               unsigned char insert)
{
    return core.addItem(record, image, font, name, insert != 0, options, height, [this, insert](vuMenuItem* it) {
        return items ? (insert ? items->Insert(it) : items->Add(it)) : -2;
    });
}

int vuMenuBox::AddItem(const char* text, vuImage* image, unsigned char keyChar)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = vuMenuCore::shortRecord(text, keyChar);
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
    MENU_ITEM_EXT rec = vuMenuCore::shortRecord(text, keyChar);
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

void vuMenuBox::SetItemsTransparency(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetTransparency(on); });
}

void vuMenuBox::SetItemsBorder(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetBorder(on); });
}

void vuMenuBox::SetItemsActiveTransparency(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveTransparency(on); });
}

void vuMenuBox::SetItemsActiveBorder(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveBorder(on); });
}

void vuMenuBox::SetItemsActiveColor(unsigned short front, unsigned short back)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveColor(front, back); });
}

void vuMenuBox::SetItemsPassiveColor(unsigned short front, unsigned short back)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetPassiveColor(front, back); });
}

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
    core.setCodes(up, down, pageUp, pageDown);
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

// ---- the screen trace ----------------------------------------------------

const char* vuMenuBox::TraceType() { return "menubox"; }

void vuMenuBox::TraceRows(std::string& items, int x, int y)
{
    if (GetMenuType() != VU_MENU_LIST)
        return;
    const int row = GetRow();
    const int pitch = row + GetRowInterval();
    const int off = GetScrollY().offset;
    const int w = GetWidth() - GetScrollBarYWidth() - 2;
    for (unsigned n = 1; n <= GetCount(); ++n) {
        vuMenuItem* it = GetItem(n);
        const int top = static_cast<int>(n - 1) * pitch - off;
        if (!it || top + row <= 0 || top >= GetHeight())
            continue; // not drawn
        vuTraceItem("row", x + 1, y + top, w, row)
            .Str("name", it->GetName())
            .Num("fg", it->TraceTextColor())
            .Label(it->GetText(), it->GetFontIndex())
            .Rect("clip", x, y, GetWidth(), GetHeight())
            .AppendTo(items);
    }
}
