// Arbitrary bytes as a registrar frame: TMCommand::Accept, then every field
// reader on whatever was adopted, and FrameErrorByte on the same bytes.
#include "CodePage.h"
#include "ServiceResult.h"
#include "TMCommand.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace {

// Bytes the input may end without: a checksum right for its content, so
// that most inputs reach the readers instead of stopping at Accept.
void Seal(uint8_t *p, size_t n)
{
    const uint16_t sum = FrameSum16(p, static_cast<uint32_t>(n - 4));
    p[n - 4] = static_cast<uint8_t>(HexDigit(static_cast<uint8_t>(sum), 0));
    p[n - 3] = static_cast<uint8_t>(HexDigit(static_cast<uint8_t>(sum), 1));
    p[n - 2] = static_cast<uint8_t>(HexDigit(static_cast<uint8_t>(sum >> 8), 0));
    p[n - 1] = static_cast<uint8_t>(HexDigit(static_cast<uint8_t>(sum >> 8), 1));
}

void ReadAll(TMCommand &c)
{
    char text[64];
    uint8_t bytes[64];
    c.ErrorCode();
    c.ErrorDetail();
    c.CommandCode();
    c.PacketId();
    c.IsReplyTo();
    c.FatalStatus();
    c.CurrentStatus();
    FiscalErrorText(static_cast<uint32_t>(c.ErrorCode()));
    const uint32_t count = c.FieldCount();
    for (uint32_t k = 0; k <= count + 1; ++k) {
        uint32_t len = 0;
        const char *f = c.FieldAt(k, &len);
        if (f) {
            // Touch every byte of the field: it must lie inside the frame.
            volatile uint8_t sink = 0;
            for (uint32_t i = 0; i < len; ++i)
                sink = sink ^ static_cast<uint8_t>(f[i]);
        }
        c.FieldLength(k);
        c.FieldText(k, text, sizeof text);
        c.FieldText(k, text, 1);
        c.FieldText1251(k, text, sizeof text);
        c.FieldText1251(k, text, 3);
        c.FieldBytes(k, bytes, sizeof bytes);
        c.FieldBytes(k, bytes, 2);
        c.FieldDword(k);
        c.FieldWord(k);
        c.FieldByte(k);
        c.FieldWordBE(k);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 8192)
        return 0;
    TMCommand c;
    c.Accept(data, static_cast<uint32_t>(size));
    ReadAll(c);
    FrameErrorByte(data, static_cast<uint32_t>(size));

    // The same bytes framed as STX ... ETX with a right checksum.
    uint8_t framed[8192 + 6];
    framed[0] = 0x02;
    memcpy(framed + 1, data, size);
    framed[size + 1] = 0x03;
    const size_t n = size + 6;
    Seal(framed, n);
    TMCommand d;
    d.GetFNStatus(); // a request held before the reply
    if (d.Accept(framed, static_cast<uint32_t>(n)) != static_cast<int>(n))
        __builtin_trap();
    ReadAll(d);
    FrameErrorByte(framed, static_cast<uint32_t>(n));

    // Back to building on the adopted frame.
    if (d.Begin(0x10) <= 0 || d.AddRawString("x") <= 0 || d.End() <= 0)
        __builtin_trap();
    return 0;
}
