#include "vuSignBox.h"

#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "osal.h"
#include "vuColor.h"
#include "vuEvent.h"
#include "vuFrameBuffer.h"
#include "vuTouchPad.h"
#include "vuUtils.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"

namespace {

const unsigned kHeaderSize = 62;
const uint32_t kPixelsPerMetre = 3780;
const uint16_t kMaxSignPoints = 64;

bool writeAll(int fd, const void* data, size_t size)
{
    return write(fd, data, size) == static_cast<ssize_t>(size);
}

}

vuSignBox::vuSignBox(short x, short y, unsigned short w, unsigned short h)
    : vuWidget(x, y, w, h),
      bitmap(nullptr),
      isSigned(0),
      lineWidth(3),
      bytesPerRow(static_cast<unsigned short>(w / 8 + (w % 8 ? 1 : 0))),
      lastX(0),
      lastY(0),
      inStroke(false)
{
    size_t size = static_cast<size_t>(height) * bytesPerRow;
    // Zeroed at once: a pad saved before its first reset is blank paper.
    if (size)
        bitmap = static_cast<uint8_t*>(calloc(size, 1));
    flags |= VU_WF_SELECTABLE;
    SetPassiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 18)),
                    static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 19)));
    SetActiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 20)),
                   static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 21)));
}

vuSignBox::~vuSignBox()
{
    free(bitmap);
    bitmap = nullptr;
}

_VU_TypeObject vuSignBox::GetType() const
{
    return VU_TYPE_SIGN_BOX;
}

void vuSignBox::Reset()
{
    vuWidget::Reset();
    if (bitmap)
        memset(bitmap, 0, static_cast<size_t>(height) * bytesPerRow);
    isSigned = 0;
    inStroke = false;
    lastX = 0;
    lastY = 0;
}

vuSignBox* vuSignBox::SetLineWidth(unsigned short w)
{
    if (w >= 1 && w <= 3)
        lineWidth = w;
    return this;
}

unsigned char vuSignBox::IsSigned()
{
    return isSigned;
}

bool vuSignBox::IsInked(int px, int py) const
{
    if (!bitmap || px < 0 || py < 0 || px >= width || py >= height)
        return false;
    return (bitmap[static_cast<size_t>(py) * bytesPerRow + px / 8] >> (7 - px % 8)) & 1;
}

void vuSignBox::setPixel(int px, int py)
{
    bitmap[static_cast<size_t>(py) * bytesPerRow + px / 8] |= static_cast<uint8_t>(0x80 >> (px % 8));
}

void vuSignBox::makePoint(short px, short py)
{
    if (!bitmap || px < 0 || py < 0 || px >= width || py >= height)
        return;
    setPixel(px, py);
    if (lineWidth >= 2) {
        if (py > 0)
            setPixel(px, py - 1);
        if (px > 0)
            setPixel(px - 1, py);
        if (px > 0 && py > 0)
            setPixel(px - 1, py - 1);
    }
    if (lineWidth >= 3) {
        if (py + 1 < height) {
            if (px > 0)
                setPixel(px - 1, py + 1);
            setPixel(px, py + 1);
        }
        if (px + 1 < width) {
            setPixel(px + 1, py);
            if (py + 1 < height)
                setPixel(px + 1, py + 1);
            if (py > 0)
                setPixel(px + 1, py - 1);
        }
    }
}

void vuSignBox::makeLine(short x0, short y0, short x1, short y1)
{
    if (!bitmap)
        return;
    int px = x0, py = y0;
    const int dx = abs(x0 - x1), dy = abs(y0 - y1);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx - dy;
    while (px != x1 || py != y1) {
        makePoint(static_cast<short>(px), static_cast<short>(py));
        int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            px += sx;
        }
        if (e2 < dx) {
            err += dx;
            py += sy;
        }
    }
    makePoint(x1, y1);
}

int vuSignBox::HandleEvent(vuEvent* e)
{
    if (!e)
        return 0;
    int result = 0;
    bool inkedLast = false;
    const bool touch = e->phase >= VU_PHASE_DOWN && e->phase <= VU_PHASE_UP;
    if (touch) {
        short px, py;
        if (hitTest(e, px, py) && e->phase != VU_PHASE_UP) {
            Select();
            result = 2;
        } else if (IsSelect()) {
            UnSelect();
            result = 2;
        }
    }
    if (e->phase == VU_PHASE_DOWN || e->phase == VU_PHASE_MOVE) {
        uint16_t n = vuTouchPad::GetPointsCount();
        if (n > kMaxSignPoints)
            n = kMaxSignPoints;
        for (uint16_t i = 0; i < n; ++i) {
            uint16_t rx = 0, ry = 0;
            bool inside = false;
            short px = 0, py = 0;
            if (vuTouchPad::GetPoint(i, &rx, &ry)) {
                px = static_cast<short>(rx);
                py = static_cast<short>(ry);
                bool visible = parent ? parent->ConvertPoint(px, py) : true;
                inside = visible && IsInside(px, py);
            }
            if (!inside) {
                inStroke = false;
                inkedLast = false;
                continue;
            }
            if (inStroke)
                makeLine(static_cast<short>(lastX - x), static_cast<short>(lastY - y), static_cast<short>(px - x),
                         static_cast<short>(py - y));
            else
                makePoint(static_cast<short>(px - x), static_cast<short>(py - y));
            isSigned = 1;
            result = 2;
            lastX = px;
            lastY = py;
            inStroke = true;
            inkedLast = true;
        }
    }
    // A release, an event without touch or a poll without new points ends
    // the stroke; the next point starts a new one.
    inStroke = inkedLast;
    if (e->key == 8) {
        e->handled = 1;
        Reset();
        result = 2;
    }
    return result;
}

int vuSignBox::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -1;
    if (!bitmap)
        return -2;
    if (!isSigned)
        return 0;
    uint16_t* pixels = fb->GetFrameBuffer();
    if (!pixels)
        return -4;
    const unsigned short ink = IsSelect() ? activeFront : passiveFront;
    uint16_t srcX = 0, srcY = 0;
    int16_t dx = x, dy = y;
    uint16_t w = width, h = height;
    vuViewPort::Recalculate(port, srcX, srcY, dx, dy, w, h);
    if (!w || !h)
        return 0;
    // The view port keeps the drawing on the screen; the frame buffer's own
    // bounds are checked as well, so no write ever leaves its memory.
    const int fbW = fb->GetWidth(), fbH = fb->GetHeight();
    const size_t stride = fb->GetWidth();
    for (int j = 0; j < h; ++j) {
        int sy = dy + j;
        if (sy < 0 || sy >= fbH)
            continue;
        for (int i = 0; i < w; ++i) {
            int sx = dx + i;
            if (sx < 0 || sx >= fbW)
                continue;
            if (IsInked(srcX + i, srcY + j))
                pixels[static_cast<size_t>(sy) * stride + sx] = ink;
        }
    }
    return 0;
}

int vuSignBox::SaveData(const char* path)
{
    if (!bitmap)
        return -2;
    char mapped[4096];
    if (!path || !OsMapPath(path, mapped, sizeof mapped))
        return -7;
    int fd = open(mapped, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return -7;

    const uint32_t R = bytesPerRow;
    const uint32_t P = (4 - R % 4) % 4;
    const uint32_t imageSize = static_cast<uint32_t>(height) * (R + P);
    unsigned char header[kHeaderSize];
    memset(header, 0, sizeof header);
    header[0] = 'B';
    header[1] = 'M';
    dword_to_intel(kHeaderSize + imageSize, header + 2);
    dword_to_intel(kHeaderSize, header + 10);
    dword_to_intel(40, header + 14);
    dword_to_intel(width, header + 18);
    dword_to_intel(height, header + 22);
    word_to_intel(1, header + 26);
    word_to_intel(1, header + 28);
    dword_to_intel(imageSize, header + 34);
    dword_to_intel(kPixelsPerMetre, header + 38);
    dword_to_intel(kPixelsPerMetre, header + 42);
    // Palette: entry 0 white (paper), entry 1 black (ink).
    header[54] = 0xFF;
    header[55] = 0xFF;
    header[56] = 0xFF;

    int result = isSigned;
    if (!writeAll(fd, header, sizeof header)) {
        result = -9;
    } else {
        static const unsigned char zeros[4] = {0, 0, 0, 0};
        for (int row = height - 1; row >= 0; --row) {
            if (!writeAll(fd, bitmap + static_cast<size_t>(row) * R, R) || (P && !writeAll(fd, zeros, P))) {
                result = -9;
                break;
            }
        }
    }
    close(fd);
    return result;
}

// ---- the screen trace ----------------------------------------------------

const char* vuSignBox::TraceType() { return "sign"; }
