// The marking-system operator's (OISM) session that runs beside a sale.
// Until the OISM exchange is built the session only loads the OISM
// server's parameters into the worker's record (no worker runs, no link is
// brought up); the online check of a marking code takes them from there.
#ifndef APP_COMMS_OISM_HOOK_H
#define APP_COMMS_OISM_HOOK_H

#include <mxml.h>
#include <stdint.h>

class vuUI;

// The OISM server's parameters (the worker's record keeps them).
struct oism_worker_record {
    char host[256];   // empty while unknown
    uint16_t port;    // 0 while unknown
    int period_ms, send_ms, recv_ms;
};

extern oism_worker_record oism_worker;

// Loads the server's parameters from the controller (0x67 index 1) and the
// settings section, while any of them is still unset: 0 when all are set.
// Once loaded they stay for the life of the process.
int oism_load_params(mxml_node_t *section);
// Forgets the parameters (tests start afresh with it).
void oism_forget_params();

// The session beside a sale: here it loads the parameters.
void oism_session_open(vuUI *ui);
void oism_session_close();

#endif
