// The JSON reader of the stand-in's state file, over nlohmann's reader.

#include "KktJson.h"

#include "KktDriveWire.h"

#include <nlohmann/json.hpp>

namespace kktsim {

namespace {

const int kMaxDepth = 16;
const uint64_t kMaxNumber = UINT64_C(1) << 62;

// Builds the value as nlohmann's reader goes through the text, on a stack of
// its own (no recursion), and stops at the first thing the stand-in's files
// never hold: fractions, huge numbers, deep nesting.
class Builder : public nlohmann::json_sax<nlohmann::json> {
public:
    JsonValue root;
    std::string why;

    bool null() override { return Put(JsonValue()); }
    bool boolean(bool b) override
    {
        JsonValue v;
        v.type = JsonValue::Bool;
        v.boolean = b;
        return Put(std::move(v));
    }
    bool number_integer(number_integer_t n) override
    {
        if (n < -static_cast<int64_t>(kMaxNumber) || n > static_cast<int64_t>(kMaxNumber))
            return Fail("number too large");
        JsonValue v;
        v.type = JsonValue::Number;
        v.number = n;
        return Put(std::move(v));
    }
    bool number_unsigned(number_unsigned_t n) override
    {
        if (n > kMaxNumber)
            return Fail("number too large");
        return number_integer(static_cast<int64_t>(n));
    }
    bool number_float(number_float_t, const string_t &text) override
    {
        // A whole number too long for 64 bits reads as a float too.
        bool whole = text.find_first_of(".eE") == std::string::npos;
        return Fail(whole ? "number too large" : "only whole numbers");
    }
    bool string(string_t &text) override
    {
        JsonValue v;
        v.type = JsonValue::String;
        v.text = std::move(text);
        return Put(std::move(v));
    }
    bool binary(binary_t &) override { return Fail("binary value"); }
    bool start_object(std::size_t) override { return Open(JsonValue::Object); }
    bool key(string_t &name) override
    {
        keys_.back() = std::move(name);
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(JsonValue::Array); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t at, const std::string &, const nlohmann::detail::exception &e) override
    {
        // The library says "[json.exception...] parse error at line L,
        // column C: what"; this keeps "offset N (line L, column C): what",
        // N counted from 0 as the byte where reading stopped.
        std::string what = e.what();
        size_t place = what.find("at line ");
        size_t colon = place == std::string::npos ? place : what.find(": ", place);
        std::string where = "offset " + std::to_string(at > 0 ? at - 1 : 0);
        if (colon != std::string::npos)
            what = where + " (" + what.substr(place + 3, colon - place - 3) + ")" + what.substr(colon);
        else
            what = where + ": " + what;
        return Fail(what.c_str());
    }

private:
    bool Fail(const char *what)
    {
        if (why.empty())
            why = what;
        return false;
    }
    bool Open(JsonValue::Type type)
    {
        if (static_cast<int>(open_.size()) > kMaxDepth)
            return Fail("nested too deep");
        JsonValue v;
        v.type = type;
        open_.push_back(std::move(v));
        keys_.emplace_back();
        return true;
    }
    bool Close()
    {
        JsonValue v = std::move(open_.back());
        open_.pop_back();
        keys_.pop_back();
        return Put(std::move(v));
    }
    bool Put(JsonValue v)
    {
        if (open_.empty())
            root = std::move(v);
        else if (open_.back().type == JsonValue::Array)
            open_.back().items.push_back(std::move(v));
        else
            open_.back().members.emplace_back(std::move(keys_.back()), std::move(v));
        return true;
    }

    std::vector<JsonValue> open_;
    std::vector<std::string> keys_;
};

} // namespace

const JsonValue *JsonValue::Find(const std::string &key) const
{
    if (type != Object)
        return nullptr;
    for (const auto &m : members)
        if (m.first == key)
            return &m.second;
    return nullptr;
}

bool ParseJson(const std::string &text, JsonValue &out, std::string *error)
{
    Builder b;
    bool ok = false;
    try {
        ok = nlohmann::json::sax_parse(text, &b);
    } catch (const std::exception &e) {
        // The builder answers every fault of the text itself: this is only
        // a guard (memory, say).
        b.why = e.what();
    }
    if (!ok) {
        if (error)
            *error = b.why.empty() ? "not JSON" : b.why;
        return false;
    }
    out = std::move(b.root);
    return true;
}

bool MemberReader::Flag(const char *key, bool &out)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    if (v->type != JsonValue::Bool)
        return Bad(key);
    out = v->boolean;
    return true;
}

bool MemberReader::Text(const char *key, std::string &out, size_t max)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    if (v->type != JsonValue::String || v->text.size() > max)
        return Bad(key);
    out = v->text;
    return true;
}

bool MemberReader::Amount(const char *key, int64_t &out)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    int64_t a;
    if (v->type != JsonValue::String || !ParseStoredAmount(v->text, a))
        return Bad(key);
    out = a;
    return true;
}

bool MemberReader::Amounts(const char *key, int64_t *out, int n)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    if (v->type != JsonValue::Array || v->items.size() != static_cast<size_t>(n))
        return Bad(key);
    int64_t read[64];
    if (n > 64)
        return Bad(key);
    for (int i = 0; i < n; ++i)
        if (v->items[i].type != JsonValue::String || !ParseStoredAmount(v->items[i].text, read[i]))
            return Bad(key);
    for (int i = 0; i < n; ++i)
        out[i] = read[i];
    return true;
}

bool MemberReader::Hex(const char *key, std::string &out, size_t max)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    std::string bytes;
    if (v->type != JsonValue::String || !wire::Unhex(v->text, bytes) || bytes.size() > max)
        return Bad(key);
    out = bytes;
    return true;
}

bool MemberReader::Texts(const char *key, std::vector<std::string> &out, size_t items, size_t length)
{
    const JsonValue *v = o_.Find(key);
    if (!v)
        return true;
    if (v->type != JsonValue::Array || v->items.size() > items)
        return Bad(key);
    std::vector<std::string> read;
    for (const JsonValue &item : v->items) {
        if (item.type != JsonValue::String || item.text.size() > length)
            return Bad(key);
        read.push_back(item.text);
    }
    out = read;
    return true;
}

bool MemberReader::HexTexts(const char *key, std::vector<std::string> &out, size_t items, size_t length)
{
    std::vector<std::string> texts;
    if (!Texts(key, texts, items, 2 * length))
        return false;
    for (std::string &text : texts) {
        std::string bytes;
        if (!wire::Unhex(text, bytes))
            return Bad(key);
        text = bytes;
    }
    if (o_.Find(key))
        out = texts;
    return true;
}

bool MemberReader::Bad(const std::string &key)
{
    if (why_.empty())
        why_ = style_ == Bare ? prefix_ + key : "bad member \"" + prefix_ + key + "\"";
    return false;
}

} // namespace kktsim
