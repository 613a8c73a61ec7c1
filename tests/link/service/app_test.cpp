// The service application: starting it from the applications table, its
// version, the receipt-header picture; and the stand-in program kktsim run
// as the cash register would run it.

#include "ServiceFixture.h"
#include "TMCommand.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include "TestTime.h"

using namespace servicetest;

namespace {

class TerminalRoot : public TempRootTest {
protected:
    TerminalRoot() : TempRootTest(false) {} // on the real clock
    void SetUp() override
    {
        TempRootTest::SetUp();
        Mkdirs(root_ + "/data/osal");
    }
    static void Mkdirs(const std::string &path)
    {
        std::string cmd = "mkdir -p " + path;
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    void WriteFile(const std::string &path, const std::string &text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
    void Apps(const std::string &lines) { WriteFile(root_ + "/data/osal/apps", lines); }
};

// A program that writes its arguments into a file of the root.
std::string ArgsRecorder(const std::string &root)
{
    std::string path = root + "/record.sh";
    std::ofstream(path) << "#!/bin/sh\necho \"$@\" > " << root << "/args\n";
    chmod(path.c_str(), 0755);
    return path;
}

TEST_F(TerminalRoot, RunServiceAppStartsTheFirstKktEntry)
{
    std::string recorder = ArgsRecorder(root_);
    struct Case {
        const char *name;
        std::string apps;
        int result;
        bool runs;
    } cases[] = {
        {"NoTable", "", -2, false},
        {"OnlyTheService", "KKT_SRV|kkt|" + recorder + "|1.0|0\n", -2, false},
        {"NoServiceAmongMany", "FTEST|ftest|" + recorder + "|1.0|0\nSHOP|shop|" + recorder + "|1.0|0\n", -2,
         false},
        {"ServiceSecond", "FTEST|ftest|/bin/false|1.0|0\nKKTSIM|kkt|" + recorder + "|1.0|0\nKKTX|x|/bin/false|1|0\n",
         0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        unlink((root_ + "/args").c_str());
        if (c.apps.empty())
            unlink((root_ + "/data/osal/apps").c_str());
        else
            Apps(c.apps);
        EXPECT_EQ(RunServiceApp(4000000001u), c.result);
        EXPECT_EQ(ReadFile(root_ + "/args"), c.runs ? "4000000001\n" : "");
    }
}

TEST_F(TerminalRoot, ServiceVersionIsTheLastWordOfItsVersionText)
{
    Apps("FTEST|f|/bin/true|9.9.9|0\nKKTSIM|k|/bin/true|service 2.5.17|0\n");
    int major = -1, minor = -1, build = -1;
    ASSERT_EQ(ServiceAppVersion(&major, &minor, &build), 0);
    EXPECT_EQ(major, 2);
    EXPECT_EQ(minor, 5);
    EXPECT_EQ(build, 17);
    Apps("FTEST|f|/bin/true|9.9.9|0\nKKTSIM|k|/bin/true|7.1|0\n");
    ASSERT_EQ(ServiceAppVersion(&major, nullptr, &build), 0);
    EXPECT_EQ(major, 7);
    EXPECT_EQ(build, 0);
    Apps("KKTSIM|k|/bin/true|7.1|0\n");
    EXPECT_EQ(ServiceAppVersion(&major, &minor, &build), -2);
}

// A 1-bit BMP header of 62 bytes, with one field changed by the case.
std::string Bmp(size_t at = 0, uint32_t value = 0, size_t width = 0)
{
    std::string h(62 + 8, '\0');
    auto put = [&](size_t off, uint32_t v, size_t n) {
        for (size_t i = 0; i < n; ++i)
            h[off + i] = static_cast<char>(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    put(10, 62, 2);
    put(14, 40, 2);
    put(18, 64, 2);
    put(22, 8, 4);
    put(28, 1, 2);
    put(30, 0, 4);
    if (width)
        put(at, value, width);
    return h;
}

TEST_F(TerminalRoot, FiscalHeaderIsInstalledOnlyWhenAccepted)
{
    const std::string target = root_ + "/data/tmp/fiscal_header";
    struct Case {
        const char *name;
        std::string file; // empty: no file
        int result;
    } cases[] = {
        {"OneBitPicture", Bmp(), 0},
        {"NoSignatureNeeded", Bmp(0, 0x5858, 2), 0},
        {"TwentyFourBits", Bmp(28, 24, 2), -1},
        {"Compressed", Bmp(30, 1, 4), -1},
        {"PixelsElsewhere", Bmp(10, 54, 2), -1},
        {"NoInfoHeader", Bmp(14, 0, 2), -1},
        {"ZeroWidth", Bmp(18, 0, 2), -1},
        {"ZeroHeight", Bmp(22, 0, 4), -1},
        {"ShortFile", Bmp().substr(0, 61), -1},
        {"Missing", "", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Mkdirs(root_ + "/data/tmp");
        WriteFile(target, "old picture");
        std::string source = root_ + "/new.bmp";
        unlink(source.c_str());
        if (!c.file.empty())
            WriteFile(source, c.file);
        EXPECT_EQ(InstallFiscalHeader(source.c_str()), c.result);
        if (c.result == 0) {
            EXPECT_EQ(ReadFile(target), c.file);
            EXPECT_NE(access(source.c_str(), F_OK), 0) << "the file was moved";
            struct stat st;
            ASSERT_EQ(stat(target.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0666u);
        } else {
            EXPECT_EQ(ReadFile(target), "old picture") << "the installed picture stays";
            if (!c.file.empty()) {
                EXPECT_EQ(ReadFile(source), c.file) << "a refused file stays where it is";
            }
        }
    }
    EXPECT_EQ(InstallFiscalHeader(nullptr), -1);
}

TEST_F(TerminalRoot, FiscalHeaderThatCannotBeMovedKeepsBoth)
{
    // The target is a folder with something in it: the move must fail, and
    // the failure must be reported.
    Mkdirs(root_ + "/data/tmp/fiscal_header/inside");
    std::string source = root_ + "/new.bmp";
    WriteFile(source, Bmp());
    EXPECT_EQ(InstallFiscalHeader(source.c_str()), -1);
    EXPECT_EQ(ReadFile(source), Bmp());
    struct stat st;
    EXPECT_EQ(stat((root_ + "/data/tmp/fiscal_header/inside").c_str(), &st), 0);
}

// Links are never followed: a link given as the picture is refused, and a
// link at the installed picture's name is replaced, its target untouched.
TEST_F(TerminalRoot, FiscalHeaderGoesThroughNoLink)
{
    const std::string target = root_ + "/data/tmp/fiscal_header", victim = root_ + "/victim";
    Mkdirs(root_ + "/data/tmp");
    WriteFile(victim, Bmp());
    ASSERT_EQ(chmod(victim.c_str(), 0600), 0);
    WriteFile(target, "old picture");
    std::string source = root_ + "/new.bmp";
    ASSERT_EQ(symlink(victim.c_str(), source.c_str()), 0);
    EXPECT_EQ(InstallFiscalHeader(source.c_str()), -1);
    EXPECT_EQ(ReadFile(target), "old picture");
    struct stat st;
    ASSERT_EQ(stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the link's target keeps its mode";

    unlink(source.c_str());
    unlink(target.c_str());
    WriteFile(source, Bmp());
    WriteFile(victim, "VICTIM");
    ASSERT_EQ(symlink(victim.c_str(), target.c_str()), 0);
    EXPECT_EQ(InstallFiscalHeader(source.c_str()), 0);
    EXPECT_EQ(ReadFile(victim), "VICTIM");
    ASSERT_EQ(stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    EXPECT_EQ(ReadFile(target), Bmp());
}

TEST_F(TerminalRoot, FiscalHeaderMovesAcrossFileSystems)
{
    struct stat a, b;
    if (stat("/dev/shm", &a) != 0 || stat(root_.c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    char tmpl[] = "/dev/shm/header_XXXXXX";
    int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    WriteFile(tmpl, Bmp());
    Mkdirs(root_ + "/data/tmp");
    WriteFile(root_ + "/data/tmp/fiscal_header", "old picture");
    EXPECT_EQ(InstallFiscalHeader(tmpl), 0);
    EXPECT_EQ(ReadFile(root_ + "/data/tmp/fiscal_header"), Bmp());
    EXPECT_NE(access(tmpl, F_OK), 0);
    unlink(tmpl);
}

// kktsim as a separate process, started the way the cash register starts
// the service, in real time.
TEST_F(TerminalRoot, KktsimProgramServesTheCashRegister)
{
    std::string dir = root_ + "/data/kktsim";
    Mkdirs(dir);
    WriteFile(dir + "/scenario", u8"# FN status\n"
                                 u8"answer 29 status=0102\n"
                                 u8"data 29 03\n"
                                 u8"data 29 Готов\n"
                                 u8"fault 30 stale-id times 1\n"
                                 u8"answer 30\n");
    Apps(std::string("FTEST|ftest|/bin/true|1.0|0\nKKTSIM|kktsim|") + KKTSIM_PATH + "|1.0.0|1\n");
    ASSERT_EQ(RunServiceApp(3), 0);

    int queue = -1;
    for (int i = 0; i < testtime::Tries(5000, 10) && queue < 0; ++i) {
        queue = msgget(111, 0);
        if (queue < 0)
            usleep(10000);
    }
    ASSERT_GE(queue, 0) << "kktsim did not create the queue";
    ASSERT_EQ(ServiceOpen(), 0);

    TMCommand cmd;
    ASSERT_GT(cmd.GetFNStatus(), 0);
    ASSERT_EQ(ServiceExecute(cmd, 5000), 0);
    EXPECT_EQ(cmd.CurrentStatus(), 0x0102);
    char text[16];
    ASSERT_EQ(cmd.FieldText1251(6, text, sizeof text), 5);
    EXPECT_STREQ(text, "Готов");
    ASSERT_GT(cmd.ShiftReport(), 0);
    EXPECT_EQ(ServiceExecute(cmd, 5000), 0) << "the stale reply is passed over";
    EXPECT_EQ(ServiceWaitReady(1, 5000), 1);
    EXPECT_EQ(ServicePrintText("Спасибо", 0, 5000), 0);

    auto in = ReadJournal(dir + "/journal.jsonl", "in", 1);
    ASSERT_GE(in.size(), 2u);
    EXPECT_EQ(in[0].Get("code"), "29");
    EXPECT_EQ(in[1].Get("code"), "30");
    EXPECT_EQ(in[1].Get("note"), "fault stale-id");
    std::string all = ReadFile(dir + "/journal.jsonl");
    EXPECT_NE(all.find("started with argument 3"), std::string::npos);
    EXPECT_EQ(ReadFile(dir + "/paper.txt"), u8"Спасибо\n");

    int pid = std::atoi(ReadFile(dir + "/kktsim.pid").c_str());
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    for (int i = 0; i < testtime::Tries(5000, 10) && msgget(111, 0) >= 0; ++i)
        usleep(10000);
    EXPECT_LT(msgget(111, 0), 0) << "kktsim removes its queue when it ends";
}

TEST_F(TerminalRoot, KktsimRefusesABadScenario)
{
    std::string path = root_ + "/bad";
    WriteFile(path, "answer 29\nfault 29 sometimes\n");
    std::string cmd = std::string(KKTSIM_PATH) + " --check --scenario " + path + " 2>" + root_ + "/err";
    int status = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(ReadFile(root_ + "/err").find("line 2: unknown fault"), std::string::npos);
    WriteFile(path, "answer 29\n");
    EXPECT_EQ(system(cmd.c_str()), 0);
}

} // namespace
