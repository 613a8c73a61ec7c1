#include "vuWidget.h"

#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuKeyScheme.h"
#include "vuMultiTap.h"
#include "vuTrace.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"
#include "vuWidgetParts.h"

namespace {

// Geometry of the scroll bars: a two-pixel band three pixels in from the
// edge, a 16-pixel thumb, shown only on widgets at least 20 pixels across.
const unsigned short kBarWidth = 2;
const unsigned short kBarMinSize = 20;
const unsigned short kThumb = 16;

}

vuWidget::vuWidget() : vuWidget(0, 0, 0, 0) {}

vuWidget::vuWidget(short x, short y, unsigned short w, unsigned short h)
    : vuViewObject(x, y, w, h),
      flags(0),
      font(0),
      keyScheme(0),
      passiveFront(0xFFFF),
      passiveBack(0),
      activeFront(0xFFFF),
      activeBack(0),
      image(nullptr),
      passiveBackImage(nullptr),
      activeBackImage(nullptr),
      scrollX{0, 0, 0, 0},
      scrollY{0, 0, 0, 0}
{
}

vuWidget::~vuWidget()
{
    vuReplaceImage(image, nullptr);
    vuReplaceImage(passiveBackImage, nullptr);
    vuReplaceImage(activeBackImage, nullptr);
}

bool vuWidget::hitTest(const vuEvent* e, short& px, short& py)
{
    px = static_cast<short>(e->x);
    py = static_cast<short>(e->y);
    bool inside = parent ? parent->ConvertPoint(px, py) : true;
    return inside && IsInside(px, py);
}

_VU_TypeObject vuWidget::GetType() const
{
    return VU_TYPE_WIDGET;
}

int vuWidget::GetString(char*, unsigned short)
{
    return 0;
}

void vuWidget::Reset()
{
    scrollX = vuScrollState{0, 0, 0, 0};
    scrollY = vuScrollState{0, 0, 0, 0};
    UnSelect();
    UnFocus();
    if (image)
        image->Reset();
    if (activeBackImage)
        activeBackImage->Reset();
    if (passiveBackImage)
        passiveBackImage->Reset();
}

void vuWidget::Select()
{
    if (IsSelectable())
        flags |= VU_WF_SELECTED;
}

void vuWidget::UnSelect()
{
    if (IsSelectable())
        flags &= ~VU_WF_SELECTED;
}

unsigned short vuWidget::IsSelect()
{
    return IsSelectable() ? (flags & VU_WF_SELECTED) : 0;
}

unsigned short vuWidget::IsSelectable()
{
    return IsVisible() ? (flags & VU_WF_SELECTABLE) : 0;
}

void vuWidget::Focus()
{
    if (IsFocusable())
        flags |= VU_WF_FOCUSED;
}

void vuWidget::UnFocus()
{
    if (IsFocusable())
        flags &= ~VU_WF_FOCUSED;
}

unsigned short vuWidget::IsFocusable()
{
    return IsVisible() ? (flags & VU_WF_FOCUSABLE) : 0;
}

unsigned short vuWidget::IsActive()
{
    return IsVisible() ? (flags & (VU_WF_SELECTED | VU_WF_FOCUSED)) : 0;
}

int vuWidget::IsAnimate()
{
    if (image)
        return image->IsAnimate();
    if (activeBackImage)
        return activeBackImage->IsAnimate();
    if (passiveBackImage)
        return passiveBackImage->IsAnimate();
    return 0;
}

void vuWidget::SetTransparency(unsigned char on)
{
    vuSetFlag(flags, VU_WF_TRANSPARENT, on != 0);
}

void vuWidget::SetActiveTransparency(unsigned char on)
{
    vuSetFlag(flags, VU_WF_ACTIVE_TRANSPARENT, on != 0);
}

void vuWidget::SetFocusable(unsigned char on)
{
    vuSetFlag(flags, VU_WF_FOCUSABLE, on != 0);
}

unsigned short vuWidget::IsTransparency()
{
    unsigned short t = flags & VU_WF_TRANSPARENT;
    if ((flags & VU_WF_ACTIVE_TRANSPARENT) && IsActive())
        t ^= VU_WF_TRANSPARENT;
    return t;
}

void vuWidget::SetVisible(unsigned char visible)
{
    vuSetFlag(flags, VU_WF_HIDDEN, !visible);
}

unsigned char vuWidget::IsVisible()
{
    return (flags & VU_WF_HIDDEN) ? 0 : 1;
}

void vuWidget::SetBorder(unsigned char on)
{
    vuSetFlag(flags, VU_WF_BORDER, on != 0);
}

void vuWidget::SetActiveBorder(unsigned char on)
{
    vuSetFlag(flags, VU_WF_ACTIVE_BORDER, on != 0);
}

unsigned short vuWidget::IsBorder()
{
    unsigned short b = flags & VU_WF_BORDER;
    if ((flags & VU_WF_ACTIVE_BORDER) && IsActive())
        b ^= VU_WF_BORDER;
    return b;
}

unsigned short vuWidget::GetScrollBarYWidth()
{
    return ((flags & VU_WF_SCROLL_Y) && scrollY.range > 0 && width >= kBarMinSize) ? kBarWidth : 0;
}

unsigned short vuWidget::GetScrollBarXHeight()
{
    return ((flags & VU_WF_SCROLL_X) && scrollX.range > 0 && height >= kBarMinSize) ? kBarWidth : 0;
}

void vuWidget::SetJustify(unsigned char j)
{
    vuSetJustifyBits(flags, j);
}

static unsigned short delta(const vuScrollState& s, unsigned char remaining)
{
    if (s.range <= 0)
        return 0;
    if (!remaining)
        return s.offset;
    return s.offset >= s.range ? 0 : static_cast<unsigned short>(s.range - s.offset);
}

unsigned short vuWidget::GetDeltaX(unsigned char remaining)
{
    return delta(scrollX, remaining);
}

unsigned short vuWidget::GetDeltaY(unsigned char remaining)
{
    return delta(scrollY, remaining);
}

int vuWidget::IsUseVirtualKeyboard()
{
    return 0;
}

void vuWidget::SetActiveColor(unsigned short front, unsigned short back)
{
    activeFront = front;
    activeBack = back;
}

void vuWidget::SetPassiveColor(unsigned short front, unsigned short back)
{
    passiveFront = front;
    passiveBack = back;
}

unsigned short vuWidget::GetFrontColor()
{
    return IsActive() ? activeFront : passiveFront;
}

unsigned short vuWidget::GetBackColor()
{
    return IsActive() ? activeBack : passiveBack;
}

unsigned short vuWidget::GetActiveFrontColor()
{
    return activeFront;
}

unsigned short vuWidget::GetActiveBackColor()
{
    return activeBack;
}

void vuWidget::SetActiveBackImage(vuImage* img)
{
    vuReplaceImage(activeBackImage, img);
}

void vuWidget::SetPassiveBackImage(vuImage* img)
{
    vuReplaceImage(passiveBackImage, img);
}

void vuWidget::SetFont(unsigned short slot)
{
    font = slot;
}

unsigned short vuWidget::GetFontIndex()
{
    return font;
}

void vuWidget::SetKeyScheme(unsigned short index)
{
    keyScheme = index;
}

unsigned short vuWidget::GetKeySchemeIndex()
{
    return keyScheme;
}

int vuWidget::Draw(vuFrameBuffer* fb)
{
    if (!fb)
        return -4;
    int result = 0;
    if (!IsVisible())
        return 0;
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (vuViewPort::IsExist(&port)) {
        DrawBack(fb, &port);
        result = DrawItem(fb, &port);
        unsigned short xh = GetScrollBarXHeight();
        unsigned short yw = GetScrollBarYWidth();
        if (xh) {
            int t = scrollX.offset * (width - 17 - yw) / scrollX.range;
            short by = static_cast<short>(y + height - 3);
            fb->Line(&port, x, by, static_cast<short>(x + width - yw - 1), by, passiveFront,
                     vuFrameBuffer::LINE_DOUBLE | vuFrameBuffer::LINE_DOTTED);
            fb->Line(&port, static_cast<short>(x + t), by, static_cast<short>(x + t + kThumb), by, activeFront,
                     vuFrameBuffer::LINE_DOUBLE);
        }
        if (yw) {
            int t = scrollY.offset * (height - 17 - xh) / scrollY.range;
            short bx = static_cast<short>(x + width - 3);
            fb->Line(&port, bx, y, bx, static_cast<short>(y + height - xh - 1), passiveFront,
                     vuFrameBuffer::LINE_DOUBLE | vuFrameBuffer::LINE_DOTTED);
            fb->Line(&port, bx, static_cast<short>(y + t), bx, static_cast<short>(y + t + kThumb), activeFront,
                     vuFrameBuffer::LINE_DOUBLE);
        }
        if (IsBorder())
            fb->Border(&port, x, y, width, height, IsActive() ? activeFront : passiveFront);
    }
    if (result == 0)
        result = DrawHint(fb, &port);
    return result;
}

bool vuWidget::GetSoleArea(int16_t&, int16_t&, uint16_t&, uint16_t&)
{
    return false;
}

bool vuWidget::DrawsBeside()
{
    return false;
}

bool vuWidget::GetScreenArea(int16_t& sx, int16_t& sy, uint16_t& sw, uint16_t& sh)
{
    if (!IsVisible())
        return false;
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!vuViewPort::IsExist(&port))
        return false;
    sx = port.x;
    sy = port.y;
    sw = port.width;
    sh = port.height;
    return true;
}

int vuWidget::DrawBack(vuFrameBuffer* fb, vuViewPort* port)
{
    bool active = IsActive() != 0;
    vuImage* back = active ? activeBackImage : passiveBackImage;
    unsigned short iw = back ? back->GetWidth() : 0;
    unsigned short ih = back ? back->GetHeight() : 0;
    unsigned short c = active ? activeBack : passiveBack;
    bool covered = back && iw >= width && ih >= height;
    if (!IsTransparency() && !covered)
        fb->Fill(port, x, y, width, height, c, 0);
    if (back) {
        back->SetColor(c);
        vuDrawCentred(fb, port, back, x, y, width, height);
    }
    return 0;
}

int vuWidget::DrawItem(vuFrameBuffer*, vuViewPort*)
{
    return 0;
}

int vuWidget::DrawHint(vuFrameBuffer*, vuViewPort*)
{
    return 0;
}

int vuWidget::HandleEvent(vuEvent*)
{
    return 0;
}

// ---- the screen trace ----------------------------------------------------

const char* vuWidget::TraceType() { return "other"; }

unsigned short vuWidget::TraceTextColor() { return GetPassiveFrontColor(); }

void vuWidget::TraceText(vuTraceItem&) {}

unsigned char vuWidget::TraceHintKey() { return 0; }

void vuWidget::TraceRows(std::string&, int, int) {}

bool vuWidget::TraceShowsHint(unsigned char& key)
{
    key = TraceHintKey();
    return key != 0 && vuKeyScheme::getKeyScheme(GetKeySchemeIndex(), key) != nullptr;
}

void vuWidget::TraceItems(std::string& items, const vuViewPort& client)
{
    if (!IsVisible())
        return;
    const int x = GetX() + client.offsetX, y = GetY() + client.offsetY;
    vuTraceItem item("widget", x, y, GetWidth(), GetHeight());
    item.Str("type", TraceType()).Str("name", GetName()).Num("fg", TraceTextColor());
    TraceText(item);
    if (GetFlags() & VU_WF_FOCUSED)
        item.Num("focus", 1);
    if (IsBorder())
        item.Num("border", 1);
    // Scroll bars are drawn inside the right and bottom edges, in the last
    // three columns or rows (Draw), whatever width they reserve.
    const int kBarEdge = 3;
    if (GetScrollBarYWidth())
        item.Num("barw", kBarEdge);
    if (GetScrollBarXHeight())
        item.Num("barh", kBarEdge);
    item.Rect("clip", client.x, client.y, client.width, client.height).AppendTo(items);

    // The multi-tap strip it shows now: where it is meant to go, before any
    // clipping, and the field it types into.
    unsigned char key;
    short hx, hy;
    unsigned short hw, hh;
    if (TraceShowsHint(key) && vuKeyHintRect(GetParent(), GetX(), GetY(), GetHeight(), GetFontIndex(),
                                              GetKeySchemeIndex(), key, hx, hy, hw, hh))
        vuTraceItem("hint", hx + client.offsetX, hy + client.offsetY, hw, hh)
            .Str("name", GetName())
            .Rect("field", x, y, GetWidth(), GetHeight())
            .Rect("clip", client.x, client.y, client.width, client.height)
            .AppendTo(items);
    TraceRows(items, x, y);
}
