#include "oism_dialog.h"

#include "exchange_io.h"
#include "kfn_state.h"
#include "message_box.h"
#include "oism_worker.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "status_line.h"
#include "str_helpers.h"
#include "TMCommand.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "widget_text.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace {

const uint8_t kEsc = 27;
const int kTimedOut = 10; // the form's state when it ended by time-out

void line(vuForm *form, const char *text)
{
    oism_info_append(form->GetByName("info"), text);
}

// A failure line with the beep.
void failure(vuForm *form, const char *text)
{
    line(form, text);
    OsBeep(4, 200);
}

} // namespace

int oism_dialog_event(vuEvent *event, intptr_t form_ptr)
{
    vuForm *form = reinterpret_cast<vuForm *>(form_ptr);
    if (event && event->key == kEsc)
        return -1;
    const int r = oism_step_poll(nullptr);
    if (r == 0)
        return 0;
    char text[512];
    if (r == 1) {
        if (oism_worker.waiting != 0)
            line(form, "ОТПРАВКА ДОКУМЕНТА ЗАВЕРШЕНА");
    } else {
        str_format(text, sizeof text, "ОШИБКА: %s", oism_error_text());
        line(form, text);
        in_addr address;
        address.s_addr = exchange_resolve(oism_worker.host);
        str_format(text, sizeof text, "СЕРВЕР: %s:%u", inet_ntoa(address), static_cast<unsigned>(oism_worker.port));
        failure(form, text);
    }
    TMCommand cmd;
    if (cmd.Cmd_GetStatusSendNotif() <= 0) {
        failure(form, "ОШИБКА: Cmd_GetStatusSendNotif fail");
        return -1;
    }
    const int e = kfn_exec(nullptr, &cmd, 2000);
    if (e != 0) {
        str_format(text, sizeof text, "ОШИБКА: Cmd_GetStatusSendNotif IO код %i", e);
        failure(form, text);
        return -1;
    }
    oism_worker.waiting = cmd.FieldWord(6);
    if (oism_worker.waiting == 0) {
        line(form, "ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ");
        return 1;
    }
    const int length = oism_step_begin(nullptr, OISM_MODE_NOTIFICATIONS);
    if (length < 0) {
        str_format(text, sizeof text, "ОШИБКА: %s", oism_error_text());
        failure(form, text);
        return -1;
    }
    str_format(text, sizeof text, "НАЧАТА ОТПРАВКА ДОКУМЕНТА %u [%u]", static_cast<unsigned>(oism_worker.waiting),
               static_cast<unsigned>(length));
    line(form, text);
    return 2;
}

int oism_exchange_dialog(vuUI *ui, unsigned count, mxml_node_t *section)
{
    if (kfn_marking_mode() != 1 || count == 0)
        return 0;
    if (oism_start(ui, 0, section) != 0)
        return -1;
    ScopedDialog dialog(ui, "common_dlg_oism.xml");
    if (!dialog) {
        oism_stop(ui);
        return -1;
    }
    oism_worker.mode = OISM_MODE_NOTIFICATIONS;
    oism_worker.waiting = 0;
    dialog.run(oism_dialog_event);
    kfn_oism_waiting();
    status_line_waiting(ui);
    const int state = dialog.state();
    const char *info = widget_text(dialog.field("info"));
    if (state == -1) {
        oism_cancel_read();
        message_box(ui, "ОБМЕН ПРЕРВАН", info, MB_OK | MB_ALERT | MB_FONT0 | MB_JUSTIFY1);
    } else if (state != kTimedOut) {
        message_box(ui, "ОБМЕН ЗАВЕРШЕН", info, MB_OK | MB_FONT0 | MB_JUSTIFY1);
    }
    dialog.close();
    oism_stop(ui);
    return state;
}
