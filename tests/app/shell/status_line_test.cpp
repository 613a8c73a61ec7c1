// The program's texts on the status line: the shift state after commands,
// the waiting count, and "KKT" at start-up.
#include "ShellFixture.h"

#include "TMCommand.h"
#include "kfn_state.h"
#include "status_line.h"
#include "vuStatusLine.h"
#include "vuTextObject.h"
#include "vuTrace.h"

namespace shelltest {
namespace {

class StatusLineTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        vuStatusLine *line = new vuStatusLine(20, 0);
        for (const char *name : {"appname", "status", "wait"}) {
            vuTextObject *o = new vuTextObject(0, 0, 60, 20, nullptr);
            o->SetName(name);
            line->Add(o);
        }
        ASSERT_EQ(ui->SetStatusLine(line), 0);
    }

    // The object's text in UTF-8 ("" when it has none).
    std::string Text(const char *name)
    {
        vuTextObject *o = dynamic_cast<vuTextObject *>(vuUI::GetStatusLine()->GetByName(name));
        if (!o)
            return "(missing)";
        std::string q = vuTraceLine::Quote(o->GetText());
        return q.substr(1, q.size() - 2);
    }

    void SetText(const char *name, const char *text)
    {
        dynamic_cast<vuTextObject *>(vuUI::GetStatusLine()->GetByName(name))->SetText(text);
    }
};

struct ShiftCase {
    const char *what;
    const char *scenario;
    int (*build)(TMCommand &);
    int key;
    const char *text; // UTF-8 afterwards
};

const ShiftCase kShift[] = {
    {"open shift", "answer 29 status=0800\n", [](TMCommand &c) { return c.GetFNStatus(); }, 0, u8"СМЕНА ОТКРЫТА"},
    {"closed shift", "answer 29 status=0000\n", [](TMCommand &c) { return c.GetFNStatus(); }, 0, u8"СМЕНА ЗАКРЫТА"},
    {"an error still rewrites it", "answer 30 status=0800 error=19\n", [](TMCommand &c) { return c.ShiftReport(); },
     KEY_ENTER, u8"СМЕНА ОТКРЫТА"},
    {"receipt group leaves it", "answer 17 status=0800\n", [](TMCommand &c) { return c.CancelDocument(); }, 0,
     u8"ПРЕЖНИЙ"},
    {"receipt group with an error leaves it", "answer 14 status=0800 error=02\n",
     [](TMCommand &c) { return c.CloseDocument(); }, KEY_ENTER, u8"ПРЕЖНИЙ"},
};

} // namespace

TEST_F(StatusLineTest, ShiftTextFollowsEveryCommandButReceipts)
{
    for (const ShiftCase &c : kShift) {
        SCOPED_TRACE(c.what);
        Scenario(c.scenario);
        SetText("status", "ПРЕЖНИЙ");
        if (c.key)
            Key(static_cast<uint16_t>(c.key));
        TMCommand cmd;
        ASSERT_GT(c.build(cmd), 0);
        kfn_exec(ui, &cmd, 5000);
        EXPECT_EQ(Text("status"), c.text);
    }
}

TEST_F(StatusLineTest, WaitingCountIsEmptyWhenNothingWaits)
{
    for (auto [count, text] : {std::pair<const char *, const char *>{"0300", "3"}, {"0000", ""}, {"1200", "18"}}) {
        SCOPED_TRACE(count);
        Scenario(std::string("answer 39\ndata 39 ") + count + "\nanswer 88\ndata 88 02\n");
        SetText("wait", "X");
        refresh_status_line(ui);
        EXPECT_EQ(Text("wait"), text);
    }
}

TEST_F(StatusLineTest, InitWritesTheApplicationName)
{
    status_line_init(ui);
    EXPECT_EQ(Text("appname"), "KKT");
}

TEST_F(StatusLineTest, StateRefreshEndsWithTheShiftText)
{
    // Every answer carries an open shift; no command outside the refresh
    // rewrites the text.
    Scenario("answer 29 fatal=08 status=0800\nanswer 97 status=0800\ndata 97 a\ndata 97 b\ndata 97 1\n"
             "data 97 2\ndata 97 3\ndata 97 K105320\nanswer 01 status=0800\nanswer 4D status=0800\n"
             "answer 88 status=0800\nanswer 8F status=0800\nanswer 39\ndata 39 0000\n");
    SetText("status", "");
    fn_status_refresh(ui);
    EXPECT_EQ(Text("status"), u8"СМЕНА ОТКРЫТА");
}

} // namespace shelltest
