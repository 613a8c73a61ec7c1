// The command runner against the controller-service stand-in: what it
// returns, which statuses it keeps and which boxes it shows.
#include "ShellFixture.h"

#include "ServiceResult.h"
#include "TMCommand.h"
#include "kfn_state.h"
#include "vuTrace.h"

namespace shelltest {
namespace {

// UTF-8 of a CP1251 text (the trace's own conversion, quotes removed).
std::string utf8(const char *cp1251)
{
    std::string q = vuTraceLine::Quote(cp1251);
    return q.substr(1, q.size() - 2);
}

struct ExecCase {
    const char *what;
    const char *scenario;
    bool withUi;
    bool shiftReport; // command 0x30 instead of 0x29
    int key;          // queued before the call, 0 none
    int result;
    int fatal, current; // cached afterwards
    std::vector<std::string> boxes; // "title|text" in order (UTF-8)
};

std::string fiscalText(uint8_t code) { return utf8(FiscalErrorText(code)); }

const ExecCase kCases[] = {
    {"success", "answer 29 fatal=08 status=0800\n", true, false, 0, 0, 0x08, 0x0800,
     {u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n29 КОМАНДА"}},
    {"registrar error with its statuses", "answer 30 fatal=0C status=0801 error=19 detail=02\n", true, true,
     KEY_ENTER, 0x19, 0x0C, 0x0801,
     {u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n30 КОМАНДА",
      u8"ОШИБКА|ОШИБКА при выполнении команды 30:\n19:02 " + fiscalText(0x19) + u8"\n\nСТАТУСЫ: 0C 0801"}},
    {"no answer keeps the old statuses", "answer 29 fatal=08\nfault 29 no-reply\n", true, false, KEY_ENTER, -4,
     0x11, 0x2222,
     {u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n29 КОМАНДА",
      u8"ОШИБКА|ОШИБКА -4 при обращении к КФН (команда 29)\n\nОТВЕТ НЕ ПОЛУЧЕН"}},
    {"broken reply", "answer 29 fatal=08\nfault 29 bad-checksum\n", true, false, KEY_ENTER, -5, 0x11, 0x2222,
     {u8"ПОДОЖДИТЕ|ВЫПОЛНЯЕТСЯ\n29 КОМАНДА",
      u8"ОШИБКА|ОШИБКА -5 при обращении к КФН (команда 29)\n\nОТВЕТ НЕКОРРЕКТНЫЙ"}},
    {"no UI: error returned, statuses kept, nothing shown", "answer 30 fatal=08 status=0004 error=19\n", false,
     true, 0, 0x19, 0x08, 0x0004, {}},
    {"no UI: no answer", "fault 29 no-reply\n", false, false, 0, -4, 0x11, 0x2222, {}},
};

} // namespace

TEST_F(ShellTest, KfnExecResultsBoxesAndStatuses)
{
    for (const ExecCase &c : kCases) {
        SCOPED_TRACE(c.what);
        Scenario(c.scenario);
        kfn_set_state(0x11, 0x2222);
        size_t before = Trace("msgbox").size();
        if (c.key)
            Key(static_cast<uint16_t>(c.key));
        TMCommand cmd;
        ASSERT_GT(c.shiftReport ? cmd.ShiftReport() : cmd.GetFNStatus(), 0);
        EXPECT_EQ(kfn_exec(c.withUi ? ui : nullptr, &cmd, 5000), c.result);
        EXPECT_EQ(kfn_state_byte(), c.fatal);
        EXPECT_EQ(kfn_flags(), c.current);
        std::vector<Entry> boxes = Trace("msgbox");
        std::vector<std::string> shown;
        for (size_t i = before; i < boxes.size(); ++i)
            shown.push_back(boxes[i].Get("title") + "|" + boxes[i].Get("text"));
        EXPECT_EQ(shown, c.boxes);
    }
}

// The error box is an alert with one OK button; the wait text is drawn once.
TEST_F(ShellTest, KfnExecBoxFlags)
{
    Scenario("answer 29 error=02\n");
    Key(KEY_ENTER);
    TMCommand cmd;
    ASSERT_GT(cmd.GetFNStatus(), 0);
    EXPECT_EQ(kfn_exec(ui, &cmd, 5000), 2);
    std::vector<Entry> boxes = Trace("msgbox");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Num("flags"), 4);
    EXPECT_EQ(boxes[1].Num("flags"), 9);
    EXPECT_EQ(Trace("form").size(), 1u);
}

} // namespace shelltest
