// Small pieces the fiscal screens share: the box of a failed direct
// exchange, the report box, radio lists and the numbers typed into entry
// fields.
#ifndef APP_FISCAL_SCREEN_COMMON_H
#define APP_FISCAL_SCREEN_COMMON_H

#include <stdint.h>

class TMCommand;
class vuObject;
class vuUI;

// The error box of a command sent straight through the service (not by the
// runner) under its code: the service result when the exchange failed
// (result != 0), else the drive's error from the reply with its statuses.
void exchange_failed_box(vuUI *ui, unsigned code, TMCommand &cmd, int result);
// A report in one box: OK button, small font, justified (flags 0x111).
void show_report(vuUI *ui, const char *title, const char *text);

// The number (from 1) of a radio list's checked item; 0 for none or for a
// widget that is no radio list.
unsigned radio_item(vuObject *widget);
// Checks item n of a radio list; other widgets are left alone.
void radio_set(vuObject *widget, unsigned n);

// A count typed into an entry field: empty reads as 0; anything but digits,
// or a value above max, is refused (false).
bool parse_count(const char *text, uint32_t max, uint32_t *out);

#endif
