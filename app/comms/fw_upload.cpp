#include "fw_upload.h"

#include <stdio.h>

#include "CodePage.h"
#include "ServiceQueue.h"
#include "TMCommand.h"
#include "kfn_state.h"
#include "osal.h"
#include "ymodem.h"

namespace {

const uint8_t ACK = 0x06, NAK = 0x15; // EOT (0x04) goes as text
const uint32_t kAnswerMs = 15000, kShortMs = 5000;

// One text of the monitor (terminated), waiting at most ms: its length, or
// a negative value when none came.
int monitorText(char *buf, int max, uint32_t ms)
{
    int n = ServiceMonitorReceive(buf, max - 1, ms);
    buf[n > 0 ? n : 0] = 0;
    return n;
}

bool endsWith(const char *text, int n, char c) { return n > 0 && text[n - 1] == c; }

enum Answer { ANSWER_NONE, ANSWER_OK, ANSWER_NAK };

// Waits up to ms for the answer to a block: ACK (and, when wantC, a "C"
// after it, or a "C" alone), or NAK.
Answer awaitAnswer(uint32_t ms, bool wantAck, bool wantC)
{
    unsigned int start = OsGetTickCount();
    bool acked = !wantAck;
    for (;;) {
        unsigned int spent = OsGetTickCount() - start;
        if (spent >= ms)
            return ANSWER_NONE;
        uint8_t buf[256];
        int n = ServiceMonitorReceive(buf, sizeof buf, ms - spent);
        if (n < 0)
            return ANSWER_NONE;
        for (int i = 0; i < n; ++i) {
            if (buf[i] == NAK)
                return ANSWER_NAK;
            if (buf[i] == ACK) {
                acked = true;
                if (!wantC)
                    return ANSWER_OK;
            } else if (buf[i] == 'C' && wantC && acked) {
                return ANSWER_OK;
            }
        }
    }
}

uint8_t *blockBuffer()
{
    static uint8_t block[YMODEM_DATA_BLOCK];
    return block;
}

// Into the monitor by the command, then its prompt.
FwUploadResult enterMonitor(FwUploadListener &listener, FwUploadFailure &failure, char *buf, int size)
{
    TMCommand enter;
    int r = enter.EnterServiceMonitor() > 0 ? kfn_exec(nullptr, &enter, 5000) : -1;
    if (r != 0) {
        failure.command = r;
        failure.error = enter.ErrorCode();
        return FW_UPLOAD_ENTER_FAILED;
    }
    ServiceMonitorSend("\x13", 1);
    listener.step(FW_STEP_IN_MONITOR, 0);
    for (int i = 0; i < 3; ++i) {
        int n = monitorText(buf, size, kShortMs);
        if (n < 0) {
            listener.step(FW_STEP_NO_PROMPT, 0);
            break;
        }
        if (endsWith(buf, n, '>'))
            break;
        ServiceMonitorSend("\x13", 1);
    }
    return FW_UPLOAD_OK;
}

// Out of the monitor ("Q") into the update mode (" "): two "C"s.
FwUploadResult enterUpdateMode(FwUploadListener &listener, char *buf, int size)
{
    ServiceMonitorSend("Q", 1);
    for (int i = 0;; ++i) {
        int n = monitorText(buf, size, kShortMs);
        if (n < 0 || i == 16)
            return FW_UPLOAD_STAYED_IN_MONITOR;
        if (endsWith(buf, n, 'Q'))
            break;
    }
    OsSleep(2000);

    ServiceMonitorSend(" ", 1);
    listener.step(FW_STEP_UPDATE_MODE, 0);
    for (int got = 0, i = 0; got < 2; ++i) {
        int n = monitorText(buf, size, kShortMs);
        if (n < 0 || i == 16)
            return FW_UPLOAD_NOT_CONFIRMED;
        if (endsWith(buf, n, 'C'))
            ++got;
    }
    listener.step(FW_STEP_CONFIRMED, 0);
    return FW_UPLOAD_OK;
}

// The header and the data blocks of the image.
FwUploadResult sendImage(FILE *image, const char *name, long size, FwUploadListener &listener,
                         FwUploadFailure &failure)
{
    uint8_t *block = blockBuffer();
    int len = ymodem_header_block(name, static_cast<uint32_t>(size), block);
    if (len < 0)
        return FW_UPLOAD_BAD_NAME;
    ServiceMonitorSend(block, static_cast<uint32_t>(len));
    Answer a = awaitAnswer(kAnswerMs, false, true);
    if (a != ANSWER_OK)
        return a == ANSWER_NAK ? FW_UPLOAD_HEADER_NAK : FW_UPLOAD_HEADER_NO_ANSWER;
    listener.step(FW_STEP_HEADER_SENT, 0);

    const unsigned total = static_cast<unsigned>((size + 1023) / 1024);
    unsigned sent = 0;
    while (static_cast<long>(sent) * 1024 < size) {
        uint8_t data[1024];
        size_t n = fread(data, 1, sizeof data, image);
        ymodem_data_block(sent + 1, data, n, block);
        ServiceMonitorSend(block, YMODEM_DATA_BLOCK);
        a = awaitAnswer(kAnswerMs, true, false);
        if (a != ANSWER_OK) {
            failure.block = sent + 1;
            return a == ANSWER_NAK ? FW_UPLOAD_BLOCK_NAK : FW_UPLOAD_BLOCK_NO_ANSWER;
        }
        ++sent;
        listener.progress(sent, total);
    }
    // The blocks that went, not size / 1024 (which leaves out a last part).
    listener.step(FW_STEP_BLOCKS_SENT, sent);
    return FW_UPLOAD_OK;
}

} // namespace

FwUploadResult fw_upload(const char *path, const char *name, long size, int mode, FwUploadListener &listener,
                         FwUploadFailure *failure)
{
    FwUploadFailure ignored;
    FwUploadFailure &fail = failure ? *failure : ignored;
    char buf[4097];
    FwUploadResult r = mode == 1 ? enterMonitor(listener, fail, buf, sizeof buf) : FW_UPLOAD_OK;
    if (r == FW_UPLOAD_OK)
        r = enterUpdateMode(listener, buf, sizeof buf);
    if (r != FW_UPLOAD_OK)
        return r;

    FILE *image = fopen(path, "rb");
    if (!image)
        return FW_UPLOAD_NO_IMAGE;
    r = sendImage(image, name, size, listener, fail);
    fclose(image);
    if (r != FW_UPLOAD_OK)
        return r;

    ServiceMonitorSend("\x04", 1);
    Answer a = awaitAnswer(kShortMs, true, true);
    if (a != ANSWER_OK)
        return a == ANSWER_NAK ? FW_UPLOAD_EOT_NAK : FW_UPLOAD_EOT_NO_ANSWER;

    listener.step(FW_STEP_CLOSING, 0);
    uint8_t *block = blockBuffer();
    int len = ymodem_closing_block(block);
    ServiceMonitorSend(block, static_cast<uint32_t>(len));
    if (awaitAnswer(kShortMs, true, false) != ANSWER_OK)
        return FW_UPLOAD_CLOSING_FAILED;
    listener.step(FW_STEP_UPDATED, 0);
    ServiceSend(1, nullptr, 0);
    int n;
    while ((n = monitorText(buf, sizeof buf, 1000)) > 0) {
        Cp866ToCp1251(buf, n);
        listener.controller_text(buf);
    }
    return FW_UPLOAD_OK;
}
