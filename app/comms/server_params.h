// The servers' addresses and time-outs as the controller keeps them: the
// OFD's (menu item "ofd_par"), and behind the chooser of "serv_par" the
// marking system's and the key service's. Each dialog reads the record
// (0x67), fills the gaps from its settings section, checks the entries,
// asks, writes the record (0x66) and keeps the entries in its section.
#ifndef APP_COMMS_SERVER_PARAMS_H
#define APP_COMMS_SERVER_PARAMS_H

#include <stddef.h>
#include <stdint.h>

class vuUI;

// The controller's host field holds up to 255 characters.
enum { SERVER_HOST_SIZE = 256 };

void CmdOFDParam(vuUI *ui, const char *title);
void CmdOISMParam(vuUI *ui, const char *title);
void CmdASOKPParam(vuUI *ui, const char *title);
// "serv_par": only in marked-goods mode; the chooser, then the dialog.
void on_serv_par(vuUI *ui, const char *title);
// The chooser "kkt_dlg_select_server.xml": 1 the marking system's server,
// 2 the key service, -1 not chosen; 1 when the menu cannot be made.
int select_server_dialog(vuUI *ui);

// Splits "SCHEME://HOST:PORT[REST]" (any scheme, any run of ':' and '/'
// after it; the rest is dropped) into host (size bytes) and port. 1 with
// both; 0 with host and port cleared for a text of another form, a host
// that does not fit, or a port that is not 1..65535.
int parse_server_url(const char *text, char *host, size_t size, uint16_t *port);

// The three dialogs' differences.
enum ServerKind { SERVER_OFD, SERVER_OISM, SERVER_KEYS };

// A number typed into a dialog's field: empty reads as 0; true with the
// value for digits up to 65535, false for anything else (other characters,
// a larger value: the controller keeps 16-bit words).
bool server_field_number(const char *text, uint16_t *value);
// The entries' check in the dialog's order: null when they pass, else the
// text of the box that refuses them.
const char *server_fields_check(ServerKind kind, const char *addr, const char *port, const char *period,
                                const char *recv, const char *send);

#endif
