// The fiscal drive's state outlives the stand-in: the program kktsim run as
// a separate process, stopped and started again, keeps the shift and the
// drawer; a damaged state file stops it with a clear message.

#include "ModelFixture.h"

#include <csignal>
#include <ctime>
#include <sys/ipc.h>
#include <sys/stat.h>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using modeltest::ModelTest;
using modeltest::ReadFile;
using modeltest::Result;
using modeltest::Exec;

// Waits (real time: another process) until cond holds, at most ms.
template <typename F> bool WaitFor(F cond, int ms)
{
    for (int i = 0; i < ms / 5; ++i) {
        if (cond())
            return true;
        timespec ts{0, 5000000};
        nanosleep(&ts, nullptr);
    }
    return cond();
}

class ProgramTest : public ModelTest {
protected:
    void TearDown() override
    {
        Stop();
        ModelTest::TearDown();
    }
    // Starts kktsim with the registered drive; true when its queue is up.
    bool Launch(const std::vector<std::string> &extra = {})
    {
        std::vector<std::string> args = {KKTSIM_PATH, "--scenario", std::string(KKTSIM_SCENARIOS) + "/registered.scn",
                                         "--dir", root_ + "/sim"};
        args.insert(args.end(), extra.begin(), extra.end());
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char *> argv;
            for (std::string &a : args)
                argv.push_back(&a[0]);
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return WaitFor([] { return msgget(111, 0) >= 0; }, 5000);
    }
    // SIGTERM and wait; the exit status.
    int Stop()
    {
        if (pid_ <= 0)
            return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs client in a child process (the client's queue identifier is
    // process-wide and never reset): its exit status, 0 when all went well.
    static int InChild(const std::function<int()> &client)
    {
        pid_t pid = fork();
        if (pid == 0) {
            int rc = ServiceOpen() == 0 ? client() : 90;
            _exit(rc);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
    }
    pid_t pid_ = -1;
};

TEST_F(ProgramTest, TheDriveSurvivesARestart)
{
    OsTestClockDisable(); // a real process answers in real time
    ASSERT_TRUE(Launch());
    EXPECT_EQ(InChild([] {
                  TMCommand c;
                  if (c.OpenShift("ИВАНОВ", "", "", "", "") <= 0 || Exec(c).error != 0)
                      return 1;
                  if (c.CashIn("5.00", nullptr) <= 0 || Exec(c).Field(6) != "5.00")
                      return 2;
                  return 0;
              }),
              0);
    EXPECT_EQ(Stop(), 0);

    ASSERT_TRUE(Launch());
    EXPECT_EQ(InChild([] {
                  TMCommand c;
                  if (c.GetFNStatus() <= 0)
                      return 1;
                  Result r = Exec(c);
                  if (r.Field(8) != "01" || c.FieldWord(16) != 1 || !(r.status & 0x0800))
                      return 2; // the shift is still open, number 1
                  if (c.CashOut("2.00", nullptr) <= 0)
                      return 3;
                  r = Exec(c);
                  if (r.Field(5) != "5.00" || r.Field(6) != "3.00")
                      return 4;
                  if (c.OpenShift("ИВАНОВ", "", "", "", "") <= 0 || Exec(c).error != 0x29)
                      return 5;
                  return 0;
              }),
              0);
    EXPECT_EQ(Stop(), 0);
    std::string paper = ReadFile(root_ + "/sim/paper.txt");
    EXPECT_NE(paper.find(u8"ВНЕСЕНИЕ"), std::string::npos);
    EXPECT_NE(paper.find(u8"ВЫПЛАТА"), std::string::npos);

    // --new-drive forgets it: the scenario's closed shift and empty drawer
    ASSERT_TRUE(Launch({"--new-drive"}));
    EXPECT_EQ(InChild([] {
                  TMCommand c;
                  if (c.GetFNStatus() <= 0)
                      return 1;
                  Result r = Exec(c);
                  return r.Field(8) == "00" && !(r.status & 0x0800) ? 0 : 2;
              }),
              0);
}

TEST_F(ProgramTest, ADamagedStateFileStopsTheProgram)
{
    OsTestClockDisable();
    std::string dir = root_ + "/sim";
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    const std::string oversize = "{\"user\": \"" + std::string(5 << 20, 'x') + "\"}";
    struct Case {
        std::string text;
        const char *message;
        bool fifo;
    } cases[] = {
        {"{\"shift_open\": tru", "offset", false},
        {"{\"drawer\": \"1,00\"}", "drawer", false},
        {"{\"shift_number\": 70000}", "shift_number", false},
        {"[1, 2]", "not a JSON object", false},
        {oversize, "larger than", false},
        {"", "not a regular file", true}, // no writer: must not wait for one
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.text.substr(0, 40));
        unlink((dir + "/drive.json").c_str());
        if (k.fifo)
            ASSERT_EQ(mkfifo((dir + "/drive.json").c_str(), 0600), 0);
        else
            std::ofstream(dir + "/drive.json") << k.text;
        std::string cmd = std::string(KKTSIM_PATH) + " --dir " + dir + " --scenario " + KKTSIM_SCENARIOS +
                          "/registered.scn 2>" + dir + "/err.txt";
        int status = system(cmd.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
        std::string err = ReadFile(dir + "/err.txt");
        EXPECT_NE(err.find(k.message), std::string::npos) << err;
        EXPECT_NE(err.find("--new-drive"), std::string::npos) << err;
        EXPECT_LT(msgget(111, 0), 0) << "no queue was left behind";
    }
}

TEST_F(ModelTest, AnOversizeScenarioIsRefused)
{
    const std::string path = root_ + "/big.scn";
    std::ofstream(path) << "# " << std::string(5 << 20, 'x') << "\n";
    kktsim::Simulator sim;
    std::string error;
    EXPECT_FALSE(sim.LoadFile(path, &error));
    EXPECT_NE(error.find("larger than"), std::string::npos) << error;
}

TEST_F(ModelTest, StateWrittenByOneStandInIsReadByTheNext)
{
    Start("registered.scn", "drive shift open 4\n");
    TMCommand c;
    ASSERT_GT(c.OpenDocument(0, "И", "", "", "", 0, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ЧАЙ", "", "2.50", "3", "", 0, 0, 0, 0, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.PrintText("СПАСИБО"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    kktsim::DriveState before = sim_->Drive();
    sim_.reset();

    kktsim::Simulator next; // the same folder, another scenario: the file wins
    std::string error;
    next.Update([&](kktsim::Scenario &s) { kktsim::ParseScenario("drive shift closed\n", s, &error); });
    ASSERT_TRUE(next.StartDrive(&error)) << error;
    kktsim::DriveState after = next.Drive();
    EXPECT_EQ(after.ToJson(), before.ToJson());
    EXPECT_TRUE(after.shiftOpen);
    EXPECT_EQ(after.docType, 1);
    ASSERT_EQ(after.items.size(), 1u);
    EXPECT_EQ(after.items[0].name, u8"ЧАЙ");
    EXPECT_EQ(after.items[0].sum, 750);
    EXPECT_EQ(after.docLines, std::vector<std::string>{u8"СПАСИБО"});
}

} // namespace

namespace {

TEST_F(ModelTest, ADamagedStateFileIsSetAsideNotOverwritten)
{
    std::string dir = root_ + "/data/kktsim";
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    {
        std::ofstream(dir + "/drive.json") << "{\"shift_open\": maybe}";
    }
    Start();
    TMCommand c;
    ASSERT_GT(c.OpenShift("И", "", "", "", ""), 0);
    EXPECT_EQ(Exec(c).error, 0) << "the scenario's new drive, shift closed";
    EXPECT_EQ(ReadFile(dir + "/drive.json.damaged"), "{\"shift_open\": maybe}");
    EXPECT_TRUE(sim_->Drive().shiftOpen);
    bool noted = false;
    std::ifstream journal(sim_->JournalPath());
    for (std::string line; std::getline(journal, line);)
        noted = noted || line.find("drive state not read") != std::string::npos;
    EXPECT_TRUE(noted) << "the journal says why";
}

} // namespace
