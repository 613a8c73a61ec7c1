// The socket side both exchange workers share (the OFD's and the marking
// system's): resolving the server, a connect that can be stopped, and sends
// and receives bounded by a time-out from the last progress.
//
// Each worker passes its own context: where its failure texts go, how it
// learns it must stop, and how long a connect waits for writability on one
// pass (the OFD waits 500 ms, the marking system's server 100 ms).
#ifndef APP_COMMS_EXCHANGE_IO_H
#define APP_COMMS_EXCHANGE_IO_H

#include <mxml.h>
#include <stddef.h>
#include <stdint.h>

class TMCommand;

struct exchange_io {
    char *error_text;        // 256 bytes: the worker's failure text
    bool (*stop_requested)(); // one look at the worker's stop signal
    int connect_poll_ms;     // the wait for writability per connect pass
};

// The host's first IPv4 address in network order, or 0: dotted text as it
// stands, else the hosts table or the system resolver.
uint32_t exchange_resolve(const char *host);
// A connected non-blocking socket to host:port within wait ms, or -1 with the
// text in the context. A refused connect ends at once, host unreachable on
// the third time, other failures become ETIME once wait ms passed.
int exchange_connect(const exchange_io &io, const char *host, uint16_t port, int wait_ms);
// Sends n bytes: n, or -1 with the text in the context.
int exchange_send(const exchange_io &io, int sock, const uint8_t *data, uint32_t n, int wait_ms);
// Receives n bytes, one per call, the time-out running from the last byte:
// 1, 0 when the server closed, -1 on a failure (text in the context).
int exchange_recv(const exchange_io &io, int sock, uint8_t *buffer, uint32_t n, int wait_ms);
// A stop that came between two steps of an exchange, told as a stop inside
// the step that was next ("connect", "send", "recv") would be.
void exchange_stopped_before(const exchange_io &io, const char *step);

// A server's parameters as the controller (0x67) and a settings section
// give them; the times in ms.
struct exchange_params {
    char *host; // 256 bytes
    uint16_t *port;
    int *period_ms, *recv_ms, *send_ms;
};
// True when none of the five is 0 or empty.
bool exchange_params_complete(const exchange_params &p);
// Takes a successful 0x67 reply: field 9 the host, 5 the port, 6 the period,
// 7 the receive and 8 the send time-out (seconds).
void exchange_params_from_reply(const exchange_params &p, TMCommand &reply);
// The section's "period", "sendtime", "recvtime" (seconds, decimal or
// hexadecimal after "x"), "port" and "host" override what they name when
// not empty.
void exchange_params_from_section(const exchange_params &p, mxml_node_t *section);

#endif
