#include "vuTextObject.h"

#include <stdlib.h>
#include <string.h>

#include "vuColor.h"
#include "vuWidgetParts.h"

vuTextObject::vuTextObject(short ox, short oy, unsigned short w, unsigned short h, const char* t)
    : vuStatusObject(ox, oy, w, h), text(t ? strdup(t) : nullptr)
{
    frontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 1));
    backColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 2));
}

vuTextObject::~vuTextObject()
{
    free(text);
    text = nullptr;
}

_VU_TypeObject vuTextObject::GetType() const
{
    return VU_TYPE_TEXT_OBJECT;
}

void vuTextObject::SetText(const char* t)
{
    vuReplaceText(text, t);
}

int vuTextObject::DrawObject(vuFrameBuffer* fb, vuViewPort* port)
{
    return drawText(fb, port, text, frontColor);
}
