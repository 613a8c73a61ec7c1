// Receipts in the fiscal-drive model: opening a receipt or a correction
// receipt (0x10), its goods lines (0x11), the total (0x12), payments
// (0x13), texts and tags inside it (0x1C, 0x6A), closing it into a fiscal
// document with its tape (0x14) and annulling it (0x17).
//
// Every command checks all of its fields before it changes anything: a
// refused request leaves the drive as it was.
#ifndef KKTSIM_KKTDRIVERECEIPT_H
#define KKTSIM_KKTDRIVERECEIPT_H

#include <stdint.h>
#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;

// Receipt types the drive takes in 0x10 (bit 0x80 on top: closed without
// printing).
enum : uint8_t {
    kReceiptIncome = 0,
    kReceiptIncomeReturn = 2,
    kReceiptExpense = 4,
    kReceiptExpenseReturn = 5,
    kCorrIncome = 6,
    kCorrIncomeReturn = 7,
    kCorrExpense = 8,
    kCorrExpenseReturn = 9,
    kReceiptNotPrinted = 0x80,
};

// One payment of the open receipt as sent.
struct ReceiptPayment {
    uint8_t type = 0;  // 0..15, with bit 0x80: not printed on the tape
    int64_t amount = 0;
    std::string add, comment; // UTF-8
};

// What the open receipt holds beyond its goods lines and payment sums.
struct ReceiptDoc {
    uint8_t type = 0;           // the byte of 0x10
    uint8_t copies = 1;
    uint8_t taxMode = 0;
    std::string operatorInn, table, place, account;
    std::string tags;           // the tag text of 0x10 as sent
    std::vector<std::string> docTags; // tags added by 0x6A, "<N>value"
    std::vector<ReceiptPayment> payments;
};

// Counters of the correction receipts (types 6 to 9) and of receipts closed
// without printing.
struct ReceiptTotals {
    int64_t corrections[4] = {};        // the shift's, by type 6..9
    int64_t runningCorrections[4] = {}; // since registration
    uint32_t notPrinted = 0;            // receipts closed without a tape
};

// The extra data of a goods line (beside name, price, quantity and sum).
struct ReceiptItemData {
    std::string code, unit, quantityText, departmentName, tags; // UTF-8
    uint8_t department = 0, tax = 0, method = 0, object = 0, agent = 0;
    std::string markCode; // the marking code of 0x21 as the tape shows it (KktDriveMarking)
};

// The receipt commands (rows of KktDriveCommands.cpp).
uint8_t ReceiptOpen(DriveCall &c);       // 0x10
uint8_t ReceiptAddItem(DriveCall &c);    // 0x11
uint8_t ReceiptSubtotal(DriveCall &c);   // 0x12
uint8_t ReceiptAddPayment(DriveCall &c); // 0x13
uint8_t ReceiptClose(DriveCall &c);      // 0x14
uint8_t ReceiptCancel(DriveCall &c);     // 0x17
uint8_t ReceiptPrintText(DriveCall &c);  // 0x1C
uint8_t ReceiptAddTag(DriveCall &c);     // 0x6A

// The number and fiscal sign a closed receipt becomes. Every receipt
// becomes a fiscal document here and nowhere else.
struct FiscalMark {
    uint32_t number = 0;
    uint32_t sign = 0;
};
FiscalMark FiscalizeReceipt(DriveState &s, const std::string &when, uint8_t type);

// The state file's "receipt" member: the open receipt's extra data and the
// counters above.
std::string ReceiptToJson(const DriveState &s);
struct JsonValue;
// Reads the member written by ReceiptToJson (null: a file without it) into
// s, after the goods lines; false with why.
bool ReceiptFromJson(const JsonValue *member, DriveState &s, std::string &why);

} // namespace kktsim

#endif
