// The screen trace's "form" and "screen" lines: the status line, the form,
// its header and a menu's rows; every widget on the form describes itself
// (vuWidget::TraceItems). vuTrace.h tells the format.
#include "vuTrace.h"

#include <cstring>
#include <string>

#include "vuForm.h"
#include "vuMemIcon.h"
#include "vuMenu.h"
#include "vuMenuItem.h"
#include "vuStatusLine.h"
#include "vuStatusObject.h"
#include "vuTextObject.h"
#include "vuUI.h"
#include "vuViewPort.h"
#include "vuWidget.h"

VU_C_API void vuTraceFormShown(vuForm *form)
{
    if (!form || !vuTraceEnabled())
        return;
    std::string file = vuTraceSourceOf(form);
    vuTraceLine("form")
        .Text("file", file.c_str())
        .Text("name", form->GetName())
        .Text("header", form->GetHeaderText())
        .Write();
}

namespace {

// The rows of a list menu, placed as the menu draws them.
void menuRows(vuMenu *menu, const vuViewPort &client, std::string &items)
{
    if (menu->GetMenuType() != VU_MENU_LIST)
        return;
    const int row = menu->GetRow();
    const int pitch = row + menu->GetRowInterval();
    const int off = menu->GetScroll().offset;
    const int W = menu->GetClientWidth(), H = menu->GetClientHeight();
    const int w = W - (menu->GetScroll().range > 0 ? 4 : 2);
    int g = 0;
    for (vuViewObject *o = menu->GetFirst(); o; o = menu->GetNext(o), ++g) {
        if (o->GetType() != VU_TYPE_MENU_ITEM)
            continue;
        vuMenuItem *it = static_cast<vuMenuItem *>(o);
        const int top = g * pitch - off;
        if (top + row <= 0 || top >= H)
            continue; // not drawn
        vuTraceItem("row", client.offsetX + 1, client.offsetY + top, w, row)
            .Str("name", it->GetName())
            .Num("fg", it->TraceTextColor())
            .Label(it->GetText(), it->GetFontIndex())
            .Rect("clip", client.offsetX, client.offsetY, W, H)
            .AppendTo(items);
    }
}

void statusItems(std::string &items)
{
    vuStatusLine *line = vuUI::GetStatusLine();
    if (!line || line->IsOption(VU_SL_HIDDEN))
        return;
    const int top = line->IsOption(VU_SL_BOTTOM) ? vuUI::GetHeight() - line->GetHeight() : 0;
    vuTraceItem("statusline", 0, top, vuUI::GetWidth(), line->GetHeight()).AppendTo(items);
    for (vuViewObject *o = line->GetFirst(); o; o = line->GetNext(o)) {
        vuStatusObject *s = static_cast<vuStatusObject *>(o);
        if (!s->IsVisible())
            continue;
        vuTraceItem item("status", s->GetX(), top + s->GetY(), s->GetWidth(), s->GetHeight());
        item.Str("name", s->GetName()).Num("fg", s->GetFrontColor());
        if (s->GetType() == VU_TYPE_TEXT_OBJECT)
            item.Label(static_cast<vuTextObject *>(s)->GetText(), s->GetFontIndex());
        item.AppendTo(items);
    }
}

} // namespace

VU_C_API void vuTraceScreen(vuForm *form, int modal)
{
    if (!form || !vuTraceEnabled())
        return;
    std::string file = vuTraceSourceOf(form);

    std::string items = "[";
    statusItems(items);

    // The form where it is drawn: its own place moved by its containers.
    vuViewPort place;
    form->SetViewPort(&place);
    const int ox = place.x, oy = place.y;
    if (form->GetParent())
        form->GetParent()->GetViewPort(&place);
    const int fx = ox + place.offsetX, fy = oy + place.offsetY;
    const int fw = form->GetWidth(), fh = form->GetHeight();
    vuViewPort client{0, 0, form->GetClientWidth(), form->GetClientHeight(), 0, 0};
    form->GetViewPort(&client);
    vuTraceItem formItem("form", fx, fy, fw, fh);
    formItem.Str("name", form->GetName())
        .Num("fg", form->GetFrontColor())
        .Num("bg", form->GetBackColor())
        .Num("options", form->GetOptions())
        .Rect("clip", client.x, client.y, client.width, client.height);
    if (form->GetType() == VU_TYPE_MENU)
        formItem.Num("selected", static_cast<vuMenu *>(form)->GetSelected()); // 1-based, 0 none
    formItem.AppendTo(items);

    const unsigned short options = form->GetOptions();
    if (options & VU_FO_HEADER) {
        // As the header draws itself: the picture at the left, the text
        // placed by the justification, the close icon at the right.
        const int hh = form->GetHeaderHeight();
        const _VU_TypeMemIcon close = static_cast<_VU_TypeMemIcon>(0), ok = static_cast<_VU_TypeMemIcon>(1);
        int iw = 0;
        if (vuImage *image = form->GetHeaderImage())
            iw = image->GetWidth() < hh ? image->GetWidth() : hh;
        const char *text = form->GetHeaderText();
        vuTraceItem header("header", fx + 1, fy, fw >= 2 ? fw - 2 : 0, hh);
        header.Num("fg", form->GetFrontHeaderColor()).Num("bg", form->GetBackHeaderColor());
        header.Label(text, form->GetHeaderFont());
        const int cw = vuUI::GetFontWidth(form->GetHeaderFont()), ch = vuUI::GetFontHeight(form->GetHeaderFont());
        if (text && cw > 0) {
            const int tw = cw * static_cast<int>(std::strlen(text));
            const unsigned short j = form->GetHeaderJustify();
            int d;
            if (j & 0x1000) {
                d = 0;
            } else if (j & 0x2000) {
                int icons = 0;
                if (options & VU_FO_CANCEL)
                    icons += vuMemIcon::GetWidth(close) + 2;
                if (options & VU_FO_OK)
                    icons += vuMemIcon::GetWidth(ok) + 2;
                d = fw - icons - iw - tw - 4;
            } else {
                d = (fw - tw) / 2;
            }
            header.Num("tx", fx + iw + d + 4).Num("ty", fy + (ch < hh ? (hh - ch) / 2 : 0)).Num("th", ch);
        }
        header.AppendTo(items);
        if ((options & VU_FO_CANCEL) && !(options & VU_FO_NO_CLOSE)) {
            const int icw = vuMemIcon::GetWidth(close), ich = vuMemIcon::GetHeight(close);
            vuTraceItem("close", fx + fw - icw - 2, fy + 1, icw, ich).AppendTo(items);
        }
    }

    if (form->GetType() == VU_TYPE_MENU) {
        menuRows(static_cast<vuMenu *>(form), client, items);
    } else {
        for (vuViewObject *o = form->GetFirst(); o; o = form->GetNext(o))
            if (o->GetType() >= VU_TYPE_WIDGET && o->GetType() < VU_TYPE_STATUS_OBJECT)
                static_cast<vuWidget *>(o)->TraceItems(items, client);
    }
    items += "]";

    vuTraceLine("screen")
        .Text("file", file.c_str())
        .Text("name", form->GetName())
        .Text("header", form->GetHeaderText())
        .Number("modal", modal ? 1 : 0)
        .Number("width", vuUI::GetWidth())
        .Number("height", vuUI::GetHeight())
        .Json("items", items)
        .Write();
}

VU_C_API void vuTraceTyping(vuForm *form)
{
    if (!form || !vuTraceEnabled())
        return;
    // Only the UI thread draws and calls this.
    static vuForm *stripShownOn = nullptr;
    vuWidget *focused = form->GetFocused();
    unsigned char key;
    const bool shown = focused && focused->TraceShowsHint(key);
    if (shown || stripShownOn == form)
        vuTraceScreen(form, 1);
    stripShownOn = shown ? form : nullptr;
}
