// Screen driver of the Prolin terminal.
#include "vuPaxProlinFrameBuffer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fb.h>
#include <new>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "osal.h"
#include "vuRotatedCopy.h"

int vuPaxProlinFrameBuffer::display = -1;
uint16_t *vuPaxProlinFrameBuffer::screenMem = nullptr;
uint32_t vuPaxProlinFrameBuffer::screenMemSize = 0;
uint16_t vuPaxProlinFrameBuffer::rotate = 0;

vuFrameBuffer *vuFrameBuffer::Init(unsigned short w, unsigned short h)
{
    return new (std::nothrow) vuPaxProlinFrameBuffer(w, h);
}

vuPaxProlinFrameBuffer::vuPaxProlinFrameBuffer(unsigned short w, unsigned short h) : vuFrameBuffer(w, h)
{
    widthInBytes = static_cast<uint32_t>(w) * 2;
    frameBuffer = new (std::nothrow) uint16_t[static_cast<size_t>(w) * h]();
    lineBuffer = new (std::nothrow) uint16_t[w ? w : 1]();
}

vuPaxProlinFrameBuffer::~vuPaxProlinFrameBuffer()
{
    delete[] frameBuffer;
    frameBuffer = nullptr;
    delete[] static_cast<uint16_t *>(lineBuffer);
    lineBuffer = nullptr;
}

// ---- the device ------------------------------------------------------------

namespace {

// The screen's geometry: the frame-buffer query, or the stand-in's answer for
// a regular file, which has no such query.
bool queryScreen(int fd, unsigned &xres, unsigned &yres, unsigned &bpp)
{
    fb_var_screeninfo info;
    std::memset(&info, 0, sizeof info);
    if (ioctl(fd, FBIOGET_VSCREENINFO, &info) == 0) {
        xres = info.xres;
        yres = info.yres;
        bpp = info.bits_per_pixel;
        return true;
    }
    if (errno != ENOTTY)
        return false;
    unsigned int x, y, b;
    if (OsFbStandInInfo(fd, &x, &y, &b) != 0)
        return false;
    xres = x;
    yres = y;
    bpp = b;
    return true;
}

} // namespace

int vuPaxProlinFrameBuffer::OpenDevice(int &w, int &h)
{
    CloseDevice();
    char path[4096];
    if (!OsMapPath("/dev/graphics/fb0", path, sizeof path))
        return -11;
    display = open(path, O_RDWR | O_CLOEXEC);
    if (display < 0) {
        display = -1;
        return -11;
    }
    unsigned xres = 0, yres = 0, bpp = 0;
    // Every copy writes two bytes per pixel: another depth would run past
    // (or garble) the mapping, so it is refused like a failed query.
    bool ok = queryScreen(display, xres, yres, bpp) && bpp == 16 && xres > 0 && yres > 0 && xres <= 0xFFFF &&
              yres <= 0xFFFF;
    if (ok) {
        screenMemSize = yres * xres * (bpp / 8);
        void *mem = mmap(nullptr, screenMemSize, PROT_READ | PROT_WRITE, MAP_SHARED, display, 0);
        if (mem == MAP_FAILED)
            ok = false;
        else
            screenMem = static_cast<uint16_t *>(mem);
    }
    if (!ok) {
        screenMem = nullptr;
        screenMemSize = 0;
        close(display);
        display = -1;
        return -11;
    }
    char value[OS_REG_VALUE_MAX] = "";
    if (OsRegGetValue("ro.fac.lcd.rotate", value) < 0)
        value[0] = 0;
    rotate = static_cast<uint16_t>(std::atoi(value));
    if (rotate == 90) {
        w = static_cast<int>(yres);
        h = static_cast<int>(xres);
    } else {
        w = static_cast<int>(xres);
        h = static_cast<int>(yres);
    }
    return 0;
}

void vuPaxProlinFrameBuffer::CloseDevice()
{
    if (screenMem)
        munmap(screenMem, screenMemSize);
    screenMem = nullptr;
    screenMemSize = 0;
    if (display >= 0)
        close(display);
    display = -1;
}

// ---- copies to the screen ------------------------------------------------

int vuPaxProlinFrameBuffer::copy(unsigned x, unsigned y, unsigned w, unsigned h)
{
    if (!screenMem)
        return -16;
    const unsigned W = width, H = height;
    // The mapping must hold the whole frame buffer: a frame buffer larger
    // than the screen would write past it.
    if (static_cast<unsigned long long>(W) * H * 2 > screenMemSize)
        return -16;
    if (w == 0 || h == 0)
        return 0;
    const uint16_t *src = frameBuffer;
    uint16_t *dst = screenMem;
    if (rotate != 90) {
        if (x == 0 && w == W) {
            std::memcpy(dst + static_cast<size_t>(y) * W, src + static_cast<size_t>(y) * W,
                        static_cast<size_t>(w) * h * 2);
        } else {
            for (unsigned r = y; r < y + h; ++r)
                std::memcpy(dst + static_cast<size_t>(r) * W + x, src + static_cast<size_t>(r) * W + x,
                            static_cast<size_t>(w) * 2);
        }
        return 0;
    }
    vuRotatedCopy(src, W, dst, H, x, y, w, h);
    return 0;
}

int vuPaxProlinFrameBuffer::ToScreen()
{
    if (!frameBuffer)
        return -4;
    return copy(0, 0, width, height);
}

int vuPaxProlinFrameBuffer::ToScreen(unsigned short y, unsigned short rows)
{
    if (!frameBuffer || y >= height || static_cast<unsigned>(y) + rows > height)
        return -4;
    return copy(0, y, width, rows);
}

int vuPaxProlinFrameBuffer::ToScreen(unsigned short x, unsigned short y, unsigned short w, unsigned short h)
{
    if (!frameBuffer || y >= height || static_cast<unsigned>(y) + h > height || x >= width ||
        static_cast<unsigned>(x) + w > width)
        return -4;
    return copy(x, y, w, h);
}

// ---- drawing into the back buffer -----------------------------------------

int vuPaxProlinFrameBuffer::Line(vuViewPort *port, short x1, short y1, short x2, short y2, unsigned short colour,
                                 unsigned short style)
{
    return MemLine(port, x1, y1, x2, y2, colour, style);
}

int vuPaxProlinFrameBuffer::Fill(vuViewPort *port, short x, short y, unsigned short w, unsigned short h,
                                 unsigned short colour, unsigned short)
{
    return MemFill(port, x, y, w, h, colour);
}

int vuPaxProlinFrameBuffer::Shadow(vuViewPort *port, short x, short y, unsigned short w, unsigned short h)
{
    return MemShadow(port, x, y, w, h);
}

int vuPaxProlinFrameBuffer::Border(vuViewPort *port, short x, short y, unsigned short w, unsigned short h,
                                   unsigned short colour)
{
    return MemBorder(port, x, y, w, h, colour);
}
