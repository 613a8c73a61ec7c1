#include "service_entries.h"

#include <ctype.h>
#include <string.h>

#include "ServiceFiles.h"
#include "error_box.h"
#include "fw_update.h"
#include "kfn_state.h"
#include "message_box.h"
#include "osal.h"
#include "scoped_dialog.h"
#include "settings.h"
#include "str_helpers.h"
#include "ui_values.h"
#include "ui_xml.h"

namespace {

// Where the firmware list is looked for when the settings name no other.
const char *const kDefaultFirmwareList = "https://update.example.invalid/kfn/firmware.xml";

const char *withoutLeadingZeros(const char *serial)
{
    if (!serial)
        return "";
    while (serial[0] == '0' && serial[1])
        ++serial;
    return serial;
}

bool startsWithNoCase(const char *text, const char *start)
{
    for (; *start; ++start, ++text)
        if (!*text || tolower(static_cast<unsigned char>(*text)) != tolower(static_cast<unsigned char>(*start)))
            return false;
    return true;
}

} // namespace

// menu: copy_log
void CmdCopyLog(vuUI *ui, const char *)
{
    message_box(ui, "ПОДОЖДИТЕ", "ИДЕТ КОПИРОВАНИЕ\nzizirize.log\nНА USB FLASH", MB_NOWAIT);
    int answer = ServiceCopyLog();
    const char *failure = nullptr;
    switch (answer) {
    case -13: failure = "ФАЙЛ НЕ СКОПИРОВАН"; break;
    case -12: failure = "USB FLASH НЕ НАЙДЕНА"; break;
    case -11: failure = "ФАЙЛ zizirize.log НЕ НАЙДЕН!"; break;
    case -10: failure = "SD КАРТЫ НЕТ\nНЕЧЕГО КОПИРОВАТЬ!"; break;
    default: break;
    }
    if (failure) {
        error_box(ui, failure);
        return;
    }
    char text[96];
    str_format(text, sizeof text, "КОПИРОВАНИЕ ЗАВЕРШЕНО.\nСКОПИРОВАНО:\n%d БАЙТ", answer);
    message_box(ui, "ЗАВЕРШЕНО", text, MB_OK);
}

// menu: update_fw
void CmdUpdateFw(vuUI *, const char *) {}

int update_warning_dialog(vuUI *ui, const char *title)
{
    ScopedDialog d(ui, "kkt_dlg_update_warning.xml");
    if (!d)
        return -1;
    d.form()->SetHeaderText(title);
    return d.run() == 1 ? 0 : -1;
}

bool serial_pattern_ok(const char *format)
{
    if (!format)
        return false;
    int strings = 0;
    for (const char *p = format; *p; ++p) {
        if (*p != '%')
            continue;
        if (p[1] == '%')
            ++p;
        else if (p[1] == 's')
            ++strings, ++p;
        else
            return false;
    }
    return strings == 1;
}

void serial_display_text(mxml_node_t *common, const char *serial, const char *product, char *out, size_t size)
{
    if (!out || size == 0)
        return;
    const char *plain = withoutLeadingZeros(serial);
    for (mxml_node_t *n = common ? mxmlGetFirstChild(common) : nullptr; n; n = mxmlGetNextSibling(n)) {
        const char *name = mxmlGetElement(n);
        if (!name || strcmp(name, "frserialpattern") != 0)
            continue;
        char pn[127] = "";
        str_copy(pn, xml_attr(n, "pos_pn") ? xml_attr(n, "pos_pn") : "", sizeof pn);
        if (*pn && !startsWithNoCase(product ? product : "", pn))
            continue;
        const char *utf8 = xml_text(n);
        char format[SERIAL_DISPLAY_SIZE * 2];
        if (!utf8 || !*utf8 || utf8_to_cp1251(utf8, format, sizeof format) < 0 || !serial_pattern_ok(format))
            break;
        str_format(out, size, format, plain);
        return;
    }
    str_copy(out, plain, size);
}

const char *kkt_serial_display()
{
    static char display[SERIAL_DISPLAY_SIZE];
    static bool done = false;
    if (!done) {
        char product[OS_REG_VALUE_MAX] = "";
        if (OsRegGetValue("ro.fac.pn", product) < 0)
            product[0] = 0;
        serial_display_text(settings_node("common"), kkt_serial_number(), product, display, sizeof display);
        done = true;
    }
    return display;
}

void fw_update_entry(vuUI *ui)
{
    if ((get_access_level() & ~0x0F) == 0) {
        error_box(ui, "ФУНКЦИЯ ОБНОВЛЕНИЯ КФН НЕ ДОСТУПНА\n\nТРЕБУЕТСЯ УРОВЕНЬ ДОСТУПА АДМИНИСТРАТОР");
        return;
    }
    char url[128];
    const char *saved = settings_get("fwupdate", "url");
    str_copy(url, saved ? saved : kDefaultFirmwareList, sizeof url);
    fw_update_dialog(ui, "ОБНОВЛЕНИЕ КФН", url, 0);
    settings_set("fwupdate", "url", url);
    settings_save();
}
