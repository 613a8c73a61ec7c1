// The service terminals through the whole program: the controller monitor
// terminal from the main menu and at start-up (mode 2), on kktsim's service
// monitor.
#include "CashdeskE2e.h"

namespace e2e {

class TerminalsE2e : public Cashdesk {
protected:
    void TypeDigits(const std::string &digits)
    {
        for (char c : digits)
            Key(c == '0' ? 11 : static_cast<uint16_t>(2 + (c - '1')));
    }
    // Waits until the terminal shows the words. The trace has the screen's
    // text each time the dialog is shown: Enter on an empty line shows it
    // again (and sends nothing).
    void WaitText(const std::string &words)
    {
        long end = nowMs() + kWaitMs;
        for (;;) {
            Key(KEY_ENTER);
            Entry shown = WaitFor("screen", [](const Entry &e) { return e.Get("file") == "kkt_dlg_terminal.xml"; });
            if (shown.line.find(words) != std::string::npos)
                return;
            if (shown.line.empty() || nowMs() > end) {
                ADD_FAILURE() << "the terminal never showed " << words;
                return;
            }
            pause10ms();
        }
    }
    // The texts sent to the monitor channel, in order.
    std::vector<std::string> MonitorInput()
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(journal, "in", 3))
            out.push_back(e.Get("text"));
        return out;
    }
    // Waits until the monitor channel took the text.
    void WaitMonitorInput(const std::string &text)
    {
        long end = nowMs() + kWaitMs;
        for (;;) {
            for (const std::string &t : MonitorInput())
                if (t == text)
                    return;
            if (nowMs() > end) {
                ADD_FAILURE() << "the monitor never took \"" << text << "\"";
                return;
            }
            pause10ms();
        }
    }
    // Codes of the frames taken, in order.
    std::string Codes()
    {
        std::string all;
        for (const std::string &c : Taken())
            all += c + " ";
        return all;
    }
    // In the terminal: the help, a typed command, "q", then the dialog
    // closed; the monitor's entry and the start of session around it.
    void Converse()
    {
        WaitForm("kkt_dlg_terminal.xml");
        WaitText(u8"СЕРВИСНЫЙ МОНИТОР KKTSIM");
        TypeDigits("7");
        Key(KEY_ENTER);
        WaitMonitorInput("7");
        WaitText(u8"НЕИЗВЕСТНАЯ КОМАНДА");
        Key(242);
        WaitMonitorInput("q");
        // The quit key leaves the terminal open: no start of session yet.
        std::string codes = Codes();
        EXPECT_EQ(codes.find("01 ", codes.find("93 ")), std::string::npos) << codes;
        Key(KEY_CANCEL);
    }
};

TEST_F(TerminalsE2e, MonitorTerminalFromTheMainMenu)
{
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartCashdesk();
    WaitForm("kkt_menu_main.xml");
    Choose("kkt_menu_main.xml", "term");
    WaitForm("kkt_dlg_pass_input.xml", u8"Терминал");
    TypeDigits("1111");
    Key(KEY_ENTER);
    EXPECT_EQ(WaitBox(u8"ВНИМАНИЕ").Get("text"), u8"ПАРОЛЬ НЕВЕРНЫЙ\n\nПОВТОРИТЕ ВВОД");
    Key(KEY_ENTER);
    WaitForm("kkt_dlg_pass_input.xml");
    EXPECT_EQ(Codes().find("93"), std::string::npos) << "nothing before the password";
    Key(14, 4);
    TypeDigits("3846");
    Key(KEY_ENTER);
    Converse();
    WaitForm("kkt_menu_main.xml");
    std::string codes = Codes();
    size_t monitor = codes.find("93 ");
    ASSERT_NE(monitor, std::string::npos) << codes;
    EXPECT_NE(codes.find("01 ", monitor), std::string::npos) << codes;
    std::vector<std::string> sent = MonitorInput();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "?") << "the help asked first";
    EXPECT_EQ(sent.back(), "q");
    Quit();
}

// Start mode 2 opens the terminal before the controller is waited for.
TEST_F(TerminalsE2e, StartModeTwoOpensTheTerminal)
{
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartCashdesk("2");
    WaitForm("kkt_dlg_pass_input.xml", u8"Терминал");
    TypeDigits("3846");
    Key(KEY_ENTER);
    Converse();
    WaitForm("kkt_menu_main.xml");
    std::string codes = Codes();
    size_t monitor = codes.find("93 ");
    ASSERT_NE(monitor, std::string::npos) << codes;
    EXPECT_NE(codes.find("01 ", monitor), std::string::npos) << codes;
    Quit();
}

} // namespace e2e
