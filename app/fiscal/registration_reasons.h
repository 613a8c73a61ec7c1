// The reasons of a re-registration: five check-box pages whose items
// together make the 32-bit reason-codes mask sent with command 0x04.
#ifndef APP_FISCAL_REGISTRATION_REASONS_H
#define APP_FISCAL_REGISTRATION_REASONS_H

#include <stdint.h>

class vuUI;

// The mask (0 to 0xFFFFFFFF, bits 0 to 21 and 31 only), or -1 when the
// first page was left backwards or a page could not be created. ffd is the
// FFD version of the registration being made (3 FFD 1.1, 4 FFD 1.2): the
// bits of the third page mean what that version says, so its labels are
// that version's, whatever the drive was registered for before.
int64_t SelectReregistrationReasons(vuUI *ui, int ffd);

// The file of reason page `page` (1 to 5) for a registration of FFD `ffd`.
const char *reg_reason_page_file(int page, int ffd);

#endif
