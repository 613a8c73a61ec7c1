// The pure parts of the controller set-up screens on arbitrary input: the
// date and time entry read and checked against arbitrary build and
// controller dates, the header preview of an arbitrary editor text with
// every line count and width, and the decimal and number conversions of
// the tax-rate and payment-type forms. Byte 0 picks the count and width;
// the rest is cut at 0x1E into the texts. Outputs go into heap buffers of
// exactly their size so a write past them is seen.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "date_time_setting.h"
#include "header_setting.h"
#include "tax_pay_setting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    std::vector<std::string> parts(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0x1E && parts.size() < 6)
            parts.emplace_back();
        else if (data[i])
            parts.back().push_back(static_cast<char>(data[i]));
    }
    parts.resize(6);

    DateEntry entry, kkt;
    int whole = date_entry_read(parts[0].c_str(), parts[1].c_str(), &entry);
    date_entry_read(parts[2].c_str(), parts[2].size() > 6 ? parts[2].c_str() + 6 : "", &kkt);
    DateEntry build = build_date_of(parts[3].c_str());
    for (int from = DATE_CHECK_BAD_DATE; from <= DATE_CHECK_PAST_CONTROLLER_YEAR; ++from)
        if (date_entry_check(entry, whole, build, kkt, static_cast<DateCheck>(from)) > DATE_CHECK_PAST_CONTROLLER_YEAR)
            abort();

    size_t count = data[0] % (HEADER_MAX_LINES + 1);
    size_t width = (data[0] >> 3) % HEADER_LINE_SIZE;
    char(*lines)[HEADER_LINE_SIZE] = new char[HEADER_MAX_LINES][HEADER_LINE_SIZE];
    header_preview(parts[4].c_str(), count, width, lines);
    for (size_t i = 0; i < count; ++i)
        if (strlen(lines[i]) > width)
            abort();
    delete[] lines;

    size_t outSize = 1 + data[0] % 40;
    char *out = static_cast<char *>(malloc(outSize));
    decimal_to_field(parts[5].c_str(), out, outSize);
    if (strlen(out) >= outSize)
        abort();
    field_to_decimal(parts[5].c_str(), out, outSize);
    if (strlen(out) >= outSize)
        abort();
    free(out);
    uint32_t v = 0;
    if (field_number(parts[5].c_str(), 255, &v) && v > 255)
        abort();
    return 0;
}
