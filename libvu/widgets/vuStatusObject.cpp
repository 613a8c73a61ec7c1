#include "vuStatusObject.h"

#include <string.h>

#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"
#include "vuWidgetParts.h"

vuStatusObject::vuStatusObject(short ox, short oy, unsigned short w, unsigned short h)
    : vuViewObject(ox, oy, w, h), flags(VU_SO_TRANSPARENT), font(0), frontColor(0), backColor(0), backImage(nullptr)
{
}

vuStatusObject::~vuStatusObject()
{
    vuReplaceImage(backImage, nullptr);
}

_VU_TypeObject vuStatusObject::GetType() const
{
    return VU_TYPE_STATUS_OBJECT;
}

void vuStatusObject::SetColor(unsigned short front, unsigned short back)
{
    frontColor = front;
    backColor = back;
}

unsigned short vuStatusObject::GetFrontColor()
{
    return frontColor;
}

unsigned short vuStatusObject::GetBackColor()
{
    return backColor;
}

void vuStatusObject::SetTransparency(unsigned char on)
{
    vuSetFlag(flags, VU_SO_TRANSPARENT, on != 0);
}

void vuStatusObject::SetBorder(unsigned char on)
{
    vuSetFlag(flags, VU_SO_BORDER, on != 0);
}

void vuStatusObject::SetVisible(unsigned char visible)
{
    vuSetFlag(flags, VU_SO_HIDDEN, visible == 0);
}

unsigned short vuStatusObject::IsTransparency()
{
    return flags & VU_SO_TRANSPARENT;
}

unsigned short vuStatusObject::IsBorder()
{
    return flags & VU_SO_BORDER;
}

unsigned char vuStatusObject::IsVisible()
{
    return (flags & VU_SO_HIDDEN) ? 0 : 1;
}

int vuStatusObject::IsAnimate()
{
    return backImage ? backImage->IsAnimate() : 0;
}

void vuStatusObject::SetJustify(unsigned char bits)
{
    vuSetJustifyBits(flags, bits);
}

void vuStatusObject::SetBackImage(vuImage* image)
{
    vuReplaceImage(backImage, image);
}

void vuStatusObject::SetFont(unsigned short slot)
{
    font = slot;
}

unsigned short vuStatusObject::GetFontIndex()
{
    return font;
}

vuStatusObject::Placement vuStatusObject::place(int cw, int ch) const
{
    int dx, dy;
    if (flags & VU_SO_JUSTIFY_RIGHT)
        dx = width - cw;
    else if (flags & VU_SO_JUSTIFY_LEFT)
        dx = 0;
    else
        dx = (width - cw) / 2;
    if (flags & VU_SO_JUSTIFY_BOTTOM)
        dy = height - ch;
    else if (flags & VU_SO_JUSTIFY_TOP)
        dy = 0;
    else
        dy = (height - ch) / 2;
    Placement p;
    p.srcX = static_cast<unsigned short>(dx < 0 ? -dx : 0);
    p.srcY = static_cast<unsigned short>(dy < 0 ? -dy : 0);
    p.x = static_cast<short>(dx < 0 ? x : x + dx);
    p.y = static_cast<short>(dy < 0 ? y : y + dy);
    p.w = width;
    p.h = height;
    return p;
}

int vuStatusObject::drawPlaced(vuFrameBuffer* fb, vuViewPort* port, vuImage* image, unsigned short colour)
{
    image->SetColor(colour);
    Placement p = place(image->GetWidth(), image->GetHeight());
    return image->Draw(fb, port, p.srcX, p.srcY, p.x, p.y, p.w, p.h);
}

int vuStatusObject::drawText(vuFrameBuffer* fb, vuViewPort* port, const char* t, unsigned short colour)
{
    if (!fb)
        return -4;
    vuFont* f = fb->GetFont(font);
    if (!f)
        return -13;
    if (!t || !*t)
        return 0;
    Placement p = place(static_cast<int>(strlen(t)) * f->GetWidth(), f->GetHeight());
    f->DrawString(fb, port, t, 0, p.srcX, p.srcY, p.x, p.y, p.w, p.h, colour);
    return 0;
}

int vuStatusObject::Draw(vuFrameBuffer* fb)
{
    if (!fb)
        return -4;
    if (!IsVisible())
        return 0;
    vuViewPort port;
    SetViewPort(&port);
    if (parent)
        parent->GetViewPort(&port);
    if (!vuViewPort::IsExist(&port))
        return 0;
    if (!IsTransparency())
        fb->Fill(&port, x, y, width, height, backColor, 0);
    if (backImage) {
        backImage->SetColor(backColor);
        vuDrawCentred(fb, &port, backImage, x, y, width, height);
    }
    int result = DrawObject(fb, &port);
    if (flags & VU_SO_BORDER)
        fb->Border(&port, x, y, width, height, frontColor);
    return result;
}
