// YMODEM blocks as the controller's firmware receiver takes them: a header
// block of 128 bytes (SOH), data blocks of 1024 bytes (STX), each with its
// number, the number's complement and a CRC-16/XMODEM.
#ifndef APP_COMMS_YMODEM_H
#define APP_COMMS_YMODEM_H

#include <stddef.h>
#include <stdint.h>

enum {
    YMODEM_HEADER_BLOCK = 133, // SOH, number, complement, 128, CRC
    YMODEM_DATA_BLOCK = 1029,  // STX, number, complement, 1024, CRC
};

// The header: the name, NUL, the size in decimal, zeros; -1 when they do
// not fit the 128 bytes (or the name is empty), else the block's size. A
// data block of len (at most 1024) bytes, zero-filled. The closing block is
// the header block of an empty name and no size.
int ymodem_header_block(const char *name, uint32_t size, uint8_t *out);
int ymodem_data_block(uint32_t number, const uint8_t *data, size_t len, uint8_t *out);
int ymodem_closing_block(uint8_t *out);
uint16_t crc16_xmodem(const uint8_t *data, size_t len);

#endif
