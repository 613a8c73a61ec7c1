#include "vuMultiTap.h"

#include <string.h>

#include "vuFont.h"
#include "vuForm.h"
#include "vuFrameBuffer.h"
#include "vuKeyScheme.h"
#include "vuUI.h"
#include "vuViewContainerObject.h"
#include "vuViewPort.h"

void vuDrawKeyHint(vuFrameBuffer* fb, vuViewContainerObject* parent, short x, short y, unsigned short fontSlot,
                   unsigned short keyScheme, unsigned char key, unsigned char tapCount, unsigned short front,
                   unsigned short back)
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
    short top = static_cast<short>(fh < y ? y - fh : 0);
    unsigned short stripW = static_cast<unsigned short>(L * fw);
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
