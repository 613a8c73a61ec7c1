#include "raster_bmp.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "ServiceApp.h"
#include "safe_file.h"

namespace {

const uint32_t kMaxWidthBytes = 260;

} // namespace

std::vector<uint8_t> raster_bmp_encode(const uint8_t *raster, size_t length, uint32_t width_bytes,
                                       uint32_t height_units)
{
    const uint32_t w = width_bytes, h = 8 * height_units, size = w * h;
    std::vector<uint8_t> bmp;
    if (size == 0 || w > kMaxWidthBytes)
        return bmp;
    auto dots = [&](uint32_t at) -> uint8_t { return raster && at < length ? raster[at] : 0; };
    const uint32_t pad = (4 - w % 4) % 4;
    const uint32_t fileSize = (w + pad) * h - pad + 62, imageSize = (w + pad) * h + 8 - pad;
    bmp.assign(62, 0);
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[size_t(at + i)] = uint8_t(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, fileSize);
    put32(10, 62);
    put32(14, 40);
    put32(18, 8 * w);
    put32(22, h);
    bmp[26] = 1;
    bmp[28] = 1;
    put32(34, imageSize);
    put32(38, 3780);
    put32(42, 3780);
    bmp[54] = bmp[55] = bmp[56] = 0xFF;
    // Rows bottom-up, each padded to four bytes but the last.
    uint8_t row[kMaxWidthBytes + 3];
    for (uint32_t i = 0; i < h; ++i) {
        const uint32_t y = h - 1 - i;
        memset(row, 0, sizeof row);
        for (uint32_t x = 0; x < 8 * w && x / 8 < kMaxWidthBytes; ++x) {
            uint8_t b = dots(x * height_units + y / 8);
            if (b & (0x80 >> (y % 8)))
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        uint32_t n = w + (i + 1 < h ? pad : 0);
        bmp.insert(bmp.end(), row, row + n);
    }
    return bmp;
}

void raster_to_bmp(const char *path, uint32_t width_bytes, uint32_t height_units)
{
    const uint32_t size = width_bytes * 8 * height_units;
    if (!path || size == 0 || width_bytes > kMaxWidthBytes)
        return;
    std::vector<uint8_t> raster(size);
    int in = open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0)
        return;
    ssize_t got = read(in, raster.data(), size);
    close(in);
    if (got < 0)
        return;
    const std::vector<uint8_t> bmp = raster_bmp_encode(raster.data(), raster.size(), width_bytes, height_units);
    // The picture replaces the raster whole, or the raster stays.
    SafeFile out(path, SAFE_MODE_FILE);
    if (out.Write(bmp.data(), bmp.size()) && out.Commit())
        InstallFiscalHeader(path);
    else
        out.LogFailure("external");
}
