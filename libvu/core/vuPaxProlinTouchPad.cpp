// Touch-panel driver of the Prolin terminal.
//
// A touch arrives as a button press (code 330), absolute values of the two
// axes and a sync record after each sample; lifting the finger sends the
// button release. The driver keeps the last synced point as the current
// touch. A release that follows the last reading closely reports the point
// once more, so a quick tap is not lost between two polls.
#include "vuPaxProlinTouchPad.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "osal.h"
#include "vuInputRecord.h"
#include "vuUI.h"

namespace {

// The sample being assembled from axis records until its sync record.
uint8_t pendingFlag = 0;
uint32_t pendingX = 0;
uint32_t pendingY = 0;

int propertyNumber(const char *key, char *value)
{
    value[0] = 0;
    if (OsRegGetValue(key, value) < 0)
        value[0] = 0;
    return std::atoi(value);
}

uint32_t clampTo(long v, unsigned size)
{
    if (v < 0 || size == 0)
        return 0;
    if (static_cast<unsigned long>(v) >= size)
        return size - 1;
    return static_cast<uint32_t>(v);
}

} // namespace

vuPaxProlinTouchPad::vuPaxProlinTouchPad()
    : x(0), y(0), touched(0), tick(0), fd(-1), rotation(0), kind(0), waitable(false)
{
    std::memset(pointX, 0, sizeof pointX);
    std::memset(pointY, 0, sizeof pointY);
    char value[OS_REG_VALUE_MAX];
    rotation = static_cast<int16_t>(propertyNumber("ro.fac.lcd.rotate", value));
    char path[4096];
    if (OsMapPath("/dev/tp", path, sizeof path))
        fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    waitable = vuInputDeviceWaitable(fd);
    if (fd >= 0) {
        presence = 1;
        int n = propertyNumber("ro.fac.touchscreen", value);
        kind = std::strncmp(value, "resistive", 9) == 0 ? 0 : static_cast<int16_t>(n);
    }
    pointsCount = 0;
    signMode = 0;
}

vuPaxProlinTouchPad::~vuPaxProlinTouchPad()
{
    if (fd >= 0)
        close(fd);
    pointsCount = 0;
    signMode = 0;
    presence = 0;
}

// Converts one axis value into the pending point. Every result is clamped to
// the screen, so a panel value outside its calibrated range never yields a
// point off the screen.
void vuPaxProlinTouchPad::convert(uint16_t axis, int32_t v)
{
    const long W = vuUI::GetWidth();
    const long H = vuUI::GetHeight();
    if (kind == 0) {
        // Resistive panel: its x axis runs along the screen's height
        // (inverted), its y axis along the width.
        if (axis == vuInputRecord::AxisX) {
            long r;
            if (v <= 139)
                r = H - 1;
            else if (v < 3900)
                r = H - (static_cast<long>(v) - 140) * H / 3760 - 1;
            else
                r = 0;
            pendingY = clampTo(r, static_cast<unsigned>(H));
        } else {
            long r;
            if (v <= 279)
                r = 0;
            else if (v < 3850)
                r = (static_cast<long>(v) - 280) * W / 3570;
            else
                r = W - 1;
            pendingX = clampTo(r, static_cast<unsigned>(W));
        }
    } else if (rotation == 90) {
        // Raw pixels of the unrotated panel.
        if (axis == vuInputRecord::AxisX)
            pendingY = clampTo(H - static_cast<long>(v) - 1, static_cast<unsigned>(H));
        else
            pendingX = clampTo(v, static_cast<unsigned>(W));
    } else {
        if (axis == vuInputRecord::AxisX)
            pendingX = clampTo(v, static_cast<unsigned>(W));
        else
            pendingY = clampTo(v, static_cast<unsigned>(H));
    }
}

int vuPaxProlinTouchPad::getState(int *outX, int *outY)
{
    pointsCount = 0;
    if (fd < 0)
        return 0;
    const uint32_t now = OsGetTickCount();
    bool readAny = false;
    uint32_t releaseX = 0, releaseY = 0;
    vuInputRecord rec;
    while (vuReadInputRecord(fd, rec)) {
        readAny = true;
        if (rec.type == vuInputRecord::Key && rec.code == vuInputRecord::TouchButton) {
            if (rec.value == 0 && tick != 0 && now - tick <= ReleaseWindowMs) {
                releaseX = x;
                releaseY = y;
            }
            if (rec.value == 0 || rec.value == 1) {
                touched = 0;
                x = 0;
                y = 0;
                pendingFlag = 0;
                pendingX = 0;
                pendingY = 0;
            }
        } else if (rec.type == vuInputRecord::Absolute &&
                   (rec.code == vuInputRecord::AxisX || rec.code == vuInputRecord::AxisY)) {
            pendingFlag = 1;
            convert(rec.code, rec.value);
        } else if (rec.type == vuInputRecord::Sync && pendingFlag) {
            touched = 1;
            x = pendingX;
            y = pendingY;
            if (signMode && pointsCount < MaxSignPoints) {
                pointX[pointsCount] = static_cast<uint16_t>(x);
                pointY[pointsCount] = static_cast<uint16_t>(y);
                ++pointsCount;
            }
        }
    }
    int result = 0;
    if (touched) {
        if (outX)
            *outX = static_cast<int>(x);
        if (outY)
            *outY = static_cast<int>(y);
        result = 1;
    } else if (readAny && (releaseX != 0 || releaseY != 0)) {
        if (outX)
            *outX = static_cast<int>(releaseX);
        if (outY)
            *outY = static_cast<int>(releaseY);
        result = 1;
    }
    if (readAny) {
        tick = now;
    } else if (tick != 0 && now - tick > StaleMs) {
        x = 0;
        y = 0;
        touched = 0;
        tick = 0;
    }
    return result;
}

void vuPaxProlinTouchPad::flush()
{
    int sx, sy;
    getState(&sx, &sy);
    x = 0;
    y = 0;
    touched = 0;
    tick = 0;
    pointsCount = 0;
    signMode = 0;
}

int vuPaxProlinTouchPad::getPoint(uint16_t n, uint16_t *outX, uint16_t *outY)
{
    if (n >= pointsCount)
        return 0;
    if (outX)
        *outX = pointX[n];
    if (outY)
        *outY = pointY[n];
    return 1;
}

void vuPaxProlinTouchPad::setSignMode(uint8_t on)
{
    signMode = on;
}
