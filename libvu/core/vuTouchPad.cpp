// Static facade of the touch-panel driver and the kinetic-scrolling step.
#include "vuTouchPad.h"

#include "vuPaxProlinTouchPad.h"

vuTouchPad *vuTouchPad::handle = nullptr;
uint16_t vuTouchPad::presence = 0;
uint8_t vuTouchPad::signMode = 0;
uint16_t vuTouchPad::pointsCount = 0;
uint16_t vuTouchPad::accelStep = 3;

void vuTouchPad::Init()
{
    // A second Init replaces the driver instead of leaking the first one.
    Done();
    presence = 0;
    handle = new vuPaxProlinTouchPad();
}

void vuTouchPad::Done()
{
    delete handle;
    handle = nullptr;
    presence = 0;
}

int vuTouchPad::GetState(int *x, int *y)
{
    return handle ? handle->getState(x, y) : 0;
}

void vuTouchPad::Flush()
{
    if (handle)
        handle->flush();
}

int vuTouchPad::GetPoint(uint16_t n, uint16_t *x, uint16_t *y)
{
    return handle ? handle->getPoint(n, x, y) : 0;
}

void vuTouchPad::SetSignMode(uint8_t on)
{
    if (handle)
        handle->setSignMode(on);
}

int vuTouchPad::GetDescriptor()
{
    return handle ? handle->getDescriptor() : -1;
}

uint16_t vuTouchPad::IsPresent()
{
    return presence;
}

uint16_t vuTouchPad::GetPointsCount()
{
    return pointsCount;
}

uint16_t vuTouchPad::GetAccelStep()
{
    return accelStep;
}

int vuTouchPad::CorrectMotion(short direction, short limit, uint16_t &pos, short &speed, uint16_t &count)
{
    if (limit <= 0 || (direction == 0 && speed == 0))
        return 0;
    const int step = accelStep;
    if (speed == 0) {
        speed = direction > 0 ? 1 : -1;
        count = 0;
    }
    const int p = pos;
    if (speed < 0 && p < -speed) {
        speed = 0;
        count = 0;
        pos = 0;
    } else if (speed > 0 && p + speed >= limit) {
        speed = 0;
        count = 0;
        pos = static_cast<uint16_t>(limit);
    } else if (speed > 1 && limit - p < step) {
        speed = 1;
        count = 0;
    } else if (speed > 2 && limit - p < 3 * step) {
        speed = 2;
        count = 0;
    } else if (speed < -1 && p < step) {
        speed = -1;
        count = 0;
    } else if (speed < -2 && p < 3 * step) {
        speed = -2;
        count = 0;
    } else if (speed == 4) {
        if (direction <= 0) {
            speed = 2;
            count = 0;
        }
    } else if (speed == -4) {
        if (direction >= 0) {
            speed = -2;
            count = 0;
        }
    } else if (count >= step) {
        bool along = speed > 0 ? direction > 0 : direction < 0;
        if (along)
            speed = static_cast<short>(speed * 2);
        else if (speed == 2)
            speed = 1;
        else if (speed == -2)
            speed = -1;
        else
            speed = 0;
        count = 0;
    }
    if (speed != 0) {
        pos = static_cast<uint16_t>(pos + speed);
        ++count;
    }
    return 2;
}
