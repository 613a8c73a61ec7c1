#include "oism_hook.h"

void oism_session_open(vuUI *) {}

void oism_session_close() {}
