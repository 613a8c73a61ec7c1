// Mounting of removable media on a PC. A device ("/dev/block/sda1") is
// present when its terminal path is a folder under TERMINAL_ROOT: that folder
// stands for the medium. Mounting replaces the empty mount point with a link
// to the medium's folder, so that its files appear there; unmounting puts an
// empty folder back, detaching them. The state lives in the file system, so
// every process of the terminal sees the same mounts.

#include "osal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The mapped path without trailing slashes ("/mnt/sda1/" -> ROOT/mnt/sda1).
bool mapTrimmed(const char *path, std::string &out)
{
    char buf[4096];
    if (!path || !*path || !OsMapPath(path, buf, sizeof buf))
        return false;
    out = buf;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return true;
}

bool isEmptyFolder(const std::string &path)
{
    DIR *dir = opendir(path.c_str());
    if (!dir)
        return false;
    bool empty = true;
    while (struct dirent *e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

} // namespace

int OsMount(const char *source, const char *target, const char *fsType, unsigned long flags, const void *data)
{
    (void)data;
    std::string device, point;
    int result = 0;
    struct stat st;
    if (!mapTrimmed(source, device) || !mapTrimmed(target, point) || !fsType || !*fsType)
        result = -EINVAL;
    else if (stat(device.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        result = -ENODEV;
    else if (lstat(point.c_str(), &st) != 0)
        result = -ENOENT;
    else if (S_ISLNK(st.st_mode))
        result = -EBUSY;
    else if (!S_ISDIR(st.st_mode))
        result = -ENOTDIR;
    else if (!isEmptyFolder(point))
        result = -EBUSY;
    else if (rmdir(point.c_str()) != 0)
        result = -errno;
    else if (symlink(device.c_str(), point.c_str()) != 0) {
        result = -errno;
        mkdir(point.c_str(), 0777);
    }
    OsLogEvent("mount %s %s %s 0x%lx -> %d", source ? source : "(null)", target ? target : "(null)",
               fsType ? fsType : "(null)", flags, result);
    return result;
}

int OsUmount(const char *target, int flags)
{
    std::string point;
    int result = 0;
    struct stat st;
    if (!mapTrimmed(target, point))
        result = -EINVAL;
    else if (lstat(point.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        result = -EINVAL;
    else if (unlink(point.c_str()) != 0)
        result = -errno;
    else if (mkdir(point.c_str(), 0777) != 0)
        result = -errno;
    OsLogEvent("umount %s 0x%x -> %d", target ? target : "(null)", flags, result);
    return result;
}
