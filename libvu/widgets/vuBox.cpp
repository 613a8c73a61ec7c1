#include "vuBox.h"

#include <new>

#include "vuBoxItem.h"
#include "vuChain.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuKeyboard.h"
#include "vuTouchPad.h"
#include "vuUI.h"
#include "vuViewContainerObject.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

namespace {

// keyMask bit the keypad sets while the function key is held.
const uint32_t kFunctionHeld = 0x4000;

}

vuBox::vuBox(short x_, short y_, unsigned short w, unsigned short h, vuImage* check, vuImage* uncheck)
    : vuWidget(x_, y_, w, h),
      items(new (std::nothrow) vuChain),
      checkImage(check),
      uncheckImage(uncheck),
      itemHeight(0),
      current(0),
      linesPerItem(1),
      codeUp(0),
      codeDown(0),
      codePageUp(0),
      codePageDown(0)
{
    flags |= VU_WF_SCROLL_Y | VU_WF_FOCUSABLE;
    font = 1;
}

vuBox::~vuBox()
{
    delete items;
    items = nullptr;
    vuReplaceImage(checkImage, nullptr);
    vuReplaceImage(uncheckImage, nullptr);
}

unsigned int vuBox::GetCount() const
{
    return items ? items->GetCount() : 0;
}

vuBoxItem* vuBox::GetItem(unsigned short n) const
{
    if (!items || n == 0 || n > items->GetCount())
        return nullptr;
    return static_cast<vuBoxItem*>(items->GetByNum(static_cast<uint16_t>(n - 1)));
}

void vuBox::SetMaxLines(unsigned short lines)
{
    linesPerItem = lines;
}

void vuBox::SetControlCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown)
{
    codeUp = up;
    codeDown = down;
    codePageUp = pageUp;
    codePageDown = pageDown;
}

void vuBox::SetCheckImage(vuImage* image)
{
    vuReplaceImage(checkImage, image);
}

void vuBox::SetUncheckImage(vuImage* image)
{
    vuReplaceImage(uncheckImage, image);
}

int vuBox::AddItem(const char* t, vuImage* picture)
{
    if (!items)
        return -5;
    vuBoxItem* item = new (std::nothrow) vuBoxItem(t, picture);
    if (!item)
        return -2;
    int r = items->Add(item);
    if (r < 0)
        delete item;
    return r;
}

void vuBox::Reset()
{
    vuWidget::Reset();
    current = 0;
    int h = checkImage ? checkImage->GetHeight() : 0;
    int f = vuUI::GetFontHeight(font);
    unsigned int n = GetCount();
    for (unsigned int i = 1; i <= n; ++i) {
        vuBoxItem* item = GetItem(static_cast<unsigned short>(i));
        item->Check(0);
        if (item->GetHeight() > h)
            h = item->GetHeight();
    }
    int lines = f * linesPerItem;
    itemHeight = static_cast<unsigned short>((h > lines ? h : lines) + 2);
    // A list taller than a range can hold scrolls as far as the range goes;
    // one that fits keeps its negative range.
    const int range = static_cast<int>(itemHeight) * static_cast<int>(n) - height;
    scrollY.range = static_cast<short>(range > 0x7FFF ? 0x7FFF : range);
}

int vuBox::IsAnimate()
{
    int r = 0;
    unsigned int n = GetCount();
    for (unsigned int i = 1; i <= n; ++i)
        r |= GetItem(static_cast<unsigned short>(i))->IsAnimate();
    return r;
}

int vuBox::selectItem(unsigned short n)
{
    if (!items || n == current)
        return 0;
    current = n;
    if (scrollY.range <= 0)
        return 2;
    if (n == 0) {
        scrollY.offset = 0;
        return 2;
    }
    int top = (n - 1) * itemHeight;
    int bottom = n * itemHeight;
    if (top < scrollY.offset)
        scrollY.offset = static_cast<unsigned short>(top);
    else if (scrollY.offset + height < bottom)
        scrollY.offset = static_cast<unsigned short>(bottom - height);
    return 2;
}

int vuBox::GetRowWidth()
{
    // The bar is drawn two columns wide, three from the right edge.
    unsigned short bar = GetScrollBarYWidth();
    return bar ? width - bar - 2 : IsBorder() ? width - 1 : width;
}

unsigned short vuBox::GetRowColor(unsigned n) const
{
    return n == current ? activeFront : passiveFront;
}

int vuBox::GetMarkWidth() const
{
    return checkImage ? checkImage->GetWidth() : 0;
}

int vuBox::GetMarkHeight() const
{
    return checkImage ? checkImage->GetHeight() : 0;
}

int vuBox::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -4;
    if (!items)
        return -2;
    int ih = checkImage ? checkImage->GetHeight() : 0;
    int iw = checkImage ? checkImage->GetWidth() : 0;
    int W = GetRowWidth();
    int H = itemHeight;
    int b = ih < H - 2 ? (H - ih - 2) / 2 : 0;
    int off = scrollY.offset;
    int result = 0;
    unsigned int n = GetCount();
    for (unsigned int i = 0; i < n; ++i) {
        int t = y + static_cast<int>(i) * H - off;
        if (off < static_cast<int>(i + 1) * H - 2) {
            vuBoxItem* item = GetItem(static_cast<unsigned short>(i + 1));
            unsigned short colour = GetRowColor(i + 1);
            vuImage* mark = item->IsChecked() ? checkImage : uncheckImage;
            if (mark && W > 2 && H - b - 2 > 0) {
                mark->SetColor(colour);
                mark->Draw(fb, port, 0, 0, static_cast<short>(x + 2), static_cast<short>(t + b + 1),
                           static_cast<unsigned short>(W - 2), static_cast<unsigned short>(H - b - 2));
            }
            if (W - iw - 3 > 0 && H > 2)
                result = item->Draw(fb, port, static_cast<short>(x + iw + 3), static_cast<short>(t + 1),
                                    static_cast<unsigned short>(W - iw - 3), static_cast<unsigned short>(H - 2),
                                    linesPerItem, font, colour);
        }
        if (static_cast<int>(i + 1) * H + 1 >= off + height)
            break;
    }
    return result;
}

int vuBox::HandleEvent(vuEvent* e)
{
    if (!e || !items)
        return 0;
    int result = 0;
    bool motion = false;
    short px, py;
    if (!e->handled && e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
        bool inside = hitTest(e, px, py);
        if (inside) {
            unsigned g = e->gesture & 0x3F;
            int n = 0;
            bool focusWanted = false;
            if (g == 0) {
                if (e->phase == VU_PHASE_UP && !IsActive())
                    focusWanted = true;
            } else if (g == VU_GESTURE_UP || g == VU_GESTURE_DOWN) {
                result = vuTouchPad::CorrectMotion(g == VU_GESTURE_UP ? 1 : -1, scrollY.range, scrollY.offset,
                                                   scrollY.speed, scrollY.count);
                motion = true;
            } else if (g == VU_GESTURE_TAP) {
                // No row pitch before the first Reset: nothing to hit.
                if (itemHeight)
                    n = (scrollY.offset + py - y) / itemHeight + 1;
                if (n < 1 || n > static_cast<int>(GetCount()))
                    n = 0;
                if (!IsActive())
                    focusWanted = true;
            }
            if (n) {
                int r = selectItem(static_cast<unsigned short>(n));
                if (r && !focusWanted)
                    result = r;
            }
            // Only a tap on a row toggles: a tap below the last row leaves
            // the current item as it is.
            if (e->phase == VU_PHASE_UP && (e->gesture & VU_GESTURE_TAP) && current && n) {
                checkItem(current);
                scrollY.speed = 0;
                if (result == 0)
                    result = 2;
                motion = true;
            }
            if (focusWanted) {
                result = 3;
                e->handled = 1;
            }
        }
    }
    if (!motion) {
        int r = vuTouchPad::CorrectMotion(0, scrollY.range, scrollY.offset, scrollY.speed, scrollY.count);
        if (result == 0)
            result = r;
    } else if (!IsActive()) {
        result = 3;
        e->handled = 1;
    }

    if (!IsActive() || !e->key)
        return result;
    unsigned char k = e->key;
    bool focused = (flags & VU_WF_FOCUSED) != 0;
    auto alone = [e](unsigned char code) {
        return (e->keyMask & ~vuKeyboard::GetKeyMask(static_cast<char>(code))) == 0;
    };
    bool fn = (e->keyMask & kFunctionHeld) != 0;
    unsigned int count = GetCount();
    int rows = itemHeight ? height / itemHeight : 0;
    int r;
    if (k == 13 || (focused && k == '5')) {
        r = current ? checkItem(current) : selectItem(1);
    } else if ((focused && k == '2') || (codeUp && k == codeUp && alone(codeUp))) {
        r = selectItem(current <= 1 ? 1 : static_cast<unsigned short>(current - 1));
    } else if ((focused && k == '8') || (codeDown && k == codeDown && alone(codeDown))) {
        r = current < count ? selectItem(static_cast<unsigned short>(current + 1)) : 0;
    } else if ((codeUp && k == codeUp && fn) || (focused && k == '1') || (codePageUp && k == codePageUp)) {
        if (!current)
            r = selectItem(1);
        else if (current > 1)
            r = selectItem(current > rows + 1 ? static_cast<unsigned short>(current - rows) : 1);
        else
            r = 0;
    } else if ((codeDown && k == codeDown && fn) || (focused && k == '7') || (codePageDown && k == codePageDown)) {
        if (!current) {
            r = selectItem(1);
        } else if (current < count) {
            unsigned int to = current + rows;
            r = selectItem(static_cast<unsigned short>(to < count ? to : count));
        } else {
            r = 0;
        }
    } else {
        return result;
    }
    // A key the list acted on is not also the form's (a focus move, say).
    if (r)
        e->handled = 1;
    return r;
}

// ---- the screen trace ----------------------------------------------------

void vuBox::TraceListRows(std::string& items, int x, int y)
{
    const int H = GetItemHeight();
    const int W = GetRowWidth();
    const int mark = GetMarkWidth();
    const int markH = GetMarkHeight();
    const int off = GetScrollY().offset;
    const unsigned n = GetCount();
    for (unsigned i = 0; i < n && H > 0; ++i) {
        const int t = static_cast<int>(i) * H - off;
        if (t + H <= 0 || t >= GetHeight())
            continue;
        vuBoxItem* item = GetItem(static_cast<unsigned short>(i + 1));
        // the row's text, right of its check mark, as the list draws it;
        // the mark at its full size and the room the list draws it in
        const int b = markH < H - 2 ? (H - markH - 2) / 2 : 0;
        vuTraceItem row("row", x + mark + 3, y + t, W - mark - 3, H);
        row.Num("fg", GetRowColor(i + 1))
            .Label(item ? item->GetText() : "", GetFontIndex())
            .Rect("clip", x, y, GetWidth(), GetHeight());
        if (mark > 0 && W > 2 && H - b - 2 > 0)
            row.Rect("mark", x + 2, y + t + b + 1, mark, markH).Rect("markroom", x + 2, y + t + b + 1, W - 2, H - b - 2);
        row.AppendTo(items);
    }
}
