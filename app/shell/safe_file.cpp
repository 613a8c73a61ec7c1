#include "safe_file.h"

#include "terminal_helpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kTempSuffix[] = ".new";

// The folder of a path, for its fsync.
std::string folder_of(const std::string &path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens with the flags, and only a regular file: anything else is closed
// again with EINVAL.
int open_regular(const char *path, int flags, mode_t mode)
{
    if (!path || !*path) {
        errno = ENOENT;
        return -1;
    }
    int fd;
    do {
        // O_NONBLOCK: a FIFO put at the name must not hold the program.
        fd = open(path, flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    int error = fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    if (error) {
        close(fd);
        errno = error;
        return -1;
    }
    // Writes to a regular file do not care for O_NONBLOCK; cleared all the
    // same, so the descriptor behaves as an ordinary one.
    int fl = fcntl(fd, F_GETFL);
    if (fl >= 0)
        fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

} // namespace

SafeFile::SafeFile(const char *path, mode_t mode) : path_(path ? path : "")
{
    target_ = path_;
    if (target_.empty()) {
        fail("naming", "", EINVAL); // no name given
        return;
    }
    temp_ = target_ + kTempSuffix;
    // Two tries: what sits at the temporary name goes first; should
    // something take the name again in between, the second try decides.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (unlink(temp_.c_str()) != 0 && errno != ENOENT) {
            fail("removed", temp_, errno);
            return;
        }
        do {
            fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        fail("created", temp_, errno);
        return;
    }
    owned_ = true;
    // The mode asked for, whatever the process's umask: a file others must
    // read stays readable, a secret stays the owner's.
    if (fchmod(fd_, mode) != 0) {
        fail("fchmod", "", errno);
        Abandon();
    }
}

SafeFile::~SafeFile()
{
    Abandon();
}

void SafeFile::fail(const char *step, const std::string &file, int error)
{
    if (!failure_.empty())
        return;
    char text[600];
    // The temporary file's own troubles name it; the later steps are
    // those of the one save.
    if (!file.empty())
        std::snprintf(text, sizeof text, "%s cannot be %s (%s)", file.c_str(), step, std::strerror(error));
    else
        std::snprintf(text, sizeof text, "%s failed (%s)", step, std::strerror(error));
    failure_ = text;
}

bool SafeFile::Write(const void *data, size_t size)
{
    if (fd_ < 0 || Failed())
        return false;
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        ssize_t n = write(fd_, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // With SIGXFSZ ignored, a file-size limit shows here as EFBIG.
            fail("write", "", n < 0 ? errno : ENOSPC);
            Abandon();
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SafeFile::Commit()
{
    if (fd_ < 0 || Failed() || done_) {
        Abandon();
        return false;
    }
    if (fsync(fd_) != 0)
        fail("fsync", "", errno);
    int closed = close(fd_);
    int error = errno;
    fd_ = -1;
    if (closed != 0)
        fail("close", "", error);
    if (!Failed() && rename(temp_.c_str(), target_.c_str()) != 0)
        fail("rename", "", errno);
    if (Failed()) {
        Abandon();
        return false;
    }
    done_ = true;
    // The new name on the disk too. The file is in place already; a folder
    // that cannot be flushed changes nothing about that.
    int dir = open(folder_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

void SafeFile::Abandon()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (owned_ && !done_) {
        // Ours: created with O_EXCL and not renamed.
        unlink(temp_.c_str());
    }
    owned_ = false;
}

void SafeFile::LogFailure(const char *who) const
{
    if (!Failed())
        return;
    std::fprintf(stderr, "%s: %s not saved: %s\n", who ? who : "cashdesk", path_.c_str(), failure_.c_str());
    log_format("%s: %s not saved: %s", who ? who : "cashdesk", path_.c_str(), failure_.c_str());
}

bool safe_save(const char *path, const void *data, size_t size, mode_t mode, const char *who)
{
    SafeFile file(path, mode);
    bool ok = file.Write(data, size) && file.Commit();
    if (!ok)
        file.LogFailure(who);
    return ok;
}

int safe_open_append(const char *path, mode_t mode)
{
    return open_regular(path, O_WRONLY | O_APPEND | O_CREAT, mode);
}

int safe_open_existing(const char *path)
{
    return open_regular(path, O_WRONLY, 0);
}
