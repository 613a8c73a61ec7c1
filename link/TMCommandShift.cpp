// Start, shift, cash, totals, payment report and journal commands.
#include "TMCommand.h"
#include "TMCommandSteps.h"

namespace {

bool HasText(const char *s)
{
    return s && *s;
}

} // namespace

int TMCommand::StartSession()
{
    const int r = TMBuildDateTimeNow(*this, 0x01);
    return r > 0 ? static_cast<int>(FrameSize()) : r;
}

int TMCommand::OpenShift(const char *oper, const char *inn, const char *s1, const char *s2, const char *s3)
{
    int r = TMCommand::Begin(0x02);
    TM_STEP(AddDateNow());
    TM_STEP(AddTimeNow());
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::OpenShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1, const char *s2,
                           const char *s3)
{
    int r = TMCommand::Begin(0x02);
    TM_STEP(AddDate(t));
    TM_STEP(AddTime(t));
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetShiftState()
{
    return TMBuildDateTimeNow(*this, 0x03);
}

int TMCommand::ShiftReport()
{
    return TMBuildDateTimeNow(*this, 0x30);
}

int TMCommand::CloseShift(const char *oper, const char *inn, const char *s1, const char *s2, uint8_t b)
{
    int r = TMCommand::Begin(0x31);
    TM_STEP(AddDateNow());
    TM_STEP(AddTimeNow());
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::CloseShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1, const char *s2,
                            uint8_t b)
{
    int r = TMCommand::Begin(0x31);
    TM_STEP(AddDate(t));
    TM_STEP(AddTime(t));
    TM_STEP(AddStringPair(oper, inn));
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::CashIn(const char *amount, const char *text)
{
    int r = TMCommand::Begin(0x32);
    TM_STEP(AddDateNow());
    TM_STEP(AddTimeNow());
    TM_STEP(AddString(amount, 0));
    if (HasText(text))
        TM_STEP(AddString(text, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::CashOut(const char *amount, const char *text)
{
    int r = TMCommand::Begin(0x33);
    TM_STEP(AddDateNow());
    TM_STEP(AddTimeNow());
    TM_STEP(AddString(amount, 0));
    if (HasText(text))
        TM_STEP(AddString(text, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetMoneyTotals(uint8_t b)
{
    int r = TMCommand::Begin(0x34);
    TM_STEP(AddDateNow());
    TM_STEP(AddTimeNow());
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::Command35()
{
    return TMBuildEmpty(*this, 0x35);
}

int TMCommand::GetPaymentTotals(uint8_t type)
{
    int r = TMCommand::Begin(0x36);
    TM_STEP(AddByte(type));
    TM_STEP(End());
    return r;
}

int TMCommand::GetShiftTotals()
{
    return TMBuildEmpty(*this, 0x37);
}

int TMCommand::GetDepartmentTotals(uint8_t department, uint8_t type)
{
    int r = TMCommand::Begin(0x38);
    TM_STEP(AddByte(department));
    TM_STEP(AddByte(type));
    TM_STEP(End());
    return r;
}

int TMCommand::GetDocCounters()
{
    return TMBuildEmpty(*this, 0x3D);
}

int TMCommand::PaymentReportBegin()
{
    return TMBuildDateTimeNow(*this, 0x50);
}

int TMCommand::PaymentReportLine(const char *s)
{
    int r = TMCommand::Begin(0x51);
    TM_STEP(AddString(s, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::PaymentReportEnd()
{
    return TMBuildEmpty(*this, 0x52);
}

int TMCommand::Command56(const char *const *texts, uint32_t count)
{
    if (!texts || count == 0)
        return -1;
    int r = TMCommand::Begin(0x56);
    for (uint32_t i = 0; i < count && r > 0; ++i)
        TM_STEP(AddString(texts[i], 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetJournalParams()
{
    return TMBuildEmpty(*this, 0x49);
}

int TMCommand::JournalShiftClose(uint16_t shift)
{
    int r = TMCommand::Begin(0x7C);
    TM_STEP(AddWord(shift));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalByTime(const char *s1, const char *s2, const char *s3)
{
    int r = TMCommand::Begin(0x7D);
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    if (HasText(s3))
        TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalByNumbers(uint16_t first, uint16_t last, uint8_t b)
{
    int r = TMCommand::Begin(0x7E);
    TM_STEP(AddWord(first));
    TM_STEP(AddWord(last));
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalDocument(uint16_t doc, uint8_t b)
{
    int r = TMCommand::Begin(0x7F);
    TM_STEP(AddWord(doc));
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalShift(uint16_t shift)
{
    int r = TMCommand::Begin(0x84);
    if (shift)
        TM_STEP(AddWord(shift));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalClear()
{
    return TMBuildEmpty(*this, 0x85);
}
