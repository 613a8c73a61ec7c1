// The loader's pictures, widgets, menu and list items, and the form state
// to XML and back.
#include "ui_loader.h"

#include "str_helpers.h"
#include "ui_loader_items.h"
#include "ui_values.h"
#include "ui_xml.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "vuBox.h"
#include "vuButton.h"
#include "vuCheckBox.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuInput.h"
#include "vuIPInput.h"
#include "vuMenu.h"
#include "vuMenuBox.h"
#include "vuMenuItem.h"
#include "vuMultiLine.h"
#include "vuPatternInput.h"
#include "vuRadio.h"
#include "vuStatic.h"
#include "vuWidget.h"

namespace {

// Longest picture path: the directory and the file name together.
constexpr size_t kMaxImagePath = 1022;

uint8_t u8(mxml_node_t *e, const char *name)
{
    return static_cast<uint8_t>(xml_number(e, name));
}

uint16_t u16(mxml_node_t *e, const char *name)
{
    return static_cast<uint16_t>(xml_number(e, name));
}

// The widget's frame; false when the element has none.
bool widget_frame(mxml_node_t *e, uint8_t resize, int16_t &x, int16_t &y, uint16_t &w, uint16_t &h)
{
    const char *frame = xml_attr(e, "frame");
    if (!frame)
        return false;
    parse_rect_scaled(frame, resize, &x, &y, &w, &h);
    return true;
}

void apply_common(vuWidget *w, mxml_node_t *e)
{
    if (xml_has(e, "font"))
        w->SetFont(u16(e, "font"));
    if (xml_has(e, "justify"))
        w->SetJustify(u8(e, "justify"));
    if (const char *name = xml_attr(e, "name"))
        w->SetName(name);
    if (xml_has(e, "visible"))
        w->SetVisible(u8(e, "visible"));
    if (xml_has(e, "transparency"))
        w->SetTransparency(u8(e, "transparency"));
    if (xml_has(e, "activetransparency"))
        w->SetActiveTransparency(u8(e, "activetransparency"));
    if (xml_has(e, "border"))
        w->SetBorder(u8(e, "border"));
    if (xml_has(e, "activeborder"))
        w->SetActiveBorder(u8(e, "activeborder"));
    if (xml_has(e, "color"))
        w->SetPassiveColor(xml_color(e, "color"), w->GetBackColor());
    if (xml_has(e, "back"))
        w->SetPassiveColor(w->GetFrontColor(), xml_color(e, "back"));
    if (xml_has(e, "activecolor"))
        w->SetActiveColor(xml_color(e, "activecolor"), w->GetActiveBackColor());
    if (xml_has(e, "activeback"))
        w->SetActiveColor(w->GetActiveFrontColor(), xml_color(e, "activeback"));
}

// fillsymbol (its first character), then fillsymbolcode, so the code wins.
void apply_fill_symbol(vuPatternInput *p, mxml_node_t *e)
{
    if (const char *s = xml_attr(e, "fillsymbol"))
        p->SetFillSymbol(s[0]);
    if (xml_has(e, "fillsymbolcode"))
        p->SetFillSymbol(static_cast<char>(u8(e, "fillsymbolcode")));
}

// ITEM children of a check-box or radio list: a text (empty when absent) and
// a picture; of several, the last of each counts.
void add_box_items(vuBox *box, mxml_node_t *e)
{
    for (mxml_node_t *item = xml_first_element(e); item; item = xml_next_element(item)) {
        if (!xml_name_like(item, "ITEM"))
            continue;
        char text[UI_ITEM_TEXT_SIZE] = "";
        vuImage *image = nullptr;
        for (mxml_node_t *c = xml_first_element(item); c; c = xml_next_element(c)) {
            if (xml_name_like(c, "TEXT")) {
                ui_element_text(c, text, sizeof text);
            } else if (xml_name_like(c, "IMAGE")) {
                if (vuImage *next = load_image_element(c)) {
                    vuImage::Destroy(image);
                    image = next;
                }
            }
        }
        box->AddItem(text, image);
    }
}

template <class Box> Box *finish_box(Box *box, mxml_node_t *e)
{
    apply_common(box, e);
    apply_widget_content(box, e);
    add_box_items(box, e);
    if (const char *c = xml_attr(e, "ccodes")) {
        uint8_t codes[4];
        ui_list_bytes(c, codes, 4);
        box->SetControlCodes(codes[0], codes[1], codes[2], codes[3]);
    }
    if (xml_has(e, "maxlines"))
        box->SetMaxLines(u16(e, "maxlines"));
    return box;
}

// Writes a child element holding one text under parent.
void add_text_child(mxml_node_t *parent, const char *name, const char *text)
{
    mxml_node_t *child = mxmlNewElement(parent, name);
    mxmlNewOpaque(child, text ? text : "");
}

void add_utf8_child(mxml_node_t *parent, const char *name, const char *cp1251)
{
    char utf8[1024];
    cp1251_to_utf8(cp1251, utf8, sizeof utf8);
    add_text_child(parent, name, utf8);
}

// SELECTED, TEXT (when the selected item has a text) and VALUE of a menu or
// a menu box.
template <class MenuLike> void save_menu_state(MenuLike *m, mxml_node_t *parent)
{
    char number[32];
    std::snprintf(number, sizeof number, "%i", static_cast<int>(m->GetSelected()));
    add_text_child(parent, "SELECTED", number);
    vuMenuItem *item = m->GetSelectedObject();
    if (item && item->GetText())
        add_utf8_child(parent, "TEXT", item->GetText());
    MENU_ITEM_EXT *ext = m->GetSelectedExt();
    std::snprintf(number, sizeof number, "%li", ext ? static_cast<long>(ext->tag) : 0L);
    add_text_child(parent, "VALUE", number);
}

} // namespace

// ---- shared pieces ------------------------------------------------------------------

void ui_list_bytes(const char *list, uint8_t *out, int count)
{
    for (int i = 0; i < count; ++i)
        out[i] = 0;
    char field[16];
    for (int i = 0; i < count; ++i) {
        if (!get_list_field(field, sizeof field, i, list, ','))
            break;
        out[i] = static_cast<uint8_t>(parse_number(field));
    }
}

char *ui_element_text(mxml_node_t *element, char *buf, unsigned size)
{
    utf8_to_cp1251(xml_text(element), buf, size);
    return buf;
}

void add_menu_item(mxml_node_t *item, vuViewObject *owner, uint16_t defaultFont)
{
    MENU_ITEM_EXT record;
    std::memset(&record, 0, sizeof record);
    record.selectOnReset = u8(item, "select");
    record.keyChar = u8(item, "code");
    record.tag = xml_number(item, "value");
    uint16_t font = xml_has(item, "font") ? u16(item, "font") : defaultFont;
    const char *name = xml_attr(item, "name");
    char text[UI_ITEM_TEXT_SIZE];
    bool hasText = false;
    vuImage *image = nullptr;
    for (mxml_node_t *c = xml_first_element(item); c; c = xml_next_element(c)) {
        if (xml_name_like(c, "TEXT")) {
            ui_element_text(c, text, sizeof text);
            hasText = true;
        } else if (xml_name_like(c, "IMAGE")) {
            if (vuImage *next = load_image_element(c)) {
                vuImage::Destroy(image);
                image = next;
            }
        }
    }
    record.text = hasText ? text : nullptr;
    _VU_TypeObject type = owner ? owner->GetType() : VU_TYPE_UI;
    if (type == VU_TYPE_MENU)
        static_cast<vuMenu *>(owner)->AddItemExt(&record, image, font, name);
    else if (type == VU_TYPE_MENU_BOX)
        static_cast<vuMenuBox *>(owner)->AddItemExt(&record, image, font, name);
    else
        vuImage::Destroy(image);
}

// ---- pictures -----------------------------------------------------------------------------

vuImage *load_image_element(mxml_node_t *e)
{
    const char *text = xml_text(e);
    if (!text)
        return nullptr;
    const char *type = xml_attr(e, "type");
    vuImage *image = nullptr;
    if (!type || std::strcmp(type, "file") == 0) {
        const char *dir = get_resource_path();
        if (std::strlen(dir) + std::strlen(text) > kMaxImagePath)
            return nullptr;
        char path[kMaxImagePath + 2];
        str_copy(path, dir, sizeof path);
        str_append(path, text, sizeof path);
        image = vuImage::CreateFromFile(path);
    } else if (std::strcmp(type, "base64") == 0) {
        size_t len = std::strlen(text);
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[len + 1]);
        uint16_t count = decode_base64(text, bytes.get());
        if (count > 0)
            image = vuImage::CreateFromData(bytes.get(), count, xml_attr(e, "ext"));
    } else if (std::strcmp(type, "memicon") == 0) {
        int id = std::atoi(text);
        if (id >= 0 && id < VU_MEMICON_COUNT)
            image = vuImage::CreateMemIcon(static_cast<_VU_TypeMemIcon>(id));
    }
    if (!image)
        return nullptr;
    if (xml_has(e, "transparent"))
        image->SetTransparentColor(xml_color(e, "transparent"));
    if (xml_has(e, "color"))
        image->SetColor(xml_color(e, "color"));
    return image;
}

// ---- widgets --------------------------------------------------------------------------------

vuStatic *build_static(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuStatic *s = new vuStatic(x, y, w, h, nullptr, nullptr);
    apply_common(s, e);
    apply_widget_content(s, e);
    return s;
}

vuButton *build_button(mxml_node_t *e, uint8_t resize, vuForm *form)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuButton *b = new vuButton(x, y, w, h, nullptr, nullptr, u8(e, "control"));
    apply_common(b, e);
    if (xml_has(e, "options"))
        b->SetOption(u16(e, "options"));
    if (xml_has(e, "clearoptions"))
        b->ClearOption(u16(e, "clearoptions"));
    if (xml_has(e, "accelcode"))
        b->SetAccelCode(static_cast<char>(u8(e, "accelcode")));
    if (const char *slave = xml_attr(e, "slave")) {
        vuObject *found = form ? form->GetByName(slave) : nullptr;
        b->SetSlaveWidget(dynamic_cast<vuWidget *>(found));
    }
    apply_widget_content(b, e);
    return b;
}

vuMultiLine *build_multiline(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuMultiLine *m = new vuMultiLine(x, y, w, h, u16(e, "options"), nullptr);
    if (xml_has(e, "length"))
        m->SetMaxLen(xml_number(e, "length"));
    apply_common(m, e);
    apply_widget_content(m, e);
    return m;
}

vuInput *build_input(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuInput *in = new vuInput(x, y, w, h, u16(e, "length"), u16(e, "options"));
    if (xml_has(e, "radix"))
        in->SetRadix(u16(e, "radix"));
    apply_common(in, e);
    if (xml_has(e, "extfont"))
        in->SetFonts(in->GetFontIndex(), u16(e, "extfont"));
    apply_widget_content(in, e);
    return in;
}

vuIPInput *build_ip_input(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuIPInput *ip = new vuIPInput(x, y, w, h, u16(e, "options"));
    apply_fill_symbol(ip, e);
    apply_common(ip, e);
    apply_widget_content(ip, e);
    return ip;
}

vuPatternInput *build_pattern_input(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    vuPatternInput *p = new vuPatternInput(x, y, w, h, u16(e, "options"), nullptr);
    if (xml_has(e, "length"))
        p->SetMaxLen(u16(e, "length"));
    apply_fill_symbol(p, e);
    apply_common(p, e);
    apply_widget_content(p, e);
    return p;
}

vuMenuBox *build_menubox(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    uint8_t type = u8(e, "type");
    vuMenuBox *box = new vuMenuBox(x, y, w, h, type, u16(e, "options"));
    apply_common(box, e);
    apply_widget_content(box, e);
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c))
        if (xml_name_like(c, "ITEM"))
            add_menu_item(c, box, type == 0 ? 2 : 0);
    if (const char *c = xml_attr(e, "ccodes")) {
        uint8_t codes[4];
        ui_list_bytes(c, codes, 4);
        box->SetControlCodes(codes[0], codes[1], codes[2], codes[3]);
    }
    apply_menu_layout(box, e);
    return box;
}

vuCheckBox *build_checkbox(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    return finish_box(new vuCheckBox(x, y, w, h), e);
}

vuRadio *build_radio(mxml_node_t *e, uint8_t resize)
{
    int16_t x, y;
    uint16_t w, h;
    if (!widget_frame(e, resize, x, y, w, h))
        return nullptr;
    return finish_box(new vuRadio(x, y, w, h), e);
}

vuWidget *build_widget(mxml_node_t *e, uint8_t resize, vuForm *form)
{
    if (xml_name_like(e, "STATIC"))
        return build_static(e, resize);
    if (xml_name_like(e, "BUTTON"))
        return build_button(e, resize, form);
    if (xml_name_like(e, "MULTILINE"))
        return build_multiline(e, resize);
    if (xml_name_like(e, "INPUT"))
        return build_input(e, resize);
    if (xml_name_like(e, "IPINPUT"))
        return build_ip_input(e, resize);
    if (xml_name_like(e, "PATTERNINPUT"))
        return build_pattern_input(e, resize);
    if (xml_name_like(e, "MENUBOX"))
        return build_menubox(e, resize);
    if (xml_name_like(e, "CHECKBOX"))
        return build_checkbox(e, resize);
    if (xml_name_like(e, "RADIO"))
        return build_radio(e, resize);
    return nullptr;
}

void apply_widget_content(vuWidget *w, mxml_node_t *e)
{
    if (!w || !e)
        return;
    _VU_TypeObject kind = w->GetType();
    char text[UI_TEXT_SIZE];
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c)) {
        if (xml_name_like(c, "BACKIMAGE")) {
            if (vuImage *image = load_image_element(c))
                w->SetPassiveBackImage(image);
        } else if (xml_name_like(c, "ACTIVEBACKIMAGE")) {
            if (vuImage *image = load_image_element(c))
                w->SetActiveBackImage(image);
        } else if (xml_name_like(c, "IMAGE")) {
            if (kind != VU_TYPE_STATIC && kind != VU_TYPE_BUTTON)
                continue;
            vuImage *image = load_image_element(c);
            if (!image)
                continue;
            if (kind == VU_TYPE_STATIC)
                static_cast<vuStatic *>(w)->SetImage(image);
            else
                static_cast<vuButton *>(w)->SetImage(image);
        } else if (xml_name_like(c, "TEXT")) {
            ui_element_text(c, text, sizeof text);
            switch (kind) {
            case VU_TYPE_STATIC:
                static_cast<vuStatic *>(w)->SetText(text);
                break;
            case VU_TYPE_BUTTON:
                static_cast<vuButton *>(w)->SetText(text);
                break;
            case VU_TYPE_MULTI_LINE:
                static_cast<vuMultiLine *>(w)->SetValue(text);
                break;
            case VU_TYPE_INPUT:
                static_cast<vuInput *>(w)->SetValue(text);
                break;
            case VU_TYPE_PATTERN_INPUT:
                static_cast<vuPatternInput *>(w)->SetValue(text);
                break;
            case VU_TYPE_IP_INPUT:
                static_cast<vuIPInput *>(w)->SetIPtext(text);
                break;
            default:
                break;
            }
        } else if (xml_name_like(c, "PATTERN")) {
            if (kind == VU_TYPE_PATTERN_INPUT)
                static_cast<vuPatternInput *>(w)->SetPattern(ui_element_text(c, text, sizeof text));
        } else if (xml_name_like(c, "VALUE")) {
            if (kind == VU_TYPE_BUTTON) {
                static_cast<vuButton *>(w)->SetSlaveValue(ui_element_text(c, text, sizeof text));
            }
            else if (kind == VU_TYPE_CHECK_BOX) {
                static_cast<vuCheckBox *>(w)->SetValue(parse_number(xml_text(c)));
            } else if (kind == VU_TYPE_RADIO) {
                static_cast<vuRadio *>(w)->SetValue(static_cast<uint16_t>(parse_number(xml_text(c))));
            }
        }
    }
}

// ---- form state --------------------------------------------------------------------------------

void apply_form_values(vuForm *form, mxml_node_t *element)
{
    if (!form || !element)
        return;
    for (mxml_node_t *c = xml_first_element(element); c; c = xml_next_element(c)) {
        vuWidget *w = dynamic_cast<vuWidget *>(form->GetByName(mxmlGetElement(c)));
        if (w)
            apply_widget_content(w, c);
    }
}

void save_form_values(vuForm *form, mxml_node_t *element)
{
    if (!form || !element)
        return;
    if (form->GetType() == VU_TYPE_MENU) {
        save_menu_state(static_cast<vuMenu *>(form), element);
        return;
    }
    char text[64];
    for (vuViewObject *o = form->GetFirst(); o; o = form->GetNext(o)) {
        const char *name = o->GetName();
        _VU_TypeObject kind = o->GetType();
        if (!name || !*name || kind == VU_TYPE_BUTTON)
            continue;
        mxml_node_t *node = mxmlNewElement(element, name);
        switch (kind) {
        case VU_TYPE_STATIC:
            add_utf8_child(node, "TEXT", static_cast<vuStatic *>(o)->GetText());
            break;
        case VU_TYPE_MULTI_LINE:
            add_utf8_child(node, "TEXT", static_cast<vuMultiLine *>(o)->GetValue());
            break;
        case VU_TYPE_INPUT:
        case VU_TYPE_PATTERN_INPUT:
            add_utf8_child(node, "TEXT", static_cast<vuInput *>(o)->GetValue());
            break;
        case VU_TYPE_IP_INPUT:
            if (static_cast<vuIPInput *>(o)->GetIPtext(text, sizeof text) == 0)
                add_text_child(node, "TEXT", text);
            break;
        case VU_TYPE_CHECK_BOX:
            std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(static_cast<vuCheckBox *>(o)->GetSelected()));
            add_text_child(node, "SELECTED", text);
            break;
        case VU_TYPE_RADIO:
            std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(static_cast<vuRadio *>(o)->GetSelected()));
            add_text_child(node, "SELECTED", text);
            break;
        case VU_TYPE_MENU_BOX:
            save_menu_state(static_cast<vuMenuBox *>(o), node);
            break;
        default:
            break;
        }
    }
    (void)text;
}
