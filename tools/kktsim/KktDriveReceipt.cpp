// Receipts of the fiscal-drive model.
//
// Every Russian text here is a u8 literal: the stand-in keeps UTF-8 and
// converts to CP866 only inside frames.

#include "KktDriveReceipt.h"
#include "KktDriveSettings.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

#include <cstdio>
#include <ctime>

namespace kktsim {

namespace {

const size_t kMaxItems = 1000;
const size_t kMaxLines = 1000;
const size_t kMaxTags = 100;

const char *const kPaymentNames[5] = {u8"НАЛИЧНЫМИ", u8"БЕЗНАЛИЧНЫМИ", u8"ПРЕДВАРИТЕЛЬНАЯ ОПЛАТА (АВАНС)",
                                      u8"ПОСЛЕДУЮЩАЯ ОПЛАТА (КРЕДИТ)", u8"ИНАЯ ФОРМА ОПЛАТЫ"};
const char *const kOperationNames[4] = {u8"ПРИХОД", u8"ВОЗВРАТ ПРИХОДА", u8"РАСХОД", u8"ВОЗВРАТ РАСХОДА"};
const char *const kTaxNames[6] = {u8"НДС 20%", u8"НДС 10%", u8"НДС 20/120", u8"НДС 10/110", u8"НДС 0%", u8"БЕЗ НДС"};

using wire::HexD;
using wire::ReadHexLE;
using wire::Readable;
using wire::RealDateTime;

// A hex field of bytes in order.
bool ReadHexBytes(const std::string &f, std::vector<uint8_t> &out)
{
    std::string bytes;
    if (!wire::Unhex(f, bytes))
        return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

// The tape as a person sees it: lines of the drive's width.
using Tape = wire::Paper;

// Receipt type byte (without 0x80) -> the operation 0..3 its money counts
// under, -1 for a type the drive does not know.
int OperationOf(uint8_t type)
{
    switch (type) {
    case kReceiptIncome: case kCorrIncome: return 0;
    case kReceiptIncomeReturn: case kCorrIncomeReturn: return 1;
    case kReceiptExpense: case kCorrExpense: return 2;
    case kReceiptExpenseReturn: case kCorrExpenseReturn: return 3;
    default: return -1;
    }
}

bool IsCorrection(uint8_t type) { return type >= kCorrIncome && type <= kCorrExpenseReturn; }

// The title of a receipt of operation op (0..3).
std::string TitleOf(uint8_t type, int op)
{
    if (IsCorrection(type))
        return std::string(u8"КОРРЕКЦИЯ ") + (op == 0 ? u8"ПРИХОДА" : op == 1 ? u8"ВОЗВРАТА ПРИХОДА"
                                                  : op == 2 ? u8"РАСХОДА" : u8"ВОЗВРАТА РАСХОДА");
    return kOperationNames[op];
}

// The parts of a tag text: "<N>value" parts and free texts, split at "|".
std::vector<std::string> TagParts(const std::string &text)
{
    std::vector<std::string> parts;
    size_t at = 0;
    while (at <= text.size() && !text.empty()) {
        size_t bar = text.find('|', at);
        std::string part = text.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
        if (!part.empty())
            parts.push_back(part);
        if (bar == std::string::npos)
            break;
        at = bar + 1;
    }
    return parts;
}

// A tag part as the tape shows it: "<1008>+7900" is "1008: +7900".
std::string TagLine(const std::string &part)
{
    if (part.size() > 2 && part[0] == '<') {
        size_t close = part.find('>');
        if (close != std::string::npos && close > 1 && close < 7) {
            bool number = true;
            for (size_t i = 1; i < close; ++i)
                number = number && part[i] >= '0' && part[i] <= '9';
            if (number)
                return part.substr(1, close - 1) + ": " + part.substr(close + 1);
        }
    }
    return part;
}

// price x a / b rounded half up once (a and b in thousandths).
bool FractionSum(int64_t price, int64_t a, int64_t b, int64_t &sum)
{
    if (price < 0 || a < 0 || b <= 0)
        return false;
    __int128 s = (static_cast<__int128>(price) * a * 2 / b + 1) / 2;
    if (s > kMaxAmount)
        return false;
    sum = static_cast<int64_t>(s);
    return true;
}

// A quantity: up to three decimals, or a fraction "a/b" of two such
// numbers; thousandths for the counters, the sum of the line.
bool ReadQuantity(const std::string &text, int64_t price, int64_t &thousandths, int64_t &sum)
{
    size_t slash = text.find('/');
    if (slash == std::string::npos)
        return ParseQuantity(text, thousandths) && LineSum(price, thousandths, sum);
    int64_t a, b;
    if (!ParseQuantity(text.substr(0, slash), a) || !ParseQuantity(text.substr(slash + 1), b) || b == 0)
        return false;
    thousandths = (a * 2000 / b + 1) / 2;
    return FractionSum(price, a, b, sum);
}

class Receipt {
public:
    explicit Receipt(DriveCall &io) : io_(io), s(io.s) {}

    uint8_t Open();
    uint8_t AddItem();
    uint8_t Subtotal();
    uint8_t AddPayment();
    uint8_t PrintText();
    uint8_t AddTag();
    uint8_t Close();
    uint8_t Cancel();

private:
    size_t Count() const { return io_.fields.size(); }
    const std::string &Raw(size_t k) const { return io_.Raw(k); }
    std::string Text(size_t k) const { return Cp866ToUtf8(Raw(k)); }
    void Data(const std::string &utf8) { io_.data.push_back(Utf8ToCp866(utf8)); }
    void Changed() { io_.res.changed = true; }
    uint8_t NeedDocument() const { return s.docType ? 0 : kErrDocState; }
    uint8_t NeedPaper()
    {
        if (io_.paperOut || (s.resumeNeeded && !(s.workModes & 0x10))) {
            if (!s.resumeNeeded) {
                s.resumeNeeded = true;
                Changed();
            }
            return kErrNoPaper;
        }
        return 0;
    }
    void PrintReceipt(const FiscalMark &mark, const std::string &when, int64_t total, int64_t change);

    DriveCall &io_;
    DriveState &s;
};

uint8_t Receipt::Open()
{
    if (Count() < 2)
        return kErrFormat;
    if (!RealDateTime(Raw(1), Raw(2)))
        return kErrDateTime;
    if (Count() < 4)
        return kErrFormat;
    if (!s.Registered())
        return kErrNotRegistered;
    if (s.docType)
        return kErrDocState;
    if (!s.shiftOpen)
        return kErrShiftClosed;
    uint32_t type, copies = 1, tax = 0;
    if (!ReadHexLE(Raw(3), 1, type))
        return kErrField;
    if ((Count() >= 7 && !ReadHexLE(Raw(7), 1, copies)) || (Count() >= 8 && !ReadHexLE(Raw(8), 1, tax)))
        return kErrField;
    uint8_t kind = static_cast<uint8_t>(type & 0x7F);
    if (type & 0x70 || OperationOf(kind) < 0 || tax > 6)
        return kErrRange;
    // an FFD 1.05 drive knows no correction of a return
    if (s.ffd <= 2 && (kind == kCorrIncomeReturn || kind == kCorrExpenseReturn))
        return kErrRange;
    s.ClearDocument();
    s.docType = static_cast<uint8_t>(OperationOf(kind) + 1);
    std::string oper = Text(4);
    size_t bar = oper.find('|');
    s.docOperator = oper.substr(0, bar);
    ReceiptDoc &d = s.receipt;
    d.type = static_cast<uint8_t>(type);
    d.operatorInn = bar == std::string::npos ? "" : oper.substr(bar + 1);
    d.table = Text(5);
    d.place = Text(6);
    d.copies = static_cast<uint8_t>(copies);
    d.taxMode = static_cast<uint8_t>(tax);
    d.account = Text(9);
    d.tags = Text(10);
    Changed();
    return 0;
}

uint8_t Receipt::AddItem()
{
    if (Count() < 4)
        return kErrFormat;
    if (uint8_t e = NeedDocument())
        return e;
    ReceiptItem item;
    item.name = Text(1);
    if (!ParseAmount(Raw(3), item.price))
        return kErrField;
    if (item.price < 0)
        return kErrNegativeSum;
    int64_t sum;
    if (!ReadQuantity(Raw(4), item.price, item.quantity, sum)) {
        // a quantity that reads but overflows the line is an overflow
        int64_t q;
        return ParseQuantity(Raw(4), q) ? kErrOverflow : kErrField;
    }
    item.sum = sum;
    ReceiptItemData &x = item.extra;
    x.code = Text(2);
    x.quantityText = Raw(4);
    x.unit = Text(5);
    if (Count() >= 6) {
        // department, tax rate - 1, method, object, [agent]
        std::vector<uint8_t> b;
        if (!ReadHexBytes(Raw(6), b) || (b.size() != 4 && b.size() != 5))
            return kErrField;
        if (b[1] > 5 || b[2] > 7 || b[3] > 33)
            return kErrRange;
        x.department = b[0];
        x.tax = b[1];
        x.method = b[2];
        x.object = b[3];
        x.agent = b.size() == 5 ? b[4] : 0;
        if (b.size() == 5 && !x.agent)
            return kErrField; // the agent byte goes only when it is set
    }
    x.departmentName = Text(7);
    x.tags = Text(8);
    if (s.DocTotal() + item.sum > kMaxAmount)
        return kErrOverflow;
    if (s.items.size() >= kMaxItems)
        return kErrItems;
    s.items.push_back(item);
    Changed();
    Data(AmountText(item.sum));
    Data(AmountText(s.DocTotal()));
    return 0;
}

uint8_t Receipt::Subtotal()
{
    if (uint8_t e = NeedDocument())
        return e;
    Data(AmountText(s.DocTotal()));
    return 0;
}

uint8_t Receipt::AddPayment()
{
    if (Count() < 2)
        return kErrFormat;
    if (uint8_t e = NeedDocument())
        return e;
    uint32_t type;
    int64_t sum;
    if (!ReadHexLE(Raw(1), 1, type) || !ParseAmount(Raw(2), sum))
        return kErrField;
    uint8_t index = static_cast<uint8_t>(type & 0x7F);
    if (index >= kPaymentTypes)
        return kErrPaymentIndex;
    if (sum <= 0)
        return kErrNegativeSum;
    int64_t paid = s.Paid();
    if (paid + sum > kMaxAmount)
        return kErrOverflow;
    if (s.receipt.payments.size() >= kMaxLines)
        return kErrLines;
    s.payments[index] += sum;
    ReceiptPayment p;
    p.type = static_cast<uint8_t>(type);
    p.amount = sum;
    p.add = Text(3);
    p.comment = Text(4);
    s.receipt.payments.push_back(p);
    Changed();
    int64_t left = s.DocTotal() - (paid + sum);
    Data(AmountText(left > 0 ? left : 0));
    return 0;
}

uint8_t Receipt::PrintText()
{
    if (Count() < 1)
        return kErrFormat;
    if (uint8_t e = NeedDocument())
        return e;
    if (s.docLines.size() >= kMaxLines)
        return kErrLines;
    s.docLines.push_back(Text(1));
    Changed();
    return 0;
}

uint8_t Receipt::AddTag()
{
    if (Count() < 2)
        return kErrFormat;
    uint32_t tag;
    if (!ReadHexLE(Raw(1), 2, tag) || tag == 0)
        return kErrField;
    if (uint8_t e = NeedDocument())
        return e;
    if (s.receipt.docTags.size() >= kMaxTags)
        return kErrLines;
    s.receipt.docTags.push_back("<" + std::to_string(tag) + ">" + Text(2));
    Changed();
    return 0;
}

uint8_t Receipt::Close()
{
    if (uint8_t e = NeedDocument())
        return e;
    const ReceiptDoc &d = s.receipt;
    const uint8_t kind = static_cast<uint8_t>(d.type & 0x7F);
    const bool printed = !(d.type & kReceiptNotPrinted);
    int64_t total = s.DocTotal(), paid = s.Paid();
    if (s.items.empty() || paid < total)
        return kErrDocState;
    // change comes out of the cash only
    int64_t change = paid - total;
    if (change > s.payments[0])
        return kErrDocState;
    // the operation the receipt was opened with (1..4 in the state)
    int op = s.docType - 1;
    int64_t cash = s.payments[0] - change;
    bool cashOut = op == 1 || op == 2; // returns of income and expenses pay out
    if (cashOut && cash > s.drawer)
        return kErrDrawer;
    if (printed) {
        if (uint8_t e = NeedPaper())
            return e;
    }
    std::string when = DriveClock(s, time(nullptr)); // the drive's own clock
    for (int p = 0; p < kPaymentTypes; ++p) {
        int64_t v = p == 0 ? cash : s.payments[p];
        s.shift.sums[op][p] = AddCapped(s.shift.sums[op][p], v);
    }
    if (IsCorrection(kind)) {
        int c = kind - kCorrIncome;
        s.receiptTotals.corrections[c] = AddCapped(s.receiptTotals.corrections[c], total);
        s.receiptTotals.runningCorrections[c] = AddCapped(s.receiptTotals.runningCorrections[c], total);
        ++s.shift.documents[3];
    } else {
        s.running[op] = AddCapped(s.running[op], total);
        ++s.shift.documents[8 + op];
    }
    if (!printed)
        ++s.receiptTotals.notPrinted;
    s.drawer = AddCapped(s.drawer, cashOut ? -cash : cash);
    ++s.receipts;
    ++s.shift.documents[0];
    ++s.shift.documents[1];
    if (!IsCorrection(kind)) {
        int64_t byType[kPaymentTypes];
        for (int p = 0; p < kPaymentTypes; ++p)
            byType[p] = p == 0 ? cash : s.payments[p];
        BookDepartments(s, op, byType);
    }
    FiscalMark mark = FiscalizeReceipt(s, when, IsCorrection(kind) ? kDocCorrection : kDocReceipt);
    if (printed)
        PrintReceipt(mark, when, total, change);
    else
        io_.res.note = "closed without printing";
    Data(HexD(mark.number));
    Data(HexD(mark.sign));
    s.ClearDocument();
    Changed();
    return 0;
}

void Receipt::PrintReceipt(const FiscalMark &mark, const std::string &when, int64_t total, int64_t change)
{
    const ReceiptDoc &d = s.receipt;
    const uint8_t kind = static_cast<uint8_t>(d.type & 0x7F);
    Tape t;
    t.Rule();
    t.Center(s.user);
    t.Center(s.address);
    for (const std::string &line : PrintedHead(s))
        t.Center(line);
    t.Center(IsCorrection(kind) ? u8"КАССОВЫЙ ЧЕК КОРРЕКЦИИ" : u8"КАССОВЫЙ ЧЕК");
    t.Center(TitleOf(kind, s.docType - 1));
    t.Pair(u8"ЧЕК", std::to_string(s.receipts));
    t.Pair(u8"СМЕНА", std::to_string(s.shiftNumber));
    t.Pair(u8"КАССИР", s.docOperator);
    if (!d.operatorInn.empty())
        t.Pair(u8"ИНН КАССИРА", d.operatorInn);
    if (!d.table.empty())
        t.Pair(u8"СТОЛ", d.table);
    if (!d.place.empty())
        t.Pair(u8"МЕСТО", d.place);
    if (!d.account.empty())
        t.Pair(u8"СЧЕТ", d.account);
    for (const ReceiptItem &i : s.items) {
        const ReceiptItemData &x = i.extra;
        t.Text(i.name);
        std::string qty = x.quantityText.empty() ? QuantityText(i.quantity) : x.quantityText;
        std::string unit = x.unit.empty() ? "" : " " + x.unit;
        t.Pair("  " + qty + unit + " x " + AmountText(i.price), "=" + AmountText(i.sum));
        if (!x.code.empty())
            t.Pair(u8"  КОД", x.code);
        // a marking code goes whole, over as many lines as it takes
        for (size_t at = 0; at < x.markCode.size(); at += Tape::kWidth - 5)
            t.Text(std::string(at ? "     " : u8"  КМ ") + x.markCode.substr(at, Tape::kWidth - 5));
        if (x.tax < 6)
            t.Pair("  " + std::string(kTaxNames[x.tax]), u8"ОТДЕЛ " + std::to_string(x.department));
        if (!x.departmentName.empty())
            t.Text("  " + x.departmentName);
        for (const std::string &part : TagParts(x.tags))
            t.Text("  " + TagLine(part));
    }
    for (const std::string &l : s.docLines)
        t.Text(l);
    for (const std::string &part : TagParts(d.tags))
        t.Text(TagLine(part));
    for (const std::string &tag : d.docTags)
        t.Text(TagLine(tag));
    t.Pair(u8"ИТОГ", "=" + AmountText(total));
    for (const ReceiptPayment &p : d.payments) {
        if (p.type & 0x80)
            continue; // not printed
        uint8_t index = static_cast<uint8_t>(p.type & 0x7F);
        t.Pair(index < 5 ? std::string(kPaymentNames[index]) : u8"ОПЛАТА " + std::to_string(index),
               "=" + AmountText(p.amount));
        if (!p.add.empty())
            t.Text("  " + p.add);
        if (!p.comment.empty())
            t.Text("  " + p.comment);
    }
    if (change)
        t.Pair(u8"СДАЧА", "=" + AmountText(change));
    t.Pair(u8"ДАТА", Readable(when));
    t.Pair(u8"ККТ", s.serial);
    t.Pair(u8"РН ККТ", s.regNumber);
    t.Pair(u8"ИНН", s.inn);
    t.Pair(u8"ФН", s.fnNumber);
    t.Pair(u8"ФД", std::to_string(mark.number));
    t.Pair(u8"ФП", std::to_string(mark.sign));
    for (const std::string &line : PrintedTail(s))
        t.Center(line);
    t.Rule();
    int copies = d.copies ? d.copies : 1;
    for (int i = 0; i < copies; ++i)
        io_.res.paper += t.Str();
}

uint8_t Receipt::Cancel()
{
    if (Count() < 2)
        return kErrFormat;
    if (!RealDateTime(Raw(1), Raw(2)))
        return kErrDateTime;
    if (uint8_t e = NeedDocument())
        return e;
    s.ClearDocument();
    ++s.shift.documents[2];
    Changed();
    if (!io_.paperOut) { // the cancel goes through without paper; only the tape misses it
        Tape t;
        t.Rule();
        t.Center(u8"ЧЕК АННУЛИРОВАН");
        t.Pair(u8"ДАТА", Readable(Raw(1) + Raw(2)));
        t.Rule();
        io_.res.paper += t.Str();
    }
    return 0;
}

// ---- the state file ----

std::string Str(const std::string &v) { return JsonString(v); }
std::string Num(int64_t v) { return std::to_string(v); }
std::string Amounts(const int64_t *v, int n)
{
    std::string o = "[";
    for (int i = 0; i < n; ++i)
        o += (i ? ", " : "") + JsonString(AmountText(v[i]));
    return o + "]";
}

} // namespace

FiscalMark FiscalizeReceipt(DriveState &s, const std::string &when, uint8_t type)
{
    MakeFiscalDocument(s, when, type, s.docType);
    FiscalMark m;
    m.number = s.lastDocument;
    m.sign = 0x10000000u + s.lastDocument;
    return m;
}

uint8_t ReceiptOpen(DriveCall &c) { return Receipt(c).Open(); }
uint8_t ReceiptAddItem(DriveCall &c) { return Receipt(c).AddItem(); }
uint8_t ReceiptSubtotal(DriveCall &c) { return Receipt(c).Subtotal(); }
uint8_t ReceiptAddPayment(DriveCall &c) { return Receipt(c).AddPayment(); }
uint8_t ReceiptClose(DriveCall &c) { return Receipt(c).Close(); }
uint8_t ReceiptCancel(DriveCall &c) { return Receipt(c).Cancel(); }
uint8_t ReceiptPrintText(DriveCall &c) { return Receipt(c).PrintText(); }
uint8_t ReceiptAddTag(DriveCall &c) { return Receipt(c).AddTag(); }

std::string ReceiptToJson(const DriveState &s)
{
    const ReceiptDoc &d = s.receipt;
    const ReceiptTotals &t = s.receiptTotals;
    std::string o = "{\n    \"type\": " + Num(d.type) + ",\n    \"copies\": " + Num(d.copies) +
                    ",\n    \"tax_mode\": " + Num(d.taxMode) + ",\n    \"operator_inn\": " + Str(d.operatorInn) +
                    ",\n    \"table\": " + Str(d.table) + ",\n    \"place\": " + Str(d.place) +
                    ",\n    \"account\": " + Str(d.account) + ",\n    \"tags\": " + Str(d.tags) +
                    ",\n    \"doc_tags\": [";
    for (size_t i = 0; i < d.docTags.size(); ++i)
        o += (i ? ", " : "") + Str(d.docTags[i]);
    o += "],\n    \"payments\": [";
    for (size_t i = 0; i < d.payments.size(); ++i) {
        const ReceiptPayment &p = d.payments[i];
        o += std::string(i ? "," : "") + "\n      {\"type\": " + Num(p.type) + ", \"amount\": " +
             Str(AmountText(p.amount)) + ", \"add\": " + Str(p.add) + ", \"comment\": " + Str(p.comment) + "}";
    }
    o += "],\n    \"items\": [";
    for (size_t i = 0; i < s.items.size(); ++i) {
        const ReceiptItemData &x = s.items[i].extra;
        o += std::string(i ? "," : "") + "\n      {\"code\": " + Str(x.code) + ", \"quantity\": " +
             Str(x.quantityText) + ", \"unit\": " + Str(x.unit) + ", \"department\": " + Num(x.department) +
             ", \"tax\": " + Num(x.tax) + ", \"method\": " + Num(x.method) + ", \"object\": " + Num(x.object) +
             ", \"agent\": " + Num(x.agent) + ", \"department_name\": " + Str(x.departmentName) +
             ", \"tags\": " + Str(x.tags) + ", \"mark_code\": " + Str(x.markCode) + "}";
    }
    o += "],\n    \"corrections\": " + Amounts(t.corrections, 4) +
         ",\n    \"running_corrections\": " + Amounts(t.runningCorrections, 4) +
         ",\n    \"not_printed\": " + Num(t.notPrinted) + "\n  }";
    return o;
}

bool ReceiptFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member) {
        // a file of the former shape: the open receipt's type from its
        // operation, nothing else
        static const uint8_t kTypes[5] = {0, kReceiptIncome, kReceiptIncomeReturn, kReceiptExpense,
                                          kReceiptExpenseReturn};
        s.receipt = ReceiptDoc();
        s.receipt.type = s.docType <= 4 ? kTypes[s.docType] : 0;
        return true;
    }
    const JsonValue &v = *member;
    if (v.type != JsonValue::Object) {
        why = "bad member \"receipt\"";
        return false;
    }
    ReceiptDoc d;
    ReceiptTotals t;
    MemberReader r(v, why);
    if (!r.Int("type", d.type, 0, 255) || (d.type & 0x70) || OperationOf(d.type & 0x7F) < 0) {
        if (why.empty())
            why = "bad member \"type\"";
        return false;
    }
    if (!r.Int("copies", d.copies, 0, 255) ||
        !r.Int("tax_mode", d.taxMode, 0, 255) || !r.Text("operator_inn", d.operatorInn) ||
        !r.Text("table", d.table) || !r.Text("place", d.place) ||
        !r.Text("account", d.account) || !r.Text("tags", d.tags) ||
        // a tag: its number and its text of one frame field
        !r.Texts("doc_tags", d.docTags, kMaxTags, 3 * 4096 + 16) ||
        !r.Amounts("corrections", t.corrections, 4) ||
        !r.Amounts("running_corrections", t.runningCorrections, 4) ||
        !r.Int("not_printed", t.notPrinted, 0, 0xFFFFFFFFll))
        return false;
    if (const JsonValue *pays = v.Find("payments")) {
        if (pays->type != JsonValue::Array || pays->items.size() > kMaxLines) {
            why = "bad member \"payments\"";
            return false;
        }
        for (const JsonValue &pv : pays->items) {
            ReceiptPayment p;
    MemberReader pr(pv, why);
            const JsonValue *a = pv.Find("amount");
            if (!pr.Int("type", p.type, 0, 255) || !pr.Text("add", p.add) ||
                !pr.Text("comment", p.comment))
                return false;
            if (!a || a->type != JsonValue::String || !ParseAmount(a->text, p.amount) || p.amount < 0) {
                why = "bad member \"amount\"";
                return false;
            }
            d.payments.push_back(p);
        }
    }
    std::vector<ReceiptItemData> extras;
    if (const JsonValue *items = v.Find("items")) {
        if (items->type != JsonValue::Array || items->items.size() > kMaxItems) {
            why = "bad member \"items\"";
            return false;
        }
        for (const JsonValue &iv : items->items) {
            ReceiptItemData x;
            MemberReader ir(iv, why);
            if (!ir.Text("code", x.code) || !ir.Text("quantity", x.quantityText) ||
                !ir.Text("unit", x.unit) || !ir.Int("department", x.department, 0, 255) ||
                !ir.Int("tax", x.tax, 0, 255) || !ir.Int("method", x.method, 0, 255) ||
                !ir.Int("object", x.object, 0, 255) || !ir.Int("agent", x.agent, 0, 255) ||
                !ir.Text("department_name", x.departmentName) || !ir.Text("tags", x.tags) ||
                !ir.Text("mark_code", x.markCode))
                return false;
            extras.push_back(x);
        }
    }
    // the extra data belongs to the goods lines read before it, line by line
    for (size_t i = 0; i < s.items.size() && i < extras.size(); ++i)
        s.items[i].extra = extras[i];
    s.receipt = d;
    s.receiptTotals = t;
    return true;
}

} // namespace kktsim
