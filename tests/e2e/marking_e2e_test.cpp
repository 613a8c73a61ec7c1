// Marked goods end to end: kktsim (marking on, FFD 1.2) and cashdesk as
// processes of their own, the cashier's keys through the keypad FIFO, each
// waited for on the screen trace; checked in the stand-in's journal.
#include "CashdeskE2e.h"

namespace e2e {
namespace {

class Marking : public Cashdesk {
protected:
    // The stand-in on an FFD 1.2 drive with marking on and the shift open,
    // the program at the receipt wizard of the sales menu.
    void Open(const std::string &extra = "")
    {
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive ffd 1.2\ndrive marking 100\ndrive shift open 5\n" + extra);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "sales");
        WaitForm("kkt_menu_sales.xml");
        Choose("kkt_menu_sales.xml", "receipt_fiscal");
    }
    void At(const std::string &file, std::initializer_list<uint16_t> keys)
    {
        WaitForm(file);
        for (uint16_t k : keys)
            Key(k);
    }
    void Box(const std::string &title, const std::string &text, uint16_t key = KEY_ENTER)
    {
        Entry box = WaitBox(title);
        EXPECT_EQ(box.Get("text"), text);
        Key(key);
    }
    // The marking and receipt commands taken, in order.
    std::vector<std::string> Codes()
    {
        std::vector<std::string> out;
        for (const std::string &c : Taken())
            if ((c >= "10" && c <= "1F" && c != "1D") || (c >= "20" && c <= "26" && c != "20"))
                out.push_back(c);
        return out;
    }
};

} // namespace

// A receipt annulled in marking mode drops the drive's marking checks
// (0x23) after its cancel.
TEST_F(Marking, AnAnnulledReceiptDropsTheMarkingChecks)
{
    Open("fault 11 refuse 7E times 1\n");
    for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"})
        At(page, {KEY_ENTER});
    At("kkt_dlg_poss_cheque.xml", {241});
    // a goods line that is no marked good: object, measure, goods, tax,
    // method, agent, comment
    for (const char *page : {"kkt_dlg_receipt_calc_object_1_2.xml", "kkt_dlg_receipt_good_4.xml",
                             "kkt_dlg_receipt_good_1.xml", "kkt_dlg_select_tax_type.xml",
                             "kkt_dlg_receipt_calc_method.xml", "kkt_dlg_receipt_agent_1.xml",
                             "kkt_dlg_receipt_good_2.xml"})
        At(page, {KEY_ENTER});
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    Entry refused = WaitBox(u8"ОШИБКА");
    EXPECT_EQ(refused.Get("text").rfind(u8"ОШИБКА при выполнении команды 11:\n7E:", 0), 0u) << refused.Get("text");
    Key(KEY_ENTER);
    Box(u8"КАССОВЫЙ ЧЕК", u8"ЧЕК АННУЛИРОВАН!");
    Box(u8"КАССОВЫЙ ЧЕК", u8"ИСПРАВИТЬ ДАННЫЕ И ПОВТОРИТЬ СОЗДАНИЕ ЧЕКА?", KEY_CANCEL);
    WaitForm("kkt_menu_sales.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    EXPECT_EQ(Codes(), (std::vector<std::string>{"10", "11", "17", "23"}));
    EXPECT_NE(readFile(dir + "/kktsim/drive.json").find("\"receipt_codes\": []"), std::string::npos);
}

} // namespace e2e
