// The program's shell against real parts: the toolkit in the test's own
// thread (caller-thread mode) over the stand-in screen and keypad FIFO of a
// temporary terminal root, the controller-service stand-in on a real queue
// in the test's private IPC namespace (lock-step with the virtual clock),
// and the screen trace in a file. Keys are queued in the keypad FIFO before
// the boxes that take them: each modal loop takes the next one.
#ifndef TESTS_SHELL_APP_SHELLFIXTURE_H
#define TESTS_SHELL_APP_SHELLFIXTURE_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "KktSim.h"
#include "Service.h"
#include "ServiceFixture.h"
#include "app_hooks.h"
#include "osal.h"
#include "vuInputRecord.h"
#include "vuUI.h"

namespace shelltest {

using servicetest::Entry;
using servicetest::ReadJournal;

// Linux key codes of the keypad.
enum : uint16_t { KEY_ENTER = 28, KEY_CANCEL = 223 };

class ShellTest : public ::testing::Test {
protected:
    static constexpr int SW = 240, SH = 320;

    void SetUp() override
    {
        char tmpl[] = "/tmp/shell_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        trace = root + "/trace.jsonl";
        // Read once per process: set before anything traces.
        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        ASSERT_EQ(mkdir((root + "/dev").c_str(), 0777), 0);
        ASSERT_EQ(mkdir((root + "/dev/graphics").c_str(), 0777), 0);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, SW * SH * 2), 0);
        close(fd);
        ASSERT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(SW).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(SH).c_str()), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
        ASSERT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
        keypad = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(keypad, 0);

        // The toolkit's own UI thread runs in real time beside the stand-in's
        // thread; the caller-thread mode runs under the virtual clock.
        if (!threadMode)
            OsTestClockEnable(100000);
        kktsim::Config config;
        config.dir = root + "/kktsim";
        sim.reset(new kktsim::Simulator(config));
        ASSERT_EQ(sim->Open(), 0);
        if (threadMode)
            sim->Start();
        else
            sim->StartLockstep();
        ASSERT_EQ(ServiceOpen(), 0);

        // The calls into the communications screens, as the program sets
        // them at start.
        app_register_hooks();
        ui = vuUI::Init(threadMode ? 0 : VU_UI_CALLER_THREAD);
        ASSERT_NE(ui, nullptr);
        ASSERT_NE(vuUI::getFB(), nullptr) << vuUI::GetLastError();
    }

    void TearDown() override
    {
        vuUI::Done();
        sim.reset();
        if (keypad >= 0)
            close(keypad);
        OsTestClockDisable();
        std::string cmd = "rm -rf " + root;
        (void)system(cmd.c_str());
    }

    // Replaces the stand-in's scenario by the given text.
    void Scenario(const std::string &text)
    {
        kktsim::Scenario s;
        std::string error;
        ASSERT_TRUE(kktsim::ParseScenario(text, s, &error)) << error;
        sim->Load(s);
    }

    void Key(uint16_t code, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            for (int32_t value : {1, 0}) {
                vuInputRecord rec{0, 0, vuInputRecord::Key, code, value};
                ASSERT_EQ(write(keypad, &rec, sizeof rec), static_cast<ssize_t>(sizeof rec));
            }
        }
    }

    // The trace's lines of one event kind ("msgbox", "form").
    std::vector<Entry> Trace(const std::string &event)
    {
        std::vector<Entry> out;
        for (const Entry &e : ReadJournal(trace, ""))
            if (e.Get("event") == event)
                out.push_back(e);
        return out;
    }

    // Command codes (hex) of the frames the stand-in took, in order.
    std::vector<std::string> Codes()
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(sim->JournalPath(), "in", 1))
            if (!e.Get("code").empty())
                out.push_back(e.Get("code"));
        return out;
    }

    // Set by a fixture before SetUp: the toolkit in its own UI thread.
    bool threadMode = false;
    std::string root, trace;
    int keypad = -1;
    std::unique_ptr<kktsim::Simulator> sim;
    vuUI *ui = nullptr;
};

} // namespace shelltest

#endif
