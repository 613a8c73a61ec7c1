/* The terminal's Bluetooth library: its 37 entry points and the records they
 * pass. The program binds the library at run time ("/data/opt/lib/libbt.so",
 * looked up by name with dlsym), so it starts without it; nothing links
 * against these declarations. On a PC the library is the stand-in built from
 * platform/bt/ (README there).
 *
 * Every record is a sequence of 32-bit words and texts whose sizes are
 * multiples of four: the layout is the same on the 32-bit terminal and on a
 * 64-bit PC. Texts are zero-terminated inside their field. */
#ifndef PLATFORM_BT_OSBLUETOOTH_H
#define PLATFORM_BT_OSBLUETOOTH_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- records ---------------------------------------------------------- */

/* The head every event record begins with; the ninth word is its status
 * (0 success). A pair request or pair status, and an SPP disconnection, is
 * this head alone. */
typedef struct OsBtEvent {
    int32_t Handle;  /* the connection the event is about (0: none) */
    int32_t Kind;    /* OS_BT_EV_* */
    char Addr[24];   /* the peer's address text */
    int32_t Status;
} OsBtEvent;

enum {
    OS_BT_EV_PAIR_REQUEST = 1,
    OS_BT_EV_PAIR_STATUS = 2,
    OS_BT_EV_SPP_CONNECTED = 3,
    OS_BT_EV_SPP_DISCONNECTED = 4,
    OS_BT_EV_PAN_CONNECTED = 5,
    OS_BT_EV_PAN_DISCONNECTED = 6
};

/* An SPP connection came up: the tenth word is its handle. */
typedef struct OsBtSppConnected {
    OsBtEvent Head;
    int32_t SppHandle;
    int32_t Channel;
} OsBtSppConnected;

/* A PAN connection came up. */
typedef struct OsBtPanConnected {
    OsBtEvent Head;
    int32_t PanHandle;
    int32_t Role;
    int32_t NetIf;
} OsBtPanConnected;

#define OS_BT_SCAN_MAX 32

/* A scan's result: the device count and up to 32 entries, each beginning
 * with the address text and the name text. */
typedef struct OsBtPanDevice {
    char Addr[32];
    char Name[64];
    int32_t Rssi;
    uint32_t Services;
    uint8_t Reserved[260];
} OsBtPanDevice;

typedef struct OsBtPanScanResult {
    int32_t Count;
    OsBtPanDevice Devices[OS_BT_SCAN_MAX];
} OsBtPanScanResult;

typedef struct OsBtBredrDevice {
    char Addr[32];
    char Name[64];
    int32_t Rssi;
    uint32_t DeviceClass;
    uint8_t Reserved[256];
} OsBtBredrDevice;

typedef struct OsBtBredrScanResult {
    int32_t Count;
    OsBtBredrDevice Devices[OS_BT_SCAN_MAX];
} OsBtBredrScanResult;

/* The serial device of an SPP connection: the caller gives the handle, the
 * library fills the device's path and the connection to pass to
 * OsBREDRSPPDisconnect. */
typedef struct OsBtSppDevice {
    char Path[64];
    int32_t Handle;
    int32_t Connection;
} OsBtSppDevice;

/* Pairing: the mode, whether a PIN is used, the PIN. */
typedef struct OsBtPairAuth {
    int32_t Mode;
    int32_t UsePin;
    char Pin[20];
} OsBtPairAuth;

/* PAN: a scan's duration (seconds) and service mask; the local role and
 * name; a connect request (the peer, the role, the service mask). */
typedef struct OsPanScanParam {
    int32_t Duration;
    int32_t Services;
} OsPanScanParam;

typedef struct OsPanRoleParam {
    int32_t Role;
    char Name[64];
} OsPanRoleParam;

typedef struct OsPanConnectParam {
    char Addr[32];
    int32_t Role;
    int32_t Services;
} OsPanConnectParam;

/* An event callback gets the event's record (OsBtEvent, OsBtSppConnected,
 * OsBtPanConnected, or a scan result for the scan callbacks). The library
 * calls it from a thread of its own. */
typedef int (*OsBtCallback)(void *record);

typedef struct OsBtSecurityCallbacks {
    OsBtCallback PairRequest;
    OsBtCallback PairStatus;
} OsBtSecurityCallbacks;

typedef struct OsBtPanCallbacks {
    OsBtCallback Connected;
    OsBtCallback Disconnected;
    OsBtCallback ScanResult;
    OsBtCallback Reserved;
} OsBtPanCallbacks;

typedef struct OsBtBredrCallbacks {
    OsBtCallback SppConnected;
    OsBtCallback SppDisconnected;
    OsBtCallback ScanResult;
    OsBtCallback Reserved;
} OsBtBredrCallbacks;

/* Answers of OsBluetoothCheck and OsPanCheck the program relies on. */
enum { OS_BT_CHECK_CLOSED = 0, OS_BT_CHECK_OPEN = 1, OS_BT_CHECK_CONNECTING = 2, OS_BT_CHECK_SPP_CONNECTED = 3 };
enum { OS_PAN_CHECK_IDLE = 0, OS_PAN_CHECK_CONNECTING = 5, OS_PAN_CHECK_CONNECTED = 10 };

/* Modes of OsBluetoothOpen. */
enum { OS_BT_OPEN_SPP = 1, OS_BT_OPEN_PAN = 8 };

/* ---- entry points (0 or a positive answer: success; negative: a code) -- */

int OsBluetoothOpen(const char *name, int mode);
int OsBluetoothSetName(const char *name);
int OsBluetoothCheck(void);
int OsBluetoothSetSecurityCallback(const OsBtSecurityCallbacks *table);
int OsBluetoothSetPairAuth(const OsBtPairAuth *auth);
int OsBluetoothGetPairedList(char *addrs, int max);
int OsBluetoothRemovePaired(const char *addr);
int OsBluetoothGetBaseInfo(char *info, int size);
int OsBluetoothClose(void);
int OsBluetoothIoctl(int request, void *arg);
int OsBREDRSetCallback(const OsBtBredrCallbacks *table);
int OsBREDRBroadcast(int on);
int OsBREDRStartScan(int seconds);
int OsBREDRStopScan(void);
int OsBREDRStartPair(const char *addr, int mode);
int OsBREDRStartSPPConnect(const char *addr);
int OsBREDRSPPDisconnect(int handle);
int OsBREDRGetSPPDevice(OsBtSppDevice *device);
int OsBREDRGetSPPConnectionList(int *handles, int max);
int OsBleGetConnectionList(int *handles, int max);
int OsBleGetDevice(int handle, char *addr, int size);
int OsBleRegisterClient(const void *table);
int OsBleUnregisterClient(int client);
int OsBleClientConnect(int client, const char *addr);
int OsBleClientDisconnect(int client);
int OsBleStartScan(int seconds);
int OsBleStopScan(void);
int OsBleRegisterServer(const void *table);
int OsBleUnregisterServer(int server);
int OsBleServerDisconnect(int server);
int OsBleBroadcast(const void *data, int len);
int OsPanSetCallback(const OsBtPanCallbacks *table);
int OsPanSetRole(const OsPanRoleParam *role);
int OsPanStartScan(const OsPanScanParam *scan);
int OsPanConnect(const OsPanConnectParam *request);
int OsPanDisconnect(int handle);
int OsPanCheck(void);

#ifdef __cplusplus
}
#endif

#endif
