// What the receipt screens need of the marking codes: the code's type and
// the values the drive takes for it (mark_code.h), the online check of a
// position, and the scan dialog. Until the server exchange and the scanner
// are built the check checks nothing (result 0, so no position is dropped)
// and there is no scan dialog.
#ifndef APP_FISCAL_MARKING_HOOK_H
#define APP_FISCAL_MARKING_HOOK_H

#include <stdint.h>

#include "mark_code.h"

class vuUI;

// The check result byte, -1 on an error, -4 when the position is dropped.
int MarkCheckPosition(vuUI *ui, const char *code, uint8_t planned_status, uint8_t measure, const char *quantity,
                      const char *lot_size, const char *name, uint8_t gs1_kind, int interactive);

// The code read by the scan dialog (200 bytes).
extern char ScannedMarkCode[200];
// 0 with ScannedMarkCode filled, -1 cancelled or no dialog.
int ScanMarkDialog(vuUI *ui, int required);

#endif
