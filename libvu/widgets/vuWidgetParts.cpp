#include "vuWidgetParts.h"

#include <stdlib.h>
#include <string.h>

#include "osal.h"
#include "vuImage.h"

char* vuCopyText(const char* text)
{
    return text ? strdup(text) : nullptr;
}

void vuReplaceText(char*& slot, const char* text)
{
    char* copy = vuCopyText(text);
    free(slot);
    slot = copy;
}

void vuReplaceImage(vuImage*& slot, vuImage* image)
{
    if (slot == image)
        return;
    if (slot)
        vuImage::Destroy(slot);
    slot = image;
}

void vuSetFlag(unsigned short& flags, unsigned short bit, bool on)
{
    if (on)
        flags = static_cast<unsigned short>(flags | bit);
    else
        flags = static_cast<unsigned short>(flags & ~bit);
}

void vuSetJustifyBits(unsigned short& word, unsigned char bits)
{
    if ((bits & 0x3) == 0x3 || (bits & 0xC) == 0xC)
        return;
    word = static_cast<unsigned short>((word & 0x0FFF) | ((bits & 0xF) << 12));
}

int vuDrawCentred(vuFrameBuffer* fb, vuViewPort* port, vuImage* image, short x, short y, unsigned short w,
                  unsigned short h)
{
    const unsigned short iw = image->GetWidth(), ih = image->GetHeight();
    const unsigned short sx = iw > w ? static_cast<unsigned short>((iw - w) / 2) : 0;
    const unsigned short sy = ih > h ? static_cast<unsigned short>((ih - h) / 2) : 0;
    const short dx = iw < w ? static_cast<short>(x + (w - iw) / 2) : x;
    const short dy = ih < h ? static_cast<short>(y + (h - ih) / 2) : y;
    return image->Draw(fb, port, sx, sy, dx, dy, iw < w ? iw : w, ih < h ? ih : h);
}

namespace {

bool isBreak(char c)
{
    return c == ' ' || c == '!' || c == ',' || c == '-' || c == '.' || c == ';' || c == '?';
}

} // namespace

unsigned short vuBreakLine(const char* text, unsigned short start, unsigned short& next, unsigned short limit,
                           bool wrap)
{
    int brk = -1;
    for (size_t i = start;; ++i) {
        const char c = text[i];
        if (c == 0) {
            next = 0;
            return static_cast<unsigned short>(i - start);
        }
        if (c == '\n') {
            size_t len = i - start;
            if (len && text[i - 1] == '\r')
                --len;
            if (len) {
                next = static_cast<unsigned short>(i + 1);
                return static_cast<unsigned short>(len);
            }
            continue;
        }
        if (!wrap)
            continue;
        if (i > start && isBreak(c))
            brk = static_cast<int>(i);
        if (i - start >= limit) {
            if (brk >= 0) {
                next = static_cast<unsigned short>(brk + 1);
                return static_cast<unsigned short>(static_cast<size_t>(brk) - start + (text[brk] == ' ' ? 0 : 1));
            }
            next = static_cast<unsigned short>(i);
            return static_cast<unsigned short>(i - start);
        }
    }
}

bool vuIsD200Keypad()
{
    char model[OS_REG_VALUE_MAX];
    if (OsRegGetValue("ro.fac.pn", model) < 0)
        return false;
    return strncmp(model, "D200", 4) == 0;
}
