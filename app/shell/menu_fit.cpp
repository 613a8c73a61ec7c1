#include "menu_fit.h"

#include <string.h>

#include <string>

#include "vuMenu.h"
#include "vuMenuCore.h"
#include "vuMenuItem.h"
#include "vuUI.h"

namespace {

// The font the menu numbers its rows in, unless the menu says otherwise.
const int kAccelFont = 1;

} // namespace

void menu_fit_rows(vuMenu *menu)
{
    if (!menu)
        return;
    int count = 0, fw = 0;
    for (vuViewObject *o = menu->GetFirst(); o; o = menu->GetNext(o)) {
        vuMenuItem *row = dynamic_cast<vuMenuItem *>(o);
        if (!row)
            continue;
        if (!fw)
            fw = vuUI::GetFontWidth(row->GetFontIndex());
        ++count;
    }
    if (fw <= 0 || count == 0)
        return;
    const int pitch = menu->GetRow() + menu->GetRowInterval();
    const bool scrolls = pitch * count - menu->GetRowInterval() > menu->GetClientHeight();
    const bool numbered = menu->IsOption(VU_MO_ACCEL) && count <= 9;
    const int room = menu->GetClientWidth() - (scrolls ? 4 : 2) - (numbered ? vuUI::GetFontWidth(kAccelFont) + 2 : 0);
    const size_t cols = room > 4 * fw ? static_cast<size_t>(room / fw) : 4;
    for (vuViewObject *o = menu->GetFirst(); o; o = menu->GetNext(o)) {
        vuMenuItem *row = dynamic_cast<vuMenuItem *>(o);
        const char *text = row ? row->GetText() : nullptr;
        if (!text || strchr(text, '\n') || strlen(text) <= cols)
            continue;
        std::string cut(text, cols - 3);
        cut += "...";
        row->SetText(cut.c_str());
    }
}
