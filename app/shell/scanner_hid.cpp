#include "scanner_hid.h"

#include <string.h>

namespace {

constexpr int NOTHING = -1;

void append(HidDecoder *d, int c)
{
    if (c == NOTHING || d->length >= HID_CODE_SIZE - 1)
        return;
    d->code[d->length++] = static_cast<char>(c);
    d->code[d->length] = 0;
}

// Keys 45 to 56 unshifted and shifted; 50 gives the sign No (0xB9).
const char PLAIN_45[] = {'-', '=', '[', ']', '\\', static_cast<char>(0xB9), ';', '\'', '`', ',', '.', '/'};
const char SHIFT_45[] = {'_', '+', '{', '}', '|', '~', ':', '"', '~', '<', '>', '?'};

int plain_key(uint8_t u)
{
    static const uint8_t F1_TO_F12[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x1D, 0x19, 0x1A, 0x1C, 0x1D};
    static const uint8_t INSERT_TO_UP[] = {0x0E, 0x0B, 0x05, 0x0F, 0x0C, 0x06, 0x04, 0x03, 0x02, 0x01};
    if (u >= 4 && u <= 29)
        return 'a' + (u - 4);
    if (u >= 30 && u <= 38)
        return '1' + (u - 30);
    switch (u) {
    case 39:
        return '0';
    case 40:
        return 0x0A;
    case 41:
        return 0x1B;
    case 42:
        return 0x08;
    case 43:
        return 0x09;
    case 44:
        return ' ';
    default:
        break;
    }
    if (u >= 45 && u <= 56)
        return static_cast<unsigned char>(PLAIN_45[u - 45]);
    if (u >= 58 && u <= 69)
        return F1_TO_F12[u - 58];
    if (u >= 73 && u <= 82)
        return INSERT_TO_UP[u - 73];
    return NOTHING;
}

int shifted_key(uint8_t u)
{
    static const char DIGIT_ROW[] = "!@#$%^&*()";
    if (u >= 4 && u <= 29)
        return 'A' + (u - 4);
    if (u >= 30 && u <= 39)
        return DIGIT_ROW[u - 30];
    if (u == 44)
        return ' ';
    if (u >= 45 && u <= 56)
        return static_cast<unsigned char>(SHIFT_45[u - 45]);
    return NOTHING;
}

} // namespace

int hid_scanner_kind(const char *device_name)
{
    // Rows 5, 6, 8 and 9 repeat earlier names and so never decide; they are
    // kept so that the kinds stay those the scanners are known by.
    static const struct {
        const char *name;
        int kind;
    } MODELS[] = {
        {"WCM HIDKeyBoard", 11},
        {"Manufacturer Barcode Reader", 9},
        {"HID 0581:011c", 8},
        {"LWTEK Barcode Scanner", 7},
        {"HID 0581:011c", 6},
        {"LWTEK Barcode Scanner", 5},
        {"Barcode Scanner Barcode Scanner", 4},
        {"LWTEK Barcode Scanner", 3},
        {"HID 0581:011c", 2},
        {"2D BarCode Scanner", 1},
    };
    if (!device_name)
        return 0;
    for (const auto &m : MODELS)
        if (strstr(device_name, m.name))
            return m.kind;
    return 0;
}

int hid_key_char(uint8_t modifier, uint8_t usage)
{
    if (modifier == 0)
        return plain_key(usage);
    if (modifier == HID_MOD_LEFT_SHIFT)
        return shifted_key(usage);
    return NOTHING;
}

int hid_alt_char(const uint8_t *keys, int count)
{
    if (!keys || (count != 2 && count != 5))
        return NOTHING;
    long number = 0;
    for (int i = 0; i < count; ++i) {
        uint8_t k = keys[i];
        if (k < 89 || k > 98)
            return NOTHING;
        number = number * 10 + (k == 98 ? 0 : k - 88);
    }
    if (count == 2)
        return number == 29 ? 0x1D : NOTHING;
    if (number >= 53392 && number <= 53439)
        return static_cast<int>(0xC0 + (number - 53392));
    if (number >= 53632 && number <= 53647)
        return static_cast<int>(0xF0 + (number - 53632));
    switch (number) {
    case 53377:
        return 0xA8;
    case 53649:
        return 0xB8;
    case 57988:
        return 0xB9;
    case 38459:
        return ';';
    default:
        return NOTHING;
    }
}

void hid_decoder_begin(HidDecoder *d)
{
    d->code[0] = 0;
    d->length = 0;
    d->alt_count = 0;
    d->data_seen = 0;
    d->previous = 0xFF;
}

void hid_decoder_end_alt(HidDecoder *d)
{
    if (d->alt_count > 0)
        append(d, hid_alt_char(d->alt_keys, d->alt_count));
    d->alt_count = 0;
}

int hid_decoder_feed(HidDecoder *d, const uint8_t report[HID_REPORT_SIZE], int kind)
{
    uint8_t value = 0;
    for (int i = 0; i < HID_REPORT_SIZE; ++i)
        value |= report[i];
    if (value)
        d->data_seen = 1;
    if (kind == 1) {
        if (value == 0 && d->previous == 0)
            return 1;
        d->previous = value;
    }
    if (value == 0) {
        hid_decoder_end_alt(d);
        return 0;
    }
    if (d->length >= HID_CODE_FULL)
        return 0;
    uint8_t modifier = report[0];
    uint8_t usage = report[2];
    if (modifier != HID_MOD_LEFT_ALT) {
        hid_decoder_end_alt(d);
        append(d, hid_key_char(modifier, usage));
    } else if (usage != 0 && d->alt_count < HID_ALT_KEYS_MAX) {
        d->alt_keys[d->alt_count++] = usage;
    }
    return 0;
}

void hid_decoder_trim(HidDecoder *d)
{
    while (d->length > 0 && d->code[d->length - 1] >= 0x01 && d->code[d->length - 1] <= 0x1F)
        --d->length;
    d->code[d->length] = 0;
}
