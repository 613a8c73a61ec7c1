// The controller service's message queue: attaching to it, the messages
// that travel on it and the plain send and receive calls.
//
// The controller service owns one System V message queue (key 111, mode
// 0666). Every send and receive is non-blocking; waiting is done by polling
// every 20 ms against OsGetTickCount. One process-wide mutex guards the
// queue; the calls declared here take it themselves, so no code that holds
// it may call them (it is not recursive).
#ifndef LINK_SERVICEQUEUE_H
#define LINK_SERVICEQUEUE_H

#include <stddef.h>
#include <stdint.h>

// Message types on the queue.
enum : long {
    SERVICE_MSG_REQUEST = 1,     // to the service: kind byte + data
    SERVICE_MSG_REPLY = 2,       // from the service: kind byte + data
    SERVICE_MSG_MONITOR_IN = 3,  // to the service: raw monitor input
    SERVICE_MSG_MONITOR_OUT = 4, // from the service: monitor output, file answers
    SERVICE_MSG_PRINT = 5,       // to the service: sub-kind byte + print job
    SERVICE_MSG_LOG = 6,         // to the service: log kind byte + chunk
    SERVICE_MSG_COPY_LOG = 7,    // file requests, to the service
    SERVICE_MSG_UNLOAD_PUT = 8,
    SERVICE_MSG_UNLOAD_GET = 9,
    SERVICE_MSG_UNLOAD_STEP = 10,
    SERVICE_MSG_UNLOAD_END = 11,
};

// Kinds of type-1 requests and type-2 answers.
enum : uint8_t {
    SERVICE_KIND_CONTROL = 0, // one byte each way
    SERVICE_KIND_FRAME = 1,   // registrar frame or short command / status byte
    SERVICE_KIND_VERSION_TEXT = 2,
    SERVICE_KIND_STATE = 3,   // the status block
    SERVICE_KIND_VERSION = 4, // four 32-bit version numbers
};

static const int SERVICE_QUEUE_KEY = 111;
static const uint32_t SERVICE_TEXT_MAX = 4096; // bytes of a message text
static const uint32_t SERVICE_DATA_MAX = 4095; // data behind a kind byte

// One message: the type (a long, 4 bytes on the terminal) and the text.
struct ServiceMessage {
    long type;
    uint8_t text[SERVICE_TEXT_MAX];
};

// The service's 16-byte status answer, little-endian as sent.
struct ServiceStatusBlock {
    int32_t printerState; // 0 normal, 1 busy, 2 out of paper, 3 overheated,
                          // 4 cutter error, 5 cover open
    int32_t printError;   // 0 none; anything else fails a print job
    int32_t extError;     // extended error code
    uint8_t dataState;    // non-zero while print data is being worked on
    uint8_t ready;        // non-zero when the controller is initialised
    uint8_t reserved[2];
};
static_assert(sizeof(ServiceStatusBlock) == 16, "the status block is 16 bytes on the wire");

// Attaches to the service's queue (once; a failed try is repeated after
// 3000 ms) and zeroes the status block. 0, or -2 when there is no queue.
//
// Once attached, the link follows a restarted service: a send, receive or
// flush that finds the queue gone (removed, or its identifier no longer
// valid) looks key 111 up again once and, when a new queue is there, makes
// that call once more on it. Without a new queue the call fails as it
// would have, and the old identifier stays.
int ServiceOpen();
// msgget of key 111 without creating it: the identifier or -1.
int ServiceQueueGet();
// The attached queue's identifier, -1 before ServiceOpen succeeded; a
// re-attached queue's after a restart of the service.
int ServiceQueueId();
// The last status block taken by GetPrnStatus or a print job.
const ServiceStatusBlock *ServiceLastStatus();

// Sends type 1 {kind, data}: 0, -1 (len above 4095, or null data with a
// length), -2 no queue, -3 send failed. Null data with len 0 sends the kind
// byte alone.
int ServiceSend(int kind, const void *data, uint32_t len);
// ServiceSend with kind 1; -1 for null data or len 0. For request frames and
// the two-byte short commands (DLE + one character).
int ServiceSendFrame(const void *data, int len);
// Type 1 with kind 2, 3 or 4 and no data: 0, -2 or -3.
int ServiceQueryVersionText();
int ServiceQueryState();
int ServiceQueryVersion();
// Sends type 3 with the raw bytes (len may be 0): 0, -1 (null data with a
// length, or len above 4096), -2 or -3.
int ServiceMonitorSend(const void *data, uint32_t len);

// Takes one type-2 message of at most max data bytes, polling until timeout
// ms have passed (0: one try, no pause): stores its kind, copies its data
// and returns the data length; -1 bad arguments, -2 no queue, -4 nothing.
int ServiceReceive(uint8_t *kind, void *out, int max, uint32_t timeout);
// The same for one type-4 message of raw bytes, at most max.
int ServiceMonitorReceive(void *out, int max, uint32_t timeout);
// Removes every message of every type waiting on the queue: 0, or -2.
int ServiceFlush();

#endif
