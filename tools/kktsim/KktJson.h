// The stand-in's own files (the fiscal drive's state) as a plain tree of
// values, read by nlohmann's JSON reader. It takes objects (members in file
// order), arrays, strings, whole numbers up to 2^62, true, false and null;
// nesting is limited, so a damaged file cannot exhaust the stack.
#ifndef KKTSIM_KKTJSON_H
#define KKTSIM_KKTJSON_H

#include <stdint.h>
#include <string>
#include <utility>
#include <vector>

namespace kktsim {

struct JsonValue {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    int64_t number = 0;
    std::string text; // String
    std::vector<JsonValue> items;                            // Array
    std::vector<std::pair<std::string, JsonValue>> members;  // Object, in file order

    // The member named key, or null when this is no object or has none.
    const JsonValue *Find(const std::string &key) const;
};

// Reads the members of one object of the state into their fields, the same
// way for every section of the state: a member that is absent keeps its
// field; one of the wrong kind or out of range leaves the field and records
// the first fault in why (`bad member "PREFIXkey"`, or with a bare prefix
// `PREFIXkey` alone). Each read returns false on a fault, so a reader may
// stop at the first one or read on.
class MemberReader {
public:
    enum Style { Quoted, Bare };
    MemberReader(const JsonValue &object, std::string &why, std::string prefix = std::string(),
                 Style style = Quoted)
        : o_(object), why_(why), prefix_(std::move(prefix)), style_(style)
    {
    }

    const JsonValue &Object() const { return o_; }

    template <typename T> bool Int(const char *key, T &out, int64_t lo, int64_t hi)
    {
        const JsonValue *v = o_.Find(key);
        if (!v)
            return true;
        if (v->type != JsonValue::Number || v->number < lo || v->number > hi)
            return Bad(key);
        out = static_cast<T>(v->number);
        return true;
    }
    bool Flag(const char *key, bool &out);
    // A text of at most max bytes; the default fits one frame field (4096
    // bytes of CP866, up to three UTF-8 bytes each).
    bool Text(const char *key, std::string &out, size_t max = 3 * 4096);
    // Texts with two decimals up to kMaxStored (KktAmount.h).
    bool Amount(const char *key, int64_t &out);
    bool Amounts(const char *key, int64_t *out, int n);
    // Hex digits into bytes, at most max of them.
    bool Hex(const char *key, std::string &out, size_t max);
    // An array of at most items texts of at most length bytes each, or of
    // hex texts of at most length bytes each.
    bool Texts(const char *key, std::vector<std::string> &out, size_t items, size_t length);
    bool HexTexts(const char *key, std::vector<std::string> &out, size_t items, size_t length);
    // Records a fault of the member key (when none is recorded yet); false.
    bool Bad(const std::string &key);
    bool Ok() const { return why_.empty(); }

private:
    const JsonValue &o_;
    std::string &why_;
    std::string prefix_;
    Style style_;
};

// Reads a whole document; false with the fault in error: "offset N (line L,
// column C): what" for text that is no JSON, else what the value breaks.
bool ParseJson(const std::string &text, JsonValue &out, std::string *error);

} // namespace kktsim

#endif
