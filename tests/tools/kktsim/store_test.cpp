// The drive's store: what one save writes is what the next start reads,
// however the archive and the queues changed in between; a command writes a
// handful of rows however large the archive is; a state file of the former
// shape is taken over once; a damaged store is set aside or reported.

#include "ModelFixture.h"

#include "KktDriveArchive.h"
#include "KktDriveNotify.h"
#include "KktDriveOfd.h"

#include <sys/msg.h>
#include <sys/wait.h>

#include <sqlite3.h>

namespace {

using modeltest::Exec;
using modeltest::ModelTest;
using modeltest::ReadFile;

// Rows in a table of the store at path (another connection, as a reader
// beside the stand-in would be).
int64_t Rows(const std::string &path, const std::string &table)
{
    sqlite3 *db = nullptr;
    int64_t n = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

void MakeReceipt(kktsim::DriveState &s, int i)
{
    kktsim::MakeFiscalDocument(s, "1112260930", kktsim::kDocReceipt, 1);
    kktsim::ArchivePaper(s, u8"КАССОВЫЙ ЧЕК\nИТОГ =" + std::to_string(i) + ".00\n");
}

class StoreTest : public ModelTest {
protected:
    std::string Path() const { return root_ + "/drive.db"; }
    // Saves s through store, then reads the database afresh: what a
    // restarted stand-in would see must be s.
    void SaveAndCompare(kktsim::DriveStore &store, kktsim::DriveState &s, bool whole = false)
    {
        std::string error;
        ASSERT_TRUE(store.Save(s, &error, whole)) << error;
        kktsim::DriveStore other;
        ASSERT_TRUE(other.Open(Path(), true, &error)) << error;
        kktsim::DriveState back;
        ASSERT_TRUE(other.Load(back, &error)) << error;
        EXPECT_EQ(back.ToJson(), s.ToJson());
    }
};

TEST_F(StoreTest, EveryKindOfChangeReadsBackAsSaved)
{
    // Each step changes the state the way a command or a test does; the
    // store writes only the difference, and a fresh reader must see it all.
    struct Step {
        const char *what;
        std::function<void(kktsim::DriveState &)> change;
        bool byHand = false; // a change the model never makes: saved whole
    } steps[] = {
        {"a new drive", [](kktsim::DriveState &) {}},
        {"documents made", [](kktsim::DriveState &s) { for (int i = 0; i < 5; ++i) MakeReceipt(s, i); }},
        {"the newest document's paper changed",
         [](kktsim::DriveState &s) { s.archive.documents.back().paper += u8"КОПИЯ\n"; }},
        {"an older document changed", [](kktsim::DriveState &s) { s.archive.documents[1].fields.push_back("1: x"); },
         true},
        {"the OFD took the oldest two",
         [](kktsim::DriveState &s) {
             s.ofd.documents.erase(s.ofd.documents.begin(), s.ofd.documents.begin() + 2);
             s.ofdWaiting = static_cast<uint16_t>(s.ofd.documents.size());
         }},
        {"one from the middle of the queue gone",
         [](kktsim::DriveState &s) {
             s.ofd.documents.erase(s.ofd.documents.begin() + 1);
             s.ofdWaiting = static_cast<uint16_t>(s.ofd.documents.size());
         }},
        {"a waiting count set apart from the list", [](kktsim::DriveState &s) { s.ofdWaiting = 6; }},
        {"a body rewritten", [](kktsim::DriveState &s) { s.ofd.documents.back().body += "Z"; }, true},
        {"notifications made", [](kktsim::DriveState &s) { s.notifications = 3; }},
        {"a notification acknowledged",
         [](kktsim::DriveState &s) {
             s.notify.list[0].stage = kktsim::NoticeStage::Acknowledged;
             s.notifications = kktsim::NoticesWaiting(s);
         }},
        {"a notification received", [](kktsim::DriveState &s) {
             s.notify.list.erase(s.notify.list.begin());
             s.notifications = kktsim::NoticesWaiting(s);
         }},
        {"the archive beyond its cap", [](kktsim::DriveState &s) {
             for (size_t i = 0; i < kktsim::kArchiveMax + 30; ++i)
                 MakeReceipt(s, static_cast<int>(i));
         }},
        {"the queues emptied", [](kktsim::DriveState &s) {
             s.ofd.documents.clear();
             s.ofdWaiting = 0;
             s.notify.list.clear();
             s.notifications = 0;
         }},
        {"the archive cleared by hand", [](kktsim::DriveState &s) { s.archive.documents.clear(); }},
        {"documents again", [](kktsim::DriveState &s) { MakeReceipt(s, 1); }},
    };
    kktsim::DriveStore store;
    std::string error;
    ASSERT_TRUE(store.Open(Path(), false, &error)) << error;
    kktsim::DriveState s;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        step.change(s);
        SaveAndCompare(store, s, step.byHand);
    }
}

TEST_F(StoreTest, TheArchiveTableKeepsTheDocumentsTheModelLetsGo)
{
    kktsim::DriveStore store;
    std::string error;
    ASSERT_TRUE(store.Open(Path(), false, &error)) << error;
    kktsim::DriveState s;
    const uint32_t first = s.lastDocument + 1;
    for (size_t i = 0; i < kktsim::kArchiveMax + 40; ++i) {
        MakeReceipt(s, static_cast<int>(i));
        ASSERT_TRUE(store.Save(s, &error)) << error;
    }
    EXPECT_EQ(s.archive.documents.size(), kktsim::kArchiveMax);
    EXPECT_EQ(Rows(Path(), "archive"), static_cast<int64_t>(kktsim::kArchiveMax + 40));
    EXPECT_EQ(Rows(Path(), "ofd"), static_cast<int64_t>(kktsim::kArchiveMax + 40));

    // a restart holds the newest ones, as the model did
    kktsim::DriveStore again;
    ASSERT_TRUE(again.Open(Path(), false, &error)) << error;
    kktsim::DriveState back;
    ASSERT_TRUE(again.Load(back, &error)) << error;
    ASSERT_EQ(back.archive.documents.size(), kktsim::kArchiveMax);
    EXPECT_EQ(back.archive.documents.front().number, first + 40);
    EXPECT_EQ(back.ofd.documents.front().number, first);
}

TEST_F(StoreTest, ACommandWritesAFewRowsHoweverLargeTheArchive)
{
    // Rows written by a cash deposit and by a shift's opening with 50 and
    // with 1,500 documents made and waiting for the OFD: the same, and few.
    Start("registered.scn", "drive shift closed\n");
    struct Written {
        int64_t deposit = 0, opening = 0;
    };
    auto rowsWritten = [&](int more) {
        sim_->UpdateDrive([&](kktsim::DriveState &s) {
            for (int i = 0; i < more; ++i)
                MakeReceipt(s, i);
        });
        Written w;
        TMCommand c;
        EXPECT_GT(c.OpenShift("И", "", "", "", ""), 0);
        EXPECT_EQ(Exec(c).error, 0);
        w.opening = sim_->StoreRowsWritten();
        EXPECT_GT(c.CashIn("1.00", nullptr), 0);
        EXPECT_EQ(Exec(c).error, 0);
        w.deposit = sim_->StoreRowsWritten();
        EXPECT_GT(c.CloseShift("И", "", "", "", 0), 0);
        EXPECT_EQ(Exec(c).error, 0);
        return w;
    };
    Written small = rowsWritten(50);
    Written large = rowsWritten(1450);
    EXPECT_EQ(Rows(sim_->StatePath(), "ofd"), 1504) << "two openings and two closings among them";
    EXPECT_EQ(small.opening, large.opening);
    EXPECT_EQ(small.deposit, large.deposit);
    EXPECT_LE(large.opening, 3) << "the state row, the document, its place in the OFD queue";
    EXPECT_LE(large.deposit, 1) << "the state row";
}

// Commits are flushed to the disk unless KKTSIM_NO_SYNC asks otherwise
// (set and not "0"); whatever the rule, a save reads back.
TEST_F(StoreTest, TheFlushRuleFollowsTheEnvironment)
{
    const char *before = getenv("KKTSIM_NO_SYNC");
    std::string saved = before ? before : "";
    const struct {
        const char *value; // null: unset
        const char *pragma;
    } cases[] = {{nullptr, "PRAGMA synchronous=FULL"},
                 {"", "PRAGMA synchronous=FULL"},
                 {"0", "PRAGMA synchronous=FULL"},
                 {"1", "PRAGMA synchronous=OFF"},
                 {"yes", "PRAGMA synchronous=OFF"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        if (c.value)
            setenv("KKTSIM_NO_SYNC", c.value, 1);
        else
            unsetenv("KKTSIM_NO_SYNC");
        EXPECT_STREQ(kktsim::DriveStore::SynchronousPragma(), c.pragma);
        kktsim::DriveStore store;
        std::string error;
        ASSERT_TRUE(store.Open(Path(), false, &error)) << error;
        kktsim::DriveState s;
        MakeReceipt(s, 1);
        SaveAndCompare(store, s, true);
    }
    if (before)
        setenv("KKTSIM_NO_SYNC", saved.c_str(), 1);
    else
        unsetenv("KKTSIM_NO_SYNC");
}

TEST_F(ModelTest, AStateFileOfTheFormerShapeIsTakenOverOnce)
{
    // The fixture was written by the stand-in before it had a store: an
    // open shift, a drawer of 1234.50, three receipts in the archive and
    // waiting for the OFD, one marking notification.
    const std::string fixture = ReadFile(std::string(KKTSIM_FIXTURES) + "/drive.json");
    ASSERT_FALSE(fixture.empty());
    kktsim::DriveState expected;
    std::string error;
    ASSERT_TRUE(expected.FromJson(fixture, &error)) << error;

    const std::string dir = root_ + "/data/kktsim";
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    std::ofstream(dir + "/drive.json") << fixture;
    Start("registered.scn");
    kktsim::DriveState got = sim_->Drive();
    EXPECT_EQ(got.ToJson(), expected.ToJson());
    EXPECT_TRUE(got.shiftOpen);
    EXPECT_EQ(got.drawer, 123450);
    ASSERT_EQ(got.archive.documents.size(), 3u);
    EXPECT_NE(got.archive.documents[2].paper.find(u8"ИТОГ =12.00"), std::string::npos);
    EXPECT_EQ(got.ofd.documents.size(), 3u);
    EXPECT_EQ(got.notify.list.size(), 1u);
    EXPECT_EQ(sim_->StatePath(), dir + "/drive.db");
    EXPECT_EQ(access((dir + "/drive.json").c_str(), F_OK), -1) << "read once";
    EXPECT_EQ(ReadFile(dir + "/drive.json.migrated"), fixture) << "kept for people";
    EXPECT_EQ(modeltest::StoredState(sim_->StatePath()), expected.ToJson());

    // a command, a restart: the store wins over a state file put back
    TMCommand c;
    ASSERT_GT(c.CashIn("1.00", nullptr), 0);
    ASSERT_EQ(Exec(c).error, 0);
    sim_.reset();
    std::ofstream(dir + "/drive.json") << fixture;
    kktsim::Simulator next;
    next.Update([&](kktsim::Scenario &s) { kktsim::ParseScenario("drive on\n", s, &error); });
    ASSERT_TRUE(next.StartDrive(&error)) << error;
    EXPECT_EQ(next.Drive().drawer, 123550);
    EXPECT_EQ(ReadFile(dir + "/drive.json"), fixture) << "left alone";
}

TEST_F(ModelTest, ADamagedStoreIsSetAsideOrReported)
{
    const std::string dir = root_ + "/data/kktsim";
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    const std::string garbage(4096, 'x');
    // the program stops, naming the store and how to start afresh
    std::ofstream(dir + "/drive.db") << garbage;
    std::string cmd = std::string(KKTSIM_PATH) + " --dir " + dir + " --scenario " + KKTSIM_SCENARIOS +
                      "/registered.scn 2>" + root_ + "/err.txt";
    int status = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::string err = ReadFile(root_ + "/err.txt");
    EXPECT_NE(err.find("drive.db"), std::string::npos) << err;
    EXPECT_NE(err.find("--new-drive"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(dir + "/drive.db"), garbage) << "nothing overwrote it";
    EXPECT_LT(msgget(111, 0), 0);

    // a test's stand-in sets it aside and starts a new drive
    Start("registered.scn");
    TMCommand c;
    ASSERT_GT(c.OpenShift("И", "", "", "", ""), 0);
    EXPECT_EQ(Exec(c).error, 0);
    EXPECT_EQ(ReadFile(dir + "/drive.db.damaged"), garbage);
    const std::string stored = modeltest::StoredState(sim_->StatePath());
    EXPECT_NE(stored.find("\"shift_open\": true"), std::string::npos);

    // the program prints it beside the running stand-in, and refuses what
    // is no store
    std::string print = std::string(KKTSIM_PATH) + " --dir " + dir + " --print-state >" + root_ + "/out.txt";
    EXPECT_EQ(system(print.c_str()), 0);
    EXPECT_EQ(ReadFile(root_ + "/out.txt"), stored);
    print = std::string(KKTSIM_PATH) + " --dir " + dir + " --state " + dir + "/drive.db.damaged --print-state 2>" +
            root_ + "/err.txt";
    status = system(print.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_NE(ReadFile(root_ + "/err.txt").find("drive.db.damaged"), std::string::npos);
}

} // namespace
