// The current local date and time as a record of seven numbers, and the date
// and time as short texts.
#ifndef APP_SHELL_DATE_RECORD_H
#define APP_SHELL_DATE_RECORD_H

#include <stdint.h>
#include <time.h>

struct date_record {
    int32_t year;    // four digits
    int32_t month;   // 1..12
    int32_t day;     // 1..31
    int32_t hour;    // 0..23
    int32_t minute;  // 0..59
    int32_t second;  // 0..59
    int32_t weekday; // 0..6 as the OS counts it (0 Sunday)
};

// Carries values above their range upwards: seconds into minutes, minutes
// into hours, hours into the day and the weekday, days (31 to a month,
// whatever the month) into months, months into years; the weekday wraps at 7.
void date_record_normalise(date_record *record);
// The OS's local time, normalised; a null record is left alone.
void now_date_record(date_record *record);

// "dd.mm.yyyy" and "hh:mm:ss" of the given time, or of the local time now
// for null. Each returns its own static buffer, overwritten by the next call.
const char *date_text(const struct tm *time);
const char *time_text(const struct tm *time);

#endif
