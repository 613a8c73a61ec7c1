#include "registration_record.h"

#include <string.h>

#include "TMCommand.h"
#include "kfn_state.h"
#include "message_box.h"
#include "registration_fields.h"
#include "str_helpers.h"

RegistrationRecord registration_record;

namespace {

struct Reader {
    RegistrationExec exec;
    void *context;

    // Reply field 5 of tag `tag`, or false when the read failed.
    bool tag(TMCommand &cmd, uint16_t number)
    {
        return cmd.GetRegParam(number) > 0 && exec(&cmd, context) == 0 && cmd.ErrorCode() == 0;
    }

    void text(uint16_t number, char *out, size_t size, bool trim = false)
    {
        TMCommand cmd;
        if (!tag(cmd, number))
            return;
        char value[256];
        value[0] = 0;
        cmd.FieldText1251(5, value, sizeof value);
        if (trim)
            trim_right(value);
        str_copy(out, value, size);
    }

    uint8_t byte(uint16_t number, bool *ok = nullptr)
    {
        TMCommand cmd;
        bool good = tag(cmd, number);
        if (ok)
            *ok = good;
        return good ? cmd.FieldByte(5) : 0;
    }

    uint32_t dword(uint16_t number)
    {
        TMCommand cmd;
        return tag(cmd, number) ? cmd.FieldDword(5) : 0;
    }
};

// Reply field k of the totals as text (CP866 digits and letters kept).
void field(TMCommand &cmd, uint32_t k, char *out, size_t size)
{
    out[0] = 0;
    cmd.FieldText1251(k, out, static_cast<uint32_t>(size));
}

// Tag 1290 of FFD 1.2 over the wizard's two work-mode lists.
void usageOf1290(uint32_t f, RegistrationRecord *r)
{
    static const uint32_t usage[7] = {0x2, 0x100, 0x1000, 0x2000, 0x4000, 0x8000, 0x10000};
    for (unsigned bit = 0; bit < 7; ++bit)
        if (f & usage[bit])
            r->usage_flags |= static_cast<uint16_t>(1u << bit);
    static const struct {
        uint32_t tag;
        uint16_t mode;
    } modes[] = {{0x4, 0x10}, {0x20, 0x20}, {0x40, 0x40}, {0x200, 0x08}, {0x400, 0x80}, {0x800, 0x100}};
    for (const auto &m : modes)
        if (f & m.tag)
            r->work_modes |= m.mode;
}

} // namespace

void registration_record_fill(RegistrationRecord *r, int version, RegistrationExec exec, void *context)
{
    memset(r, 0, sizeof *r);
    Reader read{exec, context};

    TMCommand totals;
    if (totals.GetRegTotals() <= 0 || exec(&totals, context) != 0 || totals.ErrorCode() != 0)
        return;
    char text[256];
    str_format(r->fd_number, sizeof r->fd_number, "%u", totals.FieldDword(10));
    str_format(r->fiscal_sign, sizeof r->fiscal_sign, "%u", totals.FieldDword(11));
    field(totals, 5, text, sizeof text);
    reg_date_time_text(text, r->date_time, sizeof r->date_time);
    field(totals, 6, text, sizeof text);
    str_copy(r->user_inn, trim_right(text), sizeof r->user_inn);
    field(totals, 7, text, sizeof text);
    str_copy(r->reg_number, trim_right(text), sizeof r->reg_number);
    field(totals, 8, text, sizeof text);
    r->tax_systems = reg_hex_byte(text);
    field(totals, 14, text, sizeof text);
    r->reason_codes = reg_hex_dword(text);
    // The work-mode byte of the totals: bits 0 to 7 for FFD 1.05 and 1.1;
    // for FFD 1.2 tag 1290 has no place for encryption, autonomous and
    // automatic mode (0x01, 0x02, 0x04), so they come from here too.
    field(totals, 9, text, sizeof text);
    uint8_t modes = reg_hex_byte(text);

    if (version > 3) {
        r->work_modes = modes & 0x07;
        usageOf1290(read.dword(1290), r);
        read.text(1274, r->tag_1274, sizeof r->tag_1274);
        read.text(1275, r->tag_1275, sizeof r->tag_1275);
    } else {
        r->work_modes = modes;
        static const struct {
            uint16_t tag;
            uint16_t mode;
        } flags[] = {{1207, 0x40}, {1193, 0x80}, {1126, 0x100}};
        for (const auto &f : flags)
            if (read.byte(f.tag))
                r->work_modes |= f.mode;
        r->agent = read.byte(1057);
    }

    read.text(1041, r->fn_number, sizeof r->fn_number);
    read.text(1013, r->kkt_serial, sizeof r->kkt_serial);
    read.text(1046, r->ofd_name, sizeof r->ofd_name);
    read.text(1017, r->ofd_inn, sizeof r->ofd_inn, true);
    read.text(1021, r->cashier, sizeof r->cashier);
    read.text(1203, r->cashier_inn, sizeof r->cashier_inn);
    read.text(1048, r->user_name, sizeof r->user_name);
    // The sender's address only replaces an empty field when it has one.
    char email[sizeof r->sender_email] = "";
    read.text(1117, email, sizeof email);
    if (email[0])
        str_copy(r->sender_email, email, sizeof r->sender_email);
    read.text(1009, r->address, sizeof r->address);
    read.text(1187, r->place, sizeof r->place);
    read.text(1060, r->fns_site, sizeof r->fns_site);
    read.text(1036, r->automat_number, sizeof r->automat_number, true);
    r->filled = 1;
}

namespace {

int execQuiet(TMCommand *cmd, void *) { return kfn_exec(nullptr, cmd, 5000); }

} // namespace

void ReadRegistrationTotals(vuUI *ui)
{
    memset(&registration_record, 0, sizeof registration_record);
    if (message_box(ui, "ИТОГИ РЕГИСТРАЦИИ", "ПРОЧИТАТЬ ИТОГИ РЕГИСТРАЦИИ И ЗАПОЛНИТЬ ПОЛЯ РЕГИСТРАЦИИ?",
                    MB_OK | MB_CANCEL) != MB_RESULT_OK)
        return;
    registration_record_fill(&registration_record, kfn_ffd_version(), execQuiet, nullptr);
}
