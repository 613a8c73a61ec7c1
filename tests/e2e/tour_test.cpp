// The screen tour: the program and the controller-service stand-in run as
// processes of their own (as in e2e_test.cpp), at 240x320 and at 320x240,
// and the tour walks to every stop of tour_stops.h, running the screen check
// on every screen it meets: the picture in the stand-in screen file against
// the "screen" line the trace wrote when the screen was drawn.
//
// CASHDESK_TOUR_SHOTS=DIR makes the tour write a PNG of every screen it
// checks into DIR (named by size, order and screen); the pictures of a
// failing screen are kept in the test's folder anyway. CASHDESK_TOUR_ONLY=TEXT
// walks only to the stops whose name holds TEXT (while a screen is worked
// on; the test command leaves it unset).
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
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LineTail.h"
#include "ScreenCheck.h"
#include "ServiceFixture.h"
#include "TestTime.h"
#include "osal.h"
#include "tour_stops.h"
#include "vuInputRecord.h"
#include "vuTrace.h"

namespace {

using servicetest::Entry;
using servicetest::ReadFile;

enum : uint16_t { KEY_ENTER = 28, KEY_CANCEL = 223, KEY_DOWN = 108, KEY_UP = 103 };

const int kWaitMs = 20000; // a screen that does not come within this fails

long nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

void pause10ms()
{
    timespec t{0, 10 * 1000 * 1000};
    nanosleep(&t, nullptr);
}

// Whether the bytes are UTF-8 (texts of the stop list may be written either
// way: plain literals are CP1251 in this build, u8 literals UTF-8).
bool isUtf8(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || (n > 0 && i + n >= s.size()))
            return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n + 1;
    }
    return true;
}

std::string utf8(const char *text)
{
    std::string s = text ? text : "";
    if (isUtf8(s))
        return s;
    std::string q = vuTraceLine::Quote(s.c_str()); // CP1251 to a UTF-8 JSON string
    return q.substr(1, q.size() - 2);
}

std::vector<std::string> words(const char *text)
{
    std::vector<std::string> out;
    std::istringstream in(text ? text : "");
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

// Identifiers of a menu description's items, in order, from the section the
// loader takes at this screen size (a wide screen takes "portrait").
std::vector<std::string> menuItems(const std::string &path, bool wide)
{
    std::vector<std::string> out;
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return out;
    mxml_node_t *top = mxmlLoadFile(nullptr, f, MXML_OPAQUE_CALLBACK);
    fclose(f);
    if (!top)
        return out;
    mxml_node_t *scope = top;
    for (mxml_node_t *n = mxmlFindElement(top, top, nullptr, "orientation", nullptr, MXML_DESCEND); n;
         n = mxmlFindElement(n, top, nullptr, "orientation", nullptr, MXML_DESCEND)) {
        if (strcasecmp(mxmlElementGetAttr(n, "orientation"), wide ? "portrait" : "landscape") == 0) {
            scope = n;
            break;
        }
    }
    mxml_node_t *menu = mxmlFindElement(scope, scope, "MENU", nullptr, nullptr, MXML_DESCEND);
    for (mxml_node_t *n = menu ? mxmlGetFirstChild(menu) : nullptr; n; n = mxmlGetNextSibling(n)) {
        const char *element = mxmlGetElement(n);
        if (element && strcasecmp(element, "ITEM") == 0) {
            const char *name = mxmlElementGetAttr(n, "name");
            out.push_back(name ? name : "");
        }
    }
    mxmlDelete(top);
    return out;
}

struct Size {
    int width, height;
    bool background; // with res/fon.b16

    std::string Text() const
    {
        return std::to_string(width) + "x" + std::to_string(height) + (background ? "" : " without background");
    }
};

void PrintTo(const Size &size, std::ostream *out) { *out << size.Text(); }

// The program over a sandbox of its own at one screen size.
class Program {
public:
    Program(const Size &size, const std::string &scenarioExtra, const std::string &resFrom = std::string())
        : size_(size)
    {
        char tmpl[] = "/tmp/cashdesk_tour_XXXXXX";
        if (!mkdtemp(tmpl)) {
            ADD_FAILURE() << "no temporary folder";
            return;
        }
        dir = tmpl;
        root = dir + "/root";
        trace = dir + "/trace.jsonl";
        traceTail.Reset(trace);
        std::string res = resFrom.empty() ? std::string(SOURCE_DIR) + "/res" : resFrom;
        if (system(("cp -r '" + res + "' '" + dir + "/res' && mkdir -p '" + dir + "/data' '" + root +
                    "/dev/graphics' '" + dir + "/kktsim' '" + dir + "/shots'")
                       .c_str()) != 0) {
            ADD_FAILURE() << "cannot make the sandbox " << dir;
            return;
        }
        if (!size.background)
            unlink((dir + "/res/fon.b16").c_str());
        setenv("TERMINAL_ROOT", root.c_str(), 1);
        int fd = open((root + "/dev/graphics/fb0").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
        if (fd < 0 || ftruncate(fd, size.width * size.height * 2) != 0)
            ADD_FAILURE() << "no screen file";
        if (fd >= 0)
            close(fd);
        EXPECT_EQ(OsRegSetValue("osal.fb.xres", std::to_string(size.width).c_str()), 0);
        EXPECT_EQ(OsRegSetValue("osal.fb.yres", std::to_string(size.height).c_str()), 0);
        EXPECT_EQ(OsRegSetValue("osal.fb.bpp", "16"), 0);
        EXPECT_EQ(OsRegSetValue("ro.fac.lcd.rotate", "0"), 0);
        EXPECT_EQ(mkfifo((root + "/dev/keypad").c_str(), 0666), 0);
        keypad = open((root + "/dev/keypad").c_str(), O_RDWR | O_NONBLOCK);
        EXPECT_GE(keypad, 0);
        // The Bluetooth library's stand-in with two devices: the Bluetooth
        // rows and the device chooser are on the tour.
        EXPECT_EQ(system(("mkdir -p '" + root + "/data/opt/lib' '" + root + "/data/osal'").c_str()), 0);
        EXPECT_EQ(symlink(BT_LIBRARY, (root + "/data/opt/lib/libbt.so").c_str()), 0);
        std::ofstream(root + "/data/osal/bt") << "device AA:BB:CC:DD:EE:01 Office PC\n"
                                              << "device AA:BB:CC:DD:EE:02 Receipt printer with a long name\n";

        // Lines "osal NAME VALUE" of the stop's scenario are the OS stand-in's
        // properties (a built-in scanner, say), a line "start MODE" the
        // program's start mode; the rest goes to kktsim.
        std::string kktsimLines, startMode;
        std::istringstream extra(scenarioExtra);
        for (std::string l; std::getline(extra, l);) {
            size_t space = l.find(' ', 5);
            if (l.compare(0, 6, "start ") == 0)
                startMode = l.substr(6);
            else if (l.compare(0, 5, "osal ") == 0 && space != std::string::npos)
                EXPECT_EQ(OsRegSetValue(l.substr(5, space - 5).c_str(), l.substr(space + 1).c_str()), 0) << l;
            else
                kktsimLines += l + "\n";
        }
        std::string scenario = ReadFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn");
        std::ofstream(dir + "/scenario") << scenario << kktsimLines;
        sim = spawn(dir, {KKTSIM_PATH, "--dir", dir + "/kktsim", "--scenario", dir + "/scenario"});
        long end = testtime::Deadline(5000);
        while (access((dir + "/kktsim/kktsim.pid").c_str(), R_OK) != 0) {
            if (waitpid(sim, nullptr, WNOHANG) == sim) {
                sim = -1;
                ADD_FAILURE() << "kktsim ended";
                return;
            }
            if (nowMs() > end) {
                ADD_FAILURE() << "kktsim did not start";
                return;
            }
            pause10ms();
        }
        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        std::vector<std::string> args{CASHDESK_PATH};
        if (!startMode.empty())
            args.push_back(startMode);
        cashdesk = spawn(dir, args);
    }

    ~Program()
    {
        for (pid_t *pid : {&cashdesk, &sim}) {
            if (*pid > 0) {
                kill(*pid, SIGKILL);
                waitpid(*pid, nullptr, 0);
            }
        }
        if (keypad >= 0)
            close(keypad);
        // Kept when something failed while this program ran.
        failed = failed || (::testing::Test::HasFailure() && failuresNow() > failuresAtStart);
        if (!dir.empty() && !failed)
            (void)system(("rm -rf '" + dir + "'").c_str());
        else if (!dir.empty())
            fprintf(stderr, "the tour's sandbox and pictures are kept in %s\n", dir.c_str());
    }

    // The next "screen" line after those taken; an empty line when none
    // comes in time or the program ends.
    std::string NextScreen()
    {
        long end = testtime::Deadline(kWaitMs);
        for (;;) {
            const std::vector<std::string> &lines = Lines();
            for (; taken < lines.size(); ++taken)
                if (Entry{lines[taken]}.Get("event") == "screen")
                    return lines[taken++];
            if (cashdesk > 0 && waitpid(cashdesk, nullptr, WNOHANG) == cashdesk) {
                cashdesk = -1;
                continue; // read what it wrote last
            }
            if (cashdesk <= 0 || nowMs() > end)
                return std::string();
            pause10ms();
        }
    }

    // Whether a screen line came after the one last taken (then the picture
    // read may be of a later screen).
    bool Overtaken()
    {
        const std::vector<std::string> &lines = Lines();
        for (size_t i = taken; i < lines.size(); ++i)
            if (Entry{lines[i]}.Get("event") == "screen")
                return true;
        return false;
    }

    // The trace's lines so far, read on from where the last call stopped
    // (the tour's trace grows long: it is not read again at every poll).
    const std::vector<std::string> &Lines()
    {
        if (traceTail.ReadNew(traceLines))
            taken = 0;
        return traceLines;
    }

    void Key(uint16_t code, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            for (int32_t value : {1, 0}) {
                vuInputRecord rec{0, 0, vuInputRecord::Key, code, value};
                EXPECT_EQ(write(keypad, &rec, sizeof rec), static_cast<ssize_t>(sizeof rec));
            }
        }
    }

    // Checks the screen on display now against its trace line and keeps
    // its picture when it fails or when pictures are asked for. False when
    // another screen came meanwhile (the picture may be of that one).
    bool CheckScreen(const std::string &name, const std::string &stem, int order, const std::string &line,
                     screencheck::Result &r)
    {
        // The status line redraws itself now and then: a picture is taken
        // when two readings agree, so none is caught half drawn.
        screencheck::Picture pic, again;
        const std::string fb = root + "/dev/graphics/fb0";
        bool steady = false;
        for (int i = 0; i < 50 && !steady; ++i) {
            if (!screencheck::ReadScreenFile(fb, size_.width, size_.height, i ? again : pic)) {
                ADD_FAILURE() << "cannot read the screen file";
                return false;
            }
            if (i == 0)
                continue;
            steady = again.pixels == pic.pixels;
            pic.pixels.swap(again.pixels);
            if (!steady)
                pause10ms();
        }
        if (!steady) {
            ADD_FAILURE() << name << ": the screen did not settle";
            return false;
        }
        if (Overtaken())
            return false;
        r = screencheck::Check(name + " at " + size_.Text(), pic, line);
        const char *shots = getenv("CASHDESK_TOUR_SHOTS");
        std::string file;
        for (char c : stem)
            file += isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_';
        char prefix[32];
        snprintf(prefix, sizeof prefix, "%dx%d%s-%02d-", size_.width, size_.height, size_.background ? "" : "-nobg",
                 order);
        if (!r.Passed()) {
            failed = true;
            Shot(dir + "/shots/" + prefix + file + ".png");
        }
        if (shots && *shots)
            Shot(std::string(shots) + "/" + prefix + file + ".png");
        return true;
    }

    void Shot(const std::string &png)
    {
        std::string cmd = std::string(FBSHOT_PATH) + " --root '" + root + "' '" + png + "'";
        if (system(cmd.c_str()) != 0)
            ADD_FAILURE() << "fbshot could not write " << png;
    }

    std::string dir, root, trace;
    int keypad = -1;
    pid_t sim = -1, cashdesk = -1;
    size_t taken = 0;
    linetail::LineTail traceTail;
    std::vector<std::string> traceLines;
    bool failed = false;
    int failuresAtStart = failuresNow();

private:
    // Failures the running test has had so far.
    static int failuresNow()
    {
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (!test)
            return 0;
        int n = 0;
        for (int i = 0; i < test->result()->total_part_count(); ++i)
            n += test->result()->GetTestPartResult(i).failed();
        return n;
    }

    // A process started in the sandbox (the program reads ./res and ./data).
    static pid_t spawn(const std::string &cwd, const std::vector<std::string> &args)
    {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(cwd.c_str()) != 0)
                _exit(127);
            std::vector<char *> argv;
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    Size size_;
};

std::string lineValue(const std::string &line, const char *key)
{
    return Entry{line}.Get(key);
}

// Whether a screen line is the screen a stop names ("file:..." or
// "title:...").
bool isScreen(const std::string &line, const std::string &want)
{
    if (want.rfind("file:", 0) == 0)
        return lineValue(line, "file") == want.substr(5);
    if (want.rfind("title:", 0) == 0)
        return lineValue(line, "header") == want.substr(6);
    return false;
}

// Screens of one kind: the same file or title, modal or not, with as many
// widgets (a wait text and a wait form share their title).
std::string screenKey(const std::string &line)
{
    size_t widgets = 0;
    for (size_t at = line.find("\"kind\":\"widget\""); at != std::string::npos;
         at = line.find("\"kind\":\"widget\"", at + 1))
        ++widgets;
    return lineValue(line, "file") + "|" + lineValue(line, "header") + "|" + lineValue(line, "modal") + "|" +
           std::to_string(widgets);
}

// The item selected in the menu a screen line shows, from 1; 0 for none.
int selectedItem(const std::string &line)
{
    jsonl::Json screen;
    if (!jsonl::Parse(line, &screen) || !screen.is_object() || !screen.contains("items") ||
        !screen["items"].is_array())
        return 0;
    for (const jsonl::Json &item : screen["items"])
        if (jsonl::Text(item, "kind") == "form")
            return static_cast<int>(jsonl::Number(item, "selected"));
    return 0;
}

bool isMainMenu(const std::string &line) { return lineValue(line, "file") == "kkt_menu_main.xml"; }

// Screens are named in failures by the stop and, on the way there, by their
// file or title.
std::string screenName(const std::string &line)
{
    std::string file = lineValue(line, "file");
    return file.empty() ? "box \"" + lineValue(line, "header") + "\"" : file;
}

class Tour : public ::testing::TestWithParam<Size> {
protected:
    // Walks a stop's path from the screen `line` on display, checking every
    // screen met (each distinct screen once); returns the screen reached.
    std::string Walk(Program &p, const TourStop &stop, const std::string &want, std::string line)
    {
        const bool wide = GetParam().width > GetParam().height;
        const std::vector<std::string> steps = words(stop.path);
        for (size_t i = 0; i < steps.size(); ++i) {
            const std::string &step = steps[i];
            if (line.empty())
                return line;
            char kind = step[0];
            std::string arg = step.substr(1);
            if (kind == '.' || kind == '!') {
                const int code = keyCode(arg);
                if (code <= 0) {
                    ADD_FAILURE() << stop.name << ": no key \"" << arg << "\"";
                    return std::string();
                }
                p.Key(static_cast<uint16_t>(code));
                if (kind == '.')
                    continue;
            } else if (kind == '=') {
                if (arg.empty() || arg.find_first_not_of("0123456789") != std::string::npos) {
                    ADD_FAILURE() << stop.name << ": \"" << step << "\" is not a step of digits";
                    return std::string();
                }
                for (char c : arg)
                    p.Key(static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')));
                p.Key(KEY_ENTER);
            } else if (kind != '~') {
                std::vector<std::string> items = menuItems(p.dir + "/res/" + lineValue(line, "file"), wide);
                size_t at = 0;
                while (at < items.size() && items[at] != step)
                    ++at;
                if (at == items.size()) {
                    ADD_FAILURE() << stop.name << ": no item " << step << " in " << screenName(line);
                    return std::string();
                }
                // From the item selected now (the screen line says which).
                const int from = selectedItem(line) - 1, to = static_cast<int>(at);
                if (from < 0)
                    p.Key(KEY_DOWN, to + 1);
                else if (to > from)
                    p.Key(KEY_DOWN, to - from);
                else if (to < from)
                    p.Key(KEY_UP, from - to);
                p.Key(KEY_ENTER);
            }
            line = Settle(p, stop.name, want, i + 1 == steps.size());
            if (line.empty()) {
                ADD_FAILURE() << stop.name << ": no screen after \"" << step << "\"";
                return line;
            }
        }
        return line;
    }

    // Takes the next screens, checking each, up to the stop's screen or,
    // unless `last` (the way's last step, after which only the stop's screen
    // ends the wait), up to one the program waits on. Wait texts and wait
    // forms of running commands pass by on their own.
    std::string Settle(Program &p, const std::string &stop, const std::string &want, bool last = false)
    {
        for (;;) {
            std::string line = p.NextScreen();
            if (line.empty())
                return line;
            if (isScreen(line, want))
                return line; // checked as the stop
            Visit(p, screenName(line) + " (on the way to the " + stop + ")", line);
            if (!last && lineValue(line, "modal") == "1")
                return line;
        }
    }

    // Checks a screen unless one of its kind was checked already; its
    // picture is named after the stop, or after its file on the way there.
    void Visit(Program &p, const std::string &name, const std::string &line, const char *stop = nullptr)
    {
        std::string key = screenKey(line);
        if (!seen.insert(key).second)
            return;
        std::string stem = stop ? stop : lineValue(line, "file");
        if (stem.empty())
            stem = "box";
        else if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".xml") == 0)
            stem.resize(stem.size() - 4);
        screencheck::Result r;
        if (p.CheckScreen(name, stem, ++checked, line, r)) {
            EXPECT_TRUE(r.Passed()) << r.Text();
            Type(p, name, stem, line);
        } else if (stop) {
            ADD_FAILURE() << name << ": the screen changed before it could be checked";
        } else {
            seen.erase(key); // a wait text or wait form that went by itself: checked when it comes again
        }
    }

    // A screen whose field in focus takes letters: a letter typed there (the
    // key 2), the screen checked with the letter strip up, the letter taken
    // back with Backspace. Each change of the strip writes a screen line.
    void Type(Program &p, const std::string &name, const std::string &stem, const std::string &line)
    {
        jsonl::Json screen;
        if (!jsonl::Parse(line, &screen) || !screen.is_object() || !screen.contains("items"))
            return;
        bool letters = false;
        for (const jsonl::Json &item : screen["items"])
            letters = letters || (jsonl::Number(item, "focus") == 1 && jsonl::Number(item, "letters") == 1);
        if (!letters)
            return;
        p.Key(3); // the key 2
        const std::string typing = p.NextScreen();
        if (typing.empty() || typing.find("\"kind\":\"hint\"") == std::string::npos) {
            ADD_FAILURE() << name << ": no letter strip after a letter typed";
            return;
        }
        screencheck::Result r;
        if (p.CheckScreen(name + " while typing", stem + "-typing", ++checked, typing, r)) {
            EXPECT_TRUE(r.Passed()) << r.Text();
        }
        p.Key(14); // Backspace
        const std::string after = p.NextScreen();
        EXPECT_EQ(after.find("\"kind\":\"hint\""), std::string::npos) << name << ": the strip stayed";
    }

    // A key's code by its name or number; 0 for neither.
    static int keyCode(const std::string &name)
    {
        if (name == "enter")
            return KEY_ENTER;
        if (name == "cancel")
            return KEY_CANCEL;
        if (name == "down")
            return KEY_DOWN;
        if (name == "up")
            return KEY_UP;
        if (name.empty() || name.size() > 5 || name.find_first_not_of("0123456789") != std::string::npos)
            return 0;
        const int code = std::atoi(name.c_str());
        return code <= 0xFFFF ? code : 0;
    }

    std::set<std::string> seen;
    int checked = 0;
};

TEST_P(Tour, EveryScreenIsReadableAndWhole)
{
    const Size size = GetParam();
    // The stops from the main menu share one program, which runs first and
    // ends before the others, each of which runs alone with its own
    // controller scenario (one controller stand-in at a time).
    std::vector<const TourStop *> stops;
    for (const TourStop &stop : kTourStops)
        if (!stop.scenario)
            stops.push_back(&stop);
    for (const TourStop &stop : kTourStops)
        if (stop.scenario)
            stops.push_back(&stop);
    std::unique_ptr<Program> shared;
    std::string line;
    const char *only = getenv("CASHDESK_TOUR_ONLY");
    for (const TourStop *next : stops) {
        const TourStop &stop = *next;
        if (only && *only && !strstr(stop.name, only))
            continue;
        SCOPED_TRACE(stop.name);
        const std::string want = utf8(stop.screen);
        std::unique_ptr<Program> own;
        Program *p;
        if (stop.scenario) {
            shared.reset(); // one controller stand-in at a time
            own.reset(new Program(size, stop.scenario));
            p = own.get();
            // From the first screen the program waits on, or the stop's own
            // screen when it comes first.
            line = Settle(*p, stop.name, want);
            ASSERT_FALSE(line.empty()) << stop.name << ": the program showed nothing to wait on";
        } else {
            if (!shared) {
                shared.reset(new Program(size, ""));
                do
                    line = shared->NextScreen();
                while (!line.empty() && !isMainMenu(line));
                ASSERT_FALSE(line.empty()) << "the main menu did not come";
                Visit(*shared, "main menu", line);
            }
            p = shared.get();
        }
        std::string reached = Walk(*p, stop, want, line);
        ASSERT_FALSE(reached.empty()) << stop.name << ": the way there broke off";
        EXPECT_TRUE(isScreen(reached, want)) << stop.name << ": reached " << screenName(reached) << ", not "
                                             << want;
        // The stop's own screen is checked under its own name even when a
        // screen of its kind was met before.
        seen.erase(screenKey(reached));
        Visit(*p, stop.name, reached, stop.name);
        if (own) {
            line.clear();
            continue;
        }
        // Back to the main menu: a wizard goes back page by page, so the
        // way back may be as long as the way there.
        line = reached;
        for (int i = 0; i < 12 && !isMainMenu(line); ++i) {
            p->Key(KEY_CANCEL);
            line = Settle(*p, stop.name, "file:kkt_menu_main.xml");
            ASSERT_FALSE(line.empty()) << stop.name << ": no way back to the main menu";
        }
        ASSERT_TRUE(isMainMenu(line)) << stop.name << ": no way back to the main menu";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Tour,
                         ::testing::Values(Size{240, 320, true}, Size{320, 240, true}, Size{240, 320, false},
                                           Size{320, 240, false}),
                         [](const ::testing::TestParamInfo<Size> &info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) +
                                    (info.param.background ? "" : "_without_background");
                         });

} // namespace

namespace {

// Sets an attribute of the first element of that name in a description.
bool setAttr(const std::string &path, const char *element, const char *name, const char *value)
{
    FILE *f = fopen(path.c_str(), "r");
    if (!f)
        return false;
    mxml_node_t *top = mxmlLoadFile(nullptr, f, MXML_OPAQUE_CALLBACK);
    fclose(f);
    mxml_node_t *found = top ? mxmlFindElement(top, top, element, nullptr, nullptr, MXML_DESCEND) : nullptr;
    bool ok = false;
    if (found) {
        mxmlElementSetAttr(found, name, value);
        f = fopen(path.c_str(), "w");
        ok = f && mxmlSaveFile(top, f, MXML_NO_CALLBACK) == 0;
        if (f)
            fclose(f);
    }
    if (top)
        mxmlDelete(top);
    return ok;
}

// The tour's check finds faults planted in the descriptions: message texts
// in a dark red that cannot be read on the boxes, and main-menu rows of a
// height that does not divide the list's.
TEST(TourCheck, FindsPlantedFaultsAndNamesThem)
{
    char tmpl[] = "/tmp/cashdesk_planted_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string res = std::string(tmpl) + "/res";
    ASSERT_EQ(system(("cp -r '" + std::string(SOURCE_DIR) + "/res' '" + res + "'").c_str()), 0);
    ASSERT_TRUE(setAttr(res + "/kkt_ui.xml", "MULTILINE", "color", "90,0,0"));
    ASSERT_TRUE(setAttr(res + "/kkt_ui.xml", "MULTILINE", "selected", "90,0,0"));
    ASSERT_TRUE(setAttr(res + "/kkt_menu_main.xml", "MENU", "rowdelta", "7"));
    const Size size{320, 240, true};
    {
        Program p(size, "", res);
        std::string line;
        do
            line = p.NextScreen();
        while (!line.empty() && !isMainMenu(line));
        ASSERT_FALSE(line.empty());
        screencheck::Result menu;
        ASSERT_TRUE(p.CheckScreen("main menu", "main", 1, line, menu));
        EXPECT_FALSE(menu.Passed());
        bool cut = false;
        for (const std::string &f : menu.failures)
            cut = cut || (f.rfind("main menu at 320x240: row \"", 0) == 0 && f.find("is cut by the edge") != std::string::npos);
        EXPECT_TRUE(cut) << menu.Text();

        p.Key(KEY_CANCEL);
        line = p.NextScreen();
        ASSERT_EQ(lineValue(line, "header"), u8"ВНИМАНИЕ");
        screencheck::Result box;
        ASSERT_TRUE(p.CheckScreen("question box", "box", 2, line, box));
        EXPECT_FALSE(box.Passed());
        bool dark = false;
        for (const std::string &f : box.failures)
            dark = dark || (f.rfind("question box at 320x240: multiline \"msg\" text \"" + std::string(u8"ВЫ УВЕРЕНЫ"), 0) == 0 &&
                            f.find("has a contrast of") != std::string::npos);
        EXPECT_TRUE(dark) << box.Text();
        p.failed = false; // the faults were wanted: the sandbox goes
    }
    (void)system(("rm -rf '" + std::string(tmpl) + "'").c_str());
}

} // namespace
