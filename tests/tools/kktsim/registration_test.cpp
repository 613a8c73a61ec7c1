// Registration on the fiscal-drive model: the three layouts of 0x04, what
// the drive answers afterwards (tags, totals, cash-register data), the
// tape, the refusals, the probe answers and the statements and state-file
// members that stage a last registration.
#include "ModelFixture.h"

#include "KktDrive.h"
#include "KktDriveRegistration.h"
#include "KktScenario.h"

#include <functional>

namespace modeltest {
namespace {

// A registration request of one layout (2 FFD 1.05, 3 FFD 1.1, 4 FFD 1.2)
// with the values a wizard sends; members change single fields.
struct Request {
    int layout = 2;
    const char *inn = "7701234567";
    const char *number = "0000000002054321";
    const char *sequence = "2";
    uint32_t modes = 0; // the command's layout, without the version bit
    const char *ofdInn = "7704358518";
    uint8_t reason = 0;
    uint32_t mask = 0;
    uint8_t agents = 0;
    const char *automat = "";

    int Build(TMCommand &c) const
    {
        switch (layout) {
        case 4:
            return c.Register12("ООО ТЕСТ", inn, 0x05, number, modes | 0x4000000, automat, "ИВАНОВ", "7712345678",
                                "г. Москва", ofdInn, sequence, reason, 0, 0, "ОФД-ТЕСТ", "a@b.ru", "nalog.gov.ru",
                                "Магазин", mask, "ОСН1274", "ДАН1275");
        case 3:
            return c.Register11("ООО ТЕСТ", inn, 0x05, number, static_cast<uint16_t>(modes | 0x4000), automat,
                                "ИВАНОВ", "7712345678", "г. Москва", ofdInn, sequence, reason, 0, agents, "ОФД-ТЕСТ",
                                "a@b.ru", "nalog.gov.ru", "Магазин", mask);
        default:
            return c.Register("ООО ТЕСТ", inn, 0x05, number, static_cast<uint16_t>(modes), automat, "ИВАНОВ",
                              "7712345678", "г. Москва", ofdInn, sequence, reason, 0, agents, "ОФД-ТЕСТ", "a@b.ru",
                              "nalog.gov.ru", "Магазин");
        }
    }
};

const char *firmwareOf(int layout) { return layout == 4 ? "K120400" : layout == 3 ? "K110340" : "K105320"; }

class RegistrationModel : public ModelTest {
protected:
    Result Register(const Request &r)
    {
        TMCommand c;
        EXPECT_GT(r.Build(c), 0);
        Result res = Exec(c);
        EXPECT_EQ(res.rc, 0);
        return res;
    }
    Result Tag(uint16_t tag)
    {
        TMCommand c;
        EXPECT_GT(c.GetRegParam(tag), 0);
        return Exec(c);
    }
    Result Totals()
    {
        TMCommand c;
        EXPECT_GT(c.GetRegTotals(), 0);
        return Exec(c);
    }
    std::string Journal() { return ReadFile(sim_->JournalPath()); }

    // The drive as the scenario made it, changed by `change`: one stand-in
    // serves every case of a table. Returns where the paper log ends.
    size_t Fresh(const std::function<void(kktsim::DriveState &)> &change)
    {
        if (!started_) {
            baseline_ = sim_->Drive();
            started_ = true;
        }
        sim_->UpdateDrive([&](kktsim::DriveState &s) {
            s = baseline_;
            if (change)
                change(s);
        });
        return Paper().size();
    }

private:
    kktsim::DriveState baseline_;
    bool started_ = false;
};

// Each layout on a controller that offers it: the drive is fiscal with the
// request's values, tag 1209 names the layout, the work modes come back as
// the cash register reads them, and 0x97 gives the new number and INN.
TEST_F(RegistrationModel, EachLayoutRegistersAFreshDrive)
{
    const struct {
        int layout;
        uint32_t modes;      // the command's layout
        const char *field9;  // 0x8F: the work-mode byte
        const char *t1207, *t1193, *t1126;
        const char *t1290;
        size_t totals;       // data fields of 0x8F
    } cases[] = {
        // encryption, automatic, excise (0x100), lottery (0x400)
        {2, 0x0505, "05", "01", "00", "01", "00000000", 7},
        {3, 0x0202, "02", "00", "01", "00", "00000000", 10},
        // autonomous, services; usage: marking (bit 12 = item 1), wholesale
        // (bit 7 = item 6); gambling (0x200)
        {4, 0x000A | 0x1000 | 0x80 | 0x200, "0A", "00", "01", "00", "00070100", 10},
    };
    Start("unregistered.scn");
    for (const auto &k : cases) {
        SCOPED_TRACE(k.layout);
        size_t from = Fresh([&](kktsim::DriveState &s) { s.firmware = firmwareOf(k.layout); });
        Request r;
        r.layout = k.layout;
        r.modes = k.modes;
        r.agents = k.layout == 4 ? 0 : 0x11;
        r.automat = "A17";
        ASSERT_EQ(Register(r).error, 0) << Journal();
        EXPECT_EQ(Tag(1209).Field(5), std::string(k.layout == 4 ? "04" : k.layout == 3 ? "03" : "02"));
        Result t = Totals();
        ASSERT_EQ(t.error, 0);
        EXPECT_EQ(t.data.size(), k.totals);
        EXPECT_EQ(t.Field(6), "7701234567");
        EXPECT_EQ(t.Field(7), "0000000002054321");
        EXPECT_EQ(t.Field(8), "05");
        EXPECT_EQ(t.Field(9), k.field9);
        EXPECT_EQ(t.Field(10), "02000000"); // the second fiscal document
        EXPECT_EQ(Tag(1207).Field(5), k.t1207);
        EXPECT_EQ(Tag(1193).Field(5), k.t1193);
        EXPECT_EQ(Tag(1126).Field(5), k.t1126);
        EXPECT_EQ(Tag(1290).Field(5), k.t1290);
        EXPECT_EQ(Tag(1057).Field(5), k.layout == 4 ? "00" : "11");
        EXPECT_EQ(Tag(1021).Field(5), u8"ИВАНОВ");
        EXPECT_EQ(Tag(1203).Field(5), "7712345678");
        EXPECT_EQ(Tag(1017).Field(5), "7704358518");
        EXPECT_EQ(Tag(1046).Field(5), u8"ОФД-ТЕСТ");
        EXPECT_EQ(Tag(1117).Field(5), "a@b.ru");
        EXPECT_EQ(Tag(1060).Field(5), "nalog.gov.ru");
        EXPECT_EQ(Tag(1187).Field(5), u8"Магазин");
        EXPECT_EQ(Tag(1009).Field(5), u8"г. Москва");
        EXPECT_EQ(Tag(1048).Field(5), u8"ООО ТЕСТ");
        EXPECT_EQ(Tag(1036).Field(5), "A17");
        EXPECT_EQ(Tag(1274).error, k.layout == 4 ? 0 : 0x78);
        if (k.layout == 4) {
            EXPECT_EQ(Tag(1275).Field(5), u8"ДАН1275");
        }
        TMCommand info;
        ASSERT_GT(info.GetKktInfo(), 0);
        Result i = Exec(info);
        EXPECT_EQ(i.Field(8), "0000000002054321");
        EXPECT_EQ(i.Field(9), "7701234567");
        EXPECT_EQ(i.fatal & 0x08, 0x08);
        std::string paper = Paper().substr(from);
        EXPECT_NE(paper.find(u8"ОТЧЕТ О РЕГИСТРАЦИИ"), std::string::npos) << paper;
        EXPECT_EQ(paper.find(u8"ОТЧЕТ ОБ ИЗМ."), std::string::npos) << paper;
        EXPECT_NE(paper.find(u8"ФФД"), std::string::npos);
    }
}

// A re-registration uses up one of those left, keeps the reason codes for
// 0x8F field 14 and prints the change report with the reasons.
TEST_F(RegistrationModel, ReregistrationUsesOneUpAndPrintsTheReasons)
{
    Start("registered.scn", "drive firmware K110340\ndrive reregistrations 3\n");
    Request r;
    r.layout = 3;
    r.reason = 2;
    r.mask = 0x80000002; // the OFD changed; the FFD version changed
    ASSERT_EQ(Register(r).error, 0) << Journal();
    EXPECT_EQ(sim_->Drive().reregistrationsLeft, 2);
    EXPECT_EQ(Totals().Field(14), "02000080");
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ"), std::string::npos) << paper;
    EXPECT_NE(paper.find("02000080"), std::string::npos) << paper;
    TMCommand shift;
    ASSERT_GT(shift.GetShiftState(), 0);
    EXPECT_EQ(Exec(shift).Field(5), "02");
}

// Refusals leave the drive as it was, print nothing and name their reason
// in the journal.
TEST_F(RegistrationModel, RefusalsChangeAndPrintNothing)
{
    using Drive = kktsim::DriveState;
    const struct {
        const char *name;
        std::function<void(Drive &)> drive;
        std::function<void(Request &)> change;
        int error;
        const char *note;
    } cases[] = {
        {"shift open", [](Drive &s) { s.shiftOpen = true; }, nullptr, 0x15, "the shift is open"},
        {"closed drive", [](Drive &s) { s.phase = 0x07; }, nullptr, 0x70, "closed"},
        {"archive drive", [](Drive &s) { s.phase = 0x0F; }, nullptr, 0x70, "closed"},
        {"none left", [](Drive &s) { s.reregistrationsLeft = 0; }, nullptr, 0x1D, "no re-registrations left"},
        {"layout above the level", nullptr, [](Request &r) { r.layout = 4; }, 0x71, "above the controller's level"},
        {"FFD 1.1 on a 1.05 controller", nullptr, [](Request &r) { r.layout = 3; }, 0x71, "above"},
        {"model version reason", [](Drive &s) { s.firmware = "K110340"; },
         [](Request &r) {
             r.layout = 3;
             r.reason = 4;
             r.mask = 0x40;
         },
         0x0C, "new cash-register version"},
        {"INN of 11 digits", nullptr, [](Request &r) { r.inn = "77012345678"; }, 0x02, "user INN"},
        {"short padded number", nullptr, [](Request &r) { r.number = "2054321"; }, 0x02, "registration number"},
        {"sequence part not of the number", nullptr, [](Request &r) { r.sequence = "3"; }, 0x02, "sequence part"},
        {"no OFD INN online", nullptr, [](Request &r) { r.ofdInn = ""; }, 0x02, "OFD INN"},
        {"FFD 1.1 without its bit", [](Drive &s) { s.firmware = "K110340"; },
         [](Request &r) {
             r.layout = 2;
             r.modes = 0x4000;
         },
         0x02, "work modes"},
    };
    Start("registered.scn");
    for (const auto &k : cases) {
        SCOPED_TRACE(k.name);
        size_t from = Fresh(k.drive);
        std::string before = State();
        size_t notes = Journal().size();
        Request r;
        if (k.change)
            k.change(r);
        Result res = Register(r);
        EXPECT_EQ(res.error, k.error);
        EXPECT_EQ(State(), before);
        EXPECT_EQ(Paper().size(), from);
        std::string journal = Journal().substr(notes);
        EXPECT_NE(journal.find(k.note), std::string::npos) << journal;
    }
}

// Autonomous mode may leave the OFD's INN out.
TEST_F(RegistrationModel, AutonomousDriveNeedsNoOfd)
{
    Start("unregistered.scn");
    Request r;
    r.ofdInn = "";
    r.modes = 0x02;
    EXPECT_EQ(Register(r).error, 0) << Journal();
    EXPECT_EQ(Totals().Field(9), "02");
}

TEST_F(RegistrationModel, ClockAndMarkingProbe)
{
    Start("registered.scn", "drive mark-fields 3\n");
    TMCommand c;
    ASSERT_GT(c.SetDateTime("290228", "2359"), 0);
    EXPECT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.SetDateTime("300228", "1200"), 0);
    EXPECT_EQ(Exec(c).error, 3);
    ASSERT_GT(c.SetDateTime("010127", "2400"), 0);
    EXPECT_EQ(Exec(c).error, 3);
    ASSERT_GT(c.GetMarkStatusOf(0), 0);
    Result probe = Exec(c);
    EXPECT_EQ(probe.error, 0);
    EXPECT_EQ(probe.data.size(), 3u);
    sim_->UpdateDrive([](kktsim::DriveState &s) { s.markFields = 0; });
    ASSERT_GT(c.GetMarkStatusOf(0), 0);
    EXPECT_EQ(Exec(c).data.size(), 0u);
}

// The statements stage a last registration that the tag and totals reads
// give back; a bad one names its line.
TEST_F(RegistrationModel, StatementsStageALastRegistration)
{
    Start("registered.scn", u8"drive ffd 1.1\ndrive tag 1046 ОФД ПЕРВЫЙ\ndrive tag 1207 01\n"
                            "drive tag 1062 03\ndrive reason-codes 04000000\n");
    EXPECT_EQ(Tag(1046).Field(5), u8"ОФД ПЕРВЫЙ");
    EXPECT_EQ(Tag(1207).Field(5), "01");
    EXPECT_EQ(Tag(1062).Field(5), "03");
    EXPECT_EQ(Totals().Field(14), "04000000");

    const struct {
        const char *line;
        const char *why;
    } bad[] = {
        {"drive tag 1046", "drive tag NNNN VALUE"},
        {"drive tag 0 X", "drive tag NNNN VALUE"},
        {"drive tag 70000 X", "drive tag NNNN VALUE"},
        {"drive tag 1062 3", "byte in hex"},
        {"drive tag 1290 0001", "double word"},
        {"drive reason-codes 0400", "8 hex digits"},
        {"drive reason-codes 0400000G", "8 hex digits"},
        {"drive mark-fields 33", "0 to 32"},
    };
    for (const auto &b : bad) {
        kktsim::Scenario s;
        std::string error;
        EXPECT_FALSE(kktsim::ParseScenario(std::string("mode normal\n") + b.line + "\n", s, &error)) << b.line;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
        EXPECT_NE(error.find(b.why), std::string::npos) << error;
    }
}

// The new members go to the state file and come back; a file of the
// former shape (without them) still reads, keeping the defaults.
TEST_F(RegistrationModel, StateFileKeepsTheRegistration)
{
    kktsim::DriveState s;
    s.regTags[1046] = u8"ОФД \"Я\"";
    s.regTags[1207] = "01";
    s.reasonCodes = 0x80000002;
    s.markFields = 4;
    std::string json = s.ToJson();
    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(json, &error)) << error;
    EXPECT_EQ(back.regTags, s.regTags);
    EXPECT_EQ(back.reasonCodes, 0x80000002u);
    EXPECT_EQ(back.markFields, 4);
    EXPECT_EQ(back.ToJson(), json);

    kktsim::DriveState old;
    ASSERT_TRUE(old.FromJson("{\"phase\": 3, \"inn\": \"7701234567\"}", &error)) << error;
    EXPECT_TRUE(old.regTags.empty());
    EXPECT_EQ(old.markFields, 1);

    for (const char *bad : {"{\"reg_tags\": []}", "{\"reg_tags\": {\"x\": \"1\"}}", "{\"reg_tags\": {\"0\": \"1\"}}",
                            "{\"reg_tags\": {\"1046\": 5}}", "{\"reason_codes\": -1}", "{\"mark_fields\": 40}"}) {
        kktsim::DriveState n;
        EXPECT_FALSE(n.FromJson(bad, &error)) << bad;
    }
}

} // namespace
} // namespace modeltest
