#include "vuTrace.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <nlohmann/json.hpp>

#include "osal.h"
#include "vuUI.h"

namespace {

// Unicode of the CP1251 bytes 0x80..0xFF (0xFFFD for the one unused byte).
const uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

pthread_once_t onceControl = PTHREAD_ONCE_INIT;
int traceFd = -1;
pthread_mutex_t sourceMutex = PTHREAD_MUTEX_INITIALIZER;
// Description files of the forms built from one, by form.
std::map<const vuForm *, std::string> *sources;

void openTrace()
{
    const char *path = std::getenv("CASHDESK_TRACE");
    if (path && *path)
        traceFd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

void appendUtf8(std::string &out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string vuTraceLine::Quote(const char *text)
{
    // CP1251 to UTF-8 first (every byte has a character, so the result is
    // always UTF-8), then nlohmann's escapes; a fault of the conversion
    // still could not throw: such bytes would become U+FFFD.
    std::string utf8;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text ? text : ""); *p; ++p)
        appendUtf8(utf8, *p < 0x80 ? *p : kCp1251High[*p - 0x80]);
    return nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

vuTraceLine::vuTraceLine(const char *kind)
{
    line_ = "{\"event\":" + Quote(kind) + ",\"tick\":" + std::to_string(OsGetTickCount());
}

vuTraceLine &vuTraceLine::Text(const char *key, const char *text)
{
    line_ += "," + Quote(key) + ":" + Quote(text);
    return *this;
}

vuTraceLine &vuTraceLine::Number(const char *key, long value)
{
    line_ += "," + Quote(key) + ":" + std::to_string(value);
    return *this;
}

vuTraceLine &vuTraceLine::Json(const char *key, const std::string &json)
{
    line_ += "," + Quote(key) + ":" + json;
    return *this;
}

void vuTraceLine::Write()
{
    if (!vuTraceEnabled())
        return;
    std::string line = line_ + "}\n";
    // O_APPEND and a single write keep lines of several threads whole.
    ssize_t n = write(traceFd, line.data(), line.size());
    (void)n;
}

VU_C_API int vuTraceEnabled(void)
{
    pthread_once(&onceControl, openTrace);
    return traceFd >= 0;
}

VU_C_API void vuTraceSetSource(vuForm *form, const char *file)
{
    if (!form || !vuTraceEnabled())
        return;
    pthread_mutex_lock(&sourceMutex);
    if (!sources)
        sources = new std::map<const vuForm *, std::string>();
    if (file)
        (*sources)[form] = file;
    else
        sources->erase(form);
    pthread_mutex_unlock(&sourceMutex);
}

std::string vuTraceSourceOf(const vuForm *form)
{
    std::string file;
    pthread_mutex_lock(&sourceMutex);
    if (sources) {
        auto it = sources->find(form);
        if (it != sources->end())
            file = it->second;
    }
    pthread_mutex_unlock(&sourceMutex);
    return file;
}

vuTraceItem::vuTraceItem(const char *kind, int x, int y, int w, int h)
{
    text_ = "{\"kind\":" + vuTraceLine::Quote(kind);
    Num("x", x).Num("y", y).Num("w", w).Num("h", h);
}

vuTraceItem &vuTraceItem::Num(const char *key, long value)
{
    text_ += ",\"" + std::string(key) + "\":" + std::to_string(value);
    return *this;
}

vuTraceItem &vuTraceItem::Str(const char *key, const char *cp1251)
{
    text_ += ",\"" + std::string(key) + "\":" + vuTraceLine::Quote(cp1251);
    return *this;
}

vuTraceItem &vuTraceItem::Rect(const char *key, int x, int y, int w, int h)
{
    text_ += ",\"" + std::string(key) + "\":[" + std::to_string(x) + "," + std::to_string(y) + "," +
             std::to_string(w) + "," + std::to_string(h) + "]";
    return *this;
}

vuTraceItem &vuTraceItem::Label(const char *cp1251, unsigned short font)
{
    Str("label", cp1251).Num("font", font);
    if (cp1251 && !std::strchr(cp1251, '\n'))
        Num("tw", static_cast<long>(vuUI::GetFontWidth(font)) * static_cast<long>(std::strlen(cp1251)))
            .Num("th", vuUI::GetFontHeight(font));
    return *this;
}

void vuTraceItem::AppendTo(std::string &items) const
{
    if (items.size() > 1)
        items += ",";
    items += text_ + "}";
}
