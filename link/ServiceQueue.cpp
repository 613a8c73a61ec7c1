// The service queue: attaching, the status block, plain sends, receives and
// the flush.

#include "ServiceQueue.h"

#include "ServiceInternal.h"
#include "osal.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <sys/ipc.h>
#include <sys/msg.h>

namespace service_internal {

namespace {

// Written under the queue mutex; read also without it (the "no queue"
// checks), hence atomic. Once attached it never goes back to -1.
std::atomic<int> g_queueId{-1};
ServiceStatusBlock g_status;

// The error of a queue call that finds the queue behind the identifier gone:
// removed meanwhile (EIDRM), or the identifier names no queue any more
// (EINVAL), as after the service restarted and made a new one.
bool QueueGone(int error)
{
    return error == EIDRM || error == EINVAL;
}

// Looks the service's key up again after a call found the queue gone: true
// when there is a queue of another identifier, which replaces the old one.
// Otherwise the old identifier stays, and the caller fails as before.
bool Reattach()
{
    int id = ::ServiceQueueGet();
    if (id == -1 || id == g_queueId)
        return false;
    g_queueId = id;
    return true;
}

} // namespace

std::mutex &ServiceLock()
{
    static std::mutex lock;
    return lock;
}

int QueueId()
{
    return g_queueId;
}

namespace {

// Puts a built message of len text bytes on the queue without waiting
// (again after a signal; once more on a queue looked up again when the old
// one is gone).
int Post(ServiceMessage &msg, size_t len)
{
    if (g_queueId == -1)
        return -3;
    bool retried = false;
    while (msgsnd(g_queueId, &msg, len, IPC_NOWAIT) != 0) {
        if (errno == EINTR)
            continue;
        if (retried || !QueueGone(errno) || !Reattach())
            return -3;
        retried = true;
    }
    return 0;
}

} // namespace

int SendText(long type, const void *text, size_t len)
{
    if (len > SERVICE_TEXT_MAX)
        return -3;
    ServiceMessage msg;
    msg.type = type;
    if (len)
        std::memcpy(msg.text, text, len);
    return Post(msg, len);
}

int SendKind(long type, uint8_t kind, const void *data, size_t len)
{
    if (len > SERVICE_DATA_MAX)
        return -3;
    ServiceMessage msg;
    msg.type = type;
    msg.text[0] = kind;
    if (data && len)
        std::memcpy(msg.text + 1, data, len);
    return Post(msg, 1 + len);
}

int ReceiveText(long type, void *text, size_t max)
{
    if (g_queueId == -1)
        return -1;
    if (max > SERVICE_TEXT_MAX)
        max = SERVICE_TEXT_MAX;
    ServiceMessage msg;
    bool retried = false;
    for (;;) {
        // MSG_NOERROR: a message longer than the room is taken and cut to it.
        // Left on the queue it would hide every later message of its type.
        ssize_t n = msgrcv(g_queueId, &msg, max, type, IPC_NOWAIT | MSG_NOERROR);
        if (n >= 0) {
            if (n)
                std::memcpy(text, msg.text, static_cast<size_t>(n));
            return static_cast<int>(n);
        }
        if (errno == EINTR)
            continue;
        if (retried || !QueueGone(errno) || !Reattach())
            return -1;
        retried = true;
    }
}

void StoreStatus(const uint8_t *data, size_t n)
{
    std::memset(&g_status, 0, sizeof g_status);
    if (data)
        std::memcpy(&g_status, data, n < sizeof g_status ? n : sizeof g_status);
}

bool Within(uint32_t start, uint32_t timeout)
{
    return static_cast<uint32_t>(OsGetTickCount() - start) < timeout;
}

int WaitStatus(uint32_t timeout)
{
    uint8_t text[SERVICE_TEXT_MAX];
    uint32_t start = OsGetTickCount();
    do {
        int n = ReceiveText(SERVICE_MSG_REPLY, text, sizeof text);
        if (n < 0) {
            OsSleep(POLL_MS);
            continue;
        }
        if (n >= 1 && text[0] == SERVICE_KIND_STATE) {
            StoreStatus(text + 1, static_cast<size_t>(n - 1));
            return 0;
        }
        // another kind: dropped, polled again at once
    } while (Within(start, timeout));
    return -4;
}

const ServiceStatusBlock *LastStatus()
{
    return &g_status;
}

void SetQueueId(int id)
{
    g_queueId = id;
}

} // namespace service_internal

using namespace service_internal;

int ServiceQueueGet()
{
    return msgget(SERVICE_QUEUE_KEY, 0666);
}

int ServiceOpen()
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1) {
        int id = ServiceQueueGet();
        if (id == -1) {
            OsSleep(3000);
            id = ServiceQueueGet();
        }
        SetQueueId(id);
    }
    StoreStatus(nullptr, 0);
    return QueueId() == -1 ? -2 : 0;
}

int ServiceQueueId()
{
    return QueueId();
}

const ServiceStatusBlock *ServiceLastStatus()
{
    return LastStatus();
}

int ServiceSend(int kind, const void *data, uint32_t len)
{
    if (len > SERVICE_DATA_MAX || (!data && len > 0))
        return -1;
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    return SendKind(SERVICE_MSG_REQUEST, static_cast<uint8_t>(kind), data, data ? len : 0);
}

int ServiceSendFrame(const void *data, int len)
{
    if (!data || len <= 0)
        return -1;
    return ServiceSend(SERVICE_KIND_FRAME, data, static_cast<uint32_t>(len));
}

namespace {

int Query(uint8_t kind)
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    return SendKind(SERVICE_MSG_REQUEST, kind, nullptr, 0);
}

// Polls one message type for ServiceReceive and ServiceMonitorReceive:
// the text length, or -4. Pauses between empty polls only when timeout > 0.
int Poll(long type, void *text, size_t max, uint32_t timeout)
{
    uint32_t start = OsGetTickCount();
    for (;;) {
        int n = ReceiveText(type, text, max);
        if (n >= 0)
            return n;
        if (timeout == 0)
            return -4;
        OsSleep(POLL_MS);
        if (!Within(start, timeout))
            return -4;
    }
}

} // namespace

int ServiceQueryVersionText()
{
    return Query(SERVICE_KIND_VERSION_TEXT);
}

int ServiceQueryState()
{
    return Query(SERVICE_KIND_STATE);
}

int ServiceQueryVersion()
{
    return Query(SERVICE_KIND_VERSION);
}

int ServiceMonitorSend(const void *data, uint32_t len)
{
    if ((!data && len > 0) || len > SERVICE_TEXT_MAX)
        return -1;
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    return SendText(SERVICE_MSG_MONITOR_IN, data, len);
}

int ServiceReceive(uint8_t *kind, void *out, int max, uint32_t timeout)
{
    if (!kind || !out || max <= 0)
        return -1;
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    uint8_t text[SERVICE_TEXT_MAX];
    size_t room = static_cast<size_t>(max) + 1;
    int n = Poll(SERVICE_MSG_REPLY, text, room < sizeof text ? room : sizeof text, timeout);
    if (n < 0)
        return n;
    if (n == 0) { // no kind byte at all
        *kind = 0;
        return 0;
    }
    *kind = text[0];
    std::memcpy(out, text + 1, static_cast<size_t>(n - 1));
    return n - 1;
}

int ServiceMonitorReceive(void *out, int max, uint32_t timeout)
{
    if (!out || max <= 0)
        return -1;
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    uint8_t text[SERVICE_TEXT_MAX];
    size_t room = static_cast<size_t>(max);
    int n = Poll(SERVICE_MSG_MONITOR_OUT, text, room < sizeof text ? room : sizeof text, timeout);
    if (n > 0)
        std::memcpy(out, text, static_cast<size_t>(n));
    return n;
}

int ServiceFlush()
{
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (QueueId() == -1)
        return -2;
    ServiceMessage msg;
    bool retried = false;
    for (;;) {
        // MSG_NOERROR: an over-size message is taken (cut) rather than left
        // at the head of the queue, where it would block its type for ever.
        if (msgrcv(QueueId(), &msg, sizeof msg.text, 0, IPC_NOWAIT | MSG_NOERROR) >= 0 || errno == EINTR)
            continue;
        if (retried || !QueueGone(errno) || !Reattach())
            break;
        retried = true; // and the new queue is flushed
    }
    return 0;
}
