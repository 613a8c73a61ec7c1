// Print jobs for the controller service's printer (message type 5). Every
// job waits for the service's status block after it (timeout ms, 0: do not
// wait) and fails when the block reports a print error.
#ifndef LINK_SERVICEPRINT_H
#define LINK_SERVICEPRINT_H

#include <stdint.h>

// Raw print data in chunks of at most 4095 bytes, the status awaited after
// each: 0, -1 (null data or len 0), -2, -3, -4 or -6. A failure leaves the
// rest unsent.
int ServicePrintRaw(const void *data, uint32_t len, uint32_t timeout);
// A text of at most 4092 characters with an option byte: 0, -1, -2, -3, -4, -6.
int ServicePrintText(const char *text, uint8_t option, uint32_t timeout);
// A text of at most 4093 characters.
int ServicePrintRequest2(const char *text, uint32_t timeout);
// A text of at most 4090 characters behind a byte and a 16-bit value.
int ServicePrintRequest4(const char *text, uint16_t value, uint8_t byte, uint32_t timeout);
// The 5 printer-setting bytes: 0, -1 (null), -2, -3, -4, or -7 when refused.
int ServicePrinterSettings(const uint8_t *settings, uint32_t timeout);
// One byte and four zero bytes: 0, -2, -3, -4 or -7.
int ServicePrintRequest5(uint8_t byte, uint32_t timeout);

#endif
