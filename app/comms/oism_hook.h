// The marking-system operator's (OISM) session that runs beside a sale.
// Until the OISM exchange is built it does nothing.
#ifndef APP_COMMS_OISM_HOOK_H
#define APP_COMMS_OISM_HOOK_H

class vuUI;

void oism_session_open(vuUI *ui);
void oism_session_close();

#endif
