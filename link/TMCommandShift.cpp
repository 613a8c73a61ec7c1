// Start, shift, cash, totals, payment report and journal commands.
#include "TMCommand.h"
#include "TMCommandSteps.h"

namespace {

bool HasText(const char *s)
{
    return s && *s;
}

// Opening a shift, its date and time now or from t.
int BuildOpenShift(TMCommand &c, const struct tm *t, bool now, const char *oper, const char *inn, const char *s1,
                   const char *s2, const char *s3)
{
    int r = TMBeginDateTime(c, TM_OPEN_SHIFT, t, now);
    if (r > 0) r = c.TMCommand::AddStringPair(oper, inn);
    if (r > 0) r = c.TMCommand::AddString(s1, 0);
    if (r > 0) r = c.TMCommand::AddString(s2, 0);
    if (r > 0) r = c.TMCommand::AddString(s3, 0);
    if (r > 0) r = c.TMCommand::End();
    return r;
}

// Closing a shift, its date and time now or from t.
int BuildCloseShift(TMCommand &c, const struct tm *t, bool now, const char *oper, const char *inn, const char *s1,
                    const char *s2, uint8_t b)
{
    int r = TMBeginDateTime(c, TM_CLOSE_SHIFT, t, now);
    if (r > 0) r = c.TMCommand::AddStringPair(oper, inn);
    if (r > 0) r = c.TMCommand::AddString(s1, 0);
    if (r > 0) r = c.TMCommand::AddString(s2, 0);
    if (r > 0) r = c.TMCommand::AddByte(b);
    if (r > 0) r = c.TMCommand::End();
    return r;
}

// Cash in (0x32) or out (0x33): the amount, and the text when there is one.
int BuildCash(TMCommand &c, uint8_t code, const char *amount, const char *text)
{
    int r = TMBeginDateTime(c, code, nullptr, true);
    if (r > 0) r = c.TMCommand::AddString(amount, 0);
    if (r > 0 && HasText(text)) r = c.TMCommand::AddString(text, 0);
    if (r > 0) r = c.TMCommand::End();
    return r;
}

} // namespace

int TMCommand::StartSession()
{
    const int r = TMBuildDateTimeNow(*this, TM_START_SESSION);
    return r > 0 ? static_cast<int>(FrameSize()) : r;
}

int TMCommand::OpenShift(const char *oper, const char *inn, const char *s1, const char *s2, const char *s3)
{
    return BuildOpenShift(*this, nullptr, true, oper, inn, s1, s2, s3);
}

int TMCommand::OpenShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1, const char *s2,
                           const char *s3)
{
    return BuildOpenShift(*this, t, false, oper, inn, s1, s2, s3);
}

int TMCommand::GetShiftState()
{
    return TMBuildDateTimeNow(*this, TM_GET_SHIFT_STATE);
}

int TMCommand::ShiftReport()
{
    return TMBuildDateTimeNow(*this, TM_SHIFT_REPORT);
}

int TMCommand::CloseShift(const char *oper, const char *inn, const char *s1, const char *s2, uint8_t b)
{
    return BuildCloseShift(*this, nullptr, true, oper, inn, s1, s2, b);
}

int TMCommand::CloseShiftAt(const struct tm *t, const char *oper, const char *inn, const char *s1, const char *s2,
                            uint8_t b)
{
    return BuildCloseShift(*this, t, false, oper, inn, s1, s2, b);
}

int TMCommand::CashIn(const char *amount, const char *text)
{
    return BuildCash(*this, TM_CASH_IN, amount, text);
}

int TMCommand::CashOut(const char *amount, const char *text)
{
    return BuildCash(*this, TM_CASH_OUT, amount, text);
}

int TMCommand::GetMoneyTotals(uint8_t b)
{
    int r = TMBeginDateTime(*this, TM_GET_MONEY_TOTALS, nullptr, true);
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::Command35()
{
    return TMBuildEmpty(*this, TM_COMMAND_35);
}

int TMCommand::GetPaymentTotals(uint8_t type)
{
    return TMBuildByte(*this, TM_GET_PAYMENT_TOTALS, type);
}

int TMCommand::GetShiftTotals()
{
    return TMBuildEmpty(*this, TM_GET_SHIFT_TOTALS);
}

int TMCommand::GetDepartmentTotals(uint8_t department, uint8_t type)
{
    int r = TMCommand::Begin(TM_GET_DEPARTMENT_TOTALS);
    TM_STEP(AddByte(department));
    TM_STEP(AddByte(type));
    TM_STEP(End());
    return r;
}

int TMCommand::GetDocCounters()
{
    return TMBuildEmpty(*this, TM_GET_DOC_COUNTERS);
}

int TMCommand::PaymentReportBegin()
{
    return TMBuildDateTimeNow(*this, TM_PAYMENT_REPORT_BEGIN);
}

int TMCommand::PaymentReportLine(const char *s)
{
    return TMBuildText(*this, TM_PAYMENT_REPORT_LINE, s);
}

int TMCommand::PaymentReportEnd()
{
    return TMBuildEmpty(*this, TM_PAYMENT_REPORT_END);
}

int TMCommand::Command56(const char *const *texts, uint32_t count)
{
    if (!texts || count == 0)
        return -1;
    int r = TMCommand::Begin(TM_COMMAND_56);
    for (uint32_t i = 0; i < count && r > 0; ++i)
        TM_STEP(AddString(texts[i], 0));
    TM_STEP(End());
    return r;
}

int TMCommand::GetJournalParams()
{
    return TMBuildEmpty(*this, TM_GET_JOURNAL_PARAMS);
}

int TMCommand::JournalShiftClose(uint16_t shift)
{
    int r = TMCommand::Begin(TM_JOURNAL_SHIFT_CLOSE);
    TM_STEP(AddWord(shift));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalByTime(const char *s1, const char *s2, const char *s3)
{
    int r = TMCommand::Begin(TM_JOURNAL_BY_TIME);
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    if (HasText(s3))
        TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalByNumbers(uint16_t first, uint16_t last, uint8_t b)
{
    int r = TMCommand::Begin(TM_JOURNAL_BY_NUMBERS);
    TM_STEP(AddWord(first));
    TM_STEP(AddWord(last));
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalDocument(uint16_t doc, uint8_t b)
{
    int r = TMCommand::Begin(TM_JOURNAL_DOCUMENT);
    TM_STEP(AddWord(doc));
    if (b)
        TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalShift(uint16_t shift)
{
    int r = TMCommand::Begin(TM_JOURNAL_SHIFT);
    if (shift)
        TM_STEP(AddWord(shift));
    TM_STEP(End());
    return r;
}

int TMCommand::JournalClear()
{
    return TMBuildEmpty(*this, TM_JOURNAL_CLEAR);
}
