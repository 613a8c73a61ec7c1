// cashdesk end to end under faults of its surroundings: special files in
// place of its own files, a controller service killed and started again, a
// data folder it may not write, a link planted at the settings' temporary
// name, a file-size limit. The program must neither hang nor die, show what
// it shows for a missing file, keep the old settings file whole and say
// when a save failed.
#include "CashdeskE2e.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace {

using namespace e2e;

const char kSettings[] = "/data/kktsettings.xml";

class CashdeskFaults : public Cashdesk {
protected:
    // The screens shown so far: forms of a file with its header, message
    // boxes with their title and text. (A message box's own form line is
    // left out: it may come before or after the box's line.)
    std::vector<std::string> Screens()
    {
        std::vector<std::string> out;
        for (const Entry &e : Trace()) {
            if (e.Get("event") == "form" && !e.Get("file").empty())
                out.push_back("form " + e.Get("file") + " | " + e.Get("header"));
            else if (e.Get("event") == "msgbox")
                out.push_back("msgbox " + e.Get("title") + " | " + e.Get("text"));
        }
        return out;
    }

    // Starts the program, shows the shift sub-menu and quits: a session
    // that saves the settings once, at its end.
    void SessionThroughTheShiftMenu()
    {
        StartCashdesk();
        WaitForm("kkt_menu_main.xml", "SN: 0000000000123456");
        Choose("kkt_menu_main.xml", "shift");
        WaitForm("kkt_menu_shift.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }

    // Ready for another run of the program in the same sandbox.
    void Rerun()
    {
        ASSERT_EQ(unlink(trace.c_str()), 0);
        ForgetTrace();
        exited = -1;
    }

    // Waits until the controller service's log has the line: the program sends
    // it without waiting, so it may be written after the program ended.
    void ServiceLogGets(const std::string &line)
    {
        long end = testtime::Deadline(kWaitMs);
        while (readFile(dir + "/kktsim/zizirize.log").find(line) == std::string::npos) {
            if (nowMs() > end) {
                ADD_FAILURE() << "not in the service log: " << line << "\n" << readFile(dir + "/kktsim/zizirize.log");
                return;
            }
            pause10ms();
        }
    }
};

// Opened without waiting, a FIFO at the settings file's name is refused as
// an unreadable file: the same screens as without a file, and the FIFO is
// left as it is (no save replaces it).
TEST_F(CashdeskFaults, FifoAsTheSettingsFileShowsWhatAMissingFileShows)
{
    StartSim(kRegistered);
    SessionThroughTheShiftMenu();
    std::vector<std::string> missing = Screens();
    ASSERT_FALSE(missing.empty());

    ASSERT_EQ(unlink((dir + kSettings).c_str()), 0);
    ASSERT_EQ(mkfifo((dir + kSettings).c_str(), 0666), 0);
    Rerun();
    SessionThroughTheShiftMenu();
    EXPECT_EQ(Screens(), missing);
    struct stat st;
    ASSERT_EQ(lstat((dir + kSettings).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A FIFO as a sub-menu's file: the sub-menu cannot be built, as when the
// file is missing, and the program goes on with the other menus.
TEST_F(CashdeskFaults, FifoAsASubmenuFileShowsTheMissingFileError)
{
    const std::string shift = dir + "/res/kkt_menu_shift.xml";
    ASSERT_EQ(unlink(shift.c_str()), 0);
    ASSERT_EQ(mkfifo(shift.c_str(), 0666), 0);
    // The main menu keeps its selection: the item after "shift" is one down.
    std::vector<std::string> items = menuItems(dir + "/res/kkt_menu_main.xml");
    size_t at = 0;
    while (at < items.size() && items[at] != "shift")
        ++at;
    ASSERT_LT(at + 1, items.size());
    const std::string next = items[at + 1];
    ASSERT_TRUE(next != "info" && next != "term") << next;

    StartSim(kRegistered);
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    Entry box = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(box.Get("text"), u8"НЕ УДАЛОСЬ СОЗДАТЬ МЕНЮ\n\nКОД ОШИБКИ -1");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_main.xml");
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    WaitForm("kkt_menu_" + next + ".xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

// A FIFO as the UI root's file: the program cannot start its screen and
// ends at once, as without the file, instead of waiting for a writer.
TEST_F(CashdeskFaults, FifoAsTheUiRootEndsTheProgramAtOnce)
{
    const std::string ui = dir + "/res/kkt_ui.xml";
    ASSERT_EQ(unlink(ui.c_str()), 0);
    ASSERT_EQ(mkfifo(ui.c_str(), 0666), 0);
    StartSim(kRegistered);
    StartCashdesk();
    EXPECT_EQ(WaitExit(), 0);
    EXPECT_TRUE(Trace().empty());
    EXPECT_TRUE(Taken().empty());
}

// The controller service dies and is started again while the program runs:
// the next command reaches the new service, once, and works.
TEST_F(CashdeskFaults, NextCommandAfterTheServiceRestartedWorks)
{
    std::ofstream(dir + kSettings) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
                                   << u8"<CmdShiftOpen Operator=\"Иванов И.И.\" OperatorINN=\"\"/></settings>\n";
    const std::string scenario = readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn");
    StartSim(scenario);
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "shift");
    WaitForm("kkt_menu_shift.xml");

    ASSERT_EQ(kill(sim, SIGKILL), 0);
    ASSERT_EQ(waitpid(sim, nullptr, 0), sim);
    sim = -1;
    ASSERT_EQ(unlink((dir + "/kktsim/kktsim.pid").c_str()), 0);
    StartSim(scenario); // the drive's state stays in its file
    size_t before = TakenCount();
    size_t lines = Trace().size();

    ASSERT_EQ(menuItems(dir + "/res/kkt_menu_shift.xml").at(0), "shift_open");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_shift_open.xml");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_shift.xml");
    std::vector<Entry> shown = Trace();
    for (size_t i = lines; i < shown.size(); ++i) { // the wait text only
        if (shown[i].Get("event") == "msgbox") {
            EXPECT_EQ(shown[i].Get("title"), u8"ПОДОЖДИТЕ") << shown[i].line;
        }
    }
    std::vector<std::string> taken;
    for (const std::string &code : Taken(before))
        if (code != "39" && code != "88") // the status line's counts, the marking mode
            taken.push_back(code);
    EXPECT_EQ(taken, std::vector<std::string>{"02"});
    EXPECT_NE(driveState(dir + "/kktsim").find("\"shift_open\": true"), std::string::npos);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

// Drops the capabilities that let the superuser write where the mode bits
// forbid it, for good: the program then meets a read-only folder as any
// user would.
void WithoutFileCapabilities()
{
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        if (prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0 && errno != EPERM && errno != EINVAL)
            _exit(126);
}

const char kOldSettings[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings><common a=\"1\"/></settings>\n";

TEST_F(CashdeskFaults, ReadOnlyDataFolderFailsTheSaveLoudlyAndKeepsTheFile)
{
    std::ofstream(dir + kSettings) << kOldSettings;
    ASSERT_EQ(chmod((dir + "/data").c_str(), 0555), 0);
    cashdeskChild = WithoutFileCapabilities;
    StartSim(kRegistered);
    SessionThroughTheShiftMenu(); // the stop sequence saves, and goes on
    chmod((dir + "/data").c_str(), 0755);
    EXPECT_EQ(readFile(dir + kSettings), kOldSettings);
    EXPECT_NE(access((dir + kSettings + std::string(".new")).c_str(), F_OK), 0);
    ServiceLogGets("settings: ./data/kktsettings.xml not saved: ./data/kktsettings.xml.new cannot be created "
                   "(Permission denied)");
}

// A link planted at the temporary name: removed, not followed; its target
// stays as it was and a regular file takes the settings' place.
TEST_F(CashdeskFaults, LinkAtTheTemporaryNameLeavesItsTargetAlone)
{
    std::ofstream(dir + kSettings) << kOldSettings;
    std::ofstream(dir + "/target") << "not the settings";
    ASSERT_EQ(symlink((dir + "/target").c_str(), (dir + kSettings + std::string(".new")).c_str()), 0);
    StartSim(kRegistered);
    SessionThroughTheShiftMenu();
    EXPECT_EQ(readFile(dir + "/target"), "not the settings");
    struct stat st;
    ASSERT_EQ(lstat((dir + kSettings).c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_NE(readFile(dir + kSettings).find("<common a=\"1\""), std::string::npos);
    EXPECT_NE(lstat((dir + kSettings + std::string(".new")).c_str(), &st), 0);
}

// Under a file-size limit smaller than the settings the save cannot be
// written: the program is not killed, the old file stays whole, no
// temporary file is left, and the service's log says why.
TEST_F(CashdeskFaults, FileSizeLimitFailsTheSaveWithoutKillingTheProgram)
{
    const std::string big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings><common a=\"" +
                            std::string(256 * 1024, 'x') + "\"/></settings>\n";
    std::ofstream(dir + kSettings) << big;
    cashdeskChild = [] {
        rlimit small = {128 * 1024, 128 * 1024}; // the trace stays far below it
        if (setrlimit(RLIMIT_FSIZE, &small) != 0)
            _exit(126);
    };
    StartSim(kRegistered);
    SessionThroughTheShiftMenu(); // Quit expects the exit status 0
    EXPECT_EQ(readFile(dir + kSettings), big);
    EXPECT_NE(access((dir + kSettings + std::string(".new")).c_str(), F_OK), 0);
    ServiceLogGets("settings: ./data/kktsettings.xml not saved: write failed (File too large)");
}

} // namespace
