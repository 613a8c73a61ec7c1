#include "ymodem.h"

#include <string.h>

#include "str_helpers.h"

namespace {

const uint8_t SOH = 0x01, STX = 0x02;

int finishBlock(uint8_t *out, size_t dataLen)
{
    uint16_t crc = crc16_xmodem(out + 3, dataLen);
    out[3 + dataLen] = static_cast<uint8_t>(crc >> 8);
    out[4 + dataLen] = static_cast<uint8_t>(crc & 0xFF);
    return static_cast<int>(dataLen + 5);
}

} // namespace

uint16_t crc16_xmodem(const uint8_t *data, size_t len)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < len; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int b = 0; b < 8; ++b)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

int ymodem_header_block(const char *name, uint32_t size, uint8_t *out)
{
    if (!name || !*name || !out)
        return -1;
    char sizeText[16];
    int sizeLen = str_format(sizeText, sizeof sizeText, "%u", size);
    size_t nameLen = strlen(name);
    if (nameLen + 1 + static_cast<size_t>(sizeLen) > 128)
        return -1;
    memset(out, 0, YMODEM_HEADER_BLOCK);
    out[0] = SOH;
    out[1] = 0x00;
    out[2] = 0xFF;
    memcpy(out + 3, name, nameLen);
    memcpy(out + 3 + nameLen + 1, sizeText, static_cast<size_t>(sizeLen));
    return finishBlock(out, 128);
}

int ymodem_closing_block(uint8_t *out)
{
    memset(out, 0, YMODEM_HEADER_BLOCK);
    out[0] = SOH;
    out[2] = 0xFF;
    return finishBlock(out, 128);
}

int ymodem_data_block(uint32_t number, const uint8_t *data, size_t len, uint8_t *out)
{
    if (!out || len > 1024 || (len && !data))
        return -1;
    out[0] = STX;
    out[1] = static_cast<uint8_t>(number & 0xFF);
    out[2] = static_cast<uint8_t>(0xFF - (number & 0xFF));
    if (len)
        memcpy(out + 3, data, len);
    memset(out + 3 + len, 0, 1024 - len);
    return finishBlock(out, 1024);
}
