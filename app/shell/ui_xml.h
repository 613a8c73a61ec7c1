// Small readers over Mini-XML trees for the UI-description loader: loading a
// whole file under a container node, element tests by name (exact or
// without regard to case), the opaque text of an element and typed
// attribute readers that follow the description format's number rules.
#ifndef APP_SHELL_UI_XML_H
#define APP_SHELL_UI_XML_H

#include <cstdint>
#include <mxml.h>

// Loads the file under a new container element (every top-level node of the
// file becomes its child). The file is read with read_own_file (own_file.h):
// a missing file and one it refuses (a FIFO, a device, a file over its size
// limit) both give -1, as a file that cannot be opened. Returns 0 and the
// container, -1 when the file cannot be read, -2 when it cannot be parsed.
// Free with mxmlDelete.
int xml_load_file(const char *path, mxml_node_t **container);
// The same over a text held in memory (-2 when it cannot be parsed).
int xml_load_text(const char *text, mxml_node_t **container);
// Text of Mini-XML's last complaint on this thread ("" when none).
const char *xml_last_error();

// True for a real element (not a declaration, comment or other markup).
bool xml_is_element(mxml_node_t *node);
// Element test: exact name / name in any case.
bool xml_name_is(mxml_node_t *node, const char *name);
bool xml_name_like(mxml_node_t *node, const char *name);
// Iteration over the element children of a node.
mxml_node_t *xml_first_element(mxml_node_t *node);
mxml_node_t *xml_next_element(mxml_node_t *node);
// First element of that exact name at any depth below root, in document
// order; null when none.
mxml_node_t *xml_find_exact(mxml_node_t *root, const char *name);
// The element's text: its first child when that is text; null otherwise.
const char *xml_text(mxml_node_t *element);
// The attribute's value, null when absent.
const char *xml_attr(mxml_node_t *element, const char *name);
bool xml_has(mxml_node_t *element, const char *name);
// Attribute read with parse_number (0 when absent or unreadable).
uint32_t xml_number(mxml_node_t *element, const char *name);
// Attribute read as a signed decimal integer (0 when absent).
int xml_int(mxml_node_t *element, const char *name);
// Attribute read with parse_color (0 when absent).
uint16_t xml_color(mxml_node_t *element, const char *name);

#endif
