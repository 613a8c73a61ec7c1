#include "vuMenuCore.h"

#include <string.h>

#include <new>

#include "vuChain.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuKeyboard.h"
#include "vuMenuItem.h"
#include "vuTouchPad.h"
#include "vuUI.h"
#include "vuViewPort.h"
#include "vuWidget.h"
#include "vuWidgetParts.h"

namespace {

// The key is pressed without any other key held.
bool alone(unsigned char key, uint32_t keyMask)
{
    return (keyMask & ~vuKeyboard::GetKeyMask(static_cast<char>(key))) == 0;
}

const uint32_t kPageMask = 0x4000; // the key with code 69 held
const uint32_t kEndMask = 0x2000;  // the key with code 102 held

} // namespace

vuMenuCore::vuMenuCore(unsigned char t, vuScrollState* s, vuWidget* b)
    : type(t),
      selected(0),
      row(0),
      rowDelta(16),
      rowInterval(2),
      itemWidth(0),
      columnInterval(2),
      columns(t == VU_MENU_GRID ? 3 : 1),
      lines(1),
      maxLines(t == VU_MENU_GRID ? 0 : 1),
      accelFont(1),
      codes{0, 0, 0, 0},
      scroll(s),
      items(nullptr),
      box(b)
{
}

unsigned vuMenuCore::count() const
{
    return items ? items->GetCount() : 0;
}

vuMenuItem* vuMenuCore::item(unsigned n) const
{
    if (!items || n == 0 || n > items->GetCount())
        return nullptr;
    return static_cast<vuMenuItem*>(items->GetByNum(static_cast<uint16_t>(n - 1)));
}

unsigned short vuMenuCore::effectiveColumns() const
{
    // A grid asked for 0 columns lays out as one.
    return type == VU_MENU_GRID && columns ? columns : 1;
}

MENU_ITEM_EXT vuMenuCore::shortRecord(const char* text, unsigned char keyChar)
{
    MENU_ITEM_EXT rec;
    memset(&rec, 0, sizeof rec);
    rec.text = text;
    rec.keyChar = keyChar;
    return rec;
}

unsigned short vuMenuCore::defaultFont() const
{
    return type == VU_MENU_GRID ? 0 : 2;
}

int vuMenuCore::addItem(MENU_ITEM_EXT* record, vuImage* image, unsigned short fontSlot, const char* name,
                        bool insert, unsigned short options, unsigned short viewHeight, const Put& put)
{
    if (!record) {
        afterAdd(false, options, viewHeight);
        return -1;
    }
    vuMenuItem* it = new (std::nothrow) vuMenuItem(record, image, name);
    if (!it)
        return -2;
    prepareItem(it, fontSlot);
    int result = put(it);
    if (result < 0) {
        // Not taken: the item (and the image it took) goes.
        delete it;
        return result;
    }
    afterAdd(insert, options, viewHeight);
    return result;
}

void vuMenuCore::setCodes(unsigned char up, unsigned char down, unsigned char pageUp, unsigned char pageDown)
{
    codes[0] = up;
    codes[1] = down;
    codes[2] = pageUp;
    codes[3] = pageDown;
}

void vuMenuCore::prepareItem(vuMenuItem* it, unsigned short fontSlot) const
{
    if (type != VU_MENU_LIST && type != VU_MENU_GRID)
        return;
    it->SetActiveColor(vuColor::cMenu[6], vuColor::cMenu[7]);
    it->SetPassiveColor(vuColor::cMenu[4], vuColor::cMenu[5]);
    it->SetTransparency(type == VU_MENU_GRID ? 1 : 0);
    it->SetFont(fontSlot);
}

void vuMenuCore::afterAdd(bool inserted, unsigned short options, unsigned short viewHeight)
{
    // The selected item moved one place down.
    if (inserted && selected)
        ++selected;
    if ((options & VU_MO_SELECT_FIRST) && selected == 0)
        selectItem(1, viewHeight);
}

void vuMenuCore::selectOnReset(unsigned short index)
{
    vuMenuItem* marked = item(static_cast<unsigned>(index) + 1);
    if (!marked)
        return;
    for (unsigned n = 1; n <= count(); ++n)
        item(n)->UnSelectOnReset();
    marked->SelectOnReset();
}

void vuMenuCore::beginReset()
{
    selected = 0;
    scroll->speed = 0;
    scroll->count = 0;
    scroll->offset = 0;
    lines = maxLines > 0 ? static_cast<unsigned short>(maxLines) : 1;
}

void vuMenuCore::measure(unsigned short W, unsigned short H)
{
    vuMenuItem* first = item(1);
    if (!first)
        return;
    const unsigned N = count();
    const int F = vuUI::GetFontHeight(first->GetFontIndex());
    const int cols = effectiveColumns();
    int rows;
    if (type == VU_MENU_GRID) {
        rows = static_cast<int>((N + cols - 1) / cols);
        row = vuClampSize(rowDelta + first->GetImageHeight() + F * lines);
    } else {
        rows = static_cast<int>(N);
        row = vuClampSize(rowDelta + F * lines);
    }
    scroll->range = vuClampRange(row * rows + rowInterval * (rows - 1) - H);
    int w;
    if (box) {
        const int bar = box->GetScrollBarYWidth();
        w = W - bar - columnInterval - 4;
        if (type == VU_MENU_GRID)
            w /= cols;
    } else {
        const int margin = scroll->range > 0 ? 6 : 4;
        if (type == VU_MENU_GRID)
            w = (W - columnInterval * (cols - 1) - margin) / cols;
        else
            w = W - margin;
    }
    itemWidth = vuClampSize(w);
}

void vuMenuCore::layout(unsigned short W, unsigned short H, unsigned short options)
{
    const unsigned N = count();
    if (!N)
        return;
    measure(W, H);
    unsigned marked = 0;
    for (unsigned n = 1; n <= N; ++n) {
        vuMenuItem* it = item(n);
        if (it->GetExtData()->selectOnReset)
            marked = n;
        if (maxLines <= 0) {
            const int cw = vuUI::GetFontWidth(it->GetFontIndex());
            // A font without cells has no lines to count.
            if (cw > 0) {
                int avail = itemWidth - (type == VU_MENU_GRID ? 0 : it->GetImageWidth());
                const unsigned short limit = vuClampSize(avail / cw);
                unsigned counted = 0;
                unsigned short pos = 0;
                for (;;) {
                    unsigned short next = pos;
                    if (!it->GetLine(pos, next, limit))
                        break;
                    ++counted;
                    if (next == 0 || next <= pos)
                        break;
                    pos = next;
                }
                if (counted > lines) {
                    lines = vuClampSize(static_cast<int>(counted));
                    measure(W, H);
                }
            }
        }
        it->UnSelect();
    }
    if (marked)
        selectItem(static_cast<unsigned short>(marked), H);
    else if (options & VU_MO_SELECT_FIRST)
        selectItem(1, H);
}

int vuMenuCore::selectItem(unsigned short n, unsigned short H)
{
    if (n == selected)
        return 0;
    vuMenuItem* next = item(n);
    // A number without an item changes nothing.
    if (!next)
        return 0;
    if (vuMenuItem* old = item(selected))
        old->UnSelect();
    next->Select();
    selected = n;
    if (scroll->range <= 0)
        return 2;
    const int p = pitch();
    const int r = (selected - 1) / effectiveColumns();
    if (r * p < scroll->offset)
        scroll->offset = vuClampSize(r * p);
    else if (scroll->offset + H < (r + 1) * p)
        scroll->offset = vuClampSize((r + 1) * p - H);
    return 2;
}

unsigned short vuMenuCore::hit(int px, int py) const
{
    const int p = pitch();
    if (p == 0 || px < 0 || py < 0)
        return 0;
    const int r = (scroll->offset + py) / p;
    int n;
    if (type == VU_MENU_GRID) {
        const int cell = itemWidth + columnInterval;
        const int cols = effectiveColumns();
        if (cell == 0)
            return 0;
        const int k = px / cell;
        // The margin right of the last column belongs to no item.
        if (k >= cols)
            return 0;
        n = r * cols + k + 1;
    } else {
        n = r + 1;
    }
    return n > static_cast<int>(count()) ? 0 : static_cast<unsigned short>(n);
}

int vuMenuCore::choose() const
{
    vuMenuItem* it = item(selected);
    if (!it)
        return 0;
    unsigned char k = it->GetExtData()->keyChar;
    if (k) {
        vuUI::SetChar(k);
        return 0;
    }
    return 1;
}

vuMenuCore::KeyAction vuMenuCore::keyAction(unsigned char k, uint32_t mask, unsigned short H,
                                            unsigned short options, bool isBox, bool digitKeys,
                                            unsigned short& target) const
{
    const int n = selected;
    const int N = static_cast<int>(count());
    const int cols = effectiveColumns();
    const bool wrap = (options & VU_MO_WRAP) != 0;
    const unsigned char up = codes[0], down = codes[1], pageUp = codes[2], pageDown = codes[3];
    const int p = pitch() ? H / pitch() : 0;
    int t = n;
    auto isUp = [&](uint32_t bit) { return up && k == up && (mask & bit); };
    auto isDown = [&](uint32_t bit) { return down && k == down && (mask & bit); };

    if (k == 13 || (digitKeys && k == '5')) {
        if (n == 0) {
            target = 1;
            return KEY_MOVE;
        }
        return KEY_CHOOSE;
    }
    if ((digitKeys && k == '2') || (up && k == up && alone(k, mask))) {
        if (n == 0)
            t = 1;
        else if (n > cols)
            t = n - cols;
        else if (wrap) {
            t = n + cols * (N / cols);
            if (t > N)
                t -= cols;
        }
    } else if ((digitKeys && k == '8') || (down && k == down && alone(k, mask))) {
        if (n == 0)
            t = 1;
        else if (n + cols > N) {
            if (wrap)
                t = (n - 1) % cols + 1;
        } else
            t = n + cols;
    } else if (digitKeys && k == '4') {
        if (n == 0)
            t = 1;
        else if (cols > 1 && n > 1)
            t = n - 1;
        else if (cols > 1 && n == 1 && wrap)
            t = N;
    } else if (digitKeys && k == '6') {
        if (n == 0)
            t = 1;
        else if (cols > 1 && n < N)
            t = n + 1;
        else if (cols > 1 && n == N && wrap)
            t = 1;
    } else if (isUp(kPageMask) || (digitKeys && k == '1') || (pageUp && k == pageUp)) {
        if (n == 0)
            t = 1;
        else if (cols * p + 1 < n)
            t = n - cols * p;
        else
            t = isBox ? 1 : (n - 1) % cols + 1;
    } else if (isDown(kPageMask) || (digitKeys && k == '7') || (pageDown && k == pageDown)) {
        if (n == 0)
            t = 1;
        else if (isBox)
            t = n + cols * p < N ? n + cols * p : N;
        else if (n + cols * p < N)
            t = n + cols * p;
        else
            t = N - (N - n) % cols;
    } else if (isUp(kEndMask)) {
        t = n == 0 ? 1 : (n - 1) % cols + 1;
    } else if (isDown(kEndMask)) {
        t = n == 0 ? 1 : N - (N - n) % cols;
    } else {
        return KEY_NONE;
    }
    target = static_cast<unsigned short>(t);
    return KEY_MOVE;
}

int vuMenuCore::applyKey(unsigned char k, uint32_t mask, unsigned short H, unsigned short options, bool isBox,
                         bool digitKeys, int result, const Select& select) const
{
    unsigned short target = 0;
    switch (keyAction(k, mask, H, options, isBox, digitKeys, target)) {
    case KEY_MOVE:
        if (target != selected)
            result = select(target);
        break;
    case KEY_CHOOSE:
        if (int r = choose())
            result = r;
        break;
    case KEY_NONE:
        break;
    }
    return result;
}

bool vuMenuCore::touch(const vuEvent* e, int px, int py, unsigned short options, int& result, const Select& select)
{
    const unsigned g = e->gesture & 0x3F;
    bool motion = false;
    unsigned short n = 0;
    if ((g == 0 && e->phase != VU_PHASE_UP) || g == VU_GESTURE_TAP) {
        n = hit(px, py);
        if (n) {
            if (int r = select(n))
                result = r;
        }
    } else if ((g == VU_GESTURE_UP || g == VU_GESTURE_DOWN) && !(options & VU_MO_NO_DRAG)) {
        result = vuTouchPad::CorrectMotion(g == VU_GESTURE_UP ? 1 : -1, scroll->range, scroll->offset, scroll->speed,
                                           scroll->count);
        motion = true;
    }
    if (e->phase == VU_PHASE_UP && (e->gesture & VU_GESTURE_TAP) && n && n == selected) {
        if (!(options & VU_MO_TAP_SELECTS)) {
            if (int r = choose())
                result = r;
        }
        scroll->speed = 0;
        motion = true;
    }
    return motion;
}

void vuMenuCore::glide(int& result)
{
    int r = vuTouchPad::CorrectMotion(0, scroll->range, scroll->offset, scroll->speed, scroll->count);
    if (!result)
        result = r;
}

void vuMenuCore::forEachFilledRow(vuFrameBuffer* fb, short X, short Y, unsigned short W, unsigned short H,
                                  const RowRect& f)
{
    const unsigned N = count();
    if (!fb || !items || !N || !fb->GetFont(item(1)->GetFontIndex()))
        return;
    measure(W, H);
    const int p = pitch();
    const int off = scroll->offset;
    if (type == VU_MENU_GRID) {
        const int cols = effectiveColumns();
        for (unsigned n = 1; n <= N; ++n) {
            const int r = static_cast<int>(n - 1) / cols, k = static_cast<int>(n - 1) % cols;
            if (!item(n)->IsTransparency())
                f(static_cast<short>(X + k * (itemWidth + columnInterval) + (box ? 0 : 3)),
                  static_cast<short>(Y + r * p - off), itemWidth, row);
        }
    } else {
        const int w = box ? W - box->GetScrollBarYWidth() - 2 : W - (scroll->range > 0 ? 4 : 2);
        for (unsigned g = 0; g < N; ++g)
            if (!item(g + 1)->IsTransparency())
                f(static_cast<short>(X + 1), static_cast<short>(Y + static_cast<int>(g) * p - off), vuClampSize(w),
                  row);
    }
}

int vuMenuCore::draw(vuFrameBuffer* fb, vuViewPort* port, short X, short Y, unsigned short W, unsigned short H,
                     unsigned short options)
{
    if (!fb || !items)
        return -1;
    const unsigned N = count();
    if (!N)
        return 0;
    vuMenuItem* first = item(1);
    if (!fb->GetFont(first->GetFontIndex()))
        return 0;
    vuFont* accel = nullptr;
    if ((options & VU_MO_ACCEL) && N <= 9 && accelFont >= 0)
        accel = fb->GetFont(static_cast<unsigned short>(accelFont));
    measure(W, H);
    const int p = pitch();
    const int off = scroll->offset;
    int result = 0;
    auto drawDigit = [&](vuMenuItem* it, unsigned n, int x, int y, int w) {
        char d = static_cast<char>('0' + n);
        accel->DrawString(fb, port, &d, 1, 0, 0, static_cast<short>(x + 2), static_cast<short>(y + 2),
                          vuClampSize(w - 2), vuClampSize(row - 2), it->GetFrontColor());
    };

    if (type == VU_MENU_GRID) {
        const int cols = effectiveColumns();
        const int rows = static_cast<int>((N + cols - 1) / cols);
        for (int r = 0; r < rows; ++r) {
            const int bottom = (r + 1) * row + r * rowInterval;
            for (int k = 0; k < cols; ++k) {
                const unsigned n = static_cast<unsigned>(r * cols + k + 1);
                if (n > N)
                    break;
                if (bottom <= off)
                    continue;
                vuMenuItem* it = item(n);
                const int x = X + k * (itemWidth + columnInterval) + (box ? 0 : 3);
                const int y = Y + r * p - off;
                int res = it->DrawMenuItem(fb, port, 0, static_cast<short>(x), static_cast<short>(y), itemWidth,
                                           row, lines, VU_MENU_GRID);
                if (res < 0)
                    return res;
                result = res;
                if (accel)
                    drawDigit(it, n, x, y, itemWidth);
            }
            if (bottom >= off + H)
                break;
        }
    } else {
        const int w = box ? W - box->GetScrollBarYWidth() - 2 : W - (scroll->range > 0 ? 4 : 2);
        const unsigned short indent = accel ? static_cast<unsigned short>(accel->GetWidth() + 2) : 0;
        for (unsigned g = 0; g < N; ++g) {
            const int bottom = static_cast<int>(g + 1) * row + static_cast<int>(g) * rowInterval;
            if (bottom > off) {
                vuMenuItem* it = item(g + 1);
                const int x = X + 1;
                const int y = Y + static_cast<int>(g) * p - off;
                int res = it->DrawMenuItem(fb, port, indent, static_cast<short>(x), static_cast<short>(y),
                                           vuClampSize(w), row, lines, VU_MENU_LIST);
                if (res < 0)
                    return res;
                result = res;
                if (accel)
                    drawDigit(it, g + 1, x, y, w);
            }
            if (bottom >= off + H)
                break;
        }
    }

    // A menu's scroll bar: a 3-pixel track at the right edge, a 16-pixel thumb.
    if (!box && scroll->range > 0) {
        const int t = off * (H - 16) / scroll->range;
        const short bx = static_cast<short>(X + W - 2);
        for (int dx = -1; dx <= 1; ++dx)
            fb->Line(port, static_cast<short>(bx + dx), Y, static_cast<short>(bx + dx), static_cast<short>(Y + H),
                     vuColor::cMenu[4], 0);
        fb->Line(port, bx, static_cast<short>(Y + t), bx, static_cast<short>(Y + t + 16), vuColor::cMenu[6], 0);
    }
    return result;
}
