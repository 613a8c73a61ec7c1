#include "shift_cash.h"

#include <string.h>

#include "ServiceCommand.h"
#include "TMCommand.h"
#include "dec_money.h"
#include "dialog.h"
#include "key_update.h"
#include "kfn_state.h"
#include "message_box.h"
#include "print_runner.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuForm.h"
#include "vuUI.h"
#include "widget_text.h"

namespace {

const char *kBuildFailed = "Ошибка создания команды.";
const char *kNoName = "НЕ ВВЕДЕНО ИМЯ КАССИРА!";
const char *kNoSum = "НЕ ВВЕДЕНА СУММА!";

void buildFailed(vuUI *ui) { message_box(ui, "ОШИБКА", kBuildFailed, MB_OK | MB_ALERT); }

// A settings text (UTF-8) put into a widget as CP1251; an absent key leaves
// the widget as its dialog file has it.
void preset(vuObject *widget, const char *section, const char *key, unsigned size)
{
    const char *value = settings_get(section, key);
    if (!widget || !value)
        return;
    char text[512];
    if (size > sizeof text)
        size = sizeof text;
    utf8_to_cp1251(value, text, size);
    widget_set_text(widget, text);
}

// A widget's text saved as UTF-8.
void save(vuObject *widget, const char *section, const char *key)
{
    char text[1024];
    cp1251_to_utf8(widget_text(widget), text, sizeof text);
    settings_set(section, key, text);
}

// Shows the dialog until it is accepted with every check passed: true, or
// false when it was closed otherwise.
template <class Check> bool showUntilAccepted(vuUI *ui, vuForm *form, Check check)
{
    for (;;) {
        ui->Show(form);
        ui->WaitEndModal();
        if (form->GetState() != 1)
            return false;
        if (const char *problem = check()) {
            message_box(ui, "ОШИБКА", problem, MB_OK | MB_ALERT);
            continue;
        }
        return true;
    }
}

struct ShiftDialog {
    vuForm *form;
    vuObject *name, *inn, *msg, *add;
};

bool openShiftDialog(vuUI *ui, const char *file, const char *section, ShiftDialog &d)
{
    d.form = dialog_create(ui, file);
    if (!d.form)
        return false;
    d.name = d.form->GetByName("name");
    d.inn = d.form->GetByName("inn");
    d.msg = d.form->GetByName("msg");
    d.add = d.form->GetByName("add");
    ui->Add(d.form);
    d.form->Reset();
    preset(d.name, section, "Operator", 512);
    // The INN is taken as it stands: digits, no conversion.
    if (const char *inn = settings_get(section, "OperatorINN")) {
        char text[512];
        str_copy(text, inn, sizeof text);
        widget_set_text(d.inn, text);
    }
    preset(d.msg, section, "Message", 512);
    preset(d.add, section, "Add", 512);
    return true;
}

// Saved after every attempt that reached the command.
void saveShiftDialog(const ShiftDialog &d, const char *section)
{
    // The INN is kept as typed: digits, no conversion.
    settings_set(section, "OperatorINN", widget_text(d.inn));
    save(d.name, section, "Operator");
    save(d.msg, section, "Message");
    save(d.add, section, "Add");
}

void cashOperation(vuUI *ui, const char *title, bool deposit)
{
    const char *section = deposit ? "CmdToCash" : "CmdFromCash";
    vuForm *form = dialog_create(ui, deposit ? "kkt_dlg_to_cash.xml" : "kkt_dlg_from_cash.xml");
    if (!form)
        return;
    vuObject *name = form->GetByName("name");
    vuObject *sum = form->GetByName("sum");
    ui->Add(form);
    form->Reset();
    widget_set_text(sum, "100");
    preset(name, section, "Seller", 256);

    if (!showUntilAccepted(ui, form, [&]() -> const char * { return dec_is_zero(widget_text(sum)) ? kNoSum : nullptr; })) {
        ui->Del(form);
        return;
    }
    // Kopecks typed as an integer; the point goes two digits from the right
    // (room for the zeros it may need).
    char amount[256 + 4];
    str_copy(amount, widget_text(sum), 256);
    dec_insert_point(amount, 2);

    TMCommand cmd;
    int built = deposit ? cmd.CashIn(amount, widget_text(name)) : cmd.CashOut(amount, widget_text(name));
    if (built <= 0) {
        buildFailed(ui);
    } else if (kfn_exec(ui, &cmd, 5000) == 0) {
        char before[24], after[24], text[256];
        before[0] = after[0] = 0;
        cmd.FieldText(5, before, sizeof before);
        cmd.FieldText(6, after, sizeof after);
        if (deposit)
            str_format(text, sizeof text,
                       "ЗАВЕРШЕННО УСПЕШНО!\n\nСУММА ДЕН.ЯЩИКА\nДО ПОДКРЕПЛЕНИЯ:\n%s\nПОСЛЕ ПОДКРЕПЛЕНИЯ:\n%s", before,
                       after);
        else
            str_format(text, sizeof text,
                       "ЗАВЕРШЕННО УСПЕШНО!\n\nСУММА ДЕН.ЯЩИКА\nДО ИНКАССАЦИИ:\n%s\nПОСЛЕ ИНКАССАЦИИ:\n%s", before, after);
        message_box(ui, title, text, MB_OK);
    }
    save(name, section, "Seller");
    settings_save();
    ui->Del(form);
}

} // namespace

// menu: shift_open
void CmdShiftOpen(vuUI *ui, const char *)
{
    const char *section = "CmdShiftOpen";
    ShiftDialog d;
    if (!openShiftDialog(ui, "kkt_dlg_shift_open.xml", section, d))
        return;
    vuObject *comment = d.form->GetByName("comment");
    preset(comment, section, "Shift", 512);

    const char *keyText = nullptr;
    if (kfn_marking_mode() == 1 && (kfn_state_byte() & KFN_FATAL_REGISTERED))
        keyText = asokp_auto_update(ui);

    if (!showUntilAccepted(ui, d.form, [&]() -> const char * { return *widget_text(d.name) ? nullptr : kNoName; })) {
        ui->Del(d.form);
        return;
    }
    TMCommand cmd;
    const char *shiftComment = keyText && *keyText ? keyText : widget_text(comment);
    if (cmd.OpenShift(widget_text(d.name), widget_text(d.inn), widget_text(d.msg), widget_text(d.add),
                      shiftComment) <= 0)
        buildFailed(ui);
    else
        kfn_exec(ui, &cmd, 5000);
    saveShiftDialog(d, section);
    save(comment, section, "Shift");
    settings_save();
    ui->Del(d.form);
}

// menu: shift_close
void CmdCloseShift(vuUI *ui, const char *)
{
    const char *section = "CmdCloseShift";
    ShiftDialog d;
    if (!openShiftDialog(ui, "kkt_dlg_shift_close.xml", section, d))
        return;
    vuObject *isprint = d.form->GetByName("isprint");
    if (!showUntilAccepted(ui, d.form, [&]() -> const char * { return *widget_text(d.name) ? nullptr : kNoName; })) {
        ui->Del(d.form);
        return;
    }
    TMCommand cmd;
    if (cmd.CloseShift(widget_text(d.name), widget_text(d.inn), widget_text(d.msg), widget_text(d.add),
                       widget_checked(isprint) ? 1 : 0) <= 0)
        buildFailed(ui);
    else
        kfn_exec_print(ui, &cmd, 0);
    saveShiftDialog(d, section);
    settings_save();
    ui->Del(d.form);
}

// menu: shift_report
void CmdShiftReport(vuUI *ui, const char *)
{
    TMCommand cmd;
    if (cmd.ShiftReport() <= 0) {
        buildFailed(ui);
        return;
    }
    kfn_exec_print(ui, &cmd, 0);
}

// menu: cashbox_to
void CmdToCash(vuUI *ui, const char *title) { cashOperation(ui, title, true); }

// menu: cashbox_from
void CmdFromCash(vuUI *ui, const char *title) { cashOperation(ui, title, false); }

// menu: receipt_cancel
void CmdReceiptCancel(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (cmd.CancelDocument() <= 0) {
        buildFailed(ui);
        return;
    }
    if (kfn_exec(ui, &cmd, 5000) == 0)
        message_box(ui, title, "ЧЕК АННУЛИРОВАН!", MB_OK);
    // The marking-code checks of the annulled receipt are dropped whatever
    // the cancel gave.
    if (kfn_marking_mode() == 1) {
        TMCommand reset;
        if (reset.MarkCheckReset() > 0) {
            pthread_mutex_lock(&kfn_mutex);
            ServiceExecute(reset, 5000);
            pthread_mutex_unlock(&kfn_mutex);
        }
    }
}
