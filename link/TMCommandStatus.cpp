// Fiscal-drive state, stored documents and the exchange with the OFD.
#include "TMCommand.h"
#include "TMCommandSteps.h"

int TMCommand::GetFNStatus()
{
    return TMBuildEmpty(*this, TM_GET_FN_STATUS);
}

int TMCommand::GetFNErrors()
{
    return TMBuildEmpty(*this, TM_GET_FN_ERRORS);
}

int TMCommand::FNGetCommStatus()
{
    return TMBuildEmpty(*this, TM_FN_COMM_STATUS);
}

int TMCommand::GetWaitDocs()
{
    return TMBuildEmpty(*this, TM_GET_WAIT_DOCS);
}

int TMCommand::GetOFDTicket(uint32_t docNumber, uint8_t b)
{
    int r = TMCommand::Begin(TM_GET_OFD_TICKET);
    TM_STEP(AddDword(docNumber));
    TM_STEP(AddByte(b));
    TM_STEP(End());
    return r;
}

int TMCommand::GetUnsentState()
{
    return TMBuildEmpty(*this, TM_GET_UNSENT_STATE);
}

int TMCommand::GetDocument(uint32_t docNumber, uint8_t mode)
{
    int r = TMCommand::Begin(TM_GET_DOCUMENT);
    TM_STEP(AddDword(docNumber));
    TM_STEP(AddByte(mode));
    TM_STEP(End());
    return r;
}

int TMCommand::SetOFDConnStatus(uint8_t connected)
{
    return TMBuildByte(*this, TM_SET_OFD_CONN_STATUS, connected);
}

int TMCommand::FNReadStart()
{
    return TMBuildEmpty(*this, TM_FN_READ_START);
}

int TMCommand::FNRead(uint16_t offset, uint16_t length)
{
    int r = TMCommand::Begin(TM_FN_READ);
    TM_STEP(AddWord(offset));
    TM_STEP(AddWord(length));
    TM_STEP(End());
    return r;
}

int TMCommand::FNReadCancel()
{
    return TMBuildEmpty(*this, TM_FN_READ_CANCEL);
}

int TMCommand::FNReadClose()
{
    return TMBuildEmpty(*this, TM_FN_READ_CLOSE);
}

int TMCommand::FNReadScript(const void *data, int n)
{
    int r = TMCommand::Begin(TM_FN_READ_SCRIPT);
    TM_STEP(AddHex(data, n));
    TM_STEP(End());
    return r;
}
