// The OFD exchange: the worker thread that moves one fiscal document at a
// time to the OFD server and its answer back, and the UI side's steps that
// read the document out of the fiscal drive and write the answer into it.
//
// The one ofd_worker record is shared by the UI side and the worker without
// a lock: the state word hands it over. The UI side writes buffer, length
// and header only in state 0 and then sets 1; the worker owns them and the
// socket in states 1 to 3 and sets 4; the UI side reads result, error_text,
// buffer and length in state 4 and sets 0. The state is stored with release
// and read with acquire, so what one side wrote before handing over is what
// the other side reads.
#ifndef APP_COMMS_OFD_WORKER_H
#define APP_COMMS_OFD_WORKER_H

#include <atomic>
#include <mxml.h>
#include <pthread.h>
#include <semaphore.h>
#include <stddef.h>
#include <stdint.h>

#include "exchange_container.h"

class vuUI;

enum ofd_state { OFD_IDLE = 0, OFD_CONNECT = 1, OFD_SEND = 2, OFD_RECEIVE = 3, OFD_DONE = 4 };

struct ofd_worker_record {
    std::atomic<int> state;
    int result;               // 0, or -1 after a failed connect, send or receive
    char error_text[256];     // the worker's last failure
    char ui_error_text[256];  // the UI side's last failure (ofd_error_text)
    char message[384];        // the text the OFD's answer carried (ofd_message)
    uint8_t buffer[65536];    // the document, later the answer's body
    uint32_t length;          // bytes valid in buffer
    uint8_t header[CONTAINER_HEADER_SIZE];
    int socket;               // the worker's socket, -1 when closed
    char host[256];
    uint16_t port;
    int period_ms, send_ms, recv_ms;
    uint16_t waiting;         // documents waiting, as last read with GetWaitDocs
    sem_t stop_sem;
    bool stop_latched;        // the worker's: a stop was seen
    pthread_t thread;
    bool running;
    // The periodic mode: the worker reads the waiting documents itself (one
    // at once at its start, then once a period has passed since its last
    // read, and the next at once after a success) and writes the answers
    // itself; nothing else drives the steps meanwhile.
    bool periodic;
    uint32_t last_read;       // tick of the last read; 0 read at once
    unsigned periodic_sent;   // documents the periodic mode moved
    unsigned periodic_failed; // attempts of it that failed (each told on stderr)
};

extern ofd_worker_record ofd_worker;

// ---- the worker side ---------------------------------------------------------
// A connected non-blocking socket to host:port within wait ms, or -1 with the
// text in error_text. A refused connect ends at once, host unreachable on the
// third time, other failures become ETIME once wait ms passed.
int ofd_connect(const char *host, uint16_t port, int wait_ms);
// Sends n bytes: n, or -1 with the text in error_text.
int ofd_send(int sock, const uint8_t *data, uint32_t n, int wait_ms);
// Receives n bytes, one per call, the time-out running from the last byte:
// 1, 0 when the server closed, -1 on a failure (text in error_text).
int ofd_recv(int sock, uint8_t *buffer, uint32_t n, int wait_ms);
// One look at the stop semaphore; once seen, the stop stays.
bool ofd_stop_requested();

// Loads the parameters and starts the worker: 0, or -1 after a box. With
// periodic set the worker moves the documents on its own (above).
int ofd_start(vuUI *ui, int periodic, mxml_node_t *section);
// Stops and joins the worker.
void ofd_stop(vuUI *ui);
// Loads the OFD server's parameters from the controller (0x67) and the
// settings section, while any of them is still unset: 0 when all are set.
int ofd_load_params(vuUI *ui, mxml_node_t *section);
// Forgets the parameters (tests start afresh with it).
void ofd_forget_params();

// ---- the UI side -------------------------------------------------------------
// The document's FFD version from its tag 1209 (the first of length 1,
// scanned from offset 36 within the document's own length), or -1.
int ofd_ffd_from_container(const uint8_t *document, uint32_t length);
// The header for a document into ofd_worker.header.
void ofd_make_header(const uint8_t *document, uint32_t length);
// Reads the oldest waiting document from the fiscal drive: its length (> 0),
// 0 when nothing waits, below 0 on a failure (text in error_text).
int ofd_read_document(vuUI *ui, char *error_text, uint8_t *buffer, uint32_t size, uint32_t *out_length);
// Writes the OFD's answer into the fiscal drive: 0, or below 0 with the
// text in error_text and the OFD's message in message.
int ofd_write_reply(vuUI *ui, char *error_text, char *message, size_t message_size, const uint8_t *answer,
                    uint32_t length);
// Reads a document and hands it to the worker: its length, or -1.
int ofd_step_begin(vuUI *ui);
// 1 idle or finished well, 0 busy, below 0 failed.
int ofd_step_poll(vuUI *ui);
const char *ofd_error_text();
const char *ofd_message();

#endif
