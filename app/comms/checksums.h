// The two checksums of the notification unload, each one continuation: the
// result of one call is the start value of the next.
//
//   crc16_ccitt: CRC-16/IBM-3740 (CCITT-FALSE): polynomial 0x1021, most
//                significant bit first, no final inversion; start 0xFFFF.
//   crc32_update: CRC-32/JAMCRC: polynomial 0xEDB88320 (reflected), no final
//                inversion; start 0xFFFFFFFF.
#ifndef APP_COMMS_CHECKSUMS_H
#define APP_COMMS_CHECKSUMS_H

#include <stddef.h>
#include <stdint.h>

uint16_t crc16_ccitt(const void *data, size_t length, uint16_t start);
uint32_t crc32_update(const void *data, size_t length, uint32_t start);

#endif
