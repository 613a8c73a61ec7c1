// Keypad driver of the Prolin terminal.
//
// The device delivers one record per key press, repeat and release. A key is
// handed to the toolkit when it is released, so the driver can tell a long
// press of backspace (held-delete) from a short one and a chord of the
// function key with up or down from the plain keys. Each queued key keeps
// the mask of the keys held at its release: a key typed ahead is read with
// that mask, not with whatever is held when it is taken.
#include "vuPaxProlinKeyboard.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "osal.h"
#include "vuInputRecord.h"

namespace {

// Linux key codes the driver treats specially.
enum : uint32_t {
    KeyBackspace = 14,
    KeyHeldDelete = 15, // never sent by the keypad: the driver's code for a long backspace
    KeyEnter = 28,
    KeyFunction = 102,
    KeyUp = 103,
    KeyDown = 108,
    KeyCancel = 223,
};

// Characters delivered for up and down while the function key is held.
enum : uint8_t { FunctionUp = 135, FunctionDown = 140 };

const uint32_t kFunctionBit = 1u << 13; // mask bit of the function key (102)

} // namespace

vuPaxProlinKeyboard::vuPaxProlinKeyboard() : fd(-1), mask(0), pressTick14(0), fifoLen(0), waitable(false)
{
    std::memset(fifo, 0, sizeof fifo);
    std::memset(fifoMask, 0, sizeof fifoMask);
    char path[4096];
    if (OsMapPath("/dev/keypad", path, sizeof path))
        fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    waitable = vuInputDeviceWaitable(fd);
}

vuPaxProlinKeyboard::~vuPaxProlinKeyboard()
{
    if (fd >= 0)
        close(fd);
}

uint8_t vuPaxProlinKeyboard::keyCodeToChar(uint32_t code)
{
    if (code >= 2 && code <= 10)
        return static_cast<uint8_t>('1' + (code - 2));
    switch (code) {
    case 11:
        return '0';
    case KeyBackspace:
        return 8;
    case KeyHeldDelete:
        return 14;
    case KeyEnter:
        return 13;
    case KeyCancel:
        return 27;
    default:
        return static_cast<uint8_t>(code & 0xFF);
    }
}

uint32_t vuPaxProlinKeyboard::getKeyMask(char c)
{
    // The keys after the digits, bits 10 to 19 in this order.
    static const uint8_t kOtherKeys[] = {27, 13, 8, 102, 69, 60, 59, 103, 108, 139};
    uint8_t ch = static_cast<uint8_t>(c);
    if (ch >= '0' && ch <= '9')
        return 1u << (ch - '0');
    for (unsigned k = 0; k < sizeof kOtherKeys; ++k)
        if (ch == kOtherKeys[k])
            return 1u << (10 + k);
    return 0;
}

void vuPaxProlinKeyboard::push(uint8_t code, uint32_t held)
{
    if (fifoLen >= FifoSize) {
        std::memmove(fifo, fifo + 1, FifoSize - 1);
        std::memmove(fifoMask, fifoMask + 1, (FifoSize - 1) * sizeof fifoMask[0]);
        fifoLen = FifoSize - 1;
    }
    fifoMask[fifoLen] = held;
    fifo[fifoLen++] = code;
}

uint32_t vuPaxProlinKeyboard::getState()
{
    if (fd < 0)
        return 0;
    vuInputRecord rec;
    while (vuReadInputRecord(fd, rec)) {
        if (rec.type != vuInputRecord::Key)
            continue;
        uint32_t bit = getKeyMask(static_cast<char>(keyCodeToChar(rec.code)));
        if (rec.value == 1) {
            mask |= bit;
            if (rec.code == KeyBackspace)
                pressTick14 = OsGetTickCount();
        } else if (rec.value == 0) {
            mask &= ~bit;
            uint8_t code = static_cast<uint8_t>(rec.code & 0xFF);
            if (rec.code == KeyBackspace) {
                if (pressTick14 != 0 && OsGetTickCount() - pressTick14 > LongPressMs)
                    code = KeyHeldDelete;
                // Every release ends the press: a later release without its
                // press must not count the old press time.
                pressTick14 = 0;
            } else if (rec.code == KeyUp && (mask & kFunctionBit)) {
                code = FunctionUp;
            } else if (rec.code == KeyDown && (mask & kFunctionBit)) {
                code = FunctionDown;
            }
            push(code, mask);
        }
    }
    return mask;
}

int vuPaxProlinKeyboard::isHit()
{
    getState();
    return fifoLen != 0;
}

int vuPaxProlinKeyboard::getKey()
{
    return getKeyAndMask(nullptr);
}

int vuPaxProlinKeyboard::getKeyAndMask(uint32_t *held)
{
    if (fifoLen == 0)
        getState();
    if (fifoLen == 0) {
        if (held)
            *held = mask;
        return 0;
    }
    uint8_t code = fifo[0];
    uint32_t keyHeld = fifoMask[0];
    --fifoLen;
    std::memmove(fifo, fifo + 1, fifoLen);
    std::memmove(fifoMask, fifoMask + 1, fifoLen * sizeof fifoMask[0]);
    if (held)
        *held = keyHeld;
    return keyCodeToChar(code);
}

void vuPaxProlinKeyboard::flush()
{
    getKey();
    fifoLen = 0;
    pressTick14 = 0;
}
