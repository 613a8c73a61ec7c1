// The fiscal-drive model of the stand-in, driven by the cash register's own
// command builders and exchange: what start-up reads, the shift and cash
// journey with its counters and tape, receipts, refusals and paper out.

#include "ModelFixture.h"

#include "KktJson.h"

#include <cstring>
#include <functional>

namespace {

using modeltest::ModelTest;
using modeltest::Result;
using modeltest::Exec;

// The printed documents of the paper log, in order, by their titles.
std::vector<std::string> Titles(const std::string &paper)
{
    static const char *const titles[] = {u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ", u8"ВНЕСЕНИЕ", u8"ВЫПЛАТА",
                                         u8"ОТЧЕТ БЕЗ ГАШЕНИЯ", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ", u8"КАССОВЫЙ ЧЕК",
                                         u8"ЧЕК АННУЛИРОВАН"};
    std::vector<std::string> out;
    std::istringstream in(paper);
    std::string line;
    while (std::getline(in, line)) {
        size_t a = line.find_first_not_of(' ');
        if (a == std::string::npos)
            continue;
        for (const char *t : titles)
            if (line.substr(a) == t)
                out.push_back(t);
    }
    return out;
}

TEST_F(ModelTest, StartUpReadsARegisteredDrive)
{
    Start();
    ASSERT_GT(ServiceWaitReady(3, 20000), 0);
    TMCommand c;

    ASSERT_GT(c.GetFNStatus(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.fatal & 0x08, 0x08) << "registered";
    EXPECT_EQ(r.status & 0x0807, 0) << "no shift, no document";
    EXPECT_EQ(r.Field(5), "03") << "fiscal mode";
    EXPECT_EQ(r.Field(9), "00") << "no warnings";
    EXPECT_EQ(r.Field(11), "9999078900012345");
    EXPECT_EQ(c.FieldByte(15) >> 1, 2) << "FFD 1.05";
    EXPECT_EQ(c.FieldByte(15) & 1, 1) << "the production key service";

    ASSERT_GT(c.GetKktInfo(), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(7), "0000000000123456");
    EXPECT_EQ(r.Field(8), "0000000001012345");
    EXPECT_EQ(r.Field(9), "007710000001");
    std::string fw = r.Field(10);
    ASSERT_GT(fw.size(), 3u);
    EXPECT_EQ(fw.substr(1, 3), "105");
    int version = std::atoi(fw.substr(fw.size() - 3).c_str());
    EXPECT_GE(version, 301) << "a version the program takes without a warning";
    EXPECT_LE(version, 339);

    ASSERT_GT(c.StartSession(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0100, 0x0100) << "the start of session is seen in the status";

    ASSERT_GT(c.GetWorkModes(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(c.FieldWord(5) & 0x10, 0) << "0x1D goes after a free-text print";
    EXPECT_EQ(r.data.size(), 4u);

    struct Tag {
        uint16_t tag;
        uint32_t value;
        bool dword;
    } tags[] = {{1062, 0x01, false}, {1057, 0, false}, {1209, 2, false}, {1290, 0, true}};
    for (const Tag &t : tags) {
        SCOPED_TRACE(t.tag);
        ASSERT_GT(c.GetRegParam(t.tag), 0);
        r = Exec(c);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(t.dword ? c.FieldDword(5) : c.FieldByte(5), t.value);
        EXPECT_EQ(c.FieldLength(5), t.dword ? 8u : 2u);
    }

    ASSERT_GT(c.GetRegTotals(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(9), "00") << "not autonomous";
    EXPECT_EQ(r.Field(7), "0000000001012345");

    ASSERT_GT(c.GetWaitDocs(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(c.FieldLength(5), 4u);
    EXPECT_EQ(c.FieldWord(5), 0);

    ASSERT_GT(c.Cmd_GetStatusSendNotif(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(c.FieldLength(6), 4u);

    ASSERT_GT(c.GetDateTime(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(c.FieldLength(5), 6u);
    EXPECT_EQ(c.FieldLength(6), 4u);

    ASSERT_GT(c.CancelDocument(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0x0D) << "nothing to cancel";

    // the version queries of the service answer from the scenario
    uint8_t kind = 0, buf[64];
    ASSERT_EQ(ServiceQueryVersionText(), 0);
    int n = ServiceReceive(&kind, buf, sizeof buf, 500);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), n), "KKTSIM 2.1");
    ASSERT_EQ(ServiceQueryVersion(), 0);
    ASSERT_EQ(ServiceReceive(&kind, buf, sizeof buf, 500), 16);
    uint32_t v[4];
    std::memcpy(v, buf, sizeof v);
    EXPECT_EQ(v[0], 2u);
    EXPECT_EQ(v[3], 15u);
}

TEST_F(ModelTest, StartUpReadsAnUnregisteredDrive)
{
    Start("unregistered.scn");
    TMCommand c;
    ASSERT_GT(c.GetFNStatus(), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.fatal & 0x08, 0) << "not registered";
    EXPECT_EQ(r.Field(5), "01") << "ready to be registered";
    EXPECT_EQ(r.Field(11), "9999078900054321");

    ASSERT_GT(c.GetKktInfo(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(7), "0000000000654321");
    EXPECT_EQ(r.Field(8), "") << "no registration number before registration";

    ASSERT_GT(c.GetRegParam(1209), 0);
    EXPECT_EQ(Exec(c).error, 0x1A);
    ASSERT_GT(c.GetRegTotals(), 0);
    EXPECT_EQ(Exec(c).error, 0x1A);
}

TEST_F(ModelTest, ScriptedAnswersAndFaultsComeBeforeTheModel)
{
    Start("registered.scn", "answer 29 fatal=01 error=73\nfault 97 no-reply times 1\n");
    TMCommand c;
    ASSERT_GT(c.GetFNStatus(), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.error, 0x73);
    EXPECT_EQ(r.fatal, 0x01);
    EXPECT_TRUE(r.data.empty());

    ASSERT_GT(c.GetKktInfo(), 0);
    EXPECT_EQ(ServiceExecute(c, 500), -4) << "the fault holds the model's answer back";
    ASSERT_GT(c.GetKktInfo(), 0);
    EXPECT_EQ(Exec(c).Field(7), "0000000000123456") << "and applies once";
}

TEST_F(ModelTest, ShiftAndCashJourneyCountsAndPrints)
{
    Start();
    TMCommand c;
    ASSERT_GT(c.OpenShift("ИВАНОВ И.И.", "123456789012", "", "", ""), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0800, 0x0800);
    kktsim::DriveState st = sim_->Drive();
    EXPECT_EQ(st.shiftNumber, 1);
    EXPECT_EQ(st.lastDocument, 2u) << "the shift opening is a fiscal document";
    EXPECT_EQ(st.ofdWaiting, 1);

    ASSERT_GT(c.CashIn("5.00", "ИВАНОВ И.И."), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "0.00");
    EXPECT_EQ(r.Field(6), "5.00");

    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0);

    ASSERT_GT(c.CashOut("10.00", nullptr), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0x12) << "more than the drawer holds";

    ASSERT_GT(c.CashOut("2", nullptr), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "5.00");
    EXPECT_EQ(r.Field(6), "3.00");

    ASSERT_GT(c.GetMoneyTotals(0), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    ASSERT_EQ(r.data.size(), 27u) << "fields 5 to 31";
    EXPECT_EQ(r.Field(5), "0.00");
    EXPECT_EQ(r.Field(29), "5.00");
    EXPECT_EQ(r.Field(30), "2.00");
    EXPECT_EQ(r.Field(31), "3.00");

    ASSERT_GT(c.GetShiftTotals(), 0);
    r = Exec(c);
    ASSERT_EQ(r.data.size(), 15u) << "fields 5 to 19";
    EXPECT_EQ(r.Field(11), "5.00");
    EXPECT_EQ(r.Field(12), "2.00");
    EXPECT_EQ(r.Field(13), "3.00");

    ASSERT_GT(c.GetDocCounters(), 0);
    r = Exec(c);
    ASSERT_EQ(r.data.size(), 16u);
    EXPECT_EQ(c.FieldWord(19), 1) << "deposits";
    EXPECT_EQ(c.FieldWord(20), 1) << "withdrawals";
    EXPECT_EQ(c.FieldWord(5), 4) << "documents: opening, deposit, report, withdrawal";

    ASSERT_GT(c.CloseShift("ИВАНОВ И.И.", "", "", "", 1), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0800, 0);
    EXPECT_EQ(sim_->Drive().lastDocument, 3u);

    std::vector<std::string> expect = {u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ", u8"ВНЕСЕНИЕ", u8"ОТЧЕТ БЕЗ ГАШЕНИЯ", u8"ВЫПЛАТА",
                                       u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"};
    std::string paper = Paper();
    EXPECT_EQ(Titles(paper), expect) << paper;
    EXPECT_NE(paper.find(u8"КАССИР"), std::string::npos);
    EXPECT_NE(paper.find(u8"ИВАНОВ И.И."), std::string::npos) << "the cashier's name, back in UTF-8";
    EXPECT_EQ(paper.find("123456789012"), std::string::npos) << "the INN is not printed as the name";
    EXPECT_NE(paper.find("=5.00"), std::string::npos);
    EXPECT_NE(paper.find("=2.00"), std::string::npos);

    // the counters, as people read them in the state file
    kktsim::JsonValue doc;
    std::string error;
    ASSERT_TRUE(kktsim::ParseJson(modeltest::StoredState(sim_->StatePath()), doc, &error)) << error;
    ASSERT_NE(doc.Find("drawer"), nullptr);
    EXPECT_EQ(doc.Find("drawer")->text, "3.00");
    const kktsim::JsonValue *counters = doc.Find("counters");
    ASSERT_NE(counters, nullptr);
    EXPECT_EQ(counters->Find("deposits")->text, "5.00");
    EXPECT_EQ(counters->Find("withdrawals")->text, "2.00");
    EXPECT_FALSE(doc.Find("shift_open")->boolean);
}

TEST_F(ModelTest, ReceiptsCountByPaymentTypeAndGiveChangeInCash)
{
    Start("registered.scn", "drive shift open 7\ndrive drawer 1.00\n");
    TMCommand c;
    ASSERT_GT(c.OpenDocument(0, "ПЕТРОВ", "", "", "", 0, 0, "", ""), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0007, 1) << "an income receipt is open";

    ASSERT_GT(c.AddItem("ХЛЕБ", "", "10.50", "2", "шт", 1, 1, 4, 0, 1, "", ""), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "21.00");
    ASSERT_GT(c.AddItem("СОЛЬ", "", "3.33", "1/3", "шт", 1, 1, 4, 0, 1, "", ""), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "1.11") << "a third of 3.33";

    ASSERT_GT(c.Subtotal(nullptr), 0);
    EXPECT_EQ(Exec(c).Field(5), "22.11");
    ASSERT_GT(c.AddPayment(1, "10.00", "", ""), 0);
    EXPECT_EQ(Exec(c).Field(5), "12.11");
    ASSERT_GT(c.CloseDocument(), 0);
    EXPECT_EQ(Exec(c).error, 0x0D) << "not paid in full";
    ASSERT_GT(c.AddPayment(0, "20.00", "", ""), 0);
    EXPECT_EQ(Exec(c).Field(5), "0.00");
    ASSERT_GT(c.CloseDocument(), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0007, 0);

    kktsim::DriveState st = sim_->Drive();
    EXPECT_EQ(st.shift.sums[0][0], 1211) << "cash: 20.00 less 7.89 change";
    EXPECT_EQ(st.shift.sums[0][1], 1000);
    EXPECT_EQ(st.drawer, 100 + 1211);
    EXPECT_EQ(st.receipts, 1);
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"ХЛЕБ"), std::string::npos);
    EXPECT_NE(paper.find(u8"=22.11"), std::string::npos);
    EXPECT_NE(paper.find(u8"=7.89"), std::string::npos) << "the change";

    ASSERT_GT(c.GetPaymentTotals(1), 0);
    r = Exec(c);
    EXPECT_EQ(r.Field(5), "10.00");
    EXPECT_EQ(r.Field(6), "0.00");

    // a return of income pays the cash back out of the drawer, and no more
    ASSERT_GT(c.OpenDocument(2, "ПЕТРОВ", "", "", "", 0, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ХЛЕБ", "", "100.00", "1", "шт", 1, 1, 4, 0, 1, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddPayment(0, "100.00", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.CloseDocument(), 0);
    EXPECT_EQ(Exec(c).error, 0x12) << "the drawer holds 13.11";

    ASSERT_GT(c.CancelDocument(), 0);
    r = Exec(c);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.status & 0x0007, 0);
    EXPECT_EQ(sim_->Drive().shift.documents[2], 1) << "one annulled receipt";
    EXPECT_EQ(sim_->Drive().drawer, 1311);
    EXPECT_EQ(Titles(Paper()).back(), u8"ЧЕК АННУЛИРОВАН");
}

TEST_F(ModelTest, RefusalsLeaveTheDriveAsItWas)
{
    using Build = std::function<int(TMCommand &)>;
    using Prepare = std::function<void(kktsim::DriveState &)>;
    auto open = [](kktsim::DriveState &d) {
        d.shiftOpen = true;
        d.shiftNumber = 3;
        d.drawer = 500;
    };
    auto withReceipt = [&](kktsim::DriveState &d) {
        open(d);
        d.docType = 1;
    };
    auto unregistered = [](kktsim::DriveState &d) { d.phase = kktsim::kPhaseReady; };
    struct Case {
        const char *name;
        Prepare prepare;
        Build build;
        int error;
    } cases[] = {
        {"SecondShiftOpening", open, [](TMCommand &c) { return c.OpenShift("И", "", "", "", ""); }, 0x29},
        {"CloseWithoutShift", nullptr, [](TMCommand &c) { return c.CloseShift("И", "", "", "", 1); }, 0x25},
        {"ReportWithoutShift", nullptr, [](TMCommand &c) { return c.ShiftReport(); }, 0x25},
        {"DepositWithoutShift", nullptr, [](TMCommand &c) { return c.CashIn("1.00", nullptr); }, 0x25},
        {"ReceiptWithoutShift", nullptr,
         [](TMCommand &c) { return c.OpenDocument(0, "И", "", "", "", 0, 0, "", ""); }, 0x25},
        {"WithdrawalAboveDrawer", open, [](TMCommand &c) { return c.CashOut("5.01", nullptr); }, 0x12},
        {"UnregisteredShift", unregistered, [](TMCommand &c) { return c.OpenShift("И", "", "", "", ""); }, 0x1A},
        {"UnregisteredMoneyTotals", unregistered, [](TMCommand &c) { return c.GetMoneyTotals(0); }, 0x1A},
        {"UnregisteredRegParam", unregistered, [](TMCommand &c) { return c.GetRegParam(1062); }, 0x1A},
        {"ShiftOpeningWithReceipt", withReceipt, [](TMCommand &c) { return c.OpenShift("И", "", "", "", ""); },
         0x0D},
        {"DepositWithReceipt", withReceipt, [](TMCommand &c) { return c.CashIn("1.00", nullptr); }, 0x0D},
        {"ReportWithReceipt", withReceipt, [](TMCommand &c) { return c.ShiftReport(); }, 0x0D},
        {"CloseWithReceipt", withReceipt, [](TMCommand &c) { return c.CloseShift("И", "", "", "", 1); }, 0x0D},
        {"SecondReceipt", withReceipt,
         [](TMCommand &c) { return c.OpenDocument(0, "И", "", "", "", 0, 0, "", ""); }, 0x0D},
        {"ItemWithoutReceipt", open,
         [](TMCommand &c) { return c.AddItem("A", "", "1.00", "1", "", 0, 0, 0, 0, 0, "", ""); }, 0x0D},
        {"CancelWithoutReceipt", open, [](TMCommand &c) { return c.CancelDocument(); }, 0x0D},
        {"CommaAmount", open, [](TMCommand &c) { return c.CashIn("5,00", nullptr); }, 0x02},
        {"ThreeDecimals", open, [](TMCommand &c) { return c.CashIn("1.005", nullptr); }, 0x02},
        {"ZeroAmount", open, [](TMCommand &c) { return c.CashIn("0.00", nullptr); }, 0x11},
        {"NegativeAmount", open, [](TMCommand &c) { return c.CashOut("-1.00", nullptr); }, 0x11},
        {"PaymentIndex", withReceipt, [](TMCommand &c) { return c.AddPayment(16, "1.00", "", ""); }, 0x27},
        {"PaymentTotalsIndex", nullptr, [](TMCommand &c) { return c.GetPaymentTotals(16); }, 0x27},
        {"PaymentTypeIndex", nullptr, [](TMCommand &c) { return c.GetPaymentType(16); }, 0x27},
        {"ReceiptType", open, [](TMCommand &c) { return c.OpenDocument(3, "И", "", "", "", 0, 0, "", ""); }, 0x0C},
        {"NoAmount", open,
         [](TMCommand &c) {
             c.Begin(0x32);
             c.AddDateNow();
             c.AddTimeNow();
             return c.End();
         },
         0x01},
        {"BadDate", open,
         [](TMCommand &c) {
             c.Begin(0x32);
             c.AddDateText("310226");
             c.AddTimeText("1200");
             c.AddString("1.00", 0);
             return c.End();
         },
         0x03},
    };
    Start();
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        sim_->UpdateDrive([&](kktsim::DriveState &d) {
            d = kktsim::DriveState();
            if (k.prepare)
                k.prepare(d);
        });
        std::string before = State(), paper = Paper();
        TMCommand c;
        ASSERT_GT(k.build(c), 0);
        Result r = Exec(c);
        ASSERT_EQ(r.rc, 0);
        EXPECT_EQ(r.error, k.error);
        EXPECT_TRUE(r.data.empty());
        EXPECT_EQ(State(), before);
        EXPECT_EQ(Paper(), paper) << "nothing printed";
    }
}

TEST_F(ModelTest, PaperOutRefusesPrintingUntilResumedWithPaper)
{
    Start("registered.scn", "drive shift open 1\n");
    TMCommand c;
    sim_->SetPaperOut(true);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0x19);
    ASSERT_GT(c.Command1D(), 0);
    EXPECT_EQ(Exec(c).error, 0x19) << "still no paper";
    ASSERT_GT(c.GetFNStatus(), 0);
    EXPECT_EQ(Exec(c).error, 0) << "commands that do not print go on";
    ASSERT_GT(c.CancelDocument(), 0);
    EXPECT_EQ(Exec(c).error, 0x0D);

    sim_->SetPaperOut(false);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0x19) << "the printer waits to be told to go on";
    ASSERT_GT(c.CashIn("1.00", nullptr), 0);
    EXPECT_EQ(Exec(c).error, 0x19);
    EXPECT_EQ(sim_->Drive().drawer, 0) << "a refused deposit counts nothing";
    EXPECT_EQ(Paper(), "");

    ASSERT_GT(c.Command1D(), 0);
    EXPECT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0);
    EXPECT_EQ(Titles(Paper()), std::vector<std::string>{u8"ОТЧЕТ БЕЗ ГАШЕНИЯ"});
}

TEST_F(ModelTest, ACopyPrintsTheLastDocumentAgain)
{
    Start("registered.scn", "drive shift open 1\n");
    const uint8_t copy[2] = {0x10, 'C'};
    uint8_t kind, status;
    ASSERT_EQ(ServiceSendFrame(copy, 2), 0);
    ASSERT_EQ(ServiceReceive(&kind, &status, 1, 500), 1);
    EXPECT_EQ(Paper(), "") << "nothing printed yet: nothing to copy";

    TMCommand c;
    ASSERT_GT(c.CashIn("7.00", nullptr), 0);
    ASSERT_EQ(Exec(c).error, 0);
    std::string once = Paper();
    ASSERT_EQ(ServiceSendFrame(copy, 2), 0);
    ASSERT_EQ(ServiceReceive(&kind, &status, 1, 500), 1);
    std::string twice = Paper();
    ASSERT_GT(twice.size(), once.size());
    EXPECT_NE(twice.find(u8"КОПИЯ", once.size()), std::string::npos);
    EXPECT_EQ(twice.substr(twice.size() - once.size()), once);
    EXPECT_EQ(sim_->Drive().shift.deposits, 700) << "a copy counts nothing";
}

TEST_F(ModelTest, WorkModeBit10NeedsNoResume)
{
    // with bit 0x10 the program sends no 0x1D before a resend: the model
    // prints as soon as the paper is back
    Start("registered.scn", "drive shift open 1\ndrive work-modes 0010\n");
    TMCommand c;
    sim_->SetPaperOut(true);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0x19);
    sim_->SetPaperOut(false);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0);
}

TEST_F(ModelTest, CloseShiftWithoutPrintingWorksWithoutPaper)
{
    Start("registered.scn", "drive shift open 1\npaper out\n");
    TMCommand c;
    ASSERT_GT(c.CloseShift("И", "", "", "", 0), 0);
    EXPECT_EQ(Exec(c).error, 0);
    EXPECT_FALSE(sim_->Drive().shiftOpen);
    EXPECT_EQ(Paper(), "");
}

TEST_F(ModelTest, RegistrationMakesTheDriveFiscal)
{
    Start("unregistered.scn");
    TMCommand c;
    ASSERT_GT(c.Register("ООО ТЕСТ", "7701234567", 0x01, "0000000002054321", 0, "", "ИВАНОВ", "", "г. Москва",
                         "7704358518", "2", 0, 0, 0, "", "", "", ""),
              0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.fatal & 0x08, 0x08);
    ASSERT_GT(c.GetKktInfo(), 0);
    r = Exec(c);
    EXPECT_EQ(r.Field(8), "0000000002054321");
    EXPECT_EQ(r.Field(9), "7701234567");
    ASSERT_GT(c.OpenShift("И", "", "", "", ""), 0);
    EXPECT_EQ(Exec(c).error, 0);
    EXPECT_EQ(Titles(Paper()).back(), u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ");
}

} // namespace

// A PC's 0x4C through the host mode: 0x4D reports what it set, bit 0x10
// keeps its meaning, and a bad field changes nothing.
TEST_F(ModelTest, HostWorkModesSetByFourCAndReportedByFourD)
{
    Start("registered.scn", "drive shift open 1\n");
    TMCommand c;
    c.Begin(0x4C);
    c.AddWord(0x0010);
    c.AddWord(0x0002);
    c.End();
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_EQ(sim_->Drive().workModes, 0x0010);
    c.Begin(0x4D);
    c.End();
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_EQ(c.FieldWord(5), 0x0010);
    EXPECT_EQ(c.FieldWord(6), 0x0002);

    c.Begin(0x4C);
    c.AddRawString("12X4");
    c.End();
    EXPECT_EQ(Exec(c).error, 0x02);
    c.Begin(0x4C);
    c.End();
    EXPECT_EQ(Exec(c).error, 0x01);
    EXPECT_EQ(sim_->Drive().workModes, 0x0010);

    // bit 0x10: printing resumes without 0x1D once the paper is back
    sim_->SetPaperOut(true);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0x19);
    sim_->SetPaperOut(false);
    ASSERT_GT(c.ShiftReport(), 0);
    EXPECT_EQ(Exec(c).error, 0);
    c.Begin(0x70);
    c.End();
    EXPECT_EQ(Exec(c).error, 0);
}
