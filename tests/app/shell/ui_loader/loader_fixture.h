// The toolkit in the test's own thread (caller-thread mode) over the
// stand-in screen of a temporary terminal root, and helpers that write UI
// descriptions into that folder and load them.
#ifndef TESTS_UI_LOADER_LOADER_FIXTURE_H
#define TESTS_UI_LOADER_LOADER_FIXTURE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "osal.h"
#include "ui_loader.h"
#include "vuForm.h"
#include "vuUI.h"

namespace uitest {

// A temporary folder, removed afterwards; TERMINAL_ROOT points at it.
class TempRoot {
public:
    TempRoot()
    {
        char tmpl[] = "/tmp/ui_loader_XXXXXX";
        if (mkdtemp(tmpl))
            path = tmpl;
        setenv("TERMINAL_ROOT", path.c_str(), 1);
    }
    ~TempRoot()
    {
        unsetenv("TERMINAL_ROOT");
        std::string cmd = "rm -rf '" + path + "'";
        if (!path.empty() && system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", path.c_str());
    }
    std::string path;
};

inline bool writeText(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

// Stand-in devices of a w x h screen under root.
inline void makeDevices(const std::string& root, int w, int h)
{
    ASSERT_EQ(mkdir((root + "/dev").c_str(), 0777), 0);
    ASSERT_EQ(mkdir((root + "/dev/graphics").c_str(), 0777), 0);
    int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, w * h * 2), 0);
    close(fd);
    ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(w).c_str()), 0);
    ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(h).c_str()), 0);
    ASSERT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
    ASSERT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
    ASSERT_EQ(mkfifo((root + "/dev/tp").c_str(), 0666), 0);
}

// Base of the loader tests: a w x h stand-in screen; the toolkit is started
// by start() (caller-thread mode) or by a UI root the test loads.
class LoaderTest : public ::testing::Test {
protected:
    LoaderTest(int w = 240, int h = 320) : W(w), H(h) {}

    void SetUp() override
    {
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        makeDevices(root.path, W, H);
        OsTestClockEnable(100000);
    }

    void TearDown() override
    {
        delete form;
        vuUI::Done();
        OsTestClockDisable();
        // Tests may work inside the root, which is removed after them.
        if (chdir(cwd) != 0)
            perror("chdir");
    }

    void start()
    {
        ASSERT_NE(vuUI::Init(VU_UI_CALLER_THREAD), nullptr);
        ASSERT_NE(vuUI::getFB(), nullptr) << vuUI::GetLastError();
        ASSERT_EQ(vuUI::GetWidth(), W);
        ASSERT_EQ(vuUI::GetHeight(), H);
    }

    // Writes a description under the root and returns its path.
    std::string file(const std::string& name, const std::string& text)
    {
        std::string path = root.path + "/" + name;
        EXPECT_TRUE(writeText(path, text)) << path;
        return path;
    }

    // Loads a form description given as text; the form is kept for the test
    // and deleted at its end.
    vuForm* loadForm(const std::string& text, int* err = nullptr)
    {
        int e = 99;
        delete form;
        form = load_form_file(file("form.xml", text).c_str(), &e);
        if (err)
            *err = e;
        return form;
    }

    TempRoot root;
    char cwd[4096] = "/";
    int W, H;
    vuForm* form = nullptr;
};

} // namespace uitest

#endif
