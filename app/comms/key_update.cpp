#include "key_update.h"

#include <string.h>

#include "conn_api.h"
#include "exchange_container.h"
#include "info_panel.h"
#include "kfn_state.h"
#include "key_service.h"
#include "kkt_info.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "server_link.h"
#include "ServiceLog.h"
#include "ServiceResult.h"
#include "str_helpers.h"
#include "TMCommand.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuUI.h"
#include "vuWidget.h"

namespace {

const int kCommandTimeout = 5000;
const uint16_t kWarnNoKeyUpdate = 0x2000; // the drive's warning flag: no key update
const uint16_t kShiftOpen = 0x0800;

const char kDone[] = "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   ";
const char kNotDoneAdvised[] = "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.";
const char kNotDoneRequired[] =
    "ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ.";

// The text of an outcome: the registrar's for the drive's codes and the
// program's own, the service's for a failed exchange with the controller.
const char *outcomeText(int outcome)
{
    return outcome < 0 ? ServiceResultText(outcome) : FiscalErrorText(static_cast<uint32_t>(outcome));
}

int showAll(vuEvent *, intptr_t) { return 1; }

// How urgently the keys need updating when the drive cannot tell: by their
// age in calendar days (above 60 required, above 14 advised). Keys dated
// after today, a date that is no calendar day, or no date at all count as
// old.
int needByAge(vuUI *ui)
{
    int age = 100;
    TMCommand cmd;
    OsTime now;
    memset(&now, 0, sizeof now);
    if (cmd.Command9E(5) > 0 && kfn_exec(ui, &cmd, kCommandTimeout) == 0 && OsGetTime(&now) == 0) {
        const int days = key_age_days(cmd.FieldWord(5), now.Year, now.Month, now.Day);
        if (days >= 0)
            age = days;
    }
    return age > 60 ? 2 : age > 14 ? 1 : 0;
}

// Where one round reports its stages: nowhere (the shift opening, whose
// exchange shows its own wait boxes) or as lines of the manual screen, which
// also counts the answers the drive took.
struct Lines {
    vuUI *ui;
    vuForm *form;
    int updated;
    void show(const char *line) const
    {
        if (form)
            asokp_show_form(ui, form, line);
    }
};

// One round: the drive's request to the service and the service's answer
// back to the drive. The outcome: the drive's answer to the answer (0 done,
// 160 more keys follow), its error, or one of the program's own codes.
int keyRound(Lines &out, server_link *link)
{
    out.show("Запрос данных для сервера");
    TMCommand request;
    if (request.Command9E(3) <= 0) {
        out.show("Ошибка сборки команды 0x9E");
        return ASOKP_BUILD_FAILED;
    }
    int r = kfn_exec(nullptr, &request, kCommandTimeout);
    if (r != 0) {
        out.show("Ошибка команды 0x9E");
        return r;
    }
    out.show("Данные для сервера получены");
    exchange_container *container = container_from_reply(&request);
    if (!container)
        return ASOKP_NO_CONTAINER;
    const int n = out.form ? server_exchange_progress(out.ui, out.form, container, link)
                           : server_exchange(out.ui, container, link, "Обновление АС ОКП");
    if (n <= 0) {
        container_free(container);
        out.show("Потеряно соединение с сервером");
        return ASOKP_EXCHANGE_FAILED;
    }
    TMCommand answer;
    const int built = answer.Command9EData(4, container->body, n);
    container_free(container);
    if (built <= 0) {
        out.show("Ошибка сборки команды 0x9E");
        return ASOKP_BUILD_FAILED;
    }
    r = kfn_exec(nullptr, &answer, kCommandTimeout);
    // Only an answer the drive took counts as keys updated; a refused one
    // is told as the refused request is.
    if (r != 0 && r != ASOKP_MORE_KEYS) {
        out.show("Ошибка команды 0x9E");
        return r;
    }
    char line[64];
    str_format(line, sizeof line, "Ключей обновлено: %d", ++out.updated);
    out.show(line);
    return r;
}

// Rounds while the drive answers 160, at most ASOKP_MAX_ROUNDS of them.
int keyRounds(Lines &out, server_link *link)
{
    int outcome, rounds = 0;
    do
        outcome = keyRound(out, link);
    while (outcome == ASOKP_MORE_KEYS && ++rounds < ASOKP_MAX_ROUNDS);
    if (outcome == ASOKP_MORE_KEYS)
        out.show(outcomeText(outcome));
    return outcome;
}

// The link and the network for a series: the link closed and its deadline
// cleared, the network brought up; what conn_open gave goes back to
// conn_close.
int openSeries(vuUI *ui, server_link *link)
{
    net_close(link);
    link->start_tick = 0;
    return conn_open(ui);
}

void closeSeries(server_link *link, int opened)
{
    net_close(link);
    conn_close(opened);
}

} // namespace

int asokp_show_form(vuUI *ui, vuForm *form, const char *line)
{
    if (!form)
        return -1;
    info_panel_append(form->GetByName("info"), line ? line : "");
    if (ui) {
        ui->Show(form, showAll);
        ui->Refresh();
    }
    return form->GetState();
}

const char *asokp_auto_update_marking(vuUI *ui)
{
    if (!(kfn_state_byte() & KFN_FATAL_REGISTERED) || kfn_marking_mode() != 1)
        return nullptr;
    return asokp_auto_update(ui);
}

const char *asokp_auto_update(vuUI *ui)
{
    static char text[500];
    if ((kfn_flags() & kWarnNoKeyUpdate) || kfn_autonomous())
        return nullptr;

    // The drive tells the need itself; a drive that does not know the
    // command (113) leaves it to the keys' age.
    int need = -1;
    TMCommand cmd;
    if (cmd.Command9E(0) > 0) {
        const int r = kfn_exec(nullptr, &cmd, kCommandTimeout);
        if (r == 0)
            need = cmd.FieldByte(5);
        else if (r != ASOKP_BUILD_FAILED) {
            str_copy(text, outcomeText(r), sizeof text);
            return text;
        }
    }
    if (need < 0)
        need = needByAge(ui);
    if (need == 0)
        return nullptr;

    static const char kStart[] = "Starting the AS OKP key update procedure";
    ServiceLog(kStart, sizeof kStart - 1, SERVICE_LOG_RAW);
    asokp_load_server();
    server_link *link = asokp_link();
    const int opened = openSeries(ui, link);
    Lines none{ui, nullptr, 0};
    const int outcome = keyRounds(none, link);
    closeSeries(link, opened);

    if (outcome == 0)
        return kDone;
    // A need of 3 (the key service's error) and any other reads as 2.
    str_format(text, sizeof text, "%s|Ошибка обновления: %s", need == 1 ? kNotDoneAdvised : kNotDoneRequired,
               outcomeText(outcome));
    return text;
}

void asokp_update_dialog(vuUI *ui)
{
    if (kfn_flags() & kShiftOpen) {
        error_box(ui, "СМЕНА ДОЛЖНА БЫТЬ ЗАКРЫТА");
        return;
    }
    if (kfn_autonomous()) {
        error_box(ui, "РЕГИСТРАЦИЯ ДЛЯ АВТОНОМНОГО РЕЖИМА");
        return;
    }
    if (!(kfn_state_byte() & KFN_FATAL_REGISTERED) || kfn_marking_mode() != 1) {
        error_box(ui, "РЕГИСТРАЦИЯ НЕ ПОЗВОЛЯЕТ ОБНОВИТЬ КЛЮЧИ");
        return;
    }
    if (!ui)
        return;

    asokp_load_server();
    server_link *link = asokp_link();
    net_close(link);
    link->start_tick = 0;
    ScopedDialog dialog(ui, "common_dlg_as_okp.xml");
    if (!dialog)
        return;
    vuWidget *ok = dialog.widget<vuWidget>("ok");
    const int opened = conn_open(ui);
    dialog.reset();
    if (ok)
        ok->SetVisible(0);

    Lines lines{ui, dialog.form(), 0};
    keyRounds(lines, link);
    // The last line comes with the modal form itself: drawn by the passing
    // display before it, a key pressed on seeing it went to that display
    // and was lost.
    info_panel_append(dialog.field("info"), "Обновление ключей завершено");
    dialog.reset();
    if (ok)
        ok->SetVisible(1);
    dialog.show();
    dialog.close();
    closeSeries(link, opened);
}

// menu: asokp_update_keys
void on_asokp_update_keys(vuUI *ui, const char *) { asokp_update_dialog(ui); }
