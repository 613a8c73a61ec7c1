#include "node_attr.h"

#include <stdlib.h>
#include <string.h>

#include "str_helpers.h"
#include "ui_values.h"

void node_set_attr_cp1251(mxml_node_t *node, const char *name, const char *text)
{
    if (!node || !name || !text)
        return;
    // One CP1251 byte takes up to three UTF-8 bytes ("№", "€").
    size_t size = 3 * strlen(text) + 1;
    char *utf8 = static_cast<char *>(malloc(size));
    if (!utf8)
        return;
    cp1251_to_utf8(text, utf8, static_cast<unsigned>(size));
    mxmlElementSetAttr(node, name, utf8);
    free(utf8);
}

void node_get_attr(mxml_node_t *node, const char *name, char *dst, size_t size)
{
    if (!node || !name)
        return;
    const char *value = mxmlElementGetAttr(node, name);
    if (value)
        str_copy(dst, value, size);
}

void node_get_attr_cp1251(mxml_node_t *node, const char *name, char *dst, size_t size)
{
    if (!dst || size == 0)
        return;
    const char *value = node && name ? mxmlElementGetAttr(node, name) : nullptr;
    utf8_to_cp1251(value, dst, static_cast<unsigned>(size));
}
