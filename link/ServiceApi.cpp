// The flat interface: each function passes straight to its operation.

#include "ServiceApi.h"

#include "ServiceApp.h"
#include "ServiceCommand.h"
#include "ServiceFiles.h"
#include "ServiceLog.h"
#include "ServicePrint.h"

extern "C" {

int ServiceApi_Open(void) { return ServiceOpen(); }
const char *ServiceApi_ClientVersion(void) { return ServiceClientVersion(); }
const ServiceStatusBlock *ServiceApi_LastStatus(void) { return ServiceLastStatus(); }
int ServiceApi_QueueId(void) { return ServiceQueueId(); }
int ServiceApi_Send(int kind, const void *data, uint32_t len) { return ServiceSend(kind, data, len); }
int ServiceApi_MonitorSend(const void *data, uint32_t len) { return ServiceMonitorSend(data, len); }
int ServiceApi_SendFrame(const void *data, int len) { return ServiceSendFrame(data, len); }
int ServiceApi_QueryVersionText(void) { return ServiceQueryVersionText(); }
int ServiceApi_QueryState(void) { return ServiceQueryState(); }
int ServiceApi_QueryVersion(void) { return ServiceQueryVersion(); }
int ServiceApi_Receive(uint8_t *kind, void *out, int max, uint32_t timeout)
{
    return ServiceReceive(kind, out, max, timeout);
}
int ServiceApi_MonitorReceive(void *out, int max, uint32_t timeout)
{
    return ServiceMonitorReceive(out, max, timeout);
}
int ServiceApi_WaitReady(uint32_t tries, uint32_t timeout) { return ServiceWaitReady(tries, timeout); }
int ServiceApi_GetPrnStatus(uint32_t timeout) { return GetPrnStatus(timeout); }
int ServiceApi_InstallFiscalHeader(const char *path) { return InstallFiscalHeader(path); }
int ServiceApi_PrintRaw(const void *data, uint32_t len, uint32_t timeout)
{
    return ServicePrintRaw(data, len, timeout);
}
int ServiceApi_PrintText(const char *text, uint8_t option, uint32_t timeout)
{
    return ServicePrintText(text, option, timeout);
}
int ServiceApi_PrintRequest4(const char *text, uint16_t value, uint8_t byte, uint32_t timeout)
{
    return ServicePrintRequest4(text, value, byte, timeout);
}
int ServiceApi_PrintRequest2(const char *text, uint32_t timeout) { return ServicePrintRequest2(text, timeout); }
int ServiceApi_PrinterSettings(const uint8_t *settings, uint32_t timeout)
{
    return ServicePrinterSettings(settings, timeout);
}
int ServiceApi_PrintRequest5(uint8_t byte, uint32_t timeout) { return ServicePrintRequest5(byte, timeout); }
int ServiceApi_Log(const void *data, uint32_t len, int kind) { return ServiceLog(data, len, kind); }
int ServiceApi_LogText(const char *text) { return ServiceLogText(text); }
int ServiceApi_UnloadStep(const char *name, void *buffer, int len, int offset)
{
    return ServiceUnloadStep(name, buffer, len, offset);
}
int ServiceApi_UnloadPut(const char *name, const void *data, uint32_t len)
{
    return ServiceUnloadPut(name, data, len);
}
int ServiceApi_UnloadGet(const char *name, const void *data, uint32_t len, int offset)
{
    return ServiceUnloadGet(name, data, len, offset);
}
int ServiceApi_Flush(void) { return ServiceFlush(); }
int ServiceApi_RunServiceApp(uint32_t argument) { return RunServiceApp(argument); }

} // extern "C"
