// The registration record filled from arbitrary replies. The first byte is
// the registered FFD version (0 to 4 by its low three bits); then each
// command the reader runs takes the next reply: two bytes of length (low
// byte first) and that many bytes of frame. A frame the command object
// refuses is a bad answer; the input running out is no answer. Every text
// of the record must end inside its buffer.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "TMCommand.h"
#include "registration_record.h"

namespace {

struct Feed {
    const uint8_t *p;
    size_t n;
};

int exec(TMCommand *cmd, void *context)
{
    Feed &f = *static_cast<Feed *>(context);
    if (f.n < 2)
        return -4;
    size_t len = f.p[0] | static_cast<size_t>(f.p[1]) << 8;
    f.p += 2;
    f.n -= 2;
    if (len > f.n)
        len = f.n;
    const uint8_t *frame = f.p;
    f.p += len;
    f.n -= len;
    if (cmd->Accept(frame, static_cast<uint32_t>(len)) < 0)
        return -5;
    int error = cmd->ErrorCode();
    return error < 0 ? -1 : error;
}

template <size_t N> void terminated(const char (&text)[N])
{
    if (memchr(text, 0, N) == nullptr)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    Feed feed{data + 1, size - 1};
    RegistrationRecord r;
    memset(&r, 0x55, sizeof r);
    registration_record_fill(&r, data[0] & 7, exec, &feed);
    terminated(r.fd_number);
    terminated(r.fiscal_sign);
    terminated(r.date_time);
    terminated(r.user_inn);
    terminated(r.reg_number);
    terminated(r.fn_number);
    terminated(r.kkt_serial);
    terminated(r.ofd_name);
    terminated(r.ofd_inn);
    terminated(r.cashier);
    terminated(r.cashier_inn);
    terminated(r.user_name);
    terminated(r.sender_email);
    terminated(r.address);
    terminated(r.place);
    terminated(r.fns_site);
    terminated(r.automat_number);
    terminated(r.tag_1274);
    terminated(r.tag_1275);
    if (r.filled > 1 || (r.work_modes & ~0x1FF) || (r.usage_flags & ~0x7F))
        abort();
    return 0;
}
