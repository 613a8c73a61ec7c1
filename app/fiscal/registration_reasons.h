// The reasons of a re-registration: five check-box pages whose items
// together make the 32-bit reason-codes mask sent with command 0x04.
#ifndef APP_FISCAL_REGISTRATION_REASONS_H
#define APP_FISCAL_REGISTRATION_REASONS_H

#include <stdint.h>

class vuUI;

// The mask (0 to 0xFFFFFFFF, bits 0 to 21 and 31 only), or -1 when the
// first page was left backwards or a page could not be created.
int64_t SelectReregistrationReasons(vuUI *ui);

#endif
