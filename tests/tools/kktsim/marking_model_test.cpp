// Marked goods in the fiscal-drive model: the check of a code through the
// drive and the marking server's answer, self-check and autonomous drives,
// commands out of order refused and journaled with nothing changed, the
// code of a goods line on the tape, and the state file.
#include "ModelFixture.h"

#include "JsonLines.h"
#include "KktJson.h"
#include "KktScenario.h"

namespace modeltest {
namespace {

const char *kMarking = "drive ffd 1.2\ndrive marking 100\ndrive mark-fields 2\ndrive shift open\n";
const std::string kCode = std::string("0104600000000017215ABCDEFGHIJKL") + '\x1d' + "91EE06" + '\x1d' + "92abc=";

std::string Hex(const std::string &bytes) { return jsonl::Hex(bytes); }

class MarkingModel : public ModelTest {
protected:
    void On(const std::string &extra = "") { Start("registered.scn", kMarking + extra); }

    Result Status()
    {
        TMCommand c;
        EXPECT_GT(c.GetMarkStatus(), 0);
        return Exec(c);
    }
    Result Code(const std::string &code = kCode)
    {
        TMCommand c;
        EXPECT_GT(c.SendMarkCode(3, code.data(), static_cast<int>(code.size()), 33, 40), 0);
        return Exec(c);
    }
    // The check request's body (field 5 decoded), or the result in
    // self-check mode.
    Result Request(std::string *body = nullptr)
    {
        TMCommand c;
        EXPECT_GT(c.CreateMarkNotice(1, 0, "1", "0", 0), 0);
        Result r = Exec(c);
        if (body && r.error == 0) {
            std::string b(c.FieldLength(5) / 2, '\0');
            c.FieldBytes(5, reinterpret_cast<uint8_t *>(&b[0]), static_cast<uint32_t>(b.size()));
            *body = b;
        }
        return r;
    }
    Result Answer(const std::string &body)
    {
        TMCommand c;
        EXPECT_GT(c.SaveMarkReply(body.data(), static_cast<int>(body.size())), 0);
        return Exec(c);
    }
    Result Save(uint8_t keep)
    {
        TMCommand c;
        EXPECT_GT(c.SaveMarkResult(keep), 0);
        return Exec(c);
    }
    Result Reset()
    {
        TMCommand c;
        EXPECT_GT(c.MarkCheckReset(), 0);
        return Exec(c);
    }
    Result ItemCode(const std::string &code = kCode, uint16_t tag = 1305)
    {
        TMCommand c;
        EXPECT_GT(c.MarkCheckCode(tag, code.data(), static_cast<int>(code.size()), 31, 0, 3, 1, 0, 15), 0);
        return Exec(c);
    }
    // The journal lines of the refusals so far.
    std::vector<std::string> Refusals()
    {
        std::vector<std::string> out;
        std::istringstream in(ReadFile(sim_->JournalPath()));
        for (std::string line; std::getline(in, line);)
            if (line.find("refused with error") != std::string::npos)
                out.push_back(line);
        return out;
    }
};

std::string AnswerBody(const std::string &verdict, const std::string &code = kCode)
{
    return "KMRESULT " + verdict + " " + Hex(code) + "\n";
}

TEST_F(MarkingModel, CheckThroughTheServerGivesTheVerdictsResult)
{
    On();
    struct Case {
        const char *verdict;
        int result;
    } cases[] = {{"ACCEPT", 0x0F}, {"REJECT", 0x07}, {"NONE", 0x03}};
    for (const Case &k : cases) {
        SCOPED_TRACE(k.verdict);
        EXPECT_EQ(Status().Field(5), "00");
        Result code = Code();
        ASSERT_EQ(code.error, 0);
        EXPECT_EQ(code.Field(5), "03");
        EXPECT_EQ(Status().Field(5), "01");
        std::string body;
        ASSERT_EQ(Request(&body).error, 0);
        EXPECT_EQ(body, "KMCHECK " + Hex(kCode) + "\n");
        // the server's answer may come padded with zeros
        Result answer = Answer(AnswerBody(k.verdict) + std::string(7, '\0'));
        ASSERT_EQ(answer.error, 0);
        char want[3];
        snprintf(want, sizeof want, "%02X", k.result);
        EXPECT_EQ(answer.Field(5), want);
        Result saved = Save(1);
        ASSERT_EQ(saved.error, 0);
        EXPECT_EQ(saved.Field(5), want);
        EXPECT_EQ(Status().Field(5), "00");
    }
    EXPECT_EQ(Status().Field(6), "01"); // the one code, kept once
    EXPECT_EQ(Reset().error, 0);
    EXPECT_EQ(Status().Field(6), "00");
}

TEST_F(MarkingModel, TheDrivesOwnVerdictAndABadAnswer)
{
    On("drive mark-result 01\n");
    EXPECT_EQ(Code().Field(5), "01");
    ASSERT_EQ(Request().error, 0);
    EXPECT_EQ(Answer(AnswerBody("ACCEPT", "0000")).error, 0x90);
    for (const std::string &bad : {std::string("KMRESULT MAYBE ") + Hex(kCode) + "\n", std::string("garbage"),
                                   AnswerBody("ACCEPT") + "tail", AnswerBody("ACCEPT").substr(0, 20)})
        EXPECT_EQ(Answer(bad).error, 0x79) << bad;
    // none of the refusals moved the check on
    EXPECT_EQ(Answer(AnswerBody("ACCEPT")).Field(5), "0D");
}

TEST_F(MarkingModel, CommandsOutOfOrderAreRefusedJournaledAndChangeNothing)
{
    On();
    std::string before = State();
    EXPECT_EQ(Request().error, 0x72);
    EXPECT_EQ(Answer(AnswerBody("ACCEPT")).error, 0x72);
    EXPECT_EQ(Save(1).error, 0x72);
    EXPECT_EQ(ItemCode().error, 0x72); // no receipt open
    EXPECT_EQ(State(), before);
    ASSERT_EQ(Code().error, 0);
    EXPECT_EQ(Answer(AnswerBody("ACCEPT")).error, 0x72); // 0x25 before 0x24
    EXPECT_EQ(Save(2).error, 0x79);
    std::vector<std::string> refusals = Refusals();
    ASSERT_EQ(refusals.size(), 6u);
    EXPECT_NE(refusals[0].find("0x24 needs a code from 0x26"), std::string::npos) << refusals[0];
    EXPECT_NE(refusals[3].find("0x21 outside a receipt"), std::string::npos) << refusals[3];
    // a new code drops the unfinished check
    std::string other = kCode;
    other[19] = 'Z';
    ASSERT_EQ(Code(other).error, 0);
    ASSERT_EQ(Request().error, 0);
}

// The drive keeps at most 100 checked codes; one it keeps already may be
// checked again.
TEST_F(MarkingModel, TheTableOfCheckedCodesIsFull)
{
    On();
    sim_->UpdateDrive([](kktsim::DriveState &s) {
        for (int i = 0; i < 99; ++i)
            s.marking.kept.push_back("code " + std::to_string(i));
    });
    ASSERT_EQ(Code().error, 0);
    EXPECT_EQ(Save(1).error, 0);
    ASSERT_EQ(Code().error, 0);
    EXPECT_EQ(Save(1).error, 0) << "the same code again";
    std::string other = kCode;
    other[20] = 'Z';
    ASSERT_EQ(Code(other).error, 0);
    EXPECT_EQ(Save(1).error, 0xA5);
    EXPECT_EQ(Save(0).error, 0) << "declined, it needs no place";
    EXPECT_EQ(sim_->Drive().marking.kept.size(), 100u);
}

TEST_F(MarkingModel, WithoutMarkingTheCommandsAreForbidden)
{
    Start("registered.scn", "drive shift open\ndrive marking 100\n"); // FFD 1.05
    EXPECT_EQ(Code().error, 0xA2);
    EXPECT_EQ(Reset().error, 0xA2);
    EXPECT_EQ(Status().error, 0); // the probe of the registration wizard
}

TEST_F(MarkingModel, SelfCheckAndAutonomousDrives)
{
    On("drive self-check on\n");
    Result st = Status();
    EXPECT_EQ(st.status & 0x2000, 0x2000);
    ASSERT_EQ(Code().error, 0);
    Result self = Request();
    ASSERT_EQ(self.error, 0);
    EXPECT_EQ(self.Field(5), "0F");
    EXPECT_EQ(Answer(AnswerBody("ACCEPT")).error, 0x72);
    EXPECT_EQ(Save(1).Field(5), "0F");

    sim_->UpdateDrive([](kktsim::DriveState &s) {
        s.marking.selfCheck = false;
        s.regFlags = 0x02;
    });
    EXPECT_EQ(Status().status & 0x2000, 0);
    ASSERT_EQ(Code().error, 0);
    EXPECT_EQ(Request().error, 0x72);
    EXPECT_EQ(Save(1).Field(5), "03");
}

TEST_F(MarkingModel, TheCodeOfAGoodsLineGoesOntoTheTapeAndIntoTheReceiptsList)
{
    On();
    TMCommand c;
    ASSERT_GT(c.OpenDocument(0, "КАССИР", "", "", "", 1, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_EQ(ItemCode(kCode, 1299).error, 0x79);
    ASSERT_EQ(ItemCode().error, 0);
    EXPECT_EQ(ItemCode().error, 0x72); // one code per goods line
    ASSERT_GT(c.AddItem("ТОВАР", "", "10.00", "1", "", 0, 4, 1, 0, 33, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.AddItem("ПАКЕТ", "", "1.00", "1", "", 0, 4, 1, 0, 1, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    kktsim::DriveState s = sim_->Drive();
    ASSERT_EQ(s.marking.receiptCodes.size(), 1u);
    EXPECT_EQ(s.marking.receiptCodes[0], kCode);
    EXPECT_EQ(s.items[1].extra.markCode, "");
    ASSERT_GT(c.AddPayment(0, "11.00", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.CloseDocument(), 0);
    ASSERT_EQ(Exec(c).error, 0);
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"  КМ 0104600000000017215ABCDEFGH\n"), std::string::npos) << paper;
    EXPECT_NE(paper.find("     IJKL<GS>91EE06<GS>92abc=\n"), std::string::npos) << paper;
    // the list stays for the closed receipt until the next one opens
    EXPECT_EQ(sim_->Drive().marking.receiptCodes.size(), 1u);
    ASSERT_GT(c.OpenDocument(0, "КАССИР", "", "", "", 1, 0, "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    EXPECT_TRUE(sim_->Drive().marking.receiptCodes.empty());
}

TEST_F(MarkingModel, StatementsAndTheStateFile)
{
    for (const char *bad : {"drive self-check maybe", "drive mark-result 1", "drive mark-result XY"}) {
        kktsim::Scenario s;
        std::string error;
        EXPECT_FALSE(kktsim::ParseScenario(bad, s, &error)) << bad;
        EXPECT_NE(error.find("drive"), std::string::npos) << error;
    }
    kktsim::DriveState s;
    s.marking.selfCheck = true;
    s.marking.localResult = 0x01;
    s.marking.check.step = kktsim::MarkCheck::kRequest;
    s.marking.check.code = kCode;
    s.marking.kept = {kCode, "abc"};
    s.marking.pending = "x\x1dy";
    s.marking.receiptCodes = {kCode};
    kktsim::DriveState back;
    std::string why;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &why)) << why;
    EXPECT_EQ(back.marking.selfCheck, true);
    EXPECT_EQ(back.marking.localResult, 0x01);
    EXPECT_EQ(back.marking.check.step, kktsim::MarkCheck::kRequest);
    EXPECT_EQ(back.marking.check.code, kCode);
    EXPECT_EQ(back.marking.kept, s.marking.kept);
    EXPECT_EQ(back.marking.pending, s.marking.pending);
    EXPECT_EQ(back.marking.receiptCodes, s.marking.receiptCodes);
    // a file of the former shape keeps the defaults
    kktsim::DriveState old;
    ASSERT_TRUE(old.FromJson("{\"phase\": 3}", &why)) << why;
    EXPECT_EQ(old.marking.localResult, 0x03);
    for (const char *bad : {"{\"marking\": 1}", "{\"marking\": {\"kept\": [\"0G\"]}}",
                            "{\"marking\": {\"check\": {\"step\": 9, \"code\": \"\", \"result\": 0}}}",
                            "{\"marking\": {\"pending\": \"123\"}}"}) {
        std::string error;
        EXPECT_FALSE(back.FromJson(bad, &error)) << bad;
        EXPECT_NE(error.find("bad member"), std::string::npos) << error;
    }
}

} // namespace
} // namespace modeltest
