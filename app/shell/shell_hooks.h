// Screens and services of the shell that come with later work: the battery
// service, the information screen, the controller monitor terminal and the
// Bluetooth library. Until they are built they do nothing: the battery
// indicator shows nothing, the screens open nothing and Bluetooth counts as
// absent. Each moves to its own unit when it is built.
#ifndef APP_SHELL_SHELL_HOOKS_H
#define APP_SHELL_SHELL_HOOKS_H

#include <stdint.h>

class vuUI;
class vuViewObject;

void battery_set_colors(uint16_t normal, uint16_t low);
void battery_start(vuViewObject *indicator, int options);
void battery_stop();
// Bit 0x1000 low level, 0x2000 external power, low byte the percentage.
uint16_t battery_level();

void show_kkt_info(vuUI *ui, const char *title);
void on_monitor_terminal(vuUI *ui, const char *title);
// 0 when the Bluetooth library is bound, -1 when it is absent.
int bt_load_library();

#endif
