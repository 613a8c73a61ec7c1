// Rows of pixels written as runs: "F44 B6 F6 B44" is 44 pixels of colour F,
// then 6 of B, and so on (letters as in w1::Canvas::symbol).
#ifndef TESTS_VU_WIDGETS4_RUNS_H
#define TESTS_VU_WIDGETS4_RUNS_H

#include <string>

inline std::string runs(const std::string& row)
{
    std::string out;
    size_t i = 0;
    while (i < row.size()) {
        size_t j = i;
        while (j < row.size() && row[j] == row[i])
            ++j;
        if (!out.empty())
            out += ' ';
        out += row[i];
        out += std::to_string(j - i);
        i = j;
    }
    return out;
}

#endif
