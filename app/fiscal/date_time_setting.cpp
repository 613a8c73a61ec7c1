#include "date_time_setting.h"

#include <string.h>

#include "TMCommand.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "screen_common.h"
#include "status_line.h"
#include "str_helpers.h"
#include "vuEvent.h"
#include "vuStatic.h"
#include "vuWidget.h"
#include "warn_message.h"
#include "widget_text.h"

const char *const kProgramBuildDate = "Feb 10 2025";

namespace {

// The texts of the three clocks and the entry, kept between the passes;
// the key callback fills the entry from them.
struct Clocks {
    char termDate[16], termTime[16];
    char kktDate[16], kktTime[16];
    char fnDate[16], fnTime[16];
};
Clocks clocks;

unsigned pairAt(const char *text, size_t at, size_t length)
{
    if (at + 2 > length)
        return 0;
    unsigned hi = static_cast<unsigned char>(text[at]), lo = static_cast<unsigned char>(text[at + 1]);
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9')
        return 0;
    return (hi - '0') * 10 + (lo - '0');
}

// "DD.MM.YY HH:MM" of a date and a time text.
void showClock(vuObject *widget, const char *date, const char *time)
{
    char text[32];
    str_format(text, sizeof text, "%c%c.%c%c.%c%c %c%c:%c%c", date[0], date[1], date[2], date[3], date[4], date[5],
               time[0], time[1], time[2], time[3]);
    if (vuStatic *s = dynamic_cast<vuStatic *>(widget))
        s->SetText(text);
}

// Reads the three clocks and shows them; false when a read failed (its box
// has been shown).
bool readClocks(vuUI *ui, vuForm *form)
{
    OsTime now;
    memset(&now, 0, sizeof now);
    OsGetTime(&now);
    str_format(clocks.termDate, sizeof clocks.termDate, "%02u%02u%02u", static_cast<unsigned>(now.Day),
               static_cast<unsigned>(now.Month), static_cast<unsigned>(now.Year) % 100);
    str_format(clocks.termTime, sizeof clocks.termTime, "%02u%02u", static_cast<unsigned>(now.Hour),
               static_cast<unsigned>(now.Minute));
    showClock(form->GetByName("term"), clocks.termDate, clocks.termTime);
    str_copy(clocks.kktDate, clocks.termDate, sizeof clocks.kktDate);
    str_copy(clocks.kktTime, clocks.termTime, sizeof clocks.kktTime);

    TMCommand cmd;
    if (cmd.GetDateTime() > 0) {
        if (kfn_exec(ui, &cmd, 5000) != 0)
            return false;
        char field[16] = "";
        if (cmd.FieldText(5, field, sizeof field) >= 0 && strlen(field) == 6)
            str_copy(clocks.kktDate, field, sizeof clocks.kktDate);
        field[0] = 0;
        if (cmd.FieldText(6, field, sizeof field) >= 0 && strlen(field) == 4)
            str_copy(clocks.kktTime, field, sizeof clocks.kktTime);
    }
    str_copy(clocks.fnDate, "000000", sizeof clocks.fnDate);
    str_copy(clocks.fnTime, "0000", sizeof clocks.fnTime);
    TMCommand fn;
    if (fn.GetFNStatus() > 0) {
        if (kfn_exec(ui, &fn, 5000) != 0)
            return false;
        char field[16] = "";
        if (fn.FieldText(10, field, sizeof field) >= 0 && strlen(field) == 10) {
            memcpy(clocks.fnDate, field, 6);
            clocks.fnDate[6] = 0;
            str_copy(clocks.fnTime, field + 6, sizeof clocks.fnTime);
        }
    }
    showClock(form->GetByName("fr"), clocks.kktDate, clocks.kktTime);
    showClock(form->GetByName("fn"), clocks.fnDate, clocks.fnTime);
    widget_set_text(form->GetByName("date"), clocks.kktDate);
    widget_set_text(form->GetByName("time"), clocks.kktTime);
    // Every pass starts at the date, whichever field the last one left.
    if (vuWidget *date = dynamic_cast<vuWidget *>(form->GetByName("date")))
        form->SetFocused(date);
    return true;
}

// The refusal of a check: true when the entry may still pass (the warning
// was overridden).
bool refuse(vuUI *ui, DateCheck check, const DateEntry &e, const DateEntry &kkt)
{
    char text[512];
    switch (check) {
    case DATE_CHECK_BAD_DATE:
        str_format(text, sizeof text, "ДАТА %02u.%02u.%04u НЕ КОРРЕКTHА!\n\nПОВТОРИТЕ ВВОД", e.day, e.month, e.year);
        error_box(ui, text);
        return false;
    case DATE_CHECK_BAD_TIME:
        str_format(text, sizeof text, "ВРЕМЯ %02u:%02u НЕ КОРРЕКTHО!\n\nПОВТОРИТЕ ВВОД", e.hour, e.minute);
        error_box(ui, text);
        return false;
    case DATE_CHECK_BEFORE_BUILD:
        str_format(text, sizeof text,
                   "ДАТА %02u.%02u.%04u НЕ КОРРЕКТНА!\n(меньше даты сборки программы)\n\nДЛЯ ВВОДА ЭТОЙ ДАТЫ "
                   "НАЖМИТЕ КЛАВИШУ 'MENU'!",
                   e.day, e.month, e.year);
        break;
    case DATE_CHECK_PAST_15_YEARS:
        str_format(text, sizeof text,
                   "ДАТА %02u.%02u.%04u НЕ КОРРЕКТНА!\n(больше чем на 15лет года сборки программы)\n\nДЛЯ ВВОДА "
                   "ЭТОЙ ДАТЫ НАЖМИТЕ КЛАВИШУ 'MENU'!",
                   e.day, e.month, e.year);
        break;
    case DATE_CHECK_PAST_CONTROLLER_YEAR:
        str_format(text, sizeof text,
                   "ДАТА %02u.%02u.%04u НЕ КОРРЕКТНА!\n(больше чем на год текущей даты КФН %02u.%02u.%04u)\n\nДЛЯ "
                   "ВВОДА ЭТОЙ ДАТЫ НАЖМИТЕ КЛАВИШУ 'MENU'!",
                   e.day, e.month, e.year, kkt.day, kkt.month, kkt.year);
        break;
    default:
        return true;
    }
    return WarnMessageDialog(ui, "ВНИМАНИЕ", text) == WARN_OVERRIDE;
}

// Every check in order; false at the first refusal that stands.
bool entryAccepted(vuUI *ui, const DateEntry &e, int whole, const DateEntry &build, const DateEntry &kkt)
{
    DateCheck from = DATE_CHECK_BAD_DATE;
    for (;;) {
        DateCheck c = date_entry_check(e, whole, build, kkt, from);
        if (c == DATE_CHECK_OK)
            return true;
        if (!refuse(ui, c, e, kkt))
            return false;
        from = static_cast<DateCheck>(c + 1);
    }
}

// The terminal's clock set to an entry (second 1, as the controller's).
void setTerminalClock(const DateEntry &e)
{
    OsTime t;
    memset(&t, 0, sizeof t);
    t.Year = static_cast<int>(e.year);
    t.Month = static_cast<int>(e.month);
    t.Day = static_cast<int>(e.day);
    t.Hour = static_cast<int>(e.hour);
    t.Minute = static_cast<int>(e.minute);
    t.Second = 1;
    OsSetTime(&t);
}

// Sends 0x42 directly (once more on error 8) and sets the terminal's clock
// when the exchange itself went through.
void setClocks(vuUI *ui, const char *date, const char *time, const DateEntry &e)
{
    TMCommand cmd;
    if (cmd.SetDateTime(date, time) <= 0) {
        build_failed_box(ui);
        return;
    }
    char text[512];
    str_format(text, sizeof text, "ВЫПОЛНЯЕТСЯ\n%02X КОМАНДА", 0x42u);
    message_box(ui, "ПОДОЖДИТЕ", text, MB_NOWAIT);
    int result = kfn_exchange_unlocked(cmd, 5000);
    if (result == 0 && cmd.ErrorCode() == 8 && cmd.SetDateTime(date, time) > 0)
        result = kfn_exchange_unlocked(cmd, 5000);
    if (result != 0) {
        exchange_failed_box(ui, 0x42, cmd, result);
        return;
    }
    if (cmd.ErrorCode() > 0)
        exchange_failed_box(ui, 0x42, cmd, 0);
    // The terminal follows the entry even when the controller refused it.
    setTerminalClock(e);
}

// The older screen's setting: 0x42 through the runner (not while a shift is
// open), then the terminal's clock unless the exchange failed, and the
// shift's text on the status line.
void setClocksFr(vuUI *ui, const char *date, const char *time)
{
    DateEntry e;
    date_entry_read(date, time, &e);
    if (!(kfn_flags() & KFN_CUR_SHIFT_OPEN)) {
        TMCommand cmd;
        if (cmd.SetDateTime(date, time) <= 0) {
            build_failed_box(ui);
            return;
        }
        if (kfn_exec(ui, &cmd, 5000) < 0)
            return;
    }
    setTerminalClock(e);
    update_shift_status(ui);
}

void setFocusable(vuForm *form, const char *name, bool on)
{
    if (vuWidget *w = dynamic_cast<vuWidget *>(form->GetByName(name)))
        w->SetFocusable(on ? 1 : 0);
}

// The older screen's answer to a state: true when the screen goes on.
bool olderKey(vuUI *ui, int state)
{
    if (state == 101) {
        if (kfn_flags() & KFN_CUR_SHIFT_OPEN) {
            error_box(ui, "УСТАНОВКА ДАТЫ/ВРЕМЕНИ КОНТРОЛЛЕРА ФН ПРОВОДИТСЯ ТОЛЬКО ПРИ ЗАКРЫТОЙ СМЕНЕ!");
            return true;
        }
        if (message_box(ui, "ВНИМАНИЕ", "Синхронизировать время контроллера ФН по терминалу?", MB_OK | MB_CANCEL) ==
            MB_RESULT_OK)
            setClocksFr(ui, clocks.termDate, clocks.termTime);
        return true;
    }
    if (message_box(ui, "ВНИМАНИЕ", "Синхронизировать время терминала по контроллеру ФН?", MB_OK | MB_CANCEL) ==
        MB_RESULT_OK)
        setClocksFr(ui, clocks.kktDate, clocks.kktTime);
    return true;
}

} // namespace

long date_minutes(const DateEntry &e)
{
    static const long kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (e.month < 1 || e.month > 12)
        return -1;
    const long yy = static_cast<long>(e.year % 100);
    const long leap = (yy % 4 == 0 && e.month >= 3) ? 1 : 0;
    return yy * 525600 + (kBefore[e.month - 1] + static_cast<long>(e.day)) * 1440 + leap * 1440 +
           static_cast<long>(e.hour) * 60 + static_cast<long>(e.minute);
}

long date_minutes_difference(const DateEntry &a, const DateEntry &b)
{
    const long x = date_minutes(a), y = date_minutes(b);
    if (x < 0 || y < 0)
        return -1;
    return x > y ? x - y : y - x;
}

int DateTimeFrKeys(vuEvent *event, intptr_t form)
{
    if (!event || !form)
        return 0;
    if (event->key == 1)
        return 101;
    if (event->key == 2)
        return 102;
    return 0;
}

void CmdSetDateTimeFr(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "common_dlg_fr_set_date_time.xml");
    if (!d)
        return;
    vuForm *form = d.form();
    form->SetHeaderText(title);
    d.reset();
    for (;;) {
        const bool shiftOpen = (kfn_flags() & KFN_CUR_SHIFT_OPEN) != 0;
        setFocusable(form, "date", !shiftOpen);
        setFocusable(form, "time", !shiftOpen);
        if (!readClocks(ui, form))
            break;
        const int state = d.show(DateTimeFrKeys);
        if (state == 101 || state == 102) {
            olderKey(ui, state);
            continue;
        }
        if (state != 1)
            break;
        char date[16], time[16];
        str_copy(date, widget_text(form->GetByName("date")), sizeof date);
        str_copy(time, widget_text(form->GetByName("time")), sizeof time);
        DateEntry e, kkt;
        const int whole = date_entry_read(date, time, &e);
        date_entry_read(clocks.kktDate, clocks.kktTime, &kkt);
        const DateCheck c = date_entry_check(e, whole, e, kkt, DATE_CHECK_BAD_DATE);
        if (c == DATE_CHECK_BAD_DATE || c == DATE_CHECK_BAD_TIME) {
            refuse(ui, c, e, kkt);
            continue;
        }
        if (date_minutes_difference(e, kkt) > 2879) {
            char text[512];
            str_format(text, sizeof text,
                       "ДАТА %02u.%02u.%04u %02u:%02u отличается больше чем на сутки от текущей даты КФН "
                       "%02u.%02u.%04u %02u:%02u\n\nСМЕНИТЬ ВРЕМЯ БОЛЕЕ ЧЕМ НА СУТКИ МОЖЕТ ТОЛЬКО АДМИНИСТРАТОР!",
                       e.day, e.month, e.year, e.hour, e.minute, kkt.day, kkt.month, kkt.year, kkt.hour, kkt.minute);
            error_box(ui, text);
            break;
        }
        setClocksFr(ui, date, time);
        break;
    }
}

int startup_clock_sync(vuUI *ui)
{
    char date[16] = "", time[16] = "";
    for (;;) {
        TMCommand cmd;
        if (cmd.GetDateTime() > 0 && kfn_exec(nullptr, &cmd, 5000) == 0 &&
            cmd.FieldText(5, date, sizeof date) >= 0 && strlen(date) == 6 &&
            cmd.FieldText(6, time, sizeof time) >= 0 && strlen(time) == 4)
            break;
        if (message_box(ui, "ОШИБКА", "ВНИМАНИЕ!\n\nСБОЙ ЧТЕНИЯ ВРЕМЕНИ КОНТРОЛЛЕРА ФН\nПОВТОРИТЕ ПОПЫТКУ!",
                        MB_OK | MB_CANCEL | MB_ALERT) != MB_RESULT_OK)
            return -1;
    }
    DateEntry kkt;
    date_entry_read(date, time, &kkt);
    OsTime now;
    memset(&now, 0, sizeof now);
    OsGetTime(&now);
    DateEntry term{static_cast<unsigned>(now.Day), static_cast<unsigned>(now.Month),
                   static_cast<unsigned>(now.Year), static_cast<unsigned>(now.Hour),
                   static_cast<unsigned>(now.Minute)};
    // A controller's date that names no month cannot be compared, nor set.
    const long diff = date_minutes_difference(term, kkt);
    if (diff < 6)
        return 0;
    OsTime t;
    memset(&t, 0, sizeof t);
    t.Year = static_cast<int>(kkt.year);
    t.Month = static_cast<int>(kkt.month);
    t.Day = static_cast<int>(kkt.day);
    t.Hour = static_cast<int>(kkt.hour);
    t.Minute = static_cast<int>(kkt.minute);
    t.Second = 15;
    OsSetTime(&t);
    char text[512];
    str_format(text, sizeof text,
               "ВРЕМЯ ТЕРМИНАЛА СИНХРОНИЗИРОВАНО ПО ВРЕМЕНИ КОНТРОЛЛЕРА ФН!\nТекущее время: %02u.%02u.%04u "
               "%02u:%02u\n\nУБЕДИТЕСЬ В КОРРЕКТНОСТИ ВРЕМЕНИ!",
               kkt.day, kkt.month, kkt.year, kkt.hour, kkt.minute);
    OsBeep(4, 200);
    // Seven lines: the small font keeps them whole at 320x240.
    message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_FONT0);
    CmdSetDateTimeFr(ui, "ДАТА И ВРЕМЯ");
    return 1;
}

DateEntry build_date_of(const char *text)
{
    static const char *const kMonths[11] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov"};
    DateEntry d{0, 12, 0, 0, 0};
    size_t n = safe_strlen(text);
    for (unsigned m = 0; m < 11; ++m)
        if (n >= 3 && strncmp(text, kMonths[m], 3) == 0)
            d.month = m + 1;
    auto digit = [&](size_t at) -> unsigned {
        char c = at < n ? text[at] : 0;
        return c >= '0' && c <= '9' ? static_cast<unsigned>(c - '0') : 0;
    };
    d.day = digit(4) * 10 + digit(5);
    d.year = digit(7) * 1000 + digit(8) * 100 + digit(9) * 10 + digit(10);
    return d;
}

int date_entry_read(const char *ddmmyy, const char *hhmm, DateEntry *out)
{
    size_t dn = safe_strlen(ddmmyy), tn = safe_strlen(hhmm);
    out->day = pairAt(ddmmyy, 0, dn);
    out->month = pairAt(ddmmyy, 2, dn);
    out->year = 2000 + pairAt(ddmmyy, 4, dn);
    out->hour = pairAt(hhmm, 0, tn);
    out->minute = pairAt(hhmm, 2, tn);
    int whole = 0;
    if (dn == 6 && str_is_digits(ddmmyy))
        whole |= DATE_WHOLE;
    if (tn == 4 && str_is_digits(hhmm))
        whole |= TIME_WHOLE;
    return whole;
}

unsigned days_in_month(unsigned month, unsigned year)
{
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

DateCheck date_entry_check(const DateEntry &e, int whole, const DateEntry &build, const DateEntry &kkt, DateCheck from)
{
    if (from <= DATE_CHECK_BAD_DATE &&
        (!(whole & DATE_WHOLE) || e.day == 0 || e.day > days_in_month(e.month, e.year)))
        return DATE_CHECK_BAD_DATE;
    if (from <= DATE_CHECK_BAD_TIME && (!(whole & TIME_WHOLE) || e.minute > 59 || e.hour > 23))
        return DATE_CHECK_BAD_TIME;
    if (from <= DATE_CHECK_BEFORE_BUILD && compare_triples(e.year, e.month, e.day, build.year, build.month, build.day) < 0)
        return DATE_CHECK_BEFORE_BUILD;
    if (from <= DATE_CHECK_PAST_15_YEARS && e.year > build.year + 15)
        return DATE_CHECK_PAST_15_YEARS;
    long months = static_cast<long>(e.year) * 12 + e.month - (static_cast<long>(kkt.year) * 12 + kkt.month);
    if (from <= DATE_CHECK_PAST_CONTROLLER_YEAR && months >= 13)
        return DATE_CHECK_PAST_CONTROLLER_YEAR;
    return DATE_CHECK_OK;
}

int DateTimeKeys(vuEvent *event, intptr_t form)
{
    if (!event || !form || (event->key != 1 && event->key != 2))
        return 0;
    vuForm *f = reinterpret_cast<vuForm *>(form);
    bool terminal = event->key == 1;
    widget_set_text(f->GetByName("date"), terminal ? clocks.termDate : clocks.kktDate);
    widget_set_text(f->GetByName("time"), terminal ? clocks.termTime : clocks.kktTime);
    return 2;
}

// menu: sets_dt
void CmdSetDateTime(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_set_date_time.xml");
    if (!d)
        return;
    vuForm *form = d.form();
    const DateEntry build = build_date_of(kProgramBuildDate);
    form->SetHeaderText(title);
    d.reset();
    for (;;) {
        if (!readClocks(ui, form))
            break;
        if (d.show(DateTimeKeys) != 1)
            break;
        char date[16], time[16];
        str_copy(date, widget_text(form->GetByName("date")), sizeof date);
        str_copy(time, widget_text(form->GetByName("time")), sizeof time);
        DateEntry e, kkt;
        int whole = date_entry_read(date, time, &e);
        date_entry_read(clocks.kktDate, clocks.kktTime, &kkt);
        if (!entryAccepted(ui, e, whole, build, kkt))
            continue;
        setClocks(ui, date, time, e);
        break;
    }
}
