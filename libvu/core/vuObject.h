// Root of the toolkit's class tree: anything that can be named, counted by
// the image cache and kept in a vuChain.
#ifndef VU_OBJECT_H
#define VU_OBJECT_H

#include "vuExport.h"

class VU_API vuObject {
public:
    vuObject() = default;
    virtual ~vuObject();

    // The object's name, or null when it has none.
    virtual const char* GetName() const;
    // The file the object was loaded from (pictures), or null.
    virtual const char* GetFileName() const;
    // Memory footprint in bytes as the image cache counts it. These are fixed
    // figures of the terminal's build (4 here), not sizeof of this build.
    virtual int GetSize() const;

    vuObject(const vuObject&) = delete;
    vuObject& operator=(const vuObject&) = delete;
};

#endif
