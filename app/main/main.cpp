// cashdesk: the cash-register program. The first argument is the start mode
// (a decimal number, 0 when absent); the process always ends with status 0.
#include <stdlib.h>

#include "app_hooks.h"
#include "app_run.h"

int main(int argc, char **argv)
{
    int mode = (argc > 1 && argv[1]) ? atoi(argv[1]) : 0;
    app_register_hooks();
    app_run(mode);
    return 0;
}
