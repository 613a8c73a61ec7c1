// Static facade of the keypad driver.
#include "vuKeyboard.h"

#include "vuPaxProlinKeyboard.h"

vuKeyboard *vuKeyboard::handle = nullptr;

void vuKeyboard::Init()
{
    // A second Init replaces the driver instead of leaking the first one.
    Done();
    handle = new vuPaxProlinKeyboard();
    handle->flush();
}

void vuKeyboard::Done()
{
    delete handle;
    handle = nullptr;
}

int vuKeyboard::IsHit()
{
    return handle ? handle->isHit() : 0;
}

int vuKeyboard::GetKey()
{
    return handle ? handle->getKey() : 0;
}

void vuKeyboard::Flush()
{
    if (handle)
        handle->flush();
}

uint32_t vuKeyboard::GetState()
{
    return handle ? handle->getState() : 0;
}

uint32_t vuKeyboard::GetKeyMask(char c)
{
    return handle ? handle->getKeyMask(c) : 0;
}

int vuKeyboard::getKeyAndMask(uint32_t *mask)
{
    int key = getKey();
    uint32_t held = getState();
    if (mask)
        *mask = held;
    return key;
}

int vuKeyboard::GetKeyAndMask(uint32_t *mask)
{
    if (handle)
        return handle->getKeyAndMask(mask);
    if (mask)
        *mask = 0;
    return 0;
}

int vuKeyboard::GetDescriptor()
{
    return handle ? handle->getDescriptor() : -1;
}
