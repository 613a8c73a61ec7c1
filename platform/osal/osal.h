/* Stand-in for the terminal's OS library: the calls the cash register makes,
 * implemented over files and processes of a PC. On the terminal the real
 * library takes its place; nothing above this header depends on the
 * implementation behind it. */
#ifndef OSAL_OSAL_H
#define OSAL_OSAL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- time ------------------------------------------------------------ */

/* Milliseconds since an arbitrary start, 32 bits, wrapping: compare with
 * unsigned subtraction (now - start >= limit). */
unsigned int OsGetTickCount(void);
void OsSleep(unsigned int ms);

/* Local calendar time: Year (full, e.g. 2026), Month 1..12, Day 1..31,
 * Hour, Minute, Second, DayOfWeek 0..6 (0 Sunday). */
typedef struct OsTime {
    int Year;
    int Month;
    int Day;
    int Hour;
    int Minute;
    int Second;
    int DayOfWeek;
} OsTime;

int OsGetTime(OsTime *t);
/* Keeps an offset to the machine's clock; the machine's clock never changes. */
int OsSetTime(const OsTime *t);

/* ---- system properties ----------------------------------------------- */

#define OS_REG_VALUE_MAX 92 /* bytes a value may hold, terminator included */

/* Copies the value of key into value (at least OS_REG_VALUE_MAX bytes).
 * Returns its length, or -1 when the key is unknown or an argument is null. */
int OsRegGetValue(const char *key, char *value);
/* Returns 0, or -1 on a bad argument or a write failure. */
int OsRegSetValue(const char *key, const char *value);

/* ---- applications ----------------------------------------------------- */

typedef struct OsAppInfo {
    char Id[64];
    char Name[64];
    char Bin[256];
    char Version[32];
    int Detached; /* 1: OsRunApp starts it and returns at once */
} OsAppInfo;

/* Fills at most max entries; returns the number filled, -1 on a bad argument. */
int OsGetAppInfo(OsAppInfo *info, int max);
/* Runs the application with the given identifier. argv ends with a null
 * entry. Waits for its end unless the table marks it detached. The output
 * callbacks are accepted for compatibility and not called.
 * Returns the exit status (0 for a detached start), -1 bad argument,
 * -2 unknown application, -3 start failed. */
int OsRunApp(const char *appId, char **argv, void *data, void (*out)(char *), void (*err)(char *));

/* ---- device ----------------------------------------------------------- */

#define OS_REBOOT_EXIT_STATUS 86

/* Logs the request and ends the process with OS_REBOOT_EXIT_STATUS. */
void OsReboot(void);
/* Logs the tone and duration. */
void OsBeep(int tone, int durationMs);
/* Sets the screen's backlight level. The stand-in keeps the level as the
 * property "osal.screen.brightness" (a screen viewer may read it) and logs
 * it. Returns 0, or -1 when the property cannot be written. */
int OsScrBrightness(int level);

/* ---- battery ---------------------------------------------------------- */

/* The battery as the stand-in's file "/data/osal/battery" describes it, read
 * again on every call (so the battery can be drained while a program runs;
 * format in the README). Without the file the terminal is on external power
 * with a full battery and no battery management system. A file that cannot
 * be read, or has a bad line, makes every call fail (no battery step, no
 * external power, no management system); this is logged once until the
 * file reads well again. */

/* The battery step: 0..4 the level in steps, 6 full; a negative code on
 * failure. */
int OsCheckBattery(void);
/* 1 or 2 on external power, 0 on the battery alone; a negative code on
 * failure. */
int OsCheckPowerSupply(void);
/* The battery management system's four readings (b the charge, d the full
 * charge); 0, or a negative code when there is none. Null pointers are
 * skipped. */
int OsCheckBMSMode(int *a, int *b, int *c, int *d);

/* ---- network --------------------------------------------------------- */

/* Interface numbers of the IP calls. */
enum { OS_NET_IF_ETH1 = 2, OS_NET_IF_GPRS = 3, OS_NET_IF_WIFI = 4, OS_NET_IF_BT = 9 };

#define OS_NET_ADDR_SIZE 16 /* a dotted IPv4 text with its terminator */

/* 0 started, or a negative code (-1004: no such device). */
int OsNetStartDhcp(int netIf);
void OsNetStopDhcp(int netIf);
/* 0 address obtained, 1 still pending, other: an error code. */
int OsNetCheckDhcp(int netIf);
/* Static configuration; empty or null texts leave a value unset. 0 or a
 * negative code. */
int OsNetSetConfig(int netIf, const char *ip, const char *mask, const char *gw, const char *dns);
/* The configuration in force; each buffer OS_NET_ADDR_SIZE bytes (a null one
 * is skipped). 0 or a negative code. */
int OsNetGetConfig(int netIf, char *ip, char *mask, char *gw, char *dns);
/* Makes the interface the default route. 0 or a negative code. */
int OsNetSetRoute(int netIf);
/* One echo request to a dotted address, waiting at most timeoutMs: 0 an
 * answer came, -1001 time-out, -1003 bad argument, -3307 no route. */
int OsNetPing(const char *dest, int timeoutMs);

/* WiFi authentication modes and cipher bits. */
enum {
    OS_WIFI_AUTH_NONE = 0,
    OS_WIFI_AUTH_OPEN = 1,
    OS_WIFI_AUTH_WPA = 5,
    OS_WIFI_AUTH_WPA_EAP = 6,
    OS_WIFI_AUTH_WPA_WPA2 = 7,
    OS_WIFI_AUTH_WPA_WPA2_EAP = 8,
    OS_WIFI_AUTH_WPA2 = 9,
    OS_WIFI_AUTH_WPA2_EAP = 10
};
enum { OS_WIFI_CIPHER_WEP = 0x04, OS_WIFI_CIPHER_AES = 0x10, OS_WIFI_CIPHER_TKIP = 0x20 };

/* One access point found by a scan. */
typedef struct OsWifiApInfo {
    char Essid[33];
    char Bssid[20];
    int32_t Rssi;     /* dBm */
    int32_t AuthMode; /* OS_WIFI_AUTH_* */
    uint32_t SecMode; /* OS_WIFI_CIPHER_* bits */
} OsWifiApInfo;

/* The parameters of a join: the network, its mode and cipher bits, then
 * either the pre-shared key or, for the EAP modes, the EAP parameters laid
 * over the same place. */
typedef struct OsWifiApSet {
    char Essid[33];
    int32_t AuthMode;
    uint32_t SecMode;
    union {
        struct {
            char Key[64];
            uint32_t KeyLen;
        } Psk;
        struct {
            int32_t Type;
            char Password[132];
            char Identity[132];
            char CaCert[132];
            char ClientCert[132];
            char PrivateKey[132];
            char PrivateKeyPass[132];
        } Eap;
    } u;
} OsWifiApSet;

/* 0, or a negative code (-1004: no WiFi module). */
int OsWifiOpen(void);
void OsWifiClose(void);
/* Fills at most capacity records; the number of access points found (0
 * none), or a negative code. */
int OsWifiScan(OsWifiApInfo *aps, int capacity);
/* Starts joining: 0 joined, 1 still joining, other: an error code. */
int OsWifiConnect(const OsWifiApSet *ap, int timeoutMs);
int OsWifiDisconnect(void);
/* The state of the join: 0 joined, 1 still joining, other: an error code;
 * fills the network name (33 bytes), BSSID (20 bytes) and RSSI (dBm) of the
 * access point when the pointers are not null. */
int OsWifiCheck(char *essid, char *bssid, int *rssi);

/* Cellular module. All answer 0 or a negative code unless said. */
int OsWlLock(void);
void OsWlUnLock(void);
/* pin may be null (no PIN). */
int OsWlInit(const char *pin);
int OsWlSelSim(unsigned char slot);
int OsWlLogin(const char *apn, const char *user, const char *password, long auth, int timeoutMs, int keepAlive,
              int reserved);
int OsWlLogout(void);
/* 0 connected, 1 connecting, 2 module busy, other: an error code. */
int OsWlCheck(void);
/* 0..5, or a negative code. */
int OsWlGetSignal(void);

/* ---- serial ports ---------------------------------------------------- */

/* Port 11 is the USB device port (the terminal seen by a PC as a serial
 * device). attr is "BAUD,DATA,PARITY,STOP", e.g. "57600,8,n,1".
 * OsPortOpen: 0, -1011 another port, -1003 a malformed attribute string,
 * -1005 already open, -1004 no device. OsPortSend: 0 all sent, -1006 not
 * open, -1003 bad arguments, -1012 the peer is gone or a time-out of 1000 ms
 * passed. OsPortRecv: the bytes placed (0 none within timeoutMs), -1006,
 * -1003 or -1012. OsPortClose: 0, or -1006 when not open.
 * Stand-in: the device is "/data/osal/port11" (mapped under TERMINAL_ROOT),
 * where a host program links the slave of a pseudo-terminal it holds; the
 * attribute string sets that terminal's mode; calls go to events.log. */
int OsPortOpen(int channel, const char *attr);
int OsPortSend(int channel, const void *data, int len);
int OsPortRecv(int channel, void *buf, int max, int timeoutMs);
int OsPortClose(int channel);

/* ---- removable media ------------------------------------------------- */

/* Mounts the block device `source` at the existing folder `target`, as
 * mount(2) does: 0, or a negative errno (-ENODEV no such device, -ENOENT no
 * mount point, -EBUSY something is mounted there or it is not empty,
 * -ENOTDIR, -EINVAL bad arguments). OsUmount detaches what is mounted at
 * `target` (flags as umount2(2)): 0, or -EINVAL when nothing is.
 * Stand-in: a device is present when its path is a folder under
 * TERMINAL_ROOT, the folder standing for the medium; mounting shows its files
 * at the mount point, unmounting leaves the mount point empty again. Every
 * call goes to events.log. */
int OsMount(const char *source, const char *target, const char *fsType, unsigned long flags, const void *data);
int OsUmount(const char *target, int flags);
/* ---- built-in barcode scanner ---------------------------------------- */

/* The terminal's own scanner, present when the property "ro.fac.barcode"
 * is set. OsScanOpen: 0, -1004 no scanner, -1005 already open.
 * OsScanRead: one code (a line, its end not included) into buf, at most
 * size bytes, waiting at most timeoutMs: the bytes placed, 0 when no code
 * came in time, -1003 bad arguments, -1006 not open. A longer line gives its
 * first size bytes; the rest of it is dropped. OsScanClose: closes it.
 * Stand-in: the scanner is the FIFO "/dev/scanner" (mapped under
 * TERMINAL_ROOT), into which a feeder writes one code a line (tools/scanfeed
 * does); the calls go to events.log. */
int OsScanOpen(void);
int OsScanRead(unsigned char *buf, int size, int timeoutMs);
void OsScanClose(void);

/* ---- stand-in support (not part of the terminal's library) ------------ */

/* Maps a terminal path ("/dev/...", "/data/...", "/sys/...") under the folder
 * named by TERMINAL_ROOT. Unset, or for a relative path, the path is copied
 * unchanged. Returns out, or NULL when it does not fit or an argument is null. */
char *OsMapPath(const char *path, char *out, size_t size);

/* Screen information of a stand-in frame buffer. On the terminal the screen
 * device answers the frame-buffer ioctl; here the screen is a regular file of
 * xres x yres x (bpp / 8) bytes that has no ioctl, so its geometry comes from
 * the environment (TERMINAL_FB_XRES, TERMINAL_FB_YRES, TERMINAL_FB_BPP) or,
 * for each value not set there, from the properties "osal.fb.xres",
 * "osal.fb.yres" and "osal.fb.bpp" (bpp 16 when neither names it).
 * Returns 0 and fills the three values when fd is an open regular file at
 * least that large; -1 on a null argument, when fd is not a regular file,
 * when a value is missing, not a positive decimal number or too large, or
 * when the file is shorter than the screen (mapping it would fault). */
int OsFbStandInInfo(int fd, unsigned int *xres, unsigned int *yres, unsigned int *bpp);

/* The name of a stand-in HID device. On the terminal "/dev/hidraw0" answers
 * HIDIOCGRAWNAME; here it is a FIFO of 8-byte reports, which answers that
 * ioctl with ENOTTY, so the name comes from the property "osal.hidraw.name".
 * Returns 0 and copies the name (cut to size - 1 bytes, terminated) when fd
 * is an open FIFO and the property is set; -1 on a bad argument, when fd is
 * not a FIFO or when the property is absent. */
int OsHidStandInName(int fd, char *name, size_t size);

/* Appends one line to the stand-in's event log (reboots, beeps, runs). */
void OsLogEvent(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

/* Virtual clock for tests: once enabled, OsGetTickCount returns the virtual
 * time and OsSleep advances it instead of sleeping (after a yield, so other
 * threads get to run). Start above 0: a tick of 0 means "none" in places. */
void OsTestClockEnable(unsigned int start);
void OsTestClockAdvance(unsigned int ms);
void OsTestClockDisable(void);
int OsTestClockIsVirtual(void);
/* Called by OsSleep under the virtual clock once the time has advanced, in
 * the sleeping thread: a test's stand-in peer acts during the pause, so that
 * what it answers is there when the pause ends. NULL removes the hook. */
typedef void (*OsTestSleepHook)(unsigned int ms, void *arg);
void OsTestClockSetSleepHook(OsTestSleepHook hook, void *arg);

/* The network calls are scripted by the file "/data/osal/network" (read
 * again whenever it changes; format in the README) and write each call to
 * "/data/osal/network.log". A test may give the script's text instead:
 * OsTestNetScript replaces the file's script until it is called with null.
 * Returns 0, or -1 when a line is bad (error, when not null, receives the
 * message; the calls then answer as without a script). Either way the
 * state of the fakes (joins, logins, DHCP, sequence positions) starts
 * afresh. */
int OsTestNetScript(const char *text, char *error, size_t size);
/* Checks a script without applying it: 0, or -1 with the message. */
int OsNetCheckScript(const char *text, const char *source, char *error, size_t size);

#ifdef __cplusplus
}
#endif

#endif
