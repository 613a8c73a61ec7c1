// The verification keys: 0x9E, its `drive` statements and the state file's
// member "keys".
#include "KktDriveKeys.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktJson.h"
#include "KktText.h"

#include <time.h>

namespace kktsim {

using wire::Decimal;
using wire::RealDate;

using namespace wire;

namespace {

const size_t kAddressMax = 128;
const uint32_t kRoundsMax = 1000;

// Today on the drive's clock, packed: day + 32 x month + 512 x (year - 1996).
uint16_t Today(const DriveState &s)
{
    return PackedDate(DriveClock(s, time(nullptr)).substr(0, 6)); // DDMMYYHHMM
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

uint8_t KeysUpdate(DriveCall &c)
{
    DriveState &s = c.s;
    DriveArchive &a = s.archive;
    DriveKeys &k = s.keys;
    uint32_t sub;
    if (c.fields.empty())
        return kErrFormat;
    if (!ReadHexLE(c.fields[0], 1, sub))
        return kErrField;
    switch (sub) {
    case 0:
        if (k.error)
            return k.error;
        if (a.keyState == 0xFF)
            return kErrNoData;
        c.data.push_back(HexB(a.keyState));
        return 0;
    case 1: c.data.push_back(Hex(k.address)); return 0;
    case 3:
        k.request = "KKTSIM KEYS " + s.fnNumber + " " + std::to_string(++k.requests) + "\n";
        c.data.push_back(Hex(k.request));
        return 0;
    case 4:
        if (c.fields.size() < 2)
            return kErrFormat;
        return TakeAnswer(s, c.fields[1], c.res);
    case 5: c.data.push_back(HexW(a.keyDate)); return 0;
    default: return kErrField;
    }
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
            a.keyDate = PackedDate(value);
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

std::string KeysToJson(const DriveState &s)
{
    const DriveKeys &k = s.keys;
    return "{\n    \"address\": " + JsonString(k.address) + ",\n    \"rounds\": " + std::to_string(k.rounds) +
           ",\n    \"error\": " + std::to_string(k.error) + "\n  }";
}

bool KeysFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member)
        return true;
    if (member->type != JsonValue::Object) {
        why = "bad member \"keys\"";
        return false;
    }
    MemberReader r(*member, why, "keys.");
    DriveKeys n = s.keys;
    if (!r.Text("address", n.address, kAddressMax) || (!n.address.empty() && !AddressText(n.address)))
        return r.Bad("address");
    if (!r.Int("rounds", n.rounds, 1, kRoundsMax) || !r.Int("error", n.error, 0, 255))
        return false;
    s.keys = n;
    return true;
}

} // namespace kktsim
