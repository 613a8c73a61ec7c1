#include "vuCheckBox.h"

#include "vuBoxItem.h"
#include "vuColor.h"
#include "vuImage.h"
#include "vuTrace.h"

vuCheckBox::vuCheckBox(short x_, short y_, unsigned short w, unsigned short h)
    : vuBox(x_, y_, w, h, vuImage::CreateMemIcon(VU_MEMICON_CHECK_ON), vuImage::CreateMemIcon(VU_MEMICON_CHECK_OFF))
{
    SetPassiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 22)),
                    static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 23)));
    SetActiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 24)),
                   static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 25)));
    SetTransparency(1);
    SetBorder(1);
}

vuCheckBox::~vuCheckBox() {}

_VU_TypeObject vuCheckBox::GetType() const
{
    return VU_TYPE_CHECK_BOX;
}

int vuCheckBox::checkItem(unsigned short n)
{
    vuBoxItem* item = GetItem(n);
    if (!item)
        return 0;
    item->Check(item->IsChecked() ? 0 : 1);
    return 2;
}

unsigned int vuCheckBox::GetSelected()
{
    unsigned int mask = 0;
    unsigned int n = GetCount();
    for (unsigned int i = 0; i < n && i < 32; ++i)
        if (GetItem(static_cast<unsigned short>(i + 1))->IsChecked())
            mask |= 1u << i;
    return mask;
}

void vuCheckBox::SetValue(unsigned int mask)
{
    unsigned int n = GetCount();
    for (unsigned int i = 0; i < n && i < 32; ++i)
        GetItem(static_cast<unsigned short>(i + 1))->Check((mask >> i) & 1u);
}

// ---- the screen trace ----------------------------------------------------

const char* vuCheckBox::TraceType() { return "checkbox"; }

void vuCheckBox::TraceRows(std::string& items, int x, int y) { TraceListRows(items, x, y); }
