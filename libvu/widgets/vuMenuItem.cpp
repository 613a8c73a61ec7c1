#include "vuMenuItem.h"

#include <stdlib.h>
#include <string.h>

#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuViewPort.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

vuMenuItem::vuMenuItem(const char* text, vuImage* img, unsigned char keyChar) : vuWidget()
{
    memset(&ext, 0, sizeof ext);
    init(text, nullptr);
    ext.keyChar = keyChar;
    image = img;
}

vuMenuItem::vuMenuItem(MENU_ITEM_EXT* record, vuImage* img, const char* itemName) : vuWidget()
{
    memset(&ext, 0, sizeof ext);
    if (record) {
        init(record->text, record->text2);
        ext.tag = record->tag;
        ext.value = record->value;
        ext.selectOnReset = record->selectOnReset;
        ext.keyChar = record->keyChar;
        ext.noWrap = record->noWrap;
    } else {
        init(nullptr, nullptr);
    }
    image = img;
    if (itemName)
        SetName(itemName);
}

void vuMenuItem::init(const char* text, const char* text2)
{
    ext.text = vuCopyText(text);
    ext.text2 = vuCopyText(text2);
    flags |= VU_WF_SELECTABLE;
}

vuMenuItem::~vuMenuItem()
{
    free(const_cast<char*>(ext.text));
    free(const_cast<char*>(ext.text2));
    ext.text = nullptr;
    ext.text2 = nullptr;
}

_VU_TypeObject vuMenuItem::GetType() const
{
    return VU_TYPE_MENU_ITEM;
}

MENU_ITEM_EXT* vuMenuItem::GetExtData()
{
    return &ext;
}

unsigned short vuMenuItem::GetLine(unsigned short start, unsigned short& next, unsigned short limit)
{
    const char* t = ext.text;
    if (!t || start > strlen(t) || t[start] == 0)
        return 0;
    // A limit of 0 still advances: one character per line.
    return vuBreakLine(t, start, next, limit ? limit : 1, ext.noWrap == 0);
}

unsigned short vuMenuItem::SkipLineFeeds(unsigned short pos) const
{
    const char* t = ext.text;
    if (!t)
        return pos;
    size_t n = strlen(t);
    while (pos < n) {
        if (t[pos] == '\n')
            ++pos;
        else if (t[pos] == '\r' && t[pos + 1] == '\n')
            pos = static_cast<unsigned short>(pos + 2);
        else
            break;
    }
    return pos;
}

unsigned short vuMenuItem::GetImageHeight()
{
    return image ? image->GetHeight() : 0;
}

unsigned short vuMenuItem::GetImageWidth()
{
    return image ? image->GetWidth() : 0;
}

const char* vuMenuItem::GetText()
{
    return ext.text;
}

void vuMenuItem::SetImage(vuImage* img)
{
    vuReplaceImage(image, img);
}

void vuMenuItem::SetText(const char* text)
{
    if (!text)
        return;
    char* copy = vuCopyText(text);
    free(const_cast<char*>(ext.text));
    ext.text = copy;
}

void vuMenuItem::SetTag(long tag)
{
    ext.tag = static_cast<unsigned long>(tag);
}

void vuMenuItem::SelectOnReset()
{
    ext.selectOnReset = 1;
}

void vuMenuItem::UnSelectOnReset()
{
    ext.selectOnReset = 0;
}

// Up to `lines` lines of the text from (x, y), one font height apart; each
// centred in w when centre is set. Stops at an error, an empty line or the
// end of the text.
int vuMenuItem::drawLines(vuFrameBuffer* fb, vuViewPort* port, short x, short y, unsigned short w,
                          unsigned short h, unsigned short lines, bool centre, unsigned short colour)
{
    vuFont* f = fb->GetFont(font);
    const int cw = f->GetWidth(), fh = f->GetHeight();
    const unsigned short limit = vuClampSize(cw ? w / cw : 0);
    unsigned short pos = 0;
    for (unsigned k = 0; k < lines; ++k) {
        pos = SkipLineFeeds(pos);
        unsigned short next = pos;
        unsigned short len = GetLine(pos, next, limit);
        if (!len)
            break;
        int tx = 0;
        if (centre && len * cw < w)
            tx = (w - len * cw) / 2;
        int r = f->DrawString(fb, port, ext.text + pos, len, 0, 0, static_cast<short>(x + tx),
                              static_cast<short>(y + static_cast<int>(k) * fh), vuClampSize(w - tx), h, colour);
        if (r < 0)
            return r;
        if (next == 0)
            break;
        pos = next;
    }
    return 0;
}

int vuMenuItem::DrawMenuItem(vuFrameBuffer* fb, vuViewPort* port, unsigned short indent, short x, short y,
                             unsigned short w, unsigned short h, unsigned short lines, unsigned char type)
{
    if (!fb)
        return -4;
    const bool sel = IsSelect() != 0;
    const unsigned short front = sel ? activeFront : passiveFront;
    const unsigned short back = sel ? activeBack : passiveBack;
    vuFont* f = fb->GetFont(font);
    int result = 0;
    if (!IsTransparency())
        fb->Fill(port, x, y, w, h, back, 0);

    if (type == 1) {
        if (f) {
            const int fh = f->GetHeight();
            const int block = lines * fh;
            int top = 0;
            if (image) {
                const int iw = image->GetWidth(), ih = image->GetHeight();
                const int ox = iw < w ? (w - iw) / 2 : 0;
                const int oy = ih < h - block - 2 ? (h - block - ih - 4) / 2 : 0;
                if (oy < h) {
                    image->SetColor(front);
                    int r = image->Draw(fb, port, 0, 0, static_cast<short>(x + ox), static_cast<short>(y + oy),
                                        vuClampSize(w - ox), vuClampSize(h - oy));
                    if (r < 0 && result == 0)
                        result = r;
                }
                top = ih + oy + 2;
            }
            if (top == 0 || top > h - block - 1)
                top = h - block - 1;
            if (top < 0)
                top = 0;
            if (ext.text && result == 0)
                result = drawLines(fb, port, static_cast<short>(x), static_cast<short>(y + top), w,
                                      vuClampSize(h - top), lines, true, front);
            if (sel)
                fb->Border(port, x, y, w, h, front);
        }
    } else {
        int ind = indent;
        if (image) {
            const int iw = image->GetWidth(), ih = image->GetHeight();
            const int oy = ih < h ? (h - ih) / 2 : 0;
            image->SetColor(front);
            int r = image->Draw(fb, port, 0, 0, static_cast<short>(x + ind + 1), static_cast<short>(y + oy),
                                vuClampSize(w - ind - 1), vuClampSize(h - oy));
            if (r < 0)
                result = r;
            ind += iw + 2;
        }
        if (ext.text && f && ind < w && result == 0) {
            const int fh = f->GetHeight();
            if (lines <= 1) {
                const int ty = fh < h ? (h - fh) / 2 : 0;
                unsigned short pos = SkipLineFeeds(0);
                if (ext.text[pos]) {
                    int r = f->DrawString(fb, port, ext.text + pos, 0, 0, 0, static_cast<short>(x + ind),
                                          static_cast<short>(y + ty), vuClampSize(w - ind), h, front);
                    if (r < 0)
                        result = r;
                }
            } else {
                const int block = lines * fh;
                const int ty = block < h ? (h - block) / 2 : 0;
                result = drawLines(fb, port, static_cast<short>(x + ind), static_cast<short>(y + ty),
                                      vuClampSize(w - ind), h, lines, false, front);
            }
        }
    }
    if (IsBorder())
        fb->Border(port, x, y, w, h, front);
    return result;
}

// ---- the screen trace ----------------------------------------------------

unsigned short vuMenuItem::TraceTextColor() { return IsSelect() ? GetActiveFrontColor() : GetPassiveFrontColor(); }
