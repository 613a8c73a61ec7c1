#include "mark_check.h"

#include <string.h>

#include "TMCommand.h"
#include "error_box.h"
#include "exchange_container.h"
#include "kfn_state.h"
#include "mark_check_exchange.h"
#include "message_box.h"
#include "str_helpers.h"

namespace {

const int kTimeoutMs = 5000;
const int kSelfCheckMs = 60000; // the drive checks the code itself
const int kRequestMs = 10000;
const int kNoTransport = 129;   // the drive's "no transport connection"
const uint16_t kSelfCheckFlag = 0x2000;
const int kServerAnswered = 0x04; // result bit: the OISM's answer was taken

// The cashier's decision on a position whose check is not positive: true
// to keep it.
bool keep_position(vuUI *ui, int result, const char *name)
{
    char text[256];
    if (result & kServerAnswered)
        str_format(text, sizeof text, "РЕЗУЛЬТАТ ПРОВЕРКИ МАРКИ ДЛЯ ПОЗИЦИИ '%s' ОТРИЦАТЕЛЬНЫЙ.\n\nОСТАВИТЬ В ЧЕКЕ?",
                   name);
    else
        str_format(text, sizeof text, "СЕРВЕР ОИСМ НЕ ОТВЕТИЛ\n\nДЛЯ ПОЗИЦИИ '%s'\n\nОСТАВИТЬ В ЧЕКЕ?", name);
    return message_box(ui, "ВНИМАНИЕ", text, MB_OK | MB_CANCEL | MB_YESNO) == MB_RESULT_OK;
}

} // namespace

int MarkCheckPosition(vuUI *ui, const char *code, uint8_t planned_status, uint8_t measure, const char *quantity,
                      const char *lot_size, const char *name, uint8_t gs1_kind, int interactive)
{
    if (!code)
        code = "";
    const bool self_check = (kfn_flags() & kSelfCheckFlag) != 0;
    const bool autonomous = kfn_autonomous() != 0;
    TMCommand cmd;

    if (cmd.GetMarkStatus() <= 0 || kfn_exec(ui, &cmd, kTimeoutMs) != 0) {
        error_box(ui, "Ошибка запроса статуса КМ");
        return MARK_CHECK_ERROR;
    }

    int result = MARK_CHECK_ERROR;
    if (cmd.SendMarkCode(gs1_kind, code, static_cast<int>(strlen(code)), MarkFindAi91(code), MarkFindAi92(code)) >
        0) {
        if (kfn_exec(ui, &cmd, kTimeoutMs) != 0)
            error_box(ui, "Ошибка передачи КМ");
        else
            result = cmd.FieldByte(5);
    }

    exchange_container *container = nullptr;
    if (result != MARK_CHECK_ERROR && !autonomous) {
        int r = -1;
        if (cmd.CreateMarkNotice(planned_status, measure, quantity ? quantity : "", lot_size ? lot_size : "",
                                 self_check ? 1 : 0) > 0)
            r = kfn_exec(ui, &cmd, self_check ? kSelfCheckMs : kRequestMs);
        if (r != 0 && r != kNoTransport) {
            error_box(ui, "Ошибка создания уведомления КМ");
            result = MARK_CHECK_ERROR;
        } else if (self_check) {
            if (r == 0)
                result = cmd.FieldByte(5);
        } else if (r == 0) {
            // Without a transport connection the drive made no request:
            // nothing goes to the server, as if it had not answered.
            container = container_from_reply(&cmd);
        }
    }

    if (!self_check && result != MARK_CHECK_ERROR && interactive && container) {
        int length = MarkCheckExchange(ui, container);
        if (length <= 0) {
            error_box(ui, "Ошибка обмена с сервером ОИСМ");
        } else if (cmd.SaveMarkReply(container->body, length) <= 0 || kfn_exec(ui, &cmd, kTimeoutMs) != 0) {
            error_box(ui, "Ошибка сохранения ответа ОИСМ в ФН");
            result = MARK_CHECK_ERROR;
        } else {
            result = cmd.FieldByte(5);
        }
    }
    container_free(container);

    if (interactive && result != MARK_CHECK_ERROR && result != MARK_CHECK_PASSED && name && *name && !autonomous &&
        !keep_position(ui, result, name))
        result = MARK_CHECK_DROP;

    if (result == MARK_CHECK_ERROR)
        return MARK_CHECK_ERROR;
    if (cmd.SaveMarkResult(result == MARK_CHECK_DROP ? 0 : 1) <= 0 || kfn_exec(ui, &cmd, kTimeoutMs) != 0) {
        error_box(ui, "Ошибка сохранения результатов проверки КМ");
        return MARK_CHECK_ERROR;
    }
    if (result != MARK_CHECK_DROP)
        result = cmd.FieldByte(5);
    return result;
}
