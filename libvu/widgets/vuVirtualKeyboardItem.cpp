#include "vuVirtualKeyboardItem.h"

#include <stdlib.h>
#include <string.h>

namespace {

char* copyNonEmpty(const char* t)
{
    return t && *t ? strdup(t) : nullptr;
}

}

vuVirtualKeyboardItem::vuVirtualKeyboardItem(unsigned short f, const char* n)
    : font(f), rowCount(0), rowHeight(ROW_HEIGHT), name(n ? strdup(n) : nullptr)
{
    for (int i = 0; i < MAX_ROWS; ++i)
        codes[i] = capsCodes[i] = shiftCodes[i] = nullptr;
}

vuVirtualKeyboardItem::~vuVirtualKeyboardItem()
{
    free(name);
    for (int i = 0; i < MAX_ROWS; ++i) {
        free(codes[i]);
        free(capsCodes[i]);
        free(shiftCodes[i]);
    }
}

const char* vuVirtualKeyboardItem::GetName() const
{
    return name;
}

void vuVirtualKeyboardItem::AddRow(const char* c, const char* caps, const char* shift)
{
    if (rowCount >= MAX_ROWS || (!c && !caps && !shift))
        return;
    codes[rowCount] = copyNonEmpty(c);
    capsCodes[rowCount] = copyNonEmpty(caps);
    shiftCodes[rowCount] = copyNonEmpty(shift);
    ++rowCount;
}

unsigned short vuVirtualKeyboardItem::GetRowHeight(unsigned short) const
{
    return rowHeight;
}

unsigned short vuVirtualKeyboardItem::GetHeight() const
{
    return static_cast<unsigned short>(rowCount * rowHeight);
}

const char* vuVirtualKeyboardItem::GetCodes(unsigned short row) const
{
    return row < rowCount ? codes[row] : nullptr;
}

const char* vuVirtualKeyboardItem::GetCapsCodes(unsigned short row) const
{
    return row < rowCount ? capsCodes[row] : nullptr;
}

const char* vuVirtualKeyboardItem::GetShiftCodes(unsigned short row) const
{
    return row < rowCount ? shiftCodes[row] : nullptr;
}
