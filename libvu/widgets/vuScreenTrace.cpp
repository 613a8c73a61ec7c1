// The screen trace's "form" and "screen" lines: what a form and its widgets
// show, described from the widgets' own state (vuTrace.h tells the format).
#include "vuTrace.h"

#include <cstring>
#include <string>

#include "vuBox.h"
#include "vuBoxItem.h"
#include "vuButton.h"
#include "vuForm.h"
#include "vuInput.h"
#include "vuKeyScheme.h"
#include "vuMemIcon.h"
#include "vuMenu.h"
#include "vuMenuBox.h"
#include "vuMenuItem.h"
#include "vuMultiLine.h"
#include "vuMultiTap.h"
#include "vuStatic.h"
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

// One item of a "screen" line, built member by member.
class Item {
public:
    Item(const char *kind, int x, int y, int w, int h)
    {
        text_ = "{\"kind\":" + vuTraceLine::Quote(kind);
        Num("x", x).Num("y", y).Num("w", w).Num("h", h);
    }
    Item &Num(const char *key, long value)
    {
        text_ += ",\"" + std::string(key) + "\":" + std::to_string(value);
        return *this;
    }
    Item &Str(const char *key, const char *cp1251)
    {
        text_ += ",\"" + std::string(key) + "\":" + vuTraceLine::Quote(cp1251);
        return *this;
    }
    Item &Rect(const char *key, int x, int y, int w, int h)
    {
        text_ += ",\"" + std::string(key) + "\":[" + std::to_string(x) + "," + std::to_string(y) + "," +
                 std::to_string(w) + "," + std::to_string(h) + "]";
        return *this;
    }
    // A label: its text and font and, on one line, its size in pixels.
    Item &Label(const char *cp1251, unsigned short font)
    {
        Str("label", cp1251).Num("font", font);
        if (cp1251 && !std::strchr(cp1251, '\n'))
            Num("tw", static_cast<long>(vuUI::GetFontWidth(font)) * static_cast<long>(std::strlen(cp1251)))
                .Num("th", vuUI::GetFontHeight(font));
        return *this;
    }
    void AppendTo(std::string &items) const
    {
        if (items.size() > 1)
            items += ",";
        items += text_ + "}";
    }

private:
    std::string text_;
};

const char *widgetType(_VU_TypeObject type)
{
    switch (type) {
    case VU_TYPE_STATIC: return "static";
    case VU_TYPE_BUTTON: return "button";
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT: return "input";
    case VU_TYPE_MULTI_LINE: return "multiline";
    case VU_TYPE_CHECK_BOX: return "checkbox";
    case VU_TYPE_RADIO: return "radio";
    case VU_TYPE_MENU_BOX: return "menubox";
    case VU_TYPE_PROGRESS: return "progress";
    case VU_TYPE_SIGN_BOX: return "sign";
    default: return "other";
    }
}

// The colour a widget draws its text in now, as its drawing code picks it.
unsigned short textColour(vuWidget *w)
{
    switch (w->GetType()) {
    case VU_TYPE_STATIC:
    case VU_TYPE_BUTTON:
    case VU_TYPE_MENU_ITEM:
        return w->IsSelect() ? w->GetActiveFrontColor() : w->GetPassiveFrontColor();
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT:
    case VU_TYPE_MULTI_LINE:
        return w->IsActive() ? w->GetActiveFrontColor() : w->GetPassiveFrontColor();
    default:
        return w->GetPassiveFrontColor();
    }
}

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
        Item("row", client.offsetX + 1, client.offsetY + top, w, row)
            .Str("name", it->GetName())
            .Num("fg", textColour(it))
            .Label(it->GetText(), it->GetFontIndex())
            .Rect("clip", client.offsetX, client.offsetY, W, H)
            .AppendTo(items);
    }
}

// The rows of a list menu box, placed as the box draws them.
void menuBoxRows(vuMenuBox *box, int x, int y, std::string &items)
{
    if (box->GetMenuType() != VU_MENU_LIST)
        return;
    const int row = box->GetRow();
    const int pitch = row + box->GetRowInterval();
    const int off = box->GetScrollY().offset;
    const int w = box->GetWidth() - box->GetScrollBarYWidth() - 2;
    for (unsigned n = 1; n <= box->GetCount(); ++n) {
        vuMenuItem *it = box->GetItem(n);
        const int top = static_cast<int>(n - 1) * pitch - off;
        if (!it || top + row <= 0 || top >= box->GetHeight())
            continue; // not drawn
        Item("row", x + 1, y + top, w, row)
            .Str("name", it->GetName())
            .Num("fg", textColour(it))
            .Label(it->GetText(), it->GetFontIndex())
            .Rect("clip", x, y, box->GetWidth(), box->GetHeight())
            .AppendTo(items);
    }
}

// The items of a check-box or radio list, placed as the list draws them.
void boxRows(vuBox *box, int x, int y, std::string &items)
{
    const int H = box->GetItemHeight();
    const int W = box->GetRowWidth();
    const int mark = box->GetMarkWidth();
    const int markH = box->GetMarkHeight();
    const int off = box->GetScrollY().offset;
    const unsigned n = box->GetCount();
    for (unsigned i = 0; i < n && H > 0; ++i) {
        const int t = static_cast<int>(i) * H - off;
        if (t + H <= 0 || t >= box->GetHeight())
            continue;
        vuBoxItem *item = box->GetItem(static_cast<unsigned short>(i + 1));
        // the row's text, right of its check mark, as the list draws it;
        // the mark at its full size and the room the list draws it in
        const int b = markH < H - 2 ? (H - markH - 2) / 2 : 0;
        Item row("row", x + mark + 3, y + t, W - mark - 3, H);
        row.Num("fg", box->GetRowColor(i + 1))
            .Label(item ? item->GetText() : "", box->GetFontIndex())
            .Rect("clip", x, y, box->GetWidth(), box->GetHeight());
        if (mark > 0 && W > 2 && H - b - 2 > 0)
            row.Rect("mark", x + 2, y + t + b + 1, mark, markH).Rect("markroom", x + 2, y + t + b + 1, W - 2, H - b - 2);
        row.AppendTo(items);
    }
}

// The multi-tap strip a field shows now: where it is meant to go, before
// any clipping, and the field it types into.
bool hintShown(vuWidget *w, unsigned char &key)
{
    key = 0;
    switch (w->GetType()) {
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT: {
        vuInput *in = static_cast<vuInput *>(w);
        if ((in->GetOptions() & VU_IN_HINT) && (w->GetFlags() & VU_WF_FOCUSED))
            key = in->GetPendingKey();
        break;
    }
    case VU_TYPE_MULTI_LINE: {
        vuMultiLine *ml = static_cast<vuMultiLine *>(w);
        if (ml->GetOptions() & VU_ML_HINT)
            key = ml->GetPendingKey();
        break;
    }
    default:
        break;
    }
    return key != 0 && vuKeyScheme::getKeyScheme(w->GetKeySchemeIndex(), key) != nullptr;
}

// A field that takes a multi-tap letter now and shows its strip: a text
// field with room for one more, or an editable text.
bool takesLetters(vuWidget *w)
{
    switch (w->GetType()) {
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT: {
        vuInput *in = static_cast<vuInput *>(w);
        const char *value = in->GetValue();
        return !(in->GetOptions() & VU_IN_NUMERIC) && (in->GetOptions() & VU_IN_HINT) &&
               (value ? std::strlen(value) : 0) + 1 < in->GetMaxLen();
    }
    case VU_TYPE_MULTI_LINE: {
        const unsigned short options = static_cast<vuMultiLine *>(w)->GetOptions();
        return (options & VU_ML_EDIT) && (options & VU_ML_HINT);
    }
    default:
        return false;
    }
}

void hintItem(vuWidget *w, const vuViewPort &client, int x, int y, std::string &items)
{
    unsigned char key;
    short hx, hy;
    unsigned short hw, hh;
    if (!w->IsVisible() || !hintShown(w, key) ||
        !vuKeyHintRect(w->GetParent(), w->GetX(), w->GetY(), w->GetHeight(), w->GetFontIndex(),
                       w->GetKeySchemeIndex(), key, hx, hy, hw, hh))
        return;
    Item("hint", hx + client.offsetX, hy + client.offsetY, hw, hh)
        .Str("name", w->GetName())
        .Rect("field", x, y, w->GetWidth(), w->GetHeight())
        .Rect("clip", client.x, client.y, client.width, client.height)
        .AppendTo(items);
}

void widgetItems(vuWidget *w, const vuViewPort &client, std::string &items)
{
    if (!w->IsVisible())
        return;
    const int x = w->GetX() + client.offsetX, y = w->GetY() + client.offsetY;
    Item item("widget", x, y, w->GetWidth(), w->GetHeight());
    item.Str("type", widgetType(w->GetType())).Str("name", w->GetName()).Num("fg", textColour(w));
    switch (w->GetType()) {
    case VU_TYPE_STATIC:
        item.Label(static_cast<vuStatic *>(w)->GetText(), w->GetFontIndex());
        break;
    case VU_TYPE_BUTTON:
        item.Label(static_cast<vuButton *>(w)->GetText(), w->GetFontIndex());
        break;
    case VU_TYPE_INPUT:
    case VU_TYPE_PATTERN_INPUT:
    case VU_TYPE_IP_INPUT: {
        vuInput *input = static_cast<vuInput *>(w);
        const char *value = input->GetValue();
        if (input->GetOptions() & VU_IN_HIDDEN) {
            // A password or a PIN: its length and the hide symbols the
            // screen shows, never the text (a trace is read by people).
            const size_t n = value ? std::strlen(value) : 0;
            const char symbol = input->GetHideSymbol() ? input->GetHideSymbol() : '*';
            item.Str("label", std::string(n, symbol).c_str()).Num("hidden", static_cast<long>(n));
        } else {
            item.Str("label", value);
        }
        item.Num("font", w->GetFontIndex());
        if (takesLetters(w))
            item.Num("letters", 1);
        break;
    }
    case VU_TYPE_MULTI_LINE:
        item.Str("label", static_cast<vuMultiLine *>(w)->GetValue()).Num("font", w->GetFontIndex());
        if (takesLetters(w))
            item.Num("letters", 1);
        break;
    default:
        break;
    }
    if (w->GetFlags() & VU_WF_FOCUSED)
        item.Num("focus", 1);
    if (w->IsBorder())
        item.Num("border", 1);
    // Scroll bars are drawn inside the right and bottom edges, in the last
    // three columns or rows (vuWidget::Draw), whatever width they reserve.
    const int kBarEdge = 3;
    if (w->GetScrollBarYWidth())
        item.Num("barw", kBarEdge);
    if (w->GetScrollBarXHeight())
        item.Num("barh", kBarEdge);
    item.Rect("clip", client.x, client.y, client.width, client.height).AppendTo(items);
    hintItem(w, client, x, y, items);
    if (w->GetType() == VU_TYPE_CHECK_BOX || w->GetType() == VU_TYPE_RADIO)
        boxRows(static_cast<vuBox *>(w), x, y, items);
    else if (w->GetType() == VU_TYPE_MENU_BOX)
        menuBoxRows(static_cast<vuMenuBox *>(w), x, y, items);
}

void statusItems(std::string &items)
{
    vuStatusLine *line = vuUI::GetStatusLine();
    if (!line || line->IsOption(VU_SL_HIDDEN))
        return;
    const int top = line->IsOption(VU_SL_BOTTOM) ? vuUI::GetHeight() - line->GetHeight() : 0;
    Item("statusline", 0, top, vuUI::GetWidth(), line->GetHeight()).AppendTo(items);
    for (vuViewObject *o = line->GetFirst(); o; o = line->GetNext(o)) {
        vuStatusObject *s = static_cast<vuStatusObject *>(o);
        if (!s->IsVisible())
            continue;
        Item item("status", s->GetX(), top + s->GetY(), s->GetWidth(), s->GetHeight());
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
    Item formItem("form", fx, fy, fw, fh);
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
        Item header("header", fx + 1, fy, fw >= 2 ? fw - 2 : 0, hh);
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
            Item("close", fx + fw - icw - 2, fy + 1, icw, ich).AppendTo(items);
        }
    }

    if (form->GetType() == VU_TYPE_MENU) {
        menuRows(static_cast<vuMenu *>(form), client, items);
    } else {
        for (vuViewObject *o = form->GetFirst(); o; o = form->GetNext(o))
            if (o->GetType() >= VU_TYPE_WIDGET && o->GetType() < VU_TYPE_STATUS_OBJECT)
                widgetItems(static_cast<vuWidget *>(o), client, items);
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
    const bool shown = focused && hintShown(focused, key);
    if (shown || stripShownOn == form)
        vuTraceScreen(form, 1);
    stripShownOn = shown ? form : nullptr;
}
