// The connection editor ("Conn_SetParam"): a menu from which the user
// edits, renames, creates and deletes the `conn` elements of the settings
// section "connections" and starts a ping. Each link kind has its dialog;
// the dialogs work on the fields of conn_active: conn_pages_from_xml reads
// the element's values into them and conn_to_xml writes them back.
#ifndef APP_COMMS_CONN_EDITOR_H
#define APP_COMMS_CONN_EDITOR_H

#include <mxml.h>
#include <stdint.h>

class vuUI;

void conn_menu(vuUI *ui);
// The chooser over the `conn` elements: the one chosen, or null. purpose
// 1 edit, 2 delete, 3 rename (the boxes differ when there are none).
mxml_node_t *conn_choose_dialog(vuUI *ui, int purpose);
// Name and kind of a new connection into conn_active: 1, or -1 when
// cancelled or without a dialog.
int conn_new_dialog(vuUI *ui);
// 1 when the element's name was changed, -1 otherwise.
int conn_rename_dialog(vuUI *ui, mxml_node_t *element);
// The number of `conn` elements (0 without the section).
int conn_count();

// One dialog per kind, over the element's values (null: a new
// connection). Positive when accepted, negative when cancelled or failed;
// a new WiFi or Bluetooth connection brings its link up (0 when it came
// up, and it stays up) instead of showing the pages.
int conn_gprs_dialog(vuUI *ui, mxml_node_t *element);
int conn_wifi_dialog(vuUI *ui, mxml_node_t *element);
int conn_eth_dialog(vuUI *ui, mxml_node_t *element);
int conn_bt_dialog(vuUI *ui, mxml_node_t *element);

// The radio lists' rows (from 1) and the values they stand for. A value
// without a row shows row 1; a row outside the list reads as row 1's value.
unsigned conn_sec_row(uint32_t cipher);
uint32_t conn_sec_value(unsigned row);
unsigned conn_auth_row(int32_t auth);
int32_t conn_auth_value(unsigned row);
// "dhcp": row 1 DHCP (1), row 2 a static address (0).
unsigned conn_dhcp_row(uint8_t dhcp);
uint8_t conn_dhcp_value(unsigned row);
// "type" of a new connection: WIFI, GPRS, then the rows the code adds:
// ETH1 and, with the Bluetooth library, Bluetooth. 0 for another row.
uint16_t conn_type_of_row(unsigned row);

#endif
