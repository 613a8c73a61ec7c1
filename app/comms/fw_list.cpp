#include "fw_list.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "ui_xml.h"

mxml_node_t *fw_parse_list(const char *body, size_t length)
{
    if (!body || length == 0 || length > FW_LIST_MAX || memchr(body, 0, length))
        return nullptr;
    char text[FW_LIST_MAX + 1];
    memcpy(text, body, length);
    text[length] = 0;
    mxml_node_t *list = nullptr;
    return xml_load_text(text, &list) == 0 ? list : nullptr;
}

mxml_node_t *fw_list_firmware(mxml_node_t *list)
{
    return list ? mxmlFindElement(list, list, "firmware", nullptr, nullptr, MXML_DESCEND) : nullptr;
}

mxml_node_t *fw_first_item(mxml_node_t *fw)
{
    return fw ? mxmlFindElement(fw, fw, "item", nullptr, nullptr, MXML_DESCEND_FIRST) : nullptr;
}

mxml_node_t *fw_next_item(mxml_node_t *fw, mxml_node_t *item)
{
    return item ? mxmlFindElement(item, fw, "item", nullptr, nullptr, MXML_NO_DESCEND) : nullptr;
}

void fw_keep_model(mxml_node_t *fw, const char *model)
{
    mxml_node_t *item = fw_first_item(fw);
    while (item) {
        mxml_node_t *next = fw_next_item(fw, item);
        if (strcmp(fw_item_attr(item, "model"), model ? model : "") != 0)
            mxmlDelete(item);
        item = next;
    }
}

mxml_node_t *fw_find_type(mxml_node_t *fw, const char *type)
{
    for (mxml_node_t *item = fw_first_item(fw); item; item = fw_next_item(fw, item))
        if (strcmp(fw_item_attr(item, "type"), type ? type : "") == 0)
            return item;
    return nullptr;
}

const char *fw_item_attr(mxml_node_t *item, const char *name)
{
    const char *v = item ? mxmlElementGetAttr(item, name) : nullptr;
    return v ? v : "";
}

int fw_item_number(mxml_node_t *item, const char *name, long *value)
{
    const char *text = item ? mxmlElementGetAttr(item, name) : nullptr;
    if (!text || !*text)
        return -1;
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno || *end)
        return -1;
    *value = v;
    return 0;
}

int fw_version_newer(const char *current, const char *offered)
{
    auto digits = [](const char *v, int from) {
        int n = 0;
        for (int i = from; i < from + 3; ++i) {
            if (v[i] < '0' || v[i] > '9')
                return -1;
            n = n * 10 + (v[i] - '0');
        }
        return n;
    };
    if (!offered || strlen(offered) != 7)
        return -1;
    int newMajor = digits(offered, 1), newMinor = digits(offered, 4);
    if (newMajor < 0 || newMinor < 0)
        return -1;
    int curMajor = 0, curMinor = 0;
    if (current && strlen(current) >= 7) {
        curMajor = digits(current, 1);
        curMinor = digits(current, 4);
        if (curMajor < 0 || curMinor < 0)
            curMajor = curMinor = 0;
    }
    // Strictly newer as the pair (major, minor).
    return newMajor > curMajor || (newMajor == curMajor && newMinor > curMinor) ? 1 : 0;
}

int fw_url_is_secure(const char *url)
{
    static const char kScheme[] = "https://";
    const size_t n = sizeof kScheme - 1;
    // A host must follow the scheme.
    return url && strncasecmp(url, kScheme, n) == 0 && url[n] && url[n] != '/' ? 1 : 0;
}

int fw_image_url(const char *list_url, const char *file, char *out, size_t out_size)
{
    if (!list_url || !file || !out || out_size == 0)
        return -1;
    const char *slash = strrchr(list_url, '/');
    size_t base = slash ? static_cast<size_t>(slash - list_url) + 1 : 0;
    size_t total = base + strlen(file);
    if (total > FW_URL_MAX || total + 1 > out_size)
        return -1;
    memcpy(out, list_url, base);
    strcpy(out + base, file);
    return 0;
}
