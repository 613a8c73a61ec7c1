#include "vuStatusLine.h"

#include "vuChain.h"
#include "vuColor.h"
#include "vuFrameBuffer.h"
#include "vuStatusObject.h"
#include "vuUI.h"

namespace {

// Only status objects are drawn or asked about animation.
vuStatusObject* statusObject(vuObject* o)
{
    vuViewObject* v = static_cast<vuViewObject*>(o);
    _VU_TypeObject t = v->GetType();
    return t >= VU_TYPE_STATUS_OBJECT && t <= VU_TYPE_NET_LEVEL ? static_cast<vuStatusObject*>(v) : nullptr;
}

} // namespace

vuStatusLine::vuStatusLine(unsigned short h, unsigned short opts)
    : vuViewContainerObject(0, 0, vuUI::GetWidth(), h),
      color(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 0))),
      options(opts)
{
    // The client origin is fixed here: the objects stay where they are
    // drawn even if VU_SL_BOTTOM changes later.
    if (opts & VU_SL_BOTTOM)
        clientY = static_cast<int16_t>(vuUI::GetHeight() - h);
}

vuStatusLine::~vuStatusLine() {}

_VU_TypeObject vuStatusLine::GetType() const
{
    return VU_TYPE_STATUS_LINE;
}

unsigned short vuStatusLine::SetOption(unsigned short bits)
{
    options = static_cast<unsigned short>(options | bits);
    return options;
}

unsigned short vuStatusLine::ClearOption(unsigned short bits)
{
    options = static_cast<unsigned short>(options & ~bits);
    return options;
}

int vuStatusLine::IsOption(unsigned short bits)
{
    return bits && (options & bits) == bits ? 1 : 0;
}

unsigned short vuStatusLine::IsAnimate()
{
    if (!chain)
        return 0;
    for (vuObject* o = chain->GetFirst(); o; o = chain->GetNext(o))
        if (vuStatusObject* s = statusObject(o))
            if (int r = s->IsAnimate())
                return static_cast<unsigned short>(r);
    return 0;
}

void vuStatusLine::SetColor(unsigned short colour)
{
    color = colour;
}

int vuStatusLine::DrawObjects(vuFrameBuffer* fb)
{
    if (!chain)
        return 0;
    int result = 0;
    for (vuObject* o = chain->GetFirst(); o; o = chain->GetNext(o)) {
        vuStatusObject* s = statusObject(o);
        if (!s)
            continue;
        result = s->Draw(fb);
        if (result < 0)
            break;
    }
    return result;
}

int vuStatusLine::Draw(vuFrameBuffer* fb)
{
    if (fb && (options & VU_SL_FILL))
        fb->Fill(nullptr, clientX, clientY, width, height, color, 0);
    return DrawObjects(fb);
}
