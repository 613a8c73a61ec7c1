// Registration of the fiscal-drive model.
//
// Command 0x04, fields from 1: date, time, user name, user INN, tax systems,
// registration number (padded to 16), work modes, automat number, 00,
// cashier|INN, address, OFD INN, the number's sequence part, reason code,
// 00, agent kinds, OFD name, sender e-mail, tax service site, place; FFD
// 1.1 adds the reason-codes mask, FFD 1.2 the mask and tags 1274 and 1275.
// The work modes are a word in the command's layout (bits 0-5, wizard bits
// 6-8 as 8-10), with 0x4000 for FFD 1.1; FFD 1.2 sends a double word that
// also carries the usage items (bits 6, 7 and 11-15) and 0x4000000.

#include "KktDriveRegistration.h"

#include "KktDriveWire.h"
#include "KktText.h"

#include <cstdio>

namespace kktsim {

namespace {

using wire::HexB;
using wire::HexD;
using wire::ReadHexLE;
using wire::RealDateTime;
using wire::Two;

const uint32_t kModesFfd11 = 0x4000;
const uint32_t kModesFfd12 = 0x4000000;
const uint32_t kReasonModel = 0x40; // a new cash-register version: the maker's business

bool AllDigits(const std::string &s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return !s.empty();
}

bool Inn(const std::string &s) { return (s.size() == 10 || s.size() == 12) && AllDigits(s); }

// Wizard work modes from the command's value (bits 0-5, 8-10).
uint16_t ModesOf(uint32_t command)
{
    uint16_t m = command & 0x3F;
    if (command & 0x100)
        m |= 0x40;
    if (command & 0x200)
        m |= 0x80;
    if (command & 0x400)
        m |= 0x100;
    return m;
}

// Tag 1290 of FFD 1.2: the inverse of how the cash register reads it, so
// a registration read back pre-fills the same boxes.
uint32_t Tag1290(uint16_t modes, uint16_t usage)
{
    static const uint32_t usageBits[7] = {0x2, 0x100, 0x1000, 0x2000, 0x4000, 0x8000, 0x10000};
    uint32_t f = 0;
    for (unsigned bit = 0; bit < 7; ++bit)
        if (usage & (1u << bit))
            f |= usageBits[bit];
    static const struct {
        uint16_t mode;
        uint32_t tag;
    } modeBits[] = {{0x10, 0x4}, {0x20, 0x20}, {0x40, 0x40}, {0x08, 0x200}, {0x80, 0x400}, {0x100, 0x800}};
    for (const auto &m : modeBits)
        if (modes & m.mode)
            f |= m.tag;
    return f;
}

const char *const kModeNames[9] = {u8"ШИФРОВАНИЕ",  u8"АВТОНОМНЫЙ РЕЖИМ", u8"АВТОМАТИЧЕСКИЙ РЕЖИМ",
                                   u8"УСЛУГИ",      u8"БСО",              u8"ИНТЕРНЕТ",
                                   u8"ПОДАКЦИЗНЫЕ", u8"АЗАРТНЫЕ ИГРЫ",    u8"ЛОТЕРЕИ"};

// The drive's own tape of 32 characters.
using Tape = wire::Paper;

std::string Readable(const std::string &dt)
{
    if (dt.size() != 10)
        return dt;
    return dt.substr(0, 2) + "." + dt.substr(2, 2) + "." + dt.substr(4, 2) + " " + dt.substr(6, 2) + ":" +
           dt.substr(8, 2);
}

const char *FfdName(int version) { return version == 4 ? "1.2" : version == 3 ? "1.1" : "1.05"; }

} // namespace

int ControllerFfdLevel(const std::string &firmware)
{
    if (firmware.compare(1, 3, "105") == 0)
        return 2;
    if (firmware.compare(1, 3, "110") == 0)
        return 3;
    if (firmware.compare(1, 3, "101") == 0)
        return 0;
    return 4;
}

uint8_t ReadRegistration(const DriveState &s, const std::vector<std::string> &fields, Registration &r,
                         std::string &why)
{
    auto raw = [&](size_t k) -> const std::string & {
        static const std::string empty;
        return k >= 1 && k <= fields.size() ? fields[k - 1] : empty;
    };
    auto text = [&](size_t k) { return Cp866ToUtf8(raw(k)); };
    auto bad = [&](const char *what) {
        why = std::string("unreadable ") + what;
        return kErrField;
    };
    r = Registration();

    if (!RealDateTime(raw(1), raw(2))) {
        why = "no real date and time";
        return kErrDateTime;
    }
    switch (fields.size()) {
    case 20: r.layout = 2; break;
    case 21: r.layout = 3; break;
    case 23: r.layout = 4; break;
    default:
        why = std::to_string(fields.size()) + " fields: no registration layout";
        return kErrFormat;
    }
    int level = ControllerFfdLevel(s.firmware);
    if (r.layout > (level < 2 ? 2 : level)) {
        why = std::string("FFD ") + FfdName(r.layout) + " layout above the controller's level";
        return kErrLayout;
    }
    if (s.phase != kPhaseReady && s.phase != kPhaseFiscal) {
        why = "the drive is closed";
        return kErrPhase;
    }
    if (s.shiftOpen) {
        why = "the shift is open";
        return kErrCloseShift;
    }
    if (s.docType) {
        why = "a document is open";
        return kErrDocState;
    }
    if (s.Registered() && s.reregistrationsLeft == 0) {
        why = "no re-registrations left";
        return kErrNoReregistrations;
    }

    r.when = raw(1) + raw(2);
    r.user = text(3);
    r.inn = raw(4);
    if (!Inn(r.inn))
        return bad("user INN");
    uint32_t v;
    if (!ReadHexLE(raw(5), 1, v))
        return bad("tax systems");
    r.taxSystems = static_cast<uint8_t>(v);
    r.number = raw(6);
    if (r.number.size() != 16 || !AllDigits(r.number))
        return bad("registration number");
    if (r.layout == 4) {
        if (!ReadHexLE(raw(7), 4, v) || !(v & kModesFfd12))
            return bad("work modes");
        r.workModes = ModesOf(v);
        r.usage = static_cast<uint16_t>(((v >> 11) & 0x1F) | (v & 0x40 ? 0x20 : 0) | (v & 0x80 ? 0x40 : 0));
    } else {
        if (!ReadHexLE(raw(7), 2, v) || (r.layout == 3) != ((v & kModesFfd11) != 0))
            return bad("work modes");
        r.workModes = ModesOf(v);
    }
    r.automat = raw(8);
    if (!ReadHexLE(raw(9), 1, v) || !ReadHexLE(raw(15), 1, v))
        return bad("reserved byte");
    std::string pair = text(10);
    size_t bar = pair.find('|');
    r.cashier = pair.substr(0, bar);
    r.cashierInn = bar == std::string::npos ? std::string() : pair.substr(bar + 1);
    r.address = text(11);
    r.ofdInn = raw(12);
    // Only a drive working without the OFD may leave the OFD's INN out.
    if (!(r.ofdInn.empty() && (r.workModes & 0x02)) && !Inn(r.ofdInn))
        return bad("OFD INN");
    const std::string &sequence = raw(13);
    if (sequence.empty() || sequence.size() > 10 || !AllDigits(sequence) ||
        r.number.compare(16 - 6 - sequence.size(), sequence.size(), sequence) != 0)
        return bad("sequence part of the registration number");
    if (!ReadHexLE(raw(14), 1, v))
        return bad("reason code");
    r.reason = static_cast<uint8_t>(v);
    if (!ReadHexLE(raw(16), 1, v))
        return bad("agent kinds");
    r.agents = static_cast<uint8_t>(v);
    r.ofdName = text(17);
    r.email = text(18);
    r.fnsSite = text(19);
    r.place = text(20);
    if (r.layout >= 3) {
        if (!ReadHexLE(raw(21), 4, v))
            return bad("reason codes");
        if (v & kReasonModel) {
            why = "reason codes with a new cash-register version";
            return kErrRange;
        }
        r.reasonCodes = v;
    }
    if (r.layout == 4) {
        r.tag1274 = text(22);
        r.tag1275 = text(23);
    }
    return 0;
}

std::string RegistrationDocument(DriveState &s, const Registration &r)
{
    const bool again = s.Registered();
    s.user = r.user;
    s.inn = r.inn;
    s.taxSystems = r.taxSystems;
    s.regNumber = r.number;
    s.address = r.address;
    s.regFlags = static_cast<uint8_t>(r.workModes & 0x3F);
    s.ffd = static_cast<uint8_t>(r.layout);
    s.agents = r.layout == 4 ? 0 : r.agents;
    s.markingFlags = r.layout == 4 ? Tag1290(r.workModes, r.usage) : 0;
    s.reasonCodes = r.layout >= 3 ? r.reasonCodes : 0;
    auto flag = [](bool on) { return std::string(on ? "01" : "00"); };
    s.regTags[1207] = flag(r.workModes & 0x40);
    s.regTags[1193] = flag(r.workModes & 0x80);
    s.regTags[1126] = flag(r.workModes & 0x100);
    s.regTags[1021] = r.cashier;
    s.regTags[1203] = r.cashierInn;
    s.regTags[1017] = r.ofdInn;
    s.regTags[1046] = r.ofdName;
    s.regTags[1117] = r.email;
    s.regTags[1060] = r.fnsSite;
    s.regTags[1187] = r.place;
    s.regTags[1036] = r.automat;
    if (r.layout == 4) {
        s.regTags[1274] = r.tag1274;
        s.regTags[1275] = r.tag1275;
    } else {
        s.regTags.erase(1274);
        s.regTags.erase(1275);
    }
    if (again)
        --s.reregistrationsLeft;
    s.phase = kPhaseFiscal;
    s.regTime = r.when;
    MakeFiscalDocument(s, r.when, again ? kDocReregistration : kDocRegistration);
    s.regDocument = s.lastDocument;

    Tape t;
    t.Rule();
    t.Center(s.user);
    t.Center(s.address);
    t.Center(again ? u8"ОТЧЕТ ОБ ИЗМ. ПАРАМЕТРОВ РЕГИСТРАЦИИ" : u8"ОТЧЕТ О РЕГИСТРАЦИИ");
    if (!r.place.empty())
        t.Pair(u8"МЕСТО РАСЧЕТОВ", r.place);
    t.Pair(u8"ФФД", FfdName(r.layout));
    t.Pair(u8"СНО", HexB(r.taxSystems));
    for (unsigned bit = 0; bit < 9; ++bit)
        if (r.workModes & (1u << bit))
            t.Text(kModeNames[bit]);
    if (r.layout == 4 && r.usage)
        t.Pair(u8"УСЛОВИЯ ПРИМЕНЕНИЯ", HexD(s.markingFlags));
    if (r.workModes & 0x04)
        t.Pair(u8"НОМЕР АВТОМАТА", r.automat);
    if (r.agents && r.layout != 4)
        t.Pair(u8"АГЕНТ", HexB(r.agents));
    if (again) {
        t.Pair(u8"ПРИЧИНА", std::to_string(r.reason));
        if (r.layout >= 3)
            t.Pair(u8"КОДЫ ПРИЧИН", HexD(r.reasonCodes));
    }
    t.Pair(u8"КАССИР", r.cashier);
    if (!r.cashierInn.empty())
        t.Pair(u8"ИНН КАССИРА", r.cashierInn);
    t.Pair(u8"ОФД", r.ofdName);
    t.Pair(u8"ИНН ОФД", r.ofdInn);
    if (!r.email.empty())
        t.Pair(u8"ЭЛ. АДР. ОТПРАВИТЕЛЯ", r.email);
    t.Pair(u8"САЙТ ФНС", r.fnsSite);
    if (r.layout == 4) {
        if (!r.tag1274.empty())
            t.Pair("1274", r.tag1274);
        if (!r.tag1275.empty())
            t.Pair("1275", r.tag1275);
    }
    t.Pair(u8"ДАТА", Readable(r.when));
    t.Pair(u8"ККТ", s.serial);
    t.Pair(u8"РН ККТ", s.regNumber);
    t.Pair(u8"ИНН", s.inn);
    t.Pair(u8"ФН", s.fnNumber);
    t.Pair(u8"ФД", std::to_string(s.regDocument));
    t.Pair(u8"ФП", std::to_string(0x20000000u + s.regDocument));
    t.Rule();
    return t.Str();
}

bool RegistrationTag(const DriveState &s, uint16_t tag, std::string &value)
{
    switch (tag) {
    case 1062: value = HexB(s.taxSystems); return true;
    case 1057: value = HexB(s.agents); return true;
    case 1209: value = HexB(s.ffd); return true;
    case 1290: value = HexD(s.markingFlags); return true;
    case 1037: value = s.regNumber; return true;
    case 1018: value = s.inn; return true;
    case 1048: value = s.user; return true;
    case 1009: value = s.address; return true;
    case 1041: value = s.fnNumber; return true;
    case 1013: value = s.serial; return true;
    default: break;
    }
    auto it = s.regTags.find(tag);
    if (it == s.regTags.end())
        return false;
    value = it->second;
    return true;
}

std::vector<std::string> RegistrationTotals(const DriveState &s)
{
    std::vector<std::string> d = {
        s.regTime,                            // 5
        s.inn,                                // 6
        s.regNumber,                          // 7
        HexB(s.taxSystems),                   // 8
        HexB(s.regFlags),                     // 9 work modes
        HexD(s.regDocument),                  // 10
        HexD(0x20000000u + s.regDocument),    // 11 the fiscal sign
    };
    if (s.ffd >= 3) {
        d.push_back("");                      // 12, 13
        d.push_back("");
        d.push_back(HexD(s.reasonCodes));     // 14
    }
    return d;
}

std::vector<std::string> MarkStatusFields(const DriveState &s)
{
    return std::vector<std::string>(s.markFields, "00");
}

bool RegistrationStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why)
{
    if (name == "tag") {
        size_t space = value.find(' ');
        std::string number = value.substr(0, space);
        std::string text = space == std::string::npos ? std::string() : value.substr(space + 1);
        bool clean = !text.empty() && text.size() <= 256;
        for (unsigned char c : text)
            clean = clean && c >= 0x20 && c != 0x7F;
        unsigned long tag = 0;
        if (number.size() > 5 || !AllDigits(number) || (tag = std::stoul(number)) == 0 || tag > 0xFFFF || !clean) {
            why = "expected \"drive tag NNNN VALUE\" (tag 1 to 65535, a text of 1 to 256 characters)";
            return true;
        }
        // Tags the drive keeps in members of its own go there; a number is
        // given in hex, as the drive answers it.
        uint32_t v;
        switch (tag) {
        case 1062:
        case 1057:
        case 1209:
            if (!ReadHexLE(text, 1, v)) {
                why = "drive tag " + number + " needs a byte in hex (2 digits)";
                return true;
            }
            (tag == 1062 ? s.taxSystems : tag == 1057 ? s.agents : s.ffd) = static_cast<uint8_t>(v);
            return true;
        case 1290:
            if (!ReadHexLE(text, 4, v)) {
                why = "drive tag 1290 needs a double word in hex, lowest byte first (8 digits)";
                return true;
            }
            s.markingFlags = v;
            return true;
        case 1037: s.regNumber = text; return true;
        case 1018: s.inn = text; return true;
        case 1048: s.user = text; return true;
        case 1009: s.address = text; return true;
        case 1041: s.fnNumber = text; return true;
        case 1013: s.serial = text; return true;
        default: s.regTags[static_cast<uint16_t>(tag)] = text; return true;
        }
    }
    if (name == "reason-codes") {
        uint32_t v;
        if (value.size() != 8 || !ReadHexLE(value, 4, v)) {
            why = "drive reason-codes needs 8 hex digits, lowest byte first";
            return true;
        }
        s.reasonCodes = v;
        return true;
    }
    if (name == "mark-fields") {
        if (value.empty() || value.size() > 2 || !AllDigits(value) || std::stoul(value) > 32) {
            why = "drive mark-fields needs a number of 0 to 32";
            return true;
        }
        s.markFields = static_cast<uint8_t>(std::stoul(value));
        return true;
    }
    return false;
}

std::string RegistrationJson(const DriveState &s)
{
    std::string tags = "{";
    bool first = true;
    for (const auto &t : s.regTags) {
        tags += std::string(first ? "\n" : ",\n") + "    " + JsonString(std::to_string(t.first)) + ": " +
                JsonString(t.second);
        first = false;
    }
    tags += first ? "}" : "\n  }";
    return "  \"reg_tags\": " + tags + ",\n  \"reason_codes\": " + std::to_string(s.reasonCodes) +
           ",\n  \"mark_fields\": " + std::to_string(s.markFields) + ",\n";
}

void RegistrationFromJson(const JsonValue &root, DriveState &s, std::string &why)
{
    auto badMember = [&](const char *key) {
        if (why.empty())
            why = std::string("bad member \"") + key + "\"";
    };
    if (const JsonValue *tags = root.Find("reg_tags")) {
        if (tags->type != JsonValue::Object || tags->members.size() > 1000)
            return badMember("reg_tags");
        std::map<uint16_t, std::string> read;
        for (const auto &m : tags->members) {
            const std::string &key = m.first;
            if (key.empty() || key.size() > 5 || !AllDigits(key) || std::stoul(key) == 0 ||
                std::stoul(key) > 0xFFFF || m.second.type != JsonValue::String || m.second.text.size() > 3 * 4096)
                return badMember("reg_tags");
            read[static_cast<uint16_t>(std::stoul(key))] = m.second.text;
        }
        s.regTags = read;
    }
    MemberReader r(root, why);
    if (r.Int("reason_codes", s.reasonCodes, 0, 0xFFFFFFFFll))
        r.Int("mark_fields", s.markFields, 0, 32);
}

} // namespace kktsim
