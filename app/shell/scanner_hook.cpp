#include "scanner_hook.h"

int scanner_probe() { return 0; }

int scanner_start() { return 0; }

void scanner_stop() {}

void scanner_clear() {}

void scanner_enable_read() {}

void scanner_disable_read() {}

int scanner_status() { return -1; }

const char *scanner_buffer() { return ""; }
