#include "fw_update_hook.h"

int fw_update_dialog(vuUI *, const char *, char *, int) { return -1; }
