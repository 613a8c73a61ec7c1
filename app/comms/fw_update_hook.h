// The firmware update dialog of the service menu's firmware entry: see
// fw_update.h.
#ifndef APP_COMMS_FW_UPDATE_HOOK_H
#define APP_COMMS_FW_UPDATE_HOOK_H

#include "fw_update.h"

#endif
