#include "server_link.h"

#include "info_panel.h"
#include "message_box.h"
#include "osal.h"
#include "str_helpers.h"
#include "vuForm.h"
#include "vuUI.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Pause between two connect attempts (kept within the deadline).
const int kRetryPauseMs = 150;
// Longest single wait while a send cannot go on.
const int kSendWaitMs = 100;

void setText(char *error_text, size_t size, const char *text)
{
    if (error_text && size > 0)
        str_copy(error_text, text, size);
}

// Sends all n bytes, waiting for room while the deadline lasts.
bool sendAll(server_link *link, const uint8_t *data, size_t n)
{
    size_t done = 0;
    while (done < n) {
        if (link->sock < 0)
            return false;
        ssize_t r = send(link->sock, data + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            int left = net_remaining_ms(link);
            if (left == 0)
                return false;
            int w = net_wait(link, 1, left < kSendWaitMs ? left : kSendWaitMs, nullptr, 0);
            if (w == -1 || w == -3)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

// A socket kept from an earlier exchange is reused only when the server has
// neither closed it nor left bytes in it: a writability check sees neither a
// FIN nor the stale rest of an over-long answer.
bool socketStillGood(server_link *link)
{
    if (net_wait(link, 1, 0, nullptr, 0) != 0)
        return false;
    pollfd p = {link->sock, static_cast<short>(POLLIN | POLLRDHUP), 0};
    int r = poll(&p, 1, 0);
    return r == 0;
}

int noEnd(vuEvent *, intptr_t)
{
    return 1;
}

// The stages of one exchange: a wait box (with a ui and no form) or a line
// in the form's "info" field with the form shown and redrawn.
struct Progress {
    vuUI *ui;
    vuForm *form;
    const char *title;

    void box(const char *text) const
    {
        if (ui && !form)
            message_box(ui, title, text, MB_NOWAIT);
    }
    void line(const char *text) const
    {
        if (!form)
            return;
        info_panel_append(form->GetByName("info"), text);
        if (ui) {
            ui->Show(form, noEnd);
            ui->Refresh();
        }
    }
};

int exchange(const Progress &p, exchange_container *container, server_link *link)
{
    if (!container || !link)
        return -1;
    link->start_tick = OsGetTickCount();
    p.box("Соединение с сервером...");
    // Without its server the link cannot work: end now, whatever the tick.
    if (link->port == 0 || link->timeout_ms <= 0 || link->host[0] == '\0')
        return -1;
    if (link->sock != -1 && !socketStillGood(link))
        net_close(link);
    p.line("Соединение с сервером");
    while (link->sock == -1 && net_remaining_ms(link) != 0) {
        if (server_connect(link) == 0)
            break;
        int left = net_remaining_ms(link);
        if (left > 0)
            OsSleep(left < kRetryPauseMs ? left : kRetryPauseMs);
    }
    if (link->sock == -1)
        return -1;

    p.box("Обмен с сервером...");
    p.line("Обмен с сервером");
    if (net_wait(link, 1, 0, nullptr, 0) != 0)
        return -1;
    p.line("Отправка данных на сервер");
    const uint16_t length = container_header_length(container->header);
    if (!sendAll(link, container->header, CONTAINER_HEADER_SIZE))
        return -1;
    if (length > 0 && (!container->body || !sendAll(link, container->body, length)))
        return -1;
    char text[64];
    str_format(text, sizeof text, "Отправлено: %d байт", static_cast<int>(length));
    p.line(text);

    p.line("Ожидание ответа сервера");
    if (net_recv_until(link->sock, net_remaining_ms(link), container->header, CONTAINER_HEADER_SIZE) <
        static_cast<int>(CONTAINER_HEADER_SIZE))
        return -1;
    p.line("Получение данных от сервера");
    const uint16_t answer = container_header_length(container->header);
    free(container->body);
    container->body = nullptr;
    if (answer > 0) {
        container->body = static_cast<uint8_t *>(calloc(answer, 1));
        if (!container->body)
            return -1;
        if (net_recv_until(link->sock, net_remaining_ms(link), container->body, answer) < answer)
            return -1;
    }
    p.box("Ответ получен");
    str_format(text, sizeof text, "Получено: %d байт", static_cast<int>(answer));
    p.line(text);
    return answer;
}

} // namespace

void server_link_init(server_link *link, const char *host, uint16_t port, int timeout_ms)
{
    memset(link, 0, sizeof *link);
    link->sock = -1;
    link->port = port;
    link->timeout_ms = timeout_ms;
    str_copy(link->host, host ? host : "", sizeof link->host);
}

int net_open_socket(int family, int type, int protocol)
{
    int s = socket(family, type | SOCK_NONBLOCK, protocol);
    if (s < 0)
        return -1;
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return s;
}

void net_close(server_link *link)
{
    if (!link || link->sock == -1)
        return;
    shutdown(link->sock, SHUT_RDWR);
    close(link->sock);
    link->sock = -1;
}

int net_wait(server_link *link, int want_write, int wait_ms, char *error_text, size_t size)
{
    pollfd p = {link->sock, static_cast<short>(want_write ? POLLOUT : POLLIN), 0};
    int r = poll(&p, 1, wait_ms < 0 ? 0 : wait_ms);
    if (r < 0) {
        if (error_text && size > 0)
            str_format(error_text, size, "СБОЙ poll\nerror code %i", errno);
        return -1;
    }
    if (r == 0) {
        if (wait_ms != 0) {
            setText(error_text, size, "ПРЕВЫШЕН ТАЙМАУТ ОЖИДАНИЯ ОТВЕТА СЕРВЕРА");
            return -2;
        }
        return 0;
    }
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
        net_close(link);
        setText(error_text, size, "СОЕДИНЕНИЕ РАЗОРВАНО СЕРВЕРОМ");
        return -3;
    }
    return 0;
}

int net_remaining_ms(const server_link *link)
{
    const uint32_t elapsed = OsGetTickCount() - link->start_tick;
    const uint32_t timeout = link->timeout_ms > 0 ? static_cast<uint32_t>(link->timeout_ms) : 0;
    if (elapsed > timeout)
        return 0;
    if (elapsed == timeout)
        return 1;
    return static_cast<int>(timeout - elapsed);
}

int net_recv_until(int sock, int wait_ms, uint8_t *buffer, int n)
{
    if (sock == -1)
        return 0;
    const uint32_t start = OsGetTickCount();
    const uint32_t limit = wait_ms > 0 ? static_cast<uint32_t>(wait_ms) : 0;
    int got = 0;
    do {
        ssize_t r = recv(sock, buffer + got, static_cast<size_t>(n - got), MSG_DONTWAIT);
        if (r == 0)
            break;
        if (r > 0) {
            got += static_cast<int>(r);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            OsSleep(10);
        } else {
            return got == 0 ? -1 : got;
        }
    } while (OsGetTickCount() - start <= limit && got < n);
    return got;
}

int server_connect(server_link *link)
{
    if (link->port == 0 || link->timeout_ms == 0 || link->host[0] == '\0') {
        link->start_tick = 0;
        return -1;
    }
    link->sock = net_open_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (link->sock == -1)
        return -1;
    if (link->address == 0) {
        addrinfo hints;
        memset(&hints, 0, sizeof hints);
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo *found = nullptr;
        if (getaddrinfo(link->host, nullptr, &hints, &found) == 0 && found && found->ai_family == AF_INET &&
            found->ai_addrlen >= sizeof(sockaddr_in))
            link->address = reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
        if (found)
            freeaddrinfo(found);
        if (link->address == 0) {
            net_close(link);
            return -1;
        }
    }
    sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(link->port);
    to.sin_addr.s_addr = link->address;
    int r = 0;
    if (connect(link->sock, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        if (errno == EINPROGRESS || errno == EAGAIN) {
            r = net_wait(link, 1, net_remaining_ms(link), nullptr, 0);
            if (r == 0) {
                // Writable is not yet connected: ask the socket itself.
                int err = 0;
                socklen_t len = sizeof err;
                sockaddr_in peer;
                socklen_t plen = sizeof peer;
                if (getsockopt(link->sock, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                    r = errno;
                else if (err != 0)
                    r = err;
                else if (getpeername(link->sock, reinterpret_cast<sockaddr *>(&peer), &plen) != 0)
                    r = -2;
            }
        } else {
            r = errno;
        }
    }
    if (r != 0)
        net_close(link);
    return r;
}

int server_exchange(vuUI *ui, exchange_container *container, server_link *link, const char *title)
{
    Progress p = {ui, nullptr, title ? title : ""};
    return exchange(p, container, link);
}

int server_exchange_progress(vuUI *ui, vuForm *form, exchange_container *container, server_link *link)
{
    Progress p = {ui, form, ""};
    return exchange(p, container, link);
}
