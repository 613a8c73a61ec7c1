// The keypad as the toolkit sees it: an abstract driver behind a static
// facade. vuKeyboard::Init creates the platform driver; every facade call
// answers 0 while there is none.
#ifndef VU_KEYBOARD_H
#define VU_KEYBOARD_H

#include <stdint.h>

#include "vuExport.h"

class VU_API vuKeyboard {
public:
    virtual ~vuKeyboard() {}

    // A delivered key is waiting.
    virtual int isHit() = 0;
    // The oldest delivered key as a key character, 0 when none.
    virtual int getKey() = 0;
    // Reads what the device holds and discards every delivered key.
    virtual void flush() = 0;
    // Reads the device and returns the mask of keys held down now.
    virtual uint32_t getState() = 0;
    // The bit of a key character in the held-keys mask, 0 for other keys.
    virtual uint32_t getKeyMask(char c) = 0;
    // The oldest delivered key as getKey gives it, and in mask the keys that
    // were held when it was delivered (not those held now: a key typed
    // ahead keeps its own). A driver that does not keep them gives the keys
    // held now.
    virtual int getKeyAndMask(uint32_t *mask);
    // The descriptor a caller may wait on for the driver's input, -1 when
    // there is none.
    virtual int getDescriptor() const { return -1; }

    // Facade over the driver in handle.
    static void Init();
    static void Done();
    static int IsHit();
    static int GetKey();
    static void Flush();
    static uint32_t GetState();
    static uint32_t GetKeyMask(char c);
    static int GetKeyAndMask(uint32_t *mask);
    static int GetDescriptor();

    static vuKeyboard *handle;
};

#endif
