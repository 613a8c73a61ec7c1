#include "conn_api.h"

#include <string.h>

#include <vector>

#include "bt_link.h"
#include "conn_bringup.h"
#include "conn_level.h"
#include "conn_record.h"
#include "error_box.h"
#include "list_page.h"
#include "settings.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "ui_values.h"
#include "vuMenu.h"
#include "vuMenuItem.h"
#include "vuProgressObject.h"
#include "vuUI.h"

pthread_mutex_t conn_mutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

const uint32_t kDefaultTimeoutMs = 45000;
const int kMaxStoredAps = 20;

class ConnLock {
public:
    ConnLock() { pthread_mutex_lock(&conn_mutex); }
    ~ConnLock() { pthread_mutex_unlock(&conn_mutex); }
    ConnLock(const ConnLock &) = delete;
    ConnLock &operator=(const ConnLock &) = delete;
};

bool isElement(mxml_node_t *node, const char *name)
{
    return node && mxmlGetType(node) == MXML_ELEMENT && strcmp(mxmlGetElement(node), name) == 0;
}

mxml_node_t *connections()
{
    mxml_node_t *root = settings_root();
    return root ? mxmlFindElement(root, root, "connections", nullptr, nullptr, MXML_DESCEND_FIRST) : nullptr;
}

std::vector<mxml_node_t *> connElements(mxml_node_t *section)
{
    std::vector<mxml_node_t *> out;
    for (mxml_node_t *c = section ? mxmlGetFirstChild(section) : nullptr; c; c = mxmlGetNextSibling(c))
        if (isElement(c, "conn"))
            out.push_back(c);
    return out;
}

// The link-type menu when nothing is configured: the type into
// conn_new_type when a row is accepted.
void chooseType(vuUI *ui)
{
    ListPage page(ui, conn_menu_new("ТИП СОЕДИНЕНИЯ"));
    vuMenu *menu = page.menu();
    conn_menu_add(menu, "GPRS/GSM моб.сеть", CONN_GPRS);
    conn_menu_add(menu, "WiFi точка доступа", CONN_WIFI);
    conn_menu_add(menu, "LAN-USB адаптер", CONN_ETH1);
    if (bt_available())
        conn_menu_add(menu, "Bluetooth", CONN_BT);
    const char *preset = settings_get("conn", "Default");
    uint32_t row = preset ? parse_number(preset) : 0;
    if (row >= 1 && row <= 3)
        menu->SelectOnReset(static_cast<unsigned short>(row - 1));
    if (page.show() == 1)
        if (MENU_ITEM_EXT *ext = menu->GetSelectedExt())
            conn_new_type = static_cast<uint16_t>(ext->tag);
}

// The connection menu over several elements: the chosen one, or null.
mxml_node_t *chooseConn(vuUI *ui, const std::vector<mxml_node_t *> &elements)
{
    ListPage page(ui, conn_menu_new("ВЫБОР СОЕДИНЕНИЯ"));
    vuMenu *menu = page.menu();
    unsigned number = 0;
    for (mxml_node_t *e : elements) {
        char text[128];
        const char *name = mxmlElementGetAttr(e, "name");
        ++number;
        if (name)
            utf8_to_cp1251(name, text, sizeof text);
        else
            str_format(text, sizeof text, "СОЕДИНЕНИЕ %u", number);
        conn_menu_add(menu, text, reinterpret_cast<unsigned long>(e));
    }
    menu->SetItemsBorder(1);
    menu->SetItemsTransparency(1);
    mxml_node_t *taken = nullptr;
    if (page.show() == 1)
        if (MENU_ITEM_EXT *ext = menu->GetSelectedExt())
            taken = reinterpret_cast<mxml_node_t *>(ext->tag);
    return taken;
}

void setIpZero(mxml_node_t *e, const conn_record &r)
{
    mxmlElementSetAttrf(e, "dhcp", "%u", static_cast<unsigned>(r.dhcp));
    for (const char *name : {"ip", "mask", "gw", "dns"})
        mxmlElementSetAttr(e, name, "0.0.0.0");
}

void setIfAny(mxml_node_t *e, const char *name, const char *value)
{
    if (value && *value)
        mxmlElementSetAttr(e, name, value);
}

// A link brought up without a configured element is stored as a new `conn`
// element of its type, and the settings file saved.
void storeNewConn(uint16_t type)
{
    const char *keyword = conn_type_keyword(type);
    mxml_node_t *root = settings_root();
    if (!keyword || !root)
        return;
    mxml_node_t *section = connections();
    if (!section)
        section = mxmlNewElement(root, "connections");
    mxml_node_t *e = mxmlNewElement(section, "conn");
    mxmlElementSetAttr(e, "name", keyword);
    mxmlElementSetAttr(e, "type", keyword);
    const conn_record &r = conn_active;
    switch (type) {
    case CONN_WIFI:
        mxmlElementSetAttr(e, "apn", r.wifi.Essid);
        if (r.wifi.SecMode)
            mxmlElementSetAttrf(e, "encrypt", "%u", static_cast<unsigned>(r.wifi.SecMode));
        if (r.wifi.u.Psk.KeyLen)
            mxmlElementSetAttr(e, "pass", r.wifi.u.Psk.Key);
        mxmlElementSetAttr(e, "timeout", "45s");
        setIpZero(e, r);
        break;
    case CONN_GPRS:
        setIfAny(e, "apn", r.gprs_apn);
        setIfAny(e, "login", r.gprs_login);
        setIfAny(e, "pass", r.gprs_pass);
        setIfAny(e, "pin", r.gprs_pin);
        mxmlElementSetAttrf(e, "slot", "%u", static_cast<unsigned>(r.gprs_slot));
        mxmlElementSetAttr(e, "timeout", "45s");
        break;
    case CONN_ETH1:
        setIpZero(e, r);
        break;
    case CONN_BT:
        mxmlElementSetAttrf(e, "btTimeScan", "%u", static_cast<unsigned>(r.bt_scan_time));
        setIfAny(e, "btPinCode", r.bt_pin);
        setIfAny(e, "btname", r.bt_name);
        setIfAny(e, "btmac", r.bt_mac);
        setIpZero(e, r);
        break;
    default:
        break;
    }
    settings_save();
}

// Brings up the active record by its kind.
int bringUp(vuUI *ui)
{
    switch (conn_active.type) {
    case CONN_WIFI:
        return conn_up_wifi(ui, &conn_active);
    case CONN_GPRS:
        return conn_up_gprs(ui, &conn_active);
    case CONN_ETH1:
        return conn_up_ip(ui, CONN_IF_ETH1, &conn_active);
    case CONN_BT:
        return bt_connect_pan(ui, &conn_active);
    default:
        return 0;
    }
}

// A failed bring-up of a new link: the module it opened is closed (the
// teardown goes by the record's kind) and the record cleared.
void teardownAs(uint16_t type)
{
    conn_active.type = type;
    conn_teardown();
}

// Hooks a level function to the status line's "netlevel" and shows it.
void hookLevel(vuUI *ui, vuLevelFunc func)
{
    vuProgressObject *item = dynamic_cast<vuProgressObject *>(status_netlevel_item(ui));
    if (!ui || !item)
        return;
    conn_level_reset();
    ui->EnableStatusLine(0);
    conn_net_item = item;
    item->SetUserFunc(func);
    item->SetVisible(1);
    ui->EnableStatusLine(1);
}

// The end of a connect under the lock: a failure leaves no active record;
// a success is published, remembered by name and shown on the status line.
int finishConnect(vuUI *ui, int result)
{
    if (result != 0) {
        conn_clear_active();
        return result;
    }
    conn_publish_type();
    str_copy(conn_last_name, conn_active.name, sizeof conn_last_name);
    if (ui)
        hookLevel(ui, conn_netlevel_draw);
    return 0;
}

} // namespace

int conn_connect(vuUI *ui, const char *name)
{
    ConnLock lock;
    int result = conn_is_up() ? 0 : conn_connect_named(ui, name);
    return finishConnect(ui, result);
}

int conn_connect_named(vuUI *ui, const char *name)
{
    mxml_node_t *element = conn_find(ui, name);
    if (element) {
        if (conn_from_xml(element, &conn_active) != 0) {
            conn_clear_active();
            error_box(ui, "НЕПРАВИЛЬНЫЕ ПАРАМЕТРЫ СОЕДИНЕНИЯ");
            return -1;
        }
        conn_publish_type();
        int result = bringUp(ui);
        if (result != 0 && conn_active.type != CONN_NONE)
            conn_teardown();
        return result;
    }
    uint16_t type = conn_new_type;
    if (type == CONN_NONE)
        return -1;
    conn_active.dhcp = 1;
    conn_active.timeout_ms = kDefaultTimeoutMs;
    int result = -1;
    switch (type) {
    case CONN_WIFI:
        result = conn_up_wifi(ui, &conn_active);
        str_copy(conn_active.name, "WIFI", sizeof conn_active.name);
        break;
    case CONN_GPRS:
        result = gprs_operator_menu(ui) == 1 ? conn_up_gprs(ui, &conn_active) : -5;
        str_copy(conn_active.name, "GPRS", sizeof conn_active.name);
        break;
    case CONN_ETH1:
        result = conn_up_ip(ui, CONN_IF_ETH1, &conn_active);
        str_copy(conn_active.name, "ETH1", sizeof conn_active.name);
        break;
    case CONN_BT:
        conn_active.timeout_ms = 30000;
        conn_active.bt_scan_time = 10;
        memset(conn_active.bt_mac, 0, sizeof conn_active.bt_mac);
        str_copy(conn_active.bt_pin, "7351", sizeof conn_active.bt_pin);
        result = bt_connect_pan(ui, &conn_active);
        str_copy(conn_active.name, "BLUETOOTH", sizeof conn_active.name);
        break;
    default:
        break;
    }
    if (result != 0) {
        teardownAs(type);
        return result;
    }
    conn_active.type = type;
    conn_publish_type();
    storeNewConn(type);
    return 0;
}

mxml_node_t *conn_find(vuUI *ui, const char *name)
{
    conn_new_type = CONN_NONE;
    std::vector<mxml_node_t *> elements = connElements(connections());
    if (!connections() || (ui && elements.empty())) {
        if (ui)
            chooseType(ui);
        return nullptr;
    }
    mxml_node_t *taken = nullptr;
    if (!ui || name) {
        for (mxml_node_t *e : elements) {
            const char *own = mxmlElementGetAttr(e, "name");
            if (!name || (own && strcmp(own, name) == 0)) {
                taken = e;
                break;
            }
        }
        if (!ui && !taken && !elements.empty())
            taken = elements.front();
    }
    if (ui && !taken)
        taken = elements.size() == 1 ? elements.front() : chooseConn(ui, elements);
    return taken;
}

mxml_node_t *conn_find_configured(vuUI *ui, const char *name)
{
    conn_new_type = CONN_NONE;
    mxml_node_t *section = connections();
    if (!section) {
        error_box(ui, "НЕ НАЙДЕН РАЗДЕЛ 'connections' В ФАЙЛЕ НАСТРОЕК\nsettings.xml");
        return nullptr;
    }
    std::vector<mxml_node_t *> elements = connElements(section);
    if (elements.empty()) {
        error_box(ui, "В ФАЙЛЕ НАСТРОЕК НЕ НАЙДЕНО ОПИСАНИЙ СОЕДИНЕНИЙ (РАЗДЕЛ 'conn')\nsettings.xml");
        return nullptr;
    }
    return conn_find(ui, name);
}

int conn_up_record(vuUI *ui, mxml_node_t *element)
{
    if (conn_from_xml(element, &conn_active) != 0) {
        conn_clear_active();
        error_box(ui, "НЕПРАВИЛЬНЫЕ ПАРАМЕТРЫ СОЕДИНЕНИЯ");
        return -1;
    }
    conn_publish_type();
    int result;
    switch (conn_active.type) {
    case CONN_BT_COM:
        result = bt_connect_spp(ui, &conn_active);
        break;
    case CONN_WIFI:
    case CONN_GPRS:
    case CONN_ETH1:
    case CONN_BT:
        result = bringUp(ui);
        break;
    default:
        conn_clear_active();
        error_box(ui, "НЕ ЗАДАН ТИП СОЕДИНЕНИЯ");
        return -1;
    }
    if (result != 0 && conn_active.type != CONN_NONE)
        conn_teardown();
    return result;
}

int conn_connect_element(vuUI *ui, mxml_node_t *element)
{
    ConnLock lock;
    if (conn_is_up())
        conn_teardown();
    int result = conn_up_record(ui, element);
    return finishConnect(ui, result);
}

int wifi_retry_connect()
{
    int expected = -2;
    if (!ext_net_level.compare_exchange_strong(expected, -1))
        return expected;
    OsWifiDisconnect();
    OsWifiConnect(&conn_active.wifi, 0);
    return -2;
}

int conn_ensure(vuUI *ui, int force)
{
    if (conn_is_up()) {
        conn_recheck(ui, force);
        return 1;
    }
    const char *name = nullptr;
    if (mxml_node_t *ofd = settings_ofd_node())
        name = mxmlElementGetAttr(ofd, "name");
    if (!name)
        name = settings_get("cardmodule", "name");
    return conn_connect(ui, name) != 0 ? -1 : 0;
}

int conn_open(vuUI *ui)
{
    return conn_ensure(ui, 0);
}

void conn_close(int keep)
{
    if (keep)
        conn_set_route();
    else
        conn_disconnect();
}

void conn_disconnect()
{
    if (vuProgressObject *item = conn_net_item) {
        vuUI *ui = vuUI::GetUI();
        if (ui)
            ui->EnableStatusLine(0);
        item->SetVisible(0);
        item->SetUserFunc(nullptr);
        conn_net_item = nullptr;
        if (ui)
            ui->EnableStatusLine(1);
    }
    ConnLock lock;
    conn_teardown();
}

int conn_recheck(vuUI *ui, int force)
{
    if (!conn_is_up())
        return -1;
    switch (conn_active.type) {
    case CONN_GPRS: {
        ConnLock lock;
        return force || OsWlCheck() != 0 ? conn_up_gprs(ui, &conn_active) : 0;
    }
    case CONN_BT: {
        ConnLock lock;
        return force ? bt_connect_pan(ui, &conn_active) : 0;
    }
    case CONN_WIFI: {
        ConnLock lock;
        char essid[33], bssid[20];
        int rssi = 0;
        return force || OsWifiCheck(essid, bssid, &rssi) != 0 ? conn_up_wifi(ui, &conn_active) : 0;
    }
    default:
        return 0;
    }
}

int ext_connect_bt_pan(vuUI *ui)
{
    conn_active.type = CONN_BT;
    conn_active.timeout_ms = 30000;
    conn_publish_type();
    int result = bt_connect_pan(ui, &conn_active);
    if (result != 0) {
        conn_teardown();
        return result;
    }
    if (ui)
        hookLevel(ui, ext_netlevel_draw);
    return 0;
}

int ext_connect_wifi(vuUI *ui)
{
    int result = wifi_choose_ap(ui, "", 1);
    if (result == 0 && ui)
        hookLevel(ui, ext_netlevel_draw);
    return result;
}

int wifi_choose_ap(vuUI *ui, const char *, int mode)
{
    if (mode != 1)
        return -1;
    conn_new_type = CONN_WIFI;
    conn_record &r = conn_active;
    r.dhcp = 1;
    r.timeout_ms = kDefaultTimeoutMs;
    str_copy(r.name, "WIFI", sizeof r.name);
    memset(r.wifi.Essid, 0, sizeof r.wifi.Essid);
    memset(r.wifi.u.Psk.Key, 0, sizeof r.wifi.u.Psk.Key);
    r.wifi.u.Psk.KeyLen = 0;

    // Access points stored with their key.
    struct Stored {
        const char *ssid;
        const char *key;
    };
    std::vector<Stored> stored;
    for (mxml_node_t *e : connElements(connections())) {
        const char *type = mxmlElementGetAttr(e, "type");
        const char *apn = mxmlElementGetAttr(e, "apn");
        const char *pass = mxmlElementGetAttr(e, "pass");
        if (type && strcmp(type, "WIFI") == 0 && apn && pass && static_cast<int>(stored.size()) < kMaxStoredAps)
            stored.push_back({apn, pass});
    }
    bool isNew = true;
    if (ui && !stored.empty()) {
        ListPage page(ui, conn_menu_new("ВЫБОР WIFI"));
        conn_menu_add(page.menu(), "НОВАЯ ТОЧКА");
        for (const Stored &s : stored)
            conn_menu_add(page.menu(), s.ssid);
        int state = page.show();
        unsigned row = page.menu()->GetSelected();
        page.close();
        if (state != 1)
            return -1;
        if (row > 1 && row - 2 < stored.size()) {
            str_copy(r.wifi.Essid, stored[row - 2].ssid, sizeof r.wifi.Essid);
            str_copy(r.wifi.u.Psk.Key, stored[row - 2].key, sizeof r.wifi.u.Psk.Key);
            r.wifi.u.Psk.KeyLen = static_cast<uint32_t>(strlen(r.wifi.u.Psk.Key));
            isNew = false;
        }
    }
    int result = conn_up_wifi(ui, &r);
    if (result != 0) {
        teardownAs(CONN_WIFI);
        return result;
    }
    r.type = conn_new_type;
    conn_publish_type();
    if (isNew)
        storeNewConn(CONN_WIFI);
    return 0;
}
