// Registrar command exchange, ready wait and status request.

#include "ServiceCommand.h"

#include "ServiceInternal.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "osal.h"

#include <cstring>

using namespace service_internal;

int ServiceExecute(TMCommand &command, uint32_t timeout)
{
    if (command.FrameSize() == 0)
        return -1;
    uint8_t code = static_cast<uint8_t>(command.CommandCode());
    ServiceFlush();
    int result = ServiceSendFrame(command.FrameData(), static_cast<int>(command.FrameSize()));
    if (result != 0)
        return result;

    std::lock_guard<std::mutex> lock(ServiceLock());
    result = -4;
    uint8_t text[SERVICE_TEXT_MAX];
    uint32_t start = OsGetTickCount();
    do {
        int n = ReceiveText(SERVICE_MSG_REPLY, text, sizeof text);
        if (n < 0) {
            OsSleep(POLL_MS);
            continue;
        }
        if (n < 1 || text[0] != SERVICE_KIND_FRAME)
            continue; // another kind: dropped
        uint32_t len = static_cast<uint32_t>(n - 1);
        // A late status byte of a short command is no reply frame: it is
        // passed over like any answer to something else.
        if (len <= 5 || text[1] != FRAME_STX)
            continue;
        if (command.Accept(text + 1, len) < 0) {
            result = -5;
            break;
        }
        if (command.CommandCode() == code && command.IsReplyTo()) {
            result = 0;
            break;
        }
        // a reply to an earlier request: wait on
    } while (Within(start, timeout));
    return result;
}

namespace {

const uint8_t kShort9[2] = {SERVICE_DLE, '9'};
const uint8_t kShort0[2] = {SERVICE_DLE, '0'};
const uint8_t kShort7[2] = {SERVICE_DLE, '7'};
const uint32_t kStatusWait = 500;
const uint32_t kRetryPause = 2000;

// One status byte answering a short command, or -1 for anything else
// (including nothing within 500 ms).
int ReceiveStatusByte()
{
    uint8_t kind = 0;
    uint8_t buf[256];
    int n = ServiceReceive(&kind, buf, sizeof buf, kStatusWait);
    if (n == 1 && kind == SERVICE_KIND_FRAME)
        return buf[0];
    return -1;
}

} // namespace

int ServiceWaitReady(uint32_t tries, uint32_t timeout)
{
    int ready = 0;
    uint32_t pass = 0;
    do {
        ServiceFlush();
        bool retried = false;
        uint32_t start = OsGetTickCount();
        int r = ServiceSendFrame(kShort9, sizeof kShort9);
        if (r != 0)
            return r;
        // Update mode ('C') and service mode (bit 0x04) count only when the
        // controller still reports them 2000 ms after the first answer.
        do {
            int status = ReceiveStatusByte();
            if (status < 0)
                continue;
            bool update = status == 'C';
            if (!update && !(status & 0x04))
                break;
            if (retried)
                return update ? -9 : -8;
            retried = true;
            OsSleep(kRetryPause);
            start = OsGetTickCount();
            ServiceSendFrame(kShort9, sizeof kShort9);
        } while (Within(start, timeout));

        r = ServiceSendFrame(kShort0, sizeof kShort0);
        if (r != 0)
            return r;
        do {
            int status = ReceiveStatusByte();
            if (status < 0)
                continue;
            if ((status & 0x28) == 0x28)
                ready = 1;
            break;
        } while (Within(start, timeout));

        if (!ready) {
            r = ServiceSendFrame(kShort7, sizeof kShort7);
            if (r != 0)
                return r;
            do {
                OsSleep(kStatusWait);
                ServiceFlush();
                r = ServiceQueryState();
                if (r != 0)
                    return r;
                uint8_t kind = 0;
                uint8_t buf[256];
                std::memset(buf, 0, sizeof buf);
                int n = ServiceReceive(&kind, buf, sizeof buf, kStatusWait);
                if (n > 0 && kind == SERVICE_KIND_STATE)
                    ready = buf[13]; // controller initialised; 0 when the answer is shorter
            } while (!ready && Within(start, timeout));
        }
        ++pass;
    } while (!ready && pass < tries);
    return ready;
}

int GetPrnStatus(uint32_t timeout)
{
    if (ServiceQueueId() == -1)
        return -2;
    ServiceFlush();
    std::lock_guard<std::mutex> lock(ServiceLock());
    if (SendKind(SERVICE_MSG_REQUEST, SERVICE_KIND_STATE, nullptr, 0) != 0)
        return -3;
    return WaitStatus(timeout == 0 ? 1000 : timeout);
}
