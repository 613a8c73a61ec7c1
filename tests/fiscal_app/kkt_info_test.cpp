// The information report against the fiscal-drive stand-in: its lines from
// a scripted drive, the lines a failed exchange leaves out, the cut at 2048
// bytes, the key age in calendar days, and the print on the key '0'.
#include "FiscalFixture.h"

#include "kfn_state.h"
#include "kkt_info.h"
#include "vuTrace.h"

namespace fiscaltest {
namespace {

// The report (after an empty header) in UTF-8.
std::string Utf8(const char *cp1251)
{
    std::string q = vuTraceLine::Quote(cp1251);
    std::string out;
    for (size_t i = 1; i + 1 < q.size(); ++i) {
        if (q[i] == '\\' && q[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else if (q[i] == '\\' && i + 1 < q.size() - 1) {
            out += q[++i];
        } else {
            out += q[i];
        }
    }
    return out;
}

} // namespace

TEST(KeyAge, CalendarDays)
{
    auto packed = [](int y, int m, int d) { return static_cast<unsigned>(d + 32 * m + 512 * (y - 1996)); };
    const struct {
        unsigned date;
        int y, m, d;
        int age;
    } cases[] = {
        {packed(2026, 1, 31), 2026, 2, 1, 1},   // across a month end
        {packed(2025, 12, 31), 2026, 1, 1, 1},  // across a year end
        {packed(2024, 2, 28), 2024, 3, 1, 2},   // a leap year's February
        {packed(2026, 3, 10), 2026, 3, 10, 0},
        {packed(2026, 3, 11), 2026, 3, 10, 100}, // after today
        {packed(2026, 2, 30), 2026, 3, 10, -1},  // no such day
        {packed(2026, 13, 1), 2026, 3, 10, -1},
        {packed(2026, 0, 1), 2026, 3, 10, -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(key_age_days(c.date, c.y, c.m, c.d), c.age) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_STREQ(build_date(), "Feb 10 2025");
}

TEST_F(FiscalTest, InfoReportFromTheDrive)
{
    Drive("drive shift open 1\ndrive serial 0000000000123456\ndrive fn-number 9999078900012345\n"
          "drive waiting 3\ndrive warnings 05\n");
    ASSERT_EQ(OsRegSetValue("ro.fac.pn", "PN-77"), 0);
    ASSERT_EQ(OsRegSetValue("ro.fac.sn", "SN-88"), 0);
    fn_status_refresh(nullptr);
    static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
    report[0] = qr[0] = '\0';
    kkt_info_report(report, qr, 1);
    const std::string text = Utf8(report);
    for (const char *line : {"SN: 0000000000123456\n", u8"ФН: 9999078900012345\n", u8"ФН предупреждения: '05'\n",
                             u8"- до окончания срока действия 3 дня\n", u8"- архив ФН заполнен на 90%\n",
                             u8"\nНЕОТПРАВЛЕННЫХ ДОКУМЕНТОВ:\nДЛЯ ОФД: 3\n", u8"ФН ЗАРЕГИСТРИРОВАН\n",
                             u8"СМЕНА ОТКРЫТА\n", "\nPOS PN: PN-77\n", "POS SN: SN-88\n", "POS DT: ", u8"ОФД: ",
                             u8"РЕГИСТРАЦИЯ: ФФД "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    // Outside marking mode: no OISM or key-service lines.
    EXPECT_EQ(text.find(u8"ОИСМ"), std::string::npos) << text;
    EXPECT_EQ(text.find(u8"АС ОКП"), std::string::npos) << text;
    const std::string q = Utf8(qr);
    EXPECT_EQ(q.rfind("\n<QR>0000000000123456 ", 0), 0u) << q;
    EXPECT_NE(q.find("9999078900012345 "), std::string::npos) << q;
    EXPECT_NE(q.find("PN-77 SN-88 "), std::string::npos) << q;
}

// The registration line: the FFD version and the flag word from the
// registration flags and, on FFD 1.2, the marking parameter's bits.
TEST_F(FiscalTest, InfoReportRegistrationFlagWord)
{
    const struct {
        const char *scenario;
        const char *line;
    } cases[] = {
        {"drive reg-flags 02\n", u8"РЕГИСТРАЦИЯ: ФФД 1.05 (00000002)\n"},
        {"drive ffd 1.1\ndrive reg-flags 00\n", u8"РЕГИСТРАЦИЯ: ФФД 1.1 (00000000)\n"},
        // 1290 bits 0x0002, 0x0100, 0x0200 and 0x2000 become 0x0004, 0x1000,
        // 0x0008 and 0x4000; the stand-in answers tag 1221 (0x0800) with 01
        // for a drive whose 1290 has bit 0x0002.
        {"drive ffd 1.2\ndrive reg-flags 01\ndrive marking 00002302\n", u8"РЕГИСТРАЦИЯ: ФФД 1.2 (0000580D)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.scenario);
        sim->ForgetDrive();
        Drive(c.scenario);
        fn_status_refresh(nullptr);
        static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
        report[0] = '\0';
        kkt_info_report(report, qr, 0);
        const std::string text = Utf8(report);
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

// Without answers the report still holds the local date, the statuses of
// the cached state and the terminal's properties.
TEST_F(FiscalTest, InfoReportWithoutTheDrive)
{
    Scenario("mode normal\n");
    sim.reset();
    kfn_set_state(0x08, 0x0800);
    ASSERT_EQ(OsRegSetValue("persist.sys.prolin", "2.7"), 0);
    static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
    report[0] = '\0';
    kkt_info_report(report, qr, 0);
    const std::string text = Utf8(report);
    EXPECT_EQ(text.rfind("POS DT: ", 0), 0u) << text;
    for (const char *line : {u8"\nПОСТОЯННЫЙ СТАТУС: 08\nФН ЗАРЕГИСТРИРОВАН\n", u8"\nТЕКУЩИЙ СТАТУС: 0800\nСМЕНА ОТКРЫТА\n",
                             "POS OS: 2.7\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    EXPECT_EQ(text.find("SN: "), std::string::npos) << text;

    // A long header is cut at the report's size, terminated.
    std::string header(KKT_INFO_REPORT_SIZE + 100, 'x');
    memcpy(report, header.data(), KKT_INFO_REPORT_SIZE - 1);
    report[KKT_INFO_REPORT_SIZE - 1] = '\0';
    kkt_info_report(report, qr, 0);
    EXPECT_EQ(strlen(report), KKT_INFO_REPORT_SIZE - 1);
}

// The key '0' prints the title lines, the report, the QR block and four
// empty lines; Enter only leaves.
TEST_F(FiscalTest, InfoScreenPrintsOnZero)
{
    Drive("drive shift open 1\ndrive serial 0000000000123456\n");
    fn_status_refresh(nullptr);
    Script({{u8"ИНФОРМАЦИЯ О КАССЕ", {KEY_ENTER}}});
    build_kkt_info(ui, "HEADER\n", "", "common_dlg_info.xml", 1);
    EndScript();
    EXPECT_EQ(Paper().find(u8"ИНФОРМАЦИЯ О КАССЕ"), std::string::npos);

    Script({{u8"ИНФОРМАЦИЯ О КАССЕ", {DigitKey('0')}}});
    build_kkt_info(ui, "HEADER\n", "", "common_dlg_info.xml", 1);
    EndScript();
    const std::string paper = Paper();
    size_t at = 0;
    for (const char *part : {u8"ИНФОРМАЦИЯ О КАССЕ", "========================================", "HEADER",
                             "SN: 0000000000123456", "<QR>0000000000123456 ", "</QR>"}) {
        size_t found = paper.find(part, at);
        EXPECT_NE(found, std::string::npos) << part << " in order in\n" << paper;
        if (found != std::string::npos)
            at = found;
    }
}

// The screen's header names the controller service's version text and its
// four version numbers, each on a "СЕРВ:" line.
TEST_F(FiscalTest, InfoScreenNamesTheServiceVersions)
{
    Drive("version-text KSIM 2.7\nversion 3 1 4 15\n");
    fn_status_refresh(nullptr);
    Script({{u8"ИНФОРМАЦИЯ О КАССЕ", {DigitKey('0')}}});
    show_kkt_info(ui, "");
    EndScript();
    const std::string paper = Paper();
    EXPECT_TRUE(InOrder(paper, {u8"ПРОГ: ", u8"СЕРВ: KSIM 2.7\n", u8"СЕРВ: 3.1.4.15\n"})) << paper;
}

} // namespace fiscaltest
