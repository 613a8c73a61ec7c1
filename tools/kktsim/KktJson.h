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

// Reads a whole document; false with the fault in error: "offset N (line L,
// column C): what" for text that is no JSON, else what the value breaks.
bool ParseJson(const std::string &text, JsonValue &out, std::string *error);

} // namespace kktsim

#endif
