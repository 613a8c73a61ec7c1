#include "battery.h"

#include <atomic>
#include <errno.h>
#include <fcntl.h>
#include <mxml.h>
#include <semaphore.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#include "scoped_dialog.h"
#include "error_box.h"
#include "message_box.h"
#include "osal.h"
#include "own_file.h"
#include "safe_file.h"
#include "str_helpers.h"
#include "terminal_helpers.h"
#include "vuBoxItem.h"
#include "vuForm.h"
#include "vuProgressObject.h"
#include "vuRadio.h"
#include "vuStatusLine.h"
#include "vuUI.h"

namespace {

const char kSettingsFile[] = "battery.xml";
const char kVoltageMax[] = "/sys/class/power_supply/battery/voltage_max";
const char kVoltageMin[] = "/sys/class/power_supply/battery/voltage_min";
const char kVoltageNow[] = "/sys/class/power_supply/battery/voltage_now";
const unsigned kRatioFull = 10000;

enum Mode { MODE_OS = 0, MODE_BMS = 1, MODE_VOLTAGE = 2 };

// Written by the battery thread only, read by the UI and main threads.
std::atomic<uint16_t> g_word{22};
// Written by the dialog (main thread), read by the thread every cycle.
std::atomic<unsigned> g_force{BATTERY_FORCE_AUTO};
std::atomic<uint16_t> g_normalColor{0xFFFF};
std::atomic<uint16_t> g_lowColor{0xFC10};

// The thread's own state (set up before the thread starts).
bool g_skipDetection = false;
int g_hardwareKind = BATTERY_CURVE_LINEAR;
int g_detected = MODE_OS;
unsigned long g_voltageMin = 0, g_voltageMax = 0;
unsigned g_lastRatio = kRatioFull;
bool g_lastValid = false;

std::thread g_thread;
sem_t g_stop;
vuProgressObject *g_indicator = nullptr;

// The first line of a terminal file as a decimal number, 0 when it cannot be
// read. Opened without waiting: a FIFO in its place cannot hang the thread.
unsigned long readVoltage(const char *terminalPath)
{
    char path[4096];
    if (!OsMapPath(terminalPath, path, sizeof path))
        return 0;
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[16];
    ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    return n > 0 ? battery_parse_voltage(buf, static_cast<size_t>(n)) : 0;
}

void readVoltageRange()
{
    g_voltageMax = readVoltage(kVoltageMax);
    g_voltageMin = readVoltage(kVoltageMin);
}

bool voltageRangeKnown() { return g_voltageMax > 0 && g_voltageMin > 0; }

// The voltage ratio of this cycle, never above the last one while on the
// battery. 0 when the reading fails or the range is too narrow to measure.
unsigned voltageRatio()
{
    if (!voltageRangeKnown())
        readVoltageRange();
    unsigned long now = readVoltage(kVoltageNow);
    unsigned ratio = 0;
    if (now != 0 && g_voltageMin <= now && now <= g_voltageMax) {
        unsigned long step = (g_voltageMax - g_voltageMin) / kRatioFull;
        if (step != 0)
            ratio = static_cast<unsigned>((now - g_voltageMin) / step);
        if (g_lastValid && g_lastRatio < ratio)
            ratio = g_lastRatio;
    }
    g_lastRatio = ratio;
    g_lastValid = true;
    return ratio;
}

uint16_t osStepLevel()
{
    switch (OsCheckBattery()) {
    case 0: return 5;
    case 1: return 15;
    case 2: return 40;
    case 3: return 70;
    case 4: return 95;
    case 6: return 100;
    default: return 0;
    }
}

uint16_t bmsLevel()
{
    int a = 0, b = 0, c = 0, d = 0;
    if (OsCheckBMSMode(&a, &b, &c, &d) != 0)
        return 0;
    // No full charge to divide by, or a negative charge: nothing measured
    // (the caller marks level 0 low).
    if (d <= 0 || b <= 0)
        return 0;
    if (b > d)
        return 100;
    return static_cast<uint16_t>(100LL * b / d);
}

int curveOf(unsigned force)
{
    switch (force) {
    case BATTERY_FORCE_LINEAR: return BATTERY_CURVE_LINEAR;
    case BATTERY_FORCE_CURVE_A: return BATTERY_CURVE_A;
    case BATTERY_FORCE_CURVE_B: return BATTERY_CURVE_B;
    default: return g_hardwareKind;
    }
}

// The pause after each measurement, and its steps on the test clock.
const unsigned kCycleMs = 500;
const unsigned kStepMs = 50;

// The pause in steps: try the stop, sleep a step. The platform's virtual
// clock moves only through such sleeps.
bool waitForStopInSteps()
{
    for (unsigned spent = 0; spent < kCycleMs; spent += kStepMs) {
        if (sem_trywait(&g_stop) == 0)
            return true;
        OsSleep(kStepMs);
    }
    return false;
}

// The C library waits on a semaphore against the monotonic clock from
// glibc 2.30 on; elsewhere the wall clock serves.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 30))
const clockid_t kWaitClock = CLOCK_MONOTONIC;
int semWaitUntil(sem_t *sem, const timespec *until) { return sem_clockwait(sem, kWaitClock, until); }
#else
const clockid_t kWaitClock = CLOCK_REALTIME;
int semWaitUntil(sem_t *sem, const timespec *until) { return sem_timedwait(sem, until); }
#endif

// Waits up to one cycle for the stop; true when it came. The thread sleeps
// on the semaphore for the whole pause instead of waking every step; on the
// monotonic clock, setting the date neither stretches nor cuts the pause.
bool waitForStop()
{
    if (OsTestClockIsVirtual())
        return waitForStopInSteps();
    timespec until;
    clock_gettime(kWaitClock, &until);
    until.tv_sec += kCycleMs / 1000;
    until.tv_nsec += static_cast<long>(kCycleMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    for (;;) {
        if (semWaitUntil(&g_stop, &until) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno == ETIMEDOUT)
            return false;
        // The timed wait is refused: the pause in steps still ends.
        return waitForStopInSteps();
    }
}

void threadMain()
{
    battery_detect();
    for (;;) {
        battery_cycle();
        if (waitForStop())
            return;
    }
}

mxml_node_t *findBattery(mxml_node_t *top)
{
    return mxmlFindElement(top, top, "battery", nullptr, nullptr, MXML_DESCEND);
}

} // namespace

uint16_t battery_curve(int curve, unsigned r)
{
    unsigned level = 0;
    uint16_t low = 0;
    switch (curve) {
    case BATTERY_CURVE_A:
        low = r <= 4000 ? BATTERY_LOW : 0;
        if (r > 9300)
            level = 100;
        else if (r >= 6500)
            level = 48 * (r - 6500) / 2800 + 52;
        else if (r >= 5000)
            level = 47 * (r - 5000) / 1500 + 5;
        else if (r >= 1000)
            level = 4 * (r - 1000) / 4000 + 1;
        break;
    case BATTERY_CURVE_B:
        low = r <= 5400 ? BATTERY_LOW : 0;
        if (r > 9300)
            level = 100;
        else if (r >= 6800)
            level = 40 * (r - 6800) / 2500 + 60;
        else if (r >= 6100)
            level = 32 * (r - 6100) / 700 + 28;
        else if (r >= 5200)
            level = 23 * (r - 5200) / 900 + 5;
        else if (r >= 2400)
            level = 4 * (r - 2400) / 2800 + 1;
        break;
    default:
        // The ratio may pass 10000 a little where the range is not a
        // multiple of 10000; the level stays a percentage.
        level = r / 100 > 100 ? 100 : r / 100;
        break;
    }
    return static_cast<uint16_t>(level | low);
}

unsigned battery_parse_settings(const char *text, size_t size)
{
    if (!text || size == 0)
        return BATTERY_FORCE_AUTO;
    std::string copy(text, size); // mxml wants a terminated text
    // Loaded into a container, so every top-level node is freed with it.
    // Its name ends in '>', which no closing tag of the text can match: a
    // closing tag that matched it would leave the nodes after it without a
    // parent, and so unfreed.
    mxml_node_t *top = mxmlNewElement(MXML_NO_PARENT, "battery-file>");
    if (!top)
        return BATTERY_FORCE_AUTO;
    unsigned type = BATTERY_FORCE_AUTO;
    mxml_node_t *battery =
        mxmlLoadString(top, copy.c_str(), MXML_OPAQUE_CALLBACK) ? findBattery(top) : nullptr;
    const char *value = battery ? mxmlElementGetAttr(battery, "force_type") : nullptr;
    if (value && *value) {
        char *end = nullptr;
        errno = 0;
        unsigned long v = strtoul(value, &end, 10);
        if (!errno && *end == '\0' && value[0] >= '0' && value[0] <= '9' && v <= BATTERY_FORCE_CURVE_B)
            type = static_cast<unsigned>(v);
    }
    mxmlDelete(top);
    return type;
}

unsigned long battery_parse_voltage(const char *text, size_t size)
{
    if (!text)
        return 0;
    if (size > 16)
        size = 16;
    unsigned long v = 0;
    size_t i = 0;
    while (i < size && text[i] == ' ')
        ++i;
    size_t digits = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        if (v > (0xFFFFFFFFUL - 9) / 10)
            return 0; // beyond any voltage in microvolts
        v = v * 10 + static_cast<unsigned long>(text[i] - '0');
    }
    if (digits == 0)
        return 0;
    // The number ends the line (or the 16 bytes).
    if (i < size && text[i] != '\n' && text[i] != '\r' && text[i] != ' ')
        return 0;
    return v;
}

void battery_set_colors(uint16_t normal, uint16_t low)
{
    g_normalColor.store(normal);
    g_lowColor.store(low);
}

void battery_load_settings()
{
    std::string text;
    unsigned type = BATTERY_FORCE_AUTO;
    if (read_own_file(kSettingsFile, text) == OWN_FILE_READ)
        type = battery_parse_settings(text.data(), text.size());
    g_force.store(type);
}

bool battery_save_settings()
{
    mxml_node_t *decl = mxmlNewXML("1.0");
    mxml_node_t *battery = mxmlNewElement(decl, "battery");
    char value[16];
    str_format(value, sizeof value, "%u", g_force.load());
    mxmlElementSetAttr(battery, "force_type", value);
    char *text = mxmlSaveAllocString(decl, MXML_NO_CALLBACK);
    mxmlDelete(decl);
    if (!text)
        return false;
    bool ok = safe_save(kSettingsFile, text, strlen(text), SAFE_MODE_FILE, "battery");
    free(text);
    return ok;
}

unsigned battery_force_type() { return g_force.load(); }
void battery_set_force_type(unsigned type) { g_force.store(type); }

void battery_prepare(const char *skip)
{
    battery_load_settings();
    g_hardwareKind = BATTERY_CURVE_LINEAR;
    g_skipDetection = skip && atoi(skip) != 0;
    char hwver[OS_REG_VALUE_MAX] = "";
    if (OsRegGetValue("ro.fac.hwver", hwver) > 0) {
        char two[3] = {hwver[0], hwver[0] ? hwver[1] : '\0', '\0'};
        g_hardwareKind = atoi(two) > 30 ? BATTERY_CURVE_B : BATTERY_CURVE_A;
    }
    g_voltageMin = g_voltageMax = 0;
    g_lastRatio = kRatioFull;
    g_lastValid = false;
}

void battery_detect()
{
    g_detected = MODE_OS;
    if (g_skipDetection)
        return;
    int a, b, c, d;
    if (OsCheckBMSMode(&a, &b, &c, &d) == 0) {
        g_detected = MODE_BMS;
        return;
    }
    readVoltageRange();
    if (voltageRangeKnown())
        g_detected = MODE_VOLTAGE;
}

uint16_t battery_cycle()
{
    uint16_t flags = 0;
    unsigned level = 0;
    int mode = g_detected;
    const unsigned force = g_force.load();
    if (force == BATTERY_FORCE_OS)
        mode = MODE_OS;
    else if (force == BATTERY_FORCE_BMS)
        mode = MODE_BMS;
    else if (force >= BATTERY_FORCE_LINEAR && force <= BATTERY_FORCE_CURVE_B)
        mode = MODE_VOLTAGE;

    const int power = OsCheckPowerSupply();
    if (power == 1 || power == 2) {
        g_lastRatio = kRatioFull;
        g_lastValid = false;
        flags |= BATTERY_EXTERNAL;
        if (g_detected == MODE_VOLTAGE)
            mode = MODE_OS;
    }
    switch (mode) {
    case MODE_OS:
        level = osStepLevel();
        break;
    case MODE_BMS:
        level = bmsLevel();
        break;
    default: {
        uint16_t curve = battery_curve(curveOf(force), voltageRatio());
        level = curve & BATTERY_LEVEL_MASK;
        flags |= curve & BATTERY_LOW;
        break;
    }
    }
    if (level <= 4)
        flags |= BATTERY_LOW;
    const uint16_t word = static_cast<uint16_t>(level | flags);
    g_word.store(word);
    return word;
}

uint16_t battery_level() { return g_word.load(); }

unsigned short battery_draw(intptr_t indicator)
{
    const uint16_t word = g_word.load();
    vuProgressObject *object = reinterpret_cast<vuProgressObject *>(indicator);
    if (!object)
        return word;
    if (word & BATTERY_EXTERNAL) {
        object->SetText(nullptr);
    } else {
        char text[8];
        str_format(text, sizeof text, "%u", static_cast<unsigned>(word & BATTERY_LEVEL_MASK));
        object->SetText(text);
        object->SetTextColor((word & BATTERY_LOW) ? g_lowColor.load() : g_normalColor.load());
    }
    return word;
}

void battery_start(vuViewObject *, const char *skip)
{
    if (g_thread.joinable())
        return;
    battery_prepare(skip);
    vuStatusLine *line = vuUI::GetStatusLine();
    vuProgressObject *indicator = line ? dynamic_cast<vuProgressObject *>(line->GetByName("batlevel")) : nullptr;
    if (!indicator)
        return;
    if (sem_init(&g_stop, 0, 0) != 0) {
        log_format("battery: no stop semaphore: %s", strerror(errno));
        return;
    }
    try {
        g_thread = std::thread(threadMain);
    } catch (const std::exception &e) {
        log_format("battery: thread not started: %s", e.what());
        sem_destroy(&g_stop);
        return;
    }
    g_indicator = indicator;
    indicator->SetUserFunc(battery_draw);
}

void battery_stop()
{
    if (g_thread.joinable()) {
        sem_post(&g_stop);
        g_thread.join();
        sem_destroy(&g_stop);
    }
    if (g_indicator) {
        g_indicator->SetUserFunc(nullptr);
        g_indicator = nullptr;
    }
}

void battery_type_dialog(vuUI *ui)
{
    struct Item {
        const char *text;
        unsigned type;
    };
    static const Item kItems[] = {
        {"Автоматически", BATTERY_FORCE_AUTO},       {"Показания ОС", BATTERY_FORCE_OS},
        {"Напряжение", BATTERY_FORCE_LINEAR},        {"Напряжение IS135", BATTERY_FORCE_CURVE_A},
        {"Напряжение IS509", BATTERY_FORCE_CURVE_B},
    };
    const unsigned kCount = sizeof kItems / sizeof kItems[0];
    if (!ui)
        return;
    ScopedDialog dialog(ui, "common_dlg_battery.xml");
    if (!dialog)
        return;
    battery_load_settings();
    vuRadio *list = dialog.widget<vuRadio>("type");
    if (!list)
        return;
    // The description leaves the list empty: the program fills it.
    for (const Item &item : kItems)
        list->AddItem(item.text, nullptr);
    dialog.reset();
    const unsigned current = battery_force_type();
    for (unsigned i = 1; i <= kCount; ++i)
        list->GetItem(static_cast<unsigned short>(i))->Check(kItems[i - 1].type == current ? 1 : 0);

    int state;
    do {
        state = dialog.show();
    } while (state != 1 && state != -1);
    if (state == -1)
        return;
    const unsigned selected = list->GetSelected();
    bool saved = true;
    if (selected >= 1 && selected <= kCount && kItems[selected - 1].type != current) {
        battery_set_force_type(kItems[selected - 1].type);
        saved = battery_save_settings();
    }
    if (saved)
        message_box(ui, "УСПЕШНО", "ТИП БАТАРЕИ УСПЕШНО ИЗМЕНЁН", MB_OK);
    else
        error_box(ui, "ТИП БАТАРЕИ НЕ СОХРАНЁН\n\nДО ПЕРЕЗАПУСКА ДЕЙСТВУЕТ ВЫБРАННЫЙ");
}

// menu: BatteryCheck_Menu
void CmdBatteryCheck(vuUI *ui, const char *) { battery_type_dialog(ui); }
