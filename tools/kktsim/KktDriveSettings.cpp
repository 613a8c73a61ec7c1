// Every Russian text here is a u8 literal: the stand-in keeps UTF-8 and
// converts to CP866 only inside frames.

#include "KktDriveSettings.h"

#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktDriveReceipt.h"
#include "KktJson.h"
#include "KktText.h"

#include <cstdio>
#include <sstream>

namespace kktsim {

namespace {

using wire::HexB;
using wire::HexW;
using wire::HexDigit;
using wire::ReadHexLE;

// An amount as the drive keeps it: two decimals.
bool Decimal(const std::string &text, std::string &out)
{
    int64_t v;
    if (!ParseAmount(text, v) || v < 0)
        return false;
    out = AmountText(v);
    return true;
}

using wire::Two;

bool AllDigits(const std::string &s, size_t n) { return wire::Digits(s, n); }

size_t Chars(const std::string &utf8)
{
    size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// A text without control characters.
bool Clean(const std::string &utf8)
{
    for (unsigned char c : utf8)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::string Trimmed(const std::string &t)
{
    size_t a = t.find_first_not_of(' '), b = t.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
}

// What is left of a statement's value after the words read from it: the
// text behind the one blank that follows the last word.
std::string RestOf(std::istringstream &in)
{
    std::string rest;
    if (in.get() != std::char_traits<char>::eof())
        std::getline(in, rest);
    return rest;
}

// YYMMDDHHMM of a DDMMYYHHMM text, for ordering.
std::string Sortable(const std::string &dt)
{
    return dt.size() == 10 ? dt.substr(4, 2) + dt.substr(2, 2) + dt.substr(0, 2) + dt.substr(6, 4) : std::string();
}

class Settings {
public:
    explicit Settings(DriveCall &io) : s(io.s), io_(io) {}

    // The commands (a handler each, below) and their helpers.
    const std::string &Raw(size_t k) const { return io_.Raw(k); }
    void Data(const std::string &utf8) { io_.data.push_back(Utf8ToCp866(utf8)); }
    void Changed() { io_.res.changed = true; }

    uint8_t Clock()
    {
        std::string now = DriveClock(s, time(nullptr));
        Data(now.substr(0, 6));
        Data(now.substr(6, 4));
        return 0;
    }

    // A real date and time, not before the last fiscal document.
    uint8_t SetClock()
    {
        if (io_.fields.size() < 2)
            return kErrFormat;
        int64_t offset;
        if (!ClockOffsetFor(Raw(1), Raw(2), time(nullptr), offset)) {
            io_.res.note = "no such date or time";
            return kErrDateTime;
        }
        if (Sortable(Raw(1) + Raw(2)) < Sortable(s.lastDocumentTime)) {
            io_.res.note = "before the last fiscal document";
            return kErrDateTime;
        }
        s.settings.clockOffset = offset;
        Changed();
        return 0;
    }

    // Writes `count` lines from field `first` into head (or tail) lines
    // from `to` on; a request with a date and time (first 3) has them
    // checked. Header lines go behind the controller's alignment blank.
    uint8_t Lines(size_t first, size_t count, size_t to, size_t width, bool tail = false)
    {
        if (io_.fields.size() < first - 1 + count)
            return kErrFormat;
        if (first == 3 && !(AllDigits(Raw(1), 6) && AllDigits(Raw(2), 4)))
            return kErrDateTime;
        std::vector<std::string> lines;
        for (size_t i = 0; i < count; ++i) {
            std::string text = Cp866ToUtf8(Raw(first + i));
            if (Chars(text) > width || !Clean(text)) {
                io_.res.note = "line " + std::to_string(i + 1) + " too long or not clean";
                return kErrRange;
            }
            lines.push_back(to == 1 && !tail ? " " + text : text);
        }
        std::vector<std::string> &target = tail ? s.settings.tail : s.settings.head;
        for (size_t i = 0; i < count; ++i)
            target[to + i] = lines[i];
        Changed();
        return 0;
    }

    uint8_t Answer(const std::vector<std::string> &lines)
    {
        for (const std::string &l : lines)
            Data(l);
        return 0;
    }

    uint8_t Index(size_t limit, uint8_t pastError, uint32_t &i) const
    {
        if (io_.fields.empty())
            return kErrFormat;
        if (!ReadHexLE(Raw(1), 1, i))
            return kErrField;
        return i < limit ? 0 : pastError;
    }
    // Field k as a name: at most 64 characters, no control characters.
    uint8_t Name(size_t k, std::string &out) const
    {
        out = Cp866ToUtf8(Raw(k));
        return Chars(out) <= 64 && Clean(out) ? 0 : kErrRange;
    }

    uint8_t GetTax()
    {
        uint32_t i;
        if (uint8_t e = Index(s.settings.taxes.size(), kErrRange, i))
            return e;
        const TaxRate &t = s.settings.taxes[i];
        Data(HexB(i));
        Data(t.name);
        Data(t.rate);
        Data(t.sum);
        Data(HexB(t.type));
        Data(HexW(t.tag));
        return 0;
    }

    uint8_t SetTax()
    {
        if (io_.fields.size() < 6)
            return kErrFormat;
        uint32_t i, type, tag;
        if (uint8_t e = Index(s.settings.taxes.size(), kErrRange, i))
            return e;
        TaxRate t;
        if (!Decimal(Raw(3), t.rate) || !Decimal(Raw(4), t.sum) || !ReadHexLE(Raw(5), 1, type) ||
            !ReadHexLE(Raw(6), 2, tag))
            return kErrField;
        if (uint8_t e = Name(2, t.name))
            return e;
        t.type = static_cast<uint8_t>(type);
        t.tag = static_cast<uint16_t>(tag);
        s.settings.taxes[i] = t;
        Changed();
        return 0;
    }

    uint8_t GetPayment()
    {
        uint32_t i;
        if (uint8_t e = Index(kPaymentKinds, kErrPaymentIndex, i))
            return e;
        const PaymentKind &p = s.settings.payments[i];
        Data(HexB(i));
        Data(p.name);
        Data(HexB(p.secondLine));
        Data(HexB(p.change));
        Data(HexB(p.currency));
        Data(HexB(p.mask));
        Data(p.rate);
        Data(HexW(p.tag));
        return 0;
    }

    uint8_t SetPayment()
    {
        if (io_.fields.size() < 7)
            return kErrFormat;
        uint32_t i, second, change, currency, mask;
        if (uint8_t e = Index(kPaymentKinds, kErrPaymentIndex, i))
            return e;
        PaymentKind p = s.settings.payments[i];
        if (!ReadHexLE(Raw(3), 1, second) || !ReadHexLE(Raw(4), 1, change) || !ReadHexLE(Raw(5), 1, currency) ||
            !ReadHexLE(Raw(6), 1, mask) || !Decimal(Raw(7), p.rate))
            return kErrField;
        if (second > 1 || change > 1)
            return kErrRange;
        if (uint8_t e = Name(2, p.name))
            return e;
        p.secondLine = static_cast<uint8_t>(second);
        p.change = static_cast<uint8_t>(change);
        p.currency = static_cast<uint8_t>(currency);
        p.mask = static_cast<uint8_t>(mask);
        s.settings.payments[i] = p;
        Changed();
        return 0;
    }

    uint8_t Departments()
    {
        for (const DepartmentName &d : s.settings.departments) {
            Data(HexB(d.number));
            Data(d.name);
        }
        return 0;
    }

    // The whole table in pairs (number, name): at most 16, numbers 1 to
    // 255 each once, names of at most 30 characters.
    uint8_t SetDepartments()
    {
        const std::vector<std::string> &f = io_.fields;
        if (f.empty() || f.size() % 2 != 0)
            return kErrFormat;
        if (f.size() / 2 > kMaxDepartmentNames) {
            io_.res.note = "more than 16 departments";
            return kErrRange;
        }
        std::vector<DepartmentName> table;
        for (size_t k = 0; k < f.size(); k += 2) {
            uint32_t number;
            if (!ReadHexLE(f[k], 1, number))
                return kErrField;
            DepartmentName d;
            d.number = static_cast<uint8_t>(number);
            d.name = Cp866ToUtf8(f[k + 1]);
            if (number == 0 || Chars(d.name) > kDepartmentNameWidth || !Clean(d.name)) {
                io_.res.note = "department " + std::to_string(number) + ": number 0 or name too long";
                return kErrRange;
            }
            for (const DepartmentName &e : table)
                if (e.number == d.number) {
                    io_.res.note = "department " + std::to_string(number) + " twice";
                    return kErrRange;
                }
            table.push_back(d);
        }
        s.settings.departments = table;
        Changed();
        return 0;
    }

private:
    DriveState &s;
    DriveCall &io_;
};

// "N RATE SUM TYPE TAG NAME": entry N (0 up to the table's size, which
// adds it as the last; 256 entries at most) with its rate and amount (two
// decimals at most), type (0-255), tag (0-65535) and name (at most 64
// characters, may be empty).
bool TaxRateStatement(const std::string &value, DriveState &s, std::string &why)
{
    std::istringstream in(value);
    std::string index, rate, sum, type, tag;
    in >> index >> rate >> sum >> type >> tag;
    std::string name = RestOf(in);
    std::vector<TaxRate> &table = s.settings.taxes;
    uint32_t i = 0, typeValue = 0, tagValue = 0;
    TaxRate t;
    if (!wire::Decimal(index, kMaxTaxRates - 1, i) || i > table.size() || !Decimal(rate, t.rate) ||
        !Decimal(sum, t.sum) || !wire::Decimal(type, 0xFF, typeValue) || !wire::Decimal(tag, 0xFFFF, tagValue) ||
        Chars(name) > 64 || !Clean(name)) {
        why = "expected \"drive tax-rate N RATE SUM TYPE TAG NAME\" (N 0 to the table's size " +
              std::to_string(table.size()) + ", at most 255; amounts with two decimals at most; TYPE 0 to 255, " +
              "TAG 0 to 65535; a name of at most 64 characters)";
        return true;
    }
    t.name = name;
    t.type = static_cast<uint8_t>(typeValue);
    t.tag = static_cast<uint16_t>(tagValue);
    if (i == table.size())
        table.push_back(t);
    else
        table[i] = t;
    return true;
}

// "N SECOND CHANGE CURRENCY MASK RATE TAG NAME": payment type N (0-15)
// with its second-line and change flags (0 or 1), currency index (0-255),
// operations mask (hex HH), exchange rate (two decimals at most), tag
// (0-65535) and name (at most 64 characters, may be empty).
bool PaymentTypeStatement(const std::string &value, DriveState &s, std::string &why)
{
    std::istringstream in(value);
    std::string index, second, change, currency, mask, rate, tag;
    in >> index >> second >> change >> currency >> mask >> rate >> tag;
    std::string name = RestOf(in);
    uint32_t i = 0, secondValue = 0, changeValue = 0, currencyValue = 0, maskValue = 0, tagValue = 0;
    PaymentKind p;
    if (!wire::Decimal(index, kPaymentKinds - 1, i) || !wire::Decimal(second, 1, secondValue) ||
        !wire::Decimal(change, 1, changeValue) || !wire::Decimal(currency, 0xFF, currencyValue) ||
        !ReadHexLE(mask, 1, maskValue) || !Decimal(rate, p.rate) || !wire::Decimal(tag, 0xFFFF, tagValue) ||
        Chars(name) > 64 || !Clean(name)) {
        why = "expected \"drive payment-type N SECOND CHANGE CURRENCY MASK RATE TAG NAME\" (N 0 to 15; flags 0 "
              "or 1; CURRENCY 0 to 255; MASK 2 hex digits; a rate with two decimals at most; TAG 0 to 65535; a "
              "name of at most 64 characters)";
        return true;
    }
    p.name = name;
    p.secondLine = static_cast<uint8_t>(secondValue);
    p.change = static_cast<uint8_t>(changeValue);
    p.currency = static_cast<uint8_t>(currencyValue);
    p.mask = static_cast<uint8_t>(maskValue);
    p.tag = static_cast<uint16_t>(tagValue);
    s.settings.payments[i] = p;
    return true;
}

} // namespace

std::vector<TaxRate> DefaultTaxRates()
{
    return {
        {u8"НДС 20%", "20.00", "0.00", 0, 1102},     {u8"НДС 10%", "10.00", "0.00", 0, 1103},
        {u8"НДС 20/120", "20.00", "0.00", 1, 1106}, {u8"НДС 10/110", "10.00", "0.00", 1, 1107},
        {u8"НДС 0%", "0.00", "0.00", 0, 1104},       {u8"БЕЗ НДС", "0.00", "0.00", 0, 1105},
    };
}

std::vector<PaymentKind> DefaultPaymentKinds()
{
    static const char *const kNames[5] = {u8"НАЛИЧНЫМИ", u8"БЕЗНАЛИЧНЫМИ", u8"ПРЕДВАРИТЕЛЬНАЯ ОПЛАТА (АВАНС)",
                                          u8"ПОСЛЕДУЮЩАЯ ОПЛАТА (КРЕДИТ)", u8"ИНАЯ ФОРМА ОПЛАТЫ"};
    static const uint16_t kTags[5] = {1031, 1081, 1215, 1216, 1217};
    std::vector<PaymentKind> out(kPaymentKinds);
    for (size_t p = 0; p < kPaymentKinds; ++p) {
        out[p].name = p < 5 ? std::string(kNames[p]) : u8"ВИД ОПЛАТЫ " + std::to_string(p);
        out[p].change = p == 0 ? 1 : 0; // change is given from cash only
        out[p].tag = p < 5 ? kTags[p] : 1217;
    }
    return out;
}

std::vector<DepartmentName> DefaultDepartmentNames()
{
    std::vector<DepartmentName> out(4);
    for (size_t d = 0; d < out.size(); ++d) {
        out[d].number = static_cast<uint8_t>(d + 1);
        out[d].name = u8"ОТДЕЛ " + std::to_string(d + 1);
    }
    return out;
}

std::string DriveClock(const DriveState &s, time_t pc)
{
    time_t t = static_cast<time_t>(static_cast<int64_t>(pc) + s.settings.clockOffset);
    struct tm tmv;
    localtime_r(&t, &tmv);
    char b[64];
    std::snprintf(b, sizeof b, "%02d%02d%02d%02d%02d", tmv.tm_mday, tmv.tm_mon + 1, tmv.tm_year % 100, tmv.tm_hour,
                  tmv.tm_min);
    return b;
}

bool ClockOffsetFor(const std::string &d, const std::string &t, time_t pc, int64_t &offset)
{
    if (!wire::RealDateTime(d, t))
        return false;
    int day = Two(d, 0), month = Two(d, 2), year = 2000 + Two(d, 4);
    struct tm tmv = {};
    tmv.tm_mday = day;
    tmv.tm_mon = month - 1;
    tmv.tm_year = year - 1900;
    tmv.tm_hour = Two(t, 0);
    tmv.tm_min = Two(t, 2);
    tmv.tm_isdst = -1;
    time_t target = mktime(&tmv);
    if (target == static_cast<time_t>(-1))
        return false;
    offset = static_cast<int64_t>(target) - static_cast<int64_t>(pc);
    return true;
}

uint8_t SettingsSetHead(DriveCall &c) { return Settings(c).Lines(3, 4, 1, 39); }
uint8_t SettingsSetClock(DriveCall &c) { return Settings(c).SetClock(); }
uint8_t SettingsClock(DriveCall &c) { return Settings(c).Clock(); }
uint8_t SettingsSetTail(DriveCall &c) { return Settings(c).Lines(3, 4, 0, kSettingLineWidth, true); }
uint8_t SettingsSetPayment(DriveCall &c) { return Settings(c).SetPayment(); }
uint8_t SettingsPayment(DriveCall &c) { return Settings(c).GetPayment(); }
uint8_t SettingsSetHeadExt(DriveCall &c) { return Settings(c).Lines(1, 6, 0, kSettingLineWidth); }
uint8_t SettingsSetTax(DriveCall &c) { return Settings(c).SetTax(); }
uint8_t SettingsTax(DriveCall &c) { return Settings(c).GetTax(); }
uint8_t SettingsSetDepartments(DriveCall &c) { return Settings(c).SetDepartments(); }
uint8_t SettingsDepartments(DriveCall &c) { return Settings(c).Departments(); }
uint8_t SettingsHead(DriveCall &c) { return Settings(c).Answer(c.s.settings.head); }
uint8_t SettingsTail(DriveCall &c) { return Settings(c).Answer(c.s.settings.tail); }

std::vector<std::string> PrintedHead(const DriveState &s)
{
    std::vector<std::string> out;
    for (const std::string &l : s.settings.head)
        if (!Trimmed(l).empty())
            out.push_back(Trimmed(l));
    return out;
}

std::vector<std::string> PrintedTail(const DriveState &s)
{
    std::vector<std::string> out;
    for (const std::string &l : s.settings.tail)
        if (!Trimmed(l).empty())
            out.push_back(Trimmed(l));
    return out;
}

bool SettingsStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why)
{
    if (name == "clock") {
        int64_t offset;
        if (value.size() != 10 || !ClockOffsetFor(value.substr(0, 6), value.substr(6, 4), time(nullptr), offset)) {
            why = "drive clock needs a real date and time DDMMYYHHMM";
            return true;
        }
        s.settings.clockOffset = offset;
        return true;
    }
    if (name == "departments") {
        if (value != "none")
            why = "expected \"drive departments none\"";
        else
            s.settings.departments.clear();
        return true;
    }
    if (name == "department") {
        size_t space = value.find(' ');
        std::string number = value.substr(0, space), text = space == std::string::npos ? "" : value.substr(space + 1);
        int n = number.size() >= 1 && number.size() <= 3 && AllDigits(number, number.size()) ? std::stoi(number) : 0;
        if (n < 1 || n > 255 || Chars(text) > kDepartmentNameWidth || !Clean(text)) {
            why = "expected \"drive department N TEXT\" (N 1 to 255, a text of at most 30 characters)";
            return true;
        }
        for (DepartmentName &d : s.settings.departments)
            if (d.number == n) {
                d.name = text;
                return true;
            }
        if (s.settings.departments.size() >= kMaxDepartmentNames) {
            why = "the department table holds 16 at most";
            return true;
        }
        DepartmentName d;
        d.number = static_cast<uint8_t>(n);
        d.name = text;
        s.settings.departments.push_back(d);
        return true;
    }
    if (name == "tax-rate")
        return TaxRateStatement(value, s, why);
    if (name == "payment-type")
        return PaymentTypeStatement(value, s, why);
    if (name == "work-word") {
        // Words 2 to 4 beside the work modes: the second parameter, the
        // line feeds, the third parameter, each its value in 1 to 4 hex
        // digits (0x4D sends it lowest byte first).
        std::istringstream in(value);
        std::string number, word, extra;
        in >> number >> word >> extra;
        uint32_t v = 0;
        bool ok = number.size() == 1 && number[0] >= '2' && number[0] <= '4' && !word.empty() &&
                  word.size() <= 4 && extra.empty();
        for (char c : word)
            ok = ok && HexDigit(c) >= 0;
        if (!ok) {
            why = "expected \"drive work-word N HHHH\" (N 2 to 4, 1 to 4 hex digits)";
            return true;
        }
        v = static_cast<uint32_t>(std::stoul(word, nullptr, 16));
        uint16_t *words[3] = {&s.workParam2, &s.lineFeeds, &s.workParam3};
        *words[number[0] - '2'] = static_cast<uint16_t>(v);
        return true;
    }
    if (name != "head" && name != "tail")
        return false;
    const size_t count = name == "head" ? kHeadLines : kTailLines;
    size_t space = value.find(' ');
    std::string number = value.substr(0, space);
    std::string text = space == std::string::npos ? std::string() : value.substr(space + 1);
    // Head lines 2 to 5 are kept behind the controller's alignment blank,
    // as 0x41 writes them: 39 characters of text at most.
    const bool aligned = name == "head" && number.size() == 1 && number[0] >= '2' && number[0] <= '5';
    if (number.size() != 1 || number[0] < '1' || static_cast<size_t>(number[0] - '0') > count ||
        Chars(text) > kSettingLineWidth - (aligned ? 1 : 0) || !Clean(text)) {
        why = "expected \"drive " + name + " N TEXT\" (N 1 to " + std::to_string(count) +
              ", a text of at most 40 characters, 39 for head lines 2 to 5)";
        return true;
    }
    (name == "head" ? s.settings.head : s.settings.tail)[static_cast<size_t>(number[0] - '1')] =
        aligned && !text.empty() ? " " + text : text;
    return true;
}

std::string SettingsToJson(const DriveState &s)
{
    auto list = [](const std::vector<std::string> &lines) {
        std::string o = "[";
        for (size_t i = 0; i < lines.size(); ++i)
            o += (i ? ", " : "") + JsonString(lines[i]);
        return o + "]";
    };
    std::string taxes = "[";
    for (size_t i = 0; i < s.settings.taxes.size(); ++i) {
        const TaxRate &t = s.settings.taxes[i];
        taxes += std::string(i ? "," : "") + "\n      {\"name\": " + JsonString(t.name) + ", \"rate\": " +
                 JsonString(t.rate) + ", \"sum\": " + JsonString(t.sum) + ", \"type\": " + std::to_string(t.type) +
                 ", \"tag\": " + std::to_string(t.tag) + "}";
    }
    std::string pays = "[";
    for (size_t i = 0; i < s.settings.payments.size(); ++i) {
        const PaymentKind &p = s.settings.payments[i];
        pays += std::string(i ? "," : "") + "\n      {\"name\": " + JsonString(p.name) + ", \"second_line\": " +
                std::to_string(p.secondLine) + ", \"change\": " + std::to_string(p.change) + ", \"currency\": " +
                std::to_string(p.currency) + ", \"mask\": " + std::to_string(p.mask) + ", \"rate\": " +
                JsonString(p.rate) + ", \"tag\": " + std::to_string(p.tag) + "}";
    }
    std::string deps = "[";
    for (size_t i = 0; i < s.settings.departments.size(); ++i)
        deps += std::string(i ? ", " : "") + "[" + std::to_string(s.settings.departments[i].number) + ", " +
                JsonString(s.settings.departments[i].name) + "]";
    return "{\n    \"clock_offset\": " + std::to_string(s.settings.clockOffset) + ",\n    \"head\": " +
           list(s.settings.head) + ",\n    \"tail\": " + list(s.settings.tail) + ",\n    \"tax_rates\": " + taxes +
           "],\n    \"payment_types\": " + pays + "],\n    \"departments\": " + deps + "]\n  }";
}

bool SettingsFromJson(const JsonValue *member, DriveState &s, std::string &why)
{
    if (!member)
        return true;
    auto bad = [&](const char *key) {
        why = std::string("bad member \"settings.") + key + "\"";
        return false;
    };
    if (member->type != JsonValue::Object)
        return bad("");
    DriveSettings n = s.settings;
    if (const JsonValue *v = member->Find("clock_offset")) {
        // A hundred years either way at most.
        if (v->type != JsonValue::Number || v->number < -3155760000ll || v->number > 3155760000ll)
            return bad("clock_offset");
        n.clockOffset = v->number;
    }
    auto lines = [&](const char *key, std::vector<std::string> &out) {
        const JsonValue *v = member->Find(key);
        if (!v)
            return true;
        if (v->type != JsonValue::Array || v->items.size() != out.size())
            return bad(key);
        for (size_t i = 0; i < out.size(); ++i) {
            const JsonValue &l = v->items[i];
            if (l.type != JsonValue::String || Chars(l.text) > kSettingLineWidth || !Clean(l.text))
                return bad(key);
            out[i] = l.text;
        }
        return true;
    };
    if (!lines("head", n.head) || !lines("tail", n.tail))
        return false;
    auto number = [](const JsonValue *v, int64_t max, int64_t &out) {
        if (!v || v->type != JsonValue::Number || v->number < 0 || v->number > max)
            return false;
        out = v->number;
        return true;
    };
    auto text = [](const JsonValue *v, size_t max, std::string &out) {
        if (!v || v->type != JsonValue::String || Chars(v->text) > max || !Clean(v->text))
            return false;
        out = v->text;
        return true;
    };
    auto decimal = [&](const JsonValue *v, std::string &out) {
        std::string t;
        return text(v, 24, t) && Decimal(t, out);
    };
    if (const JsonValue *v = member->Find("tax_rates")) {
        if (v->type != JsonValue::Array || v->items.empty() || v->items.size() > kMaxTaxRates)
            return bad("tax_rates");
        n.taxes.clear();
        for (const JsonValue &e : v->items) {
            TaxRate t;
            int64_t type, tag;
            if (e.type != JsonValue::Object || !text(e.Find("name"), 64, t.name) || !decimal(e.Find("rate"), t.rate) ||
                !decimal(e.Find("sum"), t.sum) || !number(e.Find("type"), 0xFF, type) ||
                !number(e.Find("tag"), 0xFFFF, tag))
                return bad("tax_rates");
            t.type = static_cast<uint8_t>(type);
            t.tag = static_cast<uint16_t>(tag);
            n.taxes.push_back(t);
        }
    }
    if (const JsonValue *v = member->Find("payment_types")) {
        if (v->type != JsonValue::Array || v->items.size() != kPaymentKinds)
            return bad("payment_types");
        for (size_t i = 0; i < kPaymentKinds; ++i) {
            const JsonValue &e = v->items[i];
            PaymentKind &p = n.payments[i];
            int64_t second, change, currency, mask, tag;
            if (e.type != JsonValue::Object || !text(e.Find("name"), 64, p.name) ||
                !number(e.Find("second_line"), 1, second) || !number(e.Find("change"), 1, change) ||
                !number(e.Find("currency"), 0xFF, currency) || !number(e.Find("mask"), 0xFF, mask) ||
                !decimal(e.Find("rate"), p.rate) || !number(e.Find("tag"), 0xFFFF, tag))
                return bad("payment_types");
            p.secondLine = static_cast<uint8_t>(second);
            p.change = static_cast<uint8_t>(change);
            p.currency = static_cast<uint8_t>(currency);
            p.mask = static_cast<uint8_t>(mask);
            p.tag = static_cast<uint16_t>(tag);
        }
    }
    if (const JsonValue *v = member->Find("departments")) {
        if (v->type != JsonValue::Array || v->items.size() > kMaxDepartmentNames)
            return bad("departments");
        n.departments.clear();
        for (const JsonValue &e : v->items) {
            DepartmentName d;
            int64_t no;
            if (e.type != JsonValue::Array || e.items.size() != 2 || !number(&e.items[0], 0xFF, no) || no == 0 ||
                !text(&e.items[1], kDepartmentNameWidth, d.name))
                return bad("departments");
            d.number = static_cast<uint8_t>(no);
            for (const DepartmentName &o : n.departments)
                if (o.number == d.number)
                    return bad("departments");
            n.departments.push_back(d);
        }
    }
    s.settings = n;
    return true;
}

} // namespace kktsim
