// Forms: options, client-area geometry, header drawing, the event order,
// focus movement, close codes, the time-out and the model's key codes.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "osal.h"
#include "vuEvent.h"
#include "vuForm.h"
#include "vuMemIcon.h"
#include "test_events.h"
#include "vuWidget.h"
#include "widget_fixture.h"

using namespace w1;

namespace {

// A child whose answers are scripted and whose calls are logged.
class Scripted : public vuWidget {
public:
    Scripted(std::vector<std::string>* log, const char* name, int answer = 0, bool focusable = false,
             bool takes = false)
        : vuWidget(0, 0, 10, 10), log(log), answer(answer), takes(takes)
    {
        SetName(name);
        SetFocusable(focusable);
    }
    int HandleEvent(vuEvent* e) override
    {
        log->push_back(GetName());
        if (takes)
            e->handled = 1;
        return answer;
    }
    std::vector<std::string>* log;
    int answer;
    bool takes;
};

vuEvent release(int x, int y)
{
    return touch(VU_PHASE_UP, x, y);
}

std::string joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const std::string& x : v)
        s += (s.empty() ? "" : ",") + x;
    return s;
}

const char* focusedName(vuForm& f)
{
    return f.GetFocused() ? f.GetFocused()->GetName() : "-";
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override { OsTestClockEnable(100000); }
    void TearDown() override { OsTestClockDisable(); }
    TempRoot root;
};

} // namespace

TEST_F(FormTest, ConstructionOptionsAndPlacement)
{
    vuForm plain;
    EXPECT_EQ(plain.GetOptions(), 0x6);
    vuForm titled("Title", nullptr);
    EXPECT_EQ(titled.GetOptions(), 0x7);
    EXPECT_STREQ(titled.GetHeaderText(), "Title");

    vuChildForm child(30, 40, 100, 60);
    EXPECT_EQ(child.GetOptions(), 0xA6);
    EXPECT_EQ(child.GetX(), 0);
    EXPECT_EQ(child.GetY(), 0);
    EXPECT_EQ(child.GetWidth(), 100);
    EXPECT_EQ(child.GetHeight(), 60);
    EXPECT_EQ(child.GetType(), VU_TYPE_FORM);
    vuChildForm titledChild(1, 2, 50, 40, "T", nullptr);
    EXPECT_EQ(titledChild.GetOptions(), 0xA7);
    EXPECT_EQ(titledChild.GetHeaderHeight(), 20);
}

TEST_F(FormTest, IsOptionNeedsEveryBit)
{
    struct Case {
        unsigned short options, ask;
        int expected;
    } cases[] = {{0x7, 0, 0}, {0x7, 0x3, 1}, {0x5, 0x3, 0}, {0x5, 0x4, 1}, {0xFFFF, 0x8000, 1}};
    for (const Case& c : cases) {
        vuChildForm f(0, 0, 10, 10);
        f.ClearOption(0xFFFF);
        f.SetOption(c.options);
        EXPECT_EQ(f.IsOption(c.ask), c.expected) << std::hex << c.options << " " << c.ask;
    }
}

TEST_F(FormTest, HeaderHeightRules)
{
    vuChildForm f(0, 0, 100, 20);
    f.ClearOption(0x1);
    f.SetHeaderHeight(12);
    EXPECT_EQ(f.GetHeaderHeight(), 0) << "no header option";
    f.SetOption(0x1);
    EXPECT_EQ(f.GetHeaderHeight(), 12);
    f.SetHeaderHeight(20);
    f.SetHeaderHeight(0);
    EXPECT_EQ(f.GetHeaderHeight(), 12) << "0 and the form's height are refused";
    f.UpdateCoordinates();
    EXPECT_EQ(f.GetClientHeight(), 20 - 12 - 1);
}

TEST_F(FormTest, ControlCodesFollowTheTerminalModel)
{
    struct Case {
        const char* model;
        unsigned char next, previous;
    } cases[] = {{nullptr, 108, 103}, {"D200", 60, 59}, {"D200-X", 60, 59}, {"D20", 108, 103}, {"T100", 108, 103}};
    for (const Case& c : cases) {
        if (c.model) {
            ASSERT_EQ(OsRegSetValue("ro.fac.pn", c.model), 0);
        }
        vuChildForm f(0, 0, 10, 10);
        EXPECT_EQ(f.GetControlCodeNext(), c.next) << (c.model ? c.model : "none");
        EXPECT_EQ(f.GetControlCodePrevious(), c.previous);
        EXPECT_EQ(f.GetControlCodeOk(), 13);
        EXPECT_EQ(f.GetControlCodeCancel(), 27);
    }
}

TEST_F(FormTest, EventOrderAndCloseCodes)
{
    struct Case {
        const char* what;
        unsigned short clearOptions;
        unsigned char key;
        int childAnswer;
        bool childTakes;
        int expected;
        const char* seen;
    } cases[] = {
        {"cancel before children", 0, 27, 2, false, -1, ""},
        {"cancel without option goes to children", 0x4, 27, 2, false, 2, "a,b"},
        {"OK beats an equal close code", 0, 13, 2, false, 1, ""},
        {"close code 2", 0, 'x', 0, false, 22, "a,b"},
        {"close code replaces a child's answer", 0, 'x', 2, false, 22, "a,b"},
        {"handled event ignores close codes", 0, 'x', 2, true, 2, "a,b"},
        {"child's OK stops the others", 0, 'q', 1, false, 1, "a"},
        {"vkChar matches a close code", 0, 0, 0, false, 23, "a,b"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> log;
        vuChildForm f(0, 0, 100, 60);
        f.ClearOption(c.clearOptions);
        f.SetCloseControlCode(2, 'x');
        f.SetCloseControlCode(3, 'v');
        f.SetCloseControlCode(1, 13);
        f.SetCloseControlCode(8, 'q'); // ignored
        f.Add(new Scripted(&log, "a", c.childAnswer, false, c.childTakes));
        f.Add(new Scripted(&log, "b", c.childAnswer));
        vuEvent e = key(c.key);
        if (!c.key)
            e.vkChar = 'v';
        EXPECT_EQ(f.HandleEvent(&e), c.expected) << c.what;
        EXPECT_EQ(joined(log), c.seen) << c.what;
    }
}

TEST_F(FormTest, FocusedChildFirstThenTheVisibleOthers)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    f.Add(new Scripted(&log, "a", 0, true));
    f.Add(new Scripted(&log, "b", 0, true));
    auto* hidden = new Scripted(&log, "hidden");
    hidden->SetVisible(0);
    f.Add(hidden);
    f.Add(new Scripted(&log, "c"));
    f.SetFocused(static_cast<vuWidget*>(f.GetByName("b")));
    vuEvent e = key('5');
    EXPECT_EQ(f.HandleEvent(&e), 0);
    EXPECT_EQ(joined(log), "b,a,c");

    // A focused child's own answer other than 0 and 2 ends the offer.
    static_cast<Scripted*>(f.GetByName("b"))->answer = 5;
    log.clear();
    EXPECT_EQ(f.HandleEvent(&e), 5);
    EXPECT_EQ(joined(log), "b");
}

TEST_F(FormTest, NextAndPreviousWrapOverFocusableChildren)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    f.Add(new Scripted(&log, "label"));
    f.Add(new Scripted(&log, "one", 0, true));
    f.Add(new Scripted(&log, "two", 0, true));
    f.Add(new Scripted(&log, "tail"));
    f.Reset();
    EXPECT_STREQ(focusedName(f), "one");

    struct Step {
        unsigned char key;
        const char* focus;
    } steps[] = {{108, "two"}, {108, "one"}, {103, "two"}, {103, "one"}, {103, "two"}};
    for (const Step& s : steps) {
        vuEvent e = key(s.key);
        EXPECT_EQ(f.HandleEvent(&e), 2);
        EXPECT_STREQ(focusedName(f), s.focus);
    }
    EXPECT_EQ(f.GetFocused()->GetFlags() & 0x8, 0x8);
    EXPECT_EQ(static_cast<vuWidget*>(f.GetByName("one"))->GetFlags() & 0x8, 0);
}

TEST_F(FormTest, FocusWithOneOrNoFocusableChild)
{
    std::vector<std::string> log;
    vuChildForm single(0, 0, 100, 60);
    single.Add(new Scripted(&log, "only", 0, true));
    single.Reset();
    vuEvent e = key(108);
    EXPECT_EQ(single.HandleEvent(&e), 2);
    EXPECT_STREQ(focusedName(single), "only");

    vuChildForm none(0, 0, 100, 60);
    none.Add(new Scripted(&log, "x"));
    none.Reset();
    e = key(103);
    EXPECT_EQ(none.HandleEvent(&e), 0);
    EXPECT_EQ(none.GetFocused(), nullptr);
}

TEST_F(FormTest, ChildAskingForFocusTakesItAndTheNextCodeIsSkipped)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    f.Add(new Scripted(&log, "first", 0, true));
    f.Add(new Scripted(&log, "asker", 3, true));
    f.Add(new Scripted(&log, "third", 0, true));
    f.Reset();
    vuEvent e = key(108); // the next code, but the child's 3 marks the event
    EXPECT_EQ(f.HandleEvent(&e), 2);
    EXPECT_STREQ(focusedName(f), "asker");
    EXPECT_EQ(e.handled, 1);
    EXPECT_EQ(joined(log), "first,asker,third");
}

TEST_F(FormTest, ChildOkOnTheNextCodeBecomesAFocusMove)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    f.Add(new Scripted(&log, "one", 1, true));
    f.Add(new Scripted(&log, "two", 0, true));
    f.Reset();
    vuEvent e = key(108);
    EXPECT_EQ(f.HandleEvent(&e), 2);
    EXPECT_STREQ(focusedName(f), "two");
}

TEST_F(FormTest, SetFocusedAcceptsOnlyFocusableChildren)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    auto* a = new Scripted(&log, "a", 0, true);
    auto* b = new Scripted(&log, "b");
    f.Add(a);
    f.Add(b);
    Scripted stranger(&log, "s", 0, true);
    f.SetFocused(a);
    f.SetFocused(b);
    f.SetFocused(&stranger);
    f.SetFocused(nullptr);
    EXPECT_EQ(f.GetFocused(), a);
}

TEST_F(FormTest, TimeOutIsStrictNeverBeforeShowingAndIgnoresKeys)
{
    vuChildForm f(0, 0, 100, 60);
    f.SetTimeOut(5000);
    OsTestClockAdvance(60000);
    vuEvent none = key(0);
    EXPECT_EQ(f.HandleEvent(&none), 0) << "never shown";

    f.ResetTime();
    OsTestClockAdvance(4000);
    vuEvent k = key('5');
    EXPECT_EQ(f.HandleEvent(&k), 0);
    OsTestClockAdvance(1000);
    EXPECT_EQ(f.HandleEvent(&none), 0) << "exactly the time-out is not past it";
    OsTestClockAdvance(1);
    EXPECT_EQ(f.HandleEvent(&k), 10);

    f.SetTimeOut(0);
    EXPECT_EQ(f.HandleEvent(&none), 0);
}

TEST_F(FormTest, TimeOutAcrossTheTickWrap)
{
    OsTestClockEnable(0xFFFFF000u);
    vuChildForm f(0, 0, 100, 60);
    f.SetTimeOut(5000);
    f.ResetTime();
    OsTestClockAdvance(4096 + 900); // the tick wrapped past 0
    EXPECT_EQ(f.IsTimeOut(), 0);
    OsTestClockAdvance(5);
    EXPECT_EQ(f.IsTimeOut(), 1);
}

TEST_F(FormTest, GetByNameFindsTheFirstExactName)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    auto* first = new Scripted(&log, "amount");
    f.Add(first);
    f.Add(new Scripted(&log, "amount"));
    EXPECT_EQ(f.GetByName("amount"), first);
    EXPECT_EQ(f.GetByName("Amount"), nullptr);
    EXPECT_EQ(f.GetByName(nullptr), nullptr);
}

TEST_F(FormTest, SignatureAndAnimationQueries)
{
    std::vector<std::string> log;
    vuChildForm f(0, 0, 100, 60);
    EXPECT_EQ(f.IsSign(), 0);
    EXPECT_EQ(f.IsAnimate(), 0);
    f.Add(new Scripted(&log, "a"));
    EXPECT_EQ(f.IsSign(), 0);
}

// ---- drawing -----------------------------------------------------------------

class FormDraw : public DrawTest {};

TEST_F(FormDraw, ClientAreaWithAndWithoutHeaderAndBorder)
{
    struct Case {
        unsigned short options;
        int cx, cy, cw, ch;
    } cases[] = {
        {0x6, 1, 1, 38, 28}, {0x7, 1, 20, 38, 9}, {0x17, 0, 20, 40, 10}, {0x16, 0, 0, 40, 30},
    };
    for (const Case& c : cases) {
        canvas.clear();
        vuChildForm f(10, 20, 40, 30);
        f.ClearOption(0xFF);
        f.SetOption(c.options | 0x40); // body untouched
        auto* w = new vuWidget(0, 0, 200, 200);
        w->SetPassiveColor(FRONT, BACK);
        f.Add(w);
        ASSERT_EQ(f.Draw(fb()), 0);
        Box b = canvas.box(BACK);
        EXPECT_EQ(b.x0, 10 + c.cx) << std::hex << c.options;
        EXPECT_EQ(b.y0, 20 + c.cy) << std::hex << c.options;
        EXPECT_EQ(b.w(), c.cw);
        EXPECT_EQ(b.h(), c.ch);
        EXPECT_EQ(f.GetClientWidth(), c.cw);
        EXPECT_EQ(f.GetClientHeight(), c.ch);
    }
}

TEST_F(FormDraw, BodyFillShadeOrLeaveAndBorder)
{
    vuChildForm f(10, 10, 20, 10);
    f.SetColors(FRONT, BACK);
    ASSERT_EQ(f.Draw(fb()), 0); // child forms fill their body
    EXPECT_EQ(canvas.row(10, 9, 30), ".FFFFFFFFFFFFFFFFFFFF.");
    EXPECT_EQ(canvas.row(11, 9, 30), ".FBBBBBBBBBBBBBBBBBBF.");

    canvas.clear();
    f.ClearOption(0x20 | 0x40);
    f.SetOption(0x10);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(canvas.at(10, 10), (SENTINEL >> 1) & 0x7BEF) << "shaded, no border";
    EXPECT_EQ(canvas.count((SENTINEL >> 1) & 0x7BEF), 200);

    canvas.clear();
    f.SetOption(0x40);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(canvas.count(SENTINEL), canvas.W * canvas.H);
}

TEST_F(FormDraw, HeaderTextImageAndCloseIcon)
{
    vuChildForm f(5, 5, 100, 40, "abc", nullptr);
    f.SetColors(FRONT, BACK);
    f.SetHeaderColors(HFRONT, HBACK);
    f.SetHeaderFont(6);
    ASSERT_EQ(f.Draw(fb()), 0);
    // Header fill: x0 + 1 .. x0 + w - 2 over 20 rows; the border stays at x0.
    EXPECT_EQ(canvas.at(5, 10), FRONT);
    EXPECT_EQ(canvas.at(6, 10), HBACK);
    EXPECT_EQ(canvas.at(6, 24), HBACK);
    EXPECT_EQ(canvas.at(6, 25), BACK);
    // Left-justified text: x0 + 4, (20 - 6) / 2 below the top, 3 cells.
    Box text{0, 0, 0, 0};
    {
        Box b{1000, 1000, -1, -1};
        for (int y = 5; y < 25; ++y)
            for (int x = 5; x < 60; ++x)
                if (canvas.at(x, y) == HFRONT) {
                    b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                    b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
                }
        text = b;
    }
    EXPECT_EQ(text.x0, 9);
    EXPECT_EQ(text.y0, 12);
    EXPECT_EQ(text.w(), 12);
    EXPECT_EQ(text.h(), 6);
    // The close icon lies in its 18 x 18 square at the right of the header.
    int iw = vuMemIcon::GetWidth(static_cast<_VU_TypeMemIcon>(0));
    int ih = vuMemIcon::GetHeight(static_cast<_VU_TypeMemIcon>(0));
    int inIcon = 0, rightOfText = 0;
    for (int y = 5; y < 25; ++y)
        for (int x = 60; x < 105; ++x)
            if (canvas.at(x, y) == HFRONT) {
                bool in = x >= 5 + 100 - iw - 2 && x < 5 + 100 - 2 && y >= 6 && y < 6 + ih;
                (in ? inIcon : rightOfText)++;
            }
    EXPECT_GT(inIcon, 0);
    EXPECT_EQ(rightOfText, 0);

    // Centred over the form itself, and no icon with option 0x8.
    canvas.clear();
    f.SetHeaderJustify(0);
    f.SetOption(0x8);
    ASSERT_EQ(f.Draw(fb()), 0);
    Box all = canvas.box(HFRONT);
    EXPECT_EQ(all.x0, 5 + 4 + (100 - 12) / 2);
    EXPECT_EQ(all.w(), 12);

    // Right-justified: the text ends where the close and OK icons' places begin.
    canvas.clear();
    f.SetHeaderJustify(2);
    ASSERT_EQ(f.Draw(fb()), 0);
    all = canvas.box(HFRONT);
    EXPECT_EQ(all.x1, 5 + 100 - 2 * (iw + 2) - 1);
    EXPECT_EQ(all.w(), 12);
}

TEST_F(FormDraw, DrawWidgetsStopsAtTheFirstFailure)
{
    struct Failing : vuWidget {
        using vuWidget::vuWidget;
        int DrawItem(vuFrameBuffer*, vuViewPort*) override { return -5; }
    };
    vuChildForm f(0, 0, 60, 40);
    auto* bad = new Failing(0, 0, 5, 5);
    auto* later = new vuWidget(10, 10, 5, 5);
    later->SetPassiveColor(FRONT, AFRONT);
    f.Add(bad);
    f.Add(later);
    EXPECT_EQ(f.Draw(fb()), -5);
    EXPECT_EQ(canvas.count(AFRONT), 0);
    EXPECT_EQ(f.Draw(nullptr), -4);
}

TEST_F(FormDraw, CloseIconTapFollowsTheDrawnIcon)
{
    int iw = vuMemIcon::GetWidth(static_cast<_VU_TypeMemIcon>(0));
    int ih = vuMemIcon::GetHeight(static_cast<_VU_TypeMemIcon>(0));
    vuChildForm f(20, 10, 80, 50, "T", nullptr);
    int left = 20 + 80 - iw - 2, top = 11;
    struct Tap {
        int x, y, expected;
    } taps[] = {
        {left, top, -1},           {left + iw - 1, top + ih - 1, -1}, {left - 1, top, 0},
        {left + iw, top, 0},       {left, top + ih, 0},               {80 - iw - 2, 1, 0}, // without the form's x
    };
    for (const Tap& t : taps) {
        vuEvent e = release(t.x, t.y);
        EXPECT_EQ(f.HandleEvent(&e), t.expected) << t.x << "," << t.y;
    }
    vuEvent e = release(left, top);
    f.ClearOption(0x1);
    EXPECT_EQ(f.HandleEvent(&e), 0) << "no header, no icon";
    f.SetOption(0x1 | 0x8);
    EXPECT_EQ(f.HandleEvent(&e), 0) << "icon switched off";
}

TEST_F(FormDraw, SettersKeepWhatTheyAlreadyHold)
{
    vuChildForm f(0, 0, 60, 40, "first", nullptr);
    f.SetHeaderText(f.GetHeaderText());
    EXPECT_STREQ(f.GetHeaderText(), "first");
    f.SetHeaderText(nullptr);
    EXPECT_EQ(f.GetHeaderText(), nullptr);
    std::vector<unsigned char> bits(2, 0xFF);
    vuImage* img = vuImage::CreateMemDirect(4, 2, bits.data());
    f.SetHeaderImage(img);
    f.SetHeaderImage(img);
    EXPECT_EQ(f.GetHeaderImage(), img);
    f.SetHeaderColors(HFRONT, HBACK);
    ASSERT_EQ(f.Draw(fb()), 0);
    EXPECT_EQ(canvas.at(2, 9), HFRONT) << "the image, drawn at x0 + 2 and centred in the header";
}
