#include "vuRadio.h"

#include "vuBoxItem.h"
#include "vuColor.h"
#include "vuImage.h"
#include "vuTrace.h"

vuRadio::vuRadio(short x_, short y_, unsigned short w, unsigned short h)
    : vuBox(x_, y_, w, h, vuImage::CreateMemIcon(VU_MEMICON_RADIO_ON), vuImage::CreateMemIcon(VU_MEMICON_RADIO_OFF))
{
    SetPassiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 26)),
                    static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 27)));
    SetActiveColor(static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 28)),
                   static_cast<unsigned short>(vuColor::GetColor(VU_TYPE_FORM, 29)));
    SetTransparency(1);
    SetBorder(1);
}

vuRadio::~vuRadio() {}

_VU_TypeObject vuRadio::GetType() const
{
    return VU_TYPE_RADIO;
}

void vuRadio::Reset()
{
    vuBox::Reset();
    checkItem(1);
}

int vuRadio::checkItem(unsigned short n)
{
    if (!GetItem(n))
        return 0;
    unsigned int count = GetCount();
    for (unsigned int i = 1; i <= count; ++i)
        GetItem(static_cast<unsigned short>(i))->Check(i == n ? 1 : 0);
    return 2;
}

unsigned int vuRadio::GetSelected()
{
    unsigned int count = GetCount();
    for (unsigned int i = 1; i <= count; ++i)
        if (GetItem(static_cast<unsigned short>(i))->IsChecked())
            return i;
    return 0;
}

void vuRadio::SetValue(unsigned int n)
{
    if (n <= 0xFFFF)
        checkItem(static_cast<unsigned short>(n));
}

// ---- the screen trace ----------------------------------------------------

const char* vuRadio::TraceType() { return "radio"; }

void vuRadio::TraceRows(std::string& items, int x, int y) { TraceListRows(items, x, y); }
