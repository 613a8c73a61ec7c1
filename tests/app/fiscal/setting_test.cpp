// Setting up the controller: the date and time screen. The checks are
// tables over the pure functions; the screen runs against the stand-in with
// real dialogs and keys through the keypad.
#include "FiscalFixture.h"

#include <algorithm>

#include "date_time_setting.h"
#include "header_setting.h"
#include "kfn_state.h"
#include "tax_pay_setting.h"
#include "osal.h"
#include "shift_cash.h"
#include "vuEvent.h"
#include "warn_message.h"

namespace fiscaltest {
namespace {

const char *kDateDialog = "kkt_dlg_set_date_time.xml";
const char *kWarnDialog = "kkt_dlg_warn_message.xml";

DateEntry Entry_(unsigned d, unsigned m, unsigned y, unsigned h = 12, unsigned mi = 0) { return {d, m, y, h, mi}; }

TEST(BuildDate, IsReadFromTheFixedText)
{
    struct Case {
        const char *text;
        unsigned day, month, year;
    } cases[] = {
        {"Feb 10 2025", 10, 2, 2025}, {"Jan  1 2024", 1, 1, 2024}, {"Nov 30 2030", 30, 11, 2030},
        {"Dec 31 2029", 31, 12, 2029}, {"Xyz 05 2026", 5, 12, 2026}, {"", 0, 12, 0},
    };
    for (const Case &c : cases) {
        DateEntry d = build_date_of(c.text);
        EXPECT_EQ(d.day, c.day) << c.text;
        EXPECT_EQ(d.month, c.month) << c.text;
        EXPECT_EQ(d.year, c.year) << c.text;
    }
    EXPECT_STREQ(kProgramBuildDate, "Feb 10 2025");
}

TEST(DateEntryCheck, MonthLengthsAndLeapYears)
{
    const unsigned lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const DateEntry build = build_date_of(kProgramBuildDate), kkt = Entry_(1, 6, 2026);
    for (unsigned m = 1; m <= 12; ++m) {
        EXPECT_EQ(date_entry_check(Entry_(lengths[m - 1], m, 2026), 3, build, kkt), DATE_CHECK_OK) << m;
        // 31 April and 29 February of a common year are refused too.
        EXPECT_EQ(date_entry_check(Entry_(lengths[m - 1] + 1, m, 2026), 3, build, kkt), DATE_CHECK_BAD_DATE) << m;
        EXPECT_EQ(date_entry_check(Entry_(0, m, 2026), 3, build, kkt), DATE_CHECK_BAD_DATE) << m;
    }
    EXPECT_EQ(date_entry_check(Entry_(1, 0, 2026), 3, build, kkt), DATE_CHECK_BAD_DATE);
    EXPECT_EQ(date_entry_check(Entry_(1, 13, 2026), 3, build, kkt), DATE_CHECK_BAD_DATE);
    for (unsigned y : {2028u, 2032u})
        EXPECT_EQ(date_entry_check(Entry_(29, 2, y), 3, build, Entry_(1, 1, y)), DATE_CHECK_OK) << y;
    for (unsigned y : {2026u, 2027u, 2029u})
        EXPECT_EQ(date_entry_check(Entry_(29, 2, y), 3, build, Entry_(1, 1, y)), DATE_CHECK_BAD_DATE) << y;
    EXPECT_EQ(days_in_month(2, 2000), 29u);
    EXPECT_EQ(days_in_month(2, 2100), 28u);
}

TEST(DateEntryCheck, TheRulesInTheirOrder)
{
    const DateEntry build = build_date_of(kProgramBuildDate), kkt = Entry_(15, 3, 2025);
    struct Case {
        const char *date, *time;
        DateCheck from, want;
    } cases[] = {
        {"150325", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_OK},
        {"150325", "2400", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_TIME},
        {"150325", "2360", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_TIME},
        {"150325", "2359", DATE_CHECK_BAD_DATE, DATE_CHECK_OK},
        {"300225", "2460", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_DATE}, // the date first
        // Entries that are too short are refused, not read as if whole.
        {"15032", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_DATE},
        {"", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_DATE},
        {"150325", "120", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_TIME},
        {"150325", "", DATE_CHECK_BAD_DATE, DATE_CHECK_BAD_TIME},
        // the build date: 10.02.2025
        {"100225", "0000", DATE_CHECK_BAD_DATE, DATE_CHECK_OK},
        {"090225", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_BEFORE_BUILD},
        {"310125", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_BEFORE_BUILD},
        {"311224", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_BEFORE_BUILD},
        {"090225", "1200", DATE_CHECK_PAST_15_YEARS, DATE_CHECK_OK}, // overridden: earlier passes the rest
        // 15 years past the build year: 2040 passes, 2041 is asked
        {"010141", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_PAST_15_YEARS},
        {"010141", "1200", DATE_CHECK_PAST_CONTROLLER_YEAR, DATE_CHECK_PAST_CONTROLLER_YEAR},
        // 13 months past the controller's month (03.2025)
        {"310326", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_OK},
        {"010426", "1200", DATE_CHECK_BAD_DATE, DATE_CHECK_PAST_CONTROLLER_YEAR},
    };
    for (const Case &c : cases) {
        DateEntry e;
        int whole = date_entry_read(c.date, c.time, &e);
        EXPECT_EQ(date_entry_check(e, whole, build, kkt, c.from), c.want) << c.date << " " << c.time;
    }
    DateEntry e;
    EXPECT_EQ(date_entry_read("1503", "12a4", &e), 0);
    EXPECT_EQ(e.day, 15u);
    EXPECT_EQ(e.month, 3u);
    EXPECT_EQ(e.year, 2000u);
    EXPECT_EQ(e.hour, 12u);
    EXPECT_EQ(e.minute, 0u);
    EXPECT_EQ(date_entry_read("150326", "1230", &e), DATE_WHOLE | TIME_WHOLE);
}

TEST(WarnMessageKeys, OnlyTheMenuKeyOverrides)
{
    for (int k = 0; k < 256; ++k) {
        vuEvent ev{};
        ev.key = static_cast<uint8_t>(k);
        EXPECT_EQ(WarnMessageKeys(&ev, 0), k == 139 ? 101 : 0) << k;
    }
    EXPECT_EQ(WarnMessageKeys(nullptr, 0), 0);
}

class DateTimeTest : public FiscalTest {
protected:
    // Clears the two fields and types the entry.
    static std::vector<uint16_t> Entry(const std::string &date, const std::string &time)
    {
        std::vector<uint16_t> keys(8, KEY_BACKSPACE);
        for (char c : date)
            keys.push_back(DigitKey(c));
        keys.push_back(KEY_DOWN);
        for (int i = 0; i < 6; ++i)
            keys.push_back(KEY_BACKSPACE);
        for (char c : time)
            keys.push_back(DigitKey(c));
        keys.push_back(KEY_ENTER);
        return keys;
    }
    static std::string Now()
    {
        OsTime t{};
        OsGetTime(&t);
        char b[32];
        snprintf(b, sizeof b, "%02d%02d%02d%02d%02d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute);
        return b;
    }
};

// A 30 February is refused, a date before the build date needs the
// override (OK alone brings the form back), and the controller's refusal of
// that date is shown while the terminal still follows the entry.
TEST_F(DateTimeTest, RefusalOverrideAndTheControllersRefusal)
{
    Drive("drive clock 1503261030\n");
    Script({{kDateDialog, Entry("300226", "1200")},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kDateDialog, Entry("090225", "1200")},
            {kWarnDialog, {KEY_ENTER}},
            {kDateDialog, Entry("090225", "1200")},
            {kWarnDialog, {139}},
            {u8"ОШИБКА", {KEY_ENTER}}});
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();

    // The wait boxes of the reads stay out; the one of the setting stays in.
    std::vector<std::string> boxes;
    for (const std::string &b : Boxes())
        if (b.rfind(u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n43", 0) != 0 && b.rfind(u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n29", 0) != 0)
            boxes.push_back(b);
    ASSERT_EQ(boxes.size(), 3u) << ::testing::PrintToString(boxes) << ::testing::PrintToString(Taken());
    EXPECT_EQ(boxes[0], u8"ОШИБКА|ДАТА 30.02.2026 НЕ КОРРЕКTHА!\n\nПОВТОРИТЕ ВВОД");
    EXPECT_EQ(boxes[1], u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n42 КОМАНДА");
    EXPECT_EQ(boxes[2].rfind(u8"ОШИБКА|Ошибка выполнения команды 42:\n03:00 ", 0), 0u) << boxes[2];
    EXPECT_NE(boxes[2].find(u8"\n\nСТАТУСЫ: 08 "), std::string::npos) << boxes[2];
    // Every pass reads the clocks again: three passes.
    EXPECT_EQ(Taken(), (std::vector<std::string>{"43", "29", "43", "29", "43", "29", "42"}));
    // The controller kept its clock; the terminal took the entry.
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 6), "150326");
    EXPECT_EQ(Now().substr(0, 6), "090225");
}

// 13 months past the controller's month needs the override; then both
// clocks move.
TEST_F(DateTimeTest, OverriddenYearAheadSetsBothClocks)
{
    Drive("drive clock 1503261030\n");
    Script({{kDateDialog, Entry("150327", "0815")}});
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(Now().substr(0, 8), "15032708");
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 8), "15032708");

    Script({{kDateDialog, Entry("150428", "0900")},
            {kWarnDialog, {KEY_CANCEL}},
            {kDateDialog, {KEY_CANCEL}}});
    // The warning is cancelled: the form comes back and is left.
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();

    Script({{kDateDialog, Entry("150428", "0900")}, {kWarnDialog, {139}}});
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(Now().substr(0, 8), "15042809");
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 8), "15042809");
    std::string stored;
    ASSERT_TRUE(kktsim::DriveStore::ReadJson(sim->StatePath(), stored, nullptr));
    EXPECT_NE(stored.find("clock_offset"), std::string::npos);
}

// Cancel leaves both clocks; the key code 1 fills the entry with the
// terminal's clock, 2 with the controller's.
TEST_F(DateTimeTest, CancelAndTheFillKeys)
{
    Drive(); // the controller's clock is the PC's
    std::string before = Now();
    Script({{kDateDialog, {KEY_CANCEL}}});
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"43", "29"}));
    EXPECT_EQ(Now().substr(0, 6), before.substr(0, 6));

    // Key code 1 brings the terminal's clock, here the controller's too:
    // it passes every rule.
    Script({{kDateDialog, {1, KEY_ENTER}}});
    CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 6), Now().substr(0, 6));
}

// A controller that answers error 08 to the clock setting is asked once
// more: when it takes the second one both clocks move without a box, when
// it refuses again its error is shown and nothing is sent a third time.
TEST_F(DateTimeTest, ErrorEightIsAnsweredWithOneResend)
{
    struct Case {
        int refusals;
        bool set;
        const char *date, *time;
    } cases[] = {{1, true, "160326", "0915"}, {2, false, "170326", "1120"}};
    for (const Case &c : cases) {
        sim->ForgetDrive();
        Drive("drive clock 1503261030\nfault 42 refuse 08 times " + std::to_string(c.refusals) + "\n");
        size_t from = TakenCount(), boxes = Boxes().size();
        std::vector<Step> steps = {{kDateDialog, Entry(c.date, c.time)}};
        if (!c.set)
            steps.push_back({u8"ОШИБКА", {KEY_ENTER}});
        Script(steps);
        CmdSetDateTime(ui, "ДАТА/ВРЕМЯ");
        EndScript();
        std::vector<std::string> taken = Taken(from);
        EXPECT_EQ(std::count(taken.begin(), taken.end(), "42"), 2) << c.refusals << ::testing::PrintToString(taken);
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_FALSE(shown.empty()) << c.refusals;
        if (c.set) {
            EXPECT_EQ(shown.back(), u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n42 КОМАНДА");
            EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 8), "16032609");
        } else {
            EXPECT_EQ(shown.back().rfind(u8"ОШИБКА|Ошибка выполнения команды 42:\n08:00 ", 0), 0u) << shown.back();
            EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 6), "150326");
        }
        // The exchange itself went through: the terminal follows the entry.
        EXPECT_EQ(Now().substr(0, 8), std::string(c.date) + std::string(c.time).substr(0, 2)) << c.refusals;
    }
}

TEST(DateMinutes, CountsAndTheirDifference)
{
    struct Case {
        DateEntry a, b;
        long difference;
    } cases[] = {
        {{15, 3, 2026, 10, 30}, {15, 3, 2026, 10, 30}, 0},
        {{15, 3, 2026, 10, 30}, {15, 3, 2026, 10, 24}, 6},
        {{17, 3, 2026, 10, 29}, {15, 3, 2026, 10, 30}, 2879},          // just under two days
        {{17, 3, 2026, 10, 30}, {15, 3, 2026, 10, 30}, 2880},
        {{1, 3, 2024, 0, 0}, {28, 2, 2024, 0, 0}, 2 * 1440},           // a leap year's March counts a day more
        {{1, 3, 2025, 0, 0}, {28, 2, 2025, 0, 0}, 1440},
        {{1, 1, 2027, 0, 0}, {31, 12, 2026, 23, 59}, 1},               // across the year: 365 days a year
        {{1, 13, 2026, 0, 0}, {1, 1, 2026, 0, 0}, -1},
        {{1, 1, 2026, 0, 0}, {1, 0, 2026, 0, 0}, -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(date_minutes_difference(c.a, c.b), c.difference) << c.a.day << "." << c.a.month;
        EXPECT_EQ(date_minutes_difference(c.b, c.a), c.difference) << "without sign";
    }
    EXPECT_EQ(date_minutes({1, 1, 2000, 0, 1}), 1441);
}

TEST(DateTimeFrKeys, TheTwoClockKeysEndTheDialog)
{
    vuEvent ev{};
    for (int k = 0; k < 256; ++k) {
        ev.key = static_cast<uint8_t>(k);
        EXPECT_EQ(DateTimeFrKeys(&ev, 1), k == 1 ? 101 : k == 2 ? 102 : 0) << k;
    }
    ev.key = 1;
    EXPECT_EQ(DateTimeFrKeys(nullptr, 1), 0);
    EXPECT_EQ(DateTimeFrKeys(&ev, 0), 0);
}

const char *kFrDialog = "common_dlg_fr_set_date_time.xml";

// The boxes from a position without the runner's wait boxes.
std::vector<std::string> NotWaiting(const std::vector<std::string> &boxes)
{
    std::vector<std::string> out;
    for (const std::string &b : boxes)
        if (b.rfind(u8"ПОДОЖДИТЕ|", 0) != 0)
            out.push_back(b);
    return out;
}

// The older screen: an entry within two days of the controller's clock
// sets both; one further away is left to an administrator.
TEST_F(DateTimeTest, OlderScreenSetsAnEntryWithinTwoDays)
{
    Drive("drive clock 1503261030\n");
    Script({{kFrDialog, Entry("160326", "1100")}});
    CmdSetDateTimeFr(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"43", "29", "42"}));
    EXPECT_EQ(Now().substr(0, 8), "16032611");
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 8), "16032611");

    size_t from = TakenCount(), boxes = Boxes().size();
    Script({{kFrDialog, Entry("160326", "2460")}, {u8"ОШИБКА", {KEY_ENTER}}, {kFrDialog, Entry("200326", "1000")},
            {u8"ОШИБКА", {KEY_ENTER}}});
    CmdSetDateTimeFr(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    std::vector<std::string> shown = NotWaiting(Boxes(boxes));
    ASSERT_EQ(shown.size(), 2u) << ::testing::PrintToString(shown);
    EXPECT_EQ(shown[0], u8"ОШИБКА|ВРЕМЯ 24:60 НЕ КОРРЕКTHО!\n\nПОВТОРИТЕ ВВОД");
    EXPECT_EQ(shown[1], u8"ОШИБКА|ДАТА 20.03.2026 10:00 отличается больше чем на сутки от текущей даты КФН "
                        u8"16.03.2026 11:00\n\nСМЕНИТЬ ВРЕМЯ БОЛЕЕ ЧЕМ НА СУТКИ МОЖЕТ ТОЛЬКО АДМИНИСТРАТОР!");
    std::vector<std::string> taken = Taken(from);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "42"), 0) << ::testing::PrintToString(taken);
    EXPECT_EQ(Now().substr(0, 6), "160326");
}

// The clock key 1 sets both clocks to the terminal's after a question;
// while a shift is open it is refused, the controller's clock is not set
// and the terminal's still follows the entry. (The key code 2 that sets
// both to the controller's is not a key of the keypad: the callback's
// table above covers it.)
TEST_F(DateTimeTest, OlderScreenClockKeyAndAnOpenShift)
{
    Drive("drive clock 1503261030\n");
    Script({{kFrDialog, {1}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kFrDialog, {KEY_CANCEL}}});
    CmdSetDateTimeFr(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    EXPECT_EQ(kktsim::DriveClock(sim->Drive(), time(nullptr)).substr(0, 6), Now().substr(0, 6))
        << "the controller took the terminal's clock";

    sim->ForgetDrive();
    Drive("drive clock 1703261030\ndrive shift open 1\n");
    fn_status_refresh(nullptr);
    ASSERT_NE(kfn_flags() & KFN_CUR_SHIFT_OPEN, 0);
    size_t from = TakenCount(), boxes = Boxes().size();
    Script({{kFrDialog, {1}}, {u8"ОШИБКА", {KEY_ENTER}}, {kFrDialog, {KEY_ENTER}}});
    CmdSetDateTimeFr(ui, "ДАТА/ВРЕМЯ");
    EndScript();
    std::vector<std::string> shown = NotWaiting(Boxes(boxes));
    ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
    EXPECT_EQ(shown[0], u8"ОШИБКА|УСТАНОВКА ДАТЫ/ВРЕМЕНИ КОНТРОЛЛЕРА ФН ПРОВОДИТСЯ ТОЛЬКО ПРИ ЗАКРЫТОЙ СМЕНЕ!");
    std::vector<std::string> taken = Taken(from);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "42"), 0) << "nothing sent while the shift is open";
    EXPECT_EQ(Now().substr(0, 8), "17032610") << "the terminal still follows the entry";
}

// The clock check at start: a terminal 6 minutes or more away takes the
// controller's time, says so and opens the older screen; one close enough
// is left; a read that fails is asked about until it is cancelled.
TEST_F(DateTimeTest, StartupClockCheck)
{
    Drive("drive clock 1503261030\n");
    size_t boxes = Boxes().size();
    Script({{u8"ВНИМАНИЕ", {KEY_ENTER}}, {kFrDialog, {KEY_CANCEL}}});
    EXPECT_EQ(startup_clock_sync(ui), 1);
    EndScript();
    EXPECT_EQ(Now().substr(0, 8), "15032610");
    std::vector<std::string> shown = NotWaiting(Boxes(boxes));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0], u8"ВНИМАНИЕ|ВРЕМЯ ТЕРМИНАЛА СИНХРОНИЗИРОВАНО ПО ВРЕМЕНИ КОНТРОЛЛЕРА ФН!\nТекущее время: "
                        u8"15.03.2026 10:30\n\nУБЕДИТЕСЬ В КОРРЕКТНОСТИ ВРЕМЕНИ!");

    boxes = Boxes().size();
    size_t forms = Trace("form").size();
    EXPECT_EQ(startup_clock_sync(ui), 0) << "now within a minute or two";
    EXPECT_EQ(Trace("form").size(), forms);

    Scenario("fault 43 no-reply times 2\n");
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_CANCEL}}});
    EXPECT_EQ(startup_clock_sync(ui), -1);
    EndScript();
    shown = NotWaiting(Boxes(boxes));
    ASSERT_EQ(shown.size(), 2u) << ::testing::PrintToString(shown);
    EXPECT_EQ(shown[1], u8"ОШИБКА|ВНИМАНИЕ!\n\nСБОЙ ЧТЕНИЯ ВРЕМЕНИ КОНТРОЛЛЕРА ФН\nПОВТОРИТЕ ПОПЫТКУ!");
    EXPECT_EQ(Trace("msgbox").back().Get("flags"), "11");
}

TEST(HeaderPreview, LinesCutStrippedAndPadded)
{
    std::string long45(45, 'W');
    struct Case {
        std::string text;
        size_t count, width;
        std::vector<std::string> want;
    } cases[] = {
        {"", 4, 38, {"", "", "", ""}},
        {"ONE", 4, 38, {"ONE", "", "", ""}},
        {"A\nB\nC\nD\nE\nF", 4, 40, {"A", "B", "C", "D"}}, // more lines than the variant has
        {"A\nB\nC\nD\nE\nF\nG", 6, 40, {"A", "B", "C", "D", "E", "F"}},
        {long45, 4, 38, {std::string(38, 'W'), "", "", ""}},
        {long45 + "\nX", 4, 40, {std::string(40, 'W'), "X", "", ""}},
        // cut to the width first, then the control bytes go
        {"\t" + std::string(39, 'Q') + "\r", 4, 40, {std::string(39, 'Q'), "", "", ""}},
        {"A\x01" "B\x1F\n\nC", 4, 38, {"AB", "", "C", ""}},
        {"\n\n\n", 4, 38, {"", "", "", ""}},
    };
    for (const Case &c : cases) {
        char lines[HEADER_MAX_LINES][HEADER_LINE_SIZE];
        memset(lines, 'x', sizeof lines);
        header_preview(c.text.c_str(), c.count, c.width, lines);
        for (size_t i = 0; i < c.count; ++i)
            EXPECT_EQ(std::string(lines[i]), c.want[i]) << c.text << " line " << i;
    }
}

class HeaderTest : public FiscalTest {
protected:
    std::vector<std::string> Head() { return sim->Drive().settings.head; }
    std::vector<std::string> Tail() { return sim->Drive().settings.tail; }
    std::string Saved(const char *section, const char *key)
    {
        const char *v = settings_get(section, key);
        return v ? v : "<none>";
    }
};

// The header is fetched (its alignment byte dropped), accepted and written
// back; the next document carries it; the settings keep the editor text.
TEST_F(HeaderTest, FetchedAcceptedWrittenAndPrinted)
{
    Drive("drive shift open 1\n");
    sim->UpdateDrive([](kktsim::DriveState &d) {
        d.settings.head[1] = u8" МАГАЗИН \"У ДОМА\"";
        d.settings.head[3] = u8" ТЕЛ. 123";
    });
    Script({{u8"ВНИМАНИЕ", {KEY_ENTER}}, {"kkt_dlg_header.xml", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdSetHeader(ui, "ЗАГОЛОВОК ЧЕКА");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"9A", "41"}));
    EXPECT_EQ(Head(), (std::vector<std::string>{"", u8" МАГАЗИН \"У ДОМА\"", " ", u8" ТЕЛ. 123", " ", ""}));
    EXPECT_EQ(Saved("CmdSetHeader", "Header"), u8"МАГАЗИН \"У ДОМА\"\n\nТЕЛ. 123\n");
    std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), u8"ВНИМАНИЕ|ЗАГОЛОВОК УСПЕШНО УСТАНОВЛЕН!");

    Script({{"kkt_dlg_to_cash.xml", Digits("100")}, {u8"ВНЕСЕНИЕ", {KEY_ENTER}}});
    CmdToCash(ui, "ВНЕСЕНИЕ");
    EndScript();
    std::string paper = Paper();
    EXPECT_LT(paper.find(u8"МАГАЗИН \"У ДОМА\""), paper.find(u8"ТЕЛ. 123")) << paper;
}

// The fetch declined: the settings text is sent, cut to four lines of 38
// characters without control characters, and kept whole.
TEST_F(HeaderTest, DeclinedFetchSendsTheSettingsTextCut)
{
    Drive();
    std::string text = std::string(u8"ПЕРВАЯ\tСТРОКА\n") + std::string(45, 'L') + "\n\n\n" + u8"ПЯТАЯ";
    settings_set("CmdSetHeader", "Header", text.c_str());
    Script({{u8"ВНИМАНИЕ", {KEY_CANCEL}}, {"kkt_dlg_header.xml", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdSetHeader(ui, "ЗАГОЛОВОК ЧЕКА");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"41"}));
    EXPECT_EQ(Head(), (std::vector<std::string>{"", u8" ПЕРВАЯСТРОКА", " " + std::string(38, 'L'), " ", " ", ""}));
    EXPECT_EQ(Saved("CmdSetHeader", "Header"), text);
    EXPECT_NE(ReadFile("data/kktsettings.xml").find(u8"ПЯТАЯ"), std::string::npos);
}

// Cancel sends and stores nothing; a refused write still stores the text.
TEST_F(HeaderTest, CancelStoresNothingARefusalStillStores)
{
    Drive("fault 46 refuse 0C\n");
    settings_set("CmdSetTail", "Tail", u8"СПАСИБО");
    Script({{u8"ВНИМАНИЕ", {KEY_CANCEL}}, {"kkt_dlg_tail.xml", {KEY_CANCEL}}});
    CmdSetTail(ui, "ОКОНЧАНИЕ ЧЕКА");
    EndScript();
    EXPECT_TRUE(Taken().empty());
    EXPECT_EQ(ReadFile("data/kktsettings.xml").find(u8"СПАСИБО"), std::string::npos);

    Script({{u8"ВНИМАНИЕ", {KEY_CANCEL}}, {"kkt_dlg_tail.xml", {KEY_ENTER}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdSetTail(ui, "ОКОНЧАНИЕ ЧЕКА");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"46"}));
    EXPECT_EQ(Tail(), std::vector<std::string>(4));
    EXPECT_NE(ReadFile("data/kktsettings.xml").find(u8"СПАСИБО"), std::string::npos);
}

// The extended header takes the six fields whole and writes six lines.
TEST_F(HeaderTest, ExtendedHeaderTakesSixWholeLines)
{
    Drive();
    sim->UpdateDrive([](kktsim::DriveState &d) {
        d.settings.head = {u8"ДОБРО", u8" ПОЖАЛОВАТЬ", "", "", "", std::string(40, 'Z')};
    });
    Script({{u8"ВНИМАНИЕ", {KEY_ENTER}}, {"kkt_dlg_header_ext.xml", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}});
    CmdSetHeaderExt(ui, "ДОП. ЗАГОЛОВОК");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"9A", "4E"}));
    EXPECT_EQ(Head(), (std::vector<std::string>{u8"ДОБРО", u8" ПОЖАЛОВАТЬ", "", "", "", std::string(40, 'Z')}));
    EXPECT_EQ(Saved("CmdSetHeaderExt", "Head"), u8"ДОБРО\n ПОЖАЛОВАТЬ\n\n\n\n" + std::string(40, 'Z'));
}

TEST(TaxPayDecimals, ReplyToFieldAndBack)
{
    struct Case {
        const char *reply, *field;
    } in[] = {{"123456789012345678901234567890123456789", "123456789012345678901234567890123456789"},
               {"20.00", "2000"}, {"", "000"}, {"12.5", "1250"}, {"0", "000"}, {"1.005", "101"}, {"7", "700"}};
    for (const Case &c : in) {
        char out[40];
        decimal_to_field(c.reply, out, sizeof out);
        EXPECT_STREQ(out, c.field) << c.reply;
    }
    struct Back {
        const char *digits;
        size_t size;
        const char *want;
    } out[] = {{"150", 24, "1.50"}, {"5", 24, "0.05"}, {"", 24, "0.00"}, {"2000", 16, "20.00"},
               {"123456789012345678", 16, "123456789012.34"}}; // 14 digits fit a 15-byte rate
    for (const Back &b : out) {
        char text[40];
        field_to_decimal(b.digits, text, b.size);
        EXPECT_STREQ(text, b.want) << b.digits;
    }
    uint32_t v = 7;
    EXPECT_TRUE(field_number("255", 255, &v));
    EXPECT_EQ(v, 255u);
    EXPECT_FALSE(field_number("256", 255, &v)); // not cut to 0
    EXPECT_FALSE(field_number("65536", 65535, &v));
    EXPECT_FALSE(field_number("", 255, &v));
    EXPECT_FALSE(field_number("99999999999999999999", 65535, &v));
    EXPECT_EQ(v, 255u);
}

class TaxPayTest : public FiscalTest {};

// A tax rate picked, its rate changed to 18.00 and written; read back.
TEST_F(TaxPayTest, TaxRateChangedAndReadBack)
{
    Drive();
    Script({{"kkt_menu_select_tax_type.xml", {KEY_DOWN, KEY_ENTER}},
            {u8"НАЛОГОВАЯ СТАВКА", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE,
                                      KEY_BACKSPACE, DigitKey('1'), DigitKey('8'), DigitKey('0'), DigitKey('0'),
                                      KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}},
            {u8"УСПЕШНО", {KEY_ENTER}}});
    CmdSetTax(ui, "НАЛОГИ");
    EndScript();
    std::vector<std::string> taken = Taken();
    ASSERT_GE(taken.size(), 8u) << ::testing::PrintToString(taken) << ::testing::PrintToString(Boxes());
    EXPECT_EQ(std::vector<std::string>(taken.begin(), taken.begin() + 7), std::vector<std::string>(7, "59"));
    EXPECT_EQ(taken.back(), "58");
    kktsim::TaxRate t = sim->Drive().settings.taxes.at(1);
    EXPECT_EQ(t.rate, "18.00");
    EXPECT_EQ(t.name, u8"НДС 10%");
    EXPECT_EQ(t.tag, 1103);
}

// Only the first entry's failure is shown (no list); a controller that
// answers every index is read 16 times for the payment types and 256 times
// for the tax rates, not for ever.
TEST_F(TaxPayTest, FirstEntryFailureAndTheReadLimit)
{
    Drive("fault 59 refuse 0C\n");
    Script({{u8"ОШИБКА", {KEY_ENTER}}});
    CmdSetTax(ui, "НАЛОГИ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"59"}));
    std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().rfind(u8"ОШИБКА|Ошибка выполнения команды 59:\n0C:00 ", 0), 0u) << boxes.back();

    Drive("data 4B 00\ndata 4B ВСЕГДА\nanswer 4B\n");
    size_t from = TakenCount();
    Script({{"kkt_menu_select_pay_type.xml", {KEY_CANCEL}}});
    CmdSetPay(ui, "ОПЛАТЫ");
    EndScript();
    EXPECT_EQ(Taken(from), std::vector<std::string>(16, "4B"));

    // A table that fills every byte index: read 256 times, the index not
    // wrapped round to 0.
    std::string table;
    for (int i = 6; i < 256; ++i)
        table += "drive tax-rate " + std::to_string(i) + u8" 1.00 0.00 0 0 СТАВКА " + std::to_string(i) + "\n";
    sim->ForgetDrive();
    Drive(table);
    from = TakenCount();
    Script({{"kkt_menu_select_tax_type.xml", {KEY_CANCEL}}});
    CmdSetTax(ui, "НАЛОГИ");
    EndScript();
    EXPECT_EQ(Taken(from), std::vector<std::string>(256, "59"));
}

// A type, tag or currency index that does not fit its field is refused
// with a box naming the field, and the form comes back (here left with
// Cancel): nothing is written.
TEST_F(TaxPayTest, TypeTagAndCurrencyOutsideTheirFieldsAreRefused)
{
    struct Case {
        bool tax;
        int downs; // from "index" to the field
        const char *typed, *box;
    } cases[] = {
        {true, 1, "256", u8"ТИП: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"256\"\n\nДОПУСТИМО ОТ 0 ДО 255"},
        {true, 5, "65536", u8"ТЕГ: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"65536\"\n\nДОПУСТИМО ОТ 0 ДО 65535"},
        {false, 6, "256", u8"ИНДЕКС ВАЛЮТЫ: НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"256\"\n\nДОПУСТИМО ОТ 0 ДО 255"},
    };
    Drive();
    for (const Case &c : cases) {
        std::vector<uint16_t> keys(static_cast<size_t>(c.downs), KEY_DOWN);
        for (int i = 0; i < 6; ++i)
            keys.push_back(KEY_BACKSPACE);
        for (uint16_t k : Digits(c.typed))
            keys.push_back(k);
        const char *form = c.tax ? u8"НАЛОГОВАЯ СТАВКА" : u8"ВИД ОПЛАТЫ";
        size_t from = TakenCount(), boxes = Boxes().size();
        Script({{c.tax ? "kkt_menu_select_tax_type.xml" : "kkt_menu_select_pay_type.xml", {KEY_ENTER}},
                {form, keys},
                {u8"ОШИБКА", {KEY_ENTER}},
                {form, {KEY_CANCEL}}});
        if (c.tax)
            CmdSetTax(ui, "НАЛОГИ");
        else
            CmdSetPay(ui, "ОПЛАТЫ");
        EndScript();
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_FALSE(shown.empty()) << c.typed;
        EXPECT_EQ(shown.back(), std::string(u8"ОШИБКА|") + c.box);
        std::vector<std::string> taken = Taken(from);
        EXPECT_EQ(std::count(taken.begin(), taken.end(), c.tax ? "58" : "4A"), 0) << ::testing::PrintToString(taken);
    }
}

// A number that does not fit its field is refused with a box and the form
// comes back; the exchange rate typed as 150 is written as 1.50; Cancel in
// the question returns to the form as typed.
TEST_F(TaxPayTest, PaymentTypeRefusalQuestionAndRate)
{
    Drive();
    std::vector<uint16_t> bad = {KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, DigitKey('3'), DigitKey('0'),
                                 DigitKey('0'), KEY_ENTER};
    std::vector<uint16_t> fix = {KEY_BACKSPACE, KEY_BACKSPACE, KEY_BACKSPACE, DigitKey('2')};
    // from "index": tag, name, three boxes, currency, rate
    for (int i = 0; i < 7; ++i)
        fix.push_back(KEY_DOWN);
    for (int i = 0; i < 6; ++i)
        fix.push_back(KEY_BACKSPACE);
    for (char c : std::string("150"))
        fix.push_back(DigitKey(c));
    fix.push_back(KEY_ENTER);
    Script({{"kkt_menu_select_pay_type.xml", {KEY_DOWN, KEY_ENTER}},
            {u8"ВИД ОПЛАТЫ", bad},
            {u8"ОШИБКА", {KEY_ENTER}},
            {u8"ВИД ОПЛАТЫ", fix},
            {u8"ВНИМАНИЕ", {KEY_CANCEL}},
            {u8"ВИД ОПЛАТЫ", {KEY_ENTER}},
            {u8"ВНИМАНИЕ", {KEY_ENTER}},
            {u8"УСПЕШНО", {KEY_ENTER}}});
    CmdSetPay(ui, "ОПЛАТЫ");
    EndScript();
    std::vector<std::string> boxes = Boxes();
    bool refused = false;
    for (const std::string &b : boxes)
        refused = refused || b.find(u8"НЕДОПУСТИМОЕ ЗНАЧЕНИЕ \"300\"") != std::string::npos;
    EXPECT_TRUE(refused) << ::testing::PrintToString(boxes);
    std::vector<std::string> taken = Taken();
    EXPECT_EQ(std::count(taken.begin(), taken.end(), "4A"), 1) << ::testing::PrintToString(taken);
    kktsim::PaymentKind p = sim->Drive().settings.payments.at(2);
    EXPECT_EQ(p.rate, "1.50");
    EXPECT_EQ(p.name, u8"БЕЗНАЛИЧНЫМИ"); // entry 1's values written as entry 2
    EXPECT_EQ(p.tag, 1215);            // the tag is never written
    EXPECT_EQ(sim->Drive().settings.payments.at(1).rate, "1.00");
}

} // namespace
} // namespace fiscaltest
