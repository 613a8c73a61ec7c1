// Keyboard-style barcode scanners send 8-byte boot-keyboard reports:
// byte 0 the modifier bits (0x02 Left Shift, 0x04 Left Alt), byte 2 the
// usage code of the first key pressed; all eight bytes zero means every key
// is up. The decoder turns such reports into a CP1251 code, including the
// Left Alt + keypad sequences by which the scanners send GS and Cyrillic
// letters. It is pure: the reader thread feeds it and decides when a code
// ends.
#ifndef APP_SHELL_SCANNER_HID_H
#define APP_SHELL_SCANNER_HID_H

#include <stdint.h>

constexpr int HID_REPORT_SIZE = 8;
constexpr int HID_CODE_SIZE = 4096;   // the code buffer, terminator included
constexpr int HID_CODE_FULL = 4094;   // reports are ignored from this length on
constexpr int HID_ALT_KEYS_MAX = 4096;
constexpr uint8_t HID_MOD_LEFT_SHIFT = 0x02;
constexpr uint8_t HID_MOD_LEFT_ALT = 0x04;

struct HidDecoder {
    char code[HID_CODE_SIZE];
    int length;
    uint8_t alt_keys[HID_ALT_KEYS_MAX];
    int alt_count;
    int data_seen;    // a report with a non-zero byte since the code began
    uint8_t previous; // the previous report's bytes ORed together
};

// The HID model's kind (1 to 11) of a device name: the first row of the
// model table whose name the device name contains; 0 without a match.
int hid_scanner_kind(const char *device_name);
// The character a key gives under a modifier byte, -1 for nothing.
int hid_key_char(uint8_t modifier, uint8_t usage);
// The character a finished Alt + keypad sequence gives, -1 for nothing.
int hid_alt_char(const uint8_t *keys, int count);

// Begins a code: empty code and Alt buffer, no data seen, previous 0xFF.
void hid_decoder_begin(HidDecoder *d);
// Takes one report. For kind 1 a code ends at the second all-zero report
// in a row: then 1 is returned and nothing else is done; otherwise 0.
int hid_decoder_feed(HidDecoder *d, const uint8_t report[HID_REPORT_SIZE], int kind);
// Ends a pending Alt sequence, appending what it gives.
void hid_decoder_end_alt(HidDecoder *d);
// Removes the trailing bytes 0x01 to 0x1F (the Enter scanners send last).
void hid_decoder_trim(HidDecoder *d);

#endif
