#include "print_runner.h"

#include <pthread.h>
#include <stdlib.h>
#include <string.h>

#include "CodePage.h"
#include "ServiceCommand.h"
#include "ServicePrint.h"
#include "ServiceQueue.h"
#include "ServiceResult.h"
#include "TMCommand.h"
#include "error_box.h"
#include "kfn_run.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "status_line.h"
#include "str_helpers.h"
#include "wait_form.h"
#include "vuForm.h"
#include "vuUI.h"

namespace {

const uint16_t kModeContinueFirst = 0x10; // work mode: 0x1D goes before a free-text print
const uint32_t kPollPauseMs = 100;
const uint32_t kRepeatWaitMs = 999;
const int kReplyMax = 4096;

const uint8_t kCancelCommand[2] = {SERVICE_DLE, '6'};
const uint8_t kRepeatPrint[2] = {SERVICE_DLE, '8'};
const uint8_t kPrintCopy[2] = {SERVICE_DLE, 'C'};

const char *kNoPaperQuestion = "В ПРИНТЕРЕ НЕТ БУМАГИ\n\nУСТАНОВИТЕ НОВЫЙ РУЛОН И НАЖМИТЕ КНОПКУ ОК\n\n";

int continuePrinting(uint32_t timeout_ms)
{
    TMCommand cmd;
    if (cmd.Command1D() <= 0)
        return SERVICE_BAD_ARGS;
    return kfn_exchange_locked(cmd, static_cast<int>(timeout_ms));
}

// Polls for the reply of a request sent while the wait form is up, until a
// reply frame comes or the form is closed: the reply's length, or -1
// cancelled.
int pollReply(WaitForm &wait, uint16_t cancellable, uint8_t *reply)
{
    for (;;) {
        uint8_t kind = 0;
        int r = ServiceReceive(&kind, reply, kReplyMax, 0);
        if (r < 0) {
            if (!wait.up()) {
                if (cancellable)
                    ServiceSendFrame(kCancelCommand, sizeof kCancelCommand);
                return -1;
            }
            OsSleep(kPollPauseMs);
            continue;
        }
        // Only a registrar frame answers; status blocks and the one-byte
        // statuses of short commands are passed over.
        if (kind == SERVICE_KIND_FRAME && r > 1)
            return r;
    }
}

// One attempt: the request sent while the wait form is up, then polled
// until a reply frame comes or the form is closed. The reply's length, or
// below 0: the send's service result (reported already) or -1 cancelled.
int sendAndPoll(vuUI *ui, WaitForm &wait, TMCommand *cmd, uint8_t code, uint16_t cancellable, uint8_t *reply)
{
    int r;
    bool sent;
    {
        KfnLock lock;
        ServiceFlush();
        r = ServiceSendFrame(cmd->FrameData(), static_cast<int>(cmd->FrameSize()));
        sent = r == 0;
        if (sent) {
            wait.show();
            r = pollReply(wait, cancellable, reply);
        }
    }
    if (!sent) {
        report_kfn_io_error(ui, code, r);
        return r;
    }
    wait.end();
    return r;
}

} // namespace

int kfn_exec_print(vuUI *ui, TMCommand *cmd, uint16_t cancellable)
{
    if (!ui || !cmd || !cmd->FrameData())
        return SERVICE_BAD_ARGS;
    uint8_t code = static_cast<uint8_t>(cmd->CommandCode());
    if (confirm_low_battery(ui) == 1)
        return -1;
    // Taken before the wait box goes up, so a failure leaves nothing on screen.
    uint8_t *reply = static_cast<uint8_t *>(malloc(kReplyMax));
    if (!reply)
        return -1;

    char text[512];
    if (hide_command_code())
        str_copy(text, "ПОДОЖДИТЕ", sizeof text);
    else
        str_format(text, sizeof text, "ВЫПОЛНЯЕТСЯ\n%02X КОМАНДА", code);
    vuForm *form;
    if (cancellable) {
        form = create_message_box(ui, "ПОДОЖДИТЕ", text, MB_CANCEL);
        form->SetOption(VU_FO_CANCEL | VU_FO_NO_CLOSE);
    } else {
        form = create_message_box(ui, "ПОДОЖДИТЕ", text, MB_RAW_STATE);
        form->SetOption(VU_FO_NO_CLOSE);
    }
    form->ClearOption(VU_FO_OK);
    WaitForm wait(ui, form);
    wait.reset();
    wait.view();

    int r;
    for (;;) {
        r = sendAndPoll(ui, wait, cmd, code, cancellable, reply);
        if (r == -1) {
            str_format(text, sizeof text, "Выполнение команды %02X прервано", code);
            error_box(ui, text);
            break;
        }
        if (r < 0)
            break;
        uint32_t n = static_cast<uint32_t>(r);
        r = FrameErrorByte(reply, n);
        if (r == KFN_ERROR_NO_PAPER) {
            int answer = message_box(ui, "ВНИМАНИЕ", kNoPaperQuestion, cancellable ? (MB_OK | MB_CANCEL) : MB_OK);
            if (answer == MB_RESULT_CANCEL && cancellable)
                break;
            if ((kfn_work_modes() & kModeContinueFirst) == 0)
                continuePrinting(3000);
            continue;
        }
        // A broken frame carries no statuses to keep: it is a bad answer.
        if (cmd->Accept(reply, n) < 0) {
            r = SERVICE_BAD_ANSWER;
            report_kfn_io_error(ui, code, r);
            break;
        }
        kfn_set_state(cmd->FatalStatus(), cmd->CurrentStatus());
        update_shift_status(ui);
        r = cmd->ErrorCode();
        if (r != 0)
            report_command_error(ui, cmd);
        else
            print_wait_simple(ui, 0, 0);
        break;
    }
    free(reply);
    return r;
}

void print_wait(vuUI *ui, int nocancel, int copy, int query)
{
    for (;;) {
        int s = 0;
        ServiceStatusBlock st;
        {
            KfnLock lock;
            if (query)
                s = GetPrnStatus(1000);
            memcpy(&st, ServiceLastStatus(), sizeof st);
        }
        if (s != 0 || st.dataState == 0 || st.printError == 0)
            return;

        char question[256];
        int e = st.printError;
        if (e == -7 || e == -6) {
            switch (st.printerState) {
            case 2:
                str_copy(question, "ЗАКОНЧИЛАСЬ БУМАГА\nПОВТОРИТЬ ПЕЧАТЬ?", sizeof question);
                break;
            case 3:
                str_copy(question, "ПРИНТЕР ПЕРЕГРЕЛСЯ\nПОВТОРИТЬ ПЕЧАТЬ?", sizeof question);
                break;
            case 1:
                str_copy(question, "ПРИНТЕР ЗАНЯТ\nПОВТОРИТЬ ПЕЧАТЬ?", sizeof question);
                break;
            default:
                str_format(question, sizeof question, "СТАТУС ПРИНТЕРА %i\nПОВТОРИТЬ ПЕЧАТЬ?",
                           static_cast<int>(st.printerState));
                break;
            }
        } else {
            str_format(question, sizeof question, "ОШИБКА %i[%i] ПРИ ПЕЧАТИ\nПОВТОРИТЬ ПЕЧАТЬ?", e,
                       static_cast<int>(st.extError));
            if (e == -3)
                nocancel = 0;
        }
        int answer = message_box(ui, "ОШИБКА", question, nocancel ? MB_OK : (MB_OK | MB_CANCEL));
        if (answer != MB_RESULT_OK && !nocancel)
            return;

        vuForm *form = create_message_box(ui, "ПОДОЖДИТЕ", copy ? "ИДЕТ ПЕЧАТЬ КОПИИ" : "ИДЕТ ПЕЧАТЬ",
                                          nocancel ? MB_RAW_STATE : MB_CANCEL);
        if (!nocancel) {
            form->SetOption(VU_FO_CANCEL | VU_FO_NO_CLOSE);
            form->ClearOption(VU_FO_OK);
        } else {
            form->SetOption(VU_FO_NO_CLOSE);
            form->ClearOption(VU_FO_OK | VU_FO_CANCEL);
        }
        WaitForm wait(ui, form);

        // Room for a whole answer: one that does not fit would stay on the
        // queue and hide every later one.
        uint8_t *reply;
        int r;
        {
            KfnLock lock;
            ServiceFlush();
            if (copy)
                ServiceSendFrame(kPrintCopy, sizeof kPrintCopy);
            else
                ServiceSendFrame(kRepeatPrint, sizeof kRepeatPrint);
            wait.reset();
            wait.show();
            unsigned long start = OsGetTickCount();
            reply = static_cast<uint8_t *>(malloc(SERVICE_DATA_MAX));
            for (;;) {
                uint8_t kind = 0;
                r = reply ? ServiceReceive(&kind, reply, SERVICE_DATA_MAX, 0) : -1;
                if (r >= 0 && kind == SERVICE_KIND_STATE)
                    break;
                if (r < 0 && !wait.up()) {
                    r = -1;
                    break;
                }
                if (OsGetTickCount() - start > kRepeatWaitMs) {
                    r = SERVICE_NO_ANSWER;
                    break;
                }
                if (r < 0)
                    OsSleep(kPollPauseMs);
            }
        }
        free(reply);
        wait.end();
        if (r <= 0)
            return;
        query = 1;
    }
}

void print_wait_simple(vuUI *ui, int nocancel, int copy) { print_wait(ui, nocancel, copy, 1); }

int print_begin()
{
    if ((kfn_work_modes() & kModeContinueFirst) == 0)
        return 0;
    return continuePrinting(5000);
}

int print_end()
{
    if ((kfn_work_modes() & kModeContinueFirst) == 0)
        continuePrinting(5000);
    return 0;
}

int kfn_send_raw(const void *data, int length, int timeout_ms, void *status)
{
    if (length < 0)
        return SERVICE_BAD_ARGS;
    KfnLock lock;
    int r = ServicePrintRaw(data, static_cast<uint32_t>(length), timeout_ms ? static_cast<uint32_t>(timeout_ms) : 10000);
    if (status)
        memcpy(status, ServiceLastStatus(), sizeof(ServiceStatusBlock));
    return r;
}

int kfn_send_text(const char *text, int timeout_ms, void *status)
{
    KfnLock lock;
    int r = ServicePrintRequest2(text, timeout_ms ? static_cast<uint32_t>(timeout_ms) : 10000);
    if (status)
        memcpy(status, ServiceLastStatus(), sizeof(ServiceStatusBlock));
    return r;
}

int print_text_n(const char *text, int length, int *state_out)
{
    if (!text || length <= 0)
        return -1;
    // A text shorter than the length given is printed up to its
    // terminator: nothing is read past it.
    size_t n = strnlen(text, static_cast<size_t>(length));
    if (n == 0)
        return -1;
    char *copy = static_cast<char *>(malloc(n + 1));
    if (!copy)
        return -1;
    memcpy(copy, text, n);
    copy[n] = 0;
    Cp1251ToCp866(copy, static_cast<int>(n));
    ServiceStatusBlock st;
    memset(&st, 0, sizeof st);
    int r = kfn_send_raw(copy, static_cast<int>(n), 15000, &st);
    if (state_out)
        *state_out = st.printerState;
    free(copy);
    return r;
}

int print_text(const char *text, int *state_out) { return print_text_n(text, text ? static_cast<int>(strlen(text)) : 0, state_out); }
