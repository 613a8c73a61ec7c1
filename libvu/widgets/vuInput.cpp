#include "vuInput.h"

#include <stdlib.h>
#include <string.h>

#include "osal.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFont.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuKeyScheme.h"
#include "vuMemIcon.h"
#include "vuMultiTap.h"
#include "vuTouchPad.h"
#include "vuUI.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"
#include "vuVirtualKeyboard.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

namespace {

const unsigned short kDefaultMaxLen = 32;
const unsigned char kDelete = 8;
const unsigned char kClear = 14;
const unsigned char kEnter = 13;

}

vuInput::vuInput(short x_, short y_, unsigned short w, unsigned short h, unsigned short len, unsigned short opts)
    : vuWidget(x_, y_, w, h),
      options(opts),
      maxLen(len ? len : kDefaultMaxLen),
      radix(0),
      fractionFont(1),
      cursor(0),
      cursorLineShift(0),
      hexShift(0),
      firstKeyArmed(0),
      pendingKey(0),
      tapCount(0),
      pendingTick(0),
      hideSymbol('*'),
      minusSymbol('-'),
      hexCode(0),
      pointCode(0),
      signCode(0),
      nextCode(0),
      text(nullptr),
      dotMark(nullptr),
      addFunc(nullptr),
      exchFunc(nullptr),
      delFunc(nullptr),
      endFunc(nullptr)
{
    flags = VU_WF_FOCUSABLE;
    passiveFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 10));
    passiveBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 11));
    activeFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 12));
    activeBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 13));
    font = 1;
    if (maxLen == 1)
        options |= VU_IN_OVERWRITE;
    text = static_cast<char*>(calloc(maxLen + 2u, 1));
    vuInput::initValue();
    vuInput::initControlCodes();
}

vuInput::~vuInput()
{
    vuReplaceImage(dotMark, nullptr);
    free(text);
    text = nullptr;
}

_VU_TypeObject vuInput::GetType() const
{
    return VU_TYPE_INPUT;
}

unsigned short vuInput::length() const
{
    return text ? static_cast<unsigned short>(strlen(text)) : 0;
}

unsigned short vuInput::signLen() const
{
    return (text && text[0] && text[0] == minusSymbol) ? 1 : 0;
}

// ---- setters and getters ------------------------------------------------------

void vuInput::initControlCodes()
{
    if (vuIsD200Keypad())
        return; // no hex, point, sign or next key on this keypad
    SetControlCodes(102, 102, 69, 69);
}

void vuInput::SetControlCodes(unsigned char point, unsigned char hex, unsigned char sign, unsigned char next)
{
    pointCode = point;
    hexCode = hex;
    signCode = sign;
    nextCode = next;
}

void vuInput::SetMaxLen(unsigned short len)
{
    if (!len)
        return;
    char* fresh = static_cast<char*>(calloc(len + 2u, 1));
    if (!fresh)
        return;
    free(text);
    text = fresh;
    maxLen = len;
    // The value always holds radix + 1 digits: keep them inside the buffer.
    if (radix >= maxLen)
        radix = static_cast<unsigned short>(maxLen - 1);
    initValue();
}

unsigned short vuInput::GetMaxLen()
{
    return maxLen;
}

unsigned short vuInput::GetRadix()
{
    return radix;
}

void vuInput::SetRadix(unsigned short r)
{
    if (numeric() && r < maxLen) {
        radix = r;
        initValue();
    } else {
        radix = 0;
    }
}

unsigned short vuInput::GetCurPos()
{
    return cursor;
}

void vuInput::SetCurPos(unsigned short pos)
{
    unsigned short limit = length();
    unsigned short last = static_cast<unsigned short>(maxLen - 1);
    // A pattern field's cursor may stand after its last place.
    if (GetType() == VU_TYPE_PATTERN_INPUT)
        last = maxLen;
    if (limit > last)
        limit = last;
    cursor = pos < limit ? pos : limit;
}

void vuInput::SetFont(unsigned short slot)
{
    font = slot;
    fractionFont = slot;
}

void vuInput::SetFonts(unsigned short main, unsigned short fraction)
{
    font = main;
    fractionFont = fraction;
}

void vuInput::SetCursorLineShift(short shift)
{
    cursorLineShift = shift;
}

void vuInput::SetHideSymbol(char ch)
{
    hideSymbol = ch;
}

char vuInput::GetHideSymbol()
{
    return hideSymbol;
}

void vuInput::SetMinusSymbol(char ch)
{
    if (ch)
        minusSymbol = ch;
}

char vuInput::GetMinusSymbol()
{
    return minusSymbol;
}

void vuInput::SetDotMark(vuImage* image)
{
    vuReplaceImage(dotMark, image);
}

void vuInput::SetUserFunc(AddFunc add, ExchFunc exch, DelFunc del, EndFunc end)
{
    addFunc = add;
    exchFunc = exch;
    delFunc = del;
    endFunc = end;
}

const char* vuInput::GetValue()
{
    if (!text)
        return "";
    if (GetType() == VU_TYPE_INPUT && numeric() && !radix && !text[0] && !(options & VU_IN_HEX) && !mayStayEmpty())
        return "0";
    return text;
}

void vuInput::SetValue(const char* value)
{
    if (!text)
        return;
    if (!value || !*value) {
        initValue();
        return;
    }
    // Copy first: the value may be our own buffer.
    size_t n = strlen(value);
    if (n > maxLen)
        n = maxLen;
    memmove(text, value, n);
    // Nothing of a longer value before stays behind the new end (a pattern
    // field keeps its places zeroed up to its length).
    memset(text + n, 0, maxLen + 2u - n);
    _VU_TypeObject kind = GetType();
    if (kind == VU_TYPE_INPUT) {
        if (numeric()) {
            while (length() <= radix) {
                unsigned short len = length();
                memmove(text + 1, text, len + 1u);
                text[0] = '0';
            }
            unsigned short len = length();
            if (options & VU_IN_RIGHT)
                cursor = len ? static_cast<unsigned short>(len - 1) : 0;
            else
                cursor = static_cast<unsigned short>(len - radix - 1);
        } else {
            unsigned short len = length();
            cursor = len < maxLen ? len : static_cast<unsigned short>(maxLen - 1);
        }
    } else if (kind == VU_TYPE_PATTERN_INPUT) {
        cursor = length();
    }
}

void vuInput::Reset()
{
    vuWidget::Reset();
    pendingKey = 0;
    tapCount = 0;
    pendingTick = 0;
    firstKeyArmed = 1;
    initValue();
}

int vuInput::IsAnimate()
{
    if (options & VU_IN_BLINK)
        return 1;
    return vuWidget::IsAnimate();
}

int vuInput::IsUseVirtualKeyboard()
{
    return (vuTouchPad::IsPresent() && !numeric()) ? 1 : 0;
}

// ---- editing steps ----------------------------------------------------------------

void vuInput::initValue()
{
    if (!text)
        return;
    cursor = 0;
    hexShift = 0;
    text[0] = 0;
    if (numeric() && !(radix == 0 && mayStayEmpty())) {
        unsigned short zeros = static_cast<unsigned short>(radix + 1);
        if (zeros > maxLen)
            zeros = maxLen;
        memset(text, '0', zeros);
        text[zeros] = 0;
        if (options & VU_IN_RIGHT)
            cursor = static_cast<unsigned short>(zeros - 1);
    }
}

unsigned char vuInput::addToValue(unsigned char ch)
{
    if (!text)
        return 0;
    if ((options & VU_IN_FIRST_CLEARS) && firstKeyArmed) {
        unsigned short n = length();
        unsigned short k = 0;
        if (numeric() && !(options & VU_IN_RIGHT) && radix && cursor + radix >= n)
            k = static_cast<unsigned short>(n - cursor);
        initValue();
        firstKeyArmed = 0;
        if (k) {
            unsigned short len = length();
            cursor = k <= len ? static_cast<unsigned short>(len - k) : 0;
        }
    }
    if (addFunc)
        return addFunc(reinterpret_cast<intptr_t>(this), ch);

    unsigned short n = length();
    bool inFraction = numeric() && !(options & VU_IN_RIGHT) && radix && cursor + radix >= n;
    if (n >= maxLen && !(options & VU_IN_OVERWRITE) && !inFraction)
        return 0;

    if (!numeric() || maxLen == 1) {
        if (cursor > n)
            cursor = n;
        if (cursor >= maxLen)
            cursor = static_cast<unsigned short>(maxLen - 1);
        if (n < maxLen)
            memmove(text + cursor + 1, text + cursor, n - cursor + 1u);
        else if (cursor == n)
            text[cursor + 1] = 0;
        text[cursor] = static_cast<char>(ch);
        return ch;
    }

    unsigned short s = signLen();
    if (ch == '0' && !(options & VU_IN_ZEROS) && cursor == 0 && (text[s] == '0' || text[s] == 0))
        return 0;

    if (radix == 0 || (options & VU_IN_RIGHT)) {
        if (n >= maxLen)
            return 0;
        if (n == 0) {
            cursor = 0;
            text[0] = static_cast<char>(ch);
            text[1] = 0;
        } else {
            if (cursor >= n)
                cursor = static_cast<unsigned short>(n - 1);
            memmove(text + cursor + 2, text + cursor + 1, n - cursor);
            ++cursor;
            text[cursor] = static_cast<char>(ch);
        }
        if (!(radix == 0 && (options & VU_IN_ZEROS))) {
            s = signLen();
            unsigned short digits = static_cast<unsigned short>(length() - s);
            if (text[s] == '0' && digits > radix + 1) {
                memmove(text + s, text + s + 1, digits);
                if (cursor)
                    --cursor;
            }
        }
        return ch;
    }

    if (inFraction) {
        if (cursor >= n)
            cursor = static_cast<unsigned short>(n - 1);
        text[cursor] = static_cast<char>(ch);
        if (cursor + 1 < n)
            ++cursor;
        return ch;
    }

    if (n >= maxLen)
        return 0;
    if (cursor <= s && text[s] == '0' && n == radix + 1 + s) {
        cursor = s;
        text[s] = static_cast<char>(ch);
        return ch;
    }
    memmove(text + cursor + 2, text + cursor + 1, n - cursor);
    ++cursor;
    text[cursor] = static_cast<char>(ch);
    return ch;
}

void vuInput::exchInValue(unsigned char ch)
{
    if (!text)
        return;
    if (exchFunc) {
        exchFunc(reinterpret_cast<intptr_t>(this), ch);
        return;
    }
    if (cursor < length())
        text[cursor] = static_cast<char>(ch);
}

void vuInput::delFromValue()
{
    if (!text)
        return;
    if (delFunc) {
        delFunc(reinterpret_cast<intptr_t>(this));
        return;
    }
    unsigned short n = length();
    if (!numeric()) {
        if (!n)
            return;
        unsigned short at = cursor < n ? cursor : static_cast<unsigned short>(n - 1);
        memmove(text + at, text + at + 1, n - at);
        if (cursor && n < maxLen)
            --cursor;
        return;
    }
    unsigned short s = signLen();
    if (radix == 0 || (options & VU_IN_RIGHT)) {
        if (n) {
            unsigned short at = cursor < n ? cursor : static_cast<unsigned short>(n - 1);
            memmove(text + at, text + at + 1, n - at);
            cursor = at ? static_cast<unsigned short>(at - 1) : 0;
        }
        s = signLen();
        unsigned short digits = static_cast<unsigned short>(length() - s);
        if (digits <= radix) {
            if (radix == 0 && mayStayEmpty()) {
                text[0] = 0;
                cursor = 0;
            } else {
                memmove(text + s + 1, text + s, digits + 1u);
                text[s] = '0';
                if (radix)
                    ++cursor;
            }
        }
        return;
    }
    if (n == 0)
        return;
    if (cursor + radix >= n) {
        if (cursor >= n)
            cursor = static_cast<unsigned short>(n - 1);
        text[cursor] = '0';
        if (cursor)
            --cursor;
        return;
    }
    if (n - radix - s <= 1) {
        text[s] = '0';
        return;
    }
    if (cursor < s)
        return; // the cursor on the minus symbol removes no digit
    memmove(text + cursor, text + cursor + 1, n - cursor);
    if (cursor)
        --cursor;
}

void vuInput::endKeyScheme()
{
    if (!text)
        return;
    if (pendingKey) {
        if (endFunc)
            endFunc(reinterpret_cast<intptr_t>(this));
        else if (!numeric() && cursor + 1 < maxLen)
            ++cursor;
    }
    pendingKey = 0;
    pendingTick = 0;
}

void vuInput::changeSign()
{
    if (!text)
        return;
    unsigned short n = length();
    if (n && text[0] == minusSymbol) {
        memmove(text, text + 1, n);
        if (cursor)
            --cursor;
    } else if (n && n < maxLen) {
        memmove(text + 1, text, n + 1u);
        text[0] = minusSymbol;
        ++cursor;
    }
}

// ---- events ---------------------------------------------------------------------

unsigned short vuInput::rowLength(unsigned char key)
{
    const char* row = vuKeyScheme::getKeyScheme(keyScheme, key);
    return row ? static_cast<unsigned short>(strlen(row)) : 0;
}

void vuInput::cycleLetter(unsigned char key)
{
    ++tapCount;
    unsigned char letter = static_cast<unsigned char>(vuKeyScheme::getKeySymbol(keyScheme, key, tapCount));
    if (letter != kEnter)
        exchInValue(letter);
    pendingTick = OsGetTickCount();
}

void vuInput::touchPart(vuEvent* e, int& result, bool keyboard)
{
    short px, py;
    if (e->handled || e->phase == VU_PHASE_NONE || !hitTest(e, px, py))
        return;
    if (e->phase != VU_PHASE_UP)
        return;
    if (!IsActive()) {
        result = 3;
    } else if (!keyboard) {
        return;
    } else {
        vuVirtualKeyboard* kb = vuFindVirtualKeyboard(parent);
        if (kb && IsUseVirtualKeyboard() && !kb->IsActive()) {
            kb->Activate(this);
            result = 2;
        }
    }
    e->handled = 1;
    hexShift = 0;
    endKeyScheme();
}

int vuInput::HandleEvent(vuEvent* e)
{
    if (!e || !IsFocusable())
        return 0;
    int result = 0;
    touchPart(e, result, true);
    if (!IsActive())
        return result;

    unsigned char k = e->key;
    uint32_t now = OsGetTickCount();
    if (k == kDelete) {
        endKeyScheme();
        delFromValue();
        e->handled = 1;
        hexShift = 0;
        result = 2;
    } else if (k == kClear) {
        endKeyScheme();
        initValue();
        e->handled = 1;
        hexShift = 0;
        result = 2;
    } else if (k >= '0' && k <= '9' && numeric()) {
        endKeyScheme();
        unsigned char ch = k;
        if (hexShift && k >= '1' && k <= '6')
            ch = static_cast<unsigned char>(k + 16);
        pendingKey = addToValue(ch);
        hexShift = 0;
        pendingTick = now;
        if (!(options & VU_IN_HIDDEN))
            endKeyScheme();
        e->handled = 1;
        result = 2;
    } else if (k >= '0' && k <= '9') {
        if (k == pendingKey && nextCode == 0 && vuMultiTapOpen(pendingTick, OsGetTickCount()) &&
            rowLength(k) > 1) {
            cycleLetter(k);
        } else if (k != nextCode) {
            unsigned char letter = static_cast<unsigned char>(vuKeyScheme::getKeySymbol(keyScheme, k, 0));
            endKeyScheme();
            tapCount = 0;
            if (letter && addToValue(letter)) {
                pendingKey = k;
                pendingTick = now;
            }
        }
        e->handled = 1;
        result = 2;
    } else if (k && k != nextCode) {
        if (pendingKey)
            result = 2;
        endKeyScheme();
        // The hex key itself toggles the shift below: it must not clear it
        // first, or a second press could never take the shift back.
        if (!(numeric() && (options & VU_IN_HEX) && k == hexCode))
            hexShift = 0;
    } else if (e->vkChar) {
        endKeyScheme();
        hexShift = 0;
        // The character is this field's: it must not also act as a close
        // code of the form.
        e->handled = 1;
        if (e->vkChar == kEnter) {
            vuForm* form = dynamic_cast<vuForm*>(parent);
            unsigned char next = form ? form->GetControlCodeNext() : 0;
            if (next)
                vuUI::SetChar(next);
        } else if (addToValue(e->vkChar)) {
            pendingKey = e->vkChar;
            endKeyScheme();
            result = 2;
        }
    }

    if (!e->handled && k) {
        if (numeric() && (options & VU_IN_HEX) && k == hexCode) {
            hexShift = hexShift ? 0 : 1;
            pendingTick = 0;
            e->handled = 1;
            result = 2;
        } else if (numeric() && !(options & VU_IN_RIGHT) && k == pointCode) {
            if (radix) {
                unsigned short d = static_cast<unsigned short>(length() - radix);
                cursor = cursor < d ? d : static_cast<unsigned short>(d ? d - 1 : 0);
            }
            hexShift = 0;
            pendingTick = 0;
            e->handled = 1;
            result = 2;
        } else if (numeric() && (options & VU_IN_SIGN) && k == signCode) {
            changeSign();
            hexShift = 0;
            pendingTick = 0;
            e->handled = 1;
            result = 2;
        } else if (!numeric() && pendingKey && k == nextCode) {
            if (rowLength(pendingKey) > 1) {
                cycleLetter(pendingKey);
                result = 2;
            }
        }
    }

    if (!e->handled && nextCode == 0 && pendingTick && !vuMultiTapOpen(pendingTick, OsGetTickCount())) {
        if (pendingKey)
            endKeyScheme();
        pendingTick = 0;
        result = 2;
    }
    return result;
}

// ---- drawing ---------------------------------------------------------------------

int vuInput::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb || !text)
        return 0;
    vuFont* F = fb->GetFont(font);
    vuFont* G = radix ? fb->GetFont(fractionFont) : F;
    if (!F || !G)
        return 0;
    bool active = IsActive() != 0;
    unsigned short colour = active ? activeFront : passiveFront;
    int fw = F->GetWidth(), gw = G->GetWidth();
    int fh = F->GetHeight(), gh = G->GetHeight();
    int U = width - 4;
    int n = length();
    int r = radix <= n ? radix : n;
    int I = n - r + (cursor >= n ? 1 : 0);
    int gap = r ? (fw < 12 ? 2 : 4) : 0;
    int T = I * fw + (r ? gap + r * gw : 0);
    bool curInFraction = r && cursor + r >= n && cursor < n;
    int X = curInFraction ? I * fw + gap + (cursor + r - n) * gw : cursor * fw;
    int W = curInFraction ? gw : fw;

    vuViewPort area{static_cast<int16_t>(x + 2), y, static_cast<uint16_t>(U > 0 ? U : 0), height, 0, 0};
    if (parent)
        parent->GetViewPort(&area);
    if (!vuViewPort::IsExist(&area))
        return 0;

    int o = 0, s = 0;
    if (T <= U) {
        if (flags & VU_WF_JUSTIFY_RIGHT)
            o = U - T;
        else if (!(flags & VU_WF_JUSTIFY_LEFT))
            o = (U - T) / 2;
    } else {
        // The cursor's cell ends at the right edge, or the text's end is
        // shown as far as that keeps the cursor in view.
        s = X + W > U ? X + W - U : (T - U < X ? T - U : X);
    }
    auto vplace = [this](int h) {
        if (flags & VU_WF_JUSTIFY_BOTTOM)
            return static_cast<int>(height) - h - 2;
        if (flags & VU_WF_JUSTIFY_TOP)
            return 0;
        return (static_cast<int>(height) - h - 2) / 2;
    };
    int vF = vplace(fh), vG = vplace(gh);
    int tF = vF > 0 ? vF : 0, tG = vG > 0 ? vG : 0;

    if (n > 0) {
        char* shown = text;
        char* copy = nullptr;
        if (options & VU_IN_HIDDEN) {
            copy = static_cast<char*>(malloc(n + 1u));
            if (!copy)
                return 0;
            memset(copy, hideSymbol, n);
            copy[n] = 0;
            if (cursor < n && pendingTick && vuMultiTapOpen(pendingTick, OsGetTickCount()))
                copy[cursor] = text[cursor];
            shown = copy;
        }
        int boxW = U - o;
        if (boxW > 0 && n - r > 0)
            F->DrawString(fb, &area, shown, static_cast<unsigned short>(n - r), static_cast<unsigned short>(s),
                          static_cast<unsigned short>(vF < 0 ? -vF : 0), static_cast<short>(x + o + 2),
                          static_cast<short>(y + tF + 1), static_cast<unsigned short>(boxW),
                          static_cast<unsigned short>(height - tF), colour);
        if (r) {
            int fx = x + o + gap + I * fw - s + 2;
            G->DrawString(fb, &area, shown + n - r, static_cast<unsigned short>(r), 0,
                          static_cast<unsigned short>(vG < 0 ? -vG : 0), static_cast<short>(fx),
                          static_cast<short>(y + tG + 1), static_cast<unsigned short>(r * gw),
                          static_cast<unsigned short>(height - tG), colour);
        }
        free(copy);
    } else if (numeric() && !radix && !(options & VU_IN_HEX) && !mayStayEmpty()) {
        F->DrawString(fb, &area, "0", 1, 0, static_cast<unsigned short>(vF < 0 ? -vF : 0),
                      static_cast<short>(x + o + 2), static_cast<short>(y + tF + 1),
                      static_cast<unsigned short>(U - o > 0 ? U - o : 0), static_cast<unsigned short>(height - tF),
                      colour);
    }

    if (numeric() && radix) {
        short px = static_cast<short>(x + o + I * fw - s + 2);
        short py = static_cast<short>(y + tF + fh + 1);
        if (dotMark) {
            dotMark->SetColor(colour);
            dotMark->Draw(fb, port, 0, 0, static_cast<short>(px + 1), static_cast<short>(py - 3),
                          dotMark->GetWidth(), dotMark->GetHeight());
        } else {
            vuMemIcon::DrawIcon(fb, port, 0, 0, static_cast<short>(px + 1), static_cast<short>(py - 3),
                                vuMemIcon::GetWidth(VU_MEMICON_DOT), vuMemIcon::GetHeight(VU_MEMICON_DOT),
                                VU_MEMICON_DOT, colour);
        }
    }

    if (active && (!(options & VU_IN_BLINK) || ((OsGetTickCount() / 500) % 2) == 0)) {
        int ch = curInFraction ? gh : fh;
        int ct = curInFraction ? tG : tF;
        short cx = static_cast<short>(x + o + X - s + 2);
        short cy = static_cast<short>(y + cursorLineShift + ch + ct + 1);
        fb->Line(&area, cx, cy, static_cast<short>(cx + W - 1), cy, passiveFront, 0);
    }

    drawCutMarks(fb, port, s > 0, T - s > U, y + tF + 1, fh, colour);
    return 0;
}

void vuInput::drawCutMarks(vuFrameBuffer* fb, vuViewPort* port, bool before, bool after, int top, int h,
                           unsigned short colour)
{
    const short t = static_cast<short>(top), b = static_cast<short>(top + h);
    if (before)
        fb->Line(port, static_cast<short>(x + 1), t, static_cast<short>(x + 1), b, colour, 0);
    if (after)
        fb->Line(port, static_cast<short>(x + width - 2), t, static_cast<short>(x + width - 2), b, colour, 0);
}

bool vuInput::DrawsBeside()
{
    return (options & VU_IN_HINT) && (flags & VU_WF_FOCUSED);
}

bool vuInput::GetSoleArea(int16_t& sx, int16_t& sy, uint16_t& sw, uint16_t& sh)
{
    if (DrawsBeside() || IsTransparency() || activeBackImage || passiveBackImage)
        return false;
    return GetScreenArea(sx, sy, sw, sh);
}

int vuInput::DrawHint(vuFrameBuffer* fb, vuViewPort*)
{
    if ((options & VU_IN_HINT) && (flags & VU_WF_FOCUSED))
        vuDrawKeyHint(fb, parent, x, y, height, font, keyScheme, pendingKey, tapCount, passiveFront, passiveBack);
    return 0;
}

// ---- the screen trace ----------------------------------------------------

const char* vuInput::TraceType() { return "input"; }

unsigned short vuInput::TraceTextColor() { return IsActive() ? GetActiveFrontColor() : GetPassiveFrontColor(); }

void vuInput::TraceText(vuTraceItem& item)
{
    const char* value = GetValue();
    const size_t n = value ? strlen(value) : 0;
    if (GetOptions() & VU_IN_HIDDEN) {
        // A password or a PIN: its length and the hide symbols the screen
        // shows, never the text (a trace is read by people).
        const char symbol = GetHideSymbol() ? GetHideSymbol() : '*';
        item.Str("label", std::string(n, symbol).c_str()).Num("hidden", static_cast<long>(n));
    } else {
        item.Str("label", value);
    }
    item.Num("font", GetFontIndex());
    // It takes a multi-tap letter now and shows its strip: a text field
    // with room for one more.
    if (!(GetOptions() & VU_IN_NUMERIC) && (GetOptions() & VU_IN_HINT) && n + 1 < GetMaxLen())
        item.Num("letters", 1);
}

unsigned char vuInput::TraceHintKey()
{
    return (GetOptions() & VU_IN_HINT) && (GetFlags() & VU_WF_FOCUSED) ? GetPendingKey() : 0;
}
