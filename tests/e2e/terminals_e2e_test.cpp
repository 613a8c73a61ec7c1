// The service terminals through the whole program: the controller monitor
// terminal from the main menu and at start-up (mode 2), on kktsim's service
// monitor; the modem's AT terminal and USSD request on modemsim.
#include "CashdeskE2e.h"

namespace e2e {

class TerminalsE2e : public Cashdesk {
protected:
    void TearDown() override
    {
        if (modem > 0) {
            kill(modem, SIGTERM);
            waitpid(modem, nullptr, 0);
            modem = -1;
        }
        Cashdesk::TearDown();
    }
    // modemsim with the script (empty: its defaults), linked under the root;
    // the OS stand-in given a cellular module.
    void StartModem(const std::string &script)
    {
        std::ofstream(dir + "/modem.txt") << script;
        modemJournal = dir + "/modem.jsonl";
        std::vector<std::string> args = {MODEMSIM_PATH, "--root", root, "--journal", modemJournal};
        if (!script.empty())
            args.insert(args.end(), {"--script", dir + "/modem.txt"});
        modem = spawn(dir, args);
        ASSERT_GT(modem, 0);
        long end = testtime::Deadline(5000);
        while (access((root + "/dev/mux1").c_str(), F_OK) != 0) {
            ASSERT_EQ(waitpid(modem, nullptr, WNOHANG), 0) << "modemsim ended";
            ASSERT_LT(nowMs(), end) << "modemsim did not link its line";
            pause10ms();
        }
        ASSERT_EQ(system(("mkdir -p '" + root + "/data/osal' && printf 'wl-lock 0\\n' > '" + root +
                          "/data/osal/network'").c_str()),
                  0);
    }
    // The modem's journal lines of one direction: "line (note)".
    std::vector<std::string> ModemLines(const std::string &direction)
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(modemJournal, direction))
            out.push_back(e.Get("line") + (e.Get("note").empty() ? "" : " (" + e.Get("note") + ")"));
        return out;
    }
    void WaitModemLine(const std::string &direction, const std::string &line)
    {
        long end = testtime::Deadline(kWaitMs);
        for (;;) {
            for (const std::string &l : ModemLines(direction))
                if (l.rfind(line, 0) == 0)
                    return;
            if (nowMs() > end) {
                ADD_FAILURE() << "the modem never had " << direction << " " << line;
                return;
            }
            pause10ms();
        }
    }
    void OpenOfdItem(const std::string &id)
    {
        WaitForm("kkt_menu_main.xml");
        Choose("kkt_menu_main.xml", "ofd");
        WaitForm("kkt_menu_ofd.xml");
        Choose("kkt_menu_ofd.xml", id);
    }
    pid_t modem = -1;
    std::string modemJournal;

    void TypeDigits(const std::string &digits)
    {
        for (char c : digits)
            Key(c == '0' ? 11 : static_cast<uint16_t>(2 + (c - '1')));
    }
    // Enter on the terminal, then the terminal shown again. Enter always
    // ends the dialog's loop (sending the line when it is not empty) and the
    // program shows the dialog anew; a key pressed before that showing is up
    // falls between the two and is lost, so the next key waits for it. The
    // terminal is up when this is called: its "form" line was taken.
    Entry Submit()
    {
        Key(KEY_ENTER);
        WaitForm("kkt_dlg_terminal.xml");
        return WaitFor("screen", [](const Entry &e) { return e.Get("file") == "kkt_dlg_terminal.xml"; });
    }
    // Waits until the terminal shows the words. The trace has the screen's
    // text each time the dialog is shown: Enter on an empty line shows it
    // again (and sends nothing).
    void WaitText(const std::string &words)
    {
        long end = testtime::Deadline(kWaitMs);
        for (;;) {
            Entry shown = Submit();
            if (shown.line.find(words) != std::string::npos)
                return;
            if (shown.line.empty() || nowMs() > end) {
                ADD_FAILURE() << "the terminal never showed " << words;
                return;
            }
        }
    }
    // The texts sent to the monitor channel, in order. The empty message the
    // terminal sends as it opens is left out: the stand-in takes it or the
    // queue flush of the command after it removes it first, whichever comes
    // first.
    std::vector<std::string> MonitorInput()
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(journal, "in", 3))
            if (!e.Get("text").empty())
                out.push_back(e.Get("text"));
        return out;
    }
    // Waits until the monitor channel took the text.
    void WaitMonitorInput(const std::string &text)
    {
        long end = testtime::Deadline(kWaitMs);
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
        Submit();
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

// The AT terminal: 243 puts "AT" in the line, Enter sends it with CR LF on
// a line set up raw at 115200 baud; the answer is shown.
TEST_F(TerminalsE2e, ModemAtTerminal)
{
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    StartModem("");
    StartCashdesk();
    OpenOfdItem("term_wl");
    WaitForm("kkt_dlg_wl_terminal.xml");
    Key(243);
    Key(KEY_ENTER);
    WaitModemLine("out", "OK");
    EXPECT_EQ(ModemLines("in").front(), "AT (settings ok)");
    Key(KEY_ENTER); // the line keeps its text: sent again, the screen shown again
    Entry shown = WaitFor("screen", [](const Entry &e) {
        return e.Get("file") == "kkt_dlg_wl_terminal.xml" && e.line.find("AT\\r\\nOK\\r\\n") != std::string::npos;
    });
    EXPECT_FALSE(shown.line.empty());
    Key(KEY_CANCEL);
    WaitForm("kkt_menu_ofd.xml");
}

// USSD requests: the answer decoded into its box; an ERROR; a modem that
// never answers AT+CMGF=0, ended by the limit.
TEST_F(TerminalsE2e, UssdRequest)
{
    struct Case {
        const char *name, *script, *title, *text;
    } cases[] = {
        {"answer", "", u8"ОТВЕТ", u8"Баланс 100.00 р."},
        {"error", "on AT+CUSD\nreply ERROR\non AT\nreply OK\n", u8"ОШИБКА",
         u8"Ошибка получения ответа беспроводного модуля"},
        {"silent modem", "on AT+CMGF\nsilent\n", u8"ОШИБКА", u8"Ошибка получения ответа беспроводного модуля"},
    };
    StartSim(readFile(std::string(SOURCE_DIR) + "/tools/kktsim/scenarios/registered.scn"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (modem > 0) {
            kill(modem, SIGTERM);
            waitpid(modem, nullptr, 0);
            modem = -1;
        }
        unlink((dir + "/modem.jsonl").c_str());
        StartModem(c.script);
        exited = -1;
        StartCashdesk();
        OpenOfdItem("get_ussd");
        WaitForm("common_dlg_ussd_request.xml");
        TypeDigits("102"); // shown as *102#
        Key(KEY_ENTER);
        Entry box = WaitBox(c.title);
        EXPECT_EQ(box.Get("text"), c.text);
        Key(KEY_ENTER);
        WaitForm("kkt_menu_ofd.xml");
        if (std::string(c.name) != "silent modem") {
            std::vector<std::string> in = ModemLines("in");
            ASSERT_EQ(in.size(), 2u);
            EXPECT_EQ(in[0], "AT+CMGF=0 (settings ok)");
            EXPECT_EQ(in[1], "AT+CUSD=1,\"*102#\",15 (settings ok)");
        }
        Key(KEY_CANCEL);
        WaitForm("kkt_menu_main.xml");
        Quit();
    }
}

} // namespace e2e
