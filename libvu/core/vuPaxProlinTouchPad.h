// Touch-panel driver of the Prolin terminal: reads touch records from
// "/dev/tp", converts panel values into screen pixels (a calibrated
// resistive panel or raw pixel values, with the screen's rotation) and
// records signature points.
#ifndef VU_PAX_PROLIN_TOUCH_PAD_H
#define VU_PAX_PROLIN_TOUCH_PAD_H

#include <stdint.h>

#include "vuTouchPad.h"

class VU_API vuPaxProlinTouchPad : public vuTouchPad {
public:
    enum { MaxSignPoints = 64 };
    // A release this soon after the last reading still reports its point.
    enum { ReleaseWindowMs = 399 };
    // A touch without events for longer than this is over.
    enum { StaleMs = 400 };

    vuPaxProlinTouchPad();
    ~vuPaxProlinTouchPad() override;

    int getState(int *x, int *y) override;
    void flush() override;
    int getPoint(uint16_t n, uint16_t *x, uint16_t *y) override;
    void setSignMode(uint8_t on) override;
    int getDescriptor() const override { return waitable ? fd : -1; }

private:
    vuPaxProlinTouchPad(const vuPaxProlinTouchPad &) = delete;
    vuPaxProlinTouchPad &operator=(const vuPaxProlinTouchPad &) = delete;

    // Converts a panel value of one axis into the pending point.
    void convert(uint16_t axis, int32_t v);

    uint32_t x;
    uint32_t y;
    uint8_t touched;
    uint32_t tick;
    int fd;
    int16_t rotation;
    int16_t kind; // 0: calibrated resistive panel; else raw pixel values
    uint16_t pointX[MaxSignPoints];
    uint16_t pointY[MaxSignPoints];
    bool waitable; // the device can be waited on for records
};

#endif
