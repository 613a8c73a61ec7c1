#include "conn_level.h"

#include <stdio.h>
#include <stdlib.h>

#include <mutex>

#include "conn_record.h"
#include "osal.h"
#include "vuProgressObject.h"

namespace {

const unsigned short kNoLink = VU_LEVEL_WARNING;
const unsigned kPeriodMs = 1000, kExtPeriodMs = 500;

// What one level function last asked the platform.
struct Cache {
    bool asked = false;
    unsigned tick = 0;
    int answer = 0;
    int rssi = 0;
    // Due when never asked or when more than the period has passed.
    bool due(unsigned period)
    {
        unsigned now = OsGetTickCount();
        if (asked && now - tick <= period)
            return false;
        asked = true;
        tick = now;
        return true;
    }
};

std::mutex g_mutex;
Cache g_conn, g_ext;
unsigned short g_connLevel;

void setText(intptr_t object, const char *text)
{
    if (auto *p = reinterpret_cast<vuProgressObject *>(object))
        p->SetText(text);
}

// RSSI + 100 as a level: a negative level would read as a lost link.
int rssiLevel(int rssi)
{
    int level = rssi + 100;
    return level < 0 ? 0 : level > 100 ? 100 : level;
}

void showNumber(intptr_t object, int value)
{
    char text[16];
    snprintf(text, sizeof text, "%i", value);
    setText(object, text);
}

// The carrier state of the Ethernet adapter: a non-zero number in the
// first line of its carrier file; unreadable counts as down.
bool carrierUp()
{
    char path[1024];
    if (!OsMapPath("/sys/class/net/eth1/carrier", path, sizeof path))
        return false;
    FILE *f = fopen(path, "r");
    if (!f)
        return false;
    char line[32] = "";
    bool up = fgets(line, sizeof line, f) && strtol(line, nullptr, 10) != 0;
    fclose(f);
    return up;
}

unsigned short connLevel(intptr_t object)
{
    switch (conn_published_type()) {
    case CONN_WIFI: {
        if (g_conn.due(kPeriodMs)) {
            char essid[33], bssid[20];
            g_conn.rssi = 0;
            g_conn.answer = OsWifiCheck(essid, bssid, &g_conn.rssi);
        }
        if (g_conn.answer != 0 && g_conn.answer != 1)
            break;
        int level = rssiLevel(g_conn.rssi);
        showNumber(object, level);
        return static_cast<unsigned short>(level | (g_conn.answer == 1 ? kNoLink : 0));
    }
    case CONN_GPRS: {
        if (g_conn.due(kPeriodMs))
            g_conn.answer = OsWlGetSignal();
        if (g_conn.answer < 0 || g_conn.answer > 5)
            break;
        int level = g_conn.answer * 20;
        showNumber(object, level);
        return static_cast<unsigned short>(level | (g_conn.answer == 0 ? kNoLink : 0));
    }
    case CONN_ETH1:
        if (g_conn.due(kPeriodMs))
            g_conn.answer = carrierUp() ? 1 : 0;
        setText(object, "");
        if (!g_conn.answer)
            return kNoLink;
        return 100;
    case CONN_BT:
        setText(object, "BT");
        return 5;
    default:
        break;
    }
    setText(object, "");
    return kNoLink;
}

} // namespace

unsigned short conn_netlevel_draw(intptr_t object)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_connLevel = connLevel(object);
    return g_connLevel;
}

unsigned short ext_netlevel_draw(intptr_t object)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    switch (conn_published_type()) {
    case CONN_WIFI:
        if (g_ext.due(kExtPeriodMs)) {
            char essid[33], bssid[20];
            g_ext.rssi = 0;
            g_ext.answer = OsWifiCheck(essid, bssid, &g_ext.rssi);
        }
        if (g_ext.answer == 0 || g_ext.answer == 1) {
            int level = rssiLevel(g_ext.rssi);
            showNumber(object, level);
            ext_net_level.store(g_ext.answer == 0 ? level : -1);
            return static_cast<unsigned short>(level | (g_ext.answer == 1 ? kNoLink : 0));
        }
        break;
    case CONN_BT:
        setText(object, "BT");
        ext_net_level.store(0);
        return 0;
    default:
        break;
    }
    setText(object, "");
    ext_net_level.store(-2);
    return kNoLink;
}

unsigned short conn_level_last()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_connLevel;
}

void conn_level_reset()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_conn = Cache();
    g_ext = Cache();
}
