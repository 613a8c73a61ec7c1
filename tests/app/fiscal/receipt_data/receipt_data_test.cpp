// The receipt's data without screens: what each list item sends, the texts
// of prices, quantities and tags as the commands carry them, the unit
// family and the list editors' keys. Literals are CP1251, as the program
// keeps its texts.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "kfn_state.h"
#include "list_editor_keys.h"
#include "measure_units.h"
#include "receipt_data.h"
#include "vuEvent.h"

namespace {

struct ByteCase {
    const char *what;
    unsigned got;
    unsigned want;
};

TEST(ReceiptData, ListItemsSendTheirTableEntries)
{
    const ByteCase cases[] = {
        {"income", receipt_type_of(1, false, 1), 0},
        {"return of income", receipt_type_of(1, false, 2), 2},
        {"expense", receipt_type_of(1, false, 3), 4},
        {"return of expense", receipt_type_of(1, false, 4), 5},
        {"receipt type item 0 counts as item 1", receipt_type_of(1, false, 0), 0},
        {"receipt type past the list counts as item 1", receipt_type_of(1, false, 5), 0},
        {"FFD 1.05 correction of income", receipt_type_of(2, true, 1), 6},
        {"FFD 1.05 correction of expense", receipt_type_of(2, true, 2), 8},
        {"FFD 1.05 correction past the list", receipt_type_of(2, true, 3), 6},
        {"correction of income", receipt_type_of(2, false, 1), 6},
        {"correction of its return", receipt_type_of(2, false, 2), 7},
        {"correction of expense", receipt_type_of(2, false, 3), 8},
        {"correction of its return", receipt_type_of(2, false, 4), 9},
        {"tax mode 1", tax_mode_of(1), 0},
        {"tax mode 4", tax_mode_of(4), 3},
        {"tax mode 5 sends 0", tax_mode_of(5), 0},
        {"tax mode 6", tax_mode_of(6), 5},
        {"tax mode 7", tax_mode_of(7), 6},
        {"tax mode past the list", tax_mode_of(8), 0},
        {"tax mode 0", tax_mode_of(0), 0},
        {"correction by itself", correction_kind_of(1), 0},
        {"correction by order", correction_kind_of(2), 1},
        {"correction kind past the list", correction_kind_of(3), 0},
        {"marking: goods", payment_object_of(true, 1), 1},
        {"marking: marked goods", payment_object_of(true, 2), 33},
        {"marking: marked excise goods", payment_object_of(true, 3), 31},
        {"marking: last item", payment_object_of(true, 31), 32},
        {"marking: past the list", payment_object_of(true, 32), 1},
        {"plain: item 2", payment_object_of(false, 2), 2},
        {"plain: item 26", payment_object_of(false, 26), 26},
        {"plain: past the list", payment_object_of(false, 27), 1},
        {"planned status 5", table_entry(kPlannedStatuses, 5), 255},
        {"planned status 0", table_entry(kPlannedStatuses, 0), 1},
        {"measure 3", table_entry(kMeasures, 3), 11},
        {"measure 24", table_entry(kMeasures, 24), 255},
        {"tax rate past the list", table_entry(kTaxRates, 7), 1},
        {"method 0", table_entry(kMethods, 0), 1},
        {"agent item 1 is none", table_entry(kAgents, 1), 0},
        {"agent item 8", table_entry(kAgents, 8), 7},
        {"agent past the list", table_entry(kAgents, 9), 0},
        {"item of measure 11", table_item(kMeasures, 11), 3},
        {"item of object 31 in marking mode", table_item(kObjectsMarking, 31), 3},
        {"item of a value in no entry", table_item(kPlannedStatuses, 7), 1},
        {"object 31 is marked", static_cast<unsigned>(position_kind_of(31)), POSITION_MARKED},
        {"object 33 is marked", static_cast<unsigned>(position_kind_of(33)), POSITION_MARKED},
        {"object 32 is not", static_cast<unsigned>(position_kind_of(32)), POSITION_GOODS},
    };
    for (const ByteCase &c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(ReceiptData, PricesAndQuantitiesGetTheirPoint)
{
    const struct {
        const char *digits;
        int places;
        const char *want;
    } cases[] = {
        {"12345", 2, "123.45"}, {"100", 2, "1.00"}, {"12", 2, ".12"},   {"5", 2, ".05"},
        {"", 2, ".00"},         {"1500", 3, "1.500"}, {"500", 3, ".500"}, {"15", 3, ".015"},
        {"1", 3, ".001"},
    };
    for (const auto &c : cases) {
        char out[32];
        EXPECT_STREQ(point_text(c.digits, c.places, out, sizeof out), c.want) << c.digits;
    }
}

ReceiptPosition goods()
{
    ReceiptPosition p;
    memset(&p, 0, sizeof p);
    p.kind = POSITION_GOODS;
    strcpy(p.quantity, "1000");
    strcpy(p.lot_size, "4");
    return p;
}

TEST(ReceiptData, QuantityOfAMarkedPieceGoodWithALotIsAFraction)
{
    const struct {
        const char *what;
        int32_t kind;
        uint8_t measure;
        const char *qty, *lot, *want;
    } cases[] = {
        {"marked piece good with a lot", POSITION_MARKED, 0, "1000", "4", "1/4"},
        {"two pieces of a lot", POSITION_MARKED, 0, "2000", "10", "2/10"},
        {"lot size 0", POSITION_MARKED, 0, "1000", "0", "1.000"},
        {"lot size 0.0", POSITION_MARKED, 0, "1000", "0.0", "1.000"},
        {"no lot size", POSITION_MARKED, 0, "1000", "", "1.000"},
        {"weighed good", POSITION_MARKED, 11, "1500", "4", "1.500"},
        {"unmarked good", POSITION_GOODS, 0, "1000", "4", "1.000"},
        {"seven digits", POSITION_GOODS, 0, "1234567", "0", "1234.567"},
    };
    for (const auto &c : cases) {
        ReceiptPosition p = goods();
        p.kind = c.kind;
        p.measure = c.measure;
        strcpy(p.quantity, c.qty);
        strcpy(p.lot_size, c.lot);
        char out[40];
        EXPECT_STREQ(position_quantity_text(p, out, sizeof out), c.want) << c.what;
    }
}

TEST(ReceiptData, PositionTagTextCarriesAgentDataOnlyWithAnAgent)
{
    ReceiptPosition p = goods();
    strcpy(p.agent_phone, "9001112233");
    strcpy(p.payment_phone, "9002223344");
    strcpy(p.transfer_phone, "9003334455");
    strcpy(p.agent_operation, "OP");
    strcpy(p.transfer_name, "NAME");
    strcpy(p.transfer_address, "ADDR");
    strcpy(p.transfer_inn, "7701");
    strcpy(p.supplier_inn, "7702");
    strcpy(p.supplier_phone, "9004445566");
    strcpy(p.supplier_name, "SUP");
    strcpy(p.comment, "note");
    char out[1024];
    EXPECT_STREQ(position_tag_text(p, out, sizeof out), "note") << "no agent: no agent tags";

    p.agent = 4;
    EXPECT_STREQ(position_tag_text(p, out, sizeof out),
                 "<1073>+79001112233|<1074>+79002223344|<1075>+79003334455|<1044>OP|<1026>NAME|<1005>ADDR|"
                 "<1016>7701|<1226>7702|<1171>+79004445566|<1225>SUP|note");

    // the tags go whenever one is in use, whatever the count says
    p.agent = 0;
    p.tag_count = 0;
    p.tags[1].tag = 1191;
    strcpy(p.tags[1].value, "x");
    EXPECT_STREQ(position_tag_text(p, out, sizeof out), "<1191>x|note");

    // empty fields are left out
    p.agent = 1;
    memset(p.payment_phone, 0, sizeof p.payment_phone);
    memset(p.transfer_name, 0, sizeof p.transfer_name);
    p.comment[0] = 0;
    std::string text = position_tag_text(p, out, sizeof out);
    EXPECT_EQ(text.find("<1074>"), std::string::npos);
    EXPECT_EQ(text.find("<1026>"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind('|') + 1), "<1191>x");

    // the text never passes its buffer
    char small[16];
    EXPECT_EQ(strlen(position_tag_text(p, small, sizeof small)), sizeof small - 1);
}

TEST(ReceiptData, TagsToTextJoinsTheTagsInUseWithinItsBuffer)
{
    ReceiptTag tags[RECEIPT_MAX_TAGS];
    memset(tags, 0, sizeof tags);
    EXPECT_STREQ(TagsToText(tags), "");
    tags[0].tag = 1;
    strcpy(tags[0].value, "a");
    tags[2].tag = 65535;
    strcpy(tags[2].value, "c");
    EXPECT_STREQ(TagsToText(tags), "<1>a|<65535>c") << "the free entry between them is passed over";
    EXPECT_STREQ(TagsToText(nullptr), "");

    for (ReceiptTag &t : tags) {
        t.tag = 1000;
        memset(t.value, 'v', 321);
        t.value[321] = 0;
    }
    const char *text = TagsToText(tags);
    EXPECT_EQ(strlen(text), 767u) << "cut to its 768-byte buffer";
    EXPECT_EQ(std::string(text).substr(0, 7), "<1000>v");
}

TEST(ReceiptData, CorrectionDateIsSixDigits)
{
    EXPECT_TRUE(correction_date_ok("010226"));
    EXPECT_FALSE(correction_date_ok("0102"));
    EXPECT_FALSE(correction_date_ok("01022a"));
    EXPECT_FALSE(correction_date_ok("0102261"));
    EXPECT_FALSE(correction_date_ok(""));
    EXPECT_FALSE(correction_date_ok(nullptr));
}

TEST(MeasureUnits, CodesOfUnitTexts)
{
    const struct {
        const char *text;
        int code;
    } cases[] = {
        {"x0B", 11}, {"X0b", 11}, {"xZZ", 255}, {"12", 12},  {"300", 255}, {"", 255},   {nullptr, 255},
        {"МИН", 72}, {"мин.", 72}, {"сут", 70}, {"Час", 71}, {"сек", 73},  {"кг", 11},  {"СМ", 20},
        {"дм", 21},  {"мл", 40},  {"шт.", 0},   {"ед.", 0},  {"м", 22},    {"мм", 22},  {"г", 10},
        {"т", 12},   {"л", 41},   {"ч", 255},   {"abc", 255}, {"ми", 22},  {"су", 255},
    };
    for (const auto &c : cases)
        EXPECT_EQ(measure_code_of(c.text), c.code) << (c.text ? c.text : "(null)");
}

TEST(MeasureUnits, NamesAndTexts)
{
    EXPECT_STREQ(measure_name_of(0), "шт.");
    EXPECT_STREQ(measure_name_of(11), "кг");
    EXPECT_STREQ(measure_name_of(83), "Тб");
    EXPECT_STREQ(measure_name_of(99), "");
    EXPECT_STREQ(measure_name_of(255), "");
    EXPECT_STREQ(measure_text_of("11"), "кг");
    EXPECT_STREQ(measure_text_of("x0b"), "кг");
    EXPECT_STREQ(measure_text_of("99"), "");
    EXPECT_STREQ(measure_text_of("штука"), "шту");
    EXPECT_STREQ(measure_text_of(nullptr), "");

    kfn_state.ffd_version = 3;
    EXPECT_STREQ(measure_field("кг"), "кг") << "FFD 1.1: the text";
    kfn_state.ffd_version = 4;
    EXPECT_STREQ(measure_field("кг"), "0B") << "FFD 1.2: the code";
    EXPECT_STREQ(measure_field("??"), "FF");
    kfn_state.ffd_version = -1;
}

TEST(ListEditorKeys, ThreeKeysEndTheListWithTheirResults)
{
    const struct {
        uint8_t key;
        int result;
    } cases[] = {{241, 101}, {242, 102}, {243, 103}, {13, 0}, {27, 0}, {240, 0}, {244, 0}, {0, 0}};
    for (const auto &c : cases) {
        vuEvent e;
        memset(&e, 0, sizeof e);
        e.key = c.key;
        EXPECT_EQ(ListEditorKeys(&e, 0), c.result) << int(c.key);
    }
    EXPECT_EQ(ListEditorKeys(nullptr, 0), 0);
}

} // namespace
