#include "error_box.h"

#include <stdarg.h>
#include <stdio.h>

#include "message_box.h"

void error_box(vuUI *ui, const char *text)
{
    if (ui)
        message_box(ui, "ОШИБКА", text, MB_OK | MB_ALERT);
}

void error_box_f(vuUI *ui, const char *format, ...)
{
    if (!ui)
        return;
    char text[512];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    error_box(ui, text);
}

void build_failed_box(vuUI *ui) { error_box(ui, "Ошибка создания команды."); }
