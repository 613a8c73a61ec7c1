// The document archive: filing the model's fiscal documents, reading them
// back (0x8B), the OFD's side of them (0x3A, 0x3B), the drive's
// closing (0x8D), the drive's error text (0x2A), the notification counts
// (0x80) and the payment report (0x50 to 0x52).
#include "KktDriveArchive.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktFrame.h"
#include "KktJson.h"
#include "KktText.h"

namespace kktsim {

using wire::Decimal;

using namespace wire;

namespace {

const char *TypeName(uint8_t type)
{
    switch (type) {
    case kDocRegistration: return u8"ОТЧЕТ О РЕГИСТРАЦИИ";
    case kDocReregistration: return u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ";
    case kDocShiftOpen: return u8"ОТЧЕТ ОБ ОТКРЫТИИ СМЕНЫ";
    case kDocReceipt: return u8"КАССОВЫЙ ЧЕК";
    case kDocCorrection: return u8"ЧЕК КОРРЕКЦИИ";
    case kDocShiftClose: return u8"ОТЧЕТ О ЗАКРЫТИИ СМЕНЫ";
    case kDocDriveClose: return u8"ОТЧЕТ О ЗАКРЫТИИ ФН";
    default: return u8"ДОКУМЕНТ";
    }
}

// The handling of one archive command.
class ArchiveCommand {
public:
    explicit ArchiveCommand(DriveCall &c) : s(c.s), a(c.s.archive), c_(c) {}

    void Data(const std::string &utf8) { c_.rep.data.push_back(Utf8ToCp866(utf8)); }
    bool NoPaper() { return ArchivePaperRefused(s, c_.paperOut, c_.res); }

    uint8_t Document();
    uint8_t CloseDrive();
    uint8_t Ticket();
    uint8_t Unsent();
    uint8_t ReportBegin();
    uint8_t ReportLine();
    uint8_t ReportEnd();
    uint8_t Errors()
    {
        Data(a.fnErrors);
        return 0;
    }

private:

    // The date of the first document still waiting for the OFD.
    std::string FirstUnsentWhen() const
    {
        if (!s.ofdWaiting || s.lastDocument < s.ofdWaiting)
            return std::string();
        const ArchivedDocument *d = a.Find(s.lastDocument - s.ofdWaiting + 1);
        return d ? d->when : std::string();
    }

    DriveState &s;
    DriveArchive &a;
    DriveCall &c_;
};

// 0x8B D number, B mode: 0 and 1 the document, 2 printed, 5 its OFD
// receipt printed, 3 starts and 4 continues the reading of its fields.
uint8_t ArchiveCommand::Document()
{
    uint32_t number, mode;
    if (c_.fields.size() < 2)
        return kErrFormat;
    if (!ReadHexLE(c_.Raw(1), 4, number) || !ReadHexLE(c_.Raw(2), 1, mode))
        return kErrField;
    const ArchivedDocument *d = a.Find(number);
    if (!d)
        return kErrNoData;
    if (mode == 4) {
        if (a.reading != number || a.readingField >= d->fields.size()) {
            a.reading = 0;
            return kErrNoData;
        }
        Data(d->fields[a.readingField++]);
        return 0;
    }
    if (mode > 5)
        return kErrField;
    bool acknowledged = AcknowledgedByOfd(s, number);
    if (mode == 2 || mode == 5) {
        if (NoPaper())
            return kErrNoPaper;
        Paper p;
        if (mode == 2) {
            p.Center(u8"КОПИЯ");
            p.Raw(d->paper.empty() ? std::string(TypeName(d->type)) + "\n" : d->paper);
        } else {
            p.Rule();
            p.Center(u8"КВИТАНЦИЯ ОФД");
            p.Pair(u8"ФД", std::to_string(d->number));
            p.Text(acknowledged ? u8"ПОДТВЕРЖДЕНИЕ ПОЛУЧЕНО" : u8"ПОДТВЕРЖДЕНИЕ НЕ ПОЛУЧЕНО");
            p.Rule();
        }
        c_.res.paper += p.Str();
    }
    if (mode == 3) {
        a.reading = number;
        a.readingField = 0;
    }
    Data(HexB(d->type));
    Data(HexB(acknowledged ? 1 : 0));
    if (mode == 2)
        return 0;
    Data(d->when);
    Data(HexD(d->number));
    Data(HexD(d->sign));
    Data(HexB(d->operation));
    return 0;
}

// 0x8D DN TN S operator[|INN] B print: the end of the drive's fiscal mode.
uint8_t ArchiveCommand::CloseDrive()
{
    if (c_.fields.size() < 2)
        return kErrFormat;
    if (!Digits(c_.Raw(1), 6) || !Digits(c_.Raw(2), 4))
        return kErrDateTime;
    if (c_.fields.size() < 3)
        return kErrFormat;
    if (!s.Registered())
        return kErrNotRegistered;
    if (s.docType)
        return kErrDocState;
    if (s.shiftOpen)
        return kErrCloseShift;
    bool print = c_.Raw(4) != "00";
    if (print && NoPaper())
        return kErrNoPaper;
    std::string when = c_.Raw(1) + c_.Raw(2);
    MakeFiscalDocument(s, when, kDocDriveClose);
    s.phase = kPhaseClosed;
    c_.res.changed = true;
    if (print) {
        std::string oper = Cp866ToUtf8(c_.Raw(3));
        Paper p;
        p.Rule();
        p.Center(s.user);
        p.Center(TypeName(kDocDriveClose));
        p.Pair(u8"КАССИР", oper.substr(0, oper.find('|')));
        p.Pair(u8"ДАТА", when.substr(0, 2) + "." + when.substr(2, 2) + "." + when.substr(4, 2) + " " +
                             when.substr(6, 2) + ":" + when.substr(8, 2));
        p.Pair(u8"РН ККТ", s.regNumber);
        p.Pair(u8"ИНН", s.inn);
        p.Pair(u8"ФН", s.fnNumber);
        p.Pair(u8"ФД", std::to_string(s.lastDocument));
        p.Pair(u8"ФП", std::to_string(FiscalSign(kDocDriveClose, s.lastDocument)));
        p.Pair(u8"НЕПЕРЕДАННЫХ ФД", std::to_string(s.ofdWaiting));
        p.Rule();
        c_.res.paper += p.Str();
    }
    Data(HexD(s.lastDocument));
    Data(HexD(FiscalSign(kDocDriveClose, s.lastDocument)));
    return 0;
}

// 0x3A D number, B print: the OFD's ticket of an acknowledged document.
uint8_t ArchiveCommand::Ticket()
{
    uint32_t number, print = 0;
    if (c_.fields.empty())
        return kErrFormat;
    if (!ReadHexLE(c_.Raw(1), 4, number) || (c_.fields.size() > 1 && !ReadHexLE(c_.Raw(2), 1, print)))
        return kErrField;
    const ArchivedDocument *d = a.Find(number);
    if (!d || !AcknowledgedByOfd(s, number))
        return kErrNoData;
    char sign[32];
    snprintf(sign, sizeof sign, "%08X%08X", 0x4F464400u | (d->type & 0xFF), d->sign);
    if (print) {
        if (NoPaper())
            return kErrNoPaper;
        Paper p;
        p.Rule();
        p.Center(u8"КВИТАНЦИЯ ОФД");
        p.Pair(u8"ФД", std::to_string(d->number));
        p.Text(sign);
        p.Rule();
        c_.res.paper += p.Str();
    }
    Data(d->when);
    Data(HexD(d->number));
    Data(sign);
    return 0;
}

// 0x3B: the last document, its sign, the unsent count and the first
// unsent one's date.
uint8_t ArchiveCommand::Unsent()
{
    const ArchivedDocument *last = a.Find(s.lastDocument);
    Data(HexD(s.lastDocument));
    Data(HexD(last ? last->sign : 0));
    Data(HexD(s.ofdWaiting));
    Data(FirstUnsentWhen());
    return 0;
}

uint8_t ArchiveCommand::ReportBegin()
{
    if (c_.fields.size() < 2)
        return kErrFormat;
    if (!Digits(c_.Raw(1), 6) || !Digits(c_.Raw(2), 4))
        return kErrDateTime;
    if (s.docType)
        return kErrDocState;
    a.reportOpen = true;
    a.reportLines.clear();
    return 0;
}

uint8_t ArchiveCommand::ReportLine()
{
    if (!a.reportOpen)
        return kErrDocState;
    if (c_.fields.empty())
        return kErrFormat;
    if (a.reportLines.size() >= 1000)
        return kErrItems;
    a.reportLines.push_back(Cp866ToUtf8(c_.Raw(1)));
    return 0;
}

uint8_t ArchiveCommand::ReportEnd()
{
    if (!a.reportOpen)
        return kErrDocState;
    if (NoPaper())
        return kErrNoPaper;
    Paper p;
    p.Rule();
    for (const std::string &l : a.reportLines)
        p.Text(l);
    p.Rule();
    c_.res.paper += p.Str();
    a.reportOpen = false;
    a.reportLines.clear();
    return 0;
}

} // namespace

const ArchivedDocument *DriveArchive::Find(uint32_t number) const
{
    for (const ArchivedDocument &d : documents)
        if (d.number == number)
            return &d;
    return nullptr;
}

uint32_t FiscalSign(uint8_t type, uint32_t number)
{
    return (type == kDocReceipt || type == kDocCorrection ? 0x10000000u : 0x20000000u) + number;
}

bool AcknowledgedByOfd(const DriveState &s, uint32_t number)
{
    return number + s.ofdWaiting <= s.lastDocument;
}

void MakeFiscalDocument(DriveState &s, const std::string &when, uint8_t type, uint8_t operation)
{
    ++s.lastDocument;
    s.lastDocumentTime = when;
    OfdDocumentMade(s); // waits for the OFD with its body

    ArchivedDocument d;
    d.number = s.lastDocument;
    d.type = type;
    d.operation = operation;
    d.shift = s.shiftNumber;
    d.when = when;
    d.sign = FiscalSign(type, d.number);
    d.fields = {
        std::string("1000: ") + TypeName(type),
        "1012: " + when,
        "1040: " + std::to_string(d.number),
        "1077: " + std::to_string(d.sign),
        "1038: " + std::to_string(d.shift),
        "1018: " + s.inn,
        "1037: " + s.regNumber,
        "1041: " + s.fnNumber,
    };
    if (operation)
        d.fields.push_back("1054: " + std::to_string(operation));
    // Numbers rise; one that wrapped round is counted but not filed.
    std::vector<ArchivedDocument> &docs = s.archive.documents;
    if (d.number == 0 || (!docs.empty() && d.number <= docs.back().number))
        return;
    if (docs.size() >= kArchiveMax)
        docs.erase(docs.begin(), docs.begin() + static_cast<long>(docs.size() - kArchiveMax + 1));
    docs.push_back(d);
}

void ArchivePaper(DriveState &s, const std::string &paper)
{
    if (s.archive.documents.empty())
        return;
    std::string &kept = s.archive.documents.back().paper;
    if (paper.size() <= kArchivePaperMax) {
        kept = paper;
        return;
    }
    size_t cut = paper.rfind('\n', kArchivePaperMax - 4);
    kept = paper.substr(0, cut == std::string::npos ? 0 : cut + 1) + "...\n";
}

bool ArchivePaperRefused(DriveState &s, bool paperOut, DriveResult &res)
{
    if (paperOut || (s.resumeNeeded && !(s.workModes & 0x10))) {
        if (!s.resumeNeeded) {
            s.resumeNeeded = true;
            res.changed = true;
        }
        return true;
    }
    return false;
}

uint8_t ArchiveDocument(DriveCall &c) { return ArchiveCommand(c).Document(); }
uint8_t ArchiveCloseDrive(DriveCall &c) { return ArchiveCommand(c).CloseDrive(); }
uint8_t ArchiveTicket(DriveCall &c) { return ArchiveCommand(c).Ticket(); }
uint8_t ArchiveUnsent(DriveCall &c) { return ArchiveCommand(c).Unsent(); }
uint8_t ArchiveErrors(DriveCall &c) { return ArchiveCommand(c).Errors(); }
uint8_t ArchiveReportBegin(DriveCall &c) { return ArchiveCommand(c).ReportBegin(); }
uint8_t ArchiveReportLine(DriveCall &c) { return ArchiveCommand(c).ReportLine(); }
uint8_t ArchiveReportEnd(DriveCall &c) { return ArchiveCommand(c).ReportEnd(); }

// ---- scenario statements ----

bool ArchiveStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why)
{
    DriveArchive &a = s.archive;
    uint32_t v;
    if (name == "journal-pages" || name == "journal-failed") {
        uint32_t max = name == "journal-pages" ? 0xFFFFFFFFu : 0xFFFF;
        if (!Decimal(value, max, v)) {
            why = "drive " + name + " needs a number up to " + std::to_string(max);
            return true;
        }
        if (name == "journal-pages")
            a.journalPages = v;
        else
            a.journalFailed = static_cast<uint16_t>(v);
        return true;
    }
    if (name == "fn-errors") {
        if (value.empty() || value.size() > 256)
            why = "drive fn-errors needs a text of 1 to 256 characters";
        else
            a.fnErrors = value;
        return true;
    }
    if (name == "document") {
        std::string type = value.substr(0, value.find(' '));
        std::string when = value.size() > type.size() ? value.substr(type.size() + 1) : s.lastDocumentTime;
        static const struct {
            const char *name;
            uint8_t type, operation;
        } kinds[] = {{"registration", kDocRegistration, 0}, {"shift-open", kDocShiftOpen, 0},
                     {"receipt", kDocReceipt, 1},           {"refund", kDocReceipt, 2},
                     {"shift-close", kDocShiftClose, 0}};
        for (const auto &k : kinds) {
            if (type != k.name)
                continue;
            if (!Digits(when, 10) || !RealDateTime(when.substr(0, 6), when.substr(6, 4))) {
                why = "drive document needs its time as DDMMYYHHMM";
                return true;
            }
            if (k.type == kDocShiftOpen) {
                ++s.shiftNumber;
                s.shiftOpen = true;
                s.shiftOpened = when;
            } else if (k.type == kDocShiftClose) {
                s.shiftOpen = false;
            }
            MakeFiscalDocument(s, when, k.type, k.operation);
            a.documents.back().paper = std::string(TypeName(k.type)) + "\n" + u8"ФД " +
                                       std::to_string(s.lastDocument) + "\n";
            return true;
        }
        why = "drive document is registration, shift-open, receipt, refund or shift-close";
        return true;
    }
    return false;
}

// ---- the state file ----

namespace {

void PutText(std::string &o, const char *key, const std::string &v) { o += JsonString(key) + ": " + JsonString(v); }

} // namespace

std::string ArchiveToJson(const DriveArchive &a)
{
    std::string o = "{\n    \"journal_from\": " + std::to_string(a.journalFrom) +
                    ",\n    \"journal_pages\": " + std::to_string(a.journalPages) +
                    ",\n    \"journal_failed\": " + std::to_string(a.journalFailed) + ",\n    ";
    PutText(o, "fn_errors", a.fnErrors);
    o += ",\n    \"key_state\": " + std::to_string(a.keyState) + ",\n    \"key_date\": " + std::to_string(a.keyDate) +
         ",\n    \"documents\": [";
    for (size_t i = 0; i < a.documents.size(); ++i) {
        const ArchivedDocument &d = a.documents[i];
        o += std::string(i ? "," : "") + "\n      {\"number\": " + std::to_string(d.number) +
             ", \"type\": " + std::to_string(d.type) + ", \"operation\": " + std::to_string(d.operation) +
             ", \"shift\": " + std::to_string(d.shift) + ", ";
        PutText(o, "when", d.when);
        o += ", \"sign\": " + std::to_string(d.sign) + ", ";
        PutText(o, "paper", d.paper);
        o += ", \"fields\": [";
        for (size_t k = 0; k < d.fields.size(); ++k)
            o += (k ? ", " : "") + JsonString(d.fields[k]);
        o += "]}";
    }
    return o + "]\n  }";
}

bool ArchiveFromJson(const JsonValue &v, DriveArchive &out, std::string &why)
{
    if (v.type != JsonValue::Object) {
        why = "bad member \"archive\"";
        return false;
    }
    DriveArchive a;
    MemberReader r(v, why);
    if (!r.Int("journal_from", a.journalFrom, 0, 0xFFFFFFFFll) ||
        !r.Int("journal_pages", a.journalPages, 0, 0xFFFFFFFFll) ||
        !r.Int("journal_failed", a.journalFailed, 0, 0xFFFF) ||
        !r.Text("fn_errors", a.fnErrors, 3 * 4096) || !r.Int("key_state", a.keyState, 0, 255) ||
        !r.Int("key_date", a.keyDate, 0, 0xFFFF))
        return false;
    if (const JsonValue *docs = v.Find("documents")) {
        if (docs->type != JsonValue::Array || docs->items.size() > 100000) {
            why = "bad member \"documents\"";
            return false;
        }
        for (const JsonValue &dv : docs->items) {
            ArchivedDocument d;
    MemberReader dr(dv, why);
            // A document is known by its number: it must be there.
            if (dv.type != JsonValue::Object || !dv.Find("number") ||
                !dr.Int("number", d.number, 1, 0xFFFFFFFFll) ||
                !dr.Int("type", d.type, 0, 255) || !dr.Int("operation", d.operation, 0, 255) ||
                !dr.Int("shift", d.shift, 0, 0xFFFF) || !dr.Text("when", d.when, 10) ||
                !dr.Int("sign", d.sign, 0, 0xFFFFFFFFll) || !dr.Text("paper", d.paper, 1 << 16)) {
                if (why.empty())
                    why = "bad member \"documents\"";
                return false;
            }
            if (const JsonValue *fv = dv.Find("fields")) {
                if (fv->type != JsonValue::Array || fv->items.size() > 1000) {
                    why = "bad member \"fields\"";
                    return false;
                }
                for (const JsonValue &f : fv->items) {
                    if (f.type != JsonValue::String || f.text.size() > 4 * 4096 + 64) {
                        why = "bad member \"fields\"";
                        return false;
                    }
                    d.fields.push_back(f.text);
                }
            }
            if (!a.documents.empty() && d.number <= a.documents.back().number) {
                why = "archive documents out of order";
                return false;
            }
            a.documents.push_back(d);
        }
    }
    out = a;
    return true;
}

} // namespace kktsim
