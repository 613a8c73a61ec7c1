// Painting a whole screen (background, status line, form, on-screen
// keyboard, block form, or the full-screen picture) and the status line alone.
#include <stdint.h>

#include "vuColor.h"
#include "vuFrameBuffer.h"
#include "vuImage.h"
#include "vuUI.h"
#include "vuUIParts.h"

namespace {

// Where a picture of the given size sits when centred on the screen; an
// axis on which it is not smaller than the screen starts at 0.
int centre(int screen, int picture) { return picture < screen ? (screen - picture) / 2 : 0; }

uint16_t uiColour() { return static_cast<uint16_t>(vuColor::GetColor(VU_TYPE_UI, 0)); }

} // namespace

unsigned vuUI::clientKeyNow() const
{
    if (!statusLine)
        return 0;
    return 1u | (vuUIParts::StatusLineAtBottom(statusLine) ? 2u : 0u) |
           (vuUIParts::StatusLineHidden(statusLine) ? 4u : 0u) |
           static_cast<unsigned>(vuUIParts::StatusLineHeight(statusLine)) << 8;
}

void vuUI::updateClient()
{
    if (!fb)
        return;
    const unsigned key = clientKeyNow();
    if (statusLine == clientLine && key == clientKey)
        return;
    clientLine = statusLine;
    clientKey = key;
    fb->UpdateClient();
}

void vuUI::paintBackground(int y, int rows)
{
    int w = fb->GetWidth(), h = fb->GetHeight();
    if (y < 0) {
        rows += y;
        y = 0;
    }
    if (y + rows > h)
        rows = h - y;
    if (rows <= 0)
        return;
    if (!background) {
        fb->Fill(nullptr, 0, static_cast<short>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(rows), uiColour(), 0);
        return;
    }
    int bw = background->GetWidth(), bh = background->GetHeight();
    int ox = centre(w, bw), oy = centre(h, bh);
    if (ox || oy)
        fb->Fill(nullptr, 0, static_cast<short>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(rows), uiColour(), 0);
    // The picture's rows that lie within [y, y + rows).
    int top = y > oy ? y : oy;
    int bottom = y + rows < oy + bh ? y + rows : oy + bh;
    if (bottom > top)
        background->Draw(fb, nullptr, 0, static_cast<uint16_t>(top - oy), static_cast<short>(ox), static_cast<short>(top),
                         static_cast<uint16_t>(bw), static_cast<uint16_t>(bottom - top));
}

void vuUI::filledRows(vuForm *form, int &top, int &rows)
{
    top = 0;
    rows = 0;
    int16_t x, y;
    uint16_t w, h;
    if (!vuUIParts::FormFillArea(form, x, y, w, h) || x > 0 || x + w < fb->GetWidth())
        return;
    int from = y > 0 ? y : 0;
    int to = y + h < fb->GetHeight() ? y + h : fb->GetHeight();
    if (to > from) {
        top = from;
        rows = to - from;
    }
}

int vuUI::drawCentred(vuImage *image)
{
    int w = fb->GetWidth(), h = fb->GetHeight();
    int iw = image->GetWidth(), ih = image->GetHeight();
    int ox = centre(w, iw), oy = centre(h, ih);
    if (ox || oy)
        fb->Fill(nullptr, 0, 0, static_cast<uint16_t>(w), static_cast<uint16_t>(h), uiColour(), 0);
    return image->Draw(fb, nullptr, 0, 0, static_cast<short>(ox), static_cast<short>(oy), static_cast<uint16_t>(iw),
                       static_cast<uint16_t>(ih));
}

int vuUI::draw(vuForm *form, int blocked)
{
    if (!fb)
        return VU_ERR_NO_FB;
    bool overlay = form && vuUIParts::FormAlone(form);
    updateClient();
    // A picture shown without a form, or under a form drawn alone, stays.
    bool keepPicture = picture && (!form || overlay);
    if (!keepPicture) {
        // Rows the form's body fill covers from edge to edge are painted
        // over at once: the background is left out there.
        int coverTop = 0, coverRows = 0;
        if (form && !overlay)
            filledRows(form, coverTop, coverRows);
        paintBackground(0, coverTop);
        paintBackground(coverTop + coverRows, fb->GetHeight() - coverTop - coverRows);
        // The status line's own failures do not keep the screen from coming up.
        if (statusLine && !vuUIParts::StatusLineHidden(statusLine))
            vuUIParts::StatusLineDraw(statusLine, fb);
    }
    int r = 0;
    if (form) {
        r = vuUIParts::FormDraw(form, fb);
        // A hidden keyboard draws nothing (and says so): not a failure.
        if (r == 0 && virtualKeyboard && vuUIParts::KeyboardIsActive(virtualKeyboard))
            vuUIParts::KeyboardDraw(virtualKeyboard, fb);
        if (r == 0 && blocked && blockForm)
            r = vuUIParts::FormDraw(blockForm, fb);
    } else if (picture) {
        r = drawCentred(picture);
    }
    if (r != 0)
        return r;
    if (overlay)
        vuUIParts::FormToScreen(form, fb);
    else
        fb->ToScreen();
    return 0;
}

int vuUI::drawAnimation(vuForm *form, int blocked, bool &whole)
{
    whole = true;
    if (!fb)
        return VU_ERR_NO_FB;
    // Whatever is drawn over the form, or a status line that changed the
    // client area, takes the whole screen.
    const bool alone = form && !blocked && !picture && !(virtualKeyboard && vuUIParts::KeyboardIsActive(virtualKeyboard)) &&
                       statusLine == clientLine && clientKeyNow() == clientKey;
    if (!alone || !vuUIParts::FormDrawAnimated(form, fb))
        return draw(form, blocked);
    whole = false;
    return 0;
}

int vuUI::drawStatusLine()
{
    if (!fb)
        return VU_ERR_NO_FB;
    updateClient();
    if (picture || !statusLine || vuUIParts::StatusLineHidden(statusLine))
        return 0;
    int h = fb->GetHeight();
    int rows = vuUIParts::StatusLineHeight(statusLine);
    if (rows > h)
        rows = h;
    int y = vuUIParts::StatusLineAtBottom(statusLine) ? h - rows : 0;
    paintBackground(y, rows);
    int r = vuUIParts::StatusLineDraw(statusLine, fb);
    // Whatever the line drew is copied, also after a failure of one object.
    if (rows > 0)
        fb->ToScreen(static_cast<uint16_t>(y), static_cast<uint16_t>(rows));
    return r;
}
