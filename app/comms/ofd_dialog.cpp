#include "ofd_dialog.h"

#include "conn_api.h"
#include "conn_record.h"
#include "scoped_dialog.h"
#include "info_panel.h"
#include "kfn_state.h"
#include "message_box.h"
#include "notification_unload.h"
#include "ofd_worker.h"
#include "oism_dialog.h"
#include "osal.h"
#include "ServiceResult.h"
#include "settings.h"
#include "status_line.h"
#include "str_helpers.h"
#include "TMCommand.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuViewObject.h"
#include "widget_text.h"

#include <string.h>

namespace {

const uint8_t kEsc = 27;

void line(vuForm *form, const char *text)
{
    info_panel_append(form->GetByName("info"), text);
}

// A failure line with the beep.
void failure(vuForm *form, const char *text)
{
    line(form, text);
    OsBeep(4, 200);
}

} // namespace

int ofd_dialog_event(vuEvent *event, intptr_t form_ptr)
{
    vuForm *form = reinterpret_cast<vuForm *>(form_ptr);
    if (event && event->key == kEsc)
        return -1;
    const int r = ofd_step_poll(nullptr);
    if (r == 0)
        return 0;
    char text[512];
    if (r == 1) {
        if (ofd_worker.waiting != 0)
            line(form, "ОТПРАВКА ДОКУМЕНТА ЗАВЕРШЕНА");
    } else {
        str_format(text, sizeof text, "ОШИБКА: %s", ofd_error_text());
        failure(form, text);
    }
    if (ofd_message()[0]) {
        str_format(text, sizeof text, "ОФД MSG:%s", ofd_message());
        line(form, text);
    }
    TMCommand cmd;
    if (cmd.GetWaitDocs() <= 0) {
        failure(form, "ОШИБКА: GetWaitDocs fail");
        return -1;
    }
    const int e = kfn_exec(nullptr, &cmd, 2000);
    if (e < 0) {
        str_format(text, sizeof text, "ОШИБКА: GetWaitDocs IO код %i", e);
        failure(form, text);
        return -1;
    }
    if (e > 0) {
        FormatFiscalError(text, sizeof text, "ОШИБКА: GetWaitDocs\n%02X:%02X %s",
                          static_cast<uint32_t>(cmd.ErrorCode()), static_cast<uint32_t>(cmd.ErrorDetail()));
        failure(form, text);
        return -1;
    }
    ofd_worker.waiting = cmd.FieldWord(5);
    if (ofd_worker.waiting == 0) {
        line(form, "ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ");
        return 1;
    }
    const int length = ofd_step_begin(nullptr);
    if (length < 0) {
        str_format(text, sizeof text, "ОШИБКА: %s", ofd_error_text());
        failure(form, text);
        return -1;
    }
    str_format(text, sizeof text, "НАЧАТА ОТПРАВКА ДОКУМЕНТА %u [%u]", static_cast<unsigned>(ofd_worker.waiting),
               static_cast<unsigned>(length));
    line(form, text);
    return 2;
}

int ofd_exchange_dialog(vuUI *ui, unsigned count, mxml_node_t *section)
{
    if (count == 0 || ofd_start(ui, 0, section) != 0)
        return -1;
    ScopedDialog dialog(ui, "common_dlg_ofd.xml");
    if (!dialog) {
        ofd_stop(ui);
        return -1;
    }
    ofd_worker.waiting = 0;
    const int state = dialog.run(ofd_dialog_event);
    kfn_ofd_waiting();
    status_line_waiting(ui);
    const char *info = widget_text(dialog.field("info"));
    // The box shows the log's last lines, as many as it holds, so that the
    // outcome (the last line) is in view; it stays until the user has read it.
    const uint16_t flags = state < 0 ? MB_OK | MB_ALERT | MB_FONT0 : MB_OK | MB_FONT0;
    const char *title = state < 0 ? "ОБМЕН ПРЕРВАН" : "ОБМЕН ЗАВЕРШЕН";
    char tail[4096];
    str_copy(tail, info ? info : "", sizeof tail);
    if (vuForm *probe = build_message_box(ui, title, "", flags, 0)) {
        vuViewObject *msg = dynamic_cast<vuViewObject *>(probe->GetByName("msg"));
        const int capacity = info_panel_capacity(msg ? msg->GetHeight() : 0);
        delete probe;
        int lines = 1;
        for (const char *p = tail; *p; ++p)
            lines += *p == '\n';
        char *start = tail;
        for (; lines > capacity && capacity > 0; --lines) {
            char *nl = strchr(start, '\n');
            if (!nl)
                break;
            start = nl + 1;
        }
        memmove(tail, start, strlen(start) + 1);
    }
    message_box(ui, title, tail, flags);
    dialog.close();
    ofd_stop(ui);
    return state;
}

// menu: ofd_conn
void send_waiting_documents(vuUI *ui, const char *)
{
    const unsigned documents = kfn_ofd_waiting();
    const unsigned notifications = kfn_oism_waiting();
    if (kfn_autonomous()) {
        unload_notifications(ui);
        return;
    }
    if (documents == 0 && notifications == 0) {
        run_message_box_ex(ui, "ВНИМАНИЕ", "НЕТ ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ", MB_OK | MB_ALERT, 3000, nullptr);
        return;
    }
    if (conn_connect(ui, nullptr) != 0)
        return;
    ofd_exchange_dialog(ui, documents, settings_ofd_node());
    oism_exchange_dialog(ui, notifications, settings_oism_node());
    conn_disconnect();
}

void send_waiting_documents_open(vuUI *ui)
{
    const unsigned documents = kfn_ofd_waiting();
    const unsigned notifications = kfn_oism_waiting();
    if (documents == 0 && notifications == 0) {
        run_message_box_ex(ui, "ВНИМАНИЕ", "НЕТ ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ", MB_OK | MB_ALERT, 3000, nullptr);
        return;
    }
    const int opened = conn_open(ui);
    if (conn_is_up()) {
        ofd_exchange_dialog(ui, documents, settings_ofd_node());
        oism_exchange_dialog(ui, notifications, settings_oism_node());
    }
    // A link that could not be brought up is not routed to.
    conn_close(opened > 0 ? 1 : 0);
}
