// Closing the fiscal drive at the end of its life (behind the operator
// password), and the service starts: the start of the controller session
// and the shift-state information. Sub-menu handlers called with the item's
// text as their title.
#ifndef APP_FISCAL_FN_CLOSE_H
#define APP_FISCAL_FN_CLOSE_H

class vuUI;

void CmdFNClose(vuUI *ui, const char *title);
void CmdTechStart(vuUI *ui, const char *title);
void CmdTechInfo(vuUI *ui, const char *title);

#endif
