#include "kfn_state.h"

#include <stdlib.h>
#include <string.h>

#include "ServiceCommand.h"
#include "ServiceQueue.h"
#include "ServiceResult.h"
#include "TMCommand.h"
#include "battery.h"
#include "error_box.h"
#include "message_box.h"
#include "password.h"
#include "osal.h"
#include "settings.h"
#include "status_line.h"
#include "str_helpers.h"

KfnState kfn_state = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "", "", "", "", "", 0, 0, -1, -1};
pthread_mutex_t kfn_mutex = PTHREAD_MUTEX_INITIALIZER;

namespace {

// One exchange under kfn_mutex.
int execLocked(TMCommand &cmd, uint32_t timeout_ms)
{
    pthread_mutex_lock(&kfn_mutex);
    int r = ServiceExecute(cmd, timeout_ms);
    pthread_mutex_unlock(&kfn_mutex);
    return r;
}

void storeStatuses(TMCommand &cmd)
{
    kfn_set_fatal_status(cmd.FatalStatus());
    kfn_set_current_status(cmd.CurrentStatus());
}

// Copies a reply field cut to the buffer, always terminated (empty when
// the field is missing).
void copyField(TMCommand &cmd, uint32_t field, char *out, uint32_t size, bool cp866 = false)
{
    out[0] = 0;
    int n = cp866 ? cmd.FieldText1251(field, out, size) : cmd.FieldText(field, out, size);
    if (n < 0)
        out[0] = 0;
}

// "105" -> 2, "110" -> 3, "101" -> 0, anything else 4: characters 2 to 4
// of the controller's version text.
uint16_t ffdKindOf(const char *version)
{
    if (strncmp(version + 1, "105", 3) == 0)
        return 2;
    if (strncmp(version + 1, "110", 3) == 0)
        return 3;
    if (strncmp(version + 1, "101", 3) == 0)
        return 0;
    return 4;
}

} // namespace

// ---- the runner ----------------------------------------------------------------

void kfn_set_state(int fatal, int current)
{
    pthread_mutex_lock(&kfn_mutex);
    kfn_set_fatal_status(fatal);
    kfn_set_current_status(current);
    pthread_mutex_unlock(&kfn_mutex);
}

void kfn_set_fatal_status(int fatal) { kfn_state.fatal_status = static_cast<uint8_t>(fatal & 0xFF); }

void kfn_set_current_status(int current) { kfn_state.current_status = static_cast<uint16_t>(current & 0xFFFF); }

void report_prepare_error(vuUI *ui, TMCommand *cmd, int code)
{
    if (!ui)
        return;
    char text[128];
    str_format(text, sizeof text, "ОШИБКА %i подготовки команды %02X", code,
               static_cast<unsigned>(cmd ? cmd->CommandCode() & 0xFF : 0));
    error_box(ui, text);
}

void report_command_error(vuUI *ui, TMCommand *cmd)
{
    if (!ui || !cmd)
        return;
    char detail[256];
    FormatFiscalError(detail, sizeof detail, "%02X:%02X %s", static_cast<uint32_t>(cmd->ErrorCode()),
                      static_cast<uint32_t>(cmd->ErrorDetail()));
    char text[512];
    str_format(text, sizeof text, "ОШИБКА при выполнении команды %02X:\n%s\n\nСТАТУСЫ: %02X %04X",
               static_cast<unsigned>(cmd->CommandCode() & 0xFF), detail,
               static_cast<unsigned>(cmd->FatalStatus() & 0xFF), static_cast<unsigned>(cmd->CurrentStatus() & 0xFFFF));
    error_box(ui, text);
}

void report_kfn_io_error(vuUI *ui, int command_code, int result)
{
    if (!ui)
        return;
    char text[512];
    str_format(text, sizeof text, "ОШИБКА %i при обращении к КФН (команда %02X)\n\n%s", result,
               static_cast<unsigned>(command_code & 0xFF), ServiceResultText(result));
    error_box(ui, text);
}

int kfn_exec(vuUI *ui, TMCommand *cmd, int timeout_ms)
{
    if (!cmd)
        return SERVICE_BAD_ARGS;
    uint8_t code = static_cast<uint8_t>(cmd->CommandCode());
    if (ui && !hide_command_code()) {
        char text[64];
        str_format(text, sizeof text, "ВЫПОЛНЯЕТСЯ\n%02X КОМАНДА", code);
        message_box(ui, "ПОДОЖДИТЕ", text, MB_NOWAIT);
    }
    int r = execLocked(*cmd, static_cast<uint32_t>(timeout_ms < 0 ? 0 : timeout_ms));
    if (r != 0) {
        report_kfn_io_error(ui, code, r);
        return r;
    }
    kfn_set_state(cmd->FatalStatus(), cmd->CurrentStatus());
    r = cmd->ErrorCode();
    if (!ui)
        return r;
    // The receipt group leaves the status line alone.
    if (code < 0x10 || code > 0x1F)
        update_shift_status(ui);
    if (r != 0)
        report_command_error(ui, cmd);
    return r;
}

// ---- getters -----------------------------------------------------------------------

uint8_t kfn_state_byte() { return kfn_state.fatal_status; }
uint16_t kfn_flags() { return kfn_state.current_status; }
uint16_t kfn_work_modes() { return kfn_state.work_modes; }
void kfn_set_work_modes(uint16_t value) { kfn_state.work_modes = value; }

uint16_t kfn_work_word(int n)
{
    switch (n) {
    case 1:
        return kfn_state.work_modes;
    case 2:
        return kfn_state.work_param_2;
    case 3:
        return kfn_state.work_param_3;
    default:
        return 0;
    }
}

uint16_t kfn_firmware_version() { return kfn_state.firmware_version; }
uint16_t kfn_ffd_kind() { return kfn_state.ffd_kind; }
const char *kkt_serial_number() { return kfn_state.kkt_serial; }
const char *kkt_reg_number() { return kfn_state.reg_number; }
const char *kfn_fn_number() { return kfn_state.fn_number; }
const char *kfn_firmware_text() { return kfn_state.firmware_text; }

const char *kkt_inn()
{
    const char *inn = kfn_state.inn;
    return inn[0] == '0' && inn[1] == '0' ? inn + 2 : inn;
}

int kfn_autonomous() { return kfn_state.reg_flags & 0x02; }
uint8_t kfn_asokp_endpoint_flag() { return kfn_state.asokp_flags; }
uint8_t kfn_tax_systems() { return kfn_state.tax_systems; }
uint32_t kfn_agent_flags() { return kfn_state.agent_flags & 0xFF; }
uint16_t kfn_ofd_waiting_cached() { return kfn_state.ofd_waiting; }
uint16_t kfn_oism_waiting_cached() { return kfn_state.oism_waiting; }

int kfn_ffd_version()
{
    if (kfn_state.ffd_version < 0) {
        kfn_state.ffd_version = 0;
        TMCommand cmd;
        if (cmd.GetRegParam(1209) > 0 && execLocked(cmd, 5000) == 0 && cmd.ErrorCode() == 0)
            kfn_state.ffd_version = cmd.FieldByte(5);
    }
    return kfn_state.ffd_version;
}

int kfn_marking_mode()
{
    if (kfn_state.marking_mode < 0) {
        kfn_state.marking_mode = 0;
        TMCommand cmd;
        if (kfn_ffd_version() > 3 && cmd.GetRegParam(1290) > 0 && execLocked(cmd, 5000) == 0 &&
            cmd.ErrorCode() == 0)
            kfn_state.marking_mode = (cmd.FieldDword(5) & 0x100) ? 1 : 0;
    }
    return kfn_state.marking_mode;
}

uint16_t kfn_ofd_waiting()
{
    TMCommand cmd;
    if (cmd.GetWaitDocs() > 0 && execLocked(cmd, 2000) == 0 && cmd.ErrorCode() == 0)
        kfn_state.ofd_waiting = cmd.FieldWord(5);
    return kfn_state.ofd_waiting;
}

uint16_t kfn_oism_waiting()
{
    if (kfn_marking_mode() == 0)
        return kfn_state.oism_waiting;
    TMCommand cmd;
    if (cmd.Cmd_GetStatusSendNotif() > 0 && execLocked(cmd, 5000) == 0 && cmd.ErrorCode() == 0)
        kfn_state.oism_waiting = cmd.FieldWord(6);
    return kfn_state.oism_waiting;
}

// ---- start-up and state ------------------------------------------------------------

void fn_life_warnings(vuUI *ui)
{
    kfn_state.fn_number[0] = 0;
    uint8_t warn = 0;
    TMCommand cmd;
    if (cmd.GetFNStatus() > 0 && execLocked(cmd, 5000) == 0) {
        // Only a reply of this exchange is read: after a failure the object
        // may hold an older one.
        storeStatuses(cmd);
        warn = cmd.FieldByte(9);
        if (cmd.ErrorCode() == 0) {
            kfn_state.asokp_flags = cmd.FieldByte(15);
            copyField(cmd, 11, kfn_state.fn_number, sizeof kfn_state.fn_number);
        }
    }
    const uint16_t flags = MB_OK | MB_ALERT;
    if (warn & 0x01)
        message_box(ui, "ВНИМАНИЕ", "ОСТАЛОСЬ ТРИ ДНЯ ДО ОКОНЧАНИЯ СРОКА ДЕЙСТВИЯ ФН!", flags);
    else if (warn & 0x02)
        message_box(ui, "ВНИМАНИЕ", "ОСТАЛОСЬ 30 ДНЕЙ ДО ОКОНЧАНИЯ СРОКА ДЕЙСТВИЯ ФН!", flags);
    if (warn & 0x04)
        message_box(ui, "ВНИМАНИЕ", "АРХИВ ФН ЗАПОЛНЕН НА 99%!", flags);
    uint8_t fatal = kfn_state.fatal_status;
    if (fatal & KFN_FATAL_FULL)
        message_box(ui, "ВНИМАНИЕ", "ФН ПОЛНОСТЬЮ ЗАПОЛНЕН!\n\nОБРАТИТЕСЬ В ЦТО", flags);
    else if (fatal & KFN_FATAL_NO_REREG)
        message_box(ui, "ВНИМАНИЕ", "КОЛИЧЕСТВО ПЕРЕРЕГИСТРАЦИЙ ФН ИСЧЕРПАНО!\n\nОБРАТИТЕСЬ В ЦТО", flags);
    else if (fatal & KFN_FATAL_NEARLY_FULL)
        message_box(ui, "ВНИМАНИЕ", "ФН БЛИЗОК К ЗАПОЛНЕНИЮ!\n\nОБРАТИТЕСЬ В ЦТО", flags);
    else if (kfn_state.current_status & KFN_CUR_FN_FULL)
        message_box(ui, "ВНИМАНИЕ", "ФН ПОЛНОСТЬЮ ЗАПОЛНЕН!\n\nОБРАТИТЕСЬ В ЦТО", flags);
}

int fn_status_refresh(vuUI *ui)
{
    const uint16_t flags = MB_OK | MB_ALERT;
    int result = -1;
    bool stored = false;
    TMCommand cmd;

    // 1. The fiscal drive's status: an old drive is refused outright.
    if (cmd.GetFNStatus() > 0) {
        int r = kfn_exec(nullptr, &cmd, 20000);
        if (r == 0x71) {
            error_box(ui, "ФН ВЕРСИИ 1 НЕ ПОДДЕРЖИВАЕТСЯ\nНА ПРОШИВКАХ КФН\nВЕРСИИ 400 И ВЫШЕ!");
            return -1;
        }
        if (r < 0) {
            report_kfn_io_error(ui, 0x29, r);
            return r;
        }
    }

    // 2. and 3. The cash register's data.
    result = -1;
    kfn_state.firmware_version = 0;
    kfn_state.ffd_kind = 0;
    kfn_state.kkt_serial[0] = 0;
    kfn_state.inn[0] = 0;
    kfn_state.reg_number[0] = 0;
    kfn_state.fn_number[0] = 0;
    if (cmd.GetKktInfo() > 0) {
        int r = kfn_exec(nullptr, &cmd, 20000);
        if (r < 0) {
            report_kfn_io_error(ui, 0x97, r);
            return r;
        }
        stored = true;
        if (r > 0) {
            report_command_error(ui, &cmd);
            return r;
        }
        result = 0;
        char version[64];
        copyField(cmd, 10, version, sizeof version, true);
        str_copy(kfn_state.firmware_text, version, sizeof kfn_state.firmware_text);
        size_t n = strlen(version);
        if (n > 3) {
            kfn_state.firmware_version = static_cast<uint16_t>(atoi(version + n - 3));
            kfn_state.ffd_kind = ffdKindOf(version);
        }
        copyField(cmd, 7, kfn_state.kkt_serial, sizeof kfn_state.kkt_serial);
        copyField(cmd, 8, kfn_state.reg_number, sizeof kfn_state.reg_number);
        copyField(cmd, 9, kfn_state.inn, sizeof kfn_state.inn);

        // 4. What the controller's firmware allows.
        unsigned fw = kfn_state.firmware_version;
        char text[256];
        if (fw <= 199) {
            str_format(text, sizeof text,
                       "ПРОГРАММА ПРЕДНАЗНАЧЕНА ДЛЯ РАБОТЫ С ФН.\nЗАМЕНИТЕ, УСТАНОВЛЕН КОНТРОЛЛЕР С ЭКЛЗ (%u)!", fw);
            message_box(ui, "ВНИМАНИЕ", text, flags);
            return -1;
        }
        if (fw <= 300) {
            str_format(text, sizeof text,
                       "ВЕРСИЯ ПРОШИВКИ КОНТРОЛЛЕРА ФН: %u.\nОБНОВИТЕ ДО ВЕРСИИ %u ДЛЯ УСТОЙЧИВОЙ РАБОТЫ!", fw, 301u);
            message_box(ui, "ВНИМАНИЕ", text, flags);
        } else if (fw >= 340) {
            const uint8_t one = 1;
            if (ServiceSend(SERVICE_KIND_CONTROL, &one, 1) == 0) {
                uint8_t kind = 0;
                uint8_t reply[256];
                ServiceReceive(&kind, reply, sizeof reply, 500);
            }
        }
    }

    // 5. The controller session, unless it runs and the settings say not to
    // start it again.
    const char *startsession = settings_attr("shift/settings", "startsession");
    if (!((kfn_state.current_status & KFN_CUR_SESSION) && startsession && atoi(startsession) == 0)) {
        int built = cmd.StartSession();
        if (built <= 0) {
            report_prepare_error(ui, &cmd, built);
        } else {
            int r = execLocked(cmd, 10000);
            if (r != 0) {
                report_kfn_io_error(ui, 0x01, r);
            } else {
                storeStatuses(cmd);
                stored = true;
            }
            result = r;
        }
    }

    // 6. Work modes.
    if (cmd.GetWorkModes() > 0) {
        int r = execLocked(cmd, 5000);
        result = r;
        if (r == 0) {
            storeStatuses(cmd);
            stored = true;
            if (cmd.ErrorCode() == 0) {
                kfn_state.work_modes = cmd.FieldWord(5);
                kfn_state.work_param_2 = cmd.FieldWord(6);
                kfn_state.work_param_3 = cmd.FieldWord(8);
            }
        }
    }

    // 7. The drive's end-of-life warnings.
    fn_life_warnings(ui);

    // 8. Tax systems and agent kinds from the registration.
    if (cmd.GetRegParam(1062) > 0 && kfn_exec(nullptr, &cmd, 3000) == 0)
        kfn_state.tax_systems = cmd.FieldByte(5);
    kfn_state.agent_flags = 0;
    if (cmd.GetRegParam(1057) > 0 && kfn_exec(nullptr, &cmd, 3000) == 0)
        kfn_state.agent_flags = cmd.FieldByte(5);

    // 9. FFD version and marking mode, asked anew.
    kfn_state.ffd_version = -1;
    kfn_state.marking_mode = -1;
    kfn_ffd_version();
    kfn_marking_mode();

    // 10. Registration flags (autonomous mode).
    if (cmd.GetRegTotals() > 0 && kfn_exec(nullptr, &cmd, 5000) == 0) {
        char modes[16];
        copyField(cmd, 9, modes, sizeof modes, true);
        if (strlen(modes) > 1)
            kfn_state.reg_flags = HexByte(modes);
    }

    // 11. A document left open is cancelled.
    if ((kfn_flags() & KFN_CUR_DOC_OPEN) && cmd.CancelDocument() > 0)
        result = execLocked(cmd, 5000);

    // 12. The status line, the shift text included, from the first screen.
    if (stored)
        refresh_status_line(ui);
    update_shift_status(ui);

    if (result == 0 && (!kfn_state.kkt_serial[0] || !kfn_state.reg_number[0] || !kfn_state.inn[0]))
        result = -1;
    return result;
}

namespace {
KfnMonitorTerminal monitorTerminal = nullptr;
} // namespace

void kfn_set_monitor_terminal(KfnMonitorTerminal open) { monitorTerminal = open; }

// menu: tech_activ
void kfn_start(vuUI *ui, int fallback)
{
    for (;;) {
        bool ready = false;
        if (ServiceQueueId() == -1) {
            message_box(ui, "ОШИБКА", "НЕТ ДОСТУПА К СЕРВЕРНОЙ ЧАСТИ ОБСЛУЖИВАЮЩЕЙ КОНТРОЛЛЕР ФН", MB_OK);
        } else {
            message_box(ui, "ПОДОЖДИТЕ", "ИДЕТ ИНИЦИАЛИЗАЦИЯ КОНТРОЛЛЕРА ФН", MB_NOWAIT);
            int r = ServiceWaitReady(3, 20000);
            if (r < 0) {
                char text[128];
                str_format(text, sizeof text, "ОШИБКА %i ИНИЦИАЛИЗАЦИИ КОНТРОЛЛЕРА ФН!\n\n%s", r,
                           ServiceResultText(r));
                message_box(ui, "ОШИБКА", text, MB_OK);
                if (r == SERVICE_SERVICE_MODE)
                    fallback = 2;
            } else {
                ready = r != 0;
            }
        }
        if (ready) {
            fn_status_refresh(ui);
            return;
        }
        if (fallback == 2) {
            if (message_box(ui, "ВНИМАНИЕ", "БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В РЕЖИМ ТЕРМИНАЛА",
                            MB_OK | MB_CANCEL | MB_ALERT) == MB_RESULT_OK)
                OsReboot();
            else if (monitorTerminal)
                monitorTerminal(ui, "ТЕРМИНАЛ");
        } else if (fallback == 1) {
            // A declined reboot goes to the inspector entry (password, then
            // the controller service application), then waits again.
            if (message_box(ui, "ВНИМАНИЕ",
                            "БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА\nИЛИ В СЛУЧАЕ ОТМЕНЫ\nВЫХОД В СЕРВИС ОБСЛУЖИВАНИЯ",
                            MB_OK | MB_CANCEL) == MB_RESULT_OK)
                OsReboot();
            else
                inspector_menu(ui, 2);
        } else {
            message_box(ui, "ВНИМАНИЕ", "БУДЕТ СДЕЛАНА ПЕРЕЗАГРУЗКА", MB_OK);
            OsReboot();
        }
    }
}

int confirm_low_battery(vuUI *ui)
{
    uint16_t level = battery_level();
    if ((level & 0x1000) && !(level & 0x2000))
        return message_box(ui, "ВНИМАНИЕ",
                           "СЛИШКОМ CЛАБЫЙ ЗАРЯД БАТАРЕИ ДЛЯ ВЫПОЛНЕНИЯ ДЕЙСТВИЯ\nВСЕРАВНО ВЫПОЛНИТЬ КОМАНДУ?",
                           MB_OK | MB_CANCEL | MB_ALERT) == MB_RESULT_CANCEL
                   ? 1
                   : 0;
    return 0;
}

// ---- constant hooks ----------------------------------------------------------------

int hide_command_code() { return 0; }
int get_access_level() { return 0; }
int request_access(vuUI *, const char *) { return 0; }
int unprinted_receipt_pending(int) { return 0; }
void unprinted_receipt_done(int) {}
