// vuBatLevel: the battery indicator: a solid block growing inside a battery
// outline, the outline again in the warning colour on a warning, and a plug
// as the addition image (charging).
#ifndef VU_BAT_LEVEL_H
#define VU_BAT_LEVEL_H

#include "vuExport.h"
#include "vuProgressObject.h"

class VU_API vuBatLevel : public vuProgressObject {
public:
    vuBatLevel(short x, short y, unsigned short w, unsigned short h, vuLevelFunc func);
    ~vuBatLevel() override;

    _VU_TypeObject GetType() const override;
};

#endif
