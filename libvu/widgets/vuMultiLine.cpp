#include "vuMultiLine.h"

#include <stdlib.h>
#include <string.h>

#include "osal.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFont.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuKeyScheme.h"
#include "vuMultiTap.h"
#include "vuTouchPad.h"
#include "vuUI.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"
#include "vuVirtualKeyboard.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

namespace {

const uint32_t kEditSpare = 128;   // spare bytes an editable buffer keeps

uint32_t textLength(const char* text)
{
    return text ? static_cast<uint32_t>(strlen(text)) : 0;
}

}

vuMultiLine::vuMultiLine(short x, short y, unsigned short w, unsigned short h, unsigned short opts, const char* t)
    : vuWidget(x, y, w, h),
      text(nullptr),
      bufferSize(0),
      maxLen(0),
      lineCount(0),
      charsPerLine(0),
      cursor(0),
      cursorLineShift(0),
      options(opts),
      pendingKey(0),
      tapCount(0),
      pendingTick(0)
{
    font = 1;
    flags |= VU_WF_SCROLL_Y | VU_WF_BORDER | VU_WF_TRANSPARENT;
    flags |= editable() ? VU_WF_FOCUSABLE : VU_WF_SELECTABLE;
    if (mode() == VU_ML_MODE_LINES)
        flags |= VU_WF_SCROLL_X;
    passiveFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 30));
    passiveBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 31));
    activeFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 32));
    activeBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 33));
    assign(nullptr, t);
    calculateProperties();
}

vuMultiLine::~vuMultiLine()
{
    free(text);
}

_VU_TypeObject vuMultiLine::GetType() const
{
    return VU_TYPE_MULTI_LINE;
}

int vuMultiLine::IsUseVirtualKeyboard()
{
    return editable() ? 1 : 0;
}

// ---- text buffer ----------------------------------------------------------------

void vuMultiLine::assign(const char* prefix, const char* t)
{
    uint32_t pl = textLength(prefix), tl = textLength(t);
    uint32_t size = 0;
    // Every buffer holds its terminating byte, whatever is appended.
    if (prefix || t)
        size = pl + tl + 1;
    if (editable())
        size += kEditSpare;
    char* buf = nullptr;
    if (size) {
        buf = static_cast<char*>(malloc(size));
        if (!buf)
            return; // out of memory: the field keeps its text
        if (pl)
            memcpy(buf, prefix, pl);
        if (tl)
            memcpy(buf + pl, t, tl);
        buf[pl + tl] = 0;
    }
    free(text);
    text = buf;
    bufferSize = size;
    if (t || !prefix)
        cursor = pl + tl;
}

const char* vuMultiLine::GetValue()
{
    return text ? text : "";
}

void vuMultiLine::SetValue(const char* t)
{
    assign(nullptr, t); // copies before it frees: t may be the text held
    calculateProperties();
}

void vuMultiLine::AddValue(const char* t)
{
    if (!text) {
        SetValue(t);
        return;
    }
    assign(text, t);
    calculateProperties();
}

void vuMultiLine::SetMaxLen(unsigned long len)
{
    maxLen = static_cast<uint32_t>(len);
}

void vuMultiLine::SetCursorLineShift(short shift)
{
    cursorLineShift = shift;
}

void vuMultiLine::AdjustToLastLine()
{
    scrollY.offset = scrollY.range > 0 ? static_cast<unsigned short>(scrollY.range) : 0;
}

void vuMultiLine::Reset()
{
    vuWidget::Reset();
    cursor = textLength(text);
    pendingKey = 0;
    tapCount = 0;
    calculateProperties();
}

char vuMultiLine::addChar(char ch)
{
    if (!ch)
        return 0;
    uint32_t n = textLength(text);
    if (maxLen && n >= maxLen)
        return 0;
    if (n + 1 >= bufferSize) {
        uint32_t size = n + kEditSpare;
        char* buf = static_cast<char*>(realloc(text, size));
        if (!buf)
            return 0;
        if (!text)
            buf[0] = 0;
        text = buf;
        bufferSize = size;
    }
    if (cursor > n)
        cursor = n;
    memmove(text + cursor + 1, text + cursor, n - cursor + 1);
    text[cursor] = ch;
    calculateProperties();
    return ch;
}

int vuMultiLine::delChar()
{
    if (!text || cursor == 0)
        return 0;
    uint32_t n = textLength(text);
    if (cursor > n)
        cursor = n;
    uint32_t count = 1;
    if (cursor >= 2 && text[cursor - 1] == '\n' && text[cursor - 2] == '\r')
        count = 2;
    memmove(text + cursor - count, text + cursor, n - cursor + 1);
    cursor -= count;
    calculateProperties();
    return 2;
}

void vuMultiLine::endLastPress()
{
    if (!pendingKey)
        return;
    uint32_t n = textLength(text);
    if (text && cursor < n && text[cursor] == '\r' && text[cursor + 1] != '\n') {
        // A carriage return letter becomes a line break.
        if (n + 1 >= bufferSize) {
            uint32_t size = n + kEditSpare;
            char* buf = static_cast<char*>(realloc(text, size));
            if (buf) {
                text = buf;
                bufferSize = size;
            }
        }
        if (n + 1 < bufferSize) {
            memmove(text + cursor + 2, text + cursor + 1, n - cursor);
            text[cursor + 1] = '\n';
            ++n;
        }
    }
    if (text && cursor < n) {
        ++cursor;
        if (text[cursor - 1] == '\r' && text[cursor] == '\n')
            ++cursor;
    }
    pendingKey = 0;
    calculateProperties();
}

// ---- layout -------------------------------------------------------------------------

int vuMultiLine::areaWidth()
{
    return width - GetScrollBarYWidth() - 4;
}

int vuMultiLine::areaHeight()
{
    return height - GetScrollBarXHeight() - 4;
}

uint32_t vuMultiLine::getLine(uint32_t n, uint32_t start, uint32_t& lineLen)
{
    lineLen = 0;
    unsigned m = mode();
    if (!text || m > VU_ML_MODE_CHARS)
        return 0;
    bool cursorAtEnd = editable() && cursor == n;
    if (start >= n) {
        // A last, empty line holding the cursor.
        lineLen = cursor == start ? 1 : 0;
        return 0;
    }
    uint32_t next = 0;
    if (m == VU_ML_MODE_LINES) {
        uint32_t i = start;
        while (text[i] && text[i] != '\n')
            ++i;
        lineLen = i - start;
        if (text[i] == '\n') {
            if (i > start && text[i - 1] == '\r')
                --lineLen;
        } else if (cursorAtEnd) {
            ++lineLen;
        }
        next = i + 1;
        if (lineLen > charsPerLine)
            charsPerLine = lineLen;
    } else if (m == VU_ML_MODE_WORDS) {
        // A line holds at least one character, so the walk always advances.
        uint32_t C = charsPerLine ? charsPerLine : 1;
        uint32_t b = 0;
        for (uint32_t j = start;; ++j) {
            char ch = text[j];
            if (ch == 0) {
                lineLen = j - start;
                next = j + 1;
                if (cursorAtEnd) {
                    if (lineLen < C)
                        ++lineLen;
                    else
                        next = j;
                }
                break;
            }
            if (ch == '\n') {
                lineLen = j - start;
                if (j > start && text[j - 1] == '\r')
                    --lineLen;
                next = j + 1;
                break;
            }
            if ((ch == ' ' || ch == '-') && j > start)
                b = j;
            if (j - start >= C) {
                if (b > 0 && b < j)
                    next = b + 1;
                else if (b == j)
                    next = b;
                else
                    next = j;
                lineLen = next - start;
                if (!editable()) {
                    while (lineLen > 1 && text[start + lineLen - 1] == ' ')
                        --lineLen;
                    while (text[next] == ' ')
                        ++next;
                }
                break;
            }
        }
    } else {
        uint32_t C = charsPerLine;
        lineLen = C ? C : 1;
        next = start + lineLen;
        if (next > n) {
            lineLen = n - start;
            next = 0;
        }
        if (cursorAtEnd) {
            if (lineLen < C)
                ++lineLen;
            else
                next = start + lineLen;
        }
    }
    return next <= n ? next : 0;
}

bool vuMultiLine::findCursorLine(uint32_t& lineStart, unsigned short& line, uint32_t& len)
{
    if (!text || mode() > VU_ML_MODE_CHARS)
        return false;
    uint32_t n = textLength(text);
    uint32_t start = 0;
    unsigned short k = 0;
    for (;;) {
        uint32_t L;
        uint32_t next = getLine(n, start, L);
        if (start <= cursor && (cursor < next || next == 0)) {
            if (L > 0 && cursor >= start + L && next != 0) {
                // Never rest at the end of a line that another line follows.
                cursor = next;
            } else {
                lineStart = start;
                line = k;
                len = L;
                return true;
            }
        }
        if (!next)
            return false;
        start = next;
        ++k;
    }
}

void vuMultiLine::updateRanges(int fontW, int fontH)
{
    int H = areaHeight(), W = areaWidth();
    int ry = lineCount * fontH - H;
    int rx = static_cast<int>(charsPerLine) * fontW - W;
    scrollY.range = vuClampRange(ry);
    scrollX.range = vuClampRange(rx);
    if (scrollY.offset > scrollY.range)
        scrollY.offset = static_cast<unsigned short>(scrollY.range);
    if (scrollX.offset > scrollX.range)
        scrollX.offset = static_cast<unsigned short>(scrollX.range);
}

void vuMultiLine::calculateProperties()
{
    charsPerLine = 0;
    lineCount = 0;
    if (!text)
        return;
    int W = areaWidth(), H = areaHeight();
    int fw = vuUI::GetFontWidth(font), fh = vuUI::GetFontHeight(font);
    unsigned m = mode();
    if ((m == VU_ML_MODE_WORDS || m == VU_ML_MODE_CHARS) && fw)
        charsPerLine = W > 0 ? static_cast<uint32_t>(W / fw) : 0;
    bool haveCursor = false;
    unsigned short cursorLine = 0;
    uint32_t cursorCol = 0;
    if (m <= VU_ML_MODE_CHARS) {
        uint32_t n = textLength(text);
        uint32_t start = 0;
        for (;;) {
            uint32_t L;
            uint32_t next = getLine(n, start, L);
            if (editable() && !haveCursor && start <= cursor && (cursor < next || next == 0)) {
                if (L > 0 && cursor >= start + L && next != 0) {
                    cursor = next;
                } else {
                    haveCursor = true;
                    cursorLine = lineCount;
                    cursorCol = cursor - start;
                }
            }
            if (lineCount < 0xFFFF)
                ++lineCount;
            if (!next)
                break;
            start = next;
        }
    }
    updateRanges(fw, fh);
    if (editable() && haveCursor) {
        // The view follows the cursor.
        int top = cursorLine * fh, bottom = top + fh;
        if (scrollY.offset > top)
            scrollY.offset = static_cast<unsigned short>(top);
        if (bottom > scrollY.offset + H)
            scrollY.offset = static_cast<unsigned short>(bottom - H > 0 ? bottom - H : 0);
        int left = static_cast<int>(cursorCol) * fw, right = left + fw;
        if (scrollX.offset > left)
            scrollX.offset = static_cast<unsigned short>(left);
        if (right > scrollX.offset + W)
            scrollX.offset = static_cast<unsigned short>(right - W > 0 ? right - W : 0);
        updateRanges(fw, fh);
    }
}

uint32_t vuMultiLine::linePad(uint32_t len)
{
    unsigned m = mode();
    if (m != VU_ML_MODE_WORDS && m != VU_ML_MODE_CHARS)
        return 0;
    if (flags & VU_WF_JUSTIFY_LEFT)
        return 0;
    int d = static_cast<int>(charsPerLine) - static_cast<int>(len);
    if (d <= 0)
        return 0;
    return (flags & VU_WF_JUSTIFY_RIGHT) ? d : d / 2;
}

short vuMultiLine::getCorrectionCursor(unsigned short row)
{
    unsigned m = mode();
    if ((m != VU_ML_MODE_WORDS && m != VU_ML_MODE_CHARS) || (flags & VU_WF_JUSTIFY_LEFT))
        return 0;
    int fw = vuUI::GetFontWidth(font);
    int W = areaWidth();
    int C = static_cast<int>(charsPerLine);
    if (flags & VU_WF_JUSTIFY_RIGHT)
        return static_cast<short>(W - fw * C);
    uint32_t L = 0;
    if (text) {
        uint32_t n = textLength(text), start = 0;
        for (unsigned short k = 0;; ++k) {
            uint32_t len;
            uint32_t next = getLine(n, start, len);
            if (k == row) {
                L = len;
                break;
            }
            if (!next)
                break;
            start = next;
        }
    }
    return static_cast<short>((W - (C - ((C - static_cast<int>(L)) & 1)) * fw) / 2);
}

uint32_t vuMultiLine::setCursor(unsigned short line, unsigned short col)
{
    if (!text)
        return cursor;
    uint32_t n = textLength(text), start = 0;
    for (unsigned short k = 0;; ++k) {
        uint32_t L;
        uint32_t next = getLine(n, start, L);
        if (k == line) {
            uint32_t pad = linePad(L);
            uint32_t p;
            if (col < pad)
                p = start;
            else if (col - pad < L)
                p = start + col - pad;
            else if (next == 0)
                p = n;
            else if (L == 0)
                p = start;
            else
                p = start + L - 1;
            return p <= n ? p : n;
        }
        if (!next)
            break;
        start = next;
    }
    return cursor;
}

uint32_t vuMultiLine::getCursor(unsigned short& line, unsigned short& col)
{
    uint32_t start, len;
    if (editable() && text && findCursorLine(start, line, len))
        col = static_cast<unsigned short>(cursor - start + linePad(len));
    return cursor;
}

// ---- drawing --------------------------------------------------------------------------

int vuMultiLine::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -1;
    vuFont* F = fb->GetFont(font);
    // An empty font slot draws nothing and is no error.
    if (!F || !F->GetWidth() || !F->GetHeight())
        return 0;
    if (!text || width <= 6 || height <= 6 || mode() > VU_ML_MODE_CHARS)
        return 0;
    int fw = F->GetWidth(), fh = F->GetHeight();
    int P = lineCount;
    charsPerLine = 0;
    lineCount = 0;

    unsigned short yw = GetScrollBarYWidth(), xh = GetScrollBarXHeight();
    vuViewPort area = port ? *port : vuViewPort{0, 0, vuUI::GetWidth(), vuUI::GetHeight(), 0, 0};
    area.width = area.width > 1 + yw ? area.width - 1 - yw : 0;
    area.height = area.height > 1 + xh ? area.height - 1 - xh : 0;
    unsigned short colour = IsActive() ? activeFront : passiveFront;
    int W = areaWidth(), H = areaHeight();
    unsigned m = mode();
    if ((m == VU_ML_MODE_WORDS || m == VU_ML_MODE_CHARS))
        charsPerLine = W > 0 ? static_cast<uint32_t>(W / fw) : 0;

    int oy = 0;
    if (scrollY.range <= 0) {
        if (flags & VU_WF_JUSTIFY_BOTTOM)
            oy = (H / fh - P) * fh;
        else if (!(flags & VU_WF_JUSTIFY_TOP))
            oy = fh * ((H / fh - P) / 2);
    }
    bool cursorPlaced = false, cursorDone = false;
    int cx = 0, cy = 0;
    uint32_t n = textLength(text), start = 0;
    for (int k = 1;; ++k) {
        uint32_t L;
        uint32_t next = getLine(n, start, L);
        if (lineCount < 0xFFFF)
            ++lineCount;
        int ox = 0;
        if (m == VU_ML_MODE_WORDS || m == VU_ML_MODE_CHARS) {
            if (flags & VU_WF_JUSTIFY_RIGHT)
                ox = W - fw * static_cast<int>(L);
            else if (!(flags & VU_WF_JUSTIFY_LEFT))
                ox = (W - fw * static_cast<int>(L)) / 2;
        }
        int offY = scrollY.offset, offX = scrollX.offset;
        if (offY < k * fh && (k - 1) * fh < offY + H) {
            int runW = fw * static_cast<int>(L);
            int boxW = W - ox;
            if (L > 0 && offX < runW && boxW > 0)
                F->DrawString(fb, &area, text + start, static_cast<unsigned short>(L > 0xFFFF ? 0xFFFF : L),
                              static_cast<unsigned short>(offX), 0, static_cast<short>(x + ox + 2),
                              static_cast<short>(y + oy + fh * (k - 1) - offY + 2), static_cast<unsigned short>(boxW),
                              static_cast<unsigned short>(fh), colour);
        }
        if (editable() && !cursorDone && start <= cursor && (cursor < next || next == 0)) {
            if (L > 0 && cursor >= start + L && next != 0) {
                cursor = next;
            } else {
                cursorDone = true;
                if (IsActive()) {
                    cursorPlaced = true;
                    cx = x + ox + fw * static_cast<int>(cursor - start) - offX + 2;
                    cy = y + oy + cursorLineShift + k * fh - offY + 1;
                }
            }
        }
        if (!next)
            break;
        start = next;
    }
    if (cursorPlaced)
        fb->Line(&area, static_cast<short>(cx), static_cast<short>(cy), static_cast<short>(cx + fw),
                 static_cast<short>(cy), colour, 0);
    updateRanges(fw, fh);
    return 0;
}

int vuMultiLine::DrawHint(vuFrameBuffer* fb, vuViewPort*)
{
    if (options & VU_ML_HINT)
        vuDrawKeyHint(fb, parent, x, y, height, font, keyScheme, pendingKey, tapCount, passiveFront, passiveBack);
    return 0;
}

// ---- events ---------------------------------------------------------------------------

void vuMultiLine::activateKeyboard(int& result)
{
    vuVirtualKeyboard* kb = vuFindVirtualKeyboard(parent);
    if (kb && IsUseVirtualKeyboard() && !kb->IsActive()) {
        kb->Activate(this);
        result = 2;
    }
}

int vuMultiLine::scrollKeys(vuEvent* e)
{
    int fw = vuUI::GetFontWidth(font), fh = vuUI::GetFontHeight(font);
    int H = areaHeight();
    unsigned char k = e->key;
    if (!editable()) {
        int offY = scrollY.offset, offX = scrollX.offset;
        int rangeY = scrollY.range > 0 ? scrollY.range : 0, rangeX = scrollX.range > 0 ? scrollX.range : 0;
        int* off = nullptr;
        int target = 0;
        switch (k) {
        case 103: case 135: case '1':
            off = &offY; target = offY - H; break;
        case 108: case 140: case '7':
            off = &offY; target = offY + H; break;
        case '2':
            off = &offY; target = offY - fh; break;
        case '8':
            off = &offY; target = offY + fh; break;
        case 59: case '4':
            off = &offX; target = offX - fw; break;
        case 60: case '6':
            off = &offX; target = offX + fw; break;
        default:
            return 0;
        }
        int limit = off == &offY ? rangeY : rangeX;
        if (target < 0)
            target = 0;
        if (target > limit)
            target = limit;
        if (target == *off)
            return 0; // already at the limit: the key stays free
        *off = target;
        scrollY.offset = static_cast<unsigned short>(offY);
        scrollX.offset = static_cast<unsigned short>(offX);
        e->handled = 1;
        return 2;
    }
    if (!IsActive())
        return 0;
    unsigned short line = 0, col = 0;
    switch (k) {
    case 103: case 135:
        getCursor(line, col);
        if (line > 0) {
            int page = fh ? H / fh : 0;
            int to = line - page;
            cursor = setCursor(static_cast<unsigned short>(to > 0 ? to : 0), col);
        }
        break;
    case 108: case 140:
        getCursor(line, col);
        if (line + 1 < lineCount) {
            int page = fh ? H / fh : 0;
            int to = line + page;
            if (to > lineCount - 1)
                to = lineCount - 1;
            cursor = setCursor(static_cast<unsigned short>(to), col);
        }
        break;
    case 59:
        getCursor(line, col);
        if (col > 0)
            cursor = setCursor(line, static_cast<unsigned short>(col - 1));
        break;
    case 60:
        getCursor(line, col);
        cursor = setCursor(line, static_cast<unsigned short>(col + 1));
        break;
    default:
        return 0;
    }
    calculateProperties();
    e->handled = 1;
    return 2;
}

int vuMultiLine::editKeys(vuEvent* e)
{
    int result = 0;
    unsigned char k = e->key;
    uint32_t now = OsGetTickCount();
    if (k == 8) {
        endLastPress();
        int r = delChar();
        result = r;
        e->handled = 1;
    } else if (k >= '0' && k <= '9') {
        const char* row = vuKeyScheme::getKeyScheme(keyScheme, k);
        size_t rowLen = row ? strlen(row) : 0;
        if (k == pendingKey && vuMultiTapOpen(pendingTick, now) && rowLen >= 2) {
            ++tapCount;
            uint32_t n = textLength(text);
            if (text && cursor < n)
                text[cursor] = static_cast<char>(vuKeyScheme::getKeySymbol(keyScheme, k, tapCount));
            pendingTick = now;
        } else {
            char ch = static_cast<char>(vuKeyScheme::getKeySymbol(keyScheme, k, 0));
            endLastPress();
            tapCount = 0;
            if (ch && addChar(ch)) {
                pendingKey = k;
                pendingTick = now;
            } else {
                pendingKey = 0;
            }
        }
        result = 2;
        e->handled = 1;
    } else if (e->vkChar) {
        endLastPress();
        if (addChar(static_cast<char>(e->vkChar))) {
            pendingKey = e->vkChar;
            endLastPress();
            result = 2;
        } else {
            pendingKey = 0;
        }
        e->handled = 1;
    }
    return result;
}

int vuMultiLine::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = 0;
    bool swipeX = false, swipeY = false;
    short px, py;
    if (!e->handled && e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP && hitTest(e, px, py)) {
        unsigned g = e->gesture & 0x3F;
        bool release = false;
        if (g == 0) {
            release = e->phase == VU_PHASE_UP && editable();
        } else if (g == VU_GESTURE_LEFT || g == VU_GESTURE_RIGHT) {
            result = vuTouchPad::CorrectMotion(g == VU_GESTURE_LEFT ? 1 : -1, scrollX.range, scrollX.offset,
                                               scrollX.speed, scrollX.count);
            swipeX = true;
        } else if (g == VU_GESTURE_UP || g == VU_GESTURE_DOWN) {
            result = vuTouchPad::CorrectMotion(g == VU_GESTURE_UP ? 1 : -1, scrollY.range, scrollY.offset,
                                               scrollY.speed, scrollY.count);
            swipeY = true;
        } else if (g == VU_GESTURE_TAP && editable()) {
            int fw = vuUI::GetFontWidth(font), fh = vuUI::GetFontHeight(font);
            if (fw && fh) {
                int H = areaHeight();
                int row = (scrollY.offset + py - y - 2) / fh;
                int top = 0;
                if (scrollY.range <= 0) {
                    if (flags & VU_WF_JUSTIFY_BOTTOM)
                        top = H / fh - lineCount;
                    else if (!(flags & VU_WF_JUSTIFY_TOP))
                        top = (H / fh - lineCount) / 2;
                }
                if (row >= top) {
                    int col = (scrollX.offset + px - x - 2 - getCorrectionCursor(static_cast<unsigned short>(row - top))) / fw;
                    if (col < 0)
                        col = 0;
                    uint32_t p = setCursor(static_cast<unsigned short>(row - top), static_cast<unsigned short>(col));
                    if (p != cursor) {
                        cursor = p;
                        pendingKey = 0;
                        calculateProperties();
                        result = 2;
                    }
                }
            }
            release = true;
        }
        if (release) {
            if (!IsActive()) {
                result = 3;
                e->handled = 1;
            } else {
                activateKeyboard(result);
            }
        }
        if ((swipeX || swipeY) && editable() && !IsActive()) {
            result = 3;
            e->handled = 1;
        }
    }
    // Momentum: an axis without a swipe in this event keeps moving.
    if (!swipeX) {
        int r = vuTouchPad::CorrectMotion(0, scrollX.range, scrollX.offset, scrollX.speed, scrollX.count);
        if (!result)
            result = r;
    }
    if (!swipeY) {
        int r = vuTouchPad::CorrectMotion(0, scrollY.range, scrollY.offset, scrollY.speed, scrollY.count);
        if (!result)
            result = r;
    }
    bool keyTaken = false;
    if (!e->handled && e->key && !scrollX.speed && !scrollY.speed && !pendingKey) {
        int r = scrollKeys(e);
        if (r) {
            result = r;
            keyTaken = true;
        }
    }
    if (editable() && IsActive() && !keyTaken) {
        int r = editKeys(e);
        if (r == 2 || (r && result != 2))
            result = r;
    }
    if (editable() && !e->handled && pendingKey && !vuMultiTapOpen(pendingTick, OsGetTickCount())) {
        endLastPress();
        result = 2;
    }
    return result;
}

// ---- the screen trace ----------------------------------------------------

const char* vuMultiLine::TraceType() { return "multiline"; }

unsigned short vuMultiLine::TraceTextColor() { return IsActive() ? GetActiveFrontColor() : GetPassiveFrontColor(); }

void vuMultiLine::TraceText(vuTraceItem& item)
{
    item.Str("label", GetValue()).Num("font", GetFontIndex());
    // An editable text takes a multi-tap letter and shows its strip.
    if ((GetOptions() & VU_ML_EDIT) && (GetOptions() & VU_ML_HINT))
        item.Num("letters", 1);
}

unsigned char vuMultiLine::TraceHintKey() { return (GetOptions() & VU_ML_HINT) ? GetPendingKey() : 0; }
