#include "vuProgress.h"

#include <stdio.h>
#include <string.h>

#include "vuColor.h"
#include "vuFont.h"
#include "vuFrameBuffer.h"

namespace {

unsigned short clampSize(long v)
{
    return static_cast<unsigned short>(v <= 0 ? 0 : (v > 0xFFFF ? 0xFFFF : v));
}

}

vuProgress::vuProgress(short x, short y, unsigned short w, unsigned short h)
    : vuWidget(x, y, w, h), value(0), shown(0)
{
    SetTransparency(0);
    SetBorder(0);
    SetPassiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 34)),
                    static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 35)));
    SetFont(1);
}

vuProgress::~vuProgress() {}

_VU_TypeObject vuProgress::GetType() const
{
    return VU_TYPE_PROGRESS;
}

void vuProgress::Reset()
{
    vuWidget::Reset();
    value.store(0, std::memory_order_relaxed);
    shown = 0;
}

vuProgress* vuProgress::SetValue(unsigned short percent)
{
    value.store(percent, std::memory_order_relaxed);
    return this;
}

int vuProgress::HandleEvent(vuEvent*)
{
    unsigned short now = GetValue();
    if (now == shown)
        return 0;
    shown = now;
    return 2;
}

int vuProgress::DrawItem(vuFrameBuffer* fb, vuViewPort* port)
{
    if (!fb)
        return -4;
    const long W = width, H = height;
    const unsigned short percent = GetValue();
    const long b = W * percent / 100;
    const bool fromRight = (flags & VU_WF_JUSTIFY_RIGHT) != 0;
    if (b > 0) {
        long bx = fromRight ? x + W - b : x;
        // A bar longer than the widget is cut by the view port; keep its
        // start representable.
        if (bx < -0x8000)
            bx = -0x8000;
        fb->Fill(port, static_cast<short>(bx), y, clampSize(b), height, passiveFront, 0);
    }

    vuFont* f = fb->GetFont(font);
    if (!f)
        return 0;
    char text[8];
    snprintf(text, sizeof text, "%u%%", static_cast<unsigned>(percent));
    const long L = static_cast<long>(strlen(text));
    const long F = f->GetHeight(), C = f->GetWidth();
    const long textW = L * C;

    long ty;
    if (flags & VU_WF_JUSTIFY_BOTTOM)
        ty = H - F;
    else if (flags & VU_WF_JUSTIFY_TOP)
        ty = 0;
    else
        ty = (H - F) / 2;
    const long tx = (W - textW) / 2;
    const unsigned short skipRows = clampSize(-ty);
    const short textX = static_cast<short>(x + tx);
    const short textY = static_cast<short>(y + (ty > 0 ? ty : 0));
    const unsigned short textH = clampSize(H - ty);

    f->DrawString(fb, port, text, 0, 0, skipRows, textX, textY, clampSize(textW), textH, passiveFront);

    // The digits over the bar, inverted.
    if (!fromRight) {
        if (tx < b)
            f->DrawString(fb, port, text, 0, 0, skipRows, textX, textY, clampSize(b - tx), textH, passiveBack);
    } else {
        const long e = W - b;
        if (e < tx + textW) {
            const long from = tx > e ? tx : e;
            f->DrawString(fb, port, text, 0, clampSize(e - tx), skipRows, static_cast<short>(x + from), textY,
                          clampSize(textW), textH, passiveBack);
        }
    }
    return 0;
}

// ---- the screen trace ----------------------------------------------------

const char* vuProgress::TraceType() { return "progress"; }
