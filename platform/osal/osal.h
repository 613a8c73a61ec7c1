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

#ifdef __cplusplus
}
#endif

#endif
