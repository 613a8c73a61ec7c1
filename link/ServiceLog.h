// Lines for the controller service's log (message type 6).
#ifndef LINK_SERVICELOG_H
#define LINK_SERVICELOG_H

#include <stdint.h>

// Log kind of text lines sent with ServiceLogText.
static const int SERVICE_LOG_TEXT = 11;
// Log kind every application caller passes to ServiceLog.
static const int SERVICE_LOG_RAW = 30;

// Sends len bytes as type-6 messages {kind, chunk} of at most 4095 data
// bytes, 20 ms apart; no answer is awaited. 0, -1 (null data or len 0), -2,
// or -3 at the first failed send.
int ServiceLog(const void *data, uint32_t len, int kind);
// ServiceLog of the text without its NUL, kind 11; -1 for a null text.
int ServiceLogText(const char *text);

#endif
