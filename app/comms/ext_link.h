// The external-host mode's link to the PC: the USB device port, a TCP
// listener and its one client (over WiFi or Bluetooth PAN), or the
// Bluetooth serial port. No screens here: the dialog above drives it.
#ifndef APP_COMMS_EXT_LINK_H
#define APP_COMMS_EXT_LINK_H

// The links the PC can use. The numbers are those of the link chooser's
// history (3 is not used).
enum ExtLinkKind : int {
    EXT_LINK_USB = 1,    // the USB device port
    EXT_LINK_WIFI = 2,   // TCP over WiFi
    EXT_LINK_BT_PAN = 4, // TCP over Bluetooth PAN
    EXT_LINK_BT_SPP = 5, // the Bluetooth serial port
};

// The link in use. Default EXT_LINK_USB.
extern ExtLinkKind ext_link_kind;
// The TCP port, 4000 whenever a TCP kind starts.
extern int ext_port;
// The TCP sockets (-1 when closed).
extern int ext_listen_socket;
extern int ext_client_socket;

// True for the kinds that go over TCP.
bool ext_link_is_tcp(ExtLinkKind kind);

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

#endif
