#include "KktDriveReports.h"

#include "KktAmount.h"
#include "KktDrive.h"
#include "KktDriveCommands.h"
#include "KktDriveWire.h"
#include "KktFrame.h"
#include "KktJson.h"
#include "KktText.h"

namespace kktsim {

using namespace wire;

namespace {


DepartmentTotal &Slot(std::vector<DepartmentTotal> &all, uint8_t department, uint8_t operation, uint8_t payment)
{
    for (DepartmentTotal &t : all)
        if (t.department == department && t.operation == operation && t.payment == payment)
            return t;
    DepartmentTotal t;
    t.department = department;
    t.operation = operation;
    t.payment = payment;
    all.push_back(t);
    return all.back();
}

} // namespace

void BookDepartments(DriveState &s, int operation, const int64_t *paid)
{
    int64_t left[kPaymentTypes];
    for (int p = 0; p < kPaymentTypes; ++p)
        left[p] = paid[p];
    int p = 0;
    for (const ReceiptItem &item : s.items) {
        if (item.extra.department < 1 || item.extra.department > kDepartments)
            continue;
        int64_t rest = item.sum;
        bool counted = false;
        while (p < kPaymentTypes && left[p] == 0)
            ++p;
        if (rest == 0 && p < kPaymentTypes) {
            ++Slot(s.shift.departments, item.extra.department, static_cast<uint8_t>(operation), static_cast<uint8_t>(p))
                  .count;
            continue;
        }
        while (rest > 0 && p < kPaymentTypes) {
            if (left[p] == 0) {
                ++p;
                continue;
            }
            int64_t part = rest < left[p] ? rest : left[p];
            DepartmentTotal &t =
                Slot(s.shift.departments, item.extra.department, static_cast<uint8_t>(operation), static_cast<uint8_t>(p));
            t.sum = AddCapped(t.sum, part);
            if (!counted)
                ++t.count;
            counted = true;
            rest -= part;
            left[p] -= part;
        }
    }
}

uint8_t DepartmentTotals(DriveCall &c)
{
    DriveState &s = c.s;
    uint32_t department, payment;
    if (c.fields.size() < 2)
        return kErrFormat;
    if (!ReadHexLE(c.Raw(1), 1, department) || !ReadHexLE(c.Raw(2), 1, payment))
        return kErrField;
    if (department < 1 || department > static_cast<uint32_t>(kDepartments))
        return kErrRange;
    if (payment >= static_cast<uint32_t>(kPaymentTypes))
        return kErrPaymentIndex;
    if (!s.Registered())
        return kErrNotRegistered;
    for (uint8_t op = 0; op < 4; ++op) {
        int64_t sum = 0;
        uint32_t count = 0;
        for (const DepartmentTotal &t : s.shift.departments)
            if (t.department == department && t.operation == op && t.payment == payment) {
                sum = t.sum;
                count = t.count;
            }
        c.data.push_back(Utf8ToCp866(AmountText(sum)));
        c.data.push_back(Utf8ToCp866(std::to_string(count)));
    }
    return 0;
}

std::string DepartmentTotalsToJson(const std::vector<DepartmentTotal> &totals)
{
    std::string o = "[";
    for (size_t i = 0; i < totals.size(); ++i) {
        const DepartmentTotal &t = totals[i];
        o += std::string(i ? ", " : "") + "[" + std::to_string(t.department) + ", " + std::to_string(t.operation) +
             ", " + std::to_string(t.payment) + ", " + JsonString(AmountText(t.sum)) + ", " +
             std::to_string(t.count) + "]";
    }
    return o + "]";
}

bool DepartmentTotalsFromJson(const JsonValue &v, std::vector<DepartmentTotal> &out, std::string &why)
{
    std::vector<DepartmentTotal> all;
    bool ok = v.type == JsonValue::Array && v.items.size() <= 4u * kDepartments * kPaymentTypes;
    for (size_t i = 0; ok && i < v.items.size(); ++i) {
        const JsonValue &e = v.items[i];
        ok = e.type == JsonValue::Array && e.items.size() == 5;
        for (size_t k = 0; ok && k < 5; ++k)
            ok = e.items[k].type == (k == 3 ? JsonValue::String : JsonValue::Number);
        if (!ok)
            break;
        DepartmentTotal t;
        int64_t d = e.items[0].number, op = e.items[1].number, p = e.items[2].number, c = e.items[4].number;
        ok = d >= 1 && d <= kDepartments && op >= 0 && op < 4 && p >= 0 && p < kPaymentTypes && c >= 0 &&
             c <= 0xFFFFFFFFll && ParseStoredAmount(e.items[3].text, t.sum) && t.sum >= 0;
        t.department = static_cast<uint8_t>(d);
        t.operation = static_cast<uint8_t>(op);
        t.payment = static_cast<uint8_t>(p);
        t.count = static_cast<uint32_t>(c);
        all.push_back(t);
    }
    if (!ok) {
        why = "bad member \"departments\"";
        return false;
    }
    out = all;
    return true;
}

} // namespace kktsim
