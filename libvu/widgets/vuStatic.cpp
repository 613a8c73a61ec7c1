#include "vuStatic.h"

#include <stdlib.h>
#include <string.h>

#include "vuColor.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuWidgetParts.h"

namespace {

int atLeast0(int v)
{
    return v > 0 ? v : 0;
}

}

int vuDrawContent(vuFrameBuffer* fb, vuViewPort* port, short X, short Y, short W, short H, unsigned short flags,
                  unsigned short fontSlot, const char* text, vuImage* image, unsigned short colour)
{
    if (!fb)
        return -4;
    vuFont* font = text ? fb->GetFont(fontSlot) : nullptr;
    int tw = 0, fh = 0;
    if (font) {
        tw = font->GetWidth() * static_cast<int>(strlen(text));
        fh = font->GetHeight();
    }
    int iw = image ? image->GetWidth() : 0;
    int ih = image ? image->GetHeight() : 0;

    bool left = flags & VU_WF_JUSTIFY_LEFT, right = flags & VU_WF_JUSTIFY_RIGHT;
    bool top = flags & VU_WF_JUSTIFY_TOP, bottom = flags & VU_WF_JUSTIFY_BOTTOM;
    bool stacked = (top || bottom) && !(left || right);

    int bw = stacked ? (iw > tw ? iw : tw) : iw + tw;
    int bh = stacked ? ih + fh : (ih > fh ? ih : fh);
    int oy = bottom ? H - bh : top ? 0 : (H - bh) / 2;
    int ox = right ? W - bw : left ? 0 : (W - bw) / 2;

    if (image)
        image->SetColor(colour);
    int imageResult = 0, textResult = 0;
    bool textDrawn = false;
    // The windows handed to the image and the text end at the area's right
    // and bottom edges, so a button's content never paints over its bevel.
    if (!stacked) {
        if (image) {
            int iy = ih >= bh ? oy : bottom ? oy + bh - ih : top ? oy : oy + (bh - ih) / 2;
            int w = W - atLeast0(ox), h = H - atLeast0(iy);
            if (w > 0 && h > 0)
                imageResult = image->Draw(fb, port, vuClampSize(-ox), vuClampSize(-iy), static_cast<short>(X + atLeast0(ox)),
                                          static_cast<short>(Y + atLeast0(iy)), vuClampSize(w), vuClampSize(h));
        }
        ox += iw;
        if (font && ox < W) {
            int ty = oy;
            if (fh < bh)
                ty += bottom ? bh - fh : (top ? 0 : (bh - fh) / 2);
            int w = W - atLeast0(ox), h = H - atLeast0(ty);
            if (w > 0 && h > 0) {
                textResult = font->DrawString(fb, port, text, 0, vuClampSize(-ox), vuClampSize(-ty),
                                              static_cast<short>(X + atLeast0(ox)), static_cast<short>(Y + atLeast0(ty)),
                                              vuClampSize(w), vuClampSize(h), colour);
                textDrawn = true;
            }
        }
    } else {
        if (image) {
            int ix = iw >= bw ? ox : ox + (bw - iw) / 2;
            int w = W - atLeast0(ix), h = H - atLeast0(oy);
            if (w > 0 && h > 0)
                imageResult = image->Draw(fb, port, vuClampSize(-ix), vuClampSize(-oy), static_cast<short>(X + atLeast0(ix)),
                                          static_cast<short>(Y + atLeast0(oy)), vuClampSize(w), vuClampSize(h));
        }
        oy += ih;
        if (font && oy < H) {
            int tx = tw < bw ? ox + (bw - tw) / 2 : ox;
            int w = W - atLeast0(tx), h = H - atLeast0(oy);
            if (w > 0 && h > 0) {
                textResult = font->DrawString(fb, port, text, 0, vuClampSize(-tx), vuClampSize(-oy),
                                              static_cast<short>(X + atLeast0(tx)), static_cast<short>(Y + atLeast0(oy)),
                                              vuClampSize(w), vuClampSize(h), colour);
                textDrawn = true;
            }
        }
    }
    if (textDrawn)
        return textResult;
    return image ? imageResult : 0;
}

vuStatic::vuStatic(short x, short y, unsigned short w, unsigned short h, const char* t, vuImage* img)
    : vuWidget(x, y, w, h), text(t ? strdup(t) : nullptr)
{
    flags = VU_WF_TRANSPARENT;
    font = 1;
    passiveFront = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 4));
    passiveBack = static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 5));
    image = img;
}

vuStatic::~vuStatic()
{
    free(text);
}

_VU_TypeObject vuStatic::GetType() const
{
    return VU_TYPE_STATIC;
}

int vuStatic::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    return vuDrawContent(fb, port, x, y, static_cast<short>(width), static_cast<short>(height), flags, font, text,
                         image, IsSelect() ? activeFront : passiveFront);
}

void vuStatic::SetText(const char* t)
{
    if (!t)
        return;
    vuReplaceText(text, t);
}

const char* vuStatic::GetText()
{
    return text;
}

void vuStatic::SetImage(vuImage* img)
{
    vuReplaceImage(image, img);
}
