#include "date_record.h"

#include <string.h>

#include "osal.h"

void date_record_normalise(date_record *r)
{
    if (!r)
        return;
    while (r->second > 59) {
        r->second -= 60;
        ++r->minute;
    }
    while (r->minute > 59) {
        r->minute -= 60;
        ++r->hour;
    }
    while (r->hour > 23) {
        r->hour -= 24;
        ++r->day;
        ++r->weekday;
    }
    while (r->day > 31) {
        r->day -= 31;
        ++r->month;
    }
    while (r->month > 12) {
        r->month -= 12;
        ++r->year;
    }
    while (r->weekday > 6)
        r->weekday -= 7;
}

void now_date_record(date_record *record)
{
    if (!record)
        return;
    OsTime t;
    memset(&t, 0, sizeof t);
    OsGetTime(&t);
    record->year = t.Year;
    record->month = t.Month;
    record->day = t.Day;
    record->hour = t.Hour;
    record->minute = t.Minute;
    record->second = t.Second;
    record->weekday = t.DayOfWeek;
    date_record_normalise(record);
}

namespace {

const char *formatTime(char *buffer, size_t size, const char *format, const struct tm *given)
{
    // "Now" is the OS's clock, the one now_date_record reads.
    struct tm now;
    if (!given) {
        OsTime t;
        memset(&t, 0, sizeof t);
        OsGetTime(&t);
        memset(&now, 0, sizeof now);
        now.tm_year = t.Year - 1900;
        now.tm_mon = t.Month - 1;
        now.tm_mday = t.Day;
        now.tm_hour = t.Hour;
        now.tm_min = t.Minute;
        now.tm_sec = t.Second;
        now.tm_wday = t.DayOfWeek;
        given = &now;
    }
    if (strftime(buffer, size, format, given) == 0)
        buffer[0] = '\0';
    return buffer;
}

} // namespace

const char *date_text(const struct tm *time)
{
    static char buffer[32];
    return formatTime(buffer, sizeof buffer, "%d.%m.%Y", time);
}

const char *time_text(const struct tm *time)
{
    static char buffer[32];
    return formatTime(buffer, sizeof buffer, "%T", time);
}
