#include "barcode.h"

#include <string.h>

#include <string>

char ean_check_digit(const char *digits, int count)
{
    int sum = 0;
    int weight = 3;
    for (int i = count - 1; digits && i >= 0; --i) {
        char c = digits[i];
        sum += (c >= '0' && c <= '9' ? c - '0' : 0) * weight;
        weight = weight == 3 ? 1 : 3;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

int barcode_equal(const char *a, const char *b)
{
    if (!a || !b || !*a || !*b)
        return 0;
    std::string s = a;
    std::string l = b;
    if (s.size() > l.size())
        s.swap(l);
    if (s == l)
        return 1;
    const char check = ean_check_digit(s.c_str(), static_cast<int>(s.size()));
    if (l == s + check || l == "0" + s || l == "0" + s + check)
        return 1;
    return l.size() > s.size() && l.compare(0, s.size(), s) == 0 && l[s.size()] == 0x1D ? 1 : 0;
}
