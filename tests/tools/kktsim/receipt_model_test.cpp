// Receipts in the fiscal-drive model: the types by FFD, goods lines with
// their data and fractions, payments with texts and the not-printed bit,
// tags, corrections in the counters, the tape, refusals that change
// nothing, the scenario's refusal fault, and the state file.
#include "ModelFixture.h"

#include "KktJson.h"
#include "KktScenario.h"

namespace modeltest {
namespace {

int Count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class ReceiptModelTest : public ModelTest {
protected:
    void TypesOn(bool ffd105);
    void Open(uint8_t type, int error = 0, const char *tags = "")
    {
        TMCommand c;
        ASSERT_GT(c.OpenDocument(type, "КАССИР", "", "", "", 1, 0, "", tags), 0);
        EXPECT_EQ(Exec(c).error, error) << "type " << int(type);
    }
    Result Item(const char *price, const char *qty, uint8_t tax = 0, uint8_t agent = 0)
    {
        TMCommand c;
        EXPECT_GT(c.AddItem("ТОВАР", "", price, qty, "шт", tax, 4, 1, agent, 1, "", ""), 0);
        return Exec(c);
    }
    Result Pay(uint8_t type, const char *amount)
    {
        TMCommand c;
        EXPECT_GT(c.AddPayment(type, amount, "", ""), 0);
        return Exec(c);
    }
    Result Close()
    {
        TMCommand c;
        EXPECT_GT(c.CloseDocument(), 0);
        return Exec(c);
    }
    void Cancel()
    {
        TMCommand c;
        ASSERT_GT(c.CancelDocument(), 0);
        ASSERT_EQ(Exec(c).error, 0);
    }
};

} // namespace

// The receipt types a drive takes: 0x10 opens them, 0x17 annuls them again.
void ReceiptModelTest::TypesOn(bool ffd105)
{
    const struct {
        uint8_t type;
        int ffd105, ffd12;
    } cases[] = {
        {0, 0, 0},       {2, 0, 0},       {4, 0, 0},       {5, 0, 0},       {6, 0, 0},
        {7, 0x0C, 0},    {8, 0, 0},       {9, 0x0C, 0},    {0x80, 0, 0},    {0x87, 0x0C, 0},
        {1, 0x0C, 0x0C}, {3, 0x0C, 0x0C}, {10, 0x0C, 0x0C}, {0x10, 0x0C, 0x0C}, {0xC0, 0x0C, 0x0C},
    };
    Start("registered.scn", std::string("drive shift open 1\ndrive ffd ") + (ffd105 ? "1.05" : "1.2") + "\n");
    for (const auto &c : cases) {
        int want = ffd105 ? c.ffd105 : c.ffd12;
        Open(c.type, want);
        if (want == 0)
            Cancel();
    }
}

TEST_F(ReceiptModelTest, ReceiptTypesOfFfd105) { TypesOn(true); }

TEST_F(ReceiptModelTest, ReceiptTypesOfFfd12) { TypesOn(false); }

// A receipt not printed: goods with their data and a fraction, a payment
// with its texts, a tag; counted, numbered, no tape.
TEST_F(ReceiptModelTest, ReceiptClosedWithoutPrinting)
{
    Start("registered.scn", "drive shift open 1\ndrive last-document 20\n");
    TMCommand c;
    ASSERT_GT(c.OpenDocument(0x80, "КАССИР", "7701234567", "5", "12", 2, 1, "СЧЕТ 1", "<1192>X|ПРИМЕЧАНИЕ"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ЧАЙ", "460", "10.00", "1/4", "0B", 1, 4, 33, 5, 7, "БАКАЛЕЯ", "<1191>Z"), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "2.50") << "10.00 x 1 / 4";
    ASSERT_EQ(Item("1.00", "1/3").Field(5), "0.33") << "rounded once";
    ASSERT_EQ(Item("2.00", "1/8").Field(5), "0.25") << "0.25 exactly, not 2.00 x 0.125 rounded twice";
    ASSERT_GT(c.AddTag(1008, "+79001234567"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddPayment(0x81, "3.08", "ДОП", "КОММ"), 0);
    r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "0.00");

    kktsim::DriveState open = sim_->Drive();
    ASSERT_EQ(open.items.size(), 3u);
    const kktsim::ReceiptItemData &x = open.items[0].extra;
    EXPECT_EQ(x.code, "460");
    EXPECT_EQ(x.quantityText, "1/4");
    EXPECT_EQ(x.unit, "0B");
    EXPECT_EQ(x.department, 7);
    EXPECT_EQ(x.tax, 1);
    EXPECT_EQ(x.method, 4);
    EXPECT_EQ(x.object, 33);
    EXPECT_EQ(x.agent, 5);
    EXPECT_EQ(x.departmentName, u8"БАКАЛЕЯ");
    EXPECT_EQ(x.tags, "<1191>Z");
    EXPECT_EQ(open.receipt.type, 0x80);
    EXPECT_EQ(open.receipt.copies, 2);
    EXPECT_EQ(open.receipt.taxMode, 1);
    EXPECT_EQ(open.receipt.operatorInn, "7701234567");
    EXPECT_EQ(open.receipt.account, u8"СЧЕТ 1");
    EXPECT_EQ(open.receipt.tags, u8"<1192>X|ПРИМЕЧАНИЕ");
    ASSERT_EQ(open.receipt.docTags.size(), 1u);
    EXPECT_EQ(open.receipt.docTags[0], "<1008>+79001234567");
    ASSERT_EQ(open.receipt.payments.size(), 1u);
    EXPECT_EQ(open.receipt.payments[0].type, 0x81);
    EXPECT_EQ(open.receipt.payments[0].add, u8"ДОП");
    EXPECT_EQ(open.payments[1], 308);

    r = Close();
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(5), "15000000") << "document 21";
    EXPECT_EQ(Paper(), "") << "nothing printed";
    kktsim::DriveState st = sim_->Drive();
    EXPECT_EQ(st.lastDocument, 21u);
    EXPECT_EQ(st.receiptTotals.notPrinted, 1u);
    EXPECT_EQ(st.shift.sums[0][1], 308);
    EXPECT_EQ(st.shift.documents[8], 1);
    EXPECT_EQ(st.docType, 0);
    EXPECT_TRUE(st.receipt.payments.empty()) << "the document's data goes with it";
    std::string journal = ReadFile(sim_->JournalPath());
    EXPECT_NE(journal.find("closed without printing"), std::string::npos);
}

// A receipt takes its time from the drive's clock, not the PC's; a shift
// opening keeps the time its request carries (the terminal's clock).
TEST_F(ReceiptModelTest, ReceiptTimeFollowsTheDrivesClock)
{
    Start("registered.scn", "drive clock 0203301415\n");
    TMCommand c;
    ASSERT_GT(c.OpenShift("ИВАНОВ", "", "", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_NE(sim_->Drive().lastDocumentTime.substr(0, 6), "020330");
    Open(0x00);
    ASSERT_EQ(Item("1.00", "1").error, 0);
    ASSERT_EQ(Pay(0, "1.00").error, 0);
    ASSERT_EQ(Close().error, 0);
    EXPECT_EQ(sim_->Drive().lastDocumentTime.substr(0, 8), "02033014");
}

// The tape of a printed receipt: title by type, each line with its data,
// document tags, payments (not those with bit 0x80), change, the numbers;
// as many times as copies.
TEST_F(ReceiptModelTest, TapeOfAPrintedReceipt)
{
    Start("registered.scn", "drive shift open 3\ndrive last-document 7\n");
    TMCommand c;
    ASSERT_GT(c.OpenDocument(2, "КАССИР", "", "", "", 2, 0, "", "<1192>X"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ХЛЕБ", "", "12.50", "2", "шт", 1, 4, 1, 0, 3, "", "<1191>Z"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddTag(1008, "a@b.ru"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_EQ(Pay(0x82, "5.00").error, 0);
    ASSERT_EQ(Pay(1, "20.00").error, 0);
    ASSERT_EQ(Close().error, 0);
    std::string paper = Paper();
    EXPECT_EQ(Count(paper, u8"ВОЗВРАТ ПРИХОДА"), 2) << paper;
    EXPECT_EQ(Count(paper, u8"  2 шт x 12.50"), 2) << paper;
    EXPECT_EQ(Count(paper, u8"НДС 10%"), 2);
    EXPECT_EQ(Count(paper, u8"ОТДЕЛ 3"), 2);
    EXPECT_EQ(Count(paper, "1191: Z"), 2);
    EXPECT_EQ(Count(paper, "1192: X"), 2);
    EXPECT_EQ(Count(paper, "1008: a@b.ru"), 2);
    EXPECT_EQ(Count(paper, u8"БЕЗНАЛИЧНЫМИ"), 2);
    EXPECT_EQ(Count(paper, u8"ПРЕДВАРИТЕЛЬНАЯ"), 0) << "a payment with bit 0x80 is not printed";
    EXPECT_EQ(Count(paper, u8"ФД"), 2);
    EXPECT_EQ(Count(paper, u8"ФП"), 2);
    EXPECT_NE(paper.find("268435464"), std::string::npos) << "the fiscal sign of document 8";
    EXPECT_EQ(sim_->Drive().shift.sums[1][2], 500) << "counted though not printed";
}

// Corrections count apart in 0x37 and 0x3D; returns of corrections only
// from FFD 1.1 on.
TEST_F(ReceiptModelTest, CorrectionsInTheCounters)
{
    Start("registered.scn", "drive shift open 1\ndrive drawer 100.00\ndrive ffd 1.2\n");
    for (uint8_t type : {6, 8, 7}) {
        Open(type);
        ASSERT_EQ(Item("10.00", "1").error, 0);
        ASSERT_EQ(Pay(0, "10.00").error, 0);
        ASSERT_EQ(Close().error, 0);
    }
    TMCommand c;
    ASSERT_GT(c.GetShiftTotals(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(9), "10.00") << "corrections of income";
    EXPECT_EQ(r.Field(10), "10.00") << "corrections of expense";
    EXPECT_EQ(r.Field(18), "10.00") << "running corrections of income";
    EXPECT_EQ(r.Field(5), "10.00") << "the money counts under its operation";
    kktsim::DriveState st = sim_->Drive();
    EXPECT_EQ(st.receiptTotals.corrections[1], 1000) << "correction of a return";
    EXPECT_EQ(st.shift.documents[3], 3);
    EXPECT_EQ(st.running[0], 0) << "the running totals of sales leave corrections out";
    EXPECT_NE(Paper().find(u8"КАССОВЫЙ ЧЕК КОРРЕКЦИИ"), std::string::npos);
    EXPECT_NE(Paper().find(u8"КОРРЕКЦИЯ ВОЗВРАТА ПРИХОДА"), std::string::npos);
}

// Every malformed field is refused with a registrar error, journaled, and
// leaves the state file as it was.
TEST_F(ReceiptModelTest, MalformedFieldsChangeNothing)
{
    Start("registered.scn", "drive shift open 1\n");
    Open(0);
    ASSERT_EQ(Item("1.00", "1").error, 0);
    using Build = std::function<int(TMCommand &)>;
    const struct {
        const char *what;
        Build build;
        int error;
    } cases[] = {
        {"three decimals of price", [](TMCommand &c) { return c.AddItem("A", "", "1.005", "1", "", 0, 0, 0, 0, 0, "", ""); }, 0x02},
        {"four decimals of quantity", [](TMCommand &c) { return c.AddItem("A", "", "1.00", "1.0005", "", 0, 0, 0, 0, 0, "", ""); }, 0x02},
        {"fraction over zero", [](TMCommand &c) { return c.AddItem("A", "", "1.00", "1/0", "", 0, 0, 0, 0, 0, "", ""); }, 0x02},
        {"fraction without a part", [](TMCommand &c) { return c.AddItem("A", "", "1.00", "/4", "", 0, 0, 0, 0, 0, "", ""); }, 0x02},
        {"tax rate 7", [](TMCommand &c) { return c.AddItem("A", "", "1.00", "1", "", 6, 0, 0, 0, 0, "", ""); }, 0x0C},
        {"payment object 34", [](TMCommand &c) { return c.AddItem("A", "", "1.00", "1", "", 0, 0, 34, 0, 0, "", ""); }, 0x0C},
        {"byte field of three bytes",
         [](TMCommand &c) {
             c.Begin(0x11);
             c.AddString("A", 0);
             c.AddString("", 0);
             c.AddRawString("1.00");
             c.AddRawString("1");
             c.AddString("", 0);
             c.AddRawString("010000");
             return c.End();
         },
         0x02},
        {"payment index 16", [](TMCommand &c) { return c.AddPayment(0x90, "1.00", "", ""); }, 0x27},
        {"payment of nothing", [](TMCommand &c) { return c.AddPayment(0, "0.00", "", ""); }, 0x11},
        {"tag 0", [](TMCommand &c) { return c.AddTag(0, "x"); }, 0x02},
        {"receipt inside a receipt", [](TMCommand &c) { return c.OpenDocument(0, "A", "", "", "", 1, 0, "", ""); }, 0x0D},
        {"close before payment", [](TMCommand &c) { return c.CloseDocument(); }, 0x0D},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        std::string before = State();
        TMCommand c;
        ASSERT_GT(k.build(c), 0);
        EXPECT_EQ(Exec(c).error, k.error);
        EXPECT_EQ(State(), before);
    }
    std::string journal = ReadFile(sim_->JournalPath());
    EXPECT_NE(journal.find("refused with error 27"), std::string::npos);

    Cancel();
    std::string before = State();
    TMCommand c;
    ASSERT_GT(c.AddTag(1008, "x"), 0);
    EXPECT_EQ(Exec(c).error, 0x0D) << "a tag needs an open document";
    EXPECT_EQ(State(), before);
}

// "fault 11 refuse 7E after 2": two goods lines go through, the third is
// refused and changes nothing; "times 1" lets the fourth through.
TEST_F(ReceiptModelTest, ScenarioRefusesTheThirdItem)
{
    Start("registered.scn", "drive shift open 1\nfault 11 refuse 7E after 2 times 1\n");
    Open(0);
    ASSERT_EQ(Item("1.00", "1").error, 0);
    ASSERT_EQ(Item("2.00", "1").error, 0);
    std::string before = State();
    Result r = Item("3.00", "1");
    EXPECT_EQ(r.error, 0x7E);
    EXPECT_EQ(r.status & 0x0007, 1) << "the receipt stays open for the annulment";
    EXPECT_EQ(State(), before);
    r = Item("3.00", "1");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.Field(6), "6.00");
    std::string journal = ReadFile(sim_->JournalPath());
    EXPECT_EQ(Count(journal, "fault refuse"), 1);
}

TEST_F(ReceiptModelTest, RefusalStatementsOfAScenario)
{
    const struct {
        const char *line;
        bool ok;
    } cases[] = {
        {"fault 11 refuse 7E", true},
        {"fault 11 refuse 7E after 2", true},
        {"fault 11 refuse 7E times 3 after 0", true},
        {"fault 11 refuse", false},
        {"fault 11 refuse 00", false},
        {"fault 11 refuse 7G", false},
        {"fault 11 refuse 7E after", false},
        {"fault 11 refuse 7E after x", false},
        {"fault 11 refuse 7E after 1 after 2", false},
        {"fault 11 refuse 7E times 0", false},
        {"fault 11 delay 10 after 2", false},
    };
    for (const auto &c : cases) {
        kktsim::Scenario s;
        std::string error;
        EXPECT_EQ(kktsim::ParseScenario(std::string("mode normal\n") + c.line + "\n", s, &error), c.ok) << c.line;
        if (!c.ok) {
            EXPECT_EQ(error.substr(0, 7), "line 2:") << c.line << ": " << error;
        }
    }
    kktsim::Scenario s;
    ASSERT_TRUE(kktsim::ParseScenario("fault 14 refuse 3F after 5 times 2\n", s, nullptr));
    const kktsim::Fault &f = s.faults.at(0x14);
    EXPECT_EQ(f.kind, kktsim::FaultKind::Refuse);
    EXPECT_EQ(f.error, 0x3F);
    EXPECT_EQ(f.after, 5);
    EXPECT_EQ(f.times, 2);
}

// The receipt's members go to the state file and back; a file without them
// (the former shape) still reads, its open receipt typed by its operation.
TEST_F(ReceiptModelTest, StateFileKeepsTheReceiptAndReadsTheFormerShape)
{
    kktsim::DriveState s;
    s.shiftOpen = true;
    s.docType = 3;
    kktsim::ReceiptItem item{u8"ТОВАР", 100, 250, 25, {}};
    item.extra.quantityText = "1/4";
    item.extra.code = "C";
    item.extra.agent = 3;
    item.extra.tags = "<1191>Z";
    s.items.push_back(item);
    s.receipt.type = 0x88;
    s.receipt.copies = 3;
    s.receipt.docTags = {"<1008>x"};
    kktsim::ReceiptPayment p;
    p.type = 0x81;
    p.amount = 25;
    p.comment = u8"К";
    s.receipt.payments.push_back(p);
    s.receiptTotals.corrections[3] = 99;
    s.receiptTotals.notPrinted = 4;

    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), s.ToJson());
    EXPECT_EQ(back.items[0].extra.quantityText, "1/4");
    EXPECT_EQ(back.receipt.payments[0].comment, u8"К");

    // the former shape: no "receipt" member
    std::string former = s.ToJson();
    size_t at = former.find("  \"receipt\": ");
    size_t end = former.find("\n  \"resume_needed\"");
    ASSERT_NE(at, std::string::npos);
    former.erase(at, end - at + 1);
    ASSERT_EQ(former.find("receipt\""), std::string::npos);
    kktsim::DriveState old;
    ASSERT_TRUE(old.FromJson(former, &error)) << error;
    EXPECT_EQ(old.docType, 3);
    EXPECT_EQ(old.receipt.type, 4) << "an expense receipt";
    EXPECT_EQ(old.items.size(), 1u);

    std::string bad = s.ToJson();
    bad.replace(bad.find("\"not_printed\": 4"), 16, "\"not_printed\": \"4\"");
    kktsim::DriveState untouched;
    EXPECT_FALSE(untouched.FromJson(bad, &error));
    EXPECT_NE(error.find("not_printed"), std::string::npos);
}

} // namespace modeltest
