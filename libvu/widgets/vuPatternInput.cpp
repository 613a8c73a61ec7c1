#include "vuPatternInput.h"

#include <stdlib.h>
#include <string.h>

#include "osal.h"
#include "vuColor.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuKeyScheme.h"
#include "vuMultiTap.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"
#include "vuWidgetParts.h"

vuPatternInput::vuPatternInput(short x_, short y_, unsigned short w, unsigned short h, unsigned short opts,
                               const char* pat)
    : vuInput(x_, y_, w, h, calcLen(pat), opts),
      fillSymbol(' '),
      pattern(pat ? strdup(pat) : nullptr),
      patPassiveFront(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 14))),
      patPassiveBack(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 15))),
      patActiveFront(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 16))),
      patActiveBack(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 17)))
{
}

vuPatternInput::~vuPatternInput()
{
    free(pattern);
    pattern = nullptr;
}

_VU_TypeObject vuPatternInput::GetType() const
{
    return VU_TYPE_PATTERN_INPUT;
}

unsigned short vuPatternInput::calcLen(const char* t)
{
    unsigned short n = 0;
    for (; t && *t; ++t)
        if (*t == '#')
            ++n;
    return n;
}

unsigned short vuPatternInput::calcLines(const char* t)
{
    if (!t)
        return 0;
    unsigned short n = 1;
    for (; *t; ++t)
        if (*t == '\n')
            ++n;
    return n;
}

unsigned short vuPatternInput::calcLineLen(const char* t, unsigned short& index)
{
    if (!t)
        return 0;
    unsigned short n = 0;
    while (t[index] && t[index] != '\n') {
        if (t[index] != '\r')
            ++n;
        ++index;
    }
    if (t[index] == '\n')
        ++index;
    return n;
}

unsigned short vuPatternInput::getPatternCurPos()
{
    if (!pattern)
        return 0;
    unsigned short place = cursor;
    if (place >= maxLen)
        place = maxLen ? static_cast<unsigned short>(maxLen - 1) : 0;
    unsigned short seen = 0, last = 0;
    for (unsigned short i = 0; pattern[i]; ++i) {
        if (pattern[i] != '#')
            continue;
        if (seen == place)
            return i;
        last = i;
        ++seen;
    }
    return last;
}

void vuPatternInput::SetPattern(const char* pat)
{
    vuReplaceText(pattern, pat);
    if (pattern)
        vuInput::SetMaxLen(calcLen(pattern));
}

void vuPatternInput::SetMaxLen(unsigned short len)
{
    if (len && len <= calcLen(pattern))
        vuInput::SetMaxLen(len);
}

void vuPatternInput::SetPatternActiveColor(unsigned short front, unsigned short back)
{
    patActiveFront = front;
    patActiveBack = back;
}

void vuPatternInput::SetPatternPassiveColor(unsigned short front, unsigned short back)
{
    patPassiveFront = front;
    patPassiveBack = back;
}

void vuPatternInput::SetFillSymbol(char ch)
{
    fillSymbol = ch;
}

// ---- editing steps ----------------------------------------------------------------

void vuPatternInput::initValue()
{
    if (!text)
        return;
    memset(text, 0, maxLen + 1u);
    cursor = 0;
    hexShift = 0;
}

unsigned char vuPatternInput::addToValue(unsigned char ch)
{
    if (!text || cursor > maxLen)
        return 0;
    if (cursor == maxLen) {
        if (options & VU_IN_OVERWRITE)
            return 0;
        cursor = static_cast<unsigned short>(maxLen - 1);
    }
    text[cursor] = static_cast<char>(ch);
    if (numeric())
        ++cursor;
    return ch;
}

void vuPatternInput::delFromValue()
{
    if (!text || !cursor)
        return;
    --cursor;
    text[cursor] = 0;
}

void vuPatternInput::endKeyScheme()
{
    if (!text)
        return;
    if (pendingKey) {
        if (!numeric() && cursor < maxLen)
            ++cursor;
        pendingKey = 0;
    }
    pendingTick = 0;
}

// ---- drawing ---------------------------------------------------------------------

int vuPatternInput::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb || !text || !pattern || !*pattern)
        return 0;
    vuFont* F = fb->GetFont(font);
    if (!F)
        return 0;
    int cw = F->GetWidth(), chh = F->GetHeight();
    bool active = IsActive() != 0;
    bool ip = GetType() == VU_TYPE_IP_INPUT;
    unsigned short front = active ? activeFront : passiveFront;
    unsigned short pFront = active ? patActiveFront : patPassiveFront;
    unsigned short pBack = active ? patActiveBack : patPassiveBack;
    int lines = calcLines(pattern);
    unsigned short Pc = getPatternCurPos();

    int W = width;
    vuViewPort area{static_cast<int16_t>(x + 2), y, static_cast<uint16_t>(W > 4 ? W - 4 : 0), height, 0, 0};
    if (parent)
        parent->GetViewPort(&area);
    if (!vuViewPort::IsExist(&area))
        return 0;

    int t;
    if (flags & VU_WF_JUSTIFY_BOTTOM)
        t = height - lines * chh;
    else if (flags & VU_WF_JUSTIFY_TOP)
        t = 0;
    else
        t = (static_cast<int>(height) - lines * chh) / 2;

    bool fresh = pendingTick && vuMultiTapOpen(pendingTick, OsGetTickCount());
    unsigned i = 0;
    unsigned short index = 0;
    for (int line = 0; line < lines; ++line) {
        unsigned short s = index;
        int n = calcLineLen(pattern, index);
        if (n > 0) {
            int o;
            if (flags & VU_WF_JUSTIFY_RIGHT)
                o = W - n * cw - 4;
            else if (flags & VU_WF_JUSTIFY_LEFT)
                o = 0;
            else
                o = (W - n * cw - 4) / 2;
            // Column of the cursor's place when it lies in this line.
            int pcol = -1;
            if (Pc >= s && Pc < index) {
                pcol = 0;
                for (unsigned short k = s; k < Pc; ++k)
                    if (pattern[k] != '\r')
                        ++pcol;
            }
            if (pcol >= 0) {
                if (o + pcol * cw < 0)
                    o = -pcol * cw;
                else if (o + pcol * cw > W - cw - 4)
                    o = W - (pcol + 1) * cw - 4;
            }
            int j = 0;
            for (unsigned short k = s; j < n; ++k) {
                char p = pattern[k];
                if (p == '\r')
                    continue;
                short cx = static_cast<short>(x + o + j * cw + 2);
                short cy = static_cast<short>(y + t);
                if (p != '#') {
                    F->DrawString(fb, &area, &p, 1, 0, 0, cx, cy, static_cast<unsigned short>(cw),
                                  static_cast<unsigned short>(chh), front);
                } else {
                    char shown;
                    if (i >= maxLen) {
                        shown = fillSymbol;
                    } else if (ip) {
                        shown = text[i];
                    } else if (i >= cursor) {
                        shown = fillSymbol;
                        if (i == cursor && !numeric() && pendingKey)
                            shown = static_cast<char>(vuKeyScheme::getKeySymbol(keyScheme, pendingKey, tapCount));
                    } else {
                        shown = text[i];
                        if ((options & VU_IN_HIDDEN) && !(i + 1 == cursor && numeric() && pendingKey && fresh))
                            shown = hideSymbol;
                    }
                    ++i;
                    if (!(options & VU_IN_NO_FILL))
                        fb->Fill(&area, cx, cy, static_cast<unsigned short>(cw), static_cast<unsigned short>(chh),
                                 pBack, 0);
                    F->DrawString(fb, &area, &shown, 1, 0, 0, cx, cy, static_cast<unsigned short>(cw),
                                  static_cast<unsigned short>(chh), pFront);
                }
                ++j;
            }
            if (active && pcol >= 0) {
                short lx = static_cast<short>(x + o + pcol * cw + 3);
                short ly = static_cast<short>(y + t + cursorLineShift + chh - 1);
                fb->Line(&area, lx, ly, static_cast<short>(lx + cw - 2), ly, activeFront, 0);
            }
            drawCutMarks(fb, port, o < 0, o + n * cw > W - 4, y + t, chh, front);
        }
        t += chh;
    }
    return 0;
}
