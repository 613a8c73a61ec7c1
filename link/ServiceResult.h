// Results of the calls to the controller service and the texts shown for
// them, and the registrar's error texts for the error codes in replies.
#ifndef LINK_SERVICERESULT_H
#define LINK_SERVICERESULT_H

#include <stddef.h>
#include <stdint.h>

// Result of every service call: 0 success, small negative codes for
// failures of the call itself.
enum ServiceResult : int {
    SERVICE_OK = 0,
    SERVICE_BAD_ARGS = -1,      // bad arguments or empty request
    SERVICE_NO_QUEUE = -2,      // no service queue
    SERVICE_SEND_FAILED = -3,   // sending failed
    SERVICE_NO_ANSWER = -4,     // no answer in time
    SERVICE_BAD_ANSWER = -5,    // the answer failed its checks
    SERVICE_PRINT_FAILED = -6,  // print failure
    SERVICE_NOT_SUPPORTED = -7, // request not supported
    SERVICE_SERVICE_MODE = -8,  // controller in service mode
    SERVICE_UPDATE_MODE = -9,   // controller in update mode
};

// Fixed text of a service result; "НЕИЗВЕСТНАЯ ОШИБКА" for any other code.
const char *ServiceResultText(int code);

// Registrar text of an error code; only the low byte counts. "Неизвестная
// ошибка" for a byte without a text.
const char *FiscalErrorText(uint32_t code);

// Formats into out (size bytes, always terminated when size > 0) with the
// caller's format and, in this order, the low byte of code, the low byte of
// detail (both unsigned ints) and FiscalErrorText(code) (a string), e.g.
// "%02X:%02X %s". Returns out.
char *FormatFiscalError(char *out, size_t size, const char *format, uint32_t code, uint32_t detail);

#endif
