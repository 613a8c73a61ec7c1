#include "vuImageIO.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "osal.h"
#include "vuFrameBuffer.h"
#include "vuViewPort.h"

namespace vuimg {

int OpenFile(const char* path)
{
    if (!path)
        return -1;
    char mapped[PATH_MAX];
    if (!OsMapPath(path, mapped, sizeof mapped))
        return -1;
    // Non-blocking: a FIFO or a device named as a picture or a font must not
    // hang the UI thread waiting for a writer; only regular files are read.
    int fd;
    do {
        fd = open(mapped, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

bool ReadFull(int fd, void* buf, size_t n)
{
    unsigned char* p = (unsigned char*)buf;
    while (n > 0) {
        ssize_t got = read(fd, p, n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        p += got;
        n -= (size_t)got;
    }
    return true;
}

long long FileSize(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return (long long)st.st_size;
}

bool ReadWholeFile(const char* path, unsigned char** data, unsigned* size)
{
    *data = nullptr;
    *size = 0;
    int fd = OpenFile(path);
    if (fd < 0)
        return false;
    long long n = FileSize(fd);
    bool ok = false;
    if (n > 0 && n <= INT32_MAX) {
        unsigned char* buf = (unsigned char*)malloc((size_t)n);
        if (buf && ReadFull(fd, buf, (size_t)n)) {
            *data = buf;
            *size = (unsigned)n;
            ok = true;
        } else {
            free(buf);
        }
    }
    close(fd);
    return ok;
}

bool GetTarget(vuFrameBuffer* fb, Target& t)
{
    if (!fb || !fb->GetFrameBuffer())
        return false;
    t.pixels = fb->GetFrameBuffer();
    t.pitch = (long)(fb->GetWidthInBytes() / 2);
    t.width = fb->GetWidth();
    if (t.width > t.pitch)
        t.width = (int)t.pitch;
    t.height = fb->GetHeight();
    return t.width > 0 && t.height > 0;
}

bool ClipToPort(vuViewPort* port, unsigned short srcX, unsigned short srcY, short x, short y,
                unsigned short w, unsigned short h, unsigned imageW, unsigned imageH, Blit& b)
{
    vuViewPort::Recalculate(port, srcX, srcY, x, y, w, h);
    if (w == 0 || h == 0 || srcX >= imageW || srcY >= imageH)
        return false;
    if (w > imageW - srcX)
        w = (unsigned short)(imageW - srcX);
    if (h > imageH - srcY)
        h = (unsigned short)(imageH - srcY);
    b.srcX = srcX;
    b.srcY = srcY;
    b.x = x;
    b.y = y;
    b.w = w;
    b.h = h;
    return true;
}

bool ClipToTarget(const Target& t, Blit& b)
{
    if (b.x < 0) {
        b.w += b.x;
        b.srcX -= b.x;
        b.x = 0;
    }
    if (b.y < 0) {
        b.h += b.y;
        b.srcY -= b.y;
        b.y = 0;
    }
    if (b.x + b.w > t.width)
        b.w = t.width - b.x;
    if (b.y + b.h > t.height)
        b.h = t.height - b.y;
    return b.w > 0 && b.h > 0;
}

} // namespace vuimg
