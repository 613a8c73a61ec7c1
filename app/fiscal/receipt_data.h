// The goods line and the additional tag of a receipt, the lists that map
// the cashier's choices onto the codes the fiscal drive takes, and the
// texts the receipt commands carry (prices, quantities, tag texts).
//
// Texts are CP1251, as the screens keep them. A list item counts from 1;
// wherever an item indexes a table, item 0 or an item past the table
// counts as item 1, so no stray value ever reaches the drive.
#ifndef APP_FISCAL_RECEIPT_DATA_H
#define APP_FISCAL_RECEIPT_DATA_H

#include <stddef.h>
#include <stdint.h>

enum { RECEIPT_MAX_POSITIONS = 32, RECEIPT_MAX_TAGS = 10 };
// The document: a receipt, or a correction receipt.
enum { RECEIPT_MODE_SALE = 1, RECEIPT_MODE_CORRECTION = 2 };

// One additional fiscal tag; tag 0 marks a free entry.
struct ReceiptTag {
    uint16_t tag;
    char value[322];
};

// Kinds of a position.
enum { POSITION_FREE = 0, POSITION_MARKED = 1, POSITION_GOODS = 2 };

// One goods line; all fields zero for a free slot.
struct ReceiptPosition {
    int32_t kind;
    char name[61];
    char code[21];
    char price[11];    // kopecks, digits
    char quantity[8];  // thousandths, digits
    char unit[4];      // the unit text, or the measure code as "%02X" from FFD 1.2 on
    uint8_t tax;       // tax-rate list item (sent minus 1)
    uint8_t method;    // calculation-method list item
    uint8_t object;    // payment-object code
    uint8_t agent;     // agent byte, 0 none
    uint8_t department;
    char department_name[21];
    char comment[1024];
    int32_t tag_count;
    ReceiptTag tags[RECEIPT_MAX_TAGS];
    char agent_operation[25];   // 1044
    char transfer_name[65];     // 1026
    char transfer_address[257]; // 1005
    char transfer_inn[13];      // 1016
    char supplier_inn[13];      // 1226
    char supplier_name[257];    // 1225
    char agent_phone[20];       // 1073, without "+7"
    char payment_phone[20];     // 1074
    char transfer_phone[20];    // 1075
    char supplier_phone[20];    // 1171
    uint8_t planned_status;
    uint8_t measure;            // FFD 1.2 measure code
    char lot_size[11];          // decimal, "0" none
    int32_t check_result;       // the online check's result
    char mark_code[200];
    uint8_t gs1_kind;
    int16_t code_tag;           // 1300..1309
    uint8_t significant_length;
};

// ---- tables of list items --------------------------------------------------

struct ItemTable {
    const uint8_t *entries;
    int count;
};

// The entry list item `item` selects (item 0 or past the table: item 1).
uint8_t table_entry(ItemTable table, unsigned item);
// The item whose entry is `value`; 1 when no entry is.
unsigned table_item(ItemTable table, uint8_t value);

extern const ItemTable kObjectsMarking;  // payment objects in marking mode
extern const ItemTable kObjectsPlain;    // payment objects otherwise
extern const ItemTable kPlannedStatuses;
extern const ItemTable kMeasures;
extern const ItemTable kTaxRates;        // "nds" items (the item is kept)
extern const ItemTable kMethods;         // calculation methods (the item is kept)
extern const ItemTable kAgents;          // agent bytes, item 1 none

// Receipt-type byte of page 0's "type" item: mode 1 a receipt, mode 2 a
// correction receipt (ffd105: the drive is registered for FFD 1.05).
uint8_t receipt_type_of(int mode, bool ffd105, unsigned item);
// Tax-mode byte of page 1's "tax_mode" item.
uint8_t tax_mode_of(unsigned item);
// Correction kind (tag 1173) of page 2's "type" item in mode 2.
unsigned correction_kind_of(unsigned item);
// Payment object of the "object" item, by marking mode.
uint8_t payment_object_of(bool marking, unsigned item);

// The payment-object list the position editor shows on a drive of this FFD
// version and marking mode, and the table its rows map onto: the list in
// the marked-goods order only in marking mode (FFD 1.2), the plain one
// (codes 1 to 26) everywhere else. The two always belong together, so the
// code sent is the one whose label the cashier chose.
struct PaymentObjectList {
    const char *file;
    ItemTable table;
};
PaymentObjectList payment_object_list(int ffd, bool marking);
// Kind of a position with this payment object.
int32_t position_kind_of(uint8_t object);

// ---- texts the commands carry -----------------------------------------------

// Digits with a point before the last `places`: shorter texts get leading
// zeros first ("5" with 2 places is ".05", "12" is ".12").
char *point_text(const char *digits, int places, char *out, size_t size);
// The quantity field of 0x11: thousandths with the point, at most 15
// characters; a marked piece good with a lot size is "integer/lot".
char *position_quantity_text(const ReceiptPosition &p, char *out, size_t size);
// The position's tag text: agent and supplier data (only with an agent),
// its tags, its comment, joined by "|", cut to size - 1 characters.
char *position_tag_text(const ReceiptPosition &p, char *out, size_t size);
// "<1178>DD.MM.YY" needs exactly six digits.
bool correction_date_ok(const char *date);

// Every tag in use, in array order, as "<N>value" joined by "|"; at most
// 767 characters in one static buffer, overwritten by the next call.
const char *TagsToText(const ReceiptTag *tags);

// Appends part to text with "|" before it when text is not empty; what does
// not fit into size - 1 characters is cut.
void tag_part_append(char *text, size_t size, const char *part);

#endif
