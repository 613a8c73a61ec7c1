// The UI side of the marking system's exchange: the notification read out
// of the fiscal drive, the server's receipt written back, and the two steps
// the dialog's callback runs on every tick.

#include "oism_worker.h"

#include "kfn_state.h"
#include "error_box.h"
#include "message_box.h"
#include "ServiceResult.h"
#include "str_helpers.h"
#include "TMCommand.h"

#include <string.h>

namespace {

const size_t kTextSize = 256;
const uint16_t kPiece = 256;
const int kTimeoutMs = 5000;
const int kErrorReceipt = 0x90; // the drive could not process the receipt

// Runs a built command by kfn_exec without a ui: 0 when the drive did it;
// else the text "<name> cбой IO: %i" (the runner's result returned) or
// "<name> ошибка [%02X]: %i(%i)" (-1). With a ui the failure is also shown.
// The "c" of "cбой" is a Latin letter, as on the OFD side.
int step(vuUI *ui, TMCommand &cmd, int built, const char *name, char *error_text)
{
    if (built <= 0) {
        str_format(error_text, kTextSize, "%s fail", name);
        return -1;
    }
    const int r = kfn_exec(nullptr, &cmd, kTimeoutMs);
    char text[512];
    if (r < 0) {
        str_format(error_text, kTextSize, "%s cбой IO: %i", name, r);
        if (ui) {
            str_format(text, sizeof text, "Ошибка %i выполнения команды %02X\n\n%s", r, cmd.CommandCode(),
                       ServiceResultText(r));
            error_box(ui, text);
        }
        return r;
    }
    if (r > 0) {
        str_format(error_text, kTextSize, "%s ошибка [%02X]: %i(%i)", name, cmd.CommandCode(), cmd.ErrorCode(),
                   cmd.ErrorDetail());
        if (ui) {
            char fiscal[256];
            FormatFiscalError(fiscal, sizeof fiscal, "%02X:%02X %s", static_cast<uint32_t>(cmd.ErrorCode()),
                              static_cast<uint32_t>(cmd.ErrorDetail()));
            str_format(text, sizeof text, "Ошибка при выполнении команды %02X:\n%s\n\nСТАТУСЫ: %02X %04X",
                       cmd.CommandCode(), fiscal, cmd.FatalStatus() & 0xFF, cmd.CurrentStatus() & 0xFFFF);
            error_box(ui, text);
        }
        return -1;
    }
    return 0;
}

void setState(int state)
{
    oism_worker.state.store(state, std::memory_order_release);
}

} // namespace

void oism_set_header(const uint8_t *notification)
{
    const uint16_t length = static_cast<uint16_t>(notification[0] | (notification[1] << 8));
    container_make_header(oism_worker.header, CONTAINER_OISM, 0, "", length);
    // The drive's number goes as the drive holds it, not padded with spaces.
    memset(oism_worker.header + 8, 0, 16);
    const char *fn = kfn_fn_number();
    if (fn)
        memcpy(oism_worker.header + 8, fn, strnlen(fn, 16));
}

void oism_cancel_read()
{
    TMCommand cmd;
    if (cmd.Command2D() > 0)
        kfn_exec(nullptr, &cmd, 3000);
}

int oism_read_notification(vuUI *ui, char *error_text, uint8_t *buffer, uint32_t size, uint32_t *out_length)
{
    *out_length = 0;
    if (ui)
        message_box(ui, "ВНИМАНИЕ", "ПОДГОТОВКА ДАННЫХ ДЛЯ ОТПРАВКИ В ОИСМ", MB_NOWAIT);
    TMCommand cmd;
    int result = step(ui, cmd, cmd.Cmd_GetStatusSendNotif(), "Cmd_GetStatusSendNotif", error_text);
    if (result == 0)
        result = cmd.FieldWord(6);
    if (result <= 0)
        return result;

    uint32_t total = 0;
    result = step(ui, cmd, cmd.Cmd_StartReadNotif(), "Cmd_StartReadNotif", error_text);
    if (result == 0) {
        total = cmd.FieldWord(5);
        if (total == 0) {
            str_copy(error_text, "Cmd_StartReadNotif вернула 0 размер.", kTextSize);
            result = -1;
        } else if (total > size) {
            str_format(error_text, kTextSize, "Cmd_StartReadNotif недостаточно буфера (%i > %i).",
                       static_cast<int>(total), static_cast<int>(size));
            total = 0;
            result = -1;
        }
    }
    uint32_t offset = 0;
    while (result == 0 && offset < total) {
        const uint16_t piece = static_cast<uint16_t>(total - offset < kPiece ? total - offset : kPiece);
        result = step(ui, cmd, cmd.ReadNotifData(static_cast<uint16_t>(offset), piece), "ReadNotifData", error_text);
        if (result != 0)
            break;
        const int decoded = cmd.FieldBytes(5, buffer + offset, piece);
        // A short piece would leave zeros in what the server gets.
        if (decoded != piece) {
            str_format(error_text, kTextSize, "ReadNotifData вернула %i байт вместо %u.", decoded < 0 ? 0 : decoded,
                       static_cast<unsigned>(piece));
            result = -1;
            break;
        }
        offset += piece;
    }
    if (result == 0)
        result = step(ui, cmd, cmd.Cmd_EndReadNotif(), "Cmd_EndReadNotif", error_text);
    if (result < 0) {
        oism_cancel_read();
        return result;
    }
    *out_length = total;
    return static_cast<int>(total);
}

int oism_write_receipt(vuUI *ui, char *error_text, char *message, size_t message_size, const uint8_t *answer,
                       uint32_t length)
{
    (void)message; // the drive's answer carries no message for the screen
    (void)message_size;
    if (length == 0) {
        str_copy(error_text, "ПУСТОЙ ОТВЕТ СЕРВЕРА ОИСМ", kTextSize);
        return -1;
    }
    if (ui)
        message_box(ui, "ВНИМАНИЕ", "ОБРАБОТКА ПРИНЯТЫХ ИЗ ОИСМ ДАННЫХ", MB_NOWAIT);
    int result = -1;
    // The receipt's length is its first two bytes, which it includes; one
    // that claims more than the answer holds would send what the server
    // never sent.
    const uint32_t receipt = length < 2 ? 0 : static_cast<uint32_t>(answer[0] | (answer[1] << 8));
    TMCommand cmd;
    if (receipt < 2 || receipt > length) {
        str_format(error_text, kTextSize, "НЕВЕРНАЯ ДЛИНА КВИТАНЦИИ ОИСМ: %u (ОТВЕТ %u)",
                   static_cast<unsigned>(receipt), static_cast<unsigned>(length));
    } else if (cmd.Cmd_SendReceiptNotif(answer, static_cast<int>(receipt)) <= 0) {
        str_format(error_text, kTextSize, "Cmd_SendReceiptNotif сбой сборки (%i)", static_cast<int>(length));
        if (ui) {
            char text[128];
            str_format(text, sizeof text, "Ошибка сборки команды Cmd_SendReceiptNotif (%i)", static_cast<int>(length));
            error_box(ui, text);
        }
    } else {
        const int r = kfn_exec(nullptr, &cmd, kTimeoutMs);
        if (r < 0) {
            str_format(error_text, kTextSize, "Cmd_SendReceiptNotif cбой IO: %i", r);
            result = r;
        } else if (r == kErrorReceipt) {
            str_format(error_text, kTextSize, "Ошибка при обработке квитанции %i", cmd.ErrorDetail());
        } else if (r > 0) {
            str_format(error_text, kTextSize, "Cmd_SendReceiptNotif ошибка [%02X]: %i(%i)", cmd.CommandCode(),
                       cmd.ErrorCode(), cmd.ErrorDetail());
        } else {
            result = static_cast<int>(receipt);
        }
    }
    kfn_oism_waiting();
    return result;
}

int oism_step_begin(vuUI *ui, int mode)
{
    setState(OISM_IDLE);
    oism_worker.ui_error_text[0] = '\0';
    oism_worker.result = 0;
    oism_worker.mode = mode;
    if (!oism_worker.running)
        return -1;
    if (mode == OISM_MODE_NOTIFICATIONS) {
        memset(oism_worker.notification, 0, sizeof oism_worker.notification);
        oism_worker.notification_length = 0;
        uint32_t length = 0;
        if (oism_read_notification(ui, oism_worker.ui_error_text, oism_worker.notification,
                                   sizeof oism_worker.notification, &length) <= 0)
            return -1;
        oism_worker.notification_length = length;
    }
    oism_set_header(oism_worker.notification);
    setState(OISM_CONNECT);
    return static_cast<int>(oism_worker.notification_length);
}

int oism_step_poll(vuUI *ui)
{
    const int state = oism_worker.state.load(std::memory_order_acquire);
    switch (state) {
    case OISM_IDLE:
        return 1;
    case OISM_OVERTIME:
    case OISM_CONNECT_FAILED:
        // The worker's text is kept for the screen; the state stays until
        // the next step begins.
        str_copy(oism_worker.ui_error_text, oism_worker.error_text, sizeof oism_worker.ui_error_text);
        return state == OISM_OVERTIME ? -1 : -2;
    case OISM_DONE:
        break;
    default:
        return 0;
    }
    int r;
    if (oism_worker.result < 0) {
        str_copy(oism_worker.ui_error_text, oism_worker.error_text, sizeof oism_worker.ui_error_text);
        if (ui)
            error_box(ui, oism_worker.ui_error_text);
        r = oism_worker.result;
    } else if (oism_worker.mode == OISM_MODE_NOTIFICATIONS) {
        r = oism_write_receipt(ui, oism_worker.ui_error_text, oism_worker.message, sizeof oism_worker.message,
                               oism_worker.answer, oism_worker.answer_length);
        if (r > 0)
            r = 1;
    } else {
        r = 1;
    }
    oism_worker.error_text[0] = '\0';
    oism_worker.result = 0;
    setState(OISM_IDLE);
    return r;
}

const char *oism_error_text()
{
    return oism_worker.ui_error_text;
}
