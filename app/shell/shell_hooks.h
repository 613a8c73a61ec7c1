// Screens and services the shell opens that live in later units: the
// controller monitor terminal (app/comms/monitor_terminal.*) and the
// Bluetooth library. Until it is built Bluetooth counts as absent. Each
// moves to its own unit when it is built.
#ifndef APP_SHELL_SHELL_HOOKS_H
#define APP_SHELL_SHELL_HOOKS_H

#include <stdint.h>

class vuUI;

// The controller monitor terminal behind the operator password: 0 when the
// password was refused (or its dialog is missing), else 1.
int on_monitor_terminal(vuUI *ui, const char *title);
// 0 when the Bluetooth library is bound, -1 when it is absent.
int bt_load_library();

#endif
