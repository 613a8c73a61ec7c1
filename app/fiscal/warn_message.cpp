#include "warn_message.h"

#include "dialog.h"
#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuUI.h"
#include "widget_text.h"

int WarnMessageKeys(vuEvent *event, intptr_t)
{
    return event && event->key == WARN_OVERRIDE_KEY ? WARN_OVERRIDE : 0;
}

int WarnMessageDialog(vuUI *ui, const char *title, const char *text)
{
    vuForm *form = dialog_create(ui, "kkt_dlg_warn_message.xml");
    if (!form)
        return -1;
    form->SetHeaderText(title);
    widget_set_text(form->GetByName("info"), text);
    ui->Add(form);
    form->Reset();
    OsBeep(4, 200);
    ui->Show(form, WarnMessageKeys);
    ui->WaitEndModal();
    int state = form->GetState();
    ui->Del(form);
    return state;
}
