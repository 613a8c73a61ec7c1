// The receipt document from plain data: which commands go in which order,
// where a refused step ends the document, and the opening's and payment's
// values as the controller takes them.
#include "receipt_builder.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "TMCommand.h"

namespace {

// A command as it went: its code and its whole frame.
struct Sent {
    std::string code;
    std::string frame;
};

std::string codeOf(TMCommand &cmd)
{
    uint32_t len = 0;
    const char *field0 = cmd.FieldAt(0, &len);
    return field0 && len >= 2 ? std::string(field0 + len - 2, 2) : std::string();
}

// Records every built command; refuses the one numbered stopAt (from 1).
struct Recorder {
    std::vector<Sent> sent;
    int stopAt = 0;
    ReceiptStep step()
    {
        return [this](TMCommand &cmd, int built) {
            EXPECT_GT(built, 0);
            cmd.CountFields();
            sent.push_back({codeOf(cmd), std::string(reinterpret_cast<const char *>(cmd.FrameData()), cmd.FrameSize())});
            return int(sent.size()) != stopAt;
        };
    }
    std::vector<std::string> codes() const
    {
        std::vector<std::string> out;
        for (const Sent &s : sent)
            out.push_back(s.code);
        return out;
    }
};

ReceiptPosition goods(const char *name, int kind = POSITION_GOODS, const char *mark = "")
{
    ReceiptPosition p;
    memset(&p, 0, sizeof p);
    p.kind = kind;
    strcpy(p.name, name);
    strcpy(p.price, "1000");
    strcpy(p.quantity, "1000");
    strcpy(p.mark_code, mark);
    p.tax = 1;
    return p;
}

TEST(ReceiptBuilder, DocumentGoesOpeningCodeChecksPositionsSubtotal)
{
    ReceiptOpening opening;
    opening.seller = "Seller One";
    ReceiptPosition positions[4] = {goods("Tea"), goods("unused", POSITION_FREE),
                                    goods("Marked", POSITION_MARKED, "010460000000000021abc"),
                                    goods("Marked without code", POSITION_MARKED)};
    TMCommand cmd;
    Recorder r;
    ASSERT_TRUE(receipt_build_document(opening, positions, 4, cmd, r.step()));
    EXPECT_EQ(r.codes(), (std::vector<std::string>{"10", "11", "21", "11", "11", "12"}));
    EXPECT_NE(r.sent[0].frame.find("Seller One"), std::string::npos);
    EXPECT_NE(r.sent[1].frame.find("Tea"), std::string::npos);
    std::string markHex; // the code goes as hex
    for (const char *c = "010460000000000021abc"; *c; ++c) {
        char two[3];
        snprintf(two, sizeof two, "%02X", unsigned(uint8_t(*c)));
        markHex += two;
    }
    EXPECT_NE(r.sent[2].frame.find(markHex), std::string::npos);
    EXPECT_NE(r.sent[3].frame.find("Marked"), std::string::npos);
}

TEST(ReceiptBuilder, ARefusedStepEndsTheDocument)
{
    ReceiptOpening opening;
    ReceiptPosition positions[2] = {goods("A"), goods("B")};
    for (int stopAt = 1; stopAt <= 4; ++stopAt) {
        TMCommand cmd;
        Recorder r;
        r.stopAt = stopAt;
        EXPECT_FALSE(receipt_build_document(opening, positions, 2, cmd, r.step())) << stopAt;
        EXPECT_EQ(int(r.sent.size()), stopAt) << "nothing after the refused command";
    }
}

TEST(ReceiptBuilder, OpeningValues)
{
    ReceiptOpening sale;
    sale.mode = RECEIPT_MODE_SALE;
    sale.type_row = 1;
    sale.comment = "<1192>x";
    sale.correction_doc = "ignored in a sale";
    EXPECT_EQ(receipt_opening_tags(sale), "<1192>x");
    EXPECT_EQ(receipt_document_type(sale), receipt_type_of(RECEIPT_MODE_SALE, false, 1));
    sale.no_paper = true;
    EXPECT_EQ(receipt_document_type(sale), receipt_type_of(RECEIPT_MODE_SALE, false, 1) | 0x80);

    ReceiptOpening corr;
    corr.mode = RECEIPT_MODE_CORRECTION;
    corr.correction_row = 2;
    corr.correction_date = "010224";
    corr.correction_doc = "D-7";
    corr.comment = "<1192>x";
    EXPECT_EQ(receipt_opening_tags(corr), "<1173>1|<1178>01.02.24|<1179>D-7|<1192>x");
    corr.correction_date = "0102";
    corr.correction_doc.clear();
    EXPECT_EQ(receipt_opening_tags(corr), "<1173>1|<1192>x") << "a short date and no grounds are left out";

    const struct {
        const char *copies;
        bool ok;
    } copies[] = {{"", true}, {"0", true}, {"255", true}, {"256", false}, {"0255", false}, {"1a", false}};
    for (const auto &c : copies)
        EXPECT_EQ(receipt_copies_ok(c.copies), c.ok) << c.copies;
}

TEST(ReceiptBuilder, PaymentTypeByRowOrIndexAndItsDrop)
{
    const struct {
        unsigned row;
        const char *index;
        bool drop;
        bool ok;
        uint8_t type;
    } cases[] = {
        {1, "99", false, true, 0},  // rows 1..5: the index is not read
        {5, "", true, true, 0x84},
        {6, "15", false, true, 15},
        {6, "7", true, true, 0x87},
        {6, "16", false, false, 0},
        {6, "", false, false, 0},
        {0, "100", false, false, 0},
    };
    for (const auto &c : cases) {
        ReceiptPayment p;
        p.type_row = c.row;
        p.index = c.index;
        p.drop = c.drop;
        uint8_t type = 0xEE;
        EXPECT_EQ(receipt_payment_type(p, &type), c.ok) << c.row << " " << c.index;
        if (c.ok) {
            EXPECT_EQ(type, c.type) << c.row << " " << c.index;
        }
    }
    ReceiptPayment bad;
    bad.type_row = 6;
    bad.index = "16";
    TMCommand cmd;
    EXPECT_LT(receipt_build_payment(bad, cmd), 0);
}

TEST(ReceiptBuilder, BuyerLinesGoEachWithItsTag)
{
    ReceiptBuyer buyer;
    buyer.phone = "9001234567";
    buyer.email = "a@b.example";
    TMCommand cmd;
    Recorder r;
    r.stopAt = 1; // the answers are not looked at
    receipt_build_buyer(buyer, cmd, r.step());
    EXPECT_EQ(r.codes(), (std::vector<std::string>{"1C", "6A", "1C", "6A"}));
    EXPECT_NE(r.sent[1].frame.find("+79001234567"), std::string::npos);
    EXPECT_NE(r.sent[3].frame.find("a@b.example"), std::string::npos);
    Recorder none;
    receipt_build_buyer(ReceiptBuyer(), cmd, none.step());
    EXPECT_TRUE(none.sent.empty());
}

} // namespace
