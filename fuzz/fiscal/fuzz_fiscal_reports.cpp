// Every report text of the information screens from arbitrary controller
// replies. Byte 0 picks the output size (1 to 4096, or the screen's own),
// byte 1 the error code of the replies and a mode; the rest is cut at 0x1E
// into up to four replies, each cut at 0x1C into its data fields (fields 5
// on), framed with a correct checksum as the controller would send them.
// With bit 7 of byte 1 set the first part goes to the reply reader as it
// stands. Each text goes into a heap buffer of exactly its size, so a write
// past it is seen, and must end within it.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "ServiceQueue.h"
#include "TMCommand.h"
#include "report_text.h"

namespace {

std::string hex2(unsigned v)
{
    static const char d[] = "0123456789ABCDEF";
    return std::string{d[(v >> 4) & 15], d[v & 15]};
}

std::string frame(uint8_t code, uint8_t error, const std::string &data)
{
    std::string f = "\x02 " + hex2(code) + "\x1C" + "00\x1C" + "0008\x1C" + hex2(error) + "00\x1C\x1C";
    f += data;
    if (!data.empty())
        f += "\x1C";
    f += "\x03";
    uint16_t sum = FrameSum16(f.data(), static_cast<uint32_t>(f.size()));
    return f + hex2(sum & 0xFF) + hex2(sum >> 8);
}

struct Out {
    explicit Out(size_t n) : size(n), p(static_cast<char *>(malloc(n))) { memset(p, 'X', n); }
    ~Out() { free(p); }
    void Check() const
    {
        if (!memchr(p, 0, size))
            abort();
    }
    size_t size;
    char *p;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 20000)
        return 0;
    const size_t sizes[4] = {REPORT_TEXT_SIZE, REPORT_DOC_FIELDS_SIZE, REPORT_PRINTER_SIZE, 1};
    size_t outSize = data[0] < 4 ? sizes[data[0]] : 1 + (data[0] * 16u) % REPORT_DOC_FIELDS_SIZE;
    uint8_t error = data[1] & 0x03;
    bool raw = (data[1] & 0x80) != 0;
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    std::vector<std::string> parts;
    size_t from = 0;
    while (parts.size() < 3) {
        size_t at = rest.find('\x1E', from);
        if (at == std::string::npos)
            break;
        parts.push_back(rest.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(rest.substr(from));
    while (parts.size() < 4)
        parts.push_back(parts[parts.size() - 1]);

    TMCommand r[4];
    for (int i = 0; i < 4; ++i) {
        std::string f = raw && i == 0 ? parts[0] : frame(0x29, error, parts[static_cast<size_t>(i)]);
        r[i].Accept(f.data(), static_cast<uint32_t>(f.size()));
    }
    TMCommand *tags[4] = {&r[1], &r[2], &r[3], nullptr};

    auto run = [&](auto make) {
        Out o(outSize);
        make(o.p, o.size);
        o.Check();
    };
    run([&](char *o, size_t n) { journal_params_text(r[0], o, n); });
    run([&](char *o, size_t n) { tech_info_text(r[0], o, n); });
    run([&](char *o, size_t n) { fn_doc_text(r[0], data[1] & 7, o, n); });
    run([&](char *o, size_t n) {
        o[0] = 0;
        for (int i = 0; i < 4 && fn_doc_fields_append(r[i], o, n) > 0; ++i) {
        }
    });
    run([&](char *o, size_t n) { fn_stat_text(r[0], o, n); });
    run([&](char *o, size_t n) {
        fn_stat_text(r[0], o, n);
        fn_stat_keys_append(r[1].FieldByte(5) % 5 == 4 ? 255 : r[1].FieldByte(5) % 5, 1, r[2].FieldWord(5),
                            r[3].FieldWord(5), o, n);
    });
    run([&](char *o, size_t n) { fn_fisc_text(r[0], 2, nullptr, tags, o, n); });
    run([&](char *o, size_t n) { fn_fisc_text(r[0], 4, &r[1], nullptr, o, n); });
    run([&](char *o, size_t n) { fn_comm_text(&r[0], &r[1], o, n); });
    run([&](char *o, size_t n) { doc_counters_text(r[0], data[1], o, n); });
    run([&](char *o, size_t n) { money_info_text(r[0], o, n); });
    run([&](char *o, size_t n) { report_ext_text(r[0], o, n); });
    run([&](char *o, size_t n) { report_payment_text(data[1], r[0], r[1], o, n); });
    run([&](char *o, size_t n) { report_dep_text(data[1] % 41, data[1] & 15, r[0], r[1], r[2], o, n); });
    run([&](char *o, size_t n) { ofd_ticket_text(r[0], o, n); });
    run([&](char *o, size_t n) { ofd_pay_state_text(r[0], o, n); });
    run([&](char *o, size_t n) { ofd_doc_wait_text(data[1] & 1, data[1] & 2, r[0].FieldWord(5), r[1].FieldWord(6), o, n); });
    run([&](char *o, size_t n) { browse_item_text(r[0], r[1].FieldDword(5), o, n); });
    ServiceStatusBlock status;
    memset(&status, 0, sizeof status);
    memcpy(&status, rest.data(), rest.size() < sizeof status ? rest.size() : sizeof status);
    run([&](char *o, size_t n) { prn_stat_text(status, o, n); });
    (void)packed_date_days(r[0].FieldWord(5), r[1].FieldWord(5));
    return 0;
}
