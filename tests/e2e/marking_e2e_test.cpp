// Marked goods end to end: kktsim (marking on, FFD 1.2), srvsim as the OISM
// server and cashdesk as processes of their own, the cashier's keys through
// the keypad FIFO, each waited for on the screen trace; checked in the
// stand-ins' journals, kktsim's tape and state.
#include "CashdeskE2e.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"
#include "osal.h"
#include "scanner.h"

namespace e2e {
namespace {



// A GS1 DataMatrix code of digits only (no digit twice in a row, which the
// keypad would take as a multi-tap): "01", the GTIN, "21", the serial.
const std::string kCode = "0146070123456789213456";

class Marking : public Cashdesk {
protected:
    void TearDown() override
    {
        server.Stop();
        Cashdesk::TearDown();
    }
    // srvsim as the OISM server with its scenario and the built-in
    // scanner's property. False when the program finds no scanner: without one no code can be
    // given.
    bool Serve(const std::string &serverScenario)
    {
        std::string error;
        EXPECT_TRUE(server.Start(SRVSIM_PATH, dir + "/srvsim", serverScenario, &error)) << error;
        EXPECT_EQ(OsRegSetValue("ro.fac.barcode", "1"), 0);
        return scanner_probe() != 0;
    }
    // The settings: the seller, an Ethernet connection on the loopback (with
    // its carrier up) for the sale's OISM session.
    void Settings()
    {
        EXPECT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' && echo 1 >'" + root +
                          "/sys/class/net/eth1/carrier'")
                             .c_str()),
                  0);
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/>"
            << "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"0\" ip=\"127.0.0.1\" mask=\"255.0.0.0\"/>"
            << "</connections></settings>\n";
    }
    // The drive's record of the OISM server: srvsim, with 3 s time-outs.
    std::string OismServer()
    {
        return "drive oism-server 127.0.0.1 " + std::to_string(server.Port()) + "\ndrive oism-times 60 3 3\n";
    }
    // A marked good (object 33) with the code typed into the scan dialog:
    // the position editor's pages from the list to the list again.
    void AddMarkedGood(const std::string &code)
    {
        At("kkt_dlg_poss_cheque.xml", {KEY_ADD});
        At("kkt_dlg_receipt_calc_object_1_2.xml", {KEY_EIGHT, KEY_EIGHT, KEY_FIVE, KEY_ENTER});
        WaitForm("kkt_dlg_scan_mark.xml");
        for (char c : code)
            Key(DigitKey(c));
        Key(KEY_ENTER);
        for (const char *page : {"kkt_dlg_receipt_good_5.xml", "kkt_dlg_receipt_good_3.xml", "kkt_dlg_receipt_good_4.xml",
                                 "kkt_dlg_receipt_good_1.xml", "kkt_dlg_select_tax_type.xml",
                                 "kkt_dlg_receipt_calc_method.xml", "kkt_dlg_receipt_agent_1.xml",
                                 "kkt_dlg_receipt_good_2.xml"})
            At(page, {KEY_ENTER});
    }
    void Pages()
    {
        for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"})
            At(page, {KEY_ENTER});
    }
    // Pays the total in cash and closes the receipt, back to the main menu.
    void PayAndClose()
    {
        At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
        At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
        Box(u8"КАССОВЫЙ ЧЕК", u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!");
        ToMainMenu();
    }
    void ToMainMenu()
    {
        WaitForm("kkt_menu_sales.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }
    // The fields of the last request of the code, from kktsim's journal.
    std::vector<std::string> Last(const std::string &code)
    {
        std::vector<std::string> fields;
        for (const Entry &e : ReadJournal(journal, "in", 1)) {
            if (e.Get("code") != code)
                continue;
            jsonl::Json j;
            fields.clear();
            if (jsonl::Parse(e.line, &j) && j.contains("fields"))
                for (const auto &f : j["fields"])
                    fields.push_back(f.get<std::string>());
        }
        return fields;
    }
    // The verdicts srvsim gave, in order.
    std::vector<std::string> Verdicts()
    {
        std::vector<std::string> out;
        for (const jsonl::Json &r : server.Journal("request"))
            if (r.contains("check"))
                out.push_back(r["check"]["verdict"].get<std::string>());
        return out;
    }
    SrvsimProcess server;

    // The stand-in on an FFD 1.2 drive with marking on and the shift open,
    // the program at the receipt wizard of the sales menu.
    void Open(const std::string &extra = "")
    {
        Settings();
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
    // The sale's OISM session finds no server record: the cashier is told,
    // the sale goes on.
    Box(u8"ОШИБКА", u8"Соединение с ОИСМ не настроено.\nОшибка в параметрах.");
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
    EXPECT_NE(driveState(dir + "/kktsim").find("\"receipt_codes\": []"), std::string::npos);
}

// A marked good on a drive that is not autonomous: the code typed into the
// scan dialog is checked through the drive and srvsim over the loopback,
// accepted, and goes with its goods line (0x21) onto the tape.
TEST_F(Marking, AMarkedGoodCheckedByTheServer)
{
    if (!Serve(""))
        GTEST_SKIP() << "no scanner: the program offers no scan dialog";
    Open(OismServer());
    Pages();
    AddMarkedGood(kCode);
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    PayAndClose();

    EXPECT_EQ(Codes(), (std::vector<std::string>{"26", "24", "25", "22", "10", "21", "11", "12", "13", "14"}));
    EXPECT_EQ(Verdicts(), std::vector<std::string>{"ACCEPT"});
    std::vector<std::string> item = Last("21");
    ASSERT_EQ(item.size(), 8u);
    EXPECT_EQ(item[1], jsonl::Hex(kCode));
    EXPECT_EQ(item[7], "0F") << "the check's result goes with the code";
    EXPECT_EQ(Last("22").at(0), "01");
    EXPECT_NE(readFile(dir + "/kktsim/paper.txt").find(u8"  КМ " + kCode), std::string::npos);
    EXPECT_NE(driveState(dir + "/kktsim").find("\"receipt_codes\": [\"" + jsonl::Hex(kCode) + "\"]"),
              std::string::npos);
}

// The marked sale leaves a notification in the drive (it is not
// autonomous); "ofd_conn" then sends it to srvsim over the loopback link and
// writes the receipt back: the drive's count is 0 again.
TEST_F(Marking, TheSalesNotificationGoesWithOfdConn)
{
    if (!Serve(""))
        GTEST_SKIP() << "no scanner: the program offers no scan dialog";
    Open(OismServer() + "drive ofd-port " + std::to_string(server.Port()) + "\ndrive ofd-times 60 3 3\n");
    Pages();
    AddMarkedGood(kCode);
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
    At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
    Box(u8"КАССОВЫЙ ЧЕК", u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!");
    WaitForm("kkt_menu_sales.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    const std::string queued = driveState(dir + "/kktsim");
    EXPECT_NE(queued.find("\"stage\":\"waiting\""), std::string::npos) << "one notification waits";
    EXPECT_NE(queued.find(jsonl::Hex(kCode)), std::string::npos) << "carrying the sold code";

    Choose("kkt_menu_main.xml", "ofd");
    WaitForm("kkt_menu_ofd.xml");
    Choose("kkt_menu_ofd.xml", "ofd_conn");
    WaitForm("common_dlg_ofd.xml"); // the receipt goes to the OFD first
    WaitBox(u8"ОБМЕН ЗАВЕРШЕН");
    Key(KEY_ENTER);
    WaitForm("common_dlg_oism.xml");
    Entry done = WaitBox(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(done.Get("text").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << done.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
    const std::string sent = driveState(dir + "/kktsim");
    EXPECT_EQ(sent.find("\"stage\""), std::string::npos) << "the drive's count is back to 0";
    bool notified = false;
    for (auto &r : server.Journal("request"))
        notified = notified || (jsonl::Text(r, "kind") == "oism" && r.contains("notification"));
    EXPECT_TRUE(notified);
}

// A code the server rejects, answered НЕТ: its position leaves the receipt,
// which is then empty; nothing reaches the drive's receipt.
TEST_F(Marking, ARejectedCodeAnsweredNoDropsItsPosition)
{
    if (!Serve("mark reject *\n"))
        GTEST_SKIP() << "no scanner: the program offers no scan dialog";
    Open(OismServer());
    Pages();
    AddMarkedGood(kCode);
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    Box(u8"ВНИМАНИЕ", u8"РЕЗУЛЬТАТ ПРОВЕРКИ МАРКИ ДЛЯ ПОЗИЦИИ 'Товар' ОТРИЦАТЕЛЬНЫЙ.\n\nОСТАВИТЬ В ЧЕКЕ?", KEY_CANCEL);
    Box(u8"ВНИМАНИЕ", u8"ЧЕК ПУСТОЙ!!!\nДОБАВИТЬ ПОЗИЦИЮ В ЧЕК?", KEY_CANCEL);
    Box(u8"ВНИМАНИЕ", u8"ВЫЙТИ ИЗ СОЗДАНИЯ ЧЕКА?");
    ToMainMenu();

    EXPECT_EQ(Codes(), (std::vector<std::string>{"26", "24", "25", "22"}));
    EXPECT_EQ(Verdicts(), std::vector<std::string>{"REJECT"});
    EXPECT_EQ(Last("22").at(0), "00");
}

// srvsim gone: the exchange's error box, and the drive's own result stays
// for the cashier, who keeps the position; the receipt completes.
TEST_F(Marking, TheServerGoneKeepsTheLocalResult)
{
    if (!Serve(""))
        GTEST_SKIP() << "no scanner: the program offers no scan dialog";
    std::string record = OismServer();
    server.Stop();
    Open(record);
    Pages();
    AddMarkedGood(kCode);
    At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
    Box(u8"ОШИБКА", u8"Ошибка обмена с сервером ОИСМ");
    Box(u8"ВНИМАНИЕ", u8"СЕРВЕР ОИСМ НЕ ОТВЕТИЛ\n\nДЛЯ ПОЗИЦИИ 'Товар'\n\nОСТАВИТЬ В ЧЕКЕ?");
    PayAndClose();

    EXPECT_EQ(Codes(), (std::vector<std::string>{"26", "24", "22", "10", "21", "11", "12", "13", "14"}));
    EXPECT_EQ(Last("21").at(7), "03") << "the drive's own verdict";
    EXPECT_EQ(Last("22").at(0), "01");
}

} // namespace e2e
