// The exchange of the fiscal drive's marking notifications with the marking
// system's server (OISM): the worker thread that sends one notification and
// receives the server's receipt, the UI side's steps that read the
// notification out of the drive and write the receipt into it, and the
// session that keeps the idle worker (and so the server's parameters) during
// a sale.
//
// The one oism_worker record is shared by the UI side and the worker without
// a lock; the state word hands it over as on the OFD side: the UI side owns
// the notification and the header in state 0 and sets 1; the worker owns
// them, the answer and the socket in states 1 to 3 and sets 4 (or 6 when the
// connect failed); the UI side takes the answer in state 4 and sets 0. The
// state is an atomic stored with release and read with acquire.
//
// An exchange that takes longer than the period (state 5) is abandoned; the
// worker keeps running, so the next notification can begin at once.
#ifndef APP_COMMS_OISM_WORKER_H
#define APP_COMMS_OISM_WORKER_H

#include <atomic>
#include <mxml.h>
#include <pthread.h>
#include <semaphore.h>
#include <stddef.h>
#include <stdint.h>

#include "exchange_container.h"
#include "server_link.h"

class vuUI;
class vuObject;

enum oism_state {
    OISM_IDLE = 0,
    OISM_CONNECT = 1,
    OISM_SEND = 2,
    OISM_RECEIVE = 3,
    OISM_DONE = 4,
    OISM_OVERTIME = 5,       // the exchange took longer than the period
    OISM_CONNECT_FAILED = 6,
};

// mode 1: notifications are exchanged (the dialog's and oism_stop's value).
const int OISM_MODE_NOTIFICATIONS = 1;

struct oism_worker_record {
    std::atomic<int> state;
    int mode;
    int result;                 // 0, or -1 after a failed connect, send or receive
    char error_text[256];       // the worker's last failure
    char ui_error_text[256];    // the UI side's last failure (oism_error_text)
    char message[384];          // the receipt's message: nothing fills it
    uint8_t notification[65536];
    uint32_t notification_length;
    uint8_t answer[65536];      // the server's answer body
    uint32_t answer_length;
    uint8_t header[CONTAINER_HEADER_SIZE]; // sent, then overwritten by the answer's
    uint32_t exchange_start;    // tick of the exchange's first connect; 0 none
    server_link link;           // only sock is used
    char host[256];
    uint16_t port;
    int period_ms, send_ms, recv_ms;
    uint16_t waiting;           // notifications waiting, as last counted
    sem_t stop_sem;
    bool stop_latched;          // the worker's: a stop was seen
    pthread_t thread;
    bool running;
    // The periodic mode: in mode 1 the worker reads the waiting
    // notifications itself (one at once at its start, then once a period
    // has passed since its last read, and the next at once after a success)
    // and writes the receipts itself; nothing else drives the steps.
    bool periodic;
    uint32_t last_read;       // tick of the last read; 0 read at once
    unsigned periodic_sent;   // notifications the periodic mode moved
    unsigned periodic_failed; // attempts of it that failed (each told on stderr)
};

extern oism_worker_record oism_worker;

// ---- the worker side ---------------------------------------------------------
// The connect, send and receive of the OFD side with the worker's texts; the
// connect waits 100 ms a pass.
int oism_connect(const char *host, uint16_t port, int wait_ms);
int oism_send(int sock, const uint8_t *data, uint32_t n, int wait_ms);
int oism_recv(int sock, uint8_t *buffer, uint32_t n, int wait_ms);
// One look at the stop semaphore; once seen, the stop stays.
bool oism_stop_requested();
// The answer's body length: header bytes 24-25.
uint16_t oism_reply_body_length(const uint8_t *header);

// Loads the server's parameters from the controller (0x67 index 1) and the
// settings section, while any of them is still unset: 0 when all are set.
int oism_load_params(mxml_node_t *section);
// Forgets the parameters (tests start afresh with it).
void oism_forget_params();
// Loads the parameters and starts the worker: 0, or -1 after a box. With
// periodic set the worker moves the notifications on its own (above).
int oism_start(vuUI *ui, int periodic, mxml_node_t *section);
// Stops and joins the worker; the mode goes back to 1.
void oism_stop(vuUI *ui);

// The worker beside a sale: the link brought up and, when it is, the idle
// worker started; closing stops it and ends the link as it was found.
void oism_session_open(vuUI *ui);
void oism_session_close();

// ---- the UI side -------------------------------------------------------------
// The header for the notification into oism_worker.header: the marking
// system's prefix, the drive's number as held, the length from the
// notification's first two bytes.
void oism_set_header(const uint8_t *notification);
// Reads the oldest waiting notification: its length (> 0), 0 when none
// waits, below 0 on a failure (text in error_text).
int oism_read_notification(vuUI *ui, char *error_text, uint8_t *buffer, uint32_t size, uint32_t *out_length);
// Writes the server's receipt (its length in the answer's first two bytes)
// into the drive: the receipt's length (> 0), or below 0 with the text in
// error_text.
int oism_write_receipt(vuUI *ui, char *error_text, char *message, size_t message_size, const uint8_t *answer,
                       uint32_t length);
// Reads a notification (mode 1) and hands it to the worker: its length, or -1.
int oism_step_begin(vuUI *ui, int mode);
// 1 idle or finished well, 0 busy, below 0 failed (-2 the connect).
int oism_step_poll(vuUI *ui);
// Cancels a notification read in the drive (0x2D); the result is ignored.
void oism_cancel_read();
const char *oism_error_text();

// Appends a line to a dialog's progress field, as info_panel_append, with
// the capacity from the field's own font: (height - 4) / line height - 1.
void oism_info_append(vuObject *field, const char *line);

#endif
