#include "app_hooks.h"

#include <stdint.h>

#include "key_service.h"
#include "kfn_state.h"
#include "kkt_info.h"
#include "monitor_terminal.h"

namespace {

void keyServiceAddress(const char **host, uint16_t *port)
{
    asokp_load_server();
    *host = asokp_host();
    *port = asokp_port();
}

} // namespace

void app_register_hooks()
{
    kfn_set_monitor_terminal(on_monitor_terminal);
    kkt_info_set_key_service(keyServiceAddress);
}
