// GIF pictures load only from files: each input goes into an in-memory file
// opened through /proc, is loaded, and when it loads its frame is drawn
// through a few windows and ports.
#include <stdint.h>
#include <stdio.h>
#include <sys/mman.h>
#include <unistd.h>

#include "MemScreen.h"
#include "vuGIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int fd = memfd_create("fuzz_gif", 0);
    static char path[64];
    if (fd < 0)
        return 0;
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != (ssize_t)size)
        return 0;

    vuGIF gif(path);
    if (gif.GetWidth() == 0)
        return 0;
    static MemScreen fb(64, 48);
    vuViewPort whole = {0, 0, 64, 48, 0, 0};
    vuViewPort huge = {-300, -300, 3000, 3000, 5, -7};
    const unsigned short w = gif.GetWidth(), h = gif.GetHeight();
    gif.Draw(&fb, &whole, 0, 0, 0, 0, w, h);
    gif.Draw(&fb, &huge, (unsigned short)(w / 3), (unsigned short)(h / 2), -10, 40, w, h);
    gif.GetSize();
    return 0;
}
