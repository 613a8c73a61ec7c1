#include "checksums.h"

uint16_t crc16_ccitt(const void *data, size_t length, uint16_t start)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint16_t crc = start;
    for (size_t i = 0; i < length; ++i) {
        crc = static_cast<uint16_t>(crc ^ (p[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

namespace {

struct Crc32Table {
    uint32_t entry[256];
    Crc32Table()
    {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[n] = c;
        }
    }
};

} // namespace

uint32_t crc32_update(const void *data, size_t length, uint32_t start)
{
    static const Crc32Table table; // built once, safely across threads
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint32_t crc = start;
    for (size_t i = 0; i < length; ++i)
        crc = table.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}
