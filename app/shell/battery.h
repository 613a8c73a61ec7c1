// The battery service: a background thread measures the battery about every
// 500 ms into one word (the level in percent in the low byte,
// BATTERY_LOW, BATTERY_EXTERNAL), which the status line's "batlevel"
// indicator draws and the print runner checks before printing. How the
// level is measured (the OS battery steps, the battery management system or
// the battery voltage on one of three curves) is detected at the thread's
// start and may be forced by "battery.xml" in the current folder, which the
// battery-type dialog writes.
#ifndef APP_SHELL_BATTERY_H
#define APP_SHELL_BATTERY_H

#include <stddef.h>
#include <stdint.h>

class vuUI;
class vuViewObject;

enum : uint16_t {
    BATTERY_LEVEL_MASK = 0x00FF,
    BATTERY_LOW = 0x1000,
    BATTERY_EXTERNAL = 0x2000,
};

// force_type values kept in "battery.xml".
enum BatteryForce : unsigned {
    BATTERY_FORCE_AUTO = 0,
    BATTERY_FORCE_OS = 1,
    BATTERY_FORCE_BMS = 2,
    BATTERY_FORCE_LINEAR = 3,
    BATTERY_FORCE_CURVE_A = 4,
    BATTERY_FORCE_CURVE_B = 5,
};

// Text colours of the indicator's level: normal and low (RGB565).
void battery_set_colors(uint16_t normal, uint16_t low);
// Starts the thread when the status line has a "batlevel" indicator (the
// argument is not used: the indicator is looked up again). skip, when given
// and not "0", skips the detection (the OS battery steps are used).
void battery_start(vuViewObject *indicator, const char *skip);
// Stops the thread (within one cycle) and detaches the indicator. Harmless
// when nothing runs.
void battery_stop();
// The battery word; 22 before the first measurement.
uint16_t battery_level();
// The indicator's value function (UI thread): sets its text and colour from
// the word and returns the word.
unsigned short battery_draw(intptr_t indicator);

// force_type from "battery.xml" (0 when the file is missing or bad).
void battery_load_settings();
// Writes force_type to "battery.xml" through a temporary file renamed over
// the old one; false (the old file kept) when that fails.
bool battery_save_settings();
unsigned battery_force_type();
void battery_set_force_type(unsigned type);

// The battery-type screen; the menu's "BatteryCheck_Menu".
void battery_type_dialog(vuUI *ui);
void CmdBatteryCheck(vuUI *ui, const char *title);

// ---- the measurement, for the thread and for tests ----

// Curves of the voltage ratio (1/10000 of voltage_min..voltage_max).
enum BatteryCurve { BATTERY_CURVE_LINEAR = 0, BATTERY_CURVE_A = 1, BATTERY_CURVE_B = 2 };
// The curve's level, with BATTERY_LOW where the curve sets it.
uint16_t battery_curve(int curve, unsigned ratio);
// force_type of a "battery.xml" text; 0 for anything but a battery element
// whose force_type is a decimal number 0..5.
unsigned battery_parse_settings(const char *text, size_t size);
// The decimal number on the first line of a voltage file's text (at most
// 16 bytes), 0 when there is none.
unsigned long battery_parse_voltage(const char *text, size_t size);
// What battery_start prepares before the thread: the settings, the skip
// value and the hardware kind from "ro.fac.hwver"; the last ratio reset.
void battery_prepare(const char *skip);
// The thread's start: the measuring mode from what the terminal offers.
void battery_detect();
// One measurement; stores and returns the word.
uint16_t battery_cycle();

#endif
