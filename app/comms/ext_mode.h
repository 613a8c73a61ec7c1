// The external-host mode: a PC uses the cash register as its fiscal printer
// over the USB device port, TCP (over WiFi or Bluetooth PAN) or a Bluetooth
// serial link. One modal dialog whose event callback relays, in the UI
// thread, every host request to the controller and every reply back.
#ifndef APP_COMMS_EXT_MODE_H
#define APP_COMMS_EXT_MODE_H

#include <stdint.h>

#include "host_relay.h"

class vuForm;
class vuUI;
struct vuEvent;

// Link kinds: 1 USB device port, 2 TCP over WiFi, 4 TCP over Bluetooth PAN,
// 5 Bluetooth serial port. Default 1.
extern int ext_link_kind;
// The TCP port, 4000 whenever a TCP kind starts.
extern int ext_port;
// The relay's state and the TCP sockets (-1 when closed).
extern RelayState ext_relay_state;
extern int ext_listen_socket;
extern int ext_client_socket;

// The sub-menu's "ext_mode": the link chooser, then the mode.
void on_ext_mode(vuUI *ui, const char *title);
// The dialog and the link's life for ext_link_kind.
void run_external_mode(vuUI *ui);
// The dialog's event callback: 2 when any byte moved, else 0.
int external_relay_tick(vuEvent *event, intptr_t form);

// The link of ext_link_kind.
int link_open_port();
int link_close_port();
int link_send(const void *data, int len);
int link_receive(void *buf, int max, int timeout_ms);

// Sockets and descriptors. link_listen binds to the link's own address
// only (conn_ip_address); -1 while the link has none.
int link_listen(int port);
int link_accept(int listen_fd);
void link_close_fd(int fd);
void link_close_socket(int fd);
// 0 when all len bytes went (waiting for room at most 2000 ms), else the
// failure (-1).
int link_sock_send(int fd, const void *data, int len);
// Bytes placed, -1 on failure, kLinkEnd when the peer closed its end.
int link_sock_recv(int fd, void *buf, int max, int timeout_ms);
int link_fd_write(int fd, const void *data, int len);
int link_fd_read(int fd, void *buf, int max, int timeout_ms);
enum { kLinkEnd = -2 };

// The counters into the dialog's "recv" and "send".
void external_show_counters(vuForm *form);
// One time-stamped line at the end of the dialog's "msg" (CP1251 text).
void external_log_line(vuForm *form, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
// The column-major raster of width_bytes x (8 x height_units) in path,
// rewritten in place as a 1-bit BMP and installed as the receipt header.
void raster_to_bmp(const char *path, uint32_t width_bytes, uint32_t height_units);

#endif
