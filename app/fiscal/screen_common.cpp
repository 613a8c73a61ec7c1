#include "screen_common.h"

#include "ServiceResult.h"
#include "TMCommand.h"
#include "error_box.h"
#include "message_box.h"
#include "vuRadio.h"
#include "vuUI.h"

void exchange_failed_box(vuUI *ui, unsigned code, TMCommand &cmd, int result)
{
    if (result != 0) {
        error_box_f(ui, "Ошибка %i выполнения команды %02X\n\n%s", result, code & 0xFF, ServiceResultText(result));
        return;
    }
    char error[256];
    FormatFiscalError(error, sizeof error, "%02X:%02X %s", static_cast<uint32_t>(cmd.ErrorCode()),
                      static_cast<uint32_t>(cmd.ErrorDetail()));
    error_box_f(ui, "Ошибка выполнения команды %02X:\n%s\n\nСТАТУСЫ: %02X %04X", code & 0xFF, error,
                static_cast<unsigned>(cmd.FatalStatus() & 0xFF), static_cast<unsigned>(cmd.CurrentStatus() & 0xFFFF));
}

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
