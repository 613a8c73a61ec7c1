#include "exchange_io.h"

#include "conn_record.h"
#include "osal.h"
#include "server_link.h"
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

namespace {

const size_t kTextSize = 256;
const int kUnreachableTries = 3;
const int kUnreachablePauseMs = 500;
const int kIoPollMs = 100;

void text(const exchange_io &io, const char *t)
{
    str_copy(io.error_text, t, kTextSize);
}

// An error, hang-up or bad descriptor on the socket (a 0 ms look). It
// leaves the socket open: the worker closes it in its own state.
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

void settingSeconds(mxml_node_t *section, const char *name, int *ms)
{
    const char *v = mxmlElementGetAttr(section, name);
    if (v && *v)
        *ms = static_cast<int>(parse_number(v)) * 1000;
}

} // namespace

uint32_t exchange_resolve(const char *host)
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

int exchange_connect(const exchange_io &io, const char *host, uint16_t port, int wait_ms)
{
    const uint32_t address = exchange_resolve(host);
    if (!address) {
        str_format(io.error_text, kTextSize, "СБОЙ ПОЛУЧЕНИЯ АДР. ХОСТА '%s'", host);
        return -1;
    }
    int sock = net_open_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (sock < 0) {
        str_format(io.error_text, kTextSize, "СОЗДАНИЯ СОКЕТА %i (socket)", errno);
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
        if (io.stop_requested()) {
            text(io, "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (connect)");
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
            if (poll(&p, 1, io.connect_poll_ms) > 0) {
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
    str_format(io.error_text, kTextSize, "СОЕДИНЕНИЯ С СЕРВЕРОМ %i (connect)", status);
    return -1;
}

int exchange_send(const exchange_io &io, int sock, const uint8_t *data, uint32_t n, int wait_ms)
{
    uint32_t sent = 0;
    uint32_t last = OsGetTickCount();
    while (sent < n) {
        if (socketBroken(sock, POLLOUT)) {
            text(io, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ ИЛИ ПОТЕРЯНО");
            return -1;
        }
        ssize_t r = send(sock, data + sent, n - sent, MSG_NOSIGNAL);
        if (r > 0) {
            sent += static_cast<uint32_t>(r);
            last = OsGetTickCount();
            continue;
        }
        if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            str_format(io.error_text, kTextSize, "ОТПРАВКИ ДАННЫХ %i (send)", errno);
            return -1;
        }
        if (io.stop_requested()) {
            text(io, "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (send)");
            return -1;
        }
        if (wait_ms != 0 && OsGetTickCount() - last > static_cast<uint32_t>(wait_ms)) {
            text(io, "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА");
            return -1;
        }
        waitFor(sock, POLLOUT, kIoPollMs);
    }
    return static_cast<int>(n);
}

void exchange_stopped_before(const exchange_io &io, const char *step)
{
    str_format(io.error_text, kTextSize, "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (%s)", step);
}

int exchange_recv(const exchange_io &io, int sock, uint8_t *buffer, uint32_t n, int wait_ms)
{
    uint32_t got = 0;
    uint32_t last = OsGetTickCount();
    while (got < n) {
        if (socketBroken(sock, POLLIN)) {
            text(io, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ ИЛИ ПОТЕРЯНО");
            return -1;
        }
        if (io.stop_requested()) {
            text(io, "ПРЕРВАНО ПОЛЬЗОВАТЕЛЕМ (recv)");
            return -1;
        }
        ssize_t r = recv(sock, buffer + got, 1, MSG_DONTWAIT);
        if (r == 1) {
            ++got;
            last = OsGetTickCount();
            continue;
        }
        if (r == 0) {
            text(io, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ");
            return 0;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            str_format(io.error_text, kTextSize, "ПОЛУЧЕНИЯ ОТВЕТА %i (recv)", errno);
            return -1;
        }
        if (OsGetTickCount() - last > static_cast<uint32_t>(wait_ms)) {
            text(io, "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА");
            return -1;
        }
        waitFor(sock, POLLIN, kIoPollMs);
    }
    return 1;
}

bool exchange_params_complete(const exchange_params &p)
{
    return p.host[0] && *p.port && *p.send_ms && *p.recv_ms && *p.period_ms;
}

void exchange_params_from_reply(const exchange_params &p, TMCommand &reply)
{
    char host[256];
    if (reply.FieldText1251(9, host, sizeof host) >= 0)
        str_copy(p.host, host, kTextSize);
    *p.port = reply.FieldWord(5);
    *p.period_ms = reply.FieldWord(6) * 1000;
    *p.recv_ms = reply.FieldWord(7) * 1000;
    *p.send_ms = reply.FieldWord(8) * 1000;
}

void exchange_params_from_section(const exchange_params &p, mxml_node_t *section)
{
    if (!section)
        return;
    settingSeconds(section, "period", p.period_ms);
    settingSeconds(section, "sendtime", p.send_ms);
    settingSeconds(section, "recvtime", p.recv_ms);
    const char *port = mxmlElementGetAttr(section, "port");
    if (port && *port)
        *p.port = static_cast<uint16_t>(parse_number(port));
    const char *host = mxmlElementGetAttr(section, "host");
    if (host && *host)
        str_copy(p.host, host, kTextSize);
}
