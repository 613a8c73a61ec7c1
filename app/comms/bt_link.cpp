#include "bt_link.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "conn_bringup.h"
#include "conn_record.h"
#include "error_box.h"
#include "list_page.h"
#include "menu_fit.h"
#include "message_box.h"
#include "osal.h"
#include "str_helpers.h"
#include "vuMenu.h"
#include "vuUI.h"

bt_binding bt_lib;
bt_event_state bt_events;
std::atomic<int> bt_com_fd{-1};
OsBtSecurityCallbacks bt_security_callbacks;
OsBtPanCallbacks bt_pan_callbacks;
OsBtBredrCallbacks bt_bredr_callbacks;

namespace {

const char kLibraryPath[] = "/data/opt/lib/libbt.so";
const char kDefaultPin[] = "7351";
const int kNoDevice = -1004, kNotOpen = -1006, kFailed = -41, kTimedOut = -3, kNone = -1;
const unsigned kPauseMs = 200;
// The ones OsBluetoothCheck and OsPanCheck answer once connected.
const int kSppConnected = 3, kPanConnected = 10;
const int kPanDefaultWaitMs = 20000, kPanMinWaitMs = 5000, kPanMaxWaitMs = 60000;
const int kPanServices = 4;

std::atomic<int> g_available{0};

// Runs the callback-table set-up during static initialisation.
struct CallbacksInit {
    CallbacksInit() { bt_callbacks_init(); }
} g_callbacksInit;

// The ninth 32-bit word of an event record: its status.
int32_t eventStatus(const void *record)
{
    int32_t status;
    memcpy(&status, static_cast<const uint8_t *>(record) + 8 * sizeof(int32_t), sizeof status);
    return status;
}

bool elapsed(uint32_t start, uint32_t limit)
{
    return OsGetTickCount() - start > limit;
}

// "ro.fac.mach" "_" "ro.fac.sn", at most 63 characters.
void terminalName(char out[64])
{
    char mach[OS_REG_VALUE_MAX] = "", sn[OS_REG_VALUE_MAX] = "";
    if (OsRegGetValue("ro.fac.mach", mach) < 0)
        mach[0] = '\0';
    if (OsRegGetValue("ro.fac.sn", sn) < 0)
        sn[0] = '\0';
    mach[63] = sn[63] = '\0';
    str_copy(out, mach, 64);
    size_t len = strlen(out);
    if (len < 63)
        out[len++] = '_';
    out[len] = '\0';
    str_copy(out + len, sn, 64 - len);
}

void box(vuUI *ui, const char *title, uint16_t flags, const char *fmt, ...) __attribute__((format(printf, 4, 5)));
void box(vuUI *ui, const char *title, uint16_t flags, const char *fmt, ...)
{
    if (!ui)
        return;
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    message_box(ui, title, text, flags);
}

const uint16_t kAlert = MB_OK | MB_ALERT;

// The pair-authentication record: mode 0, PIN in use, the PIN.
OsBtPairAuth pairAuth(const char *pin)
{
    OsBtPairAuth auth;
    memset(&auth, 0, sizeof auth);
    auth.Mode = 0;
    auth.UsePin = 1;
    strncpy(auth.Pin, pin, sizeof auth.Pin - 1);
    return auth;
}

enum class Op { Init, Spp, Pan };

// The start the three operations share: the module (re)opened, the
// callbacks registered, pairing set. 0, or the operation's result after its
// box.
int commonStart(vuUI *ui, Op op, const char *name, const char *pin)
{
    if (ui)
        message_box(ui, "СОЕДИНЕНИЕ", "Инициализация соединения с точкой Bluetooth", MB_NOWAIT);
    if (bt_available() && bt_lib.OsBluetoothCheck() != 0)
        bt_close(0);
    int r = bt_open(name, op == Op::Pan ? OS_BT_OPEN_PAN : OS_BT_OPEN_SPP);
    if (r != 0) {
        bt_close(0);
        error_box_f(ui, "Bluetooth модуль не открыт (не найден)\n(ret = %d)", r);
        return kNotOpen;
    }
    r = bt_lib.OsBluetoothSetSecurityCallback(&bt_security_callbacks);
    if (r != 0) {
        bt_close(0);
        error_box_f(ui, "OsBluetoothSetSecurityCallback(), ret = %d", r);
        return kFailed;
    }
    if (op == Op::Pan) {
        r = bt_lib.OsPanSetCallback(&bt_pan_callbacks);
        if (r != 0) {
            bt_close(0);
            error_box_f(ui, "OsPANSetCallback(), ret = %d", r);
            return kFailed;
        }
    } else {
        r = bt_lib.OsBREDRSetCallback(&bt_bredr_callbacks);
        if (r != 0) {
            box(ui, name, kAlert, "OsBREDRSetCallback ret = %d", r);
            return r;
        }
    }
    OsBtPairAuth auth = pairAuth(pin);
    r = bt_lib.OsBluetoothSetPairAuth(&auth);
    if (r != 0) {
        if (op == Op::Pan) {
            bt_close(0);
            error_box_f(ui, "OsBluetoothSetPairAuth(), ret = %d", r);
            return kFailed;
        }
        box(ui, name, kAlert, "OsBluetoothSetPairAuth ret = %d", r);
        return r;
    }
    return 0;
}

// Waits for a scan's result: true once it came, false past the limit.
bool waitScan(uint32_t limit)
{
    uint32_t start = OsGetTickCount();
    while (!bt_events.bt_scan_done.load(std::memory_order_acquire)) {
        if (elapsed(start, limit))
            return false;
        OsSleep(kPauseMs);
    }
    return true;
}

// The SPP address stored in the record against a scanned one: the stored
// one's separators (positions 2, 5, 8, 11, 14) taken as the scanned list's.
bool sameAddress(const char *stored, const char *scanned, char separator)
{
    char copy[32];
    str_copy(copy, stored, sizeof copy);
    size_t len = strlen(copy);
    for (size_t at : {2u, 5u, 8u, 11u, 14u})
        if (at < len)
            copy[at] = separator;
    return strncmp(copy, scanned, 32) == 0;
}

// A text field of the library's records, zero-terminated within its size.
void field(char *out, size_t size, const char *in, size_t inSize)
{
    size_t n = strnlen(in, inSize);
    if (n >= size)
        n = size - 1;
    memcpy(out, in, n);
    out[n] = '\0';
}

} // namespace

// ---- callbacks -------------------------------------------------------------

void bt_callbacks_init()
{
    bt_security_callbacks = {bt_on_security_request, bt_on_security_confirm};
    bt_pan_callbacks = {bt_on_pan_connect, bt_on_pan_reset, bt_on_pan_scan_list, nullptr};
    bt_bredr_callbacks = {bt_on_bredr_connect, bt_on_bredr_disconnect, bt_on_bredr_scan_list, nullptr};
}

int bt_on_security_request(void *)
{
    return 0;
}

int bt_on_security_confirm(void *record)
{
    bt_events.bt_pair_ok.store(record && eventStatus(record) == 0 ? 1 : 0);
    return 0;
}

int bt_on_pan_connect(void *record)
{
    if (record && eventStatus(record) == 0) {
        memcpy(&bt_events.pan_connected, record, sizeof bt_events.pan_connected);
        bt_events.bt_connected.store(1, std::memory_order_release);
    } else {
        bt_events.bt_connected.store(0);
    }
    return 0;
}

int bt_on_pan_reset(void *)
{
    bt_events.bt_connected.store(0);
    return 0;
}

int bt_on_pan_scan_list(void *record)
{
    if (record) {
        memcpy(&bt_events.pan_scan, record, sizeof bt_events.pan_scan);
        bt_events.bt_scan_done.store(1, std::memory_order_release);
    }
    return 0;
}

int bt_on_bredr_connect(void *record)
{
    if (record && eventStatus(record) == 0) {
        memcpy(&bt_events.spp_connected, record, sizeof bt_events.spp_connected);
        bt_events.bt_connected.store(1, std::memory_order_release);
    } else {
        bt_events.bt_connected.store(0);
    }
    return 0;
}

int bt_on_bredr_disconnect(void *record)
{
    if (record)
        memcpy(&bt_events.spp_disconnected, record, sizeof bt_events.spp_disconnected);
    bt_events.bt_connected.store(0);
    // Whoever takes the descriptor closes it: this thread or bt_com_close.
    int fd = bt_com_fd.exchange(-1);
    if (fd >= 0)
        close(fd);
    return 0;
}

int bt_on_bredr_scan_list(void *record)
{
    if (record) {
        memcpy(&bt_events.bredr_scan, record, sizeof bt_events.bredr_scan);
        bt_events.bt_scan_done.store(1, std::memory_order_release);
    }
    return 0;
}

// ---- the binding -------------------------------------------------------------

int bt_load_library()
{
    if (bt_lib.handle)
        return g_available.load();
    g_available = 1;
    char off[OS_REG_VALUE_MAX] = "";
    if (OsRegGetValue("ro.fac.bt", off) >= 1 && off[0] && atoi(off) == 0) {
        g_available = 0;
        return 0;
    }
    char path[4096];
    if (!OsMapPath(kLibraryPath, path, sizeof path))
        str_copy(path, kLibraryPath, sizeof path);
    // A terminal without the library has no Bluetooth: one plain line says
    // so. A library that is there and does not load is a fault, with the
    // loader's reason.
    struct stat st;
    if (stat(path, &st) != 0 && errno == ENOENT) {
        fprintf(stderr, "Bluetooth: no library, Bluetooth links off\n");
        g_available = 0;
        return 0;
    }
    bt_lib.handle = dlopen(path, RTLD_NOW);
    if (!bt_lib.handle) {
        const char *why = dlerror();
        fprintf(stderr, "cashdesk: no Bluetooth: %s\n", why ? why : path);
        g_available = 0;
        return 0;
    }
    // Every name is tried, so that each missing one is reported.
#define BT_BIND(name)                                                                                                \
    {                                                                                                                \
        void *symbol = dlsym(bt_lib.handle, #name);                                                                  \
        if (!symbol) {                                                                                               \
            fprintf(stderr, "cashdesk: no Bluetooth: %s lacks %s\n", path, #name);                                   \
            g_available = 0;                                                                                         \
        }                                                                                                            \
        bt_lib.name = reinterpret_cast<decltype(bt_lib.name)>(symbol);                                               \
    }
    BT_ENTRY_POINTS(BT_BIND)
#undef BT_BIND
    return g_available.load();
}

int bt_available()
{
    return g_available.load();
}

int bt_spp_connected()
{
    return bt_events.bt_connected.load(std::memory_order_acquire);
}

int bt_open(const char *name, int mode)
{
    return bt_available() ? bt_lib.OsBluetoothOpen(name, mode) : kNoDevice;
}

int bt_close(int value)
{
    if (!bt_available())
        return value;
    int32_t handle;
    memcpy(&handle, &bt_events.spp_disconnected, sizeof handle);
    bt_lib.OsPanDisconnect(handle);
    OsNetStopDhcp(CONN_IF_BT);
    int r = bt_lib.OsBluetoothClose();
    bt_events.bt_connected.store(0);
    bt_events.bt_scan_done.store(0);
    return r;
}

int tty_set_raw(int fd)
{
    termios tio;
    if (tcgetattr(fd, &tio) != 0)
        return -1;
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB);
    tio.c_cflag |= CS8;
    if (cfsetispeed(&tio, B115200) != 0 || cfsetospeed(&tio, B115200) != 0)
        return -1;
    if (tcflush(fd, TCIOFLUSH) != 0)
        return -1;
    return tcsetattr(fd, TCSANOW, &tio) == 0 ? 0 : -1;
}

int bt_com_open()
{
    if (!bt_available())
        return kNoDevice;
    int32_t handle = bt_events.spp_connected.SppHandle;
    bt_events.spp_device.Handle = handle;
    int r = bt_lib.OsBREDRGetSPPDevice(&bt_events.spp_device);
    if (r != 0) {
        bt_lib.OsBREDRSPPDisconnect(handle);
        return r;
    }
    char path[4096];
    char device[sizeof bt_events.spp_device.Path + 1];
    field(device, sizeof device, bt_events.spp_device.Path, sizeof bt_events.spp_device.Path);
    if (!OsMapPath(device, path, sizeof path))
        str_copy(path, device, sizeof path);
    int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        bt_lib.OsBREDRSPPDisconnect(handle);
        return fd;
    }
    int old = bt_com_fd.exchange(fd);
    if (old >= 0)
        close(old);
    tty_set_raw(fd);
    return 0;
}

int bt_com_open_named(vuUI *ui)
{
    int fd = bt_com_fd.load();
    if (fd >= 0)
        return fd;
    int r = bt_com_open();
    if (r != 0)
        return r;
    char device[sizeof bt_events.spp_device.Path + 1];
    field(device, sizeof device, bt_events.spp_device.Path, sizeof bt_events.spp_device.Path);
    if (ui) {
        char text[sizeof device + 16];
        str_format(text, sizeof text, "Device name:\n%s", device);
        message_box(ui, "DEVNAME", text, MB_OK);
    }
    return bt_com_fd.load();
}

void bt_com_close_device()
{
    int fd = bt_com_fd.exchange(-1);
    if (fd >= 0)
        close(fd);
}

int bt_base_info(char *info, int size)
{
    if (info && size > 0)
        info[0] = '\0';
    if (!bt_available())
        return kNoDevice;
    const bool opened = bt_lib.OsBluetoothCheck() == OS_BT_CHECK_CLOSED;
    if (opened) {
        int r = bt_lib.OsBluetoothOpen("info", OS_BT_OPEN_PAN);
        if (r < 0)
            return r;
    }
    char text[201] = "";
    int r = bt_lib.OsBluetoothGetBaseInfo(text, sizeof text);
    text[sizeof text - 1] = '\0';
    if (info && size > 0)
        str_copy(info, text, static_cast<size_t>(size));
    if (opened)
        bt_lib.OsBluetoothClose();
    return r;
}

int bt_com_close()
{
    int r = 0;
    if (bt_available()) {
        if (bt_spp_connected())
            bt_lib.OsBREDRSPPDisconnect(bt_events.spp_device.Connection);
        r = bt_lib.OsBluetoothClose();
    }
    int fd = bt_com_fd.exchange(-1);
    if (fd >= 0)
        close(fd);
    bt_events.bt_connected.store(0);
    return r;
}

// ---- the chooser ------------------------------------------------------------


int bt_choose_device(const char *const *names, int count, int *index)
{
    int result = kNone;
    vuUI *ui = vuUI::GetUI();
    if (ui && names && count > 0) {
        vuMenu *menu = conn_menu_new("ВЫБОР BLUETOOTH");
        // The menu numbers the rows itself; a name too long for its row
        // ends in "..." inside it.
        for (int i = 0; i < count; ++i)
            menu->AddItem(names[i] ? names[i] : "", nullptr, 0, 1);
        ListPage page(ui, menu);
        menu_fit_rows(menu);
        int selected = static_cast<int>(page.choose()) - 1;
        if (selected >= 0 && selected < count)
            result = selected;
    }
    if (index)
        *index = result;
    return result;
}

// ---- the links --------------------------------------------------------------

int bt_init(vuUI *ui)
{
    char name[64];
    terminalName(name);
    return commonStart(ui, Op::Init, name, kDefaultPin);
}

int bt_connect_spp(vuUI *ui, conn_record *record)
{
    char name[64];
    terminalName(name);
    int r = commonStart(ui, Op::Spp, name, kDefaultPin);
    if (r != 0)
        return r;

    if (ui)
        message_box(ui, name, "Поиск Bluetooth устройств...", MB_NOWAIT);
    bt_events.bt_scan_done.store(0);
    r = bt_lib.OsBREDRStartScan(record->bt_scan_time);
    if (r != 0) {
        box(ui, name, kAlert, "OsBREDRStartScan ret = %d", r);
        return r;
    }
    if (!waitScan(record->bt_wait_connect_ms)) {
        bt_close(0);
        error_box_f(ui, "Время ожидания соединения истекло");
        return kTimedOut;
    }
    const OsBtBredrScanResult &scan = bt_events.bredr_scan;
    int count = scan.Count < 0 ? 0 : scan.Count > OS_BT_SCAN_MAX ? OS_BT_SCAN_MAX : scan.Count;
    if (count == 0) {
        box(ui, name, kAlert, "Найдено: %d устройств", count);
        return kNone;
    }
    char addr[32] = "", devName[64] = "";
    if (record->bt_mac[0]) {
        str_copy(addr, record->bt_mac, sizeof addr);
        const char separator = scan.Devices[0].Addr[2];
        for (int i = 0; i < count; ++i) {
            if (sameAddress(record->bt_mac, scan.Devices[i].Addr, separator)) {
                field(devName, sizeof devName, scan.Devices[i].Name, sizeof scan.Devices[i].Name);
                break;
            }
        }
    } else {
        char names[OS_BT_SCAN_MAX][sizeof scan.Devices[0].Name + 1];
        const char *rows[OS_BT_SCAN_MAX];
        for (int i = 0; i < count; ++i) {
            field(names[i], sizeof names[i], scan.Devices[i].Name, sizeof scan.Devices[i].Name);
            rows[i] = names[i];
        }
        int chosen = kNone;
        if (bt_choose_device(rows, count, &chosen) < 0)
            return kNone;
        field(addr, sizeof addr, scan.Devices[chosen].Addr, sizeof scan.Devices[chosen].Addr);
        field(devName, sizeof devName, scan.Devices[chosen].Name, sizeof scan.Devices[chosen].Name);
    }

    box(ui, name, MB_NOWAIT, "MAC: %s\nName: %s\nСоединение...", addr, devName);
    // A pairing of an earlier link must not end this one's wait.
    bt_events.bt_pair_ok.store(0);
    r = bt_lib.OsBREDRStartPair(addr, 0);
    if (r != 0) {
        box(ui, name, kAlert, "OsBREDRStartPair ret = %d", r);
        return r;
    }
    r = bt_lib.OsBREDRStartSPPConnect(addr);
    if (r != 0) {
        box(ui, name, kAlert, "OsBREDRStartSPPConnect ret = %d", r);
        return r;
    }
    uint32_t start = OsGetTickCount();
    for (;;) {
        if (bt_lib.OsBluetoothCheck() == kSppConnected) {
            if (!record->bt_mac[0])
                str_copy(record->bt_mac, addr, sizeof record->bt_mac);
            str_copy(record->bt_name, devName, sizeof record->bt_name);
            return 0;
        }
        if (bt_events.bt_pair_ok.load())
            return r;
        if (elapsed(start, record->bt_wait_connect_ms))
            return kNone;
        OsSleep(kPauseMs);
    }
}

int bt_connect_pan(vuUI *ui, conn_record *record)
{
    int wait = static_cast<int>(record->bt_wait_connect_ms);
    if (record->bt_wait_connect_ms < uint32_t(kPanMinWaitMs) || record->bt_wait_connect_ms > uint32_t(kPanMaxWaitMs))
        wait = kPanDefaultWaitMs;
    char name[64];
    terminalName(name);
    char pin[sizeof record->bt_pin];
    str_copy(pin, record->bt_pin[0] ? record->bt_pin : kDefaultPin, sizeof pin);
    int r = commonStart(ui, Op::Pan, name, pin);
    if (r != 0)
        return r;

    const int duration = record->bt_scan_time >= 1 && record->bt_scan_time <= 45 ? record->bt_scan_time : 10;
    char addr[32] = "", devName[64] = "";
    if (record->bt_mac[0]) {
        str_copy(addr, record->bt_mac, sizeof addr);
        str_copy(devName, record->bt_name, sizeof devName);
    } else {
        OsPanScanParam scanParam = {duration, kPanServices};
        bt_events.bt_scan_done.store(0);
        r = bt_lib.OsPanStartScan(&scanParam);
        if (r != 0) {
            bt_close(0);
            error_box_f(ui, "OsPanStartScan ret = %d\nDuration: %d\nServices: %d", r, duration, kPanServices);
            return kFailed;
        }
        if (!waitScan(uint32_t(wait))) {
            bt_close(0);
            error_box_f(ui, "Время сканирования истекло");
            return kTimedOut;
        }
        const OsBtPanScanResult &scan = bt_events.pan_scan;
        int count = scan.Count < 0 ? 0 : scan.Count > OS_BT_SCAN_MAX ? OS_BT_SCAN_MAX : scan.Count;
        if (count == 0) {
            bt_close(0);
            error_box_f(ui, "Bluetooth устройства не найдены!");
            return kFailed;
        }
        char names[OS_BT_SCAN_MAX][sizeof scan.Devices[0].Name + 1];
        const char *rows[OS_BT_SCAN_MAX];
        for (int i = 0; i < count; ++i) {
            field(names[i], sizeof names[i], scan.Devices[i].Name, sizeof scan.Devices[i].Name);
            rows[i] = names[i];
        }
        int chosen = kNone;
        if (bt_choose_device(rows, count, &chosen) < 0)
            return kFailed;
        field(addr, sizeof addr, scan.Devices[chosen].Addr, sizeof scan.Devices[chosen].Addr);
        field(devName, sizeof devName, scan.Devices[chosen].Name, sizeof scan.Devices[chosen].Name);
    }

    OsPanConnectParam request;
    memset(&request, 0, sizeof request);
    str_copy(request.Addr, addr, sizeof request.Addr);
    request.Role = 1;
    request.Services = kPanServices;
    OsPanRoleParam role;
    memset(&role, 0, sizeof role);
    role.Role = 1;
    str_copy(role.Name, name, sizeof role.Name);
    r = bt_lib.OsPanSetRole(&role);
    if (r != 0) {
        bt_close(0);
        error_box_f(ui, "OsPanSetRole ret = %d", r);
        return kFailed;
    }
    box(ui, "СОЕДИНЕНИЕ", MB_NOWAIT, "Соединяемся с Bluetooth\n%s", devName);
    r = bt_lib.OsPanConnect(&request);
    if (r != 0) {
        bt_close(0);
        error_box_f(ui, "Ошибка в параметрах подключения\nOsPanConnect ret = %d", r);
        return kFailed;
    }
    uint32_t start = OsGetTickCount();
    while (bt_lib.OsPanCheck() != kPanConnected) {
        if (elapsed(start, uint32_t(wait))) {
            bt_close(0);
            error_box_f(ui, "Время ожидания соединения истекло");
            return kTimedOut;
        }
        OsSleep(kPauseMs);
    }
    str_copy(record->bt_name, devName, sizeof record->bt_name);
    str_copy(record->bt_mac, addr, sizeof record->bt_mac);
    str_copy(record->bt_pin, pin, sizeof record->bt_pin);
    record->bt_scan_time = static_cast<uint16_t>(duration);
    return conn_up_ip(ui, CONN_IF_BT, record);
}
