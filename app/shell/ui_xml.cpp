#include "ui_xml.h"

#include "own_file.h"
#include "ui_values.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

thread_local char g_lastError[256];

// Mini-XML reports through a callback; the loader tells its caller through
// error codes, so the text is only kept for a log line.
void keep_error(const char *message)
{
    std::snprintf(g_lastError, sizeof g_lastError, "%s", message ? message : "");
}

void prepare()
{
    g_lastError[0] = '\0';
    mxmlSetErrorCallback(keep_error);
    mxmlSetWrapMargin(0);
}

} // namespace

int xml_load_file(const char *path, mxml_node_t **container)
{
    *container = nullptr;
    prepare();
    std::string text;
    if (read_own_file(path, text) != OWN_FILE_READ)
        return -1;
    // XML holds no NUL byte: one would end the text early and could leave
    // a well-formed beginning to be taken for the whole file.
    if (std::memchr(text.data(), '\0', text.size())) {
        keep_error("NUL byte in the file");
        return -2;
    }
    return xml_load_text(text.c_str(), container);
}

int xml_load_text(const char *text, mxml_node_t **container)
{
    *container = nullptr;
    if (!text)
        return -2;
    prepare();
    // The container's name ends in '>', which no closing tag can match: a
    // stray "</>" is a mismatched tag (the text is refused) instead of
    // closing the container and leaving what follows without a parent.
    mxml_node_t *top = mxmlNewElement(MXML_NO_PARENT, "xml-text>");
    if (!mxmlLoadString(top, text, MXML_OPAQUE_CALLBACK)) {
        mxmlDelete(top);
        return -2;
    }
    *container = top;
    return 0;
}

const char *xml_last_error()
{
    return g_lastError;
}

bool xml_is_element(mxml_node_t *node)
{
    if (!node || mxmlGetType(node) != MXML_ELEMENT)
        return false;
    const char *name = mxmlGetElement(node);
    // Declarations, comments and CDATA come back as elements named "?...",
    // "!--..." and "![CDATA[...".
    return name && *name && *name != '?' && *name != '!';
}

bool xml_name_is(mxml_node_t *node, const char *name)
{
    return xml_is_element(node) && std::strcmp(mxmlGetElement(node), name) == 0;
}

bool xml_name_like(mxml_node_t *node, const char *name)
{
    return xml_is_element(node) && strcasecmp(mxmlGetElement(node), name) == 0;
}

mxml_node_t *xml_first_element(mxml_node_t *node)
{
    mxml_node_t *n = node ? mxmlGetFirstChild(node) : nullptr;
    while (n && !xml_is_element(n))
        n = mxmlGetNextSibling(n);
    return n;
}

mxml_node_t *xml_next_element(mxml_node_t *node)
{
    mxml_node_t *n = node ? mxmlGetNextSibling(node) : nullptr;
    while (n && !xml_is_element(n))
        n = mxmlGetNextSibling(n);
    return n;
}

mxml_node_t *xml_find_exact(mxml_node_t *root, const char *name)
{
    // Iterative pre-order walk: a deeply nested file must not exhaust the
    // stack.
    mxml_node_t *n = root ? mxmlGetFirstChild(root) : nullptr;
    while (n) {
        if (xml_name_is(n, name))
            return n;
        if (mxmlGetFirstChild(n)) {
            n = mxmlGetFirstChild(n);
            continue;
        }
        while (n && n != root && !mxmlGetNextSibling(n))
            n = mxmlGetParent(n);
        if (!n || n == root)
            return nullptr;
        n = mxmlGetNextSibling(n);
    }
    return nullptr;
}

const char *xml_text(mxml_node_t *element)
{
    mxml_node_t *child = element ? mxmlGetFirstChild(element) : nullptr;
    if (!child)
        return nullptr;
    if (mxmlGetType(child) == MXML_OPAQUE)
        return mxmlGetOpaque(child);
    if (mxmlGetType(child) == MXML_TEXT)
        return mxmlGetText(child, nullptr);
    return nullptr;
}

const char *xml_attr(mxml_node_t *element, const char *name)
{
    return element && name ? mxmlElementGetAttr(element, name) : nullptr;
}

bool xml_has(mxml_node_t *element, const char *name)
{
    return xml_attr(element, name) != nullptr;
}

uint32_t xml_number(mxml_node_t *element, const char *name)
{
    return parse_number(xml_attr(element, name));
}

int xml_int(mxml_node_t *element, const char *name)
{
    const char *v = xml_attr(element, name);
    return v ? std::atoi(v) : 0;
}

uint16_t xml_color(mxml_node_t *element, const char *name)
{
    return parse_color(xml_attr(element, name));
}
