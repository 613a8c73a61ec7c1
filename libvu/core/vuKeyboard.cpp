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
