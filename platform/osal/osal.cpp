// The OS library stand-in: time, properties, applications and device calls
// over the files of a folder that plays the terminal's root.

#include "osal.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> g_virtual{false};
std::atomic<unsigned int> g_virtualNow{0};
std::mutex g_fileMutex;
std::mutex g_hookMutex;
OsTestSleepHook g_sleepHook = nullptr;
void *g_sleepHookArg = nullptr;

std::string mapped(const char *path)
{
    char buf[4096];
    return OsMapPath(path, buf, sizeof buf) ? std::string(buf) : std::string();
}

// The stand-in's own files live in "/data/osal" of the terminal's root.
std::string osalFile(const char *name)
{
    std::string dir = mapped("/data/osal");
    return dir + "/" + name;
}

void makeDirs(const std::string &path)
{
    for (size_t pos = 1; (pos = path.find('/', pos)) != std::string::npos; ++pos)
        mkdir(path.substr(0, pos).c_str(), 0777);
    mkdir(path.c_str(), 0777);
}

using Properties = std::map<std::string, std::string>;

// "key=value" lines; '#' starts a comment line.
Properties readProperties()
{
    Properties props;
    std::ifstream in(osalFile("properties"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        props[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return props;
}

bool writeProperties(const Properties &props)
{
    std::string path = osalFile("properties");
    makeDirs(path.substr(0, path.rfind('/')));
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        for (const auto &kv : props)
            out << kv.first << '=' << kv.second << '\n';
        out.flush();
        if (!out)
            return false;
    }
    return rename(tmp.c_str(), path.c_str()) == 0;
}

long long timeOffsetSeconds()
{
    std::lock_guard<std::mutex> lock(g_fileMutex);
    Properties props = readProperties();
    auto it = props.find("osal.time.offset");
    return it == props.end() ? 0 : std::atoll(it->second.c_str());
}

std::vector<std::string> splitFields(const std::string &line, char sep)
{
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, sep))
        fields.push_back(field);
    return fields;
}

void copyField(char *dst, size_t size, const std::string &src)
{
    std::snprintf(dst, size, "%s", src.c_str());
}

// "id|name|binary|version|detached" lines of the applications table.
std::vector<OsAppInfo> readApps()
{
    std::vector<OsAppInfo> apps;
    std::ifstream in(osalFile("apps"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> f = splitFields(line, '|');
        if (f.size() < 3)
            continue;
        OsAppInfo info{};
        copyField(info.Id, sizeof info.Id, f[0]);
        copyField(info.Name, sizeof info.Name, f[1]);
        copyField(info.Bin, sizeof info.Bin, f[2]);
        if (f.size() > 3)
            copyField(info.Version, sizeof info.Version, f[3]);
        info.Detached = f.size() > 4 && f[4] == "1";
        apps.push_back(info);
    }
    return apps;
}

// A screen value from the environment or, failing that, the properties:
// fallback when neither has it, 0 when it is not a decimal number of at most
// 16 bits (the screen's sizes and depth are small numbers).
unsigned int fbValue(const char *env, const char *key, unsigned int fallback)
{
    std::string text;
    if (const char *e = std::getenv(env); e && *e) {
        text = e;
    } else {
        char value[OS_REG_VALUE_MAX];
        if (OsRegGetValue(key, value) < 0)
            return fallback;
        text = value;
    }
    if (text.empty() || text.size() > 5)
        return 0;
    unsigned long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        v = v * 10 + static_cast<unsigned long>(c - '0');
    }
    return v <= 0xFFFF ? static_cast<unsigned int>(v) : 0;
}

} // namespace

extern "C" {

unsigned int OsGetTickCount(void)
{
    if (g_virtual.load())
        return g_virtualNow.load();
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<unsigned int>(static_cast<unsigned long long>(ts.tv_sec) * 1000u +
                                      static_cast<unsigned long long>(ts.tv_nsec) / 1000000u);
}

void OsSleep(unsigned int ms)
{
    if (g_virtual.load()) {
        sched_yield();
        g_virtualNow.fetch_add(ms);
        OsTestSleepHook hook;
        void *arg;
        {
            std::lock_guard<std::mutex> lock(g_hookMutex);
            hook = g_sleepHook;
            arg = g_sleepHookArg;
        }
        if (hook)
            hook(ms, arg);
        return;
    }
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int OsGetTime(OsTime *t)
{
    if (!t)
        return -1;
    time_t now = time(nullptr) + static_cast<time_t>(timeOffsetSeconds());
    struct tm tmv;
    localtime_r(&now, &tmv);
    t->Year = tmv.tm_year + 1900;
    t->Month = tmv.tm_mon + 1;
    t->Day = tmv.tm_mday;
    t->Hour = tmv.tm_hour;
    t->Minute = tmv.tm_min;
    t->Second = tmv.tm_sec;
    t->DayOfWeek = tmv.tm_wday;
    return 0;
}

int OsSetTime(const OsTime *t)
{
    if (!t || t->Month < 1 || t->Month > 12 || t->Day < 1 || t->Day > 31 || t->Hour < 0 || t->Hour > 23 ||
        t->Minute < 0 || t->Minute > 59 || t->Second < 0 || t->Second > 60 || t->Year < 1970)
        return -1;
    struct tm tmv{};
    tmv.tm_year = t->Year - 1900;
    tmv.tm_mon = t->Month - 1;
    tmv.tm_mday = t->Day;
    tmv.tm_hour = t->Hour;
    tmv.tm_min = t->Minute;
    tmv.tm_sec = t->Second;
    tmv.tm_isdst = -1;
    time_t wanted = mktime(&tmv);
    if (wanted == static_cast<time_t>(-1))
        return -1;
    std::lock_guard<std::mutex> lock(g_fileMutex);
    Properties props = readProperties();
    props["osal.time.offset"] = std::to_string(static_cast<long long>(wanted - time(nullptr)));
    return writeProperties(props) ? 0 : -1;
}

int OsRegGetValue(const char *key, char *value)
{
    if (!key || !value)
        return -1;
    std::lock_guard<std::mutex> lock(g_fileMutex);
    Properties props = readProperties();
    auto it = props.find(key);
    if (it == props.end())
        return -1;
    std::snprintf(value, OS_REG_VALUE_MAX, "%s", it->second.c_str());
    return static_cast<int>(std::strlen(value));
}

int OsRegSetValue(const char *key, const char *value)
{
    if (!key || !value || !*key || std::strchr(key, '=') || std::strchr(key, '\n') || std::strchr(value, '\n'))
        return -1;
    std::lock_guard<std::mutex> lock(g_fileMutex);
    Properties props = readProperties();
    props[key] = value;
    return writeProperties(props) ? 0 : -1;
}

int OsGetAppInfo(OsAppInfo *info, int max)
{
    if (!info || max < 0)
        return -1;
    std::vector<OsAppInfo> apps = readApps();
    int n = 0;
    for (const OsAppInfo &app : apps) {
        if (n >= max)
            break;
        info[n++] = app;
    }
    return n;
}

int OsRunApp(const char *appId, char **argv, void *data, void (*out)(char *), void (*err)(char *))
{
    (void)data;
    (void)out;
    (void)err;
    if (!appId)
        return -1;
    const OsAppInfo *found = nullptr;
    std::vector<OsAppInfo> apps = readApps();
    for (const OsAppInfo &app : apps)
        if (std::strcmp(app.Id, appId) == 0)
            found = &app;
    if (!found)
        return -2;
    std::vector<char *> args;
    args.push_back(const_cast<char *>(found->Bin));
    for (char **a = argv; a && *a; ++a)
        args.push_back(*a);
    args.push_back(nullptr);
    OsLogEvent("run %s (%s)", found->Id, found->Bin);
    pid_t pid = fork();
    if (pid < 0)
        return -3;
    if (pid == 0) {
        if (found->Detached) {
            setsid();
            if (fork() != 0)
                _exit(0);
        }
        execv(found->Bin, args.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (found->Detached)
        return 0;
    if (WIFEXITED(status))
        return WEXITSTATUS(status) == 127 ? -3 : WEXITSTATUS(status);
    return -3;
}

void OsReboot(void)
{
    OsLogEvent("reboot");
    std::fflush(nullptr);
    _exit(OS_REBOOT_EXIT_STATUS);
}

void OsBeep(int tone, int durationMs)
{
    OsLogEvent("beep %d %d", tone, durationMs);
}

int OsScrBrightness(int level)
{
    OsLogEvent("brightness %d", level);
    return OsRegSetValue("osal.screen.brightness", std::to_string(level).c_str());
}

char *OsMapPath(const char *path, char *out, size_t size)
{
    if (!path || !out || size == 0)
        return nullptr;
    const char *root = std::getenv("TERMINAL_ROOT");
    int n;
    if (root && *root && path[0] == '/')
        n = std::snprintf(out, size, "%s%s", root, path);
    else
        n = std::snprintf(out, size, "%s", path);
    if (n < 0 || static_cast<size_t>(n) >= size)
        return nullptr;
    return out;
}

int OsFbStandInInfo(int fd, unsigned int *xres, unsigned int *yres, unsigned int *bpp)
{
    if (fd < 0 || !xres || !yres || !bpp)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    unsigned int x = fbValue("TERMINAL_FB_XRES", "osal.fb.xres", 0);
    unsigned int y = fbValue("TERMINAL_FB_YRES", "osal.fb.yres", 0);
    unsigned int b = fbValue("TERMINAL_FB_BPP", "osal.fb.bpp", 16);
    if (x == 0 || y == 0 || b == 0)
        return -1;
    unsigned long long bytes = static_cast<unsigned long long>(x) * y * ((b + 7) / 8);
    if (static_cast<unsigned long long>(st.st_size) < bytes)
        return -1;
    *xres = x;
    *yres = y;
    *bpp = b;
    return 0;
}

void OsLogEvent(const char *fmt, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    std::string path = osalFile("events.log");
    std::lock_guard<std::mutex> lock(g_fileMutex);
    makeDirs(path.substr(0, path.rfind('/')));
    if (FILE *f = std::fopen(path.c_str(), "a")) {
        std::fprintf(f, "%ld %s\n", static_cast<long>(time(nullptr)), text);
        std::fclose(f);
    }
}

void OsTestClockEnable(unsigned int start)
{
    g_virtualNow.store(start);
    g_virtual.store(true);
}

void OsTestClockAdvance(unsigned int ms)
{
    g_virtualNow.fetch_add(ms);
}

void OsTestClockDisable(void)
{
    g_virtual.store(false);
}

int OsTestClockIsVirtual(void)
{
    return g_virtual.load() ? 1 : 0;
}

void OsTestClockSetSleepHook(OsTestSleepHook hook, void *arg)
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    g_sleepHook = hook;
    g_sleepHookArg = arg;
}

} // extern "C"
