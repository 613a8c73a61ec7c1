#include "screen_common.h"

#include "message_box.h"
#include "vuRadio.h"
#include "vuUI.h"

void build_failed(vuUI *ui) { message_box(ui, "ОШИБКА", "Ошибка создания команды.", MB_OK | MB_ALERT); }

void show_report(vuUI *ui, const char *title, const char *text)
{
    message_box(ui, title, text, MB_OK | MB_FONT0 | MB_JUSTIFY1);
}

unsigned radio_item(vuObject *widget)
{
    vuRadio *radio = dynamic_cast<vuRadio *>(widget);
    return radio ? radio->GetSelected() : 0;
}

void radio_set(vuObject *widget, unsigned n)
{
    if (vuRadio *radio = dynamic_cast<vuRadio *>(widget))
        radio->SetValue(n);
}

bool parse_count(const char *text, uint32_t max, uint32_t *out)
{
    uint64_t v = 0;
    for (const char *p = text ? text : ""; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > max)
            return false;
    }
    *out = static_cast<uint32_t>(v);
    return true;
}
