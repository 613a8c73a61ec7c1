// The one network link's record and its settings: the active connection
// record, its `conn` elements in the settings section "connections", the
// record parked while the external-host mode borrows the link, the local
// host-name resolver and the accessors other screens read the link through.
#ifndef APP_COMMS_CONN_RECORD_H
#define APP_COMMS_CONN_RECORD_H

#include <mxml.h>
#include <netdb.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

#include "osal.h"

class vuUI;
class vuProgressObject;

// Link kinds (`conn_type`); the keyword is the `type` attribute's value.
enum : uint16_t {
    CONN_NONE = 0,
    CONN_WIFI = 1,   // "WIFI"
    CONN_GPRS = 2,   // "GPRS"
    CONN_ETH1 = 3,   // "ETH1", Ethernet through a LAN-USB adapter
    CONN_BT = 5,     // "Bluetooth", IP over Bluetooth PAN
    CONN_BT_COM = 6  // "BluetoothCOM", Bluetooth serial port (no IP)
};

// Interface numbers of the platform's IP calls.
enum { CONN_IF_ETH1 = 2, CONN_IF_GPRS = 3, CONN_IF_WIFI = 4, CONN_IF_BT = 9 };

// Everything the link layer knows about the link. Texts are zero-terminated
// and cut to their field. The WiFi block is the platform's access-point
// record as OsWifiConnect takes it: `wifi.Essid` is the network name,
// `wifi.AuthMode` the authentication mode (0 not set, 1 open, 5..10 the WPA
// modes), `wifi.SecMode` the cipher bits, then either the key
// (`wifi.u.Psk.Key`, `wifi.u.Psk.KeyLen`) or, for the EAP modes 6, 8 and 10,
// the EAP parameters laid over the same place (`wifi.u.Eap`).
struct conn_record {
    uint16_t type;       // a link kind, 0 while no link is up
    uint32_t timeout_ms; // each bring-up wait (DHCP, join, login)
    uint8_t dhcp;        // 1 address by DHCP, 0 static
    char ip[16];
    char mask[16];
    char gw[16];
    char dns[16];
    OsWifiApSet wifi;
    uint8_t gprs_slot; // SIM slot, counted from 0
    char gprs_pin[48];
    char gprs_apn[48];
    char gprs_login[48];
    char gprs_pass[48];
    char bt_pin[20];
    uint16_t bt_scan_time;       // seconds
    uint32_t bt_wait_connect_ms; // 5000..60000
    char bt_mac[32];
    char bt_name[64];
    char name[64]; // the connection's name
};

// The active record: all zero while no link is up. Written by the main
// thread only.
extern conn_record conn_active;
// The user's record parked while the external-host mode runs.
extern conn_record conn_saved;
// The link type picked in the type menu when nothing is configured, and its
// parked copy.
extern uint16_t conn_new_type;
extern uint16_t conn_new_type_saved;
// The name of the last link brought up.
extern char conn_last_name[64];
// The level the external-host indicator showed last: -1 at start, -2 lost,
// below 0 the link is not usable.
extern std::atomic<int> ext_net_level;
// The status line's "netlevel" indicator the link's level is drawn in, or
// null.
extern vuProgressObject *conn_net_item;

// The status line's level functions run in the UI thread: they read the
// active type through this copy, which every writer of `conn_active.type`
// refreshes with conn_publish_type().
void conn_publish_type();
uint16_t conn_published_type();
// Clears the whole active record (and its published type).
void conn_clear_active();

// The keyword of a link kind ("WIFI", "GPRS", "ETH1", "Bluetooth",
// "BluetoothCOM"), null for any other.
const char *conn_type_keyword(uint16_t type);
// The interface number of a link kind (Bluetooth kinds 9), 0 for none.
int conn_type_iface(uint16_t type);

// Fills the record from a `conn` element: 0 usable; -1 for no element, no
// or an unknown `type`, or a WIFI element without `apn`.
int conn_from_xml(mxml_node_t *element, conn_record *record);
// Reads, over the record's values, what the connection editor's pages of
// the kind show of the element (when it is of that kind): numbers decimal,
// the WiFi security as numbers (as conn_to_xml writes it), a Bluetooth scan
// time of 0 or above 45 s as 10 s and a wait outside 5..60 s as 30 s. The
// cellular fields and the WiFi block are cleared first.
void conn_pages_from_xml(mxml_node_t *element, uint16_t kind, conn_record *record);
// The element's "name" in CP1251 into out (size bytes): out, or null when
// it has none.
const char *conn_name_from_xml(mxml_node_t *element, char *out, size_t size);
// Sets the element's "name" from a CP1251 text.
void conn_name_to_xml(mxml_node_t *element, const char *name);
// Writes the active record into the element, saves the settings file and
// shows the notice: the notice's result (0 without a UI); -1 for no element
// or when the file could not be saved (after an error box).
int conn_to_xml(vuUI *ui, mxml_node_t *element);

// Park and bring back the active record around the external-host mode.
void conn_save_active();
void conn_restore_active();

// Exchanges the active record with its parked copy (and the chosen link
// types with theirs): a swap done twice leaves both as they were.
void conn_swap_saved();

int conn_is_up();
int conn_is_gprs();
// 1 while the active link is a Bluetooth serial port.
int conn_is_bt_com();
// The keyword of the active link's kind, null while none is up.
const char *conn_type_name();
const char *conn_ip_address();
int conn_net_level();
// The active record's fields as the link layer keeps them.
const char *conn_bt_name();
const char *conn_bt_mac();
const char *conn_name();
uint32_t conn_timeout_ms();
// The name of the last link brought up, and its clearing.
const char *conn_last_connected();
void conn_forget_last_connected();
// Clears the whole active record and gives it the kind (published for the
// level functions).
void conn_reset(uint16_t type);

// The IPv4 address of a host name or dotted address: an entry shaped like
// libc's (family AF_INET, 4-byte addresses), kept per thread until the
// thread's next call; null for a null name or one that does not resolve.
const struct hostent *hosts_resolve(const char *name);

#endif
