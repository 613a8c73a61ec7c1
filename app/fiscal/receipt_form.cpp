#include "receipt_form.h"

#include <stdlib.h>
#include <string.h>

#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "vuBox.h"
#include "widget_text.h"

unsigned list_item(vuObject *widget)
{
    vuBox *box = dynamic_cast<vuBox *>(widget);
    return box ? box->GetSelected() : 0;
}

void list_set_item(vuObject *widget, unsigned n)
{
    if (vuBox *box = dynamic_cast<vuBox *>(widget))
        box->SetValue(n);
}

void preset_converted(vuObject *widget, const char *section, const char *key, unsigned size)
{
    const char *value = settings_get(section, key);
    if (!widget || !value || strlen(value) >= size)
        return;
    char text[1024];
    utf8_to_cp1251(value, text, sizeof text);
    widget_set_text(widget, text);
}

void preset_raw(vuObject *widget, const char *section, const char *key, unsigned size)
{
    const char *value = settings_get(section, key);
    if (!widget || !value || strlen(value) >= size)
        return;
    widget_set_text(widget, value);
}

void save_converted(vuObject *widget, const char *section, const char *key)
{
    char text[2048];
    cp1251_to_utf8(widget_text(widget), text, sizeof text);
    settings_set(section, key, text);
}

void save_raw(vuObject *widget, const char *section, const char *key)
{
    settings_set(section, key, widget_text(widget));
}

void take_text(vuObject *widget, char *out, unsigned max)
{
    str_copy(out, widget_text(widget), max + 1);
}

unsigned long widget_number(vuObject *widget) { return strtoul(widget_text(widget), nullptr, 10); }
