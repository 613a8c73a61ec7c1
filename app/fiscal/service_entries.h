// The small entries of the settings and service menus: the copy of the
// controller service's log to a USB flash drive, the firmware entries, the
// update warning and the cash register's serial number as displayed.
#ifndef APP_FISCAL_SERVICE_ENTRIES_H
#define APP_FISCAL_SERVICE_ENTRIES_H

#include <mxml.h>
#include <stddef.h>

class vuUI;

enum { SERIAL_DISPLAY_SIZE = 64 };

// The menu item "copy_log".
void CmdCopyLog(vuUI *ui, const char *title);
// The menu item "update_fw": does nothing.
void CmdUpdateFw(vuUI *ui, const char *title);

// 0 when the update warning was accepted, -1 otherwise.
int update_warning_dialog(vuUI *ui, const char *title);

// A serial-number format from the settings is used only when it holds
// exactly one "%s" and no other conversion than "%%".
bool serial_pattern_ok(const char *format);
// The serial number as displayed: the first child "frserialpattern" of
// common (the settings section "common") whose "pos_pn" is absent, empty or
// (without regard to case) the start of the product number applies; its
// text (UTF-8) is the format. Without one, or with a format that is not
// sound, the serial number without its leading zeros.
void serial_display_text(mxml_node_t *common, const char *serial, const char *product, char *out, size_t size);
// The same for this cash register (its serial number, the settings and the
// product number "ro.fac.pn"), worked out once and kept for the run.
const char *kkt_serial_display();

// The controller firmware update: only an administrator may run it; the
// firmware list's address is kept in the settings ("fwupdate", "url").
void fw_update_entry(vuUI *ui);

#endif
