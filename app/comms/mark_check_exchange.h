// The online check of one marking code with the OISM server: the check
// request the fiscal drive made (0x24) goes out in a container over a link
// made for the occasion, in the caller's thread, and the server's answer
// comes back in the same container for the fiscal drive (0x25).
#ifndef APP_COMMS_MARK_CHECK_EXCHANGE_H
#define APP_COMMS_MARK_CHECK_EXCHANGE_H

#include <stdint.h>

#include "exchange_container.h"

class vuUI;

// Exchanges the container with the OISM server whose parameters the sale's
// session loaded: the answer's body length (above 0 on success), 0 for an
// empty answer, -1 on a failure (no parameters, a host longer than a link
// holds, no connection or a short send or answer within the send
// time-out). With a ui the stages show in wait boxes titled "Проверка КМ".
int MarkCheckExchange(vuUI *ui, exchange_container *container);

// The same exchange with the server given: a host of more than 128
// characters fails at once with a text (a box with a ui), never cut; a
// send time-out below 10 s becomes 10 s on a GPRS link.
int mark_check_exchange_with(vuUI *ui, exchange_container *container, const char *host, uint16_t port,
                             int send_ms);

// The same exchange over the key-update service's process-wide link (its
// host, port and time-out as asokp_load_server left them), which is closed
// afterwards: the answer's body length, 0 for an empty answer, -1 on a
// failure (no server named among them).
int mark_check_exchange_key_service(vuUI *ui, exchange_container *container);

#endif
