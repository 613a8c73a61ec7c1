#include "reports.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "ServiceCommand.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "dec_money.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "list_page.h"
#include "message_box.h"
#include "print_runner.h"
#include "report_text.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "str_helpers.h"
#include "vuMenu.h"
#include "wait_form.h"
#include "widget_text.h"

namespace {

const char *kBadIndex = "НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15";
const char *kBadDepartment = "НЕДОПУСТИМЫЙ НОМЕР ОТДЕЛА\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 1..40";

// One command without fields, run and shown as a report.
typedef int (TMCommand::*Builder)();
typedef void (*Text)(TMCommand &, char *, size_t);

void simpleReport(vuUI *ui, const char *title, Builder build, Text make)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, (cmd.*build)()))
        return;
    char text[REPORT_TEXT_SIZE];
    make(cmd, text, sizeof text);
    show_report(ui, title, text);
}

// The payment-type index of the report dialogs: items 1 to 5 are the first
// five types, any other item (or none) takes the typed index.
unsigned paymentIndex(vuObject *type, vuObject *index)
{
    unsigned item = radio_item(type);
    if (item >= 1 && item <= 5)
        return item - 1;
    return static_cast<unsigned>(atoi(widget_text(index)));
}

} // namespace

// menu: prn_stat
void CmdPrnStat(vuUI *ui, const char *title)
{
    int r;
    ServiceStatusBlock status;
    {
        KfnLock lock;
        r = GetPrnStatus(2000);
        memcpy(&status, ServiceLastStatus(), sizeof status);
    }
    if (r != 0) {
        // The C of "C КОДОМ" is Latin, as the screen has always shown it.
        error_box_f(ui, "ФУНКЦИЯ GetPrnStatus ВЕРНУЛА ОШИБКУ " "C" " КОДОМ %i", r);
        return;
    }
    char text[REPORT_PRINTER_SIZE];
    prn_stat_text(status, text, sizeof text);
    show_report(ui, title, text);
}

// menu: shift_doc_counter
void CmdShiftDocCounter(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetDocCounters()))
        return;
    char text[REPORT_TEXT_SIZE];
    doc_counters_text(cmd, kfn_flags(), text, sizeof text);
    show_report(ui, title, text);
}

// menu: money_info
void CmdMoneyInfo(vuUI *ui, const char *title)
{
    TMCommand cmd;
    if (!kfn_run(ui, cmd, cmd.GetMoneyTotals(0)))
        return;
    char text[REPORT_TEXT_SIZE];
    money_info_text(cmd, text, sizeof text);
    show_report(ui, title, text);
}

// menu: report_ext
void CmdReportExt(vuUI *ui, const char *title) { simpleReport(ui, title, &TMCommand::GetShiftTotals, report_ext_text); }

// menu: report_payment
void CmdReportPayment(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_report_payment.xml");
    if (!d)
        return;
    vuObject *type = d.field("type");
    vuObject *index = d.field("index");
    d.reset();
    if (!d.show_until_valid([&]() { return paymentIndex(type, index) >= 16 ? kBadIndex : nullptr; }))
        return;
    unsigned i = paymentIndex(type, index);
    TMCommand name, totals;
    if (!kfn_run(ui, name, name.GetPaymentType(static_cast<uint8_t>(i))) ||
        !kfn_run(ui, totals, totals.GetPaymentTotals(static_cast<uint8_t>(i))))
        return;
    char text[REPORT_TEXT_SIZE];
    report_payment_text(i, name, totals, text, sizeof text);
    show_report(ui, title, text);
}

// menu: report_dep
void CmdReportDep(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_report_dep.xml");
    if (!d)
        return;
    vuObject *num = d.field("num");
    vuObject *type = d.field("type");
    vuObject *index = d.field("index");
    d.reset();
    widget_set_text(num, "1");
    const bool accepted = d.show_until_valid([&]() -> const char * {
        if (paymentIndex(type, index) >= 16)
            return kBadIndex;
        int department = atoi(widget_text(num));
        return department < 1 || department > 40 ? kBadDepartment : nullptr;
    });
    if (!accepted)
        return;
    int department = atoi(widget_text(num));
    unsigned i = paymentIndex(type, index);
    TMCommand departments, name, totals;
    if (kfn_run(ui, departments, departments.GetDepartments()) &&
        kfn_run(ui, name, name.GetPaymentType(static_cast<uint8_t>(i))) &&
        kfn_run(ui, totals, totals.GetDepartmentTotals(static_cast<uint8_t>(department), static_cast<uint8_t>(i)))) {
        char text[REPORT_TEXT_SIZE];
        report_dep_text(static_cast<unsigned>(department), i, departments, name, totals, text, sizeof text);
        show_report(ui, title, text);
    }
}

// ---- the printed payment report -------------------------------------------------------------------

namespace {

struct PaymentTotals {
    char name[26];
    char sums[4][16]; // income, return of income, expense, return of expense
};

// One line of the payment report: "%-25.25s%15.15s".
bool reportLine(vuUI *ui, const char *left, const char *right)
{
    char line[64];
    str_format(line, sizeof line, "%-25.25s%15.15s", left, right);
    TMCommand cmd;
    return cmd.PaymentReportLine(line) > 0 && kfn_exec(ui, &cmd, 5000) == 0;
}

} // namespace

void PrintPaymentReport(vuUI *ui)
{
    std::vector<PaymentTotals> types;
    for (unsigned i = 0; i < 16; ++i) {
        PaymentTotals t = {};
        TMCommand name;
        char text[256] = "";
        if (name.GetPaymentType(static_cast<uint8_t>(i)) > 0 && kfn_exec(nullptr, &name, 3000) == 0 &&
            name.FieldText1251(6, text, sizeof text) >= 0) {
            const char *from = strncmp(text, "В Т.Ч. ", 7) == 0 ? text + 7 : text;
            str_copy(t.name, from, sizeof t.name);
        }
        TMCommand totals;
        if (totals.GetPaymentTotals(static_cast<uint8_t>(i)) <= 0 || kfn_exec(nullptr, &totals, 3000) != 0)
            continue;
        for (uint32_t k = 0; k < 4; ++k)
            if (totals.FieldText(5 + k, t.sums[k], sizeof t.sums[k]) < 0)
                t.sums[k][0] = 0;
        types.push_back(t);
    }
    if (types.empty())
        return;

    TMCommand begin;
    if (!kfn_run(ui, begin, begin.PaymentReportBegin()))
        return;
    static const char *const kSumNames[4] = {"ПРИХОД", "ВОЗВРАТ ПРИХОДА", "РАСХОД", "ВОЗВРАТ РАСХОДА"};
    bool ok = reportLine(ui, "СМЕННЫЙ ОТЧЕТ ПО ПЛАТЕЖАМ", "");
    for (size_t i = 0; ok && i < types.size(); ++i) {
        const PaymentTotals &t = types[i];
        char all[DEC_RESULT_SIZE], a[DEC_RESULT_SIZE], b[DEC_RESULT_SIZE], net[DEC_RESULT_SIZE];
        dec_add(dec_add(t.sums[0], t.sums[1], a), dec_add(t.sums[2], t.sums[3], b), all);
        if (dec_is_zero(all))
            continue;
        // income - return of income - expense + return of expense
        dec_add(dec_sub(dec_sub(t.sums[0], t.sums[1], a), t.sums[2], b), t.sums[3], net);
        ok = reportLine(ui, t.name, net);
        for (int k = 0; ok && k < 4; ++k)
            if (!dec_is_zero(t.sums[k]))
                ok = reportLine(ui, kSumNames[k], t.sums[k]);
        if (ok)
            ok = reportLine(ui, " ", "");
    }
    TMCommand end;
    if (end.PaymentReportEnd() > 0 && kfn_exec(ui, &end, 5000) == 0) {
        print_wait_simple(ui, 0, 0);
        return;
    }
    TMCommand cancel;
    if (cancel.CancelDocument() > 0)
        kfn_exec(nullptr, &cancel, 2000);
}

// ---- the document browser -------------------------------------------------------------------------

namespace {

enum Filter { FILTER_ALL = 1, FILTER_LAST_CLOSE = 2, FILTER_CLOSES = 3 };

struct Listed {
    uint32_t number;
    std::string text;
};

int menuChoice(vuUI *ui, vuMenu *menu)
{
    menu->SelectOnReset(0);
    return static_cast<int>(ListPage(ui, menu).choose());
}

// Reads one page backwards from number `from` (exclusive): up to `count`
// listed documents of the filter. `next` becomes where the following page
// starts (0: nothing older). 1 read, 0 cancelled, -1 a read failed.
int readPage(vuUI *ui, Filter filter, uint32_t from, size_t count, std::vector<Listed> &page, uint32_t &next)
{
    page.clear();
    WaitForm wait(ui, create_message_box(ui, "ПОДОЖДИТЕ", "ЧТЕНИЕ ДОКУМЕНТОВ", MB_CANCEL));
    wait.form()->SetOption(VU_FO_CANCEL | VU_FO_NO_CLOSE);
    wait.form()->ClearOption(VU_FO_OK);
    wait.reset();
    wait.show();
    int result = 1;
    uint32_t n = from;
    while (n > 1 && page.size() < count) {
        if (!wait.up()) {
            result = 0;
            break;
        }
        --n;
        TMCommand cmd;
        if (cmd.GetDocument(n, 0) <= 0) {
            result = -1;
            break;
        }
        int r = kfn_exec(nullptr, &cmd, 10000);
        if (r == 120)
            continue;
        if (r != 0) {
            result = -1;
            break;
        }
        BrowseKind kind = browse_kind(cmd);
        if (kind == BROWSE_NONE || (filter != FILTER_ALL && kind != BROWSE_SHIFT_CLOSE))
            continue;
        char text[128];
        browse_item_text(cmd, n, text, sizeof text);
        page.push_back({n, text});
    }
    // Still up unless the user has cancelled it.
    if (wait.up())
        wait.end();
    next = result == 1 && n > 1 && filter != FILTER_LAST_CLOSE ? n : 0;
    return result;
}

} // namespace

void BrowseDocuments(vuUI *ui)
{
    vuMenu *filterMenu = list_menu_new("ФИЛЬТР ДОКУМЕНТОВ");
    filterMenu->AddItem("ВСЕ", nullptr, 0);
    filterMenu->AddItem("ПОСЛЕДНЕЕ ЗАКР.СМЕНЫ", nullptr, 0);
    filterMenu->AddItem("ЗАКРЫТИЕ СМЕНЫ", nullptr, 0);
    int chosen = menuChoice(ui, filterMenu);
    if (chosen < FILTER_ALL || chosen > FILTER_CLOSES)
        return;
    Filter filter = static_cast<Filter>(chosen);
    size_t perPage = filter == FILTER_ALL ? 20 : filter == FILTER_CLOSES ? 3 : 1;

    TMCommand status;
    if (status.GetFNStatus() <= 0 || kfn_exec(ui, &status, 5000) != 0)
        return;
    // Pages start just above their newest document; the first above the last.
    std::vector<uint32_t> starts(1, status.FieldDword(12) + 1);
    std::vector<Listed> page;
    uint32_t older = 0;
    bool reread = true;
    for (;;) {
        if (reread) {
            int r = readPage(ui, filter, starts.back(), perPage, page, older);
            if (r < 0)
                build_failed_box(ui);
            if (r <= 0)
                return;
            reread = false;
        }
        vuMenu *menu = list_menu_new("ВЫБОР ДОКУМЕНТА");
        menu->SetMaxLines(2);
        int back = 0, forward = 0, first = 1;
        if (starts.size() > 1) {
            menu->AddItem("НАЗАД", nullptr, 0);
            back = 1;
            first = 2;
        }
        for (const Listed &d : page)
            menu->AddItem(d.text.c_str(), nullptr, 0);
        if (older) {
            menu->AddItem("ДАЛЕЕ", nullptr, 0);
            forward = first + static_cast<int>(page.size());
        }
        int item = menuChoice(ui, menu);
        if (item <= 0)
            return;
        if (item == back) {
            starts.pop_back();
            reread = true;
        } else if (item == forward) {
            starts.push_back(older);
            reread = true;
        } else if (item >= first && item < first + static_cast<int>(page.size())) {
            TMCommand print;
            kfn_run(ui, print, print.GetDocument(page[static_cast<size_t>(item - first)].number, 2), 180000);
        }
    }
}
