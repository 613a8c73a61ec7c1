#include "password.h"

#include <string.h>

#include "ServiceApp.h"
#include "dialog.h"
#include "message_box.h"
#include "widget_text.h"
#include "vuForm.h"
#include "vuUI.h"

namespace {

const char *kPassword = "3846";

} // namespace

int ask_password(vuUI *ui, const char *title)
{
    vuForm *form = dialog_create(ui, "kkt_dlg_pass_input.xml");
    if (!form)
        return -1;
    vuObject *field = form->GetByName("pass");
    ui->Add(form);
    form->SetHeaderText(title);
    form->Reset();
    int granted = 0;
    for (;;) {
        ui->Show(form);
        ui->WaitEndModal();
        if (form->GetState() != 1)
            break;
        const char *typed = widget_text(field);
        if (typed && strcmp(typed, kPassword) == 0) {
            granted = 1;
            break;
        }
        message_box(ui, "ВНИМАНИЕ", "ПАРОЛЬ НЕВЕРНЫЙ\n\nПОВТОРИТЕ ВВОД", MB_OK | MB_ALERT);
    }
    ui->Del(form);
    return granted;
}

void inspector_menu(vuUI *ui, int argument)
{
    if (ask_password(ui, "МЕНЮ ИНСПЕКТОРА") != 1)
        return;
    if (RunServiceApp(static_cast<uint32_t>(argument)) != 0)
        message_box(ui, "ОШИБКА", "СЕРВИС KKT НЕ ДОСТУПЕН!\nУСТАНОВИТЕ СЕРВИС НА ТЕРМИНАЛ.", MB_OK | MB_ALERT);
}
