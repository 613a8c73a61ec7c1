// Code pages, JSON strings and hex for the stand-in's journal and paper log.

#include "KktText.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace kktsim {

std::string Recode(const std::string &text, const char *from, const char *to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string out;
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    char buf[1024];
    while (inLeft > 0) {
        char *o = buf;
        size_t oLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: one input byte cannot be converted
            out.push_back('?');
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string JsonString(const std::string &utf8)
{
    // Bytes that are not UTF-8 (a peer's text in another code page) become
    // U+FFFD: the journal line stays valid JSON whatever came in.
    return nlohmann::json(utf8).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string HexOf(const uint8_t *p, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(digits[p[i] >> 4]);
        out.push_back(digits[p[i] & 15]);
    }
    return out;
}

} // namespace kktsim
