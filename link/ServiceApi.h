// The flat interface over the service calls: one C function per operation,
// same arguments and results.
#ifndef LINK_SERVICEAPI_H
#define LINK_SERVICEAPI_H

#include "ServiceQueue.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int ServiceApi_Open(void);
const char *ServiceApi_ClientVersion(void);
const ServiceStatusBlock *ServiceApi_LastStatus(void);
int ServiceApi_QueueId(void);
int ServiceApi_Send(int kind, const void *data, uint32_t len);
int ServiceApi_MonitorSend(const void *data, uint32_t len);
int ServiceApi_SendFrame(const void *data, int len);
int ServiceApi_QueryVersionText(void);
int ServiceApi_QueryState(void);
int ServiceApi_QueryVersion(void);
int ServiceApi_Receive(uint8_t *kind, void *out, int max, uint32_t timeout);
int ServiceApi_MonitorReceive(void *out, int max, uint32_t timeout);
int ServiceApi_WaitReady(uint32_t tries, uint32_t timeout);
int ServiceApi_GetPrnStatus(uint32_t timeout);
int ServiceApi_InstallFiscalHeader(const char *path);
int ServiceApi_PrintRaw(const void *data, uint32_t len, uint32_t timeout);
int ServiceApi_PrintText(const char *text, uint8_t option, uint32_t timeout);
int ServiceApi_PrintRequest4(const char *text, uint16_t value, uint8_t byte, uint32_t timeout);
int ServiceApi_PrintRequest2(const char *text, uint32_t timeout);
int ServiceApi_PrinterSettings(const uint8_t *settings, uint32_t timeout);
int ServiceApi_PrintRequest5(uint8_t byte, uint32_t timeout);
int ServiceApi_Log(const void *data, uint32_t len, int kind);
int ServiceApi_LogText(const char *text);
int ServiceApi_UnloadStep(const char *name, void *buffer, int len, int offset);
int ServiceApi_UnloadPut(const char *name, const void *data, uint32_t len);
int ServiceApi_UnloadGet(const char *name, const void *data, uint32_t len, int offset);
int ServiceApi_Flush(void);
int ServiceApi_RunServiceApp(uint32_t argument);

#ifdef __cplusplus
}
#endif

#endif
