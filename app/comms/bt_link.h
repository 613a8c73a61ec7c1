// Bluetooth: the terminal maker's library bound at run time, the events its
// callbacks report, and the links on top of it: a serial-port (SPP) link to
// a chosen device ("BluetoothCOM"), a PAN link with DHCP on interface 9
// ("Bluetooth"), and the SPP set-up the work with a PC waits on, where the
// PC connects to the terminal.
#ifndef APP_COMMS_BT_LINK_H
#define APP_COMMS_BT_LINK_H

#include <stdint.h>

#include <atomic>

#include "OsBluetooth.h"

struct conn_record;
class vuUI;

// The library's entry points, looked up by name in this order; all are
// required.
#define BT_ENTRY_POINTS(X)                                                                                          \
    X(OsBluetoothOpen) X(OsBluetoothSetName) X(OsBluetoothCheck) X(OsBluetoothSetSecurityCallback)                  \
    X(OsBluetoothSetPairAuth) X(OsBluetoothGetPairedList) X(OsBluetoothRemovePaired) X(OsBluetoothGetBaseInfo)      \
    X(OsBluetoothClose) X(OsBluetoothIoctl) X(OsBREDRSetCallback) X(OsBREDRBroadcast) X(OsBREDRStartScan)          \
    X(OsBREDRStopScan) X(OsBREDRStartPair) X(OsBREDRStartSPPConnect) X(OsBREDRSPPDisconnect)                       \
    X(OsBREDRGetSPPDevice) X(OsBREDRGetSPPConnectionList) X(OsBleGetConnectionList) X(OsBleGetDevice)              \
    X(OsBleRegisterClient) X(OsBleUnregisterClient) X(OsBleClientConnect) X(OsBleClientDisconnect)                 \
    X(OsBleStartScan) X(OsBleStopScan) X(OsBleRegisterServer) X(OsBleUnregisterServer) X(OsBleServerDisconnect)    \
    X(OsBleBroadcast) X(OsPanSetCallback) X(OsPanSetRole) X(OsPanStartScan) X(OsPanConnect) X(OsPanDisconnect)     \
    X(OsPanCheck)

// The binding: the library's handle and one pointer per entry point (null
// until bound). Process-wide; bound once at start and never unloaded.
struct bt_binding {
    void *handle;
#define BT_POINTER(name) decltype(&::name) name;
    BT_ENTRY_POINTS(BT_POINTER)
#undef BT_POINTER
};
extern bt_binding bt_lib;

// What the callbacks report. They run in the library's threads and only
// store; the waiting loops read. The flags are atomics; a result or event
// record is copied before its flag is stored.
struct bt_event_state {
    std::atomic<int> bt_connected;  // 1 while a PAN or SPP connection is up
    std::atomic<int> bt_scan_done;  // 1 once a scan's result has come
    std::atomic<int> bt_pair_ok;    // 1 when the last pair status was 0
    OsBtPanScanResult pan_scan;
    OsBtBredrScanResult bredr_scan;
    OsBtPanConnected pan_connected;
    OsBtSppConnected spp_connected;     // its tenth word is the SPP handle
    OsBtEvent spp_disconnected;
    OsBtSppDevice spp_device;           // the serial device's request
};
extern bt_event_state bt_events;
// The open SPP serial device, -1 while closed.
extern std::atomic<int> bt_com_fd;

// The callback tables handed to the library, filled by bt_callbacks_init
// before main().
extern OsBtSecurityCallbacks bt_security_callbacks;
extern OsBtPanCallbacks bt_pan_callbacks;
extern OsBtBredrCallbacks bt_bredr_callbacks;
void bt_callbacks_init();

int bt_on_security_request(void *record);
int bt_on_security_confirm(void *record);
int bt_on_pan_connect(void *record);
int bt_on_pan_reset(void *record);
int bt_on_pan_scan_list(void *record);
int bt_on_bredr_connect(void *record);
int bt_on_bredr_disconnect(void *record);
int bt_on_bredr_scan_list(void *record);

// Binds the library (once, at start): 1 usable, 0 not. The property
// "ro.fac.bt" set to a number 0 turns Bluetooth off; a library that does not
// open or lacks an entry point leaves it off.
int bt_load_library();
// 1 when the library is bound.
int bt_available();
// 1 while a connection is up.
int bt_spp_connected();
// OsBluetoothOpen, or -1004 without the library.
int bt_open(const char *name, int mode);
// Ends the PAN link and DHCP on interface 9 and closes the module: the
// close result; without the library its argument.
int bt_close(int value);
// Raw mode at 115200 baud, queues flushed: 0, or -1 (errno set).
int tty_set_raw(int fd);
// Opens the SPP connection's serial device raw into bt_com_fd: 0, or the
// library's code or a negative value of open() (the connection dropped).
int bt_com_open();
// The serial device's descriptor: the one already open, else bt_com_open's;
// a device opened now is named in a box titled "DEVNAME" (with a UI). The
// descriptor (0 or more), or bt_com_open's failure.
int bt_com_open_named(vuUI *ui);
// Drops the SPP connection, closes the module and the serial device.
int bt_com_close();
// Closes the serial device alone; the connection and the module stay.
void bt_com_close_device();
// The module's base information, at most 200 characters, into info (size
// bytes, always terminated): the library's answer. A closed module is
// opened for it (as "info", PAN mode) and closed again, so a link opened
// later finds it as it was; without the library -1004.
int bt_base_info(char *info, int size);
// The device chooser over `count` names: the chosen index, or -1 (cancelled,
// no UI); also stored through index.
int bt_choose_device(const char *const *names, int count, int *index);
// The operations below show their boxes with a UI and none without. Their
// boxes are titled with the terminal's Bluetooth name, "ro.fac.mach" "_"
// "ro.fac.sn" (SPP), or "ОШИБКА" (PAN).
// The SPP set-up the work with a PC waits on: 0 ready, else a code.
int bt_init(vuUI *ui);
// SPP link to a device of the record ("BluetoothCOM"): 0 connected; -1, -3,
// -41, -1006 or a library code.
int bt_connect_spp(vuUI *ui, conn_record *record);
// PAN link of the record ("Bluetooth"), ending in DHCP on interface 9: 0,
// -3, -41, -1006 or the IP set-up's result.
int bt_connect_pan(vuUI *ui, conn_record *record);

#endif
