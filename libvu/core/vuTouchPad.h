// The touch panel as the toolkit sees it: an abstract driver behind a static
// facade, and the kinetic-scrolling step that lists and menus use.
// vuTouchPad::Init creates the platform driver; every facade call answers 0
// while there is none.
#ifndef VU_TOUCH_PAD_H
#define VU_TOUCH_PAD_H

#include <stdint.h>

#include "vuExport.h"

class VU_API vuTouchPad {
public:
    virtual ~vuTouchPad() {}

    // Reads the device; 1 with the point in screen pixels while touched
    // (or once more for a quick release), 0 otherwise.
    virtual int getState(int *x, int *y) = 0;
    // Reads and forgets what the device holds; leaves sign mode.
    virtual void flush() = 0;
    // The n-th signature point of the last poll; 0 when there is none.
    virtual int getPoint(uint16_t n, uint16_t *x, uint16_t *y) = 0;
    // Sign mode records the points of each poll for a signature pad.
    virtual void setSignMode(uint8_t on) = 0;
    // The descriptor a caller may wait on for the driver's input, -1 when
    // there is none.
    virtual int getDescriptor() const { return -1; }

    // Facade over the driver in handle.
    static void Init();
    static void Done();
    static int GetState(int *x, int *y);
    static void Flush();
    static int GetPoint(uint16_t n, uint16_t *x, uint16_t *y);
    static void SetSignMode(uint8_t on);
    static uint16_t IsPresent();
    static uint16_t GetPointsCount();
    static uint16_t GetAccelStep();
    static int GetDescriptor();

    // One kinetic-scrolling step: moves pos by speed towards 0 or limit,
    // accelerating (1, 2, 4) while the drag goes on in the same direction
    // and slowing down near the ends and after a release or reversal.
    // 2 when something moved or changed, 0 when there was nothing to do.
    static int CorrectMotion(short direction, short limit, uint16_t &pos, short &speed, uint16_t &count);

    static vuTouchPad *handle;
    static uint16_t presence;    // 1 while the panel device is open
    static uint8_t signMode;
    static uint16_t pointsCount; // signature points of the last poll
    static uint16_t accelStep;   // calls between speed changes
};

#endif
