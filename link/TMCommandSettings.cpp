// Registration, closing the fiscal drive, receipt header and tail, clock,
// parameters, payment types, tax rates, departments, servers and device
// identity.
#include "TMCommand.h"
#include "TMCommandSteps.h"

#include <stdarg.h>

namespace {

// The fields F1..F18 shared by the three registration layouts; f5 is a word
// in the first two layouts and a double word in the third.
struct RegFields {
    const char *f1;
    const char *f2;
    uint8_t f3;
    const char *f4;
    uint32_t f5;
    bool f5Dword;
    const char *f6;
    const char *oper;
    const char *inn;
    const char *f9;
    const char *f10;
    const char *f11;
    uint8_t f12, f13, f14;
    const char *f15, *f16, *f17, *f18;
};

int AddRegFields(TMCommand &c, int r, const RegFields &f)
{
    if (r > 0) r = c.TMCommand::AddString(f.f1, 0);
    if (r > 0) r = c.TMCommand::AddRawString(f.f2);
    if (r > 0) r = c.TMCommand::AddByte(f.f3);
    if (r > 0) r = c.TMCommand::AddRawString(f.f4);
    if (r > 0) r = f.f5Dword ? c.TMCommand::AddDword(f.f5) : c.TMCommand::AddWord(static_cast<uint16_t>(f.f5));
    if (r > 0) r = c.TMCommand::AddRawString(f.f6);
    if (r > 0) r = c.TMCommand::AddByte(0);
    if (r > 0) r = c.TMCommand::AddStringPair(f.oper, f.inn);
    if (r > 0) r = c.TMCommand::AddString(f.f9, 0);
    if (r > 0) r = c.TMCommand::AddRawString(f.f10);
    if (r > 0) r = c.TMCommand::AddRawString(f.f11);
    if (r > 0) r = c.TMCommand::AddByte(f.f12);
    if (r > 0) r = c.TMCommand::AddByte(f.f13);
    if (r > 0) r = c.TMCommand::AddByte(f.f14);
    if (r > 0) r = c.TMCommand::AddString(f.f15, 0);
    if (r > 0) r = c.TMCommand::AddString(f.f16, 0);
    if (r > 0) r = c.TMCommand::AddString(f.f17, 0);
    if (r > 0) r = c.TMCommand::AddString(f.f18, 0);
    return r;
}

// Date and time now, or from t.
int BeginRegistration(TMCommand &c, const struct tm *t, bool now)
{
    return TMBeginDateTime(c, TM_REGISTER, t, now);
}

// count texts from lines, then empty fields up to `fields`.
int BuildLines(TMCommand &c, uint8_t code, bool withDateTime, const char *const *lines, uint32_t count,
               uint32_t fields)
{
    if (!lines || count == 0)
        return -1;
    int r = withDateTime ? TMBeginDateTime(c, code, nullptr, true) : c.TMCommand::Begin(code);
    for (uint32_t i = 0; i < fields && r > 0; ++i)
        r = c.TMCommand::AddString(i < count ? lines[i] : nullptr, 0);
    if (r > 0) r = c.TMCommand::End();
    return r;
}

} // namespace

int TMCommand::Register(const char *f1, const char *f2, uint8_t f3, const char *f4, uint16_t f5, const char *f6,
                        const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                        uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                        const char *f18)
{
    const RegFields f{f1, f2, f3, f4, f5, false, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, nullptr, true), f);
    TM_STEP(End());
    return r;
}

int TMCommand::RegisterAt(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                          uint16_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                          const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14, const char *f15,
                          const char *f16, const char *f17, const char *f18)
{
    const RegFields f{f1, f2, f3, f4, f5, false, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, t, false), f);
    TM_STEP(End());
    return r;
}

int TMCommand::Register11(const char *f1, const char *f2, uint8_t f3, const char *f4, uint16_t f5, const char *f6,
                          const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                          uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                          const char *f18, uint32_t f19)
{
    const RegFields f{f1, f2, f3, f4, f5, false, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, nullptr, true), f);
    TM_STEP(AddDword(f19));
    TM_STEP(End());
    return r;
}

int TMCommand::Register11At(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                            uint16_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                            const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14,
                            const char *f15, const char *f16, const char *f17, const char *f18, uint32_t f19)
{
    const RegFields f{f1, f2, f3, f4, f5, false, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, t, false), f);
    TM_STEP(AddDword(f19));
    TM_STEP(End());
    return r;
}

int TMCommand::Register12(const char *f1, const char *f2, uint8_t f3, const char *f4, uint32_t f5, const char *f6,
                          const char *oper, const char *inn, const char *f9, const char *f10, const char *f11,
                          uint8_t f12, uint8_t f13, uint8_t f14, const char *f15, const char *f16, const char *f17,
                          const char *f18, uint32_t f19, const char *f20, const char *f21)
{
    const RegFields f{f1, f2, f3, f4, f5, true, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, nullptr, true), f);
    TM_STEP(AddDword(f19));
    TM_STEP(AddString(f20, 0));
    TM_STEP(AddString(f21, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Register12At(const struct tm *t, const char *f1, const char *f2, uint8_t f3, const char *f4,
                            uint32_t f5, const char *f6, const char *oper, const char *inn, const char *f9,
                            const char *f10, const char *f11, uint8_t f12, uint8_t f13, uint8_t f14,
                            const char *f15, const char *f16, const char *f17, const char *f18, uint32_t f19,
                            const char *f20, const char *f21)
{
    const RegFields f{f1, f2, f3, f4, f5, true, f6, oper, inn, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18};
    int r = AddRegFields(*this, BeginRegistration(*this, t, false), f);
    TM_STEP(AddDword(f19));
    TM_STEP(AddString(f20, 0));
    TM_STEP(AddString(f21, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetRegParam(uint16_t tag)
{
    int r = TMCommand::Begin(TM_GET_REG_PARAM);
    TM_STEP(AddWord(tag));
    TM_STEP(End());
    return r;
}

int TMCommand::CloseFN(const char *oper, const char *inn, uint8_t b)
{
    int r = TMBeginDateTime(*this, TM_CLOSE_FN, nullptr, true);
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::CloseFNAt(const char *oper, const char *inn, uint8_t b, const char *ddmmyy, const char *hhmm)
{
    int r = TMCommand::Begin(TM_CLOSE_FN);
    TM_STEP(AddDateText(ddmmyy));
    TM_STEP(AddTimeText(hhmm));
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::CloseFNPlain(const char *oper, const char *inn)
{
    int r = TMBeginDateTime(*this, TM_CLOSE_FN, nullptr, true);
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(End());
    return r;
}

int TMCommand::GetRegTotals()
{
    return TMBuildEmpty(*this, TM_GET_REG_TOTALS);
}

int TMCommand::GetRegTotalsOf(uint16_t w1, uint16_t w2)
{
    int r = TMCommand::Begin(TM_GET_REG_TOTALS);
    TM_STEP(AddWord(w1));
    TM_STEP(AddWord(w2));
    TM_STEP(End());
    return r;
}

int TMCommand::SetHeader(const char *const *lines, uint32_t count)
{
    return BuildLines(*this, TM_SET_HEADER, true, lines, count, 4);
}

int TMCommand::SetTail(const char *const *lines, uint32_t count)
{
    return BuildLines(*this, TM_SET_TAIL, true, lines, count, 4);
}

int TMCommand::SetHeaderExt(const char *const *lines, uint32_t count)
{
    return BuildLines(*this, TM_SET_HEADER_EXT, false, lines, count, 6);
}

int TMCommand::GetHeader()
{
    return TMBuildEmpty(*this, TM_GET_HEADER);
}

int TMCommand::GetTail()
{
    return TMBuildEmpty(*this, TM_GET_TAIL);
}

int TMCommand::SetDateTime(const char *ddmmyy, const char *hhmm)
{
    int r = TMCommand::Begin(TM_SET_DATE_TIME);
    TM_STEP(AddString(ddmmyy, 0));
    TM_STEP(AddString(hhmm, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::SyncDateTime()
{
    return TMBuildDateTimeNow(*this, TM_SET_DATE_TIME);
}

int TMCommand::GetDateTime()
{
    return TMBuildEmpty(*this, TM_GET_DATE_TIME);
}

int TMCommand::GetParams(uint16_t w1, uint16_t w2, uint16_t w3)
{
    int r = TMCommand::Begin(TM_GET_PARAMS);
    TM_STEP(AddWord(w1));
    TM_STEP(AddWord(w2));
    TM_STEP(AddWord(w3));
    TM_STEP(End());
    return r;
}

int TMCommand::GetParamList(uint32_t count, ...)
{
    if (count == 0)
        return -1;
    va_list args;
    va_start(args, count);
    int r = TMCommand::Begin(TM_GET_PARAMS);
    for (uint32_t i = 0; i < count && r > 0; ++i)
        TM_STEP(AddWord(static_cast<uint16_t>(va_arg(args, int))));
    va_end(args);
    TM_STEP(End());
    return r;
}

int TMCommand::GetWorkModes()
{
    return TMBuildEmpty(*this, TM_GET_WORK_MODES);
}

int TMCommand::Command4F(uint8_t b1, uint8_t b2, uint8_t b3)
{
    int r = TMCommand::Begin(TM_COMMAND_4F);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(End());
    return r;
}

int TMCommand::SetPaymentType(uint8_t number, const char *name, int flag1, int flag2, uint8_t b5, uint8_t b6,
                              const char *s7)
{
    int r = TMCommand::Begin(TM_SET_PAYMENT_TYPE);
    TM_STEP(AddByte(number));
    TM_STEP(AddString(name, 0));
    TM_STEP(AddByte(flag1 ? 1 : 0));
    TM_STEP(AddByte(flag2 ? 1 : 0));
    TM_STEP(AddByte(b5));
    TM_STEP(AddByte(b6));
    TM_STEP(AddString(s7, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetPaymentType(uint8_t number)
{
    return TMBuildByte(*this, TM_GET_PAYMENT_TYPE, number);
}

int TMCommand::SetTaxRate(uint8_t number, const char *name, const char *r1, const char *r2, uint8_t b, uint16_t w)
{
    int r = TMCommand::Begin(TM_SET_TAX_RATE);
    TM_STEP(AddByte(number));
    TM_STEP(AddString(name, 0));
    TM_STEP(AddRawString(r1));
    TM_STEP(AddRawString(r2));
    TM_STEP(AddByte(b));
    TM_STEP(AddWord(w));
    TM_STEP(End());
    return r;
}

int TMCommand::GetTaxRate(uint8_t number)
{
    return TMBuildByte(*this, TM_GET_TAX_RATE, number);
}

int TMCommand::SetDepartments(const TMDepartment *const *entries, uint32_t count)
{
    if (!entries || count == 0)
        return -1;
    int r = TMCommand::Begin(TM_SET_DEPARTMENTS);
    for (uint32_t i = 0; i < count && r > 0 && entries[i]; ++i) {
        TM_STEP(AddByte(entries[i]->number));
        TM_STEP(AddString(entries[i]->name, 0));
    }
    TM_STEP(End());
    return r;
}

int TMCommand::GetDepartments()
{
    return TMBuildEmpty(*this, TM_GET_DEPARTMENTS);
}

int TMCommand::SetOFDServer(const char *host, uint16_t port, uint16_t w2, uint16_t w3, uint16_t w4)
{
    int r = TMCommand::Begin(TM_SET_SERVER);
    TM_STEP(AddWord(port));
    TM_STEP(AddWord(w2));
    TM_STEP(AddWord(w3));
    TM_STEP(AddWord(w4));
    TM_STEP(AddString(host, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::SetServer(const char *host, uint16_t port, uint16_t w2, uint16_t w3, uint16_t w4, uint8_t index)
{
    int r = TMCommand::Begin(TM_SET_SERVER);
    TM_STEP(AddWord(port));
    TM_STEP(AddWord(w2));
    TM_STEP(AddWord(w3));
    TM_STEP(AddWord(w4));
    TM_STEP(AddString(host, 0));
    TM_STEP(AddByte(index));
    TM_STEP(End());
    return r;
}

int TMCommand::OFDGetParam()
{
    return TMBuildEmpty(*this, TM_GET_SERVER);
}

int TMCommand::GetServer(uint8_t index)
{
    return TMBuildByte(*this, TM_GET_SERVER, index);
}

int TMCommand::Command65(uint8_t b)
{
    return TMBuildByte(*this, TM_COMMAND_65, b);
}

int TMCommand::Command6B(uint8_t b1, uint8_t b2, uint32_t d1, uint32_t d2, uint32_t d3, uint32_t d4, uint32_t d5,
                         const char *s, uint8_t b3)
{
    int r = TMCommand::Begin(TM_COMMAND_6B);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddDword(d1));
    TM_STEP(AddDword(d2));
    TM_STEP(AddDword(d3));
    TM_STEP(AddDword(d4));
    TM_STEP(AddDword(d5));
    TM_STEP(AddString(s, 0));
    if (b3)
        TM_STEP(AddByte(b3));
    TM_STEP(End());
    return r;
}

int TMCommand::Command6C(uint8_t b)
{
    int r = TMCommand::Begin(TM_COMMAND_6C);
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::GetSerialNumber()
{
    return TMBuildEmpty(*this, TM_GET_SERIAL_NUMBER);
}

int TMCommand::GetKktInfo()
{
    return TMBuildEmpty(*this, TM_GET_KKT_INFO);
}

int TMCommand::EnterServiceMonitor()
{
    return TMBuildEmpty(*this, TM_ENTER_SERVICE_MONITOR);
}

int TMCommand::Command94(const char *t1, const char *t2, uint16_t w)
{
    int r = TMCommand::Begin(TM_COMMAND_94);
    TM_STEP(AddString(t1, 0));
    TM_STEP(AddByte(1));
    TM_STEP(AddByte(0));
    TM_STEP(AddString(t2, 0));
    TM_STEP(AddByte(1));
    TM_STEP(AddByte(0));
    TM_STEP(AddWord(w));
    TM_STEP(End());
    return r;
}

int TMCommand::Command95()
{
    return TMBuildEmpty(*this, TM_COMMAND_95);
}

int TMCommand::Command70()
{
    return TMBuildEmpty(*this, TM_COMMAND_70);
}

int TMCommand::Command8C(const char *s)
{
    int r = TMCommand::Begin(TM_COMMAND_8C);
    TM_STEP(AddRawString(s));
    TM_STEP(End());
    return r;
}

int TMCommand::Command9F(uint8_t b)
{
    return TMBuildByte(*this, TM_COMMAND_9F, b);
}

int TMCommand::CommandB0(uint8_t b, uint16_t w)
{
    int r = TMCommand::Begin(TM_COMMAND_B0);
    TM_STEP(AddByte(b));
    TM_STEP(AddWord(w));
    TM_STEP(End());
    return r;
}

int TMCommand::CommandC0(uint8_t b, uint16_t w, const char *s1)
{
    int r = TMCommand::Begin(TM_COMMAND_C0);
    TM_STEP(AddByte(b));
    TM_STEP(AddWord(w));
    TM_STEP(AddString(s1, 1));
    TM_STEP(End());
    return r;
}
