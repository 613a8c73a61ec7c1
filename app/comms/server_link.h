// The blocking TCP client that moves one exchange_container to a server and
// its answer back, within one deadline per exchange.
//
// A link is closed (sock -1) before a series of exchanges; each exchange
// takes its own start tick, so the deadline is per exchange; the socket
// stays open between exchanges of a series and the caller closes it
// (net_close) at the end. The resolved address is kept for later connects.
// Everything runs in the calling thread; a link is used by one thread at a
// time.
#ifndef APP_COMMS_SERVER_LINK_H
#define APP_COMMS_SERVER_LINK_H

#include <stddef.h>
#include <stdint.h>

#include "exchange_container.h"

class vuForm;
class vuUI;

struct server_link {
    int sock;            // -1 when closed
    int timeout_ms;      // the deadline of one exchange from start_tick; 0: unusable
    uint32_t start_tick; // OsGetTickCount when the exchange started
    uint16_t port;       // 0: not configured
    char host[129];      // host name or dotted address; empty: not configured
    uint32_t address;    // IPv4, network order; 0: not resolved yet
};

// A closed link to host:port with the deadline.
void server_link_init(server_link *link, const char *host, uint16_t port, int timeout_ms);

// A non-blocking socket with TCP_NODELAY, or -1.
int net_open_socket(int family, int type, int protocol);
// Shuts the socket down both ways, closes it and sets sock to -1.
void net_close(server_link *link);
// One poll of sock for writability (want_write) or readability for at most
// wait_ms: 0 ready (or, with a 0 wait, nothing wrong), -1 poll failed, -2
// nothing ready within a non-zero wait, -3 error or hang-up (the link is
// closed). The texts go to error_text (bounded by size) when given.
int net_wait(server_link *link, int want_write, int wait_ms, char *error_text, size_t size);
// What is left of the exchange's deadline: 0 once it passed, 1 exactly at it.
int net_remaining_ms(const server_link *link);
// Receives up to n bytes, polling every 10 ms while wait_ms has not passed:
// the count received (n when complete), or -1 when a failure came first.
int net_recv_until(int sock, int wait_ms, uint8_t *buffer, int n);
// Connects the link: 0, -1, a positive errno, or net_wait's result.
int server_connect(server_link *link);
// Sends the container and replaces it with the answer: the answer's body
// length, or -1. With a ui the stages show in wait boxes titled title.
int server_exchange(vuUI *ui, exchange_container *container, server_link *link, const char *title);
// The same exchange without boxes: each stage is a line in the form's
// multi-line field "info" and the form is shown and redrawn.
int server_exchange_progress(vuUI *ui, vuForm *form, exchange_container *container, server_link *link);

#endif
