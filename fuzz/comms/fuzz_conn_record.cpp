// A `conn` element with arbitrary attributes: the input is split into
// lines "name=value" (a line without '=' is a name with an empty value).
// The element is read into the active record, every text of the record
// must end inside its field, the record is written into a new element and
// read back, and what the writer keeps must come back the same.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "conn_record.h"

namespace {

void terminated(const char *field, size_t size)
{
    if (!memchr(field, 0, size))
        abort();
}

#define TERMINATED(f) terminated(f, sizeof(f))

void checkRecord(const conn_record &r)
{
    TERMINATED(r.ip);
    TERMINATED(r.mask);
    TERMINATED(r.gw);
    TERMINATED(r.dns);
    TERMINATED(r.wifi.Essid);
    TERMINATED(r.gprs_pin);
    TERMINATED(r.gprs_apn);
    TERMINATED(r.gprs_login);
    TERMINATED(r.gprs_pass);
    TERMINATED(r.bt_pin);
    TERMINATED(r.bt_mac);
    TERMINATED(r.bt_name);
    TERMINATED(r.name);
    bool eap = r.wifi.AuthMode == 6 || r.wifi.AuthMode == 8 || r.wifi.AuthMode == 10;
    if (eap) {
        TERMINATED(r.wifi.u.Eap.Password);
        TERMINATED(r.wifi.u.Eap.Identity);
        TERMINATED(r.wifi.u.Eap.CaCert);
        TERMINATED(r.wifi.u.Eap.ClientCert);
        TERMINATED(r.wifi.u.Eap.PrivateKey);
        TERMINATED(r.wifi.u.Eap.PrivateKeyPass);
    } else if (r.type == CONN_WIFI) {
        TERMINATED(r.wifi.u.Psk.Key);
        if (r.wifi.u.Psk.KeyLen != strlen(r.wifi.u.Psk.Key))
            abort();
    }
    if ((r.type == CONN_BT || r.type == CONN_BT_COM) && (r.bt_wait_connect_ms < 5000 || r.bt_wait_connect_ms > 60000))
        abort();
    if (r.timeout_ms < 1000)
        abort();
}

bool same(const char *a, const char *b)
{
    return strcmp(a, b) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    std::string text(reinterpret_cast<const char *>(data), size);
    mxml_node_t *element = mxmlNewElement(MXML_NO_PARENT, "conn");
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        size_t eq = line.find('=');
        std::string name = line.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : line.substr(eq + 1);
        if (!name.empty() && name.find('\0') == std::string::npos && value.find('\0') == std::string::npos)
            mxmlElementSetAttr(element, name.c_str(), value.c_str());
    }

    int result = conn_from_xml(element, &conn_active);
    checkRecord(conn_active);
    if (result == 0) {
        conn_record first = conn_active;
        mxml_node_t *written = mxmlNewElement(MXML_NO_PARENT, "conn");
        conn_to_xml(nullptr, written);
        conn_record back;
        if (conn_from_xml(written, &back) != 0)
            abort();
        checkRecord(back);
        if (back.type != first.type)
            abort();
        // Every kind but Ethernet keeps its time-out.
        if (first.type != CONN_ETH1 && back.timeout_ms != first.timeout_ms)
            abort();
        switch (first.type) {
        case CONN_WIFI:
            if (!same(back.wifi.Essid, first.wifi.Essid) || !same(back.ip, first.ip) || back.dhcp != first.dhcp)
                abort();
            break;
        case CONN_GPRS:
            if (!same(back.gprs_apn, first.gprs_apn) || !same(back.gprs_login, first.gprs_login) ||
                !same(back.gprs_pass, first.gprs_pass) || !same(back.gprs_pin, first.gprs_pin))
                abort();
            break;
        case CONN_BT:
        case CONN_BT_COM:
            if (back.bt_scan_time != first.bt_scan_time || !same(back.bt_pin, first.bt_pin) ||
                !same(back.bt_mac, first.bt_mac) || !same(back.bt_name, first.bt_name))
                abort();
            break;
        default:
            break;
        }
        mxmlDelete(written);
    }
    mxmlDelete(element);
    conn_clear_active();
    return 0;
}
