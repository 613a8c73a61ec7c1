// The marking system's worker thread, its parameters and its lifetime.

#include "oism_worker.h"

#include "conn_api.h"
#include "conn_record.h"
#include "exchange_io.h"
#include "info_panel.h"
#include "kfn_state.h"
#include "error_box.h"
#include "message_box.h"
#include "osal.h"
#include "settings.h"
#include "str_helpers.h"
#include "TMCommand.h"
#include "vuUI.h"
#include "vuViewObject.h"
#include "vuWidget.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

oism_worker_record oism_worker = {};

namespace {

const int kIdleSleepMs = 200;
const int kConnectPollMs = 100;
const int kDefaultLineHeight = 8;

const exchange_io kIo = {oism_worker.error_text, oism_stop_requested, kConnectPollMs};

// The link's result kept by the session, for its close.
int sessionLink = 0;

exchange_params params()
{
    return exchange_params{oism_worker.host, &oism_worker.port, &oism_worker.period_ms, &oism_worker.recv_ms,
                           &oism_worker.send_ms};
}

void workerText(const char *text)
{
    str_copy(oism_worker.error_text, text, sizeof oism_worker.error_text);
}

void closeSocket()
{
    if (oism_worker.link.sock >= 0)
        net_close(&oism_worker.link);
    oism_worker.link.sock = -1;
}

void setState(int state)
{
    oism_worker.state.store(state, std::memory_order_release);
}


void receive()
{
    memset(oism_worker.header, 0, sizeof oism_worker.header);
    memset(oism_worker.answer, 0, sizeof oism_worker.answer);
    oism_worker.answer_length = 0;
    const int sock = oism_worker.link.sock;
    bool ok = oism_recv(sock, oism_worker.header, CONTAINER_HEADER_SIZE, oism_worker.recv_ms) == 1;
    if (ok) {
        const uint16_t n = oism_reply_body_length(oism_worker.header);
        if (n == 0) {
            str_format(oism_worker.error_text, sizeof oism_worker.error_text,
                       "НЕПРАВИЛЬНЫЙ ОТВЕТ СЕРВЕРА (РАЗМЕР БЛОКА): %i", 0);
            ok = false;
        } else if (oism_recv(sock, oism_worker.answer, n, oism_worker.recv_ms) == 1) {
            oism_worker.answer_length = n;
            if (oism_worker.mode != OISM_MODE_NOTIFICATIONS)
                oism_worker.waiting = 0;
        } else {
            ok = false;
        }
    }
    if (ok)
        oism_worker.exchange_start = 0; // the exchange is over
    else
        oism_worker.result = -1;
    setState(OISM_DONE);
}

// The periodic mode's turn in the idle state: true when a notification was
// read and handed over (the worker goes on at once).
bool periodicBegin()
{
    if (oism_worker.mode != OISM_MODE_NOTIFICATIONS)
        return false;
    const uint32_t now = OsGetTickCount();
    if (oism_worker.last_read != 0 && now - oism_worker.last_read < static_cast<uint32_t>(oism_worker.period_ms))
        return false;
    oism_worker.last_read = now | 1; // never 0 once taken
    return oism_step_begin(nullptr, OISM_MODE_NOTIFICATIONS) > 0;
}

// The periodic mode's turn in the done states: the receipt written into
// the drive (or the failure told), the record back to idle.
void periodicFinish()
{
    const int r = oism_step_poll(nullptr);
    if (r == 1) {
        ++oism_worker.periodic_sent;
        oism_worker.last_read = 0; // the next notification at once
    } else {
        ++oism_worker.periodic_failed;
        fprintf(stderr, "oism: a notification was not sent: %s\n", oism_worker.ui_error_text);
    }
    // The over-time and connect-failed states stay after a poll.
    oism_worker.error_text[0] = '\0';
    oism_worker.result = 0;
    oism_worker.exchange_start = 0;
    setState(OISM_IDLE);
}

void *workerMain(void *)
{
    oism_worker.link.sock = -1;
    while (!oism_stop_requested()) {
        const int current = oism_worker.state.load(std::memory_order_acquire);
        if (oism_worker.periodic && current == OISM_IDLE) {
            closeSocket();
            if (periodicBegin())
                continue;
        } else if (oism_worker.periodic &&
                   (current == OISM_DONE || current == OISM_OVERTIME || current == OISM_CONNECT_FAILED)) {
            closeSocket();
            periodicFinish();
            continue;
        }
        switch (current) {
        case OISM_CONNECT:
            closeSocket();
            if (oism_worker.exchange_start == 0)
                oism_worker.exchange_start = OsGetTickCount() | 1; // never 0 once taken
            oism_worker.link.sock = oism_connect(oism_worker.host, oism_worker.port, oism_worker.send_ms);
            if (oism_worker.link.sock < 0) {
                oism_worker.result = -1;
                setState(OISM_CONNECT_FAILED);
            } else {
                setState(OISM_SEND);
            }
            break;
        case OISM_SEND:
            if (oism_send(oism_worker.link.sock, oism_worker.header, CONTAINER_HEADER_SIZE, oism_worker.send_ms) < 0 ||
                oism_send(oism_worker.link.sock, oism_worker.notification, oism_worker.notification_length,
                          oism_worker.send_ms) < 0) {
                oism_worker.result = -1;
                setState(OISM_DONE);
            } else {
                setState(OISM_RECEIVE);
            }
            break;
        case OISM_RECEIVE:
            receive();
            break;
        default: // idle, done, over time, connect failed: the UI side's turn
            closeSocket();
            OsSleep(kIdleSleepMs);
            break;
        }
        // An exchange (its first connect and the retries after failures,
        // until a receive completes) longer than the period is given up; the
        // worker goes on, so the next notification begins as after any
        // failure. The start is kept odd so that it is never 0: it may lie
        // one tick ahead, hence the signed difference. The state changes only
        // from what was seen, so a state the UI side has just set is kept.
        if (oism_worker.exchange_start != 0 &&
            static_cast<int32_t>(OsGetTickCount() - oism_worker.exchange_start) > oism_worker.period_ms) {
            int seen = oism_worker.state.load(std::memory_order_acquire);
            if (seen != OISM_IDLE && seen != OISM_OVERTIME) {
                if (seen >= OISM_CONNECT && seen <= OISM_RECEIVE) {
                    closeSocket();
                    workerText("ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА СЕРВЕРА");
                    oism_worker.result = -1;
                }
                if (oism_worker.state.compare_exchange_strong(seen, OISM_OVERTIME, std::memory_order_acq_rel))
                    oism_worker.exchange_start = 0;
            }
        }
    }
    // Stopped between two steps of an exchange: a failure of the next step,
    // as a stop inside it would be.
    if (oism_worker.result == 0) {
        switch (oism_worker.state.load(std::memory_order_acquire)) {
        case OISM_CONNECT:
            oism_worker.result = -1;
            exchange_stopped_before(kIo, "connect");
            break;
        case OISM_SEND:
            oism_worker.result = -1;
            exchange_stopped_before(kIo, "send");
            break;
        case OISM_RECEIVE:
            oism_worker.result = -1;
            exchange_stopped_before(kIo, "recv");
            break;
        default:
            break;
        }
    }
    closeSocket();
    return nullptr;
}

} // namespace

bool oism_stop_requested()
{
    if (oism_worker.stop_latched)
        return true;
    if (sem_trywait(&oism_worker.stop_sem) == 0 || errno != EAGAIN)
        oism_worker.stop_latched = true;
    return oism_worker.stop_latched;
}

uint16_t oism_reply_body_length(const uint8_t *header)
{
    return container_header_length(header);
}

int oism_connect(const char *host, uint16_t port, int wait_ms)
{
    return exchange_connect(kIo, host, port, wait_ms);
}

int oism_send(int sock, const uint8_t *data, uint32_t n, int wait_ms)
{
    return exchange_send(kIo, sock, data, n, wait_ms);
}

int oism_recv(int sock, uint8_t *buffer, uint32_t n, int wait_ms)
{
    return exchange_recv(kIo, sock, buffer, n, wait_ms);
}

int oism_load_params(mxml_node_t *section)
{
    if (exchange_params_complete(params()))
        return 0;
    TMCommand cmd;
    if (cmd.GetServer(1) > 0 && kfn_exec(nullptr, &cmd, 5000) == 0)
        exchange_params_from_reply(params(), cmd);
    exchange_params_from_section(params(), section);
    return exchange_params_complete(params()) ? 0 : -1;
}

void oism_forget_params()
{
    oism_worker.host[0] = '\0';
    oism_worker.port = 0;
    oism_worker.period_ms = oism_worker.send_ms = oism_worker.recv_ms = 0;
}

int oism_start(vuUI *ui, int periodic, mxml_node_t *section)
{
    if (oism_worker.running)
        return 0;
    if (oism_load_params(section) != 0) {
        if (ui)
            error_box(ui, "Соединение с ОИСМ не настроено.\nОшибка в параметрах.");
        return -1;
    }
    oism_worker.stop_latched = false;
    sem_init(&oism_worker.stop_sem, 0, 0);
    oism_worker.link.sock = -1;
    oism_worker.result = 0;
    oism_worker.exchange_start = 0;
    oism_worker.error_text[0] = '\0';
    oism_worker.state.store(OISM_IDLE, std::memory_order_release);
    oism_worker.periodic = periodic != 0;
    oism_worker.last_read = 0;
    oism_worker.periodic_sent = oism_worker.periodic_failed = 0;
    // Running before the thread starts: the periodic worker begins its
    // steps itself, and a step begins only with a worker.
    oism_worker.running = true;
    if (pthread_create(&oism_worker.thread, nullptr, workerMain, nullptr) != 0) {
        oism_worker.running = false;
        oism_worker.periodic = false;
        if (ui)
            error_box(ui, "Сбой при активации соединения с ОИСМ.\nРекомендуется перезагрузить кассу.");
        sem_destroy(&oism_worker.stop_sem);
        return -1;
    }
    return 0;
}

void oism_stop(vuUI *ui)
{
    if (!oism_worker.running) {
        oism_worker.mode = OISM_MODE_NOTIFICATIONS;
        return;
    }
    if (ui)
        message_box(ui, "ПОДОЖДИТЕ", "ПОДОЖДИТЕ ЗАВЕРШЕНИЯ ОБМЕНА С ОИСМ", MB_NOWAIT);
    sem_post(&oism_worker.stop_sem);
    pthread_join(oism_worker.thread, nullptr);
    sem_destroy(&oism_worker.stop_sem);
    oism_worker.running = false;
    oism_worker.periodic = false;
    oism_worker.stop_latched = false;
    oism_worker.mode = OISM_MODE_NOTIFICATIONS; // the worker reads it: only once it is gone
}

void oism_session_open(vuUI *ui)
{
    sessionLink = conn_open(ui);
    if (conn_is_up())
        oism_start(ui, 0, settings_oism_node());
}

void oism_session_close()
{
    oism_stop(nullptr);
    // A link that could not be brought up is torn down, not routed to.
    conn_close(sessionLink > 0 ? sessionLink : 0);
    sessionLink = 0;
}

void oism_info_append(vuObject *field, const char *line)
{
    vuViewObject *view = dynamic_cast<vuViewObject *>(field);
    vuWidget *widget = dynamic_cast<vuWidget *>(field);
    int lineHeight = widget ? vuUI::GetFontHeight(widget->GetFontIndex()) : 0;
    if (lineHeight == 0)
        lineHeight = kDefaultLineHeight;
    const int height = view ? view->GetHeight() : 0;
    info_panel_append_within(field, line, (height - 4) / lineHeight - 1);
}
