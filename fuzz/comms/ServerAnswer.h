// What the comms fuzz targets do alike with the bytes as a server's answer:
// a worker's receive reads them from a socket pair, and they also stand for
// a controller reply turned into a container. Header only.
#ifndef FUZZ_COMMS_SERVER_ANSWER_H
#define FUZZ_COMMS_SERVER_ANSWER_H

#include <stddef.h>
#include <stdint.h>

#include <sys/socket.h>
#include <unistd.h>

#include "TMCommand.h"
#include "exchange_container.h"

// The bytes written into a socket pair whose writing end is then closed;
// the worker's receive (`receive`, as ofd_recv) takes the container header,
// then the body of the length `bodyLength` reads from it into `body`.
// *length gets the body's length, 0 when the header or the whole body did
// not come; false when there was no socket pair.
template <typename Receive, typename BodyLength, size_t N>
bool ReceiveAnswer(const uint8_t *data, size_t n, Receive receive, BodyLength bodyLength, uint8_t (&body)[N],
                   uint32_t *length)
{
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, sv) != 0)
        return false;
    // a socket pair holds far more than an answer of the fuzzer's size
    send(sv[1], data, n, MSG_NOSIGNAL);
    close(sv[1]);
    uint8_t header[CONTAINER_HEADER_SIZE];
    *length = 0;
    if (receive(sv[0], header, CONTAINER_HEADER_SIZE, 50) == 1) {
        *length = bodyLength(header);
        if (*length > N || (*length && receive(sv[0], body, *length, 50) != 1))
            *length = 0;
    }
    close(sv[0]);
    return true;
}

// The bytes as a controller reply: accepted, turned into a container.
inline void ReplyAsContainer(const uint8_t *data, size_t n)
{
    TMCommand reply;
    if (reply.Accept(data, static_cast<uint32_t>(n)) > 0) {
        exchange_container *c = container_from_reply(&reply);
        container_free(c);
    }
}

#endif
