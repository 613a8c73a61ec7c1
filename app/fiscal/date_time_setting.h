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

// The minute count of a DDMMYY date and an HHMM time as the older screen
// compares them: YY x 525600 + (days before the month + DD) x 1440, a day
// more from March of a year divisible by 4, + HH x 60 + MM (earlier years
// count 365 days each). The difference of two counts without sign, or -1
// when either month is outside 1 to 12.
long date_minutes(const DateEntry &e);
long date_minutes_difference(const DateEntry &a, const DateEntry &b);

// The older date and time screen ("common_dlg_fr_set_date_time.xml"): the
// same three clocks and entry; key code 1 sets both clocks to the
// terminal's time (refused while a shift is open), key code 2 both to the
// controller's, each after a question; an entry more than two days from the
// controller's clock is left to an administrator. While a shift is open the
// entry fields take no focus and nothing is sent to the controller; the
// terminal's clock is still set.
void CmdSetDateTimeFr(vuUI *ui, const char *title);
// Its callback: key codes 1 and 2 end the dialog with 101 and 102.
int DateTimeFrKeys(vuEvent *event, intptr_t form);

// The clock check at start: reads the controller's clock (asking to try
// again after a failure, until it is read or the question is cancelled)
// and, when the terminal's clock is 6 minutes or more away from it, sets the
// terminal's clock to it, says so and opens the older screen. 1 when the
// clock was set, 0 when it was close enough, -1 when the controller's clock
// could not be read.
int startup_clock_sync(vuUI *ui);

#endif
