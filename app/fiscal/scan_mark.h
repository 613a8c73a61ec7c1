// The marking-code scan dialog of the position editor: the code comes from
// the barcode scanner or is typed into the field "code"; the scanner's
// reading is switched on and off with the key MENU (139).
#ifndef APP_FISCAL_SCAN_MARK_H
#define APP_FISCAL_SCAN_MARK_H

#include <stdint.h>

class vuUI;
struct vuEvent;

// The key that switches the scanner's reading on and off.
enum { SCAN_MARK_KEY_READING = 139 };

// The code read by the scan dialog (raw CP1251, at most 199 characters).
extern char ScannedMarkCode[200];

// Shows "kkt_dlg_scan_mark.xml" until a code is taken: 0 with
// ScannedMarkCode filled (empty when none is required and none was given),
// -1 cancelled or the dialog could not be created. A required code must
// not be empty.
int ScanMarkDialog(vuUI *ui, int required);

// The dialog's event callback (toolkit's UI thread): the key 139 switches
// reading and ends the form with 100; a code the scanner has ready goes
// into "code" and ends the form with 1; otherwise 0.
int ScanMarkKeys(vuEvent *event, intptr_t form);

#endif
