// The fiscal drive's marking notifications, their read-out for the marking
// system's server and their unload.

#include "KktDriveNotify.h"

#include "KktDrive.h"
#include "KktDriveWire.h"
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

enum : uint8_t {
    kErrFormat = 0x01,    // a field is missing
    kErrField = 0x02,     // a field cannot be read, or a value not understood
    kErrNoNotice = 0x08,  // no notification waits
    kErrState = 0x0D,     // the command does not fit the read's state
    kErrNoneLeft = 0x78,  // 120: nothing left to acknowledge
    kErrReceipt = 0x90,   // the receipt names another notification
};

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

bool DecodeHex(const std::string &f, std::string &out)
{
    if (f.size() % 2 != 0)
        return false;
    out.clear();
    for (size_t i = 0; i < f.size(); i += 2) {
        int hi = wire::HexDigit(f[i]), lo = wire::HexDigit(f[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

std::string FnField(const std::string &fn)
{
    std::string f = fn.substr(0, 16);
    f.resize(16, ' ');
    return f;
}

void Refuse(DriveResult &res, uint8_t &error, uint8_t code, const std::string &why)
{
    error = code;
    res.note = why;
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

bool NoticeCommand(DriveState &s, const Request &req, Reply &rep, DriveResult &res, uint8_t &error)
{
    const uint8_t code = req.code;
    if (code != 0x27 && code != 0x28 && (code < 0x2C || code > 0x2F) && code != 0x80 && code != 0x87 &&
        code != 0x89 && code != 0x8A)
        return false;
    res.answered = true;
    error = 0;
    NoticeSync(s);
    NotifyDriveState &n = s.notify;
    auto data = [&](const std::string &text) { rep.data.push_back(text); };
    Notice *waiting = FirstAt(n, NoticeStage::Waiting);
    auto changed = [&]() {
        res.changed = true;
        s.notifications = CountAt(n, NoticeStage::Waiting);
    };
    switch (code) {
    case 0x27: // state of the exchange: reading, waiting, the first one's number, its time, 0
        data(HexB(n.reading || n.readDone ? 1 : 0));
        data(HexW(CountAt(n, NoticeStage::Waiting)));
        data(HexD(waiting ? waiting->number : 0));
        data(waiting ? s.lastDocumentTime : std::string());
        data(HexB(0));
        return true;
    case 0x28:
        if (!waiting) {
            Refuse(res, error, kErrNoNotice, "no notification waits");
            return true;
        }
        n.reading = true;
        n.readDone = false;
        res.changed = true;
        data(HexW(static_cast<uint16_t>(waiting->body.size())));
        return true;
    case 0x2C:
    case 0x89: {
        const char *name = code == 0x2C ? "ReadNotifData" : "NotifRead";
        uint32_t offset = 0, length = 0;
        if (req.fields.size() < 2) {
            Refuse(res, error, kErrFormat, std::string(name) + " needs an offset and a length");
            return true;
        }
        if (!HexField(req, 1, 2, offset) || !HexField(req, 2, 2, length)) {
            Refuse(res, error, kErrField, std::string(name) + "'s offset or length cannot be read");
            return true;
        }
        const bool open = code == 0x2C ? n.reading : n.unloading;
        if (!open || !waiting) {
            Refuse(res, error, kErrState,
                   code == 0x2C ? "ReadNotifData before a read is open (0x28)"
                                : "NotifRead before the next notification is named (0x8A 0)");
            return true;
        }
        const std::string &body = waiting->body;
        if (length == 0 || length > kMaxPiece || offset + length > body.size()) {
            Refuse(res, error, kErrField,
                   std::string(name) + " of " + std::to_string(length) + " bytes at " + std::to_string(offset) +
                       " does not fit the " + std::to_string(body.size()) + "-byte notification (at most 256 a piece)");
            return true;
        }
        data(HexOf(reinterpret_cast<const uint8_t *>(body.data()) + offset, length));
        return true;
    }
    case 0x2D:
        if (n.reading || n.readDone)
            res.changed = true;
        n.reading = false;
        n.readDone = false;
        return true;
    case 0x2E:
        if (!n.reading) {
            Refuse(res, error, kErrState, "Cmd_EndReadNotif before a read is open (0x28)");
            return true;
        }
        n.reading = false;
        n.readDone = true;
        res.changed = true;
        return true;
    case 0x2F: {
        if (!n.readDone || !waiting) {
            Refuse(res, error, kErrState, "a receipt before a notification was read (0x28-0x2E)");
            return true;
        }
        std::string r;
        if (req.fields.empty() || !DecodeHex(req.fields[0], r) || r.size() < kNoticeReceiptSize ||
            r.compare(4, 4, "NTFR") != 0 ||
            static_cast<size_t>(static_cast<uint8_t>(r[0]) | static_cast<uint8_t>(r[1]) << 8) != r.size()) {
            Refuse(res, error, kErrField, "the receipt is not one of the marking system's");
            return true;
        }
        const uint32_t number = Dword(r, 8);
        const std::string fn = r.substr(12, 16);
        if (number != waiting->number || fn != FnField(s.fnNumber)) {
            Refuse(res, error, kErrReceipt,
                   "the receipt names notification " + std::to_string(number) + ", not the one read (" +
                       std::to_string(waiting->number) + ")");
            return true;
        }
        for (auto it = n.list.begin(); it != n.list.end(); ++it)
            if (&*it == waiting) {
                n.list.erase(it);
                break;
            }
        n.readDone = false;
        changed();
        return true;
    }
    case 0x80: { // count: waiting, the first waiting one's number, acknowledged not confirmed
        data(HexW(CountAt(n, NoticeStage::Waiting)));
        data(HexD(waiting ? waiting->number : 0));
        data(HexW(CountAt(n, NoticeStage::Acknowledged)));
        return true;
    }
    case 0x8A: {
        uint32_t step = 0;
        if (!HexField(req, 1, 1, step) || step > 1) {
            Refuse(res, error, kErrField, "NotifStep takes 0 or 1");
            return true;
        }
        if (!waiting) {
            n.unloading = false;
            Refuse(res, error, kErrNoneLeft, "no notification left to unload");
            return true;
        }
        if (step == 0) {
            n.unloading = true;
            res.changed = true;
            data(HexW(static_cast<uint16_t>(waiting->body.size())));
            return true;
        }
        if (!n.unloading) {
            Refuse(res, error, kErrState, "an acknowledgement before the notification was named (0x8A 0)");
            return true;
        }
        waiting->stage = NoticeStage::Acknowledged;
        n.unloading = false;
        changed();
        return true;
    }
    case 0x87: {
        uint32_t sub = 0, value = 0, crc = 0;
        if (!HexField(req, 1, 1, sub) || sub > 1 || !HexField(req, 2, 4, value) || !HexField(req, 3, 2, crc)) {
            Refuse(res, error, kErrField, "Command87 takes a sub-command 0 or 1, a value and a CRC");
            return true;
        }
        Notice *next = FirstAt(n, NoticeStage::Acknowledged);
        if (sub == 0) {
            data(HexW(CountAt(n, NoticeStage::Acknowledged)));
            data(HexD(next ? next->number : 0));
            return true;
        }
        if (!next) {
            Refuse(res, error, kErrNoNotice, "no notification awaits confirmation");
            return true;
        }
        if (value != next->number || crc != NoticeCrc(next->body)) {
            char b[96];
            std::snprintf(b, sizeof b, "confirmation %u/%04X does not match notification %u/%04X",
                          static_cast<unsigned>(value), static_cast<unsigned>(crc),
                          static_cast<unsigned>(next->number), static_cast<unsigned>(NoticeCrc(next->body)));
            Refuse(res, error, kErrField, b);
            return true;
        }
        next->stage = NoticeStage::Confirmed;
        changed();
        return true;
    }
    default:
        return true;
    }
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

bool NoticeFromJson(const std::string &text, DriveState &s, std::string &why)
{
    jsonl::Json root;
    if (!jsonl::Parse(text, &root) || !root.is_object())
        return true; // the caller's reader reports what is wrong with the file
    auto it = root.find("notify");
    if (it == root.end()) {
        NoticeSync(s);
        return true;
    }
    const jsonl::Json &o = *it;
    NotifyDriveState n;
    auto bad = [&](const std::string &member) {
        if (why.empty())
            why = "notify." + member;
        return false;
    };
    auto number = [&](const jsonl::Json &obj, const char *name, uint32_t max, auto &out) {
        auto m = obj.find(name);
        if (m == obj.end())
            return true;
        if (!m->is_number_unsigned() || m->get<uint64_t>() > max)
            return bad(name);
        out = static_cast<std::remove_reference_t<decltype(out)>>(m->get<uint64_t>());
        return true;
    };
    auto flag = [&](const char *name, bool &out) {
        auto m = o.find(name);
        if (m == o.end())
            return true;
        if (!m->is_boolean())
            return bad(name);
        out = m->get<bool>();
        return true;
    };
    if (!o.is_object())
        return bad("");
    if (auto l = o.find("list"); l != o.end()) {
        if (!l->is_array() || l->size() > 0x20000)
            return bad("list");
        for (const jsonl::Json &e : *l) {
            Notice x;
            if (!e.is_object() || !number(e, "number", 0xFFFFFFFFu, x.number))
                return bad("list");
            auto st = e.find("stage");
            std::string stage = st != e.end() && st->is_string() ? st->get<std::string>() : "";
            if (stage == "waiting")
                x.stage = NoticeStage::Waiting;
            else if (stage == "acknowledged")
                x.stage = NoticeStage::Acknowledged;
            else if (stage == "confirmed")
                x.stage = NoticeStage::Confirmed;
            else
                return bad("list.stage");
            auto b = e.find("body");
            if (b == e.end() || !b->is_string() || !DecodeHex(b->get<std::string>(), x.body) || x.body.empty() ||
                x.body.size() > kMaxBody)
                return bad("list.body");
            n.list.push_back(x);
        }
    }
    if (!number(o, "last_number", 0xFFFFFFFFu, n.lastNumber) || !number(o, "size", 0xFFFF, n.size) ||
        !flag("reading", n.reading) || !flag("read_done", n.readDone) || !flag("unloading", n.unloading))
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
