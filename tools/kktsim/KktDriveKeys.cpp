// The verification keys: 0x9E, its `drive` statements and the state file's
// member "keys".
#include "KktDriveKeys.h"

#include "KktDrive.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

#include <time.h>

namespace kktsim {

using wire::Decimal;
using wire::RealDate;

using namespace wire;

namespace {

enum : uint8_t {
    kErrFormat = 0x01,
    kErrField = 0x02,
    kErrNoData = 0x78,
};

const size_t kAddressMax = 128;
const uint32_t kRoundsMax = 1000;

std::string Hex(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes)
        out += HexB(c);
    return out;
}

// Hex digits (an even count) into bytes; false for anything else.
bool Unhex(const std::string &hex, std::string &out)
{
    if (hex.size() % 2)
        return false;
    out.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi << 4 | lo);
    }
    return true;
}

// Today on the drive's clock, packed: day + 32 x month + 512 x (year - 1996).
uint16_t Today(const DriveState &s)
{
    std::string now = DriveClock(s, time(nullptr)); // DDMMYYHHMM
    int day = (now[0] - '0') * 10 + (now[1] - '0'), month = (now[2] - '0') * 10 + (now[3] - '0');
    int year = 2000 + (now[4] - '0') * 10 + (now[5] - '0');
    return static_cast<uint16_t>(day + 32 * month + 512 * (year - 1996));
}

// The answer as the drive takes it: the line srvsim makes, then nothing but
// zero bytes.
bool IsAnswerTo(const DriveState &s, const std::string &answer)
{
    const DriveKeys &k = s.keys;
    if (k.request.empty())
        return false;
    std::string expect = KeysAnswerFor(s.fnNumber, k.request);
    if (answer.compare(0, expect.size(), expect) != 0)
        return false;
    return answer.find_first_not_of('\0', expect.size()) == std::string::npos;
}

uint8_t TakeAnswer(DriveState &s, const std::string &hex, DriveResult &res)
{
    DriveKeys &k = s.keys;
    std::string answer;
    if (!Unhex(hex, answer)) {
        res.note = "0x9E 4: the answer is no hex";
        return kErrField;
    }
    if (!IsAnswerTo(s, answer)) {
        res.note = k.request.empty() ? "0x9E 4 without a request" : "0x9E 4: not the answer to the last request";
        return kKeysUnknownAnswer;
    }
    k.request.clear();
    if (++k.taken < k.rounds)
        return kKeysMoreFollow;
    k.taken = 0;
    s.archive.keyDate = Today(s);
    if (s.archive.keyState != 0xFF)
        s.archive.keyState = 0;
    res.changed = true;
    return 0;
}

// An address as the drive may hold it: printable ASCII without blanks.
bool AddressText(const std::string &v)
{
    if (v.empty() || v.size() > kAddressMax)
        return false;
    for (unsigned char c : v)
        if (c <= ' ' || c > '~')
            return false;
    return true;
}

} // namespace

uint32_t KeysChecksum(const std::string &bytes)
{
    uint32_t h = 2166136261u;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::string KeysAnswerFor(const std::string &fnNumber, const std::string &request)
{
    char sum[16];
    snprintf(sum, sizeof sum, "%08X", KeysChecksum(request));
    return "SRVSIM KEYS " + fnNumber + " " + std::to_string(request.size()) + " " + sum + "\n";
}

bool KeysCommand(DriveState &s, const Request &req, Reply &rep, DriveResult &res, uint8_t &error)
{
    if (req.code != 0x9E)
        return false;
    res.answered = true;
    DriveArchive &a = s.archive;
    DriveKeys &k = s.keys;
    uint32_t sub;
    if (req.fields.empty()) {
        error = kErrFormat;
        return true;
    }
    if (!ReadHexLE(req.fields[0], 1, sub)) {
        error = kErrField;
        return true;
    }
    error = 0;
    switch (sub) {
    case 0:
        if (k.error)
            error = k.error;
        else if (a.keyState == 0xFF)
            error = kErrNoData;
        else
            rep.data.push_back(HexB(a.keyState));
        break;
    case 1: rep.data.push_back(Hex(k.address)); break;
    case 3:
        k.request = "KKTSIM KEYS " + s.fnNumber + " " + std::to_string(++k.requests) + "\n";
        rep.data.push_back(Hex(k.request));
        break;
    case 4:
        if (req.fields.size() < 2)
            error = kErrFormat;
        else
            error = TakeAnswer(s, req.fields[1], res);
        break;
    case 5: rep.data.push_back(HexW(a.keyDate)); break;
    default: error = kErrField; break;
    }
    return true;
}

bool KeysStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why)
{
    DriveArchive &a = s.archive;
    DriveKeys &k = s.keys;
    uint32_t v;
    if (name == "key-state") {
        if (!Decimal(value, 0xFF, v))
            why = "drive key-state needs a number up to 255";
        else
            a.keyState = static_cast<uint8_t>(v);
        return true;
    }
    if (name == "key-error") {
        if (!ReadHexLE(value, 1, v))
            why = "drive key-error needs a hex byte (00: none)";
        else
            k.error = static_cast<uint8_t>(v);
        return true;
    }
    if (name == "key-date") {
        if (value == "0") {
            a.keyDate = 0;
        } else if (RealDate(value) && value.compare(4, 2, "96") != 0) {
            int day = (value[0] - '0') * 10 + (value[1] - '0'), month = (value[2] - '0') * 10 + (value[3] - '0');
            int year = 2000 + (value[4] - '0') * 10 + (value[5] - '0');
            a.keyDate = static_cast<uint16_t>(day + 32 * month + 512 * (year - 1996));
        } else {
            why = "drive key-date needs DDMMYY or 0";
        }
        return true;
    }
    if (name == "key-address") {
        if (value == "none")
            k.address.clear();
        else if (AddressText(value))
            k.address = value;
        else
            why = "drive key-address needs a text of 1 to 128 characters without blanks, or none";
        return true;
    }
    if (name == "key-rounds") {
        if (!Decimal(value, kRoundsMax, v) || v == 0)
            why = "drive key-rounds needs a number from 1 to 1000";
        else
            k.rounds = static_cast<uint16_t>(v);
        return true;
    }
    return false;
}

std::string KeysJson(const DriveState &s)
{
    const DriveKeys &k = s.keys;
    return "{\n    \"address\": " + JsonString(k.address) + ",\n    \"rounds\": " + std::to_string(k.rounds) +
           ",\n    \"error\": " + std::to_string(k.error) + "\n  }";
}

bool ReadKeysJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member)
        return true;
    auto bad = [&](const char *key) {
        why = std::string("bad member \"keys") + (*key ? "." : "") + key + "\"";
        return false;
    };
    if (member->type != JsonValue::Object)
        return bad("");
    DriveKeys n = s.keys;
    if (const JsonValue *v = member->Find("address")) {
        if (v->type != JsonValue::String || (!v->text.empty() && !AddressText(v->text)))
            return bad("address");
        n.address = v->text;
    }
    if (const JsonValue *v = member->Find("rounds")) {
        if (v->type != JsonValue::Number || v->number < 1 || v->number > kRoundsMax)
            return bad("rounds");
        n.rounds = static_cast<uint16_t>(v->number);
    }
    if (const JsonValue *v = member->Find("error")) {
        if (v->type != JsonValue::Number || v->number < 0 || v->number > 255)
            return bad("error");
        n.error = static_cast<uint8_t>(v->number);
    }
    s.keys = n;
    return true;
}

} // namespace kktsim
