// Helpers shared by the service queue's sources; not for callers outside
// the link. Everything here expects the caller to hold the queue mutex
// (except ServiceLock itself) and never takes it again.
#ifndef LINK_SERVICEINTERNAL_H
#define LINK_SERVICEINTERNAL_H

#include "ServiceQueue.h"

#include <mutex>
#include <stddef.h>
#include <stdint.h>

namespace service_internal {

// The queue mutex (service_mutex): plain, not recursive.
std::mutex &ServiceLock();

// The attached queue (-1 when none) and the process's status block.
int QueueId();
void SetQueueId(int id);
const ServiceStatusBlock *LastStatus();

// Poll pause of every wait, ms.
static const uint32_t POLL_MS = 20;

// Sends one message of the given type and text without waiting: 0, or -3
// when msgsnd fails (or there is no queue).
int SendText(long type, const void *text, size_t len);
// Sends {kind, data}: 0 or -3.
int SendKind(long type, uint8_t kind, const void *data, size_t len);
// One non-blocking receive of a message of the given type whose text fits
// max bytes (a longer one stays on the queue): the text length, or -1 when
// none was taken.
int ReceiveText(long type, void *text, size_t max);

// Polls type 2 for a kind-3 answer until timeout ms have passed; other
// kinds are dropped. On an answer the status block is replaced and 0 is
// returned; -4 when none came.
int WaitStatus(uint32_t timeout);
// Replaces the status block: zeroed, then the first min(n, 16) bytes.
void StoreStatus(const uint8_t *data, size_t n);

// True when now - start, in 32-bit unsigned arithmetic, is below timeout.
bool Within(uint32_t start, uint32_t timeout);

} // namespace service_internal

#endif
