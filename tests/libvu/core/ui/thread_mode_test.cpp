// The UI singleton with its own UI thread: the command protocol between the
// application's thread and the UI thread, modal forms shown, waited for and
// deleted, commands while a form is modal or the thread paused, and Done
// from every state. The UI thread runs on the virtual clock, so its passes
// take no real time.
#include <gtest/gtest.h>

#include <sys/ipc.h>
#include <sys/msg.h>

#include <string.h>

#include <atomic>

#include "ui_fixture.h"
#include "ui_parts.h"
#include "vuTouchPad.h"

namespace {

// Scripts for the event callbacks, which run in the UI thread.
std::atomic<int> g_passes{0};
std::atomic<int> g_endAt{0};   // pass at which the callback ends the loop (0: never)
std::atomic<int> g_endCode{1}; // with this code

int countingCallback(vuEvent *, intptr_t)
{
    int pass = ++g_passes;
    int end = g_endAt.load();
    return end && pass >= end ? g_endCode.load() : 0;
}

int endAtOnce(vuEvent *, intptr_t) { return 1; }

class ThreadMode : public UiTerminal {
protected:
    void SetUp() override
    {
        UiTerminal::SetUp();
        g_passes = 0;
        g_endAt = 0;
        g_endCode = 1;
    }
    vuUI *start(uint16_t options = 0)
    {
        vuUI *ui = vuUI::Init(options);
        EXPECT_NE(ui, nullptr);
        EXPECT_EQ(vuUI::GetLastError(), 0);
        return ui;
    }
    // Waits (in real time) until the UI thread has run the given passes.
    static void waitPasses(int n)
    {
        for (int i = 0; i < 200000 && g_passes.load() < n; i++)
            usleep(50);
        ASSERT_GE(g_passes.load(), n) << "the modal loop does not run";
    }
};

TEST_F(ThreadMode, InitReturnsOnceTheThreadBuiltTheUi)
{
    vuUI *ui = start(VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(vuUI::Init(0), ui);
    EXPECT_EQ(vuUI::GetWidth(), kWidth);
    EXPECT_FALSE(pthread_equal(vuUI::threadId, vuUI::hostId));
    EXPECT_TRUE(pthread_equal(vuUI::hostId, pthread_self()));
    EXPECT_EQ(ui->SetOption(VU_UI_BLOCK_KB_TOGGLE), VU_UI_PAINT_BACKGROUND | VU_UI_BLOCK_KB_TOGGLE);
    EXPECT_EQ(ui->ClearOption(VU_UI_PAINT_BACKGROUND), VU_UI_BLOCK_KB_TOGGLE);
    EXPECT_EQ(ui->Refresh(), 0);
    EXPECT_EQ(pixel(0, 0), 0xFFFF) << "the idle loop painted the empty screen";
    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr);
}

TEST_F(ThreadMode, ShowWaitEndModalDel)
{
    vuUI *ui = start();
    std::atomic<int> destroyed{0};
    TestForm *form = new TestForm();
    form->destroyed = &destroyed;
    form->onEvent = [](vuEvent *e) { return e->key == '5' ? 1 : 0; };
    ASSERT_EQ(ui->Add(form), 0);
    ASSERT_EQ(ui->Show(form), 0) << "returns once the command was taken";
    EXPECT_TRUE(vuUI::IsModal());
    keyTap(6);
    EXPECT_EQ(ui->WaitEndModal(), 0);
    EXPECT_FALSE(vuUI::IsModal());
    EXPECT_EQ(form->GetState(), 1);
    EXPECT_GE(form->draws, 2);
    EXPECT_EQ(ui->WaitEndModal(), 0) << "nothing modal: at once";
    EXPECT_EQ(ui->Del(form), 0);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(ui->Show(nullptr), -1);
    EXPECT_EQ(ui->EndModal(nullptr), -1);
}

TEST_F(ThreadMode, CallbackCodeBecomesTheState)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    g_endAt = 4;
    g_endCode = 150;
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    ui->WaitEndModal();
    EXPECT_EQ(form->GetState(), 150);
    EXPECT_EQ(g_passes, 4);
    EXPECT_EQ(ui->Del(form), 0);
}

// A form whose first drawing fails never gets a loop: in the UI's own thread
// too it ends with -1 (not "OK"), the poster waiting for its end comes back,
// and the next form is shown as usual.
TEST_F(ThreadMode, FirstDrawingFailureEndsWithoutALoop)
{
    vuUI *ui = start();
    TestForm *broken = new TestForm();
    broken->drawResult = -13;
    ASSERT_EQ(ui->Add(broken), 0);
    ASSERT_EQ(ui->Show(broken, countingCallback), 0);
    EXPECT_EQ(ui->WaitEndModal(), 0);
    EXPECT_FALSE(vuUI::IsModal());
    EXPECT_EQ(broken->GetState(), -1);
    EXPECT_EQ(g_passes, 0) << "no loop ran";
    EXPECT_EQ(ui->Del(broken), 0);

    TestForm *form = new TestForm();
    ASSERT_EQ(ui->Add(form), 0);
    ASSERT_EQ(ui->Show(form, endAtOnce), 0);
    EXPECT_EQ(ui->WaitEndModal(), 0);
    EXPECT_EQ(form->GetState(), 1);
    EXPECT_EQ(ui->Del(form), 0);
}

TEST_F(ThreadMode, DelOfTheModalFormEndsItsLoopFirst)
{
    vuUI *ui = start();
    std::atomic<int> destroyed{0};
    TestForm *form = new TestForm();
    form->destroyed = &destroyed;
    ui->Add(form);
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    waitPasses(3);
    EXPECT_EQ(ui->Del(form), 0);
    EXPECT_FALSE(vuUI::IsModal());
    EXPECT_EQ(destroyed, -1) << "the loop ended with -1 before the form was deleted";
    EXPECT_EQ(ui->Refresh(), 0) << "the UI thread is idle again";
}

TEST_F(ThreadMode, EndModalOfAnotherFormHasNoEffect)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    TestForm *other = new TestForm();
    ui->Add(form);
    ui->Add(other);
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    waitPasses(2);
    EXPECT_EQ(ui->EndModal(other), 0) << "taken";
    int seen = g_passes;
    waitPasses(seen + 5);
    EXPECT_TRUE(vuUI::IsModal()) << "the modal loop runs on";
    EXPECT_EQ(ui->EndModal(form), 0);
    ui->WaitEndModal();
    EXPECT_EQ(form->GetState(), -1);
    EXPECT_EQ(ui->EndModal(form), 0) << "nothing modal: taken and dropped";
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), VU_UI_PAINT_BACKGROUND) << "and nothing is left waiting";
}

TEST_F(ThreadMode, CommandsDuringAModalLoopAreRefusedAtOnce)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    waitPasses(1);
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), -1);
    EXPECT_EQ(vuUI::GetLastError(), -1);
    EXPECT_EQ(vuUI::GetOption(), 0) << "not carried out";
    EXPECT_EQ(ui->EnableStatusLine(0), -1);
    EXPECT_EQ(ui->Refresh(), -1);
    bool gone = false;
    TestImage *picture = new TestImage(10, 10, 1, &gone);
    EXPECT_EQ(ui->ShowBild(picture), -1);
    EXPECT_TRUE(vuUI::IsModal());
    EXPECT_EQ(form->GetState(), 0);
    EXPECT_EQ(ui->EndModal(form), 0);
    ui->WaitEndModal();
    EXPECT_EQ(form->GetState(), -1);
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), VU_UI_PAINT_BACKGROUND) << "carried out once idle";
    EXPECT_FALSE(gone);
    delete picture;
}

TEST_F(ThreadMode, ShowOfASecondFormEndsTheFirst)
{
    vuUI *ui = start();
    TestForm *first = new TestForm();
    TestForm *second = new TestForm();
    ui->Add(first);
    ui->Add(second);
    ASSERT_EQ(ui->Show(first, countingCallback), 0);
    waitPasses(2);
    ASSERT_EQ(ui->Show(second), 0);
    EXPECT_EQ(first->GetState(), -1) << "ended and waited for";
    EXPECT_TRUE(vuUI::IsModal());
    EXPECT_EQ(ui->View(first), 0) << "View ends the second the same way";
    EXPECT_EQ(second->GetState(), -1);
    EXPECT_FALSE(vuUI::IsModal());
}

TEST_F(ThreadMode, DoneWhileModal)
{
    vuUI *ui = start();
    std::atomic<int> destroyed{0};
    TestForm *form = new TestForm();
    form->destroyed = &destroyed;
    ui->Add(form);
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    waitPasses(2);
    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr);
    EXPECT_EQ(destroyed, -1) << "the loop ended, then the form went with the frame buffer";
}

TEST_F(ThreadMode, PauseRefusesCommandsUntilStartAndDoneEndsIt)
{
    vuUI *ui = start();
    EXPECT_EQ(vuTouchPad::IsPresent(), 1);
    EXPECT_EQ(ui->Stop(), 0);
    EXPECT_EQ(vuTouchPad::IsPresent(), 0) << "Stop hands the devices back";
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), -1);
    EXPECT_EQ(ui->EndModal(reinterpret_cast<vuForm *>(ui)), 0) << "dropped without a reply";
    TestForm *form = new TestForm();
    ui->Add(form);
    EXPECT_EQ(ui->Show(form), 0);
    EXPECT_FALSE(vuUI::IsModal());
    EXPECT_EQ(form->GetState(), -1) << "a refused Show does not leave its form looking accepted";
    EXPECT_EQ(ui->Start(), 0);
    EXPECT_EQ(vuTouchPad::IsPresent(), 1) << "and Start takes them again";
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(ui->Deactivate(), 0);
    EXPECT_EQ(ui->Refresh(), -1);
    EXPECT_EQ(ui->Activate(), 0);
    EXPECT_EQ(ui->Refresh(), 0);

    EXPECT_EQ(ui->Stop(), 0);
    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr) << "Done ended the pause and the thread";
}

TEST_F(ThreadMode, DoneWhileDeactivated)
{
    vuUI *ui = start();
    EXPECT_EQ(ui->Deactivate(), 0);
    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr);
}

TEST_F(ThreadMode, DoneWithoutAQueueStillStopsTheThread)
{
    // Only inside a private IPC namespace may the queues run out.
    char own[64] = {0}, parent[64] = {0};
    std::string parentNs = "/proc/" + std::to_string(getppid()) + "/ns/ipc";
    if (readlink("/proc/self/ns/ipc", own, sizeof own - 1) < 0 ||
        readlink(parentNs.c_str(), parent, sizeof parent - 1) < 0 || strcmp(own, parent) == 0)
        GTEST_SKIP() << "not in a private IPC namespace";
    // No message queue may be created in this (private) IPC namespace.
    std::vector<int> queues;
    for (;;) {
        int id = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
        if (id < 0)
            break;
        queues.push_back(id);
        ASSERT_LT(queues.size(), 100000u) << "no queue limit to reach";
    }
    vuUI *ui = vuUI::Init(0);
    for (int id : queues)
        msgctl(id, IPC_RMID, nullptr);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(vuUI::GetLastError(), VU_ERR_QUEUE);
    EXPECT_EQ(ui->SetOption(2), VU_ERR_SEND);
    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr);
}

TEST_F(ThreadMode, DeviceCommands)
{
    vuUI *ui = start();
    EXPECT_GE(ui->Test(), 0);
    EXPECT_EQ(ui->Flush(), 0);
    EXPECT_EQ(ui->FreeFont(7), -1);
    EXPECT_EQ(ui->FreeFont(3), 0);
    EXPECT_EQ(ui->SetFileFontEx(6, nullptr, 0, 0, 0, 0), -1);
    EXPECT_EQ(ui->SetFileFont(6, "missing.vfn"), -5);
    EXPECT_EQ(ui->SetBackgroundImage(nullptr), -1);
    TestKeyboard *keyboard = new TestKeyboard();
    EXPECT_EQ(ui->SetVirtualKeyboard(keyboard), 0);
    EXPECT_EQ(vuUI::GetVirtualKeyboard(), keyboard);
    EXPECT_EQ(keyboard->GetParent(), vuUI::getFB());
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    EXPECT_EQ(ui->SetStatusLine(line), 0);
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight - 20);
    EXPECT_EQ(pixel(0, 0), 0x001F);
    EXPECT_EQ(ui->EnableStatusLine(0), 0);
    EXPECT_TRUE(line->IsOption(VU_SL_HIDDEN));
    EXPECT_EQ(ui->SetKeyboard(nullptr), 0);
    EXPECT_EQ(ui->SetTouchCallBack(nullptr), 0);
    EXPECT_EQ(ui->SetBlockKbCallBack(nullptr), 0);
}

// 1,000 cycles of a form that ends itself at once, with option and
// status-line commands posted while it may still be modal or its reply
// still on its way: every answer must be that command's own.
TEST_F(ThreadMode, StressShowSelfEndingFormsWithCommandsInBetween)
{
    vuUI *ui = start();
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    ASSERT_EQ(ui->SetStatusLine(line), 0);
    for (int i = 0; i < 1000; i++) {
        std::atomic<int> destroyed{0};
        TestForm *form = new TestForm();
        form->destroyed = &destroyed;
        ASSERT_EQ(ui->Add(form), 0);
        ASSERT_EQ(ui->Show(form, endAtOnce), 0) << "cycle " << i;
        uint16_t bit = (i & 1) ? VU_UI_PAINT_BACKGROUND : VU_UI_BLOCK_KB_TOGGLE;
        int r = ui->SetOption(bit);
        if (r != -1) {
            ASSERT_EQ(r & bit, bit) << "cycle " << i << ": an answer that is not SetOption's";
        }
        r = ui->EnableStatusLine(static_cast<uint8_t>(i & 1));
        ASSERT_TRUE(r == 0 || r == -1) << "cycle " << i << ": " << r;
        r = ui->ClearOption(bit);
        if (r != -1) {
            ASSERT_EQ(r & bit, 0) << "cycle " << i << ": an answer that is not ClearOption's";
        }
        if (i % 3 == 0) {
            ASSERT_EQ(ui->WaitEndModal(), 0);
            ASSERT_EQ(form->GetState(), 1) << "cycle " << i;
        }
        // Del waits for a loop still running; the form ended itself with 1.
        ASSERT_EQ(ui->Del(form), 0) << "cycle " << i;
        ASSERT_EQ(destroyed.load(), 1) << "cycle " << i;
    }
    EXPECT_EQ(ui->EnableStatusLine(1), 0);
    EXPECT_EQ(ui->SetOption(0), 0);
}

// On the real clock a posted command ends the UI thread's pause instead of
// waiting for the rest of it (nothing here is timed: the test checks that
// the answers, their order and the input stay as they are while commands
// come one after another, in the idle loop and in a modal loop).
TEST_F(ThreadMode, OnTheRealClockCommandsStreamWhileInputIsPolled)
{
    OsTestClockDisable();
    vuUI *ui = start();
    static std::atomic<int> keys{0};
    keys = 0;
    ASSERT_EQ(ui->SetKeyboard([](uint8_t, uint8_t key, uint32_t) {
        if (key == '5')
            keys++;
    }), 0);
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    ASSERT_EQ(ui->SetStatusLine(line), 0);
    const int kTaps = 4;
    for (int i = 0; i < 60; i++) {
        const uint16_t bit = (i & 1) ? VU_UI_PAINT_BACKGROUND : VU_UI_BLOCK_KB_TOGGLE;
        ASSERT_EQ(ui->SetOption(bit), bit) << "command " << i;
        ASSERT_EQ(ui->ClearOption(bit), 0) << "command " << i;
        if (i % 15 == 0)
            keyTap(6);
    }
    for (int i = 0; i < 200000 && keys.load() < kTaps; i++)
        usleep(50);
    EXPECT_EQ(keys.load(), kTaps) << "every key reached the key callback";

    // A modal loop between its passes: EndModal ends it; the commands it
    // refuses are answered; the answers stay in order.
    TestForm *form = new TestForm();
    ASSERT_EQ(ui->Add(form), 0);
    ASSERT_EQ(ui->Show(form, countingCallback), 0);
    waitPasses(1);
    for (int i = 0; i < 10; i++)
        ASSERT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), -1) << "refused while modal";
    EXPECT_EQ(ui->EndModal(form), 0);
    EXPECT_EQ(ui->WaitEndModal(), 0);
    EXPECT_EQ(form->GetState(), -1);
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(ui->ClearOption(VU_UI_PAINT_BACKGROUND), 0);
}

TEST_F(ThreadMode, IdleLoopHandsInputToTheCallbacks)
{
    vuUI *ui = start();
    static std::atomic<int> keyKind{0}, keyChar{0}, downs{0};
    keyKind = keyChar = downs = 0;
    ASSERT_EQ(ui->SetKeyboard([](uint8_t kind, uint8_t key, uint32_t) {
        if (key) {
            keyKind = kind;
            keyChar = key;
        }
    }), 0);
    ASSERT_EQ(ui->SetTouchCallBack([](vuEvent *e) {
        if (e->phase == VU_PHASE_DOWN)
            downs++;
    }), 0);
    keyTap(6);
    touchDown(30, 40);
    for (int i = 0; i < 200000 && (!keyChar.load() || !downs.load()); i++)
        usleep(50);
    EXPECT_EQ(keyChar, '5');
    EXPECT_EQ(keyKind, 0x11);
    EXPECT_EQ(downs, 1);
}

TEST_F(ThreadMode, PictureIsShownByTheIdleLoopUntilAFormComes)
{
    vuUI *ui = start();
    bool gone = false;
    ASSERT_EQ(ui->ShowBild(new TestImage(kWidth, kHeight, 0x001F, &gone)), 0);
    ASSERT_EQ(ui->Refresh(), 0); // taken once the idle loop started again
    EXPECT_EQ(pixel(100, 100), 0x001F);
    TestForm *form = new TestForm(0, 0, 10, 10);
    ui->Add(form);
    ASSERT_EQ(ui->View(form), 0);
    EXPECT_TRUE(gone);
    EXPECT_EQ(pixel(100, 100), 0xFFFF);
}

} // namespace
