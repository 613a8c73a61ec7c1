// The fiscal-drive model: commands, refusals, counters and the tape.
//
// Every Russian text here is a u8 literal: the stand-in keeps UTF-8 (its
// files are for people) and converts to CP866 only inside frames.

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"

#include "KktDriveHost.h"
#include "KktDriveRegistration.h"
#include "KktDriveSettings.h"
#include "KktJson.h"
#include "KktText.h"

#include <cstdio>
#include <ctime>

namespace kktsim {

namespace {

const char *const kPaymentNames[5] = {u8"НАЛИЧНЫМИ", u8"БЕЗНАЛИЧНЫМИ", u8"ПРЕДВАРИТЕЛЬНАЯ ОПЛАТА (АВАНС)",
                                      u8"ПОСЛЕДУЮЩАЯ ОПЛАТА (КРЕДИТ)", u8"ИНАЯ ФОРМА ОПЛАТЫ"};
const char *const kReceiptNames[4] = {u8"ПРИХОД", u8"ВОЗВРАТ ПРИХОДА", u8"РАСХОД", u8"ВОЗВРАТ РАСХОДА"};

using wire::HexB;
using wire::HexD;
using wire::HexW;
using wire::ReadHexLE;
using wire::Readable;

// The tape as a person sees it: lines of the drive's width.
using Tape = wire::Paper;

} // namespace

int64_t Counters::OperationTotal(int op) const
{
    int64_t t = 0;
    for (int p = 0; p < kPaymentTypes; ++p)
        t += sums[op][p];
    return t;
}

int64_t DriveState::DocTotal() const
{
    int64_t t = 0;
    for (const ReceiptItem &i : items)
        t += i.sum;
    return t;
}

int64_t DriveState::Paid() const
{
    int64_t t = 0;
    for (int64_t p : payments)
        t += p;
    return t;
}

void DriveState::ClearDocument()
{
    docType = 0;
    items.clear();
    docLines.clear();
    for (int64_t &p : payments)
        p = 0;
    receipt = ReceiptDoc();
}

uint8_t DriveState::FatalStatus() const
{
    return static_cast<uint8_t>((Registered() ? kFatalRegistered : 0) | (fatalExtra & ~kFatalRegistered));
}

uint16_t DriveState::CurrentStatus(bool session) const
{
    return static_cast<uint16_t>((shiftOpen ? kStatusShiftOpen : 0) | (session ? kStatusSession : 0) |
                                 (docType & kStatusDocumentMask) | (marking.selfCheck ? kStatusSelfCheck : 0));
}

namespace {

// The handling of one command, with the drive and the request at hand.
class Command {
public:
    explicit Command(DriveCall &c) : s(c.s), drive(c.drive), f(c), paperOut_(c.paperOut), rep_(c.rep), res_(c.res) {}

    // Refusal helpers: each returns the error or 0.
    uint8_t NeedFields(size_t n) const { return f.Count() < n ? kErrFormat : 0; }
    uint8_t NeedDateTime() const
    {
        if (f.Count() < 2)
            return kErrFormat;
        return wire::RealDateTime(f.Raw(1), f.Raw(2)) ? 0 : kErrDateTime;
    }
    uint8_t NeedRegistered() const { return s.Registered() ? 0 : kErrNotRegistered; }
    uint8_t NeedNoDocument() const { return s.docType ? kErrDocState : 0; }
    uint8_t NeedDocument() const { return s.docType ? 0 : kErrDocState; }
    uint8_t NeedShift() const { return s.shiftOpen ? 0 : kErrShiftClosed; }
    // The checks of a fiscal command outside any document, in the order its
    // refusals take precedence: date and time, n fields, registered, no
    // document open.
    uint8_t NeedIdle(size_t n) const
    {
        if (uint8_t e = NeedDateTime())
            return e;
        if (uint8_t e = NeedFields(n))
            return e;
        if (uint8_t e = NeedRegistered())
            return e;
        return NeedNoDocument();
    }
    // The same with the shift open.
    uint8_t NeedShiftIdle(size_t n) const
    {
        if (uint8_t e = NeedIdle(n))
            return e;
        return NeedShift();
    }
    // Field 1 as a payment type: an unreadable field or a type past the
    // last refused.
    uint8_t PaymentIndex(uint32_t &p) const
    {
        if (!ReadHexLE(f.Raw(1), 1, p))
            return kErrField;
        return p < kPaymentTypes ? 0 : kErrPaymentIndex;
    }
    // Field k's operator name (the text before '|').
    std::string Operator(size_t k) const
    {
        std::string oper = f.Text(k);
        return oper.substr(0, oper.find('|'));
    }
    // The printer: paper out, or not yet told to go on after it was out.
    uint8_t NeedPaper()
    {
        if (paperOut_ || (s.resumeNeeded && !(s.workModes & 0x10))) {
            if (!s.resumeNeeded) {
                s.resumeNeeded = true;
                res_.changed = true;
            }
            return kErrNoPaper;
        }
        return 0;
    }
    std::string When() const { return f.Raw(1) + f.Raw(2); }
    void Data(const std::string &utf8) { rep_.data.push_back(Utf8ToCp866(utf8)); }
    void Paper(const Tape &t) { res_.paper += t.Str(); }
    // Every fiscal document goes through here: counted and archived.
    void FiscalDocument(const std::string &when, uint8_t type, uint8_t operation = 0)
    {
        MakeFiscalDocument(s, when, type, operation);
    }
    void CountDocument(int which)
    {
        ++s.shift.documents[0];
        if (which > 0)
            ++s.shift.documents[which];
    }
    void Head(Tape &t, const std::string &title)
    {
        t.Rule();
        t.Center(s.user);
        t.Center(s.address);
        for (const std::string &line : PrintedHead(s))
            t.Center(line);
        t.Center(title);
    }
    void Foot(Tape &t, const std::string &when, bool fiscal)
    {
        t.Pair(u8"ДАТА", Readable(when));
        t.Pair(u8"ККТ", s.serial);
        t.Pair(u8"РН ККТ", s.regNumber);
        t.Pair(u8"ИНН", s.inn);
        if (fiscal) {
            t.Pair(u8"ФН", s.fnNumber);
            t.Pair(u8"ФД", std::to_string(s.lastDocument));
        }
        for (const std::string &line : PrintedTail(s))
            t.Center(line);
        t.Rule();
    }
    void ShiftTotals(Tape &t)
    {
        for (int op = 0; op < 4; ++op) {
            t.Pair(kReceiptNames[op], AmountText(s.shift.OperationTotal(op)));
            for (int p = 0; p < 5; ++p)
                if (s.shift.sums[op][p])
                    t.Pair(std::string("  ") + kPaymentNames[p], AmountText(s.shift.sums[op][p]));
        }
        t.Pair(u8"ВНЕСЕНИЙ", AmountText(s.shift.deposits));
        t.Pair(u8"ВЫПЛАТ", AmountText(s.shift.withdrawals));
        t.Pair(u8"НАЛИЧНЫХ В КАССЕ", AmountText(s.drawer));
        t.Pair(u8"ЧЕКОВ ЗА СМЕНУ", std::to_string(s.receipts));
    }

    uint8_t FnStatus();
    uint8_t KktInfo();
    uint8_t StartSession();
    uint8_t OpenShift();
    uint8_t ShiftState();
    uint8_t Register();
    uint8_t Resume();
    uint8_t ShiftReport();
    uint8_t CloseShift();
    uint8_t Cash(bool in);
    uint8_t MoneyTotals();
    uint8_t PaymentTotals();
    uint8_t ShiftTotals();
    uint8_t DocCounters();
    uint8_t WorkModes();
    uint8_t RegParam();
    uint8_t RegTotals();
    uint8_t WaitingDocuments()
    {
        Data(HexW(s.ofdWaiting));
        return 0;
    }
    uint8_t SerialNumber()
    {
        Data(s.serial);
        return 0;
    }

private:
    DriveState &s;
    Drive &drive;
    const DriveCall &f;
    bool paperOut_;
    Reply &rep_;
    DriveResult &res_;
};

uint8_t Command::FnStatus()
{
    uint8_t open = s.docType ? s.docType : 0;
    Data(HexB(s.phase));                           // 5 life phase
    Data(HexB(open));                              // 6 current document
    Data(HexB(s.items.empty() ? 0 : 1));           // 7 document data received
    Data(HexB(s.shiftOpen ? 1 : 0));               // 8 shift state
    Data(HexB(s.warnings));                        // 9 warnings
    Data(s.lastDocumentTime);                      // 10 DDMMYYHHMM
    Data(s.fnNumber);                              // 11
    Data(HexD(s.lastDocument));                    // 12
    Data(s.validUntil);                            // 13
    Data(s.fnVersion);                             // 14
    Data(HexB(static_cast<unsigned>(s.ffd << 1 | (s.keyFlags & 1)))); // 15
    Data(HexW(s.shiftNumber));                     // 16
    Data(HexW(s.receipts));                        // 17
    return 0;
}

uint8_t Command::KktInfo()
{
    Data(s.model);      // 5
    Data(s.controller); // 6
    Data(s.serial);     // 7
    Data(s.Registered() ? s.regNumber : std::string()); // 8
    Data(s.Registered() ? s.inn : std::string());       // 9
    Data(s.firmware);   // 10
    return 0;
}

uint8_t Command::StartSession()
{
    if (uint8_t e = NeedDateTime())
        return e;
    drive.session = true;
    return 0;
}

uint8_t Command::ShiftState()
{
    if (uint8_t e = NeedDateTime())
        return e;
    Data(HexB(s.reregistrationsLeft));
    Data(HexB(s.shiftOpen ? 1 : 0));
    Data(HexW(s.shiftNumber));
    Data(s.shiftOpened.size() == 10 ? s.shiftOpened.substr(0, 6) : std::string());
    Data(s.shiftOpened.size() == 10 ? s.shiftOpened.substr(6, 4) : std::string());
    return 0;
}

uint8_t Command::OpenShift()
{
    if (uint8_t e = NeedIdle(3))
        return e;
    if (s.shiftOpen)
        return kErrShiftOpen;
    if (uint8_t e = NeedPaper())
        return e;
    std::string when = When();
    s.shiftOpen = true;
    ++s.shiftNumber;
    s.shiftOpened = when;
    s.receipts = 0;
    s.shift = Counters();
    FiscalDocument(when, kDocShiftOpen);
    CountDocument(5);
    res_.changed = true;

    Tape t;
    Head(t, u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ");
    t.Pair(u8"СМЕНА", std::to_string(s.shiftNumber));
    t.Pair(u8"КАССИР", Operator(3));
    for (size_t k = 4; k <= 6; ++k)
        if (!f.Raw(k).empty())
            t.Text(f.Text(k));
    Foot(t, when, true);
    Paper(t);
    return 0;
}

uint8_t Command::Register()
{
    Registration r;
    if (uint8_t e = ReadRegistration(s, f.fields, r, res_.note))
        return e;
    if (uint8_t e = NeedPaper())
        return e;
    res_.paper += RegistrationDocument(s, r);
    res_.changed = true;
    return 0;
}








uint8_t Command::Resume()
{
    if (paperOut_)
        return kErrNoPaper;
    if (s.resumeNeeded) {
        s.resumeNeeded = false;
        res_.changed = true;
    }
    return 0;
}

uint8_t Command::ShiftReport()
{
    if (uint8_t e = NeedShiftIdle(0))
        return e;
    if (uint8_t e = NeedPaper())
        return e;
    CountDocument(5);
    res_.changed = true;
    Tape t;
    Head(t, u8"ОТЧЕТ БЕЗ ГАШЕНИЯ");
    t.Pair(u8"СМЕНА", std::to_string(s.shiftNumber));
    ShiftTotals(t);
    Foot(t, When(), false);
    Paper(t);
    return 0;
}

uint8_t Command::CloseShift()
{
    if (uint8_t e = NeedShiftIdle(3))
        return e;
    bool print = f.Raw(6) != "00";
    if (print)
        if (uint8_t e = NeedPaper())
            return e;
    std::string when = When();
    FiscalDocument(when, kDocShiftClose);
    CountDocument(5);
    s.shiftOpen = false;
    res_.changed = true;
    if (print) {
        Tape t;
        Head(t, u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ");
        t.Pair(u8"СМЕНА", std::to_string(s.shiftNumber));
        t.Pair(u8"КАССИР", Operator(3));
        ShiftTotals(t);
        t.Pair(u8"НЕПЕРЕДАННЫХ ФД", std::to_string(s.ofdWaiting));
        Foot(t, when, true);
        Paper(t);
    }
    return 0;
}

uint8_t Command::Cash(bool in)
{
    if (uint8_t e = NeedShiftIdle(3))
        return e;
    int64_t sum;
    if (!ParseAmount(f.Raw(3), sum))
        return kErrField;
    if (sum <= 0)
        return kErrNegativeSum;
    if (in && s.drawer + sum > kMaxAmount)
        return kErrOverflow;
    if (!in && sum > s.drawer)
        return kErrDrawer;
    if (uint8_t e = NeedPaper())
        return e;
    int64_t before = s.drawer;
    s.drawer = AddCapped(s.drawer, in ? sum : -sum);
    int64_t &moved = in ? s.shift.deposits : s.shift.withdrawals;
    moved = AddCapped(moved, sum);
    CountDocument(in ? 14 : 15);
    res_.changed = true;
    Tape t;
    Head(t, in ? u8"ВНЕСЕНИЕ" : u8"ВЫПЛАТА");
    t.Pair(u8"СМЕНА", std::to_string(s.shiftNumber));
    if (!f.Raw(4).empty())
        t.Pair(u8"КАССИР", f.Text(4));
    t.Pair(u8"СУММА", "=" + AmountText(sum));
    t.Pair(u8"НАЛИЧНЫХ В КАССЕ", "=" + AmountText(s.drawer));
    Foot(t, When(), false);
    Paper(t);
    Data(AmountText(before));
    Data(AmountText(s.drawer));
    return 0;
}

uint8_t Command::MoneyTotals()
{
    if (uint8_t e = NeedDateTime())
        return e;
    if (uint8_t e = NeedRegistered())
        return e;
    // cash, cashless, advance, credit, other (types 4 to 15 together)
    int64_t by[5][4] = {};
    for (int op = 0; op < 4; ++op)
        for (int p = 0; p < kPaymentTypes; ++p)
            by[p < 4 ? p : 4][op] += s.shift.sums[op][p];
    int64_t total[4] = {};
    for (int k = 0; k < 5; ++k)
        for (int op = 0; op < 4; ++op) {
            Data(AmountText(by[k][op]));
            total[op] += by[k][op];
        }
    for (int op = 0; op < 4; ++op)
        Data(AmountText(total[op]));
    Data(AmountText(s.shift.deposits));
    Data(AmountText(s.shift.withdrawals));
    Data(AmountText(s.drawer));
    return 0;
}

uint8_t Command::PaymentTotals()
{
    if (uint8_t e = NeedFields(1))
        return e;
    if (uint8_t e = NeedRegistered())
        return e;
    uint32_t p;
    if (uint8_t e = PaymentIndex(p))
        return e;
    for (int op = 0; op < 4; ++op)
        Data(AmountText(s.shift.sums[op][p]));
    return 0;
}

uint8_t Command::ShiftTotals()
{
    if (uint8_t e = NeedRegistered())
        return e;
    for (int op = 0; op < 4; ++op)
        Data(AmountText(s.shift.OperationTotal(op)));
    Data(AmountText(s.receiptTotals.corrections[0])); // corrections of income and of expense
    Data(AmountText(s.receiptTotals.corrections[2]));
    Data(AmountText(s.shift.deposits));
    Data(AmountText(s.shift.withdrawals));
    Data(AmountText(s.drawer));
    for (int op = 0; op < 4; ++op)
        Data(AmountText(s.running[op]));
    Data(AmountText(s.receiptTotals.runningCorrections[0]));
    Data(AmountText(s.receiptTotals.runningCorrections[2]));
    return 0;
}

uint8_t Command::DocCounters()
{
    if (uint8_t e = NeedRegistered())
        return e;
    for (uint16_t c : s.shift.documents)
        Data(HexW(c));
    return 0;
}

uint8_t Command::WorkModes()
{
    Data(HexW(s.workModes));
    Data(HexW(s.workParam2));
    Data(HexW(s.lineFeeds));
    Data(HexW(s.workParam3));
    return 0;
}

uint8_t Command::RegParam()
{
    if (uint8_t e = NeedFields(1))
        return e;
    uint32_t tag;
    if (!ReadHexLE(f.Raw(1), 2, tag))
        return kErrField;
    if (uint8_t e = NeedRegistered())
        return e;
    std::string value;
    if (RegistrationTag(s, static_cast<uint16_t>(tag), value)) {
        Data(value);
        return 0;
    }
    // The modes registered apart before FFD 1.2, for a drive the model did
    // not register itself: read from tag 1290's bits.
    switch (tag) {
    case 1207: Data(HexB(s.markingFlags & 0x40 ? 1 : 0)); return 0;
    case 1193: Data(HexB(s.markingFlags & 0x400 ? 1 : 0)); return 0;
    case 1126: Data(HexB(s.markingFlags & 0x800 ? 1 : 0)); return 0;
    case 1221: Data(HexB(s.markingFlags & 0x2 ? 1 : 0)); return 0;
    default: return kErrNoData;
    }
}

uint8_t Command::RegTotals()
{
    if (uint8_t e = NeedRegistered())
        return e;
    // W registration (0 the last, else counted from 1 in the archive), W
    // print flags: sent by newer controllers.
    std::string when = s.regTime;
    uint32_t document = s.regDocument;
    if (f.Count() >= 2) {
        uint32_t number, print;
        if (!ReadHexLE(f.Raw(1), 2, number) || !ReadHexLE(f.Raw(2), 2, print))
            return kErrField;
        std::vector<const ArchivedDocument *> regs;
        for (const ArchivedDocument &d : s.archive.documents)
            if (d.type == kDocRegistration || d.type == kDocReregistration)
                regs.push_back(&d);
        const ArchivedDocument *reg = nullptr;
        if (number > regs.size() && !(number <= 1 && regs.empty()))
            return kErrNoData;
        if (!regs.empty())
            reg = number ? regs[number - 1] : regs.back();
        if (reg) {
            when = reg->when;
            document = reg->number;
        }
        if (print) {
            if (uint8_t e = NeedPaper())
                return e;
            Tape t;
            t.Center(u8"КОПИЯ");
            if (reg && !reg->paper.empty()) {
                res_.paper += t.Str() + reg->paper;
            } else {
                Head(t, u8"ОТЧЕТ О РЕГИСТРАЦИИ");
                t.Pair(u8"СНО", HexB(s.taxSystems));
                Foot(t, when, false);
                Paper(t);
            }
        }
    }
    std::vector<std::string> fields = RegistrationTotals(s);
    fields[0] = when;                                       // 5
    fields[5] = HexD(document);                             // 10
    fields[6] = HexD(FiscalSign(kDocRegistration, document)); // 11 the fiscal sign
    for (const std::string &field : fields)
        Data(field);
    return 0;
}

} // namespace

uint8_t DriveStartSession(DriveCall &c) { return Command(c).StartSession(); }
uint8_t DriveOpenShift(DriveCall &c) { return Command(c).OpenShift(); }
uint8_t DriveShiftState(DriveCall &c) { return Command(c).ShiftState(); }
uint8_t DriveRegister(DriveCall &c) { return Command(c).Register(); }
uint8_t DriveResume(DriveCall &c) { return Command(c).Resume(); }
uint8_t DriveFnStatus(DriveCall &c) { return Command(c).FnStatus(); }
uint8_t DriveShiftReport(DriveCall &c) { return Command(c).ShiftReport(); }
uint8_t DriveCloseShift(DriveCall &c) { return Command(c).CloseShift(); }
uint8_t DriveCashIn(DriveCall &c) { return Command(c).Cash(true); }
uint8_t DriveCashOut(DriveCall &c) { return Command(c).Cash(false); }
uint8_t DriveMoneyTotals(DriveCall &c) { return Command(c).MoneyTotals(); }
uint8_t DrivePaymentTotals(DriveCall &c) { return Command(c).PaymentTotals(); }
uint8_t DriveShiftTotals(DriveCall &c) { return Command(c).ShiftTotals(); }
uint8_t DriveWaitingDocuments(DriveCall &c) { return Command(c).WaitingDocuments(); }
uint8_t DriveDocCounters(DriveCall &c) { return Command(c).DocCounters(); }
uint8_t DriveWorkModes(DriveCall &c) { return Command(c).WorkModes(); }
uint8_t DriveRegParam(DriveCall &c) { return Command(c).RegParam(); }
uint8_t DriveRegTotals(DriveCall &c) { return Command(c).RegTotals(); }
uint8_t DriveSerialNumber(DriveCall &c) { return Command(c).SerialNumber(); }
uint8_t DriveKktInfo(DriveCall &c) { return Command(c).KktInfo(); }
uint8_t DriveServiceMonitor(DriveCall &) { return 0; } // the stand-in then opens the monitor (KktDriveMonitor)

DriveResult Drive::Answer(const Request &req, bool paperOut, Reply &rep)
{
    DriveResult res;
    const DriveCommand *command = FindDriveCommand(req.code);
    if (!command)
        return res; // not the model's: the stand-in answers it
    res.answered = true;
    const std::vector<ArchivedDocument> &docs = state.archive.documents;
    uint32_t filed = docs.empty() ? 0 : docs.back().number;
    DriveCall call(*this, req, paperOut, rep, res);
    uint8_t error = command->handler(call);
    // A document the command made keeps what it printed.
    if (!error && !docs.empty() && docs.back().number != filed)
        ArchivePaper(state, res.paper);
    if (error) {
        rep.data.clear();
        res.paper.clear();
        char b[48];
        std::snprintf(b, sizeof b, "refused with error %02X", error);
        res.note = res.note.empty() ? std::string(b) : b + (": " + res.note);
    }
    if (!res.paper.empty())
        lastPaper = res.paper;
    rep.error = error;
    rep.detail = 0;
    rep.fatal = state.FatalStatus();
    rep.status = state.CurrentStatus(session);
    return res;
}

std::string Drive::Copy() const
{
    if (lastPaper.empty())
        return std::string();
    Tape t;
    t.Center(u8"КОПИЯ");
    return t.Str() + lastPaper;
}

// ---- the state file ----

namespace {

void Put(std::string &o, const char *key, const std::string &v, bool last = false)
{
    o += "  " + JsonString(key) + ": " + v + (last ? "\n" : ",\n");
}

std::string Str(const std::string &v)
{
    return JsonString(v);
}

std::string Num(int64_t v)
{
    return std::to_string(v);
}

std::string Bool(bool v)
{
    return v ? "true" : "false";
}

std::string Amounts(const int64_t *v, int n)
{
    std::string o = "[";
    for (int i = 0; i < n; ++i)
        o += (i ? ", " : "") + JsonString(AmountText(v[i]));
    return o + "]";
}

const char *const kOpKeys[4] = {"income", "income_return", "expense", "expense_return"};

// The state's sections beside the shift and the open document, in the
// order of their members in the state's JSON: how each is written and read
// back. A reader gets its member (null for a file without it, as one of an
// older shape) and names the first bad member in why.
struct StateSection {
    const char *member;
    std::string (*write)(const DriveState &s);
    bool (*read)(const JsonValue *member, DriveState &s, std::string &why);
};

// The printer's wait for 0x1D after the paper ran out.
std::string ResumeToJson(const DriveState &s)
{
    return Bool(s.resumeNeeded);
}

bool ResumeFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member)
        return true;
    if (member->type != JsonValue::Bool) {
        why = "bad member \"resume_needed\"";
        return false;
    }
    s.resumeNeeded = member->boolean;
    return true;
}

const std::vector<StateSection> &StateSections()
{
    static const std::vector<StateSection> sections = {
        {"receipt", ReceiptToJson, ReceiptFromJson},
        {"settings", SettingsToJson, SettingsFromJson},
        {"resume_needed", ResumeToJson, ResumeFromJson},
        {"marking", MarkingToJson, MarkingFromJson},
        {"ofd", OfdToJson, OfdFromJson},
        {"notify", NoticeToJson, NoticeFromJson},
        {"archive", [](const DriveState &s) { return ArchiveToJson(s.archive); },
         [](const JsonValue *m, DriveState &s, std::string &why) { return !m || ArchiveFromJson(*m, s.archive, why); }},
        {"keys", KeysToJson, KeysFromJson},
    };
    return sections;
}

} // namespace

std::string DriveState::ToJson() const
{
    std::string o = "{\n";
    Put(o, "phase", Num(phase));
    Put(o, "registered", Bool(Registered()));
    Put(o, "model", Str(model));
    Put(o, "controller", Str(controller));
    Put(o, "serial", Str(serial));
    Put(o, "fn_number", Str(fnNumber));
    Put(o, "firmware", Str(firmware));
    Put(o, "fn_version", Str(fnVersion));
    Put(o, "valid_until", Str(validUntil));
    Put(o, "reg_number", Str(regNumber));
    Put(o, "inn", Str(inn));
    Put(o, "user", Str(user));
    Put(o, "address", Str(address));
    Put(o, "reg_time", Str(regTime));
    Put(o, "reg_document", Num(regDocument));
    Put(o, "ffd", Num(ffd));
    Put(o, "tax_systems", Num(taxSystems));
    Put(o, "agents", Num(agents));
    Put(o, "marking_flags", Num(markingFlags));
    Put(o, "reg_flags", Num(regFlags));
    Put(o, "reregistrations_left", Num(reregistrationsLeft));
    Put(o, "work_modes", Num(workModes));
    Put(o, "work_param_2", Num(workParam2));
    Put(o, "line_feeds", Num(lineFeeds));
    Put(o, "work_param_3", Num(workParam3));
    Put(o, "warnings", Num(warnings));
    Put(o, "fatal_extra", Num(fatalExtra));
    Put(o, "key_flags", Num(keyFlags));
    Put(o, "last_document", Num(lastDocument));
    Put(o, "last_document_time", Str(lastDocumentTime));
    Put(o, "ofd_waiting", Num(ofdWaiting));
    Put(o, "notifications", Num(notifications));
    Put(o, "shift_open", Bool(shiftOpen));
    Put(o, "shift_number", Num(shiftNumber));
    Put(o, "shift_opened", Str(shiftOpened));
    Put(o, "receipts", Num(receipts));
    std::string c = "{\n";
    for (int op = 0; op < 4; ++op)
        c += "    " + JsonString(kOpKeys[op]) + ": " + Amounts(shift.sums[op], kPaymentTypes) + ",\n";
    c += "    \"deposits\": " + JsonString(AmountText(shift.deposits)) + ",\n";
    c += "    \"withdrawals\": " + JsonString(AmountText(shift.withdrawals)) + ",\n";
    c += "    \"documents\": [";
    for (int i = 0; i < 16; ++i)
        c += (i ? ", " : "") + Num(shift.documents[i]);
    c += "],\n    \"departments\": " + DepartmentTotalsToJson(shift.departments);
    c += "\n  }";
    Put(o, "counters", c);
    Put(o, "drawer", Str(AmountText(drawer)));
    Put(o, "running", Amounts(running, 4));
    std::string d = "{\n    \"type\": " + Num(docType) + ",\n    \"operator\": " + Str(docOperator) +
                    ",\n    \"total\": " + Str(AmountText(DocTotal())) + ",\n    \"items\": [";
    for (size_t i = 0; i < items.size(); ++i)
        d += std::string(i ? "," : "") + "\n      {\"name\": " + Str(items[i].name) +
             ", \"price\": " + Str(AmountText(items[i].price)) + ", \"quantity\": " +
             Str(QuantityText(items[i].quantity)) + ", \"sum\": " + Str(AmountText(items[i].sum)) + "}";
    d += "],\n    \"lines\": [";
    for (size_t i = 0; i < docLines.size(); ++i)
        d += (i ? ", " : "") + Str(docLines[i]);
    d += "],\n    \"payments\": " + Amounts(payments, kPaymentTypes) + "\n  }";
    Put(o, "document", d);
    o += RegistrationJson(*this);
    const std::vector<StateSection> &sections = StateSections();
    for (size_t i = 0; i < sections.size(); ++i)
        Put(o, sections[i].member, sections[i].write(*this), i + 1 == sections.size());
    return o + "}\n";
}

bool DriveState::FromJson(const std::string &text, std::string *error)
{
    JsonValue root;
    std::string why;
    if (!ParseJson(text, root, &why)) {
        if (error)
            *error = why;
        return false;
    }
    if (root.type != JsonValue::Object) {
        if (error)
            *error = "not a JSON object";
        return false;
    }
    DriveState n = *this;
    MemberReader r(root, why);
    r.Int("phase", n.phase, 0, 255);
    r.Text("model", n.model);
    r.Text("controller", n.controller);
    r.Text("serial", n.serial);
    r.Text("fn_number", n.fnNumber);
    r.Text("firmware", n.firmware);
    r.Text("fn_version", n.fnVersion);
    r.Text("valid_until", n.validUntil);
    r.Text("reg_number", n.regNumber);
    r.Text("inn", n.inn);
    r.Text("user", n.user);
    r.Text("address", n.address);
    r.Text("reg_time", n.regTime);
    r.Int("reg_document", n.regDocument, 0, 0xFFFFFFFFll);
    r.Int("ffd", n.ffd, 0, 255);
    r.Int("tax_systems", n.taxSystems, 0, 255);
    r.Int("agents", n.agents, 0, 255);
    r.Int("marking_flags", n.markingFlags, 0, 0xFFFFFFFFll);
    r.Int("reg_flags", n.regFlags, 0, 255);
    r.Int("reregistrations_left", n.reregistrationsLeft, 0, 255);
    r.Int("work_modes", n.workModes, 0, 0xFFFF);
    r.Int("work_param_2", n.workParam2, 0, 0xFFFF);
    r.Int("line_feeds", n.lineFeeds, 0, 0xFFFF);
    r.Int("work_param_3", n.workParam3, 0, 0xFFFF);
    r.Int("warnings", n.warnings, 0, 255);
    r.Int("fatal_extra", n.fatalExtra, 0, 255);
    r.Int("key_flags", n.keyFlags, 0, 255);
    r.Int("last_document", n.lastDocument, 0, 0xFFFFFFFFll);
    r.Text("last_document_time", n.lastDocumentTime);
    r.Int("ofd_waiting", n.ofdWaiting, 0, 0xFFFF);
    r.Int("notifications", n.notifications, 0, 0xFFFF);
    r.Flag("shift_open", n.shiftOpen);
    r.Int("shift_number", n.shiftNumber, 0, 0xFFFF);
    r.Text("shift_opened", n.shiftOpened);
    r.Int("receipts", n.receipts, 0, 0xFFFF);
    r.Amount("drawer", n.drawer);
    r.Amounts("running", n.running, 4);
    RegistrationFromJson(root, n, why);
    if (const JsonValue *c = root.Find("counters")) {
        MemberReader cr(*c, why);
        for (int op = 0; op < 4; ++op)
            cr.Amounts(kOpKeys[op], n.shift.sums[op], kPaymentTypes);
        cr.Amount("deposits", n.shift.deposits);
        cr.Amount("withdrawals", n.shift.withdrawals);
        if (const JsonValue *deps = c->Find("departments"))
            if (why.empty())
                DepartmentTotalsFromJson(*deps, n.shift.departments, why);
        if (const JsonValue *docs = c->Find("documents")) {
            if (docs->type != JsonValue::Array || docs->items.size() != 16)
                cr.Bad("documents");
            else
                for (int i = 0; i < 16; ++i) {
                    const JsonValue &v = docs->items[i];
                    if (v.type != JsonValue::Number || v.number < 0 || v.number > 0xFFFF)
                        cr.Bad("documents");
                    else
                        n.shift.documents[i] = static_cast<uint16_t>(v.number);
                }
        }
    }
    if (const JsonValue *d = root.Find("document")) {
        MemberReader dr(*d, why);
        dr.Int("type", n.docType, 0, 4);
        dr.Text("operator", n.docOperator);
        dr.Amounts("payments", n.payments, kPaymentTypes);
        if (const JsonValue *items = d->Find("items")) {
            n.items.clear();
            if (items->type != JsonValue::Array || items->items.size() > 1000)
                dr.Bad("items");
            else
                for (const JsonValue &iv : items->items) {
                    ReceiptItem it;
                    MemberReader ir(iv, why);
                    ir.Text("name", it.name);
                    ir.Amount("price", it.price);
                    ir.Amount("sum", it.sum);
                    const JsonValue *q = iv.Find("quantity");
                    if (!q || q->type != JsonValue::String || !ParseQuantity(q->text, it.quantity))
                        ir.Bad("quantity");
                    if (it.price < 0 || it.price > kMaxAmount || it.sum < 0 || it.sum > kMaxAmount)
                        ir.Bad("items");
                    n.items.push_back(it);
                }
        }
        if (const JsonValue *lines = d->Find("lines")) {
            n.docLines.clear();
            if (lines->type != JsonValue::Array || lines->items.size() > 1000)
                dr.Bad("lines");
            else
                for (const JsonValue &lv : lines->items) {
                    if (lv.type != JsonValue::String)
                        dr.Bad("lines");
                    n.docLines.push_back(lv.text);
                }
        }
    }
    for (const StateSection &section : StateSections())
        if (why.empty())
            section.read(root.Find(section.member), n, why);
    if (!why.empty()) {
        if (error)
            *error = why;
        return false;
    }
    *this = n;
    return true;
}

} // namespace kktsim
