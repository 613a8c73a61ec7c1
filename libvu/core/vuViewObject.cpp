#include "vuViewObject.h"

#include <stdlib.h>
#include <string.h>

#include "vuViewPort.h"

vuViewObject::vuViewObject(int16_t x_, int16_t y_, uint16_t width_, uint16_t height_)
    : x(x_), y(y_), width(width_), height(height_), parent(nullptr), name(nullptr) {}

vuViewObject::~vuViewObject() { free(name); }

const char* vuViewObject::GetName() const { return name; }

int vuViewObject::GetSize() const { return 20; }

uint16_t vuViewObject::GetWidth() const { return width; }

uint16_t vuViewObject::GetHeight() const { return height; }

int16_t vuViewObject::GetX() const { return x; }

int16_t vuViewObject::GetY() const { return y; }

void vuViewObject::SetName(const char* text) {
    free(name);
    name = nullptr;
    if (text && *text)
        name = strdup(text);
}

void vuViewObject::SetParent(vuViewContainerObject* p) { parent = p; }

vuViewContainerObject* vuViewObject::GetParent() const { return parent; }

void vuViewObject::SetViewPort(vuViewPort* port) {
    if (!port)
        return;
    port->x = x;
    port->y = y;
    port->width = width;
    port->height = height;
    port->offsetX = 0;
    port->offsetY = 0;
}

bool vuViewObject::IsInside(int16_t px, int16_t py) {
    return x <= px && px < x + width && y <= py && py < y + height;
}
