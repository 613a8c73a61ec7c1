// The loader's status line and its objects.
#include "ui_loader.h"

#include "ui_loader_items.h"
#include "ui_values.h"
#include "ui_xml.h"

#include "vuBatLevel.h"
#include "vuClock.h"
#include "vuImage.h"
#include "vuImagesObject.h"
#include "vuNetLevel.h"
#include "vuProgressObject.h"
#include "vuStatusLine.h"
#include "vuStatusObject.h"
#include "vuTextObject.h"
#include "vuUI.h"

namespace {

uint8_t u8(mxml_node_t *e, const char *name)
{
    return static_cast<uint8_t>(xml_number(e, name));
}

// The object's frame (percents allowed, never scaled); false without one.
bool object_frame(mxml_node_t *e, int16_t &x, int16_t &y, uint16_t &w, uint16_t &h)
{
    const char *frame = xml_attr(e, "frame");
    if (!frame)
        return false;
    parse_rect(frame, &x, &y, &w, &h);
    return true;
}

void apply_common(vuStatusObject *o, mxml_node_t *e)
{
    if (xml_has(e, "font"))
        o->SetFont(static_cast<uint16_t>(xml_number(e, "font")));
    if (xml_has(e, "justify"))
        o->SetJustify(u8(e, "justify"));
    if (const char *name = xml_attr(e, "name"))
        o->SetName(name);
    if (xml_has(e, "visible"))
        o->SetVisible(u8(e, "visible"));
    if (xml_has(e, "transparency"))
        o->SetTransparency(u8(e, "transparency"));
    if (xml_has(e, "border"))
        o->SetBorder(u8(e, "border"));
    if (xml_has(e, "color"))
        o->SetColor(xml_color(e, "color"), o->GetBackColor());
    if (xml_has(e, "back"))
        o->SetColor(o->GetFrontColor(), xml_color(e, "back"));
}

bool is_level(_VU_TypeObject kind)
{
    return kind == VU_TYPE_PROGRESS_OBJECT || kind == VU_TYPE_BAT_LEVEL || kind == VU_TYPE_NET_LEVEL;
}

// Content children of a status object, in document order.
void apply_content(vuStatusObject *o, mxml_node_t *e)
{
    _VU_TypeObject kind = o->GetType();
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c)) {
        if (xml_name_like(c, "BACKIMAGE")) {
            // A picture that cannot be made clears the one held.
            o->SetBackImage(load_image_element(c));
        } else if (xml_name_like(c, "IMAGE")) {
            if (kind == VU_TYPE_IMAGES_OBJECT) {
                if (vuImage *image = load_image_element(c))
                    if (static_cast<vuImagesObject *>(o)->Add(image) < 0)
                        vuImage::Destroy(image);
            } else if (is_level(kind)) {
                if (vuImage *image = load_image_element(c))
                    static_cast<vuProgressObject *>(o)->SetImage(image);
            }
        } else if (is_level(kind) && xml_name_like(c, "WARNIMAGE")) {
            if (vuImage *image = load_image_element(c))
                static_cast<vuProgressObject *>(o)->SetWarningImage(image);
        } else if (is_level(kind) && xml_name_like(c, "MASKIMAGE")) {
            if (vuImage *image = load_image_element(c))
                static_cast<vuProgressObject *>(o)->SetMaskImage(image);
        } else if (is_level(kind) && xml_name_like(c, "ADDIMAGE")) {
            if (vuImage *image = load_image_element(c))
                static_cast<vuProgressObject *>(o)->SetAdditionImage(image);
        } else if (xml_name_like(c, "TEXT")) {
            char text[UI_TEXT_SIZE];
            ui_element_text(c, text, sizeof text);
            if (kind == VU_TYPE_TEXT_OBJECT)
                static_cast<vuTextObject *>(o)->SetText(text);
            else if (is_level(kind))
                static_cast<vuProgressObject *>(o)->SetText(text);
        }
    }
}

template <class T> T *finish(T *o, mxml_node_t *e)
{
    apply_common(o, e);
    apply_content(o, e);
    return o;
}

// addcolor, warncolor, maskcolor, textcolor, before the common attributes.
template <class T> T *finish_level(T *o, mxml_node_t *e)
{
    if (xml_has(e, "addcolor"))
        o->SetAddColor(xml_color(e, "addcolor"));
    if (xml_has(e, "warncolor"))
        o->SetWarnColor(xml_color(e, "warncolor"));
    if (xml_has(e, "maskcolor"))
        o->SetMaskColor(xml_color(e, "maskcolor"));
    if (xml_has(e, "textcolor"))
        o->SetTextColor(xml_color(e, "textcolor"));
    return finish(o, e);
}

vuStatusObject *build_status_object(mxml_node_t *e)
{
    if (xml_name_like(e, "TEXTOBJECT"))
        return build_text_object(e);
    if (xml_name_like(e, "CLOCK"))
        return build_clock(e);
    if (xml_name_like(e, "IMAGESOBJECT"))
        return build_images_object(e);
    if (xml_name_like(e, "PROGRESSOBJECT"))
        return build_progress_object(e);
    if (xml_name_like(e, "BATLEVEL"))
        return build_bat_level(e);
    if (xml_name_like(e, "NETLEVEL"))
        return build_net_level(e);
    return nullptr;
}

} // namespace

vuStatusLine *build_status_line(mxml_node_t *e)
{
    if (!e)
        return nullptr;
    uint16_t height = static_cast<uint16_t>(parse_coord(xml_attr(e, "height"), vuUI::GetHeight()));
    vuStatusLine *line = new vuStatusLine(height, static_cast<uint16_t>(xml_number(e, "options")));
    if (xml_has(e, "color"))
        line->SetColor(xml_color(e, "color"));
    for (mxml_node_t *c = xml_first_element(e); c; c = xml_next_element(c))
        if (vuStatusObject *o = build_status_object(c))
            line->Add(o);
    return line;
}

vuTextObject *build_text_object(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish(new vuTextObject(x, y, w, h, nullptr), e);
}

vuClock *build_clock(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish(new vuClock(x, y, w, h, 0), e);
}

vuImagesObject *build_images_object(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish(new vuImagesObject(x, y, w, h), e);
}

vuProgressObject *build_progress_object(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish_level(new vuProgressObject(x, y, w, h, nullptr), e);
}

vuBatLevel *build_bat_level(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish_level(new vuBatLevel(x, y, w, h, nullptr), e);
}

vuNetLevel *build_net_level(mxml_node_t *e)
{
    int16_t x, y;
    uint16_t w, h;
    if (!object_frame(e, x, y, w, h))
        return nullptr;
    return finish_level(new vuNetLevel(x, y, w, h, nullptr), e);
}

void apply_status_values(vuStatusLine *line, mxml_node_t *element)
{
    if (!line || !element)
        return;
    for (mxml_node_t *c = xml_first_element(element); c; c = xml_next_element(c))
        if (vuStatusObject *o = dynamic_cast<vuStatusObject *>(line->GetByName(mxmlGetElement(c))))
            apply_content(o, c);
}

