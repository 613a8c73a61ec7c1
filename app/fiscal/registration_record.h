// The cash register's last registration as the fiscal drive reports it:
// the registration totals (0x8F) and the registration parameters by tag
// (0x88). The registration wizards fill it first and pre-fill their pages
// from it.
#ifndef APP_FISCAL_REGISTRATION_RECORD_H
#define APP_FISCAL_REGISTRATION_RECORD_H

#include <stdint.h>

class TMCommand;
class vuUI;

// Texts are CP1251, terminated within their buffers.
struct RegistrationRecord {
    uint32_t filled;          // 1 once the totals were read
    char fd_number[10];       // the registration's document number
    char fiscal_sign[10];
    char date_time[15];       // DD.MM.YY HH:MM
    char user_inn[14];
    char reg_number[22];
    char fn_number[18];       // tag 1041
    char kkt_serial[22];      // 1013
    char ofd_name[258];       // 1046
    char ofd_inn[14];         // 1017
    char cashier[66];         // 1021
    char cashier_inn[14];     // 1203
    char user_name[258];      // 1048
    char sender_email[66];    // 1117
    char address[258];        // 1009
    char place[258];          // 1187
    char fns_site[258];       // 1060
    char automat_number[22];  // 1036
    uint8_t tax_systems;
    uint16_t work_modes;      // the wizard's layout, bits 0 to 8
    uint16_t usage_flags;     // FFD 1.2: "kktmode_ffd12" items
    uint32_t reason_codes;
    uint32_t agent;           // FFD 1.05 and 1.1: tag 1057
    char tag_1274[34];        // FFD 1.2
    char tag_1275[34];        // FFD 1.2
};

extern RegistrationRecord registration_record;

// Runs one command for the reader: the runner's result (0 success, above 0
// the drive's error, below 0 a service result); the reply is then in cmd.
typedef int (*RegistrationExec)(TMCommand *cmd, void *context);

// Clears the record and fills it from the replies exec gives: the totals
// (0x8F; when they fail the record stays cleared and unfilled) and the
// tags, read for the registered FFD version (2 FFD 1.05, 3 FFD 1.1, 4 FFD
// 1.2, 0 unknown). A tag that fails leaves its field empty.
void registration_record_fill(RegistrationRecord *record, int ffd_version, RegistrationExec exec, void *context);

// Clears the record, asks whether to read the registration totals and, on
// OK only, fills it from the drive (tag reads without a UI).
void ReadRegistrationTotals(vuUI *ui);

#endif
