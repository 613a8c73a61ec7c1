#include "vuPanel.h"

#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuMotion.h"
#include "vuUI.h"
#include "vuViewPort.h"

namespace {

enum { kNone = 0, kHide = 1, kOpen = 2 };

}

vuPanel::vuPanel(short px, short py, unsigned short w, unsigned short h, unsigned short opts)
    : vuForm(), command(kNone), hideCode(0), openCode(0), speed(0), stepCount(0), target(0), along(0)
{
    options = opts;
    width = w;
    height = h;
    x = 0;
    y = 0;
    along = horizontal() ? py : px;
    SetCorrection(horizontal() ? 0 : along, horizontal() ? along : 0);
    UpdateCoordinates();
}

vuPanel::~vuPanel() {}

_VU_TypeObject vuPanel::GetType() const
{
    return VU_TYPE_PANEL;
}

void vuPanel::UpdateCoordinates()
{
    // The place along the edge lives in the correction, so the position
    // itself stays (0, 0) on both axes.
    x = 0;
    y = 0;
    int b = (options & VU_FO_NO_BORDER) ? 0 : 1;
    int top = (options & VU_FO_HEADER) ? headerHeight : b;
    clientX = static_cast<int16_t>(b);
    clientY = static_cast<int16_t>(top);
    int cw = width - 2 * b, ch = height - top - b;
    clientWidth = static_cast<uint16_t>(cw > 0 ? cw : 0);
    clientHeight = static_cast<uint16_t>(ch > 0 ? ch : 0);
}

int vuPanel::parentSpan()
{
    if (parent)
        return horizontal() ? parent->GetClientWidth() : parent->GetClientHeight();
    return horizontal() ? vuUI::GetClientWidth() : vuUI::GetClientHeight();
}

short vuPanel::GetHiddenPosition()
{
    switch (edge()) {
    case VU_PANEL_LEFT: return static_cast<short>(VU_PANEL_STRIP - width);
    case VU_PANEL_RIGHT: return static_cast<short>(parentSpan() - VU_PANEL_STRIP);
    case VU_PANEL_TOP: return static_cast<short>(VU_PANEL_STRIP - height);
    default: return static_cast<short>(parentSpan() - VU_PANEL_STRIP);
    }
}

short vuPanel::GetOpenPosition()
{
    switch (edge()) {
    case VU_PANEL_LEFT:
    case VU_PANEL_TOP: return 0;
    case VU_PANEL_RIGHT: return static_cast<short>(parentSpan() - width);
    default: return static_cast<short>(parentSpan() - height);
    }
}

short vuPanel::GetPosition() const
{
    return horizontal() ? corrX : corrY;
}

short& vuPanel::position()
{
    return horizontal() ? corrX : corrY;
}

void vuPanel::setPosition(short pos)
{
    position() = pos;
}

void vuPanel::startHide()
{
    target = GetHiddenPosition();
    // Left and top panels hide towards smaller positions.
    bool towardsSmaller = edge() == VU_PANEL_LEFT || edge() == VU_PANEL_TOP;
    speed = towardsSmaller ? -1 : 1;
}

void vuPanel::startOpen()
{
    target = GetOpenPosition();
    bool towardsLarger = edge() == VU_PANEL_LEFT || edge() == VU_PANEL_TOP;
    speed = towardsLarger ? 1 : -1;
}

void vuPanel::Reset()
{
    speed = 0;
    stepCount = 0;
    command = kNone;
    SetCorrection(horizontal() ? 0 : along, horizontal() ? along : 0);
    vuForm::Reset();
    setPosition(GetHiddenPosition());
    target = GetOpenPosition();
}

int vuPanel::IsHide()
{
    return GetPosition() == GetHiddenPosition() ? 1 : 0;
}

int vuPanel::IsOpen()
{
    return GetPosition() == GetOpenPosition() ? 1 : 0;
}

void vuPanel::Hide()
{
    command = kHide;
}

void vuPanel::Open()
{
    command = kOpen;
}

void vuPanel::SetCommandCode(unsigned char hide, unsigned char open)
{
    hideCode = hide;
    openCode = open;
}

int vuPanel::CorrectMotion(short t, short& pos, short& s, unsigned short& n)
{
    int p = pos;
    int r = vuMotionStep(t, p, s, n);
    pos = static_cast<short>(p);
    return r;
}

bool vuPanel::inBand(short px, short py)
{
    const int W = width, H = height;
    const int span = parentSpan();
    switch (edge()) {
    case VU_PANEL_LEFT: return px >= 0 && px <= VU_PANEL_BAND && py >= along && py < along + H;
    case VU_PANEL_RIGHT: return px >= span - VU_PANEL_BAND && px <= span && py >= along && py < along + H;
    case VU_PANEL_TOP: return py >= 0 && py <= VU_PANEL_BAND && px >= along && px < along + W;
    default: return py >= span - VU_PANEL_BAND && py <= span && px >= along && px < along + W;
    }
}

int vuPanel::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = 0;
    const unsigned char k = e->key;
    if (command == kHide || (!IsHide() && k && k == hideCode))
        startHide();
    else if (command == kOpen || (k && k == openCode))
        startOpen();
    command = kNone;
    if (k && (k == hideCode || k == openCode))
        e->handled = 1;

    const bool hidden = IsHide() != 0;
    if (!hidden)
        result = vuForm::HandleEvent(e);
    if (speed == 0 && e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP) {
        short px = static_cast<short>(e->x), py = static_cast<short>(e->y);
        bool accepted = parent ? parent->ConvertPoint(px, py) : true;
        if (accepted && inBand(px, py)) {
            if (hidden)
                startOpen();
            else
                startHide();
        }
    }
    int m = CorrectMotion(target, position(), speed, stepCount);
    if (result == 0)
        result = m;
    return result;
}

int vuPanel::Draw(vuFrameBuffer* fb)
{
    if (!fb)
        return -4;
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!port.width || !port.height)
        return 0;
    short x0 = originX(), y0 = originY();
    if (options & VU_FO_FILL)
        fb->Fill(&port, x0, y0, width, height, backColor, 0);
    else if (!(options & VU_FO_NO_SHADOW))
        fb->Shadow(&port, x0, y0, width, height);
    if (!(options & VU_FO_NO_BORDER))
        fb->Border(&port, x0, y0, width, height, frontColor);
    DrawHeader(fb, &port);
    if (IsHide())
        return 0;
    return DrawWidgets(fb);
}
