// The fiscal drive's marking notifications, their read-out for the marking
// system's server and their unload.

#include "KktDriveNotify.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

#include "JsonLines.h"

#include <cstdlib>
#include <ctime>
#include <sstream>

namespace kktsim {

namespace {

using wire::HexB;
using wire::HexD;
using wire::HexW;

const size_t kMaxBody = 0xFFFF;
const uint16_t kMaxPiece = 256;
const uint8_t kAutonomous = 0x02; // registration flag

void PutWord(std::string &o, uint16_t v)
{
    o += static_cast<char>(v & 0xFF);
    o += static_cast<char>(v >> 8);
}

void PutDword(std::string &o, uint32_t v)
{
    PutWord(o, static_cast<uint16_t>(v));
    PutWord(o, static_cast<uint16_t>(v >> 16));
}

uint32_t Dword(const std::string &b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

std::string FnField(const std::string &fn)
{
    std::string f = fn.substr(0, 16);
    f.resize(16, ' ');
    return f;
}

Notice *FirstAt(NotifyDriveState &n, NoticeStage stage)
{
    for (Notice &x : n.list)
        if (x.stage == stage)
            return &x;
    return nullptr;
}

uint16_t CountAt(const NotifyDriveState &n, NoticeStage stage)
{
    size_t c = 0;
    for (const Notice &x : n.list)
        c += x.stage == stage;
    return static_cast<uint16_t>(c > 0xFFFF ? 0xFFFF : c);
}

void Add(DriveState &s, const std::vector<std::string> &codes, size_t size)
{
    NotifyDriveState &n = s.notify;
    if (CountAt(n, NoticeStage::Waiting) >= 0xFFFF)
        return;
    Notice x;
    x.number = ++n.lastNumber;
    x.body = NoticeBody(s, x.number, codes, size);
    n.list.push_back(x);
    s.notifications = CountAt(n, NoticeStage::Waiting);
}

// The field as a little-endian hex number of bytes bytes.
bool HexField(const Request &req, size_t k, size_t bytes, uint32_t &out)
{
    return k >= 1 && k <= req.fields.size() && wire::ReadHexLE(req.fields[k - 1], bytes, out);
}

} // namespace

uint16_t NoticeCrc16(const std::string &data, uint16_t start)
{
    uint16_t crc = start;
    for (unsigned char c : data) {
        crc = static_cast<uint16_t>(crc ^ (c << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

uint16_t NoticeCrc(const std::string &body)
{
    uint16_t crc = NoticeCrc16(body.substr(0, 2));
    return body.size() > 4 ? NoticeCrc16(body.substr(4), crc) : crc;
}

std::string NoticeBody(const DriveState &s, uint32_t number, const std::vector<std::string> &codes, size_t size)
{
    std::string b;
    PutWord(b, 0);
    PutWord(b, 0);
    b += "NTFY";
    PutDword(b, number);
    b += FnField(s.fnNumber);
    PutDword(b, static_cast<uint32_t>(std::time(nullptr)));
    for (const std::string &c : codes)
        if (b.size() + c.size() + 1 <= kMaxBody)
            b += c + "\n";
    if (size > kMaxBody)
        size = kMaxBody;
    if (b.size() < size)
        b.resize(size, 'F');
    b[0] = static_cast<char>(b.size() & 0xFF);
    b[1] = static_cast<char>(b.size() >> 8);
    const uint16_t crc = NoticeCrc(b);
    b[2] = static_cast<char>(crc & 0xFF);
    b[3] = static_cast<char>(crc >> 8);
    return b;
}

std::string NoticeReceipt(uint32_t number, const std::string &fnNumber)
{
    std::string r;
    PutWord(r, static_cast<uint16_t>(kNoticeReceiptSize));
    PutWord(r, 0);
    r += "NTFR";
    PutDword(r, number);
    r += FnField(fnNumber);
    return r;
}

void NoticeReceiptClosed(DriveState &s, const std::vector<std::string> &codes)
{
    if (codes.empty() || (s.regFlags & kAutonomous))
        return;
    NoticeSync(s);
    Add(s, codes, s.notify.size);
}

uint16_t NoticesWaiting(const DriveState &s)
{
    return CountAt(s.notify, NoticeStage::Waiting);
}

void NoticeSync(DriveState &s)
{
    NotifyDriveState &n = s.notify;
    uint16_t waiting = CountAt(n, NoticeStage::Waiting);
    // Surplus waiting ones go oldest first; missing ones are made.
    for (auto it = n.list.begin(); waiting > s.notifications && it != n.list.end();) {
        if (it->stage == NoticeStage::Waiting) {
            it = n.list.erase(it);
            --waiting;
        } else {
            ++it;
        }
    }
    const uint16_t want = s.notifications;
    while (waiting < want) {
        Add(s, {}, n.size);
        ++waiting;
    }
    s.notifications = want;
    if (!n.list.empty() && n.lastNumber < n.list.back().number)
        n.lastNumber = n.list.back().number;
}

namespace {

// What every notification command starts from: the list made to match the
// waiting count, and the oldest waiting notification.
struct NoticeCall {
    explicit NoticeCall(DriveCall &call) : c(call), s(call.s), n(call.s.notify)
    {
        NoticeSync(s);
        waiting = FirstAt(n, NoticeStage::Waiting);
    }
    void Data(const std::string &text) { c.data.push_back(text); }
    // A notification changed its stage or left: the waiting count follows.
    void Changed()
    {
        c.res.changed = true;
        s.notifications = CountAt(n, NoticeStage::Waiting);
    }
    // The request's field k as a hex number of the given bytes.
    bool Hex(size_t k, size_t bytes, uint32_t &out) const { return HexField(c.req, k, bytes, out); }

    DriveCall &c;
    DriveState &s;
    NotifyDriveState &n;
    Notice *waiting = nullptr;
};

// A piece of the notification being read (0x2C) or unloaded (0x89):
// offset and length.
uint8_t NoticePiece(DriveCall &c, bool NotifyDriveState::*open, const char *outOfOrder)
{
    NoticeCall k(c);
    const std::string name = c.Name();
    uint32_t offset = 0, length = 0;
    if (c.fields.size() < 2)
        return c.Refuse(kErrFormat, name + " needs an offset and a length");
    if (!k.Hex(1, 2, offset) || !k.Hex(2, 2, length))
        return c.Refuse(kErrField, name + "'s offset or length cannot be read");
    if (!(k.n.*open) || !k.waiting)
        return c.Refuse(kErrDocState, name + outOfOrder);
    const std::string &body = k.waiting->body;
    if (length == 0 || length > kMaxPiece || offset + length > body.size())
        return c.Refuse(kErrField, name + " of " + std::to_string(length) + " bytes at " + std::to_string(offset) +
                                       " does not fit the " + std::to_string(body.size()) +
                                       "-byte notification (at most 256 a piece)");
    k.Data(HexOf(reinterpret_cast<const uint8_t *>(body.data()) + offset, length));
    return 0;
}

} // namespace

// State of the exchange: reading, waiting, the first one's number, its time, 0.
uint8_t NoticeState(DriveCall &c)
{
    NoticeCall k(c);
    k.Data(HexB(k.n.reading || k.n.readDone ? 1 : 0));
    k.Data(HexW(CountAt(k.n, NoticeStage::Waiting)));
    k.Data(HexD(k.waiting ? k.waiting->number : 0));
    k.Data(k.waiting ? c.s.lastDocumentTime : std::string());
    k.Data(HexB(0));
    return 0;
}

uint8_t NoticeStartRead(DriveCall &c)
{
    NoticeCall k(c);
    if (!k.waiting)
        return c.Refuse(kErrNothingWaits, "no notification waits");
    k.n.reading = true;
    k.n.readDone = false;
    c.res.changed = true;
    k.Data(HexW(static_cast<uint16_t>(k.waiting->body.size())));
    return 0;
}

uint8_t NoticeReadPiece(DriveCall &c)
{
    return NoticePiece(c, &NotifyDriveState::reading, " before a read is open (0x28)");
}

uint8_t NoticeCancelRead(DriveCall &c)
{
    NoticeCall k(c);
    if (k.n.reading || k.n.readDone)
        c.res.changed = true;
    k.n.reading = false;
    k.n.readDone = false;
    return 0;
}

uint8_t NoticeEndRead(DriveCall &c)
{
    NoticeCall k(c);
    if (!k.n.reading)
        return c.Refuse(kErrDocState, c.Name() + " before a read is open (0x28)");
    k.n.reading = false;
    k.n.readDone = true;
    c.res.changed = true;
    return 0;
}

// The server's receipt for the notification read: it leaves the list.
uint8_t NoticeReceipt(DriveCall &c)
{
    NoticeCall k(c);
    if (!k.n.readDone || !k.waiting)
        return c.Refuse(kErrDocState, "a receipt before a notification was read (0x28-0x2E)");
    std::string r;
    if (c.fields.empty() || !wire::Unhex(c.fields[0], r) || r.size() < kNoticeReceiptSize ||
        r.compare(4, 4, "NTFR") != 0 ||
        static_cast<size_t>(static_cast<uint8_t>(r[0]) | static_cast<uint8_t>(r[1]) << 8) != r.size())
        return c.Refuse(kErrField, "the receipt is not one of the marking system's");
    const uint32_t number = Dword(r, 8);
    const std::string fn = r.substr(12, 16);
    if (number != k.waiting->number || fn != FnField(c.s.fnNumber))
        return c.Refuse(kErrOtherOne, "the receipt names notification " + std::to_string(number) +
                                          ", not the one read (" + std::to_string(k.waiting->number) + ")");
    for (auto it = k.n.list.begin(); it != k.n.list.end(); ++it)
        if (&*it == k.waiting) {
            k.n.list.erase(it);
            break;
        }
    k.n.readDone = false;
    k.Changed();
    return 0;
}

// Counts: waiting, the first waiting one's number, acknowledged not confirmed.
uint8_t NoticeCounts(DriveCall &c)
{
    NoticeCall k(c);
    k.Data(HexW(CountAt(k.n, NoticeStage::Waiting)));
    k.Data(HexD(k.waiting ? k.waiting->number : 0));
    k.Data(HexW(CountAt(k.n, NoticeStage::Acknowledged)));
    return 0;
}

// Sub-command 0 lists the acknowledged ones to confirm; 1 confirms the next
// by its number and CRC.
uint8_t NoticeConfirm(DriveCall &c)
{
    NoticeCall k(c);
    uint32_t sub = 0, value = 0, crc = 0;
    if (!k.Hex(1, 1, sub) || sub > 1 || !k.Hex(2, 4, value) || !k.Hex(3, 2, crc))
        return c.Refuse(kErrField, c.Name() + " takes a sub-command 0 or 1, a value and a CRC");
    Notice *next = FirstAt(k.n, NoticeStage::Acknowledged);
    if (sub == 0) {
        k.Data(HexW(CountAt(k.n, NoticeStage::Acknowledged)));
        k.Data(HexD(next ? next->number : 0));
        return 0;
    }
    if (!next)
        return c.Refuse(kErrNothingWaits, "no notification awaits confirmation");
    if (value != next->number || crc != NoticeCrc(next->body)) {
        char b[96];
        std::snprintf(b, sizeof b, "confirmation %u/%04X does not match notification %u/%04X",
                      static_cast<unsigned>(value), static_cast<unsigned>(crc), static_cast<unsigned>(next->number),
                      static_cast<unsigned>(NoticeCrc(next->body)));
        return c.Refuse(kErrField, b);
    }
    next->stage = NoticeStage::Confirmed;
    k.Changed();
    return 0;
}

uint8_t NoticeUnloadPiece(DriveCall &c)
{
    return NoticePiece(c, &NotifyDriveState::unloading, " before the next notification is named (0x8A 0)");
}

// Step 0 names the oldest waiting one for the unload, 1 acknowledges it.
uint8_t NoticeStep(DriveCall &c)
{
    NoticeCall k(c);
    uint32_t step = 0;
    if (!k.Hex(1, 1, step) || step > 1)
        return c.Refuse(kErrField, c.Name() + " takes 0 or 1");
    if (!k.waiting) {
        k.n.unloading = false;
        return c.Refuse(kErrNoData, "no notification left to unload");
    }
    if (step == 0) {
        k.n.unloading = true;
        c.res.changed = true;
        k.Data(HexW(static_cast<uint16_t>(k.waiting->body.size())));
        return 0;
    }
    if (!k.n.unloading)
        return c.Refuse(kErrDocState, "an acknowledgement before the notification was named (0x8A 0)");
    k.waiting->stage = NoticeStage::Acknowledged;
    k.n.unloading = false;
    k.Changed();
    return 0;
}

namespace {

const char *StageName(NoticeStage s)
{
    return s == NoticeStage::Waiting ? "waiting" : s == NoticeStage::Acknowledged ? "acknowledged" : "confirmed";
}

} // namespace

std::string NoticeToJson(const DriveState &state)
{
    DriveState synced;
    const DriveState *from = &state;
    if (NoticesWaiting(state) != state.notifications) {
        synced = state;
        NoticeSync(synced);
        from = &synced;
    }
    const NotifyDriveState &n = from->notify;
    jsonl::Json list = jsonl::Json::array();
    for (const Notice &x : n.list)
        list.push_back({{"number", x.number}, {"stage", StageName(x.stage)}, {"body", jsonl::Hex(x.body)}});
    jsonl::Json j = {{"list", list},         {"last_number", n.lastNumber}, {"size", n.size},
                     {"reading", n.reading}, {"read_done", n.readDone},     {"unloading", n.unloading}};
    return jsonl::Dump(j);
}

bool NoticeFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member) {
        NoticeSync(s);
        return true;
    }
    MemberReader r(*member, why, "notify.", MemberReader::Bare);
    if (member->type != JsonValue::Object)
        return r.Bad("");
    NotifyDriveState n;
    if (const JsonValue *l = member->Find("list")) {
        if (l->type != JsonValue::Array || l->items.size() > 0x20000)
            return r.Bad("list");
        for (const JsonValue &e : l->items) {
            Notice x;
            MemberReader er(e, why, "notify.", MemberReader::Bare);
            if (e.type != JsonValue::Object || !er.Int("number", x.number, 0, 0xFFFFFFFFll))
                return r.Bad("list");
            const JsonValue *st = e.Find("stage");
            std::string stage = st && st->type == JsonValue::String ? st->text : "";
            if (stage == "waiting")
                x.stage = NoticeStage::Waiting;
            else if (stage == "acknowledged")
                x.stage = NoticeStage::Acknowledged;
            else if (stage == "confirmed")
                x.stage = NoticeStage::Confirmed;
            else
                return r.Bad("list.stage");
            const JsonValue *body = e.Find("body");
            if (!body || body->type != JsonValue::String || !wire::Unhex(body->text, x.body) || x.body.empty() ||
                x.body.size() > kMaxBody)
                return r.Bad("list.body");
            n.list.push_back(x);
        }
    }
    if (!r.Int("last_number", n.lastNumber, 0, 0xFFFFFFFFll) || !r.Int("size", n.size, 0, 0xFFFF) ||
        !r.Flag("reading", n.reading) || !r.Flag("read_done", n.readDone) || !r.Flag("unloading", n.unloading))
        return false;
    s.notify = n;
    s.notifications = CountAt(s.notify, NoticeStage::Waiting);
    if (!s.notify.list.empty() && s.notify.lastNumber < s.notify.list.back().number)
        s.notify.lastNumber = s.notify.list.back().number;
    return true;
}

bool NoticeDriveLine(const std::string &name, const std::string &value, DriveState &d, std::string &why, bool &known)
{
    known = name == "notify" || name == "notify-size";
    if (!known)
        return true;
    std::istringstream in(value);
    std::vector<unsigned long> sizes;
    for (std::string t; in >> t;) {
        if (t.size() > 5 || t.find_first_not_of("0123456789") != std::string::npos ||
            std::strtoul(t.c_str(), nullptr, 10) > kMaxBody) {
            why = "drive " + name + " needs sizes up to 65535, not \"" + t + "\"";
            return false;
        }
        sizes.push_back(std::strtoul(t.c_str(), nullptr, 10));
    }
    if (name == "notify-size") {
        if (sizes.size() != 1) {
            why = "drive notify-size needs one SIZE";
            return false;
        }
        d.notify.size = static_cast<uint16_t>(sizes[0]);
        return true;
    }
    if (sizes.empty() || sizes.size() > 1000) {
        why = "drive notify needs 1 to 1000 SIZEs";
        return false;
    }
    NoticeSync(d);
    for (unsigned long size : sizes)
        Add(d, {}, size);
    return true;
}

} // namespace kktsim
