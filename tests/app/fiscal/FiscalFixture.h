// Screens of the cashier's day against real parts: the toolkit in its own UI
// thread (as the program runs it), the UI descriptions of res/ in the
// working folder, the settings in ./data/, and the controller stand-in with
// its fiscal-drive model.
//
// Keys follow the screens: a script thread waits for each modal form in
// the screen trace, checks which form it is, may act on the stand-in (paper
// back in) and then presses the key. Every wait has a hard limit.
#ifndef TESTS_FISCAL_APP_FISCALFIXTURE_H
#define TESTS_FISCAL_APP_FISCALFIXTURE_H

#include "ShellFixture.h"

#include <errno.h>
#include <time.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "settings.h"
#include "TestTime.h"

namespace fiscaltest {

using shelltest::Entry;
using shelltest::KEY_CANCEL;
using shelltest::KEY_ENTER;

const uint16_t KEY_DOWN = 108;
const uint16_t KEY_BACKSPACE = 14;
using shelltest::ReadJournal;

// The header of the box shown while a command runs.
constexpr const char *kWait = u8"ПОДОЖДИТЕ";

// Linux key codes of the digit keys.
inline uint16_t DigitKey(char c) { return static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')); }

// One modal form and what is done on it. form: its header or its
// description file; keys: pressed in order (none: the form ends by itself).
struct Step {
    Step(std::string f, std::vector<uint16_t> k = {}, std::function<void()> b = nullptr)
        : form(std::move(f)), keys(std::move(k)), before(std::move(b))
    {
    }
    std::string form;
    std::vector<uint16_t> keys;
    std::function<void()> before; // runs once the form is up, before the keys
};

// The keys of a followed by those of b.
inline std::vector<uint16_t> Then(std::vector<uint16_t> a, const std::vector<uint16_t> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::vector<uint16_t> Digits(const std::string &text, uint16_t last = KEY_ENTER)
{
    std::vector<uint16_t> keys;
    for (char c : text)
        keys.push_back(DigitKey(c));
    keys.push_back(last);
    return keys;
}

inline std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The data fields (from field 1) of the last request with this code.
inline std::vector<std::string> LastFields(const std::string &journal, const std::string &code)
{
    std::vector<std::string> out;
    for (const Entry &e : ReadJournal(journal, "in", 1)) {
        if (e.Get("code") != code)
            continue;
        out.clear();
        size_t at = e.line.find("\"fields\":[");
        if (at == std::string::npos)
            continue;
        at += 10;
        while (at < e.line.size() && e.line[at] == '"') {
            std::string s;
            for (++at; at < e.line.size() && e.line[at] != '"'; ++at) {
                if (e.line[at] == '\\' && at + 1 < e.line.size()) {
                    char c = e.line[++at];
                    s += c == 'n' ? '\n' : c;
                } else {
                    s += e.line[at];
                }
            }
            out.push_back(s);
            at += 1;
            if (at < e.line.size() && e.line[at] == ',')
                ++at;
        }
    }
    return out;
}

// Positions of the texts in the paper log, in their order; npos when one is
// missing or out of order.
inline bool InOrder(const std::string &paper, const std::vector<std::string> &texts)
{
    size_t at = 0;
    for (const std::string &t : texts) {
        at = paper.find(t, at);
        if (at == std::string::npos)
            return false;
        at += t.size();
    }
    return true;
}

class FiscalTest : public shelltest::ShellTest {
protected:
    // How long a script step waits for its form on an idle machine
    // (scaled, TestTime.h): only a failing test waits this long.
    static constexpr long kWaitMs = 30000;

    FiscalTest() { threadMode = true; }

    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        ASSERT_TRUE(mkdir((root + "/data").c_str(), 0777) == 0 || errno == EEXIST);
        ASSERT_EQ(symlink((std::string(SOURCE_DIR) + "/res").c_str(), (root + "/res").c_str()), 0);
        ASSERT_EQ(chdir(root.c_str()), 0);
        settings_new();
    }

    void TearDown() override
    {
        StopScript();
        settings_free();
        if (oldCwd[0])
            (void)chdir(oldCwd);
        ShellTest::TearDown();
    }

    // A registered drive; extra scenario lines after it.
    void Drive(const std::string &extra = "")
    {
        Scenario("mode normal\npaper in\ndrive registered yes\ndrive drawer 0.00\n" + extra);
    }

    // Starts the key script for the screens to come.
    void Script(std::vector<Step> steps)
    {
        StopScript();
        size_t from = Trace("form").size();
        done = 0;
        mismatch.clear();
        script = std::thread([this, steps, from]() {
            size_t next = from;
            for (const Step &s : steps) {
                Entry e;
                if (!WaitForm(next, &e)) {
                    mismatch = "no form \"" + s.form + "\" came";
                    Rescue();
                    return;
                }
                ++next;
                if (e.Get("header") != s.form && e.Get("file") != s.form) {
                    mismatch = "form \"" + e.Get("header") + "\" (" + e.Get("file") + ") came, not \"" + s.form + "\"";
                    Rescue();
                    return;
                }
                if (s.before)
                    s.before();
                for (uint16_t k : s.keys) {
                    Key(k);
                    timespec pause{0, 30 * 1000 * 1000};
                    nanosleep(&pause, nullptr);
                }
                ++done;
            }
            // Anything shown after the last step was not expected: it is
            // noted and closed.
            Entry e;
            while (WaitForm(next, &e)) {
                ++next;
                if (mismatch.empty())
                    mismatch = "unexpected form \"" + e.Get("header") + "\" (" + e.Get("file") + ")";
                Key(KEY_CANCEL);
            }
        });
        steps_ = steps.size();
    }

    // Waits for the script's end and checks that every step ran.
    void EndScript()
    {
        StopScript();
        EXPECT_EQ(mismatch, "");
        EXPECT_EQ(done.load(), steps_);
    }

    // Message boxes from a trace position: "title|text" (UTF-8).
    std::vector<std::string> Boxes(size_t from = 0)
    {
        std::vector<std::string> out;
        std::vector<Entry> boxes = Trace("msgbox");
        for (size_t i = from; i < boxes.size(); ++i)
            out.push_back(boxes[i].Get("title") + "|" + boxes[i].Get("text"));
        return out;
    }

    // The short commands (their character) and frame codes the stand-in
    // took, in order, from a position.
    std::vector<std::string> Taken(size_t from = 0)
    {
        std::vector<std::string> out;
        std::vector<Entry> in = ReadJournal(sim->JournalPath(), "in", 1);
        for (size_t i = from; i < in.size(); ++i) {
            if (!in[i].Get("code").empty())
                out.push_back(in[i].Get("code"));
            else if (!in[i].Get("short").empty())
                out.push_back("DLE " + in[i].Get("short"));
        }
        return out;
    }
    size_t TakenCount() { return ReadJournal(sim->JournalPath(), "in", 1).size(); }

    std::string Paper() { return ReadFile(sim->PaperPath()); }

    char oldCwd[4096] = "";

private:
    bool WaitForm(size_t index, Entry *out)
    {
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            // The stop is read before the trace: a form shown before the
            // call under test returned (and so before the stop) is in the
            // trace read after it, however late this thread runs.
            bool stop = stopping;
            std::vector<Entry> forms = Trace("form");
            if (forms.size() > index) {
                *out = forms[index];
                return true;
            }
            if (stop)
                return false;
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            if ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 > testtime::Ms(kWaitMs))
                return false;
            timespec pause{0, 5 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }

    // A script that went wrong closes whatever is left open, so that the
    // screen under test returns and the test can report.
    void Rescue()
    {
        while (!stopping) {
            Key(KEY_CANCEL);
            timespec pause{0, 100 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }

    void StopScript()
    {
        if (script.joinable()) {
            // The script ends by itself once its last key is pressed; a
            // script still waiting for a form gives up after its limit.
            stopping = true;
            script.join();
        }
        stopping = false;
    }

    std::thread script;
    std::atomic<size_t> done{0};
    size_t steps_ = 0;
    std::string mismatch;
    std::atomic<bool> stopping{false};
};

} // namespace fiscaltest

#endif
