// Arbitrary host bytes in arbitrary splits through the relay's consume rules,
// with controller replies in between. Input: a 4-byte preamble (starting
// command, work modes, write limit, a flag set), then chunks of one length
// byte and its data; a length byte with the top bit set makes the chunk a
// controller reply instead, an empty host chunk ends the client (the next
// one starts clean).
#include "host_relay.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Sink : RelayEffects {
    std::vector<uint8_t> graph;
    uint16_t modes = 0;
    int write_limit = 0;
    int32_t state = 0;

    static void touch(const uint8_t *d, uint32_t n)
    {
        volatile uint8_t x = 0;
        for (uint32_t i = 0; i < n; ++i)
            x ^= d[i];
        (void)x;
    }
    int send_frame(const uint8_t *d, uint32_t n) override
    {
        if (n == 0 || n > kRelayBufferSize)
            abort();
        touch(d, n);
        return 0;
    }
    void execute_1d() override {}
    void send_1d() override {}
    uint16_t work_modes() override { return modes; }
    void set_work_modes(uint16_t v) override { modes = v; }
    int print_raw(const uint8_t *d, uint32_t n) override
    {
        if (n == 0 || n > kRelayBufferSize)
            abort();
        touch(d, n);
        return state & 1 ? -1 : 0;
    }
    void last_status(int32_t *s, int32_t *e) override
    {
        *s = state & 3;
        *e = state & 4;
    }
    int send_host(const uint8_t *d, uint32_t n) override
    {
        if (n > kRelayReplySize)
            abort();
        touch(d, n);
        return 0;
    }
    uint32_t graph_size() override { return uint32_t(graph.size()); }
    int graph_write(const uint8_t *d, uint32_t n, bool append) override
    {
        if (write_limit == 0)
            return -1;
        if (!append)
            graph.clear();
        uint32_t w = n < uint32_t(write_limit) ? n : uint32_t(write_limit);
        graph.insert(graph.end(), d, d + w);
        return int(w);
    }
    void graph_delete() override { graph.clear(); }
    void graph_done(uint8_t, uint8_t) override { graph.clear(); }
    void log(const char *t) override { touch(reinterpret_cast<const uint8_t *>(t), uint32_t(strlen(t))); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    static RelayState st;
    relay_reset(st);
    Sink fx;
    const uint16_t starts[] = {0, 0x4F, 0x70, 0x1D, kRelayHostNak};
    st.last_host_command = starts[data[0] % 5];
    fx.modes = data[1];
    fx.write_limit = data[2] % 9;
    fx.state = data[3];
    if (st.last_host_command == 0x4F) {
        st.graph_width = uint8_t(1 + data[2] % 4);
        st.graph_height = uint8_t(1 + data[3] % 3);
    }
    size_t pos = 4;
    std::vector<uint8_t> chunk;
    while (pos < size) {
        uint8_t head = data[pos++];
        size_t len = head & 0x7F;
        // A long chunk: the next byte scales it, so full buffers are reached.
        if (len == 0x7F && pos < size)
            len = size_t(data[pos++]) * 32;
        if (len > size - pos)
            len = size - pos;
        chunk.assign(data + pos, data + pos + len);
        pos += len;
        if (head & 0x80) {
            // A reply is one queue message: the caller's buffer holds no more.
            if (chunk.size() > kRelayReplySize)
                chunk.resize(kRelayReplySize);
            if (!chunk.empty())
                relay_take_reply(st, fx, chunk.data(), uint32_t(chunk.size()));
        } else if (chunk.empty()) {
            relay_end_client(st, fx);
            if (st.host_count || st.held_reply_len || st.graph_width || st.graph_height || st.last_host_command)
                abort();
        } else {
            if (st.host_count > 4095)
                st.host_count = 0;
            relay_append(st, chunk.data(), uint32_t(chunk.size()));
            relay_consume(st, fx);
        }
        if (st.host_count > kRelayBufferSize || st.held_reply_len > kRelayReplySize)
            abort();
    }
    return 0;
}
