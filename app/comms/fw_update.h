// The controller's firmware update, its screens: the list of images from
// an update server over HTTPS, the image for this cash register's model
// when it is newer than the controller's firmware, its download to
// "./data/update.bin" and its upload to the controller with YMODEM over the
// monitor channel. Every step adds a line to a text report that the dialog
// shows and can print, and every failure shows its box.
//
// Below the screens: the list and its checks (fw_list.h), the GET over
// HTTPS (fw_http.h), the image file (fw_image.h), the upload
// (fw_upload.h) and its blocks (ymodem.h). An address of plain HTTP (or
// any other scheme) is refused with a box before anything is fetched: an
// image nobody vouched for never reaches the controller.
#ifndef APP_COMMS_FW_UPDATE_H
#define APP_COMMS_FW_UPDATE_H

#include <mxml.h>
#include <stddef.h>
#include <stdint.h>

#include "fw_http.h"
#include "fw_image.h"
#include "fw_list.h"
#include "ymodem.h"

class vuUI;

enum { FW_REPORT_SIZE = 4096 };

// Runs the dialog titled `title` on the firmware list at `url` (a buffer of
// 128 bytes the dialog may change). Returns the last update's result, -1
// when none ran.
int fw_update_dialog(vuUI *ui, const char *title, char *url, int arg);
// One update (mode 1: the controller is put into its monitor with 0x93
// first; 2: it is there already): 1 when the controller was updated, else
// -1 or 0. Lines are appended to report (FW_REPORT_SIZE bytes).
int fw_update_run(vuUI *ui, const char *url, int mode, char *report);

// The list at url parsed (null after the failure box; the caller frees it
// with mxmlDelete).
mxml_node_t *fw_fetch_list(vuUI *ui, const char *url);
// The item for the model and type (either may be empty: unknown); items of
// other models are removed from the list. Null when none was chosen.
mxml_node_t *fw_choose_model(vuUI *ui, mxml_node_t *list, const char *model, const char *type);
// 1 when the item's "ver" is newer than `current` and the operator agreed;
// 0 otherwise (after its box).
int fw_check_version(vuUI *ui, mxml_node_t *item, const char *current);
// Downloads the item's image to `file`: its size, 0 after a failure box.
long fw_fetch_image(vuUI *ui, const char *url, const char *file, mxml_node_t *item);
// Uploads the image to the controller: 1 updated, -1 after the failure box.
int fw_flash(vuUI *ui, const char *file, long size, int mode, char *report);

#endif
