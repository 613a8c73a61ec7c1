// The controller's electronic journal: copies of its documents printed by
// shift, by the shift's closing, by time, by a range of numbers or one by
// number; clearing it; its parameters. Each is a sub-menu handler called
// with the item's text as its title.
#ifndef APP_FISCAL_JOURNAL_H
#define APP_FISCAL_JOURNAL_H

class vuUI;

void CmdJournalShift(vuUI *ui, const char *title);
void CmdJournalShiftClose(vuUI *ui, const char *title);
void CmdEJTimeReport(vuUI *ui, const char *title);
void CmdJournalNums(vuUI *ui, const char *title);
void CmdJournalDoc(vuUI *ui, const char *title);
void CmdJournalClean(vuUI *ui, const char *title);
void CmdJournalParam(vuUI *ui, const char *title);

#endif
