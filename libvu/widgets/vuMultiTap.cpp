#include "vuMultiTap.h"

#include <string.h>

#include "vuFont.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuKeyScheme.h"
#include "vuUI.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"

bool vuKeyHintPlace(short x, short y, unsigned short h, int cw, int ch, int fw, int fh,
                    int letters, short& hx, short& hy, unsigned short& hw, unsigned short& hh)
{
    if (fw <= 0 || fh <= 0 || letters <= 0)
        return false;
    const int width = letters * fw;
    int left = x;
    if (left + width > cw)
        left = cw - width;
    if (left < 0)
        left = 0;
    int top = 0;
    if (y >= fh)
        top = y - fh;
    else if (y + h + fh <= ch)
        top = y + h;
    hx = static_cast<short>(left);
    hy = static_cast<short>(top);
    hw = static_cast<unsigned short>(width);
    hh = static_cast<unsigned short>(fh);
    return true;
}

namespace {

// The parent's client area; the screen's without a parent.
void clientSize(vuViewContainerObject* parent, int& cw, int& ch)
{
    cw = parent ? parent->GetClientWidth() : vuUI::GetWidth();
    ch = parent ? parent->GetClientHeight() : vuUI::GetHeight();
}

} // namespace

bool vuKeyHintRect(vuViewContainerObject* parent, short x, short y, unsigned short h,
                   unsigned short fontSlot, unsigned short keyScheme, unsigned char key, short& hx, short& hy,
                   unsigned short& hw, unsigned short& hh)
{
    const char* row = key ? vuKeyScheme::getKeyScheme(keyScheme, key) : nullptr;
    if (!row || !*row)
        return false;
    int cw, ch;
    clientSize(parent, cw, ch);
    return vuKeyHintPlace(x, y, h, cw, ch, vuUI::GetFontWidth(fontSlot), vuUI::GetFontHeight(fontSlot),
                          static_cast<int>(strlen(row)), hx, hy, hw, hh);
}

void vuDrawKeyHint(vuFrameBuffer* fb, vuViewContainerObject* parent, short x, short y, unsigned short h,
                   unsigned short fontSlot, unsigned short keyScheme, unsigned char key,
                   unsigned char tapCount, unsigned short front, unsigned short back)
{
    if (!fb || !key)
        return;
    vuFont* F = fb->GetFont(fontSlot);
    if (!F || !F->GetWidth() || !F->GetHeight())
        return;
    const char* row = vuKeyScheme::getKeyScheme(keyScheme, key);
    if (!row || !*row)
        return;
    int L = static_cast<int>(strlen(row));
    int i = tapCount % L;
    int fw = F->GetWidth(), fh = F->GetHeight();
    int cw, ch;
    clientSize(parent, cw, ch);
    short left, top;
    unsigned short stripW, stripH;
    if (!vuKeyHintPlace(x, y, h, cw, ch, fw, fh, L, left, top, stripW, stripH))
        return;
    x = left;
    vuViewPort hint{x, top, stripW, static_cast<uint16_t>(fh), 0, 0};
    if (parent)
        parent->GetViewPort(&hint);
    if (!vuViewPort::IsExist(&hint))
        return;
    fb->Fill(&hint, x, top, stripW, static_cast<unsigned short>(fh), back, 0);
    F->DrawString(fb, &hint, row, static_cast<unsigned short>(L), 0, 0, x, top, stripW,
                  static_cast<unsigned short>(fh), front);
    short cell = static_cast<short>(x + i * fw);
    fb->Fill(&hint, cell, top, static_cast<unsigned short>(fw), static_cast<unsigned short>(fh), front, 0);
    F->DrawString(fb, &hint, row + i, 1, 0, 0, cell, top, static_cast<unsigned short>(fw),
                  static_cast<unsigned short>(fh), back);
}

vuVirtualKeyboard* vuFindVirtualKeyboard(vuViewContainerObject* parent)
{
    vuVirtualKeyboard* kb = vuUI::GetVirtualKeyboard();
    if (!kb) {
        vuForm* form = dynamic_cast<vuForm*>(parent);
        if (form)
            kb = form->GetVirtualKeyboard();
    }
    return kb;
}
