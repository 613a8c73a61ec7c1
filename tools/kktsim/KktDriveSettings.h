// The controller's settings in the fiscal-drive model: its clock (0x42
// sets it, 0x43 answers it), the lines printed at the head and the end of
// every document (0x41 and 0x4E write the head, 0x46 the tail, 0x9A and
// 0x9B answer them), the tax-rate table (0x59, 0x58) and the payment-type
// table (0x4B, 0x4A) and the department table (0x61 answers it, 0x60
// replaces it), with their `drive` statements and state-file member; also
// the `drive` statement of the work words 2 to 4 (0x4C, 0x4D).
#ifndef KKTSIM_KKTDRIVESETTINGS_H
#define KKTSIM_KKTDRIVESETTINGS_H

#include <stdint.h>
#include <time.h>

#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct JsonValue;
struct DriveCall;

enum : size_t {
    kHeadLines = 6,  // the extended head; 0x41 writes lines 2 to 5
    kTailLines = 4,
    kSettingLineWidth = 40,
};

// One entry of the tax-rate table (0x59, 0x58).
struct TaxRate {
    std::string name;          // UTF-8
    std::string rate = "0.00"; // amounts with two decimals
    std::string sum = "0.00";
    uint8_t type = 0;
    uint16_t tag = 0;
};

// One entry of the payment-type table (0x4B, 0x4A).
struct PaymentKind {
    std::string name; // UTF-8
    uint8_t secondLine = 0, change = 0, currency = 0, mask = 0x0F;
    std::string rate = "1.00";
    uint16_t tag = 0; // answered, never written
};

enum : size_t { kTaxRates = 6, kMaxTaxRates = 256, kPaymentKinds = 16 };

// One department of the table (0x61, 0x60): a number 1 to 255 and a name
// of at most 30 characters (empty for a department deleted on the
// terminal: it is kept and answered, and prints no name).
struct DepartmentName {
    uint8_t number = 0;
    std::string name; // UTF-8
};

enum : size_t { kMaxDepartmentNames = 16, kDepartmentNameWidth = 30 };

std::vector<TaxRate> DefaultTaxRates();
std::vector<PaymentKind> DefaultPaymentKinds();
std::vector<DepartmentName> DefaultDepartmentNames();

struct DriveSettings {
    // The drive's clock is the PC's plus this many seconds.
    int64_t clockOffset = 0;
    // UTF-8, kSettingLineWidth characters at most each; an empty line is
    // not printed.
    std::vector<std::string> head = std::vector<std::string>(kHeadLines);
    std::vector<std::string> tail = std::vector<std::string>(kTailLines);
    std::vector<TaxRate> taxes = DefaultTaxRates();
    std::vector<PaymentKind> payments = DefaultPaymentKinds();
    std::vector<DepartmentName> departments = DefaultDepartmentNames();
};

// The drive's clock at the PC's time `pc` as DDMMYYHHMM.
std::string DriveClock(const DriveState &s, time_t pc);
// The seconds to add to the PC's clock (at `pc`) for the drive's clock to
// read DDMMYY HHMM (seconds 0); false for a text that names no real date
// or time.
bool ClockOffsetFor(const std::string &ddmmyy, const std::string &hhmm, time_t pc, int64_t &offset);

// The settings commands (rows of KktDriveCommands.cpp).
uint8_t SettingsSetHead(DriveCall &c);        // 0x41
uint8_t SettingsSetClock(DriveCall &c);       // 0x42
uint8_t SettingsClock(DriveCall &c);          // 0x43
uint8_t SettingsSetTail(DriveCall &c);        // 0x46
uint8_t SettingsSetPayment(DriveCall &c);     // 0x4A
uint8_t SettingsPayment(DriveCall &c);        // 0x4B
uint8_t SettingsSetHeadExt(DriveCall &c);     // 0x4E
uint8_t SettingsSetTax(DriveCall &c);         // 0x58
uint8_t SettingsTax(DriveCall &c);            // 0x59
uint8_t SettingsSetDepartments(DriveCall &c); // 0x60
uint8_t SettingsDepartments(DriveCall &c);    // 0x61
uint8_t SettingsHead(DriveCall &c);           // 0x9A
uint8_t SettingsTail(DriveCall &c);           // 0x9B

// The lines every document carries at its head and end (empty ones left
// out).
std::vector<std::string> PrintedHead(const DriveState &s);
std::vector<std::string> PrintedTail(const DriveState &s);

// A `drive` statement of the settings: "clock DDMMYYHHMM", "head N TEXT"
// (N 1 to 6), "tail N TEXT" (N 1 to 4), "department N TEXT" (N 1 to 255:
// sets its name, or adds it as the table's last, 16 at most),
// "departments none" (an empty table), "tax-rate N RATE SUM TYPE TAG NAME"
// (entry N of the tax-rate table, N up to its size adds one),
// "payment-type N SECOND CHANGE CURRENCY MASK RATE TAG NAME" (N 0 to 15) and
// "work-word N HHHH" (work words 2 to 4). False when it is none of them;
// otherwise true, with why set when the value is bad.
bool SettingsStatement(const std::string &name, const std::string &value, DriveState &s, std::string &why);

// The state-file member "settings" (an object) and its reading (null: a
// file without it, the settings keep their values).
std::string SettingsToJson(const DriveState &s);
bool SettingsFromJson(const JsonValue *member, DriveState &s, std::string &why);

} // namespace kktsim

#endif
