#include "vuBoxItem.h"

#include <stdlib.h>
#include <string.h>

#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuWidgetParts.h"

vuBoxItem::vuBoxItem(const char* t, vuImage* pic)
    : picture(pic), text(t ? strdup(t) : nullptr), checked(0), lineMode(0)
{
}

vuBoxItem::~vuBoxItem()
{
    vuReplaceImage(picture, nullptr);
    free(text);
    text = nullptr;
}

unsigned short vuBoxItem::GetLine(unsigned short start, unsigned short& next, unsigned short columns)
{
    next = 0;
    if (!text || start >= strlen(text))
        return 0;
    return vuBreakLine(text, start, next, columns, lineMode == 0);
}

void vuBoxItem::SetLineMode(unsigned char mode)
{
    lineMode = mode;
}

void vuBoxItem::Reset()
{
    checked = 0;
}

unsigned short vuBoxItem::GetHeight()
{
    return picture ? picture->GetHeight() : 0;
}

int vuBoxItem::IsAnimate()
{
    return picture ? picture->IsAnimate() : 0;
}

unsigned char vuBoxItem::IsChecked()
{
    return checked;
}

void vuBoxItem::Check(unsigned char on)
{
    checked = on;
}

int vuBoxItem::Draw(vuFrameBuffer* fb, vuViewPort* port, short x, short y, unsigned short w, unsigned short h,
                    unsigned short lines, unsigned short font, unsigned short colour)
{
    if (!fb)
        return -4;
    int p = 0;
    if (picture) {
        picture->SetColor(colour);
        int ph = picture->GetHeight();
        int d = ph < h ? (h - ph) / 2 : 0;
        picture->Draw(fb, port, 0, 0, x, static_cast<short>(y + d), w, static_cast<unsigned short>(h - d));
        p = picture->GetWidth();
    }
    if (!text || p >= w)
        return 0;
    vuFont* F = fb->GetFont(font);
    if (!F || !F->GetHeight())
        return 0;
    int fw = F->GetWidth(), fh = F->GetHeight();
    if (lines <= 1) {
        int d = fh < h ? (h - fh) / 2 : 0;
        return F->DrawString(fb, port, text, 0, 0, 0, static_cast<short>(x + p), static_cast<short>(y + d),
                             static_cast<unsigned short>(w - p), static_cast<unsigned short>(h - d), colour);
    }
    unsigned short columns = static_cast<unsigned short>(fw ? (w - p) / fw : 0);
    int margin = lines * fh < h ? (h - lines * fh) / 2 : 0;
    unsigned short pos = 0, next = 0;
    int result = 0;
    for (unsigned short row = 0; row < lines;) {
        unsigned short l = GetLine(pos, next, columns);
        if (!l)
            break;
        // The line breaks that begin a line (an empty line before it) are
        // not drawn as characters.
        unsigned short skip = 0;
        while (skip < l && (text[pos + skip] == '\r' || text[pos + skip] == '\n'))
            ++skip;
        int top = margin + row * fh;
        if (top < h && skip < l)
            result = F->DrawString(fb, port, text + pos + skip, static_cast<unsigned short>(l - skip), 0, 0,
                                   static_cast<short>(x + p), static_cast<short>(y + top),
                                   static_cast<unsigned short>(w - p), static_cast<unsigned short>(h - top), colour);
        ++row;
        if (result != 0 || !next)
            break;
        pos = next;
    }
    return result;
}
