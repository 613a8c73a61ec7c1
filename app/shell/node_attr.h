// Attributes of settings elements in the program's own text: values are
// UTF-8 in the XML tree and CP1251 in memory.
#ifndef APP_SHELL_NODE_ATTR_H
#define APP_SHELL_NODE_ATTR_H

#include <cstddef>
#include <mxml.h>

// Sets the attribute to the CP1251 text converted to UTF-8. A null element,
// name or text changes nothing.
void node_set_attr_cp1251(mxml_node_t *node, const char *name, const char *text);
// Copies the attribute's value as it stands (bounded by size, terminated);
// the destination is left alone when the attribute is absent.
void node_get_attr(mxml_node_t *node, const char *name, char *dst, size_t size);
// The attribute's value converted to CP1251 into the destination; an absent
// attribute gives the empty text.
void node_get_attr_cp1251(mxml_node_t *node, const char *name, char *dst, size_t size);

#endif
