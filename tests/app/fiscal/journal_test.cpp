// The electronic journal's screens on the fiscal-drive stand-in: the
// numbers typed go out as the fields of each print, the drive's refusals
// are shown, values that do not fit the fields are refused before anything
// is sent, and the time report keeps its times even after Cancel.
#include "FiscalFixture.h"

#include <time.h>

#include "journal.h"
#include "kfn_state.h"

namespace fiscaltest {
namespace {

const char *kShiftDialog = "kkt_dlg_input_shift_num.xml";
const char *kNumbersDialog = "kkt_dlg_ej_no_report.xml";
const char *kJournalDocDialog = "kkt_dlg_ej_no_doc.xml";
const char *kTimeDialog = "kkt_dlg_ej_time_report.xml";
const char *kJournalTitle = u8"ЖУРНАЛ";

std::string Today()
{
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    char b[16];
    strftime(b, sizeof b, "%d%m%y", &t);
    return b;
}

class JournalTest : public FiscalTest {
protected:
    // Two shifts: documents 2 to 4 in shift 1 (opening, a receipt, the
    // closing), document 5 opens shift 2.
    void TwoShifts(const std::string &extra = "")
    {
        Drive("drive shift closed 0\ndrive document shift-open 0103260900\ndrive document receipt 0103261000\n"
              "drive document shift-close 0103261900\ndrive document shift-open 0203260900\n" +
              extra);
    }
};

typedef void (*Handler)(vuUI *, const char *);

struct PrintCase {
    const char *what;
    Handler handler;
    const char *dialog;
    std::vector<uint16_t> keys;
    const char *code;
    std::vector<std::string> fields;
    const char *done;       // the success box's text, or null: refused by the drive
    const char *paper;      // printed on success
};

} // namespace

TEST_F(JournalTest, PrintsSendWhatWasTyped)
{
    const std::vector<uint16_t> down2 = {KEY_DOWN, KEY_DOWN};
    const PrintCase cases[] = {
        {"a shift by number", CmdJournalShift, kShiftDialog, Digits("1"), "84", {"0100"}, u8"УСПЕШНО ВЫПОЛНЕН!",
         u8"ФД 3"},
        {"no number: the current shift, no field", CmdJournalShift, kShiftDialog, {KEY_ENTER}, "84", {},
         u8"УСПЕШНО ВЫПОЛНЕН!", u8"ФД 5"},
        {"a shift's closing", CmdJournalShiftClose, kShiftDialog, Digits("1"), "7C", {"0100"},
         u8"УСПЕШНО ВЫПОЛНЕН!", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"},
        {"closing of shift 0 is sent as a word", CmdJournalShiftClose, kShiftDialog, {KEY_ENTER}, "7C", {"0000"},
         nullptr, nullptr},
        {"numbers as preset, no flag", CmdJournalNums, kNumbersDialog, {KEY_ENTER}, "7E", {"0100", "6400"},
         u8"УСПЕШНО ВЫПОЛНЕН!", u8"ФД 5"},
        {"numbers with the flag", CmdJournalNums, kNumbersDialog, {KEY_DOWN, KEY_DOWN, DigitKey('3'), KEY_ENTER},
         "7E", {"0100", "6400", "03"}, u8"УСПЕШНО ВЫПОЛНЕН!", u8"ФД 2"},
        {"a range holding no document", CmdJournalNums, kNumbersDialog, Digits("6"), "7E", {"0600", "6400"}, nullptr,
         nullptr},
        {"one document", CmdJournalDoc, kJournalDocDialog, Digits("3"), "7F", {"0300"}, u8"УСПЕШНО ВЫПОЛНЕНО!",
         u8"КАССОВЫЙ ЧЕК"},
        {"one document with the flag", CmdJournalDoc, kJournalDocDialog, {DigitKey('4'), KEY_DOWN, DigitKey('1'), KEY_ENTER},
         "7F", {"0400", "01"}, u8"УСПЕШНО ВЫПОЛНЕНО!", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"},
        {"a flag of 0 is not sent", CmdJournalDoc, kJournalDocDialog, {DigitKey('4'), KEY_DOWN, DigitKey('0'), KEY_ENTER},
         "7F", {"0400"}, u8"УСПЕШНО ВЫПОЛНЕНО!", u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ"},
        {"document 1 is not in the journal", CmdJournalDoc, kJournalDocDialog, {KEY_ENTER}, "7F", {"0100"}, nullptr,
         nullptr},
    };
    for (const PrintCase &c : cases) {
        SCOPED_TRACE(c.what);
        TwoShifts();
        size_t boxes = Trace("msgbox").size(), taken = TakenCount();
        std::string before = Paper();
        std::vector<Step> steps = {{c.dialog, c.keys}, {kWait, {}}};
        steps.push_back({c.done ? kJournalTitle : u8"ОШИБКА", {KEY_ENTER}});
        Script(steps);
        c.handler(ui, "ЖУРНАЛ");
        EndScript();
        EXPECT_EQ(Taken(taken), std::vector<std::string>{c.code});
        EXPECT_EQ(LastFields(sim->JournalPath(), c.code), c.fields);
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_FALSE(shown.empty());
        std::string printed = Paper().substr(before.size());
        if (c.done) {
            EXPECT_EQ(shown.back(), std::string(kJournalTitle) + "|" + c.done);
            EXPECT_NE(printed.find(u8"ЭЛЕКТРОННЫЙ ЖУРНАЛ"), std::string::npos);
            EXPECT_NE(printed.find(c.paper), std::string::npos) << printed;
        } else {
            EXPECT_EQ(shown.back().rfind(u8"ОШИБКА|ОШИБКА при выполнении команды " + std::string(c.code), 0), 0u)
                << shown.back();
            EXPECT_EQ(printed, "");
        }
    }
}

// Numbers go to the drive as 16-bit words and the flag as a byte: larger
// values are refused with a box and the dialog comes back; nothing is sent.
TEST_F(JournalTest, ValuesTooLargeForTheirFieldsAreRefused)
{
    struct Case {
        const char *what;
        Handler handler;
        const char *dialog;
        std::vector<uint16_t> keys;
        const char *box;
    } cases[] = {
        {"shift 65536", CmdJournalShift, kShiftDialog, Digits("65536"), u8"НЕДОПУСТИМЫЙ НОМЕР"},
        {"closing of shift 70000", CmdJournalShiftClose, kShiftDialog, Digits("70000"), u8"НЕДОПУСТИМЫЙ НОМЕР"},
        {"last number 65536", CmdJournalNums, kNumbersDialog, {KEY_DOWN, DigitKey('6'), DigitKey('5'), DigitKey('5'),
         DigitKey('3'), DigitKey('6'), KEY_ENTER}, u8"НЕДОПУСТИМЫЙ НОМЕР"},
        {"flag 256", CmdJournalNums, kNumbersDialog, {KEY_DOWN, KEY_DOWN, DigitKey('2'), DigitKey('5'), DigitKey('6'),
         KEY_ENTER}, u8"НЕДОПУСТИМОЕ ЗНАЧЕНИЕ ПРИЗНАКА"},
        {"document 99999", CmdJournalDoc, kJournalDocDialog, Digits("99999"), u8"НЕДОПУСТИМЫЙ НОМЕР"},
        {"document flag 300", CmdJournalDoc, kJournalDocDialog, {KEY_DOWN, DigitKey('3'), DigitKey('0'), DigitKey('0'),
         KEY_ENTER}, u8"НЕДОПУСТИМОЕ ЗНАЧЕНИЕ ПРИЗНАКА"},
    };
    TwoShifts();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        size_t boxes = Trace("msgbox").size(), taken = TakenCount();
        Script({{c.dialog, c.keys}, {u8"ОШИБКА", {KEY_ENTER}}, {c.dialog, {KEY_CANCEL}}});
        c.handler(ui, "ЖУРНАЛ");
        EndScript();
        EXPECT_EQ(Taken(taken), std::vector<std::string>{});
        std::vector<std::string> shown = Boxes(boxes);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind(std::string(u8"ОШИБКА|") + c.box, 0), 0u) << shown[0];
    }
    // The largest values that fit go out.
    size_t taken = TakenCount();
    Script({{kShiftDialog, Digits("65535")}, {kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdJournalShift(ui, "ЖУРНАЛ");
    EndScript();
    EXPECT_EQ(Taken(taken), std::vector<std::string>{"84"});
    EXPECT_EQ(LastFields(sim->JournalPath(), "84"), std::vector<std::string>{"FFFF"});
}

// The times typed are kept after Cancel, and the next report starts from
// them; the date is today's.
TEST_F(JournalTest, TimeReportKeepsItsTimesAfterCancel)
{
    const std::string today = Today();
    TwoShifts("drive document shift-open " + today + "0805\ndrive document receipt " + today + "1130\n" +
              "drive document receipt " + today + "1215\n");
    size_t taken = TakenCount();
    Script({{kTimeDialog, {DigitKey('0'), DigitKey('9'), DigitKey('0'), DigitKey('0'), KEY_DOWN, DigitKey('1'),
                           DigitKey('2'), DigitKey('0'), DigitKey('0'), KEY_CANCEL}}});
    CmdEJTimeReport(ui, "ЖУРНАЛ");
    EndScript();
    EXPECT_EQ(Taken(taken), std::vector<std::string>{});
    std::string saved = ReadFile("data/kktsettings.xml");
    EXPECT_NE(saved.find("CmdEJTimeReport"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Start=\"0900\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("End=\"1200\""), std::string::npos) << saved;

    std::string before = Paper();
    Script({{kTimeDialog, {KEY_ENTER}}, {kWait, {}}, {kJournalTitle, {KEY_ENTER}}});
    CmdEJTimeReport(ui, "ЖУРНАЛ");
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "7D"), (std::vector<std::string>{"0900", "1200", today}));
    std::string printed = Paper().substr(before.size());
    EXPECT_NE(printed.find(u8"ФД 7"), std::string::npos) << printed;  // 11:30
    EXPECT_EQ(printed.find(u8"ФД 6"), std::string::npos) << printed;  // 08:05
    EXPECT_EQ(printed.find(u8"ФД 8"), std::string::npos) << printed;  // 12:15
}

TEST_F(JournalTest, ClearingAndParameters)
{
    TwoShifts("drive journal-pages 100\ndrive journal-failed 2\n");
    size_t taken = TakenCount();
    // Cancel at the question sends nothing.
    Script({{u8"ВНИМАНИЕ", {KEY_CANCEL}}});
    CmdJournalClean(ui, "ОЧИСТКА");
    EndScript();
    EXPECT_EQ(Taken(taken), std::vector<std::string>{});

    size_t boxes = Trace("msgbox").size();
    Script({{u8"ПАРАМЕТРЫ", {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {u8"ОЧИСТКА", {KEY_ENTER}},
            {u8"ПАРАМЕТРЫ", {KEY_ENTER}}});
    CmdJournalParam(ui, "ПАРАМЕТРЫ");
    CmdJournalClean(ui, "ОЧИСТКА");
    CmdJournalParam(ui, "ПАРАМЕТРЫ");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"49", "85", "49"}));
    std::vector<std::string> shown;
    for (const std::string &b : Boxes(boxes))
        if (b.rfind(kWait, 0) != 0)
            shown.push_back(b);
    EXPECT_EQ(shown, (std::vector<std::string>{
                         u8"ПАРАМЕТРЫ|ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: 100\nОТКАЗАВШИХ БЛОКОВ: 2\n"
                         u8"ТЕКУЩАЯ СТРАНИЦА: 4\nСВОБОДНЫХ СТРАНИЦ: 96",
                         u8"ВНИМАНИЕ|ЭЛЕКТРОННЫЙ ЖУРНАЛ БУДЕТ ОЧИЩЕН\n\nПРОДОЛЖИТЬ?",
                         u8"ОЧИСТКА|ЭЛЕКТРОННЫЙ ЖУРНАЛ УСПЕШНО ОЧИЩЕН!",
                         u8"ПАРАМЕТРЫ|ПАРАМЕТРЫ ЖУРНАЛА:\n\nКОЛ-ВО СТРАНИЦ: 100\nОТКАЗАВШИХ БЛОКОВ: 2\n"
                         u8"ТЕКУЩАЯ СТРАНИЦА: 0\nСВОБОДНЫХ СТРАНИЦ: 100"}));
    // A cleared journal has nothing left to print.
    Script({{kShiftDialog, Digits("1")}, {kWait, {}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdJournalShift(ui, "ЖУРНАЛ");
    EndScript();
}

// A print the user cancels while it waits shows no success box.
TEST_F(JournalTest, ACancelledPrintShowsNoSuccess)
{
    TwoShifts("fault 84 delay 3000\n");
    size_t boxes = Trace("msgbox").size();
    Script({{kShiftDialog, Digits("1")}, {kWait, {KEY_CANCEL}}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdJournalShift(ui, "ЖУРНАЛ");
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), u8"ОШИБКА|Выполнение команды 84 прервано");
}

} // namespace fiscaltest
