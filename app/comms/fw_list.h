// The update server's list of firmware images: an XML `firmware` element
// of `item`s, each with "model", "type", "ver" (seven characters, "Xmmmnnn":
// a letter, the major and the minor version), "file" (its name beside the
// list) and "size" (bytes). Reading and checking it; no screens here.
#ifndef APP_COMMS_FW_LIST_H
#define APP_COMMS_FW_LIST_H

#include <mxml.h>
#include <stddef.h>

enum {
    FW_LIST_MAX = 4095,     // bytes of the list
    FW_IMAGE_MAX = 4194304, // bytes of an image
    FW_URL_MAX = 1023,      // characters of the image's URL
};

// The list's body parsed: null when it is not XML.
mxml_node_t *fw_parse_list(const char *body, size_t length);
// The list's `firmware` element, or null.
mxml_node_t *fw_list_firmware(mxml_node_t *list);
// The items of fw in their order: the first (null for none) and the one
// after item.
mxml_node_t *fw_first_item(mxml_node_t *fw);
mxml_node_t *fw_next_item(mxml_node_t *fw, mxml_node_t *item);
// Removes the items of fw whose "model" is not model.
void fw_keep_model(mxml_node_t *fw, const char *model);
// The first item of fw whose "type" is type, or null.
mxml_node_t *fw_find_type(mxml_node_t *fw, const char *type);
// An item's attribute; "" when it has none (or for no item).
const char *fw_item_attr(mxml_node_t *item, const char *name);
// An item's decimal attribute into value: 0, or -1 when it is missing or
// not wholly a number.
int fw_item_number(mxml_node_t *item, const char *name, long *value);

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

#endif
