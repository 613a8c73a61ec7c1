#include "settings.h"
#include "ui_values.h"

#include "kfn_state.h"
#include "own_file.h"
#include "safe_file.h"
#include "str_helpers.h"
#include "terminal_helpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

mxml_node_t *settings_document = nullptr;
pthread_mutex_t settings_mutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

const char kDataDir[] = "./data/";
const char kResDir[] = "./res/";
const char kSettingsFile[] = "./data/kktsettings.xml";

// The loaded file lives under a container of our own: Mini-XML nests whatever
// follows an XML declaration inside the declaration's node, and a container
// keeps every top-level node of the file together for saving.
mxml_node_t *g_container = nullptr;
// The container the file's nodes load into. Its name ends in '>', which no
// closing tag can match: a stray "</>" makes the file unreadable instead of
// closing the container and leaving the nodes after it outside the tree.
const char *const kContainerName = "settings-file>";

struct MutexLock {
    MutexLock() { pthread_mutex_lock(&settings_mutex); }
    ~MutexLock() { pthread_mutex_unlock(&settings_mutex); }
};

void quiet_errors(const char *message)
{
    std::fprintf(stderr, "settings: %s\n", message);
}

bool is_element(mxml_node_t *node)
{
    return node && mxmlGetType(node) == MXML_ELEMENT && mxmlGetElement(node);
}

// The element "settings" at the top of the file, or inside its declaration.
mxml_node_t *find_root(mxml_node_t *container)
{
    for (mxml_node_t *n = mxmlGetFirstChild(container); n; n = mxmlGetNextSibling(n)) {
        if (!is_element(n))
            continue;
        if (std::strcmp(mxmlGetElement(n), "settings") == 0)
            return n;
        if (std::strncmp(mxmlGetElement(n), "?xml", 4) == 0)
            if (mxml_node_t *inner = find_xml_path(n, "settings"))
                return inner;
    }
    return nullptr;
}

void drop_tree()
{
    if (g_container)
        mxmlDelete(g_container);
    g_container = nullptr;
    settings_document = nullptr;
}

mxml_node_t *new_tree()
{
    g_container = mxmlNewElement(MXML_NO_PARENT, kContainerName);
    mxml_node_t *decl = mxmlNewXML("1.0");
    mxmlAdd(g_container, MXML_ADD_AFTER, MXML_ADD_TO_PARENT, decl);
    settings_document = mxmlNewElement(decl, "settings");
    return settings_document;
}

// Creates every missing element of a '/'-separated path below node.
mxml_node_t *make_xml_path(mxml_node_t *node, const char *path)
{
    while (node && *path) {
        const char *slash = std::strchr(path, '/');
        size_t len = slash ? static_cast<size_t>(slash - path) : std::strlen(path);
        char name[128];
        if (len == 0 || len >= sizeof name)
            return nullptr;
        std::memcpy(name, path, len);
        name[len] = '\0';
        mxml_node_t *child = find_xml_path(node, name);
        node = child ? child : mxmlNewElement(node, name);
        path = slash ? slash + 1 : path + len;
    }
    return node;
}

} // namespace

mxml_node_t *find_xml_path(mxml_node_t *node, const char *path)
{
    if (!node || !path)
        return nullptr;
    const char *slash = std::strchr(path, '/');
    size_t len = slash ? static_cast<size_t>(slash - path) : std::strlen(path);
    for (mxml_node_t *n = mxmlGetFirstChild(node); n; n = mxmlGetNextSibling(n)) {
        if (!is_element(n))
            continue;
        const char *name = mxmlGetElement(n);
        if (std::strlen(name) != len || std::memcmp(name, path, len) != 0)
            continue;
        return slash ? find_xml_path(n, slash + 1) : n;
    }
    return nullptr;
}

mxml_node_t *settings_load()
{
    MutexLock lock;
    drop_tree();
    mxmlSetErrorCallback(quiet_errors);
    mxmlSetWrapMargin(0);
    std::string text;
    switch (read_own_file(kSettingsFile, text)) {
    case OWN_FILE_MISSING:
        return new_tree();
    case OWN_FILE_REFUSED:
        // Treated as an unreadable file: no tree, so no save replaces it.
        return nullptr;
    case OWN_FILE_READ:
        break;
    }
    g_container = mxmlNewElement(MXML_NO_PARENT, kContainerName);
    // A NUL byte would end the text early: what comes before it is not the
    // file.
    bool text_only = std::memchr(text.data(), '\0', text.size()) == nullptr;
    if (!text_only || !mxmlLoadString(g_container, text.c_str(), MXML_OPAQUE_CALLBACK) ||
        !(settings_document = find_root(g_container))) {
        std::fprintf(stderr, "settings: %s is not a settings file: left as it is, running without settings\n",
                     kSettingsFile);
        drop_tree();
    }
    return settings_document;
}

mxml_node_t *settings_new()
{
    if (settings_document)
        return nullptr;
    drop_tree();
    return new_tree();
}

namespace {

// The save under the lock: 0, 1 (no tree) or -1 with the reason.
int save_locked(char *reason, size_t size)
{
    if (!settings_document || !g_container)
        return 1;
    mkdir(kDataDir, SAFE_MODE_DIR);
    mxmlSetWrapMargin(0);
    std::string text;
    for (mxml_node_t *n = mxmlGetFirstChild(g_container); n; n = mxmlGetNextSibling(n)) {
        // The first call tells the length, the second writes the node.
        char probe[1];
        int len = mxmlSaveString(n, probe, sizeof probe, MXML_NO_CALLBACK);
        size_t at = text.size();
        text.resize(at + static_cast<size_t>(len > 0 ? len : 0) + 1);
        if (len < 0 || mxmlSaveString(n, &text[at], len + 1, MXML_NO_CALLBACK) != len) {
            std::snprintf(reason, size, "the settings cannot be written out");
            return -1;
        }
        text.resize(at + static_cast<size_t>(len));
    }
    // WiFi keys, GPRS passwords and PINs: the owner's file alone.
    SafeFile file(kSettingsFile, SAFE_MODE_SECRET);
    if (file.Write(text.data(), text.size()) && file.Commit())
        return 0;
    std::snprintf(reason, size, "%s", file.Failure());
    return -1;
}

} // namespace

int settings_save()
{
    char reason[256] = "";
    int rc;
    {
        MutexLock lock;
        rc = save_locked(reason, sizeof reason);
    }
    if (rc < 0) {
        // Outside the settings lock: the log line goes over the service
        // queue, which has a lock of its own.
        std::fprintf(stderr, "settings: %s not saved: %s\n", kSettingsFile, reason);
        log_format("settings: %s not saved: %s", kSettingsFile, reason);
    }
    return rc;
}

void settings_free()
{
    MutexLock lock;
    drop_tree();
}

mxml_node_t *settings_root()
{
    return settings_document;
}

mxml_node_t *settings_node(const char *path)
{
    return find_xml_path(settings_document, path);
}

const char *settings_attr(const char *path, const char *key)
{
    mxml_node_t *node = settings_node(path);
    return node && key ? mxmlElementGetAttr(node, key) : nullptr;
}

const char *settings_get(const char *section, const char *key)
{
    if (!section || !key)
        return nullptr;
    return settings_attr(section, key);
}

void settings_set(const char *section, const char *key, const char *value)
{
    if (!section || !key || !value || !settings_document)
        return;
    if (mxml_node_t *node = make_xml_path(settings_document, section))
        mxmlElementSetAttr(node, key, value);
}

void settings_set_attr(const char *path, const char *key, const char *value)
{
    if (!key || !value)
        return;
    if (mxml_node_t *node = settings_node(path))
        mxmlElementSetAttr(node, key, value);
}

const char *settings_attr_for_device(const char *path, const char *key)
{
    mxml_node_t *section = settings_node(path);
    if (!section || !key)
        return nullptr;
    // The terminal's own entry: by serial number first, else by taxpayer
    // number. An empty number of the terminal matches nothing.
    mxml_node_t *found = nullptr;
    const char *serial = kkt_serial_number();
    const char *inn = kkt_inn();
    const struct {
        const char *attr, *own;
    } keys[] = {{"sn", serial}, {"inn", inn}};
    for (const auto &k : keys) {
        if (!k.own || !k.own[0])
            continue;
        for (mxml_node_t *n = mxmlGetFirstChild(section); n && !found; n = mxmlGetNextSibling(n)) {
            if (!is_element(n) || std::strcmp(mxmlGetElement(n), "moditem") != 0)
                continue;
            const char *v = mxmlElementGetAttr(n, k.attr);
            if (v && std::strcmp(v, k.own) == 0)
                found = n;
        }
        if (found)
            break;
    }
    if (found)
        if (const char *v = mxmlElementGetAttr(found, key))
            return v;
    return mxmlElementGetAttr(section, key);
}

mxml_node_t *settings_ofd_node()
{
    return settings_node("shift/ofd");
}

mxml_node_t *settings_oism_node()
{
    return settings_node("shift/oism");
}

void settings_exchange_address(mxml_node_t *section, char *host, size_t size, uint16_t *port)
{
    if (!section)
        return;
    const char *p = mxmlElementGetAttr(section, "port");
    if (p && *p && port)
        *port = static_cast<uint16_t>(parse_number(p));
    const char *h = mxmlElementGetAttr(section, "host");
    if (h && *h && host && size)
        str_copy(host, h, size);
}

const char *settings_root_dt()
{
    const char *v = settings_document ? mxmlElementGetAttr(settings_document, "dt") : nullptr;
    return v ? v : "";
}

const char *settings_root_info()
{
    const char *v = settings_document ? mxmlElementGetAttr(settings_document, "info") : nullptr;
    return v ? v : "";
}

int copy_xml_attributes(mxml_node_t *from, mxml_node_t *to)
{
    if (!is_element(from) || !is_element(to))
        return -1;
    int count = mxmlElementGetAttrCount(from);
    for (int i = 0; i < count; ++i) {
        const char *name = nullptr;
        const char *value = mxmlElementGetAttrByIndex(from, i, &name);
        if (name && value)
            mxmlElementSetAttr(to, name, value);
    }
    return count;
}

const char *res_dir(char *dst, int size)
{
    if (dst && size > 0)
        str_copy(dst, kResDir, static_cast<size_t>(size));
    return dst ? dst : kResDir;
}

const char *data_dir(char *dst, int size)
{
    if (dst && size > 0)
        str_copy(dst, kDataDir, static_cast<size_t>(size));
    return dst ? dst : kDataDir;
}

int parse_timeout_ms(const char *text, int default_ms)
{
    enum { None, Millis, Seconds, Invalid } unit = None;
    int fallback = default_ms > 0 ? default_ms : 45000;
    long long value = 0;
    const char *p = text ? text : "";
    const long long kMax = 2147483647LL; // saturate rather than wrap
    for (; *p >= '0' && *p <= '9'; ++p)
        value = value > kMax ? kMax + 1 : value * 10 + (*p - '0');
    if (*p) {
        while (*p == ' ')
            ++p;
        if ((p[0] == 'm' || p[0] == 'M') && (p[1] == 's' || p[1] == 'S'))
            unit = Millis;
        else if (p[0] == 's' || p[0] == 'S')
            unit = Seconds;
        else if (*p)
            unit = Invalid;
    }
    if (unit == Invalid)
        value = fallback;
    else if (unit == None)
        unit = value >= 1000 ? Millis : Seconds;
    if (unit == Seconds)
        value *= 1000;
    if (value > kMax)
        value = kMax;
    return value > 999 ? static_cast<int>(value) : 1000;
}
