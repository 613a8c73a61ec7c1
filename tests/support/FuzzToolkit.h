// The toolkit for a fuzz target: caller-thread mode over a stand-in screen
// file of w x h under a scratch terminal root (removed at exit), with the
// virtual clock running. Started once per process.
#ifndef TESTS_SUPPORT_FUZZTOOLKIT_H
#define TESTS_SUPPORT_FUZZTOOLKIT_H

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "osal.h"
#include "vuUI.h"

namespace fuzz_toolkit {

inline std::string& scratchRoot()
{
    static std::string root;
    return root;
}

inline void stop()
{
    vuUI::Done();
    const std::string& root = scratchRoot();
    if (!root.empty()) {
        std::string cmd = "rm -rf '" + root + "'";
        if (system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", root.c_str());
    }
}

// name: a word for the scratch folder. True when the screen is there.
inline bool start(const char* name, int w, int h)
{
    std::string tmpl = std::string("/tmp/") + name + "_XXXXXX";
    if (!mkdtemp(&tmpl[0]))
        return false;
    const std::string root = tmpl;
    scratchRoot() = root;
    atexit(stop);
    setenv("TERMINAL_ROOT", root.c_str(), 1);
    mkdir((root + "/dev").c_str(), 0777);
    mkdir((root + "/dev/graphics").c_str(), 0777);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return false;
    bool sized = ftruncate(fd, static_cast<off_t>(w) * h * 2) == 0;
    close(fd);
    if (!sized)
        return false;
    OsRegSetValue("osal.fb.xres", std::to_string(w).c_str());
    OsRegSetValue("osal.fb.yres", std::to_string(h).c_str());
    OsRegSetValue("osal.fb.bpp", "16");
    OsTestClockEnable(100000);
    vuUI* ui = vuUI::Init(VU_UI_CALLER_THREAD);
    return ui && vuUI::getFB();
}

} // namespace fuzz_toolkit

#endif
