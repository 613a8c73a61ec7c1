// Print jobs: one message per job, raw data in chunks.

#include "ServicePrint.h"

#include "ServiceInternal.h"
#include "ServiceQueue.h"

#include <cstring>

using namespace service_internal;

namespace {

// Sub-kinds of the print jobs.
enum : uint8_t { PRINT_RAW = 0, PRINT_TEXT = 1, PRINT_TEXT2 = 2, PRINT_SETTINGS = 3, PRINT_TEXT4 = 4, PRINT_REQ5 = 5 };

// The status after a job: 0, -4, or failCode on a print error.
int JobStatus(uint32_t timeout, int failCode)
{
    int r = WaitStatus(timeout);
    if (r != 0)
        return r;
    return LastStatus()->printError != 0 ? failCode : 0;
}

// Sends one job message {sub-kind, body} and takes its status.
int OneMessageJob(uint8_t subKind, const uint8_t *body, size_t len, uint32_t timeout, int failCode)
{
    ServiceFlush();
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (SendKind(SERVICE_MSG_PRINT, subKind, body, len) != 0)
        return -3;
    if (timeout == 0)
        return 0;
    return JobStatus(timeout, failCode);
}

// A text job: head bytes, then the text with its NUL; limit in characters.
int TextJob(uint8_t subKind, const uint8_t *head, size_t headLen, const char *text, size_t limit,
            uint32_t timeout)
{
    if (!text)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    size_t n = strnlen(text, limit + 1);
    if (n > limit)
        return -1;
    uint8_t body[SERVICE_DATA_MAX];
    if (headLen)
        std::memcpy(body, head, headLen);
    std::memcpy(body + headLen, text, n + 1);
    return OneMessageJob(subKind, body, headLen + n + 1, timeout, -6);
}

} // namespace

int ServicePrintRaw(const void *data, uint32_t len, uint32_t timeout)
{
    if (!data || len == 0)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    ServiceFlush();
    std::lock_guard<std::mutex> lock(ServiceLock());
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint32_t left = len;
    while (left > 0) {
        uint32_t chunk = left < SERVICE_DATA_MAX ? left : SERVICE_DATA_MAX;
        if (SendKind(SERVICE_MSG_PRINT, PRINT_RAW, p, chunk) != 0)
            return -3;
        p += chunk;
        left -= chunk;
        if (timeout != 0) {
            int r = JobStatus(timeout, -6);
            if (r != 0)
                return r;
        }
    }
    return 0;
}

int ServicePrintText(const char *text, uint8_t option, uint32_t timeout)
{
    return TextJob(PRINT_TEXT, &option, 1, text, 4092, timeout);
}

int ServicePrintRequest2(const char *text, uint32_t timeout)
{
    return TextJob(PRINT_TEXT2, nullptr, 0, text, 4093, timeout);
}

int ServicePrintRequest4(const char *text, uint16_t value, uint8_t byte, uint32_t timeout)
{
    const uint8_t head[3] = {byte, static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8)};
    return TextJob(PRINT_TEXT4, head, sizeof head, text, 4090, timeout);
}

int ServicePrinterSettings(const uint8_t *settings, uint32_t timeout)
{
    if (!settings)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    return OneMessageJob(PRINT_SETTINGS, settings, 5, timeout, -7);
}

int ServicePrintRequest5(uint8_t byte, uint32_t timeout)
{
    if (ServiceQueueId() == -1)
        return -2;
    const uint8_t body[5] = {byte, 0, 0, 0, 0};
    return OneMessageJob(PRINT_REQ5, body, sizeof body, timeout, -7);
}
