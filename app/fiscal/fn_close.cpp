#include "fn_close.h"

#include "TMCommand.h"
#include "kfn_run.h"
#include "message_box.h"
#include "password.h"
#include "report_text.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuWidget.h"
#include "widget_text.h"

namespace {

const char *kSection = "CmdFNClose";

const char *kNoName = "НЕ ВВЕДЕНО ИМЯ КАССИРА!";
const char *kQuestion = "ВНИМАНИЕ!!!\nПОСЛЕ ЗАКРЫТИЯ ФН РАБОТА С КАССОЙ ВОЗМОЖНА ТОЛЬКО ПОСЛЕ УСТАНОВКИ НОВОГО "
                        "ФН!!!\n\nБУДЕТ ВЫПОЛНЕНА ОПЕРАЦИЯ ЗАКРЫТИЯ ФН!\nВЫПОЛНИТЬ ОПЕРАЦИЮ?";

void hide(const ScopedDialog &d, const char *name)
{
    if (vuWidget *w = d.widget<vuWidget>(name))
        w->SetVisible(0);
}

} // namespace

// menu: fn_close
void CmdFNClose(vuUI *ui, const char *title)
{
    // Irreversible: only a password actually given lets it go on (a dialog
    // that could not even be shown does not).
    if (ask_password(ui, title) != 1)
        return;
    ScopedDialog d(ui, "kkt_dlg_fn_close.xml");
    if (!d)
        return;
    vuObject *name = d.field("name");
    vuObject *inn = d.field("inn");
    vuObject *mode = d.field("mode");
    d.reset();
    radio_set(mode, 2);
    if (const char *saved = settings_get(kSection, "UserName")) {
        char text[1024];
        utf8_to_cp1251(saved, text, sizeof text);
        widget_set_text(name, text);
    }
    if (const char *saved = settings_get(kSection, "UserINN"))
        widget_set_text(inn, saved);
    // The report's own widgets belong to another use of this dialog.
    hide(d, "reqozfn");
    hide(d, "dataozfn");
    hide(d, "txtreqozfn");
    hide(d, "txtdataozfn");

    for (;;) {
        if (!d.show_until_valid([&]() -> const char * { return *widget_text(name) ? nullptr : kNoName; }))
            return;
        if (message_box(ui, "ВНИМАНИЕ", kQuestion, MB_OK | MB_CANCEL | MB_ALERT) != MB_RESULT_CANCEL)
            break;
    }
    unsigned item = radio_item(mode);
    TMCommand cmd;
    if (kfn_run(ui, cmd, cmd.CloseFN(widget_text(name), widget_text(inn), static_cast<uint8_t>(item ? item - 1 : 0))))
        message_box(ui, "ВНИМАНИЕ", "УСПЕШНО ЗАКРЫТ АРХИВ ФН!", MB_OK);

    char utf8[1024];
    cp1251_to_utf8(widget_text(name), utf8, sizeof utf8);
    settings_set(kSection, "UserName", utf8);
    settings_set(kSection, "UserINN", widget_text(inn));
    settings_save();
}

// menu: tech_start
void CmdTechStart(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (kfn_run(ui, cmd, cmd.StartSession()))
        message_box(ui, title, "УСПЕШНО!", MB_OK);
}

// menu: tech_info
void CmdTechInfo(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetShiftState()))
        return;
    char text[REPORT_TEXT_SIZE];
    tech_info_text(cmd, text, sizeof text);
    show_report(ui, title, text);
}
