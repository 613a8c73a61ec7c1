// Read-only screens about the documents' way to the OFD: a document's OFD
// ticket, the documents (and notifications) waiting to be sent, and the
// state of the unsent documents. Sub-menu handlers called with the item's
// text as their title.
#ifndef APP_FISCAL_OFD_INFO_H
#define APP_FISCAL_OFD_INFO_H

class vuUI;

void CmdOfdTicket(vuUI *ui, const char *title);
void CmdOfdDocWait(vuUI *ui, const char *title);
void CmdOfdPayState(vuUI *ui, const char *title);

#endif
