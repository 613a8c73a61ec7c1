// Read-only screens about the fiscal drive: a document by number (or its
// fields), the drive's status, its registration, one registration
// parameter, the OFD exchange and the drive's error data. Sub-menu handlers
// called with the item's text as their title.
#ifndef APP_FISCAL_FN_INFO_H
#define APP_FISCAL_FN_INFO_H

class vuUI;

void CmdFnDoc(vuUI *ui, const char *title);
void CmdFnStat(vuUI *ui, const char *title);
void CmdFnFisc(vuUI *ui, const char *title);
void CmdFnPar(vuUI *ui, const char *title);
void CmdFnComm(vuUI *ui, const char *title);
void CmdFnErr(vuUI *ui, const char *title);

#endif
