// A view object with a client area and an owned list of child objects
// (forms, the status line and the frame buffer are containers).
#ifndef VU_VIEW_CONTAINER_OBJECT_H
#define VU_VIEW_CONTAINER_OBJECT_H

#include <stdint.h>

#include "vuExport.h"
#include "vuViewObject.h"

class vuChain;

class VU_API vuViewContainerObject : public vuViewObject {
public:
    // Client area = the object's own rectangle, correction (0, 0), an empty
    // chain.
    vuViewContainerObject(int16_t x, int16_t y, uint16_t width, uint16_t height);
    // Deletes the chain and with it every child.
    ~vuViewContainerObject() override;

    // Fills the port with (x + correction x, y + correction y, width, height)
    // and zero offsets; null ignored.
    void SetViewPort(vuViewPort* port) override;
    // Hit test against the client area in the container's own coordinates.
    bool IsInside(int16_t px, int16_t py) override;

    // Appends the child and makes this its parent; its position, -2 without
    // a chain, for a null child or when no node could be allocated.
    virtual int Add(vuViewObject* child);
    // The same at the head (result 0).
    virtual int Insert(vuViewObject* child);
    // Removes and deletes the child: 0, -1 not a child, -2 null/no chain.
    virtual int Del(vuViewObject* child);
    virtual vuObject* GetByName(const char* name);
    // Deletes every child.
    virtual void Clear();
    virtual vuViewObject* GetFirst();
    virtual vuViewObject* GetNext(vuViewObject* child);
    virtual unsigned int GetCount();
    virtual void SetCorrection(int16_t dx, int16_t dy);
    // Converts a point through every ancestor into this container's client
    // coordinates; true when it lies inside this container and its ancestors.
    virtual bool ConvertPoint(int16_t& px, int16_t& py);
    // Clips a port that a child started from its own rectangle to this
    // container's client area, then to every ancestor's.
    virtual void GetViewPort(vuViewPort* port);
    virtual uint16_t GetClientWidth();
    virtual uint16_t GetClientHeight();

protected:
    int16_t corrX;
    int16_t corrY;
    int16_t clientX;
    int16_t clientY;
    uint16_t clientWidth;
    uint16_t clientHeight;
    vuChain* chain;  // owned
};

#endif
