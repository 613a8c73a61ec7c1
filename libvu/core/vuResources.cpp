#include "vuResources.h"

#include <new>
#include <string.h>

#include "vuChain.h"
#include "vuObject.h"

vuResources::vuResources() : chain(new (std::nothrow) vuChain()), limit(0)
{
}

vuResources::vuResources(int lim) : chain(new (std::nothrow) vuChain()), limit(lim)
{
}

vuResources::~vuResources()
{
    delete chain;
}

vuObject* vuResources::Search(const char* name)
{
    if (!name || !chain)
        return nullptr;
    for (vuObject* o = chain->GetFirst(); o; o = chain->GetNext(o)) {
        const char* f = o->GetFileName();
        if (f && strcmp(f, name) == 0)
            return o;
    }
    return nullptr;
}

int vuResources::Add(vuObject* image)
{
    if (!image || !image->GetFileName())
        return -1;
    if (!chain)
        return -15;
    if (limit != 0 && (long long)limit < (long long)chain->GetSize() + image->GetSize())
        return -15;
    return chain->Add(image) >= 0 ? 0 : -15;
}

int vuResources::Del(vuObject* image)
{
    if (!chain)
        return -1;
    return chain->Del(image);
}

bool vuResources::Holds(vuObject* image) const
{
    if (!chain || !image)
        return false;
    for (vuObject* o = chain->GetFirst(); o; o = chain->GetNext(o))
        if (o == image)
            return true;
    return false;
}
