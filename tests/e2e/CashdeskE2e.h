// The end-to-end fixture: the controller-service stand-in and the program
// as processes of their own in the test's private IPC namespace, over a
// sandbox folder with its own res/, data/ and terminal root. Keys go into
// the keypad FIFO once the trace says the form that takes them is modal;
// every wait has a hard limit, and only the processes started here are
// ended, by their ids.
#ifndef TESTS_E2E_CASHDESKE2E_H
#define TESTS_E2E_CASHDESKE2E_H

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <mxml.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "KktDriveStore.h"
#include "LineTail.h"
#include "ServiceFixture.h"
#include "TestTime.h"
#include "osal.h"
#include "vuInputRecord.h"

namespace e2e {

using servicetest::Entry;
using servicetest::ReadJournal;

enum : uint16_t {
    KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108, KEY_UP = 103, KEY_BACKSPACE = 14,
    KEY_ADD = 241, KEY_FIVE = 6, KEY_EIGHT = 9
};

// Linux key codes of the digit keys.
inline uint16_t DigitKey(char c) { return static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')); }

const int kWaitMs = 20000; // a screen that does not come within this fails

// A registered drive with a closed shift: the answers of every start-up
// command.
const char *const kRegistered = R"(mode normal
answer 29 fatal=08 status=0000
data 29 03
data 29 00
data 29 00
data 29 00
data 29 00
data 29 1012261200
data 29 9999078900012345
data 29 00000007
data 29 311227
data 29 fn v1
data 29 05
data 29 0100
data 29 0200
answer 97 fatal=08 status=0000
data 97 ПТК
data 97 001
data 97 0000000000123456
data 97 0000000001012345
data 97 007710000001
data 97 K105320
answer 01 fatal=08 status=0100
answer 4D fatal=08 status=0100
data 4D 0000
data 4D 0000
data 4D 0000
data 4D 0000
answer 88
data 88 01
answer 8F
data 8F 1012261200
data 8F 7710000001
data 8F 0000000001012345
data 8F 01
data 8F 00
answer 17
answer 39
data 39 0000
answer 27
data 27 00
data 27 0000
)";

inline long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

inline void pause10ms()
{
    timespec t{0, 10 * 1000 * 1000};
    nanosleep(&t, nullptr);
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The fiscal drive's state kept by kktsim in the folder, as JSON text (""
// when it cannot be read); kktsim may be running.
inline std::string driveState(const std::string &kktsimDir)
{
    std::string json;
    return kktsim::DriveStore::ReadJson(kktsimDir + "/drive.db", json, nullptr) ? json : std::string();
}

// The MENU element of a menu description that the loader takes on a screen
// higher than wide: inside the "landscape" section when the file has one.
inline mxml_node_t *menuElement(mxml_node_t *top)
{
    mxml_node_t *scope = top;
    for (mxml_node_t *n = mxmlFindElement(top, top, nullptr, "orientation", nullptr, MXML_DESCEND); n;
         n = mxmlFindElement(n, top, nullptr, "orientation", nullptr, MXML_DESCEND)) {
        if (strcmp(mxmlElementGetAttr(n, "orientation"), "landscape") == 0) {
            scope = n;
            break;
        }
    }
    return mxmlFindElement(scope, scope, "MENU", nullptr, nullptr, MXML_DESCEND);
}

inline mxml_node_t *loadXml(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return nullptr;
    mxml_node_t *top = mxmlLoadFile(nullptr, f, MXML_OPAQUE_CALLBACK);
    fclose(f);
    return top;
}

// Identifiers of a menu description's items, in order.
inline std::vector<std::string> menuItems(const std::string &path)
{
    std::vector<std::string> out;
    mxml_node_t *top = loadXml(path);
    mxml_node_t *menu = top ? menuElement(top) : nullptr;
    for (mxml_node_t *n = menu ? mxmlGetFirstChild(menu) : nullptr; n; n = mxmlGetNextSibling(n)) {
        const char *element = mxmlGetElement(n);
        if (element && strcasecmp(element, "ITEM") == 0) {
            const char *name = mxmlElementGetAttr(n, "name");
            out.push_back(name ? name : "");
        }
    }
    if (top)
        mxmlDelete(top);
    return out;
}

// Puts an item with the identifier in front of a menu description's items.
inline bool addItem(const std::string &path, const std::string &id, const std::string &utf8Text)
{
    mxml_node_t *top = loadXml(path);
    mxml_node_t *menu = top ? menuElement(top) : nullptr;
    bool ok = false;
    if (menu) {
        mxml_node_t *item = mxmlNewElement(MXML_NO_PARENT, "ITEM");
        mxmlElementSetAttr(item, "name", id.c_str());
        mxmlNewOpaque(mxmlNewElement(item, "TEXT"), utf8Text.c_str());
        mxml_node_t *first = nullptr;
        for (mxml_node_t *n = mxmlGetFirstChild(menu); n && !first; n = mxmlGetNextSibling(n))
            if (mxmlGetElement(n) && strcasecmp(mxmlGetElement(n), "ITEM") == 0)
                first = n;
        mxmlAdd(menu, MXML_ADD_BEFORE, first ? first : MXML_ADD_TO_PARENT, item);
        FILE *f = fopen(path.c_str(), "w");
        ok = f && mxmlSaveFile(top, f, MXML_NO_CALLBACK) == 0;
        if (f)
            fclose(f);
    }
    if (top)
        mxmlDelete(top);
    return ok;
}

// Sets an attribute of a menu description's MENU element.
inline bool setMenuAttr(const std::string &path, const char *name, const char *value)
{
    mxml_node_t *top = loadXml(path);
    mxml_node_t *menu = top ? menuElement(top) : nullptr;
    bool ok = false;
    if (menu) {
        mxmlElementSetAttr(menu, name, value);
        FILE *f = fopen(path.c_str(), "w");
        ok = f && mxmlSaveFile(top, f, MXML_NO_CALLBACK) == 0;
        if (f)
            fclose(f);
    }
    if (top)
        mxmlDelete(top);
    return ok;
}

class Cashdesk : public ::testing::Test {
protected:
    void SetUp() override
    {
        res = std::string(SOURCE_DIR) + "/res";
        ASSERT_EQ(access((res + "/kkt_ui.xml").c_str(), R_OK), 0) << res;
        char tmpl[] = "/tmp/cashdesk_e2e_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        root = dir + "/root";
        trace = dir + "/trace.jsonl";
        traceTail.Reset(trace);
        journal = dir + "/kktsim/journal.jsonl";
        ASSERT_EQ(system(("cp -r '" + res + "' '" + dir + "/res' && mkdir -p '" + dir + "/data' '" + root +
                          "/dev/graphics' '" + dir + "/kktsim'")
                             .c_str()),
                  0);
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, 240 * 320 * 2), 0);
        close(fd);
        ASSERT_EQ(OsRegSetValue("osal.fb.xres", "240"), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.yres", "320"), 0);
        ASSERT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
        ASSERT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
        // Held open by the test as well, so the program never reads an end
        // of file between two keys.
        keypad = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(keypad, 0);
    }

    void TearDown() override
    {
        if (HasFailure() && !dir.empty())
            fprintf(stderr, "trace:\n%s\njournal: %s\n", readFile(trace).c_str(), journal.c_str());
        for (pid_t *pid : {&cashdesk, &sim}) {
            if (*pid > 0) {
                kill(*pid, SIGKILL);
                waitpid(*pid, nullptr, 0);
                *pid = -1;
            }
        }
        if (keypad >= 0)
            close(keypad);
        if (!dir.empty() && !HasFailure())
            (void)system(("rm -rf '" + dir + "'").c_str());
    }

    // Starts a program in cwd; inChild, when given, runs in the new process
    // just before the program (limits, capabilities).
    static pid_t spawn(const std::string &cwd, const std::vector<std::string> &args,
                       const std::function<void()> &inChild = nullptr)
    {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(cwd.c_str()) != 0)
                _exit(127);
            if (inChild)
                inChild();
            std::vector<char *> argv;
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    void StartSim(const std::string &scenario)
    {
        std::string file = dir + "/scenario";
        std::ofstream(file) << scenario;
        sim = spawn(dir, {KKTSIM_PATH, "--dir", dir + "/kktsim", "--scenario", file});
        ASSERT_GT(sim, 0);
        // The stand-in writes its pid file once its queue is up.
        long end = testtime::Deadline(5000);
        while (access((dir + "/kktsim/kktsim.pid").c_str(), R_OK) != 0) {
            ASSERT_EQ(waitpid(sim, nullptr, WNOHANG), 0) << "kktsim ended";
            ASSERT_LT(nowMs(), end) << "kktsim did not start";
            pause10ms();
        }
    }

    void StartCashdesk(const char *mode = nullptr)
    {
        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        std::vector<std::string> args = {CASHDESK_PATH};
        if (mode)
            args.push_back(mode);
        cashdesk = spawn(dir, args, cashdeskChild);
        ASSERT_GT(cashdesk, 0);
    }

    // Every line of the trace so far (read on from where the last call
    // stopped: a long trace is not read again at every poll).
    const std::vector<Entry> &Trace()
    {
        std::vector<std::string> fresh;
        if (traceTail.ReadNew(fresh))
            traceLines.clear();
        for (const std::string &line : fresh)
            traceLines.push_back(Entry{line});
        return traceLines;
    }

    // The trace file is gone or starts again (another run of the program):
    // it is read from its start.
    void ForgetTrace()
    {
        traceTail.Reset(trace);
        traceLines.clear();
        taken = 0;
    }

    // Waits for the next trace line (after those already taken) that
    // matches; fails when the program ends or the time is up first (limitMs,
    // for a screen that comes only after a deadline of the program's).
    Entry WaitFor(const std::string &event, const std::function<bool(const Entry &)> &match,
                  long limitMs = kWaitMs)
    {
        long end = testtime::Deadline(limitMs);
        for (;;) {
            const std::vector<Entry> &lines = Trace();
            for (; taken < lines.size(); ++taken) {
                if (lines[taken].Get("event") == event && match(lines[taken]))
                    return lines[taken++];
            }
            if (cashdesk > 0 && exited < 0) {
                int status;
                if (waitpid(cashdesk, &status, WNOHANG) == cashdesk) {
                    exited = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                    cashdesk = -1;
                    continue; // read what it wrote last
                }
            }
            if (exited >= 0) {
                ADD_FAILURE() << "cashdesk ended (" << exited << ") before the " << event << " line";
                return Entry{""};
            }
            if (nowMs() > end) {
                ADD_FAILURE() << "no " << event << " line in time";
                return Entry{""};
            }
            pause10ms();
        }
    }

    Entry WaitForm(const std::string &file, const std::string &header = std::string(), long limitMs = kWaitMs)
    {
        return WaitFor(
            "form",
            [&](const Entry &e) { return e.Get("file") == file && (header.empty() || e.Get("header") == header); },
            limitMs);
    }

    Entry WaitBox(const std::string &title)
    {
        return WaitFor("msgbox", [&](const Entry &e) { return e.Get("title") == title; });
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

    int WaitExit()
    {
        long end = testtime::Deadline(kWaitMs);
        while (exited < 0 && cashdesk > 0) {
            int status;
            if (waitpid(cashdesk, &status, WNOHANG) == cashdesk) {
                exited = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                cashdesk = -1;
                break;
            }
            if (nowMs() > end) {
                ADD_FAILURE() << "cashdesk did not end";
                break;
            }
            pause10ms();
        }
        return exited;
    }

    // What the stand-in took: command codes of frames and "DLE c" for short
    // commands, in order, from entry `from` on.
    std::vector<std::string> Taken(size_t from = 0)
    {
        std::vector<std::string> out;
        std::vector<Entry> in = ReadJournal(journal, "in", 1);
        for (size_t i = from; i < in.size(); ++i) {
            if (!in[i].Get("code").empty())
                out.push_back(in[i].Get("code"));
            else if (!in[i].Get("short").empty())
                out.push_back("DLE " + in[i].Get("short"));
        }
        return out;
    }
    size_t TakenCount() { return ReadJournal(journal, "in", 1).size(); }

    // Quits from the main menu: cancel, then OK to the question.
    void Quit()
    {
        Key(KEY_CANCEL);
        Entry q = WaitBox(u8"ВНИМАНИЕ");
        EXPECT_EQ(q.Get("text"), u8"ВЫ УВЕРЕНЫ, ЧТО ХОТИТЕ ЗАВЕРШИТЬ ИСПОЛЬЗОВАНИЕ СЕРВИСА ККТ?");
        EXPECT_EQ(q.Num("flags"), 3);
        Key(KEY_ENTER);
        EXPECT_EQ(WaitExit(), 0);
    }

    // Chooses the item with that identifier in the menu shown from `file`.
    void Choose(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t at = 0;
        while (at < items.size() && items[at] != id)
            ++at;
        ASSERT_LT(at, items.size()) << id << " not in " << file;
        Key(KEY_DOWN, static_cast<int>(at));
        Key(KEY_ENTER);
    }

    // The first sub-menu of the main menu (neither "info" nor "term").
    std::string FirstSubmenu()
    {
        for (const std::string &id : menuItems(dir + "/res/kkt_menu_main.xml"))
            if (!id.empty() && id != "info" && id != "term")
                return id;
        return std::string();
    }

    std::string res, dir, root, trace, journal;
    std::function<void()> cashdeskChild; // run in the program's process before it starts
    int keypad = -1;
    pid_t sim = -1, cashdesk = -1;
    int exited = -1;
    size_t taken = 0;
    linetail::LineTail traceTail;
    std::vector<Entry> traceLines;
};

} // namespace e2e

#endif
