// Every command builder against the frame it must produce. In the expected
// bodies '^' stands for FS, {D} and {T} for the terminal's date (DDMMYY) and
// time (HHMM) now; Cyrillic is written as its CP866 bytes.
#include "LinkTestUtil.h"

#include <algorithm>
#include <string.h>

using namespace linktest;

namespace {

// 31 December 2025, 23:05.
struct tm MakeWhen()
{
    struct tm t = {};
    t.tm_mday = 31;
    t.tm_mon = 11;
    t.tm_year = 125;
    t.tm_hour = 23;
    t.tm_min = 5;
    return t;
}
const struct tm kWhen = MakeWhen();

const char *const kLines2[] = {"A", "B"};
const char *const kLines6[] = {"1", "2", "3", "4", "5", "6"};
const char *const kTexts[] = {"a", nullptr};
const TMDepartment kDep1 = {1, "Отдел"};
const TMDepartment kDep3 = {3, "C"};
const TMDepartment *const kDeps[] = {&kDep1, nullptr, &kDep3};
const TMDepartment *const kDepsAll[] = {&kDep1, &kDep3};
const uint8_t kCode3[] = {0x01, 0x02, 0x03};
const uint8_t kDeadBeef[] = {0xDE, 0xAD, 0xBE, 0xEF};

// Registration fields common to every layout.
#define REG_ARGS_A "ООО", "7701", 0x01, "RN"
#define REG_ARGS_B "AUTO", "Op", "123", "Addr", "OFDINN", "RN2", 1, 2, 3, "OFD", "e@x", "www", "Place"
#define REG_BODY_A "\x8E\x8E\x8E^7701^01^RN^"
#define REG_BODY_B "AUTO^00^Op|123^Addr^OFDINN^RN2^01^02^03^OFD^e@x^www^Place^"

struct BuilderCase {
    const char *name;
    int (*build)(TMCommand &);
    const char *body;
};

const BuilderCase kCases[] = {
    // Receipt and document commands.
    {"OpenDocument",
     [](TMCommand &c) { return c.OpenDocument(2, "Op", "7701", "T", "P", 1, 0x10, "acc", "<1173>1|<1179>x"); },
     "10^{D}^{T}^02^Op|7701^T^P^01^10^acc^<1173>1|<1179>x^"},
    {"OpenDocumentAt",
     [](TMCommand &c) { return c.OpenDocumentAt(&kWhen, 0, "Ив", "", nullptr, "", 0, 0, "", nullptr); },
     "10^311225^2305^00^\x88\xA2^^^00^00^^^"},
    {"AddItem",
     [](TMCommand &c) { return c.AddItem("Хлеб", "4600", "12.50", "1/2", "шт", 1, 2, 3, 0, 4, "Dep", "<1162>x"); },
     "11^\x95\xAB\xA5\xA1^4600^12.50^1/2^\xE8\xE2^04010203^Dep^<1162>x^"},
    {"AddItem b4",
     [](TMCommand &c) { return c.AddItem("", "", "", "", "", 0xCD, 0, 0, 7, 0xAB, "", ""); },
     "11^^^^^^ABCD000007^^^"},
    {"Subtotal null", [](TMCommand &c) { return c.Subtotal(nullptr); }, "12^^"},
    {"Subtotal", [](TMCommand &c) { return c.Subtotal("10.00"); }, "12^10.00^"},
    {"AddPayment", [](TMCommand &c) { return c.AddPayment(1, "10.00", "a", "b"); }, "13^01^10.00^a^b^"},
    {"CloseDocument", [](TMCommand &c) { return c.CloseDocument(); }, "14^"},
    {"Command15", [](TMCommand &c) { return c.Command15(3, "a", "b", "c"); }, "15^03^a^b^c^"},
    {"Command16", [](TMCommand &c) { return c.Command16("x"); }, "16^x^"},
    {"CancelDocument", [](TMCommand &c) { return c.CancelDocument(); }, "17^{D}^{T}^"},
    {"Command1A", [](TMCommand &c) { return c.Command1A(1, 2, 3, 4, 5, "s"); }, "1A^01^02^03^04^05^s^"},
    {"Command1B", [](TMCommand &c) { return c.Command1B(4, "t"); }, "1B^04^t^"},
    {"PrintText", [](TMCommand &c) { return c.PrintText("Line\tTab"); }, "1C^Line Tab^"},
    {"Command1D", [](TMCommand &c) { return c.Command1D(); }, "1D^"},
    {"Command1E", [](TMCommand &c) { return c.Command1E(9, 8, "s"); }, "1E^09^08^0^s^"},
    {"Command1F", [](TMCommand &c) { return c.Command1F(1, 2, 3); }, "1F^01^02^03^"},
    {"AddTag", [](TMCommand &c) { return c.AddTag(1008, "a@b.ru"); }, "6A^F003^a@b.ru^"},

    // Start, shift, cash and totals.
    {"StartSession", [](TMCommand &c) { return c.StartSession(); }, "01^{D}^{T}^"},
    {"OpenShift", [](TMCommand &c) { return c.OpenShift("Иванов", "7701", "a", "", nullptr); },
     "02^{D}^{T}^\x88\xA2\xA0\xAD\xAE\xA2|7701^a^^^"},
    {"OpenShiftAt", [](TMCommand &c) { return c.OpenShiftAt(&kWhen, "Op", "", "x", "y", "z"); },
     "02^311225^2305^Op^x^y^z^"},
    {"GetShiftState", [](TMCommand &c) { return c.GetShiftState(); }, "03^{D}^{T}^"},
    {"ShiftReport", [](TMCommand &c) { return c.ShiftReport(); }, "30^{D}^{T}^"},
    {"CloseShift", [](TMCommand &c) { return c.CloseShift("Op", "123", "m", "t", 1); },
     "31^{D}^{T}^Op|123^m^t^01^"},
    {"CloseShiftAt", [](TMCommand &c) { return c.CloseShiftAt(&kWhen, "Op", "123", "", "", 0); },
     "31^311225^2305^Op|123^^^00^"},
    {"CashIn", [](TMCommand &c) { return c.CashIn("100.00", "Кассир"); },
     "32^{D}^{T}^100.00^\x8A\xA0\xE1\xE1\xA8\xE0^"},
    {"CashIn empty", [](TMCommand &c) { return c.CashIn("5", ""); }, "32^{D}^{T}^5^"},
    {"CashIn null", [](TMCommand &c) { return c.CashIn("5", nullptr); }, "32^{D}^{T}^5^"},
    {"CashOut", [](TMCommand &c) { return c.CashOut("1.5", "X"); }, "33^{D}^{T}^1.5^X^"},
    {"CashOut null", [](TMCommand &c) { return c.CashOut(nullptr, nullptr); }, "33^{D}^{T}^^"},
    {"GetMoneyTotals 0", [](TMCommand &c) { return c.GetMoneyTotals(0); }, "34^{D}^{T}^"},
    {"GetMoneyTotals 1", [](TMCommand &c) { return c.GetMoneyTotals(1); }, "34^{D}^{T}^01^"},
    {"Command35", [](TMCommand &c) { return c.Command35(); }, "35^"},
    {"GetPaymentTotals", [](TMCommand &c) { return c.GetPaymentTotals(2); }, "36^02^"},
    {"GetShiftTotals", [](TMCommand &c) { return c.GetShiftTotals(); }, "37^"},
    {"GetDepartmentTotals", [](TMCommand &c) { return c.GetDepartmentTotals(1, 2); }, "38^01^02^"},
    {"GetDocCounters", [](TMCommand &c) { return c.GetDocCounters(); }, "3D^"},

    // Payment report and journal.
    {"PaymentReportBegin", [](TMCommand &c) { return c.PaymentReportBegin(); }, "50^{D}^{T}^"},
    {"PaymentReportLine", [](TMCommand &c) { return c.PaymentReportLine("x"); }, "51^x^"},
    {"PaymentReportEnd", [](TMCommand &c) { return c.PaymentReportEnd(); }, "52^"},
    {"Command56", [](TMCommand &c) { return c.Command56(kTexts, 2); }, "56^a^^"},
    {"GetJournalParams", [](TMCommand &c) { return c.GetJournalParams(); }, "49^"},
    {"JournalShiftClose", [](TMCommand &c) { return c.JournalShiftClose(0x0102); }, "7C^0201^"},
    {"JournalByTime", [](TMCommand &c) { return c.JournalByTime("0101", "0202", nullptr); }, "7D^0101^0202^"},
    {"JournalByTime date", [](TMCommand &c) { return c.JournalByTime("0101", "0202", "010126"); },
     "7D^0101^0202^010126^"},
    {"JournalByNumbers 0", [](TMCommand &c) { return c.JournalByNumbers(1, 2, 0); }, "7E^0100^0200^"},
    {"JournalByNumbers 1", [](TMCommand &c) { return c.JournalByNumbers(1, 2, 1); }, "7E^0100^0200^01^"},
    {"JournalDocument 0", [](TMCommand &c) { return c.JournalDocument(3, 0); }, "7F^0300^"},
    {"JournalDocument 1", [](TMCommand &c) { return c.JournalDocument(3, 1); }, "7F^0300^01^"},
    {"JournalShift 0", [](TMCommand &c) { return c.JournalShift(0); }, "84^"},
    {"JournalShift 5", [](TMCommand &c) { return c.JournalShift(5); }, "84^0500^"},
    {"JournalClear", [](TMCommand &c) { return c.JournalClear(); }, "85^"},

    // Registration and the fiscal drive.
    {"Register", [](TMCommand &c) { return c.Register(REG_ARGS_A, 0x0102, REG_ARGS_B); },
     "04^{D}^{T}^" REG_BODY_A "0201^" REG_BODY_B},
    {"RegisterAt", [](TMCommand &c) { return c.RegisterAt(&kWhen, REG_ARGS_A, 0x0102, REG_ARGS_B); },
     "04^311225^2305^" REG_BODY_A "0201^" REG_BODY_B},
    {"Register11", [](TMCommand &c) { return c.Register11(REG_ARGS_A, 0x0102, REG_ARGS_B, 0x11223344); },
     "04^{D}^{T}^" REG_BODY_A "0201^" REG_BODY_B "44332211^"},
    {"Register11At",
     [](TMCommand &c) { return c.Register11At(&kWhen, REG_ARGS_A, 0x0102, REG_ARGS_B, 0x11223344); },
     "04^311225^2305^" REG_BODY_A "0201^" REG_BODY_B "44332211^"},
    {"Register12",
     [](TMCommand &c) { return c.Register12(REG_ARGS_A, 0x01020304, REG_ARGS_B, 0x11223344, "s20", "Я"); },
     "04^{D}^{T}^" REG_BODY_A "04030201^" REG_BODY_B "44332211^s20^\x9F^"},
    {"Register12At",
     [](TMCommand &c) { return c.Register12At(&kWhen, REG_ARGS_A, 0x01020304, REG_ARGS_B, 0, nullptr, ""); },
     "04^311225^2305^" REG_BODY_A "04030201^" REG_BODY_B "00000000^^^"},
    {"GetRegParam", [](TMCommand &c) { return c.GetRegParam(1290); }, "88^0A05^"},
    {"CloseFN", [](TMCommand &c) { return c.CloseFN("Op", "123", 1); }, "8D^{D}^{T}^Op|123^01^"},
    {"CloseFNAt", [](TMCommand &c) { return c.CloseFNAt("Op", "123", 2, "311225", "2305"); },
     "8D^311225^2305^Op|123^02^"},
    {"CloseFNPlain", [](TMCommand &c) { return c.CloseFNPlain("Op", ""); }, "8D^{D}^{T}^Op^"},
    {"GetRegTotals", [](TMCommand &c) { return c.GetRegTotals(); }, "8F^"},
    {"GetRegTotalsOf", [](TMCommand &c) { return c.GetRegTotalsOf(1, 0); }, "8F^0100^0000^"},

    // Header, tail, clock, parameters.
    {"SetHeader 2", [](TMCommand &c) { return c.SetHeader(kLines2, 2); }, "41^{D}^{T}^A^B^^^"},
    {"SetHeader 6", [](TMCommand &c) { return c.SetHeader(kLines6, 6); }, "41^{D}^{T}^1^2^3^4^"},
    {"SetTail", [](TMCommand &c) { return c.SetTail(kLines2, 1); }, "46^{D}^{T}^A^^^^"},
    {"SetHeaderExt 1", [](TMCommand &c) { return c.SetHeaderExt(kLines2, 1); }, "4E^A^^^^^^"},
    {"SetHeaderExt 6", [](TMCommand &c) { return c.SetHeaderExt(kLines6, 6); }, "4E^1^2^3^4^5^6^"},
    {"GetHeader", [](TMCommand &c) { return c.GetHeader(); }, "9A^"},
    {"GetTail", [](TMCommand &c) { return c.GetTail(); }, "9B^"},
    {"SetDateTime", [](TMCommand &c) { return c.SetDateTime("311225", "2305"); }, "42^311225^2305^"},
    {"SyncDateTime", [](TMCommand &c) { return c.SyncDateTime(); }, "42^{D}^{T}^"},
    {"GetDateTime", [](TMCommand &c) { return c.GetDateTime(); }, "43^"},
    {"GetParams", [](TMCommand &c) { return c.GetParams(1, 2, 0xFFFF); }, "4C^0100^0200^FFFF^"},
    {"GetParamList", [](TMCommand &c) { return c.GetParamList(2, 0x1234, 7); }, "4C^3412^0700^"},
    {"GetParamList low bits", [](TMCommand &c) { return c.GetParamList(4, 1, 2, 0x12345, -1); },
     "4C^0100^0200^4523^FFFF^"},
    {"GetWorkModes", [](TMCommand &c) { return c.GetWorkModes(); }, "4D^"},
    {"Command4F", [](TMCommand &c) { return c.Command4F(1, 2, 3); }, "4F^01^02^03^"},

    // Payment types, tax rates, departments.
    {"SetPaymentType", [](TMCommand &c) { return c.SetPaymentType(2, "Карта", 5, 0, 1, 0x0F, "1.00"); },
     "4A^02^\x8A\xA0\xE0\xE2\xA0^01^00^01^0F^1.00^"},
    {"GetPaymentType", [](TMCommand &c) { return c.GetPaymentType(2); }, "4B^02^"},
    {"SetTaxRate", [](TMCommand &c) { return c.SetTaxRate(1, "НДС", "20.00", "0.00", 1, 1102); },
     "58^01^\x8D\x84\x91^20.00^0.00^01^4E04^"},
    {"GetTaxRate", [](TMCommand &c) { return c.GetTaxRate(1); }, "59^01^"},
    {"SetDepartments null entry", [](TMCommand &c) { return c.SetDepartments(kDeps, 3); },
     "60^01^\x8E\xE2\xA4\xA5\xAB^"},
    {"SetDepartments count", [](TMCommand &c) { return c.SetDepartments(kDepsAll, 2); },
     "60^01^\x8E\xE2\xA4\xA5\xAB^03^C^"},
    {"GetDepartments", [](TMCommand &c) { return c.GetDepartments(); }, "61^"},

    // Servers and device.
    {"Command65", [](TMCommand &c) { return c.Command65(7); }, "65^07^"},
    {"SetOFDServer", [](TMCommand &c) { return c.SetOFDServer("ofd.example", 7777, 60, 30, 31); },
     "66^611E^3C00^1E00^1F00^ofd.example^"},
    {"SetServer", [](TMCommand &c) { return c.SetServer("h", 1, 2, 3, 4, 2); }, "66^0100^0200^0300^0400^h^02^"},
    {"OFDGetParam", [](TMCommand &c) { return c.OFDGetParam(); }, "67^"},
    {"GetServer", [](TMCommand &c) { return c.GetServer(1); }, "67^01^"},
    {"Command6B 0", [](TMCommand &c) { return c.Command6B(1, 2, 3, 4, 5, 6, 7, "s", 0); },
     "6B^01^02^03000000^04000000^05000000^06000000^07000000^s^"},
    {"Command6B 9", [](TMCommand &c) { return c.Command6B(1, 2, 3, 4, 5, 6, 0xFFFFFFFF, "", 9); },
     "6B^01^02^03000000^04000000^05000000^06000000^FFFFFFFF^^09^"},
    {"Command6C 0", [](TMCommand &c) { return c.Command6C(0); }, "6C^"},
    {"Command6C 3", [](TMCommand &c) { return c.Command6C(3); }, "6C^03^"},
    {"Command70", [](TMCommand &c) { return c.Command70(); }, "70^"},
    {"Command8C", [](TMCommand &c) { return c.Command8C("R1\t"); }, "8C^R1\t^"},
    {"EnterServiceMonitor", [](TMCommand &c) { return c.EnterServiceMonitor(); }, "93^"},
    {"Command94", [](TMCommand &c) { return c.Command94("A", "Б", 0x1234); }, "94^A^01^00^\x81^01^00^3412^"},
    {"Command95", [](TMCommand &c) { return c.Command95(); }, "95^"},
    {"GetSerialNumber", [](TMCommand &c) { return c.GetSerialNumber(); }, "96^"},
    {"GetKktInfo", [](TMCommand &c) { return c.GetKktInfo(); }, "97^"},
    {"Command9F", [](TMCommand &c) { return c.Command9F(1); }, "9F^01^"},
    {"CommandB0", [](TMCommand &c) { return c.CommandB0(1, 2); }, "B0^01^0200^"},
    {"CommandC0", [](TMCommand &c) { return c.CommandC0(1, 2, "Ая\x1C"); }, "C0^01^0200^\xC0\xFF ^"},

    // Marking codes and notifications.
    {"GetMarkStatus", [](TMCommand &c) { return c.GetMarkStatus(); }, "20^"},
    {"GetMarkStatusOf", [](TMCommand &c) { return c.GetMarkStatusOf(0); }, "20^00^"},
    {"MarkCheckCode", [](TMCommand &c) { return c.MarkCheckCode(1, kCode3, 3, 0x1F, 0, 1, 2, 0, 1); },
     "21^0100^010203^1F^00^01^02^00^01^"},
    {"SaveMarkResult", [](TMCommand &c) { return c.SaveMarkResult(1); }, "22^01^"},
    {"MarkCheckReset", [](TMCommand &c) { return c.MarkCheckReset(); }, "23^"},
    {"CreateMarkNotice", [](TMCommand &c) { return c.CreateMarkNotice(1, 0, "1.5", "2", 1); },
     "24^01^00^1.5^2^01^"},
    {"SaveMarkReplyText", [](TMCommand &c) { return c.SaveMarkReplyText("DEADBEEF"); }, "25^DEADBEEF^"},
    {"SaveMarkReply", [](TMCommand &c) { return c.SaveMarkReply(kDeadBeef, 4); }, "25^DEADBEEF^"},
    {"SaveMarkReply empty", [](TMCommand &c) { return c.SaveMarkReply(kDeadBeef, 0); }, "25^^"},
    {"SendMarkCode", [](TMCommand &c) { return c.SendMarkCode(1, "01", 2, 3, 4); }, "26^01^3031^03^04^"},
    {"Cmd_GetStatusSendNotif", [](TMCommand &c) { return c.Cmd_GetStatusSendNotif(); }, "27^"},
    {"Cmd_StartReadNotif", [](TMCommand &c) { return c.Cmd_StartReadNotif(); }, "28^"},
    {"ReadNotifData", [](TMCommand &c) { return c.ReadNotifData(0, 256); }, "2C^0000^0001^"},
    {"Command2D", [](TMCommand &c) { return c.Command2D(); }, "2D^"},
    {"Cmd_EndReadNotif", [](TMCommand &c) { return c.Cmd_EndReadNotif(); }, "2E^"},
    {"SendReceiptNotifText", [](TMCommand &c) { return c.SendReceiptNotifText("0102"); }, "2F^0102^"},
    {"Cmd_SendReceiptNotif", [](TMCommand &c) { return c.Cmd_SendReceiptNotif(kCode3, 2); }, "2F^0102^"},
    {"NotifCounts", [](TMCommand &c) { return c.NotifCounts(1); }, "80^01^"},
    {"Command87", [](TMCommand &c) { return c.Command87(1, 0x0A0B0C0D, 0xBEEF); }, "87^01^0D0C0B0A^EFBE^"},
    {"NotifRead", [](TMCommand &c) { return c.NotifRead(0x10, 0x100); }, "89^1000^0001^"},
    {"NotifStep", [](TMCommand &c) { return c.NotifStep(0); }, "8A^00^"},
    {"Command9E", [](TMCommand &c) { return c.Command9E(0); }, "9E^00^"},
    {"Command9EText", [](TMCommand &c) { return c.Command9EText(4, "0F"); }, "9E^04^0F^"},
    {"Command9EData", [](TMCommand &c) { return c.Command9EData(4, kDeadBeef + 3, 1); }, "9E^04^EF^"},

    // Fiscal-drive state, documents, OFD exchange.
    {"GetFNStatus", [](TMCommand &c) { return c.GetFNStatus(); }, "29^"},
    {"GetFNErrors", [](TMCommand &c) { return c.GetFNErrors(); }, "2A^"},
    {"FNGetCommStatus", [](TMCommand &c) { return c.FNGetCommStatus(); }, "2B^"},
    {"GetWaitDocs", [](TMCommand &c) { return c.GetWaitDocs(); }, "39^"},
    {"GetOFDTicket", [](TMCommand &c) { return c.GetOFDTicket(0x12345678, 1); }, "3A^78563412^01^"},
    {"GetUnsentState", [](TMCommand &c) { return c.GetUnsentState(); }, "3B^"},
    {"GetDocument", [](TMCommand &c) { return c.GetDocument(1, 4); }, "8B^01000000^04^"},
    {"FNReadStart", [](TMCommand &c) { return c.FNReadStart(); }, "5A^"},
    {"FNRead", [](TMCommand &c) { return c.FNRead(0x0100, 0x0100); }, "5B^0001^0001^"},
    {"FNReadCancel", [](TMCommand &c) { return c.FNReadCancel(); }, "5C^"},
    {"FNReadClose", [](TMCommand &c) { return c.FNReadClose(); }, "5D^"},
    {"FNReadScript", [](TMCommand &c) { return c.FNReadScript(kDeadBeef, 2); }, "5E^DEAD^"},
    {"SetOFDConnStatus", [](TMCommand &c) { return c.SetOFDConnStatus(1); }, "5F^01^"},
};

class Builders : public ClockFixture {};

std::string Expand(std::string body, const std::string &date, const std::string &time)
{
    for (size_t at; (at = body.find("{D}")) != std::string::npos;)
        body.replace(at, 3, date);
    for (size_t at; (at = body.find("{T}")) != std::string::npos;)
        body.replace(at, 3, time);
    return body;
}

TEST_F(Builders, EveryBuilderWritesItsFrame)
{
    for (const BuilderCase &tc : kCases) {
        TMCommand c;
        ASSERT_GT(c.GetFNStatus(), 0); // builders replace what is held
        const std::string d0 = DateNow(), t0 = TimeNow();
        const int r = tc.build(c);
        const std::string d1 = DateNow(), t1 = TimeNow();
        ASSERT_GT(r, 0) << tc.name;
        EXPECT_EQ(r, static_cast<int>(c.FrameSize())) << tc.name;
        const uint8_t id = static_cast<uint8_t>(c.PacketId());
        const std::string got = Hex(c);
        const std::string before = Hex(Request(id, Expand(tc.body, d0, t0)));
        const std::string after = Hex(Request(id, Expand(tc.body, d1, t1)));
        EXPECT_TRUE(got == before || got == after) << tc.name << "\n got: " << got << "\nwant: " << before;
        const size_t fs = std::count(tc.body, tc.body + strlen(tc.body), '^');
        EXPECT_EQ(c.FieldCount(), fs) << tc.name;
        EXPECT_TRUE(c.IsReplyTo()) << tc.name;
    }
}

// One builder, one identifier.
TEST_F(Builders, EachBuilderTakesOneIdentifier)
{
    TMCommand c;
    ASSERT_GT(c.CloseDocument(), 0);
    int last = c.PacketId();
    for (const BuilderCase &tc : kCases) {
        ASSERT_GT(tc.build(c), 0) << tc.name;
        EXPECT_EQ(c.PacketId(), last == 0x7F ? 0x20 : last + 1) << tc.name;
        last = c.PacketId();
    }
}

// A text and a hex form of one code build frames with the same code and
// field count.
TEST_F(Builders, TextAndHexFormsAgreeInShape)
{
    struct Pair {
        int (*text)(TMCommand &);
        int (*hex)(TMCommand &);
    } pairs[] = {
        {[](TMCommand &c) { return c.SaveMarkReplyText("x"); }, [](TMCommand &c) { return c.SaveMarkReply("x", 1); }},
        {[](TMCommand &c) { return c.SendReceiptNotifText("x"); },
         [](TMCommand &c) { return c.Cmd_SendReceiptNotif("x", 1); }},
        {[](TMCommand &c) { return c.Command9EText(4, "x"); }, [](TMCommand &c) { return c.Command9EData(4, "x", 1); }},
    };
    for (const Pair &p : pairs) {
        TMCommand a, b;
        ASSERT_GT(p.text(a), 0);
        ASSERT_GT(p.hex(b), 0);
        EXPECT_EQ(a.CommandCode(), b.CommandCode());
        EXPECT_EQ(a.FieldCount(), b.FieldCount());
    }
}

// A builder stops at the first failing step and passes its result up.
TEST_F(Builders, FailuresStopTheBuilder)
{
    const std::string tooLong(5000, 'x');
    const char *const longLines[] = {"ok", tooLong.c_str()};
    struct Case {
        const char *name;
        int (*build)(TMCommand &, const char *);
    } cases[] = {
        {"OpenShiftAt null time", [](TMCommand &c, const char *) { return c.OpenShiftAt(nullptr, "a", "", "", "", ""); }},
        {"CloseShiftAt null time", [](TMCommand &c, const char *) { return c.CloseShiftAt(nullptr, "", "", "", "", 0); }},
        {"OpenDocumentAt null time",
         [](TMCommand &c, const char *) { return c.OpenDocumentAt(nullptr, 1, "", "", "", "", 0, 0, "", ""); }},
        {"RegisterAt null time",
         [](TMCommand &c, const char *) { return c.RegisterAt(nullptr, REG_ARGS_A, 0x0102, REG_ARGS_B); }},
        {"CloseFNAt bad time", [](TMCommand &c, const char *) { return c.CloseFNAt("", "", 0, "311225", "25"); }},
        {"AddItem too long", [](TMCommand &c, const char *s) { return c.AddItem("", "", "", "", "", 0, 0, 0, 0, 0, "", s); }},
        {"OpenShift pair too long", [](TMCommand &c, const char *s) { return c.OpenShift(s, "", "", "", ""); }},
        {"Command8C too long", [](TMCommand &c, const char *s) { return c.Command8C(s); }},
    };
    for (const Case &tc : cases) {
        TMCommand c;
        EXPECT_EQ(tc.build(c, tooLong.c_str()), -1) << tc.name;
        EXPECT_GT(c.FrameSize(), 0u) << tc.name; // begun, never ended
        EXPECT_NE(c.FrameData()[c.FrameSize() - 1], '\x03') << tc.name;
    }
    TMCommand c;
    EXPECT_EQ(c.SetHeader(longLines, 2), -1);
    EXPECT_EQ(c.FieldCount(), 4u); // STX..code, date, time, "ok"
}

// Many texts outgrow the first buffer block.
TEST_F(Builders, LargeCommandGrowsItsFrame)
{
    const std::string line(1000, 'z');
    std::vector<const char *> texts(10, line.c_str());
    TMCommand c;
    const int r = c.Command56(texts.data(), static_cast<uint32_t>(texts.size()));
    ASSERT_GT(r, 0);
    EXPECT_EQ(r, 9 + 10 * 1001 + 5);
    EXPECT_EQ(c.FieldCount(), 11u);
    EXPECT_EQ(c.FieldLength(10), 1000u);
}

} // namespace
