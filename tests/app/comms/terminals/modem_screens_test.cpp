// The modem's screens on the real toolkit (caller-thread mode, the virtual
// clock) with modemsim in a thread of the test: the answers to AT+CMGF=0
// and the limit on the USSD answer. The modem answers in real time, so the
// clock's sleep hook lets it settle before each pause ends.
#include "ModemSim.h"
#include "ShellFixture.h"
#include "modem_terminal.h"

#include <limits.h>

namespace shelltest {
namespace {

class ModemScreens : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        // The dialogs' descriptions are read from ./res.
        ASSERT_EQ(chdir(CASHDESK_SOURCE_DIR), 0);
        journal = root + "/modem.jsonl";
        OsTestClockSetSleepHook(&ModemScreens::Hook, this);
    }
    void TearDown() override
    {
        OsTestClockSetSleepHook(nullptr, nullptr);
        modem.Close();
        OsTestNetScript(nullptr, nullptr, 0);
        if (oldCwd[0])
            (void)chdir(oldCwd);
        ShellTest::TearDown();
    }
    static void Hook(unsigned int, void *arg)
    {
        ModemScreens *self = static_cast<ModemScreens *>(arg);
        self->sim->Sync();
        if (self->modemOpen)
            self->modem.Settle();
    }
    void StartModem(const std::string &script)
    {
        modem.Close();
        unlink(journal.c_str());
        std::vector<modemsim::Rule> rules;
        std::string error;
        ASSERT_TRUE(modemsim::ParseScript(script, "script", rules, &error)) << error;
        ASSERT_TRUE(modem.Open(root, rules, journal, &error)) << error;
        modemOpen = true;
    }
    // The modem's journal lines of one direction.
    std::vector<std::string> ModemLines(const std::string &direction)
    {
        std::vector<std::string> out;
        for (const Entry &e : ReadJournal(journal, direction))
            out.push_back(e.Get("line"));
        return out;
    }
    // Message boxes from a trace position: "title|text".
    std::vector<std::string> Boxes(size_t from)
    {
        std::vector<std::string> out;
        std::vector<Entry> boxes = Trace("msgbox");
        for (size_t i = from; i < boxes.size(); ++i)
            out.push_back(boxes[i].Get("title") + "|" + boxes[i].Get("text"));
        return out;
    }

    modemsim::Modem modem;
    bool modemOpen = false;
    std::string journal;
    char oldCwd[PATH_MAX] = "";
};

// The answer to AT+CMGF=0: OK keeps the device open; ERROR and a
// "+CMS ERROR" line each have their box (the latter with the line), -43
// and no device given back.
TEST_F(ModemScreens, ModemOpenTakesTheAnswerToCmgf)
{
    struct Case {
        const char *name, *reply;
        int result;
        std::string box; // the last box, empty: none after the "connecting" one
    } cases[] = {
        {"OK", "OK", 0, ""},
        {"ERROR", "ERROR", -43, u8"ОШИБКА|Ошибка 1 выполнения команды\nAT+CMGF=0\n"},
        {"+CMS ERROR", "+CMS ERROR: 321", -43,
         u8"ОШИБКА|Ошибка 2 выполнения команды\nAT+CMGF=0\n+CMS ERROR: 321\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StartModem(std::string("on AT+CMGF\nreply ") + c.reply + "\n");
        size_t from = Trace("msgbox").size();
        if (!c.box.empty())
            Key(KEY_ENTER);
        int fd = -1;
        EXPECT_EQ(modem_open(ui, &fd), c.result);
        std::vector<std::string> boxes = Boxes(from);
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.front(), u8"СОЕДИНЕНИЕ|УСТАНАВЛИВАЕТСЯ СОЕДИНЕНИЕ");
        EXPECT_EQ(boxes.size(), c.box.empty() ? 1u : 2u);
        if (!c.box.empty()) {
            EXPECT_EQ(boxes.back(), c.box);
        }
        EXPECT_EQ(ModemLines("in"), std::vector<std::string>{"AT+CMGF=0"});
        if (c.result == 0) {
            EXPECT_GE(fd, 0);
            close(fd);
        } else {
            EXPECT_EQ(fd, -1);
        }
    }
}

// The modem takes the request (OK) but the network's "+CUSD" never comes:
// the wait ends after 30 s with the error box.
TEST_F(ModemScreens, UssdAnswerWaitEndsAtItsLimit)
{
    char error[256];
    ASSERT_EQ(OsTestNetScript("wl-lock 0\n", error, sizeof error), 0) << error;
    StartModem("on AT+CMGF\nreply OK\non AT+CUSD\nreply OK\n");
    for (uint16_t k : {2, 11, 3}) // *102#
        Key(k);
    Key(KEY_ENTER);
    Key(KEY_ENTER); // the error box
    size_t from = Trace("msgbox").size();
    ussd_request(ui);
    EXPECT_EQ(ModemLines("in"), (std::vector<std::string>{"AT+CMGF=0", "AT+CUSD=1,\"*102#\",15"}));
    EXPECT_EQ(ModemLines("out"), (std::vector<std::string>{"OK", "OK"}));
    std::vector<Entry> boxes = Trace("msgbox");
    ASSERT_GT(boxes.size(), from + 1);
    const Entry &connecting = boxes[from + 1], &last = boxes.back();
    EXPECT_EQ(connecting.Get("text"), u8"УСТАНАВЛИВАЕТСЯ СОЕДИНЕНИЕ");
    EXPECT_EQ(last.Get("title") + "|" + last.Get("text"), u8"ОШИБКА|Ошибка получения ответа беспроводного модуля");
    // From the modem's set-up: its OK within moments, then the 30 s.
    unsigned waited = static_cast<unsigned>(std::stoul(last.Get("tick")) - std::stoul(connecting.Get("tick")));
    EXPECT_GE(waited, 30000u);
    EXPECT_LT(waited, 31000u);
}

} // namespace
} // namespace shelltest
