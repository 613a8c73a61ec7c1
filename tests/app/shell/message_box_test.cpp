// Message boxes: layout by flags on a 240x320 screen, results by the key or
// time-out that ends them, and their trace lines.
#include "ShellFixture.h"

#include "message_box.h"
#include "vuButton.h"
#include "vuForm.h"
#include "vuMultiLine.h"
#include "vuTrace.h"

namespace shelltest {
namespace {

struct Rect {
    int x, y, w, h;
    bool operator==(const Rect &o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
std::ostream &operator<<(std::ostream &os, const Rect &r)
{
    return os << "(" << r.x << "," << r.y << " " << r.w << "x" << r.h << ")";
}
const Rect kNone = {-1, -1, -1, -1};

Rect rectOf(vuObject *o)
{
    vuViewObject *v = dynamic_cast<vuViewObject *>(o);
    if (!v)
        return kNone;
    return {v->GetX(), v->GetY(), v->GetWidth(), v->GetHeight()};
}

const char *labelOf(vuForm *form, const char *name)
{
    vuButton *b = dynamic_cast<vuButton *>(form->GetByName(name));
    return b ? b->GetText() : nullptr;
}

struct LayoutCase {
    const char *what;
    uint16_t flags;
    uint32_t timeout;
    bool half;
    Rect msg, ok, cancel;
    const char *okLabel, *cancelLabel; // UTF-8
};

// Client 240x320, header 20 pixels; a half box lays out in 120x160.
const LayoutCase kLayouts[] = {
    {"error box", 0x09, 0, false, {2, 2, 234, 225}, {60, 250, 120, 30}, kNone, u8"OK", nullptr},
    {"question", 0x03, 0, false, {2, 2, 234, 225}, {135, 250, 90, 30}, {15, 250, 90, 30}, u8"ОК", u8"OТМЕНА"},
    {"yes/no pair", 0x43, 0, false, {2, 2, 234, 225}, {135, 250, 90, 30}, {15, 250, 90, 30}, u8"ДА", u8"НЕТ"},
    {"yes alone", 0x41, 0, false, {2, 2, 234, 225}, {60, 250, 120, 30}, kNone, u8"ДА", nullptr},
    {"cancel alone", 0x02, 0, false, {2, 2, 234, 225}, kNone, {60, 250, 120, 30}, nullptr, u8"OТМЕНА"},
    {"no flags, no time-out", 0x00, 0, false, {2, 2, 234, 225}, {60, 250, 120, 30}, kNone, u8"OK", nullptr},
    {"no flags, time-out", 0x00, 5000, false, {2, 2, 234, 225}, kNone, kNone, nullptr, nullptr},
    {"wait text", 0x04, 0, false, {2, 2, 234, 294}, kNone, kNone, nullptr, nullptr},
    {"raw state", 0x1003, 0, false, {2, 2, 234, 294}, kNone, kNone, nullptr, nullptr},
    {"half question", 0x83, 0, true, {2, 2, 114, 65}, {67, 90, 45, 30}, {7, 90, 45, 30}, u8"ОК", u8"OТМЕНА"},
};

} // namespace

// UTF-8 of a CP1251 label, through the trace's own conversion.
static std::string utf8Of(const char *cp) { return cp ? vuTraceLine::Quote(cp) : std::string(); }

TEST_F(ShellTest, MessageBoxLayoutFollowsFlags)
{
    for (const LayoutCase &c : kLayouts) {
        SCOPED_TRACE(c.what);
        vuForm *form = build_message_box(ui, "T", "text", c.flags, c.timeout);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(dynamic_cast<vuChildForm *>(form) != nullptr, c.half);
        if (c.half) {
            EXPECT_EQ(form->GetWidth(), 120);
            EXPECT_EQ(form->GetHeight(), 160);
        }
        EXPECT_TRUE(form->GetOptions() & VU_FO_NO_CLOSE);
        EXPECT_EQ(rectOf(form->GetByName("msg")), c.msg);
        EXPECT_EQ(rectOf(form->GetByName("ok")), c.ok);
        EXPECT_EQ(rectOf(form->GetByName("cancel")), c.cancel);
        if (c.okLabel) {
            EXPECT_EQ(utf8Of(labelOf(form, "ok")), std::string("\"") + c.okLabel + "\"");
        }
        if (c.cancelLabel) {
            EXPECT_EQ(utf8Of(labelOf(form, "cancel")), std::string("\"") + c.cancelLabel + "\"");
        }
        delete form;
    }
}

TEST_F(ShellTest, MessageBoxAlertColours)
{
    vuForm *plain = build_message_box(ui, "T", "text", 0x01, 0);
    vuForm *alert = build_message_box(ui, "T", "text", 0x09, 0);
    EXPECT_EQ(alert->GetBackColor(), 0x8000);
    EXPECT_TRUE(alert->GetOptions() & VU_FO_FILL);
    EXPECT_EQ(alert->GetFrontColor(), plain->GetFrontColor());
    EXPECT_NE(plain->GetBackColor(), 0x8000);
    delete plain;
    delete alert;
}

struct ResultCase {
    const char *what;
    uint16_t flags;
    uint32_t timeout;
    int key; // 0: none
    int result;
};

const ResultCase kResults[] = {
    {"OK by Enter", 0x03, 0, KEY_ENTER, 1},
    {"cancel by Esc", 0x03, 0, KEY_CANCEL, 2},
    {"error box cancelled", 0x09, 0, KEY_CANCEL, 2},
    {"time-out", 0x00, 5000, 0, 32},
    {"time-out of a question", 0x03, 3000, 0, 32},
    {"raw state: cancel is -1", 0x1000, 0, KEY_CANCEL, -1},
    {"raw state: Enter", 0x1000, 0, KEY_ENTER, 1},
    {"raw state: time-out", 0x1000, 2000, 0, 10},
    {"wait text returns at once", 0x04, 0, 0, 1},
};

// One box after another: each takes the key queued for it.
TEST_F(ShellTest, MessageBoxResultByHowItEnds)
{
    for (const ResultCase &c : kResults) {
        SCOPED_TRACE(c.what);
        if (c.key)
            Key(static_cast<uint16_t>(c.key));
        uint32_t start = OsGetTickCount();
        EXPECT_EQ(run_message_box_ex(ui, "T", "text", c.flags, c.timeout, nullptr), c.result);
        if (c.timeout) {
            EXPECT_GE(OsGetTickCount() - start, c.timeout);
        }
    }
    EXPECT_EQ(Trace("msgbox").size(), sizeof kResults / sizeof kResults[0]);
}

TEST_F(ShellTest, MessageBoxTracesFormAndBoxInUtf8)
{
    Key(KEY_ENTER);
    EXPECT_EQ(message_box(ui, "ОШИБКА", "НЕТ \"СВЯЗИ\"\nКОД 5", 0x09), 1);
    message_box(ui, "ПОДОЖДИТЕ", "ИДЕТ ПЕЧАТЬ", 0x04);

    std::vector<Entry> boxes = Trace("msgbox");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Get("title"), u8"ОШИБКА");
    EXPECT_EQ(boxes[0].Get("text"), u8"НЕТ \"СВЯЗИ\"\nКОД 5");
    EXPECT_EQ(boxes[0].Num("flags"), 9);
    EXPECT_EQ(boxes[1].Get("title"), u8"ПОДОЖДИТЕ");
    EXPECT_EQ(boxes[1].Num("flags"), 4);
    // Only the modal box is a form shown; the wait text is drawn once.
    std::vector<Entry> forms = Trace("form");
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].Get("header"), u8"ОШИБКА");
    EXPECT_EQ(forms[0].Get("file"), "");
}

} // namespace shelltest

#ifndef NDEBUG
namespace shelltest {
namespace {

int boxFromCallback(vuEvent *, intptr_t)
{
    // Runs in the UI thread: a box here would wait for itself.
    message_box(vuUI::GetUI(), "T", "from the UI thread", 0x09);
    return 1;
}

} // namespace

TEST_F(ShellTest, MessageBoxFromTheUiThreadIsCaught)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    vuUI::Done();
    ui = vuUI::Init(0); // the toolkit's own UI thread, as in the program
    ASSERT_NE(ui, nullptr);
    EXPECT_DEATH(run_message_box_cb(ui, "T", "outer", 0x1000, boxFromCallback), "Assertion");
}

} // namespace shelltest
#endif
