// The "screen" line of the trace against the screen itself: a form is drawn
// on the stand-in screen, and where each widget, list row and header says
// it is must be where its text colour is on the screen. Each widget gets a
// colour of its own, so its pixels can be told apart. The screen check then
// reads the same line and picture.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

#include "ScreenCheck.h"
#include "ui_fixture.h"
#include "vuButton.h"
#include "vuCheckBox.h"
#include "vuColor.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuMenu.h"
#include "vuMenuBox.h"
#include "vuPatternInput.h"
#include "vuStatic.h"
#include "vuTrace.h"
#include "vuWidget.h"

namespace {

using nlohmann::json;

const uint16_t kBlack = 0x0000, kRed = 0xF800, kGreen = 0x07E0, kYellow = 0xFFE0, kCyan = 0x07FF, kWhite = 0xFFFF,
               kMagenta = 0xF81F;

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1; // pixels found, inclusive
    bool Empty() const { return x1 < 0; }
};

class ScreenTrace : public UiTerminal {
protected:
    void SetUp() override
    {
        UiTerminal::SetUp();
        trace = root + "/trace.jsonl";
        // Read once per process, at the first trace: each test is a process.
        setenv("CASHDESK_TRACE", trace.c_str(), 1);
        // Lists take their colours from the table when items are added.
        vuColor::SetColor(VU_TYPE_MENU, 4, kYellow);
        vuColor::SetColor(VU_TYPE_MENU, 5, kBlack);
        vuColor::SetColor(VU_TYPE_MENU, 6, kBlack);
        vuColor::SetColor(VU_TYPE_MENU, 7, kWhite);
        ui = vuUI::Init(VU_UI_CALLER_THREAD);
        ASSERT_NE(ui, nullptr);
    }

    void TearDown() override
    {
        unsetenv("CASHDESK_TRACE");
        UiTerminal::TearDown();
    }

    json lastScreen()
    {
        std::ifstream in(trace);
        std::string line, last;
        while (std::getline(in, line))
            if (line.find("\"event\":\"screen\"") != std::string::npos)
                last = line;
        lastLine = last;
        json j = json::parse(last, nullptr, false);
        EXPECT_FALSE(j.is_discarded()) << last;
        return j;
    }

    static const json *find(const json &screen, const std::string &kind, const std::string &name)
    {
        for (const json &item : screen["items"])
            if (item.value("kind", "") == kind && item.value("name", "") == name)
                return &item;
        return nullptr;
    }

    // Where a colour is on the screen, inside the area.
    Box where(uint16_t colour, int ax = 0, int ay = 0, int aw = kWidth, int ah = kHeight)
    {
        std::vector<uint16_t> px = screen();
        Box b;
        for (int y = ay; y < ay + ah; ++y)
            for (int x = ax; x < ax + aw; ++x)
                if (px[static_cast<size_t>(y) * kWidth + x] == colour) {
                    b.x0 = std::min(b.x0, x);
                    b.y0 = std::min(b.y0, y);
                    b.x1 = std::max(b.x1, x);
                    b.y1 = std::max(b.y1, y);
                }
        return b;
    }

    static void expectWithin(const Box &b, const json &item, const char *what)
    {
        SCOPED_TRACE(what);
        ASSERT_FALSE(b.Empty()) << "its colour is not on the screen";
        const int x = item["x"], y = item["y"], w = item["w"], h = item["h"];
        EXPECT_GE(b.x0, x);
        EXPECT_GE(b.y0, y);
        EXPECT_LT(b.x1, x + w);
        EXPECT_LT(b.y1, y + h);
    }

    screencheck::Picture picture()
    {
        screencheck::Picture p;
        p.width = kWidth;
        p.height = kHeight;
        p.pixels = screen();
        return p;
    }

    vuUI *ui = nullptr;
    std::string trace, lastLine;
};

TEST_F(ScreenTrace, WidgetsRowsAndHeaderAreWhereTheyAreDrawn)
{
    vuChildForm *form = new vuChildForm(20, 20, 280, 200, "TITLE", nullptr);
    form->SetOption(VU_FO_FILL);
    form->SetColors(kWhite, kBlack);
    form->SetHeaderColors(kMagenta, kBlack);
    vuStatic *label = new vuStatic(4, 4, 100, 20, "LABEL", nullptr);
    label->SetName("label");
    label->SetPassiveColor(kRed, kBlack);
    vuButton *button = new vuButton(4, 30, 80, 30, "OK", nullptr, 13);
    button->SetName("ok");
    button->SetPassiveColor(kGreen, kBlack);
    vuCheckBox *box = new vuCheckBox(4, 70, 120, 66); // three rows of 22
    box->SetName("checks");
    box->SetPassiveColor(kCyan, kBlack);
    box->SetActiveColor(kCyan, kBlack); // the current item too
    for (const char *text : {"ONE", "TWO", "THREE"})
        box->AddItem(text, nullptr);
    vuMenuBox *list = new vuMenuBox(140, 4, 130, 82, 0, 0); // two rows of 40 and their gap
    list->SetName("list");
    for (const char *text : {"ALPHA", "BETA", "GAMMA", "DELTA", "EPSILON"})
        list->AddItem(text, nullptr, 0);
    for (vuWidget *w : std::initializer_list<vuWidget *>{label, button, box, list})
        form->Add(w);
    ASSERT_EQ(ui->Add(form), 0);
    form->Reset(); // as every screen is before it is shown
    ASSERT_EQ(ui->View(form), 0);

    json s = lastScreen();
    EXPECT_EQ(s["event"], "screen");
    EXPECT_EQ(s["modal"], 0);
    EXPECT_EQ(s["width"], kWidth);
    EXPECT_EQ(s["height"], kHeight);
    const json *f = find(s, "form", "");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ((*f)["x"], 20);
    EXPECT_EQ((*f)["y"], 20);
    EXPECT_EQ((*f)["w"], 280);
    EXPECT_EQ((*f)["h"], 200);

    const json *l = find(s, "widget", "label");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ((*l)["type"], "static");
    EXPECT_EQ((*l)["label"], "LABEL");
    EXPECT_EQ((*l)["fg"], kRed);
    EXPECT_EQ((*l)["tw"], 5 * vuUI::GetFontWidth((*l)["font"]));
    expectWithin(where(kRed), *l, "static");
    const json *b = find(s, "widget", "ok");
    ASSERT_NE(b, nullptr);
    expectWithin(where(kGreen), *b, "button");
    const json *c = find(s, "widget", "checks");
    ASSERT_NE(c, nullptr);
    expectWithin(where(kCyan), *c, "check box");
    // The check box's rows (its colour): each one's text within its row.
    int rows = 0;
    for (const json &item : s["items"]) {
        if (item.value("kind", "") != "row" || item["fg"] != kCyan)
            continue;
        ++rows;
        expectWithin(where(kCyan, item["x"], item["y"], item["w"], item["h"]), item, item.value("label", "").c_str());
    }
    EXPECT_EQ(rows, 3);
    // The menu box shows two of its five items, in the list colour.
    const json *m = find(s, "widget", "list");
    ASSERT_NE(m, nullptr);
    expectWithin(where(kYellow), *m, "menu box");
    int listed = 0;
    for (const json &item : s["items"])
        if (item.value("kind", "") == "row" && item["fg"] == kYellow)
            ++listed;
    EXPECT_EQ(listed, 2);
    const json *h = find(s, "header", "");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ((*h)["label"], "TITLE");
    const json header{{"x", (*h)["tx"]}, {"y", (*h)["ty"]}, {"w", (*h)["tw"]}, {"h", (*h)["th"]}};
    // The close icon is drawn in the header's colour too: only the text part.
    expectWithin(where(kMagenta, (*h)["x"], (*h)["y"], (*h)["tx"].get<int>() + (*h)["tw"].get<int>() - (*h)["x"].get<int>(),
                       (*h)["h"]),
                 header, "header text");
    ASSERT_NE(find(s, "close", ""), nullptr);

    screencheck::Result r = screencheck::Check("test form", picture(), lastLine);
    EXPECT_TRUE(r.Passed()) << r.Text();
    EXPECT_EQ(r.texts, 8); // label, button, header, three check-box rows, two list rows
    ui->Del(form);
}

TEST_F(ScreenTrace, AScrolledMenuShowsACutRowToTheCheck)
{
    vuMenu *menu = new vuMenu("MENU", nullptr, 0);
    menu->SetOption(VU_FO_FILL);
    menu->SetColors(kWhite, kBlack);
    menu->SetRowDelta(4); // rows of 20 pixels: the 219-pixel list cuts one
    for (int i = 1; i <= 15; ++i) {
        std::string text = "ITEM " + std::to_string(i);
        menu->AddItem(text.c_str(), nullptr, 0, 1);
    }
    ASSERT_EQ(ui->Add(menu), 0);
    menu->Reset();
    menu->selectItem(15); // scrolled to the end
    ASSERT_EQ(ui->View(menu), 0);
    json s = lastScreen();
    const json *f = find(s, "form", "");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ((*f)["selected"], 15);
    int rows = 0;
    for (const json &item : s["items"])
        rows += item.value("kind", "") == "row";
    EXPECT_GE(rows, 10);
    screencheck::Result r = screencheck::Check("long menu", picture(), lastLine);
    ASSERT_FALSE(r.Passed());
    EXPECT_EQ(r.failures[0].rfind("long menu: row text \"ITEM ", 0), 0u) << r.Text();
    EXPECT_NE(r.failures[0].find("is cut by the edge of its list"), std::string::npos) << r.Text();
    ui->Del(menu);
}

// A hidden entry field (a password, a PIN) shows hide symbols on the
// screen, and the trace says no more than the screen: the symbols and how
// many characters there are, never the text itself, anywhere in the file.
TEST_F(ScreenTrace, HiddenFieldsGiveTheirLengthNotTheirText)
{
    const struct {
        const char *name;
        vuInput *field;
        const char *value;
        char symbol;       // 0: the field's own
        const char *label; // in the trace
        long hidden;       // -1: no "hidden" member
    } cases[] = {
        {"password", new vuInput(4, 4, 200, 24, 16, VU_IN_HIDDEN), "s3cr3tword", 0, "**********", 10},
        {"pin", new vuInput(4, 32, 200, 24, 8, VU_IN_HIDDEN | VU_IN_NUMERIC), "1357", '#', "####", 4},
        {"pattern", new vuPatternInput(4, 60, 200, 24, VU_IN_HIDDEN, "##-##"), "8642", 0, "****", 4},
        {"empty", new vuInput(4, 88, 200, 24, 8, VU_IN_HIDDEN), "", 0, "", 0},
        {"plain", new vuInput(4, 116, 200, 24, 16, 0), "visible", 0, "visible", -1},
    };
    vuChildForm *form = new vuChildForm(0, 0, 240, 200, "PASSWORD", nullptr);
    for (const auto &c : cases) {
        c.field->SetName(c.name);
        if (c.symbol)
            c.field->SetHideSymbol(c.symbol);
        form->Add(c.field);
    }
    ASSERT_EQ(ui->Add(form), 0);
    form->Reset();
    for (const auto &c : cases)
        c.field->SetValue(c.value);
    ASSERT_EQ(ui->View(form), 0);

    json s = lastScreen();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const json *item = find(s, "widget", c.name);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ((*item)["label"], c.label);
        if (c.hidden < 0)
            EXPECT_FALSE(item->contains("hidden"));
        else
            EXPECT_EQ((*item)["hidden"], c.hidden);
    }
    std::ifstream in(trace);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char *secret : {"s3cr3t", "1357", "8642"})
        EXPECT_EQ(text.find(secret), std::string::npos) << secret << " is in the trace";
    ui->Del(form);
}

// Each widget describes itself: a kind the toolkit does not know gives its
// own text and rows through the same calls as the toolkit's widgets, placed
// in the form's client area; a kind that says nothing is "other", unlabelled.
class Gauge : public vuWidget {
public:
    Gauge(short x, short y) : vuWidget(x, y, 60, 20) {}
    void TraceText(vuTraceItem &item) override { item.Label("42%", GetFontIndex()); }
    void TraceRows(std::string &items, int x, int y) override
    {
        vuTraceItem("row", x, y + GetHeight(), GetWidth(), 10).Str("name", "scale").AppendTo(items);
    }
};

TEST_F(ScreenTrace, AWidgetDescribesItself)
{
    vuChildForm *form = new vuChildForm(10, 20, 200, 100, "GAUGES", nullptr);
    Gauge *gauge = new Gauge(4, 6);
    gauge->SetName("gauge");
    vuWidget *plain = new vuWidget(4, 40, 60, 20);
    plain->SetName("plain");
    form->Add(gauge);
    form->Add(plain);
    ASSERT_EQ(ui->Add(form), 0);
    form->Reset();
    ASSERT_EQ(ui->View(form), 0);

    json s = lastScreen();
    const json *g = find(s, "widget", "gauge");
    const json *p = find(s, "widget", "plain");
    ASSERT_NE(g, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((*g)["type"], "other");
    EXPECT_EQ((*g)["label"], "42%");
    EXPECT_FALSE(p->contains("label"));
    // the rows follow their widget, at its place on the screen
    const json &items = s["items"];
    size_t at = 0;
    while (at < items.size() && items[at].value("name", "") != "gauge")
        ++at;
    ASSERT_LT(at + 1, items.size());
    EXPECT_EQ(items[at + 1]["kind"], "row");
    EXPECT_EQ(items[at + 1]["name"], "scale");
    EXPECT_EQ(items[at + 1]["x"], (*g)["x"]);
    EXPECT_EQ(items[at + 1]["y"], (*g)["y"].get<int>() + 20);
    ui->Del(form);
}

} // namespace
