#include "ofd_info.h"

#include <stdlib.h>

#include "ServiceCommand.h"
#include "TMCommand.h"
#include "dialog.h"
#include "kfn_state.h"
#include "message_box.h"
#include "report_text.h"
#include "screen_common.h"
#include "vuForm.h"
#include "vuUI.h"
#include "widget_text.h"

// menu: ofd_ticket
void CmdOfdTicket(vuUI *ui, const char *title)
{
    vuForm *form = dialog_create(ui, "kkt_dlg_ofd_get_ticket.xml");
    if (!form)
        return;
    vuObject *isprint = form->GetByName("isprint");
    vuObject *num = form->GetByName("num");
    ui->Add(form);
    form->Reset();
    for (;;) {
        ui->Show(form);
        ui->WaitEndModal();
        if (form->GetState() != 1)
            break;
        int number = atoi(widget_text(num));
        if (number == 0) {
            message_box(ui, "ОШИБКА", "НЕ ВВЕДЕН НОМЕР ДОКУМЕНТА!", MB_OK | MB_ALERT);
            continue;
        }
        TMCommand cmd;
        if (cmd.GetOFDTicket(static_cast<uint32_t>(number), widget_checked(isprint) ? 1 : 0) <= 0) {
            build_failed(ui);
        } else if (kfn_exec(ui, &cmd, 5000) == 0) {
            char text[REPORT_TEXT_SIZE];
            ofd_ticket_text(cmd, text, sizeof text);
            show_report(ui, title, text);
        }
        break;
    }
    ui->Del(form);
}

// menu: ofd_doc_wait
void CmdOfdDocWait(vuUI *ui, const char *title)
{
    char text[REPORT_TEXT_SIZE];
    if (kfn_autonomous()) {
        TMCommand cmd;
        unsigned count = 0;
        if (cmd.NotifCounts(0) > 0 && ServiceExecute(cmd, 5000) == 0 && cmd.ErrorCode() == 0)
            count = cmd.FieldWord(5);
        ofd_doc_wait_text(1, 0, count, 0, text, sizeof text);
    } else {
        TMCommand cmd;
        unsigned count = 0, oism = 0;
        if (cmd.GetWaitDocs() <= 0)
            build_failed(ui);
        else if (kfn_exec(ui, &cmd, 5000) == 0)
            count = cmd.FieldWord(5);
        int marking = kfn_marking_mode() == 1;
        if (marking) {
            TMCommand notices;
            if (notices.Cmd_GetStatusSendNotif() > 0 && ServiceExecute(notices, 5000) == 0 &&
                notices.ErrorCode() == 0)
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
    if (cmd.GetUnsentState() <= 0) {
        build_failed(ui);
        return;
    }
    if (kfn_exec(ui, &cmd, 10000) != 0)
        return;
    char text[REPORT_TEXT_SIZE];
    ofd_pay_state_text(cmd, text, sizeof text);
    message_box(ui, title, text, MB_OK | MB_FONT0);
}
