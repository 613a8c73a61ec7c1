// The JSON reader of the stand-in's state file.

#include "KktJson.h"

namespace kktsim {

namespace {

const int kMaxDepth = 16;

class Reader {
public:
    explicit Reader(const std::string &t) : s(t) {}
    bool Document(JsonValue &v)
    {
        Space();
        if (!Value(v, 0))
            return false;
        Space();
        if (at != s.size())
            return Fail("text after the value");
        return true;
    }
    std::string why;
    size_t at = 0;

private:
    bool Fail(const char *what)
    {
        if (why.empty())
            why = "offset " + std::to_string(at) + ": " + what;
        return false;
    }
    void Space()
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r'))
            ++at;
    }
    bool Word(const char *w)
    {
        size_t n = std::char_traits<char>::length(w);
        if (s.compare(at, n, w) != 0)
            return Fail("unknown word");
        at += n;
        return true;
    }
    static int Hex(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }
    static void PutUtf8(std::string &out, uint32_t cp)
    {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    bool Hex4(uint32_t &v)
    {
        if (at + 4 > s.size())
            return Fail("short \\u escape");
        v = 0;
        for (int i = 0; i < 4; ++i) {
            int h = Hex(s[at++]);
            if (h < 0)
                return Fail("bad \\u escape");
            v = v << 4 | static_cast<uint32_t>(h);
        }
        return true;
    }
    bool String(std::string &out)
    {
        ++at; // opening quote
        while (at < s.size()) {
            char c = s[at++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("control character in a string");
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (at >= s.size())
                break;
            char e = s[at++];
            switch (e) {
            case '"': case '\\': case '/': out.push_back(e); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'n': out.push_back('\n'); break;
            case 'r': out.push_back('\r'); break;
            case 't': out.push_back('\t'); break;
            case 'u': {
                uint32_t cp = 0;
                if (!Hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp < 0xDC00) { // a surrogate pair
                    uint32_t lo = 0;
                    if (s.compare(at, 2, "\\u") != 0)
                        return Fail("lone surrogate");
                    at += 2;
                    if (!Hex4(lo) || lo < 0xDC00 || lo > 0xDFFF)
                        return Fail("lone surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    return Fail("lone surrogate");
                }
                PutUtf8(out, cp);
                break;
            }
            default:
                return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }
    bool Number(int64_t &v)
    {
        bool neg = false;
        if (s[at] == '-') {
            neg = true;
            ++at;
        }
        if (at >= s.size() || s[at] < '0' || s[at] > '9')
            return Fail("bad number");
        uint64_t u = 0;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
            if (u > (UINT64_C(1) << 62) / 10)
                return Fail("number too large");
            u = u * 10 + static_cast<uint64_t>(s[at++] - '0');
        }
        if (at < s.size() && (s[at] == '.' || s[at] == 'e' || s[at] == 'E'))
            return Fail("only whole numbers");
        v = neg ? -static_cast<int64_t>(u) : static_cast<int64_t>(u);
        return true;
    }
    bool Value(JsonValue &v, int depth)
    {
        if (depth > kMaxDepth)
            return Fail("nested too deep");
        if (at >= s.size())
            return Fail("value expected");
        char c = s[at];
        v = JsonValue();
        if (c == '{') {
            v.type = JsonValue::Object;
            ++at;
            Space();
            if (at < s.size() && s[at] == '}') {
                ++at;
                return true;
            }
            for (;;) {
                Space();
                if (at >= s.size() || s[at] != '"')
                    return Fail("member name expected");
                std::string key;
                if (!String(key))
                    return false;
                Space();
                if (at >= s.size() || s[at] != ':')
                    return Fail("':' expected");
                ++at;
                Space();
                JsonValue m;
                if (!Value(m, depth + 1))
                    return false;
                v.members.emplace_back(std::move(key), std::move(m));
                Space();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                if (at < s.size() && s[at] == '}') {
                    ++at;
                    return true;
                }
                return Fail("',' or '}' expected");
            }
        }
        if (c == '[') {
            v.type = JsonValue::Array;
            ++at;
            Space();
            if (at < s.size() && s[at] == ']') {
                ++at;
                return true;
            }
            for (;;) {
                Space();
                JsonValue m;
                if (!Value(m, depth + 1))
                    return false;
                v.items.push_back(std::move(m));
                Space();
                if (at < s.size() && s[at] == ',') {
                    ++at;
                    continue;
                }
                if (at < s.size() && s[at] == ']') {
                    ++at;
                    return true;
                }
                return Fail("',' or ']' expected");
            }
        }
        if (c == '"') {
            v.type = JsonValue::String;
            return String(v.text);
        }
        if (c == 't') {
            v.type = JsonValue::Bool;
            v.boolean = true;
            return Word("true");
        }
        if (c == 'f') {
            v.type = JsonValue::Bool;
            return Word("false");
        }
        if (c == 'n')
            return Word("null");
        v.type = JsonValue::Number;
        return Number(v.number);
    }

    const std::string &s;
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
    Reader r(text);
    JsonValue v;
    if (!r.Document(v)) {
        if (error)
            *error = r.why;
        return false;
    }
    out = std::move(v);
    return true;
}

} // namespace kktsim
