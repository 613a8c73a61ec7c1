#include "shell_hooks.h"

void on_monitor_terminal(vuUI *, const char *) {}
