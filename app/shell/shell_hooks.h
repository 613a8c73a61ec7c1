// Screens and services of the shell that come with later work: the
// controller monitor terminal and the Bluetooth library. Until they are
// built they do nothing: the terminal opens nothing and Bluetooth counts as
// absent. Each moves to its own unit when it is built.
#ifndef APP_SHELL_SHELL_HOOKS_H
#define APP_SHELL_SHELL_HOOKS_H

#include <stdint.h>

class vuUI;

void on_monitor_terminal(vuUI *ui, const char *title);
// 0 when the Bluetooth library is bound, -1 when it is absent.
int bt_load_library();

#endif
