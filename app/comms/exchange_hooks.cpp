#include "exchange_hooks.h"

int oism_exchange_dialog(vuUI *, unsigned, mxml_node_t *)
{
    return -1;
}

void unload_notifications(vuUI *)
{
}
