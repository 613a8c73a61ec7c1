// Screens the shell opens that live in later units: the controller monitor
// terminal (app/comms/monitor_terminal.*).
#ifndef APP_SHELL_SHELL_HOOKS_H
#define APP_SHELL_SHELL_HOOKS_H

#include <stdint.h>

class vuUI;

// The controller monitor terminal behind the operator password: 0 when the
// password was refused (or its dialog is missing), else 1.
int on_monitor_terminal(vuUI *ui, const char *title);

#endif
