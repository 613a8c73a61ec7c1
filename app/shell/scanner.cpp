#include "scanner.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <semaphore.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "ServiceLog.h"
#include "error_box.h"
#include "osal.h"
#include "print_runner.h"
#include "scanner_hid.h"
#include "str_helpers.h"

namespace {

const char kHidDevice[] = "/dev/hidraw0";
const unsigned kIdleSleepMs = 50;
const unsigned kHidCodeEndMs = 250;  // silence that ends a code (kinds other than 1)
const unsigned kHidGiveUpMs = 500;   // silence that throws a partial code away
const int kHidWaitMs = 10;           // the longest wait for a report
const int kBuiltinReadMs = 5000;

// The code buffer: written by the reader thread when it hands a code over
// and by scanner_clear, each under g_bufferMutex; read by the caller once
// the status is 1.
char g_code[SCANNER_BUFFER_SIZE];
std::mutex g_bufferMutex;
std::atomic<int> g_status{-1};
std::atomic<int> g_kind{SCANNER_KIND_NONE};
std::atomic<int> g_lastLength{0};
std::atomic<int> g_reading{0};
std::atomic<int> g_running{0};
// Written by the probe on the caller's thread; the reader thread does not
// use it.
char g_deviceName[SCANNER_NAME_SIZE];

// The reader thread's own.
pthread_t g_thread;
sem_t g_stop;
HidDecoder g_decoder;

void log_line(const char *text)
{
    ServiceLog(text, static_cast<uint32_t>(strlen(text)), SERVICE_LOG_RAW);
}

// Hands a code over: trailing bytes 0x01 to 0x1F (the Enter scanners send
// last) removed, reading switched off, status 1, a beep. When reading was
// switched off meanwhile the code is not wanted and is dropped, so that a
// caller clearing the buffer after scanner_disable_read never meets a
// write in progress.
void finish_code(const char *code, int length)
{
    while (length > 0 && static_cast<unsigned char>(code[length - 1]) >= 0x01 &&
           static_cast<unsigned char>(code[length - 1]) <= 0x1F)
        --length;
    {
        std::lock_guard<std::mutex> lock(g_bufferMutex);
        if (!g_reading.load(std::memory_order_acquire))
            return;
        memcpy(g_code, code, static_cast<size_t>(length));
        g_code[length] = 0;
        g_reading.store(0, std::memory_order_release);
        g_status.store(1, std::memory_order_release);
    }
    OsBeep(4, 200);
}

// The stop semaphore not yet posted.
bool keep_running()
{
    return sem_try_wait(&g_stop) == 1;
}

// ---- the built-in scanner ----

void builtin_thread()
{
    int rc = OsScanOpen();
    if (rc != 0) {
        g_lastLength.store(rc, std::memory_order_release);
        g_status.store(-1, std::memory_order_release);
        return;
    }
    static char line[SCANNER_BUFFER_SIZE];
    while (keep_running()) {
        if (!g_reading.load(std::memory_order_acquire)) {
            OsSleep(kIdleSleepMs);
            continue;
        }
        int n = OsScanRead(reinterpret_cast<unsigned char *>(line), SCANNER_BUFFER_SIZE - 1, kBuiltinReadMs);
        g_lastLength.store(n, std::memory_order_release);
        if (n > 0 && g_reading.load(std::memory_order_acquire)) {
            line[n] = 0;
            log_line("### Scan Read Line ###");
            ServiceLog(line, static_cast<uint32_t>(n), SERVICE_LOG_RAW);
            finish_code(line, n);
        }
    }
    OsScanClose();
}

// ---- the HID scanner ----

// The device as the reader holds it: a report may come in pieces from a
// FIFO standing in for the device, so a partial one is kept.
struct HidDevice {
    char path[4096];
    int fd;
    uint8_t part[HID_REPORT_SIZE];
    int have;
};

bool hid_open(HidDevice *dev)
{
    dev->have = 0;
    dev->fd = open(dev->path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return dev->fd >= 0;
}

// A FIFO whose writers have all gone reads as its end and polls as hung up
// for ever: opened anew, waiting for it blocks again until a writer comes.
void hid_reopen(HidDevice *dev)
{
    if (dev->fd >= 0)
        close(dev->fd);
    hid_open(dev);
}

// 1 with a whole report in report, 0 when there is nothing to read now.
int hid_read_report(HidDevice *dev, uint8_t report[HID_REPORT_SIZE])
{
    if (dev->fd < 0) {
        hid_reopen(dev);
        if (dev->fd < 0)
            return 0;
    }
    for (;;) {
        ssize_t n = read(dev->fd, dev->part + dev->have, static_cast<size_t>(HID_REPORT_SIZE - dev->have));
        if (n > 0) {
            dev->have += static_cast<int>(n);
            if (dev->have < HID_REPORT_SIZE)
                continue;
            memcpy(report, dev->part, HID_REPORT_SIZE);
            dev->have = 0;
            return 1;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            hid_reopen(dev);
        return 0;
    }
}

// Waits at most ms for a report instead of asking again at once.
void hid_wait(HidDevice *dev, int ms)
{
    if (ms < 1)
        ms = 1;
    if (dev->fd >= 0) {
        pollfd pfd = {dev->fd, POLLIN, 0};
        int r = poll(&pfd, 1, ms);
        if (r <= 0 || (pfd.revents & POLLIN))
            return;
        if (pfd.revents & POLLHUP) {
            hid_reopen(dev);
            return;
        }
    }
    // A device in error (or gone) answers at once: wait the time out anyway.
    poll(nullptr, 0, ms);
}

void hid_thread(int kind)
{
    static HidDevice dev;
    if (!OsMapPath(kHidDevice, dev.path, sizeof dev.path) || !hid_open(&dev)) {
        g_lastLength.store(SCANNER_NO_DEVICE, std::memory_order_release);
        g_status.store(-1, std::memory_order_release);
        return;
    }
    HidDecoder *d = &g_decoder;
    bool drained = false;
    while (keep_running()) {
        if (!g_reading.load(std::memory_order_acquire)) {
            drained = false;
            OsSleep(kIdleSleepMs);
            continue;
        }
        hid_decoder_begin(d);
        unsigned last = 0;
        for (;;) {
            uint8_t report[HID_REPORT_SIZE];
            if (hid_read_report(&dev, report)) {
                if (hid_decoder_feed(d, report, kind)) {
                    g_lastLength.store(d->length, std::memory_order_release);
                    finish_code(d->code, d->length);
                    break;
                }
                last = OsGetTickCount();
                continue;
            }
            unsigned silent = OsGetTickCount() - last;
            if (drained && kind != 1 && d->data_seen && silent > kHidCodeEndMs) {
                hid_decoder_end_alt(d);
                g_lastLength.store(d->length, std::memory_order_release);
                finish_code(d->code, d->length);
                break;
            }
            if (!drained) {
                // What was waiting before reading began is thrown away.
                drained = true;
                break;
            }
            if (!d->data_seen) {
                hid_wait(&dev, kHidWaitMs);
                break;
            }
            if (silent > kHidGiveUpMs)
                break;
            unsigned limit = kind != 1 ? kHidCodeEndMs : kHidGiveUpMs;
            int until = silent <= limit ? static_cast<int>(limit - silent) + 1 : 1;
            hid_wait(&dev, until < kHidWaitMs ? until : kHidWaitMs);
        }
    }
    if (dev.fd >= 0)
        close(dev.fd);
    dev.fd = -1;
}

void *scanner_thread(void *)
{
    int kind = g_kind.load(std::memory_order_acquire);
    if (kind == SCANNER_KIND_BUILTIN)
        builtin_thread();
    else if (kind > 0)
        hid_thread(kind);
    else {
        g_lastLength.store(SCANNER_NO_DEVICE, std::memory_order_release);
        g_status.store(-1, std::memory_order_release);
    }
    return nullptr;
}

} // namespace

int scanner_probe()
{
    char path[4096];
    int fd = OsMapPath(kHidDevice, path, sizeof path) ? open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd >= 0) {
        char name[SCANNER_NAME_SIZE] = {};
        if (ioctl(fd, HIDIOCGRAWNAME(SCANNER_NAME_SIZE), name) < 0) {
            memset(name, 0, sizeof name);
            if (errno == ENOTTY)
                OsHidStandInName(fd, name, sizeof name);
        }
        name[SCANNER_NAME_SIZE - 1] = 0;
        close(fd);
        str_copy(g_deviceName, name, sizeof g_deviceName);
        int kind = hid_scanner_kind(name);
        if (kind > 0) {
            g_kind.store(kind, std::memory_order_release);
            return 1;
        }
    }
    char value[OS_REG_VALUE_MAX];
    if (OsRegGetValue("ro.fac.barcode", value) >= 1) {
        g_kind.store(SCANNER_KIND_BUILTIN, std::memory_order_release);
        return 1;
    }
    g_kind.store(SCANNER_KIND_NONE, std::memory_order_release);
    return 0;
}

int scanner_start()
{
    scanner_stop();
    g_lastLength.store(0, std::memory_order_release);
    g_reading.store(0, std::memory_order_release);
    g_status.store(0, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(g_bufferMutex);
        memset(g_code, 0, sizeof g_code);
    }
    sem_init(&g_stop, 0, 0);
    int rc = pthread_create(&g_thread, nullptr, scanner_thread, nullptr);
    if (rc != 0) {
        sem_destroy(&g_stop);
        g_status.store(-1, std::memory_order_release);
        return rc;
    }
    g_running.store(1, std::memory_order_release);
    log_line("### Start scaner ###");
    return 0;
}

void scanner_stop()
{
    if (!g_running.load(std::memory_order_acquire))
        return;
    sem_post(&g_stop);
    pthread_join(g_thread, nullptr);
    sem_destroy(&g_stop);
    g_running.store(0, std::memory_order_release);
    g_status.store(-1, std::memory_order_release);
    log_line("### Stop scaner ###");
}

void scanner_clear()
{
    std::lock_guard<std::mutex> lock(g_bufferMutex);
    int ready = 1;
    g_status.compare_exchange_strong(ready, 0, std::memory_order_acq_rel);
    memset(g_code, 0, sizeof g_code);
}

void scanner_enable_read()
{
    g_reading.store(1, std::memory_order_release);
}

void scanner_disable_read()
{
    // Taken with the buffer's lock: once this returns no code is being
    // handed over, so the buffer may be cleared.
    std::lock_guard<std::mutex> lock(g_bufferMutex);
    g_reading.store(0, std::memory_order_release);
}

const char *scanner_buffer()
{
    return g_code;
}

int scanner_status()
{
    return g_status.load(std::memory_order_acquire);
}

int scanner_last_length()
{
    return g_lastLength.load(std::memory_order_acquire);
}

int scanner_kind()
{
    return g_kind.load(std::memory_order_acquire);
}

const char *scanner_device_name()
{
    return g_deviceName;
}

int scanner_reading()
{
    return g_reading.load(std::memory_order_acquire);
}

int scanner_running()
{
    return g_running.load(std::memory_order_acquire);
}

int scanner_poll_code()
{
    return scanner_running() && scanner_status() == 1 ? 600 : 0;
}

void scanner_setup_print(vuUI *ui)
{
    static const char kSetup[] = "\nНАСТРОЙКА СКАНЕРА ReradoRAZ\nСКАНИРУЙ РАЗ:\n\n<QR>%%SpecCodeEF</QR>\n\n\n"
                                 "СКАНИРУЙ ДВА:\n\n<QR>%%19</QR>\n\n\n\n\n";
    print_begin();
    print_text(kSetup, nullptr);
    print_end();
    if (!scanner_probe() || scanner_kind() == SCANNER_KIND_BUILTIN)
        error_box(ui, "СКАНЕР НЕ ПОДКЛЮЧЕН!\nПЕРЕЗАГРУЗИТЕ КАССУ");
}
