// The host's picture for the receipt header: the column-major raster the
// PC sends (each byte 8 dots of a column, top dot in the high bit) turned
// into a bottom-up 1-bit BMP the controller installs.
#ifndef APP_COMMS_RASTER_BMP_H
#define APP_COMMS_RASTER_BMP_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

// The BMP of a raster width_bytes wide (8 x width_bytes dots) and
// 8 x height_units dots high; `raster` holds width_bytes x height_units
// bytes, the missing tail counts as white. Empty when the size is 0 or the
// width exceeds 260 bytes.
std::vector<uint8_t> raster_bmp_encode(const uint8_t *raster, size_t length, uint32_t width_bytes,
                                       uint32_t height_units);
// The raster in path rewritten in place as its BMP (whole or not at all)
// and installed as the receipt header.
void raster_to_bmp(const char *path, uint32_t width_bytes, uint32_t height_units);

#endif
