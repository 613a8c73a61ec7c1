#include "server_params.h"

#include <stdio.h>
#include <string.h>

#include "TMCommand.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "key_service.h"
#include "error_box.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuForm.h"
#include "vuMenu.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

const int kTimeoutMs = 5000;
// The key service's record is written with these time-outs whatever the
// dialog shows.
const uint16_t kKeysTimeout = 30;
// The longest texts of the period and of the two time-outs that the dialog
// shows from the controller.
const size_t kPeriodShown = 5, kTimeoutShown = 4;

struct Kind {
    const char *file;
    const char *section;
    const char *noHost;
    const char *noPort;
    const char *confirm;
};

const Kind kKinds[] = {
    {"kkt_dlg_ofd_param.xml", "CmdOFDParam", "НЕ ВВЕДЕН АДРЕС ХОСТА ОФД!", "НЕ ВВЕДЕН ПОРТ ХОСТА ОФД!",
     "БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ СЕРВЕРА ОФД!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?"},
    {"kkt_dlg_oism_param.xml", "CmdOISMParam", "НЕ ВВЕДЕН АДРЕС ХОСТА ОИСМ!", "НЕ ВВЕДЕН ПОРТ ХОСТА ОИСМ!",
     "БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ СЕРВЕРА ОИСМ!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?"},
    {"kkt_dlg_as_okp_param.xml", "CmdASOKPParam", "НЕ ВВЕДЕН АДРЕС ХОСТА АС ОКП!", "НЕ ВВЕДЕН ПОРТ ХОСТА АС ОКП!",
     "БУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ СОХРАНЕНИЯ ПАРАМЕТРОВ СЕРВЕРА АС ОКП!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?"},
};

const char kZeroTimeout[] = "ТАЙМАУТ НЕ МОЖЕТ БЫТЬ НУЛЕВЫМ!";

// The dialog's five entry fields, in the order of the record's values
// (host last there) and of the settings keys.
enum { F_ADDR, F_PORT, F_PERIOD, F_RECV, F_SEND, F_COUNT };
const char *const kFieldNames[F_COUNT] = {"addr", "port", "period", "recv", "send"};
const char *const kSettingKeys[F_COUNT] = {"URL", "port", "sleepTimeout", "readTimeout", "writeTimeout"};

// A field's text reads as 0: empty, zero, or no number the record takes.
bool readsAsZero(const char *text)
{
    uint16_t v = 0;
    return !server_field_number(text, &v) || v == 0;
}

// The key service's address as the drive names it (0x9E sub-command 1),
// asked without the runner: host empty and port 0 when it names none.
void readKeyServiceAddress(char *host, uint16_t *port)
{
    host[0] = '\0';
    *port = 0;
    TMCommand cmd;
    if (!kfn_query_unlocked(cmd, cmd.Command9E(1), kTimeoutMs))
        return;
    uint32_t len = 0;
    const char *field = cmd.FieldAt(5, &len);
    if (field)
        asokp_parse_address(field, len, host, port);
}

// Fills the fields from the controller's record; the number of values it
// supplied (host non-empty, each word non-zero).
int presetFromController(vuUI *ui, ServerKind kind, vuObject *const *fields)
{
    char keyHost[sizeof(server_link::host)] = "";
    uint16_t keyPort = 0;
    if (kind == SERVER_KEYS)
        readKeyServiceAddress(keyHost, &keyPort);

    TMCommand cmd;
    int built = kind == SERVER_OFD ? cmd.OFDGetParam() : cmd.GetServer(kind == SERVER_OISM ? 1 : 2);
    if (built <= 0 || kfn_exec(ui, &cmd, kTimeoutMs) != 0)
        return 0;
    int known = 0;
    char host[SERVER_HOST_SIZE] = "";
    if (keyHost[0])
        str_copy(host, keyHost, sizeof host);
    else
        cmd.FieldText1251(9, host, sizeof host);
    // The OFD and OISM exchanges reach the settings' own host or port where
    // they name one: that is what the dialog shows.
    uint16_t usedPort = static_cast<uint16_t>(cmd.FieldWord(5));
    if (kind == SERVER_OFD || kind == SERVER_OISM)
        settings_exchange_address(kind == SERVER_OFD ? settings_ofd_node() : settings_oism_node(), host, sizeof host,
                                  &usedPort);
    if (host[0]) {
        widget_set_text(fields[F_ADDR], host);
        ++known;
    }
    for (int f = F_PORT; f <= F_SEND; ++f) {
        uint16_t value = cmd.FieldWord(static_cast<uint32_t>(5 + f - F_PORT));
        if (f == F_PORT)
            value = keyPort ? keyPort : usedPort;
        char text[8];
        str_format(text, sizeof text, "%u", static_cast<unsigned>(value));
        known += value != 0;
        size_t shown = f == F_PORT ? sizeof text : f == F_PERIOD ? kPeriodShown : kTimeoutShown;
        if (strlen(text) <= shown)
            widget_set_text(fields[f], text);
    }
    return known;
}

// The gaps from the dialog's settings section; a missing key changes
// nothing.
void presetFromSettings(const Kind &k, vuObject *const *fields)
{
    for (int f = F_ADDR; f < F_COUNT; ++f) {
        const char *current = widget_text(fields[f]);
        if (f == F_ADDR ? current[0] != '\0' : !readsAsZero(current))
            continue;
        const char *stored = settings_get(k.section, kSettingKeys[f]);
        if (!stored)
            continue;
        char text[SERVER_HOST_SIZE * 2];
        utf8_to_cp1251(stored, text, sizeof text);
        widget_set_text(fields[f], text);
    }
}

// Writes the record; the runner shows what went wrong.
void writeRecord(vuUI *ui, ServerKind kind, vuObject *const *fields)
{
    uint16_t v[F_COUNT] = {};
    for (int f = F_PORT; f < F_COUNT; ++f)
        server_field_number(widget_text(fields[f]), &v[f]);
    const char *host = widget_text(fields[F_ADDR]);
    TMCommand cmd;
    int built;
    if (kind == SERVER_OFD)
        built = cmd.SetOFDServer(host, v[F_PORT], v[F_PERIOD], v[F_RECV], v[F_SEND]);
    else if (kind == SERVER_OISM)
        built = cmd.SetServer(host, v[F_PORT], v[F_PERIOD], v[F_RECV], v[F_SEND], 1);
    else
        built = cmd.SetServer(host, v[F_PORT], kKeysTimeout, kKeysTimeout, kKeysTimeout, 2);
    kfn_run(ui, cmd, built, kTimeoutMs);
}

void saveEntries(const Kind &k, vuObject *const *fields)
{
    for (int f = F_ADDR; f < F_COUNT; ++f) {
        char text[SERVER_HOST_SIZE * 2];
        cp1251_to_utf8(widget_text(fields[f]), text, sizeof text);
        settings_set(k.section, kSettingKeys[f], text);
    }
    settings_save();
}

void serverDialog(vuUI *ui, ServerKind kind)
{
    const Kind &k = kKinds[kind];
    ScopedDialog dialog(ui, k.file);
    if (!dialog)
        return;
    vuObject *fields[F_COUNT];
    for (int f = F_ADDR; f < F_COUNT; ++f)
        fields[f] = dialog.field(kFieldNames[f]);
    dialog.reset();
    const int known = presetFromController(ui, kind, fields);
    presetFromSettings(k, fields);
    for (;;) {
        const int state = dialog.show();
        if (state != 1) {
            if (state == -1 && known < F_COUNT &&
                message_box(ui, "ВНИМАНИЕ", "ПАРАМЕТРЫ НЕ СОХРАНЕНЫ В КФН!!!\nПРОДОЛЖИТЬ?", MB_OK | MB_CANCEL) ==
                    MB_RESULT_OK)
                continue;
            break;
        }
        if (const char *problem = server_fields_check(kind, widget_text(fields[F_ADDR]), widget_text(fields[F_PORT]),
                                                      widget_text(fields[F_PERIOD]), widget_text(fields[F_RECV]),
                                                      widget_text(fields[F_SEND]))) {
            error_box(ui, problem);
            continue;
        }
        if (message_box(ui, "ВНИМАНИЕ", k.confirm, MB_OK | MB_CANCEL) == MB_RESULT_CANCEL)
            continue;
        writeRecord(ui, kind, fields);
        // The entries are kept whatever the controller answered.
        saveEntries(k, fields);
        break;
    }
}

} // namespace

int parse_server_url(const char *text, char *host, size_t size, uint16_t *port)
{
    if (host && size)
        host[0] = '\0';
    if (port)
        *port = 0;
    if (!text || !host || size < 2 || !port)
        return 0;
    // The scheme, any run of ':' and '/', the host up to ':' (no longer
    // than the buffer), the ':'.
    char format[48];
    str_format(format, sizeof format, "%%*[^:]%%*[:/]%%%u[^:]:%%n", static_cast<unsigned>(size - 1));
    int used = 0;
    if (sscanf(text, format, host, &used) != 1 || used == 0) {
        host[0] = '\0';
        return 0;
    }
    unsigned long value = 0;
    const char *p = text + used;
    for (; *p >= '0' && *p <= '9' && value <= 65535; ++p)
        value = value * 10 + static_cast<unsigned long>(*p - '0');
    if (p == text + used || value == 0 || value > 65535) {
        host[0] = '\0';
        return 0;
    }
    *port = static_cast<uint16_t>(value);
    return 1;
}

bool server_field_number(const char *text, uint16_t *value)
{
    *value = 0;
    if (!text)
        return true;
    uint32_t v = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + static_cast<uint32_t>(*p - '0');
        if (v > 65535)
            return false;
    }
    *value = static_cast<uint16_t>(v);
    return true;
}

const char *server_fields_check(ServerKind kind, const char *addr, const char *port, const char *period,
                                const char *recv, const char *send)
{
    const Kind &k = kKinds[kind];
    if (!addr || !*addr)
        return k.noHost;
    if (readsAsZero(port))
        return k.noPort;
    for (const char *t : {period, recv, send})
        if (readsAsZero(t))
            return kZeroTimeout;
    return nullptr;
}

// menu: ofd_par
void CmdOFDParam(vuUI *ui, const char *) { serverDialog(ui, SERVER_OFD); }
void CmdOISMParam(vuUI *ui, const char *) { serverDialog(ui, SERVER_OISM); }
void CmdASOKPParam(vuUI *ui, const char *) { serverDialog(ui, SERVER_KEYS); }

int select_server_dialog(vuUI *ui)
{
    ScopedDialog dialog(ui, "kkt_dlg_select_server.xml");
    vuMenu *menu = dynamic_cast<vuMenu *>(dialog.form());
    // A description that is no menu counts as none.
    if (!menu)
        return 1;
    return dialog.run() == 1 ? menu->GetSelected() : -1;
}

// menu: serv_par
void on_serv_par(vuUI *ui, const char *title)
{
    if (!kfn_marking_mode()) {
        message_box(ui, "ВНИМАНИЕ", "Доступ закрыт. ККТ не зарегистрирован для ФФД 1.2 с ТМТ", MB_OK | MB_ALERT);
        return;
    }
    switch (select_server_dialog(ui)) {
    case 1:
        CmdOISMParam(ui, title);
        break;
    case 2:
        CmdASOKPParam(ui, title);
        break;
    default:
        break;
    }
}
