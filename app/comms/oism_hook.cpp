#include "oism_hook.h"

#include "TMCommand.h"
#include "kfn_state.h"
#include "str_helpers.h"

namespace {

char host[256];
uint16_t port;
int send_ms;

} // namespace

void oism_session_open(vuUI *)
{
    if (host[0] && port && send_ms)
        return;
    TMCommand cmd;
    if (cmd.GetServer(1) <= 0 || kfn_exec(nullptr, &cmd, 5000) != 0)
        return;
    char text[256];
    if (cmd.FieldText1251(9, text, sizeof text) >= 0)
        str_copy(host, text, sizeof host);
    port = cmd.FieldWord(5);
    send_ms = cmd.FieldWord(8) * 1000;
}

void oism_session_close() {}

const char *oism_host() { return host; }
uint16_t oism_port() { return port; }
int oism_send_ms() { return send_ms; }

void oism_forget_params()
{
    host[0] = 0;
    port = 0;
    send_ms = 0;
}
