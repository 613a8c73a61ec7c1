#include "app_run.h"

#include <errno.h>
#include <signal.h>
#include <string.h>

#include "ServiceQueue.h"
#include "conn_editor.h"
#include "date_time_setting.h"
#include "departments.h"
#include "header_setting.h"
#include "fn_close.h"
#include "fn_info.h"
#include "journal.h"
#include "ext_mode.h"
#include "kfn_state.h"
#include "error_box.h"
#include "message_box.h"
#include "scoped_dialog.h"
#include "ofd_dialog.h"
#include "ofd_info.h"
#include "registration_wizard.h"
#include "reports.h"
#include "server_params.h"
#include "settings.h"
#include "receipt_wizard.h"
#include "shift_cash.h"
#include "battery.h"
#include "bt_link.h"
#include "kkt_info.h"
#include "modem_terminal.h"
#include "key_update.h"
#include "monitor_terminal.h"
#include "status_line.h"
#include "params_setting.h"
#include "service_entries.h"
#include "tax_pay_setting.h"
#include "str_helpers.h"
#include "ui_loader.h"
#include "vuColor.h"
#include "vuForm.h"
#include "vuKeyScheme.h"
#include "vuTrace.h"
#include "vuUI.h"
#include "vuMenu.h"
#include "vuMenuItem.h"

namespace {

const char *textKeys[12] = {
    "0 @-+*/=#\r",      "1.,QZqz_'\"",      "2АБВГабвгABCabc", "3ДЕЖЗдежзDEFdef",
    "4ИЙКЛийклGHIghi", "5МНОПмнопJKLjkl", "6РСТУрстуMNOmno", "7ФХЦЧфхцчPRSprs",
    "8ШЩЪЫшщъыTUVtuv", "9ЬЭЮЯьэюяWXYwxy", nullptr,            nullptr};

const char *hexKeys[12] = {"0", "1A", "2B", "3C", "4D", "5E", "6F", "7", "8", "9", nullptr, nullptr};

// Battery indicator text colours: normal and low level.
const uint16_t kBatteryNormal = 0x0861;
const uint16_t kBatteryLow = 0xFC10;

void techActivate(vuUI *ui, const char *) { kfn_start(ui, 2); }
void registerKkt(vuUI *ui, const char *title) { CmdRegisterKkt(ui, title); }
void ussdEntry(vuUI *ui, const char *) { ussd_request(ui); }
void editDepartments(vuUI *ui, const char *title) { CmdEditDepartments(ui, title); }
void connectionEditor(vuUI *ui, const char *) { conn_menu(ui); }

// The sub-menu items and their screens; an identifier not listed does nothing.
const SubmenuEntry kSubmenuTable[] = {
    {"sets_dt", CmdSetDateTime},
    {"sets_header", CmdSetHeader},
    {"sets_header_ext", CmdSetHeaderExt},
    {"sets_tail", CmdSetTail},
    {"sets_tax", CmdSetTax},
    {"sets_pay", CmdSetPay},
    {"sets_departs", editDepartments},
    {"sets_params", CmdSetParams},
    {"BatteryCheck_Menu", CmdBatteryCheck},
    {"fn_reg", registerKkt},
    {"fn_close", CmdFNClose},
    {"fn_doc", CmdFnDoc},
    {"fn_stat", CmdFnStat},
    {"fn_fisc", CmdFnFisc},
    {"fn_par", CmdFnPar},
    {"fn_comm", CmdFnComm},
    {"fn_err", CmdFnErr},
    {"ext_mode", on_ext_mode},
    {"tech_activ", techActivate},
    {"tech_start", CmdTechStart},
    {"tech_info", CmdTechInfo},
    {"copy_log", CmdCopyLog},
    {"update_fw", CmdUpdateFw},
    {"get_ussd", ussdEntry},
    {"prn_stat", CmdPrnStat},
    {"ofd_par", CmdOFDParam},
    {"serv_par", on_serv_par},
    {"asokp_update_keys", on_asokp_update_keys},
    {"ofd_ticket", CmdOfdTicket},
    {"ofd_doc_wait", CmdOfdDocWait},
    {"ofd_pay_state", CmdOfdPayState},
    {"ofd_conn", send_waiting_documents},
    {"Conn_SetParam", connectionEditor},
    {"shift_report", CmdShiftReport},
    {"shift_close", CmdCloseShift},
    {"shift_open", CmdShiftOpen},
    {"money_info", CmdMoneyInfo},
    {"shift_doc_counter", CmdShiftDocCounter},
    {"report_payment", CmdReportPayment},
    {"report_dep", CmdReportDep},
    {"report_ext", CmdReportExt},
    {"cashbox_to", CmdToCash},
    {"cashbox_from", CmdFromCash},
    {"receipt_fiscal", CmdReceiptFiscal},
    {"receipt_correct", CmdReceiptCorrect},
    {"receipt_cancel", CmdReceiptCancel},
    {"journal_shift", CmdJournalShift},
    {"journal_shift_close", CmdJournalShiftClose},
    {"journal_doc", CmdJournalDoc},
    {"journal_nums", CmdJournalNums},
    {"journal_time", CmdEJTimeReport},
    {"journal_param", CmdJournalParam},
    {"journal_clean", CmdJournalClean},
    {"term_wl", on_term_wl},
};

const char *fileName(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

vuForm *loadMenu(const char *path, int *err)
{
    vuForm *form = load_form_file(path, err);
    if (form)
        vuTraceSetSource(form, fileName(path));
    return form;
}

void menuFailed(vuUI *ui, int err)
{
    char text[256];
    str_format(text, sizeof text, "НЕ УДАЛОСЬ СОЗДАТЬ МЕНЮ\n\nКОД ОШИБКИ %i", err);
    error_box(ui, text);
}

// The identifier (item name) and text of a menu's selected item; false
// when nothing is selected or the item has no name.
bool selectedItem(vuForm *form, const char **name, const char **text)
{
    vuMenu *menu = dynamic_cast<vuMenu *>(form);
    vuMenuItem *item = menu ? menu->GetSelectedObject() : nullptr;
    if (!item || !item->GetName())
        return false;
    *name = item->GetName();
    *text = item->GetText();
    return true;
}

void stopSequence()
{
    settings_save();
    battery_stop();
    vuUI::Done();
}

} // namespace

const char **text_key_scheme() { return textKeys; }
const char **hex_key_scheme() { return hexKeys; }

const SubmenuEntry *submenu_table(int *n)
{
    if (n)
        *n = static_cast<int>(sizeof kSubmenuTable / sizeof kSubmenuTable[0]);
    return kSubmenuTable;
}

SubmenuHandler submenu_handler(const char *id)
{
    if (!id)
        return nullptr;
    for (const SubmenuEntry &e : kSubmenuTable)
        if (strcmp(e.id, id) == 0)
            return e.handler;
    return nullptr;
}

void run_submenu(vuUI *ui, const char *id)
{
    char path[512];
    str_format(path, sizeof path, "./res/kkt_menu_%s.xml", id);
    int err = 0;
    vuForm *menu = loadMenu(path, &err);
    if (!menu) {
        menuFailed(ui, err);
        return;
    }
    ScopedDialog page(ui, menu);
    page.reset();
    // Only an accepted item runs its screen: a time-out or a close code of
    // the menu does not choose anything.
    for (int state = page.show(); state != -1; state = page.show()) {
        if (state != 1)
            continue;
        const char *name = nullptr, *title = nullptr;
        if (!selectedItem(menu, &name, &title))
            continue;
        if (SubmenuHandler handler = submenu_handler(name))
            handler(ui, title);
        refresh_status_line(ui);
    }
}

void app_run(int mode)
{
    signal(SIGPIPE, SIG_IGN);
    // A file-size limit makes a write fail (EFBIG), which the writer
    // handles, instead of killing the program in the middle of a save.
    signal(SIGXFSZ, SIG_IGN);
    int err = 0;
    vuUI *ui = load_ui_file("./res/kkt_ui.xml", &err);
    if (!ui)
        return;
    vuColor::SetColor(static_cast<_VU_TypeObject>(0), 0, 0);
    settings_load();
    vuKeyScheme::setScheme(0, text_key_scheme());
    battery_set_colors(kBatteryNormal, kBatteryLow);
    status_line_init(ui);

    if (ServiceOpen() != 0) {
        char text[256];
        str_format(text, sizeof text, "НЕДОСТУПЕН МОДУЛЬ РАБОТЫ С КОНТРОЛЛЕРОМ ФН\n\nКОД ОШИБКИ %i", errno);
        error_box(ui, text);
        stopSequence();
        return;
    }
    if (mode == 1) {
        fn_status_refresh(ui);
    } else {
        if (mode == 2)
            on_monitor_terminal(ui, "Терминал");
        kfn_start(ui, 2);
        if (mode == 3)
            startup_clock_sync(ui);
    }
    refresh_status_line(ui);

    vuForm *menu = loadMenu("./res/kkt_menu_main.xml", &err);
    if (!menu) {
        menuFailed(ui, err);
        stopSequence();
        return;
    }
    bt_load_library();

    menu->SetOption(VU_FO_CANCEL);
    ScopedDialog page(ui, menu);
    page.reset();
    for (;;) {
        char header[256];
        str_format(header, sizeof header, "SN: %s", kkt_serial_number());
        menu->SetHeaderText(header);
        int state = page.show();
        if (state == -1) {
            if (message_box(ui, "ВНИМАНИЕ", "ВЫ УВЕРЕНЫ, ЧТО ХОТИТЕ ЗАВЕРШИТЬ ИСПОЛЬЗОВАНИЕ СЕРВИСА ККТ?",
                            MB_OK | MB_CANCEL) == MB_RESULT_OK)
                break;
            continue;
        }
        if (state != 1)
            continue;
        const char *name = nullptr, *title = nullptr;
        if (!selectedItem(menu, &name, &title))
            continue;
        if (strcmp(name, "info") == 0)
            show_kkt_info(ui, "Информация");
        else if (strcmp(name, "term") == 0)
            on_monitor_terminal(ui, "Терминал");
        else
            run_submenu(ui, name);
    }
    page.close();
    stopSequence();
}
