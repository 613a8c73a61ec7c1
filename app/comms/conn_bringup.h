// Bringing the active link up through the platform's network calls, one
// routine per kind, and taking it down again. The callers hold conn_mutex
// and pass conn_active. With a UI the routines show their progress as
// notices under "СОЕДИНЕНИЕ" and their failures in boxes under "ОШИБКА";
// without one they show nothing and return the same codes:
//   0 up; -1 a step needs a UI, or a dialog could not be made; -5 cancelled;
//   -10 DHCP did not start, -11 DHCP failed, -12 static configuration
//   failed, -13 route failed; -20 WiFi module not opened, -21 no access
//   point found, -22 the network is not among them, -23 join failed;
//   -30 cellular module not locked, -31 SIM slot, -32 SIM card, -33 login.
#ifndef APP_COMMS_CONN_BRINGUP_H
#define APP_COMMS_CONN_BRINGUP_H

#include <stdint.h>

#include <atomic>

struct conn_record;
struct vuEvent;
class vuUI;

// IP on an interface: DHCP when the record's `dhcp` is set or it has no
// address, else the static address; then the route; the configuration in
// force is written back into the record.
int conn_up_ip(vuUI *ui, int iface, conn_record *record);
// Opens the WiFi module, finds the access point (scan; with no network
// name a menu of those found), asks for a missing key, joins, then IP on
// interface 4.
int conn_up_wifi(vuUI *ui, conn_record *record);
// Prepares the cellular module (lock, SIM slot, SIM card), logs in to the
// operator's access point, then the route on interface 3.
int conn_up_gprs(vuUI *ui, conn_record *record);
// The operator presets: fills the APN, login and password of conn_active.
// 1 when a row was accepted, 0 when cancelled (or without a UI).
int gprs_operator_menu(vuUI *ui);
// Closes the active link by kind and clears conn_active.
void conn_teardown();
// Points the default route back at the active link's interface.
void conn_set_route();

// Event callbacks of the wait dialog (UI thread): 1 done, -1 failed, 2 the
// elapsed seconds redrawn.
int dhcp_wait_tick(vuEvent *event, intptr_t form);
int gprs_wait_tick(vuEvent *event, intptr_t form);

// Shared with the wait dialog's callbacks: the DHCP interface, the last
// status a callback saw, the tick count at which the dialog came up.
extern std::atomic<int> conn_wait_iface;
extern std::atomic<int> conn_wait_status;
extern std::atomic<uint32_t> conn_wait_start;

// The link layer's menus built in code: the title, OK, cancel, no close
// icon, digits choosing rows; rows in font 1 that wrap rather than being
// cut; each row's tag is the caller's.
class vuMenu;
vuMenu *conn_menu_new(const char *title);
void conn_menu_add(vuMenu *menu, const char *text, unsigned long tag = 0);

// The operator presets of gprs_operator_menu, in menu order.
struct GprsPreset {
    const char *name;
    const char *apn;
    const char *login; // also the password
};
extern const GprsPreset gprs_presets[5];

#endif
