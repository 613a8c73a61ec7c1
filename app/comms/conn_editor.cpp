#include "conn_editor.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bt_link.h"
#include "conn_api.h"
#include "conn_bringup.h"
#include "conn_record.h"
#include "error_box.h"
#include "list_page.h"
#include "message_box.h"
#include "ping.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "ui_values.h"
#include "vuForm.h"
#include "vuIPInput.h"
#include "vuMenu.h"
#include "vuMenuItem.h"
#include "vuRadio.h"
#include "vuStatic.h"
#include "vuUI.h"
#include "vuWidget.h"
#include "widget_text.h"

namespace {

const uint32_t kSecValues[] = {0, 0x01, 0x02, 0x04, 0x10, 0x20};
const int32_t kAuthValues[] = {0, 1, 2, 5, 7, 9};
const uint32_t kWifiTimeoutMs = 45000, kBtTimeoutMs = 30000;
const uint16_t kBtScanDefault = 10, kBtScanNew = 15;
const char kDefaultPin[] = "7351";
const char kEmptyName[] = "НАЗВАНИЕ НЕ МОЖЕТ БЫТЬ ПУСТЫМ";
const char kEmptyAp[] = "ТОЧКА ДОСТУПА AP НЕ МОЖЕТ ИМЕТЬ ПУСТОЕ ЗНАЧЕНИЕ\n\nПОВТОРИТЕ ВВОД";

// Menu item numbers of "common_menu_conn_menu.xml", by position.
enum { ITEM_EDIT = 1, ITEM_RENAME, ITEM_NEW, ITEM_DELETE, ITEM_PING };

const char *attr(mxml_node_t *e, const char *name) { return e ? mxmlElementGetAttr(e, name) : nullptr; }

// A static address needs one; without it the element counts as DHCP.
void dhcpWithoutAddress(conn_record *r)
{
    if (r->dhcp == 0 && r->ip[0] == '\0')
        r->dhcp = 1;
}

// A number typed into a field; 0 for an empty one.
uint32_t fieldNumber(vuObject *w)
{
    return static_cast<uint32_t>(strtoul(widget_text(w), nullptr, 10));
}

void setNumber(vuObject *w, unsigned long value)
{
    char text[16];
    str_format(text, sizeof text, "%lu", value);
    widget_set_text(w, text);
}

vuRadio *radio(vuForm *f, const char *name) { return dynamic_cast<vuRadio *>(f->GetByName(name)); }

void setRow(vuForm *f, const char *name, unsigned row)
{
    if (vuRadio *r = radio(f, name))
        r->SetValue(row);
}

unsigned rowOf(vuForm *f, const char *name)
{
    vuRadio *r = radio(f, name);
    return r ? r->GetSelected() : 0;
}

// The dhcp list and the four address fields of a page.
void showIp(vuForm *f, const conn_record &r)
{
    setRow(f, "dhcp", conn_dhcp_row(r.dhcp));
    const char *names[4] = {"ip", "mask", "gw", "dns"};
    const char *values[4] = {r.ip, r.mask, r.gw, r.dns};
    for (int i = 0; i < 4; ++i)
        if (vuIPInput *in = dynamic_cast<vuIPInput *>(f->GetByName(names[i])))
            in->SetIPtext(values[i]);
}

void takeIp(vuForm *f, conn_record *r)
{
    r->dhcp = conn_dhcp_value(rowOf(f, "dhcp"));
    const char *names[4] = {"ip", "mask", "gw", "dns"};
    char *fields[4] = {r->ip, r->mask, r->gw, r->dns};
    for (int i = 0; i < 4; ++i)
        if (vuIPInput *in = dynamic_cast<vuIPInput *>(f->GetByName(names[i])))
            in->GetIPtext(fields[i], sizeof r->ip);
}

void zeroAddresses(conn_record *r)
{
    for (char *field : {r->ip, r->mask, r->gw, r->dns})
        str_copy(field, "0.0.0.0", sizeof r->ip);
}

// Creates every page, or none (the made ones are dropped again).
std::vector<ScopedDialog> createPages(vuUI *ui, const char *const *files, int count)
{
    std::vector<ScopedDialog> pages;
    pages.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        pages.emplace_back(ui, files[i]);
        if (!pages.back())
            return {};
    }
    for (ScopedDialog &page : pages)
        page.reset();
    return pages;
}

// Walks the pages: accepted goes forward, anything else back. 1 when the
// last page is accepted and the check (may be null) passes, -1 when the
// first page is left. A failed check restarts from the first page.
template <class Check> int walkPages(std::vector<ScopedDialog> &pages, Check check)
{
    const size_t count = pages.size();
    size_t at = 0;
    for (;;) {
        if (pages[at].show() == 1) {
            if (at + 1 < count) {
                ++at;
                continue;
            }
            if (check())
                return 1;
            at = 0;
            continue;
        }
        if (at == 0)
            return -1;
        --at;
    }
}

// Shows a dialog until it is accepted with a non-empty entry in the field:
// true, or false when it was left otherwise. An empty one is answered with
// the warning.
bool showUntilFilled(ScopedDialog &dialog, const char *field, const char *warning)
{
    for (;;) {
        if (dialog.show() != 1)
            return false;
        if (widget_text(dialog.field(field))[0])
            return true;
        message_box(dialog.ui(), "ВНИМАНИЕ", warning, MB_OK);
    }
}

// The name field must not be empty.
auto nameFilled(ScopedDialog &dialog)
{
    return [&dialog]() -> const char * { return widget_text(dialog.field("name"))[0] ? nullptr : kEmptyName; };
}

mxml_node_t *connections()
{
    mxml_node_t *root = settings_root();
    return root ? mxmlFindElement(root, root, "connections", nullptr, nullptr, MXML_DESCEND_FIRST) : nullptr;
}

std::vector<mxml_node_t *> connElements()
{
    std::vector<mxml_node_t *> out;
    mxml_node_t *section = connections();
    for (mxml_node_t *c = section ? mxmlGetFirstChild(section) : nullptr; c; c = mxmlGetNextSibling(c)) {
        const char *name = mxmlGetType(c) == MXML_ELEMENT ? mxmlGetElement(c) : nullptr;
        if (name && strcmp(name, "conn") == 0)
            out.push_back(c);
    }
    return out;
}

// Runs the dialog of a kind; 0 for a kind without one.
int kindDialog(vuUI *ui, uint16_t type, mxml_node_t *element)
{
    switch (type) {
    case CONN_ETH1:
        return conn_eth_dialog(ui, element);
    case CONN_WIFI:
        return conn_wifi_dialog(ui, element);
    case CONN_GPRS:
        return conn_gprs_dialog(ui, element);
    case CONN_BT:
    case CONN_BT_COM:
        return conn_bt_dialog(ui, element);
    default:
        return 0;
    }
}

uint16_t kindOf(const char *keyword)
{
    for (uint16_t t : {CONN_WIFI, CONN_GPRS, CONN_ETH1, CONN_BT, CONN_BT_COM})
        if (keyword && strcmp(keyword, conn_type_keyword(t)) == 0)
            return t;
    return CONN_NONE;
}

void editConnection(vuUI *ui, mxml_node_t *element)
{
    const char *keyword = attr(element, "type");
    if (!keyword)
        return;
    const uint16_t kind = kindOf(keyword);
    if (kind == CONN_NONE) {
        char text[256];
        str_format(text, sizeof text, "НЕИЗВЕСТНЫЙ ТИП СОЕДИНЕНИЯ %s", keyword);
        error_box(ui, text);
        return;
    }
    // The dialogs and conn_to_xml go by the active type; the link's own
    // kind comes back afterwards.
    const uint16_t active = conn_active.type;
    conn_active.type = kind;
    if (kindDialog(ui, kind, element) > 0)
        conn_to_xml(ui, element);
    conn_active.type = active;
    conn_publish_type();
}

void newConnection(vuUI *ui)
{
    // The dialogs fill conn_active: a link that is up goes down first, so
    // that its record is not overwritten under it and its module (the
    // cellular one stays locked) is released before another link comes up.
    conn_disconnect();
    if (conn_new_dialog(ui) < 1) {
        conn_clear_active();
        return;
    }
    conn_record &r = conn_active;
    r.gprs_slot = 0;
    memset(r.gprs_pin, 0, sizeof r.gprs_pin);
    memset(r.gprs_apn, 0, sizeof r.gprs_apn);
    memset(r.gprs_login, 0, sizeof r.gprs_login);
    memset(r.gprs_pass, 0, sizeof r.gprs_pass);
    memset(&r.wifi, 0, sizeof r.wifi);
    const uint16_t kind = r.type;
    if (kind == CONN_GPRS && gprs_operator_menu(ui) != 1) {
        conn_clear_active();
        return;
    }
    // A new WiFi or Bluetooth connection brings its link up and leaves it
    // up; the other kinds only fill the record.
    const bool broughtUp = kind == CONN_WIFI || kind == CONN_BT || kind == CONN_BT_COM;
    if (kindDialog(ui, kind, nullptr) < 0) {
        if (broughtUp)
            conn_teardown();
        else
            conn_clear_active();
        return;
    }
    mxml_node_t *root = settings_root();
    if (!root) {
        error_box(ui, "СБОЙ ЧТЕНИЯ ФАЙЛА НАСТРОЕК");
    } else {
        mxml_node_t *section = connections();
        if (!section)
            section = mxmlNewElement(root, "connections");
        mxml_node_t *element = section ? mxmlNewElement(section, "conn") : nullptr;
        if (!element) {
            error_box(ui, "СБОЙ ИЗМЕНЕНИЯ ФАЙЛА НАСТРОЕК");
        } else {
            conn_name_to_xml(element, r.name);
            conn_to_xml(ui, element);
        }
    }
    if (broughtUp)
        conn_publish_type();
    else
        conn_clear_active(); // no link is up: the next connect brings the element up
}

void deleteConnection(vuUI *ui, mxml_node_t *element)
{
    char name[256] = "";
    conn_name_from_xml(element, name, sizeof name);
    char text[400];
    str_format(text, sizeof text, "УДАЛИТЬ СОЕДИНЕНИЕ %s, ВЫ УВЕРЕНЫ?", name);
    if (message_box(ui, "ПОДТВЕРДИТЕ", text, MB_OK | MB_CANCEL | MB_ALERT) != MB_RESULT_OK)
        return;
    mxmlDelete(element);
    settings_save();
}

} // namespace

unsigned conn_sec_row(uint32_t cipher)
{
    for (unsigned i = 0; i < sizeof kSecValues / sizeof kSecValues[0]; ++i)
        if (kSecValues[i] == cipher)
            return i + 1;
    return 1;
}

uint32_t conn_sec_value(unsigned row)
{
    return row >= 1 && row <= sizeof kSecValues / sizeof kSecValues[0] ? kSecValues[row - 1] : kSecValues[0];
}

unsigned conn_auth_row(int32_t auth)
{
    for (unsigned i = 0; i < sizeof kAuthValues / sizeof kAuthValues[0]; ++i)
        if (kAuthValues[i] == auth)
            return i + 1;
    return 1;
}

int32_t conn_auth_value(unsigned row)
{
    return row >= 1 && row <= sizeof kAuthValues / sizeof kAuthValues[0] ? kAuthValues[row - 1] : kAuthValues[0];
}

unsigned conn_dhcp_row(uint8_t dhcp) { return dhcp == 0 ? 2 : 1; }

uint8_t conn_dhcp_value(unsigned row) { return row == 2 ? 0 : 1; }

uint16_t conn_type_of_row(unsigned row)
{
    switch (row) {
    case 1:
        return CONN_WIFI;
    case 2:
        return CONN_GPRS;
    case 3:
        return CONN_ETH1;
    case 4:
        return bt_available() ? CONN_BT : CONN_NONE;
    default:
        return CONN_NONE;
    }
}

int conn_count()
{
    return static_cast<int>(connElements().size());
}

mxml_node_t *conn_choose_dialog(vuUI *ui, int purpose)
{
    if (!settings_root()) {
        error_box(ui, "ФАЙЛ НАСТРОЕК НЕ НАЙДЕН ИЛИ ИСПОРЧЕН\nkktsettings.xml");
        return nullptr;
    }
    if (!connections()) {
        if (purpose == 2 || purpose == 3)
            error_box(ui, "НЕТ НАСТРОЕННЫХ СОЕДИНЕНИЙ");
        return nullptr;
    }
    std::vector<mxml_node_t *> elements = connElements();
    if (elements.empty()) {
        error_box(ui, "СОЕДИНЕНИЯ ОТСУТСТВУЮТ");
        return nullptr;
    }
    vuMenu *menu = conn_menu_new("ВЫБОР СОЕДИНЕНИЯ");
    // The rows' texts live until the menu is gone.
    std::vector<std::string> rows;
    rows.reserve(elements.size());
    unsigned number = 0;
    for (mxml_node_t *e : elements) {
        ++number;
        char type[128] = "", name[128];
        if (const char *t = attr(e, "type"))
            utf8_to_cp1251(t, type, sizeof type);
        if (!conn_name_from_xml(e, name, sizeof name))
            str_format(name, sizeof name, "СОЕДИНЕНИЕ %u", number);
        rows.push_back(std::string(type) + ":" + name);
        conn_menu_add(menu, rows.back().c_str(), reinterpret_cast<unsigned long>(e));
    }
    menu->SetItemsBorder(1);
    // Rows on their own background: over the background picture a
    // transparent row fails the text contrast.
    menu->SetItemsTransparency(0);
    ListPage page(ui, menu);
    mxml_node_t *taken = nullptr;
    if (page.show() == 1)
        if (MENU_ITEM_EXT *ext = menu->GetSelectedExt())
            taken = reinterpret_cast<mxml_node_t *>(ext->tag);
    return taken;
}

int conn_new_dialog(vuUI *ui)
{
    ScopedDialog dialog(ui, "common_conn_dlg_type.xml");
    if (!dialog)
        return -1;
    if (vuRadio *type = dialog.widget<vuRadio>("type")) {
        type->AddItem("LAN-USB адаптер", nullptr);
        if (bt_available())
            type->AddItem("Bluetooth", nullptr);
    }
    dialog.reset();
    widget_set_text(dialog.field("name"), "НОВОЕ");
    if (!dialog.show_until_valid(nameFilled(dialog)))
        return -1;
    str_copy(conn_active.name, widget_text(dialog.field("name")), sizeof conn_active.name);
    if (uint16_t kind = conn_type_of_row(rowOf(dialog.form(), "type")))
        conn_active.type = kind;
    return 1;
}

int conn_rename_dialog(vuUI *ui, mxml_node_t *element)
{
    char text[256];
    if (!conn_name_from_xml(element, text, sizeof text))
        return -1;
    ScopedDialog dialog(ui, "common_conn_dlg_rename.xml");
    if (!dialog)
        return -1;
    dialog.reset();
    widget_set_text(dialog.field("name"), text);
    if (!dialog.show_until_valid(nameFilled(dialog)))
        return -1;
    conn_name_to_xml(element, widget_text(dialog.field("name")));
    return 1;
}

int conn_gprs_dialog(vuUI *ui, mxml_node_t *element)
{
    conn_record &r = conn_active;
    const bool oneSocket = sim_socket_count() == 1;
    if (element)
        conn_pages_from_xml(element, CONN_GPRS, &r);
    ScopedDialog dialog(ui, "common_conn_dlg_gprs.xml");
    if (!dialog)
        return -1;
    vuForm *form = dialog.form();
    dialog.reset();
    if (r.timeout_ms == 0)
        r.timeout_ms = kWifiTimeoutMs;
    setNumber(form->GetByName("timeout"), r.timeout_ms / 1000);
    widget_set_text(form->GetByName("pin"), r.gprs_pin);
    widget_set_text(form->GetByName("ap"), r.gprs_apn);
    widget_set_text(form->GetByName("login"), r.gprs_login);
    widget_set_text(form->GetByName("pass"), r.gprs_pass);
    vuObject *slot = form->GetByName("slot");
    if (slot)
        setNumber(slot, r.gprs_slot);
    if (oneSocket) {
        for (const char *name : {"slot", "slotn"})
            if (vuWidget *w = dynamic_cast<vuWidget *>(form->GetByName(name)))
                w->SetVisible(0);
        slot = nullptr; // a hidden slot keeps the record's
    }
    showUntilFilled(dialog, "ap", kEmptyAp);
    const int state = dialog.state();
    if (state == 1) {
        r.timeout_ms = fieldNumber(form->GetByName("timeout")) * 1000;
        if (slot)
            r.gprs_slot = static_cast<uint8_t>(fieldNumber(slot));
        const char *pin = widget_text(form->GetByName("pin"));
        // "0" stands for no PIN.
        if (pin[0] && strcmp(pin, "0") != 0)
            str_copy(r.gprs_pin, pin, sizeof r.gprs_pin);
        str_copy(r.gprs_apn, widget_text(form->GetByName("ap")), sizeof r.gprs_apn);
        str_copy(r.gprs_login, widget_text(form->GetByName("login")), sizeof r.gprs_login);
        str_copy(r.gprs_pass, widget_text(form->GetByName("pass")), sizeof r.gprs_pass);
    }
    return state;
}

int conn_wifi_dialog(vuUI *ui, mxml_node_t *element)
{
    conn_record &r = conn_active;
    if (!element) {
        r.timeout_ms = kWifiTimeoutMs;
        int result = conn_up_wifi(ui, &r);
        if (result == 0) {
            r.wifi.AuthMode = 0;
            r.wifi.SecMode = 0;
            if (r.dhcp)
                zeroAddresses(&r);
        }
        return result;
    }
    conn_pages_from_xml(element, CONN_WIFI, &r);
    static const char *const kFiles[3] = {"common_conn_dlg_wifi_1.xml", "common_conn_dlg_wifi_2.xml",
                                          "common_conn_dlg_wifi_3.xml"};
    std::vector<ScopedDialog> pages = createPages(ui, kFiles, 3);
    if (pages.empty())
        return -1;
    setRow(pages[0].form(), "sec", conn_sec_row(r.wifi.SecMode));
    widget_set_text(pages[0].field("ap"), r.wifi.Essid);
    setRow(pages[1].form(), "auth", conn_auth_row(r.wifi.AuthMode));
    widget_set_text(pages[1].field("pass"), r.wifi.u.Psk.Key);
    dhcpWithoutAddress(&r);
    showIp(pages[2].form(), r);
    if (r.timeout_ms == 0)
        r.timeout_ms = kWifiTimeoutMs;
    setNumber(pages[2].field("timeout"), r.timeout_ms / 1000);
    int result = walkPages(pages, [&]() {
        if (widget_text(pages[0].field("ap"))[0])
            return true;
        message_box(ui, "ВНИМАНИЕ", kEmptyAp, MB_OK);
        return false;
    });
    if (result == 1) {
        r.wifi.SecMode = conn_sec_value(rowOf(pages[0].form(), "sec"));
        memset(r.wifi.u.Psk.Key, 0, sizeof r.wifi.u.Psk.Key);
        str_copy(r.wifi.u.Psk.Key, widget_text(pages[1].field("pass")), sizeof r.wifi.u.Psk.Key);
        r.wifi.u.Psk.KeyLen = static_cast<uint32_t>(strlen(r.wifi.u.Psk.Key));
        r.wifi.AuthMode = conn_auth_value(rowOf(pages[1].form(), "auth"));
        memset(r.wifi.Essid, 0, sizeof r.wifi.Essid);
        str_copy(r.wifi.Essid, widget_text(pages[0].field("ap")), sizeof r.wifi.Essid);
        takeIp(pages[2].form(), &r);
        r.timeout_ms = fieldNumber(pages[2].field("timeout")) * 1000;
    }
    return result;
}

int conn_eth_dialog(vuUI *ui, mxml_node_t *element)
{
    conn_record &r = conn_active;
    conn_pages_from_xml(element, CONN_ETH1, &r);
    dhcpWithoutAddress(&r);
    ScopedDialog dialog(ui, "common_conn_dlg_eth.xml");
    if (!dialog)
        return -1;
    dialog.reset();
    showIp(dialog.form(), r);
    const int state = dialog.show();
    if (state > 0)
        takeIp(dialog.form(), &r);
    return state;
}

int conn_bt_dialog(vuUI *ui, mxml_node_t *element)
{
    conn_record &r = conn_active;
    if (!element) {
        r.dhcp = 1;
        r.timeout_ms = kBtTimeoutMs;
        r.bt_scan_time = kBtScanNew;
        memset(r.bt_mac, 0, sizeof r.bt_mac);
        str_copy(r.bt_pin, kDefaultPin, sizeof r.bt_pin);
        int result = bt_connect_pan(ui, &r);
        if (result == 0 && r.dhcp)
            zeroAddresses(&r);
        return result;
    }
    conn_pages_from_xml(element, CONN_BT, &r);
    static const char *const kFiles[2] = {"common_conn_dlg_bt_1.xml", "common_conn_dlg_bt_2.xml"};
    std::vector<ScopedDialog> pages = createPages(ui, kFiles, 2);
    if (pages.empty())
        return -1;
    if (r.bt_pin[0] == '\0')
        str_copy(r.bt_pin, kDefaultPin, sizeof r.bt_pin);
    if (r.bt_mac[0])
        if (vuStatic *mac = dynamic_cast<vuStatic *>(pages[0].field("macaddr")))
            mac->SetText(r.bt_mac);
    widget_set_text(pages[0].field("pincode"), r.bt_pin);
    dhcpWithoutAddress(&r);
    showIp(pages[1].form(), r);
    setNumber(pages[0].field("timescan"), r.bt_scan_time ? r.bt_scan_time : kBtScanDefault);
    if (r.timeout_ms == 0)
        r.timeout_ms = kBtTimeoutMs;
    setNumber(pages[1].field("timeout"), r.timeout_ms / 1000);
    int result = walkPages(pages, []() { return true; });
    if (result == 1) {
        str_copy(r.bt_pin, widget_text(pages[0].field("pincode")), sizeof r.bt_pin);
        r.bt_scan_time = static_cast<uint16_t>(fieldNumber(pages[0].field("timescan")));
        takeIp(pages[1].form(), &r);
        r.timeout_ms = fieldNumber(pages[1].field("timeout")) * 1000;
    }
    return result;
}

// menu: Conn_SetParam
void conn_menu(vuUI *ui)
{
    ScopedDialog dialog(ui, "common_menu_conn_menu.xml");
    if (!dialog)
        return;
    vuMenu *menu = dynamic_cast<vuMenu *>(dialog.form());
    while (menu) {
        if (dialog.run() != 1)
            break;
        switch (menu->GetSelected()) {
        case ITEM_EDIT:
            if (mxml_node_t *element = conn_choose_dialog(ui, 1))
                editConnection(ui, element);
            else if (conn_count() == 0)
                newConnection(ui);
            break;
        case ITEM_RENAME:
            if (conn_rename_dialog(ui, conn_choose_dialog(ui, 3)) > 0)
                settings_save();
            break;
        case ITEM_NEW:
            newConnection(ui);
            break;
        case ITEM_DELETE:
            if (mxml_node_t *element = conn_choose_dialog(ui, 2))
                deleteConnection(ui, element);
            break;
        case ITEM_PING:
            ping_dialog(ui);
            break;
        default:
            break;
        }
    }
}
