#include "ping.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "conn_api.h"
#include "conn_record.h"
#include "entry_dialog.h"
#include "error_box.h"
#include "message_box.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuUI.h"
#include "vuWidget.h"
#include "widget_text.h"

namespace {

enum {
    PING_OK = 0,
    PING_NET_ERROR = -3307,
    PING_TIMEOUT = -1001,
    PING_BAD_ARGUMENT = -1003,
    PING_UNKNOWN_NAME = -3315,
};
const int kKeyEsc = 27;
const unsigned kPauseMs = 200;
const size_t kTextMax = 4095;
const char kDone[] = "PING ЗАВЕРШЕН";

// Written by ping_run before the dialog is shown, read by ping_tick.
struct PingState {
    char target[100]; // dotted IPv4; empty: the name did not resolve
    uint32_t duration_ms;
    uint32_t start;
};
PingState g_ping;

void appendInfo(intptr_t form, const char *text)
{
    vuForm *f = reinterpret_cast<vuForm *>(form);
    if (vuObject *info = f ? f->GetByName("info") : nullptr)
        text_append_wrapped(info, text);
}

} // namespace

const char *ping_answer_text(int answer)
{
    switch (answer) {
    case PING_OK:
        return "PING OK";
    case PING_NET_ERROR:
        return "ОШИБКА СЕТЕВОГО СОЕДИНЕНИЯ";
    case PING_TIMEOUT:
        return "ПРЕВЫШЕН ТАЙМАУТ";
    case PING_BAD_ARGUMENT:
        return "ОШИБКА ПАРАМЕТРОВ";
    case PING_UNKNOWN_NAME:
        return "Имя не известно";
    default:
        return nullptr;
    }
}

void text_append_wrapped(vuObject *widget, const char *text)
{
    vuWidget *w = dynamic_cast<vuWidget *>(widget);
    if (!w || !text)
        return;
    int fontHeight = vuUI::GetFontHeight(w->GetFontIndex());
    if (fontHeight <= 0)
        fontHeight = 8;
    const int lines = (static_cast<int>(w->GetHeight()) - 4) / fontHeight - 1;
    char buffer[kTextMax + 1];
    str_copy(buffer, widget_text(w), sizeof buffer);
    int ends = 0;
    for (const char *p = buffer; *p; ++p)
        ends += *p == '\n';
    // A widget too low for a line would never get below its count: stop
    // once there is no whole line left to drop.
    char *start = buffer;
    while (ends >= lines) {
        char *nl = strchr(start, '\n');
        if (!nl)
            break;
        start = nl + 1;
        --ends;
    }
    memmove(buffer, start, strlen(start) + 1);
    const size_t len = strlen(buffer);
    if (len == 0 || buffer[len - 1] != '\n')
        str_append(buffer, "\n", sizeof buffer);
    str_append(buffer, text, sizeof buffer);
    widget_set_text(w, buffer);
}

int ping_tick(vuEvent *event, intptr_t form)
{
    if (event && (event->key == kKeyEsc || event->vkChar == kKeyEsc))
        return -1;
    int answer = PING_UNKNOWN_NAME;
    if (g_ping.target[0])
        answer = OsNetPing(g_ping.target, static_cast<int>(g_ping.duration_ms));
    OsSleep(kPauseMs);
    int result = 0;
    if (const char *text = ping_answer_text(answer)) {
        appendInfo(form, text);
        result = answer == PING_BAD_ARGUMENT || answer == PING_UNKNOWN_NAME ? 10 : 2;
    }
    if (OsGetTickCount() - g_ping.start <= g_ping.duration_ms)
        return result;
    appendInfo(form, kDone);
    return 10;
}

void ping_run(vuUI *ui, const char *address, unsigned seconds)
{
    ScopedDialog dialog(ui, "common_dlg_ping.xml");
    if (!dialog)
        return;
    if (conn_connect(ui, nullptr) != 0)
        return;
    g_ping.target[0] = '\0';
    const struct hostent *h = hosts_resolve(address);
    if (h && h->h_length == 4 && h->h_addr_list && h->h_addr_list[0]) {
        const unsigned char *a = reinterpret_cast<const unsigned char *>(h->h_addr_list[0]);
        str_format(g_ping.target, sizeof g_ping.target, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    }
    // OsNetPing takes the duration as its wait: it must stay an int.
    const unsigned long long ms = static_cast<unsigned long long>(seconds) * 1000u;
    g_ping.duration_ms = ms > INT_MAX ? INT_MAX : static_cast<uint32_t>(ms);
    g_ping.start = OsGetTickCount();
    vuObject *info = dialog.field("info");
    const int state = dialog.run(ping_tick);
    const char *text = info ? widget_text(info) : "";
    if (state >= 0)
        message_box(ui, kDone, text, MB_OK | MB_FONT0 | MB_JUSTIFY1);
    else
        message_box(ui, "PING ПРЕРВАН", text, MB_OK | MB_ALERT | MB_FONT0 | MB_JUSTIFY1);
    // The link goes down whether it was up before or not.
    conn_disconnect();
}

void ping_dialog(vuUI *ui)
{
    EntryDialog dialog(ui, "common_dlg_ping_adr.xml", "timeout", "addr");
    if (!dialog)
        return;
    char text[512];
    if (const char *v = settings_get("ConnPing", "Address")) {
        utf8_to_cp1251(v, text, sizeof text);
        dialog.set_text(text);
    }
    if (const char *v = settings_get("ConnPing", "Timeout")) {
        utf8_to_cp1251(v, text, sizeof text);
        widget_set_text(dialog.number_field(), text);
    }
    if (dialog.ask()) {
        char address[256], seconds[32];
        dialog.copy_text(address, sizeof address);
        str_copy(seconds, dialog.number_text(), sizeof seconds);
        const unsigned long duration = strtoul(seconds, nullptr, 10);
        if (!address[0]) {
            error_box(ui, "НЕ ВВЕДЕН АДРЕС!");
        } else if (duration == 0) {
            error_box(ui, "НЕ ВВЕДЕН ТАЙМАУТ!");
        } else {
            ping_run(ui, address, duration > UINT_MAX ? UINT_MAX : static_cast<unsigned>(duration));
            // Kept for the next time, whatever the ping gave.
            cp1251_to_utf8(address, text, sizeof text);
            settings_set("ConnPing", "Address", text);
            settings_set("ConnPing", "Timeout", seconds);
            settings_save();
        }
    }
}
