// The screen kit on the real toolkit (caller-thread mode, virtual clock)
// over the stand-in screen and keypad, with small dialog descriptions of
// its own under ./res/ and the controller-service stand-in behind the
// queue: keys are queued before each call; the trace, the frame chain and
// the stand-in's journal tell what happened.
#include "ShellFixture.h"

#include <pthread.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "TMCommand.h"
#include "entry_dialog.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "list_page.h"
#include "scoped_dialog.h"
#include "TestTime.h"
#include "vuFrameBuffer.h"
#include "vuMenu.h"
#include "wait_form.h"
#include "message_box.h"

namespace shelltest {
namespace {

const uint16_t KEY_DOWN = 108, KEY_BACK = 14;
uint16_t digitKey(char c) { return static_cast<uint16_t>(c == '0' ? 11 : 2 + (c - '1')); }

const char kEntryFile[] = "kit_entry.xml";
const char kEntryXml[] = u8R"(<?xml version="1.0" encoding="UTF-8"?>
<FORM options="x21" font="1" resize="1">
  <TEXT>ЗАПИСЬ</TEXT>
  <INPUT name="num" frame="4,20,232,24" length="5" options="x0401" font="1" border="1"/>
  <MULTILINE name="note" frame="4,60,232,120" length="40" options="x0101" font="0" border="1"/>
  <BUTTON name="ok" frame="4,234,113,30" control="13" font="1"><TEXT>ОК</TEXT></BUTTON>
  <BUTTON name="cancel" frame="123,234,113,30" control="27" font="1"><TEXT>ОТМЕНА</TEXT></BUTTON>
</FORM>
)";

// Freed forms say so.
struct CountedForm : vuForm {
    explicit CountedForm(int *freed) : vuForm("СЧЁТ", nullptr), freed_(freed) {}
    ~CountedForm() override { ++*freed_; }
    int *freed_;
};

class ScreenKit : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        ASSERT_EQ(mkdir((root + "/res").c_str(), 0777), 0);
        std::ofstream(root + "/res/" + kEntryFile) << kEntryXml;
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override
    {
        if (oldCwd[0])
            (void)chdir(oldCwd);
        ShellTest::TearDown();
    }

    // Forms in the UI's chain.
    int Forms()
    {
        int n = 0;
        vuFrameBuffer *fb = vuUI::getFB();
        for (vuViewObject *o = fb->GetFirst(); o; o = fb->GetNext(o))
            ++n;
        return n;
    }

    // "title|text" of the boxes from a trace position.
    std::vector<std::string> Boxes(size_t from)
    {
        std::vector<std::string> out;
        std::vector<Entry> boxes = Trace("msgbox");
        for (size_t i = from; i < boxes.size(); ++i)
            out.push_back(boxes[i].Get("title") + "|" + boxes[i].Get("text"));
        return out;
    }

    char oldCwd[4096] = "";
};

// The form is in the UI while the object lives and is removed and freed
// when it goes, also on an early way out; close() removes it at once.
TEST_F(ScreenKit, DialogLivesWithItsScope)
{
    const int before = Forms();
    int freed = 0;
    {
        ScopedDialog d(ui, new CountedForm(&freed));
        ASSERT_TRUE(d);
        EXPECT_EQ(Forms(), before + 1);
    }
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(Forms(), before);

    auto earlyOut = [&](bool leave) {
        ScopedDialog d(ui, kEntryFile);
        if (!d || leave)
            return Forms();
        d.close();
        return Forms();
    };
    EXPECT_EQ(earlyOut(true), before + 1);
    EXPECT_EQ(Forms(), before);
    EXPECT_EQ(earlyOut(false), before);

    // Without a UI nothing is made, and a handed-over form is freed.
    ScopedDialog none(nullptr, new CountedForm(&freed));
    EXPECT_FALSE(none);
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(none.show(), -1);
}

// A missing description: the failure box, no form.
TEST_F(ScreenKit, MissingDescriptionShowsTheFailureBox)
{
    const int before = Forms();
    Key(KEY_ENTER);
    ScopedDialog d(ui, "kit_missing.xml");
    EXPECT_FALSE(d);
    EXPECT_EQ(d.form(), nullptr);
    EXPECT_EQ(Forms(), before);
    std::vector<std::string> boxes = Boxes(0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].substr(0, boxes[0].find('(')), u8"ОШИБКА|НЕ УДАЛОСЬ СОЗДАТЬ ДИАЛОГ ");
    EXPECT_NE(boxes[0].find("kit_missing.xml"), std::string::npos);
}

// The form is shown (and traced with its file) each time; the state is
// what ended it; the check keeps it coming back with the error box.
TEST_F(ScreenKit, ShowUntilValid)
{
    ScopedDialog d(ui, kEntryFile);
    ASSERT_TRUE(d);
    d.reset();
    int checks = 0;
    auto secondTime = [&]() -> const char * { return ++checks < 2 ? "НЕ ТАК" : nullptr; };
    // Accepted, refused (box closed), accepted.
    Key(KEY_ENTER);
    Key(KEY_ENTER);
    Key(KEY_ENTER);
    EXPECT_TRUE(d.show_until_valid(secondTime));
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(Boxes(0), std::vector<std::string>{u8"ОШИБКА|НЕ ТАК"});
    std::vector<Entry> forms = Trace("form");
    ASSERT_GE(forms.size(), 2u);
    EXPECT_EQ(forms.front().Get("file"), kEntryFile);

    // Left: false, the check never asked.
    Key(KEY_CANCEL);
    EXPECT_FALSE(d.show_until_valid([&]() -> const char * { return ++checks ? nullptr : "?"; }));
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(d.state(), -1);
}

// Presets reach the fields, typed digits come back as the number; a
// dialog without a text field reads "" for it.
TEST_F(ScreenKit, EntryDialogPresetsAndReadsBack)
{
    {
        EntryDialog d(ui, kEntryFile, "num", "note");
        ASSERT_TRUE(d);
        d.set_number(12);
        d.set_text("ЗАМЕТКА");
        EXPECT_STREQ(d.number_text(), "12");
        for (uint16_t k : std::vector<uint16_t>{KEY_BACK, KEY_BACK, digitKey('4'), digitKey('0'), digitKey('7'), KEY_ENTER})
            Key(k);
        ASSERT_TRUE(d.ask());
        EXPECT_EQ(d.number(), 407u);
        EXPECT_STREQ(d.text(), "ЗАМЕТКА");
        char cut[4];
        d.copy_text(cut, sizeof cut);
        EXPECT_STREQ(cut, std::string("ЗАМЕТКА").substr(0, 3).c_str());
    }
    {
        EntryDialog d(ui, kEntryFile, "num", nullptr);
        ASSERT_TRUE(d);
        d.set_text("ПРОПАЛО");
        Key(KEY_CANCEL);
        EXPECT_FALSE(d.ask());
        EXPECT_STREQ(d.text(), "");
        EXPECT_EQ(d.number(), 0u);
    }
}

// The row chosen counts from 1; leaving the list gives 0. Rows may come
// before or after the page takes the menu.
TEST_F(ScreenKit, ListPageChoice)
{
    struct Case {
        const char *what;
        std::vector<uint16_t> keys;
        unsigned row;
    };
    const Case cases[] = {
        {"first row", {KEY_ENTER}, 1},
        {"third row", {KEY_DOWN, KEY_DOWN, KEY_ENTER}, 3},
        {"left", {KEY_CANCEL}, 0},
    };
    const int before = Forms();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        vuMenu *menu = list_menu_new("ВЫБОР");
        menu->AddItem("ОДИН", nullptr, 0);
        ListPage page(ui, menu);
        page.menu()->AddItem("ДВА", nullptr, 0);
        page.menu()->AddItem("ТРИ", nullptr, 0);
        for (uint16_t k : c.keys)
            Key(k);
        EXPECT_EQ(page.choose(), c.row);
    }
    EXPECT_EQ(Forms(), before);
}

// One box for every error: title, flags, the formatted text cut to fit,
// nothing without a UI.
TEST_F(ScreenKit, ErrorBox)
{
    Key(KEY_ENTER, 3);
    error_box(ui, "ПРОСТО");
    error_box_f(ui, "КОД %i (%s)", -5, "нет");
    build_failed_box(ui);
    error_box(nullptr, "НЕВИДИМО");
    error_box_f(nullptr, "%s", "НЕВИДИМО");
    std::vector<std::string> expected = {u8"ОШИБКА|ПРОСТО", u8"ОШИБКА|КОД -5 (нет)",
                                         u8"ОШИБКА|Ошибка создания команды."};
    EXPECT_EQ(Boxes(0), expected);
    for (const Entry &e : Trace("msgbox"))
        EXPECT_EQ(e.Get("flags"), "9");

    Key(KEY_ENTER);
    std::string longText(600, 'x');
    error_box_f(ui, "%s", longText.c_str());
    EXPECT_EQ(Boxes(3), std::vector<std::string>{u8"ОШИБКА|" + longText.substr(0, 511)});
}

// kfn_run: an unbuilt command shows the build box and sends nothing; a
// built one goes through the full runner (wait box, error box).
TEST_F(ScreenKit, RunBuiltCommand)
{
    Scenario("answer 29 fatal=08\n");
    TMCommand cmd;
    Key(KEY_ENTER);
    EXPECT_FALSE(kfn_run(ui, cmd, 0));
    EXPECT_TRUE(Codes().empty());
    EXPECT_EQ(Boxes(0), std::vector<std::string>{u8"ОШИБКА|Ошибка создания команды."});

    EXPECT_TRUE(kfn_run(ui, cmd, cmd.GetFNStatus()));
    EXPECT_EQ(Codes(), std::vector<std::string>{"29"});

    Scenario("answer 29 error=02\n");
    Key(KEY_ENTER);
    size_t boxes = Trace("msgbox").size();
    EXPECT_FALSE(kfn_run(ui, cmd, cmd.GetFNStatus()));
    std::vector<std::string> shown = Boxes(boxes);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].substr(0, shown[1].find(':')), u8"ОШИБКА|ОШИБКА при выполнении команды 29");

    // The print variant: the same build box and -1, else the print
    // runner's own result.
    Scenario("answer 29 fatal=08\n");
    Key(KEY_ENTER);
    boxes = Trace("msgbox").size();
    EXPECT_EQ(kfn_run_print(ui, cmd, 0, 0), -1);
    EXPECT_EQ(Boxes(boxes), std::vector<std::string>{u8"ОШИБКА|Ошибка создания команды."});
    size_t frames = Codes().size();
    EXPECT_EQ(kfn_run_print(ui, cmd, cmd.GetFNStatus(), 0), 0);
    EXPECT_EQ(Codes().size(), frames + 1);
    EXPECT_EQ(Codes().back(), "29");
}

// The quiet queries: nothing shown, cached statuses untouched; true only
// for a built command the drive did. Both variants act alike on the wire.
TEST_F(ScreenKit, QuietQueries)
{
    struct Case {
        const char *what;
        const char *scenario;
        bool build;
        bool ok;
        size_t frames;
    };
    const Case cases[] = {
        {"done", "answer 29 fatal=08 status=0800\n", true, true, 1},
        {"drive error", "answer 29 error=02\n", true, false, 1},
        {"no reply", "fault 29 no-reply\n", true, false, 1},
        {"not built", "answer 29\n", false, false, 0},
    };
    for (bool locked : {true, false}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.what) + (locked ? " (locked)" : " (unlocked)"));
            Scenario(c.scenario);
            kfn_set_state(0x11, 0x2222);
            size_t frames = Codes().size();
            TMCommand cmd;
            int built = c.build ? cmd.GetFNStatus() : 0;
            bool ok = locked ? kfn_query_locked(cmd, built, 2000) : kfn_query_unlocked(cmd, built, 2000);
            EXPECT_EQ(ok, c.ok);
            EXPECT_EQ(Codes().size() - frames, c.frames);
            EXPECT_EQ(kfn_state_byte(), 0x11);
            EXPECT_EQ(kfn_flags(), 0x2222);
        }
    }
    EXPECT_TRUE(Trace("msgbox").empty());
}

// The scoped lock holds kfn_mutex for its scope; the unlocked exchange
// does not wait for it, the locked one does.
TEST_F(ScreenKit, ControllerLock)
{
    Scenario("answer 29\n");
    auto heldElsewhere = [] {
        bool busy = false;
        std::thread([&] {
            busy = pthread_mutex_trylock(&kfn_mutex) != 0;
            if (!busy)
                pthread_mutex_unlock(&kfn_mutex);
        }).join();
        return busy;
    };
    std::atomic<int> unlockedDone{0}, lockedDone{0};
    std::thread unlocked, locked;
    {
        KfnLock lock;
        EXPECT_TRUE(heldElsewhere());
        locked = std::thread([&] {
            TMCommand cmd;
            cmd.GetFNStatus();
            lockedDone = kfn_exchange_locked(cmd, 2000) == 0 ? 1 : 2;
        });
        unlocked = std::thread([&] {
            TMCommand cmd;
            cmd.GetFNStatus();
            unlockedDone = kfn_exchange_unlocked(cmd, 2000) == 0 ? 1 : 2;
        });
        // A whole exchange went by while the locked one still waits: only
        // its frame went out.
        EXPECT_TRUE(testtime::Eventually([&] { return unlockedDone != 0; }, 5000));
        EXPECT_EQ(unlockedDone, 1);
        EXPECT_EQ(lockedDone, 0);
        EXPECT_EQ(Codes().size(), 1u);
    }
    EXPECT_TRUE(testtime::Eventually([&] { return lockedDone != 0; }, 5000));
    EXPECT_EQ(lockedDone, 1);
    EXPECT_EQ(Codes().size(), 2u);
    unlocked.join();
    locked.join();
    EXPECT_FALSE(heldElsewhere());
}

// With the UI thread the wait form is modal there while this thread goes
// on: up() until the user cancels it, end() ends it from here; in
// caller-thread mode it is only drawn and stays "up".
class ScreenKitThread : public ScreenKit {
protected:
    ScreenKitThread() { threadMode = true; }
};

TEST_F(ScreenKitThread, WaitFormUpUntilCancelled)
{
    const int before = Forms();
    {
        WaitForm wait(ui, create_message_box(ui, "ПОДОЖДИТЕ", "ИДЁТ", MB_CANCEL));
        EXPECT_EQ(Forms(), before + 1);
        wait.reset();
        wait.show();
        ASSERT_TRUE(testtime::Eventually([] { return vuUI::IsModal() != 0; }, 5000));
        EXPECT_TRUE(wait.up());
        Key(KEY_CANCEL);
        EXPECT_TRUE(testtime::Eventually([&] { return !wait.up(); }, 5000));
        wait.end();
    }
    EXPECT_EQ(Forms(), before);

    WaitForm held(ui, create_message_box(ui, "ПОДОЖДИТЕ", "ИДЁТ", MB_CANCEL));
    held.reset();
    held.show();
    ASSERT_TRUE(testtime::Eventually([] { return vuUI::IsModal() != 0; }, 5000));
    held.end();
    EXPECT_FALSE(held.up());
}

TEST_F(ScreenKit, WaitFormIsOnlyDrawnWithoutUiThread)
{
    WaitForm wait(ui, create_message_box(ui, "ПОДОЖДИТЕ", "ИДЁТ", MB_CANCEL));
    wait.reset();
    wait.show();
    EXPECT_EQ(vuUI::IsModal(), 0);
    EXPECT_TRUE(wait.up());
    wait.end();
    EXPECT_TRUE(wait.up());
}

// start() and wait() split show(): what is traced between them reaches the
// shown form.
TEST_F(ScreenKitThread, StartThenWait)
{
    ScopedDialog d(ui, kEntryFile);
    ASSERT_TRUE(d);
    d.reset();
    d.start();
    EXPECT_NE(vuUI::IsModal(), 0);
    Key(KEY_CANCEL);
    EXPECT_EQ(d.wait(), -1);
}

} // namespace
} // namespace shelltest
