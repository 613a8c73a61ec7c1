// The receipt wizard and its editors on the fiscal-drive stand-in, screen
// by screen: keys into the real dialogs, out the requests the stand-in
// took, its paper log and its counters.
#include "FiscalFixture.h"

#include <string.h>

#include "TMCommand.h"
#include "kfn_state.h"
#include "list_editor_keys.h"
#include "position_editor.h"
#include "receipt_wizard.h"
#include "tag_editor.h"

namespace fiscaltest {
namespace {

const char *kOpen1 = "kkt_dlg_receipt_open_1.xml";
const char *kOpen2 = "kkt_dlg_receipt_open_2.xml";
const char *kOpen3 = "kkt_dlg_receipt_open_3.xml";
const char *kPayment = "kkt_dlg_receipt_payment.xml";
const char *kClient = "kkt_dlg_receipt_client.xml";
const char *kList = "kkt_dlg_poss_cheque.xml";
const char *kObject11 = "kkt_dlg_receipt_calc_object_1_1.xml";
const char *kGoods = "kkt_dlg_receipt_good_1.xml";
const char *kTax = "kkt_dlg_select_tax_type.xml";
const char *kMethod = "kkt_dlg_receipt_calc_method.xml";
const char *kAgent = "kkt_dlg_receipt_agent_1.xml";
const char *kExtra = "kkt_dlg_receipt_good_2.xml";
const char *kWait = u8"ПОДОЖДИТЕ";
const char *kTitle = u8"КАССОВЫЙ ЧЕК";

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
                {kMethod, {KEY_ENTER}},   {kAgent, {KEY_ENTER}}, {kExtra, {KEY_ENTER}}};
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
        {{kList, {KEY_ENTER}}, {kPayment, Digits("10000")}, {kPayment, Keys({Press(KEY_DOWN), Item(2), Press(KEY_ENTER)})},
         {kClient, Digits("9001234567")}, {kWait, {}}, {kTitle, {KEY_ENTER}}},
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

} // namespace fiscaltest
