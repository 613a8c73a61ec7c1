// The UI-description loader: turns the UTF-8 XML files under "./res/" into
// toolkit objects. "kkt_ui.xml" describes the UI root (start options, the
// picture directory, the status line, the block form, the background
// picture, the colour scheme and the fonts) and starts the toolkit; every
// other file describes one form, child form or menu with its widgets.
//
// Element names are matched without regard to case, except the top-level
// "UI", "FORM", "CHILDFORM" and "MENU", which must be written exactly so.
// Attribute names are exact. Unknown elements and attributes are ignored,
// an unreadable value counts as 0, and an element that cannot be built is
// left out of its parent: only the form (or root) itself decides the result.
#ifndef APP_SHELL_UI_LOADER_H
#define APP_SHELL_UI_LOADER_H

#include <cstdint>
#include <mxml.h>

class vuUI;
class vuForm;
class vuMenu;
class vuImage;
class vuWidget;
class vuStatic;
class vuButton;
class vuInput;
class vuIPInput;
class vuPatternInput;
class vuMultiLine;
class vuMenuBox;
class vuCheckBox;
class vuRadio;
class vuStatusLine;
class vuStatusObject;
class vuTextObject;
class vuClock;
class vuImagesObject;
class vuProgressObject;
class vuBatLevel;
class vuNetLevel;
class vuVirtualKeyboard;

// Results written through the loaders' error-code pointer.
enum {
    UI_LOAD_OK = 0,
    UI_LOAD_NO_FILE = -1,    // the file cannot be opened
    UI_LOAD_BAD_XML = -2,    // the file cannot be parsed
    UI_LOAD_NOTHING = -3     // no matching element, or its builder failed
};

// Buffers of converted texts: headers and widget texts, item texts.
constexpr unsigned UI_TEXT_SIZE = 512;
constexpr unsigned UI_ITEM_TEXT_SIZE = 128;
// The picture directory holds at most this many characters.
constexpr unsigned UI_RESOURCE_PATH_MAX = 255;

// ---- files ------------------------------------------------------------------
// Reads the file, takes the first top-level element "UI" and builds the root:
// the toolkit is started (vuUI::Init) with the root's options. Returns the
// started toolkit, or null with *err set (err may be null).
vuUI *load_ui_file(const char *path, int *err);
// load_ui_file with the screen-size file search of load_form_resource.
vuUI *load_ui_resource(const char *dir, const char *name, int *err);
// Reads the file and builds its FORM, else its CHILDFORM, else its MENU
// (first in document order at any depth). A top-level element whose
// attribute "orientation" is "portrait" (screen at least as wide as high) or
// "landscape" (screen higher than wide) narrows the search to its contents.
// The caller owns the form until it hands it to vuUI::Add.
vuForm *load_form_file(const char *path, int *err);
// Looks for "<dir>/<W>-<H><name>" first (the screen's size), then
// "<dir>/<name>", and builds the form like load_form_file without the
// orientation step.
vuForm *load_form_resource(const char *dir, const char *name, int *err);
// The picture directory ("./data/" until a UI root sets another).
const char *get_resource_path();

// Form state to XML and back. apply_form_values gives each child element of
// `element` to the form's widget of that name and applies its content
// children (BACKIMAGE, ACTIVEBACKIMAGE, IMAGE, TEXT, PATTERN, VALUE).
// save_form_values writes the state of the form's named widgets (a menu: its
// selection) as children of `element`.
void apply_form_values(vuForm *form, mxml_node_t *element);
void save_form_values(vuForm *form, mxml_node_t *element);

// ---- builders -----------------------------------------------------------------
// A form element (FORM, CHILDFORM, BLOCKFORM) and a MENU element; null when
// the toolkit object cannot be made.
vuForm *build_form(mxml_node_t *element);
vuMenu *build_menu(mxml_node_t *element);
// An on-screen keyboard for the form attribute virtkb: "rus"/"RUS" both
// layouts, "eng"/"ENG" the Latin one; null for any other value.
vuVirtualKeyboard *build_virtual_keyboard(const char *virtkb);

// A picture element (IMAGE, BACKIMAGE, ACTIVEBACKIMAGE, WARNIMAGE, MASKIMAGE,
// ADDIMAGE): a new picture, or null. The caller hands it to its owner.
vuImage *load_image_element(mxml_node_t *element);

// Widgets: each needs a "frame"; with resize the frame is given for a
// 240 x 320 screen and scaled. The new widget, not yet added, or null.
vuStatic *build_static(mxml_node_t *element, uint8_t resize);
vuButton *build_button(mxml_node_t *element, uint8_t resize, vuForm *form);
vuInput *build_input(mxml_node_t *element, uint8_t resize);
vuIPInput *build_ip_input(mxml_node_t *element, uint8_t resize);
vuPatternInput *build_pattern_input(mxml_node_t *element, uint8_t resize);
vuMultiLine *build_multiline(mxml_node_t *element, uint8_t resize);
vuMenuBox *build_menubox(mxml_node_t *element, uint8_t resize);
vuCheckBox *build_checkbox(mxml_node_t *element, uint8_t resize);
vuRadio *build_radio(mxml_node_t *element, uint8_t resize);
// Builds the widget element of any kind above (by its name); null for
// another element or when it cannot be built.
vuWidget *build_widget(mxml_node_t *element, uint8_t resize, vuForm *form);
// Applies the content children of a widget element to the widget.
void apply_widget_content(vuWidget *widget, mxml_node_t *element);

// The status line of the UI root and its objects (frames never scaled).
vuStatusLine *build_status_line(mxml_node_t *element);
vuTextObject *build_text_object(mxml_node_t *element);
vuClock *build_clock(mxml_node_t *element);
vuImagesObject *build_images_object(mxml_node_t *element);
vuProgressObject *build_progress_object(mxml_node_t *element);
vuBatLevel *build_bat_level(mxml_node_t *element);
vuNetLevel *build_net_level(mxml_node_t *element);
// Gives each child element of `element` to the status object of that name
// and applies its content children.
void apply_status_values(vuStatusLine *line, mxml_node_t *element);

// Rectangles on the toolkit's screen (vuUI::GetWidth x GetHeight): "x,y,w,h",
// fields may be percents; parse_rect_scaled also scales from 240 x 320.
void parse_rect(const char *text, int16_t *x, int16_t *y, uint16_t *w, uint16_t *h);
void parse_rect_scaled(const char *text, uint8_t resize, int16_t *x, int16_t *y, uint16_t *w, uint16_t *h);

#endif
