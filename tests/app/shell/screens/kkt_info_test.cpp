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

// In marking mode the key service's part ends with the drive's key state:
// one of four sentences, none ending its line; a drive that cannot tell it
// gives the keys' age in calendar days instead, or says none are loaded, and
// a date that is no calendar day leaves the line out.
TEST_F(FiscalTest, InfoReportKeyState)
{
    const std::string kNext = u8"\nНЕОТПРАВЛЕННЫХ ДОКУМЕНТОВ:";
    const struct {
        const char *drive;
        int y, m, d;        // today
        unsigned packed;    // the keys' date set in the drive as it is (0: as scripted)
        std::string part;   // what follows the key service's TIMEOUTS line
    } cases[] = {
        {"drive key-state 0\n", 2026, 3, 1, 0, u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ ВЫПОЛНЕНО.   "},
        {"drive key-state 1\n", 2026, 3, 1, 0, u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО."},
        {"drive key-state 2\n", 2026, 3, 1, 0,
         u8"ОБНОВЛЕНИЕ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОБРАТИТЕСЬ В СЛУЖБУ ТЕХНИЧЕСКОЙ ПОДДЕРЖКИ."},
        {"drive key-state 3\n", 2026, 3, 1, 0,
         u8"ОБНОВЛЕНИЯ КЛЮЧЕЙ ПРОВЕРКИ НЕ ВЫПОЛНЕНО.ОШИБКА СЕРВИСА ОБНОВЛЕНИЯ КЛЮЧЕЙ КМ."},
        // 14 days across a month's end (the packed dates differ by 18)
        {"drive key-error 71\ndrive key-date 150226\n", 2026, 3, 1, 0, u8"КЛЮЧИ АС ОКП ОБНОВЛЕНЫ 14 ДНЕЙ НАЗАД\n"},
        // 16 days across a year's end (packed: 145)
        {"drive key-error 71\ndrive key-date 201225\n", 2026, 1, 5, 0, u8"КЛЮЧИ АС ОКП ОБНОВЛЕНЫ 16 ДНЕЙ НАЗАД\n"},
        {"drive key-error 71\ndrive key-date 0\n", 2026, 3, 1, 0, u8"КЛЮЧИ АС ОКП НЕ ЗАГРУЖЕНЫ\n"},
        // the drive does not answer the state at all (its own error)
        {"drive key-date 010326\n", 2026, 3, 1, 0, u8"КЛЮЧИ АС ОКП ОБНОВЛЕНЫ 0 ДНЕЙ НАЗАД\n"},
        // month 0 and 30 February are no calendar days
        {"drive key-error 71\n", 2026, 3, 1, 1 + 32 * 0 + 512 * (2026 - 1996), ""},
        {"drive key-error 71\n", 2026, 3, 1, 30 + 32 * 2 + 512 * (2026 - 1996), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.drive);
        sim->ForgetDrive();
        Drive(std::string("drive ffd 1.2\ndrive marking 00000100\n") + c.drive);
        if (c.packed)
            sim->UpdateDrive([&](kktsim::DriveState &d) { d.archive.keyDate = static_cast<uint16_t>(c.packed); });
        fn_status_refresh(nullptr);
        ASSERT_EQ(kfn_marking_mode(), 1);
        OsTime t;
        memset(&t, 0, sizeof t);
        t.Year = c.y;
        t.Month = c.m;
        t.Day = c.d;
        t.Hour = 12;
        ASSERT_EQ(OsSetTime(&t), 0);
        static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
        report[0] = '\0';
        kkt_info_report(report, qr, 0);
        const std::string text = Utf8(report);
        const size_t service = text.find(u8"АС ОКП: ");
        ASSERT_NE(service, std::string::npos) << text;
        const size_t timeouts = text.find("TIMEOUTS: ", service);
        ASSERT_NE(timeouts, std::string::npos) << text;
        const size_t from = text.find('\n', timeouts) + 1, to = text.find(kNext, from);
        ASSERT_NE(to, std::string::npos) << text;
        EXPECT_EQ(text.substr(from, to - from), c.part) << text;
    }
}

// The key service's address comes from where the program says (it belongs to
// the communications screens): the one set is asked on every report; with
// none set the report names only what the drive's server parameters give.
TEST_F(FiscalTest, InfoReportKeyServiceFromItsSource)
{
    static int asked;
    const struct {
        KktInfoKeyService source;
        int asked;
        bool named;
    } cases[] = {
        {[](const char **host, uint16_t *port) { ++asked; *host = "keys.example.test"; *port = 4242; }, 1, true},
        {[](const char **host, uint16_t *port) { ++asked; *host = ""; *port = 4242; }, 1, false},
        {nullptr, 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source ? "set" : "none");
        asked = 0;
        kkt_info_set_key_service(c.source);
        sim->ForgetDrive();
        Drive("drive ffd 1.2\ndrive marking 00000100\n");
        fn_status_refresh(nullptr);
        ASSERT_EQ(kfn_marking_mode(), 1);
        static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
        report[0] = '\0';
        kkt_info_report(report, qr, 0);
        const std::string text = Utf8(report);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(text.find(u8"АС ОКП: keys.example.test:4242\n") != std::string::npos, c.named) << text;
        EXPECT_NE(text.find("TIMEOUTS: "), std::string::npos) << text;
    }
}

// What waits to be sent: documents for the OFD and, in marking mode,
// notifications for the marking server; on an autonomous registration only
// the notifications to unload.
TEST_F(FiscalTest, InfoReportWaitingDocuments)
{
    const struct {
        const char *drive;
        const char *present;
        std::vector<const char *> absent;
    } cases[] = {
        {"drive waiting 3\n", u8"\nНЕОТПРАВЛЕННЫХ ДОКУМЕНТОВ:\nДЛЯ ОФД: 3\nДЛЯ ОИСМ: 4\n", {u8"УВЕДОМЛЕНИЙ"}},
        {"drive reg-flags 02\n", u8"\nУВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ: 4\n", {u8"НЕОТПРАВЛЕННЫХ", u8"ДЛЯ ОФД", u8"ДЛЯ ОИСМ"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.drive);
        sim->ForgetDrive();
        Drive(std::string("drive ffd 1.2\ndrive marking 00000100\ndrive notifications 4\n") + c.drive);
        fn_status_refresh(nullptr);
        ASSERT_EQ(kfn_marking_mode(), 1);
        static char report[KKT_INFO_REPORT_SIZE], qr[KKT_INFO_QR_SIZE];
        report[0] = '\0';
        kkt_info_report(report, qr, 0);
        const std::string text = Utf8(report);
        EXPECT_NE(text.find(c.present), std::string::npos) << text;
        for (const char *a : c.absent)
            EXPECT_EQ(text.find(a), std::string::npos) << a << " in\n" << text;
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
