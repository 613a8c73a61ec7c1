#include "ext_link.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "bt_link.h"
#include "conn_api.h"
#include "conn_record.h"
#include "osal.h"
#include "str_helpers.h"

ExtLinkKind ext_link_kind = EXT_LINK_USB;
int ext_port = 4000;
int ext_listen_socket = -1;
int ext_client_socket = -1;

namespace {

const int kUsbPort = 11;
const char kUsbAttr[] = "%s,8,n,1";
const int kSockSendWaitMs = 2000;

uint32_t elapsedSince(uint32_t start) { return OsGetTickCount() - start; }

} // namespace

bool ext_link_is_tcp(ExtLinkKind kind) { return kind == EXT_LINK_WIFI || kind == EXT_LINK_BT_PAN; }

int link_open_port()
{
    if (ext_link_kind == EXT_LINK_BT_SPP)
        return bt_com_open();
    char attr[32];
    str_format(attr, sizeof attr, kUsbAttr, "57600");
    return OsPortOpen(kUsbPort, attr);
}

int link_close_port()
{
    int r = ext_link_kind == EXT_LINK_BT_SPP ? bt_com_close() : OsPortClose(kUsbPort);
    if (ext_link_is_tcp(ext_link_kind))
        conn_disconnect();
    return r;
}

int link_send(const void *data, int len)
{
    switch (ext_link_kind) {
    case EXT_LINK_USB:
        return OsPortSend(kUsbPort, data, len);
    case EXT_LINK_WIFI:
    case EXT_LINK_BT_PAN:
        return ext_client_socket < 0 ? -1 : link_sock_send(ext_client_socket, data, len);
    case EXT_LINK_BT_SPP:
        return link_fd_write(bt_com_fd.load(), data, len);
    default:
        return -1;
    }
}

int link_receive(void *buf, int max, int timeout_ms)
{
    switch (ext_link_kind) {
    case EXT_LINK_USB:
        return OsPortRecv(kUsbPort, buf, max, timeout_ms);
    case EXT_LINK_WIFI:
    case EXT_LINK_BT_PAN:
        return ext_client_socket < 0 ? -1 : link_sock_recv(ext_client_socket, buf, max, timeout_ms);
    case EXT_LINK_BT_SPP:
        return link_fd_read(bt_com_fd.load(), buf, max, timeout_ms);
    default:
        return -1;
    }
}

int link_listen(int port)
{
    const char *own = conn_ip_address();
    sockaddr_in a;
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    if (!own || inet_pton(AF_INET, own, &a.sin_addr) != 1 || a.sin_addr.s_addr == htonl(INADDR_ANY))
        return -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return -1;
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int link_accept(int listen_fd)
{
    if (listen_fd < 0 || listen(listen_fd, 1) != 0)
        return -1;
    int fd = accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return fd < 0 ? -1 : fd;
}

void link_close_fd(int fd)
{
    if (fd >= 0)
        close(fd);
}

void link_close_socket(int fd)
{
    if (fd < 0)
        return;
    shutdown(fd, SHUT_RDWR);
    close(fd);
}

int link_sock_send(int fd, const void *data, int len)
{
    if (!data || len <= 0 || fd < 0)
        return 0;
    const uint8_t *p = static_cast<const uint8_t *>(data);
    int left = len;
    uint32_t start = OsGetTickCount();
    while (left > 0) {
        ssize_t n = send(fd, p, size_t(left), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            left -= int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && elapsedSince(start) < uint32_t(kSockSendWaitMs)) {
            pollfd pfd = {fd, POLLOUT, 0};
            poll(&pfd, 1, 100);
            continue;
        }
        return -1;
    }
    return 0;
}

namespace {

// The shared loop of link_sock_recv and link_fd_read.
template <typename Read>
int pollRead(int fd, void *buf, int max, int timeout_ms, bool socket, Read readSome)
{
    if (fd < 0 || !buf || max <= 0)
        return -1;
    uint8_t *out = static_cast<uint8_t *>(buf);
    int got = 0;
    uint32_t start = OsGetTickCount();
    for (;;) {
        int waiting = 0;
        if (ioctl(fd, FIONREAD, &waiting) != 0)
            return -1;
        if (waiting > 0) {
            int want = waiting < max - got ? waiting : max - got;
            int r = readSome(out + got, want);
            if (r < 1)
                return socket ? -1 : (r < 0 ? r : got);
            got += r;
            if (got >= max)
                return got;
            continue;
        }
        if (socket && got == 0) {
            // Nothing waits: a readable socket now means its peer closed.
            uint8_t probe;
            ssize_t p = recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
            if (p == 0)
                return kLinkEnd;
        }
        if (timeout_ms <= 0 || elapsedSince(start) >= uint32_t(timeout_ms))
            return got;
        OsSleep(50);
    }
}

} // namespace

int link_sock_recv(int fd, void *buf, int max, int timeout_ms)
{
    return pollRead(fd, buf, max, timeout_ms, true, [fd](uint8_t *p, int n) {
        return int(recv(fd, p, size_t(n), MSG_DONTWAIT));
    });
}

int link_fd_write(int fd, const void *data, int len)
{
    if (!data || len <= 0)
        return 0;
    const uint8_t *p = static_cast<const uint8_t *>(data);
    int left = len;
    while (left > 0) {
        ssize_t n = write(fd, p, size_t(left));
        if (n < 0)
            break;
        p += n;
        left -= int(n);
        if (left > 0)
            OsSleep(10);
    }
    return left;
}

int link_fd_read(int fd, void *buf, int max, int timeout_ms)
{
    return pollRead(fd, buf, max, timeout_ms, false, [fd](uint8_t *p, int n) { return int(read(fd, p, size_t(n))); });
}
