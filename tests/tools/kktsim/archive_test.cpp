// The fiscal-drive model's archive, electronic journal, drive closing and
// department totals, driven by the cash register's own command builders:
// every fiscal document is filed, read back by number and field by field,
// copied from the journal, and kept in the state file (a file written
// before the archive existed still reads).
#include "ModelFixture.h"

#include "KktJson.h"

namespace {

using modeltest::Exec;
using modeltest::ModelTest;
using modeltest::Result;

// Opens and closes a shift at the given times (DDMMYY, HHMM) through the
// drive's own commands.
void Shift(const char *day, const char *open, const char *close)
{
    struct tm t = {};
    t.tm_mday = (day[0] - '0') * 10 + (day[1] - '0');
    t.tm_mon = (day[2] - '0') * 10 + (day[3] - '0') - 1;
    t.tm_year = 100 + (day[4] - '0') * 10 + (day[5] - '0');
    t.tm_hour = (open[0] - '0') * 10 + (open[1] - '0');
    t.tm_min = (open[2] - '0') * 10 + (open[3] - '0');
    TMCommand c;
    ASSERT_GT(c.OpenShiftAt(&t, "КАССИР", "", "", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    t.tm_hour = (close[0] - '0') * 10 + (close[1] - '0');
    t.tm_min = (close[2] - '0') * 10 + (close[3] - '0');
    ASSERT_GT(c.CloseShiftAt(&t, "КАССИР", "", "", "", 1), 0);
    ASSERT_EQ(Exec(c).error, 0);
}

TEST_F(ModelTest, FiscalDocumentsAreArchivedAndReadBack)
{
    Start("registered.scn", "drive last-document 9\n");
    Shift("010326", "0900", "1900"); // documents 10 and 11
    kktsim::DriveState s = sim_->Drive();
    ASSERT_EQ(s.archive.documents.size(), 2u);
    EXPECT_EQ(s.archive.documents[0].number, 10u);
    EXPECT_EQ(s.archive.documents[0].type, kktsim::kDocShiftOpen);
    EXPECT_EQ(s.archive.documents[1].type, kktsim::kDocShiftClose);
    EXPECT_EQ(s.archive.documents[1].when, "0103261900");
    EXPECT_NE(s.archive.documents[1].paper.find(u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"), std::string::npos);

    TMCommand c;
    ASSERT_GT(c.GetDocument(11, 0), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.data, (std::vector<std::string>{"05", "00", "0103261900", "0B000000", "0B000020", "00"}));
    // Mode 2 prints a copy and answers type and acknowledgement only.
    size_t paper = Paper().size();
    ASSERT_GT(c.GetDocument(10, 2), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"02", "00"}));
    EXPECT_NE(Paper().substr(paper).find(u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ"), std::string::npos);
    // Mode 3 starts the field reading, mode 4 goes on until an error.
    ASSERT_GT(c.GetDocument(11, 3), 0);
    ASSERT_EQ(Exec(c).error, 0);
    std::vector<std::string> fields;
    for (int i = 0; i < 20; ++i) {
        ASSERT_GT(c.GetDocument(11, 4), 0);
        r = Exec(c);
        if (r.error)
            break;
        fields.push_back(r.Field(5));
    }
    EXPECT_EQ(r.error, 0x78);
    ASSERT_EQ(fields.size(), s.archive.documents[1].fields.size());
    EXPECT_EQ(fields[0], u8"1000: ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ");
    EXPECT_EQ(fields[2], "1040: 11");
    // Mode 4 without a reading started, and a number never made.
    ASSERT_GT(c.GetDocument(11, 4), 0);
    EXPECT_EQ(Exec(c).error, 0x78);
    ASSERT_GT(c.GetDocument(9, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x78);
}

// The OFD's side: documents older than the waiting ones are acknowledged.
TEST_F(ModelTest, OfdTicketsAndTheUnsentState)
{
    Start("registered.scn", "drive last-document 9\n");
    Shift("010326", "0900", "1900");
    TMCommand c;
    ASSERT_GT(c.GetOFDTicket(10, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x78) << "both documents are still waiting";
    ASSERT_GT(c.GetUnsentState(), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"0B000000", "0B000020", "02000000", "0103260900"}));
    ASSERT_GT(c.FNGetCommStatus(), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"02", "00", "0200", "0A000000", "0103260900"}));

    sim_->Update([](kktsim::Scenario &) {});
    kktsim::DriveState s = sim_->Drive();
    EXPECT_TRUE(kktsim::AcknowledgedByOfd(s, 9));
    EXPECT_FALSE(kktsim::AcknowledgedByOfd(s, 10));
}

TEST_F(ModelTest, TheJournalPrintsCopiesAndIsCleared)
{
    Start("registered.scn", "drive last-document 1\ndrive journal-pages 50\n");
    Shift("010326", "0900", "1900"); // 2, 3: shift 1
    Shift("020326", "0800", "2000"); // 4, 5: shift 2
    struct Case {
        const char *what;
        std::function<int(TMCommand &)> build;
        int error;
        std::vector<std::string> printed; // the documents' times in the copy
    } cases[] = {
        {"shift 1", [](TMCommand &c) { return c.JournalShift(1); }, 0, {"01.03.26 09:00", "01.03.26 19:00"}},
        {"the current shift", [](TMCommand &c) { return c.JournalShift(0); }, 0, {"02.03.26 08:00"}},
        {"shift 1's closing", [](TMCommand &c) { return c.JournalShiftClose(1); }, 0, {"01.03.26 19:00"}},
        {"no shift 0", [](TMCommand &c) { return c.JournalShiftClose(0); }, 0x78, {}},
        {"by time", [](TMCommand &c) { return c.JournalByTime("0700", "1000", "020326"); }, 0, {"02.03.26 08:00"}},
        {"by time, none", [](TMCommand &c) { return c.JournalByTime("1000", "1200", "020326"); }, 0x78, {}},
        {"by numbers", [](TMCommand &c) { return c.JournalByNumbers(3, 4, 0); }, 0,
         {"01.03.26 19:00", "02.03.26 08:00"}},
        {"by numbers with a flag", [](TMCommand &c) { return c.JournalByNumbers(5, 9, 7); }, 0, {"02.03.26 20:00"}},
        {"a range of none", [](TMCommand &c) { return c.JournalByNumbers(6, 9, 0); }, 0x78, {}},
        {"one document", [](TMCommand &c) { return c.JournalDocument(2, 0); }, 0, {"01.03.26 09:00"}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        size_t before = Paper().size();
        TMCommand c;
        ASSERT_GT(k.build(c), 0);
        EXPECT_EQ(Exec(c).error, k.error);
        std::string printed = Paper().substr(before);
        size_t at = 0;
        for (const std::string &when : k.printed) {
            at = printed.find(when, at);
            ASSERT_NE(at, std::string::npos) << printed;
        }
        if (k.printed.empty())
            EXPECT_EQ(printed, "");
        else
            EXPECT_NE(printed.find(u8"ЭЛЕКТРОННЫЙ ЖУРНАЛ"), std::string::npos);
    }
    TMCommand c;
    ASSERT_GT(c.GetJournalParams(), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"50", "0000", "4"}));
    ASSERT_GT(c.JournalClear(), 0);
    EXPECT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetJournalParams(), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"50", "0000", "0"}));
    ASSERT_GT(c.JournalShift(1), 0);
    EXPECT_EQ(Exec(c).error, 0x78) << "a cleared journal holds nothing";
    ASSERT_GT(c.GetDocument(2, 0), 0);
    EXPECT_EQ(Exec(c).error, 0) << "the drive's archive keeps it";
    // A journal print needs the paper like any print.
    Shift("030326", "0900", "1900");
    sim_->SetPaperOut(true);
    size_t before = Paper().size();
    ASSERT_GT(c.JournalShift(3), 0);
    EXPECT_EQ(Exec(c).error, 0x19);
    EXPECT_EQ(Paper().size(), before);
}

TEST_F(ModelTest, ClosingTheDriveEndsItsFiscalMode)
{
    Start("registered.scn", "drive shift open 3\n");
    TMCommand c;
    ASSERT_GT(c.CloseFN("ИВАНОВ", "", 1), 0);
    EXPECT_EQ(Exec(c).error, 0x15) << "the shift is open";
    ASSERT_GT(c.CloseShift("ИВАНОВ", "", "", "", 0), 0);
    ASSERT_EQ(Exec(c).error, 0);
    uint32_t last = sim_->Drive().lastDocument;
    ASSERT_GT(c.CloseFN("ИВАНОВ", "771234567890", 1), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    kktsim::DriveState s = sim_->Drive();
    EXPECT_EQ(s.phase, kktsim::kPhaseClosed);
    EXPECT_EQ(s.lastDocument, last + 1);
    EXPECT_EQ(s.archive.documents.back().type, kktsim::kDocDriveClose);
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О ЗАКРЫТИИ ФН"), std::string::npos);
    EXPECT_NE(Paper().find(u8"ИВАНОВ"), std::string::npos);
    ASSERT_GT(c.OpenShift("ИВАНОВ", "", "", "", ""), 0);
    EXPECT_EQ(Exec(c).error, 0x1A) << "no fiscal documents any more";
    ASSERT_GT(c.CloseFN("ИВАНОВ", "", 1), 0);
    EXPECT_EQ(Exec(c).error, 0x1A);
    ASSERT_GT(c.GetFNStatus(), 0);
    EXPECT_EQ(Exec(c).Field(5), "07");
}

TEST_F(ModelTest, KeysNotificationsErrorsAndRegistrationTags)
{
    Start("registered.scn", u8"drive key-date 150326\ndrive notifications 3\ndrive fn-errors СБОЙ 7\n"
                            "drive marking 842\n");
    TMCommand c;
    ASSERT_GT(c.Command9E(0), 0);
    EXPECT_EQ(Exec(c).error, 0x78) << "the key state is not answered by default";
    ASSERT_GT(c.Command9E(5), 0);
    EXPECT_EQ(c.FieldWord(5), 0);
    Result r = Exec(c);
    EXPECT_EQ(c.FieldWord(5), 15 + 32 * 3 + 512 * 30);
    ASSERT_GT(c.NotifCounts(0), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"0300", "01000000", "0000"}))
        << "waiting, the first waiting one's number, acknowledged ones";
    ASSERT_GT(c.GetFNErrors(), 0);
    EXPECT_EQ(Exec(c).data, std::vector<std::string>{u8"СБОЙ 7"});
    for (auto t : {std::make_pair(1207, "01"), std::make_pair(1193, "00"), std::make_pair(1126, "01"),
                   std::make_pair(1221, "01")}) {
        ASSERT_GT(c.GetRegParam(static_cast<uint16_t>(t.first)), 0);
        EXPECT_EQ(Exec(c).data, std::vector<std::string>{t.second}) << t.first;
    }
    // 0x8F with a registration's number and the print flag.
    ASSERT_GT(c.GetRegTotalsOf(2, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x78) << "one registration only";
    ASSERT_GT(c.GetRegTotalsOf(1, 1), 0);
    EXPECT_EQ(Exec(c).error, 0);
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos);
}

// Items keep their department; a receipt paid by two types books its items
// on the payments in order.
TEST_F(ModelTest, DepartmentTotalsByPaymentType)
{
    Start("registered.scn", "drive shift open 1\n");
    TMCommand c;
    ASSERT_GT(c.OpenDocument(0, "И", "", "", "", 0, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ХЛЕБ", "", "30.00", "1", "", 0, 0, 0, 0, 2, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("СЫР", "", "70.00", "1", "", 0, 0, 0, 0, 5, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddPayment(0, "50.00", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddPayment(1, "50.00", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.CloseDocument(), 0);
    ASSERT_EQ(Exec(c).error, 0);

    struct Case {
        uint8_t department, payment;
        std::vector<std::string> data;
    } cases[] = {
        {2, 0, {"30.00", "1", "0.00", "0", "0.00", "0", "0.00", "0"}},
        {5, 0, {"20.00", "1", "0.00", "0", "0.00", "0", "0.00", "0"}},
        {5, 1, {"50.00", "0", "0.00", "0", "0.00", "0", "0.00", "0"}},
        {2, 1, {"0.00", "0", "0.00", "0", "0.00", "0", "0.00", "0"}},
        {40, 15, {"0.00", "0", "0.00", "0", "0.00", "0", "0.00", "0"}},
    };
    for (const Case &k : cases) {
        ASSERT_GT(c.GetDepartmentTotals(k.department, k.payment), 0);
        EXPECT_EQ(Exec(c).data, k.data) << int(k.department) << " " << int(k.payment);
    }
    ASSERT_GT(c.GetDepartmentTotals(41, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x0C);
    ASSERT_GT(c.GetDepartmentTotals(1, 16), 0);
    EXPECT_EQ(Exec(c).error, 0x27);
    ASSERT_GT(c.GetDepartments(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.data.size(), 8u); // four departments by default
    EXPECT_EQ(r.data[4], "03");
    EXPECT_EQ(r.data[5], u8"ОТДЕЛ 3");

    // The totals survive in the state file and a new shift starts afresh.
    kktsim::DriveState s = sim_->Drive(), back;
    std::string error;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &error)) << error;
    ASSERT_EQ(back.shift.departments.size(), 3u);
    EXPECT_EQ(back.ToJson(), s.ToJson());
}

TEST_F(ModelTest, ThePaymentReportDocument)
{
    Start("registered.scn", "drive shift open 1\n");
    TMCommand c;
    ASSERT_GT(c.PaymentReportLine("X"), 0);
    EXPECT_EQ(Exec(c).error, 0x0D) << "no report begun";
    ASSERT_GT(c.PaymentReportBegin(), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.PaymentReportLine("СМЕННЫЙ ОТЧЕТ"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_EQ(Paper(), "") << "printed at the end";
    ASSERT_GT(c.PaymentReportEnd(), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_NE(Paper().find(u8"СМЕННЫЙ ОТЧЕТ\n"), std::string::npos);
    ASSERT_GT(c.PaymentReportEnd(), 0);
    EXPECT_EQ(Exec(c).error, 0x0D);
}

// A state file written before the archive existed reads as an empty
// archive; a damaged archive names its member.
TEST(ArchiveState, OldFilesReadAndBadMembersAreNamed)
{
    kktsim::DriveState fresh;
    std::string old = fresh.ToJson();
    size_t at = old.find(",\n  \"archive\"");
    ASSERT_NE(at, std::string::npos);
    old = old.substr(0, at) + "\n}\n";
    size_t deps = old.find(",\n    \"departments\"");
    ASSERT_NE(deps, std::string::npos);
    old.erase(deps, old.find("\n  }", deps) - deps);
    kktsim::DriveState s;
    s.archive.journalPages = 7;
    std::string error;
    ASSERT_TRUE(s.FromJson(old, &error)) << error << "\n" << old;
    EXPECT_TRUE(s.archive.documents.empty());

    kktsim::DriveState d;
    kktsim::MakeFiscalDocument(d, "0103260900", kktsim::kDocShiftOpen);
    d.archive.documents.back().paper = u8"ОТКРЫТИЕ\n";
    d.archive.keyDate = 1234;
    kktsim::DriveState back;
    ASSERT_TRUE(back.FromJson(d.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), d.ToJson());

    struct Bad {
        const char *from, *to, *why;
    } bads[] = {
        {"\"key_date\": 1234", "\"key_date\": 70000", "key_date"},
        {"\"number\": 2", "\"number\": 0", "number"},
        {"\"number\": 2", "\"nember\": 2", "documents"},
        {"\"when\": \"0103260900\"", "\"when\": \"01032609001\"", "when"},
        {"\"journal_pages\": 1000", "\"journal_pages\": \"x\"", "journal_pages"},
        {"\"fields\": [", "\"fields\": [1, ", "fields"},
    };
    for (const Bad &b : bads) {
        std::string text = d.ToJson();
        size_t p = text.find(b.from);
        ASSERT_NE(p, std::string::npos) << b.from;
        text.replace(p, strlen(b.from), b.to);
        kktsim::DriveState t;
        EXPECT_FALSE(t.FromJson(text, &error)) << b.why;
        EXPECT_NE(error.find(b.why), std::string::npos) << error;
    }
}

TEST(ArchiveScenario, StatementsAndTheirFaults)
{
    kktsim::Scenario s;
    std::string error;
    ASSERT_TRUE(kktsim::ParseScenario(u8"drive shift closed 0\ndrive document shift-open 0103260900\n"
                                      "drive document receipt 0103261000\ndrive document shift-close 0103261900\n"
                                      "drive journal-pages 20\ndrive journal-failed 2\ndrive key-state 3\n"
                                      "drive key-date 0\ndrive fn-errors НЕТ СВЯЗИ\n",
                                      s, &error))
        << error;
    const kktsim::DriveArchive &a = s.driveState.archive;
    ASSERT_EQ(a.documents.size(), 3u);
    EXPECT_EQ(a.documents[1].type, kktsim::kDocReceipt);
    EXPECT_EQ(a.documents[1].operation, 1);
    EXPECT_EQ(a.documents[2].shift, 1);
    EXPECT_FALSE(s.driveState.shiftOpen);
    EXPECT_EQ(a.journalPages, 20u);
    EXPECT_EQ(a.keyState, 3);
    EXPECT_EQ(a.fnErrors, u8"НЕТ СВЯЗИ");

    struct Case {
        const char *text, *error;
    } cases[] = {
        {"mode normal\ndrive document sale 0103260900\n", "line 2: drive document is registration"},
        {"drive document receipt 3202260900\n", "line 1: drive document needs its time"},
        {"drive key-date 310226\n", "line 1: drive key-date needs DDMMYY or 0"},
        {"drive key-state 256\n", "line 1: drive key-state needs a number up to 255"},
        {"drive journal-failed x\n", "line 1: drive journal-failed needs a number"},
        {"drive fn-errors\n", "line 1: drive fn-errors needs a text"},
    };
    for (const Case &c : cases) {
        kktsim::Scenario t;
        EXPECT_FALSE(kktsim::ParseScenario(c.text, t, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

} // namespace

namespace {

// However long the stand-in runs, the archive keeps the newest documents
// and a bounded part of what each printed; numbers that wrap round are not
// filed out of order.
TEST(ArchiveState, TheArchiveStaysBounded)
{
    kktsim::DriveState s;
    s.lastDocument = 0xFFFFFFFFu - kktsim::kArchiveMax - 10;
    for (size_t i = 0; i < kktsim::kArchiveMax + 20; ++i) {
        kktsim::MakeFiscalDocument(s, "0103261000", kktsim::kDocReceipt, 1);
        kktsim::ArchivePaper(s, std::string(10000, 'x') + "\n" + std::string(5000, 'y'));
    }
    const std::vector<kktsim::ArchivedDocument> &docs = s.archive.documents;
    ASSERT_EQ(docs.size(), kktsim::kArchiveMax);
    EXPECT_EQ(docs.back().number, 0xFFFFFFFFu);
    EXPECT_EQ(docs.front().number, 0xFFFFFFFFu - kktsim::kArchiveMax + 1);
    EXPECT_LE(docs.back().paper.size(), kktsim::kArchivePaperMax);
    EXPECT_EQ(s.lastDocument, 9u);
    std::string error;
    kktsim::DriveState back;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), s.ToJson());
}

} // namespace
