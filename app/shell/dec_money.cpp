#include "dec_money.h"

#include <cstdio>
#include <cstring>

namespace {

// Two's-complement wrap without signed overflow.
int64_t wrap(uint64_t v)
{
    return static_cast<int64_t>(v);
}

uint64_t pow10u(int n)
{
    uint64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// Bounded copy into a work buffer of DEC_WORK_SIZE bytes.
void work_copy(char *dst, const char *src)
{
    std::snprintf(dst, DEC_WORK_SIZE, "%s", src ? src : "");
}

void append_zeros(char *work, int count)
{
    size_t len = std::strlen(work);
    while (count-- > 0 && len + 1 < static_cast<size_t>(DEC_WORK_SIZE))
        work[len++] = '0';
    work[len] = '\0';
}

// The most places a result shows: "-0." and as many digits fill
// DEC_RESULT_SIZE with its terminator.
const int kMaxResultScale = DEC_RESULT_SIZE - 5;

// Writes a value and puts the point back at the given scale. A scale from
// long fractions beyond what the output holds drops the digits below the
// last place shown (truncating).
char *write_scaled(char *out, int64_t value, int scale)
{
    for (; scale > kMaxResultScale; --scale)
        value /= 10;
    std::snprintf(out, DEC_RESULT_SIZE, "%lld", static_cast<long long>(value));
    if (scale > 0)
        dec_insert_point(out, scale);
    return out;
}

int64_t div_trunc(int64_t a, int64_t b)
{
    if (b == 0)
        return 0;
    if (b == -1)
        return wrap(0 - static_cast<uint64_t>(a));
    return a / b;
}

int64_t mod_trunc(int64_t a, int64_t b)
{
    if (b == 0 || b == -1)
        return 0;
    return a % b;
}

int64_t mul(int64_t a, int64_t b)
{
    return wrap(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

int64_t add(int64_t a, int64_t b)
{
    return wrap(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

int64_t sub(int64_t a, int64_t b)
{
    return wrap(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// Copies of a and b aligned to their common scale, as integers.
struct Aligned {
    int64_t a;
    int64_t b;
    int scale;
};

Aligned align(const char *a, const char *b)
{
    char wa[DEC_WORK_SIZE];
    char wb[DEC_WORK_SIZE];
    work_copy(wa, a);
    work_copy(wb, b);
    int sa = dec_scale(wa);
    int sb = dec_scale(wb);
    dec_remove_point(wa);
    dec_remove_point(wb);
    int s = sa > sb ? sa : sb;
    append_zeros(wa, s - sa);
    append_zeros(wb, s - sb);
    return {dec_to_int64(wa), dec_to_int64(wb), s};
}

// q without trailing fraction zeros and point: integer Q and k fraction digits.
void prepare_ratio(const char *q, int64_t &Q, int &k)
{
    char w[DEC_WORK_SIZE];
    work_copy(w, q);
    if (std::strchr(w, '.')) {
        size_t len = std::strlen(w);
        while (len > 0 && w[len - 1] == '0')
            w[--len] = '\0';
    }
    k = dec_scale(w);
    dec_remove_point(w);
    Q = dec_to_int64(w);
}

} // namespace

int64_t dec_to_int64(const char *text)
{
    if (!text || !*text)
        return 0;
    uint64_t value = 0;
    uint64_t weight = 1;
    for (size_t i = std::strlen(text); i-- > 0;) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < '0' || c > '9')
            continue;
        value += (c - '0') * weight;
        weight *= 10;
    }
    if (text[0] == '-')
        value = 0 - value;
    return wrap(value);
}

int dec_scale(const char *text)
{
    if (!text)
        return 0;
    const char *point = std::strchr(text, '.');
    return point ? static_cast<int>(std::strlen(point + 1)) : 0;
}

char *dec_remove_point(char *text)
{
    if (char *point = std::strchr(text, '.'))
        std::memmove(point, point + 1, std::strlen(point + 1) + 1);
    return text;
}

char *dec_insert_point(char *text, int n)
{
    if (n < 0)
        return text;
    size_t len = std::strlen(text);
    size_t s = text[0] == '-' ? 1 : 0;
    while (len - s <= static_cast<size_t>(n)) {
        std::memmove(text + s + 1, text + s, len - s + 1);
        text[s] = '0';
        ++len;
    }
    std::memmove(text + len - n + 1, text + len - n, n + 1);
    text[len - n] = '.';
    return text;
}

char *dec_round_digits(char *digits, int n)
{
    size_t len = std::strlen(digits);
    if (n <= 0 || static_cast<size_t>(n) >= len)
        return digits;
    size_t cut = len - n;
    char dropped = digits[cut];
    digits[cut] = '\0';
    if (dropped < '5')
        return digits;
    for (size_t i = cut; i-- > 0;) {
        if (digits[i] == '9') {
            digits[i] = '0';
            continue;
        }
        ++digits[i];
        return digits;
    }
    std::memmove(digits + 1, digits, cut + 1);
    digits[0] = '1';
    return digits;
}

char *dec_set_scale(char *text, int n)
{
    if (n < 0)
        return text;
    int sc = dec_scale(text);
    if (sc == n)
        return text;
    if (sc < n) {
        size_t len = std::strlen(text);
        if (sc == 0 && (len == 0 || text[len - 1] != '.'))
            text[len++] = '.';
        for (int i = sc; i < n; ++i)
            text[len++] = '0';
        text[len] = '\0';
        return text;
    }
    char *body = text[0] == '-' ? text + 1 : text;
    // A text without a digit before its point (".5") rounds as "0.5".
    char work[DEC_WORK_SIZE + 2];
    std::snprintf(work, DEC_WORK_SIZE, "%s%s", body[0] == '.' ? "0" : "", body);
    dec_remove_point(work);
    dec_round_digits(work, sc - n);
    if (n != 0)
        dec_insert_point(work, n);
    std::strcpy(body, work); // never longer than before, plus at most one carry digit
    return text;
}

char *dec_add(const char *a, const char *b, char *out)
{
    Aligned v = align(a, b);
    return write_scaled(out, add(v.a, v.b), v.scale);
}

char *dec_sub(const char *a, const char *b, char *out)
{
    Aligned v = align(a, b);
    return write_scaled(out, sub(v.a, v.b), v.scale);
}

char *dec_div(const char *a, const char *b, char *out)
{
    int sa = dec_scale(a);
    int sb = dec_scale(b);
    int64_t A = dec_to_int64(a);
    int64_t B = dec_to_int64(b);
    if (sa > sb)
        B = mul(B, static_cast<int64_t>(pow10u(sa - sb)));
    else if (sa < sb)
        A = mul(A, static_cast<int64_t>(pow10u(sb - sa)));
    int s = sa > sb ? sa : sb;
    if (B == 0) {
        std::snprintf(out, DEC_RESULT_SIZE, "0");
        return out;
    }
    A = mul(A, static_cast<int64_t>(pow10u(s)));
    return write_scaled(out, div_trunc(A, B), s);
}

int dec_is_zero(const char *text)
{
    if (!text)
        return 0;
    if (*text == '-')
        ++text;
    for (; *text; ++text)
        if (*text != '0' && *text != '.')
            return 0;
    return 1;
}

char *str_keep_digits(char *text)
{
    if (!text)
        return text;
    char *w = text;
    for (const char *r = text; *r; ++r)
        if (*r >= '0' && *r <= '9')
            *w++ = *r;
    *w = '\0';
    return text;
}

char *dec_comma_to_point(char *text)
{
    for (char *p = text; p && *p; ++p)
        if (*p == ',')
            *p = '.';
    return text;
}

int is_hex_digit(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

uint8_t hex_pair_to_byte(const char *text)
{
    auto nibble = [](char c, bool &ok) -> int {
        ok = true;
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        ok = false;
        return 0;
    };
    if (!text)
        return 0;
    bool ok;
    int hi = nibble(text[0], ok);
    if (!text[0])
        return 0;
    int lo = nibble(text[1], ok);
    if (!ok)
        return static_cast<uint8_t>(hi * 16);
    return static_cast<uint8_t>(hi * 16 + lo);
}

int dec_compare_raw(const char *a, const char *b)
{
    int64_t x = dec_to_int64(a);
    int64_t y = dec_to_int64(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

int dec_compare(const char *a, const char *b)
{
    Aligned v = align(a, b);
    return v.a < v.b ? -1 : (v.a > v.b ? 1 : 0);
}

char *dec_add_raw(const char *a, const char *b, char *out)
{
    return write_scaled(out, add(dec_to_int64(a), dec_to_int64(b)), 0);
}

char *dec_sub_raw(const char *a, const char *b, char *out)
{
    return write_scaled(out, sub(dec_to_int64(a), dec_to_int64(b)), 0);
}

char *dec_div_raw(const char *a, const char *b, char *out)
{
    return write_scaled(out, div_trunc(dec_to_int64(a), dec_to_int64(b)), 0);
}

char *dec_mod_raw(const char *a, const char *b, char *out)
{
    return write_scaled(out, mod_trunc(dec_to_int64(a), dec_to_int64(b)), 0);
}

char *dec_mod(const char *a, const char *b, char *out)
{
    Aligned v = align(a, b);
    return write_scaled(out, mod_trunc(v.a, v.b), v.scale);
}

char *dec_mul(const char *a, const char *b, char *out)
{
    return write_scaled(out, mul(dec_to_int64(a), dec_to_int64(b)), dec_scale(a) + dec_scale(b));
}

char *dec_percent(const char *a, const char *p, char *out)
{
    int64_t P = mul(dec_to_int64(a), dec_to_int64(p));
    int64_t r = mod_trunc(P, 100);
    P = P / 100 + (r > 49 ? 1 : 0);
    for (int i = dec_scale(p); i > 0; --i) {
        r = P % 10;
        P = P / 10 + (r > 4 ? 1 : 0);
    }
    return write_scaled(out, P, dec_scale(a));
}

char *dec_percent_of(const char *a, const char *b, char *out, int n)
{
    int sa = dec_scale(a);
    int sb = dec_scale(b);
    double A = static_cast<double>(dec_to_int64(a));
    double B = static_cast<double>(dec_to_int64(b));
    if (sa < sb)
        A *= static_cast<double>(pow10u(sb - sa));
    else if (sb < sa)
        B *= static_cast<double>(pow10u(sa - sb));
    // Aligned values outside the 64-bit range have no sensible ratio (and
    // converting them back would be undefined).
    const double kLimit = 9223372036854775808.0;
    bool fits = A > -kLimit && A < kLimit && B > -kLimit && B < kLimit;
    int64_t Ai = fits ? static_cast<int64_t>(A) : 0;
    if (Ai == 0 || n < 0 || n > 15) {
        std::snprintf(out, DEC_RESULT_SIZE, "0");
        return out;
    }
    double scaled = static_cast<double>(static_cast<int64_t>(B)) * 1000.0 * static_cast<double>(pow10u(n));
    if (scaled > 9.2e18 || scaled < -9.2e18)
        scaled = 0; // out of the 64-bit range: nothing sensible to show
    int64_t Q = div_trunc(static_cast<int64_t>(scaled), Ai);
    int64_t r = Q % 10;
    return write_scaled(out, Q / 10 + (r > 4 ? 1 : 0), n);
}

char *dec_round_keep_scale(char *text, int n)
{
    if (!text || n <= 0)
        return text;
    bool negative = text[0] == '-';
    char *body = negative ? text + 1 : text;
    char digits[DEC_WORK_SIZE + 2];
    std::snprintf(digits, DEC_WORK_SIZE, "%s", body);
    // The scale of the bounded copy: the point goes back among the digits
    // that were kept.
    int scale = dec_scale(digits);
    dec_remove_point(digits);
    size_t len = std::strlen(digits);
    if (len < static_cast<size_t>(n)) {
        size_t zeros = static_cast<size_t>(scale) + 1;
        if (zeros > static_cast<size_t>(DEC_WORK_SIZE - 1))
            zeros = DEC_WORK_SIZE - 1;
        std::memset(digits, '0', zeros);
        digits[zeros] = '\0';
    } else {
        size_t first = len - n;
        bool up = digits[first] >= '5';
        std::memset(digits + first, '0', n);
        if (up) {
            size_t i = first;
            while (i > 0 && digits[i - 1] == '9')
                digits[--i] = '0';
            if (i > 0)
                ++digits[i - 1];
            else {
                std::memmove(digits + 1, digits, len + 1);
                digits[0] = '1';
            }
        }
    }
    if (scale > 0)
        dec_insert_point(digits, scale);
    std::strcpy(body, digits);
    return text;
}

char *dec_tax_share(int taxCode, const char *amount, char *out)
{
    char work[DEC_WORK_SIZE + 4];
    work_copy(work, amount);
    dec_set_scale(work, 2);
    int64_t V = dec_to_int64(work);
    int64_t share;
    switch (taxCode) {
    case 2: case 4: share = mul(V, 10) / 11; break;
    case 3: case 5: share = mul(V, 10) / 6; break;
    case 6: case 8: share = mul(V, 10) / 21; break;
    // 7 %: the tax contained in the amount is 7/107 of it.
    case 7: case 9: share = mul(V, 70) / 107; break;
    default: return write_scaled(out, V, 2);
    }
    return write_scaled(out, (share + 5) / 10, 2);
}

char *dec_max_ratio_discount(const char *a, const char *b, const char *pct, const char *t, const char *u,
                             char *out)
{
    char work[DEC_WORK_SIZE + 4];
    work_copy(work, pct);
    dec_set_scale(work, 2);
    int64_t P = dec_to_int64(work);
    int64_t A = dec_to_int64(a);
    int64_t B = dec_to_int64(b);
    int64_t T = dec_to_int64(t);
    int64_t U = dec_to_int64(u);
    int64_t M = div_trunc(mul(A, T), U);
    int64_t KP = mul(B, sub(10000, P));
    int64_t K = KP / 10000 + (KP % 10000 > 4999 ? 1 : 0);
    return write_scaled(out, M > K ? M : K, 2);
}

char *dec_min_sum_ratio(const char *a, const char *limit, const char *q, const char *u, char *out)
{
    int64_t Q;
    int k;
    prepare_ratio(q, Q, k);
    int64_t A = dec_to_int64(a);
    int64_t L = dec_to_int64(limit);
    int64_t U = dec_to_int64(u);
    int64_t scale = static_cast<int64_t>(pow10u(k));
    int64_t H = div_trunc(div_trunc(mul(U, scale), Q), scale);
    int64_t sum = add(A, H);
    return write_scaled(out, sum < L ? sum : L, 2);
}

int dec_step_within(const char *a, const char *b, const char *q, const char *u, char *out1, char *out2)
{
    int64_t Q;
    int k;
    prepare_ratio(q, Q, k);
    int64_t A = dec_to_int64(a);
    int64_t B = dec_to_int64(b);
    int64_t U = dec_to_int64(u);
    int64_t S = 1;
    for (int i = 0; i < k; ++i) {
        A = mul(A, 10);
        B = mul(B, 10);
        S = mul(S, 10);
    }
    if (Q < U)
        S = mul(S, 10);
    else
        U = mul(U, 10);
    if (Q < U)
        return 0;
    A = add(A, S);
    if (B < A)
        return 0;
    for (int i = 0; i < k; ++i)
        A /= 10;
    write_scaled(out1, A, 2);
    write_scaled(out2, U, k);
    return 1;
}
