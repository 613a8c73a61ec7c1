// Arbitrary bytes as the unload file read back: the walk takes every record
// length from the file and must stay within the file and its buffer. The
// input's first bytes steer the stand-in drive: how many notifications it
// says wait, and which confirmations it refuses; reads may come short.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "notification_unload.h"

namespace {

struct Input {
    const uint8_t *file;
    uint32_t size;
    uint16_t remaining;
    uint8_t refuse;   // bit i: the i-th confirmation (mod 8) is refused
    uint8_t shorten;  // reads come this many bytes short, every 8th read
    unsigned reads = 0, confirms = 0;
};

int read(void *c, uint8_t *buffer, uint32_t len, uint32_t offset)
{
    Input *in = static_cast<Input *>(c);
    if (offset > in->size)
        return -1;
    uint32_t n = std::min(len, in->size - offset);
    if (++in->reads % 8 == 0)
        n = n > in->shorten ? n - in->shorten : 0;
    memcpy(buffer, in->file + offset, n);
    return static_cast<int>(n);
}

int status(void *c, uint16_t *remaining, uint32_t *value)
{
    Input *in = static_cast<Input *>(c);
    *remaining = in->remaining;
    *value = in->confirms;
    return 0;
}

int confirm(void *c, uint32_t, uint16_t)
{
    Input *in = static_cast<Input *>(c);
    const bool refused = (in->refuse >> (in->confirms++ % 8)) & 1;
    if (!refused && in->remaining > 0)
        --in->remaining;
    return refused ? -1 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4 || size > 200000)
        return 0;
    Input in = {data + 4, static_cast<uint32_t>(size - 4), static_cast<uint16_t>(data[0] | data[1] << 8), data[2],
                data[3]};
    const unload_walk_io io = {&in, read, status, confirm};
    unload_walk_result r;
    unload_confirm_walk(io, in.size, &r);
    // Every confirmed notification moved the position on by at least its
    // prefix: never more than the file holds.
    if (r.confirmed > in.size / UNLOAD_RECORD_PREFIX + 1)
        __builtin_trap();
    return 0;
}
