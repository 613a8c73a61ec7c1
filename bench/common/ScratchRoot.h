// A scratch terminal root for a benchmark: a new folder that TERMINAL_ROOT
// names while it lives (the OS stand-in keeps its files there), the
// stand-in screen file in it, and the private IPC namespace of those that
// run kktsim's controller queue in a thread. Header only.
#ifndef BENCH_COMMON_SCRATCHROOT_H
#define BENCH_COMMON_SCRATCHROOT_H

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "osal.h"

namespace bench {

// kktsim's controller queue (key 111) in a private System V IPC namespace,
// so that the queue of anything else on the machine is left alone; where
// the machine does not allow it, says so and goes on with the machine's.
inline void privateIpc(const char *name)
{
    if (unshare(CLONE_NEWIPC) != 0)
        fprintf(stderr, "%s: no private IPC namespace (%s); using the machine's\n", name, strerror(errno));
}

// ROOT/dev/graphics/fb0, the stand-in screen of w x h RGB565 pixels, with
// its geometry in the OS stand-in's properties; ROOT must be the
// TERMINAL_ROOT of this process.
inline bool makeScreen(const std::string &root, unsigned w, unsigned h)
{
    mkdir((root + "/dev").c_str(), 0777);
    mkdir((root + "/dev/graphics").c_str(), 0777);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return false;
    const bool sized = ftruncate(fd, static_cast<off_t>(w) * h * 2) == 0;
    close(fd);
    return sized && OsRegSetValue("osal.fb.xres", std::to_string(w).c_str()) == 0 &&
           OsRegSetValue("osal.fb.yres", std::to_string(h).c_str()) == 0 &&
           OsRegSetValue("osal.fb.bpp", "16") == 0;
}

class ScratchRoot {
public:
    // A new folder from a mkdtemp template ("/tmp/..._XXXXXX"); Ok() tells
    // whether it was made.
    explicit ScratchRoot(const std::string &folder)
    {
        std::vector<char> name(folder.begin(), folder.end());
        name.push_back('\0');
        if (mkdtemp(name.data())) {
            path_ = name.data();
            setenv("TERMINAL_ROOT", path_.c_str(), 1);
        }
    }
    ~ScratchRoot() { Remove(); }
    ScratchRoot(const ScratchRoot &) = delete;
    ScratchRoot &operator=(const ScratchRoot &) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string &Path() const { return path_; }

    // Removes the folder and all in it now; false (with a line on stderr)
    // when that failed.
    bool Remove()
    {
        if (path_.empty())
            return true;
        const std::string path = path_;
        path_.clear();
        if (system(("rm -rf '" + path + "'").c_str()) != 0) {
            fprintf(stderr, "could not remove %s\n", path.c_str());
            return false;
        }
        return true;
    }

private:
    std::string path_;
};

} // namespace bench

#endif
