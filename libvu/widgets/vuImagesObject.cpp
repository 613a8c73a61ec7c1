#include "vuImagesObject.h"

#include <new>

#include "vuChain.h"
#include "vuColor.h"
#include "vuImage.h"

vuImagesObject::vuImagesObject(short ox, short oy, unsigned short w, unsigned short h)
    : vuStatusObject(ox, oy, w, h), current(0), images(new (std::nothrow) vuChain)
{
    frontColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 3));
    backColor = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_STATUS_LINE, 4));
}

vuImagesObject::~vuImagesObject()
{
    if (!images)
        return;
    // Images are released through the image cache's rule, not deleted.
    while (vuObject* o = images->GetFirst()) {
        images->Unlink(o);
        vuImage::Destroy(static_cast<vuImage*>(o));
    }
    delete images;
    images = nullptr;
}

_VU_TypeObject vuImagesObject::GetType() const
{
    return VU_TYPE_IMAGES_OBJECT;
}

int vuImagesObject::IsAnimate()
{
    if (int r = vuStatusObject::IsAnimate())
        return r;
    if (!images)
        return 0;
    for (vuObject* o = images->GetFirst(); o; o = images->GetNext(o))
        if (int r = static_cast<vuImage*>(o)->IsAnimate())
            return r;
    return 0;
}

int vuImagesObject::DrawObject(vuFrameBuffer* fb, vuViewPort* port)
{
    vuImage* image = images ? static_cast<vuImage*>(images->GetByNum(current)) : nullptr;
    if (!fb || !image)
        return -4;
    return drawPlaced(fb, port, image, frontColor);
}

int vuImagesObject::Add(vuImage* image)
{
    if (!image)
        return -2;
    // The set was handed the image: one it cannot keep is released.
    int r = images ? images->Add(image) : -2;
    if (r < 0)
        vuImage::Destroy(image);
    return r;
}

void vuImagesObject::SetCurrent(unsigned short n)
{
    current = n;
}

unsigned int vuImagesObject::GetImageCount() const
{
    return images ? images->GetCount() : 0;
}
