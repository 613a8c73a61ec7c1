// Marking-code checks, marking notifications and the key update.
#include "TMCommand.h"
#include "TMCommandSteps.h"

int TMCommand::GetMarkStatus()
{
    return TMBuildEmpty(*this, TM_GET_MARK_STATUS);
}

int TMCommand::GetMarkStatusOf(uint8_t b)
{
    return TMBuildByte(*this, TM_GET_MARK_STATUS, b);
}

int TMCommand::MarkCheckCode(uint16_t tag, const void *code, int n, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
                             uint8_t b5, uint8_t b6)
{
    int r = TMCommand::Begin(TM_MARK_CHECK_CODE);
    TM_STEP(AddWord(tag));
    TM_STEP(AddHex(code, n));
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(AddByte(b4));
    TM_STEP(AddByte(b5));
    TM_STEP(AddByte(b6));
    TM_STEP(End());
    return r;
}

int TMCommand::SaveMarkResult(uint8_t keep)
{
    return TMBuildByte(*this, TM_SAVE_MARK_RESULT, keep);
}

int TMCommand::MarkCheckReset()
{
    return TMBuildEmpty(*this, TM_MARK_CHECK_RESET);
}

int TMCommand::CreateMarkNotice(uint8_t b1, uint8_t b2, const char *r1, const char *r2, uint8_t b3)
{
    int r = TMCommand::Begin(TM_CREATE_MARK_NOTICE);
    TM_STEP(AddByte(b1));
    TM_STEP(AddByte(b2));
    TM_STEP(AddRawString(r1));
    TM_STEP(AddRawString(r2));
    TM_STEP(AddByte(b3));
    TM_STEP(End());
    return r;
}

int TMCommand::SaveMarkReplyText(const char *s)
{
    return TMBuildText(*this, TM_SAVE_MARK_REPLY, s);
}

int TMCommand::SaveMarkReply(const void *data, int n)
{
    int r = TMCommand::Begin(TM_SAVE_MARK_REPLY);
    TM_STEP(AddHex(data, n));
    TM_STEP(End());
    return r;
}

int TMCommand::SendMarkCode(uint8_t kind, const void *code, int n, uint8_t b2, uint8_t b3)
{
    int r = TMCommand::Begin(TM_SEND_MARK_CODE);
    TM_STEP(AddByte(kind));
    TM_STEP(AddHex(code, n));
    TM_STEP(AddByte(b2));
    TM_STEP(AddByte(b3));
    TM_STEP(End());
    return r;
}

int TMCommand::Cmd_GetStatusSendNotif()
{
    return TMBuildEmpty(*this, TM_NOTIF_STATUS);
}

int TMCommand::Cmd_StartReadNotif()
{
    return TMBuildEmpty(*this, TM_NOTIF_START_READ);
}

int TMCommand::ReadNotifData(uint16_t offset, uint16_t length)
{
    int r = TMCommand::Begin(TM_NOTIF_READ_DATA);
    TM_STEP(AddWord(offset));
    TM_STEP(AddWord(length));
    TM_STEP(End());
    return r;
}

int TMCommand::Command2D()
{
    return TMBuildEmpty(*this, TM_COMMAND_2D);
}

int TMCommand::Cmd_EndReadNotif()
{
    return TMBuildEmpty(*this, TM_NOTIF_END_READ);
}

int TMCommand::SendReceiptNotifText(const char *s)
{
    return TMBuildText(*this, TM_NOTIF_RECEIPT, s);
}

int TMCommand::Cmd_SendReceiptNotif(const void *data, int n)
{
    int r = TMCommand::Begin(TM_NOTIF_RECEIPT);
    TM_STEP(AddHex(data, n));
    TM_STEP(End());
    return r;
}

int TMCommand::NotifCounts(uint8_t b)
{
    return TMBuildByte(*this, TM_NOTIF_COUNTS, b);
}

int TMCommand::Command87(uint8_t sub, uint32_t d, uint16_t w)
{
    int r = TMCommand::Begin(TM_COMMAND_87);
    TM_STEP(AddByte(sub));
    TM_STEP(AddDword(d));
    TM_STEP(AddWord(w));
    TM_STEP(End());
    return r;
}

int TMCommand::NotifRead(uint16_t offset, uint16_t length)
{
    int r = TMCommand::Begin(TM_NOTIF_READ);
    TM_STEP(AddWord(offset));
    TM_STEP(AddWord(length));
    TM_STEP(End());
    return r;
}

int TMCommand::NotifStep(uint8_t step)
{
    return TMBuildByte(*this, TM_NOTIF_STEP, step);
}

int TMCommand::Command9E(uint8_t sub)
{
    return TMBuildByte(*this, TM_COMMAND_9E, sub);
}

int TMCommand::Command9EText(uint8_t sub, const char *s)
{
    int r = TMCommand::Begin(TM_COMMAND_9E);
    TM_STEP(AddByte(sub));
    TM_STEP(AddString(s, 0));
    TM_STEP(End());
    return r;
}

int TMCommand::Command9EData(uint8_t sub, const void *data, int n)
{
    int r = TMCommand::Begin(TM_COMMAND_9E);
    TM_STEP(AddByte(sub));
    TM_STEP(AddHex(data, n));
    TM_STEP(End());
    return r;
}
