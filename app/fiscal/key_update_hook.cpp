#include "key_update_hook.h"

const char *asokp_auto_update(vuUI *) { return nullptr; }
