// Sliding panels and multi-panels: the motion step, the edges and their touch
// bands, keys and requests, what a hidden panel hides, how a multi-panel
// routes events between its panels and its main form, and a tap through the
// modal loop.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "MemScreen.h"
#include "osal.h"
#include "ui_fixture.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuMultiPanel.h"
#include "vuPanel.h"
#include "vuProgress.h"
#include "vuStatic.h"
#include "vuTouchPad.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

vuEvent none()
{
    vuEvent e;
    memset(&e, 0, sizeof e);
    return e;
}

vuEvent key(unsigned char k)
{
    vuEvent e = none();
    e.key = k;
    return e;
}

vuEvent touch(unsigned char phase, int x, int y)
{
    vuEvent e = none();
    e.phase = phase;
    e.x = x;
    e.y = y;
    return e;
}

// Steps the panel with empty events until it rests; the pixels moved by each
// step that answered 2.
std::vector<int> slide(vuPanel* panel)
{
    std::vector<int> steps;
    for (int i = 0; i < 500; ++i) {
        short before = panel->GetPosition();
        vuEvent e = none();
        int r = panel->HandleEvent(&e);
        if (r == 0)
            break;
        EXPECT_EQ(r, 2);
        steps.push_back(panel->GetPosition() - before);
    }
    return steps;
}

std::vector<int> repeat(std::initializer_list<std::pair<int, int>> parts)
{
    std::vector<int> v;
    for (auto& p : parts)
        v.insert(v.end(), p.second, p.first);
    return v;
}

// Panels live in a frame buffer over memory: their parent, 320 x 240.
class PanelTest : public ::testing::Test {
protected:
    PanelTest() : screen(320, 240, SENTINEL) {}
    void SetUp() override { vuTouchPad::accelStep = 3; }

    vuPanel* add(vuPanel* p)
    {
        EXPECT_GE(screen.Add(p), 0);
        p->Reset();
        return p;
    }

    std::string row(int y, int x0, int x1)
    {
        std::string s;
        for (int x = x0; x <= x1; ++x)
            s += Canvas::symbol(screen.At(x, y));
        return s;
    }

    MemScreen screen;
};

} // namespace

TEST_F(PanelTest, OpensAndHidesStepByStep)
{
    vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
    EXPECT_EQ(panel->GetPosition(), -95);
    EXPECT_EQ(panel->IsHide(), 1);
    EXPECT_EQ(panel->IsOpen(), 0);
    vuEvent e = none();
    EXPECT_EQ(panel->HandleEvent(&e), 0) << "at rest nothing moves";

    // One pixel per step four times, two four times, then four, braking to
    // two within 9 pixels and to one within 3: 31 steps in all.
    const std::vector<int> opening = repeat({{1, 4}, {2, 4}, {4, 19}, {2, 3}, {1, 1}});
    panel->Open();
    EXPECT_EQ(slide(panel), opening);
    EXPECT_EQ(panel->GetPosition(), 0);
    EXPECT_EQ(panel->IsOpen(), 1);
    EXPECT_EQ(panel->IsHide(), 0);

    std::vector<int> hiding;
    for (int s : opening)
        hiding.push_back(-s);
    panel->Hide();
    EXPECT_EQ(slide(panel), hiding);
    EXPECT_EQ(panel->GetPosition(), -95);
    EXPECT_EQ(panel->IsHide(), 1);
}

TEST_F(PanelTest, BothFlagsClearWhileSliding)
{
    vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
    panel->Open();
    vuEvent e = none();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(panel->HandleEvent(&e), 2);
    EXPECT_EQ(panel->IsHide(), 0);
    EXPECT_EQ(panel->IsOpen(), 0);
    // A request while moving reverses the slide at once, from one pixel.
    short at = panel->GetPosition();
    panel->Hide();
    EXPECT_EQ(panel->HandleEvent(&e), 2);
    EXPECT_EQ(panel->GetPosition(), at - 1);
    slide(panel);
    EXPECT_EQ(panel->IsHide(), 1);
}

TEST_F(PanelTest, OpenWhenOpenLandsAtOnce)
{
    vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
    panel->Open();
    slide(panel);
    ASSERT_EQ(panel->IsOpen(), 1);
    panel->Open();
    vuEvent e = none();
    EXPECT_EQ(panel->HandleEvent(&e), 2);
    EXPECT_EQ(panel->IsOpen(), 1);
    EXPECT_EQ(panel->HandleEvent(&e), 0);
}

TEST_F(PanelTest, EdgesPositionsAndTouchBands)
{
    struct Point {
        int x, y;
        bool opens;
    };
    struct Case {
        const char* what;
        unsigned short options;
        short x, y;
        unsigned short w, h;
        short hidden, open;
        std::vector<Point> touches;
    } cases[] = {
        {"left", VU_PANEL_LEFT, 0, 50, 100, 100, -95, 0,
         {{0, 50, true}, {20, 100, true}, {21, 100, false}, {10, 49, false}, {10, 149, true}, {10, 150, false}}},
        {"right", VU_PANEL_RIGHT, 0, 20, 80, 100, 315, 240,
         {{300, 20, true}, {299, 20, false}, {319, 119, true}, {310, 19, false}, {310, 120, false}}},
        {"top", VU_PANEL_TOP, 30, 0, 200, 60, -55, 0,
         {{30, 20, true}, {30, 21, false}, {29, 0, false}, {229, 0, true}, {230, 0, false}}},
        {"bottom", VU_PANEL_BOTTOM, 0, 0, 320, 50, 235, 190,
         {{0, 220, true}, {0, 219, false}, {319, 239, true}}},
    };
    for (const Case& c : cases) {
        vuPanel* panel = add(new vuPanel(c.x, c.y, c.w, c.h, c.options));
        EXPECT_EQ(panel->GetPosition(), c.hidden) << c.what;
        EXPECT_EQ(panel->IsHide(), 1) << c.what;
        panel->Open();
        slide(panel);
        EXPECT_EQ(panel->GetPosition(), c.open) << c.what;
        for (const Point& p : c.touches) {
            panel->Reset();
            vuEvent e = touch(VU_PHASE_DOWN, p.x, p.y);
            panel->HandleEvent(&e);
            EXPECT_EQ(panel->IsHide() == 0, p.opens) << c.what << " touch at " << p.x << "," << p.y;
        }
        screen.Del(panel);
    }
}

TEST_F(PanelTest, EveryTouchPhaseInTheBandMovesIt)
{
    for (unsigned char phase : {VU_PHASE_DOWN, VU_PHASE_MOVE, VU_PHASE_UP}) {
        vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
        vuEvent e = touch(phase, 5, 5);
        EXPECT_EQ(panel->HandleEvent(&e), 2) << int(phase);
        slide(panel);
        EXPECT_EQ(panel->IsOpen(), 1) << int(phase);
        // Open, the same band hides it again.
        e = touch(phase, 5, 5);
        panel->HandleEvent(&e);
        slide(panel);
        EXPECT_EQ(panel->IsHide(), 1) << int(phase);
        screen.Del(panel);
    }
}

TEST_F(PanelTest, NoNewSlideWhileMoving)
{
    vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
    vuEvent e = touch(VU_PHASE_DOWN, 5, 5);
    panel->HandleEvent(&e);
    ASSERT_EQ(panel->GetSpeed(), 1);
    // Still moving: the open panel's band would hide it, but the touch is
    // not taken as a new request.
    for (int i = 0; i < 3; ++i) {
        e = touch(VU_PHASE_MOVE, 5, 5);
        EXPECT_EQ(panel->HandleEvent(&e), 2);
        EXPECT_GT(panel->GetSpeed(), 0);
    }
    slide(panel);
    EXPECT_EQ(panel->IsOpen(), 1);
}

TEST_F(PanelTest, HideAndOpenKeys)
{
    struct Case {
        const char* what;
        unsigned char hideCode, openCode;
        bool startOpen;
        unsigned char k;
        bool endsOpen;
        bool handled;
    } cases[] = {
        {"open key opens", 0x31, 0x32, false, 0x32, true, true},
        {"hide key hides", 0x31, 0x32, true, 0x31, false, true},
        {"hide key on a hidden panel", 0x31, 0x32, false, 0x31, false, true},
        {"one key toggles: opens", 0x33, 0x33, false, 0x33, true, true},
        {"one key toggles: hides", 0x33, 0x33, true, 0x33, false, true},
        {"another key", 0x31, 0x32, false, 0x35, false, false},
        {"no codes: key 0 means none", 0, 0, false, 0, false, false},
    };
    for (const Case& c : cases) {
        vuPanel* panel = add(new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT));
        panel->SetCommandCode(c.hideCode, c.openCode);
        if (c.startOpen) {
            panel->Open();
            slide(panel);
        }
        vuEvent e = key(c.k);
        panel->HandleEvent(&e);
        EXPECT_EQ(e.handled != 0, c.handled) << c.what;
        slide(panel);
        EXPECT_EQ(panel->IsOpen() == 1, c.endsOpen) << c.what;
        EXPECT_EQ(panel->IsHide() == 1, !c.endsOpen) << c.what;
        screen.Del(panel);
    }
}

TEST_F(PanelTest, HiddenPanelKeepsItsWidgetsOut)
{
    vuPanel* panel = new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT);
    vuProgress* bar = new vuProgress(10, 10, 50, 10);
    ASSERT_GE(panel->Add(bar), 0);
    add(panel);
    bar->SetValue(30);
    vuEvent e = none();
    EXPECT_EQ(panel->HandleEvent(&e), 0);
    EXPECT_EQ(bar->HandleEvent(&e), 2) << "hidden: the bar was not asked, its change still waits";
    panel->Open();
    slide(panel);
    bar->SetValue(40);
    EXPECT_EQ(panel->HandleEvent(&e), 2) << "open: the bar asks for its redraw";
    EXPECT_EQ(panel->HandleEvent(&e), 0);
}

TEST_F(PanelTest, DrawsBodyAlwaysAndWidgetsOnlyWhenNotHidden)
{
    // A filled left panel without border at y = 50, a label at the panel's
    // right end: hidden, the label would fall into the visible strip.
    vuPanel* panel = new vuPanel(0, 50, 100, 100, VU_PANEL_LEFT | VU_FO_FILL | VU_FO_NO_BORDER);
    panel->SetColors(FRONT, BACK);
    vuStatic* label = new vuStatic(92, 0, 8, 10, nullptr, nullptr);
    label->SetTransparency(0);
    label->SetPassiveColor(HFRONT, HBACK);
    ASSERT_GE(panel->Add(label), 0);
    add(panel);

    EXPECT_EQ(panel->Draw(&screen), 0);
    EXPECT_EQ(row(49, 0, 6), ".......");
    EXPECT_EQ(row(50, 0, 6), "BBBBB..") << "the five-pixel strip only";
    EXPECT_EQ(row(149, 0, 6), "BBBBB..");
    EXPECT_EQ(row(150, 0, 6), ".......");

    panel->Open();
    slide(panel);
    screen.Paint(SENTINEL);
    EXPECT_EQ(panel->Draw(&screen), 0);
    EXPECT_EQ(row(49, 88, 101), "..............");
    EXPECT_EQ(row(50, 88, 101), "BBBBhhhhhhhh..") << "the label sits at the top of the body";
    EXPECT_EQ(row(59, 88, 101), "BBBBhhhhhhhh..");
    EXPECT_EQ(row(60, 88, 101), "BBBBBBBBBBBB..");
}

// ---- multi-panel ------------------------------------------------------------

class MultiPanelTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        multi = new vuMultiPanel();
        ASSERT_GE(screen.Add(multi), 0);
        main = new vuChildForm(0, 0, 320, 240);
        multi->SetMainForm(main);
        panel = new vuPanel(0, 0, 100, 240, VU_PANEL_LEFT);
        ASSERT_GE(multi->Add(panel), 0);
        multi->Reset();
    }

    int send(vuEvent e) { return multi->HandleEvent(&e); }

    vuMultiPanel* multi = nullptr;
    vuChildForm* main = nullptr;
    vuPanel* panel = nullptr;
};

TEST_F(MultiPanelTest, TakesThePlaceOfItsParent)
{
    EXPECT_EQ(multi->GetWidth(), 320);
    EXPECT_EQ(multi->GetHeight(), 240);
    EXPECT_EQ(multi->GetClientWidth(), 320);
    EXPECT_EQ(main->GetParent(), multi);
    EXPECT_EQ(panel->IsHide(), 1) << "reset reaches the panels";
}

TEST_F(MultiPanelTest, OpenPanelKeepsEventsFromTheMainForm)
{
    EXPECT_EQ(send(key(13)), 1) << "all panels hidden: the main form answers OK";
    panel->Open();
    while (send(none()) == 2) {
    }
    ASSERT_EQ(panel->IsOpen(), 1);
    EXPECT_EQ(send(key(13)), 0) << "a panel is open: the key goes to the panels only";
    EXPECT_EQ(send(key(27)), 0);
}

TEST_F(MultiPanelTest, StartingPanelStillLetsTheMainFormAnswer)
{
    panel->SetCommandCode(0, 13);
    EXPECT_EQ(send(key(13)), 1);
    EXPECT_EQ(panel->IsHide(), 0) << "the same key started the panel";
}

TEST_F(MultiPanelTest, PanelsDrawnOverTheMainForm)
{
    main->SetColors(FRONT, BACK);
    main->SetOption(VU_FO_NO_BORDER);
    panel->SetOption(VU_FO_FILL | VU_FO_NO_BORDER);
    panel->SetColors(HFRONT, HBACK);
    EXPECT_EQ(multi->Draw(&screen), 0);
    EXPECT_EQ(row(100, 0, 7), "hhhhhBBB");
}

TEST_F(MultiPanelTest, SettingTheHeldFormKeepsIt)
{
    multi->SetMainForm(main);
    EXPECT_EQ(multi->GetMainForm(), main);
    EXPECT_EQ(main->GetState(), 0) << "still alive";
    // A new main form replaces (and deletes) the old one.
    vuChildForm* other = new vuChildForm(0, 0, 320, 240);
    multi->SetMainForm(other);
    EXPECT_EQ(multi->GetMainForm(), other);
    EXPECT_EQ(other->GetParent(), multi);
}

namespace {

int g_pass = 0;
int g_tp = -1;
vuPanel* g_panel = nullptr;

void tpRecord(uint16_t type, uint16_t code, int32_t value)
{
    vuInputRecord rec{0, 0, type, code, value};
    if (write(g_tp, &rec, sizeof rec) != static_cast<ssize_t>(sizeof rec))
        ADD_FAILURE() << "touch FIFO write";
}

// A tap in the left edge band, then passes until the panel rests open.
int tapEdge(vuEvent*, intptr_t)
{
    OsTestClockAdvance(30);
    int pass = g_pass++;
    if (pass == 0) {
        tpRecord(vuInputRecord::Key, vuInputRecord::TouchButton, 1);
        tpRecord(vuInputRecord::Absolute, vuInputRecord::AxisX, 3);
        tpRecord(vuInputRecord::Absolute, vuInputRecord::AxisY, 70);
        tpRecord(vuInputRecord::Sync, 0, 0);
    } else if (pass == 1) {
        tpRecord(vuInputRecord::Key, vuInputRecord::TouchButton, 0);
    } else if (g_panel->IsOpen() || pass > 300) {
        return 1;
    }
    return 0;
}

} // namespace

class MultiPanelLoop : public UiTest {};

TEST_F(MultiPanelLoop, EdgeTapOpensThePanelOverTheMainForm)
{
    vuMultiPanel* multi = new vuMultiPanel();
    vuForm* main = new vuForm();
    main->SetOption(VU_FO_FILL);
    main->SetColors(FRONT, BACK);
    multi->SetMainForm(main);
    vuPanel* panel = new vuPanel(0, 0, 80, SH, VU_PANEL_LEFT | VU_FO_FILL | VU_FO_NO_BORDER);
    panel->SetColors(HFRONT, HBACK);
    ASSERT_GE(multi->Add(panel), 0);
    ASSERT_EQ(ui->Add(multi), 0);
    multi->Reset();
    ASSERT_EQ(panel->IsHide(), 1);
    g_pass = 0;
    g_tp = touchpad;
    g_panel = panel;
    EXPECT_EQ(ui->Show(multi, tapEdge), 1);
    EXPECT_EQ(panel->IsOpen(), 1);
    EXPECT_LT(g_pass, 300);
    // The last picture the loop drew: the open panel over the main form.
    EXPECT_EQ(at(40, 70), HBACK);
    EXPECT_EQ(at(120, 70), BACK);
}
