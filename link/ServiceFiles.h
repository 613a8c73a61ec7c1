// File requests to the controller service: its log copied to the USB flash
// drive, and reading and writing files on that drive (message types 7 to
// 11). Each request holds the queue mutex until the service's type-4 answer,
// whose first 32-bit word is the result. The headers carry addresses of the
// caller's memory as 32-bit words, as the terminal's service expects.
//
// The service may never answer; every wait is bounded (120 s for the log
// copy, 10 s for the others) and reports the request's failure code when the
// bound passes.
#ifndef LINK_SERVICEFILES_H
#define LINK_SERVICEFILES_H

#include <stdint.h>

// Bounds of the answer waits, ms.
static const uint32_t SERVICE_COPY_LOG_WAIT = 120000;
static const uint32_t SERVICE_FILE_WAIT = 10000;

// Copies the service's log to the drive: the bytes copied, or the service's
// -10 (nothing to copy), -11 (no log), -12 (no drive), -13 (not copied);
// -13 also without a queue, on a failed send or without an answer.
int ServiceCopyLog();
// Appends len bytes to the named file (chunks of at most 4084 bytes, 20 ms
// apart): the result word, -1 (null data or len 0), -2, -3 (a failed send,
// nothing awaited), or -4 without an answer.
int ServiceUnloadPut(const char *name, const void *data, uint32_t len);
// Writes len bytes at offset of the named file (chunks of at most 4080
// bytes): as ServiceUnloadPut.
int ServiceUnloadGet(const char *name, const void *data, uint32_t len, int offset);
// Reads len bytes at offset of the named file into buffer (the service
// writes them there; bytes 16-23 of the request carry the addresses' high
// halves on a 64-bit machine): the result word,
// or -12 without a queue, on a failed send or without an answer.
int ServiceUnloadStep(const char *name, void *buffer, int len, int offset);
// Asks whether the drive is ready: 0 ready, another result word not; -13
// without a queue, on a failed send or without an answer.
int ServiceUnloadEnd();

#endif
