// Money and quantities of the fiscal-drive model: amounts are kept in
// kopecks (64-bit), quantities in thousandths. The drive takes them as
// decimal texts and answers amounts with exactly two decimals.
#ifndef KKTSIM_KKTAMOUNT_H
#define KKTSIM_KKTAMOUNT_H

#include <stdint.h>
#include <string>

namespace kktsim {

// Largest amount the model accepts: 10^12 roubles, so that sums of many
// stay far from overflow.
const int64_t kMaxAmount = INT64_C(100000000000000);

// Counters and the state file hold up to this much (10^15 roubles); sums
// beyond it stay at it.
const int64_t kMaxStored = INT64_C(100000000000000000);

// Reads "[-]digits[.d[d]]" (a point with no digits after it is allowed).
// False for anything else, more than two decimals, or above kMaxAmount.
bool ParseAmount(const std::string &text, int64_t &kopecks);
// The same up to kMaxStored (for counters read back from the state file).
bool ParseStoredAmount(const std::string &text, int64_t &kopecks);
// a + b kept within -kMaxStored..kMaxStored (a and b within it already).
int64_t AddCapped(int64_t a, int64_t b);
// "-12.30": always two decimals.
std::string AmountText(int64_t kopecks);

// Reads a quantity: "[digits][.ddd]" (up to three decimals) or a fraction
// "A/B" of two such numbers (B not zero), rounded half up to thousandths.
bool ParseQuantity(const std::string &text, int64_t &thousandths);
// "1.000": always three decimals.
std::string QuantityText(int64_t thousandths);

// price x quantity in kopecks, rounded half up; false above kMaxAmount.
bool LineSum(int64_t priceKopecks, int64_t thousandths, int64_t &sum);

} // namespace kktsim

#endif
