// The controller's firmware update dialog, opened from the service menu's
// firmware entry. Until the update over the network is built it opens
// nothing and reports no update.
#ifndef APP_COMMS_FW_UPDATE_HOOK_H
#define APP_COMMS_FW_UPDATE_HOOK_H

class vuUI;

// Runs the dialog titled `title` on the firmware list at `url` (a buffer of
// 128 bytes the dialog may change). Returns the last update's result, -1
// when none ran.
int fw_update_dialog(vuUI *ui, const char *title, char *url, int arg);

#endif
