// Decimal texts of amounts and quantities.

#include "KktAmount.h"

#include <cstdio>

namespace kktsim {

namespace {

// Reads unsigned "[digits][.digits]" with at most maxDecimals decimals,
// scaled to 10^maxDecimals; at least one digit somewhere.
bool ParseScaled(const std::string &t, int maxDecimals, int64_t limit, int64_t &out)
{
    size_t i = 0;
    int64_t v = 0;
    bool digits = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        v = v * 10 + (t[i] - '0');
        if (v > limit)
            return false;
        digits = true;
        ++i;
    }
    int decimals = 0;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            if (++decimals > maxDecimals)
                return false;
            v = v * 10 + (t[i] - '0');
            digits = true;
            ++i;
        }
    }
    if (i != t.size() || !digits)
        return false;
    for (; decimals < maxDecimals; ++decimals)
        v *= 10;
    if (v > limit)
        return false;
    out = v;
    return true;
}

bool ParseSigned(const std::string &text, int64_t limit, int64_t &kopecks)
{
    bool neg = !text.empty() && text[0] == '-';
    int64_t v;
    if (!ParseScaled(neg ? text.substr(1) : text, 2, limit, v))
        return false;
    kopecks = neg ? -v : v;
    return true;
}

} // namespace

bool ParseAmount(const std::string &text, int64_t &kopecks)
{
    return ParseSigned(text, kMaxAmount, kopecks);
}

bool ParseStoredAmount(const std::string &text, int64_t &kopecks)
{
    return ParseSigned(text, kMaxStored, kopecks);
}

int64_t AddCapped(int64_t a, int64_t b)
{
    int64_t s = a + b; // both within 10^17: no overflow
    return s > kMaxStored ? kMaxStored : s < -kMaxStored ? -kMaxStored : s;
}

std::string AmountText(int64_t kopecks)
{
    char buf[40];
    uint64_t a = kopecks < 0 ? 0 - static_cast<uint64_t>(kopecks) : static_cast<uint64_t>(kopecks);
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", kopecks < 0 ? "-" : "", static_cast<unsigned long long>(a / 100),
                  static_cast<unsigned long long>(a % 100));
    return buf;
}

bool ParseQuantity(const std::string &text, int64_t &thousandths)
{
    const int64_t limit = INT64_C(1000000000000); // a billion units
    size_t slash = text.find('/');
    if (slash == std::string::npos)
        return ParseScaled(text, 3, limit, thousandths);
    int64_t a, b;
    if (!ParseScaled(text.substr(0, slash), 3, limit, a) || !ParseScaled(text.substr(slash + 1), 3, limit, b) ||
        b == 0)
        return false;
    // a/b in thousandths, half up; a <= 10^15 so a * 1000 * 2 fits easily
    thousandths = (a * 2000 / b + 1) / 2;
    return true;
}

std::string QuantityText(int64_t thousandths)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(thousandths / 1000),
                  static_cast<long long>(thousandths % 1000));
    return buf;
}

bool LineSum(int64_t priceKopecks, int64_t thousandths, int64_t &sum)
{
    if (priceKopecks < 0 || thousandths < 0)
        return false;
    // price <= 10^14 and quantity <= 10^15 may overflow 64 bits: check first
    if (thousandths != 0 && priceKopecks > (INT64_MAX - 500) / thousandths)
        return false;
    int64_t s = (priceKopecks * thousandths + 500) / 1000;
    if (s > kMaxAmount)
        return false;
    sum = s;
    return true;
}

} // namespace kktsim
