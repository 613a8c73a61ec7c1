#include "oism_hook.h"

#include "TMCommand.h"
#include "kfn_state.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"

oism_worker_record oism_worker;

namespace {

bool paramsComplete()
{
    const oism_worker_record &w = oism_worker;
    return w.host[0] && w.port && w.period_ms && w.send_ms && w.recv_ms;
}

void settingSeconds(mxml_node_t *section, const char *key, int *out)
{
    const char *v = mxmlElementGetAttr(section, key);
    if (v && *v)
        *out = static_cast<int>(parse_number(v)) * 1000;
}

} // namespace

int oism_load_params(mxml_node_t *section)
{
    if (paramsComplete())
        return 0;
    oism_worker_record &w = oism_worker;
    TMCommand cmd;
    if (cmd.GetServer(1) > 0 && kfn_exec(nullptr, &cmd, 5000) == 0) {
        char host[256];
        if (cmd.FieldText1251(9, host, sizeof host) >= 0)
            str_copy(w.host, host, sizeof w.host);
        w.port = cmd.FieldWord(5);
        w.period_ms = cmd.FieldWord(6) * 1000;
        w.recv_ms = cmd.FieldWord(7) * 1000;
        w.send_ms = cmd.FieldWord(8) * 1000;
    }
    if (section) {
        settingSeconds(section, "period", &w.period_ms);
        settingSeconds(section, "sendtime", &w.send_ms);
        settingSeconds(section, "recvtime", &w.recv_ms);
        const char *port = mxmlElementGetAttr(section, "port");
        if (port && *port)
            w.port = static_cast<uint16_t>(parse_number(port));
        const char *host = mxmlElementGetAttr(section, "host");
        if (host && *host)
            str_copy(w.host, host, sizeof w.host);
    }
    return paramsComplete() ? 0 : -1;
}

void oism_forget_params()
{
    oism_worker.host[0] = 0;
    oism_worker.port = 0;
    oism_worker.period_ms = oism_worker.send_ms = oism_worker.recv_ms = 0;
}

void oism_session_open(vuUI *)
{
    oism_load_params(settings_node("shift/oism"));
}

void oism_session_close() {}
