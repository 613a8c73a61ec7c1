#include "ofd_worker.h"

#include "exchange_io.h"
#include "kfn_state.h"
#include "error_box.h"
#include "message_box.h"
#include "osal.h"
#include "str_helpers.h"
#include "TMCommand.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

ofd_worker_record ofd_worker = {};

namespace {

const int kIdleSleepMs = 200;
const int kConnectPollMs = 500;

const exchange_io kIo = {ofd_worker.error_text, ofd_stop_requested, kConnectPollMs};

exchange_params params()
{
    return exchange_params{ofd_worker.host, &ofd_worker.port, &ofd_worker.period_ms, &ofd_worker.recv_ms,
                           &ofd_worker.send_ms};
}

void closeSocket()
{
    if (ofd_worker.socket >= 0) {
        shutdown(ofd_worker.socket, SHUT_RDWR);
        close(ofd_worker.socket);
    }
    ofd_worker.socket = -1;
}

// The periodic mode's turn in the idle state: true when a document was read
// and handed over (the worker goes on at once).
bool periodicBegin()
{
    const uint32_t now = OsGetTickCount();
    if (ofd_worker.last_read != 0 && now - ofd_worker.last_read < static_cast<uint32_t>(ofd_worker.period_ms))
        return false;
    ofd_worker.last_read = now | 1; // never 0 once taken
    return ofd_step_begin(nullptr) > 0;
}

// The periodic mode's turn in the done state: the answer written into the
// drive (or the failure told), the record back to idle.
void periodicFinish()
{
    const int r = ofd_step_poll(nullptr);
    if (r == 1) {
        ++ofd_worker.periodic_sent;
        ofd_worker.last_read = 0; // the next document at once
    } else {
        ++ofd_worker.periodic_failed;
        fprintf(stderr, "ofd: a document was not sent: %s\n", ofd_worker.ui_error_text);
    }
}

void *workerMain(void *)
{
    ofd_worker.socket = -1;
    while (!ofd_stop_requested()) {
        const int state = ofd_worker.state.load(std::memory_order_acquire);
        if (ofd_worker.periodic && state == OFD_IDLE) {
            closeSocket();
            if (periodicBegin())
                continue;
        } else if (ofd_worker.periodic && state == OFD_DONE) {
            closeSocket();
            periodicFinish();
            continue;
        }
        switch (state) {
        case OFD_IDLE:
            // result and error_text were cleared by the UI side before it
            // handed the record back; writing them here would race with the
            // UI side filling the next document.
            closeSocket();
            OsSleep(kIdleSleepMs);
            break;
        case OFD_CONNECT:
            closeSocket();
            ofd_worker.socket = ofd_connect(ofd_worker.host, ofd_worker.port, ofd_worker.send_ms);
            if (ofd_worker.socket == -1) {
                ofd_worker.result = -1;
                ofd_worker.state.store(OFD_DONE, std::memory_order_release);
            } else {
                ofd_worker.state.store(OFD_SEND, std::memory_order_release);
            }
            break;
        case OFD_SEND:
            if (ofd_send(ofd_worker.socket, ofd_worker.header, CONTAINER_HEADER_SIZE, ofd_worker.send_ms) < 0 ||
                ofd_send(ofd_worker.socket, ofd_worker.buffer, ofd_worker.length, ofd_worker.send_ms) < 0) {
                ofd_worker.result = -1;
                ofd_worker.state.store(OFD_DONE, std::memory_order_release);
            } else {
                ofd_worker.state.store(OFD_RECEIVE, std::memory_order_release);
            }
            break;
        case OFD_RECEIVE: {
            memset(ofd_worker.buffer, 0, sizeof ofd_worker.buffer);
            ofd_worker.length = 0;
            bool ok = ofd_recv(ofd_worker.socket, ofd_worker.header, CONTAINER_HEADER_SIZE, ofd_worker.recv_ms) == 1;
            uint16_t n = ok ? container_header_length(ofd_worker.header) : 0;
            if (ok && n > 0)
                ok = ofd_recv(ofd_worker.socket, ofd_worker.buffer, n, ofd_worker.recv_ms) == 1;
            if (ok)
                ofd_worker.length = n;
            else
                ofd_worker.result = -1;
            ofd_worker.state.store(OFD_DONE, std::memory_order_release);
            break;
        }
        default:
            closeSocket();
            OsSleep(kIdleSleepMs);
            break;
        }
    }
    // Stopped between two steps of an exchange: a failure of the next step,
    // as a stop inside it would be.
    if (ofd_worker.result == 0) {
        switch (ofd_worker.state.load(std::memory_order_acquire)) {
        case OFD_CONNECT:
            ofd_worker.result = -1;
            exchange_stopped_before(kIo, "connect");
            break;
        case OFD_SEND:
            ofd_worker.result = -1;
            exchange_stopped_before(kIo, "send");
            break;
        case OFD_RECEIVE:
            ofd_worker.result = -1;
            exchange_stopped_before(kIo, "recv");
            break;
        default:
            break;
        }
    }
    closeSocket();
    return nullptr;
}

bool paramsComplete()
{
    return exchange_params_complete(params());
}

} // namespace

bool ofd_stop_requested()
{
    if (ofd_worker.stop_latched)
        return true;
    if (sem_trywait(&ofd_worker.stop_sem) == 0 || errno != EAGAIN)
        ofd_worker.stop_latched = true;
    return ofd_worker.stop_latched;
}

int ofd_connect(const char *host, uint16_t port, int wait_ms)
{
    return exchange_connect(kIo, host, port, wait_ms);
}

int ofd_send(int sock, const uint8_t *data, uint32_t n, int wait_ms)
{
    return exchange_send(kIo, sock, data, n, wait_ms);
}

int ofd_recv(int sock, uint8_t *buffer, uint32_t n, int wait_ms)
{
    return exchange_recv(kIo, sock, buffer, n, wait_ms);
}

int ofd_load_params(vuUI *ui, mxml_node_t *section)
{
    if (paramsComplete())
        return 0;
    TMCommand cmd;
    if (cmd.OFDGetParam() <= 0) {
        if (ui)
            error_box(ui, "Ошибка создания команды OFDGetParam.");
    } else if (kfn_exec(ui, &cmd, 5000) == 0) {
        exchange_params_from_reply(params(), cmd);
    }
    exchange_params_from_section(params(), section);
    return paramsComplete() ? 0 : -1;
}

void ofd_forget_params()
{
    ofd_worker.host[0] = '\0';
    ofd_worker.port = 0;
    ofd_worker.period_ms = ofd_worker.send_ms = ofd_worker.recv_ms = 0;
}

int ofd_start(vuUI *ui, int periodic, mxml_node_t *section)
{
    if (ofd_worker.running)
        return 0;
    if (ofd_load_params(ui, section) != 0) {
        if (ui)
            error_box(ui, "Соединение с ОФД не настроено.\nОшибка в параметрах.");
        return -1;
    }
    ofd_worker.stop_latched = false;
    sem_init(&ofd_worker.stop_sem, 0, 0);
    ofd_worker.socket = -1;
    ofd_worker.result = 0;
    ofd_worker.error_text[0] = '\0';
    ofd_worker.state.store(OFD_IDLE, std::memory_order_release);
    ofd_worker.periodic = periodic != 0;
    ofd_worker.last_read = 0;
    ofd_worker.periodic_sent = ofd_worker.periodic_failed = 0;
    // Running before the thread starts: the periodic worker begins its
    // steps itself, and a step begins only with a worker.
    ofd_worker.running = true;
    if (pthread_create(&ofd_worker.thread, nullptr, workerMain, nullptr) != 0) {
        ofd_worker.running = false;
        ofd_worker.periodic = false;
        if (ui)
            error_box(ui, "Сбой при активации соединения с ОФД.\nРекомендуется перезагрузить кассу.");
        sem_destroy(&ofd_worker.stop_sem);
        return -1;
    }
    return 0;
}

void ofd_stop(vuUI *ui)
{
    if (!ofd_worker.running)
        return;
    if (ui)
        message_box(ui, "ПОДОЖДИТЕ", "ПОДОЖДИТЕ ЗАВЕРШЕНИЯ ПОТОКА ОБМЕНА С ОФД", MB_NOWAIT);
    sem_post(&ofd_worker.stop_sem);
    pthread_join(ofd_worker.thread, nullptr);
    sem_destroy(&ofd_worker.stop_sem);
    ofd_worker.running = false;
    ofd_worker.periodic = false;
    ofd_worker.stop_latched = false;
}
