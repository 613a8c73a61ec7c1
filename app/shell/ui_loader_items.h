// Pieces the loader's sources share: list fields as bytes, converted element
// texts, menu items and the layout attributes of menus and menu boxes.
#ifndef APP_SHELL_UI_LOADER_ITEMS_H
#define APP_SHELL_UI_LOADER_ITEMS_H

#include <cstdint>
#include <mxml.h>

#include "ui_xml.h"

class vuViewObject;

// Up to `count` byte fields of a comma list into out; the fields after the
// first missing one are 0.
void ui_list_bytes(const char *list, uint8_t *out, int count);
// The element's text in CP1251 (entities decoded) in buf; "" without text.
char *ui_element_text(mxml_node_t *element, char *buf, unsigned size);
// An ITEM element as a menu item of owner (a menu or a menu box); dropped
// when owner is neither. defaultFont: the item font without a font attribute.
void add_menu_item(mxml_node_t *item, vuViewObject *owner, uint16_t defaultFont);

// The item layout of a menu or a menu box, in this order: rowdelta,
// rowinterval, accelfont, columns, columninterval, maxlines, itransparency,
// iactivetransparency, iborder, iactiveborder; absent ones are left alone.
template <class MenuLike> void apply_menu_layout(MenuLike *m, mxml_node_t *e)
{
    auto u16 = [e](const char *name) { return static_cast<uint16_t>(xml_number(e, name)); };
    auto u8 = [e](const char *name) { return static_cast<uint8_t>(xml_number(e, name)); };
    if (xml_has(e, "rowdelta"))
        m->SetRowDelta(u16("rowdelta"));
    if (xml_has(e, "rowinterval"))
        m->SetRowInterval(u16("rowinterval"));
    if (xml_has(e, "accelfont"))
        m->SetAccelFont(u16("accelfont"));
    if (xml_has(e, "columns"))
        m->SetColumns(u16("columns"));
    if (xml_has(e, "columninterval"))
        m->SetColumnInterval(u16("columninterval"));
    if (xml_has(e, "maxlines"))
        m->SetMaxLines(u16("maxlines"));
    if (xml_has(e, "itransparency"))
        m->SetItemsTransparency(u8("itransparency"));
    if (xml_has(e, "iactivetransparency"))
        m->SetItemsActiveTransparency(u8("iactivetransparency"));
    if (xml_has(e, "iborder"))
        m->SetItemsBorder(u8("iborder"));
    if (xml_has(e, "iactiveborder"))
        m->SetItemsActiveBorder(u8("iactiveborder"));
}

#endif
