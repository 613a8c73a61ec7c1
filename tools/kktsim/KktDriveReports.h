// The shift's totals by department, kept per receipt item, and the commands
// that reports them: the totals of one department by payment type (0x38;
// the department table itself is a setting, KktDriveSettings.h).
#ifndef KKTSIM_KKTDRIVEREPORTS_H
#define KKTSIM_KKTDRIVEREPORTS_H

#include <stdint.h>

#include <string>
#include <vector>

namespace kktsim {

struct DriveState;
struct DriveResult;
struct DriveCall;
struct JsonValue;
struct Reply;
struct Request;
class Drive;

// Departments the drive counts (the table lists the first 16).
const int kDepartments = 40;

// What the receipts of one operation paid by one payment type brought to
// one department in the shift.
struct DepartmentTotal {
    uint8_t department = 0;
    uint8_t operation = 0; // 0 income .. 3 return of expense
    uint8_t payment = 0;   // payment type 0..15
    int64_t sum = 0;       // kopecks
    uint32_t count = 0;    // items
};

// Books a closed receipt's items (each with its department) on the shift:
// the payments (cash already less the change) are handed out to the items
// in order, so an item paid by two types counts under both; the item counts
// where its first kopeck went.
void BookDepartments(DriveState &s, int operation, const int64_t *paid);

// 0x38: false for another code, else true with the error.
// 0x38: a department's totals by operation for one payment type (a row of
// KktDriveCommands.cpp).
uint8_t DepartmentTotals(DriveCall &c);

std::string DepartmentTotalsToJson(const std::vector<DepartmentTotal> &totals);
bool DepartmentTotalsFromJson(const JsonValue &v, std::vector<DepartmentTotal> &out, std::string &why);

} // namespace kktsim

#endif
