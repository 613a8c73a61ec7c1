// The stand-in screen of a terminal root as the PC tools read it: the
// frame-buffer file ("/dev/graphics/fb0" under TERMINAL_ROOT, RGB565, xres x
// yres as the OS stand-in reports them) and the panel's rotation. Shared by
// fbshot and termview; header only.
#ifndef TOOLS_COMMON_SCREEN_FILE_H
#define TOOLS_COMMON_SCREEN_FILE_H

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "osal.h"

class ScreenFile {
public:
    ~ScreenFile()
    {
        if (fd_ >= 0)
            close(fd_);
    }

    // Opens the screen file (the terminal's by default) and learns its
    // geometry. False with a message when it cannot be used.
    bool open(const std::string &path, std::string &error)
    {
        char mapped[4096];
        path_ = path.empty() ? (OsMapPath("/dev/graphics/fb0", mapped, sizeof mapped) ? mapped : "") : path;
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error = "cannot open " + path_;
            return false;
        }
        unsigned int x, y, b;
        if (OsFbStandInInfo(fd_, &x, &y, &b) != 0) {
            error = "no screen geometry for " + path_ +
                    " (set osal.fb.xres/osal.fb.yres or TERMINAL_FB_XRES/TERMINAL_FB_YRES)";
            return false;
        }
        if (b != 16) {
            error = "the screen is not 16 bits per pixel";
            return false;
        }
        xres_ = x;
        yres_ = y;
        char value[OS_REG_VALUE_MAX] = "";
        if (OsRegGetValue("ro.fac.lcd.rotate", value) < 0)
            value[0] = 0;
        rotate_ = static_cast<unsigned>(std::atoi(value));
        return true;
    }

    unsigned xres() const { return xres_; }
    unsigned yres() const { return yres_; }
    bool rotated() const { return rotate_ == 90; }
    // The screen as the user sees it (the toolkit's logical size).
    unsigned logicalWidth() const { return rotated() ? yres_ : xres_; }
    unsigned logicalHeight() const { return rotated() ? xres_ : yres_; }
    const std::string &path() const { return path_; }

    // The screen's pixels as stored (xres x yres).
    bool readPhysical(std::vector<uint16_t> &px) const
    {
        px.resize(static_cast<size_t>(xres_) * yres_);
        size_t bytes = px.size() * 2;
        return pread(fd_, px.data(), bytes, 0) == static_cast<ssize_t>(bytes);
    }

    // The screen turned back to the logical picture: logical (x, y) is
    // stored at screen row x, column h - 1 - y on a rotated panel.
    bool readLogical(std::vector<uint16_t> &px) const
    {
        std::vector<uint16_t> phys;
        if (!readPhysical(phys))
            return false;
        if (!rotated()) {
            px.swap(phys);
            return true;
        }
        const unsigned w = logicalWidth(), h = logicalHeight();
        px.resize(phys.size());
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x)
                px[static_cast<size_t>(y) * w + x] = phys[static_cast<size_t>(x) * h + (h - 1 - y)];
        return true;
    }

private:
    std::string path_;
    int fd_ = -1;
    unsigned xres_ = 0, yres_ = 0, rotate_ = 0;
};

#endif
