// Fiscal-drive state, stored documents and the exchange with the OFD.
#include "TMCommand.h"
#include "TMCommandSteps.h"

int TMCommand::GetFNStatus()
{
    return TMBuildEmpty(*this, 0x29);
}

int TMCommand::GetFNErrors()
{
    return TMBuildEmpty(*this, 0x2A);
}

int TMCommand::FNGetCommStatus()
{
    return TMBuildEmpty(*this, 0x2B);
}

int TMCommand::GetWaitDocs()
{
    return TMBuildEmpty(*this, 0x39);
}

int TMCommand::GetOFDTicket(uint32_t docNumber, uint8_t b)
{
    int r = TMCommand::Begin(0x3A);
    TM_STEP(AddDword(docNumber));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::GetUnsentState()
{
    return TMBuildEmpty(*this, 0x3B);
}

int TMCommand::GetDocument(uint32_t docNumber, uint8_t mode)
{
    int r = TMCommand::Begin(0x8B);
    TM_STEP(AddDword(docNumber));
    TM_STEP(AddByte(mode));
    TM_STEP(End());
    return r;
}

int TMCommand::SetOFDConnStatus(uint8_t connected)
{
    return TMBuildByte(*this, 0x5F, connected);
}

int TMCommand::FNReadStart()
{
    return TMBuildEmpty(*this, 0x5A);
}

int TMCommand::FNRead(uint16_t offset, uint16_t length)
{
    int r = TMCommand::Begin(0x5B);
    TM_STEP(AddWord(offset));
    TM_STEP(AddWord(length));
    TM_STEP(End());
    return r;
}

int TMCommand::FNReadCancel()
{
    return TMBuildEmpty(*this, 0x5C);
}

int TMCommand::FNReadClose()
{
    return TMBuildEmpty(*this, 0x5D);
}

int TMCommand::FNReadScript(const void *data, int n)
{
    int r = TMCommand::Begin(0x5E);
    TM_STEP(AddHex(data, n));
    TM_STEP(End());
    return r;
}
