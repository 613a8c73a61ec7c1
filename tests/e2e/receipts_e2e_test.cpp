// Receipts end to end: kktsim and cashdesk as processes of their own, the
// cashier's keys through the keypad FIFO, each waited for on the screen
// trace; checked in the trace, the stand-in's journal, its paper log and
// its state file.
#include "CashdeskE2e.h"

namespace e2e {
namespace {



int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class Receipts : public Cashdesk {
protected:
    // The stand-in on a registered drive with the shift open, the program
    // at the receipt wizard of the sales menu.
    void Open(const char *id, const std::string &extra = "")
    {
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/><FiscalCorr Seller=\"Иванов И.И.\"/></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive shift open 5\n" + extra);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "sales");
        WaitForm("kkt_menu_sales.xml");
        Choose("kkt_menu_sales.xml", id);
    }

    // Waits for the form, then presses the keys.
    void At(const std::string &file, std::initializer_list<uint16_t> keys)
    {
        WaitForm(file);
        for (uint16_t k : keys)
            Key(k);
    }
    void Digits(const std::string &file, const std::string &text)
    {
        WaitForm(file);
        for (char c : text)
            Key(DigitKey(c));
        Key(KEY_ENTER);
    }
    void Box(const std::string &title, const std::string &text)
    {
        Entry box = WaitBox(title);
        EXPECT_EQ(box.Get("text"), text);
        Key(KEY_ENTER);
    }

    // Pages 0 to 2 as they come (page 0's keys given).
    void Pages(const char *first, const char *second, const char *third,
               std::initializer_list<uint16_t> page0 = {KEY_ENTER})
    {
        At(first, page0);
        At(second, {KEY_ENTER});
        At(third, {KEY_ENTER});
    }
    // One goods line of the default price and quantity, or typed ones.
    void AddGoods(const std::string &price = "", const std::string &qty = "")
    {
        WaitForm("kkt_dlg_poss_cheque.xml");
        Key(KEY_ADD);
        At("kkt_dlg_receipt_calc_object_1_1.xml", {KEY_ENTER});
        WaitForm("kkt_dlg_receipt_good_1.xml");
        if (!price.empty()) {
            Key(KEY_DOWN, 2);
            for (char c : price)
                Key(DigitKey(c));
            Key(KEY_DOWN);
            for (char c : qty)
                Key(DigitKey(c));
        }
        Key(KEY_ENTER);
        for (const char *page : {"kkt_dlg_select_tax_type.xml", "kkt_dlg_receipt_calc_method.xml",
                                 "kkt_dlg_receipt_agent_1.xml", "kkt_dlg_receipt_good_2.xml"})
            At(page, {KEY_ENTER});
    }
    // The fields of every request of the code, from the journal.
    std::vector<std::vector<std::string>> Requests(const std::string &code)
    {
        std::vector<std::vector<std::string>> out;
        for (const Entry &e : ReadJournal(journal, "in", 1)) {
            if (e.Get("code") != code)
                continue;
            std::vector<std::string> fields;
            size_t at = e.line.find("\"fields\":[");
            if (at != std::string::npos) {
                at += 10;
                while (at < e.line.size() && e.line[at] == '"') {
                    std::string s;
                    for (++at; at < e.line.size() && e.line[at] != '"'; ++at) {
                        if (e.line[at] == '\\' && at + 1 < e.line.size())
                            ++at;
                        s += e.line[at];
                    }
                    fields.push_back(s);
                    at += 1;
                    if (at < e.line.size() && e.line[at] == ',')
                        ++at;
                }
            }
            out.push_back(fields);
        }
        return out;
    }
    // The receipt commands taken, without the status and FFD requests.
    std::vector<std::string> ReceiptCodes()
    {
        std::vector<std::string> out;
        for (const std::string &c : Taken())
            if (c >= "10" && c <= "1F" && c != "1D")
                out.push_back(c);
            else if (c == "6A" || c == "21" || c == "23")
                out.push_back(c);
        return out;
    }
    std::string State() { return driveState(dir + "/kktsim"); }
    std::string Paper() { return readFile(dir + "/kktsim/paper.txt"); }
    void Done(const char *title)
    {
        Box(title, u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!");
        WaitForm("kkt_menu_sales.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }
};

} // namespace

// Two goods, part of the total in cash and the rest by card, printed.
TEST_F(Receipts, SaleOfTwoGoodsPartlyInCashTheRestByCard)
{
    Open("receipt_fiscal");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml");
    AddGoods("25000", "2000");
    AddGoods();
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    Digits("kkt_dlg_receipt_payment.xml", "30000");
    At("kkt_dlg_receipt_payment.xml", {KEY_DOWN, KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Done(u8"КАССОВЫЙ ЧЕК");

    EXPECT_EQ(ReceiptCodes(), (std::vector<std::string>{"10", "11", "11", "12", "13", "13", "14"}));
    auto pays = Requests("13");
    ASSERT_EQ(pays.size(), 2u);
    EXPECT_EQ(pays[0][0] + " " + pays[0][1], "00 300.00");
    EXPECT_EQ(pays[1][0] + " " + pays[1][1], "01 201.00");
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"  2.000 шт. x 250.00"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"ИТОГ"), std::string::npos);
    EXPECT_NE(paper.find("=501.00"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"НАЛИЧНЫМИ"), std::string::npos);
    EXPECT_NE(paper.find(u8"БЕЗНАЛИЧНЫМИ"), std::string::npos);
    std::string state = State();
    EXPECT_NE(state.find("\"income\": [\"300.00\", \"201.00\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"drawer\": \"300.00\""), std::string::npos) << state;
}

// An FFD 1.2 drive outside marking mode: the payment-object list is the
// plain one, and its row "УСЛУГА" sends object 4.
TEST_F(Receipts, ServiceOnAnFfd12DriveWithoutMarkingSendsItsOwnObject)
{
    Open("receipt_fiscal", "drive ffd 1.2\n");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml");
    WaitForm("kkt_dlg_poss_cheque.xml");
    Key(KEY_ADD);
    // 8 four times makes row 4 current, 5 checks it
    At("kkt_dlg_receipt_calc_object_1_1.xml", {KEY_EIGHT, KEY_EIGHT, KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER});
    for (const char *page : {"kkt_dlg_receipt_good_1.xml", "kkt_dlg_select_tax_type.xml",
                             "kkt_dlg_receipt_calc_method.xml", "kkt_dlg_receipt_agent_1.xml",
                             "kkt_dlg_receipt_good_2.xml", "kkt_dlg_poss_cheque.xml", "kkt_dlg_receipt_payment.xml",
                             "kkt_dlg_receipt_client.xml"})
        At(page, {KEY_ENTER});
    Done(u8"КАССОВЫЙ ЧЕК");

    auto items = Requests("11");
    ASSERT_EQ(items.size(), 1u);
    ASSERT_GT(items[0].size(), 5u);
    // the packed bytes: department, tax rate, calculation method, object
    ASSERT_EQ(items[0][5].size(), 8u) << items[0][5];
    EXPECT_EQ(items[0][5].substr(6, 2), "04") << items[0][5];
}

// A return of income, its cash paid out of the drawer.
TEST_F(Receipts, ReturnOfIncomePaidOutOfTheDrawer)
{
    Open("receipt_fiscal", "drive drawer 10.00\n");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml",
          {KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER});
    AddGoods("350", "1000");
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Done(u8"КАССОВЫЙ ЧЕК");

    auto open = Requests("10");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0][2], "02") << "a return of income";
    EXPECT_NE(Paper().find(u8"ВОЗВРАТ ПРИХОДА"), std::string::npos);
    std::string state = State();
    EXPECT_NE(state.find("\"drawer\": \"6.50\""), std::string::npos) << state;
    EXPECT_NE(state.find("\"income_return\": [\"3.50\""), std::string::npos) << state;
}

// An FFD 1.05 correction receipt closed without printing.
TEST_F(Receipts, CorrectionReceiptOfFfd105NotPrinted)
{
    Open("receipt_correct");
    // the type list, copies, then the check box: 5 makes its item current,
    // 5 again checks it
    Pages("kkt_dlg_receipt_corr105_1.xml", "kkt_dlg_receipt_corr_2.xml", "kkt_dlg_receipt_corr_3.xml",
          {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_FIVE, KEY_FIVE, KEY_ENTER});
    AddGoods();
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Done(u8"ЧЕК КОРРЕКЦИИ");

    auto open = Requests("10");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0][2], "86") << "correction of income, not printed";
    EXPECT_EQ(open[0][9].substr(0, 14), "<1173>0|<1178>");
    EXPECT_EQ(Paper().find(u8"КОРРЕКЦИЯ"), std::string::npos) << "nothing printed";
    EXPECT_NE(readFile(journal).find("closed without printing"), std::string::npos);
    std::string state = State();
    EXPECT_NE(state.find("\"not_printed\": 1"), std::string::npos) << state;
    EXPECT_NE(state.find("\"corrections\": [\"1.00\""), std::string::npos) << state;
}

// The third goods line refused: the receipt is annulled, the cashier
// repeats it with the three positions still listed, and it completes.
TEST_F(Receipts, RefusedThirdItemAnnulledAndRepeated)
{
    Open("receipt_fiscal", "fault 11 refuse 7E after 2 times 1\n");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml");
    AddGoods();
    AddGoods();
    AddGoods();
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    Entry refused = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(refused.Get("text").rfind(u8"ОШИБКА при выполнении команды 11:\n7E:", 0), 0u) << refused.Get("text");
    Key(KEY_ENTER);
    Box(u8"КАССОВЫЙ ЧЕК", u8"ЧЕК АННУЛИРОВАН!");
    Box(u8"КАССОВЫЙ ЧЕК", u8"ИСПРАВИТЬ ДАННЫЕ И ПОВТОРИТЬ СОЗДАНИЕ ЧЕКА?");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml");
    // the three positions are still listed: OK sends them again
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Done(u8"КАССОВЫЙ ЧЕК");

    EXPECT_EQ(ReceiptCodes(), (std::vector<std::string>{"10", "11", "11", "11", "17", "10", "11", "11", "11", "12",
                                                        "13", "14"}));
    std::string paper = Paper();
    size_t annulled = paper.find(u8"ЧЕК АННУЛИРОВАН");
    ASSERT_NE(annulled, std::string::npos);
    EXPECT_NE(paper.find("=3.00", annulled), std::string::npos) << paper;
    std::string state = State();
    EXPECT_NE(state.find("\"receipts\": 1,"), std::string::npos) << state;
    EXPECT_NE(state.find("\"documents\": [1, 1, 1,"), std::string::npos) << "one receipt, one annulled: " << state;
}

// 32 positions fill the receipt; the 33rd is refused with the limit box.
TEST_F(Receipts, ThirtyTwoPositionsAndTheThirtyThirdRefused)
{
    Open("receipt_fiscal");
    Pages("kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml");
    for (int i = 0; i < 32; ++i)
        AddGoods();
    At("kkt_dlg_poss_cheque.xml", {KEY_ADD});
    Box(u8"ВНИМАНИЕ", u8"ПРЕВЫШЕНО КОЛИЧЕСТВО ПОЗИЦИЙ!\nМАКСИМУМ 32");
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Done(u8"КАССОВЫЙ ЧЕК");

    EXPECT_EQ(Requests("11").size(), 32u);
    EXPECT_EQ(Requests("13").at(0).at(1), "32.00");
    EXPECT_EQ(count(Paper(), u8"Товар\n"), 32);
}

} // namespace e2e
