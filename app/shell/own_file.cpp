#include "own_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

OwnFileResult refuse(const char *path, const char *reason, std::string &text)
{
    text.clear();
    std::fprintf(stderr, "cashdesk: %s not read: %s\n", path, reason);
    return OWN_FILE_REFUSED;
}

} // namespace

OwnFileResult read_own_file(const char *path, std::string &text)
{
    text.clear();
    if (!path || !*path)
        return OWN_FILE_MISSING;
    int fd;
    do {
        fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENOENT ? OWN_FILE_MISSING : refuse(path, std::strerror(errno), text);

    char reason[64] = "";
    struct stat st;
    if (fstat(fd, &st) != 0)
        std::snprintf(reason, sizeof reason, "%s", std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        std::snprintf(reason, sizeof reason, "not a regular file");
    else if (st.st_size > OWN_FILE_MAX)
        std::snprintf(reason, sizeof reason, "larger than %ld bytes", OWN_FILE_MAX);
    else
        text.reserve(static_cast<size_t>(st.st_size));

    // Read to the end rather than to the size seen: the file may change
    // meanwhile. One byte past the limit tells a file that grew too large.
    char buf[16384];
    while (!reason[0]) {
        size_t room = static_cast<size_t>(OWN_FILE_MAX) + 1 - text.size();
        ssize_t n = read(fd, buf, room < sizeof buf ? room : sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno != EINTR)
                std::snprintf(reason, sizeof reason, "%s", std::strerror(errno));
            continue;
        }
        text.append(buf, static_cast<size_t>(n));
        if (text.size() > static_cast<size_t>(OWN_FILE_MAX))
            std::snprintf(reason, sizeof reason, "larger than %ld bytes", OWN_FILE_MAX);
    }
    close(fd);
    return reason[0] ? refuse(path, reason, text) : OWN_FILE_READ;
}
