// Documents reach the OFD end to end: kktsim, srvsim and cashdesk as
// processes of their own; the cashier opens the shift (a fiscal document)
// and chooses "ofd_conn", which brings up the configured Ethernet link and
// sends every waiting document. Then srvsim's faults, one scenario each: the
// box names the fault, the document still waits, and a run without the
// fault delivers it.
#include "CashdeskE2e.h"
#include "JsonLines.h"
#include "SrvsimProcess.h"

#include <map>

namespace {

using namespace e2e;

class CashdeskOfd : public Cashdesk {
protected:
    void TearDown() override
    {
        server.Stop();
        Cashdesk::TearDown();
    }
    // srvsim with the scenario, kktsim with the registered drive, its OFD
    // record pointing at srvsim and the extra lines, and the settings: an
    // Ethernet connection on the loopback, the shift's operator.
    void Start(const std::string &serverScenario, const std::string &drive = "")
    {
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, dir + "/srvsim", serverScenario, &error)) << error;
        ASSERT_EQ(system(("mkdir -p '" + root + "/sys/class/net/eth1' && echo 1 >'" + root +
                          "/sys/class/net/eth1/carrier'")
                             .c_str()),
                  0);
        std::ofstream(dir + "/data/kktsettings.xml")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<settings>"
            << u8"<CmdShiftOpen Operator=\"Иванов И.И.\" OperatorINN=\"\"/>"
            << u8"<FiscalReceipt Seller=\"Иванов И.И.\"/>"
            << "<connections><conn name=\"lan\" type=\"ETH1\" dhcp=\"0\" ip=\"127.0.0.1\" mask=\"255.0.0.0\"/>"
            << "</connections></settings>\n";
        StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn") +
                 "drive ofd-port " + std::to_string(server.Port()) + "\ndrive ofd-times 60 5 5\n" + drive);
        StartCashdesk();
        WaitForm("kkt_menu_main.xml");
    }
    // Chooses an item of a menu that keeps its selection between screens.
    void Pick(const std::string &file, const std::string &id)
    {
        std::vector<std::string> items = menuItems(dir + "/res/" + file);
        size_t to = 0;
        while (to < items.size() && items[to] != id)
            ++to;
        ASSERT_LT(to, items.size()) << id;
        size_t &at = selected[file];
        if (to > at)
            Key(KEY_DOWN, static_cast<int>(to - at));
        else if (to < at)
            Key(103, static_cast<int>(at - to)); // up
        at = to;
        Key(KEY_ENTER);
    }
    // Waits for the form, then presses the keys.
    void At(const std::string &file, std::initializer_list<uint16_t> keys)
    {
        WaitForm(file);
        for (uint16_t k : keys)
            Key(k);
    }
    // A sale of one goods line (3.50 x 1) paid in cash, from the main menu.
    void Sell()
    {
        const uint16_t KEY_ADD = 241;
        auto digits = [&](const char *text) {
            for (const char *c = text; *c; ++c)
                Key(static_cast<uint16_t>(*c == '0' ? 11 : 2 + (*c - '1')));
        };
        Pick("kkt_menu_main.xml", "sales");
        WaitForm("kkt_menu_sales.xml");
        Pick("kkt_menu_sales.xml", "receipt_fiscal");
        for (const char *page : {"kkt_dlg_receipt_open_1.xml", "kkt_dlg_receipt_open_2.xml", "kkt_dlg_receipt_open_3.xml"})
            At(page, {KEY_ENTER});
        At("kkt_dlg_poss_cheque.xml", {KEY_ADD});
        At("kkt_dlg_receipt_calc_object_1_1.xml", {KEY_ENTER});
        WaitForm("kkt_dlg_receipt_good_1.xml");
        Key(KEY_DOWN, 2);
        digits("350");
        Key(KEY_DOWN);
        digits("1000");
        Key(KEY_ENTER);
        for (const char *page : {"kkt_dlg_select_tax_type.xml", "kkt_dlg_receipt_calc_method.xml",
                                 "kkt_dlg_receipt_agent_1.xml", "kkt_dlg_receipt_good_2.xml"})
            At(page, {KEY_ENTER});
        At("kkt_dlg_poss_cheque.xml", {KEY_ENTER});
        At("kkt_dlg_receipt_payment.xml", {KEY_ENTER});
        At("kkt_dlg_receipt_client.xml", {KEY_ENTER});
        EXPECT_EQ(WaitBox(u8"КАССОВЫЙ ЧЕК").Get("text"), u8"ЧЕК УСПЕШНО ЗАВЕРШЕН!");
        Key(KEY_ENTER);
        WaitForm("kkt_menu_sales.xml");
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    // "ofd_conn" from the main menu: the exchange dialog, then its box.
    Entry SendFromMenu(const std::string &title)
    {
        Pick("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Pick("kkt_menu_ofd.xml", "ofd_conn");
        return WaitBox(title);
    }
    jsonl::Json State() const
    {
        jsonl::Json j;
        jsonl::Parse(driveState(dir + "/kktsim"), &j);
        return j;
    }
    size_t Waiting() const
    {
        jsonl::Json j = State();
        return j.contains("ofd") ? j["ofd"]["documents"].size() : 999;
    }
    // The text of the status line's "wait" on the last screen drawn.
    std::string WaitOnScreen()
    {
        std::string text = "(none)";
        for (auto &line : jsonl::ReadLines(trace)) {
            if (jsonl::Text(line, "event") != "screen" || !line.contains("items"))
                continue;
            for (auto &item : line["items"])
                if (jsonl::Text(item, "kind") == "status" && jsonl::Text(item, "name") == "wait")
                    text = jsonl::Text(item, "label");
        }
        return text;
    }
    SrvsimProcess server;
    std::map<std::string, size_t> selected;
};

// The main road: open the shift, sell, send: both fiscal documents reach
// srvsim, each with its header, and nothing waits afterwards.
TEST_F(CashdeskOfd, TheShiftsDocumentAndASaleReachTheOfd)
{
    Start("");
    Pick("kkt_menu_main.xml", "shift");
    WaitForm("kkt_menu_shift.xml");
    Pick("kkt_menu_shift.xml", "shift_open");
    WaitForm("kkt_dlg_shift_open.xml");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_shift.xml");
    EXPECT_EQ(Waiting(), 1u);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Sell();
    EXPECT_EQ(Waiting(), 2u);
    size_t before = TakenCount();

    Entry box = SendFromMenu(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(box.Get("text").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << box.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();

    // srvsim: the shift's document, then the receipt, each with its header
    auto requests = server.Journal("request");
    ASSERT_EQ(requests.size(), 2u);
    const long long last = jsonl::Number(State(), "last_document");
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(jsonl::Text(requests[i], "kind"), "ofd");
        std::string header = jsonl::Text(requests[i], "header");
        EXPECT_EQ(header.substr(0, 16), "2A08410A81A20105") << "OFD, FFD 1.05";
        EXPECT_EQ(header.substr(16, 32), jsonl::Hex(std::string("9999078900012345")));
        char length[8];
        long long n = jsonl::Number(requests[i], "length");
        snprintf(length, sizeof length, "%02llX%02llX", n & 0xFF, n >> 8);
        EXPECT_EQ(header.substr(48), std::string(length) + "14000000");
        EXPECT_EQ(jsonl::Number(requests[i], "document"), last - 1 + static_cast<long long>(i));
    }
    // kktsim: the read-out and the answer of each
    std::vector<std::string> taken;
    for (const std::string &code : Taken(before))
        if (code == "2B" || (code >= "5A" && code <= "5F"))
            taken.push_back(code);
    const std::vector<std::string> one = {"2B", "5F", "5A", "5B", "5D", "5E", "5F"};
    std::vector<std::string> both = one;
    both.insert(both.end(), one.begin(), one.end());
    EXPECT_EQ(taken, both);
    EXPECT_EQ(Waiting(), 0u);
    EXPECT_EQ(jsonl::Number(State(), "ofd_waiting", -1), 0);
    EXPECT_EQ(WaitOnScreen(), "");
}

// Each fault of the server, one scenario each: once the failure line is
// there, Esc ends the exchange; the box shows the fault's text and the
// document still waits. A run without the fault delivers it.
TEST_F(CashdeskOfd, EachFaultOfTheServerLeavesTheDocumentWaiting)
{
    const struct {
        const char *scenario;
        const char *text;
    } faults[] = {
        {"fault ofd reset\n", u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"fault ofd close-request\n", u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"fault ofd cut-header\n", u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"},
        {"fault any close-accept\n", u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО"},
        {"fault ofd length-zero\n", u8"ОШИБКА: ПУСТОЙ ОТВЕТ СЕРВЕРА ОФД"},
        {u8"ofd-error 14 НЕ ПРИНЯТ\n", u8"ОШИБКА: Cервер ОФД вернул код ошибки 14\nОФД MSG:НЕ ПРИНЯТ"},
    };
    Start("", "drive ofd-documents 1\n");
    const uint16_t port = server.Port();
    int run = 0;
    auto restart = [&](const std::string &scenario) {
        server.Stop();
        std::string error;
        ASSERT_TRUE(server.Start(SRVSIM_PATH, dir + "/srvsim" + std::to_string(++run), scenario, &error, port))
            << error;
    };
    for (const auto &f : faults) {
        SCOPED_TRACE(f.scenario);
        restart(f.scenario);
        Pick("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Pick("kkt_menu_ofd.xml", "ofd_conn");
        WaitForm("common_dlg_ofd.xml");
        ASSERT_TRUE(server.WaitFor("accept", 1));
        timespec t{0, 300 * 1000 * 1000}; // the failure line is written on the next tick
        nanosleep(&t, nullptr);
        Key(KEY_CANCEL);
        Entry box = WaitBox(u8"ОБМЕН ПРЕРВАН");
        EXPECT_NE(box.Get("text").find(f.text), std::string::npos) << box.Get("text");
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
        EXPECT_EQ(Waiting(), 1u);
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
    }
    restart("");
    Entry box = SendFromMenu(u8"ОБМЕН ЗАВЕРШЕН");
    EXPECT_NE(box.Get("text").find(u8"ВСЕ ДОКУМЕНТЫ ОТПРАВЛЕНЫ"), std::string::npos) << box.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_EQ(Waiting(), 0u);
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(CashdeskOfd, EscEndsAFailingExchangeAndTheDocumentWaits)
{
    Start("fault ofd reset\n", "drive ofd-documents 1\n");
    Pick("kkt_menu_main.xml", "ofd");
    WaitForm("kkt_menu_ofd.xml");
    Pick("kkt_menu_ofd.xml", "ofd_conn");
    WaitForm("common_dlg_ofd.xml");
    ASSERT_TRUE(server.WaitFor("fault", 2)) << "failed and sent again";
    Key(KEY_CANCEL);
    Entry box = WaitBox(u8"ОБМЕН ПРЕРВАН");
    EXPECT_NE(box.Get("text").find(u8"ОШИБКА: СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ"), std::string::npos) << box.Get("text");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    EXPECT_EQ(Waiting(), 1u);
    EXPECT_EQ(WaitOnScreen(), "1");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

TEST_F(CashdeskOfd, NothingWaitingAndNoServer)
{
    Start("");
    EXPECT_EQ(SendFromMenu(u8"ВНИМАНИЕ").Get("text"), u8"НЕТ ДОКУМЕНТОВ ОЖИДАЮЩИХ ОТПРАВКУ");
    Key(KEY_ENTER);
    WaitForm("kkt_menu_ofd.xml");
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_main.xml");
    Quit();
}

} // namespace
