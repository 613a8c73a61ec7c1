#include "receipt_data.h"

#include <string.h>

#include "dec_money.h"
#include "str_helpers.h"

namespace {

const uint8_t kObjectsMarkingList[] = {1,  33, 31, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                       15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 30, 32};
const uint8_t kObjectsPlainList[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                     14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26};
const uint8_t kPlannedList[] = {1, 2, 3, 4, 255};
const uint8_t kMeasureList[] = {0, 10, 11, 12, 20, 21, 22, 30, 31, 32, 40, 41, 42, 50, 51, 70, 71, 72, 73, 80, 81, 82, 83, 255};
const uint8_t kTaxRateList[] = {1, 2, 3, 4, 5, 6};
const uint8_t kMethodList[] = {1, 2, 3, 4, 5, 6, 7};
const uint8_t kAgentList[] = {0, 1, 2, 3, 4, 5, 6, 7};

const uint8_t kTypesReceipt[] = {0, 2, 4, 5};
const uint8_t kTypesCorr105[] = {6, 8};
const uint8_t kTypesCorr[] = {6, 7, 8, 9};
// Item 5 offers nothing of its own and sends 0, as item 1.
const uint8_t kTaxModes[] = {0, 1, 2, 3, 0, 5, 6};
const uint8_t kCorrectionKinds[] = {0, 1};

template <size_t N> constexpr ItemTable table(const uint8_t (&list)[N]) { return ItemTable{list, static_cast<int>(N)}; }

void appendPhone(char *text, size_t size, unsigned tag, const char *phone)
{
    if (!*phone)
        return;
    char part[40];
    str_format(part, sizeof part, "<%u>+7%s", tag, phone);
    tag_part_append(text, size, part);
}

void appendText(char *text, size_t size, unsigned tag, const char *value)
{
    if (!*value)
        return;
    char part[300];
    str_format(part, sizeof part, "<%u>%s", tag, value);
    tag_part_append(text, size, part);
}

} // namespace

const ItemTable kObjectsMarking = table(kObjectsMarkingList);
const ItemTable kObjectsPlain = table(kObjectsPlainList);
const ItemTable kPlannedStatuses = table(kPlannedList);
const ItemTable kMeasures = table(kMeasureList);
const ItemTable kTaxRates = table(kTaxRateList);
const ItemTable kMethods = table(kMethodList);
const ItemTable kAgents = table(kAgentList);

uint8_t table_entry(ItemTable t, unsigned item)
{
    if (item < 1 || item > static_cast<unsigned>(t.count))
        item = 1;
    return t.entries[item - 1];
}

unsigned table_item(ItemTable t, uint8_t value)
{
    for (int i = 0; i < t.count; ++i)
        if (t.entries[i] == value)
            return static_cast<unsigned>(i + 1);
    return 1;
}

uint8_t receipt_type_of(int mode, bool ffd105, unsigned item)
{
    if (mode != 2)
        return table_entry(table(kTypesReceipt), item);
    return table_entry(ffd105 ? table(kTypesCorr105) : table(kTypesCorr), item);
}

uint8_t tax_mode_of(unsigned item) { return table_entry(table(kTaxModes), item); }

unsigned correction_kind_of(unsigned item) { return table_entry(table(kCorrectionKinds), item); }

uint8_t payment_object_of(bool marking, unsigned item)
{
    return table_entry(marking ? kObjectsMarking : kObjectsPlain, item);
}

PaymentObjectList payment_object_list(int ffd, bool marking)
{
    if (ffd > 3 && marking)
        return {"kkt_dlg_receipt_calc_object_1_2.xml", kObjectsMarking};
    return {"kkt_dlg_receipt_calc_object_1_1.xml", kObjectsPlain};
}

int32_t position_kind_of(uint8_t object) { return object == 31 || object == 33 ? POSITION_MARKED : POSITION_GOODS; }

void tag_part_append(char *text, size_t size, const char *part)
{
    if (!text || !size || !part || !*part)
        return;
    if (*text)
        str_append(text, "|", size);
    str_append(text, part, size);
}

char *point_text(const char *digits, int places, char *out, size_t size)
{
    if (!out || !size)
        return out;
    char work[64];
    size_t len = digits ? strlen(digits) : 0;
    size_t pad = len < static_cast<size_t>(places) ? places - len : 0;
    if (len + pad + 2 > sizeof work)
        len = sizeof work - 2 - pad;
    memset(work, '0', pad);
    if (len)
        memcpy(work + pad, digits, len);
    len += pad;
    // the point before the last `places` characters
    memmove(work + len - places + 1, work + len - places, places);
    work[len - places] = '.';
    work[len + 1] = 0;
    return str_copy(out, work, size);
}

char *position_quantity_text(const ReceiptPosition &p, char *out, size_t size)
{
    char qty[32];
    point_text(p.quantity, 3, qty, 16); // kept to 15 characters
    if (p.kind == POSITION_MARKED && p.measure == 0 && !dec_is_zero(p.lot_size)) {
        char *point = strchr(qty, '.');
        if (point)
            *point = 0;
        str_format(out, size, "%s/%s", qty, p.lot_size);
        return out;
    }
    return str_copy(out, qty, size);
}

char *position_tag_text(const ReceiptPosition &p, char *out, size_t size)
{
    if (!out || !size)
        return out;
    out[0] = 0;
    if (p.agent) {
        appendPhone(out, size, 1073, p.agent_phone);
        appendPhone(out, size, 1074, p.payment_phone);
        appendPhone(out, size, 1075, p.transfer_phone);
        appendText(out, size, 1044, p.agent_operation);
        appendText(out, size, 1026, p.transfer_name);
        appendText(out, size, 1005, p.transfer_address);
        appendText(out, size, 1016, p.transfer_inn);
        appendText(out, size, 1226, p.supplier_inn);
        appendPhone(out, size, 1171, p.supplier_phone);
        appendText(out, size, 1225, p.supplier_name);
    }
    // every tag in use goes, whatever the count says
    tag_part_append(out, size, TagsToText(p.tags));
    tag_part_append(out, size, p.comment);
    return out;
}

bool correction_date_ok(const char *date) { return date && strlen(date) == 6 && str_is_digits(date); }

const char *TagsToText(const ReceiptTag *tags)
{
    static char text[768];
    text[0] = 0;
    if (!tags)
        return text;
    for (int i = 0; i < RECEIPT_MAX_TAGS; ++i) {
        if (!tags[i].tag)
            continue;
        char part[340];
        str_format(part, sizeof part, "<%d>%s", tags[i].tag, tags[i].value);
        if (text[0])
            str_append(text, "|", sizeof text);
        str_append(text, part, sizeof text);
    }
    return text;
}
