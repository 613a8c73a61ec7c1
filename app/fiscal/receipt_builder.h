// A receipt document as controller commands, from plain data: what the
// receipt wizard's pages hold (texts as typed, CP1251; list rows from 1)
// and its positions. No screens here: each built command goes to the
// caller's step, which runs it; the caller's answer decides whether the
// document goes on.
#ifndef APP_FISCAL_RECEIPT_BUILDER_H
#define APP_FISCAL_RECEIPT_BUILDER_H

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>

#include "receipt_data.h"

class TMCommand;

// The opening of the document: the pages before the positions.
struct ReceiptOpening {
    int mode = RECEIPT_MODE_SALE; // or RECEIPT_MODE_CORRECTION
    bool ffd105 = false;         // the controller keeps FFD 1.05
    unsigned type_row = 0;       // the receipt type
    bool no_paper = false;       // "НЕ ПЕЧАТАТЬ ЧЕК": nothing printed
    std::string copies;          // 0..255, empty for 0
    std::string seller, seller_inn;
    unsigned tax_mode_row = 0;
    std::string table, place, account; // a receipt's
    unsigned correction_row = 0;       // a correction's kind,
    std::string correction_date;       // DDMMYY or empty,
    std::string correction_doc;        // and its grounds
    std::string comment;               // tag text typed on the page
    const ReceiptTag *tags = nullptr;  // the document's tags (or none)
};

// One payment.
struct ReceiptPayment {
    unsigned type_row = 0; // rows 1..5 are the types 0..4; any other takes index
    std::string index;     // 0..15
    bool drop = false;     // the payment's "drop" mark
    std::string sum;       // digits, the last two the kopecks
    std::string extra, comment;
};

// The buyer's contact.
struct ReceiptBuyer {
    std::string phone; // without +7
    std::string email;
};

// Runs the command cmd holds (built: its frame length, 0 or less when it
// could not be built): true to go on.
using ReceiptStep = std::function<bool(TMCommand &cmd, int built)>;

// The document type byte: the type of the mode and row, 0x80 when the
// receipt is not printed.
uint8_t receipt_document_type(const ReceiptOpening &opening);
// The opening's tag text: a correction's kind, date and grounds, then the
// tags, then the comment.
std::string receipt_opening_tags(const ReceiptOpening &opening);
// "copies" goes as one byte: true for 0..255 or empty.
bool receipt_copies_ok(const char *copies);

// The document up to its total: the opening, for each used position its
// code check (marked positions with a code) and the position, then the
// subtotal. False when a step said stop.
bool receipt_build_document(const ReceiptOpening &opening, const ReceiptPosition *positions, int count,
                            TMCommand &cmd, const ReceiptStep &step);

// The payment's type byte (with 0x80 for drop): false when the index is
// not 0..15.
bool receipt_payment_type(const ReceiptPayment &payment, uint8_t *type);
// The payment command (of a valid type).
int receipt_build_payment(const ReceiptPayment &payment, TMCommand &cmd);

// The buyer's phone and e-mail as printed lines and tag 1008, each built
// command to step (whose answers are not looked at).
void receipt_build_buyer(const ReceiptBuyer &buyer, TMCommand &cmd, const ReceiptStep &step);

#endif
