#include "vuStatic.h"

#include <stdlib.h>
#include <string.h>

#include "vuColor.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuWidgetParts.h"
#include "vuTrace.h"

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

    // Where the image and the text start: side by side, or stacked.
    int ix, iy, tx, ty;
    bool textFits;
    if (!stacked) {
        ix = ox;
        iy = ih >= bh ? oy : bottom ? oy + bh - ih : top ? oy : oy + (bh - ih) / 2;
        tx = ox + iw;
        ty = oy + (fh < bh ? (bottom ? bh - fh : top ? 0 : (bh - fh) / 2) : 0);
        textFits = tx < W;
    } else {
        ix = iw >= bw ? ox : ox + (bw - iw) / 2;
        iy = oy;
        tx = tw < bw ? ox + (bw - tw) / 2 : ox;
        ty = oy + ih;
        textFits = ty < H;
    }
    // A part starting at (px, py) is drawn through a window that ends at
    // the area's right and bottom edges, so a button's content never paints
    // over its bevel; what lies before the area's edges is cut off. False
    // when no window is left.
    auto drawAt = [&](int px, int py, auto&& draw) {
        int w = W - atLeast0(px), h = H - atLeast0(py);
        if (w <= 0 || h <= 0)
            return false;
        draw(vuClampSize(-px), vuClampSize(-py), static_cast<short>(X + atLeast0(px)),
             static_cast<short>(Y + atLeast0(py)), vuClampSize(w), vuClampSize(h));
        return true;
    };

    using U = unsigned short;
    int imageResult = 0, textResult = 0;
    bool textDrawn = false;
    if (image) {
        image->SetColor(colour);
        drawAt(ix, iy, [&](U sx, U sy, short dx, short dy, U w, U h) {
            imageResult = image->Draw(fb, port, sx, sy, dx, dy, w, h);
        });
    }
    if (font && textFits)
        textDrawn = drawAt(tx, ty, [&](U sx, U sy, short dx, short dy, U w, U h) {
            textResult = font->DrawString(fb, port, text, 0, sx, sy, dx, dy, w, h, colour);
        });
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

// ---- the screen trace ----------------------------------------------------

const char* vuStatic::TraceType() { return "static"; }

unsigned short vuStatic::TraceTextColor() { return IsSelect() ? GetActiveFrontColor() : GetPassiveFrontColor(); }

void vuStatic::TraceText(vuTraceItem& item) { item.Label(GetText(), GetFontIndex()); }
