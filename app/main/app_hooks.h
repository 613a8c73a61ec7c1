// The calls the lower families make into the higher ones, set once at start:
// the controller wait opens the monitor terminal (comms), the information
// report names the key-update service (comms). Tests that exercise those
// paths set them the same way.
#ifndef APP_MAIN_APP_HOOKS_H
#define APP_MAIN_APP_HOOKS_H

void app_register_hooks();

#endif
