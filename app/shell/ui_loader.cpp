// The loader's files, the UI root, forms and menus.
#include "ui_loader.h"

#include "str_helpers.h"
#include "ui_loader_items.h"
#include "ui_values.h"
#include "ui_xml.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "vuColor.h"
#include "vuForm.h"
#include "vuImage.h"
#include "vuMenu.h"
#include "vuStatusLine.h"
#include "vuUI.h"
#include "vuVirtualKeyboard.h"
#include "vuWidget.h"

namespace {

const char kDefaultResourcePath[] = "./data/";
char g_resourcePath[UI_RESOURCE_PATH_MAX + 1] = "./data/";

void set_err(int *err, int code)
{
    if (err)
        *err = code;
}

// Owns a loaded tree for the length of one load.
struct Tree {
    mxml_node_t *top = nullptr;
    ~Tree()
    {
        if (top)
            mxmlDelete(top);
    }
};

int load_tree(const char *path, Tree &tree)
{
    int rc = xml_load_file(path, &tree.top);
    if (rc == UI_LOAD_BAD_XML)
        std::fprintf(stderr, "ui: %s cannot be parsed: %s\n", path, xml_last_error());
    return rc;
}

// The path of a resource made for this screen size, else the plain one;
// false when neither can be opened.
int load_resource_tree(const char *dir, const char *name, Tree &tree)
{
    if (!dir || !name)
        return UI_LOAD_NO_FILE;
    char path[512];
    str_format(path, sizeof path, "%s/%u-%u%s", dir, static_cast<unsigned>(vuUI::GetWidth()),
               static_cast<unsigned>(vuUI::GetHeight()), name);
    int rc = xml_load_file(path, &tree.top);
    if (rc == UI_LOAD_NO_FILE) {
        str_format(path, sizeof path, "%s/%s", dir, name);
        rc = xml_load_file(path, &tree.top);
    }
    if (rc == UI_LOAD_BAD_XML)
        std::fprintf(stderr, "ui: %s cannot be parsed: %s\n", path, xml_last_error());
    return rc;
}

// ---- colour scheme --------------------------------------------------------------

struct ColorAttr {
    const char *name;
    uint16_t index;
};

struct ColorClass {
    const char *element;
    _VU_TypeObject type;
    ColorAttr attrs[8];
};

const ColorClass kColorClasses[] = {
    {"FORM", VU_TYPE_FORM, {{"header", 0}, {"headerback", 1}, {"body", 2}, {"bodyback", 3}}},
    {"STATIC", VU_TYPE_FORM, {{"color", 4}, {"backcolor", 5}}},
    {"BUTTON", VU_TYPE_FORM, {{"color", 6}, {"backcolor", 7}, {"selected", 8}, {"selback", 9}}},
    {"INPUT", VU_TYPE_FORM, {{"color", 10}, {"backcolor", 11}, {"selected", 12}, {"selback", 13}}},
    {"PATTERNINPUT", VU_TYPE_FORM, {{"color", 14}, {"backcolor", 15}, {"selected", 16}, {"selback", 17}}},
    {"SIGNBOX", VU_TYPE_FORM, {{"color", 18}, {"backcolor", 19}, {"selected", 20}, {"selback", 21}}},
    {"CHECKBOX", VU_TYPE_FORM, {{"color", 22}, {"backcolor", 23}, {"selected", 24}, {"selback", 25}}},
    {"RADIO", VU_TYPE_FORM, {{"color", 26}, {"backcolor", 27}, {"selected", 28}, {"selback", 29}}},
    {"MULTILINE", VU_TYPE_FORM, {{"color", 30}, {"backcolor", 31}, {"selected", 32}, {"selback", 33}}},
    {"PROGRESS", VU_TYPE_FORM, {{"color", 34}, {"backcolor", 35}}},
    {"MENUBOX", VU_TYPE_FORM, {{"color", 36}, {"backcolor", 37}, {"selected", 38}, {"selback", 39}}},
    {"MENU",
     VU_TYPE_MENU,
     {{"header", 0},
      {"headerback", 1},
      {"body", 2},
      {"bodyback", 3},
      {"color", 4},
      {"backcolor", 5},
      {"selected", 6},
      {"selback", 7}}},
    {"KEYBOARD", VU_TYPE_VIRTUAL_KEYBOARD, {{"color", 0}, {"backcolor", 1}, {"selected", 2}, {"selback", 3}}},
    {"STATUSLINE", VU_TYPE_STATUS_LINE, {{"bodyback", 0}, {"color", 1}, {"backcolor", 2}}},
    {"STATUSIMAGE", VU_TYPE_STATUS_LINE, {{"color", 3}, {"backcolor", 4}}},
    {"STATUSPROGRESS",
     VU_TYPE_STATUS_LINE,
     {{"color", 5}, {"backcolor", 6}, {"mask", 7}, {"warn", 8}, {"add", 9}, {"text", 10}}},
    {"CLOCK", VU_TYPE_STATUS_LINE, {{"color", 11}, {"backcolor", 12}}},
};

void apply_color_class(const ColorClass &cls, mxml_node_t *element)
{
    for (const ColorAttr &a : cls.attrs) {
        if (!a.name)
            break;
        if (const char *v = xml_attr(element, a.name))
            vuColor::SetColor(cls.type, a.index, parse_color(v));
    }
}

void apply_color_scheme(mxml_node_t *scheme)
{
    for (mxml_node_t *e = xml_first_element(scheme); e; e = xml_next_element(e)) {
        if (xml_name_like(e, "GLOBAL")) {
            for (const ColorClass &cls : kColorClasses)
                apply_color_class(cls, e);
            continue;
        }
        for (const ColorClass &cls : kColorClasses)
            if (xml_name_like(e, cls.element))
                apply_color_class(cls, e);
    }
}

// ---- fonts ------------------------------------------------------------------------

void load_fonts(vuUI *ui, mxml_node_t *fonts)
{
    for (mxml_node_t *e = xml_first_element(fonts); e; e = xml_next_element(e)) {
        if (!xml_name_like(e, "FONT"))
            continue;
        const char *name = xml_attr(e, "name");
        if (!ui || !xml_has(e, "type") || !name)
            continue;
        int w = xml_int(e, "w"), h = xml_int(e, "h");
        if (xml_has(e, "size"))
            w = h = xml_int(e, "size");
        int rc = ui->SetFileFontEx(static_cast<uint16_t>(xml_int(e, "type")), name, w, h, xml_int(e, "pitch_x"),
                                   xml_int(e, "pitch_y"));
        if (rc != 0)
            std::fprintf(stderr, "ui: font %s cannot be loaded (%d)\n", name, rc);
    }
}

// ---- the UI root --------------------------------------------------------------------

vuUI *build_root(mxml_node_t *root, int *err)
{
    str_copy(g_resourcePath, kDefaultResourcePath, sizeof g_resourcePath);
    if (!root) {
        set_err(err, UI_LOAD_NOTHING);
        return nullptr;
    }
    uint16_t options = static_cast<uint16_t>(xml_number(root, "options"));
    if (xml_has(root, "color"))
        vuColor::SetColor(VU_TYPE_UI, 0, xml_color(root, "color"));
    const char *resources = xml_attr(root, "resourcepath");
    if (resources && std::strlen(resources) <= UI_RESOURCE_PATH_MAX)
        str_copy(g_resourcePath, resources, sizeof g_resourcePath);

    vuUI *ui = vuUI::Init(options);
    if (!ui) {
        set_err(err, UI_LOAD_NOTHING);
        return nullptr;
    }
    if (xml_has(root, "blockmask"))
        ui->SetBlockKbMask(xml_number(root, "blockmask"));

    for (mxml_node_t *e = xml_first_element(root); e; e = xml_next_element(e)) {
        if (xml_name_like(e, "STATUSLINE")) {
            if (vuStatusLine *line = build_status_line(e))
                ui->SetStatusLine(line);
        } else if (xml_name_like(e, "BLOCKFORM")) {
            if (vuForm *form = build_form(e))
                ui->SetBlockForm(form);
        } else if (xml_name_like(e, "BACKIMAGE")) {
            if (vuImage *image = load_image_element(e))
                ui->SetBackgroundImage(image);
        } else if (xml_name_like(e, "COLORSCHEME")) {
            apply_color_scheme(e);
        } else if (xml_name_like(e, "FONTS")) {
            load_fonts(vuUI::GetUI(), e);
        }
    }
    set_err(err, UI_LOAD_OK);
    return ui;
}

mxml_node_t *top_level(mxml_node_t *top, const char *name)
{
    for (mxml_node_t *e = xml_first_element(top); e; e = xml_next_element(e))
        if (xml_name_is(e, name))
            return e;
    return nullptr;
}

// ---- forms --------------------------------------------------------------------------

// The first FORM, else CHILDFORM, else MENU below root, built.
vuForm *build_first_form(mxml_node_t *root, int *err)
{
    vuForm *form = nullptr;
    if (mxml_node_t *e = xml_find_exact(root, "FORM"))
        form = build_form(e);
    else if (mxml_node_t *c = xml_find_exact(root, "CHILDFORM"))
        form = build_form(c);
    else if (mxml_node_t *m = xml_find_exact(root, "MENU"))
        form = build_menu(m);
    set_err(err, form ? UI_LOAD_OK : UI_LOAD_NOTHING);
    return form;
}

// The section of a form file for this screen: a top-level element whose
// "orientation" is "portrait" on a screen at least as wide as high, or
// "landscape" on a higher one. The pairing is the files' convention.
mxml_node_t *orientation_root(mxml_node_t *top)
{
    const char *wanted = vuUI::GetWidth() >= vuUI::GetHeight() ? "portrait" : "landscape";
    for (mxml_node_t *e = xml_first_element(top); e; e = xml_next_element(e)) {
        const char *o = xml_attr(e, "orientation");
        if (o && strcasecmp(o, wanted) == 0)
            return e;
    }
    return top;
}

// The header height: a coordinate of the screen height, scaled from the
// 320-row design screen when the form is resized.
uint16_t header_height(const char *text, int resize)
{
    uint32_t screenH = vuUI::GetHeight();
    uint32_t h = parse_coord(text, screenH);
    if (resize)
        h = h * screenH / UI_DESIGN_HEIGHT;
    return static_cast<uint16_t>(h);
}

void apply_form_attributes(vuForm *form, mxml_node_t *e, int resize)
{
    if (xml_has(e, "options"))
        form->SetOption(static_cast<uint16_t>(xml_number(e, "options")));
    if (xml_has(e, "clearoptions"))
        form->ClearOption(static_cast<uint16_t>(xml_number(e, "clearoptions")));
    if (xml_has(e, "font"))
        form->SetHeaderFont(static_cast<uint16_t>(xml_number(e, "font")));
    if (const char *h = xml_attr(e, "height"))
        form->SetHeaderHeight(header_height(h, resize));
    if (xml_has(e, "timeout"))
        form->SetTimeOut(xml_number(e, "timeout"));
    if (xml_has(e, "color"))
        form->SetColors(xml_color(e, "color"), form->GetBackColor());
    if (xml_has(e, "back"))
        form->SetColors(form->GetFrontColor(), xml_color(e, "back"));
    if (xml_has(e, "hcolor"))
        form->SetHeaderColors(xml_color(e, "hcolor"), form->GetBackHeaderColor());
    if (xml_has(e, "hbackcolor"))
        form->SetHeaderColors(form->GetFrontHeaderColor(), xml_color(e, "hbackcolor"));
    if (const char *c = xml_attr(e, "ccodes")) {
        uint8_t codes[4];
        ui_list_bytes(c, codes, 4);
        form->SetControlCodes(codes[0], codes[1], codes[2], codes[3]);
    }
    if (const char *s = xml_attr(e, "scodes")) {
        uint8_t codes[8];
        ui_list_bytes(s, codes, 8);
        for (unsigned i = 0; i < 8; ++i)
            form->SetCloseControlCode(i, codes[i]);
    }
    if (const char *kb = xml_attr(e, "virtkb"))
        if (vuVirtualKeyboard *keyboard = build_virtual_keyboard(kb))
            form->SetVirtualKeyboard(keyboard);
}

void set_header_text(vuForm *form, mxml_node_t *e)
{
    char text[UI_TEXT_SIZE];
    form->SetHeaderText(ui_element_text(e, text, sizeof text));
}

} // namespace

// ---- public ---------------------------------------------------------------------------

const char *get_resource_path()
{
    return g_resourcePath;
}

void parse_rect(const char *text, int16_t *x, int16_t *y, uint16_t *w, uint16_t *h)
{
    parse_rect_on(text, vuUI::GetWidth(), vuUI::GetHeight(), x, y, w, h);
}

void parse_rect_scaled(const char *text, uint8_t resize, int16_t *x, int16_t *y, uint16_t *w, uint16_t *h)
{
    parse_rect_scaled_on(text, resize, vuUI::GetWidth(), vuUI::GetHeight(), x, y, w, h);
}

vuUI *load_ui_file(const char *path, int *err)
{
    Tree tree;
    int rc = load_tree(path, tree);
    if (rc != 0) {
        set_err(err, rc);
        return nullptr;
    }
    return build_root(top_level(tree.top, "UI"), err);
}

vuUI *load_ui_resource(const char *dir, const char *name, int *err)
{
    Tree tree;
    int rc = load_resource_tree(dir, name, tree);
    if (rc != 0) {
        set_err(err, rc);
        return nullptr;
    }
    return build_root(top_level(tree.top, "UI"), err);
}

vuForm *load_form_file(const char *path, int *err)
{
    Tree tree;
    int rc = load_tree(path, tree);
    if (rc != 0) {
        set_err(err, rc);
        return nullptr;
    }
    return build_first_form(orientation_root(tree.top), err);
}

vuForm *load_form_resource(const char *dir, const char *name, int *err)
{
    Tree tree;
    int rc = load_resource_tree(dir, name, tree);
    if (rc != 0) {
        set_err(err, rc);
        return nullptr;
    }
    return build_first_form(tree.top, err);
}

vuForm *build_form(mxml_node_t *e)
{
    if (!e)
        return nullptr;
    int resize = xml_int(e, "resize");
    vuForm *form;
    if (const char *frame = xml_attr(e, "frame")) {
        int16_t x, y;
        uint16_t w, h;
        parse_rect_scaled(frame, resize != 0, &x, &y, &w, &h);
        form = new vuChildForm(static_cast<uint16_t>(x), static_cast<uint16_t>(y), w, h);
    } else {
        form = new vuForm();
    }
    apply_form_attributes(form, e, resize);
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c)) {
        if (xml_name_like(c, "TEXT")) {
            set_header_text(form, c);
        } else if (xml_name_like(c, "IMAGE")) {
            if (vuImage *image = load_image_element(c))
                form->SetHeaderImage(image);
        } else if (vuWidget *w = build_widget(c, resize != 0, form)) {
            form->Add(w);
        }
    }
    return form;
}

vuMenu *build_menu(mxml_node_t *e)
{
    if (!e)
        return nullptr;
    uint8_t type = static_cast<uint8_t>(xml_number(e, "type"));
    vuMenu *menu = new vuMenu(nullptr, nullptr, type);
    int resize = xml_int(e, "resize");
    apply_form_attributes(menu, e, resize);
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c)) {
        if (xml_name_like(c, "TEXT")) {
            set_header_text(menu, c);
        } else if (xml_name_like(c, "IMAGE")) {
            if (vuImage *image = load_image_element(c))
                menu->SetHeaderImage(image);
        } else if (xml_name_like(c, "ITEM")) {
            add_menu_item(c, menu, type == 0 ? 2 : 0);
        }
    }
    apply_menu_layout(menu, e);
    return menu;
}

