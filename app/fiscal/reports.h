// Reports on screen: the printer's state, the shift's document counters,
// money totals, shift totals, totals by payment type and by department.
// Sub-menu handlers called with the item's text as their title. Besides
// them, the printed payment report and the document browser, which no menu
// reaches.
#ifndef APP_FISCAL_REPORTS_H
#define APP_FISCAL_REPORTS_H

class vuUI;

void CmdPrnStat(vuUI *ui, const char *title);
void CmdShiftDocCounter(vuUI *ui, const char *title);
void CmdMoneyInfo(vuUI *ui, const char *title);
void CmdReportExt(vuUI *ui, const char *title);
void CmdReportPayment(vuUI *ui, const char *title);
void CmdReportDep(vuUI *ui, const char *title);

// The totals of every payment type on the controller's payment-report
// document.
void PrintPaymentReport(vuUI *ui);
// Lists the drive's documents (all, the last shift closing, or the shift
// closings), newest first, page by page; a chosen one is printed.
void BrowseDocuments(vuUI *ui);

#endif
