#include "shell_hooks.h"

void battery_set_colors(uint16_t, uint16_t) {}

void battery_start(vuViewObject *, int) {}

void battery_stop() {}

uint16_t battery_level() { return 0; }

void show_kkt_info(vuUI *, const char *) {}

void on_monitor_terminal(vuUI *, const char *) {}

int bt_load_library() { return -1; }
