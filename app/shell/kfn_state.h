// The command runner of every screen and the cached state of the fiscal
// drive and its controller.
//
// kfn_exec runs one registrar command through the controller service under
// kfn_mutex, copies the reply's statuses into kfn_state and shows failures
// in fixed error boxes. fn_status_refresh fills the cache after start-up,
// fn_life_warnings tells about the drive's end of life, kfn_start waits for
// the controller at start-up.
#ifndef APP_SHELL_KFN_STATE_H
#define APP_SHELL_KFN_STATE_H

#include <pthread.h>
#include <stdint.h>

class TMCommand;
class vuUI;

// Bits of the cached statuses.
enum : uint16_t {
    KFN_CUR_DOC_OPEN = 0x0007,   // a document is open
    KFN_CUR_SESSION = 0x0100,    // the controller session is started
    KFN_CUR_SHIFT_OPEN = 0x0800, // a shift is open
    KFN_CUR_FN_FULL = 0x8000,    // the fiscal drive is full
};
enum : uint8_t {
    KFN_FATAL_FAULTY = 0x01,
    KFN_FATAL_MEMORY = 0x02,
    KFN_FATAL_FN_FAILURE = 0x04,
    KFN_FATAL_REGISTERED = 0x08,
    KFN_FATAL_NEARLY_FULL = 0x10,
    KFN_FATAL_FULL = 0x20,
    KFN_FATAL_NO_REREG = 0x40,
};

// Texts of N characters are kept in N + 1 bytes.
struct KfnState {
    uint16_t work_modes;
    uint16_t work_param_2;
    uint16_t work_param_3;
    uint8_t fatal_status;
    uint16_t current_status;
    uint16_t firmware_version;
    uint16_t ffd_kind;
    uint16_t ofd_waiting;
    uint16_t oism_waiting;
    uint8_t tax_systems;
    uint8_t reg_flags;
    char kkt_serial[16 + 1];
    char reg_number[24 + 1];
    char inn[16 + 1];
    char fn_number[24 + 1];
    char firmware_text[16 + 1];
    uint8_t asokp_flags;
    uint32_t agent_flags;
    int ffd_version;  // -1 not asked yet
    int marking_mode; // -1 not asked yet
};

extern KfnState kfn_state;
// Serialises whole controller exchanges; the service queue's own lock is
// always taken inside it.
extern pthread_mutex_t kfn_mutex;

// ---- the runner ------------------------------------------------------------
// 0 success, above 0 the drive's error code from the reply, below 0 the
// service result of the exchange. A null ui shows nothing.
int kfn_exec(vuUI *ui, TMCommand *cmd, int timeout_ms);
void report_prepare_error(vuUI *ui, TMCommand *cmd, int code);
void report_command_error(vuUI *ui, TMCommand *cmd);
void report_kfn_io_error(vuUI *ui, int command_code, int result);
// Stores both statuses under kfn_mutex.
void kfn_set_state(int fatal, int current);
// The same without the lock.
void kfn_set_fatal_status(int fatal);
void kfn_set_current_status(int current);

// ---- getters -----------------------------------------------------------------
uint8_t kfn_state_byte();
uint16_t kfn_flags();
uint16_t kfn_work_modes();
void kfn_set_work_modes(uint16_t value);
uint16_t kfn_work_word(int n);
uint16_t kfn_firmware_version();
uint16_t kfn_ffd_kind();
const char *kkt_serial_number();
const char *kkt_reg_number();
const char *kfn_fn_number();
const char *kfn_firmware_text();
const char *kkt_inn();
int kfn_autonomous();
uint8_t kfn_asokp_endpoint_flag();
uint8_t kfn_tax_systems();
uint32_t kfn_agent_flags();
uint16_t kfn_ofd_waiting_cached();
uint16_t kfn_oism_waiting_cached();
// These ask the drive; never call them while holding kfn_mutex.
int kfn_ffd_version();
int kfn_marking_mode();
uint16_t kfn_ofd_waiting();
uint16_t kfn_oism_waiting();

// ---- start-up and state ------------------------------------------------------
int fn_status_refresh(vuUI *ui);
void fn_life_warnings(vuUI *ui);
// Waits until the controller is ready (never gives up), then refreshes the
// state. Every caller passes fallback 2.
void kfn_start(vuUI *ui, int fallback);
// The controller monitor terminal that kfn_start opens when the controller
// stays in service mode and the reboot is declined. It is one of the
// communications screens, so the program sets it at start; while none is
// set, nothing opens there.
typedef int (*KfnMonitorTerminal)(vuUI *ui, const char *title);
void kfn_set_monitor_terminal(KfnMonitorTerminal open);
// 1 when the user declined to go on with a low battery, else 0.
int confirm_low_battery(vuUI *ui);

// ---- constant hooks ----------------------------------------------------------
int hide_command_code();
int get_access_level();
int request_access(vuUI *ui, const char *role);
int unprinted_receipt_pending(int kind);
void unprinted_receipt_done(int kind);

#endif
