// Field groups, receipt and document commands.
#include "TMCommand.h"
#include "TMCommandSteps.h"

namespace {

// Opening a receipt or another document, its date and time now or from t.
int BuildOpenDocument(TMCommand &c, const struct tm *t, bool now, uint8_t type, const char *oper, const char *inn,
                      const char *table, const char *place, uint8_t copies, uint8_t taxMode, const char *account,
                      const char *tags)
{
    int r = TMBeginDateTime(c, TM_OPEN_DOCUMENT, t, now);
    if (r > 0) r = c.TMCommand::AddByte(type);
    if (r > 0) r = c.TMCommand::AddStringPair(oper, inn);
    if (r > 0) r = c.TMCommand::AddString(table, 0);
    if (r > 0) r = c.TMCommand::AddString(place, 0);
    if (r > 0) r = c.TMCommand::AddByte(copies);
    if (r > 0) r = c.TMCommand::AddByte(taxMode);
    if (r > 0) r = c.TMCommand::AddString(account, 0);
    if (r > 0) r = c.TMCommand::AddString(tags, 0);
    if (r > 0) r = c.TMCommand::End();
    return r;
}

} // namespace

int TMCommand::AddGroupWWB(uint16_t w1, uint16_t w2, uint8_t b)
{
    int r = 1;
    TM_STEP(AddWord(w1));
    TM_STEP(AddWord(w2));
    TM_STEP(AddByte(b));
    return r;
}

int TMCommand::AddGroupWWBS(uint16_t w1, uint16_t w2, uint8_t b, const char *s)
{
    int r = 1;
    TM_STEP(AddWord(w1));
    TM_STEP(AddWord(w2));
    TM_STEP(AddByte(b));
    TM_STEP(AddString(s, 0));
    return r;
}

int TMCommand::AddGroupWWBBBS(uint16_t w1, uint16_t w2, uint8_t b1, uint8_t b2, uint8_t b3, const char *s)
{
    int r = AddWord(w1); // through the virtual table, unlike the other steps
    TM_STEP(AddWord(w2));
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(AddString(s, 0));
    return r;
}

int TMCommand::AddGroupB6WWB(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, uint8_t b6, uint16_t w1,
                             uint16_t w2, uint8_t b7)
{
    int r = 1;
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(AddByte(b4));
    TM_STEP(AddByte(b5));
    TM_STEP(AddByte(b6));
    TM_STEP(AddWord(w1));
    TM_STEP(AddWord(w2));
    TM_STEP(AddByte(b7));
    return r;
}

int TMCommand::OpenDocument(uint8_t type, const char *oper, const char *inn, const char *table, const char *place,
                            uint8_t copies, uint8_t taxMode, const char *account, const char *tags)
{
    return BuildOpenDocument(*this, nullptr, true, type, oper, inn, table, place, copies, taxMode, account, tags);
}

int TMCommand::OpenDocumentAt(const struct tm *t, uint8_t type, const char *oper, const char *inn,
                              const char *table, const char *place, uint8_t copies, uint8_t taxMode,
                              const char *account, const char *tags)
{
    return BuildOpenDocument(*this, t, false, type, oper, inn, table, place, copies, taxMode, account, tags);
}

int TMCommand::AddItem(const char *t1, const char *t2, const char *r1, const char *r2, const char *t3, uint8_t b1,
                       uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, const char *t4, const char *t5)
{
    // b5 leads the hex field; b4 follows only when it is set.
    const uint8_t bytes[5] = {b5, b1, b2, b3, b4};
    int r = TMCommand::Begin(TM_ADD_ITEM);
    TM_STEP(AddString(t1, 0));
    TM_STEP(AddString(t2, 0));
    TM_STEP(AddRawString(r1));
    TM_STEP(AddRawString(r2));
    TM_STEP(AddString(t3, 0));
    if (r > 0)
        r = AddHex(bytes, b4 ? 5 : 4); // through the virtual table
    TM_STEP(AddString(t4, 0));
    TM_STEP(AddString(t5, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command1A(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, const char *s)
{
    int r = TMCommand::Begin(TM_COMMAND_1A);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(AddByte(b4));
    TM_STEP(AddByte(b5));
    TM_STEP(AddString(s, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command1E(uint8_t b1, uint8_t b2, const char *s)
{
    int r = TMCommand::Begin(TM_COMMAND_1E);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddRawString("0"));
    TM_STEP(AddString(s, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command1F(uint8_t b1, uint8_t b2, uint8_t b3)
{
    int r = TMCommand::Begin(TM_COMMAND_1F);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(End());
    return r;
}

int TMCommand::Command16(const char *s)
{
    return TMBuildText(*this, TM_COMMAND_16, s);
}

int TMCommand::Subtotal(const char *s)
{
    return TMBuildText(*this, TM_SUBTOTAL, s);
}

int TMCommand::AddPayment(uint8_t type, const char *amount, const char *s2, const char *s3)
{
    int r = TMCommand::Begin(TM_ADD_PAYMENT);
    TM_STEP(AddByte(type));
    TM_STEP(AddString(amount, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::CloseDocument()
{
    return TMBuildEmpty(*this, TM_CLOSE_DOCUMENT);
}

int TMCommand::CancelDocument()
{
    return TMBuildDateTimeNow(*this, TM_CANCEL_DOCUMENT);
}

int TMCommand::Command15(uint8_t b, const char *s1, const char *s2, const char *s3)
{
    int r = TMCommand::Begin(TM_COMMAND_15);
    TM_STEP(AddByte(b));
    TM_STEP(AddString(s1, 0));
    TM_STEP(AddString(s2, 0));
    TM_STEP(AddString(s3, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command1B(uint8_t b, const char *s)
{
    int r = TMCommand::Begin(TM_COMMAND_1B);
    TM_STEP(AddByte(b));
    TM_STEP(AddString(s, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::PrintText(const char *s)
{
    return TMBuildText(*this, TM_PRINT_TEXT, s);
}

int TMCommand::AddTag(uint16_t tag, const char *value)
{
    int r = TMCommand::Begin(TM_ADD_TAG);
    TM_STEP(AddWord(tag));
    TM_STEP(AddString(value, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command1D()
{
    return TMBuildEmpty(*this, TM_COMMAND_1D);
}
