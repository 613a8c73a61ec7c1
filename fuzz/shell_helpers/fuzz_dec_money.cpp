// Every decimal money operation on arbitrary texts: the first byte gives a
// count of places (0-7) and a tax-rate code; the rest is split at '|' into
// up to six operand texts. Output buffers are exactly DEC_RESULT_SIZE bytes
// (heap, so an overrun is seen); texts changed in place get their length
// plus room for the places, a point, a sign and one carry digit.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "dec_money.h"

namespace {

struct Out {
    char *p = static_cast<char *>(malloc(DEC_RESULT_SIZE));
    ~Out() { free(p); }
};

// A heap copy of the text with room for n more characters, a point, a sign
// and a carry digit.
char *inPlace(const std::string &s, int n)
{
    size_t size = s.size() + static_cast<size_t>(n) + 4;
    char *p = static_cast<char *>(malloc(size));
    memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 256)
        return 0;
    int n = data[0] & 7;
    int tax = (data[0] >> 3) & 15;
    std::vector<std::string> t(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == '|' && t.size() < 6)
            t.emplace_back();
        else if (data[i] != 0)
            t.back() += static_cast<char>(data[i]);
    }
    while (t.size() < 6)
        t.emplace_back("1");
    const char *a = t[0].c_str(), *b = t[1].c_str(), *c = t[2].c_str(), *d = t[3].c_str(), *e = t[4].c_str();

    Out o1, o2;
    (void)dec_to_int64(a);
    (void)dec_scale(a);
    (void)dec_is_zero(a);
    (void)hex_pair_to_byte(a);
    (void)dec_compare_raw(a, b);
    (void)dec_compare(a, b);
    dec_add(a, b, o1.p);
    dec_sub(a, b, o1.p);
    dec_div(a, b, o1.p);
    dec_add_raw(a, b, o1.p);
    dec_sub_raw(a, b, o1.p);
    dec_div_raw(a, b, o1.p);
    dec_mod_raw(a, b, o1.p);
    dec_mod(a, b, o1.p);
    dec_mul(a, b, o1.p);
    dec_percent(a, b, o1.p);
    dec_percent_of(a, b, o1.p, n);
    dec_tax_share(tax, a, o1.p);
    dec_max_ratio_discount(a, b, c, d, e, o1.p);
    dec_min_sum_ratio(a, b, c, d, o1.p);
    dec_step_within(a, b, c, d, o1.p, o2.p);

    using InPlace = char *(*)(char *, int);
    const InPlace ops[] = {dec_insert_point, dec_round_digits, dec_set_scale, dec_round_keep_scale};
    for (InPlace op : ops) {
        char *p = inPlace(t[0], n);
        op(p, n);
        free(p);
    }
    using Whole = char *(*)(char *);
    const Whole wholes[] = {dec_remove_point, str_keep_digits, dec_comma_to_point};
    for (Whole op : wholes) {
        char *p = inPlace(t[0], 0);
        op(p);
        free(p);
    }
    return 0;
}
