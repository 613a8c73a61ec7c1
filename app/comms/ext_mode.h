// The external-host mode: a PC uses the cash register as its fiscal printer
// over the USB device port, TCP (over WiFi or Bluetooth PAN) or a Bluetooth
// serial link. One modal dialog whose event callback relays, in the UI
// thread, every host request to the controller and every reply back. The
// link itself is in ext_link.h, the host's header picture in raster_bmp.h.
#ifndef APP_COMMS_EXT_MODE_H
#define APP_COMMS_EXT_MODE_H

#include <stdint.h>

#include "ext_link.h"
#include "host_relay.h"

class vuForm;
class vuUI;
struct vuEvent;

// The relay's state.
extern RelayState ext_relay_state;

// The sub-menu's "ext_mode": the link chooser, then the mode.
void on_ext_mode(vuUI *ui, const char *title);
// The dialog and the link's life for ext_link_kind.
void run_external_mode(vuUI *ui);
// The dialog's event callback: 2 when any byte moved, else 0.
int external_relay_tick(vuEvent *event, intptr_t form);

// The counters into the dialog's "recv" and "send".
void external_show_counters(vuForm *form);
// One time-stamped line at the end of the dialog's "msg" (CP1251 text).
void external_log_line(vuForm *form, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

#endif
