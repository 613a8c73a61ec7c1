// The online check of one position's marking code, through the fiscal
// drive (0x20, 0x26, 0x24, 0x25, 0x22) and the OISM server; the cashier
// decides whether a position whose check is not positive stays.
#ifndef APP_FISCAL_MARK_CHECK_H
#define APP_FISCAL_MARK_CHECK_H

#include <stdint.h>

#include "mark_code.h"

class vuUI;

// Check results besides the drive's result byte.
enum { MARK_CHECK_ERROR = -1, MARK_CHECK_DROP = -4, MARK_CHECK_PASSED = 15 };

// Checks code (raw CP1251) of the position named name: the drive's check
// result byte (15: every check passed), MARK_CHECK_ERROR after an error box,
// MARK_CHECK_DROP when the cashier did not keep the position. quantity and
// lot_size go raw into 0x24. Only when interactive is set does the code go
// to the OISM server and is the cashier asked.
int MarkCheckPosition(vuUI *ui, const char *code, uint8_t planned_status, uint8_t measure, const char *quantity,
                      const char *lot_size, const char *name, uint8_t gs1_kind, int interactive);

#endif
