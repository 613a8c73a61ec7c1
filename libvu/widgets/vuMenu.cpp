#include "vuMenu.h"

#include <vector>

#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuViewPort.h"
#include "vuWidgetParts.h"

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
    if (vuIsD200Keypad())
        SetControlCodes(59, 60, 0, 0);
    else
        SetControlCodes(103, 108, 0, 0);
}

void vuMenu::SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown)
{
    core.setCodes(up, down, pageUp, pageDown);
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

void vuMenu::FillBody(vuFrameBuffer* fb, vuViewPort* port)
{
    std::vector<Rect> rows;
    vuViewPort client{0, 0, clientWidth, clientHeight, 0, 0};
    GetViewPort(&client);
    if (chain && vuViewPort::IsExist(&client)) {
        core.forEachFilledRow(fb, 0, 0, clientWidth, clientHeight, [&](short x, short y, unsigned short w,
                                                                       unsigned short h) {
            vuViewPort::Recalculate(&client, x, y, w, h);
            if (w && h)
                rows.push_back({x, y, w, h});
        });
    }
    fillBodyExcept(fb, port, rows.data(), static_cast<int>(rows.size()));
}

int vuMenu::HandleEvent(vuEvent* e)
{
    if (!e || !chain || !chain->GetCount())
        return 0;
    int result = 0;
    bool motion = false;
    const unsigned N = chain->GetCount();
    const vuMenuCore::Select select = [this](unsigned short n) { return selectItem(n); };

    if (e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
        // The close icon, where the header draws it.
        if (e->phase == VU_PHASE_UP && hitsCloseIcon(e))
            return -1;
        int16_t px = static_cast<int16_t>(e->x), py = static_cast<int16_t>(e->y);
        if (ConvertPoint(px, py))
            motion = core.touch(e, px, py, options, result, select);
    }
    if (!motion)
        core.glide(result);

    const unsigned char k = e->key;
    if (k) {
        if ((options & VU_MO_DIGITS) && N <= 9 && k >= '1' && k <= '9') {
            // Digit choosing: no key char is posted on this path.
            if (static_cast<unsigned>(k - '0') <= N) {
                selectItem(static_cast<unsigned short>(k - '0'));
                result = 1;
            }
        } else {
            if (k == 27 && (options & VU_FO_CANCEL))
                result = -1;
            else
                result = core.applyKey(k, e->keyMask, clientHeight, options, false, true, result, select);
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
    return core.defaultFont();
}

int vuMenu::addItemInternal(MENU_ITEM_EXT* record, vuImage* image, unsigned short font, const char* name,
                            unsigned char insert)
{
    return core.addItem(record, image, font, name, insert != 0, options, clientHeight,
                        [this, insert](vuMenuItem* it) { return insert ? Insert(it) : Add(it); });
}

int vuMenu::AddItem(const char* text, vuImage* image, unsigned char keyChar)
{
    return AddItem(text, image, keyChar, defaultFont());
}

int vuMenu::AddItem(const char* text, vuImage* image, unsigned char keyChar, unsigned short font)
{
    if (!text && !image)
        return -1;
    MENU_ITEM_EXT rec = vuMenuCore::shortRecord(text, keyChar);
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
    MENU_ITEM_EXT rec = vuMenuCore::shortRecord(text, keyChar);
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

void vuMenu::SetItemsTransparency(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetTransparency(on); });
}

void vuMenu::SetItemsBorder(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetBorder(on); });
}

void vuMenu::SetItemsActiveTransparency(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveTransparency(on); });
}

void vuMenu::SetItemsActiveBorder(unsigned char on)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveBorder(on); });
}

void vuMenu::SetItemsActiveColor(unsigned short front, unsigned short back)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetActiveColor(front, back); });
}

void vuMenu::SetItemsPassiveColor(unsigned short front, unsigned short back)
{
    core.forEachItem([=](vuMenuItem* it) { it->SetPassiveColor(front, back); });
}

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
