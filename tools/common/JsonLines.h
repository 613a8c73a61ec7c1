// JSON for the stand-ins and the tests: one library (nlohmann's, header
// only) behind a few helpers, so every journal and state file is written and
// read the same way, escapes and nested members included.
//
// A journal is a file of JSON lines: one compact object per line, appended
// and flushed at once so that a test or a person reading it while the writer
// runs sees whole lines only.
#ifndef TOOLS_COMMON_JSON_LINES_H
#define TOOLS_COMMON_JSON_LINES_H

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace jsonl {

using Json = nlohmann::json;

// One compact line (no line end). Bytes that are not UTF-8 become U+FFFD, so
// the line is always valid JSON whatever a peer sent.
inline std::string Dump(const Json &value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// Indented text for files people read (state files).
inline std::string DumpIndented(const Json &value)
{
    return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

// Parses text: false with the library's description of the fault in error.
inline bool Parse(const std::string &text, Json *out, std::string *error = nullptr)
{
    Json value = Json::parse(text, nullptr, false);
    if (value.is_discarded()) {
        if (error) {
            try {
                Json again = Json::parse(text);
                (void)again;
            } catch (const Json::parse_error &e) {
                *error = e.what();
            }
        }
        return false;
    }
    *out = std::move(value);
    return true;
}

// Every line of a JSON-lines file that reads as JSON, in order; lines that do
// not (a line still being written, say) are counted in bad when given.
inline std::vector<Json> ReadLines(const std::string &path, size_t *bad = nullptr)
{
    std::vector<Json> out;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    size_t faults = 0;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        Json value;
        if (Parse(line, &value))
            out.push_back(std::move(value));
        else
            ++faults;
    }
    if (bad)
        *bad = faults;
    return out;
}

// A member as text: strings as they are, numbers and the rest as JSON text,
// missing members (or a value that is no object) empty.
inline std::string Text(const Json &object, const char *name)
{
    if (!object.is_object())
        return std::string();
    auto it = object.find(name);
    if (it == object.end() || it->is_null())
        return std::string();
    return it->is_string() ? it->get<std::string>() : Dump(*it);
}

// A member as a number; missing or not a number: fallback.
inline long long Number(const Json &object, const char *name, long long fallback = 0)
{
    if (!object.is_object())
        return fallback;
    auto it = object.find(name);
    if (it == object.end() || !it->is_number())
        return fallback;
    return it->get<long long>();
}

// Upper-case hexadecimal pairs without separators.
inline std::string Hex(const uint8_t *data, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

inline std::string Hex(const std::string &bytes)
{
    return Hex(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

// UTC as "YYYY-MM-DDTHH:MM:SS.mmmZ".
inline std::string UtcNow()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm t;
    gmtime_r(&ts.tv_sec, &t);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<long>(ts.tv_nsec / 1000000L % 1000));
    return buf;
}

// An appending journal, safe to use from several threads.
class Writer {
public:
    Writer() = default;
    ~Writer() { Close(); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // Opens (creates) the file for appending: false when it cannot.
    bool Open(const std::string &path)
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (file_)
            std::fclose(file_);
        file_ = std::fopen(path.c_str(), "a");
        return file_ != nullptr;
    }
    void Close()
    {
        std::lock_guard<std::mutex> lock(mu_);
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
    }
    // One line; without an open file nothing happens.
    void Write(const Json &value)
    {
        std::string line = Dump(value);
        line += '\n';
        std::lock_guard<std::mutex> lock(mu_);
        if (!file_)
            return;
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }

private:
    std::mutex mu_;
    std::FILE *file_ = nullptr;
};

} // namespace jsonl

#endif
