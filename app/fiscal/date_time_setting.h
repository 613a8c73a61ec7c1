// Setting the date and time of the controller and of the terminal together:
// the three clocks side by side, the entry checked against the program's
// build date and the controller's date, sent with 0x42, then the terminal's
// clock set to the entry.
#ifndef APP_FISCAL_DATE_TIME_SETTING_H
#define APP_FISCAL_DATE_TIME_SETTING_H

#include <stdint.h>

class vuUI;
struct vuEvent;

// The program's build date as the date checks take it.
extern const char *const kProgramBuildDate; // "Feb 10 2025"

struct DateEntry {
    unsigned day, month, year; // year in full (2000 + YY for an entry)
    unsigned hour, minute;
};

// The build date of a text "Mmm DD YYYY": the month from the first three
// letters ("Jan" 1 ... "Nov" 11, anything else 12), the day from characters
// 5 and 6 (a blank tens digit counts 0), the year from characters 8 to 11.
DateEntry build_date_of(const char *text);

// Reads a DDMMYY date and an HHMM time (year 2000 + YY). Each part that is
// not wholly digits of its length reads as zeros from its first missing
// pair on; the result tells which parts were whole: bit 1 the date, bit 2
// the time.
enum { DATE_WHOLE = 1, TIME_WHOLE = 2 };
int date_entry_read(const char *ddmmyy, const char *hhmm, DateEntry *out);

// The check of an entry, in order: a bad date (or not six digits), a bad
// time (or not four digits), before the build date, more than 15 years past
// the build year, 13 months or more after the controller's month.
enum DateCheck {
    DATE_CHECK_OK = 0,
    DATE_CHECK_BAD_DATE,
    DATE_CHECK_BAD_TIME,
    DATE_CHECK_BEFORE_BUILD,
    DATE_CHECK_PAST_15_YEARS,
    DATE_CHECK_PAST_CONTROLLER_YEAR,
};
unsigned days_in_month(unsigned month, unsigned year);
// The first of the checks from `from` on that the entry fails, or OK.
// whole: date_entry_read's result.
DateCheck date_entry_check(const DateEntry &entry, int whole, const DateEntry &build, const DateEntry &controller,
                           DateCheck from = DATE_CHECK_BAD_DATE);

void CmdSetDateTime(vuUI *ui, const char *title);
// The dialog's event callback: key code 1 fills "date" and "time" with the
// terminal's clock, key code 2 with the controller's (both 2, redraw); any
// other key 0.
int DateTimeKeys(vuEvent *event, intptr_t form);

#endif
