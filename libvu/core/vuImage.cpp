#include "vuImage.h"

#include <limits.h>
#include <new>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "osal.h"
#include "vuB16.h"
#include "vuBMP.h"
#include "vuGIF.h"
#include "vuJPG.h"
#include "vuMemIcon.h"
#include "vuPNG.h"
#include "vuResources.h"
#include "vuUI.h"

static const char* const kExtensions[FILE_EXTENSION_COUNT] = {"b16", "bmp", "gif", "jpg", "png"};

vuImage::vuImage()
    : width(0), height(0), colour(0), transparentColour(0), flags(0), fileName(nullptr)
{
}

vuImage::~vuImage()
{
    free(fileName);
}

const char* vuImage::GetFileName() const
{
    return fileName;
}

int vuImage::BaseSize(int objectSize) const
{
    return objectSize + (fileName ? (int)strlen(fileName) + 1 : 0);
}

int vuImage::GetSize() const
{
    return BaseSize((int)sizeof(vuImage));
}

int vuImage::IsAnimate()
{
    return 0;
}

void vuImage::SetTransparentColor(unsigned short c)
{
    transparentColour = c;
    flags |= 1;
}

void vuImage::Reset()
{
}

void vuImage::SetFileName(const char* path)
{
    free(fileName);
    fileName = path ? strdup(path) : nullptr;
}

// The UI's image cache, null when the UI keeps none.
static vuResources* ImageCache()
{
    return vuUI::GetResources();
}

// Deletes an image that failed to load; returns it otherwise.
static vuImage* KeepIfLoaded(vuImage* image)
{
    if (image && (image->GetWidth() == 0 || image->GetHeight() == 0)) {
        delete image;
        return nullptr;
    }
    return image;
}

// An inline icon record: width byte, height byte, rows of whole bytes.
static vuImage* IconFromRecord(const unsigned char* record)
{
    unsigned w = record[0];
    unsigned h = record[1];
    if (w == 0 || h == 0)
        return nullptr;
    return KeepIfLoaded(new (std::nothrow) vuMemIcon((unsigned short)w, (unsigned short)h, record + 2, true));
}

vuImage* vuImage::CreateFromFile(const char* path)
{
    if (!path)
        return nullptr;
    if ((unsigned char)path[0] == 0x01)
        return IconFromRecord((const unsigned char*)path + 1);

    vuResources* cache = ImageCache();
    if (cache) {
        vuImage* hit = (vuImage*)cache->Search(path);
        if (hit)
            return hit;
    }

    const char* dot = strrchr(path, '.');
    if (!dot || strlen(dot + 1) > 3)
        return nullptr;
    char ext[4];
    strcpy(ext, dot + 1);
    for (char* p = ext; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = (char)(*p - 'A' + 'a');

    vuImage* image = nullptr;
    if (strcmp(ext, kExtensions[FILE_EXTENSION_B16]) == 0)
        image = new (std::nothrow) vuB16(path);
    else if (strcmp(ext, kExtensions[FILE_EXTENSION_BMP]) == 0)
        image = new (std::nothrow) vuBMP(path);
    else if (strcmp(ext, kExtensions[FILE_EXTENSION_GIF]) == 0)
        image = new (std::nothrow) vuGIF(path);
    else if (strcmp(ext, kExtensions[FILE_EXTENSION_JPG]) == 0)
        image = new (std::nothrow) vuJPG(path);
    else if (strcmp(ext, kExtensions[FILE_EXTENSION_PNG]) == 0)
        image = new (std::nothrow) vuPNG(path);
    image = KeepIfLoaded(image);

    // The cache takes it unless its limit refuses; then it is the caller's.
    if (image && cache)
        cache->Add(image);
    return image;
}

vuImage* vuImage::CreateFromData(const unsigned char* data, unsigned size, const char* extension)
{
    if (!data || size == 0)
        return nullptr;
    if (!extension) {
        if (size < 2)
            return nullptr;
        unsigned long long need = 2ull + (unsigned long long)data[1] * ((data[0] + 7u) / 8u);
        if (size < need)
            return nullptr;
        return IconFromRecord(data);
    }
    vuImage* image = nullptr;
    if (strcmp(extension, kExtensions[FILE_EXTENSION_B16]) == 0)
        image = new (std::nothrow) vuB16(data, size);
    else if (strcmp(extension, kExtensions[FILE_EXTENSION_BMP]) == 0)
        image = new (std::nothrow) vuBMP(data, size);
    else if (strcmp(extension, kExtensions[FILE_EXTENSION_JPG]) == 0)
        image = new (std::nothrow) vuJPG(data, size);
    else if (strcmp(extension, kExtensions[FILE_EXTENSION_PNG]) == 0)
        image = new (std::nothrow) vuPNG(data, size);
    return KeepIfLoaded(image);
}

vuImage* vuImage::CreateMemIcon(_VU_TypeMemIcon id)
{
    return vuMemIcon::GetMemIcon(id);
}

vuImage* vuImage::CreateMemDirect(unsigned w, unsigned h, unsigned char* bits)
{
    if (w == 0 || h == 0 || !bits || w > 0xFFFF || h > 0xFFFF)
        return nullptr;
    return KeepIfLoaded(new (std::nothrow) vuMemIcon((unsigned short)w, (unsigned short)h, bits, true));
}

void vuImage::Destroy(vuImage* image)
{
    if (!image)
        return;
    vuResources* cache = ImageCache();
    if (cache && image->GetFileName() && cache->Holds(image))
        return;
    delete image;
}

int vuImage::Remove(const char* path)
{
    if (!path)
        return 0;
    vuResources* cache = ImageCache();
    if (cache) {
        vuObject* cached = cache->Search(path);
        if (cached)
            cache->Del(cached);
    }
    char mapped[PATH_MAX];
    if (!OsMapPath(path, mapped, sizeof mapped))
        return -1;
    return unlink(mapped) == 0 ? 0 : -1;
}

vuImage* vuImage_CreateFromFile(const char* path)
{
    return vuImage::CreateFromFile(path);
}

vuImage* vuImage_CreateFromData(const unsigned char* data, unsigned size, const char* extension)
{
    return vuImage::CreateFromData(data, size, extension);
}

vuImage* vuImage_CreateMemIcon(int id)
{
    if (id < 0)
        return nullptr;
    return vuImage::CreateMemIcon((_VU_TypeMemIcon)id);
}

void vuImage_SetTransparentColor(vuImage* image, unsigned short colour)
{
    if (image)
        image->SetTransparentColor(colour);
}

int vuImage_Remove(const char* path)
{
    return vuImage::Remove(path);
}
