#include "vuProgressObject.h"

#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "vuColor.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuWidgetParts.h"

static unsigned short statusColor(unsigned short index)
{
    return static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, index));
}

vuProgressObject::vuProgressObject(short ox, short oy, unsigned short w, unsigned short h, vuLevelFunc func)
    : vuStatusObject(ox, oy, w, h),
      levelImage(nullptr),
      maskImage(nullptr),
      warningImage(nullptr),
      additionImage(nullptr),
      text(nullptr),
      maskColor(statusColor(7)),
      warnColor(statusColor(8)),
      addColor(statusColor(9)),
      textColor(statusColor(10)),
      userFunc(func),
      step(1)
{
    frontColor = statusColor(5);
    backColor = statusColor(6);
}

vuProgressObject::~vuProgressObject()
{
    vuReplaceImage(levelImage, nullptr);
    vuReplaceImage(maskImage, nullptr);
    vuReplaceImage(warningImage, nullptr);
    vuReplaceImage(additionImage, nullptr);
    free(text);
    text = nullptr;
}

_VU_TypeObject vuProgressObject::GetType() const
{
    return VU_TYPE_PROGRESS_OBJECT;
}

int vuProgressObject::IsAnimate()
{
    if (int r = vuStatusObject::IsAnimate())
        return r;
    int r = 0;
    for (vuImage* image : {levelImage, maskImage, warningImage, additionImage})
        if (image)
            r |= image->IsAnimate();
    return r;
}

int vuProgressObject::DrawObject(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -4;
    if (!userFunc)
        return 0;
    const unsigned short word = userFunc(reinterpret_cast<intptr_t>(this));
    const int level = word & VU_LEVEL_MASK;
    const int s = step ? step : 1;
    int result = 0;
    if (level) {
        if (levelImage) {
            const int full = levelImage->GetWidth() < width ? levelImage->GetWidth() : width;
            int bar = level * full / 100;
            bar -= bar % s;
            levelImage->SetColor(frontColor);
            Placement p = place(levelImage->GetWidth(), levelImage->GetHeight());
            result = levelImage->Draw(fb, port, p.srcX, p.srcY, p.x, p.y, static_cast<unsigned short>(bar), height);
        } else {
            int bar = level * width / 100;
            bar -= bar % s;
            result = fb->Fill(port, x, y, static_cast<unsigned short>(bar), height, frontColor, 0);
        }
    }
    if (maskImage)
        result = drawPlaced(fb, port, maskImage, maskColor);
    if ((word & VU_LEVEL_WARNING) && warningImage)
        result = drawPlaced(fb, port, warningImage, warnColor);
    if ((word & VU_LEVEL_ADDITION) && additionImage)
        result = drawPlaced(fb, port, additionImage, addColor);
    return text ? drawText(fb, port, text, textColor) : result;
}

void vuProgressObject::SetImage(vuImage* image)
{
    vuReplaceImage(levelImage, image);
}

void vuProgressObject::SetMaskImage(vuImage* image)
{
    vuReplaceImage(maskImage, image);
}

void vuProgressObject::SetWarningImage(vuImage* image)
{
    vuReplaceImage(warningImage, image);
}

void vuProgressObject::SetAdditionImage(vuImage* image)
{
    vuReplaceImage(additionImage, image);
}

void vuProgressObject::SetAddColors(unsigned short mask, unsigned short warning, unsigned short addition)
{
    maskColor = mask;
    warnColor = warning;
    addColor = addition;
}

void vuProgressObject::SetMaskColor(unsigned short colour)
{
    maskColor = colour;
}

void vuProgressObject::SetWarnColor(unsigned short colour)
{
    warnColor = colour;
}

void vuProgressObject::SetAddColor(unsigned short colour)
{
    addColor = colour;
}

void vuProgressObject::SetTextColor(unsigned short colour)
{
    textColor = colour;
}

void vuProgressObject::SetStep(unsigned short s)
{
    if (s)
        step = s;
}

void vuProgressObject::SetText(const char* t)
{
    vuReplaceText(text, t);
}

void vuProgressObject::SetUserFunc(vuLevelFunc func)
{
    userFunc = func;
}
