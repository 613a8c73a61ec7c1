#include "registration_fields.h"

#include <string.h>

#include "TMCommand.h"
#include "str_helpers.h"

uint16_t reg_modes_to_command(uint16_t wizard)
{
    uint16_t command = wizard & 0x3F;
    if (wizard & 0x40)
        command |= 0x100;
    if (wizard & 0x80)
        command |= 0x200;
    if (wizard & 0x100)
        command |= 0x400;
    return command;
}

uint16_t reg_modes_from_command(uint32_t command)
{
    uint16_t wizard = command & 0x3F;
    if (command & 0x100)
        wizard |= 0x40;
    if (command & 0x200)
        wizard |= 0x80;
    if (command & 0x400)
        wizard |= 0x100;
    return wizard;
}

uint32_t reg_modes12_to_command(uint16_t modes, uint16_t usage)
{
    uint32_t command = reg_modes_to_command(modes & 0x1FF);
    command |= static_cast<uint32_t>(usage & 0x1F) << 11;
    if (usage & 0x20)
        command |= 0x40;
    if (usage & 0x40)
        command |= 0x80;
    return command;
}

void reg_modes12_from_command(uint32_t command, uint16_t *modes, uint16_t *usage)
{
    *modes = reg_modes_from_command(command);
    uint16_t u = (command >> 11) & 0x1F;
    if (command & 0x40)
        u |= 0x20;
    if (command & 0x80)
        u |= 0x40;
    *usage = u;
}

int reg_number_forms(const char *number, char *padded, char *sequence)
{
    padded[0] = sequence[0] = 0;
    size_t n = safe_strlen(number);
    if (n < REG_NUMBER_MIN || n > REG_NUMBER_WIDTH)
        return -1;
    size_t zeros = REG_NUMBER_WIDTH - n;
    memset(padded, '0', zeros);
    memcpy(padded + zeros, number, n);
    padded[REG_NUMBER_WIDTH] = 0;
    memcpy(sequence, number, n - 6);
    sequence[n - 6] = 0;
    return 0;
}

namespace {

// First bit and item count of each reason page; page 5 is special.
const unsigned kFirstBit[REG_REASON_PAGES] = {0, 6, 12, 17, 21};
const unsigned kItems[REG_REASON_PAGES] = {6, 6, 5, 4, 2};

bool validPage(int page) { return page >= 1 && page <= REG_REASON_PAGES; }

} // namespace

unsigned reg_reason_items(int page) { return validPage(page) ? kItems[page - 1] : 0; }

uint32_t reg_reason_page_value(int page, uint32_t mask)
{
    if (!validPage(page))
        return 0;
    if (page == 5)
        return ((mask >> 21) & 1u) | (((mask >> 31) & 1u) << 1);
    return (mask >> kFirstBit[page - 1]) & ((1u << kItems[page - 1]) - 1);
}

uint32_t reg_reason_page_store(int page, uint32_t mask, uint32_t list)
{
    if (!validPage(page))
        return mask;
    if (page == 5) {
        mask &= ~((1u << 21) | (1u << 31));
        if (list & 1u)
            mask |= 1u << 21;
        if (list & 2u)
            mask |= 1u << 31;
        return mask;
    }
    uint32_t bits = (1u << kItems[page - 1]) - 1;
    unsigned first = kFirstBit[page - 1];
    return (mask & ~(bits << first)) | ((list & bits) << first);
}

uint8_t reg_reason_code(unsigned selected) { return selected ? static_cast<uint8_t>(selected - 1) : 0; }

int reg_page_count(int ffd12) { return ffd12 ? 9 : 8; }

int reg_page_move(int ffd12, int page, int ok, int automat)
{
    if (ffd12) {
        // 5 usage, 6 cashier, 7 automat number, 8 tags 1274/1275, 9 reason:
        // the cashier page and the automat-number page are alternatives.
        if (ok) {
            if (page == 5)
                return automat ? 7 : 6;
            if (page == 6)
                return 8;
            return page + 1;
        }
        if (page == 7)
            return 5;
        if (page == 8)
            return automat ? 7 : 6;
        return page - 1;
    }
    // 4 work modes, 5 cashier, 6 automat number, 7 agents, 8 reason.
    if (ok)
        return page == 5 ? (automat ? 6 : 7) : page + 1;
    if (page == 6)
        return 4;
    if (page == 7)
        return automat ? 6 : 5;
    return page - 1;
}

void reg_date_time_text(const char *text, char *out, size_t size)
{
    if (!size)
        return;
    out[0] = 0;
    if (safe_strlen(text) < 10)
        return;
    const char *t = text;
    str_format(out, size, "%c%c.%c%c.%c%c %c%c:%c%c", t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9]);
}

uint8_t reg_hex_byte(const char *text) { return safe_strlen(text) > 1 ? HexByte(text) : 0; }

uint32_t reg_hex_dword(const char *text)
{
    size_t n = safe_strlen(text);
    if (n <= 1)
        return 0;
    // Fewer than eight characters read as if the rest were zeros.
    char digits[9] = "00000000";
    memcpy(digits, text, n < 8 ? n : 8);
    return HexDwordLE(digits);
}
