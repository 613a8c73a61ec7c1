// Services of the terminal the shell shares: the screen's brightness, the
// number of SIM sockets, the reboot, the factory test, lines for the
// controller service's log, the status line's network indicator and the
// key callback of the information screen.
#ifndef APP_SHELL_TERMINAL_HELPERS_H
#define APP_SHELL_TERMINAL_HELPERS_H

#include <stdint.h>

class vuObject;
class vuUI;
struct vuEvent;

// The brightness from the property "persist.sys.lcd.brightness" (decimal,
// or hexadecimal after a leading x), 8 when it is absent, never below 1.
void apply_brightness();
// Lets other threads run, then applies the brightness again: called inside
// long loops so that the screen stays lit.
void keep_awake();
// The property "ro.fac.simsocket", at least 1.
int sim_socket_count();

// The status line's object named "netlevel", or null.
vuObject *status_netlevel_item(vuUI *ui);

// With a UI, asks first and returns when the answer is not OK; then logs the
// reboot to the controller service and restarts the terminal. Main thread only.
void reboot_terminal(vuUI *ui);
// count beeps half a second apart, then the reboot without a question.
void beep_and_reboot(int count);
// Hands the screen and keypad to the factory test application and takes
// them back when it ends.
void run_factory_test(vuUI *ui);

// Formats a line, converts it to CP866 and sends it to the controller
// service's log.
void log_format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

// Event callback of the information screen: 100 for the digit 0, else 0.
int info_screen_keys(vuEvent *event, intptr_t form);

#endif
