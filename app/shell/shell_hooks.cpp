#include "shell_hooks.h"

int bt_load_library() { return -1; }
