// The external-host relay's consume rules, apart from any queue, port or
// file: host bytes and the relay state go in, the actions to carry out come
// out through a RelayEffects sink. The host-mode dialog's tick carries them
// out against the controller queue, the link and "./data/graph"; the tests
// and the fuzz target record them.
#ifndef APP_COMMS_HOST_RELAY_H
#define APP_COMMS_HOST_RELAY_H

#include <cstdint>

enum : uint32_t {
    kRelayBufferSize = 4096, // host bytes not yet consumed
    kRelayReplySize = 4096,  // one whole queue message
};

enum : uint16_t {
    kRelayHostNak = 0x1500, // last_host_command after a NAK
};

struct RelayState {
    uint8_t host_buffer[kRelayBufferSize];
    uint32_t host_count;         // 0..4096
    uint16_t last_host_command;  // frame code, 0x1500 after NAK, DLE pair
    uint8_t held_reply[kRelayReplySize];
    uint32_t held_reply_len;     // 0 = none held
    uint16_t pending_work_modes; // field 1 of the host's last 0x4C
    uint8_t graph_width;         // raster bytes per row
    uint8_t graph_height;        // raster height in units of 8 rows
    uint32_t bytes_from_host;
    uint32_t bytes_to_host;
};

// Zeroes the counters, the last command, the buffer count, the held reply
// and the raster size (what the dialog resets when it starts).
void relay_reset(RelayState &state);

class RelayEffects;

// A client ended, failed or was replaced: what it left behind (bytes of an
// unfinished frame, its last command, the reply held for it, a raster
// under way and its partial file) is dropped, so the next client starts
// clean. The counters and the work modes asked for stay.
void relay_end_client(RelayState &state, RelayEffects &fx);

// What the rules ask of the world. Results are the callee's, as stated.
class RelayEffects {
public:
    virtual ~RelayEffects() = default;
    virtual void keep_awake() {}
    // Request frame or short command to the controller (ServiceSendFrame).
    virtual int send_frame(const uint8_t *data, uint32_t len) = 0;
    // Command 0x1D run and awaited (5000 ms); its outcome is not looked at.
    virtual void execute_1d() = 0;
    // Command 0x1D sent without awaiting its reply.
    virtual void send_1d() = 0;
    virtual uint16_t work_modes() = 0;
    virtual void set_work_modes(uint16_t value) = 0;
    // Raw print (10000 ms): 0 printed, else the failure.
    virtual int print_raw(const uint8_t *data, uint32_t len) = 0;
    // The first two words of the last status block.
    virtual void last_status(int32_t *printer_state, int32_t *print_error) = 0;
    // Bytes to the host: 0 all sent, else the failure.
    virtual int send_host(const uint8_t *data, uint32_t len) = 0;
    // The raster file: its size (0 when absent); a write of len bytes,
    // appending or creating it afresh, giving the bytes written or -1 when
    // it could not be opened; deletion; conversion to the installed picture.
    virtual uint32_t graph_size() = 0;
    virtual int graph_write(const uint8_t *data, uint32_t len, bool append) = 0;
    virtual void graph_delete() = 0;
    virtual void graph_done(uint8_t width, uint8_t height) = 0;
    // One line of the dialog's log (text in the program's code page).
    virtual void log(const char *text) = 0;
};

// Command code of a frame: for len > 2 the code of the frame TMCommand
// accepts (-1 when it is none), for shorter ones (byte 0 << 8) | byte 1.
int frame_command_code(const uint8_t *frame, uint32_t len);

// Rebuilds the four checksum characters at the end of a frame of len bytes
// (len >= 4).
void relay_rebuild_sum(uint8_t *frame, uint32_t len);

// One controller reply of n bytes (n > 0) on its way to the host: counts
// it, drops a 0x1D the relay asked for itself, rewrites and holds a 0x70,
// takes the host's work modes on a good 0x4C, sends and logs. The buffer
// may be rewritten in place.
void relay_take_reply(RelayState &state, RelayEffects &fx, uint8_t *reply, uint32_t n);

// Appends up to n host bytes to the buffer (as many as fit); returns how
// many went in. For callers that do not read into the buffer directly.
uint32_t relay_append(RelayState &state, const uint8_t *data, uint32_t n);

// Consumes the buffer from its front by the rules until it is empty or a
// rule waits for more bytes.
void relay_consume(RelayState &state, RelayEffects &fx);

#endif
