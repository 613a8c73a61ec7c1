// Marked goods in the fiscal-drive model (see KktDriveMarking.h).

#include "KktDriveMarking.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveRegistration.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

namespace kktsim {

namespace {

const size_t kMaxCode = 200;     // bytes of one code
const size_t kMaxKept = 100;     // codes the drive keeps checked
const size_t kMaxAnswer = 1024;  // bytes of a server's answer

using wire::HexB;
using wire::HexDigit;

using wire::Hex;
using wire::Unhex;

bool ReadByte(const std::string &field, uint8_t &out)
{
    uint32_t v;
    if (!wire::ReadHexLE(field, 1, v))
        return false;
    out = static_cast<uint8_t>(v);
    return true;
}

const char *StepName(uint8_t step)
{
    switch (step) {
    case MarkCheck::kCode: return "0x26";
    case MarkCheck::kRequest: return "0x24";
    case MarkCheck::kAnswer: return "0x25";
    default: return "no check";
    }
}

class Marking {
public:
    Marking(DriveState &s, const Request &req, Reply &rep, DriveResult &res)
        : s(s), m(s.marking), f(req.fields), rep(rep), res(res)
    {
    }

    uint8_t Status();
    uint8_t Code();      // 0x26
    uint8_t CheckRequest(); // 0x24
    uint8_t CheckAnswer();  // 0x25
    uint8_t Save();      // 0x22
    uint8_t Reset();     // 0x23
    uint8_t ItemCode();  // 0x21

    // The refusal of a command out of order, with its reason.
    uint8_t OutOfOrder(const std::string &why)
    {
        res.note = why;
        return kErrMarkOrder;
    }
    uint8_t NeedMarking()
    {
        if (MarkingOn(s))
            return 0;
        res.note = "marking is off (FFD 1.2 and tag 1290 bit 0x100 needed)";
        return kErrMarkingOff;
    }
    const std::string &Raw(size_t k) const
    {
        static const std::string empty;
        return k >= 1 && k <= f.size() ? f[k - 1] : empty;
    }
    void Data(const std::string &field) { rep.data.push_back(field); }

private:
    DriveState &s;
    MarkingDriveState &m;
    const std::vector<std::string> &f;
    Reply &rep;
    DriveResult &res;
};

uint8_t Marking::Status()
{
    std::vector<std::string> fields = MarkStatusFields(s);
    if (!fields.empty())
        fields[0] = HexB(m.check.step);
    if (fields.size() > 1)
        fields[1] = HexB(static_cast<unsigned>(m.kept.size()));
    for (const std::string &field : fields)
        Data(field);
    return 0;
}

uint8_t Marking::Code()
{
    if (uint8_t e = NeedMarking())
        return e;
    if (f.size() < 2)
        return kErrFormat;
    uint8_t kind, ai91 = 0, ai92 = 0;
    std::string code;
    if (!ReadByte(Raw(1), kind) || !Unhex(Raw(2), code) || (f.size() >= 3 && !ReadByte(Raw(3), ai91)) ||
        (f.size() >= 4 && !ReadByte(Raw(4), ai92)))
        return kErrField;
    if (code.empty() || code.size() > kMaxCode || ai91 > code.size() || ai92 > code.size()) {
        res.note = "a code of 1 to 200 bytes with offsets inside it needed";
        return kErrMarkValue;
    }
    if (m.check.step != MarkCheck::kNone)
        res.note = std::string("the unfinished check (after ") + StepName(m.check.step) + ") is dropped";
    m.check.step = MarkCheck::kCode;
    m.check.code = code;
    m.check.result = m.localResult;
    res.changed = true;
    Data(HexB(m.check.result));
    return 0;
}

uint8_t Marking::CheckRequest()
{
    if (uint8_t e = NeedMarking())
        return e;
    if (m.check.step != MarkCheck::kCode)
        return OutOfOrder(std::string("0x24 needs a code from 0x26 (now: ") + StepName(m.check.step) + ")");
    if (MarkingAutonomous(s))
        return OutOfOrder("an autonomous drive makes no check request");
    if (f.size() < 5)
        return kErrFormat;
    uint8_t planned, measure, self;
    if (!ReadByte(Raw(1), planned) || !ReadByte(Raw(2), measure) || !ReadByte(Raw(5), self))
        return kErrField;
    res.changed = true;
    if (m.selfCheck) {
        // the drive answers for the server: the code passes when its own
        // verdict was good
        const uint8_t good = 0x03;
        m.check.result = (m.localResult & good) == good ? 0x0F : static_cast<uint8_t>(m.localResult | 0x04);
        m.check.step = MarkCheck::kAnswer;
        Data(HexB(m.check.result));
        return 0;
    }
    m.check.step = MarkCheck::kRequest;
    Data(Hex("KMCHECK " + Hex(m.check.code) + "\n"));
    return 0;
}

uint8_t Marking::CheckAnswer()
{
    if (uint8_t e = NeedMarking())
        return e;
    if (m.check.step != MarkCheck::kRequest)
        return OutOfOrder(std::string("0x25 needs a check request from 0x24 (now: ") + StepName(m.check.step) + ")");
    if (f.size() < 1)
        return kErrFormat;
    std::string body;
    if (!Unhex(Raw(1), body))
        return kErrField;
    // "KMRESULT VERDICT CODE\n", zero bytes after it
    size_t end = body.find('\n');
    bool padded = end != std::string::npos && body.find_first_not_of('\0', end + 1) == std::string::npos;
    std::string line = padded ? body.substr(0, end) : std::string();
    const std::string magic = "KMRESULT ";
    size_t space = line.find(' ', magic.size());
    std::string verdict, code;
    if (body.size() > kMaxAnswer || line.compare(0, magic.size(), magic) != 0 || space == std::string::npos ||
        !Unhex(line.substr(space + 1), code)) {
        res.note = "the server's answer cannot be read";
        return kErrMarkValue;
    }
    verdict = line.substr(magic.size(), space - magic.size());
    if (verdict != "ACCEPT" && verdict != "REJECT" && verdict != "NONE") {
        res.note = "the server's answer has no verdict: " + verdict;
        return kErrMarkValue;
    }
    if (code != m.check.code) {
        res.note = "the server's answer names another code";
        return kErrOtherOne;
    }
    if (verdict != "NONE")
        m.check.result = static_cast<uint8_t>(m.localResult | 0x04 | (verdict == "ACCEPT" ? 0x08 : 0));
    m.check.step = MarkCheck::kAnswer;
    res.changed = true;
    Data(HexB(m.check.result));
    return 0;
}

uint8_t Marking::Save()
{
    if (uint8_t e = NeedMarking())
        return e;
    if (m.check.step == MarkCheck::kNone)
        return OutOfOrder("0x22 without a check under way");
    if (f.size() < 1)
        return kErrFormat;
    uint8_t keep;
    if (!ReadByte(Raw(1), keep))
        return kErrField;
    if (keep > 1)
        return kErrMarkValue;
    if (keep) {
        bool known = false;
        for (const std::string &c : m.kept)
            known = known || c == m.check.code;
        if (!known && m.kept.size() >= kMaxKept) {
            res.note = "the drive keeps at most 100 checked codes";
            return kErrMarkTableFull;
        }
        if (!known)
            m.kept.push_back(m.check.code);
    }
    uint8_t result = m.check.result;
    m.check = MarkCheck();
    res.changed = true;
    Data(HexB(result));
    return 0;
}

uint8_t Marking::Reset()
{
    if (uint8_t e = NeedMarking())
        return e;
    m.check = MarkCheck();
    m.kept.clear();
    m.pending.clear();
    res.changed = true;
    return 0;
}

uint8_t Marking::ItemCode()
{
    if (uint8_t e = NeedMarking())
        return e;
    if (!s.docType)
        return OutOfOrder("0x21 outside a receipt");
    if (!m.pending.empty())
        return OutOfOrder("a code already waits for its goods line (0x11)");
    if (f.size() < 8)
        return kErrFormat;
    uint32_t tag;
    std::string code;
    if (!wire::ReadHexLE(Raw(1), 2, tag) || !Unhex(Raw(2), code))
        return kErrField;
    for (size_t k = 3; k <= 8; ++k) {
        uint8_t b;
        if (!ReadByte(Raw(k), b))
            return kErrField;
    }
    if (tag < 1300 || tag > 1309 || code.empty() || code.size() > kMaxCode) {
        res.note = "a code tag of 1300 to 1309 and a code of 1 to 200 bytes needed";
        return kErrMarkValue;
    }
    m.pending = code;
    res.changed = true;
    return 0;
}

std::string CodesJson(const std::vector<std::string> &codes)
{
    std::string o = "[";
    for (size_t i = 0; i < codes.size(); ++i)
        o += (i ? ", " : "") + JsonString(Hex(codes[i]));
    return o + "]";
}

} // namespace

bool MarkingOn(const DriveState &s)
{
    return s.ffd >= 4 && (s.markingFlags & 0x100);
}

bool MarkingAutonomous(const DriveState &s)
{
    return (s.regFlags & 0x02) != 0;
}

namespace {

// A marking command that is refused changes nothing.
uint8_t RunMarking(DriveCall &c, uint8_t (Marking::*command)())
{
    Marking mk(c.s, c.req, c.rep, c.res);
    uint8_t error = (mk.*command)();
    if (error)
        c.res.changed = false;
    return error;
}

} // namespace

uint8_t MarkStatus(DriveCall &c) { return RunMarking(c, &Marking::Status); }
uint8_t MarkItemCode(DriveCall &c) { return RunMarking(c, &Marking::ItemCode); }
uint8_t MarkSave(DriveCall &c) { return RunMarking(c, &Marking::Save); }
uint8_t MarkReset(DriveCall &c) { return RunMarking(c, &Marking::Reset); }
uint8_t MarkCheckRequest(DriveCall &c) { return RunMarking(c, &Marking::CheckRequest); }
uint8_t MarkCheckAnswer(DriveCall &c) { return RunMarking(c, &Marking::CheckAnswer); }
uint8_t MarkCode(DriveCall &c) { return RunMarking(c, &Marking::Code); }

void MarkingAfterReceipt(DriveState &s, uint8_t code)
{
    MarkingDriveState &m = s.marking;
    if (code == 0x10 || code == 0x17) {
        m.pending.clear();
        m.receiptCodes.clear();
        return;
    }
    if (code != 0x11 || m.pending.empty() || s.items.empty())
        return;
    s.items.back().extra.markCode = MarkCodeReadable(m.pending);
    m.receiptCodes.push_back(m.pending);
    m.pending.clear();
}

std::string MarkCodeReadable(const std::string &code)
{
    std::string o;
    for (unsigned char c : code) {
        if (c == 0x1D) {
            o += "<GS>";
        } else if (c > 0x20 && c < 0x7F) {
            o += static_cast<char>(c);
        } else {
            char b[8];
            snprintf(b, sizeof b, "\\x%02X", c);
            o += b;
        }
    }
    return o;
}

bool MarkingStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why)
{
    if (name == "self-check") {
        if (value != "on" && value != "off")
            why = "drive self-check is on or off";
        else
            s.marking.selfCheck = value == "on";
        return true;
    }
    if (name == "mark-result") {
        uint8_t v;
        if (!ReadByte(value, v))
            why = "drive mark-result needs a byte in hex (2 digits, such as 03)";
        else
            s.marking.localResult = v;
        return true;
    }
    return false;
}

std::string MarkingToJson(const DriveState &s)
{
    const MarkingDriveState &m = s.marking;
    return "{\n    \"self_check\": " + std::string(m.selfCheck ? "true" : "false") +
           ",\n    \"local_result\": " + std::to_string(m.localResult) +
           ",\n    \"check\": {\"step\": " + std::to_string(m.check.step) + ", \"code\": " +
           JsonString(Hex(m.check.code)) + ", \"result\": " + std::to_string(m.check.result) + "}" +
           ",\n    \"kept\": " + CodesJson(m.kept) + ",\n    \"pending\": " + JsonString(Hex(m.pending)) +
           ",\n    \"receipt_codes\": " + CodesJson(m.receiptCodes) + "\n  }";
}

bool MarkingFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member)
        return true;
    auto bad = [&](const char *key) {
        why = std::string("bad member \"") + key + "\"";
        return false;
    };
    if (member->type != JsonValue::Object)
        return bad("marking");
    MarkingDriveState m;
    MemberReader r(*member, why);
    if (!r.Flag("self_check", m.selfCheck) || !r.Int("local_result", m.localResult, 0, 255))
        return false;
    if (const JsonValue *c = member->Find("check")) {
        const JsonValue *step = c->Find("step"), *code = c->Find("code"), *result = c->Find("result");
        if (c->type != JsonValue::Object || !step || step->type != JsonValue::Number || step->number < 0 ||
            step->number > MarkCheck::kAnswer || !code || code->type != JsonValue::String ||
            !Unhex(code->text, m.check.code) || m.check.code.size() > kMaxCode || !result ||
            result->type != JsonValue::Number || result->number < 0 || result->number > 255)
            return bad("check");
        m.check.step = static_cast<uint8_t>(step->number);
        m.check.result = static_cast<uint8_t>(result->number);
    }
    if (!r.Hex("pending", m.pending, kMaxCode))
        return false;
    if (!r.HexTexts("kept", m.kept, kMaxKept, kMaxCode) || !r.HexTexts("receipt_codes", m.receiptCodes, 1000, kMaxCode))
        return false;
    s.marking = m;
    return true;
}

} // namespace kktsim
