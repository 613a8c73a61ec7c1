#include "password.h"

#include <string.h>

#include "ServiceApp.h"
#include "error_box.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "widget_text.h"
#include "vuForm.h"
#include "vuUI.h"

namespace {

const char *kPassword = "3846";

} // namespace

int ask_password(vuUI *ui, const char *title)
{
    ScopedDialog dialog(ui, "kkt_dlg_pass_input.xml");
    if (!dialog)
        return -1;
    vuObject *field = dialog.field("pass");
    dialog.form()->SetHeaderText(title);
    dialog.reset();
    for (;;) {
        if (dialog.show() != 1)
            return 0;
        const char *typed = widget_text(field);
        if (typed && strcmp(typed, kPassword) == 0)
            return 1;
        message_box(ui, "ВНИМАНИЕ", "ПАРОЛЬ НЕВЕРНЫЙ\n\nПОВТОРИТЕ ВВОД", MB_OK | MB_ALERT);
    }
}

void inspector_menu(vuUI *ui, int argument)
{
    if (ask_password(ui, "МЕНЮ ИНСПЕКТОРА") != 1)
        return;
    if (RunServiceApp(static_cast<uint32_t>(argument)) != 0)
        error_box(ui, "СЕРВИС KKT НЕ ДОСТУПЕН!\nУСТАНОВИТЕ СЕРВИС НА ТЕРМИНАЛ.");
}
