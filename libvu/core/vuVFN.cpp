#include "vuVFN.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "vuFrameBuffer.h"
#include "vuImageIO.h"

namespace {

const unsigned kHeaderBytes = 16;

// n (1 to 5) ASCII decimal digits, most significant first, into 16 bits; 0
// when n is 0 or above 5 or any byte is not a digit.
uint16_t vfn_parse_number(const char* text, unsigned n) {
    if (n == 0 || n > 5) return 0;
    uint16_t v = 0;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < '0' || c > '9') return 0;
        v = static_cast<uint16_t>(v * 10 + (c - '0'));
    }
    return v;
}

}  // namespace

vuVFN::vuVFN(const char* path) : glyphs(nullptr) {
    count = 128;
    if (!path) return;
    int fd = vuimg::OpenFile(path);
    if (fd < 0) return;
    char header[kHeaderBytes];
    if (vuimg::ReadFull(fd, header, kHeaderBytes)) {
        height = static_cast<uint8_t>(vfn_parse_number(header + 7, 2));
        width = static_cast<uint8_t>(vfn_parse_number(header + 11, 2));
        if (memcmp(header, "EF002", 5) != 0) count = vfn_parse_number(header, 5);
        const bool accepted = count != 0 && width != 0 && height != 0 && header[5] == '\r' &&
                              header[6] == '\n' && header[9] == '\r' && header[10] == '\n' &&
                              header[13] == '\r' && header[14] == '\n' && header[15] == 0x1A;
        if (!accepted) {
            width = 0;
        } else {
            glyphSize = static_cast<uint16_t>(width * ((height + 7) / 8));
            const size_t bytes = static_cast<size_t>(count) * glyphSize;
            // The file must hold every glyph its header announces before the
            // table is allocated; a short file keeps the cell but no table.
            const long long size = vuimg::FileSize(fd);
            if (size >= 0 && static_cast<unsigned long long>(size) >= kHeaderBytes + bytes) {
                glyphs = static_cast<uint8_t*>(malloc(bytes));
                if (glyphs && !vuimg::ReadFull(fd, glyphs, bytes)) {
                    free(glyphs);
                    glyphs = nullptr;
                }
            }
        }
    }
    close(fd);
}

vuVFN::~vuVFN() { free(glyphs); }

int vuVFN::DrawChar(vuFrameBuffer* fb, char code, unsigned short srcX, unsigned short srcY, short x, short y,
                    unsigned short w, unsigned short h, unsigned short colour) {
    if (!fb || !glyphs) return -1;
    if (!fb->GetFrameBuffer()) return -4;
    const unsigned c = static_cast<unsigned char>(code);
    if (c < firstCode || c >= static_cast<unsigned>(firstCode) + count) return 0;
    if (srcX >= width || srcY >= height) return 0;
    const unsigned rows = (static_cast<unsigned>(srcY) + h < height) ? h : height - srcY;
    const unsigned cols = (static_cast<unsigned>(srcX) + w < width) ? w : width - srcX;
    Blit(fb, glyphs + static_cast<size_t>(c - firstCode) * glyphSize, width, srcX, srcY, x, y, cols, rows, colour);
    return 0;
}
