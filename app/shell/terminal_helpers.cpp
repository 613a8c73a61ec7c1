#include "terminal_helpers.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "CodePage.h"
#include "ServiceLog.h"
#include "message_box.h"
#include "osal.h"
#include "ui_values.h"
#include "vuEvent.h"
#include "vuStatusLine.h"
#include "vuUI.h"

namespace {

const int kDefaultBrightness = 8;

} // namespace

void apply_brightness()
{
    int level = kDefaultBrightness;
    char value[128] = "";
    if (OsRegGetValue("persist.sys.lcd.brightness", value) > 0) {
        level = static_cast<int>(parse_number(value));
        if (level == 0)
            level = 1;
    }
    OsScrBrightness(level);
}

void keep_awake()
{
    OsSleep(0);
    apply_brightness();
}

int sim_socket_count()
{
    // The property reader may fill OS_REG_VALUE_MAX bytes.
    char value[OS_REG_VALUE_MAX] = "";
    OsRegGetValue("ro.fac.simsocket", value);
    int n = atoi(value);
    return n < 1 ? 1 : n;
}

vuObject *status_netlevel_item(vuUI *ui)
{
    (void)ui;
    vuStatusLine *line = vuUI::GetStatusLine();
    return line ? line->GetByName("netlevel") : nullptr;
}

void reboot_terminal(vuUI *ui)
{
    if (ui && message_box(ui, "ВНИМАНИЕ", "Вы уверены, что терминал нужно перезагрузить?", MB_OK | MB_CANCEL) !=
                  MB_RESULT_OK)
        return;
    static const char kLine[] = "### OS reboot ###";
    ServiceLog(kLine, sizeof kLine - 1, SERVICE_LOG_RAW);
    OsSleep(300);
    OsReboot();
}

void beep_and_reboot(int count)
{
    for (int i = 0; i < count; ++i) {
        OsBeep(4, 200);
        OsSleep(500);
    }
    reboot_terminal(nullptr);
}

void run_factory_test(vuUI *ui)
{
    if (!ui)
        return;
    ui->Stop();
    char *argv[] = {nullptr};
    OsRunApp("FTEST", argv, nullptr, nullptr, nullptr);
    apply_brightness();
    ui->Start();
}

void log_format(const char *fmt, ...)
{
    if (!fmt)
        return;
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    // Sized to the whole line, so long arguments are not cut.
    int n = vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    char *line = n > 0 ? static_cast<char *>(malloc(static_cast<size_t>(n) + 1)) : nullptr;
    if (line) {
        vsnprintf(line, static_cast<size_t>(n) + 1, fmt, again);
        Cp1251ToCp866(line, n);
        ServiceLog(line, static_cast<uint32_t>(n), SERVICE_LOG_RAW);
        free(line);
    }
    va_end(again);
}

int info_screen_keys(vuEvent *event, intptr_t form)
{
    (void)form;
    return event && event->key == '0' ? 100 : 0;
}
