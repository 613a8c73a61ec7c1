// Log lines for the controller service.

#include "ServiceLog.h"

#include "ServiceInternal.h"
#include "ServiceQueue.h"
#include "osal.h"

#include <cstring>

using namespace service_internal;

int ServiceLog(const void *data, uint32_t len, int kind)
{
    if (!data || len == 0)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    std::lock_guard<std::mutex> lock(ServiceLock());
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint32_t left = len;
    while (left > 0) {
        uint32_t chunk = left < SERVICE_DATA_MAX ? left : SERVICE_DATA_MAX;
        if (SendKind(SERVICE_MSG_LOG, static_cast<uint8_t>(kind), p, chunk) != 0)
            return -3;
        p += chunk;
        left -= chunk;
        if (left > 0)
            OsSleep(POLL_MS);
    }
    return 0;
}

int ServiceLogText(const char *text)
{
    if (!text)
        return -1;
    return ServiceLog(text, static_cast<uint32_t>(std::strlen(text)), SERVICE_LOG_TEXT);
}
