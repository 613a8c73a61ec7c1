// The receipt wizard and its editors on the fiscal-drive stand-in, screen
// by screen: keys into the real dialogs, out the requests the stand-in
// took, its paper log and its counters.
#include "FiscalFixture.h"

#include <algorithm>
#include <fstream>
#include <memory>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "TMCommand.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "position_editor.h"
#include "receipt_wizard.h"
#include "str_helpers.h"
#include "tag_editor.h"

namespace fiscaltest {
namespace {

const char *kOpen1 = "kkt_dlg_receipt_open_1.xml";
const char *kOpen2 = "kkt_dlg_receipt_open_2.xml";
const char *kOpen3 = "kkt_dlg_receipt_open_3.xml";
const char *kReceiptPayment = "kkt_dlg_receipt_payment.xml";
const char *kClient = "kkt_dlg_receipt_client.xml";
const char *kList = "kkt_dlg_poss_cheque.xml";
const char *kObject11 = "kkt_dlg_receipt_calc_object_1_1.xml";
const char *kGoods = "kkt_dlg_receipt_good_1.xml";
const char *kTax = "kkt_dlg_select_tax_type.xml";
const char *kMethod = "kkt_dlg_receipt_calc_method.xml";
const char *kReceiptAgent = "kkt_dlg_receipt_agent_1.xml";
const char *kExtra = "kkt_dlg_receipt_good_2.xml";
const char *kCorr105 = "kkt_dlg_receipt_corr105_1.xml";
const char *kCorr2 = "kkt_dlg_receipt_corr_2.xml";
const char *kCorr3 = "kkt_dlg_receipt_corr_3.xml";
const char *kTags = "kkt_dlg_tags.xml";
const char *kTag = "kkt_dlg_input_tag.xml";
const char *kObject12 = "kkt_dlg_receipt_calc_object_1_2.xml";
const char *kLot = "kkt_dlg_receipt_good_5.xml";
const char *kPlanned = "kkt_dlg_receipt_good_3.xml";
const char *kMeasure = "kkt_dlg_receipt_good_4.xml";
const char *kAgentData = "kkt_dlg_receipt_agent_2.xml";
const char *kSupplier = "kkt_dlg_receipt_agent_3.xml";
const char *kCorrTitle = u8"ЧЕК КОРРЕКЦИИ";
const char *kReceiptTitle = u8"КАССОВЫЙ ЧЕК";

const uint16_t KEY_ADD = LIST_KEY_ADD, KEY_DEL = LIST_KEY_DELETE, KEY_EDIT = LIST_KEY_EDIT;
const uint16_t KEY_TAGS = 69; // the close code of the pages with tags

std::vector<uint16_t> Keys(std::initializer_list<std::vector<uint16_t>> parts)
{
    std::vector<uint16_t> out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Digits without a closing key.
std::vector<uint16_t> Type(const std::string &text)
{
    std::vector<uint16_t> keys;
    for (char c : text)
        keys.push_back(DigitKey(c));
    return keys;
}

// n presses of the key.
std::vector<uint16_t> Press(uint16_t key, int n = 1) { return std::vector<uint16_t>(n, key); }

// Picks item n of a freshly shown radio list that has the focus.
std::vector<uint16_t> Item(int n) { return Keys({Press(DigitKey('8'), n), Type("5")}); }

class ReceiptTest : public FiscalTest {
protected:
    void SetUp() override
    {
        FiscalTest::SetUp();
        if (HasFatalFailure())
            return;
        kfn_state.ffd_version = -1;
        kfn_state.marking_mode = -1;
        kfn_state.current_status = 0;
        settings_set("FiscalReceipt", "Seller", u8"Иванов И.И.");
        settings_set("FiscalCorr", "Seller", u8"Иванов И.И.");
    }

    // A registered drive with the shift open; extra scenario lines after.
    void Sale(const std::string &extra = "") { Drive("drive shift open 1\n" + extra); }

    // The goods line editor at FFD up to 1.1, outside marking mode: the
    // goods page's keys between the defaults and OK.
    std::vector<Step> Goods(std::vector<uint16_t> goodsKeys = {KEY_ENTER})
    {
        return {{kObject11, {KEY_ENTER}}, {kGoods, goodsKeys}, {kTax, {KEY_ENTER}},
                {kMethod, {KEY_ENTER}},   {kReceiptAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}};
    }
    // Price and quantity typed on the goods page.
    static std::vector<uint16_t> PriceQty(const std::string &price, const std::string &qty)
    {
        return Keys({Press(KEY_DOWN, 2), Type(price), Press(KEY_DOWN), Type(qty), Press(KEY_ENTER)});
    }

    // Every request of the code the stand-in took, its fields in order.
    std::vector<std::vector<std::string>> Requests(const std::string &code, size_t from = 0)
    {
        std::vector<std::vector<std::string>> out;
        std::vector<Entry> in = ReadJournal(sim->JournalPath(), "in", 1);
        for (size_t i = from; i < in.size(); ++i) {
            const Entry &e = in[i];
            if (e.Get("code") != code)
                continue;
            std::vector<std::string> fields;
            size_t at = e.line.find("\"fields\":[");
            if (at != std::string::npos) {
                at += 10;
                while (at < e.line.size() && e.line[at] == '"') {
                    std::string s;
                    for (++at; at < e.line.size() && e.line[at] != '"'; ++at) {
                        if (e.line[at] == '\\' && at + 1 < e.line.size()) {
                            char c = e.line[++at];
                            s += c == 'n' ? '\n' : c;
                        } else {
                            s += e.line[at];
                        }
                    }
                    fields.push_back(s);
                    at += 1;
                    if (at < e.line.size() && e.line[at] == ',')
                        ++at;
                }
            }
            out.push_back(fields);
        }
        return out;
    }

    // Steps in order.
    static std::vector<Step> Flow(std::initializer_list<std::vector<Step>> parts)
    {
        std::vector<Step> out;
        for (const auto &p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    }
};

} // namespace

// Two goods, a first payment in cash of part of the total, the rest by
// card; the buyer's phone; the receipt printed.
TEST_F(ReceiptTest, SaleOfTwoGoodsPaidInCashAndByCard)
{
    Sale();
    Script(Flow({
        {{kOpen1, {KEY_ENTER}}, {kOpen2, {KEY_ENTER}}, {kOpen3, {KEY_ENTER}}, {kList, {KEY_ADD}}},
        Goods(PriceQty("12345", "1500")),
        {{kList, {KEY_ADD}}},
        Goods(),
        {{kList, {KEY_ENTER}}, {kReceiptPayment, Digits("10000")}, {kReceiptPayment, Keys({Press(KEY_DOWN), Item(2), Press(KEY_ENTER)})},
         {kClient, Digits("9001234567")}, {kWait, {}}, {kReceiptTitle, {KEY_ENTER}}},
    }));
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();

    EXPECT_EQ(Taken(), (std::vector<std::string>{"88", "10", "11", "11", "12", "13", "13", "1C", "6A", "14"}));
    auto items = Requests("11");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0][2], "123.45");
    EXPECT_EQ(items[0][3], "1.500");
    auto payments = Requests("13");
    ASSERT_EQ(payments.size(), 2u);
    EXPECT_EQ(payments[0][0], "00");
    EXPECT_EQ(payments[0][1], "100.00");
    EXPECT_EQ(payments[1][0], "01");
    EXPECT_EQ(payments[1][1], "86.18");
    std::string paper = Paper();
    EXPECT_NE(paper.find(u8"=186.18"), std::string::npos) << paper;
    EXPECT_NE(paper.find(u8"1008: +79001234567"), std::string::npos) << paper;
    kktsim::DriveState st = sim->Drive();
    EXPECT_EQ(st.shift.sums[0][0], 10000);
    EXPECT_EQ(st.shift.sums[0][1], 8618);
    EXPECT_EQ(st.docType, 0);
}

// ---- the position editor's moves ------------------------------------------

namespace {

ReceiptPosition blank()
{
    ReceiptPosition p;
    memset(&p, 0, sizeof p);
    return p;
}

ReceiptTag tag(uint16_t number, const char *value)
{
    ReceiptTag t;
    memset(&t, 0, sizeof t);
    t.tag = number;
    strcpy(t.value, value);
    return t;
}

} // namespace

// FFD 1.05: the object page leads to the goods; every page goes back one
// page on Cancel, the goods page to the object page.
TEST_F(ReceiptTest, PositionEditorMovesAtFfd105)
{
    Sale();
    kfn_state.ffd_version = 2;
    kfn_state.marking_mode = 0;
    Script({{kObject11, {KEY_ENTER}}, {kGoods, {KEY_CANCEL}}, {kObject11, Keys({Item(4), Press(KEY_ENTER)})},
            {kGoods, {KEY_ENTER}}, {kTax, {KEY_CANCEL}}, {kGoods, {KEY_ENTER}}, {kTax, Keys({Item(6), Press(KEY_ENTER)})},
            {kMethod, {KEY_CANCEL}}, {kTax, {KEY_ENTER}}, {kMethod, {KEY_ENTER}}, {kReceiptAgent, {KEY_ENTER}},
            {kExtra, {KEY_CANCEL}}, {kReceiptAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}});
    ReceiptPosition p = blank();
    EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
    EndScript();
    EXPECT_EQ(p.kind, POSITION_GOODS);
    EXPECT_EQ(p.object, 4);
    EXPECT_EQ(p.tax, 6);
    EXPECT_EQ(p.method, 4) << "full payment by default";
    EXPECT_EQ(p.agent, 0);
    EXPECT_EQ(p.department, 1);
    EXPECT_STREQ(p.price, "100");
    EXPECT_STREQ(p.quantity, "1000");
    EXPECT_STREQ(p.unit, "шт.");
    EXPECT_STREQ(p.name, "Товар");
    EXPECT_EQ(settings_get("FiscalReceipt", "GoodName"), std::string(u8"Товар")) << "the editor's keys are saved";
}

// FFD 1.2 outside marking mode: the goods page goes back to the measure
// page, that one to the object page; the unit is the measure's code.
TEST_F(ReceiptTest, PositionEditorMovesAtFfd12)
{
    Sale();
    kfn_state.ffd_version = 4;
    kfn_state.marking_mode = 0;
    Script({{kObject11, {KEY_ENTER}}, {kGoods, {KEY_CANCEL}}, {kMeasure, {KEY_CANCEL}}, {kObject11, {KEY_ENTER}},
            {kGoods, {KEY_CANCEL}}, {kMeasure, Keys({Item(3), Press(KEY_ENTER)})}, {kGoods, {KEY_ENTER}},
            {kTax, {KEY_ENTER}}, {kMethod, {KEY_ENTER}}, {kReceiptAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}});
    ReceiptPosition p = blank();
    EXPECT_EQ(EditPosition(ui, &p, 2, 0), 1);
    EndScript();
    EXPECT_EQ(p.kind, POSITION_GOODS);
    EXPECT_EQ(p.measure, 11);
    EXPECT_STREQ(p.unit, "0B");
    EXPECT_NE(settings_get("FiscalCorr", "GoodName"), nullptr) << "mode 2 keeps its own section";
}

// The payment-object row chosen is the object sent, on every FFD and in
// both modes: FFD 1.2 outside marking mode shows the plain list.
TEST_F(ReceiptTest, PositionEditorSendsTheObjectOfTheRowChosen)
{
    Sale();
    const struct {
        int ffd, marking;
        const char *list;
        int row;
        uint8_t object;
    } cases[] = {
        {3, 0, kObject11, 4, 4},   // УСЛУГА
        {4, 0, kObject11, 4, 4},   // УСЛУГА
        {4, 0, kObject11, 3, 3},   // РАБОТА
        {4, 1, kObject12, 6, 4},   // УСЛУГА
        {4, 1, kObject12, 31, 32}, // ТОВАР БЕЗ КМ (ТНМ)
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.ffd) + "/" + std::to_string(c.marking) + " row " + std::to_string(c.row));
        kfn_state.ffd_version = c.ffd;
        kfn_state.marking_mode = c.marking;
        std::vector<Step> steps = {{c.list, Keys({Item(c.row), Press(KEY_ENTER)})}};
        if (c.marking)
            steps.push_back({kMeasure, {KEY_ENTER}});
        for (const Step &s : Goods())
            if (s.form != kObject11)
                steps.push_back(s);
        Script(steps);
        ReceiptPosition p = blank();
        EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
        EndScript();
        EXPECT_EQ(p.object, c.object);
        EXPECT_EQ(p.kind, POSITION_GOODS);
        // edited again, the list opens on the row of the stored object
        steps = {{c.list, {KEY_ENTER}}};
        if (c.marking)
            steps.push_back({kMeasure, {KEY_ENTER}});
        for (const Step &s : Goods())
            if (s.form != kObject11)
                steps.push_back(s);
        Script(steps);
        EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
        EndScript();
        EXPECT_EQ(p.object, c.object);
    }
}

// The goods page refuses an emptied quantity and a quantity of zero with
// a box naming the field, and shows itself again with what was typed and
// the cursor in that field. The price field keeps its zeros when emptied:
// an emptied price is a price of 0.00, as one typed as 0, and is taken.
TEST_F(ReceiptTest, GoodsPageRefusesAQuantityOfZero)
{
    Sale();
    kfn_state.ffd_version = 3;
    kfn_state.marking_mode = 0;
    const std::vector<uint16_t> toCode = Keys({Press(KEY_DOWN), Type("7")});
    const char *zero = u8"ОШИБКА|КОЛИЧЕСТВО НЕ МОЖЕТ\nБЫТЬ НУЛЕВЫМ!";
    const struct {
        const char *what;
        std::vector<uint16_t> keys;
        const char *box; // nullptr: taken at once
        std::vector<uint16_t> mend;
        int price, qty;
    } cases[] = {
        {"quantity emptied", Keys({toCode, Press(KEY_DOWN, 2), Press(KEY_BACKSPACE, 10), Press(KEY_ENTER)}), zero,
         Keys({Type("1500"), Press(KEY_ENTER)}), 100, 1500},
        {"quantity typed as 0", Keys({toCode, Press(KEY_DOWN, 2), Type("0"), Press(KEY_ENTER)}), zero,
         Keys({Press(KEY_BACKSPACE), Type("2"), Press(KEY_ENTER)}), 100, 2},
        {"price emptied", Keys({toCode, Press(KEY_DOWN), Press(KEY_BACKSPACE, 10), Press(KEY_ENTER)}), nullptr, {}, 0,
         1000},
        {"price typed as 0", Keys({toCode, Press(KEY_DOWN), Type("0"), Press(KEY_ENTER)}), nullptr, {}, 0, 1000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Step> steps = {{kObject11, {KEY_ENTER}}, {kGoods, c.keys}};
        if (c.box) {
            steps.push_back({u8"ОШИБКА", {KEY_ENTER}});
            steps.push_back({kGoods, c.mend});
        }
        for (const char *page : {kTax, kMethod, kReceiptAgent, kExtra})
            steps.push_back({page, {KEY_ENTER}});
        size_t boxes = Boxes().size();
        Script(steps);
        ReceiptPosition p = blank();
        EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
        EndScript();
        std::vector<std::string> shown = Boxes(boxes);
        EXPECT_EQ(shown, c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
        EXPECT_STREQ(p.code, "7") << "the entries stay";
        EXPECT_EQ(atoi(p.price), c.price) << p.price;
        EXPECT_EQ(atoi(p.quantity), c.qty) << p.quantity;
    }
}

// A price field that can be left empty (a dialog file whose price is a
// text field): an empty price is refused by name, like the quantity.
TEST_F(ReceiptTest, GoodsPageRefusesAnEmptyPrice)
{
    std::string file = ReadFile(std::string(SOURCE_DIR) + "/res/" + kGoods);
    const std::string numeric = "length=\"10\" options=\"x0809\"";
    size_t at = file.find(numeric);
    ASSERT_NE(at, std::string::npos);
    file.replace(at, numeric.size(), "length=\"10\" options=\"x0024\"");
    ASSERT_EQ(unlink("res"), 0);
    ASSERT_EQ(system(("cp -r '" + std::string(SOURCE_DIR) + "/res' res").c_str()), 0);
    std::ofstream("res/" + std::to_string(SW) + "-" + std::to_string(SH) + kGoods) << file;
    Sale();
    kfn_state.ffd_version = 3;
    kfn_state.marking_mode = 0;
    Script({{kObject11, {KEY_ENTER}},
            {kGoods, Keys({Press(KEY_DOWN, 2), Press(KEY_BACKSPACE, 10), Press(KEY_ENTER)})},
            {u8"ОШИБКА", {KEY_ENTER}},
            {kGoods, Keys({Type("5"), Press(KEY_ENTER)})},
            {kTax, {KEY_ENTER}},
            {kMethod, {KEY_ENTER}},
            {kReceiptAgent, {KEY_ENTER}},
            {kExtra, {KEY_ENTER}}});
    ReceiptPosition p = blank();
    EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
    EndScript();
    EXPECT_EQ(Boxes(), std::vector<std::string>{u8"ОШИБКА|НЕ ВВЕДЕНА ЦЕНА!"});
    EXPECT_STREQ(p.price, "5");
}

// Marking mode: item 2 is marked goods (object 33): lot size, planned
// status and measure come first; the measure page goes back to the planned
// status for marked goods. Item 3 is 31, item 1 plain goods (object 1),
// which goes straight to the measure page.
TEST_F(ReceiptTest, PositionEditorMovesInMarkingMode)
{
    Sale();
    kfn_state.ffd_version = 4;
    kfn_state.marking_mode = 1;
    Script({{kObject12, Keys({Item(2), Press(KEY_ENTER)})}, {kLot, {KEY_CANCEL}},
            {kObject12, {KEY_ENTER}}, {kLot, {KEY_ENTER}}, {kPlanned, {KEY_CANCEL}}, {kLot, {KEY_ENTER}},
            {kPlanned, {KEY_ENTER}}, {kMeasure, {KEY_CANCEL}}, {kPlanned, Keys({Item(5), Press(KEY_ENTER)})},
            {kMeasure, {KEY_ENTER}}, {kGoods, {KEY_CANCEL}}, {kMeasure, {KEY_ENTER}}, {kGoods, {KEY_ENTER}},
            {kTax, {KEY_ENTER}}, {kMethod, {KEY_ENTER}}, {kReceiptAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}});
    ReceiptPosition p = blank();
    EXPECT_EQ(EditPosition(ui, &p, 1, 1), 1);
    EndScript();
    EXPECT_EQ(p.kind, POSITION_MARKED);
    EXPECT_EQ(p.object, 33);
    EXPECT_EQ(p.planned_status, 255);
    EXPECT_EQ(p.measure, 0);
    EXPECT_STREQ(p.unit, "00");
    EXPECT_STREQ(p.mark_code, "") << "no scanner: the code stays empty";

    Script({{kObject12, Keys({Item(3), Press(KEY_ENTER)})}, {kLot, {KEY_CANCEL}}, {kObject12, {KEY_CANCEL}}});
    ReceiptPosition before = p;
    EXPECT_EQ(EditPosition(ui, &p, 1, 1), -1);
    EndScript();
    EXPECT_EQ(memcmp(&p, &before, sizeof p), 0) << "a cancelled editor leaves the position as it was";

    Script({{kObject12, Keys({Item(1), Press(KEY_ENTER)})}, {kMeasure, {KEY_CANCEL}}, {kObject12, {KEY_CANCEL}}});
    EXPECT_EQ(EditPosition(ui, &p, 1, 1), -1);
    EndScript();
}

// With an agent the agent and supplier pages follow; without one the
// comment page goes back to the agent page.
TEST_F(ReceiptTest, PositionEditorAgentPages)
{
    Sale();
    kfn_state.ffd_version = 2;
    kfn_state.marking_mode = 0;
    settings_set("FiscalReceipt", "AgentPhone", "9001112233");
    Script({{kObject11, {KEY_ENTER}}, {kGoods, {KEY_ENTER}}, {kTax, {KEY_ENTER}}, {kMethod, {KEY_ENTER}},
            {kReceiptAgent, Keys({Item(4), Press(KEY_ENTER)})}, {kAgentData, {KEY_CANCEL}}, {kReceiptAgent, {KEY_ENTER}},
            {kAgentData, {KEY_ENTER}}, {kSupplier, {KEY_CANCEL}}, {kAgentData, {KEY_ENTER}}, {kSupplier, {KEY_ENTER}},
            {kExtra, {KEY_CANCEL}}, {kSupplier, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}});
    ReceiptPosition p = blank();
    EXPECT_EQ(EditPosition(ui, &p, 1, 0), 1);
    EndScript();
    EXPECT_EQ(p.agent, 3);
    EXPECT_STREQ(p.agent_phone, "9001112233");
}

// ---- the list editors ------------------------------------------------------

TEST_F(ReceiptTest, TagListAddsEditsDeletesAndClosesTheGap)
{
    Sale();
    ReceiptTag tags[RECEIPT_MAX_TAGS];
    memset(tags, 0, sizeof tags);
    tags[0] = tag(1001, "a");
    tags[1] = tag(1002, "b");
    tags[2] = tag(1003, "c");
    Script({{kTags, {KEY_DOWN, KEY_DEL}}, {u8"УДАЛЕНИЕ ТЕГА", {KEY_ENTER}}, {kTags, {KEY_ADD}},
            {kTag, Keys({Press(KEY_BACKSPACE), Type("1192"), Press(KEY_DOWN), Type("7"), Press(KEY_ENTER)})},
            {kTags, {KEY_ENTER}}});
    size_t boxes = Boxes().size();
    EXPECT_EQ(EditTags(ui, tags), 3);
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"УДАЛЕНИЕ ТЕГА|УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ТЕГ 1002?");
    EXPECT_EQ(tags[0].tag, 1001);
    EXPECT_EQ(tags[1].tag, 1003);
    EXPECT_STREQ(tags[1].value, "c");
    EXPECT_EQ(tags[2].tag, 1192) << "the new tag takes the first free place";
    EXPECT_STREQ(tags[2].value, "7");
    EXPECT_EQ(tags[3].tag, 0);

    // a number typed as 0 leaves the entry free; Cancel restores the list
    Script({{kTags, {KEY_ADD}}, {kTag, {KEY_ENTER}}, {kTags, {KEY_EDIT}}, {kTag, Keys({Press(KEY_BACKSPACE, 4), Type("0"), Press(KEY_ENTER)})},
            {kTags, {KEY_CANCEL}}});
    ReceiptTag before[RECEIPT_MAX_TAGS];
    memcpy(before, tags, sizeof tags);
    EXPECT_EQ(EditTags(ui, tags), 0);
    EndScript();
    EXPECT_EQ(memcmp(before, tags, sizeof tags), 0);
}

TEST_F(ReceiptTest, ListsRefuseAnEntryPastTheirLimit)
{
    Sale();
    ReceiptTag tags[RECEIPT_MAX_TAGS];
    for (int i = 0; i < RECEIPT_MAX_TAGS; ++i)
        tags[i] = tag(static_cast<uint16_t>(1000 + i), "v");
    Script({{kTags, {KEY_ADD}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kTags, {KEY_ENTER}}});
    size_t boxes = Boxes().size();
    EXPECT_EQ(EditTags(ui, tags), 10);
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"ВНИМАНИЕ|ПРЕВЫШЕНО КОЛИЧЕСТВО ТЕГОВ!\nМАКСИМУМ 10");

    std::unique_ptr<ReceiptPosition[]> list(new ReceiptPosition[RECEIPT_MAX_POSITIONS]);
    for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i) {
        list[i] = blank();
        list[i].kind = POSITION_GOODS;
        str_format(list[i].name, sizeof list[i].name, "G%d", i);
    }
    Script({{kList, {KEY_ADD}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}, {kList, {KEY_ENTER}}});
    boxes = Boxes().size();
    EXPECT_EQ(EditPositions(ui, list.get(), 1, 0), 32);
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"ВНИМАНИЕ|ПРЕВЫШЕНО КОЛИЧЕСТВО ПОЗИЦИЙ!\nМАКСИМУМ 32");
}

// Delete, add, edit and Cancel of the position list; a deleted slot is
// cleared whole, so the position added in its place inherits nothing.
TEST_F(ReceiptTest, PositionListEditsAndCancels)
{
    Sale();
    kfn_state.ffd_version = 2;
    kfn_state.marking_mode = 0;
    std::unique_ptr<ReceiptPosition[]> list(new ReceiptPosition[RECEIPT_MAX_POSITIONS]);
    for (int i = 0; i < RECEIPT_MAX_POSITIONS; ++i)
        list[i] = blank();
    list[0].kind = POSITION_MARKED;
    strcpy(list[0].name, "OLD");
    list[0].tag_count = 1;
    list[0].tags[0] = tag(1191, "old");
    strcpy(list[0].mark_code, "0104600000000000215abc");
    list[0].check_result = 15;
    list[0].gs1_kind = 2;
    strcpy(list[0].comment, "old comment");

    Script(Flow({{{kList, {KEY_DEL}}, {u8"УДАЛЕНИЕ ПОЗИЦИИ", {KEY_ENTER}}, {kList, {KEY_ADD}}},
                 Goods(PriceQty("777", "2000")),
                 {{kList, {KEY_ADD}}, {kObject11, {KEY_CANCEL}}, {kList, {KEY_EDIT}}},
                 Goods(PriceQty("12", "500")),
                 {{kList, {KEY_ENTER}}}}));
    size_t boxes = Boxes().size();
    EXPECT_EQ(EditPositions(ui, list.get(), 1, 0), 1);
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"УДАЛЕНИЕ ПОЗИЦИИ|УВЕРЕНЫ ЧТО ХОТИТЕ УДАЛИТЬ ПОЗИЦИЮ 1?");
    const ReceiptPosition &p = list[0];
    EXPECT_EQ(p.kind, POSITION_GOODS);
    char text[32];
    EXPECT_STREQ(point_text(p.price, 2, text, sizeof text), "0.12") << "edited";
    EXPECT_STREQ(point_text(p.quantity, 3, text, sizeof text), "0.500");
    EXPECT_EQ(p.tags[0].tag, 0) << "nothing of the deleted position";
    EXPECT_EQ(p.tag_count, 0);
    EXPECT_STREQ(p.mark_code, "");
    EXPECT_EQ(p.check_result, 0);
    EXPECT_EQ(p.gs1_kind, 0);
    EXPECT_STREQ(p.comment, "");
    EXPECT_EQ(list[1].kind, POSITION_FREE) << "the cancelled new entry stays free";
    ReceiptPosition freeSlot = blank();
    EXPECT_EQ(memcmp(&list[1], &freeSlot, sizeof freeSlot), 0);

    // Cancel on the list: every position as it was on entry
    std::unique_ptr<ReceiptPosition[]> copy(new ReceiptPosition[RECEIPT_MAX_POSITIONS]);
    memcpy(copy.get(), list.get(), sizeof(ReceiptPosition) * RECEIPT_MAX_POSITIONS);
    Script({{kList, {KEY_DEL}}, {u8"УДАЛЕНИЕ ПОЗИЦИИ", {KEY_ENTER}}, {kList, {KEY_CANCEL}}});
    EXPECT_EQ(EditPositions(ui, list.get(), 1, 0), -1);
    EndScript();
    EXPECT_EQ(memcmp(copy.get(), list.get(), sizeof(ReceiptPosition) * RECEIPT_MAX_POSITIONS), 0);
}

// ---- the wizard ------------------------------------------------------------

namespace {

std::vector<Step> Pages012(std::vector<uint16_t> page0 = {KEY_ENTER})
{
    return {{kOpen1, page0}, {kOpen2, {KEY_ENTER}}, {kOpen3, {KEY_ENTER}}};
}

std::vector<Step> Finish(const char *title = kReceiptTitle)
{
    return {{kReceiptPayment, {KEY_ENTER}}, {kClient, {KEY_ENTER}}, {kWait, {}}, {title, {KEY_ENTER}}};
}

int count(const std::vector<std::string> &codes, const std::string &code)
{
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
}

} // namespace

// Cancel on page 0 sends nothing and still saves the settings; so does a
// list left empty with "leave" answered OK.
TEST_F(ReceiptTest, LeavingWithoutADocumentSendsNothing)
{
    Sale();
    Script({{kOpen1, {KEY_CANCEL}}});
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    EXPECT_EQ(count(Taken(), "10"), 0);
    EXPECT_NE(ReadFile("data/kktsettings.xml").find(u8"Иванов И.И."), std::string::npos);

    Script(Flow({Pages012(), {{kList, {KEY_ENTER}}, {u8"ВНИМАНИЕ", {KEY_CANCEL}}, {u8"ВНИМАНИЕ", {KEY_ENTER}}}}));
    size_t boxes = Boxes().size();
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    EXPECT_EQ(Boxes(boxes), (std::vector<std::string>{u8"ВНИМАНИЕ|ЧЕК ПУСТОЙ!!!\nДОБАВИТЬ ПОЗИЦИЮ В ЧЕК?",
                                                      u8"ВНИМАНИЕ|ВЫЙТИ ИЗ СОЗДАНИЯ ЧЕКА?"}));
    EXPECT_EQ(count(Taken(), "10"), 0);
}

// "copies" above 255 and a payment index that is empty, not a number or
// above 15 are refused on their pages: nothing wraps into a byte.
TEST_F(ReceiptTest, CopiesAndPaymentIndexOutOfByteAreRefused)
{
    Sale();
    Script({{kOpen1, Keys({Press(KEY_DOWN, 5), Press(KEY_BACKSPACE), Type("256"), Press(KEY_ENTER)})},
            {u8"ОШИБКА", {KEY_ENTER}}, {kOpen1, {KEY_CANCEL}}});
    size_t boxes = Boxes().size();
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"ОШИБКА|НЕДОПУСТИМОЕ ЧИСЛО КОПИЙ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..255");
    EXPECT_EQ(count(Taken(), "10"), 0);

    const std::string index = u8"ОШИБКА|НЕДОПУСТИМЫЙ ИНДЕКС ВИДА ОПЛАТЫ\n\nДОПУСТИМОЕ ЗНАЧЕНИЕ 0..15";
    Script(Flow({Pages012(), {{kList, {KEY_ADD}}}, Goods(),
                 {{kList, {KEY_ENTER}},
                  {kReceiptPayment, Keys({Press(KEY_DOWN), Item(6), Press(KEY_ENTER)})},
                  {u8"ОШИБКА", {KEY_ENTER}},
                  {kReceiptPayment, Keys({Press(KEY_DOWN), Type("16"), Press(KEY_ENTER)})},
                  {u8"ОШИБКА", {KEY_ENTER}},
                  {kReceiptPayment, Keys({Press(KEY_BACKSPACE, 2), Type("15"), Press(KEY_ENTER)})},
                  {kClient, {KEY_ENTER}}, {kWait, {}}, {kReceiptTitle, {KEY_ENTER}}}}));
    boxes = Boxes().size();
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), index), 2);
    auto payments = Requests("13");
    ASSERT_EQ(payments.size(), 1u) << "only the valid index went";
    EXPECT_EQ(payments[0][0], "0F");
}

// Receipt tags go when any is in use: the tag list cancelled after a tag
// was added answers 0, and the tag still goes with 0x10.
TEST_F(ReceiptTest, ReceiptTagsGoAfterACancelledTagList)
{
    Sale();
    Script(Flow({{{kOpen1, {KEY_TAGS}}, {kTags, {KEY_ADD}},
                  {kTag, Keys({Press(KEY_BACKSPACE), Type("1192"), Press(KEY_DOWN), Type("7"), Press(KEY_ENTER)})},
                  {kTags, {KEY_ENTER}}, {kOpen1, {KEY_TAGS}}, {kTags, {KEY_CANCEL}}},
                 Pages012(), {{kList, {KEY_ADD}}}, Goods(), {{kList, {KEY_ENTER}}}, Finish()}));
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    auto open = Requests("10");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].at(9), "<1192>7");
}

// "<1178>" goes only from six digits: other date text is refused on page 2;
// the correction kind and the date go as tags of 0x10.
TEST_F(ReceiptTest, CorrectionDateMustBeSixDigits)
{
    Sale();
    Script(Flow({{{kCorr105, {KEY_ENTER}}, {kCorr2, {KEY_ENTER}},
                  {kCorr3, Keys({Press(KEY_DOWN, 4), Press(KEY_BACKSPACE, 2), Press(KEY_ENTER)})},
                  {u8"ОШИБКА", {KEY_ENTER}}, {kCorr3, Keys({Type("26"), Press(KEY_ENTER)})}, {kList, {KEY_ADD}}},
                 Goods(), {{kList, {KEY_ENTER}}}, Finish(kCorrTitle)}));
    size_t boxes = Boxes().size();
    CmdReceiptCorrect(ui, "ЧЕК КОРРЕКЦИИ");
    EndScript();
    EXPECT_EQ(Boxes(boxes).at(0), u8"ОШИБКА|НЕВЕРНАЯ ДАТА КОРРЕКЦИИ\n\nВВЕДИТЕ ШЕСТЬ ЦИФР ДДММГГ");
    auto open = Requests("10");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].at(2), "06") << "correction of income";
    const std::string &tags = open[0].at(9);
    EXPECT_EQ(tags.substr(0, 14), "<1173>0|<1178>");
    EXPECT_EQ(tags.size(), 22u) << tags;
    EXPECT_EQ(tags.substr(tags.size() - 3), ".26");
    EXPECT_EQ(open[0].at(4), "") << "no table in a correction";
}

// Reply amounts are brought to two decimals before the point goes: a total
// answered as 5.5 is 550 kopecks, not 55.
TEST_F(ReceiptTest, ReplyAmountsOfAnotherScale)
{
    Sale("answer 12 fatal=08 status=0801\ndata 12 5.5\n");
    Script(Flow({Pages012(), {{kList, {KEY_ADD}}}, Goods(), {{kList, {KEY_ENTER}}}, Finish()}));
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    auto payments = Requests("13");
    ASSERT_EQ(payments.size(), 1u);
    EXPECT_EQ(payments[0][1], "5.50");
}

// The buyer's lines go once per opened document: a close refused once and
// accepted on the second OK sends 0x1C and 0x6A once.
TEST_F(ReceiptTest, BuyerLinesGoOncePerDocument)
{
    Sale("fault 14 refuse 50 times 1\n");
    Script(Flow({Pages012(), {{kList, {KEY_ADD}}}, Goods(),
                 {{kList, {KEY_ENTER}}, {kReceiptPayment, {KEY_ENTER}}, {kClient, Digits("9001234567")}, {kWait, {}},
                  {u8"ОШИБКА", {KEY_ENTER}}, {kClient, {KEY_ENTER}}, {kWait, {}}, {kReceiptTitle, {KEY_ENTER}}}}));
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    std::vector<std::string> codes = Taken();
    EXPECT_EQ(count(codes, "14"), 2);
    EXPECT_EQ(count(codes, "1C"), 1);
    EXPECT_EQ(count(codes, "6A"), 1);
    EXPECT_EQ(Requests("6A").at(0).at(1), "+79001234567");
    EXPECT_EQ(Requests("1C").at(0).at(0), u8"ТЕЛ. ПОКУПАТЕЛЯ: +79001234567");
}

// Annulled by the cashier in marking mode: 0x17, then the marking checks
// dropped with 0x23 whatever it answers; no repeat question.
TEST_F(ReceiptTest, AnnulledInMarkingModeDropsTheChecks)
{
    Sale();
    kfn_state.ffd_version = 4;
    kfn_state.marking_mode = 1;
    std::vector<Step> steps = Flow({Pages012(),
                 {{kList, {KEY_ADD}}, {kObject12, {KEY_ENTER}}, {kMeasure, {KEY_ENTER}}, {kGoods, {KEY_ENTER}},
                  {kTax, {KEY_ENTER}}, {kMethod, {KEY_ENTER}}, {kReceiptAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}},
                  {kList, {KEY_ENTER}}, {kReceiptPayment, {KEY_CANCEL}}, {kReceiptTitle, {KEY_CANCEL}}, {kReceiptPayment, {KEY_CANCEL}},
                  {kReceiptTitle, {KEY_ENTER}}, {kReceiptTitle, {KEY_ENTER}}}});
    // The marking sale's OISM session brings a link up first: with none
    // configured the link type is asked; cancelled, the sale goes on without.
    steps.insert(steps.begin(), Step(u8"ТИП СОЕДИНЕНИЯ", {KEY_CANCEL}));
    Script(steps);
    size_t boxes = Boxes().size();
    CmdReceiptFiscal(ui, "КАССОВЫЙ ЧЕК");
    EndScript();
    std::vector<std::string> shown = Boxes(boxes);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::string(u8"КАССОВЫЙ ЧЕК|АННУЛИРОВАТЬ ЧЕК?")), 2);
    EXPECT_EQ(shown.back(), u8"КАССОВЫЙ ЧЕК|ЧЕК АННУЛИРОВАН!") << "annulled by the cashier: no repeat question";
    std::vector<std::string> codes = Taken();
    auto cancel = std::find(codes.begin(), codes.end(), "17");
    ASSERT_NE(cancel, codes.end());
    ASSERT_NE(cancel + 1, codes.end());
    EXPECT_EQ(*(cancel + 1), "23");
    EXPECT_EQ(count(codes, "21"), 0) << "no scanner: no code to check";
    auto items = Requests("11");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0][4], "00") << "FFD 1.2: the measure's code as the unit";
    EXPECT_EQ(sim->Drive().docType, 0);
}

} // namespace fiscaltest
