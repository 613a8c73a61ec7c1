// The controller's settings in the fiscal-drive model: its clock, the head
// and tail lines and what every printed document carries of them, their
// `drive` statements and their member of the state file.
#include "ModelFixture.h"

#include <functional>

#include "KktDrive.h"
#include "KktDriveSettings.h"
#include "KktScenario.h"

namespace {

using modeltest::Exec;
using modeltest::ModelTest;
using modeltest::Result;

// 15.03.2026 10:30:00 local time.
time_t Noon()
{
    struct tm t = {};
    t.tm_mday = 15;
    t.tm_mon = 2;
    t.tm_year = 126;
    t.tm_hour = 10;
    t.tm_min = 30;
    t.tm_isdst = -1;
    return mktime(&t);
}

TEST(DriveClock, OffsetsMoveTheClockToTheDateSet)
{
    struct Case {
        const char *date, *time;
        bool ok;
    } cases[] = {
        {"150326", "1030", true}, {"290228", "0000", true},  {"010127", "2359", true}, {"311226", "0000", true},
        {"290227", "1200", false}, {"310426", "1200", false}, {"000126", "1200", false}, {"151326", "1200", false},
        {"150326", "2400", false}, {"150326", "1060", false}, {"15032", "1200", false},  {"150326", "12a0", false},
    };
    for (const Case &c : cases) {
        int64_t offset = 77;
        EXPECT_EQ(kktsim::ClockOffsetFor(c.date, c.time, Noon(), offset), c.ok) << c.date << " " << c.time;
        if (!c.ok) {
            EXPECT_EQ(offset, 77) << c.date;
            continue;
        }
        kktsim::DriveState s;
        s.settings.clockOffset = offset;
        EXPECT_EQ(kktsim::DriveClock(s, Noon()), std::string(c.date) + c.time);
        EXPECT_EQ(kktsim::DriveClock(s, Noon() + 59), std::string(c.date) + c.time);
    }
}

TEST_F(ModelTest, TheClockIsSetAndAnsweredAndBadDatesAreRefused)
{
    Start("registered.scn"); // the last fiscal document at 01.01.26 09:00
    TMCommand c;
    struct Case {
        const char *date, *time;
        int error;
    } refused[] = {
        {"300226", "1200", 0x03}, // no 30 February
        {"310426", "1200", 0x03}, // April has 30 days
        {"150326", "2400", 0x03},
        {"311225", "2359", 0x03}, // before the last fiscal document
        {"010126", "0859", 0x03},
    };
    int64_t before = sim_->Drive().settings.clockOffset;
    for (const Case &r : refused) {
        ASSERT_GT(c.SetDateTime(r.date, r.time), 0);
        EXPECT_EQ(Exec(c).error, r.error) << r.date << " " << r.time;
        EXPECT_EQ(sim_->Drive().settings.clockOffset, before) << r.date;
    }

    ASSERT_GT(c.SetDateTime("010126", "0900"), 0); // the last document's minute itself
    EXPECT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.SetDateTime("311227", "2358"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetDateTime(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    // The clock runs on from the minute set: the next minute or the year's
    // turn may come in between.
    EXPECT_TRUE(r.Field(5) + r.Field(6) == "3112272358" || r.Field(5) + r.Field(6) == "3112272359" ||
                r.Field(5) + r.Field(6) == "0101280000")
        << r.Field(5) << " " << r.Field(6);
    EXPECT_NE(State().find("\"clock_offset\": "), std::string::npos);
}

TEST_F(ModelTest, HeadAndTailAreWrittenAnsweredAndPrintedOnEveryDocument)
{
    Start("registered.scn", "drive tail 4 ДО ВСТРЕЧИ\n");
    TMCommand c;
    const char *header[4] = {"МАГАЗИН \"У ДОМА\"", "", "ТЕЛ. 123-45-67", "ЗАХОДИТЕ"};
    ASSERT_GT(c.SetHeader(header, 4), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetHeader(), 0);
    Result r = Exec(c);
    ASSERT_EQ(r.error, 0);
    // The header goes into lines 2 to 5 behind the alignment blank.
    EXPECT_EQ(r.data, (std::vector<std::string>{"", u8" МАГАЗИН \"У ДОМА\"", " ", u8" ТЕЛ. 123-45-67",
                                                 u8" ЗАХОДИТЕ", ""}));

    const char *ext[6] = {"ПЕРВАЯ", "ВТОРАЯ", "", "", "", "ШЕСТАЯ"};
    ASSERT_GT(c.SetHeaderExt(ext, 6), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetHeader(), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{u8"ПЕРВАЯ", u8"ВТОРАЯ", "", "", "", u8"ШЕСТАЯ"}));

    const char *tail[4] = {"СПАСИБО", "ЗА ПОКУПКУ", "", ""};
    ASSERT_GT(c.SetTail(tail, 4), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetTail(), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{u8"СПАСИБО", u8"ЗА ПОКУПКУ", "", ""}));

    // A line past the width is refused and nothing changes.
    std::string longLine(41, 'X');
    const char *tooLong[4] = {"A", longLine.c_str(), "", ""};
    ASSERT_GT(c.SetTail(tooLong, 4), 0);
    EXPECT_EQ(Exec(c).error, 0x0C);
    EXPECT_EQ(sim_->Drive().settings.tail[0], u8"СПАСИБО");

    ASSERT_GT(c.OpenShift("ИВАНОВ", "", "", "", ""), 0);
    ASSERT_EQ(Exec(c).error, 0);
    std::string paper = Paper();
    size_t head = paper.find(u8"ПЕРВАЯ"), title = paper.find(u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ");
    size_t thanks = paper.find(u8"СПАСИБО");
    ASSERT_NE(head, std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ШЕСТАЯ"), std::string::npos) << paper;
    ASSERT_NE(thanks, std::string::npos) << paper;
    EXPECT_LT(head, title);
    EXPECT_GT(thanks, title);
    EXPECT_EQ(paper.find(u8"ДО ВСТРЕЧИ"), std::string::npos) << "0x46 wrote all four tail lines";
}

TEST_F(ModelTest, TaxRatesAndPaymentTypesAreWrittenReadAndBounded)
{
    Start();
    TMCommand c;
    ASSERT_GT(c.GetTaxRate(5), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"05", u8"БЕЗ НДС", "0.00", "0.00", "00", "5104"}));
    ASSERT_GT(c.SetTaxRate(1, "НДС 18%", "18.00", "1.5", 2, 1103), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetTaxRate(1), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"01", u8"НДС 18%", "18.00", "1.50", "02", "4F04"}));
    ASSERT_GT(c.GetTaxRate(6), 0);
    EXPECT_EQ(Exec(c).error, 0x0C); // past the table
    ASSERT_GT(c.SetTaxRate(6, "X", "1.00", "0.00", 0, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x0C);
    ASSERT_GT(c.SetTaxRate(0, "X", "abc", "0.00", 0, 0), 0);
    EXPECT_EQ(Exec(c).error, 0x02);

    ASSERT_GT(c.SetPaymentType(15, "КАРТА", 1, 0, 3, 0x05, "2.50"), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetPaymentType(15), 0);
    r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"0F", u8"КАРТА", "01", "00", "03", "05", "2.50", "C104"}));
    ASSERT_GT(c.GetPaymentType(16), 0);
    EXPECT_EQ(Exec(c).error, 0x27);
    ASSERT_GT(c.SetPaymentType(16, "X", 0, 0, 0, 0, "1.00"), 0);
    EXPECT_EQ(Exec(c).error, 0x27);

    // The tables survive in the state file.
    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(State(), &error)) << error;
    EXPECT_EQ(back.settings.taxes[1].name, u8"НДС 18%");
    EXPECT_EQ(back.settings.payments[15].rate, "2.50");
}

// The department table: answered in pairs (number as a byte, name), 0x60
// replaces it whole; more than 16, a number 0 or twice, a name past 30
// characters or a field that is no byte leave it as it was. The work words
// 0x4C writes (three or four) come back from 0x4D.
TEST_F(ModelTest, DepartmentsAndWorkWordsAreWrittenAndAnswered)
{
    Start();
    TMCommand c;
    ASSERT_GT(c.GetDepartments(), 0);
    Result r = Exec(c);
    EXPECT_EQ(r.data, (std::vector<std::string>{"01", u8"ОТДЕЛ 1", "02", u8"ОТДЕЛ 2", "03", u8"ОТДЕЛ 3", "04",
                                                u8"ОТДЕЛ 4"}));
    TMDepartment one{1, "ОДИН"}, deleted{2, ""}, ten{10, "ДЕСЯТЬ"};
    const TMDepartment *table[] = {&one, &deleted, &ten};
    ASSERT_GT(c.SetDepartments(table, 3), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetDepartments(), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"01", u8"ОДИН", "02", "", "0A", u8"ДЕСЯТЬ"}));

    std::string longName(31, 'N');
    TMDepartment zero{0, "X"}, twice{1, "Y"}, tooLong{5, longName.c_str()};
    struct Refused {
        std::vector<const TMDepartment *> entries;
        uint8_t error;
    } refused[] = {{{&one, &zero}, 0x0C}, {{&one, &twice}, 0x0C}, {{&tooLong}, 0x0C}};
    for (const Refused &x : refused) {
        ASSERT_GT(c.SetDepartments(x.entries.data(), static_cast<uint32_t>(x.entries.size())), 0);
        EXPECT_EQ(Exec(c).error, x.error);
    }
    std::vector<TMDepartment> many(17);
    std::vector<const TMDepartment *> all;
    for (size_t i = 0; i < many.size(); ++i) {
        many[i] = {static_cast<uint8_t>(i + 1), "D"};
        all.push_back(&many[i]);
    }
    ASSERT_GT(c.SetDepartments(all.data(), 17), 0);
    EXPECT_EQ(Exec(c).error, 0x0C);
    ASSERT_GT(c.SetDepartments(all.data(), 16), 0);
    EXPECT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetDepartments(), 0);
    EXPECT_EQ(Exec(c).data.size(), 32u);

    ASSERT_GT(c.GetParams(0x1234, 0x0002, 6), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetWorkModes(), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"3412", "0200", "0600", "0000"}));
    ASSERT_GT(c.GetParamList(4, 1, 2, 3, 0xABCD), 0);
    ASSERT_EQ(Exec(c).error, 0);
    ASSERT_GT(c.GetWorkModes(), 0);
    EXPECT_EQ(Exec(c).data, (std::vector<std::string>{"0100", "0200", "0300", "CDAB"}));

    // The table survives in the state file.
    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(State(), &error)) << error;
    ASSERT_EQ(back.settings.departments.size(), 16u);
    EXPECT_EQ(back.settings.departments[15].number, 16);
}

TEST(DriveSettingsStatements, ValuesAreCheckedWithTheirLine)
{
    struct Case {
        const char *line;
        bool ok;
    } cases[] = {
        {"drive clock 1503261030", true}, {"drive clock 3002261030", false}, {"drive clock 150326", false},
        {"drive head 1 ООО", true},       {"drive head 6 X", true},          {"drive head 7 X", false},
        {"drive head 0 X", false},        {"drive tail 4 X", true},          {"drive tail 5 X", false},
        {"drive tail 1", true}, // an empty line
        {"drive department 7 ХЛЕБ", true}, {"drive department 255 X", true}, {"drive department 256 X", false},
        {"drive department 0 X", false},     {"drive department x X", false},  {"drive departments none", true},
        {"drive departments all", false},
        {u8"drive tax-rate 0 18.00 0.00 0 1102 НДС 18%", true},
        {"drive tax-rate 6 0.00 0.00 0 0", true}, // the table's size: a new last entry without a name
        {"drive tax-rate 7 0.00 0.00 0 0 X", false}, // a gap
        {"drive tax-rate 256 0.00 0.00 0 0 X", false},
        {"drive tax-rate 1 1.005 0.00 0 0 X", false},
        {"drive tax-rate 1 -1.00 0.00 0 0 X", false},
        {"drive tax-rate 1 1.00 0.00 256 0 X", false},
        {"drive tax-rate 1 1.00 0.00 0 65536 X", false},
        {"drive tax-rate 1 1.00 0.00", false},
        {u8"drive payment-type 15 1 0 3 05 2.50 1217 КАРТА", true},
        {"drive payment-type 16 1 0 3 05 2.50 1217 X", false},
        {"drive payment-type 1 2 0 3 05 2.50 1217 X", false},
        {"drive payment-type 1 0 2 3 05 2.50 1217 X", false},
        {"drive payment-type 1 0 0 256 05 2.50 1217 X", false},
        {"drive payment-type 1 0 0 3 5 2.50 1217 X", false},
        {"drive payment-type 1 0 0 3 0G 2.50 1217 X", false},
        {"drive payment-type 1 0 0 3 05 x 1217 X", false},
        {"drive payment-type 1 0 0 3 05 2.50 65536 X", false},
        {"drive work-word 2 ABCD", true},    {"drive work-word 3 6", true},     {"drive work-word 4 0", true},
        {"drive work-word 1 0001", false},   {"drive work-word 5 0001", false}, {"drive work-word 2 12345", false},
        {"drive work-word 2 XY", false},     {"drive work-word 2", false},      {"drive work-word 2 1 2", false},
    };
    for (const Case &c : cases) {
        kktsim::Scenario s;
        std::string error;
        EXPECT_EQ(kktsim::ParseScenario(std::string("mode normal\n") + c.line + "\n", s, &error), c.ok) << c.line;
        if (!c.ok) {
            EXPECT_EQ(error.substr(0, 7), "line 2:") << c.line << ": " << error;
        }
    }
    kktsim::Scenario s;
    std::string longLine = "drive head 2 " + std::string(41, 'Z') + "\n";
    EXPECT_FALSE(kktsim::ParseScenario(longLine, s, nullptr));
    std::string longName = "drive tax-rate 0 0.00 0.00 0 0 " + std::string(65, 'Z') + "\n";
    EXPECT_FALSE(kktsim::ParseScenario(longName, s, nullptr));
    // The fault says which statement and what it takes.
    std::string error;
    EXPECT_FALSE(kktsim::ParseScenario("drive on\ndrive payment-type 3 0 0 0 0F 1.00 0 A\ndrive work-word 9 1\n",
                                       s, &error));
    EXPECT_EQ(error.rfind("line 3: expected \"drive work-word N HHHH\"", 0), 0u) << error;
}

// The starting values of the tax-rate and payment-type tables and the work
// words 2 to 4, as the statements give them: answered by 0x59, 0x4B and
// 0x4D and kept in the state file.
TEST_F(ModelTest, TablesAndWorkWordsStartFromTheirStatements)
{
    Start("registered.scn", u8"drive tax-rate 2 18.00 1.50 1 1106 НДС 18/118\n"
                            u8"drive tax-rate 6 7.00 0.00 2 0 ОСОБАЯ СТАВКА\n"
                            "drive tax-rate 7 0.00 0.00 0 0\n"
                            u8"drive payment-type 9 1 1 3 05 2.50 1217 КАРТА ВАЛЮТНАЯ\n"
                            "drive work-word 2 ABCD\ndrive work-word 3 6\ndrive work-word 4 0102\n");
    struct Case {
        const char *what;
        std::function<int(TMCommand &)> build;
        std::vector<std::string> data;
    } cases[] = {
        {"a tax rate replaced", [](TMCommand &c) { return c.GetTaxRate(2); },
         {"02", u8"НДС 18/118", "18.00", "1.50", "01", "5204"}},
        {"a tax rate added", [](TMCommand &c) { return c.GetTaxRate(6); },
         {"06", u8"ОСОБАЯ СТАВКА", "7.00", "0.00", "02", "0000"}},
        {"one without a name", [](TMCommand &c) { return c.GetTaxRate(7); }, {"07", "", "0.00", "0.00", "00", "0000"}},
        {"an entry left alone", [](TMCommand &c) { return c.GetTaxRate(1); },
         {"01", u8"НДС 10%", "10.00", "0.00", "00", "4F04"}},
        {"a payment type", [](TMCommand &c) { return c.GetPaymentType(9); },
         {"09", u8"КАРТА ВАЛЮТНАЯ", "01", "01", "03", "05", "2.50", "C104"}},
        {"the work words", [](TMCommand &c) { return c.GetWorkModes(); }, {"0000", "CDAB", "0600", "0201"}},
    };
    for (const Case &k : cases) {
        TMCommand c;
        ASSERT_GT(k.build(c), 0) << k.what;
        Result r = Exec(c);
        EXPECT_EQ(r.error, 0) << k.what;
        EXPECT_EQ(r.data, k.data) << k.what;
    }
    TMCommand c;
    ASSERT_GT(c.GetTaxRate(8), 0);
    EXPECT_EQ(Exec(c).error, 0x0C); // the table ends after the one added last

    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(State(), &error)) << error;
    ASSERT_EQ(back.settings.taxes.size(), 8u);
    EXPECT_EQ(back.settings.taxes[6].name, u8"ОСОБАЯ СТАВКА");
    EXPECT_EQ(back.settings.payments[9].name, u8"КАРТА ВАЛЮТНАЯ");
    EXPECT_EQ(back.settings.payments[9].mask, 0x05);
    EXPECT_EQ(back.workParam2, 0xABCD);
    EXPECT_EQ(back.lineFeeds, 6);
    EXPECT_EQ(back.workParam3, 0x0102);
}

TEST(DriveSettingsState, TheMemberRoundTripsAndOlderFilesStillRead)
{
    kktsim::DriveState s;
    s.settings.clockOffset = -86400;
    s.settings.head[0] = u8"ГОЛОВА";
    s.settings.tail[3] = u8"ХВОСТ \"В КАВЫЧКАХ\"";
    s.settings.departments = {{3, u8"ТРИ"}, {200, ""}};
    kktsim::DriveState back;
    std::string error;
    ASSERT_TRUE(back.FromJson(s.ToJson(), &error)) << error;
    EXPECT_EQ(back.ToJson(), s.ToJson());
    EXPECT_EQ(back.settings.tail[3], u8"ХВОСТ \"В КАВЫЧКАХ\"");
    ASSERT_EQ(back.settings.departments.size(), 2u);
    EXPECT_EQ(back.settings.departments[1].number, 200);

    // A file written before the member existed keeps the settings' values.
    kktsim::DriveState old;
    ASSERT_TRUE(old.FromJson("{\"shift_open\": false}", &error)) << error;
    EXPECT_EQ(old.settings.clockOffset, 0);
    EXPECT_EQ(old.settings.head, std::vector<std::string>(6));
    EXPECT_EQ(old.settings.departments.size(), 4u);

    const char *bad[] = {
        "{\"settings\": []}",
        "{\"settings\": {\"clock_offset\": \"1\"}}",
        "{\"settings\": {\"head\": [\"a\"]}}",
        "{\"settings\": {\"tail\": [\"a\", \"b\", \"c\", 4]}}",
        "{\"settings\": {\"tail\": [\"a\", \"b\", \"c\", \"\\u0001\"]}}",
        "{\"settings\": {\"tax_rates\": []}}",
        "{\"settings\": {\"tax_rates\": [{\"name\": \"a\", \"rate\": \"x\", \"sum\": \"0\", \"type\": 0, \"tag\": 0}]}}",
        "{\"settings\": {\"payment_types\": [{}]}}",
        "{\"settings\": {\"departments\": [[0, \"a\"]]}}",
        "{\"settings\": {\"departments\": [[1, \"a\"], [1, \"b\"]]}}",
        "{\"settings\": {\"departments\": [[1]]}}",
    };
    for (const char *b : bad) {
        kktsim::DriveState keep = back;
        EXPECT_FALSE(back.FromJson(b, &error)) << b;
        EXPECT_NE(error.find("settings"), std::string::npos) << error;
        EXPECT_EQ(back.ToJson(), keep.ToJson());
    }
}

} // namespace
