#include "vuBatLevel.h"

#include "vuImage.h"

vuBatLevel::vuBatLevel(short ox, short oy, unsigned short w, unsigned short h, vuLevelFunc func)
    : vuProgressObject(ox, oy, w, h, func)
{
    levelImage = vuImage::CreateMemIcon(VU_MEMICON_BATTERY_FILL);
    maskImage = vuImage::CreateMemIcon(VU_MEMICON_BATTERY);
    warningImage = vuImage::CreateMemIcon(VU_MEMICON_BATTERY);
    additionImage = vuImage::CreateMemIcon(VU_MEMICON_PLUG);
}

vuBatLevel::~vuBatLevel() {}

_VU_TypeObject vuBatLevel::GetType() const
{
    return VU_TYPE_BAT_LEVEL;
}
