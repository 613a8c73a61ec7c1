// Any bytes as a scanned text and as a raw code: the unescaped code stays
// within 199 characters; offsets point inside the code, right after a GS;
// kinds and tags keep to their sets; the product code stays in its buffer
// and the price text inside the caller's.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "mark_code.h"

namespace {

void check_offset(const std::string &code, uint8_t at)
{
    if (at != 0 && (at >= code.size() || code[at - 1] != MARK_GS))
        abort();
}

void classify(const std::string &code)
{
    const char *c = code.c_str();
    uint8_t kind = MarkGs1Kind(c);
    if (kind != 0 && kind != 1 && kind != 2 && kind != 3 && kind != 5)
        abort();
    int16_t tag = MarkCodeTag(c);
    if (tag < 1300 || tag > 1309)
        abort();
    uint16_t type = MarkCodeTypeOf(c, 0);
    if (MarkCodeTypeChecked(c) != type && MarkCodeTypeChecked(c) != 0)
        abort();
    MarkSignificantLength(c);
    if (MarkCountGs(c) == 0 && MarkFindGs(c) != 0)
        abort();
    MarkSerialLength(c);
    MarkIsGtinSerial(c);
    check_offset(code, MarkFindAi91(c));
    check_offset(code, MarkFindAi92(c));
    check_offset(code, mark_find_ai93(c));
    const char *hex = product_code_hex(c);
    if (hex && strlen(hex) >= 256)
        abort();
    char price[12];
    memset(price, 0x55, sizeof price);
    int size = code.empty() ? 12 : 1 + static_cast<unsigned char>(code[0]) % 12;
    if (mark_price_of(c, price, size) == 0 && memchr(price, 0, static_cast<size_t>(size)) == nullptr)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    text = text.c_str(); // up to the first NUL, as a C string
    char code[MARK_CODE_MAX + 1 + 8];
    memset(code, 0x55, sizeof code);
    MarkUnescape(text.c_str(), code);
    if (strlen(code) > MARK_CODE_MAX)
        abort();
    for (size_t i = MARK_CODE_MAX + 1; i < sizeof code; ++i)
        if (code[i] != 0x55)
            abort();
    classify(text);
    classify(code);
    mark_is_gs1(text.c_str());
    return 0;
}
