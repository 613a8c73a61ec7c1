#include "info_panel.h"

#include "str_helpers.h"
#include "vuViewObject.h"
#include "widget_text.h"

#include <string.h>

namespace {

const size_t kTextSize = 4096;

} // namespace

int info_panel_capacity(int height)
{
    return (height - 4) / 8 - 1;
}

void info_panel_append(vuObject *field, const char *line)
{
    vuViewObject *view = dynamic_cast<vuViewObject *>(field);
    info_panel_append_within(field, line, info_panel_capacity(view ? view->GetHeight() : 0));
}

void info_panel_append_within(vuObject *field, const char *line, int capacity)
{
    if (!field || !line)
        return;
    char text[kTextSize];
    str_copy(text, widget_text(field), sizeof text);
    int newlines = 0;
    for (const char *p = text; *p; ++p)
        newlines += *p == '\n';
    // A field too small for even one line would never get below its
    // capacity: stop once nothing is left to drop.
    char *start = text;
    while (newlines >= capacity && *start) {
        char *nl = strchr(start, '\n');
        if (!nl)
            break;
        start = nl + 1;
        --newlines;
    }
    memmove(text, start, strlen(start) + 1);
    size_t len = strlen(text);
    if (len > 0 && text[len - 1] != '\n')
        str_append(text, "\n", sizeof text);
    str_append(text, line, sizeof text);
    widget_set_text(field, text);
}
