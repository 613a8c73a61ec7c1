// Reports on screen, the OFD screens, the printed payment report and the
// document browser on the fiscal-drive stand-in, after a few receipts.
#include "FiscalFixture.h"

#include "TMCommand.h"
#include "kfn_state.h"
#include "ofd_info.h"
#include "reports.h"

namespace fiscaltest {
namespace {

const char *kReportPayment = "kkt_dlg_report_payment.xml";
const char *kDepartment = "kkt_dlg_report_dep.xml";
const char *kTicket = "kkt_dlg_ofd_get_ticket.xml";

struct ReportItem {
    const char *name, *price;
    uint8_t department;
};

class ReportsTest : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        kfn_state.ffd_version = -1;
        kfn_state.marking_mode = -1;
        kfn_state.reg_flags = 0;
    }
    // A receipt of type (0 income, 2 return of income) paid in full by one
    // payment type.
    void Receipt(uint8_t type, const std::vector<ReportItem> &items, uint8_t payment, const char *amount)
    {
        TMCommand c;
        ASSERT_GT(c.OpenDocument(type, "КАССИР", "", "", "", 0, 0, "", ""), 0);
        ASSERT_EQ(kfn_exec(nullptr, &c, 5000), 0);
        for (const ReportItem &i : items) {
            TMCommand item;
            ASSERT_GT(item.AddItem(i.name, "", i.price, "1", "шт", 1, 1, 4, 0, i.department, "", ""), 0);
            ASSERT_EQ(kfn_exec(nullptr, &item, 5000), 0);
        }
        TMCommand pay;
        ASSERT_GT(pay.AddPayment(payment, amount, "", ""), 0);
        ASSERT_EQ(kfn_exec(nullptr, &pay, 5000), 0);
        TMCommand close;
        ASSERT_GT(close.CloseDocument(), 0);
        ASSERT_EQ(kfn_exec(nullptr, &close, 5000), 0);
    }
    // An open shift with an income of 100.00 in cash (departments 3 and
    // 17), one of 50.00 cashless (department 3) and a return of 10.00 in
    // cash (department 3).
    void Day(const std::string &extra = "")
    {
        Drive("drive shift open 4\n" + extra);
        Receipt(0, {{"ХЛЕБ", "60.00", 3}, {"СОЛЬ", "40.00", 17}}, 0, "100.00");
        Receipt(0, {{"ХЛЕБ", "50.00", 3}}, 1, "50.00");
        Receipt(2, {{"ХЛЕБ", "10.00", 3}}, 0, "10.00");
    }
    std::vector<std::string> Shown(size_t from = 0)
    {
        std::vector<std::string> out;
        for (const std::string &b : Boxes(from))
            if (b.rfind(kWait, 0) != 0)
                out.push_back(b);
        return out;
    }
    // The keys that check item n of a radio list that has the focus, then
    // move on to the next field.
    static std::vector<uint16_t> ItemKeys(int n)
    {
        std::vector<uint16_t> keys = {DigitKey('5')};
        for (int i = 1; i < n; ++i)
            keys.push_back(DigitKey('8'));
        keys.push_back(DigitKey('5'));
        keys.push_back(KEY_DOWN);
        return keys;
    }
};

} // namespace

TEST_F(ReportsTest, ShiftCountersAndTotals)
{
    Day();
    size_t taken = TakenCount();
    Script({{u8"СЧЕТЧИКИ", {KEY_ENTER}}, {u8"ДЕНЬГИ", {KEY_ENTER}}, {u8"ИТОГИ", {KEY_ENTER}}});
    CmdShiftDocCounter(ui, "СЧЕТЧИКИ");
    CmdMoneyInfo(ui, "ДЕНЬГИ");
    CmdReportExt(ui, "ИТОГИ");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"3D", "34", "37"}));
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].find(u8"Кол-во приходов:               2\nКол-во возв.приходов:          1\n"), std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find(u8"\nСМЕНА ОТКРЫТА\n"), std::string::npos) << shown[0];
    EXPECT_EQ(shown[1].rfind(u8"ДЕНЬГИ|Налич. приход: 100.00\nНалич. возврат прихода: 10.00\n", 0), 0u) << shown[1];
    EXPECT_NE(shown[1].find(u8"\nБезнал. приход: 50.00\n"), std::string::npos) << shown[1];
    EXPECT_NE(shown[1].find(u8"\nСумма в кассе: 90.00\n"), std::string::npos) << shown[1];
    EXPECT_EQ(shown[2].rfind(u8"ИТОГИ|ИТОГ:\nПриход: 150.00\nВозврат прихода: 10.00\n", 0), 0u) << shown[2];
}

TEST_F(ReportsTest, PrinterState)
{
    Drive("printer-state 3\nprint-error -7\n");
    Script({{u8"ПРИНТЕР", {KEY_ENTER}}});
    CmdPrnStat(ui, "ПРИНТЕР");
    EndScript();
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(u8"\n\nСТАТУС: 3\n(ПЕРЕГРЕВ ПРИНТЕРА)\n\nОШИБКА ПЕЧАТИ: -7\n"), std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find(u8"СОСТOЯН.ДАННЫХ: 0\n"), std::string::npos) << shown[0];
}

// A payment type from the list or by its index; an index from 16 up is
// refused and the dialog comes back.
TEST_F(ReportsTest, ReportByPaymentType)
{
    Day();
    size_t taken = TakenCount();
    // The index field has the focus first; the list comes next.
    Script({{kReportPayment, {KEY_ENTER}},
            {u8"ОПЛАТА", {KEY_ENTER}},
            {kReportPayment, Then(Digits("16", KEY_DOWN), Then(ItemKeys(6), {KEY_ENTER}))},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kReportPayment, {KEY_CANCEL}},
            {kReportPayment, Then(Digits("1", KEY_DOWN), Then(ItemKeys(6), {KEY_ENTER}))},
            {u8"ОПЛАТА", {KEY_ENTER}}});
    CmdReportPayment(ui, "ОПЛАТА");
    CmdReportPayment(ui, "ОПЛАТА");
    CmdReportPayment(ui, "ОПЛАТА");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"4B", "36", "4B", "36"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "36"), std::vector<std::string>{"01"});
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], u8"ОПЛАТА|ОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\nПриход: 100.00\nВозврат прихода: 10.00\nРасход: 0.00\n"
                        u8"Возврат расхода: 0.00\n");
    EXPECT_EQ(shown[1], u8"ОШИБКА|НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15");
    EXPECT_EQ(shown[2], u8"ОПЛАТА|ОТЧЕТ ПО (1)\nБЕЗНАЛИЧНЫМИ\n\nПриход: 50.00\nВозврат прихода: 0.00\nРасход: 0.00\n"
                        u8"Возврат расхода: 0.00\n");
}

// Departments 1 to 40 are taken; a department the table does not name gets
// its totals without a name.
TEST_F(ReportsTest, ReportByDepartment)
{
    Day();
    size_t taken = TakenCount();
    Script({{kDepartment, Digits("41")},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kDepartment, {KEY_CANCEL}},
            {kDepartment, Digits("0")},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kDepartment, {KEY_CANCEL}},
            {kDepartment, Digits("3")},
            {u8"ОТДЕЛ", {KEY_ENTER}},
            {kDepartment, Then({DigitKey('1'), DigitKey('7'), KEY_DOWN, KEY_DOWN}, Then(ItemKeys(1), {KEY_ENTER}))},
            {u8"ОТДЕЛ", {KEY_ENTER}}});
    for (int i = 0; i < 4; ++i)
        CmdReportDep(ui, "ОТДЕЛ");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"61", "4B", "38", "61", "4B", "38"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "38"), (std::vector<std::string>{"11", "00"}));
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], u8"ОШИБКА|НЕДОПУСТИМЫЙ НОМЕР ОТДЕЛА\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 1..40");
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_EQ(shown[2], u8"ОТДЕЛ|ОТДЕЛ 3\nОТДЕЛ 3\n\nОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\nСумма прихода: 60.00\n"
                        u8"Кол-во по приходу: 1\nСумма возврата прихода: 10.00\nКол-во по возв.прихода: 1\n"
                        u8"Сумма расхода: 0.00\nКол-во по расходу: 0\nСумма возврата расхода: 0.00\n"
                        u8"Кол-во по возв.расхода: 0\n");
    EXPECT_EQ(shown[3].rfind(u8"ОТДЕЛ|ОТДЕЛ 17\n\nОТЧЕТ ПО (0)\nНАЛИЧНЫМИ\n\nСумма прихода: 40.00\n", 0), 0u)
        << shown[3];
}

TEST_F(ReportsTest, OfdScreens)
{
    Drive("drive shift closed 0\ndrive document shift-open 0103260900\ndrive document receipt 0103261000\n"
          "drive waiting 1\n");
    size_t taken = TakenCount();
    // No number: asked again; document 2 with the print box checked.
    Script({{kTicket, {KEY_ENTER}},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kTicket, {DigitKey('2'), KEY_DOWN, DigitKey('5'), DigitKey('5'), KEY_DOWN, KEY_ENTER}},
            {u8"КВИТАНЦИЯ", {KEY_ENTER}},
            {u8"ОЖИДАНИЕ", {KEY_ENTER}},
            {u8"НЕПЕРЕДАННЫЕ", {KEY_ENTER}}});
    CmdOfdTicket(ui, "КВИТАНЦИЯ");
    CmdOfdDocWait(ui, "ОЖИДАНИЕ");
    CmdOfdPayState(ui, "НЕПЕРЕДАННЫЕ");
    EndScript();
    EXPECT_EQ(Taken(taken), (std::vector<std::string>{"3A", "39", "88", "3B"}));
    EXPECT_EQ(LastFields(sim->JournalPath(), "3A"), (std::vector<std::string>{"02000000", "01"}));
    EXPECT_NE(Paper().find(u8"КВИТАНЦИЯ ОФД"), std::string::npos);
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0], u8"ОШИБКА|НЕ ВВЕДЕН НОМЕР ДОКУМЕНТА!");
    EXPECT_EQ(shown[1], u8"КВИТАНЦИЯ|ДАТА: '0103260900'\nНОМЕР ДОК: 2\n\nФИСКАЛЬНЫЙ ПРИЗНАК:\n4F46440220000002");
    EXPECT_EQ(shown[2], u8"ОЖИДАНИЕ|ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n 1 ДЛЯ ОФД\n\n");
    EXPECT_EQ(shown[3], u8"НЕПЕРЕДАННЫЕ|ФД: 3 ФП: 268435459\n\nКОЛ. НЕПЕРЕДАННЫХ ФД: 1\n"
                        u8"ДАТА 1го НЕПЕРЕДАННОГО ФД: 0103261000");

    // A document the OFD has not acknowledged has no ticket: the refusal.
    size_t boxes = Trace("msgbox").size();
    Script({{kTicket, Digits("3")}, {u8"ОШИБКА", {KEY_ENTER}}});
    CmdOfdTicket(ui, "КВИТАНЦИЯ");
    EndScript();
    EXPECT_EQ(Shown(boxes).size(), 1u);
}

// The waiting documents' box comes even after a failed query (with 0);
// the autonomous mode counts notifications and never asks 0x39.
TEST_F(ReportsTest, WaitingDocumentsAfterFailuresAndWhenAutonomous)
{
    Drive("drive notifications 6\nanswer 39 error=01\n");
    Script({{u8"ОШИБКА", {KEY_ENTER}}, {u8"ОЖИДАНИЕ", {KEY_ENTER}}, {u8"ОЖИДАНИЕ", {KEY_ENTER}}});
    CmdOfdDocWait(ui, "ОЖИДАНИЕ");
    kfn_state.reg_flags = 0x02;
    CmdOfdDocWait(ui, "ОЖИДАНИЕ");
    EndScript();
    EXPECT_EQ(Taken(), (std::vector<std::string>{"39", "88", "80"}));
    std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1], u8"ОЖИДАНИЕ|ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ:\n\n 0 ДЛЯ ОФД\n\n");
    EXPECT_EQ(shown[2], u8"ОЖИДАНИЕ|УВЕДОМЛЕНИЙ ДЛЯ ВЫГРУЗКИ:\n\n 6");
}

// The printed payment report: every payment type read, then one document
// with the types that moved money, their net and their non-zero sums.
TEST_F(ReportsTest, PrintedPaymentReport)
{
    Day();
    size_t taken = TakenCount();
    std::string before = Paper();
    Script({});
    PrintPaymentReport(ui);
    EndScript();
    std::vector<std::string> codes = Taken(taken);
    ASSERT_EQ(codes.size(), 32u + 1 + 8 + 1); // reads, begin, lines, end
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(codes[i], i % 2 ? "36" : "4B");
    EXPECT_EQ(codes[32], "50");
    EXPECT_EQ(codes.back(), "52");
    std::string printed = Paper().substr(before.size());
    auto line = [](const std::string &left, const std::string &right) {
        size_t l = 0;
        for (unsigned char c : left)
            l += (c & 0xC0) != 0x80;
        return left + std::string(25 - l, ' ') + std::string(15 - right.size(), ' ') + right + "\n";
    };
    EXPECT_TRUE(InOrder(printed, {line(u8"СМЕННЫЙ ОТЧЕТ ПО ПЛАТЕЖАМ", ""), line(u8"НАЛИЧНЫМИ", "90.00"),
                                  line(u8"ПРИХОД", "100.00"), line(u8"ВОЗВРАТ ПРИХОДА", "10.00"), " \n",
                                  line(u8"БЕЗНАЛИЧНЫМИ", "50.00"), line(u8"ПРИХОД", "50.00")}))
        << printed;
    EXPECT_EQ(printed.find(u8"ИНАЯ ФОРМА"), std::string::npos) << printed;
    EXPECT_EQ(printed.find(u8"РАСХОД  "), std::string::npos) << printed;
}

// The browser lists the documents newest first, page by page, and prints
// the one chosen.
TEST_F(ReportsTest, BrowsingShiftClosingsPageByPage)
{
    std::string docs = "drive shift closed 0\n";
    for (int shift = 1; shift <= 4; ++shift)
        docs += "drive document shift-open 0103260900\ndrive document receipt 0103261000\n"
                "drive document shift-close 0103261900\n";
    Drive(docs); // closings are documents 4, 7, 10 and 13
    size_t taken = TakenCount();
    const char *filter = u8"ФИЛЬТР ДОКУМЕНТОВ", *choice = u8"ВЫБОР ДОКУМЕНТА";
    Script({{filter, {KEY_DOWN, KEY_DOWN, KEY_ENTER}},
            {kWait, {}},
            {choice, {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_ENTER}}, // ДАЛЕЕ
            {kWait, {}},
            {choice, {KEY_DOWN, KEY_ENTER}}, // the oldest closing
            {choice, {KEY_ENTER}},           // НАЗАД
            {kWait, {}},
            {choice, {KEY_ENTER}},           // the newest closing
            {choice, {KEY_CANCEL}}});
    BrowseDocuments(ui);
    EndScript();
    std::vector<std::string> codes = Taken(taken);
    std::vector<std::string> printed;
    for (const Entry &e : ReadJournal(sim->JournalPath(), "in", 1))
        if (e.Get("code") == "8B" && e.line.find("\"02\"]") != std::string::npos)
            printed.push_back(e.line);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_NE(printed[0].find("\"04000000\""), std::string::npos) << printed[0];
    EXPECT_NE(printed[1].find("\"0D000000\""), std::string::npos) << printed[1];
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes[0], "29");
}

TEST_F(ReportsTest, BrowsingAllDocumentsAndTheLastClosing)
{
    std::string docs = "drive shift closed 0\ndrive document shift-open 0103260900\n";
    for (int i = 0; i < 22; ++i)
        docs += "drive document receipt 0103261000\n";
    docs += "drive document refund 0103261100\ndrive document shift-close 0103261900\n";
    Drive(docs); // 2 the opening, 3..24 receipts, 25 the refund, 26 the closing
    const char *filter = u8"ФИЛЬТР ДОКУМЕНТОВ", *choice = u8"ВЫБОР ДОКУМЕНТА";
    // Everything: the page holds 26..7; the second item is the refund.
    Script({{filter, {KEY_ENTER}}, {kWait, {}}, {choice, {KEY_DOWN, KEY_ENTER}}, {choice, {KEY_CANCEL}}});
    BrowseDocuments(ui);
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"19000000", "02"}));
    // The last closing alone.
    Script({{filter, {KEY_DOWN, KEY_ENTER}}, {kWait, {}}, {choice, {KEY_ENTER}}, {choice, {KEY_CANCEL}}});
    BrowseDocuments(ui);
    EndScript();
    EXPECT_EQ(LastFields(sim->JournalPath(), "8B"), (std::vector<std::string>{"1A000000", "02"}));
}

} // namespace fiscaltest
