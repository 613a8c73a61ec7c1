// The pure parts of the controller set-up screens on arbitrary input: the
// date and time entry read and checked against arbitrary build and
// controller dates, the header preview of an arbitrary editor text with
// every line count and width, and the decimal and number conversions of
// the tax-rate and payment-type forms; the department table of an
// arbitrary 0x61 reply (the whole input held as the frame), its list
// positions and the number check; the hex words of the parameter pages;
// the serial-number format check and the displayed serial number with an
// arbitrary pattern and product number. Byte 0 picks the count and width;
// the rest is cut at 0x1E into the texts. Outputs go into heap buffers of
// exactly their size so a write past them is seen.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <mxml.h>

#include "TMCommand.h"
#include "date_time_setting.h"
#include "departments.h"
#include "header_setting.h"
#include "params_setting.h"
#include "service_entries.h"
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

    TMCommand reply;
    if (reply.SetFrame(data, static_cast<int>(size < 4096 ? size : 4096)) > 0)
        reply.CountFields();
    Department *table = new Department[DEPARTMENTS_MAX];
    int taken = departments_from_reply(reply, table);
    if (taken < 0 || taken > DEPARTMENTS_MAX)
        abort();
    for (int i = 0; i < DEPARTMENTS_MAX; ++i)
        if (strnlen(table[i].name, DEPARTMENT_NAME_SIZE) >= DEPARTMENT_NAME_SIZE || (i >= taken && table[i].number))
            abort();
    int listed = department_listed(table, data[0]);
    if (listed >= DEPARTMENTS_MAX || (listed >= 0 && !table[listed].name[0]))
        abort();
    uint8_t number = 0;
    DepartmentNumberCheck check = department_number_check(parts[0].c_str(), table, &table[data[0] % 16], &number);
    if (check == DEPARTMENT_NUMBER_OK && number)
        for (int i = 0; i < DEPARTMENTS_MAX; ++i)
            if (i != data[0] % 16 && table[i].number == number)
                abort();
    delete[] table;

    uint16_t word = 0;
    if (hex_word(parts[1].c_str(), &word) && (parts[1].empty() || parts[1].size() > 4))
        abort();

    mxml_node_t *common = mxmlNewElement(MXML_NO_PARENT, "common");
    mxml_node_t *pattern = mxmlNewElement(common, "frserialpattern");
    mxmlNewOpaque(pattern, parts[2].c_str());
    if (data[0] & 0x80)
        mxmlElementSetAttr(pattern, "pos_pn", parts[3].c_str());
    size_t serialSize = 1 + data[0] % SERIAL_DISPLAY_SIZE;
    char *serial = static_cast<char *>(malloc(serialSize));
    serial_pattern_ok(parts[2].c_str());
    serial_display_text(common, parts[4].c_str(), parts[5].c_str(), serial, serialSize);
    if (strlen(serial) >= serialSize)
        abort();
    free(serial);
    mxmlDelete(common);
    return 0;
}
