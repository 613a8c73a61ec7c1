#include "receipt_builder.h"

#include <stdlib.h>
#include <string.h>

#include "TMCommand.h"
#include "str_helpers.h"

uint8_t receipt_document_type(const ReceiptOpening &opening)
{
    uint8_t type = receipt_type_of(opening.mode, opening.ffd105, opening.type_row);
    return opening.no_paper ? static_cast<uint8_t>(type | 0x80) : type;
}

std::string receipt_opening_tags(const ReceiptOpening &opening)
{
    char text[1024] = "";
    if (opening.mode == RECEIPT_MODE_CORRECTION) {
        char part[300];
        str_format(part, sizeof part, "<1173>%u", correction_kind_of(opening.correction_row));
        tag_part_append(text, sizeof text, part);
        const char *d = opening.correction_date.c_str();
        if (correction_date_ok(d)) {
            str_format(part, sizeof part, "<1178>%c%c.%c%c.%c%c", d[0], d[1], d[2], d[3], d[4], d[5]);
            tag_part_append(text, sizeof text, part);
        }
        if (!opening.correction_doc.empty()) {
            str_format(part, sizeof part, "<1179>%s", opening.correction_doc.c_str());
            tag_part_append(text, sizeof text, part);
        }
    }
    // every tag in use goes, whatever the tag editor answered last
    if (opening.tags)
        tag_part_append(text, sizeof text, TagsToText(opening.tags));
    tag_part_append(text, sizeof text, opening.comment.c_str());
    return text;
}

bool receipt_copies_ok(const char *copies)
{
    return !*copies || (str_is_digits(copies) && strlen(copies) <= 3 && strtoul(copies, nullptr, 10) <= 255);
}

bool receipt_build_document(const ReceiptOpening &opening, const ReceiptPosition *positions, int count,
                            TMCommand &cmd, const ReceiptStep &step)
{
    const bool corr = opening.mode == RECEIPT_MODE_CORRECTION;
    const std::string tags = receipt_opening_tags(opening);
    uint8_t copies = static_cast<uint8_t>(strtoul(opening.copies.c_str(), nullptr, 10));
    if (!step(cmd, cmd.OpenDocument(receipt_document_type(opening), opening.seller.c_str(),
                                    opening.seller_inn.c_str(), corr ? "" : opening.table.c_str(),
                                    corr ? "" : opening.place.c_str(), copies,
                                    tax_mode_of(opening.tax_mode_row), corr ? "" : opening.account.c_str(),
                                    tags.c_str())))
        return false;

    for (int i = 0; i < count; ++i) {
        const ReceiptPosition &p = positions[i];
        if (p.kind <= POSITION_FREE)
            continue;
        if (p.kind == POSITION_MARKED && p.mark_code[0]) {
            int n = static_cast<int>(strlen(p.mark_code));
            if (!step(cmd, cmd.MarkCheckCode(static_cast<uint16_t>(p.code_tag), p.mark_code, n, p.significant_length,
                                             0, p.gs1_kind, p.planned_status, 0,
                                             static_cast<uint8_t>(p.check_result & 0xFF))))
                return false;
        }
        char tagText[1024];
        position_tag_text(p, tagText, sizeof tagText);
        char price[24], qty[40];
        point_text(p.price, 2, price, sizeof price);
        position_quantity_text(p, qty, sizeof qty);
        uint8_t tax = static_cast<uint8_t>(p.tax ? p.tax - 1 : 0);
        if (!step(cmd, cmd.AddItem(p.name, p.code, price, qty, p.unit, tax, p.method, p.object, p.agent,
                                   p.department, p.department_name, tagText)))
            return false;
    }
    return step(cmd, cmd.Subtotal(""));
}

bool receipt_payment_type(const ReceiptPayment &payment, uint8_t *type)
{
    unsigned value;
    if (payment.type_row >= 1 && payment.type_row <= 5) {
        value = payment.type_row - 1;
    } else {
        // the index goes as one byte: only 0..15 are payment types
        const char *index = payment.index.c_str();
        if (!str_is_digits(index) || strlen(index) > 2 || strtoul(index, nullptr, 10) > 15)
            return false;
        value = static_cast<unsigned>(strtoul(index, nullptr, 10));
    }
    *type = static_cast<uint8_t>(value | (payment.drop ? 0x80 : 0));
    return true;
}

int receipt_build_payment(const ReceiptPayment &payment, TMCommand &cmd)
{
    uint8_t type = 0;
    if (!receipt_payment_type(payment, &type))
        return -1;
    char amount[48];
    point_text(payment.sum.c_str(), 2, amount, sizeof amount);
    return cmd.AddPayment(type, amount, payment.extra.c_str(), payment.comment.c_str());
}

void receipt_build_buyer(const ReceiptBuyer &buyer, TMCommand &cmd, const ReceiptStep &step)
{
    char text[300];
    if (!buyer.phone.empty()) {
        str_format(text, sizeof text, "ТЕЛ. ПОКУПАТЕЛЯ: +7%s", buyer.phone.c_str());
        step(cmd, cmd.PrintText(text));
        str_format(text, sizeof text, "+7%s", buyer.phone.c_str());
        step(cmd, cmd.AddTag(1008, text));
    }
    if (!buyer.email.empty()) {
        str_format(text, sizeof text, "ЭЛ.АДР.ПОКУПАТЕЛЯ: %s", buyer.email.c_str());
        step(cmd, cmd.PrintText(text));
        step(cmd, cmd.AddTag(1008, buyer.email.c_str()));
    }
}
