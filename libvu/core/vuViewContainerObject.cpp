#include "vuViewContainerObject.h"

#include <new>

#include "vuChain.h"
#include "vuViewPort.h"

vuViewContainerObject::vuViewContainerObject(int16_t x_, int16_t y_, uint16_t width_, uint16_t height_)
    : vuViewObject(x_, y_, width_, height_),
      corrX(0),
      corrY(0),
      clientX(x_),
      clientY(y_),
      clientWidth(width_),
      clientHeight(height_),
      chain(new (std::nothrow) vuChain) {}

vuViewContainerObject::~vuViewContainerObject() {
    vuChain* c = chain;
    chain = nullptr;
    delete c;
}

void vuViewContainerObject::SetViewPort(vuViewPort* port) {
    if (!port)
        return;
    port->x = static_cast<int16_t>(x + corrX);
    port->y = static_cast<int16_t>(y + corrY);
    port->width = width;
    port->height = height;
    port->offsetX = 0;
    port->offsetY = 0;
}

bool vuViewContainerObject::IsInside(int16_t px, int16_t py) {
    int left = clientX - x + corrX;
    int top = clientY - y + corrY;
    return left <= px && px < left + clientWidth && top <= py && py < top + clientHeight;
}

int vuViewContainerObject::Add(vuViewObject* child) {
    if (!chain || !child)
        return -2;
    int pos = chain->Add(child);
    if (pos >= 0)
        child->SetParent(this);
    return pos;
}

int vuViewContainerObject::Insert(vuViewObject* child) {
    if (!chain || !child)
        return -2;
    int pos = chain->Insert(child);
    if (pos >= 0)
        child->SetParent(this);
    return pos;
}

int vuViewContainerObject::Del(vuViewObject* child) {
    if (!chain || !child)
        return -2;
    return chain->Del(child);
}

vuObject* vuViewContainerObject::GetByName(const char* n) { return chain ? chain->GetByName(n) : nullptr; }

void vuViewContainerObject::Clear() {
    if (chain)
        chain->Clear();
}

// Only view objects are ever added to a container's chain.
vuViewObject* vuViewContainerObject::GetFirst() {
    return chain ? static_cast<vuViewObject*>(chain->GetFirst()) : nullptr;
}

vuViewObject* vuViewContainerObject::GetNext(vuViewObject* child) {
    if (!chain || !child)
        return nullptr;
    return static_cast<vuViewObject*>(chain->GetNext(child));
}

unsigned int vuViewContainerObject::GetCount() { return chain ? chain->GetCount() : 0; }

void vuViewContainerObject::SetCorrection(int16_t dx, int16_t dy) {
    corrX = dx;
    corrY = dy;
}

bool vuViewContainerObject::ConvertPoint(int16_t& px, int16_t& py) {
    bool inside = parent ? parent->ConvertPoint(px, py) : true;
    bool here = IsInside(px, py);
    px = static_cast<int16_t>(px + x - clientX - corrX);
    py = static_cast<int16_t>(py + y - clientY - corrY);
    return here && inside;
}

// Narrows [pos, pos + size) to [lo, lo + span); size 0 when nothing is left.
static void clipAxis(int16_t& pos, uint16_t& size, int lo, int span) {
    if (pos < lo) {
        if (lo < pos + size) {
            size = static_cast<uint16_t>(size + pos - lo);
            pos = static_cast<int16_t>(lo);
        } else {
            size = 0;
        }
    }
    int hi = lo + span;
    if (hi < pos + size)
        size = hi < pos ? 0 : static_cast<uint16_t>(hi - pos);
}

void vuViewContainerObject::GetViewPort(vuViewPort* port) {
    if (!port)
        return;
    port->offsetX = static_cast<int16_t>(port->offsetX + (clientX - x) + corrX);
    port->offsetY = static_cast<int16_t>(port->offsetY + (clientY - y) + corrY);
    if (port->width && port->height) {
        port->x = static_cast<int16_t>(port->x + clientX - x);
        port->y = static_cast<int16_t>(port->y + clientY - y);
        clipAxis(port->x, port->width, clientX, clientWidth);
        clipAxis(port->y, port->height, clientY, clientHeight);
        port->x = static_cast<int16_t>(port->x + corrX);
        port->y = static_cast<int16_t>(port->y + corrY);
    }
    if (parent)
        parent->GetViewPort(port);
}

uint16_t vuViewContainerObject::GetClientWidth() { return clientWidth; }

uint16_t vuViewContainerObject::GetClientHeight() { return clientHeight; }
