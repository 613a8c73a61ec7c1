// The Bluetooth links as the network layer calls them. The terminal's
// Bluetooth library is not bound yet, so Bluetooth counts as absent: no
// "Bluetooth" row is offered, and a link asked for anyway fails with
// "device not open".
#ifndef APP_COMMS_BT_HOOKS_H
#define APP_COMMS_BT_HOOKS_H

struct conn_record;
class vuUI;

// 1 when the Bluetooth library is bound; 0 here.
int bt_available();
// PAN link (IP over Bluetooth) and serial-port link: 0 connected, else a
// negative code; here -1006.
int bt_connect_pan(vuUI *ui, conn_record *record);
int bt_connect_spp(vuUI *ui, conn_record *record);
// Closes the Bluetooth link; returns the close result (here its argument).
int bt_close(int value);
// The serial link the external-host mode relays over: readiness for a host
// (0 ready, else a negative code; here -1006), whether a host has connected
// (0 here), the serial device opened raw and closed (0 or a negative code)
// and its descriptor (-1 while closed).
int bt_init(vuUI *ui);
int bt_spp_connected();
int bt_com_open();
int bt_com_close();
int bt_com_fd();

#endif
