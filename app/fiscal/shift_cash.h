// The cashier's day: opening the shift, the shift report, closing the
// shift, cash deposit and collection, and annulling an open receipt. Each
// is a sub-menu handler called with the item's text as its title.
#ifndef APP_FISCAL_SHIFT_CASH_H
#define APP_FISCAL_SHIFT_CASH_H

class vuUI;

void CmdShiftOpen(vuUI *ui, const char *title);
void CmdShiftReport(vuUI *ui, const char *title);
void CmdCloseShift(vuUI *ui, const char *title);
void CmdToCash(vuUI *ui, const char *title);
void CmdFromCash(vuUI *ui, const char *title);
void CmdReceiptCancel(vuUI *ui, const char *title);

#endif
