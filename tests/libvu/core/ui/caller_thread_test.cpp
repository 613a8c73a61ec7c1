// The UI singleton in the caller's thread (option 0x8000): start, getters,
// the modal loop with its callback codes and pacing, painting and the
// calls carried out directly.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>

#include "ui_fixture.h"
#include "ui_parts.h"
#include "vuColor.h"
#include "vuInput.h"
#include "vuMenu.h"

namespace {

const uint16_t kCaller = VU_UI_CALLER_THREAD;

// The event callback of the running Show, as a script.
std::function<int(vuEvent *, intptr_t)> g_script;
int scriptCallback(vuEvent *e, intptr_t form) { return g_script ? g_script(e, form) : 0; }

// Writes a B16 picture of w x h pixels of one colour.
void writeB16(const char *path, uint16_t w, uint16_t h, uint16_t colour)
{
    std::vector<uint8_t> file(54 + static_cast<size_t>(w) * h * 2, 0);
    file[10] = 54;
    file[18] = static_cast<uint8_t>(w);
    file[19] = static_cast<uint8_t>(w >> 8);
    file[22] = static_cast<uint8_t>(h);
    file[23] = static_cast<uint8_t>(h >> 8);
    for (size_t i = 54; i < file.size(); i += 2) {
        file[i] = static_cast<uint8_t>(colour);
        file[i + 1] = static_cast<uint8_t>(colour >> 8);
    }
    FILE *f = fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(file.data(), 1, file.size(), f), file.size());
    fclose(f);
}

class CallerThread : public UiTerminal {
protected:
    void TearDown() override
    {
        g_script = nullptr;
        UiTerminal::TearDown();
    }
    vuUI *start(uint16_t options = 0)
    {
        vuUI *ui = vuUI::Init(static_cast<uint16_t>(kCaller | options));
        EXPECT_NE(ui, nullptr);
        EXPECT_EQ(vuUI::GetLastError(), 0);
        return ui;
    }
    // Shows the form; the script ends the loop at the given pass with code.
    int showFor(vuUI *ui, vuForm *form, int passes, int code = 1)
    {
        int pass = 0;
        g_script = [&](vuEvent *, intptr_t) { return ++pass >= passes ? code : 0; };
        return ui->Show(form, scriptCallback);
    }
};

TEST_F(CallerThread, StartsOnceAndReportsTheScreen)
{
    vuUI *ui = start(VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(vuUI::GetUI(), ui);
    EXPECT_EQ(vuUI::Init(0), ui) << "a second Init returns the running singleton";
    EXPECT_EQ(vuUI::GetOption(), kCaller | VU_UI_PAINT_BACKGROUND) << "the second options are ignored";
    EXPECT_EQ(vuUI::GetWidth(), kWidth);
    EXPECT_EQ(vuUI::GetHeight(), kHeight);
    EXPECT_EQ(vuUI::GetClientWidth(), kWidth);
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight);
    EXPECT_EQ(vuUI::GetFontHeight(1), 16);
    EXPECT_EQ(vuUI::GetFontWidth(1), 12);
    EXPECT_EQ(vuUI::GetFontHeight(7), 0) << "an empty slot";
    EXPECT_FALSE(vuUI::IsModal());
    // Without "./res/fon.b16" the empty screen is the UI colour.
    EXPECT_EQ(pixel(0, 0), 0xFFFF);
    EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), 0xFFFF);

    vuUI::Done();
    EXPECT_EQ(vuUI::GetUI(), nullptr);
    EXPECT_EQ(vuUI::GetWidth(), 0);
    EXPECT_EQ(vuUI::GetOption(), 0);
}

TEST_F(CallerThread, BackgroundPictureIsCentredOnTheUiColour)
{
    writeB16("res/fon.b16", 100, 60, 0xF800);
    ASSERT_EQ(vuColor::SetColor(VU_TYPE_UI, 0, 0x001F), 0);
    start(VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(pixel(0, 0), 0x001F);
    EXPECT_EQ(pixel(109, 89), 0x001F) << "left of and above the centred picture";
    EXPECT_EQ(pixel(110, 90), 0xF800);
    EXPECT_EQ(pixel(209, 149), 0xF800);
    EXPECT_EQ(pixel(210, 150), 0x001F);
}

TEST_F(CallerThread, WithoutScreenDeviceEverythingDrawingFails)
{
    ASSERT_EQ(unlink("dev/graphics/fb0"), 0);
    vuUI *ui = vuUI::Init(kCaller);
    ASSERT_NE(ui, nullptr) << "the singleton is returned even without hardware";
    EXPECT_EQ(vuUI::GetLastError(), VU_ERR_FB_DEVICE);
    EXPECT_EQ(vuUI::GetWidth(), 0);
    EXPECT_EQ(vuUI::getFB(), nullptr);
    TestForm *form = new TestForm();
    EXPECT_EQ(ui->Add(form), -1);
    EXPECT_EQ(ui->Show(form), VU_ERR_NO_FB);
    EXPECT_EQ(form->GetState(), -1) << "a form that never came up must not read as accepted";
    EXPECT_EQ(ui->Test(), VU_ERR_NO_FB);
    EXPECT_EQ(ui->SetFileFont(6, "x.vfn"), VU_ERR_NO_FB);
    delete form;
}

TEST_F(CallerThread, FlatFunctionsRefuseANullSingleton)
{
    start();
    TestForm form;
    const std::vector<std::pair<const char *, std::function<int()>>> calls = {
        {"Add", [&] { return vuUI_Add(nullptr, &form); }},
        {"Del", [&] { return vuUI_Del(nullptr, &form); }},
        {"Register", [&] { return vuUI_Register(nullptr, &form); }},
        {"View", [&] { return vuUI_View(nullptr, &form); }},
        {"EndModal", [&] { return vuUI_EndModal(nullptr, &form); }},
        {"Show", [&] { return vuUI_Show(nullptr, &form); }},
        {"ShowExt", [&] { return vuUI_ShowExt(nullptr, &form, scriptCallback); }},
        {"WaitEndModal", [&] { return vuUI_WaitEndModal(nullptr); }},
        {"Refresh", [&] { return vuUI_Refresh(nullptr); }},
        {"Deactivate", [&] { return vuUI_Deactivate(nullptr); }},
        {"Activate", [&] { return vuUI_Activate(nullptr); }},
        {"Stop", [&] { return vuUI_Stop(nullptr); }},
        {"Start", [&] { return vuUI_Start(nullptr); }},
        {"Flush", [&] { return vuUI_Flush(nullptr); }},
        {"ShowBild", [&] { return vuUI_ShowBild(nullptr, nullptr); }},
        {"SetStatusLine", [&] { return vuUI_SetStatusLine(nullptr, nullptr); }},
        {"SetVirtualKeyboard", [&] { return vuUI_SetVirtualKeyboard(nullptr, nullptr); }},
        {"SetKeyboard", [&] { return vuUI_SetKeyboard(nullptr, nullptr); }},
        {"SetTouchCallBack", [&] { return vuUI_SetTouchCallBack(nullptr, nullptr); }},
        {"SetBackgroundImage", [&] { return vuUI_SetBackgroundImage(nullptr, nullptr); }},
        {"EnableStatusLine", [&] { return vuUI_EnableStatusLine(nullptr, 1); }},
        {"FreeFont", [&] { return vuUI_FreeFont(nullptr, 3); }},
        {"SetOption", [&] { return vuUI_SetOption(nullptr, 2); }},
        {"ClearOption", [&] { return vuUI_ClearOption(nullptr, 2); }},
        {"SetKeyScheme", [&] { return vuUI_SetKeyScheme(nullptr, 1, nullptr); }},
        {"SetFileFont", [&] { return vuUI_SetFileFont(nullptr, 6, "x.vfn"); }},
    };
    for (const auto &c : calls)
        EXPECT_EQ(c.second(), -1) << c.first;
    EXPECT_EQ(vuUI_BlockInput(nullptr, 1), nullptr);
    EXPECT_EQ(vuUI::GetOption(), kCaller) << "nothing was touched";
    EXPECT_EQ(form.events.size(), 0u);
    EXPECT_NE(vuUI_GetUI(), nullptr);
    vuUI_Done(nullptr);
    EXPECT_EQ(vuUI_GetUI(), nullptr) << "Done works on the singleton whatever it is given";
}

TEST_F(CallerThread, VersionAndBuildInfo)
{
    char buf[64];
    memset(buf, 'x', sizeof buf);
    vuUI_GetVersion(buf, sizeof buf);
    EXPECT_STREQ(buf, "Version 1.2.0.1 Build Feb 10 2025");
    memset(buf, 'x', sizeof buf);
    vuUI::GetVersion(buf, 0);
    vuUI::GetVersion(nullptr, 64);
    EXPECT_EQ(buf[0], 'x');
    vuUI::GetVersion(buf, 8);
    EXPECT_STREQ(buf, "Version");
    uint16_t a = 9, b = 9, c = 9, d = 9;
    vuUI_GetBuildInfo(&a, &b, &c, &d);
    EXPECT_EQ(std::vector<int>({a, b, c, d}), std::vector<int>({1, 2, 0, 1}));
    vuUI::GetBuildInfo(nullptr, &b, nullptr, nullptr);
}

// ---- the modal loop ----------------------------------------------------------

struct CallbackCase {
    int code;     // returned once, at pass 3
    int state;    // the form's final state
    int passes;   // passes the loop ran
    int redraws;  // form drawings after the first one
};

class CallbackCodes : public CallerThread, public ::testing::WithParamInterface<CallbackCase> {};

TEST_P(CallbackCodes, EndRedrawOrAreIgnored)
{
    const CallbackCase &c = GetParam();
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ASSERT_EQ(ui->Add(form), 0);
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t f) {
        EXPECT_EQ(f, reinterpret_cast<intptr_t>(form)) << "the callback gets the shown form";
        pass++;
        if (pass == 3)
            return c.code;
        return pass == 6 ? 1 : 0; // ends a loop the code did not end
    };
    int r = ui->Show(form, scriptCallback);
    EXPECT_EQ(r, c.state);
    EXPECT_EQ(form->GetState(), c.state);
    EXPECT_EQ(pass, c.passes);
    EXPECT_EQ(form->draws, 1 + c.redraws);
    EXPECT_FALSE(vuUI::IsModal());
    EXPECT_EQ(ui->Del(form), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, CallbackCodes,
                         ::testing::Values(CallbackCase{1, 1, 3, 1}, CallbackCase{-1, -1, 3, 1},
                                           CallbackCase{10, 10, 3, 1}, CallbackCase{100, 100, 3, 1},
                                           CallbackCase{150, 150, 3, 1}, CallbackCase{2, 1, 6, 2},
                                           CallbackCase{5, 1, 6, 1}, CallbackCase{3, 1, 6, 1},
                                           CallbackCase{11, 1, 6, 1}, CallbackCase{99, 1, 6, 1},
                                           CallbackCase{-2, 1, 6, 1}, CallbackCase{0, 1, 6, 1}));

TEST_F(CallerThread, FormResultsEndTheLoopAndKeysReachTheForm)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    static std::vector<std::vector<int>> keyCalls;
    keyCalls.clear();
    ui->SetKeyboard([](uint8_t kind, uint8_t key, uint32_t mask) {
        keyCalls.push_back({kind, key, static_cast<int>(mask)});
    });
    form->onEvent = [](vuEvent *e) { return e->key == '5' ? 22 : 0; };
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t) {
        if (++pass == 2)
            keyTap(6); // key "5"
        return pass > 50 ? -1 : 0;
    };
    EXPECT_EQ(ui->Show(form, scriptCallback), 22);
    EXPECT_EQ(form->GetState(), 22);
    ASSERT_FALSE(form->events.empty());
    EXPECT_EQ(form->events.back().key, '5');
    EXPECT_EQ(pass, 3) << "the key is polled in the pass after it was written";
    ASSERT_EQ(keyCalls.size(), 1u);
    EXPECT_EQ(keyCalls[0], std::vector<int>({0x11, '5', 0}));
}

TEST_F(CallerThread, PendingCharArrivesAsTheNextKey)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    static std::vector<int> kinds;
    kinds.clear();
    ui->SetKeyboard([](uint8_t kind, uint8_t, uint32_t) { kinds.push_back(kind); });
    form->onEvent = [](vuEvent *e) { return e->key == '7' ? 1 : 0; };
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t) {
        if (++pass == 2) {
            EXPECT_EQ(vuUI::SetChar('7'), '7');
        }
        return pass > 50 ? -1 : 0;
    };
    EXPECT_EQ(ui->Show(form, scriptCallback), 1);
    EXPECT_EQ(pass, 3);
    EXPECT_EQ(kinds, std::vector<int>({0x12}));
}

TEST_F(CallerThread, IdlePassesLastAHundredMillisecondsAndRedrawTheStatusLine)
{
    vuUI *ui = start();
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    ASSERT_EQ(ui->SetStatusLine(line), 0);
    TestForm *form = new TestForm();
    ui->Add(form);
    std::vector<unsigned> ticks;
    int lineDrawsAtStart = -1;
    g_script = [&](vuEvent *, intptr_t) {
        if (lineDrawsAtStart < 0)
            lineDrawsAtStart = line->draws;
        ticks.push_back(OsGetTickCount());
        return ticks.size() == 21 ? 1 : 0;
    };
    ui->Show(form, scriptCallback);
    ASSERT_EQ(ticks.size(), 21u);
    for (size_t i = 1; i < ticks.size(); i++)
        EXPECT_EQ(ticks[i] - ticks[i - 1], 100u) << "pass " << i;
    // 2000 ms of idle passes: the status line every 500 ms (three times),
    // then once more with the whole screen of the ending pass.
    EXPECT_EQ(line->draws - lineDrawsAtStart, 4);
    EXPECT_EQ(form->draws, 2) << "the first drawing and the one of the ending pass";
}

TEST_F(CallerThread, SlowPassForcesARedrawAndAnimationStepsEveryFiftyMilliseconds)
{
    vuUI *ui = start();
    TestForm *slow = new TestForm();
    ui->Add(slow);
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t) {
        if (++pass == 3)
            OsTestClockAdvance(1001);
        return pass == 5 ? 1 : 0;
    };
    ui->Show(slow, scriptCallback);
    EXPECT_EQ(slow->draws, 3) << "first drawing, the slow pass, the ending pass";

    TestForm *animated = new TestForm();
    animated->animate = 1;
    ui->Add(animated);
    unsigned start = 0;
    unsigned maxCount = 0;
    g_script = [&](vuEvent *, intptr_t) {
        unsigned t = OsGetTickCount();
        if (!start)
            start = t;
        if (vuUI::GetAnimationCount() > maxCount)
            maxCount = vuUI::GetAnimationCount();
        return t - start >= 1000 ? 1 : 0;
    };
    ui->Show(animated, scriptCallback);
    // Frames follow each other no faster than every 50 ms, and keep coming.
    ASSERT_GE(animated->drawTicks.size(), 10u);
    for (size_t i = 2; i < animated->drawTicks.size(); i++)
        EXPECT_GE(animated->drawTicks[i] - animated->drawTicks[i - 1], 50u) << "frame " << i;
    EXPECT_GE(maxCount, 9u);
    EXPECT_EQ(vuUI::GetAnimationCount(), 0) << "reset when the loop ends";
}

TEST_F(CallerThread, FirstDrawingFailureEndsShowWithoutALoop)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    form->drawResult = -13;
    int calls = 0;
    g_script = [&](vuEvent *, intptr_t) { return ++calls, 0; };
    EXPECT_EQ(ui->Show(form, scriptCallback), -13);
    EXPECT_EQ(vuUI::GetLastError(), -13);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(form->GetState(), -1);
    EXPECT_FALSE(vuUI::IsModal());
}

TEST_F(CallerThread, EndModalOnlyClearsTheModalForm)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    TestForm *other = new TestForm();
    ui->Add(form);
    ui->Add(other);
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t) {
        pass++;
        if (pass == 2) {
            EXPECT_TRUE(vuUI::IsModal());
            EXPECT_EQ(ui->EndModal(other), -1) << "not the modal form";
            EXPECT_TRUE(vuUI::IsModal());
            EXPECT_EQ(ui->EndModal(form), 0);
            EXPECT_FALSE(vuUI::IsModal());
            EXPECT_EQ(ui->EndModal(nullptr), -1);
        }
        return pass == 5 ? 1 : 0;
    };
    EXPECT_EQ(ui->Show(form, scriptCallback), 1) << "the loop itself runs on";
    EXPECT_EQ(pass, 5);
    EXPECT_EQ(ui->Show(nullptr), -1);
    EXPECT_EQ(ui->View(nullptr), -1);
    EXPECT_EQ(ui->Del(nullptr), -1);
    TestForm stranger;
    EXPECT_EQ(ui->Del(&stranger), -1) << "not in the frame buffer: nothing deleted";
}

TEST_F(CallerThread, OptionsAndDirectCalls)
{
    vuUI *ui = start();
    EXPECT_EQ(ui->SetOption(VU_UI_BLOCK_KB_TOGGLE), kCaller | VU_UI_BLOCK_KB_TOGGLE) << "the whole option word";
    EXPECT_EQ(ui->SetOption(VU_UI_PAINT_BACKGROUND), kCaller | VU_UI_BLOCK_KB_TOGGLE | VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(ui->ClearOption(VU_UI_BLOCK_KB_TOGGLE), kCaller | VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(ui->BlockInput(1), ui);
    EXPECT_EQ(vuUI::GetOption(), kCaller | VU_UI_PAINT_BACKGROUND | VU_UI_BLOCK_INPUT);
    ui->BlockInput(0);
    EXPECT_EQ(vuUI::GetOption(), kCaller | VU_UI_PAINT_BACKGROUND);
    EXPECT_EQ(ui->SetBlockKbMask(0x3), 0);

    EXPECT_EQ(ui->FreeFont(7), -1) << "empty slot";
    EXPECT_EQ(ui->FreeFont(3), 0);
    EXPECT_EQ(vuUI::GetFontHeight(3), 8) << "a built-in slot gets its font back";
    EXPECT_EQ(ui->SetFileFont(6, nullptr), -1);
    EXPECT_EQ(ui->SetFileFont(6, "missing.vfn"), -5);
    EXPECT_EQ(ui->SetBackgroundImage(nullptr), -1);
    EXPECT_EQ(ui->ShowBild(nullptr), -1);
    EXPECT_GE(ui->Test(), 0);
    EXPECT_EQ(ui->Flush(), 0);
    EXPECT_EQ(ui->Stop(), 0);
    EXPECT_EQ(ui->Start(), 0);
    EXPECT_EQ(ui->Deactivate(), 0);
    EXPECT_EQ(ui->Activate(), 0);

    TestForm form;
    EXPECT_EQ(ui->Register(&form), 0);
    EXPECT_EQ(form.GetParent(), vuUI::getFB());
    EXPECT_EQ(ui->Register(nullptr), -1);
}

TEST_F(CallerThread, StatusLineKeepsFormsClearAndCanBeHidden)
{
    vuUI *ui = start();
    ASSERT_EQ(ui->SetStatusLine(new TestStatusLine(20, VU_SL_BOTTOM, 0x001F)), 0);
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight - 20);
    EXPECT_EQ(pixel(5, kHeight - 1), 0x001F) << "drawn at once, at the bottom";
    EXPECT_EQ(pixel(5, 0), 0xFFFF);
    ASSERT_EQ(ui->EnableStatusLine(0), 0);
    EXPECT_TRUE(vuUI::GetStatusLine()->IsOption(VU_SL_HIDDEN));
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight);
    ASSERT_EQ(ui->EnableStatusLine(1), 0);
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight - 20);
    ASSERT_EQ(ui->SetStatusLine(nullptr), 0);
    EXPECT_EQ(vuUI::GetStatusLine(), nullptr);
    EXPECT_EQ(vuUI::GetClientHeight(), kHeight);
}

// ---- painting ------------------------------------------------------------------------

TEST_F(CallerThread, PaintOrderAndKeyboardBlocking)
{
    vuUI *ui = start(VU_UI_BLOCK_KB_TOGGLE);
    DrawLog log;
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    line->log = &log;
    ui->SetStatusLine(line);
    TestKeyboard *keyboard = new TestKeyboard();
    keyboard->log = &log;
    ASSERT_EQ(ui->SetVirtualKeyboard(keyboard), 0);
    TestForm *block = new TestForm(100, 100, 50, 20, 0xF800);
    block->log = &log;
    ASSERT_EQ(ui->SetBlockForm(block), 0);
    TypingWidget widget;
    TestForm *form = new TestForm();
    form->focusedWidget = &widget;
    form->log = &log;
    form->onEvent = [](vuEvent *e) { return e->key == '5' ? 1 : 0; };
    ui->Add(form);

    static std::vector<int> toggles;
    toggles.clear();
    ui->SetBlockKbCallBack([](int blocked) { toggles.push_back(blocked); });
    int pass = 0;
    std::vector<DrawLog> logs;
    log.clear();
    g_script = [&](vuEvent *, intptr_t) {
        pass++;
        logs.push_back(log);
        log.clear();
        switch (pass) {
        case 2:
            keyPress(102); // the two keys of the default block mask 0x6000
            keyPress(69);
            break;
        case 3:
            keyRelease(69); // the combination changed: blocked
            break;
        case 5:
            keyTap(6); // "5" reaches the form only as an empty event
            break;
        }
        return pass == 8 ? -1 : 0;
    };
    EXPECT_EQ(ui->Show(form, scriptCallback), -1);
    ASSERT_EQ(logs.size(), 8u);
    // The first pass: the keyboard comes up for the focused typing widget.
    EXPECT_EQ(keyboard->activatedFor, &widget);
    EXPECT_EQ(logs[0], DrawLog({"status", "form"})) << "the first drawing";
    EXPECT_EQ(logs[1], DrawLog({"status", "form", "keyboard"})) << "the keyboard over the form";
    // The release of one key of the combination blocks the keyboard (and,
    // being a key, hides the on-screen keyboard).
    EXPECT_EQ(logs[4], DrawLog({"status", "form", "form"})) << "blocked: the block form on top";
    EXPECT_EQ(toggles, std::vector<int>({1, 0})) << "toggled on, and off when the loop ended blocked";
    for (const vuEvent &e : form->events)
        EXPECT_NE(e.key, '5') << "blocked input arrives empty";
    EXPECT_EQ(form->GetState(), -1);
    EXPECT_FALSE(keyboard->IsActive()) << "hidden when the loop ends";
    EXPECT_EQ(vuUI::GetVirtualKeyboard(), keyboard) << "the UI's own keyboard stays";
}

TEST_F(CallerThread, FormKeyboardIsBorrowedForItsLoop)
{
    vuUI *ui = start();
    TestKeyboard *keyboard = new TestKeyboard();
    TestForm *form = new TestForm();
    form->SetVirtualKeyboard(keyboard);
    ui->Add(form);
    vuVirtualKeyboard *during = nullptr;
    int pass = 0;
    g_script = [&](vuEvent *, intptr_t) {
        during = vuUI::GetVirtualKeyboard();
        return ++pass == 3 ? 1 : 0;
    };
    ui->Show(form, scriptCallback);
    EXPECT_EQ(during, keyboard);
    EXPECT_EQ(keyboard->GetParent(), vuUI::getFB());
    EXPECT_GE(keyboard->handled, 2) << "events go to the keyboard before the form";
    EXPECT_EQ(vuUI::GetVirtualKeyboard(), nullptr) << "given back";
}

TEST_F(CallerThread, StatusLineFailureDoesNotKeepTheFormOffScreen)
{
    vuUI *ui = start();
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    line->drawResult = -13;
    ui->SetStatusLine(line);
    TestForm *form = new TestForm(0, 20, 320, 220, 0x07E0);
    ui->Add(form);
    EXPECT_EQ(showFor(ui, form, 2), 1);
    EXPECT_EQ(pixel(5, 5), 0x001F) << "the line's rows are copied whatever it reported";
    EXPECT_EQ(pixel(5, 100), 0x07E0);
}

TEST_F(CallerThread, OverlayFormCopiesOnlyItself)
{
    vuUI *ui = start();
    bool gone = false;
    ASSERT_EQ(ui->ShowBild(new TestImage(kWidth, kHeight, 0x001F, &gone)), 0);
    ASSERT_EQ(ui->draw(nullptr, 0), 0);
    EXPECT_EQ(pixel(0, 0), 0x001F) << "the picture on the empty screen";

    TestForm *overlay = new TestForm(50, 40, 100, 80, 0xF800);
    overlay->SetOption(VU_FO_ALONE);
    ui->Add(overlay);
    EXPECT_EQ(showFor(ui, overlay, 2), 1);
    EXPECT_TRUE(gone) << "Show destroys the picture";
    EXPECT_EQ(pixel(60, 50), 0xF800);
    EXPECT_EQ(pixel(149, 119), 0xF800);
    EXPECT_EQ(pixel(49, 50), 0x001F) << "the screen around the form kept the picture";
    EXPECT_EQ(pixel(150, 50), 0x001F);
    EXPECT_EQ(pixel(60, 120), 0x001F);

    TestForm *plain = new TestForm(50, 40, 100, 80, 0x07E0);
    ui->Add(plain);
    EXPECT_EQ(showFor(ui, plain, 2), 1);
    EXPECT_EQ(pixel(60, 50), 0x07E0);
    EXPECT_EQ(pixel(49, 50), 0xFFFF) << "a form not drawn alone brings the whole screen";
}

TEST_F(CallerThread, PictureAndBackgroundAreReplacedAndDestroyed)
{
    vuUI *ui = start();
    bool firstGone = false, secondGone = false, bgGone = false;
    ui->ShowBild(new TestImage(10, 10, 1, &firstGone));
    ui->ShowBild(new TestImage(10, 10, 2, &secondGone));
    EXPECT_TRUE(firstGone);
    EXPECT_FALSE(secondGone);
    ASSERT_EQ(ui->SetBackgroundImage(new TestImage(kWidth, kHeight, 0x1234, &bgGone)), 0);
    TestForm *form = new TestForm(0, 0, 10, 10);
    ui->Add(form);
    ASSERT_EQ(ui->View(form), 0);
    EXPECT_TRUE(secondGone) << "View destroys the picture";
    EXPECT_EQ(pixel(100, 100), 0x1234) << "the background under a form";
    vuUI::Done();
    EXPECT_TRUE(bgGone);
}

namespace {

// A form of a class of its own that draws nothing of its body.
class BareForm : public vuForm {
public:
    BareForm() : vuForm("BARE", nullptr) {}
    int Draw(vuFrameBuffer *) override { return 0; }
};

} // namespace

// The background is left out under the rows a form fills edge to edge, but
// only where the form is drawn by vuForm::Draw itself (a plain form or a
// menu): under a form of a class of its own it is painted, whatever its
// options say, so nothing of the screen before shows through.
TEST_F(CallerThread, BackgroundIsLeftOutOnlyUnderAPlainFormThatFillsItself)
{
    struct Case {
        const char *name;
        std::function<vuForm *()> make;
        bool backgroundDrawn;
    };
    const std::vector<Case> cases = {
        {"plain form", [] { return new vuForm("PLAIN", nullptr); }, false},
        {"menu", [] { return new vuMenu("MENU", nullptr, VU_MENU_LIST); }, false},
        {"class of its own", [] { return new BareForm(); }, true},
    };
    vuUI *ui = start();
    TestImage *background = new TestImage(kWidth, kHeight, 0x1234);
    ASSERT_EQ(ui->SetBackgroundImage(background), 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Something else on the screen first.
        TestForm *before = new TestForm(0, 0, kWidth, kHeight, 0xF800);
        ui->Add(before);
        ASSERT_EQ(ui->View(before), 0);
        ASSERT_EQ(pixel(kWidth / 2, kHeight / 2), 0xF800);

        vuForm *form = c.make();
        form->SetOption(VU_FO_FILL);
        form->SetColors(0xFFFF, 0x07E0);
        ui->Add(form);
        const int drawsBefore = background->draws;
        ASSERT_EQ(ui->View(form), 0);
        EXPECT_EQ(background->draws > drawsBefore, c.backgroundDrawn);
        EXPECT_EQ(pixel(kWidth / 2, kHeight / 2), c.backgroundDrawn ? 0x1234 : 0x07E0);
        ui->Del(before); // deletes it
        ui->Del(form);
    }
}

TEST_F(CallerThread, BlockFormIsReplacedAndOwned)
{
    vuUI *ui = start();
    std::atomic<int> firstGone{0}, secondGone{0};
    TestForm *first = new TestForm(10, 10, 20, 20);
    first->destroyed = &firstGone;
    ASSERT_EQ(ui->SetBlockForm(first), 0);
    EXPECT_EQ(ui->SetBlockForm(first), 0) << "the same form again";
    EXPECT_EQ(firstGone, 0);
    TestForm *second = new TestForm(10, 10, 20, 20);
    second->destroyed = &secondGone;
    ASSERT_EQ(ui->SetBlockForm(second), 0);
    EXPECT_NE(firstGone, 0) << "the replaced block form is deleted";
    EXPECT_EQ(ui->Del(second), 0);
    EXPECT_NE(secondGone, 0);
    EXPECT_EQ(ui->SetBlockForm(nullptr), 0) << "the deleted block form is not deleted twice";
}

TEST_F(CallerThread, ImageCacheOnlyWithItsOption)
{
    vuUI *ui = vuUI::InitExt(kCaller | VU_UI_IMAGE_CACHE, 100000);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(vuUI::GetLastError(), 0);
    EXPECT_NE(vuUI::GetResources(), nullptr);
    vuUI::Done();
    ASSERT_NE(vuUI::Init(kCaller), nullptr);
    EXPECT_EQ(vuUI::GetResources(), nullptr);
}

TEST_F(CallerThread, RefreshAlsoPollsTheKeypad)
{
    vuUI *ui = start();
    static std::vector<int> keysSeen;
    keysSeen.clear();
    ui->SetKeyboard([](uint8_t, uint8_t key, uint32_t) { keysSeen.push_back(key); });
    keyTap(2);
    EXPECT_EQ(ui->Refresh(), 0);
    EXPECT_EQ(keysSeen, std::vector<int>({'1'}));
}

TEST_F(CallerThread, BlockedInputReachesFormAndCallbackEmpty)
{
    vuUI *ui = start();
    TestForm *form = new TestForm();
    ui->Add(form);
    ui->BlockInput(1);
    std::vector<int> callbackKeys;
    int pass = 0;
    g_script = [&](vuEvent *e, intptr_t) {
        callbackKeys.push_back(e->key);
        if (++pass == 1)
            keyTap(6);
        if (pass == 3)
            ui->BlockInput(0);
        if (pass == 4)
            keyTap(7);
        return pass == 6 ? 1 : 0;
    };
    ui->Show(form, scriptCallback);
    EXPECT_EQ(callbackKeys, std::vector<int>({0, 0, 0, 0, '6', 0}));
    ASSERT_EQ(form->events.size(), 6u);
    EXPECT_EQ(form->events[1].key, 0) << "blocked";
    EXPECT_EQ(form->events[4].key, '6');
}

TEST_F(CallerThread, KeyMaskChangesReachTheKeyCallback)
{
    vuUI *ui = start();
    static std::vector<std::vector<int>> calls;
    calls.clear();
    ui->SetKeyboard([](uint8_t kind, uint8_t key, uint32_t mask) {
        calls.push_back({kind, key, static_cast<int>(mask)});
    });
    keyPress(3); // "2" held: bit 2
    EXPECT_EQ(ui->getKeyCode(), 0);
    EXPECT_EQ(ui->getKeyCode(), 0) << "no change, no call";
    keyRelease(3);
    EXPECT_EQ(ui->getKeyCode(), '2');
    EXPECT_EQ(calls, std::vector<std::vector<int>>({{0x10, 0, 0x4}, {0x11, '2', 0}}));
}

// Keys typed ahead are read with the keys held at their own release: Down
// typed and let go before Enter went down moves the menu (it is not a chord
// with Enter), and Enter then chooses the item Down reached.
TEST_F(CallerThread, KeyTypedAheadIsReadWithTheMaskOfItsOwnRelease)
{
    vuUI *ui = start();
    static std::vector<std::vector<int>> calls;
    calls.clear();
    ui->SetKeyboard([](uint8_t kind, uint8_t key, uint32_t mask) {
        calls.push_back({kind, key, static_cast<int>(mask)});
    });
    vuMenu *menu = new vuMenu(VU_MENU_LIST);
    for (const char *text : {"A", "B", "C"})
        menu->AddItem(text, nullptr, 0);
    ASSERT_EQ(ui->Add(menu), 0);
    menu->Reset();
    ASSERT_EQ(menu->GetSelected(), 1);

    keyTap(108);    // Down, released
    keyPress(28);   // Enter goes down before the loop takes Down
    std::vector<uint32_t> masks;
    int pass = 0;
    g_script = [&](vuEvent *e, intptr_t) {
        masks.push_back(e->keyMask);
        if (++pass == 2)
            keyRelease(28);
        return pass > 50 ? -1 : 0;
    };
    EXPECT_EQ(ui->Show(menu, scriptCallback), 1);
    EXPECT_EQ(menu->GetSelected(), 2) << "Down moved the selection before Enter chose";
    ASSERT_GE(masks.size(), 2u);
    EXPECT_EQ(masks[0], 0u) << "Down alone";
    EXPECT_EQ(masks[1], 1u << 11) << "Enter held now";
    EXPECT_EQ(calls, std::vector<std::vector<int>>({{0x11, 108, 0}, {0x10, 0, 1 << 11}, {0x11, 13, 0}}));
    EXPECT_EQ(ui->Del(menu), 0);
}

TEST_F(CallerThread, AnimatedStatusLineStepsEveryFiftyMilliseconds)
{
    vuUI *ui = start();
    TestStatusLine *line = new TestStatusLine(20, 0, 0x001F);
    line->animate = 1;
    ui->SetStatusLine(line);
    TestForm *form = new TestForm();
    ui->Add(form);
    std::vector<unsigned> ticks;
    int drawsAtStart = 0;
    unsigned maxCount = 0;
    g_script = [&](vuEvent *, intptr_t) {
        if (ticks.empty())
            drawsAtStart = line->draws;
        ticks.push_back(OsGetTickCount());
        maxCount = std::max<unsigned>(maxCount, vuUI::GetAnimationCount());
        return ticks.size() == 11 ? 1 : 0;
    };
    ui->Show(form, scriptCallback);
    for (size_t i = 1; i < ticks.size(); i++)
        EXPECT_EQ(ticks[i] - ticks[i - 1], 100u);
    // Ten passes of two 50 ms steps, and the ending pass's full drawing.
    EXPECT_EQ(line->draws - drawsAtStart, 21);
    EXPECT_GE(maxCount, 19u);
    EXPECT_EQ(form->draws, 2) << "only the line is redrawn for its animation";
}

TEST_F(CallerThread, FormTimeOutCountsFromTheStartOfItsLoop)
{
    vuUI *ui = start();
    vuForm *form = new vuForm();
    form->SetTimeOut(5000);
    ASSERT_EQ(ui->Add(form), 0);
    form->ResetTime();
    OsTestClockAdvance(60000); // long before the showing: not counted
    unsigned begin = OsGetTickCount();
    EXPECT_EQ(ui->Show(form), 10);
    unsigned spent = OsGetTickCount() - begin;
    EXPECT_GT(spent, 5000u);
    EXPECT_LE(spent, 5100u) << "ends with the first pass after the time-out";
    EXPECT_EQ(form->GetState(), 10);
}

} // namespace

// A form whose only motion is a blinking entry field: each animation step
// redraws and copies the field's rectangle alone. A mark put into the
// screen file outside the field survives many steps (no copy of the whole
// screen), the field blinks on the screen all the same, and the screen and
// the back buffer show what a whole redraw shows.
TEST_F(CallerThread, BlinkingFieldRedrawsAndCopiesOnlyItsRectangle)
{
    vuUI *ui = start();
    vuForm *form = new vuForm("BLINK", nullptr);
    form->SetOption(VU_FO_FILL | VU_FO_HEADER);
    vuInput *field = new vuInput(10, 40, 200, 24, 20, VU_IN_BLINK);
    field->SetFont(1);
    field->SetBorder(1);
    vuInput *other = new vuInput(10, 80, 200, 24, 20, 0);
    other->SetFont(1);
    form->Add(field);
    form->Add(other);
    ui->Add(form);
    form->Reset();
    form->SetFocused(field);
    int16_t fx = 0, fy = 0;
    uint16_t fw = 0, fh = 0;

    const uint16_t kMark = 0x1234;
    const int markX = kWidth - 1, markY = kHeight - 1;
    auto fieldOf = [&](const std::vector<uint16_t> &px) {
        std::vector<uint16_t> out;
        for (int y = fy; y < fy + fh; ++y)
            for (int x = fx; x < fx + fw; ++x)
                out.push_back(px[static_cast<size_t>(y) * kWidth + x]);
        return out;
    };
    unsigned start = 0, marked = 0;
    std::vector<std::vector<uint16_t>> fieldsSeen;
    bool checked = false;
    g_script = [&](vuEvent *, intptr_t) {
        const unsigned t = OsGetTickCount();
        if (!start)
            start = t;
        if (!marked) {
            if (t - start < 200)
                return 0;
            EXPECT_TRUE(field->GetSoleArea(fx, fy, fw, fh));
            // The mark goes into the screen file only, outside the field.
            int fd = open("dev/graphics/fb0", O_RDWR);
            EXPECT_GE(fd, 0);
            EXPECT_EQ(pwrite(fd, &kMark, 2, (static_cast<off_t>(markY) * kWidth + markX) * 2), 2);
            close(fd);
            marked = t;
            return 0;
        }
        const std::vector<uint16_t> shown = screen();
        const std::vector<uint16_t> f = fieldOf(shown);
        if (std::find(fieldsSeen.begin(), fieldsSeen.end(), f) == fieldsSeen.end())
            fieldsSeen.push_back(f);
        // Well inside a blink phase, so the last step drew the same phase.
        if (t - marked < 1300 || t % 500 < 150 || t % 500 > 450)
            return 0;
        EXPECT_EQ(shown[static_cast<size_t>(markY) * kWidth + markX], kMark) << "the whole screen was copied";
        const uint16_t *back = ui->fb->GetFrameBuffer();
        const std::vector<uint16_t> stepped(back, back + static_cast<size_t>(kWidth) * kHeight);
        std::vector<uint16_t> onScreen = shown;
        onScreen[static_cast<size_t>(markY) * kWidth + markX] = stepped[static_cast<size_t>(markY) * kWidth + markX];
        EXPECT_TRUE(onScreen == stepped) << "the screen shows the back buffer";
        EXPECT_EQ(ui->draw(form, 0), 0);
        const std::vector<uint16_t> whole(back, back + static_cast<size_t>(kWidth) * kHeight);
        EXPECT_TRUE(stepped == whole) << "the steps drew what a whole redraw draws";
        checked = true;
        return 1;
    };
    EXPECT_EQ(ui->Show(form, scriptCallback), 1);
    EXPECT_TRUE(checked);
    EXPECT_GE(fieldsSeen.size(), 2u) << "the cursor blinked on the screen";
    ui->Del(form);
}
