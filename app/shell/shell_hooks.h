// Screens of the shell that come with later work: the controller monitor
// terminal. Until it is built it does nothing. It moves to its own unit
// when it is built.
#ifndef APP_SHELL_SHELL_HOOKS_H
#define APP_SHELL_SHELL_HOOKS_H

#include <stdint.h>

class vuUI;

void on_monitor_terminal(vuUI *ui, const char *title);

#endif
