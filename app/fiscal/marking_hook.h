// What the receipt screens need of the marking codes: the code's type and
// the values the drive takes for it, the online check of a position, and
// the scan dialog. Until the marking-code unit is built these know no code
// type, check nothing (result 0, so no position is dropped) and have no
// scan dialog.
#ifndef APP_FISCAL_MARKING_HOOK_H
#define APP_FISCAL_MARKING_HOOK_H

#include <stdint.h>

class vuUI;

uint16_t MarkCodeTypeOf(const char *code, int test_check_digit);
uint8_t MarkGs1Kind(const char *code);
int16_t MarkCodeTag(const char *code);
uint8_t MarkSignificantLength(const char *code);
// The check result byte, -1 on an error, -4 when the position is dropped.
int MarkCheckPosition(vuUI *ui, const char *code, uint8_t planned_status, uint8_t measure, const char *quantity,
                      const char *lot_size, const char *name, uint8_t gs1_kind, int interactive);

// The code read by the scan dialog (200 bytes).
extern char ScannedMarkCode[200];
// 0 with ScannedMarkCode filled, -1 cancelled or no dialog.
int ScanMarkDialog(vuUI *ui, int required);

#endif
