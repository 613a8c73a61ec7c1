// The electronic journal, the drive's information screens, the reports and
// the closing of the fiscal drive end to end: kktsim with its drive model
// and cashdesk as processes, keys through the keypad FIFO; out the screen
// trace, kktsim's journal, its paper log and its drive state.
#include "CashdeskE2e.h"

#include <time.h>

#include <map>

namespace {

using namespace e2e;


std::string Today()
{
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    char b[16];
    strftime(b, sizeof b, "%d%m%y", &t);
    return b;
}

class FiscalE2e : public Cashdesk {
protected:
    // The model's registered drive with extra lines, the program at its
    // main menu.
    void Start(const std::string &extra)
    {
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") + extra);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
    }
    void Type(const std::string &digits)
    {
        for (char c : digits)
            Key(DigitKey(c));
    }
    // Chooses item id of a menu that keeps its selection between choices:
    // the selection moves from where the last choice left it.
    void Select(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t to = 0;
        while (to < items.size() && items[to] != id)
            ++to;
        ASSERT_LT(to, items.size()) << id << " not in " << file;
        size_t &from = selected[file];
        if (to > from)
            Key(KEY_DOWN, static_cast<int>(to - from));
        else if (to < from)
            Key(103, static_cast<int>(from - to)); // up
        from = to;
        Key(KEY_ENTER);
    }
    // Opens item id of sub-menu `menu` from the main menu; the sub-menu is
    // new each time it opens.
    void Open(const std::string &menu, const std::string &id)
    {
        Select("kkt_menu_main.xml", menu);
        WaitForm("kkt_menu_" + menu + ".xml");
        selected["kkt_menu_" + menu + ".xml"] = 0;
        Select("kkt_menu_" + menu + ".xml", id);
    }
    // Back from a sub-menu to the main menu.
    void Back(const std::string &menu)
    {
        WaitForm("kkt_menu_" + menu + ".xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    std::map<std::string, size_t> selected;
    std::string Paper() { return readFile(dir + "/kktsim/paper.txt"); }
    std::string DriveFile() { return driveState(dir + "/kktsim"); }
    // The data fields of the last request with this code, as the journal
    // line has them.
    std::string LastRequest(const std::string &code)
    {
        std::string line;
        for (const Entry &e : ReadJournal(journal, "in", 1))
            if (e.Get("code") == code)
                line = e.line;
        return line;
    }
};

} // namespace

// Copies of a shift's documents, then by time: the times typed are kept
// after Cancel and go out with today's date the next time.
TEST_F(FiscalE2e, JournalPrintsByShiftAndByTime)
{
    const std::string today = Today();
    Start("drive shift closed 0\ndrive document shift-open 0103260900\ndrive document receipt 0103261000\n"
          "drive document shift-close 0103261900\ndrive document shift-open " + today + "0805\n"
          "drive document receipt " + today + "1130\n");
    Open("journal", "journal_shift");
    WaitForm("kkt_dlg_input_shift_num.xml", u8"ЖУРНАЛ СМЕНЫ");
    Type("1");
    Key(KEY_ENTER);
    Entry done = WaitBox(u8"ЖУРНАЛ СМЕНЫ");
    EXPECT_EQ(done.Get("text"), u8"УСПЕШНО ВЫПОЛНЕН!");
    Key(KEY_ENTER);
    EXPECT_NE(LastRequest("84").find("\"fields\":[\"0100\"]"), std::string::npos) << LastRequest("84");
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"ЭЛЕКТРОННЫЙ ЖУРНАЛ"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ФД 4"), std::string::npos) << paper;
    EXPECT_EQ(paper.find(u8"ФД 5"), std::string::npos) << paper;

    // A sub-menu comes back with its last item chosen: each screen is
    // opened afresh from the main menu.
    Back("journal");
    Open("journal", "journal_time");
    WaitForm("kkt_dlg_ej_time_report.xml");
    Type("1100");
    Key(KEY_DOWN);
    Type("1200");
    Key(KEY_CANCEL);
    Back("journal");
    std::string settings = readFile(dir + "/data/kktsettings.xml");
    EXPECT_NE(settings.find("Start=\"1100\""), std::string::npos) << settings;
    EXPECT_NE(settings.find("End=\"1200\""), std::string::npos) << settings;

    size_t before = Paper().size();
    Open("journal", "journal_time");
    WaitForm("kkt_dlg_ej_time_report.xml");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ОТЧЕТ ПО ВРЕМЕНИ").Get("text"), u8"УСПЕШНО ВЫПОЛНЕН!");
    Key(KEY_ENTER);
    EXPECT_NE(LastRequest("7D").find("\"fields\":[\"1100\",\"1200\",\"" + today + "\"]"), std::string::npos)
        << LastRequest("7D");
    std::string printed = Paper().substr(before);
    EXPECT_NE(printed.find(u8"ФД 6"), std::string::npos) << printed;
    EXPECT_EQ(printed.find(u8"ФД 5"), std::string::npos) << printed;
    Back("journal");
    Quit();
}

// The drive's status, then a document's fields listed one per line.
TEST_F(FiscalE2e, DriveStatusAndADocumentsFields)
{
    Start("drive shift closed 0\ndrive document shift-open 0103260900\ndrive document receipt 0103261000\n");
    Open("fn", "fn_stat");
    Entry stat = WaitBox(u8"СОСТОЯНИЕ ФН");
    EXPECT_EQ(stat.Num("flags"), 273);
    EXPECT_NE(stat.Get("text").find(u8"ФАЗА ЖИЗНИ: '03' ФИСКАЛЬНЫЙ РЕЖИМ\n"), std::string::npos) << stat.Get("text");
    EXPECT_NE(stat.Get("text").find(u8"НОМЕР ПОСЛ.ФД: '03000000' 3\n"), std::string::npos) << stat.Get("text");
    Key(KEY_ENTER);

    Back("fn");
    Open("fn", "fn_doc");
    WaitForm("kkt_dlg_fn_get_doc.xml");
    Type("3");
    Key(KEY_DOWN);
    Key(DigitKey('5'));
    Key(DigitKey('8'), 4);
    Key(DigitKey('5'));
    Key(KEY_DOWN);
    Key(KEY_ENTER);
    Entry fields = WaitBox(u8"ДОКУМЕНТ ПО НОМЕРУ");
    EXPECT_EQ(fields.Get("text").rfind(u8"1000: КАССОВЫЙ ЧЕК\n1012: 0103261000\n1040: 3\n", 0), 0u)
        << fields.Get("text");
    Key(KEY_ENTER);
    Back("fn");
    Quit();
}

// Totals by payment type: an index of 16 is refused, 1 is reported.
TEST_F(FiscalE2e, ReportByPaymentTypeWithARefusedIndex)
{
    Start("drive shift open 2\n");
    auto typeAndChooseIndexItem = [&](const std::string &index) {
        WaitForm("kkt_dlg_report_payment.xml");
        Type(index);
        Key(KEY_DOWN);
        Key(DigitKey('5'));
        Key(DigitKey('8'), 5);
        Key(DigitKey('5'));
        Key(KEY_DOWN);
        Key(KEY_ENTER);
    };
    Open("reports", "report_payment");
    typeAndChooseIndexItem("16");
    EXPECT_EQ(WaitBox(u8"ОШИБКА").Get("text"), u8"НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15");
    size_t sent = TakenCount();
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_report_payment.xml");
    Key(KEY_CANCEL);
    Back("reports");
    for (const std::string &code : Taken(sent))
        EXPECT_TRUE(code == "39" || code.rfind("DLE", 0) == 0) << code << ": nothing is asked for index 16";
    Open("reports", "report_payment");
    typeAndChooseIndexItem("1");
    Entry report = WaitBox(u8"ИТОГИ ПО ОПЛАТАМ");
    EXPECT_EQ(report.Get("text"), u8"ОТЧЕТ ПО (1)\nБЕЗНАЛИЧНЫМИ\n\nПриход: 0.00\nВозврат прихода: 0.00\n"
                                  u8"Расход: 0.00\nВозврат расхода: 0.00\n");
    Key(KEY_ENTER);
    Back("reports");
    Quit();
}

// The drive's closing: a wrong password, the password dialog cancelled,
// Cancel at the question (the dialog comes back with what was typed), then
// the closing; afterwards the drive refuses to open a shift.
TEST_F(FiscalE2e, ClosingTheFiscalDrive)
{
    Start("drive shift closed 5\ndrive last-document 30\n");
    Open("fn", "fn_close");
    WaitForm("kkt_dlg_pass_input.xml", u8"ЗАКРЫТИЕ ФН");
    Type("1111");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), u8"ПАРОЛЬ НЕВЕРНЫЙ\n\nПОВТОРИТЕ ВВОД");
    Key(KEY_ENTER);
    // The dialog keeps what was typed: Cancel ends the screen at once.
    WaitForm("kkt_dlg_pass_input.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_fn.xml");
    EXPECT_EQ(LastRequest("8D"), "");
    Select("kkt_menu_fn.xml", "fn_close");
    WaitForm("kkt_dlg_pass_input.xml");
    Type("3846");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_fn_close.xml");
    Type("7");
    Key(KEY_ENTER);
    WaitBox(u8"ВНИМАНИЕ");
    Key(KEY_CANCEL);
    WaitForm("kkt_dlg_fn_close.xml");
    EXPECT_EQ(LastRequest("8D"), "") << "nothing sent before the answer";
    Key(KEY_ENTER); // the name is still there: straight to the question
    Entry question = WaitBox(u8"ВНИМАНИЕ");
    EXPECT_EQ(question.Num("flags"), 11);
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), u8"УСПЕШНО ЗАКРЫТ АРХИВ ФН!");
    Key(KEY_ENTER);
    EXPECT_NE(LastRequest("8D").find("\"7\",\"01\"]"), std::string::npos) << LastRequest("8D");
    EXPECT_NE(Paper().find(u8"ОТЧЕТ О ЗАКРЫТИИ ФН"), std::string::npos) << Paper();
    std::string state = DriveFile();
    EXPECT_NE(state.find("\"phase\": 7,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"last_document\": 31,"), std::string::npos) << state;
    Back("fn");

    Open("shift", "shift_open");
    WaitForm("kkt_dlg_shift_open.xml");
    Type("7");
    Key(KEY_ENTER);
    Entry refused = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(refused.Get("text").rfind(u8"ОШИБКА при выполнении команды 02:\n1A:", 0), 0u) << refused.Get("text");
    Key(KEY_ENTER);
    Back("shift");
    Quit();
}
