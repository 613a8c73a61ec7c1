#include "host_relay.h"

#include "TMCommand.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const uint8_t kStx = 0x02, kEtx = 0x03, kDle = 0x10, kNak = 0x15, kEsc = 0x1B, kFs = 0x1C;

void logf(RelayEffects &fx, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
void logf(RelayEffects &fx, const char *fmt, ...)
{
    char line[256];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    fx.log(line);
}

void drop_front(RelayState &s, uint32_t n)
{
    if (n >= s.host_count) {
        s.host_count = 0;
        return;
    }
    memmove(s.host_buffer, s.host_buffer + n, s.host_count - n);
    s.host_count -= n;
}

// Puts the hex of code into the held reply's result characters (bytes 13
// and 14) and mends its checksum; only a reply long enough to carry them
// and its sum is touched.
void mark_held_reply(RelayState &s, uint8_t code)
{
    if (s.held_reply_len <= 15)
        return;
    char hex[2];
    BytesToHex(&code, 1, hex);
    s.held_reply[13] = static_cast<uint8_t>(hex[0]);
    s.held_reply[14] = static_cast<uint8_t>(hex[1]);
    relay_rebuild_sum(s.held_reply, s.held_reply_len);
}

// Raster download: false when the rule does not apply.
bool take_raster(RelayState &s, RelayEffects &fx)
{
    if (s.last_host_command != 0x4F || s.graph_width == 0 || s.graph_height == 0)
        return false;
    uint32_t total = uint32_t(s.graph_width) * s.graph_height * 8;
    uint32_t size = fx.graph_size();
    uint32_t want = size < total ? total - size : 0;
    if (want > s.host_count)
        want = s.host_count;
    int written = want ? fx.graph_write(s.host_buffer, want, size > 0) : 0;
    if (written >= 1) {
        if (uint32_t(written) > want)
            written = int(want);
        if (size + uint32_t(written) >= total) {
            if (s.held_reply_len > 7)
                fx.send_host(s.held_reply, s.held_reply_len);
            s.held_reply_len = 0;
            fx.graph_done(s.graph_width, s.graph_height);
            logf(fx, "Уст. граф.заголовок %ux%u", 8u * s.graph_width, 8u * s.graph_height);
            s.graph_width = s.graph_height = 0;
        }
        drop_front(s, uint32_t(written));
        return true;
    }
    logf(fx, "Сбой %i граф.заголовок", written);
    if (s.held_reply_len > 15) {
        mark_held_reply(s, 0x02);
        fx.send_host(s.held_reply, s.held_reply_len);
    }
    s.held_reply_len = 0;
    s.graph_width = s.graph_height = 0;
    return true;
}

// A whole frame of len bytes at the buffer's front, its password checked.
void take_frame(RelayState &s, RelayEffects &fx, uint32_t len)
{
    const uint8_t *frame = s.host_buffer;
    uint8_t code = 0;
    // A frame too short to carry its code counts as code 0; the controller
    // rejects it.
    if (len >= 8)
        HexToBytes(reinterpret_cast<const char *>(frame + 6), 2, &code);
    s.last_host_command = code;
    logf(fx, "Норм. команда: %02X", code);
    if (code == 0x70 && (fx.work_modes() & 0x10))
        fx.execute_1d();
    if (code == 0x4F) {
        TMCommand cmd;
        if (cmd.Accept(frame, len) > 0) {
            s.graph_width = cmd.FieldByte(2);
            s.graph_height = cmd.FieldByte(3);
        }
        uint8_t *req = s.held_reply;
        req[0] = kStx;
        memcpy(req + 1, "KVMZ", 4);
        req[5] = frame[5];
        req[6] = '7';
        req[7] = '0';
        req[8] = kFs;
        req[9] = kEtx;
        relay_rebuild_sum(req, 14);
        fx.keep_awake();
        fx.send_frame(req, 14);
        s.held_reply_len = 0;
        fx.graph_delete();
    } else {
        fx.keep_awake();
        fx.send_frame(frame, len);
        if (code == 0x4C) {
            TMCommand cmd;
            if (cmd.Accept(frame, len) > 0)
                s.pending_work_modes = cmd.FieldWord(1);
        }
    }
    drop_front(s, len);
}

// Raw print data while the host's last command is 0x70. False = wait.
bool take_raw(RelayState &s, RelayEffects &fx)
{
    if (s.host_count < 2)
        return false;
    uint32_t j = 0;
    bool found = false;
    for (; j + 1 < s.host_count; ++j) {
        if (s.host_buffer[j] == kEsc && s.host_buffer[j + 1] == kEsc) {
            found = true;
            break;
        }
    }
    if (found) {
        if (j > 0) {
            int r = fx.print_raw(s.host_buffer, j);
            if (s.held_reply_len) {
                int32_t state = 0, error = 0;
                fx.last_status(&state, &error);
                if (state || error)
                    mark_held_reply(s, state == 2 ? 0x19 : 0x28);
                fx.send_host(s.held_reply, s.held_reply_len);
                s.held_reply_len = 0;
            }
            if (r)
                logf(fx, "Ошибка печати: %i", r);
        }
        drop_front(s, j + 2);
        if (!(fx.work_modes() & 0x10)) {
            fx.keep_awake();
            fx.send_1d();
        }
        return true;
    }
    if (s.host_count == kRelayBufferSize) {
        uint32_t n = s.host_buffer[kRelayBufferSize - 1] == kEsc ? kRelayBufferSize - 1 : kRelayBufferSize;
        int r = fx.print_raw(s.host_buffer, n);
        if (r)
            logf(fx, "Ошибка печати: %i", r);
        drop_front(s, n);
    }
    return false;
}

} // namespace

void relay_reset(RelayState &s)
{
    s.host_count = 0;
    s.last_host_command = 0;
    s.held_reply_len = 0;
    s.graph_width = s.graph_height = 0;
    s.bytes_from_host = s.bytes_to_host = 0;
}

void relay_end_client(RelayState &s, RelayEffects &fx)
{
    if (s.graph_width || s.graph_height)
        fx.graph_delete();
    s.host_count = 0;
    s.last_host_command = 0;
    s.held_reply_len = 0;
    s.graph_width = s.graph_height = 0;
}

int frame_command_code(const uint8_t *frame, uint32_t len)
{
    if (!frame)
        return -1;
    if (len <= 2)
        return len == 2 ? (frame[0] << 8) | frame[1] : len == 1 ? frame[0] << 8 : 0;
    TMCommand cmd;
    if (cmd.Accept(frame, len) < 1)
        return -1;
    return cmd.CommandCode();
}

void relay_rebuild_sum(uint8_t *frame, uint32_t len)
{
    if (len < 4)
        return;
    uint16_t sum = FrameSum16(frame, len - 4);
    uint8_t lo = uint8_t(sum & 0xFF), hi = uint8_t(sum >> 8);
    frame[len - 4] = uint8_t(HexDigit(lo, 0));
    frame[len - 3] = uint8_t(HexDigit(lo, 1));
    frame[len - 2] = uint8_t(HexDigit(hi, 0));
    frame[len - 1] = uint8_t(HexDigit(hi, 1));
}

void relay_take_reply(RelayState &s, RelayEffects &fx, uint8_t *reply, uint32_t n)
{
    if (!reply || n == 0)
        return;
    s.bytes_to_host += n;
    int code = -1;
    if (n > 7) {
        code = frame_command_code(reply, n);
        if (code == 0x1D && s.last_host_command != 0x1D)
            return;
        if (code == 0x70) {
            if (s.last_host_command == 0x4F) {
                reply[2] = '4';
                reply[3] = 'F';
                relay_rebuild_sum(reply, n);
            }
            uint32_t keep = n < kRelayReplySize ? n : kRelayReplySize;
            memcpy(s.held_reply, reply, keep);
            s.held_reply_len = keep;
        } else if (code == 0x4C) {
            TMCommand cmd;
            if (cmd.Accept(reply, n) >= 1 && cmd.ErrorCode() == 0)
                fx.set_work_modes(s.pending_work_modes);
        }
    }
    int r = fx.send_host(reply, n);
    if (r)
        logf(fx, "Сбой %i ответа на команду %02X [%uбайт]", r, code < 0 ? reply[0] : unsigned(code), n);
    else if (n < 8)
        logf(fx, "Ответ на кор. команду %02X", reply[0]);
    else
        logf(fx, "Ответ на команду %02X [%uбайт]", unsigned(code), n);
}

uint32_t relay_append(RelayState &s, const uint8_t *data, uint32_t n)
{
    if (s.host_count > kRelayBufferSize)
        s.host_count = 0;
    uint32_t room = kRelayBufferSize - s.host_count;
    if (n > room)
        n = room;
    if (n && data)
        memcpy(s.host_buffer + s.host_count, data, n);
    else
        n = 0;
    s.host_count += n;
    s.bytes_from_host += n;
    return n;
}

void relay_consume(RelayState &s, RelayEffects &fx)
{
    if (s.host_count > kRelayBufferSize)
        s.host_count = kRelayBufferSize;
    while (s.host_count > 0) {
        const uint8_t *b = s.host_buffer;
        if (take_raster(s, fx))
            continue;
        if (b[0] == kNak) {
            fx.keep_awake();
            fx.send_frame(b, 1);
            logf(fx, "Получен NAK 0x15");
            s.last_host_command = kRelayHostNak;
            drop_front(s, 1);
            continue;
        }
        if (b[0] == kDle) {
            if (s.host_count < 2)
                return;
            fx.keep_awake();
            fx.send_frame(b, 2);
            logf(fx, "Кор. команда: %02X%02X", b[0], b[1]);
            s.last_host_command = uint16_t(b[0] << 8 | b[1]);
            drop_front(s, 2);
            continue;
        }
        if (b[0] == kStx) {
            fx.keep_awake();
            if (s.host_count < 5)
                return;
            char password[4] = {0, 0, 0, 0};
            const char *current = CurrentTransferPassword();
            strncpy(password, current ? current : "", sizeof password);
            if (memcmp(b + 1, password, sizeof password) != 0) {
                drop_front(s, 1);
                continue;
            }
            uint32_t etx = 1;
            while (etx < s.host_count && b[etx] != kEtx)
                ++etx;
            if (etx >= s.host_count || etx + 5 > s.host_count)
                return;
            take_frame(s, fx, etx + 5);
            continue;
        }
        if (s.last_host_command == 0x70) {
            if (!take_raw(s, fx))
                return;
            continue;
        }
        uint32_t next = 1;
        while (next < s.host_count && b[next] != kStx && b[next] != kDle && b[next] != kNak)
            ++next;
        drop_front(s, next);
    }
}
