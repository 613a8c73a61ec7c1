// File requests: the messages of types 7 to 11 and the wait for the answer.

#include "ServiceFiles.h"

#include "ServiceInternal.h"
#include "ServiceQueue.h"
#include "osal.h"

#include <cstring>

using namespace service_internal;

namespace {

const uint32_t kPutChunk = SERVICE_TEXT_MAX - 12; // 4084
const uint32_t kGetChunk = SERVICE_TEXT_MAX - 16; // 4080

// The 32-bit word the terminal's service reads for an address.
uint32_t AddressWord(const void *p)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// The address's bits above 32: 0 on the terminal.
uint32_t HighWord(const void *p)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p)) >> 32);
}

void PutWord(uint8_t *at, uint32_t v)
{
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

// Waits for the first type-4 message, whatever it carries, polling every
// 20 ms for at most bound ms: its first 32-bit word (missing bytes count
// as 0), or failCode.
int WaitAnswer(uint32_t bound, int failCode)
{
    uint8_t text[SERVICE_TEXT_MAX];
    uint32_t start = OsGetTickCount();
    do {
        int n = ReceiveText(SERVICE_MSG_MONITOR_OUT, text, sizeof text);
        if (n >= 0) {
            uint8_t word[4] = {0, 0, 0, 0};
            std::memcpy(word, text, n < 4 ? static_cast<size_t>(n) : 4);
            return static_cast<int32_t>(static_cast<uint32_t>(word[0]) | static_cast<uint32_t>(word[1]) << 8 |
                                        static_cast<uint32_t>(word[2]) << 16 |
                                        static_cast<uint32_t>(word[3]) << 24);
        }
        OsSleep(POLL_MS);
    } while (Within(start, bound));
    return failCode;
}

// A request of one message that starts with its type value and is padded
// with zeros to size bytes.
int MarkerRequest(long type, size_t size, int failCode, uint32_t bound)
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return failCode;
    uint8_t text[16] = {0};
    text[0] = static_cast<uint8_t>(type);
    if (SendText(type, text, size) != 0)
        return failCode;
    return WaitAnswer(bound, failCode);
}

// Sends data in chunks behind a header of headLen bytes, 20 ms apart; then
// waits for the answer.
int ChunkedRequest(long type, const uint8_t *head, size_t headLen, uint32_t chunkMax, const void *data,
                   uint32_t len)
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    uint8_t text[SERVICE_TEXT_MAX];
    std::memcpy(text, head, headLen);
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint32_t left = len;
    while (left > 0) {
        uint32_t chunk = left < chunkMax ? left : chunkMax;
        std::memcpy(text + headLen, p, chunk);
        if (SendText(type, text, headLen + chunk) != 0)
            return -3;
        p += chunk;
        left -= chunk;
        if (left > 0)
            OsSleep(POLL_MS);
    }
    return WaitAnswer(SERVICE_FILE_WAIT, -4);
}

} // namespace

int ServiceCopyLog()
{
    return MarkerRequest(SERVICE_MSG_COPY_LOG, 7, -13, SERVICE_COPY_LOG_WAIT);
}

int ServiceUnloadEnd()
{
    return MarkerRequest(SERVICE_MSG_UNLOAD_END, 11, -13, SERVICE_FILE_WAIT);
}

int ServiceUnloadPut(const char *name, const void *data, uint32_t len)
{
    if (!data || len == 0)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    uint8_t head[12];
    PutWord(head, AddressWord(name));
    PutWord(head + 4, AddressWord(data));
    PutWord(head + 8, len);
    return ChunkedRequest(SERVICE_MSG_UNLOAD_PUT, head, sizeof head, kPutChunk, data, len);
}

int ServiceUnloadGet(const char *name, const void *data, uint32_t len, int offset)
{
    if (!data || len == 0)
        return -1;
    if (ServiceQueueId() == -1)
        return -2;
    uint8_t head[16];
    PutWord(head, AddressWord(name));
    PutWord(head + 4, AddressWord(data));
    PutWord(head + 8, len);
    PutWord(head + 12, static_cast<uint32_t>(offset));
    return ChunkedRequest(SERVICE_MSG_UNLOAD_GET, head, sizeof head, kGetChunk, data, len);
}

int ServiceUnloadStep(const char *name, void *buffer, int len, int offset)
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -12;
    uint8_t text[SERVICE_TEXT_MAX];
    std::memset(text, 0, sizeof text);
    PutWord(text, AddressWord(name));
    PutWord(text + 4, AddressWord(buffer));
    PutWord(text + 8, static_cast<uint32_t>(len));
    PutWord(text + 12, static_cast<uint32_t>(offset));
    // The service fills the buffer in place. Its words are the terminal's
    // 32-bit addresses; on a 64-bit machine the high halves of the name's
    // and the buffer's go into bytes 16-23, which stay zero on the terminal.
    PutWord(text + 16, HighWord(name));
    PutWord(text + 20, HighWord(buffer));
    if (SendText(SERVICE_MSG_UNLOAD_STEP, text, sizeof text) != 0)
        return -12;
    return WaitAnswer(SERVICE_FILE_WAIT, -12);
}
