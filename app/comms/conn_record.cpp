#include "conn_record.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>

#include "error_box.h"
#include "message_box.h"
#include "settings.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "ui_values.h"

conn_record conn_active;
conn_record conn_saved;
uint16_t conn_new_type;
uint16_t conn_new_type_saved;
char conn_last_name[64];
std::atomic<int> ext_net_level{-1};
vuProgressObject *conn_net_item;

namespace {

std::atomic<uint16_t> g_publishedType{0};

const uint32_t kDefaultTimeoutMs = 45000;
const uint32_t kBtWaitMinMs = 5000, kBtWaitMaxMs = 60000, kBtWaitDefaultMs = 30000;

const char *attr(mxml_node_t *element, const char *name)
{
    return mxmlElementGetAttr(element, name);
}

// Copies an attribute when present, cut to the field.
void readText(mxml_node_t *element, const char *name, char *dst, size_t size)
{
    if (const char *v = attr(element, name))
        str_copy(dst, v, size);
}

// A decimal attribute; 0 when absent.
long readDecimal(mxml_node_t *element, const char *name)
{
    const char *v = attr(element, name);
    return v ? strtol(v, nullptr, 10) : 0;
}

// A decimal attribute as the connection editor reads it: true when
// present, its value (strtoul) in *out.
bool readUnsigned(mxml_node_t *element, const char *name, unsigned long *out)
{
    const char *v = attr(element, name);
    if (!v)
        return false;
    *out = strtoul(v, nullptr, 10);
    return true;
}

bool typeIs(mxml_node_t *element, const char *keyword)
{
    const char *t = attr(element, "type");
    return t && strcmp(t, keyword) == 0;
}

void readTimeout(mxml_node_t *element, conn_record *r)
{
    if (const char *v = attr(element, "timeout"))
        r->timeout_ms = static_cast<uint32_t>(parse_timeout_ms(v, 0));
}

void readAddresses(mxml_node_t *element, conn_record *r)
{
    readText(element, "ip", r->ip, sizeof r->ip);
    readText(element, "mask", r->mask, sizeof r->mask);
    readText(element, "gw", r->gw, sizeof r->gw);
    readText(element, "dns", r->dns, sizeof r->dns);
}

// The cellular attributes; the SIM slot only where there is more than one
// socket.
void readGprs(mxml_node_t *element, conn_record *r)
{
    readText(element, "apn", r->gprs_apn, sizeof r->gprs_apn);
    readText(element, "login", r->gprs_login, sizeof r->gprs_login);
    readText(element, "pass", r->gprs_pass, sizeof r->gprs_pass);
    readText(element, "pin", r->gprs_pin, sizeof r->gprs_pin);
    if (sim_socket_count() > 1 && attr(element, "slot"))
        r->gprs_slot = static_cast<uint8_t>(readDecimal(element, "slot"));
}

bool isEapMode(int32_t auth)
{
    return auth == OS_WIFI_AUTH_WPA_EAP || auth == OS_WIFI_AUTH_WPA_WPA2_EAP || auth == OS_WIFI_AUTH_WPA2_EAP;
}

int32_t authByKeyword(const char *v)
{
    static const struct {
        const char *word;
        int32_t mode;
    } kModes[] = {{"WPA", 5}, {"WPA_WPA2", 7}, {"WPA2", 9}, {"WPA_EAP", 6}, {"WPA_WPA2_EAP", 8}, {"WPA2_EAP", 10}};
    for (const auto &m : kModes)
        if (v && strcmp(v, m.word) == 0)
            return m.mode;
    return 0;
}

uint32_t cipherByKeyword(const char *v)
{
    if (!v)
        return 0;
    if (strcmp(v, "WEP") == 0)
        return OS_WIFI_CIPHER_WEP;
    if (strcmp(v, "TKIP") == 0)
        return OS_WIFI_CIPHER_TKIP;
    if (strcmp(v, "AES") == 0)
        return OS_WIFI_CIPHER_AES;
    return 0;
}

// An EAP file is named relative to the data folder.
void readDataPath(mxml_node_t *element, const char *name, char *dst, size_t size)
{
    if (const char *v = attr(element, name))
        str_format(dst, size, "./data/%s", v);
}

void readWifi(mxml_node_t *element, conn_record *r)
{
    OsWifiApSet &w = r->wifi;
    readText(element, "apn", w.Essid, sizeof w.Essid);
    w.AuthMode = authByKeyword(attr(element, "auth"));
    w.SecMode |= cipherByKeyword(attr(element, "encrypt"));
    if (isEapMode(w.AuthMode)) {
        readText(element, "pass", w.u.Eap.Password, sizeof w.u.Eap.Password);
        w.u.Eap.Type = static_cast<int32_t>(readDecimal(element, "eap_type"));
        readText(element, "eap_id", w.u.Eap.Identity, sizeof w.u.Eap.Identity);
        readDataPath(element, "eap_ca", w.u.Eap.CaCert, sizeof w.u.Eap.CaCert);
        readDataPath(element, "eap_client", w.u.Eap.ClientCert, sizeof w.u.Eap.ClientCert);
        readDataPath(element, "eap_pkey", w.u.Eap.PrivateKey, sizeof w.u.Eap.PrivateKey);
        readText(element, "eap_pkey_pass", w.u.Eap.PrivateKeyPass, sizeof w.u.Eap.PrivateKeyPass);
    } else if (attr(element, "pass")) {
        readText(element, "pass", w.u.Psk.Key, sizeof w.u.Psk.Key);
        w.u.Psk.KeyLen = static_cast<uint32_t>(strlen(w.u.Psk.Key));
    }
}

void readBluetooth(mxml_node_t *element, conn_record *r)
{
    if (const char *v = attr(element, "btTimeScan"))
        r->bt_scan_time = static_cast<uint16_t>(parse_number(v));
    readText(element, "btPinCode", r->bt_pin, sizeof r->bt_pin);
    readText(element, "btname", r->bt_name, sizeof r->bt_name);
    readText(element, "btmac", r->bt_mac, sizeof r->bt_mac);
    if (const char *v = attr(element, "btTimeWaitConnect"))
        r->bt_wait_connect_ms = parse_number(v) * 1000u;
    if (r->bt_wait_connect_ms < kBtWaitMinMs || r->bt_wait_connect_ms > kBtWaitMaxMs)
        r->bt_wait_connect_ms = kBtWaitDefaultMs;
}

// Sets the attribute to the text, or removes it when the text is empty (a
// cleared value must not stay behind in the file).
void writeOrRemove(mxml_node_t *element, const char *name, const char *value)
{
    if (value && *value)
        mxmlElementSetAttr(element, name, value);
    else
        mxmlElementDeleteAttr(element, name);
}

void writeNumber(mxml_node_t *element, const char *name, unsigned long value)
{
    mxmlElementSetAttrf(element, name, "%lu", value);
}

void writeNonZero(mxml_node_t *element, const char *name, unsigned long value)
{
    if (value)
        writeNumber(element, name, value);
    else
        mxmlElementDeleteAttr(element, name);
}

void writeIp(mxml_node_t *element, const conn_record &r)
{
    writeNumber(element, "dhcp", r.dhcp);
    writeOrRemove(element, "ip", r.ip);
    writeOrRemove(element, "mask", r.mask);
    writeOrRemove(element, "gw", r.gw);
    writeOrRemove(element, "dns", r.dns);
}

void writeBluetooth(mxml_node_t *element, const conn_record &r)
{
    writeNumber(element, "btTimeScan", r.bt_scan_time);
    writeOrRemove(element, "btPinCode", r.bt_pin);
    writeOrRemove(element, "btname", r.bt_name);
    writeOrRemove(element, "btmac", r.bt_mac);
    mxmlElementSetAttrf(element, "timeout", "%ums", static_cast<unsigned>(r.timeout_ms));
}

// Per-thread storage of hosts_resolve's answer.
struct HostEntry {
    enum { kMaxAddresses = 8 };
    struct hostent entry;
    char name[256];
    char *aliases[1];
    in_addr addresses[kMaxAddresses];
    char *list[kMaxAddresses + 1];
};

} // namespace

void conn_publish_type()
{
    g_publishedType.store(conn_active.type, std::memory_order_release);
}

uint16_t conn_published_type()
{
    return g_publishedType.load(std::memory_order_acquire);
}

void conn_clear_active()
{
    memset(&conn_active, 0, sizeof conn_active);
    conn_publish_type();
}

const char *conn_type_keyword(uint16_t type)
{
    switch (type) {
    case CONN_WIFI:
        return "WIFI";
    case CONN_GPRS:
        return "GPRS";
    case CONN_ETH1:
        return "ETH1";
    case CONN_BT:
        return "Bluetooth";
    case CONN_BT_COM:
        return "BluetoothCOM";
    default:
        return nullptr;
    }
}

int conn_type_iface(uint16_t type)
{
    switch (type) {
    case CONN_WIFI:
        return CONN_IF_WIFI;
    case CONN_GPRS:
        return CONN_IF_GPRS;
    case CONN_ETH1:
        return CONN_IF_ETH1;
    case CONN_BT:
    case CONN_BT_COM:
        return CONN_IF_BT;
    default:
        return 0;
    }
}

int conn_from_xml(mxml_node_t *element, conn_record *record)
{
    if (!record)
        return -1;
    memset(record, 0, sizeof *record);
    record->timeout_ms = kDefaultTimeoutMs;
    record->dhcp = 1;
    if (!element || mxmlGetType(element) != MXML_ELEMENT)
        return -1;
    readText(element, "name", record->name, sizeof record->name);
    const char *type = attr(element, "type");
    int result = -1;
    if (!type) {
        result = -1;
    } else if (strcmp(type, "ETH1") == 0) {
        record->type = CONN_ETH1;
        result = 0;
    } else if (strcmp(type, "WIFI") == 0) {
        record->type = CONN_WIFI;
        readWifi(element, record);
        result = record->wifi.Essid[0] ? 0 : -1;
    } else if (strcmp(type, "GPRS") == 0) {
        record->type = CONN_GPRS;
        readGprs(element, record);
        result = 0;
    } else if (strcmp(type, "Bluetooth") == 0 || strcmp(type, "BluetoothCOM") == 0) {
        record->type = type[9] ? CONN_BT_COM : CONN_BT;
        readBluetooth(element, record);
        result = 0;
    }
    if (result != 0)
        return result;
    record->dhcp = static_cast<uint8_t>(readDecimal(element, "dhcp"));
    if (!attr(element, "dhcp"))
        record->dhcp = 1;
    readTimeout(element, record);
    readAddresses(element, record);
    return 0;
}

namespace {

// The editor's address page: "dhcp" as 1 or 0 when present.
void readPageIp(mxml_node_t *element, conn_record *r)
{
    unsigned long dhcp;
    if (readUnsigned(element, "dhcp", &dhcp))
        r->dhcp = dhcp ? 1 : 0;
    readAddresses(element, r);
}

const uint32_t kPageScanDefault = 10, kPageScanMax = 45;

} // namespace

void conn_pages_from_xml(mxml_node_t *element, uint16_t kind, conn_record *r)
{
    if (!r)
        return;
    switch (kind) {
    case CONN_GPRS:
        r->gprs_slot = 0;
        memset(r->gprs_pin, 0, sizeof r->gprs_pin);
        memset(r->gprs_apn, 0, sizeof r->gprs_apn);
        memset(r->gprs_login, 0, sizeof r->gprs_login);
        memset(r->gprs_pass, 0, sizeof r->gprs_pass);
        if (typeIs(element, "GPRS")) {
            readTimeout(element, r);
            readGprs(element, r);
        }
        break;
    case CONN_WIFI:
        memset(&r->wifi, 0, sizeof r->wifi);
        if (typeIs(element, "WIFI")) {
            OsWifiApSet &w = r->wifi;
            readText(element, "apn", w.Essid, sizeof w.Essid);
            readTimeout(element, r);
            readPageIp(element, r);
            if (attr(element, "pass")) {
                readText(element, "pass", w.u.Psk.Key, sizeof w.u.Psk.Key);
                w.u.Psk.KeyLen = static_cast<uint32_t>(strlen(w.u.Psk.Key));
            }
            // As conn_to_xml writes them: numbers.
            unsigned long v;
            if (readUnsigned(element, "auth", &v))
                w.AuthMode = static_cast<int32_t>(v);
            if (readUnsigned(element, "encrypt", &v))
                w.SecMode = static_cast<uint32_t>(v);
        }
        break;
    case CONN_ETH1:
        if (typeIs(element, "ETH1"))
            readPageIp(element, r);
        break;
    case CONN_BT:
    case CONN_BT_COM:
        if (typeIs(element, "Bluetooth")) {
            unsigned long v = 0;
            readUnsigned(element, "btTimeWaitConnect", &v);
            r->bt_wait_connect_ms = v <= kBtWaitMaxMs / 1000 ? static_cast<uint32_t>(v * 1000) : 0;
            if (r->bt_wait_connect_ms < kBtWaitMinMs || r->bt_wait_connect_ms > kBtWaitMaxMs)
                r->bt_wait_connect_ms = kBtWaitDefaultMs;
            v = 0;
            readUnsigned(element, "btTimeScan", &v);
            r->bt_scan_time = static_cast<uint16_t>(v == 0 || v > kPageScanMax ? kPageScanDefault : v);
            readText(element, "btPinCode", r->bt_pin, sizeof r->bt_pin);
            readText(element, "btname", r->bt_name, sizeof r->bt_name);
            readText(element, "btmac", r->bt_mac, sizeof r->bt_mac);
            readTimeout(element, r);
            readPageIp(element, r);
        }
        break;
    default:
        break;
    }
}

const char *conn_name_from_xml(mxml_node_t *element, char *out, size_t size)
{
    const char *name = element ? attr(element, "name") : nullptr;
    if (!name)
        return nullptr;
    utf8_to_cp1251(name, out, static_cast<unsigned>(size));
    return out;
}

void conn_name_to_xml(mxml_node_t *element, const char *name)
{
    char utf8[sizeof conn_active.name * 8];
    cp1251_to_utf8(name ? name : "", utf8, sizeof utf8);
    mxmlElementSetAttr(element, "name", utf8);
}

int conn_to_xml(vuUI *ui, mxml_node_t *element)
{
    if (!element || mxmlGetType(element) != MXML_ELEMENT)
        return -1;
    const conn_record &r = conn_active;
    switch (r.type) {
    case CONN_WIFI:
        mxmlElementSetAttr(element, "type", "WIFI");
        mxmlElementSetAttr(element, "apn", r.wifi.Essid);
        writeNonZero(element, "auth", static_cast<unsigned long>(static_cast<uint32_t>(r.wifi.AuthMode)));
        writeNonZero(element, "encrypt", r.wifi.SecMode);
        // In the EAP modes the key's place holds the EAP parameters: the
        // element's password is left as it is rather than overwritten by them.
        if (!isEapMode(r.wifi.AuthMode)) {
            if (r.wifi.u.Psk.KeyLen)
                mxmlElementSetAttr(element, "pass", r.wifi.u.Psk.Key);
            else
                mxmlElementDeleteAttr(element, "pass");
        }
        mxmlElementSetAttrf(element, "timeout", "%ums", static_cast<unsigned>(r.timeout_ms));
        writeIp(element, r);
        break;
    case CONN_GPRS:
        mxmlElementSetAttr(element, "type", "GPRS");
        writeOrRemove(element, "apn", r.gprs_apn);
        writeOrRemove(element, "login", r.gprs_login);
        writeOrRemove(element, "pass", r.gprs_pass);
        writeOrRemove(element, "pin", r.gprs_pin);
        writeNumber(element, "slot", r.gprs_slot);
        mxmlElementSetAttrf(element, "timeout", "%ums", static_cast<unsigned>(r.timeout_ms));
        break;
    case CONN_ETH1:
        mxmlElementSetAttr(element, "type", "ETH1");
        writeIp(element, r);
        break;
    case CONN_BT:
        mxmlElementSetAttr(element, "type", "Bluetooth");
        writeBluetooth(element, r);
        writeIp(element, r);
        break;
    case CONN_BT_COM:
        mxmlElementSetAttr(element, "type", "BluetoothCOM");
        writeBluetooth(element, r);
        break;
    default:
        break;
    }
    if (settings_save() < 0) {
        error_box(ui, "НЕ УДАЛОСЬ СОХРАНИТЬ ПАРАМЕТРЫ");
        return -1;
    }
    return message_box(ui, "УСПЕШНО", "ПАРАМЕТРЫ УСПЕШНО СОХРАНЕНЫ", MB_OK);
}

void conn_save_active()
{
    conn_new_type_saved = conn_new_type;
    conn_new_type = CONN_WIFI;
    conn_saved = conn_active;
    memset(&conn_active, 0, sizeof conn_active);
    conn_active.dhcp = 1;
    conn_active.timeout_ms = 20000;
    conn_active.wifi.AuthMode = 0;
    conn_active.wifi.SecMode = 0;
    conn_publish_type();
}

void conn_restore_active()
{
    conn_new_type = conn_new_type_saved;
    conn_active = conn_saved;
    conn_publish_type();
}

void conn_swap_saved()
{
    conn_record parked = conn_saved;
    conn_saved = conn_active;
    conn_active = parked;
    uint16_t type = conn_new_type_saved;
    conn_new_type_saved = conn_new_type;
    conn_new_type = type;
    conn_publish_type();
}

int conn_is_bt_com()
{
    return conn_active.type == CONN_BT_COM ? 1 : 0;
}

const char *conn_type_name()
{
    return conn_type_keyword(conn_active.type);
}

const char *conn_bt_name()
{
    return conn_active.bt_name;
}

const char *conn_bt_mac()
{
    return conn_active.bt_mac;
}

const char *conn_name()
{
    return conn_active.name;
}

uint32_t conn_timeout_ms()
{
    return conn_active.timeout_ms;
}

const char *conn_last_connected()
{
    return conn_last_name;
}

void conn_forget_last_connected()
{
    memset(conn_last_name, 0, sizeof conn_last_name);
}

void conn_reset(uint16_t type)
{
    memset(&conn_active, 0, sizeof conn_active);
    conn_active.type = type;
    conn_publish_type();
}

int conn_is_up()
{
    return conn_active.type != CONN_NONE ? 1 : 0;
}

int conn_is_gprs()
{
    return conn_active.type == CONN_GPRS ? 1 : 0;
}

const char *conn_ip_address()
{
    return conn_active.ip;
}

int conn_net_level()
{
    return ext_net_level.load();
}

const struct hostent *hosts_resolve(const char *name)
{
    if (!name || !*name)
        return nullptr;
    static thread_local HostEntry h;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return nullptr;
    memset(&h, 0, sizeof h);
    int n = 0;
    for (addrinfo *a = found; a && n < HostEntry::kMaxAddresses; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr)
            continue;
        in_addr addr = reinterpret_cast<sockaddr_in *>(a->ai_addr)->sin_addr;
        bool seen = false;
        for (int i = 0; i < n; ++i)
            seen = seen || h.addresses[i].s_addr == addr.s_addr;
        if (!seen)
            h.addresses[n++] = addr;
    }
    freeaddrinfo(found);
    if (n == 0)
        return nullptr;
    str_copy(h.name, name, sizeof h.name);
    for (int i = 0; i < n; ++i)
        h.list[i] = reinterpret_cast<char *>(&h.addresses[i]);
    h.entry.h_name = h.name;
    h.entry.h_aliases = h.aliases;
    h.entry.h_addrtype = AF_INET;
    h.entry.h_length = 4;
    h.entry.h_addr_list = h.list;
    return &h.entry;
}
