// The braking slide shared by panels and multi-forms: one step of a motion
// towards a target that starts at one pixel per step, doubles after every
// A + 1 steps up to four, brakes to two within 3A pixels and to one within A
// pixels of the target, and lands on it exactly (A: the touch panel's
// accelerating step). Internal to the library.
#ifndef VU_MOTION_H
#define VU_MOTION_H

// 0 when the speed is 0 (nothing moves); otherwise one step, 2.
int vuMotionStep(int target, int& pos, short& speed, unsigned short& count);

#endif
