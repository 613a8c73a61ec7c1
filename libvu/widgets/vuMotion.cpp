#include "vuMotion.h"

#include "vuTouchPad.h"

int vuMotionStep(int target, int& pos, short& speed, unsigned short& count)
{
    if (speed == 0)
        return 0;
    const int A = vuTouchPad::GetAccelStep();
    if (speed < 0) {
        if (pos + speed > target) {
            if (speed < -1 && pos - target < A) {
                speed = -1;
                count = 0;
            } else if (speed < -2 && pos - target < 3 * A) {
                speed = -2;
                count = 0;
            } else if (speed >= -3 && count > A) {
                speed = static_cast<short>(speed * 2);
                count = 0;
            }
        } else {
            pos = target;
            speed = 0;
            count = 0;
        }
    } else {
        if (pos + speed < target) {
            if (speed >= 2 && target - pos < A) {
                speed = 1;
                count = 0;
            } else if (speed >= 3 && target - pos < 3 * A) {
                speed = 2;
                count = 0;
            } else if (speed < 4 && count > A) {
                speed = static_cast<short>(speed * 2);
                count = 0;
            }
        } else {
            pos = target;
            speed = 0;
            count = 0;
        }
    }
    if (speed != 0) {
        pos += speed;
        ++count;
    }
    return 2;
}
