// What the rest of the program calls to get the one network link and to
// let it go: the configured connection (or one chosen on the spot, stored
// afterwards), a re-check of a link that is up, the status line's level
// while it is up, and the external-host mode's own links. Whole bring-ups,
// re-checks and teardowns are serialised by conn_mutex (never taken
// together with kfn_mutex). Every routine takes a null UI: the same code,
// without menus, dialogs or boxes.
#ifndef APP_COMMS_CONN_API_H
#define APP_COMMS_CONN_API_H

#include <mxml.h>
#include <pthread.h>

class vuUI;

extern pthread_mutex_t conn_mutex;

// Brings the link up unless one is up: 0 when a link is up afterwards,
// else the bring-up's negative code (-1 nothing to bring up or cancelled).
// The name picks the `conn` element of that name; null lets the user choose
// among several. With a UI the status line's "netlevel" shows the level.
int conn_connect(vuUI *ui, const char *name);
// The part of conn_connect that runs when no link is up (caller holds
// conn_mutex).
int conn_connect_named(vuUI *ui, const char *name);
// The `conn` element to bring up, or null; with nothing configured and a UI
// the user picks a link type into conn_new_type instead.
mxml_node_t *conn_find(vuUI *ui, const char *name);
// The configured connection search of old: as conn_find, but it never offers
// the link-type menu; a missing "connections" section and (with a UI) one
// without `conn` elements are told in an error box. The element or null.
mxml_node_t *conn_find_configured(vuUI *ui, const char *name);
// Brings up a `conn` element as the active link (caller holds conn_mutex):
// an element that does not parse, or one of a kind that cannot be brought
// up, gives -1 after an error box; otherwise the bring-up's result (a
// Bluetooth serial port included). A failed bring-up leaves no link.
int conn_up_record(vuUI *ui, mxml_node_t *element);
// conn_connect with the element given instead of a name: a link that is up
// is taken down first, so its module is not left open under a record that
// no longer names it. 0, or the bring-up's negative code.
int conn_connect_element(vuUI *ui, mxml_node_t *element);
// The external-host WiFi link lost (level -2): leaves and joins the active
// access point again and marks the level not usable yet (-1). The level
// before the call.
int wifi_retry_connect();
// 1 when a link was up already (it is re-checked, whatever that gives), 0
// when one has been brought up now (the OFD's connection name, else the
// card module's), -1 when that failed.
int conn_ensure(vuUI *ui, int force);
int conn_open(vuUI *ui);
// keep: the link stays up and only the route is pointed at it again;
// otherwise conn_disconnect.
void conn_close(int keep);
// Unhooks the level from the status line and tears the link down.
void conn_disconnect();
// Re-check of a link that is up: -1 when none is; with force set, or when
// the platform reports the WiFi or cellular link lost, it is brought up
// again and that result returned; else 0. A failure leaves the record.
int conn_recheck(vuUI *ui, int force);

// The external-host mode's links, with their own level on the status line.
int ext_connect_wifi(vuUI *ui);
int ext_connect_bt_pan(vuUI *ui);
// The external-host mode's WiFi link (mode 1, the only one): a menu of the
// access points stored with a key, or a new one (stored once it joins).
// The text is not used. Any other mode gives -1.
int wifi_choose_ap(vuUI *ui, const char *text, int mode);

#endif
