// Keypad driver of the Prolin terminal: reads key records from "/dev/keypad"
// and delivers each key when it is released, with the keys held at that
// moment.
#ifndef VU_PAX_PROLIN_KEYBOARD_H
#define VU_PAX_PROLIN_KEYBOARD_H

#include <stdint.h>

#include "vuKeyboard.h"

class VU_API vuPaxProlinKeyboard : public vuKeyboard {
public:
    enum { FifoSize = 256 };
    // Backspace held longer than this gives the held-delete code.
    enum { LongPressMs = 1000 };

    vuPaxProlinKeyboard();
    ~vuPaxProlinKeyboard() override;

    int isHit() override;
    int getKey() override;
    void flush() override;
    uint32_t getState() override;
    uint32_t getKeyMask(char c) override;
    int getKeyAndMask(uint32_t *mask) override;
    int getDescriptor() const override { return waitable ? fd : -1; }

    // Linux key code to the toolkit's key character.
    static uint8_t keyCodeToChar(uint32_t code);

private:
    vuPaxProlinKeyboard(const vuPaxProlinKeyboard &) = delete;
    vuPaxProlinKeyboard &operator=(const vuPaxProlinKeyboard &) = delete;

    // Queues a released key with the keys still held at its release.
    void push(uint8_t code, uint32_t held);

    int fd;
    uint32_t mask;
    uint32_t pressTick14;
    uint8_t fifo[FifoSize];
    uint16_t fifoLen;
    uint32_t fifoMask[FifoSize]; // for each queued key, the keys held at its release
    bool waitable;               // the device can be waited on for records
};

#endif
