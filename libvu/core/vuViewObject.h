// An object with a rectangle, a name and a parent container.
#ifndef VU_VIEW_OBJECT_H
#define VU_VIEW_OBJECT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuObject.h"
#include "vuTypeObject.h"

class vuViewContainerObject;
struct vuViewPort;

class VU_API vuViewObject : public vuObject {
public:
    // Parent and name null.
    vuViewObject(int16_t x, int16_t y, uint16_t width, uint16_t height);
    // Frees the name.
    ~vuViewObject() override;

    const char* GetName() const override;
    int GetSize() const override;  // 20

    // The object's kind; every concrete class returns its own.
    virtual _VU_TypeObject GetType() const = 0;
    virtual uint16_t GetWidth() const;
    virtual uint16_t GetHeight() const;
    virtual int16_t GetX() const;
    virtual int16_t GetY() const;
    // Stores a copy of the text; a null or empty text leaves no name.
    virtual void SetName(const char* name);
    // The container that holds the object (not owned); nothing clears it when
    // the object leaves the container.
    virtual void SetParent(vuViewContainerObject* parent);
    virtual vuViewContainerObject* GetParent() const;
    // Fills the port with the object's rectangle and zero offsets; null ignored.
    virtual void SetViewPort(vuViewPort* port);
    // x <= px < x + width and y <= py < y + height.
    virtual bool IsInside(int16_t px, int16_t py);

protected:
    int16_t x;
    int16_t y;
    uint16_t width;
    uint16_t height;
    vuViewContainerObject* parent;
    char* name;
};

#endif
