// Text helpers of the controller-service stand-in: code-page conversion for
// people (the journal and the paper log are UTF-8), JSON strings and hex.
#ifndef KKTSIM_KKTTEXT_H
#define KKTSIM_KKTTEXT_H

#include <stddef.h>
#include <stdint.h>
#include <string>

namespace kktsim {

// Converts between code pages with iconv; a byte or character that cannot
// be converted becomes '?'. Names are iconv's ("CP866", "CP1251", "UTF-8").
std::string Recode(const std::string &text, const char *from, const char *to);

inline std::string Cp866ToUtf8(const std::string &s) { return Recode(s, "CP866", "UTF-8"); }
inline std::string Cp1251ToUtf8(const std::string &s) { return Recode(s, "CP1251", "UTF-8"); }
inline std::string Utf8ToCp866(const std::string &s) { return Recode(s, "UTF-8", "CP866"); }

// The text as a JSON string literal, quotes included (nlohmann's escapes;
// bytes that are not UTF-8 become U+FFFD).
std::string JsonString(const std::string &utf8);
// Upper-case hexadecimal, two characters per byte.
std::string HexOf(const uint8_t *p, size_t n);

} // namespace kktsim

#endif
