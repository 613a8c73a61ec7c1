// Arbitrary bytes as a server's answer: a loopback peer thread answers the
// exchange's request with them and closes; the OFD worker's receive reads
// the same bytes from a socket pair; what it got goes into the drive's
// answer command as the dialog would send it. The bytes also stand for a
// controller reply (a container from it) and for a document (its FFD scan).
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "ServerAnswer.h"
#include "kfn_state.h"
#include "ofd_worker.h"
#include "server_link.h"

namespace {

int g_listener = -1;
uint16_t g_port = 0;
std::string g_answer;

// Accepts one connection per turn, reads the request, writes the answer and
// closes.
void *peer(void *)
{
    for (;;) {
        int c = accept(g_listener, nullptr, nullptr);
        if (c < 0)
            continue;
        uint8_t buf[512];
        // the request: header and a small body
        size_t got = 0;
        while (got < 34) {
            pollfd p = {c, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0)
                break;
            ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        send(c, g_answer.data(), g_answer.size(), MSG_NOSIGNAL);
        shutdown(c, SHUT_WR);
        close(c);
    }
    return nullptr;
}

void setUp()
{
    g_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(g_listener, reinterpret_cast<sockaddr *>(&a), sizeof a);
    listen(g_listener, 4);
    getsockname(g_listener, reinterpret_cast<sockaddr *>(&a), &len);
    g_port = ntohs(a.sin_port);
    pthread_t t;
    pthread_create(&t, nullptr, peer, nullptr);
    pthread_detach(t);
    strcpy(kfn_state.fn_number, "9999078900012345");
    kfn_state.ffd_version = 2; // known: no controller is asked
}

void exchange(const uint8_t *data, size_t n)
{
    g_answer.assign(reinterpret_cast<const char *>(data), n);
    server_link link;
    server_link_init(&link, "127.0.0.1", g_port, 300);
    exchange_container *c = static_cast<exchange_container *>(calloc(1, sizeof(exchange_container)));
    container_make_header(c->header, CONTAINER_OFD, 2, kfn_fn_number(), 4);
    c->body = static_cast<uint8_t *>(calloc(4, 1));
    int r = server_exchange(nullptr, c, &link, "");
    if (r > 0 && c->body) {
        volatile uint8_t sum = 0;
        for (int i = 0; i < r; ++i)
            sum = static_cast<uint8_t>(sum + c->body[i]);
    }
    container_free(c);
    net_close(&link);
}

void workerReceive(const uint8_t *data, size_t n)
{
    static uint8_t body[65536];
    uint32_t length = 0;
    if (!ReceiveAnswer(data, n, ofd_recv, container_header_length, body, &length))
        return;
    TMCommand cmd;
    if (length)
        cmd.FNReadScript(body, static_cast<int>(length));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = (setUp(), true);
    (void)ready;
    if (size > 70000)
        return 0;
    exchange(data, size);
    workerReceive(data, size);
    ReplyAsContainer(data, size);
    ofd_ffd_from_container(data, static_cast<uint32_t>(size));
    return 0;
}
