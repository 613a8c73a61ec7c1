#include "scanner_hook.h"

int scanner_probe() { return 0; }

int scanner_start() { return 0; }

void scanner_stop() {}
