#include "ofd_worker.h"

#include "conn_record.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "str_helpers.h"
#include "TMCommand.h"
#include "ui_values.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "server_link.h"

ofd_worker_record ofd_worker = {};

namespace {

const int kIdleSleepMs = 200;
const int kConnectPollMs = 500;
const int kUnreachableTries = 3;
const int kUnreachablePauseMs = 500;
const int kIoPollMs = 100;

void workerText(const char *text)
{
    str_copy(ofd_worker.error_text, text, sizeof ofd_worker.error_text);
}

// An error, hang-up or bad descriptor on the socket (a 0 ms look). Unlike
// net_wait it leaves the socket open: the worker closes it in its own state.
bool socketBroken(int sock, short events)
{
    if (sock < 0)
        return true;
    pollfd p = {sock, events, 0};
    int r = poll(&p, 1, 0);
    return r < 0 || (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)));
}

void waitFor(int sock, short events, int ms)
{
    pollfd p = {sock, events, 0};
    poll(&p, 1, ms);
}

void closeSocket()
{
    if (ofd_worker.socket >= 0) {
        shutdown(ofd_worker.socket, SHUT_RDWR);
        close(ofd_worker.socket);
    }
    ofd_worker.socket = -1;
}

// The host's first IPv4 address in network order, or 0: dotted text as it
// stands, else the hosts table or the system resolver.
uint32_t resolve(const char *host)
{
    in_addr a;
    if (inet_aton(host, &a))
        return a.s_addr;
    const hostent *h = hosts_resolve(host);
    if (!h || h->h_addrtype != AF_INET || h->h_length != 4 || !h->h_addr_list || !h->h_addr_list[0])
        return 0;
    uint32_t out;
    memcpy(&out, h->h_addr_list[0], 4);
    return out;
}

void *workerMain(void *)
{
    ofd_worker.socket = -1;
    while (!ofd_stop_requested()) {
        switch (ofd_worker.state.load(std::memory_order_acquire)) {
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
    closeSocket();
    return nullptr;
}

void settingSeconds(mxml_node_t *section, const char *name, int *ms)
{
    const char *v = section ? mxmlElementGetAttr(section, name) : nullptr;
    if (v && *v)
        *ms = static_cast<int>(parse_number(v)) * 1000;
}

bool paramsComplete()
{
    return ofd_worker.host[0] && ofd_worker.port && ofd_worker.send_ms && ofd_worker.recv_ms && ofd_worker.period_ms;
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
    const uint32_t address = resolve(host);
    if (!address) {
        str_format(ofd_worker.error_text, sizeof ofd_worker.error_text, "СБОЙ ПОЛУЧЕНИЯ АДР. ХОСТА '%s'", host);
        return -1;
    }
    int sock = net_open_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock < 0) {
        str_format(ofd_worker.error_text, sizeof ofd_worker.error_text, "СОЗДАНИЯ СОКЕТА %i (socket)", errno);
        return -1;
    }
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    const uint32_t start = OsGetTickCount();
    int status = EINPROGRESS;
    int unreachable = 0;
    bool connectNow = true;
    for (;;) {
        if (ofd_stop_requested()) {
            workerText("ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (connect)");
            close(sock);
            return -1;
        }
        if (connectNow) {
            connectNow = false;
            status = connect(sock, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0 ? 0 : errno;
        } else {
            pollfd p = {sock, POLLOUT, 0};
            // Writable, error or hang-up: the socket's own status tells which
            // (a refused connect stays "refused", not a time-out).
            if (poll(&p, 1, kConnectPollMs) > 0) {
                int err = 0;
                socklen_t len = sizeof err;
                status = getsockopt(sock, SOL_SOCKET, SO_ERROR, &err, &len) == 0 ? err : errno;
            }
        }
        if (status == EHOSTUNREACH) {
            if (++unreachable >= kUnreachableTries)
                break;
            OsSleep(kUnreachablePauseMs);
            connectNow = true;
            continue;
        }
        if (status != 0 && OsGetTickCount() - start > static_cast<uint32_t>(wait_ms))
            status = ETIME;
        if (status != EINPROGRESS)
            break;
    }
    if (status == 0)
        return sock;
    close(sock);
    str_format(ofd_worker.error_text, sizeof ofd_worker.error_text, "СОЕДИНЕНИЯ С СЕРВЕРОМ %i (connect)", status);
    return -1;
}

int ofd_send(int sock, const uint8_t *data, uint32_t n, int wait_ms)
{
    uint32_t sent = 0;
    uint32_t last = OsGetTickCount();
    while (sent < n) {
        if (socketBroken(sock, POLLOUT)) {
            workerText("СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ ИЛИ ПОТЕРЯНО");
            return -1;
        }
        ssize_t r = send(sock, data + sent, n - sent, MSG_NOSIGNAL);
        if (r > 0) {
            sent += static_cast<uint32_t>(r);
            last = OsGetTickCount();
            continue;
        }
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            str_format(ofd_worker.error_text, sizeof ofd_worker.error_text, "ОТПРАВКИ ДАННЫХ %i (send)", errno);
            return -1;
        }
        if (ofd_stop_requested()) {
            workerText("ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (send)");
            return -1;
        }
        if (wait_ms != 0 && OsGetTickCount() - last > static_cast<uint32_t>(wait_ms)) {
            workerText("ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА");
            return -1;
        }
        waitFor(sock, POLLOUT, kIoPollMs);
    }
    return static_cast<int>(n);
}

int ofd_recv(int sock, uint8_t *buffer, uint32_t n, int wait_ms)
{
    uint32_t got = 0;
    uint32_t last = OsGetTickCount();
    while (got < n) {
        if (socketBroken(sock, POLLIN)) {
            workerText("СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ ИЛИ ПОТЕРЯНО");
            return -1;
        }
        if (ofd_stop_requested()) {
            workerText("ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (recv)");
            return -1;
        }
        ssize_t r = recv(sock, buffer + got, 1, MSG_DONTWAIT);
        if (r == 1) {
            ++got;
            last = OsGetTickCount();
            continue;
        }
        if (r == 0) {
            workerText("СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ");
            return 0;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            str_format(ofd_worker.error_text, sizeof ofd_worker.error_text, "ПОЛУЧЕНИЯ ОТВЕТА %i (recv)", errno);
            return -1;
        }
        if (OsGetTickCount() - last > static_cast<uint32_t>(wait_ms)) {
            workerText("ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА");
            return -1;
        }
        waitFor(sock, POLLIN, kIoPollMs);
    }
    return 1;
}

int ofd_load_params(vuUI *ui, mxml_node_t *section)
{
    if (paramsComplete())
        return 0;
    TMCommand cmd;
    if (cmd.OFDGetParam() <= 0) {
        if (ui)
            message_box(ui, "ОШИБКА", "Ошибка создания команды OFDGetParam.", MB_OK | MB_ALERT);
    } else if (kfn_exec(ui, &cmd, 5000) == 0) {
        char host[256];
        if (cmd.FieldText1251(9, host, sizeof host) >= 0)
            str_copy(ofd_worker.host, host, sizeof ofd_worker.host);
        ofd_worker.port = cmd.FieldWord(5);
        ofd_worker.period_ms = cmd.FieldWord(6) * 1000;
        ofd_worker.recv_ms = cmd.FieldWord(7) * 1000;
        ofd_worker.send_ms = cmd.FieldWord(8) * 1000;
    }
    if (section) {
        settingSeconds(section, "period", &ofd_worker.period_ms);
        settingSeconds(section, "sendtime", &ofd_worker.send_ms);
        settingSeconds(section, "recvtime", &ofd_worker.recv_ms);
        const char *port = mxmlElementGetAttr(section, "port");
        if (port && *port)
            ofd_worker.port = static_cast<uint16_t>(parse_number(port));
        const char *host = mxmlElementGetAttr(section, "host");
        if (host && *host)
            str_copy(ofd_worker.host, host, sizeof ofd_worker.host);
    }
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
    (void)periodic; // nothing starts the periodic mode
    if (ofd_worker.running)
        return 0;
    if (ofd_load_params(ui, section) != 0) {
        if (ui)
            message_box(ui, "ОШИБКА", "Соединение с ОФД не настроено.\nОшибка в параметрах.", MB_OK | MB_ALERT);
        return -1;
    }
    ofd_worker.stop_latched = false;
    sem_init(&ofd_worker.stop_sem, 0, 0);
    ofd_worker.socket = -1;
    ofd_worker.result = 0;
    ofd_worker.error_text[0] = '\0';
    ofd_worker.state.store(OFD_IDLE, std::memory_order_release);
    if (pthread_create(&ofd_worker.thread, nullptr, workerMain, nullptr) != 0) {
        if (ui)
            message_box(ui, "ОШИБКА", "Сбой при активации соединения с ОФД.\nРекомендуется перезагрузить кассу.",
                    MB_OK | MB_ALERT);
        sem_destroy(&ofd_worker.stop_sem);
        return -1;
    }
    ofd_worker.running = true;
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
    ofd_worker.stop_latched = false;
}
