// The fiscal drive's documents waiting for the OFD, their read-out and the
// OFD's answers.

#include "KktDriveOfd.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

#include "JsonLines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

namespace kktsim {

namespace {

using wire::HexB;
using wire::HexD;
using wire::HexW;
using wire::ReadHexLE;

const uint16_t kDocumentTag = 3; // a receipt's tag; the OFD takes the body as it is
const size_t kMessageHeader = 32;
const size_t kMaxBody = 0xFFFF;

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

void PutTag(std::string &o, uint16_t tag, const std::string &value)
{
    PutWord(o, tag);
    PutWord(o, static_cast<uint16_t>(value.size()));
    o += value;
}

} // namespace

std::string OfdDocumentBody(const DriveState &s, uint32_t number, size_t size)
{
    std::string tags;
    std::string number4;
    PutDword(number4, number);
    PutTag(tags, 1040, number4);
    std::string fn = s.fnNumber.substr(0, 16);
    fn.resize(16, ' ');
    PutTag(tags, 1041, fn);
    std::string when;
    PutDword(when, static_cast<uint32_t>(std::time(nullptr)));
    PutTag(tags, 1012, when);
    if (s.ofd.tag1209)
        PutTag(tags, 1209, std::string(1, static_cast<char>(s.ffd)));
    if (size > kMaxBody)
        size = kMaxBody;
    // Filler tags of at most 1000 bytes make the size exact; a size 1 to 3
    // bytes above the document's own cannot be met (a tag takes 4).
    for (;;) {
        size_t total = kMessageHeader + 4 + tags.size();
        if (size < total + 4)
            break;
        size_t chunk = size - total - 4;
        if (chunk > 1000) {
            chunk = 1000;
            size_t left = size - total - 4 - chunk;
            if (left > 0 && left < 4)
                chunk -= 4;
        }
        PutTag(tags, 1084, std::string(chunk, 'F'));
    }
    std::string body(kMessageHeader, '\0');
    body[0] = 'F';
    body[1] = 'N';
    for (int i = 0; i < 4; ++i)
        body[4 + i] = static_cast<char>(number >> (8 * i));
    PutWord(body, kDocumentTag);
    PutWord(body, static_cast<uint16_t>(tags.size()));
    body += tags;
    return body;
}

void OfdDocumentMade(DriveState &s)
{
    OfdSyncDocuments(s);
    if (s.ofd.documents.size() >= 0xFFFF)
        return;
    OfdDocument d;
    d.number = s.lastDocument;
    d.body = OfdDocumentBody(s, d.number, s.ofd.documentSize);
    s.ofd.documents.push_back(d);
    s.ofdWaiting = static_cast<uint16_t>(s.ofd.documents.size());
}

void OfdSyncDocuments(DriveState &s)
{
    auto &docs = s.ofd.documents;
    while (docs.size() > s.ofdWaiting)
        docs.erase(docs.begin());
    if (docs.size() == s.ofdWaiting)
        return;
    // The missing ones are the latest documents not in the list.
    std::vector<uint32_t> have;
    for (const OfdDocument &d : docs)
        have.push_back(d.number);
    for (uint32_t n = s.lastDocument; docs.size() < s.ofdWaiting; n = n > 0 ? n - 1 : 0) {
        if (n == 0 || std::find(have.begin(), have.end(), n) == have.end()) {
            OfdDocument d;
            d.number = n;
            d.body = OfdDocumentBody(s, n, s.ofd.documentSize);
            docs.push_back(d);
        }
    }
    std::stable_sort(docs.begin(), docs.end(),
                     [](const OfdDocument &a, const OfdDocument &b) { return a.number < b.number; });
}

namespace {

// The server a 0x66/0x67 index names: none or 00 the OFD, 01 the marking
// system's server, 02 the key service; null for anything else.
OfdServer *ServerOf(OfdDriveState &o, const std::string &index)
{
    if (index.empty() || index == "00")
        return &o.server;
    if (index == "01")
        return &o.oism;
    if (index == "02")
        return &o.keys;
    return nullptr;
}

} // namespace

namespace {

// The documents waiting as the waiting count says, before any command.
OfdDriveState &Synced(DriveState &s)
{
    OfdSyncDocuments(s);
    return s.ofd;
}

} // namespace

// Status (bit 0 connected, bit 1 a message waits, bit 2 a read open), read
// in progress, messages waiting, the first one's number and time (as filed
// in the archive).
uint8_t OfdStatus(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    uint8_t status =
        static_cast<uint8_t>((o.connected ? 0x01 : 0) | (o.documents.empty() ? 0 : 0x02) | (o.reading ? 0x04 : 0));
    c.data.push_back(HexB(status));
    c.data.push_back(HexB(o.reading ? 1 : 0));
    c.data.push_back(HexW(static_cast<uint16_t>(o.documents.size())));
    c.data.push_back(HexD(o.documents.empty() ? 0 : o.documents.front().number));
    std::string when = "0000000000";
    if (!o.documents.empty()) {
        const ArchivedDocument *d = c.s.archive.Find(o.documents.front().number);
        when = d ? d->when : c.s.lastDocumentTime;
    }
    c.data.push_back(when);
    return 0;
}

uint8_t OfdReadStart(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    if (o.documents.empty())
        return c.Refuse(kErrNothingWaits, "no document waits for the OFD");
    o.reading = true;
    o.readDone = false;
    c.res.changed = true;
    c.data.push_back(HexW(static_cast<uint16_t>(o.documents.front().body.size())));
    return 0;
}

// A piece of the oldest document: offset and length (W, W).
uint8_t OfdRead(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    const std::string name = c.Name();
    uint32_t offset = 0, length = 0;
    if (c.fields.size() < 2)
        return c.Refuse(kErrFormat, name + " needs an offset and a length");
    if (!ReadHexLE(c.Raw(1), 2, offset) || !ReadHexLE(c.Raw(2), 2, length))
        return c.Refuse(kErrField, name + "'s offset or length cannot be read");
    if (!o.reading || o.documents.empty())
        return c.Refuse(kErrNothingWaits, name + " without a read open (0x5A)");
    const std::string &body = o.documents.front().body;
    if (length == 0 || static_cast<size_t>(offset) + length > body.size())
        return c.Refuse(kErrField, name + " of " + std::to_string(length) + " bytes at " + std::to_string(offset) +
                                       " passes the " + std::to_string(body.size()) + "-byte document");
    c.data.push_back(HexOf(reinterpret_cast<const uint8_t *>(body.data()) + offset, length));
    return 0;
}

uint8_t OfdReadCancel(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    if (o.reading || o.readDone)
        c.res.changed = true;
    o.reading = false;
    o.readDone = false;
    return 0;
}

uint8_t OfdReadClose(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    if (!o.reading)
        return c.Refuse(kErrNothingWaits, c.Name() + " without a read open (0x5A)");
    o.reading = false;
    o.readDone = true;
    c.res.changed = true;
    return 0;
}

// The OFD's answer to the document read (hex): srvsim's acknowledgement
// removes it; its refusal is answered with the OFD's code and message.
uint8_t OfdAnswer(DriveCall &c)
{
    DriveState &s = c.s;
    OfdDriveState &o = Synced(s);
    const std::string name = c.Name();
    if (!o.readDone || o.documents.empty())
        return c.Refuse(kErrDocState, name + " without a document read (0x5A-0x5D)");
    std::string answer;
    if (c.fields.empty() || !wire::Unhex(c.Raw(1), answer) || answer.empty())
        return c.Refuse(kErrField, name + "'s answer is no hexadecimal data");
    std::string line = answer.substr(0, answer.find('\n'));
    std::istringstream in(line);
    std::string magic, kind;
    in >> magic >> kind;
    const OfdDocument &doc = o.documents.front();
    if (magic == "SRVSIM" && kind == "ACK") {
        std::string fn, number, more;
        in >> fn >> number;
        if (fn == s.fnNumber && number == std::to_string(doc.number) && !(in >> more)) {
            o.documents.erase(o.documents.begin());
            s.ofdWaiting = static_cast<uint16_t>(o.documents.size());
            o.readDone = false;
            c.res.changed = true;
            c.data.push_back(HexW(0));
            c.data.push_back("");
            return 0;
        }
        return c.Refuse(kErrField, "the acknowledgement names " + fn + " " + number + ", not the document read (" +
                                       s.fnNumber + " " + std::to_string(doc.number) + ")");
    }
    if (magic == "SRVSIM" && kind == "ERR") {
        std::string codeText;
        in >> codeText;
        char *end = nullptr;
        unsigned long code = std::strtoul(codeText.c_str(), &end, 10);
        if (!codeText.empty() && *end == '\0' && code > 0 && code <= 0xFFFF) {
            size_t at = line.find(codeText, 11) + codeText.size();
            std::string message = at < line.size() ? line.substr(at + 1) : std::string();
            c.data.push_back(HexW(static_cast<uint16_t>(code)));
            c.data.push_back(Utf8ToCp866(message));
            c.res.note = "the OFD refused document " + std::to_string(doc.number) + " with code " + codeText;
            return 0;
        }
    }
    return c.Refuse(kErrField, "the OFD's answer is not understood: " +
                                   HexOf(reinterpret_cast<const uint8_t *>(line.data()),
                                         line.size() > 32 ? 32 : line.size()));
}

uint8_t OfdConnection(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    if (c.fields.empty() || (c.Raw(1) != "00" && c.Raw(1) != "01"))
        return c.Refuse(kErrField, c.Name() + " needs 00 or 01");
    bool up = c.Raw(1) == "01";
    if (up != o.connected)
        c.res.changed = true;
    o.connected = up;
    return 0;
}

// Port, period, receive and send time-outs (words), host, and for the
// marking and key servers their index.
uint8_t OfdSetServer(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    const std::string name = c.Name();
    if (c.fields.size() != 5 && c.fields.size() != 6)
        return c.Refuse(kErrFormat, name + " needs port, period, time-outs, host and an optional index");
    uint32_t words[4] = {};
    for (size_t k = 0; k < 4; ++k)
        if (!ReadHexLE(c.Raw(k + 1), 2, words[k]))
            return c.Refuse(kErrField, name + " field " + std::to_string(k + 1) + " is not a word");
    std::string host = Cp866ToUtf8(c.Raw(5));
    if (c.Raw(5).size() > 255)
        return c.Refuse(kErrField, name + " host is longer than 255 characters");
    OfdServer *server = ServerOf(o, c.fields.size() == 6 ? c.Raw(6) : std::string());
    if (!server)
        return c.Refuse(kErrField, "server index " + c.Raw(6) + " is not known");
    server->port = static_cast<uint16_t>(words[0]);
    server->period = static_cast<uint16_t>(words[1]);
    server->recvTimeout = static_cast<uint16_t>(words[2]);
    server->sendTimeout = static_cast<uint16_t>(words[3]);
    server->host = host;
    c.res.changed = true;
    return 0;
}

uint8_t OfdGetServer(DriveCall &c)
{
    OfdDriveState &o = Synced(c.s);
    const OfdServer *server = ServerOf(o, c.fields.empty() ? std::string() : c.Raw(1));
    if (!server)
        return c.Refuse(kErrField, "server index " + c.Raw(1) + " is not known");
    c.data.push_back(HexW(server->port));
    c.data.push_back(HexW(server->period));
    c.data.push_back(HexW(server->recvTimeout));
    c.data.push_back(HexW(server->sendTimeout));
    c.data.push_back(Utf8ToCp866(server->host));
    return 0;
}

std::string OfdToJson(const DriveState &state)
{
    // A waiting count set apart from the list ("drive waiting N") is written
    // as the documents it stands for.
    DriveState synced;
    const DriveState *from = &state;
    if (state.ofd.documents.size() != state.ofdWaiting) {
        synced = state;
        OfdSyncDocuments(synced);
        from = &synced;
    }
    const DriveState &s = *from;
    const OfdDriveState &o = s.ofd;
    jsonl::Json docs = jsonl::Json::array();
    for (const OfdDocument &d : o.documents)
        docs.push_back({{"number", d.number}, {"body", jsonl::Hex(d.body)}});
    auto server = [](const OfdServer &v) {
        return jsonl::Json{{"host", v.host},
                           {"port", v.port},
                           {"period", v.period},
                           {"recv_timeout", v.recvTimeout},
                           {"send_timeout", v.sendTimeout}};
    };
    jsonl::Json j = {{"documents", docs},
                     {"server", server(o.server)},
                     {"oism_server", server(o.oism)},
                     {"keys_server", server(o.keys)},
                     {"tag1209", o.tag1209},
                     {"document_size", o.documentSize},
                     {"connected", o.connected},
                     {"reading", o.reading},
                     {"read_done", o.readDone}};
    return jsonl::Dump(j);
}

bool OfdFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member) {
        OfdSyncDocuments(s);
        return true;
    }
    MemberReader r(*member, why, "ofd.", MemberReader::Bare);
    if (member->type != JsonValue::Object)
        return r.Bad("");
    OfdDriveState n;
    if (const JsonValue *d = member->Find("documents")) {
        if (d->type != JsonValue::Array || d->items.size() > 0xFFFF)
            return r.Bad("documents");
        for (const JsonValue &e : d->items) {
            OfdDocument doc;
            MemberReader er(e, why, "ofd.", MemberReader::Bare);
            if (e.type != JsonValue::Object || !er.Int("number", doc.number, 0, 0xFFFFFFFFll))
                return r.Bad("documents");
            const JsonValue *body = e.Find("body");
            if (!body || body->type != JsonValue::String || !wire::Unhex(body->text, doc.body) ||
                doc.body.size() > kMaxBody)
                return r.Bad("documents.body");
            n.documents.push_back(doc);
        }
    }
    auto server = [&](const char *name, OfdServer &out) {
        const JsonValue *sv = member->Find(name);
        if (!sv)
            return true;
        if (sv->type != JsonValue::Object)
            return r.Bad(name);
        MemberReader sr(*sv, why, "ofd.", MemberReader::Bare);
        if (const JsonValue *h = sv->Find("host")) {
            if (h->type != JsonValue::String || h->text.size() > 255)
                return r.Bad(std::string(name) + ".host");
            out.host = h->text;
        }
        return sr.Int("port", out.port, 0, 0xFFFF) && sr.Int("period", out.period, 0, 0xFFFF) &&
               sr.Int("recv_timeout", out.recvTimeout, 0, 0xFFFF) && sr.Int("send_timeout", out.sendTimeout, 0, 0xFFFF);
    };
    if (!server("server", n.server) || !server("oism_server", n.oism) || !server("keys_server", n.keys))
        return false;
    if (!r.Flag("tag1209", n.tag1209) || !r.Int("document_size", n.documentSize, 0, 0xFFFF) ||
        !r.Flag("connected", n.connected) || !r.Flag("reading", n.reading) || !r.Flag("read_done", n.readDone))
        return false;
    s.ofd = n;
    s.ofdWaiting = static_cast<uint16_t>(s.ofd.documents.size());
    return true;
}

bool OfdDriveLine(const std::string &name, const std::string &value, DriveState &d, std::string &why, bool &known)
{
    known = true;
    std::istringstream in(value);
    std::vector<std::string> tok;
    for (std::string t; in >> t;)
        tok.push_back(t);
    auto num = [](const std::string &t, unsigned long max, unsigned long &out) {
        if (t.empty() || t.size() > 6 || t.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out = std::strtoul(t.c_str(), nullptr, 10);
        return out <= max;
    };
    unsigned long a = 0, b = 0, c = 0;
    // "oism-server HOST PORT", "oism-times PERIOD RECEIVE SEND" and the
    // same for the key service ("keys-...")
    OfdServer *other = name.compare(0, 5, "oism-") == 0 ? &d.ofd.oism
                       : name.compare(0, 5, "keys-") == 0 ? &d.ofd.keys
                                                          : nullptr;
    if (other && name.substr(5) == "server") {
        if (tok.size() != 2 || tok[0].size() > 255 || !num(tok[1], 65535, a)) {
            why = "drive " + name + " needs a host name or address and a port 0-65535";
            return false;
        }
        other->host = tok[0];
        other->port = static_cast<uint16_t>(a);
        return true;
    }
    if (other && name.substr(5) == "times") {
        if (tok.size() != 3 || !num(tok[0], 65535, a) || !num(tok[1], 65535, b) || !num(tok[2], 65535, c)) {
            why = "drive " + name + " needs PERIOD RECEIVE SEND in seconds";
            return false;
        }
        other->period = static_cast<uint16_t>(a);
        other->recvTimeout = static_cast<uint16_t>(b);
        other->sendTimeout = static_cast<uint16_t>(c);
        return true;
    }
    if (name == "ofd-host") {
        if (tok.size() != 1 || tok[0].size() > 255) {
            why = "drive ofd-host needs a host name or address";
            return false;
        }
        d.ofd.server.host = tok[0];
        return true;
    }
    if (name == "ofd-port") {
        if (tok.size() != 1 || !num(tok[0], 65535, a)) {
            why = "drive ofd-port needs a port 0-65535";
            return false;
        }
        d.ofd.server.port = static_cast<uint16_t>(a);
        return true;
    }
    if (name == "ofd-times") {
        if (tok.size() != 3 || !num(tok[0], 65535, a) || !num(tok[1], 65535, b) || !num(tok[2], 65535, c)) {
            why = "drive ofd-times needs PERIOD RECEIVE SEND in seconds";
            return false;
        }
        d.ofd.server.period = static_cast<uint16_t>(a);
        d.ofd.server.recvTimeout = static_cast<uint16_t>(b);
        d.ofd.server.sendTimeout = static_cast<uint16_t>(c);
        return true;
    }
    if (name == "ofd-tag1209") {
        if (tok.size() != 1 || (tok[0] != "yes" && tok[0] != "no")) {
            why = "drive ofd-tag1209 is yes or no";
            return false;
        }
        d.ofd.tag1209 = tok[0] == "yes";
        return true;
    }
    if (name == "ofd-size") {
        if (tok.size() != 1 || !num(tok[0], 65535, a)) {
            why = "drive ofd-size needs a size up to 65535";
            return false;
        }
        d.ofd.documentSize = static_cast<uint16_t>(a);
        return true;
    }
    if (name == "ofd-documents") {
        // N documents of SIZE bytes wait (made as fiscal documents: the
        // last document's number counts on)
        if (tok.empty() || tok.size() > 2 || !num(tok[0], 1000, a) || (tok.size() == 2 && !num(tok[1], 65535, b))) {
            why = "drive ofd-documents needs COUNT (up to 1000) [SIZE]";
            return false;
        }
        OfdSyncDocuments(d);
        for (unsigned long i = 0; i < a; ++i) {
            ++d.lastDocument;
            OfdDocument doc;
            doc.number = d.lastDocument;
            doc.body = OfdDocumentBody(d, doc.number, tok.size() == 2 ? b : d.ofd.documentSize);
            d.ofd.documents.push_back(doc);
        }
        d.ofdWaiting = static_cast<uint16_t>(d.ofd.documents.size());
        return true;
    }
    known = false;
    return true;
}

} // namespace kktsim
