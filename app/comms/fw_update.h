// The controller's firmware update: the list of images from an update
// server over HTTPS, the image for this cash register's model when
// it is newer than the controller's firmware, its download to
// "./data/update.bin" and its upload to the controller with YMODEM
// (1024-byte blocks, CRC-16/XMODEM) over the monitor channel. Every step
// adds a line to a text report that the dialog shows and can print.
//
// The server's certificate and host name are checked against the system's
// CA store and the CA file FW_CA_FILE when the terminal carries one. An
// address of plain HTTP (or any other scheme) is refused with a box before
// anything is fetched: an image nobody vouched for never reaches the
// controller.
#ifndef APP_COMMS_FW_UPDATE_H
#define APP_COMMS_FW_UPDATE_H

#include <mxml.h>
#include <stddef.h>
#include <stdint.h>

class vuUI;

#define FW_CA_FILE "./data/fw_ca.pem"

enum {
    FW_REPORT_SIZE = 4096,
    FW_LIST_MAX = 4095,           // bytes of the list
    FW_IMAGE_MAX = 4194304,       // bytes of an image
    FW_URL_MAX = 1023,            // characters of the image's URL
    YMODEM_HEADER_BLOCK = 133,    // SOH, number, complement, 128, CRC
    YMODEM_DATA_BLOCK = 1029,     // STX, number, complement, 1024, CRC
};

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
// The list's body parsed: null when it is not XML. Exposed for the fuzzer.
mxml_node_t *fw_parse_list(const char *body, size_t length);
// The item for the model and type (either may be empty: unknown); items of
// other models are removed from the list. Null when none was chosen.
mxml_node_t *fw_choose_model(vuUI *ui, mxml_node_t *list, const char *model, const char *type);
// 1 when the item's "ver" is newer than `current` and the operator agreed;
// 0 otherwise (after its box).
int fw_check_version(vuUI *ui, mxml_node_t *item, const char *current);
// Compares versions "Xmmmnnn": 1 when offered is newer (major higher, or
// the same major and minor higher), 0 when not, -1 when offered is not
// seven characters with digits at 1 to 6. A current version that cannot be
// read counts as 0.0.
int fw_version_newer(const char *current, const char *offered);
// 1 when url is one the update takes: "https://" (in any case) and a host.
int fw_url_is_secure(const char *url);
// The image's URL: the list URL up to its last "/" and the file name. 0, or
// -1 when it exceeds FW_URL_MAX characters or out_size.
int fw_image_url(const char *list_url, const char *file, char *out, size_t out_size);
// Downloads the item's image to `file`: its size, 0 after a failure box.
long fw_fetch_image(vuUI *ui, const char *url, const char *file, mxml_node_t *item);
// Uploads the image to the controller: 1 updated, -1 after the failure box.
int fw_flash(vuUI *ui, const char *file, long size, int mode, char *report);
// "./data/update.bin" in the program's data folder.
const char *fw_image_path();

// YMODEM blocks. The header: the name, NUL, the size in decimal, zeros;
// -1 when they do not fit the 128 bytes (or the name is empty), else the
// block's size. A data block of len (at most 1024) bytes, zero-filled.
// The closing block is the header block of an empty name and no size.
int ymodem_header_block(const char *name, uint32_t size, uint8_t *out);
int ymodem_data_block(uint32_t number, const uint8_t *data, size_t len, uint8_t *out);
int ymodem_closing_block(uint8_t *out);
uint16_t crc16_xmodem(const uint8_t *data, size_t len);

#endif
