// vuNetLevel: the network indicator: five rising signal bars revealed a
// whole bar at a time (step 3), with a cross over them in the warning colour
// on a warning; framed by a border.
#ifndef VU_NET_LEVEL_H
#define VU_NET_LEVEL_H

#include "vuExport.h"
#include "vuProgressObject.h"

class VU_API vuNetLevel : public vuProgressObject {
public:
    vuNetLevel(short x, short y, unsigned short w, unsigned short h, vuLevelFunc func);
    ~vuNetLevel() override;

    _VU_TypeObject GetType() const override;
};

#endif
