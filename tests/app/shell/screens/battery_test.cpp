// The battery service: the voltage curves at their band edges; one
// measurement at a time against the OS stand-in's battery file, the voltage
// files, the hardware version and "battery.xml"; the thread on the status
// line under the virtual clock; the battery-type dialog; and the print
// runner's question on a low battery.
#include "FiscalFixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <condition_variable>
#include <mutex>
#include <set>

#include "TMCommand.h"
#include "battery.h"
#include "kfn_state.h"
#include "print_runner.h"
#include "vuBatLevel.h"
#include "vuStatusLine.h"
#include "TestTime.h"

namespace fiscaltest {
namespace {

const uint16_t LOW = BATTERY_LOW, EXT = BATTERY_EXTERNAL;

void WriteFile(const std::string &path, const std::string &text)
{
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
        ASSERT_EQ(system(("mkdir -p '" + path.substr(0, slash) + "'").c_str()), 0);
    }
    std::ofstream out(path, std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

// The terminal's battery: the stand-in's file (null: none), the voltage
// files (0: none) and the hardware version property (null: none).
struct Terminal {
    const char *battery;
    unsigned long vmax, vmin, vnow;
    const char *hwver;
};

void SetUpTerminal(const std::string &root, const Terminal &t)
{
    unlink((root + "/data/osal/battery").c_str());
    if (t.battery)
        WriteFile(root + "/data/osal/battery", t.battery);
    const std::string sys = root + "/sys/class/power_supply/battery/";
    const std::pair<const char *, unsigned long> files[] = {
        {"voltage_max", t.vmax}, {"voltage_min", t.vmin}, {"voltage_now", t.vnow}};
    for (const auto &f : files) {
        unlink((sys + f.first).c_str());
        if (f.second)
            WriteFile(sys + f.first, std::to_string(f.second) + "\n");
    }
    ASSERT_EQ(OsRegSetValue("ro.fac.hwver", t.hwver ? t.hwver : ""), 0);
}

struct CurveCase {
    int curve;
    unsigned ratio;
    uint16_t result;
};

} // namespace

TEST(BatteryCurve, BandEdges)
{
    const int A = BATTERY_CURVE_A, B = BATTERY_CURVE_B, L = BATTERY_CURVE_LINEAR;
    const CurveCase cases[] = {
        {A, 0, 0 | LOW},     {A, 999, 0 | LOW},   {A, 1000, 1 | LOW},  {A, 4000, 4 | LOW}, {A, 4001, 4},
        {A, 4999, 4},        {A, 5000, 5},        {A, 6499, 51},       {A, 6500, 52},      {A, 9299, 99},
        {A, 9300, 100},      {A, 9301, 100},      {A, 20000, 100},     {B, 2399, 0 | LOW}, {B, 2400, 1 | LOW},
        {B, 5199, 4 | LOW},  {B, 5200, 5 | LOW},  {B, 5400, 10 | LOW}, {B, 5401, 10},      {B, 6099, 27},
        {B, 6100, 28},       {B, 6799, 59},       {B, 6800, 60},       {B, 9300, 100},     {B, 9301, 100},
        {L, 0, 0},           {L, 499, 4},         {L, 500, 5},         {L, 9999, 99},      {L, 10000, 100},
        // A range that is not a multiple of 10000 lets the ratio pass
        // 10000; the level stays a percentage.
        {L, 19999, 100},
    };
    for (const CurveCase &c : cases)
        EXPECT_EQ(battery_curve(c.curve, c.ratio), c.result) << "curve " << c.curve << " ratio " << c.ratio;
}

TEST(BatterySettings, ParsedStrictly)
{
    const std::pair<const char *, unsigned> cases[] = {
        {"<?xml version=\"1.0\"?><battery force_type=\"4\"/>", 4},
        {"<?xml version=\"1.0\"?>\n<battery force_type=\"2\"/>\n", 2},
        {"<battery force_type=\"5\"></battery>", 5},
        {"<battery force_type=\"6\"/>", 0},
        {"<battery force_type=\"-1\"/>", 0},
        {"<battery force_type=\" 3\"/>", 0},
        {"<battery force_type=\"3x\"/>", 0},
        {"<battery force_type=\"99999999999999999999\"/>", 0},
        {"<battery/>", 0},
        {"<other force_type=\"3\"/>", 0},
        {"<battery force_type=\"3\"", 0},
        // A closing tag without its element at the top (nothing may leak).
        {"2`</>0</>0", 0},
        {"<battery force_type=\"3\"/></>x", 0},
        {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(battery_parse_settings(c.first, strlen(c.first)), c.second) << c.first;
    EXPECT_EQ(battery_parse_settings(nullptr, 4), 0u);

    const std::pair<const char *, unsigned long> voltages[] = {
        {"4200000\n", 4200000}, {"4200000", 4200000}, {"  3900000\r\n", 3900000}, {"", 0}, {"abc\n", 0},
        {"42x\n", 0},           {"-5\n", 0},          {"99999999999\n", 0},       {"1234567890123456789\n", 0},
    };
    for (const auto &v : voltages)
        EXPECT_EQ(battery_parse_voltage(v.first, strlen(v.first)), v.second) << v.first;
}

// Measurements against a terminal described by files.
class BatteryTest : public FiscalTest {
protected:
    void TearDown() override
    {
        battery_set_force_type(BATTERY_FORCE_AUTO);
        FiscalTest::TearDown();
    }

    // Prepares and detects as the thread's start does, then measures once.
    uint16_t Measure(const Terminal &t, unsigned force = BATTERY_FORCE_AUTO, const char *skip = nullptr)
    {
        SetUpTerminal(root, t);
        unlink("battery.xml");
        if (force) {
            battery_set_force_type(force);
            EXPECT_TRUE(battery_save_settings());
        }
        battery_prepare(skip);
        battery_detect();
        return battery_cycle();
    }
};

struct MeasureCase {
    const char *what;
    Terminal terminal;
    unsigned force;
    uint16_t word;
};

TEST_F(BatteryTest, OneMeasurement)
{
    const unsigned long MAX = 4200000, MIN = 3200000; // a ratio step of 100
    const MeasureCase cases[] = {
        {"no battery file: external power, full", {nullptr, 0, 0, 0, nullptr}, 0, 100 | EXT},
        {"OS step 0", {"power 0\nstep 0\n", 0, 0, 0, nullptr}, 0, 5},
        {"OS step 1", {"step 1\n", 0, 0, 0, nullptr}, 0, 15},
        {"OS step 2", {"step 2\n", 0, 0, 0, nullptr}, 0, 40},
        {"OS step 3", {"step 3\n", 0, 0, 0, nullptr}, 0, 70},
        {"OS step 4", {"# comment\n\nstep 4\n", 0, 0, 0, nullptr}, 0, 95},
        {"OS step 5 is no level", {"step 5\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"OS step 6", {"step 6\n", 0, 0, 0, nullptr}, 0, 100},
        {"OS step 7", {"step 7\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"power 2 is external", {"power 2\nstep 1\n", 0, 0, 0, nullptr}, 0, 15 | EXT},
        {"a bad line fails every call", {"power 1\nstep x\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"BMS", {"bms 1 50 0 200\n", MAX, MIN, MAX, nullptr}, 0, 25},
        {"BMS above full", {"bms 1 300 0 200\n", 0, 0, 0, nullptr}, 0, 100},
        {"BMS with no full charge", {"bms 0 0 0 0\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"BMS with a charge but no full charge", {"bms 1 50 0 0\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"BMS with a negative full charge", {"bms 1 50 0 -200\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"BMS with a negative charge", {"bms 0 -5 0 100\n", 0, 0, 0, nullptr}, 0, 0 | LOW},
        {"BMS forced without one", {"step 6\n", 0, 0, 0, nullptr}, BATTERY_FORCE_BMS, 0 | LOW},
        {"OS forced over a BMS", {"step 3\nbms 1 50 0 200\n", 0, 0, 0, nullptr}, BATTERY_FORCE_OS, 70},
        {"voltage, no hardware version: linear", {"step 6\n", MAX, MIN, 3950000, nullptr}, 0, 75},
        {"voltage, hardware 25: curve A", {"step 6\n", MAX, MIN, 3950000, "25A"}, 0, 69},
        {"voltage, hardware 31: curve B", {"step 6\n", MAX, MIN, 3950000, "31"}, 0, 71},
        {"voltage, hardware 30: curve A", {"step 6\n", MAX, MIN, 3950000, "30"}, 0, 69},
        {"linear forced over curve B", {"step 6\n", MAX, MIN, 3950000, "31"}, BATTERY_FORCE_LINEAR, 75},
        {"curve A forced", {"step 6\n", MAX, MIN, 3950000, nullptr}, BATTERY_FORCE_CURVE_A, 69},
        {"curve B forced", {"step 6\n", MAX, MIN, 3950000, "25"}, BATTERY_FORCE_CURVE_B, 71},
        {"curve A below 5000 is low", {"step 6\n", MAX, MIN, MIN + 100 * 4999, "25"}, 0, 4 | LOW},
        {"voltage above the range", {"step 6\n", MAX, MIN, MAX + 1, nullptr}, 0, 0 | LOW},
        {"voltage below the range", {"step 6\n", MAX, MIN, MIN - 1, nullptr}, 0, 0 | LOW},
        {"no voltage_now", {"step 6\n", MAX, MIN, 0, nullptr}, 0, 0 | LOW},
        {"a range too narrow to measure", {"step 6\n", MIN + 9999, MIN, MIN + 5000, nullptr}, 0, 0 | LOW},
        {"voltage forced without the files", {"step 6\n", 0, 0, 0, nullptr}, BATTERY_FORCE_LINEAR, 0 | LOW},
        {"external power leaves the voltage for the OS step", {"power 1\nstep 4\n", MAX, MIN, 3950000, nullptr}, 0,
         95 | EXT},
        {"external power leaves a forced curve for the OS step where the voltage was detected",
         {"power 1\nstep 4\n", MAX, MIN, 3950000, nullptr}, BATTERY_FORCE_LINEAR, 95 | EXT},
        {"external power keeps a forced curve where the BMS was detected",
         {"power 1\nstep 4\nbms 1 50 0 200\n", MAX, MIN, 3950000, nullptr}, BATTERY_FORCE_LINEAR, 75 | EXT},
    };
    for (const MeasureCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Measure(c.terminal, c.force), c.word);
        EXPECT_EQ(battery_level(), c.word);
    }
    // A non-zero skip leaves out the detection: the OS steps.
    EXPECT_EQ(Measure({"step 3\nbms 1 50 0 200\n", 0, 0, 0, nullptr}, 0, "1"), 70);
    EXPECT_EQ(Measure({"step 3\nbms 1 50 0 200\n", 0, 0, 0, nullptr}, 0, "0"), 25);
}

// On the battery the voltage ratio never rises; external power resets that.
TEST_F(BatteryTest, VoltageClampUntilExternalPower)
{
    const unsigned long MAX = 4200000, MIN = 3200000;
    const std::string sys = root + "/sys/class/power_supply/battery/voltage_now";
    EXPECT_EQ(Measure({"power 0\nstep 6\n", MAX, MIN, 3950000, nullptr}), 75);
    WriteFile(sys, "4100000\n");
    EXPECT_EQ(battery_cycle(), 75);
    WriteFile(sys, "3800000\n");
    EXPECT_EQ(battery_cycle(), 60);
    WriteFile(root + "/data/osal/battery", "power 1\nstep 6\n");
    EXPECT_EQ(battery_cycle(), 100 | EXT);
    WriteFile(root + "/data/osal/battery", "power 0\nstep 6\n");
    WriteFile(sys, "4100000\n");
    EXPECT_EQ(battery_cycle(), 90);
}

TEST_F(BatteryTest, SettingsFileWrittenWhole)
{
    unlink("battery.xml");
    battery_load_settings();
    EXPECT_EQ(battery_force_type(), 0u);
    mode_t old = umask(077);
    battery_set_force_type(BATTERY_FORCE_CURVE_B);
    EXPECT_TRUE(battery_save_settings());
    umask(old);
    struct stat st;
    ASSERT_EQ(stat("battery.xml", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "readable by all, written by its owner, whatever the umask";
    std::string text = ReadFile("battery.xml");
    EXPECT_NE(text.find("<?xml version=\"1.0\""), std::string::npos) << text;
    EXPECT_NE(text.find("<battery force_type=\"5\""), std::string::npos) << text;
    battery_set_force_type(0);
    battery_load_settings();
    EXPECT_EQ(battery_force_type(), 5u);
    // Not under ./data/.
    EXPECT_NE(access("data/battery.xml", F_OK), 0);

    // A write that cannot finish keeps the old file.
    ASSERT_EQ(mkdir("battery.xml.new", 0777), 0);
    battery_set_force_type(BATTERY_FORCE_OS);
    EXPECT_FALSE(battery_save_settings());
    EXPECT_EQ(ReadFile("battery.xml"), text);
    rmdir("battery.xml.new");
}

TEST_F(BatteryTest, TypeDialog)
{
    const char *kTitle = u8"ТИП БАТАРЕИ";
    const char *kStored = u8"УСПЕШНО|ТИП БАТАРЕИ УСПЕШНО ИЗМЕНЁН";
    unlink("battery.xml");
    // Item 5, "Напряжение IS509": force_type 5 stored.
    size_t boxes = Boxes().size();
    Script({{kTitle, {9, 9, 9, 9, 9, 6, KEY_ENTER}}, {u8"УСПЕШНО", {KEY_ENTER}}});
    battery_type_dialog(ui);
    EndScript();
    EXPECT_EQ(Boxes(boxes), std::vector<std::string>{kStored});
    EXPECT_EQ(battery_force_type(), 5u);
    EXPECT_NE(ReadFile("battery.xml").find("force_type=\"5\""), std::string::npos);

    // Item 3, "Напряжение": force_type 3.
    Script({{kTitle, {9, 9, 9, 6, KEY_ENTER}}, {u8"УСПЕШНО", {KEY_ENTER}}});
    battery_type_dialog(ui);
    EndScript();
    EXPECT_NE(ReadFile("battery.xml").find("force_type=\"3\""), std::string::npos);

    // Cancel changes nothing.
    Script({{kTitle, {9, 6, KEY_CANCEL}}});
    battery_type_dialog(ui);
    EndScript();
    EXPECT_EQ(battery_force_type(), 3u);

    // force_type 2 comes only from the file: no item is checked, and OK
    // keeps it.
    WriteFile("battery.xml", "<?xml version=\"1.0\"?><battery force_type=\"2\"/>");
    Script({{kTitle, {KEY_ENTER}}, {u8"УСПЕШНО", {KEY_ENTER}}});
    battery_type_dialog(ui);
    EndScript();
    EXPECT_EQ(battery_force_type(), 2u);
    EXPECT_NE(ReadFile("battery.xml").find("force_type=\"2\""), std::string::npos);

    // A choice that cannot be stored is said so.
    ASSERT_EQ(mkdir("battery.xml.new", 0777), 0);
    boxes = Boxes().size();
    Script({{kTitle, {9, 6, KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    battery_type_dialog(ui);
    EndScript();
    rmdir("battery.xml.new");
    ASSERT_EQ(Boxes(boxes).size(), 1u);
    EXPECT_EQ(Boxes(boxes)[0].find(u8"ОШИБКА|ТИП БАТАРЕИ НЕ СОХРАНЁН"), 0u);
    EXPECT_NE(ReadFile("battery.xml").find("force_type=\"2\""), std::string::npos);
}

// The print runner asks before printing on a low battery, not on external
// power.
TEST_F(BatteryTest, LowBatteryQuestionBeforePrinting)
{
    const char *kQuestion =
        u8"ВНИМАНИЕ|СЛИШКОМ CЛАБЫЙ ЗАРЯД БАТАРЕИ ДЛЯ ВЫПОЛНЕНИЯ ДЕЙСТВИЯ\nВСЕРАВНО ВЫПОЛНИТЬ КОМАНДУ?";
    Drive("drive shift open 1\n");
    struct Case {
        const char *what;
        const char *battery;
        std::vector<Step> steps;
        int result;
        std::vector<std::string> taken, boxes;
    } cases[] = {
        {"low, cancelled: nothing sent", "power 0\nstep 5\n", {{u8"ВНИМАНИЕ", {KEY_CANCEL}}}, -1, {}, {kQuestion}},
        {"low, OK: printed", "power 0\nstep 5\n", {{u8"ВНИМАНИЕ", {KEY_ENTER}}, {u8"ПОДОЖДИТЕ", {}}}, 0, {"30"},
         {kQuestion}},
        {"low on external power: no question", "power 1\nstep 5\n", {{u8"ПОДОЖДИТЕ", {}}}, 0, {"30"}, {}},
        {"not low", "power 0\nstep 0\n", {{u8"ПОДОЖДИТЕ", {}}}, 0, {"30"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(root + "/data/osal/battery", c.battery);
        battery_prepare(nullptr);
        battery_detect();
        battery_cycle();
        size_t boxes = Boxes().size(), taken = TakenCount();
        Script(c.steps);
        TMCommand cmd;
        ASSERT_GT(cmd.ShiftReport(), 0);
        EXPECT_EQ(kfn_exec_print(ui, &cmd, 1), c.result);
        EndScript();
        EXPECT_EQ(Taken(taken), c.taken);
        EXPECT_EQ(Boxes(boxes), c.boxes);
    }
}

// The thread on the status line, under the virtual clock.
class BatteryThreadTest : public shelltest::ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        ASSERT_EQ(chdir(root.c_str()), 0);
        vuStatusLine *line = new vuStatusLine(20, 0);
        indicator = new vuBatLevel(200, 0, 22, 12, nullptr);
        indicator->SetName("batlevel");
        line->Add(indicator);
        ASSERT_EQ(ui->SetStatusLine(line), 0);
    }

    void TearDown() override
    {
        battery_stop();
        if (oldCwd[0])
            (void)chdir(oldCwd);
        ShellTest::TearDown();
    }

    // Waits (real time, bounded) for the word to satisfy pred.
    bool WaitWord(const std::function<bool(uint16_t)> &pred)
    {
        for (int i = 0; i < testtime::Tries(10000, 5); ++i) {
            if (pred(battery_level()))
                return true;
            timespec pause{0, 5 * 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
        return false;
    }

    char oldCwd[4096] = "";
    vuBatLevel *indicator = nullptr;
};

TEST_F(BatteryThreadTest, MeasuresDrawsAndStops)
{
    battery_set_colors(0x0861, 0xFC10);
    SetUpTerminal(root, {"power 0\nstep 2\n", 0, 0, 0, nullptr});
    battery_start(nullptr, nullptr);
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == 40; })) << battery_level();
    EXPECT_EQ(battery_draw(reinterpret_cast<intptr_t>(indicator)), 40);
    EXPECT_STREQ(indicator->GetText(), "40");
    EXPECT_EQ(indicator->GetTextColor(), 0x0861);

    // Drained while running: the file is read again every cycle.
    WriteFile(root + "/data/osal/battery", "power 0\nstep 5\n");
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == (0 | LOW); })) << battery_level();
    battery_draw(reinterpret_cast<intptr_t>(indicator));
    EXPECT_STREQ(indicator->GetText(), "0");
    EXPECT_EQ(indicator->GetTextColor(), 0xFC10);

    WriteFile(root + "/data/osal/battery", "power 1\nstep 6\n");
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == (100 | EXT); })) << battery_level();
    battery_draw(reinterpret_cast<intptr_t>(indicator));
    EXPECT_EQ(indicator->GetText(), nullptr);

    // The forced type is read every cycle.
    SetUpTerminal(root, {"power 0\nstep 6\n", 4200000, 3200000, 3950000, nullptr});
    battery_set_force_type(BATTERY_FORCE_LINEAR);
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == 75; })) << battery_level();
    battery_set_force_type(BATTERY_FORCE_AUTO);

    battery_stop();
    battery_stop(); // harmless twice
    // The word keeps its last value once the thread is gone.
    const uint16_t last = battery_level();
    WriteFile(root + "/data/osal/battery", "power 0\nstep 3\n");
    OsSleep(1000);
    EXPECT_EQ(battery_level(), last);
}

namespace {

pid_t ThisTask() { return static_cast<pid_t>(syscall(SYS_gettid)); }

// The threads of this process.
std::set<pid_t> Tasks()
{
    std::set<pid_t> tasks;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (dirent *e = readdir(dir))
            if (e->d_name[0] != '.')
                tasks.insert(static_cast<pid_t>(atoi(e->d_name)));
        closedir(dir);
    }
    return tasks;
}

// A thread's scheduling state ('R' running, 'S' waiting, ...).
char TaskState(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = stat.rfind(')');
    return at != std::string::npos && at + 2 < stat.size() ? stat[at + 2] : '?';
}

// Holds one thread in the first pause it takes once the battery word is
// `word`, until released.
struct Hold {
    pid_t tid = 0;
    uint16_t word = 0;
    std::mutex m;
    std::condition_variable cv;
    bool armed = false, held = false, released = false;

    static void Hook(unsigned, void *arg)
    {
        Hold *h = static_cast<Hold *>(arg);
        if (ThisTask() != h->tid)
            return;
        std::unique_lock<std::mutex> lock(h->m);
        if (!h->armed || battery_level() != h->word)
            return;
        h->armed = false;
        h->held = true;
        h->cv.notify_all();
        h->cv.wait(lock, [h] { return h->released; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(m);
        released = true;
        cv.notify_all();
    }
};

} // namespace

// battery_stop ends the thread within one cycle (500 ms) of the virtual
// clock, which only the thread's pauses move here. The thread is held in the
// pause that follows a measurement; the stop is asked and the thread let go
// once the caller waits for it.
TEST_F(BatteryThreadTest, StopsWithinACycle)
{
    SetUpTerminal(root, {"power 0\nstep 2\n", 0, 0, 0, nullptr});
    const std::set<pid_t> before = Tasks();
    battery_start(nullptr, nullptr);
    std::vector<pid_t> started;
    for (pid_t t : Tasks())
        if (!before.count(t))
            started.push_back(t);
    ASSERT_EQ(started.size(), 1u) << "one thread started";
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == 40; })) << battery_level();

    // Outlives the thread: it may still be leaving the hook after the test.
    static Hold hold;
    hold.tid = started[0];
    hold.word = 70;
    hold.armed = true;
    OsTestClockSetSleepHook(Hold::Hook, &hold);
    struct Unhook {
        ~Unhook()
        {
            hold.Release();
            OsTestClockSetSleepHook(nullptr, nullptr);
        }
    } unhook;
    WriteFile(root + "/data/osal/battery", "power 0\nstep 3\n");
    {
        std::unique_lock<std::mutex> lock(hold.m);
        ASSERT_TRUE(hold.cv.wait_for(lock, std::chrono::milliseconds(testtime::Ms(20000)), [] { return hold.held; }))
            << "the thread never paused after measuring " << battery_level();
    }

    const pid_t self = ThisTask();
    std::atomic<bool> stopping{false};
    std::thread release([&] {
        while (!stopping)
            sched_yield();
        // Waiting for the thread to end, battery_stop sleeps.
        while (TaskState(self) != 'S')
            sched_yield();
        hold.Release();
    });
    const unsigned t0 = OsGetTickCount();
    stopping = true;
    battery_stop();
    const unsigned elapsed = OsGetTickCount() - t0;
    release.join();
    EXPECT_LT(elapsed, 500u);
    EXPECT_EQ(Tasks().count(started[0]), 0u) << "the thread is gone";
}

// On the real clock the thread sleeps on its stop semaphore between
// measurements: it still measures again and again, and battery_stop ends
// it (nothing here is timed; each wait has only a hard limit).
TEST_F(BatteryThreadTest, OnTheRealClockMeasuresAgainAndStops)
{
    OsTestClockDisable();
    SetUpTerminal(root, {"power 0\nstep 2\n", 0, 0, 0, nullptr});
    const std::set<pid_t> before = Tasks();
    battery_start(nullptr, nullptr);
    std::vector<pid_t> started;
    for (pid_t t : Tasks())
        if (!before.count(t))
            started.push_back(t);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == 40; })) << battery_level();
    WriteFile(root + "/data/osal/battery", "power 0\nstep 3\n");
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == 70; })) << battery_level();
    WriteFile(root + "/data/osal/battery", "power 1\nstep 6\n");
    ASSERT_TRUE(WaitWord([](uint16_t w) { return w == (100 | EXT); })) << battery_level();
    battery_stop();
    EXPECT_EQ(Tasks().count(started[0]), 0u) << "the thread is gone";
}

// Without a "batlevel" indicator no thread runs and stopping is harmless.
TEST_F(BatteryThreadTest, NoIndicatorNoThread)
{
    battery_stop();
    ASSERT_EQ(ui->SetStatusLine(new vuStatusLine(20, 0)), 0);
    indicator = nullptr;
    SetUpTerminal(root, {"power 0\nstep 3\n", 0, 0, 0, nullptr});
    const uint16_t before = battery_level();
    battery_start(nullptr, nullptr);
    OsSleep(1000);
    EXPECT_EQ(battery_level(), before);
    battery_stop();
}

} // namespace fiscaltest
