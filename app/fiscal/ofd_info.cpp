#include "ofd_info.h"

#include <stdlib.h>

#include "TMCommand.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "report_text.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "widget_text.h"

// menu: ofd_ticket
void CmdOfdTicket(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_ofd_get_ticket.xml");
    if (!d)
        return;
    vuObject *isprint = d.field("isprint");
    vuObject *num = d.field("num");
    d.reset();
    if (!d.show_until_valid(
            [&]() -> const char * { return atoi(widget_text(num)) == 0 ? "НЕ ВВЕДЕН НОМЕР ДОКУМЕНТА!" : nullptr; }))
        return;
    TMCommand cmd;
    if (!kfn_run(ui, cmd,
                 cmd.GetOFDTicket(static_cast<uint32_t>(atoi(widget_text(num))), widget_checked(isprint) ? 1 : 0)))
        return;
    char text[REPORT_TEXT_SIZE];
    ofd_ticket_text(cmd, text, sizeof text);
    show_report(ui, title, text);
}

// menu: ofd_doc_wait
void CmdOfdDocWait(vuUI *ui, const char *title)
{
    char text[REPORT_TEXT_SIZE];
    if (kfn_autonomous()) {
        TMCommand cmd;
        unsigned count = 0;
        if (kfn_query_unlocked(cmd, cmd.NotifCounts(0), 5000))
            count = cmd.FieldWord(5);
        ofd_doc_wait_text(1, 0, count, 0, text, sizeof text);
    } else {
        TMCommand cmd;
        unsigned count = 0, oism = 0;
        if (kfn_run(ui, cmd, cmd.GetWaitDocs()))
            count = cmd.FieldWord(5);
        int marking = kfn_marking_mode() == 1;
        if (marking) {
            TMCommand notices;
            if (kfn_query_unlocked(notices, notices.Cmd_GetStatusSendNotif(), 5000))
                oism = notices.FieldWord(6);
        }
        ofd_doc_wait_text(0, marking, count, oism, text, sizeof text);
    }
    // Shown whatever the queries gave: a failed one counts 0.
    message_box(ui, title, text, MB_OK);
}

// menu: ofd_pay_state
void CmdOfdPayState(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetUnsentState(), 10000))
        return;
    char text[REPORT_TEXT_SIZE];
    ofd_pay_state_text(cmd, text, sizeof text);
    message_box(ui, title, text, MB_OK | MB_FONT0);
}
