#include "conn_bringup.h"

#include <stdio.h>
#include <string.h>

#include "bt_link.h"
#include "conn_record.h"
#include "error_box.h"
#include "list_page.h"
#include "message_box.h"
#include "os_errors.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "str_helpers.h"
#include "vuForm.h"
#include "vuMenu.h"
#include "vuMenuItem.h"
#include "vuStatic.h"
#include "vuUI.h"
#include "widget_text.h"

std::atomic<int> conn_wait_iface{0};
std::atomic<int> conn_wait_status{0};
std::atomic<uint32_t> conn_wait_start{0};

// The access-point names are the operators' published ones; the logins
// (each also the password) are those the terminal has always offered.
const GprsPreset gprs_presets[5] = {
    {"МТС", "internet.mts.ru", "kvr"},
    {"БиЛайн", "internet.beeline.ru", "tolvarn"},
    {"МегаФон", "internet", "pmuse"},
    {"TELE2", "internet.tele2.ru", ""},
    {"ПРОЧЕЕ", "", ""},
};

namespace {

const unsigned kPauseMs = 200;
const uint32_t kDefaultWaitMs = 45000;
const int kMaxLogins = 5;
const int kMaxAps = 32;
const int kTimedOut = -1001;
const char kWaitDialog[] = "common_conn_dlg_wait.xml";
const char kKeyDialog[] = "common_conn_dlg_wifi_pass.xml";
const char kDhcpText[] = "Получение адреса (DHCP)";
const char kGprsWaitText[] = "Соединяемся с мобильной сетью";

void notice(vuUI *ui, const char *text)
{
    if (ui)
        message_box(ui, "СОЕДИНЕНИЕ", text, MB_NOWAIT);
}

// One pass of a busy wait: the pause, and the screen kept up when the
// toolkit works in this very thread.
void pause(vuUI *ui)
{
    OsSleep(kPauseMs);
    if (ui && (vuUI::GetOption() & VU_UI_CALLER_THREAD))
        ui->Refresh();
}

bool elapsed(uint32_t start, uint32_t limit)
{
    return OsGetTickCount() - start >= limit;
}

void clearIp(conn_record *r)
{
    memset(r->ip, 0, sizeof r->ip);
    memset(r->mask, 0, sizeof r->mask);
    memset(r->gw, 0, sizeof r->gw);
    memset(r->dns, 0, sizeof r->dns);
}

// Shows the wait dialog with the tick; its end state, or 0 when the dialog
// could not be made (after dialog_create's box).
int waitDialog(vuUI *ui, const char *text, vuEventCallback tick, bool *made)
{
    ScopedDialog dialog(ui, kWaitDialog);
    *made = bool(dialog);
    if (!dialog)
        return 0;
    widget_set_text(dialog.field("msg"), text);
    conn_wait_status = 1;
    conn_wait_start = OsGetTickCount();
    return dialog.run(tick);
}

// The common end of a wait tick: 1 done, -1 failed, else the text with the
// seconds since the dialog came up and a redraw.
int waitTick(int status, intptr_t form, const char *text)
{
    conn_wait_status = status;
    if (status == 0)
        return 1;
    if (status != 1)
        return -1;
    char line[128];
    str_format(line, sizeof line, "%s\n%lu", text,
               static_cast<unsigned long>((OsGetTickCount() - conn_wait_start.load()) / 1000));
    if (vuForm *f = reinterpret_cast<vuForm *>(form))
        widget_set_text(f->GetByName("msg"), line);
    return 2;
}

// The access point of a scan, by name or by the user's choice: 0, -5 or -22.
int chooseAp(vuUI *ui, conn_record *r, const OsWifiApInfo *aps, int count)
{
    if (r->wifi.Essid[0]) {
        for (int i = 0; i < count; ++i) {
            if (strncmp(aps[i].Essid, r->wifi.Essid, sizeof r->wifi.Essid) == 0) {
                r->wifi.AuthMode = aps[i].AuthMode;
                r->wifi.SecMode = aps[i].SecMode;
                return 0;
            }
        }
        return -22;
    }
    if (!ui)
        return -1;
    ListPage page(ui, conn_menu_new("ВЫБОР WIFI ТОЧКИ"));
    for (int i = 0; i < count; ++i) {
        char name[sizeof aps[i].Essid + 1] = {};
        memcpy(name, aps[i].Essid, sizeof aps[i].Essid);
        conn_menu_add(page.menu(), name);
    }
    int result = -5;
    if (page.show() == 1) {
        int row = page.menu()->GetSelected();
        result = -22;
        if (row >= 1 && row <= count) {
            const OsWifiApInfo &ap = aps[row - 1];
            memset(r->wifi.Essid, 0, sizeof r->wifi.Essid);
            memcpy(r->wifi.Essid, ap.Essid, sizeof r->wifi.Essid - 1);
            r->wifi.AuthMode = ap.AuthMode;
            r->wifi.SecMode = ap.SecMode;
            result = 0;
        }
    }
    return result;
}

// Asks for the network's key: 0, -1 (no UI or no dialog) or -5.
int askKey(vuUI *ui, conn_record *r)
{
    if (!ui)
        return -1;
    ScopedDialog dialog(ui, kKeyDialog);
    if (!dialog)
        return -1;
    if (vuStatic *name = dialog.widget<vuStatic>("name"))
        name->SetText(r->wifi.Essid);
    if (dialog.run() != 1)
        return -5;
    memset(r->wifi.u.Psk.Key, 0, sizeof r->wifi.u.Psk.Key);
    str_copy(r->wifi.u.Psk.Key, widget_text(dialog.field("pass")), sizeof r->wifi.u.Psk.Key);
    r->wifi.u.Psk.KeyLen = static_cast<uint32_t>(strlen(r->wifi.u.Psk.Key));
    return 0;
}

// The route to the interface and the configuration in force: 0 or -13.
int routeAndConfig(vuUI *ui, int iface, conn_record *r)
{
    int rc = OsNetSetRoute(iface);
    if (rc != 0) {
        error_box_f(ui, "Ошибка OsNetSetRoute\n(err = %i)", rc);
        return -13;
    }
    OsNetGetConfig(iface, r->ip, r->mask, r->gw, r->dns);
    return 0;
}

uint32_t waitLimit(const conn_record *r)
{
    return r->timeout_ms ? r->timeout_ms : kDefaultWaitMs;
}

// The operator login after the module is ready: 0 or -33.
int gprsLogin(vuUI *ui, conn_record *r)
{
    // A module that stays busy must not hold the link layer for ever.
    uint32_t start = OsGetTickCount();
    while (OsWlCheck() == 2) {
        if (elapsed(start, waitLimit(r))) {
            error_box_f(ui, "Ошибка соединения с провайдером (%i)\n\n%s", kTimedOut, os_error_text(kTimedOut));
            return -33;
        }
        pause(ui);
    }
    notice(ui, "Соединяемся с провайдером");
    start = OsGetTickCount();
    int attempts = 0, last = 0;
    do {
        pause(ui);
        if (last == 1 || last == 2) {
            last = OsWlCheck();
        } else {
            if (last != -1011)
                ++attempts;
            last = OsWlLogin(r->gprs_apn, r->gprs_login, r->gprs_pass, 0xFF, 0, 60000, 0);
        }
    } while (last != 0 && attempts < kMaxLogins && !elapsed(start, r->timeout_ms));
    if (last == 0)
        return 0;
    // Still pending when the time or the attempts ran out.
    int code = last == 1 || last == 2 || last == -1011 ? kTimedOut : last;
    error_box_f(ui, "Ошибка соединения с провайдером (%i)\n\n%s", code, os_error_text(code));
    return -33;
}

} // namespace

vuMenu *conn_menu_new(const char *title)
{
    vuMenu *menu = new vuMenu(title, nullptr, 0);
    menu->SetOption(0x600e); // OK, cancel, no close icon, digits choose
    menu->SetRowDelta(8);
    return menu;
}

void conn_menu_add(vuMenu *menu, const char *text, unsigned long tag)
{
    MENU_ITEM_EXT item;
    memset(&item, 0, sizeof item);
    item.text = text;
    item.tag = tag;
    menu->AddItemExt(&item, nullptr, 1);
}

int conn_up_ip(vuUI *ui, int iface, conn_record *r)
{
    conn_wait_iface = iface;
    OsNetStopDhcp(iface);
    if (r->dhcp || !r->ip[0]) {
        r->dhcp = 1;
        clearIp(r);
        notice(ui, kDhcpText);
        int rc = OsNetStartDhcp(iface);
        if (rc != 0) {
            error_box_f(ui, "Ошибка StartDHCP\nerror %i", rc);
            return -10;
        }
        if (r->timeout_ms) {
            uint32_t start = OsGetTickCount();
            int answer;
            do {
                pause(ui);
                answer = OsNetCheckDhcp(iface);
            } while (answer == 1 && !elapsed(start, r->timeout_ms));
            if (answer != 0) {
                error_box_f(ui, "Ошибка CheckDHCP\nerror %i", answer == 1 ? kTimedOut : answer);
                return -11;
            }
        } else {
            // Without the wait dialog nothing would wait for the address.
            if (!ui)
                return -1;
            bool made = false;
            int state = waitDialog(ui, kDhcpText, dhcp_wait_tick, &made);
            if (!made)
                return -1;
            if (state != 1) {
                int status = conn_wait_status;
                if (status == 1)
                    return -5;
                error_box_f(ui, "Ошибка работы DHCP\nerror %i", status);
                return -11;
            }
        }
    } else {
        int rc = OsNetSetConfig(iface, r->ip, r->mask, r->gw, r->dns);
        if (rc != 0) {
            error_box_f(ui, "Ошибка NetSetConfig\nerror %i", rc);
            return -12;
        }
    }
    return routeAndConfig(ui, iface, r);
}

int dhcp_wait_tick(vuEvent *, intptr_t form)
{
    return waitTick(OsNetCheckDhcp(conn_wait_iface), form, kDhcpText);
}

int gprs_wait_tick(vuEvent *, intptr_t form)
{
    return waitTick(OsWlCheck(), form, kGprsWaitText);
}

int conn_up_wifi(vuUI *ui, conn_record *r)
{
    notice(ui, "Инициализация соединения с точкой доступа WIFI");
    OsWifiClose();
    OsSleep(kPauseMs);
    int rc = OsWifiOpen();
    if (rc < 0) {
        error_box_f(ui, "WiFi модуль не открыт (%i)\n\n%s", rc, os_error_text(rc));
        return -20;
    }
    if (r->wifi.AuthMode == OS_WIFI_AUTH_NONE) {
        OsWifiApInfo aps[kMaxAps];
        int count = OsWifiScan(aps, kMaxAps);
        if (count <= 0) {
            error_box_f(ui, "Не найдены WiFi AP (%i)\n\n%s", count, os_error_text(count));
            return -21;
        }
        int result = chooseAp(ui, r, aps, count);
        if (result != 0)
            return result;
    }
    // The first byte of the key (for the EAP modes, of the EAP type).
    if (r->wifi.AuthMode != OS_WIFI_AUTH_OPEN && r->wifi.u.Psk.Key[0] == 0) {
        int result = askKey(ui, r);
        if (result != 0)
            return result;
    }
    char text[128];
    str_format(text, sizeof text, "Соединяемся с AP\n%s", r->wifi.Essid);
    notice(ui, text);
    uint32_t start = OsGetTickCount();
    int answer = OsWifiConnect(&r->wifi, 0);
    while (answer == 1 && !elapsed(start, r->timeout_ms)) {
        pause(ui);
        char essid[33], bssid[20];
        int rssi = 0;
        answer = OsWifiCheck(essid, bssid, &rssi);
    }
    if (answer != 0) {
        int code = answer == 1 ? kTimedOut : answer;
        error_box_f(ui, "Ошибка соединения с AP (%i)\n%s\n%s", code, r->wifi.Essid, os_error_text(code));
        return -23;
    }
    return conn_up_ip(ui, CONN_IF_WIFI, r);
}

int conn_up_gprs(vuUI *ui, conn_record *r)
{
    notice(ui, "Инициализация соединения с оператором связи GPRS/GSM");
    if (OsWlCheck() != 0) {
        int rc = OsWlLock();
        if (rc != 0) {
            error_box_f(ui, "GPRS модуль не открыт (%i)\n\n%s", rc, os_error_text(rc));
            return -30;
        }
        rc = OsWlSelSim(r->gprs_slot);
        if (rc != 0) {
            error_box_f(ui, "Ошибка выбора слота SIM%u (%i)\n\n%s", static_cast<unsigned>(r->gprs_slot) + 1, rc,
                     os_error_text(rc));
            return -31;
        }
        rc = OsWlInit(r->gprs_pin[0] ? r->gprs_pin : nullptr);
        if (rc != 0) {
            error_box_f(ui, "Не удалось инициализировать SIM карту (%i)\n\n%s", rc, os_error_text(rc));
            return -32;
        }
        int result = gprsLogin(ui, r);
        if (result != 0)
            return result;
    }
    if (!ui)
        return -1;
    bool made = false;
    int state = waitDialog(ui, kGprsWaitText, gprs_wait_tick, &made);
    if (made && state != 1) {
        int status = conn_wait_status;
        if (status == 1)
            return -5;
        error_box_f(ui, "Ошибка соединения с провайдером (%i)\n\n%s", status, os_error_text(status));
        return -33;
    }
    return routeAndConfig(ui, CONN_IF_GPRS, r);
}

int gprs_operator_menu(vuUI *ui)
{
    if (!ui)
        return 0;
    ListPage page(ui, conn_menu_new("ОПЕРАТОР МОБ.СВЯЗИ"));
    for (const GprsPreset &p : gprs_presets)
        conn_menu_add(page.menu(), p.name);
    int result = 0;
    if (page.show() == 1) {
        unsigned row = page.menu()->GetSelected();
        if (row >= 1 && row <= sizeof gprs_presets / sizeof gprs_presets[0]) {
            const GprsPreset &p = gprs_presets[row - 1];
            conn_active.timeout_ms = kDefaultWaitMs;
            str_copy(conn_active.gprs_apn, p.apn, sizeof conn_active.gprs_apn);
            str_copy(conn_active.gprs_login, p.login, sizeof conn_active.gprs_login);
            str_copy(conn_active.gprs_pass, p.login, sizeof conn_active.gprs_pass);
        }
        result = 1;
    }
    return result;
}

void conn_teardown()
{
    switch (conn_active.type) {
    case CONN_WIFI:
        OsWifiDisconnect();
        OsWifiClose();
        break;
    case CONN_GPRS:
        if (OsWlCheck() == 0) {
            OsWlLogout();
            uint32_t start = OsGetTickCount();
            while (OsWlCheck() == 2 && !elapsed(start, waitLimit(&conn_active)))
                OsSleep(kPauseMs);
        }
        OsWlUnLock();
        break;
    case CONN_BT:
        bt_close(0);
        break;
    default:
        break;
    }
    conn_clear_active();
}

void conn_set_route()
{
    if (conn_active.type != CONN_NONE)
        OsNetSetRoute(conn_type_iface(conn_active.type));
}
