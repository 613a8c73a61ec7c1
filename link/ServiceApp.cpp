// Starting the service application, versions, the receipt-header picture.

#include "ServiceApp.h"

#include "osal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int kMaxApps = 32;

// The service's entry in the applications table, or null.
const OsAppInfo *FindService(OsAppInfo *apps, int max)
{
    int n = OsGetAppInfo(apps, max);
    if (n < 2)
        return nullptr;
    for (int i = 0; i < n; ++i)
        if (std::strncmp(apps[i].Id, "KKT", 3) == 0)
            return &apps[i];
    return nullptr;
}

uint32_t Le16(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t Le32(const uint8_t *p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

bool WriteAll(int fd, const uint8_t *p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Copies the open source into a new file in the target's folder and
// renames it over the target: the installed picture is replaced whole or
// not at all.
bool CopyOver(int in, const std::string &target)
{
    std::string tmp = target + ".XXXXXX";
    int out = mkstemp(&tmp[0]); // O_EXCL: never through a link
    if (out < 0)
        return false;
    bool ok = lseek(in, 0, SEEK_SET) == 0;
    uint8_t buf[8192];
    while (ok) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            ok = r == 0;
            break;
        }
        ok = WriteAll(out, buf, static_cast<size_t>(r));
    }
    ok = ok && fsync(out) == 0 && fchmod(out, 0666) == 0;
    ok = close(out) == 0 && ok;
    ok = ok && rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

} // namespace

int RunServiceApp(uint32_t argument)
{
    std::vector<OsAppInfo> apps(kMaxApps);
    const OsAppInfo *service = FindService(apps.data(), kMaxApps);
    if (!service)
        return -2;
    char number[16];
    std::snprintf(number, sizeof number, "%u", argument);
    char *argv[2] = {number, nullptr};
    OsRunApp(service->Id, argv, nullptr, nullptr, nullptr);
    return 0;
}

int ServiceAppVersion(int *major, int *minor, int *build)
{
    std::vector<OsAppInfo> apps(kMaxApps);
    const OsAppInfo *service = FindService(apps.data(), kMaxApps);
    if (!service)
        return -2;
    char text[sizeof service->Version + 1];
    std::snprintf(text, sizeof text, "%s", service->Version);
    const char *word = std::strrchr(text, ' ');
    word = word ? word + 1 : text;
    unsigned int v[3] = {0, 0, 0};
    std::sscanf(word, "%u.%u.%u", &v[0], &v[1], &v[2]);
    if (major)
        *major = static_cast<int>(v[0]);
    if (minor)
        *minor = static_cast<int>(v[1]);
    if (build)
        *build = static_cast<int>(v[2]);
    return 0;
}

int InstallFiscalHeader(const char *path)
{
    if (!path)
        return -1;
    // The picture itself, not what a link at its name points to; a FIFO
    // there does not hold the caller.
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st;
    uint8_t h[62];
    bool accepted = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && read(fd, h, sizeof h) == ssize_t(sizeof h) &&
                    Le16(h + 10) == 62 && Le16(h + 14) != 0 && Le16(h + 18) != 0 && Le32(h + 22) != 0 &&
                    Le16(h + 28) == 1 && Le32(h + 30) == 0;
    char mapped[4096];
    if (!accepted || !OsMapPath(SERVICE_FISCAL_HEADER_PATH, mapped, sizeof mapped)) {
        close(fd);
        return -1;
    }
    std::string target(mapped);
    std::string folder = target.substr(0, target.rfind('/'));
    for (size_t pos = 1; (pos = folder.find('/', pos)) != std::string::npos; ++pos)
        mkdir(folder.substr(0, pos).c_str(), 0755);
    mkdir(folder.c_str(), 0755);

    // The controller service reads the picture: readable by every user, as
    // it expects. The mode is set on the file before it is moved, never
    // through the name afterwards (where a link could stand by then).
    // rename replaces the installed picture in one step; the old one is
    // removed only once the new one is in place.
    int result = -1;
    if (fchmod(fd, 0666) == 0 && rename(path, target.c_str()) == 0) {
        result = 0;
    } else if (errno == EXDEV && CopyOver(fd, target)) {
        unlink(path); // the picture is installed; a source left behind does no harm
        result = 0;
    } else {
        fchmod(fd, st.st_mode & 07777); // the file as it was
    }
    close(fd);
    return result;
}

const char *ServiceClientVersion()
{
    return "3.1.0.395";
}
