// The road of a sale: the receipt wizard. Five pages (type and copies,
// seller and tax mode, table and account or the correction's grounds,
// payments, the buyer's contact), the list of goods in between, then the
// document built command by command in the controller and closed. A failed
// command annuls the document and offers to run it again with everything
// entered kept.
#ifndef APP_FISCAL_RECEIPT_WIZARD_H
#define APP_FISCAL_RECEIPT_WIZARD_H

#include "receipt_data.h"

class vuUI;

// mode 1 a receipt, 2 a correction receipt; the title heads the questions
// and notices of the payments, the buyer and the end.
void CmdFiscalReceipt(vuUI *ui, const char *title, int mode);

// The sub-menu handlers of "receipt_fiscal" and "receipt_correct".
void CmdReceiptFiscal(vuUI *ui, const char *title);
void CmdReceiptCorrect(vuUI *ui, const char *title);

#endif
