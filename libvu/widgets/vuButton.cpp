#include "vuButton.h"

#include <stdlib.h>
#include <string.h>

#include "vuColor.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuIPInput.h"
#include "vuImage.h"
#include "vuInput.h"
#include "vuMultiLine.h"
#include "vuStatic.h"
#include "vuUI.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

vuButton::vuButton(short x, short y, unsigned short w, unsigned short h, const char* t, vuImage* img,
                   unsigned char c)
    : vuWidget(x, y, w, h),
      text((t && *t) ? strdup(t) : nullptr),
      code(c),
      accel(0),
      options(0),
      slave(nullptr),
      slaveValue(nullptr)
{
    flags = VU_WF_SELECTABLE;
    font = 1;
    passiveFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 6));
    passiveBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 7));
    activeFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 8));
    activeBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 9));
    image = img;
}

vuButton::~vuButton()
{
    free(text);
    free(slaveValue);
}

_VU_TypeObject vuButton::GetType() const
{
    return VU_TYPE_BUTTON;
}

int vuButton::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -4;
    bool pressed = IsSelect() != 0;
    vuImage* back = pressed ? activeBackImage : passiveBackImage;
    if (!(options & VU_BO_NO_BEVEL) && !back) {
        unsigned short e = pressed ? activeFront : passiveFront;
        short r = static_cast<short>(x + width - 1), b = static_cast<short>(y + height - 1);
        // Top and left, two pixels each.
        fb->Line(port, x, y, r, y, e, 0);
        fb->Line(port, static_cast<short>(x + 1), static_cast<short>(y + 1), static_cast<short>(r - 1),
                 static_cast<short>(y + 1), e, 0);
        fb->Line(port, x, y, x, b, e, 0);
        fb->Line(port, static_cast<short>(x + 1), static_cast<short>(y + 1), static_cast<short>(x + 1),
                 static_cast<short>(b - 1), e, 0);
        if (!pressed) {
            fb->Line(port, r, b, static_cast<short>(r - 1), static_cast<short>(b - 1), e, 0);
        } else {
            fb->Line(port, x, b, r, b, e, 0);
            fb->Line(port, static_cast<short>(x + 1), static_cast<short>(b - 1), static_cast<short>(r - 1),
                     static_cast<short>(b - 1), e, 0);
            fb->Line(port, r, y, r, b, e, 0);
            fb->Line(port, static_cast<short>(r - 1), y, static_cast<short>(r - 1), static_cast<short>(b - 1), e, 0);
        }
        if (width > 4 && height > 4)
            fb->Border(port, static_cast<short>(x + 2), static_cast<short>(y + 2), width - 4, height - 4,
                       passiveFront);
    }
    return vuDrawContent(fb, port, static_cast<short>(x + 2), static_cast<short>(y + 2),
                         static_cast<short>(width - 4), static_cast<short>(height - 4), flags, font, text, image,
                         pressed ? activeFront : passiveFront);
}

int vuButton::click(vuEvent* e, bool touch)
{
    if (touch)
        UnSelect();
    int result = 2;
    if (!(options & VU_BO_NO_CLOSE)) {
        if (code == 13)
            result = 1;
        else if (code == 27)
            result = -1;
    }
    vuUI::SetChar(code);
    setWidgetValue();
    e->handled = 1;
    return result;
}

int vuButton::HandleEvent(vuEvent* e)
{
    if (!e || !IsSelectable())
        return 0;
    int result = 0;
    bool was = IsSelect() != 0;
    short px, py;
    bool inside = hitTest(e, px, py) && e->phase != VU_PHASE_NONE;
    switch (e->phase) {
    case VU_PHASE_DOWN:
        if (inside && !e->handled) {
            Select();
            result = 2;
            e->handled = 1;
        }
        break;
    case VU_PHASE_MOVE:
        if (inside && !was && !e->handled) {
            Select();
            result = 2;
            e->handled = 1;
        } else if (!inside && was) {
            // The finger left the button: the press is dropped.
            UnSelect();
            result = 2;
        }
        break;
    case VU_PHASE_UP:
        if (inside && !e->handled) {
            result = click(e, true);
        } else if (was) {
            UnSelect();
            result = 2;
        }
        break;
    default:
        break;
    }
    if (accel && !e->handled && e->key == static_cast<unsigned char>(accel))
        result = click(e, false);
    return result;
}

void vuButton::setWidgetValue()
{
    if (!slave || !slaveValue)
        return;
    switch (slave->GetType()) {
    case VU_TYPE_STATIC:
        static_cast<vuStatic*>(slave)->SetText(slaveValue);
        break;
    case VU_TYPE_MULTI_LINE:
        static_cast<vuMultiLine*>(slave)->SetValue(slaveValue);
        break;
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
        static_cast<vuInput*>(slave)->SetValue(slaveValue);
        break;
    case VU_TYPE_IP_INPUT:
        static_cast<vuIPInput*>(slave)->SetIPtext(slaveValue);
        break;
    default:
        break;
    }
}

unsigned short vuButton::SetOption(unsigned short bits)
{
    options |= bits;
    return options;
}

unsigned short vuButton::ClearOption(unsigned short bits)
{
    options &= ~bits;
    return options;
}

void vuButton::SetAccelCode(char c)
{
    accel = c;
}

void vuButton::SetSlaveWidget(vuWidget* w)
{
    slave = w;
}

void vuButton::SetSlaveValue(const char* value)
{
    vuReplaceText(slaveValue, value);
}

void vuButton::SetText(const char* t)
{
    vuReplaceText(text, t);
}

void vuButton::SetImage(vuImage* img)
{
    vuReplaceImage(image, img);
}

// ---- the screen trace ----------------------------------------------------

const char* vuButton::TraceType() { return "button"; }

unsigned short vuButton::TraceTextColor() { return IsSelect() ? GetActiveFrontColor() : GetPassiveFrontColor(); }

void vuButton::TraceText(vuTraceItem& item) { item.Label(GetText(), GetFontIndex()); }
