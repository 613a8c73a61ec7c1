// The image cache: images loaded from files, shared by everyone who loads
// the same path, owned by the cache and deleted with it.
#ifndef VU_RESOURCES_H
#define VU_RESOURCES_H

#include "vuExport.h"

class vuChain;
class vuObject;

class VU_API vuResources {
public:
    // No size limit.
    vuResources();
    // limit: total bytes the cached images may occupy (vuObject::GetSize
    // through the chain); 0 means no limit.
    explicit vuResources(int limit);
    // Deletes every cached image.
    virtual ~vuResources();

    // The first cached image whose file name equals name (case counts), or null.
    virtual vuObject* Search(const char* name);
    // Takes an image with a file name unless the limit would be exceeded:
    // 0 taken (the cache owns it), -1 null or unnamed image, -15 refused
    // (it stays the caller's).
    virtual int Add(vuObject* image);
    // Unlinks and deletes a cached image: 0, or -1 when it is not held.
    virtual int Del(vuObject* image);

    // Whether the cache holds this very object.
    bool Holds(vuObject* image) const;
    int GetLimit() const { return limit; }

private:
    vuResources(const vuResources&) = delete;
    vuResources& operator=(const vuResources&) = delete;

    vuChain* chain;
    int limit;
};

#endif
