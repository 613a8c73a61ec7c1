// The marking-system operator's (OISM) session that runs beside a sale.
// Until the OISM exchange is built the session only loads the OISM
// server's parameters (0x67 with index 1), which the online check of a
// marking code uses; no worker runs and no link is brought up.
#ifndef APP_COMMS_OISM_HOOK_H
#define APP_COMMS_OISM_HOOK_H

#include <stdint.h>

class vuUI;

void oism_session_open(vuUI *ui);
void oism_session_close();

// The OISM server's parameters as the session loaded them: the host (empty
// while unknown, at most 255 characters), the port (0 unknown) and the
// send time-out in ms. Once loaded they stay for the life of the process.
const char *oism_host();
uint16_t oism_port();
int oism_send_ms();
// Forgets the parameters (tests start afresh with it).
void oism_forget_params();

#endif
