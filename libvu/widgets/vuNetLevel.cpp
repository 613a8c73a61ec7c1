#include "vuNetLevel.h"

#include "vuImage.h"

vuNetLevel::vuNetLevel(short ox, short oy, unsigned short w, unsigned short h, vuLevelFunc func)
    : vuProgressObject(ox, oy, w, h, func)
{
    levelImage = vuImage::CreateMemIcon(VU_MEMICON_NETWORK);
    warningImage = vuImage::CreateMemIcon(VU_MEMICON_NO_NETWORK);
    flags |= VU_SO_BORDER;
    step = 3;
}

vuNetLevel::~vuNetLevel() {}

_VU_TypeObject vuNetLevel::GetType() const
{
    return VU_TYPE_NET_LEVEL;
}
