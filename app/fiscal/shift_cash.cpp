#include "shift_cash.h"

#include <string.h>

#include "TMCommand.h"
#include "dec_money.h"
#include "error_box.h"
#include "key_update.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "widget_text.h"

namespace {

const char *kNoName = "НЕ ВВЕДЕНО ИМЯ КАССИРА!";
const char *kNoSum = "НЕ ВВЕДЕНА СУММА!";

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

// The dialog of a shift's opening or closing with the cashier's fields
// preset from the settings.
struct ShiftDialog {
    ShiftDialog(vuUI *ui, const char *file, const char *section)
        : dialog(ui, file), name(dialog.field("name")), inn(dialog.field("inn")), msg(dialog.field("msg")),
          add(dialog.field("add"))
    {
        if (!dialog)
            return;
        dialog.reset();
        preset(name, section, "Operator", 512);
        // The INN is taken as it stands: digits, no conversion.
        if (const char *saved = settings_get(section, "OperatorINN")) {
            char text[512];
            str_copy(text, saved, sizeof text);
            widget_set_text(inn, text);
        }
        preset(msg, section, "Message", 512);
        preset(add, section, "Add", 512);
    }
    ScopedDialog dialog;
    vuObject *name, *inn, *msg, *add;
};

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
    ScopedDialog d(ui, deposit ? "kkt_dlg_to_cash.xml" : "kkt_dlg_from_cash.xml");
    if (!d)
        return;
    vuObject *name = d.field("name");
    vuObject *sum = d.field("sum");
    d.reset();
    widget_set_text(sum, "100");
    preset(name, section, "Seller", 256);

    if (!d.show_until_valid([&]() -> const char * { return dec_is_zero(widget_text(sum)) ? kNoSum : nullptr; }))
        return;
    // Kopecks typed as an integer; the point goes two digits from the right
    // (room for the zeros it may need).
    char amount[256 + 4];
    str_copy(amount, widget_text(sum), 256);
    dec_insert_point(amount, 2);

    TMCommand cmd;
    int built = deposit ? cmd.CashIn(amount, widget_text(name)) : cmd.CashOut(amount, widget_text(name));
    if (kfn_run(ui, cmd, built)) {
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
}

} // namespace

// menu: shift_open
void CmdShiftOpen(vuUI *ui, const char *)
{
    const char *section = "CmdShiftOpen";
    ShiftDialog d(ui, "kkt_dlg_shift_open.xml", section);
    if (!d.dialog)
        return;
    vuObject *comment = d.dialog.field("comment");
    preset(comment, section, "Shift", 512);

    const char *keyText = nullptr;
    if (kfn_marking_mode() == 1 && (kfn_state_byte() & KFN_FATAL_REGISTERED))
        keyText = asokp_auto_update(ui);

    if (!d.dialog.show_until_valid([&]() -> const char * { return *widget_text(d.name) ? nullptr : kNoName; }))
        return;
    TMCommand cmd;
    const char *shiftComment = keyText && *keyText ? keyText : widget_text(comment);
    kfn_run(ui, cmd,
            cmd.OpenShift(widget_text(d.name), widget_text(d.inn), widget_text(d.msg), widget_text(d.add),
                          shiftComment));
    saveShiftDialog(d, section);
    save(comment, section, "Shift");
    settings_save();
}

// menu: shift_close
void CmdCloseShift(vuUI *ui, const char *)
{
    const char *section = "CmdCloseShift";
    ShiftDialog d(ui, "kkt_dlg_shift_close.xml", section);
    if (!d.dialog)
        return;
    vuObject *isprint = d.dialog.field("isprint");
    if (!d.dialog.show_until_valid([&]() -> const char * { return *widget_text(d.name) ? nullptr : kNoName; }))
        return;
    TMCommand cmd;
    kfn_run_print(ui, cmd,
                  cmd.CloseShift(widget_text(d.name), widget_text(d.inn), widget_text(d.msg), widget_text(d.add),
                                 widget_checked(isprint) ? 1 : 0),
                  0);
    saveShiftDialog(d, section);
    settings_save();
}

// menu: shift_report
void CmdShiftReport(vuUI *ui, const char *)
{
    TMCommand cmd;
    kfn_run_print(ui, cmd, cmd.ShiftReport(), 0);
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
        build_failed_box(ui);
        return;
    }
    if (kfn_exec(ui, &cmd, 5000) == 0)
        message_box(ui, title, "ЧЕК АННУЛИРОВАН!", MB_OK);
    // The marking-code checks of the annulled receipt are dropped whatever
    // the cancel gave.
    if (kfn_marking_mode() == 1) {
        TMCommand reset;
        if (reset.MarkCheckReset() > 0)
            kfn_exchange_locked(reset, 5000);
    }
}
