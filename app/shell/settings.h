// The settings store: "./data/kktsettings.xml", one element per section under
// the root element "settings", each value an attribute of its section.
// Sections may be nested ("shift/ofd"). Every reader supplies its own default.
#ifndef APP_SHELL_SETTINGS_H
#define APP_SHELL_SETTINGS_H

#include <mxml.h>
#include <stddef.h>
#include <stdint.h>
#include <pthread.h>

extern mxml_node_t *settings_document; // the root element "settings", or null
extern pthread_mutex_t settings_mutex;  // guards load, save and free

// Reads the file with read_own_file (own_file.h): a missing file gives a
// new empty tree; a refused one (a FIFO, a device, a file over the size
// limit) or one that is not a settings file gives no tree, and the file is
// left as it is.
mxml_node_t *settings_load();
mxml_node_t *settings_new();
// Writes the whole tree: a temporary file in "./data/" (a leftover one is
// removed first; the new one is created exclusively, never through a
// symbolic link) renamed over the old one, so a failure leaves the previous
// file whole and no temporary file behind. 0 on success, 1 when no tree is
// loaded, -1 on a failure, which is told in one line on stderr and one in
// the controller service's log; the tree in memory is unchanged and the
// caller goes on.
int settings_save();
void settings_free();

mxml_node_t *settings_root();
mxml_node_t *settings_node(const char *path);
const char *settings_attr(const char *path, const char *key);
const char *settings_get(const char *section, const char *key);
void settings_set(const char *section, const char *key, const char *value);
// Sets the attribute on the element at the path when there is one; nothing
// otherwise (no element is created).
void settings_set_attr(const char *path, const char *key, const char *value);
// The attribute of the section at the path, overridden per terminal: the
// first child "moditem" whose "sn" is the terminal's serial number, else the
// first whose "inn" is its taxpayer number, lends its own attribute when it
// has one. Null when the section does not exist or neither has the key.
const char *settings_attr_for_device(const char *path, const char *key);
mxml_node_t *settings_ofd_node();
mxml_node_t *settings_oism_node();
// The server an exchange really reaches: its section ("shift/ofd",
// "shift/oism") names a host or port of its own that takes the place of the
// controller's record. host (size bytes) and port hold the record's on the
// way in and what is used on the way out.
void settings_exchange_address(mxml_node_t *section, char *host, size_t size, uint16_t *port);
const char *settings_root_dt();
const char *settings_root_info();

// The element at a '/'-separated path below node: the first child element of
// each exact name, no backtracking.
mxml_node_t *find_xml_path(mxml_node_t *node, const char *path);
// Sets every attribute of one element on another: the count copied, -1 when
// either is not an element.
int copy_xml_attributes(mxml_node_t *from, mxml_node_t *to);

const char *res_dir(char *dst, int size);
const char *data_dir(char *dst, int size);

// A time as "30", "1500", "2s", "250ms", "20 s": a bare number of 1000 or
// more counts as milliseconds, a smaller one as seconds; never below 1000.
int parse_timeout_ms(const char *text, int default_ms);

#endif
