// The UI side of the OFD exchange: the document read out of the fiscal
// drive, the answer written back, and the two steps the dialog's callback
// runs on every tick.

#include "ofd_worker.h"

#include "kfn_run.h"
#include "kfn_state.h"
#include "error_box.h"
#include "message_box.h"
#include "Service.h"
#include "str_helpers.h"
#include "TMCommand.h"

#include <string.h>

namespace {

const size_t kTextSize = 256;
const uint16_t kPiece = 256;

// One command under kfn_mutex; the reply's statuses go to the cached state.
int run(TMCommand &cmd, int timeout_ms)
{
    int r = kfn_exchange_locked(cmd, timeout_ms);
    if (r == 0)
        kfn_set_state(cmd.FatalStatus(), cmd.CurrentStatus());
    return r;
}

// Runs a built command: 0 when the drive did it; else the text
// "<name> cбой IO: %i" (the failure code returned) or "<name> ошибка
// [%02X]: %i(%i)" (-1), with the error boxes when there is a ui. The "c" of
// "cбой" is a Latin letter, as the texts have always been.
int step(vuUI *ui, TMCommand &cmd, int built, int timeout_ms, const char *name, char *error_text)
{
    if (built <= 0) {
        str_format(error_text, kTextSize, "%s fail", name);
        return -1;
    }
    int r = run(cmd, timeout_ms);
    if (r != 0) {
        str_format(error_text, kTextSize, "%s cбой IO: %i", name, r);
        if (ui)
            report_kfn_io_error(ui, cmd.CommandCode(), r);
        return r < 0 ? r : -1;
    }
    if (cmd.ErrorCode() != 0) {
        str_format(error_text, kTextSize, "%s ошибка [%02X]: %i(%i)", name, cmd.CommandCode(), cmd.ErrorCode(),
                   cmd.ErrorDetail());
        if (ui)
            report_command_error(ui, &cmd);
        return -1;
    }
    return 0;
}

void connStatus(uint8_t up, int timeout_ms)
{
    TMCommand cmd;
    if (cmd.SetOFDConnStatus(up) > 0)
        run(cmd, timeout_ms);
}

void cancelRead()
{
    TMCommand cmd;
    if (cmd.FNReadCancel() > 0)
        run(cmd, 3000);
}

} // namespace

int ofd_ffd_from_container(const uint8_t *document, uint32_t length)
{
    if (!document || length < 36)
        return -1;
    const uint32_t own = document[34] | (document[35] << 8);
    if (length < 36 + own)
        return -1;
    uint32_t at = 36;
    while (at + 4 <= length) {
        const uint32_t tag = document[at] | (document[at + 1] << 8);
        const uint32_t len = document[at + 2] | (document[at + 3] << 8);
        at += 4;
        if (len > length - at)
            break;
        if (tag == 1209 && len == 1)
            return document[at];
        at += len;
    }
    return -1;
}

void ofd_make_header(const uint8_t *document, uint32_t length)
{
    int ffd = ofd_ffd_from_container(document, length);
    if (ffd < 0)
        ffd = kfn_ffd_version();
    container_make_header(ofd_worker.header, CONTAINER_OFD, ffd, kfn_fn_number(), static_cast<uint16_t>(length));
}

int ofd_read_document(vuUI *ui, char *error_text, uint8_t *buffer, uint32_t size, uint32_t *out_length)
{
    *out_length = 0;
    if (ui)
        message_box(ui, "ВНИМАНИЕ", "ПОДГОТОВКА ДАННЫХ ДЛЯ ОТПРАВКИ НА ОФД", MB_NOWAIT);
    TMCommand cmd;
    int result = step(ui, cmd, cmd.FNGetCommStatus(), 5000, "FNGetCommStatus", error_text);
    if (result == 0) {
        const uint8_t status = cmd.FieldByte(5);
        const uint8_t reading = cmd.FieldByte(6);
        result = cmd.FieldWord(7);
        if (reading)
            cancelRead();
        if (status & 0x05)
            connStatus(0, 5000);
    }
    if (result <= 0)
        return result;

    uint16_t total = 0;
    result = step(ui, cmd, cmd.SetOFDConnStatus(1), 3000, "SetOFDConnStatus", error_text);
    if (result == 0)
        result = step(ui, cmd, cmd.FNReadStart(), 3000, "FNReadStart", error_text);
    if (result == 0) {
        total = cmd.FieldWord(5);
        if (total == 0) {
            str_copy(error_text, "FNReadStart вернула 0 размер.", kTextSize);
            result = -1;
        }
    }
    uint32_t offset = 0;
    while (result == 0 && offset < total) {
        const uint16_t piece = static_cast<uint16_t>(total - offset < kPiece ? total - offset : kPiece);
        result = step(ui, cmd, cmd.FNRead(static_cast<uint16_t>(offset), piece), 3000, "FNRead", error_text);
        if (result != 0)
            break;
        const uint32_t room = offset < size ? size - offset : 0;
        const int decoded = cmd.FieldBytes(5, buffer + offset, room < piece ? room : piece);
        // A short piece would leave zeros in the document the OFD gets.
        if (decoded != piece || room < piece) {
            str_format(error_text, kTextSize, "FNRead вернула %i байт вместо %u.", decoded < 0 ? 0 : decoded,
                       static_cast<unsigned>(piece));
            result = -1;
            break;
        }
        offset += piece;
        *out_length = offset;
    }
    if (result == 0)
        result = step(ui, cmd, cmd.FNReadClose(), 3000, "FNReadClose", error_text);
    if (result == 0)
        return total;
    cancelRead();
    connStatus(0, 5000);
    return result;
}

int ofd_write_reply(vuUI *ui, char *error_text, char *message, size_t message_size, const uint8_t *answer,
                    uint32_t length)
{
    int result = -1;
    if (length == 0) {
        str_copy(error_text, "ПУСТОЙ ОТВЕТ СЕРВЕРА ОФД", kTextSize);
    } else {
        if (ui)
            message_box(ui, "ВНИМАНИЕ", "ОБРАБОТКА ПРИНЯТЫХ ИЗ ОФД ДАННЫХ", MB_NOWAIT);
        TMCommand cmd;
        if (cmd.FNReadScript(answer, static_cast<int>(length)) <= 0) {
            str_format(error_text, kTextSize, "FNReadScript сбой сборки (%i)", static_cast<int>(length));
            char text[128];
            str_format(text, sizeof text, "Ошибка сборки команды FNReadScrip (%i)", static_cast<int>(length));
            if (ui)
                error_box(ui, text);
        } else {
            int r = run(cmd, 3000);
            if (r != 0) {
                str_format(error_text, kTextSize, "FNReadScript cбой IO: %i", r);
                if (ui)
                    report_kfn_io_error(ui, 0x5E, r);
                result = r < 0 ? r : -1;
            } else if (cmd.ErrorCode() != 0) {
                str_format(error_text, kTextSize, "FNReadScript ошибка [%02X]: %i(%i)", cmd.CommandCode(),
                           cmd.ErrorCode(), cmd.ErrorDetail());
                cmd.FieldText1251(6, message, static_cast<uint32_t>(message_size));
            } else if (uint16_t code = cmd.FieldWord(5)) {
                str_format(error_text, kTextSize, "Cервер ОФД вернул код ошибки %i", code);
                cmd.FieldText1251(6, message, static_cast<uint32_t>(message_size));
            } else {
                result = 0;
            }
        }
    }
    connStatus(0, 3000);
    kfn_ofd_waiting();
    return result;
}

int ofd_step_begin(vuUI *ui)
{
    ofd_worker.state.store(OFD_IDLE, std::memory_order_release);
    ofd_worker.ui_error_text[0] = '\0';
    ofd_worker.message[0] = '\0';
    memset(ofd_worker.buffer, 0, sizeof ofd_worker.buffer);
    ofd_worker.length = 0;
    ofd_worker.result = 0;
    if (!ofd_worker.running)
        return -1;
    uint32_t length = 0;
    int r = ofd_read_document(ui, ofd_worker.ui_error_text, ofd_worker.buffer, sizeof ofd_worker.buffer, &length);
    if (r <= 0)
        return -1;
    ofd_worker.length = length;
    ofd_make_header(ofd_worker.buffer, length);
    ofd_worker.state.store(OFD_CONNECT, std::memory_order_release);
    return static_cast<int>(length);
}

int ofd_step_poll(vuUI *ui)
{
    const int state = ofd_worker.state.load(std::memory_order_acquire);
    if (state == OFD_IDLE)
        return 1;
    if (state != OFD_DONE)
        return 0;
    int r;
    if (ofd_worker.result < 0) {
        str_copy(ofd_worker.ui_error_text, ofd_worker.error_text, sizeof ofd_worker.ui_error_text);
        if (ui)
            error_box(ui, ofd_worker.ui_error_text);
        r = ofd_worker.result;
    } else {
        r = ofd_write_reply(ui, ofd_worker.ui_error_text, ofd_worker.message, sizeof ofd_worker.message,
                            ofd_worker.buffer, ofd_worker.length);
        if (r == 0)
            r = 1;
    }
    ofd_worker.error_text[0] = '\0';
    ofd_worker.result = 0;
    ofd_worker.state.store(OFD_IDLE, std::memory_order_release);
    return r;
}

const char *ofd_error_text()
{
    return ofd_worker.ui_error_text;
}

const char *ofd_message()
{
    return ofd_worker.message;
}
